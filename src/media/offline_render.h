#pragma once
// Offline rendering of a MIDI file through the sequencer and the synthesizer on a virtual
// clock: what a player would have sent to its device, as samples or a WAV file.
#include <cstdint>
#include <string>
#include <vector>

namespace vesk {

struct MidiRenderOptions {
    int repeat = 1;          // plays of the song, with the sequencer's repeat between them
    uint32_t tailMs = 2000;  // sound kept after the end, for releases and reverb
    std::string soundFont;   // empty: the distribution's General MIDI SoundFont
    std::string wavPath;     // when set, the sound goes to this file instead of memory
};

struct MidiRenderResult {
    int64_t lengthMs = 0;          // of one play of the song
    uint64_t frames = 0;           // rendered
    std::vector<int16_t> samples;  // interleaved stereo, when no file was asked for
};

// Throws a VeskError when the file is not a MIDI file or no synthesizer can be opened.
MidiRenderResult RenderMidi(const std::vector<uint8_t>& midi, const MidiRenderOptions& options);

}  // namespace vesk
