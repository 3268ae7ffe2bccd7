// `vesktool motion write OUT.lmt [--frames N] [--loop L] (--offsets "dx,dy;..." | --offsets-file
// F)` writes a motion file; `vesktool motion dump FILE.lmt` prints one, a frame a line.
#include <cstdio>
#include <memory>
#include <string>

#include "base/error.h"
#include "base/stream.h"
#include "command_table.h"
#include "display/motion_file.h"

namespace vesk::tool {

namespace {

struct WriteArgs {
    std::string out, frames, loop, offsets, offsetsFile;
    bool offsetsGiven = false;
};

int Write(const WriteArgs& a) {
    const std::string& out = a.out;
    const int32_t frames =
        a.frames.empty() ? -1 : int32_t(NumberArg(a.frames, "--frames", 0, 0x7FFFFFFF));
    TMotionTrack track;
    if (!a.loop.empty()) track.LoopStart = int32_t(NumberArg(a.loop, "--loop", 0, 0x7FFFFFFF));
    std::string text = a.offsets;
    if (!a.offsetsFile.empty()) {
        const auto bytes = ReadWholeFile(a.offsetsFile);
        text.assign(bytes.begin(), bytes.end());
    }
    if (!a.offsetsGiven && frames < 0) UsageError("give --offsets, --offsets-file or --frames");
    track.Offsets = ParseMotionOffsets(text);
    if (frames >= 0) {
        if (size_t(frames) < track.Offsets.size())
            Fail(std::to_string(track.Offsets.size()) + " offsets given for " +
                 std::to_string(frames) + " frames");
        // Bounded by the file it would make: 8 bytes a frame.
        if (frames > 0x1000000) Fail("more than 16777216 frames");
        const TMotionTrack::TOffset last =
            track.Offsets.empty() ? TMotionTrack::TOffset{} : track.Offsets.back();
        track.Offsets.resize(size_t(frames), last);
    }
    const auto bytes = WriteMotionFile(track);
    WriteFileAtomic(out, bytes.data(), bytes.size());
    std::printf("%s: %d frames (%.3f s), loop start %d\n", out.c_str(), track.FrameCount(),
                track.FrameCount() / 60.0, track.LoopStart);
    return kToolOk;
}

int Dump(const std::string& path) {
    const TMotionTrack t = ReadMotionFile(ReadWholeFile(path));
    std::printf("frames %d (%.3f s at 60 a second), loop start %d\n", t.FrameCount(),
                t.FrameCount() / 60.0, t.LoopStart);
    for (size_t i = 0; i < t.Offsets.size(); ++i)
        std::printf("%8zu %11d %11d\n", i, t.Offsets[i].X, t.Offsets[i].Y);
    return kToolOk;
}

}  // namespace

void Cmd_motion(CLI::App& tool, TToolRun& run) {
    CLI::App* cmd = tool.add_subcommand("motion", "motion files: write and dump");
    cmd->require_subcommand(1);

    auto w = std::make_shared<WriteArgs>();
    CLI::App* write = cmd->add_subcommand("write", "writes a motion file");
    write->footer(
        "Frames run at 60 a second. With --frames larger than the offsets given, the last\n"
        "offset holds for the remaining frames.");
    AddArg(write, "OUT.lmt", w->out, "the motion file to write")->required();
    write->add_option("--frames", w->frames, "the frame count")->type_name("N");
    write->add_option("--loop", w->loop, "the frame the motion loops back to")->type_name("L");
    CLI::Option* offsets = write->add_option("--offsets", w->offsets, "the offsets of the frames")
                               ->type_name("\"dx,dy;dx,dy;...\"");
    write->add_option("--offsets-file", w->offsetsFile, "the offsets, read from a file")
        ->type_name("FILE")
        ->excludes(offsets);
    write->callback([w, write, &run] {
        w->offsetsGiven = write->count("--offsets") + write->count("--offsets-file") > 0;
        run.status = Write(*w);
    });

    auto path = std::make_shared<std::string>();
    CLI::App* dump =
        cmd->add_subcommand("dump", "frame count, loop start, then a line a frame: frame dx dy");
    AddArg(dump, "FILE.lmt", *path, "the motion file")->required();
    dump->callback([path, &run] { run.status = Dump(*path); });
}

}  // namespace vesk::tool
