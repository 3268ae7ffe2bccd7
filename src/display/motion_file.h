#pragma once
// Motion files (".lmt"): our own small format for the keyed positions a motion plays.
// The layout is described in docs/motion-files.md.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "display/vesk_base_list.h"
#include "display/vesk_motion.h"

namespace vesk {

inline constexpr char kMotionMagic[4] = {'V', 'M', 'O', 'T'};
inline constexpr uint16_t kMotionVersion = 1;
inline constexpr size_t kMotionHeaderSize = 16;
// Films: version 2 adds the rate, the area, the pictures and an optional emitter.
inline constexpr uint16_t kFilmVersion = 2;
inline constexpr uint16_t kFilmHasEmitter = 1;
inline constexpr int32_t kFilmMaxRate = 1000;
inline constexpr int32_t kFilmMaxNameBytes = 1024;

// Parses a whole motion file or film. A short, inconsistent or trailing-garbage file is a
// VeskError.
TMotionTrack ReadMotionFile(const uint8_t* data, size_t size);
TMotionTrack ReadMotionFile(const std::vector<uint8_t>& bytes);
// The bytes of a motion file (a film when track.Film is set); fails on a track
// ReadMotionFile would reject.
std::vector<uint8_t> WriteMotionFile(const TMotionTrack& track);
// Fails unless the track has at least one frame and its loop start is one of them, and, for
// a film, its rate, area, pictures and emitter are in range.
void CheckMotionTrack(const TMotionTrack& track);

// Film frames written as text: entries separated by ';' or line breaks, each a picture (a
// frame of the film's layered image, or '-' for none) optionally followed by ",dx,dy" and by
// "*n" to hold it for n frames; '#' starts a comment. "0*10; 1,4,0*10; -" is 21 frames.
// Fails on anything else, and beyond `maxFrames` frames.
struct TFilmFrame {
    int32_t Picture = TMotionTrack::kNoPicture;
    TMotionTrack::TOffset Offset;
};
std::vector<TFilmFrame> ParseFilmFrames(std::string_view text, size_t maxFrames = 1u << 24);

// Offsets written as text: "dx,dy" pairs separated by ';' or line breaks; '#' starts a
// comment running to the end of the line. Fails on anything else.
std::vector<TMotionTrack::TOffset> ParseMotionOffsets(std::string_view text);

// A loader for TVeskBaseList::SetMotionLoader that reads a file's bytes through `readBytes`
// (which raises when the file is missing) and parses them.
using MotionBytesReader = std::function<std::vector<uint8_t>(const std::string& name)>;
TVeskBaseList::MotionLoader MotionFileLoader(MotionBytesReader readBytes);

}  // namespace vesk
