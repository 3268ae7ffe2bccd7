// `vesktool region write OUT (--regions TEXT | --regions-file F)` writes a map image's region
// file from text, one region a line ("rect NAME L T R B", "ellipse NAME L T R B",
// "polygon NAME X,Y X,Y X,Y ..."); `vesktool region dump FILE` prints one in that form;
// `vesktool region hit FILE X Y` names the region holding a pixel.
#include <cstdio>
#include <memory>
#include <string>

#include "base/cp932.h"
#include "base/error.h"
#include "base/stream.h"
#include "command_table.h"
#include "display/map_regions.h"

namespace vesk::tool {

namespace {

struct WriteArgs {
    std::string out, regions, regionsFile;
    bool given = false;
};

int Write(const WriteArgs& a) {
    if (!a.given) UsageError("give --regions or --regions-file");
    std::string text = a.regions;
    if (!a.regionsFile.empty()) {
        const auto bytes = ReadWholeFile(a.regionsFile);
        text.assign(bytes.begin(), bytes.end());
    }
    // Names are written as the game reads them: CP932.
    TMapRegions regions = ParseRegionText(text);
    for (TMapRegion& g : regions) g.Name = Utf8ToCp932(g.Name);
    const auto bytes = WriteRegionFile(regions);
    WriteFileAtomic(a.out, bytes.data(), bytes.size());
    std::printf("%s: %zu regions\n", a.out.c_str(), regions.size());
    return kToolOk;
}

void Print(const TMapRegion& g) {
    const std::string name = Cp932ToUtf8(g.Name);
    switch (g.Shape) {
        case RegionShape::Rect:
        case RegionShape::Ellipse:
            std::printf("%s %s %d %d %d %d\n", g.Shape == RegionShape::Rect ? "rect" : "ellipse",
                        name.c_str(), g.Left, g.Top, g.Right, g.Bottom);
            return;
        case RegionShape::Polygon:
            std::printf("polygon %s", name.c_str());
            for (const auto& p : g.Points) std::printf(" %d,%d", p.X, p.Y);
            std::printf("\n");
            return;
    }
}

int Dump(const std::string& path) {
    for (const TMapRegion& g : ReadRegionFile(ReadWholeFile(path))) Print(g);
    return kToolOk;
}

int Hit(const std::string& path, const std::string& x, const std::string& y) {
    const TMapRegions regions = ReadRegionFile(ReadWholeFile(path));
    const int32_t i = RegionAt(regions, int32_t(NumberArg(x, "X", INT32_MIN, INT32_MAX)),
                               int32_t(NumberArg(y, "Y", INT32_MIN, INT32_MAX)));
    if (i < 0)
        std::printf("-1\n");
    else
        std::printf("%d %s\n", i, Cp932ToUtf8(regions[size_t(i)].Name).c_str());
    return kToolOk;
}

}  // namespace

void Cmd_region(CLI::App& tool, TToolRun& run) {
    CLI::App* cmd = tool.add_subcommand("region", "region files of map images: write, dump, hit");
    cmd->require_subcommand(1);

    auto w = std::make_shared<WriteArgs>();
    CLI::App* write = cmd->add_subcommand("write", "writes a region file from text");
    write->footer(
        "One region a line: rect NAME LEFT TOP RIGHT BOTTOM, ellipse NAME LEFT TOP RIGHT BOTTOM\n"
        "(inclusive bounds), or polygon NAME X,Y X,Y X,Y ... (a pixel is inside when its\n"
        "centre is); '#' starts a comment. A point in several regions belongs to the first.");
    AddArg(write, "OUT", w->out, "the region file to write")->required();
    CLI::Option* regions =
        write->add_option("--regions", w->regions, "the regions, as text")->type_name("TEXT");
    write->add_option("--regions-file", w->regionsFile, "the regions, read from a text file")
        ->type_name("FILE")
        ->excludes(regions);
    write->callback([w, write, &run] {
        w->given = write->count("--regions") + write->count("--regions-file") > 0;
        run.status = Write(*w);
    });

    auto path = std::make_shared<std::string>();
    CLI::App* dump = cmd->add_subcommand("dump", "prints the regions as text");
    AddArg(dump, "FILE", *path, "the region file")->required();
    dump->callback([path, &run] { run.status = Dump(*path); });

    struct HitArgs {
        std::string path, x, y;
    };
    auto h = std::make_shared<HitArgs>();
    CLI::App* hit =
        cmd->add_subcommand("hit", "the region holding a pixel: its index and name, or -1");
    AddArg(hit, "FILE", h->path, "the region file")->required();
    AddArg(hit, "X", h->x, "the pixel's column")->required();
    AddArg(hit, "Y", h->y, "the pixel's row")->required();
    hit->callback([h, &run] { run.status = Hit(h->path, h->x, h->y); });
}

}  // namespace vesk::tool
