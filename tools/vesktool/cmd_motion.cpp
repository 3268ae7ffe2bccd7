// `vesktool motion write OUT.lmt [--frames N] [--loop L] (--offsets "dx,dy;..." | --offsets-file
// F)` writes a motion file; `vesktool motion dump FILE.lmt` prints one, a frame a line.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/error.h"
#include "base/stream.h"
#include "display/motion_file.h"

namespace vesk::tool {

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: vesktool motion write OUT.lmt [--frames N] [--loop L]\n"
                 "                         (--offsets \"dx,dy;dx,dy;...\" | --offsets-file FILE)\n"
                 "       vesktool motion dump FILE.lmt\n"
                 "Frames run at 60 a second. With --frames larger than the offsets given, the\n"
                 "last offset holds for the remaining frames.\n");
    return 2;
}

int32_t Count(const char* text, const char* option) {
    char* end = nullptr;
    const long long n = std::strtoll(text, &end, 10);
    if (end == text || *end || n < 0 || n > 0x7FFFFFFF)
        Fail(std::string("motion write: ") + option + " takes a whole number >= 0");
    return int32_t(n);
}

int Write(int argc, char** argv) {
    const std::string out = argv[2];
    int32_t frames = -1;
    TMotionTrack track;
    std::string text;
    bool haveOffsets = false;
    for (int i = 3; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(argv[i], "--frames") == 0 && hasValue) {
            frames = Count(argv[++i], "--frames");
        } else if (std::strcmp(argv[i], "--loop") == 0 && hasValue) {
            track.LoopStart = Count(argv[++i], "--loop");
        } else if (std::strcmp(argv[i], "--offsets") == 0 && hasValue && !haveOffsets) {
            text = argv[++i];
            haveOffsets = true;
        } else if (std::strcmp(argv[i], "--offsets-file") == 0 && hasValue && !haveOffsets) {
            const auto bytes = ReadWholeFile(argv[++i]);
            text.assign(bytes.begin(), bytes.end());
            haveOffsets = true;
        } else {
            return Usage();
        }
    }
    if (!haveOffsets && frames < 0) return Usage();
    track.Offsets = ParseMotionOffsets(text);
    if (frames >= 0) {
        if (size_t(frames) < track.Offsets.size())
            Fail("motion write: " + std::to_string(track.Offsets.size()) + " offsets given for " +
                 std::to_string(frames) + " frames");
        // Bounded by the file it would make: 8 bytes a frame.
        if (frames > 0x1000000) Fail("motion write: more than 16777216 frames");
        const TMotionTrack::TOffset last =
            track.Offsets.empty() ? TMotionTrack::TOffset{} : track.Offsets.back();
        track.Offsets.resize(size_t(frames), last);
    }
    const auto bytes = WriteMotionFile(track);
    WriteFileAtomic(out, bytes.data(), bytes.size());
    std::printf("%s: %d frames (%.3f s), loop start %d\n", out.c_str(), track.FrameCount(),
                track.FrameCount() / 60.0, track.LoopStart);
    return 0;
}

int Dump(const std::string& path) {
    const TMotionTrack t = ReadMotionFile(ReadWholeFile(path));
    std::printf("frames %d (%.3f s at 60 a second), loop start %d\n", t.FrameCount(),
                t.FrameCount() / 60.0, t.LoopStart);
    for (size_t i = 0; i < t.Offsets.size(); ++i)
        std::printf("%8zu %11d %11d\n", i, t.Offsets[i].X, t.Offsets[i].Y);
    return 0;
}

}  // namespace

int Cmd_motion(int argc, char** argv) {
    if (argc < 3) return Usage();
    const std::string sub = argv[1];
    if (sub == "write") return Write(argc, argv);
    if (sub == "dump" && argc == 3) return Dump(argv[2]);
    return Usage();
}

}  // namespace vesk::tool
