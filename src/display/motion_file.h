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

// Parses a whole motion file. A short, inconsistent or trailing-garbage file is a VeskError.
TMotionTrack ReadMotionFile(const uint8_t* data, size_t size);
TMotionTrack ReadMotionFile(const std::vector<uint8_t>& bytes);
// The bytes of a motion file; fails on a track ReadMotionFile would reject.
std::vector<uint8_t> WriteMotionFile(const TMotionTrack& track);
// Fails unless the track has at least one frame and its loop start is one of them.
void CheckMotionTrack(const TMotionTrack& track);

// Offsets written as text: "dx,dy" pairs separated by ';' or line breaks; '#' starts a
// comment running to the end of the line. Fails on anything else.
std::vector<TMotionTrack::TOffset> ParseMotionOffsets(std::string_view text);

// A loader for TVeskBaseList::SetMotionLoader that reads a file's bytes through `readBytes`
// (which raises when the file is missing) and parses them.
using MotionBytesReader = std::function<std::vector<uint8_t>(const std::string& name)>;
TVeskBaseList::MotionLoader MotionFileLoader(MotionBytesReader readBytes);

}  // namespace vesk
