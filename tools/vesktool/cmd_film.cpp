// `vesktool film write OUT.lmt --pictures PIC.qil (--frames "0*10;1,4,0*10" | --frames-file F)
// [--rate N] [--loop L] [--size W,H] [--emitter X,Y,W,H,BASE,SPREAD,PREROLL]` writes a film;
// `vesktool film dump FILE.lmt` prints one (a plain motion file too), a frame a line.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "base/cp932.h"
#include "base/error.h"
#include "base/stream.h"
#include "command_table.h"
#include "display/motion_file.h"

namespace vesk::tool {

namespace {

struct WriteArgs {
    std::string out, pictures, frames, framesFile, rate, loop, size, emitter;
    bool framesGiven = false;
};

// "a,b,c": exactly `count` whole numbers within lo..hi.
std::vector<int32_t> Numbers(const std::string& text, size_t count, const std::string& option,
                             int64_t lo, int64_t hi) {
    std::vector<int32_t> out;
    size_t pos = 0;
    while (pos <= text.size()) {
        const size_t comma = text.find(',', pos);
        const std::string part =
            text.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos);
        out.push_back(int32_t(NumberArg(part, option, lo, hi)));
        if (comma == std::string::npos) break;
        pos = comma + 1;
    }
    if (out.size() != count)
        UsageError(option + " takes " + std::to_string(count) + " numbers separated by commas");
    return out;
}

int Write(const WriteArgs& a) {
    if (!a.framesGiven) UsageError("give --frames or --frames-file");
    TMotionTrack film;
    film.Film = true;
    film.PictureFile = Utf8ToCp932(a.pictures);
    if (!a.rate.empty()) film.FrameRate = int32_t(NumberArg(a.rate, "--rate", 1, kFilmMaxRate));
    if (!a.loop.empty()) film.LoopStart = int32_t(NumberArg(a.loop, "--loop", 0, 0x7FFFFFFF));
    if (!a.size.empty()) {
        const auto wh = Numbers(a.size, 2, "--size", 0, 0x7FFFFFFF);
        film.Width = wh[0];
        film.Height = wh[1];
    }
    if (!a.emitter.empty()) {
        const auto e = Numbers(a.emitter, 7, "--emitter", INT32_MIN, INT32_MAX);
        film.HasEmitter = true;
        film.Emitter = {e[0], e[1], e[2], e[3], e[4], e[5], e[6]};
    }
    std::string text = a.frames;
    if (!a.framesFile.empty()) {
        const auto bytes = ReadWholeFile(a.framesFile);
        text.assign(bytes.begin(), bytes.end());
    }
    // Bounded by the file it would make: 12 bytes a frame.
    for (const TFilmFrame& f : ParseFilmFrames(text, 1u << 24)) {
        film.Pictures.push_back(f.Picture);
        film.Offsets.push_back(f.Offset);
    }
    const auto bytes = WriteMotionFile(film);
    WriteFileAtomic(a.out, bytes.data(), bytes.size());
    std::printf("%s: %d frames at %d a second (%.3f s), loop start %d\n", a.out.c_str(),
                film.FrameCount(), film.FrameRate, film.FrameCount() / double(film.FrameRate),
                film.LoopStart);
    return kToolOk;
}

int Dump(const std::string& path) {
    const TMotionTrack t = ReadMotionFile(ReadWholeFile(path));
    if (!t.Film) {
        std::printf("motion: %d frames (%.3f s at 60 a second), loop start %d\n", t.FrameCount(),
                    t.FrameCount() / 60.0, t.LoopStart);
        for (size_t i = 0; i < t.Offsets.size(); ++i)
            std::printf("%8zu %11d %11d\n", i, t.Offsets[i].X, t.Offsets[i].Y);
        return kToolOk;
    }
    std::printf("film: %d frames at %d a second (%.3f s), loop start %d, area %d x %d\n",
                t.FrameCount(), t.FrameRate, t.FrameCount() / double(t.FrameRate), t.LoopStart,
                t.Width, t.Height);
    std::printf("pictures: %s\n",
                t.PictureFile.empty() ? "(none)" : Cp932ToUtf8(t.PictureFile).c_str());
    if (t.HasEmitter) {
        const TMotionTrack::TEmitter& e = t.Emitter;
        std::printf("emitter: area %d,%d %d x %d, every %d ms + below %d, pre-roll %d ms\n", e.X,
                    e.Y, e.Width, e.Height, e.Base, e.Spread, e.PreRoll);
    }
    for (size_t i = 0; i < t.Offsets.size(); ++i) {
        const int32_t p = t.Pictures[i];
        std::printf("%8zu %11d %11d %8s\n", i, t.Offsets[i].X, t.Offsets[i].Y,
                    p < 0 ? "-" : std::to_string(p).c_str());
    }
    return kToolOk;
}

}  // namespace

void Cmd_film(CLI::App& tool, TToolRun& run) {
    CLI::App* cmd =
        tool.add_subcommand("film", "films (motion files with pictures): write and dump");
    cmd->require_subcommand(1);

    auto w = std::make_shared<WriteArgs>();
    CLI::App* write = cmd->add_subcommand("write", "writes a film");
    write->footer(
        "Frames: entries separated by ';' or line breaks, each a picture (a frame of the layered\n"
        "image, or - for none), then optionally ,dx,dy (where it stands) and *n (held for n\n"
        "frames); '#' starts a comment. Pictures and motions play at 60 frames a second,\n"
        "cinema objects at --rate. --emitter sets where particles showing the film appear\n"
        "(X,Y,W,H), how long the emitter waits between births (BASE plus below SPREAD ms) and\n"
        "the time it runs through at once (PREROLL ms).");
    AddArg(write, "OUT.lmt", w->out, "the film to write")->required();
    write->add_option("--pictures", w->pictures, "the layered image the pictures come from")
        ->type_name("PIC.qil");
    CLI::Option* frames =
        write->add_option("--frames", w->frames, "the frames")->type_name("\"pic,dx,dy*n;...\"");
    write->add_option("--frames-file", w->framesFile, "the frames, read from a file")
        ->type_name("FILE")
        ->excludes(frames);
    write->add_option("--rate", w->rate, "frames a second for cinema objects (60)")->type_name("N");
    write->add_option("--loop", w->loop, "the frame a repeating film goes back to")->type_name("L");
    write->add_option("--size", w->size, "the film's area (0,0: its first picture's)")
        ->type_name("W,H");
    write->add_option("--emitter", w->emitter, "where particles appear, how often, pre-roll")
        ->type_name("X,Y,W,H,BASE,SPREAD,PREROLL");
    write->callback([w, write, &run] {
        w->framesGiven = write->count("--frames") + write->count("--frames-file") > 0;
        run.status = Write(*w);
    });

    auto path = std::make_shared<std::string>();
    CLI::App* dump =
        cmd->add_subcommand("dump", "the film's header, then a line a frame: frame dx dy picture");
    AddArg(dump, "FILE.lmt", *path, "the film or motion file")->required();
    dump->callback([path, &run] { run.status = Dump(*path); });
}

}  // namespace vesk::tool
