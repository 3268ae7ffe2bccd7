#include "display/motion_file.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "base/error.h"
#include "base/stream.h"
#include "base/text_trim.h"

namespace vesk {

namespace {

constexpr int64_t kOffsetSize = 8;

[[noreturn]] void Bad(const std::string& why) {
    Fail("motion file: " + why);
}

int32_t ParseInt(std::string_view s, std::string_view pair) {
    s = Trim(s);
    const std::string text(s);
    char* end = nullptr;
    errno = 0;
    const long long v = text.empty() ? 0 : std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || end != text.c_str() + text.size() || errno == ERANGE ||
        v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max())
        Bad("offset \"" + std::string(pair) + "\" is not two whole numbers dx,dy");
    return int32_t(v);
}

}  // namespace

void CheckMotionTrack(const TMotionTrack& track) {
    const int64_t count = int64_t(track.Offsets.size());
    if (count < 1) Bad("a motion needs at least one frame");
    if (count > std::numeric_limits<int32_t>::max()) Bad("too many frames");
    if (track.LoopStart < 0 || track.LoopStart >= count)
        Bad("loop start " + std::to_string(track.LoopStart) + " is not a frame (0.." +
            std::to_string(count - 1) + ")");
}

TMotionTrack ReadMotionFile(const uint8_t* data, size_t size) {
    ViewStream s(data, size);
    StreamReader r(s);
    char magic[4];
    r.Raw(magic, sizeof magic, "motion file signature");
    if (std::memcmp(magic, kMotionMagic, sizeof magic) != 0) Bad("not a motion file");
    const uint16_t version = r.U16("motion file version");
    if (version != kMotionVersion) Bad("unsupported version " + std::to_string(version));
    if (r.U16("motion file flags") != 0) Bad("unknown flags");
    const int32_t count = r.I32("frame count");
    TMotionTrack track;
    track.LoopStart = r.I32("loop start");
    if (count < 1) Bad("frame count " + std::to_string(count) + " is below 1");
    r.CheckCount(count, kOffsetSize, "motion frames");
    track.Offsets.resize(size_t(count));
    for (auto& o : track.Offsets) {
        o.X = r.I32("frame offset x");
        o.Y = r.I32("frame offset y");
    }
    if (s.Remaining() != 0) Bad(std::to_string(s.Remaining()) + " bytes after the last frame");
    CheckMotionTrack(track);
    return track;
}

TMotionTrack ReadMotionFile(const std::vector<uint8_t>& bytes) {
    return ReadMotionFile(bytes.data(), bytes.size());
}

std::vector<uint8_t> WriteMotionFile(const TMotionTrack& track) {
    CheckMotionTrack(track);
    MemoryStream s;
    StreamWriter w(s);
    w.Raw(kMotionMagic, sizeof kMotionMagic);
    w.U16(kMotionVersion);
    w.U16(0);
    w.I32(track.FrameCount());
    w.I32(track.LoopStart);
    for (const auto& o : track.Offsets) {
        w.I32(o.X);
        w.I32(o.Y);
    }
    return std::move(s.Bytes());
}

std::vector<TMotionTrack::TOffset> ParseMotionOffsets(std::string_view text) {
    std::vector<TMotionTrack::TOffset> out;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t lineEnd = text.find('\n', pos);
        if (lineEnd == std::string_view::npos) lineEnd = text.size();
        std::string_view line = text.substr(pos, lineEnd - pos);
        line = line.substr(0, line.find('#'));
        size_t p = 0;
        while (p <= line.size()) {
            size_t e = line.find(';', p);
            if (e == std::string_view::npos) e = line.size();
            const std::string_view pair = Trim(line.substr(p, e - p));
            if (!pair.empty()) {
                const size_t comma = pair.find(',');
                if (comma == std::string_view::npos)
                    Bad("offset \"" + std::string(pair) + "\" is not two whole numbers dx,dy");
                out.push_back({ParseInt(pair.substr(0, comma), pair),
                               ParseInt(pair.substr(comma + 1), pair)});
            }
            p = e + 1;
        }
        pos = lineEnd + 1;
    }
    return out;
}

TVeskBaseList::MotionLoader MotionFileLoader(MotionBytesReader readBytes) {
    return [readBytes = std::move(readBytes)](
               const std::string& name) -> std::shared_ptr<const TMotionTrack> {
        return std::make_shared<const TMotionTrack>(ReadMotionFile(readBytes(name)));
    };
}

}  // namespace vesk
