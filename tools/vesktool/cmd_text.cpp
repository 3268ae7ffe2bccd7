// `vesktool text render`: a tagged message text laid out and drawn, for checking how a
// game's text will look.
//   text render FILE.txt OUT.png [--width N] [--font NAME] [--size N] [--antialias N]
//                                [--border N] [--shadow N]
// FILE is CP932 or UTF-8. The first page is written fully revealed, black text on white
// (outlines grey), as a PNG. Inline pictures are looked for beside FILE.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "base/cp932.h"
#include "base/error.h"
#include "base/stream.h"
#include "display/quil_collection.h"
#include "gfx/picture_io.h"
#include "platform/posix_file_system.h"
#include "text/font_pixels.h"
#include "text/text_render.h"
#include "vars/param_collection.h"
#include "vars/sys_func.h"
#include "vfs/vr_file_manager.h"

namespace vesk::tool {

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: vesktool text render FILE.txt OUT.png [--width N] [--font NAME] "
                 "[--size N] [--antialias 0-3] [--border N] [--shadow N]\n");
    return 2;
}

bool IntArg(const char* text, int32_t& out) {
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (!end || *end || end == text || v < -1000000 || v > 1000000) return false;
    out = int32_t(v);
    return true;
}

}  // namespace

int Cmd_text(int argc, char** argv) {
    if (argc < 4 || std::strcmp(argv[1], "render") != 0) return Usage();
    const std::string in = argv[2], out = argv[3];
    TTextRenderOptions o;
    for (int i = 4; i < argc; ++i) {
        const std::string opt = argv[i];
        if (i + 1 >= argc) return Usage();
        const char* v = argv[++i];
        bool ok = true;
        if (opt == "--width")
            ok = IntArg(v, o.Width) && o.Width >= 0;
        else if (opt == "--size")
            ok = IntArg(v, o.FontSize) && o.FontSize > 0 && o.FontSize <= kMaxFontSize;
        else if (opt == "--antialias")
            ok = IntArg(v, o.Antialias) && o.Antialias >= 0 && o.Antialias <= 3;
        else if (opt == "--border")
            ok = IntArg(v, o.Border) && o.Border >= 0;
        else if (opt == "--shadow")
            ok = IntArg(v, o.Shadow) && o.Shadow >= 0;
        else if (opt == "--font")
            o.FontName = Utf8ToCp932(v);
        else
            return Usage();
        if (!ok) {
            std::fprintf(stderr, "vesktool text: bad value for %s: %s\n", opt.c_str(), v);
            return 2;
        }
    }
    const std::vector<std::string> lines = TextFileLines(ReadWholeFile(in));

    // Pictures named by IMG tags come from the text file's folder; VARs evaluate against an
    // empty set of variables.
    TPosixFileSystem hostFs;
    std::error_code ec;
    const std::string temp = std::filesystem::temp_directory_path(ec).string();
    TVrFileManager files(hostFs, ec ? "/tmp" : temp);
    std::string folder = std::filesystem::path(in).parent_path().string();
    files.SetBaseFolder(folder.empty() ? "." : folder);
    TQuilCollection images(files);
    TParamCollection store;
    TSysFuncMan funcs(store);
    TFontPixelManager fonts;
    TTextServices services{
        .Fonts = &fonts, .Images = &images, .Files = &files, .Store = &store, .Funcs = &funcs};
    auto page = RenderTextPage(lines, o, services);
    SavePngFile(*page, out);
    std::printf("%s: %d x %d\n", out.c_str(), page->Width(), page->Height());
    return 0;
}

}  // namespace vesk::tool
