#pragma once
// Writers of compressed media, for the tools that make game data (the demo's sound effect)
// and for test and benchmark fixtures: Ogg Vorbis with libvorbisenc, Windows Media (ASF with
// WMA 2 sound and WMV 8 pictures) with FFmpeg.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vesk {

// Interleaved 16-bit samples of `channels` channels at `rate` as an Ogg Vorbis file.
// `quality` is libvorbisenc's, -0.1 .. 1.
std::vector<uint8_t> EncodeOggVorbis(const std::vector<int16_t>& samples, int channels, int rate,
                                     float quality = 0.5f);

// The pictures of a video to write: their size, rate, count and how each is painted.
struct TVideoPictures {
    int width = 64;   // even
    int height = 48;  // even
    int fps = 25;
    int frames = 0;
    // Paints picture `index` in 32-bit pixels (0x00RRGGBB) with `pitch` bytes a row.
    std::function<void(int index, uint32_t* pixels, int pitch)> paint;
};

// Writes a Windows Media file: `sound` (16-bit stereo at 44100 Hz, may be empty) and, when
// `video.frames` > 0, the pictures. The codecs are the best this FFmpeg can both encode and
// decode (WMV 8, 7 or MPEG-4 v3/v2 pictures; WMA 2 or 1 sound). Raises a VeskError when
// FFmpeg cannot write it, naming a missing encoder.
void WriteWindowsMedia(const std::string& path, const std::vector<int16_t>& sound,
                       const TVideoPictures& video);

}  // namespace vesk
