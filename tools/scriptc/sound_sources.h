#pragma once
// Music and sound written as text, made into files when a game is built: a score
// ("NAME.mid.txt") becomes a Standard MIDI File ("NAME.mid"), a tone list ("NAME.wav.txt",
// "NAME.ogg.txt") a synthesised WAV or Ogg Vorbis file. docs/audio.md describes both.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace vesk::scriptc {

// A score as a Standard MIDI File (format 1). Raises a SourceError naming `file`.
std::vector<uint8_t> CompileScore(const std::string& file, const std::string& text);
// A tone list as 16-bit samples (interleaved when stereo) and its format.
struct SynthSound {
    int rate = 44100;
    int channels = 1;
    std::vector<int16_t> samples;
};
SynthSound SynthesizeTones(const std::string& file, const std::string& text);

// When `rel` is a sound source, its output name and bytes; false (and nothing changed) for
// other files.
bool ConvertSoundSource(const std::filesystem::path& rel, const std::string& file,
                        const std::vector<uint8_t>& bytes, std::filesystem::path& outRel,
                        std::vector<uint8_t>& out);

}  // namespace vesk::scriptc
