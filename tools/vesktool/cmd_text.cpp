// `vesktool text render`: a tagged message text laid out and drawn, for checking how a
// game's text will look.
//   text render FILE.txt OUT.png [--width N] [--font NAME] [--size N] [--antialias N]
//                                [--border N] [--shadow N]
// FILE is CP932 or UTF-8. The first page is written fully revealed, black text on white
// (outlines grey), as a PNG. Inline pictures are looked for beside FILE.
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "base/cp932.h"
#include "base/error.h"
#include "base/stream.h"
#include "command_table.h"
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

struct RenderArgs {
    std::string in, out, font, width, size, antialias, border, shadow;
};

int Render(const RenderArgs& a) {
    const std::string& in = a.in;
    const std::string& out = a.out;
    TTextRenderOptions o;
    if (!a.width.empty()) o.Width = int32_t(NumberArg(a.width, "--width", 0, 1000000));
    if (!a.size.empty()) o.FontSize = int32_t(NumberArg(a.size, "--size", 1, kMaxFontSize));
    if (!a.antialias.empty()) o.Antialias = int32_t(NumberArg(a.antialias, "--antialias", 0, 3));
    if (!a.border.empty()) o.Border = int32_t(NumberArg(a.border, "--border", 0, 1000000));
    if (!a.shadow.empty()) o.Shadow = int32_t(NumberArg(a.shadow, "--shadow", 0, 1000000));
    if (!a.font.empty()) o.FontName = Utf8ToCp932(a.font);
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
    return kToolOk;
}

}  // namespace

void Cmd_text(CLI::App& tool, TToolRun& run) {
    CLI::App* cmd = tool.add_subcommand("text", "message texts: render");
    cmd->require_subcommand(1);
    auto a = std::make_shared<RenderArgs>();
    CLI::App* render =
        cmd->add_subcommand("render", "lays out a tagged text and writes its first page");
    render->footer(
        "FILE is CP932 or UTF-8. The first page is written fully revealed, black text on white\n"
        "(outlines grey), as a PNG. Inline pictures are looked for beside FILE.");
    AddArg(render, "FILE.txt", a->in, "the tagged text")->required();
    AddArg(render, "OUT.png", a->out, "the picture to write")->required();
    render->add_option("--width", a->width, "the page width in pixels (0: as wide as needed)")
        ->type_name("N");
    render->add_option("--font", a->font, "the face name, as a game names it")->type_name("NAME");
    render->add_option("--size", a->size, "the font size in pixels")->type_name("N");
    render->add_option("--antialias", a->antialias, "the anti-alias level 0..3")->type_name("N");
    render->add_option("--border", a->border, "the outline width")->type_name("N");
    render->add_option("--shadow", a->shadow, "the shadow offset")->type_name("N");
    render->callback([a, &run] { run.status = Render(*a); });
}

}  // namespace vesk::tool
