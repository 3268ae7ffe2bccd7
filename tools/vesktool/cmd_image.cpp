// `vesktool image`: layered images to PNG and back.
//   image to-png FILE [OUTDIR] [--code N] [--first-frame] [--prepare]
//       writes frame000.png (RGB), frame000.mask.png (grey, 0 transparent) when the frame
//       has a mask, frame000.index.png (grey indices) for indexed frames, and frames.json
//   image to-qil OUT.qil [INPUT...] [--from DIR] [--layers] [writer options]
//       builds a layered image from pictures (PNG, BMP or layered images), each input one
//       frame or, with --layers, one layer of a single frame; --from DIR takes the frames
//       back from what to-png wrote there
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "app/value_json.h"
#include "base/cp932.h"
#include "base/error.h"
#include "base/stream.h"
#include "gfx/blit.h"
#include "gfx/picture_io.h"
#include "gfx/quil_codec.h"
#include "gfx/quil_frame_list.h"
#include "gfx/quil_writer.h"

namespace vesk::tool {

namespace {

using json = nlohmann::ordered_json;
namespace fs = std::filesystem;

int Usage() {
    std::fprintf(stderr,
                 "usage: vesktool image to-png FILE [OUTDIR] [--code N] [--first-frame] "
                 "[--prepare]\n"
                 "       vesktool image to-qil OUT.qil [INPUT...] [--from DIR] [--layers]\n"
                 "           [--compression zlib|none|jpeg] [--quality N] [--tile WxH]\n"
                 "           [--no-repeats] [--scramble --code N] [--version N] [--bits N]\n"
                 "           [--delay MS] [--background 0xBBGGRR] [--first-layer-opaque]\n");
    return 2;
}

int32_t Number(const char* text) {
    char* end = nullptr;
    const long long v = std::strtoll(text, &end, 0);
    if (!*text || *end || v < INT32_MIN || v > UINT32_MAX) {
        Fail(std::string("not a number: ") + text);
    }
    return int32_t(v);
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

int ToPng(const std::vector<std::string>& args) {
    std::string file, outDir = ".";
    int32_t code = 0;
    bool firstOnly = false, prepare = false;
    int positional = 0;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--code" && i + 1 < args.size()) {
            code = Number(args[++i].c_str());
        } else if (a == "--first-frame") {
            firstOnly = true;
        } else if (a == "--prepare") {
            prepare = true;
        } else if (a.rfind("--", 0) == 0 || positional >= 2) {
            return Usage();
        } else {
            (positional++ == 0 ? file : outDir) = a;
        }
    }
    if (file.empty()) return Usage();
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
    return 0;
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

int ToQil(const std::vector<std::string>& args) {
    std::string out, from;
    std::vector<std::string> inputs;
    TQuilWriteOptions o;
    int32_t code = 0, bits = 0, delay = -1, background = 0;
    bool layers = false, firstOpaque = false, backgroundSet = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool more = i + 1 < args.size();
        if (a == "--from" && more) {
            from = args[++i];
        } else if (a == "--layers") {
            layers = true;
        } else if (a == "--compression" && more) {
            const std::string c = args[++i];
            if (c == "zlib") {
                o.compression = TQuilCompression::Zlib;
            } else if (c == "none") {
                o.compression = TQuilCompression::None;
            } else if (c == "jpeg") {
                o.compression = TQuilCompression::Jpeg;
            } else {
                return Usage();
            }
        } else if (a == "--quality" && more) {
            o.jpegQuality = Number(args[++i].c_str());
        } else if (a == "--tile" && more) {
            const std::string t = args[++i];
            const size_t x = t.find('x');
            if (x == std::string::npos) return Usage();
            o.tileWidth = Number(t.substr(0, x).c_str());
            o.tileHeight = Number(t.substr(x + 1).c_str());
        } else if (a == "--no-repeats") {
            o.repeatTiles = false;
        } else if (a == "--scramble") {
            o.scramble = true;
        } else if (a == "--code" && more) {
            code = Number(args[++i].c_str());
        } else if (a == "--version" && more) {
            o.version = Number(args[++i].c_str());
        } else if (a == "--bits" && more) {
            bits = Number(args[++i].c_str());
        } else if (a == "--delay" && more) {
            delay = Number(args[++i].c_str());
        } else if (a == "--background" && more) {
            background = Number(args[++i].c_str());
            backgroundSet = true;
        } else if (a == "--first-layer-opaque") {
            firstOpaque = true;
        } else if (a.rfind("--", 0) == 0) {
            return Usage();
        } else if (out.empty()) {
            out = a;
        } else {
            inputs.push_back(a);
        }
    }
    if (out.empty() || (inputs.empty() && from.empty())) return Usage();
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
    return 0;
}

}  // namespace

int Cmd_image(int argc, char** argv) {
    if (argc < 3) return Usage();
    const std::string verb = argv[1];
    const std::vector<std::string> args(argv + 2, argv + argc);
    if (verb == "to-png") return ToPng(args);
    if (verb == "to-qil") return ToQil(args);
    return Usage();
}

}  // namespace vesk::tool
