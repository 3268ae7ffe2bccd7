// `vesktool picture`: look at and convert BMP and PNG pictures.
//   picture info FILE                 size, depth and colour-table size
//   picture convert IN OUT [--bits N] reads IN at depth N (default 32) and writes OUT as
//                                     PNG, or as 24-bit BMP when OUT ends in ".bmp"
#include <cstdio>
#include <cstring>
#include <string>

#include "base/cp932.h"
#include "base/error.h"
#include "base/stream.h"
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

int Usage() {
    std::fprintf(stderr,
                 "usage: vesktool picture info FILE\n"
                 "       vesktool picture convert IN OUT [--bits 8|15|16|24|32]\n");
    return 2;
}

}  // namespace

int Cmd_picture(int argc, char** argv) {
    if (argc < 3) return Usage();
    const std::string verb = argv[1];
    if (verb == "info" && argc == 3) {
        auto pic = Decode(argv[2]);
        std::printf("%d x %d, %d bits", pic->Width(), pic->Height(), pic->BitCount());
        if (pic->PaletteSize()) std::printf(", %d colours", pic->PaletteSize());
        std::printf("\n");
        return 0;
    }
    if (verb == "convert" && argc >= 4) {
        int bits = 32;
        for (int i = 4; i < argc; ++i) {
            if (std::strcmp(argv[i], "--bits") == 0 && i + 1 < argc) {
                bits = std::atoi(argv[++i]);
            } else {
                return Usage();
            }
        }
        TDIBX surface(1, 1, bits);
        FileStream in(argv[2], FileStream::Mode::Read);
        if (!surface.LoadFromStream(in)) Fail(std::string(argv[2]) + ": not a BMP or PNG picture");
        const std::string out = argv[3];
        if (!surface.SaveToFile(out)) SavePngFile(surface, out);
        return 0;
    }
    return Usage();
}

}  // namespace vesk::tool
