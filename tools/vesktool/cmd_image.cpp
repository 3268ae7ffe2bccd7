// `vesktool image`: layered images to PNG and back.
//   image to-png FILE [OUTDIR] [--code N] [--first-frame] [--prepare]
//       writes frame000.png (RGB), frame000.mask.png (grey, 0 transparent) when the frame
//       has a mask, frame000.index.png (grey indices) for indexed frames, and frames.json
//   image to-qil OUT.qil [INPUT...] [--from DIR] [--layers] [writer options]
//       builds a layered image from pictures (PNG, BMP or layered images), each input one
//       frame or, with --layers, one layer of a single frame; --from DIR takes the frames
//       back from what to-png wrote there
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "app/value_json.h"
#include "base/cp932.h"
#include "base/error.h"
#include "base/stream.h"
#include "command_table.h"
#include "gfx/blit.h"
#include "gfx/picture_io.h"
#include "gfx/quil_codec.h"
#include "gfx/quil_frame_list.h"
#include "gfx/quil_writer.h"

namespace vesk::tool {

namespace {

using json = nlohmann::ordered_json;
namespace fs = std::filesystem;

int32_t Number(const std::string& text, const std::string& option) {
    return int32_t(NumberArg(text, option, INT32_MIN, UINT32_MAX));
}

// Any picture the frame list reads: layered images by magic or name, PNG, BMP.
void LoadPicture(TQuilFrameList& list, const std::string& path, bool firstOnly, bool retain,
                 bool prepare) {
    const std::vector<uint8_t> bytes = ReadWholeFile(path);
    if (list.LoadFromData(bytes.data(), bytes.size(), firstOnly, retain, prepare)) return;
    // Headerless old layered files have no magic.
    if (LowerAscii(fs::path(path).extension().string()) == ".qil") {
        return list.LoadFromBytes(bytes.data(), bytes.size(), firstOnly, retain, prepare);
    }
    Fail(path + ": not a layered image, PNG or BMP picture");
}

json Rects(const std::vector<TRect>& rects) {
    json a = json::array();
    for (const TRect& r : rects) a.push_back(json::array({r.left, r.top, r.right, r.bottom}));
    return a;
}

std::vector<TRect> RectsFrom(const json& a) {
    std::vector<TRect> out;
    for (const auto& r : a) {
        out.push_back(TRect{r.at(0).get<int32_t>(), r.at(1).get<int32_t>(), r.at(2).get<int32_t>(),
                            r.at(3).get<int32_t>()});
    }
    return out;
}

// The raw values of an 8-bit-or-less picture (indices or mask levels) one byte each.
std::vector<uint8_t> Bytes8(TDIBX& pic) {
    std::vector<uint8_t> out(size_t(pic.Width()) * size_t(pic.Height()));
    for (int32_t y = 0; y < pic.Height(); ++y) {
        const uint8_t* row = pic.PixelAddress(0, y);
        for (int32_t x = 0; x < pic.Width(); ++x) {
            out[size_t(y) * pic.Width() + x] = uint8_t(blit::ReadRaw(row, x, pic.BitCount()));
        }
    }
    return out;
}

void WriteGrey(TDIBX& pic, const fs::path& path) {
    const auto grey = Bytes8(pic);
    const auto png = quil::EncodePlainPng(pic.Width(), pic.Height(), 0, grey.data());
    WriteFileAtomic(path.string(), png.data(), png.size());
}

struct ToPngArgs {
    std::string file, outDir = ".", code;
    bool firstOnly = false, prepare = false;
};

int ToPng(const ToPngArgs& a) {
    const std::string& file = a.file;
    const std::string& outDir = a.outDir;
    const int32_t code = a.code.empty() ? 0 : Number(a.code, "--code");
    const bool firstOnly = a.firstOnly, prepare = a.prepare;
    TQuilFrameList list(code);
    LoadPicture(list, file, firstOnly, false, prepare);
    fs::create_directories(outDir);
    json frames = json::array();
    for (size_t i = 0; i < list.Count(); ++i) {
        TQuilFrame& f = list.FrameAt(i);
        char stem[32];
        std::snprintf(stem, sizeof stem, "frame%03zu", i);
        const fs::path base = fs::path(outDir) / stem;
        if (!f.Picture().IsEmpty()) {
            SavePngFile(f.Picture(), base.string() + ".png");
            if (f.Mask()) WriteGrey(*f.Mask(), base.string() + ".mask.png");
            if (f.BitCount() <= 8) WriteGrey(f.Picture(), base.string() + ".index.png");
        }
        json j;
        j["width"] = f.Width();
        j["height"] = f.Height();
        j["depth"] = f.BitCount();
        j["delay"] = f.delay;
        j["name"] = ToHex(f.name.data(), f.name.size());
        j["transparent"] = f.Transparent();
        j["mask"] = f.Mask() != nullptr;
        if (f.BitCount() <= 8) {
            TPalette pal;
            f.Picture().GetPalette(pal);
            j["palette"] = ToHex(pal.data(), size_t(f.Picture().PaletteSize()) * 4);
        }
        j["rects1"] = Rects(f.rects1);
        j["rects2"] = Rects(f.rects2);
        frames.push_back(std::move(j));
    }
    json out;
    out["version"] = list.version;
    out["background"] = list.backgroundColor;
    out["first_layer_opaque"] = list.firstLayerOpaque;
    out["frames"] = std::move(frames);
    const std::string text = out.dump(2) + "\n";
    WriteFileAtomic((fs::path(outDir) / "frames.json").string(), text.data(), text.size());
    return kToolOk;
}

// A grey PNG as the raw values of an 8-bit picture.
std::unique_ptr<TDIBX> ReadGrey(const fs::path& path, int32_t w, int32_t h) {
    const auto bytes = ReadWholeFile(path.string());
    auto pic = DecodePng(bytes.data(), bytes.size());
    if (pic->Width() != w || pic->Height() != h) Fail(path.string() + ": wrong size");
    auto out = std::make_unique<TDIBX>(w, h, 8);
    std::vector<uint32_t> rgb(static_cast<size_t>(w));
    for (int32_t y = 0; y < h; ++y) {
        pic->ReadRectRgb(TRect{0, y, w, y + 1}, rgb.data(), 0);
        for (int32_t x = 0; x < w; ++x) out->SetPixel(x, y, rgb[size_t(x)] & 255);
    }
    return out;
}

// Frames back from a folder written by to-png.
void LoadFolder(TQuilFrameList& list, const fs::path& dir) {
    const std::string text = [&] {
        const auto b = ReadWholeFile((dir / "frames.json").string());
        return std::string(b.begin(), b.end());
    }();
    const json doc = json::parse(text);
    list.backgroundColor = doc.value("background", 0);
    list.firstLayerOpaque = doc.value("first_layer_opaque", false);
    size_t i = 0;
    for (const auto& j : doc.at("frames")) {
        char stem[32];
        std::snprintf(stem, sizeof stem, "frame%03zu", i++);
        const fs::path base = dir / stem;
        const int32_t w = j.at("width"), h = j.at("height"), bits = j.at("depth");
        std::unique_ptr<TQuilFrame> f;
        {
            TQuilFrameList one;
            if (bits <= 8) {
                TQuilFrame& g = one.AddFrame(w, h, bits);
                const std::string pal = FromHex(j.at("palette").get<std::string>());
                g.Picture().SetPaletteEntries(reinterpret_cast<const TPaletteEntry*>(pal.data()), 0,
                                              int(pal.size() / 4));
                auto idx = ReadGrey(base.string() + ".index.png", w, h);
                for (int32_t y = 0; y < h; ++y) {
                    for (int32_t x = 0; x < w; ++x) g.Picture().SetPixel(x, y, idx->GetPixel(x, y));
                }
            } else {
                LoadPicture(one, base.string() + ".png", false, false, false);
                one.FrameAt(0).ConvertTo(bits);
            }
            f = one.ExtractFrame(0);
        }
        if (j.value("mask", false)) f->SetMask(ReadGrey(base.string() + ".mask.png", w, h));
        f->delay = j.value("delay", 100);
        f->name = FromHex(j.value("name", std::string()));
        f->SetTransparent(j.value("transparent", -1));
        if (j.contains("rects1")) f->rects1 = RectsFrom(j["rects1"]);
        if (j.contains("rects2")) f->rects2 = RectsFrom(j["rects2"]);
        list.AppendFrame(std::move(f));
    }
}

struct ToQilArgs {
    std::string out, from, compression, quality, tile, code, version, bits, delay, background;
    std::vector<std::string> inputs;
    bool layers = false, noRepeats = false, scramble = false, firstOpaque = false;
};

int ToQil(const ToQilArgs& a) {
    const std::string& out = a.out;
    const std::string& from = a.from;
    const std::vector<std::string>& inputs = a.inputs;
    const bool layers = a.layers, firstOpaque = a.firstOpaque;
    if (inputs.empty() && from.empty()) UsageError("give the pictures, or --from DIR");
    TQuilWriteOptions o;
    if (a.compression == "none")
        o.compression = TQuilCompression::None;
    else if (a.compression == "jpeg")
        o.compression = TQuilCompression::Jpeg;
    else if (!a.compression.empty())
        o.compression = TQuilCompression::Zlib;
    if (!a.quality.empty()) o.jpegQuality = Number(a.quality, "--quality");
    if (!a.tile.empty()) {
        const size_t x = a.tile.find('x');
        if (x == std::string::npos) UsageError("--tile takes WxH, not \"" + a.tile + "\"");
        o.tileWidth = Number(a.tile.substr(0, x), "--tile");
        o.tileHeight = Number(a.tile.substr(x + 1), "--tile");
    }
    o.repeatTiles = !a.noRepeats;
    o.scramble = a.scramble;
    const int32_t code = a.code.empty() ? 0 : Number(a.code, "--code");
    if (!a.version.empty()) o.version = Number(a.version, "--version");
    const int32_t bits = a.bits.empty() ? 0 : Number(a.bits, "--bits");
    const int32_t delay = a.delay.empty() ? -1 : Number(a.delay, "--delay");
    const bool backgroundSet = !a.background.empty();
    const int32_t background = backgroundSet ? Number(a.background, "--background") : 0;
    TQuilFrameList list(code);
    if (!from.empty()) LoadFolder(list, from);
    std::vector<std::unique_ptr<TQuilFrame>> pictures;
    for (const std::string& in : inputs) {
        TQuilFrameList one(code);
        LoadPicture(one, in, false, true, false);
        while (one.Count() > 0) {
            auto f = one.ExtractFrame(0);
            // Pictures decoded at 32 bits are stored at 24 unless asked otherwise.
            const int want = bits > 0 ? bits : f->BitCount() == 32 && f->LayerCount() == 0 ? 24 : 0;
            if (want > 0 && f->LayerCount() == 0) f->ConvertTo(want);
            if (f->name.empty() && f->LayerCount() == 0) {
                f->name = Utf8ToCp932(fs::path(in).stem().string());
            }
            pictures.push_back(std::move(f));
        }
    }
    if (layers && !pictures.empty()) {
        // Every picture becomes a layer of one frame the size and depth of the first.
        TQuilFrame& frame =
            list.AddFrame(pictures[0]->Width(), pictures[0]->Height(), pictures[0]->BitCount());
        if (frame.BitCount() <= 8) {
            TPalette pal;
            pictures[0]->Picture().GetPalette(pal);
            frame.Picture().SetPalette(pal);
        }
        for (auto& p : pictures) {
            if (p->Width() != frame.Width() || p->Height() != frame.Height()) {
                Fail("layers must all have the size of the first picture");
            }
            p->ConvertTo(frame.BitCount());
            TQuilLayer& l = frame.AddLayer();
            l.name = p->name;
            l.Picture().Assign(p->Picture());
            if (p->Mask()) {
                l.SetMask(std::make_unique<TDIBX>(p->Width(), p->Height(), 8));
                l.Mask()->Assign(*p->Mask());
                l.maskEnabled = true;
            } else {
                l.transparentColor = p->Transparent();
            }
        }
    } else {
        for (auto& p : pictures) list.AppendFrame(std::move(p));
    }
    for (size_t i = 0; i < list.Count(); ++i) {
        if (delay >= 0) list.FrameAt(i).delay = delay;
    }
    if (backgroundSet) list.backgroundColor = background;
    if (firstOpaque) list.firstLayerOpaque = true;
    TQuilWriter(o).SaveToFile(list, out);
    return kToolOk;
}

}  // namespace

void Cmd_image(CLI::App& tool, TToolRun& run) {
    CLI::App* cmd = tool.add_subcommand("image", "layered images to PNG and back");
    cmd->require_subcommand(1);

    auto p = std::make_shared<ToPngArgs>();
    CLI::App* toPng = cmd->add_subcommand(
        "to-png",
        "frames as frame000.png (with .mask.png and .index.png where they apply) and "
        "frames.json");
    AddArg(toPng, "FILE", p->file, "a layered image, PNG or BMP")->required();
    AddArg(toPng, "OUTDIR", p->outDir, "the folder to write into")->capture_default_str();
    toPng->add_option("--code", p->code, "the image code that unscrambles the picture")
        ->type_name("N");
    toPng->add_flag("--first-frame", p->firstOnly, "the first frame only");
    toPng->add_flag("--prepare", p->prepare, "decode as the player prepares pictures for drawing");
    toPng->callback([p, &run] { run.status = ToPng(*p); });

    auto q = std::make_shared<ToQilArgs>();
    CLI::App* toQil = cmd->add_subcommand(
        "to-qil",
        "a layered image from pictures (PNG, BMP or layered), each one frame or, with --layers, "
        "one layer of a single frame");
    AddArg(toQil, "OUT.qil", q->out, "the layered image to write")->required();
    AddArg(toQil, "INPUT", q->inputs, "the pictures");
    toQil->add_option("--from", q->from, "take the frames back from what to-png wrote there")
        ->type_name("DIR");
    toQil->add_flag("--layers", q->layers, "the pictures are the layers of one frame");
    toQil->add_option("--compression", q->compression, "how tiles are stored")
        ->check(CLI::IsMember({"zlib", "none", "jpeg"}));
    toQil->add_option("--quality", q->quality, "JPEG quality")->type_name("N");
    toQil->add_option("--tile", q->tile, "tile size")->type_name("WxH");
    toQil->add_flag("--no-repeats", q->noRepeats, "store repeated tiles again");
    toQil->add_flag("--scramble", q->scramble, "scramble the picture with --code");
    toQil->add_option("--code", q->code, "the image code")->type_name("N");
    toQil->add_option("--version", q->version, "the format version to write")->type_name("N");
    toQil->add_option("--bits", q->bits, "the depth of the frames")->type_name("N");
    toQil->add_option("--delay", q->delay, "every frame's delay")->type_name("MS");
    toQil->add_option("--background", q->background, "the background colour")
        ->type_name("0xBBGGRR");
    toQil->add_flag("--first-layer-opaque", q->firstOpaque, "the first layer covers the frame");
    toQil->callback([q, &run] { run.status = ToQil(*q); });
}

}  // namespace vesk::tool
