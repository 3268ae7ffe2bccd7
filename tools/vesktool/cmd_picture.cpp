// `vesktool picture`: look at and convert BMP and PNG pictures.
//   picture info FILE                 size, depth and colour-table size
//   picture convert IN OUT [--bits N] reads IN at depth N (default 32) and writes OUT as
//                                     PNG, or as 24-bit BMP when OUT ends in ".bmp"
#include <cstdio>
#include <memory>
#include <string>

#include "base/cp932.h"
#include "base/error.h"
#include "base/stream.h"
#include "command_table.h"
#include "gfx/dibx.h"
#include "gfx/picture_io.h"

namespace vesk::tool {

namespace {

std::unique_ptr<TDIBX> Decode(const std::string& path) {
    const std::vector<uint8_t> bytes = ReadWholeFile(path);
    switch (SniffPicture(bytes.data(), bytes.size())) {
        case PictureKind::Bmp:
            return DecodeBmp(bytes.data(), bytes.size());
        case PictureKind::Png:
            return DecodePng(bytes.data(), bytes.size());
        case PictureKind::Quil:
            Fail(path + ": layered images are not read by this command");
        case PictureKind::Unknown:
            break;
    }
    Fail(path + ": not a BMP or PNG picture");
}

int Info(const std::string& path) {
    auto pic = Decode(path);
    std::printf("%d x %d, %d bits", pic->Width(), pic->Height(), pic->BitCount());
    if (pic->PaletteSize()) std::printf(", %d colours", pic->PaletteSize());
    std::printf("\n");
    return kToolOk;
}

int Convert(const std::string& in, const std::string& out, int bits) {
    TDIBX surface(1, 1, bits);
    FileStream stream(in, FileStream::Mode::Read);
    if (!surface.LoadFromStream(stream)) Fail(in + ": not a BMP or PNG picture");
    if (!surface.SaveToFile(out)) SavePngFile(surface, out);
    return kToolOk;
}

}  // namespace

void Cmd_picture(CLI::App& tool, TToolRun& run) {
    CLI::App* cmd = tool.add_subcommand("picture", "BMP and PNG pictures: look at and convert");
    cmd->require_subcommand(1);
    struct Args {
        std::string in, out;
        int bits = 32;
    };
    auto a = std::make_shared<Args>();

    CLI::App* info = cmd->add_subcommand("info", "size, depth and colours of a BMP or PNG");
    AddArg(info, "FILE", a->in, "the picture")->required();
    info->callback([a, &run] { run.status = Info(a->in); });

    CLI::App* convert = cmd->add_subcommand(
        "convert", "reads IN at a depth and writes OUT as PNG, or as 24-bit BMP for \".bmp\"");
    AddArg(convert, "IN", a->in, "the picture to read")->required();
    AddArg(convert, "OUT", a->out, "the picture to write")->required();
    convert->add_option("--bits", a->bits, "the depth to read at")
        ->check(CLI::IsMember({8, 15, 16, 24, 32}))
        ->capture_default_str();
    convert->callback([a, &run] { run.status = Convert(a->in, a->out, a->bits); });
}

}  // namespace vesk::tool
