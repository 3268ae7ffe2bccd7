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

// A whole number in 32 bits; false for anything else.
bool ParseWhole(std::string_view s, int32_t& out) {
    s = Trim(s);
    const std::string text(s);
    char* end = nullptr;
    errno = 0;
    const long long v = text.empty() ? 0 : std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || end != text.c_str() + text.size() || errno == ERANGE ||
        v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max())
        return false;
    out = int32_t(v);
    return true;
}

int32_t ParseInt(std::string_view s, std::string_view pair) {
    int32_t v = 0;
    if (!ParseWhole(s, v))
        Bad("offset \"" + std::string(pair) + "\" is not two whole numbers dx,dy");
    return v;
}

}  // namespace

void CheckMotionTrack(const TMotionTrack& track) {
    const int64_t count = int64_t(track.Offsets.size());
    if (count < 1) Bad("a motion needs at least one frame");
    if (count > std::numeric_limits<int32_t>::max()) Bad("too many frames");
    if (track.LoopStart < 0 || track.LoopStart >= count)
        Bad("loop start " + std::to_string(track.LoopStart) + " is not a frame (0.." +
            std::to_string(count - 1) + ")");
    if (!track.Film) return;
    if (track.FrameRate < 1 || track.FrameRate > kFilmMaxRate)
        Bad("frame rate " + std::to_string(track.FrameRate) + " is not 1.." +
            std::to_string(kFilmMaxRate) + " frames a second");
    if (track.Width < 0 || track.Height < 0)
        Bad("negative film size " + std::to_string(track.Width) + " x " +
            std::to_string(track.Height));
    if (track.PictureFile.size() > size_t(kFilmMaxNameBytes))
        Bad("picture file name longer than " + std::to_string(kFilmMaxNameBytes) + " bytes");
    if (track.Pictures.size() != track.Offsets.size())
        Bad(std::to_string(track.Pictures.size()) + " pictures for " + std::to_string(count) +
            " frames");
    for (size_t i = 0; i < track.Pictures.size(); ++i) {
        const int32_t p = track.Pictures[i];
        if (p < TMotionTrack::kNoPicture || (p >= 0 && track.PictureFile.empty()))
            Bad("frame " + std::to_string(i) + " shows picture " + std::to_string(p) +
                (p >= 0 ? " but the film names no picture file" : ""));
    }
    if (track.HasEmitter) {
        const TMotionTrack::TEmitter& e = track.Emitter;
        if (e.Width < 0 || e.Height < 0 || e.Base < 0 || e.Spread < 0 || e.PreRoll < 0)
            Bad("emitter area, interval and pre-roll must not be negative");
    }
}

TMotionTrack ReadMotionFile(const uint8_t* data, size_t size) {
    ViewStream s(data, size);
    StreamReader r(s);
    char magic[4];
    r.Raw(magic, sizeof magic, "motion file signature");
    if (std::memcmp(magic, kMotionMagic, sizeof magic) != 0) Bad("not a motion file");
    const uint16_t version = r.U16("motion file version");
    if (version != kMotionVersion && version != kFilmVersion)
        Bad("unsupported version " + std::to_string(version));
    const uint16_t flags = r.U16("motion file flags");
    if (flags & ~(version == kFilmVersion ? kFilmHasEmitter : 0)) Bad("unknown flags");
    const int32_t count = r.I32("frame count");
    TMotionTrack track;
    track.LoopStart = r.I32("loop start");
    if (count < 1) Bad("frame count " + std::to_string(count) + " is below 1");
    if (version == kFilmVersion) {
        track.Film = true;
        track.FrameRate = r.I32("frame rate");
        track.Width = r.I32("film width");
        track.Height = r.I32("film height");
        const int32_t nameBytes = r.I32("picture file name length");
        if (nameBytes < 0 || nameBytes > kFilmMaxNameBytes)
            Bad("picture file name length " + std::to_string(nameBytes) + " is not 0.." +
                std::to_string(kFilmMaxNameBytes));
        track.PictureFile = r.Bytes(size_t(nameBytes), "picture file name");
    }
    const int64_t frameSize = track.Film ? kOffsetSize + 4 : kOffsetSize;
    r.CheckCount(count, frameSize, "motion frames");
    track.Offsets.resize(size_t(count));
    if (track.Film) track.Pictures.resize(size_t(count));
    for (size_t i = 0; i < track.Offsets.size(); ++i) {
        track.Offsets[i].X = r.I32("frame offset x");
        track.Offsets[i].Y = r.I32("frame offset y");
        if (track.Film) track.Pictures[i] = r.I32("frame picture");
    }
    if (flags & kFilmHasEmitter) {
        track.HasEmitter = true;
        TMotionTrack::TEmitter& e = track.Emitter;
        for (int32_t* v : {&e.X, &e.Y, &e.Width, &e.Height, &e.Base, &e.Spread, &e.PreRoll})
            *v = r.I32("film emitter");
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
    w.U16(track.Film ? kFilmVersion : kMotionVersion);
    w.U16(track.Film && track.HasEmitter ? kFilmHasEmitter : 0);
    w.I32(track.FrameCount());
    w.I32(track.LoopStart);
    if (track.Film) {
        w.I32(track.FrameRate);
        w.I32(track.Width);
        w.I32(track.Height);
        w.Str(track.PictureFile);
    }
    for (size_t i = 0; i < track.Offsets.size(); ++i) {
        w.I32(track.Offsets[i].X);
        w.I32(track.Offsets[i].Y);
        if (track.Film) w.I32(track.Pictures[i]);
    }
    if (track.Film && track.HasEmitter) {
        const TMotionTrack::TEmitter& e = track.Emitter;
        for (int32_t v : {e.X, e.Y, e.Width, e.Height, e.Base, e.Spread, e.PreRoll}) w.I32(v);
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

std::vector<TFilmFrame> ParseFilmFrames(std::string_view text, size_t maxFrames) {
    std::vector<TFilmFrame> out;
    auto bad = [](std::string_view entry) {
        Bad("film frame \"" + std::string(entry) +
            "\" is not a picture (a number or -) with an optional ,dx,dy and *count");
    };
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
            const std::string_view entry = Trim(line.substr(p, e - p));
            p = e + 1;
            if (entry.empty()) continue;
            auto whole = [&](std::string_view t) {
                int32_t v = 0;
                if (!ParseWhole(t, v)) bad(entry);
                return v;
            };
            std::string_view body = entry;
            int32_t repeat = 1;
            if (const size_t star = body.find('*'); star != std::string_view::npos) {
                repeat = whole(body.substr(star + 1));
                body = body.substr(0, star);
                if (repeat < 1) bad(entry);
            }
            TFilmFrame f;
            const size_t c1 = body.find(',');
            const std::string_view pic = Trim(body.substr(0, c1));
            if (pic == "-")
                f.Picture = TMotionTrack::kNoPicture;
            else if (pic.empty() || pic[0] == '-' || pic[0] == '+')
                bad(entry);
            else
                f.Picture = whole(pic);
            if (c1 != std::string_view::npos) {
                const std::string_view rest = body.substr(c1 + 1);
                const size_t c2 = rest.find(',');
                if (c2 == std::string_view::npos) bad(entry);
                f.Offset = {whole(rest.substr(0, c2)), whole(rest.substr(c2 + 1))};
            }
            if (out.size() + size_t(repeat) > maxFrames)
                Bad("more than " + std::to_string(maxFrames) + " film frames");
            out.insert(out.end(), size_t(repeat), f);
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
