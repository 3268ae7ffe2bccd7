// `vesktool paint FILE OUT.png [--at MS]`: a look at a painted picture (".vpic") or at one
// frame of a video clip written as text (".wmv.txt") without building the game. Transparent
// parts show over a grey checkerboard.
#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

#include "base/cp932.h"
#include "base/error.h"
#include "base/stream.h"
#include "command_table.h"
#include "gfx/dibx.h"
#include "gfx/picture_io.h"
#include "scriptc/picture_paint.h"
#include "scriptc/video_source.h"

namespace vesk::tool {

namespace {

bool EndsWith(const std::string& s, const std::string& tail) {
    return s.size() > tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

int Paint(const std::string& in, const std::string& out, int atMs) {
    const std::vector<uint8_t> bytes = ReadWholeFile(in);
    const std::string text(bytes.begin(), bytes.end());
    const std::string name = LowerAscii(in);
    scriptc::PaintedPicture pic;
    if (EndsWith(name, ".wmv.txt")) {
        const scriptc::VideoSource clip(in, text);
        const int frame = int(std::lround(double(atMs) * clip.Fps() / 1000));
        pic = clip.Frame(std::min(frame, clip.Frames() - 1));
    } else if (EndsWith(name, scriptc::kPaintedPictureExt)) {
        try {
            pic = scriptc::PaintPicture(text);
        } catch (const VeskError& e) {
            Fail(in + ": " + e.what());
        }
    } else {
        UsageError(in + ": not a painted picture (.vpic) or a video clip (.wmv.txt)");
    }
    TDIBX surface(pic.Width, pic.Height, 32);
    for (int32_t y = 0; y < pic.Height; ++y)
        for (int32_t x = 0; x < pic.Width; ++x) {
            const uint32_t p = pic.Pixels[size_t(y) * size_t(pic.Width) + size_t(x)];
            const uint32_t a = p >> 24, ground = ((x / 8 + y / 8) % 2) ? 0x9A : 0x66;
            uint32_t rgb = 0;
            for (int sh = 0; sh < 24; sh += 8)
                rgb |= (((p >> sh) & 255) * a + ground * (255 - a) + 127) / 255 << sh;
            surface.SetPixel(x, y, rgb);
        }
    SavePngFile(surface, out);
    return kToolOk;
}

}  // namespace

void Cmd_paint(CLI::App& tool, TToolRun& run) {
    CLI::App* cmd = tool.add_subcommand(
        "paint", "a painted picture (.vpic) or a frame of a video clip (.wmv.txt) as PNG");
    struct Args {
        std::string in, out;
        int at = 0;
    };
    auto a = std::make_shared<Args>();
    AddArg(cmd, "FILE", a->in, "the description")->required();
    AddArg(cmd, "OUT", a->out, "the PNG to write")->required();
    cmd->add_option("--at", a->at, "for a video clip: the time of the frame in ms")
        ->check(CLI::Range(0, 60000))
        ->capture_default_str();
    cmd->callback([a, &run] { run.status = Paint(a->in, a->out, a->at); });
}

}  // namespace vesk::tool
