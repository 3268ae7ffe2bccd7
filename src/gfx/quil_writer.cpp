#include "gfx/quil_writer.h"

#include <cstring>
#include <memory>
#include <unordered_map>

#include "base/cp932.h"
#include "base/error.h"
#include "base/stream.h"
#include "gfx/quil_codec.h"

namespace vesk {

namespace {

// A layer as written: a frame without layers is written as one layer of its own picture.
struct LayerView {
    std::string name;
    bool visible = true;
    int32_t transparent = -1;
    int32_t opacity = 255;
    bool maskEnabled = false;
    TDIBX* picture = nullptr;
    TDIBX* mask = nullptr;
};

// The planes already written, which later tiles may copy from.
struct WrittenLayer {
    TDIBX* picture;
    TDIBX* mask;
};

uint64_t HashBytes(const uint8_t* p, size_t n, int32_t w, int32_t h) {
    uint64_t hash = 1469598103934665603ull ^ (uint64_t(uint32_t(w)) << 32 | uint32_t(h));
    for (size_t i = 0; i < n; ++i) hash = (hash ^ p[i]) * 1099511628211ull;
    return hash;
}

class PlaneWriter {
  public:
    PlaneWriter(const TQuilWriteOptions& o, int32_t code) : o_(o), code_(code) {}

    void WriteList(TQuilFrameList& list, StreamWriter& w) {
        const int32_t v = o_.version;
        if (v > 0) {
            const char magic[7] = {'Q',
                                   'u',
                                   'i',
                                   'l',
                                   char('0' + v / 100 % 10),
                                   char('0' + v / 10 % 10),
                                   char('0' + v % 10)};
            w.Raw(magic, 7);
        }
        const int32_t count = int32_t(list.Count());
        if (v < 103) {
            w.I32(count);
            w.U8(0);
            if (v > 101) w.I32(list.backgroundColor);
        } else {
            const TQuilFrame* f0 = count > 0 ? &list.FrameAt(0) : nullptr;
            w.I32(40);
            w.I32(v);
            w.I32(f0 ? f0->Width() : 0);
            w.I32(f0 ? f0->Height() : 0);
            w.I32(f0 ? f0->BitCount() : 0);
            w.I32(count);
            w.U8(1);
            w.U8(o_.scramble ? 1 : 0);
            w.U8(uint8_t(o_.compression));
            w.U8(0);
            w.I32(list.backgroundColor);
            w.I32(Tiled() ? o_.tileWidth : 0);
            w.I32(Tiled() ? o_.tileHeight : 0);
            w.U8(list.firstLayerOpaque ? 1 : 0);
            w.U8(uint8_t(std::clamp(o_.jpegQuality, 0, 100)));
            w.U16(0);
        }
        for (int32_t i = 0; i < count; ++i) WriteFrame(list.FrameAt(size_t(i)), w);
    }

  private:
    bool Tiled() const { return o_.tileWidth > 0 && o_.tileHeight > 0; }

    void WriteFrame(TQuilFrame& f, StreamWriter& w) {
        std::vector<LayerView> layers;
        for (size_t i = 0; i < f.LayerCount(); ++i) {
            TQuilLayer& l = f.LayerAt(i);
            layers.push_back(LayerView{l.name, l.visible, l.transparentColor, l.opacity,
                                       l.maskEnabled, &l.Picture(), l.Mask()});
        }
        if (layers.empty()) {
            layers.push_back(
                LayerView{"", true, -1, 255, f.Mask() != nullptr, &f.Picture(), f.Mask()});
        }
        w.Str(f.name);
        w.I32(f.Transparent());
        w.I32(f.delay);
        w.U8(0);
        w.I32(0);
        w.I32(int32_t(layers.size()));
        w.I32(f.Width());
        w.I32(f.Height());
        w.I32(f.BitCount());
        if (f.BitCount() <= 8) {
            const int n = 1 << f.BitCount();
            TPaletteEntry pal[256];
            f.Picture().GetPaletteEntries(pal, 0, n);
            for (int i = 0; i < n; ++i) pal[i].reserved = 0;
            w.Raw(pal, size_t(n) * 4);
        }
        written_.emplace_back();
        for (size_t i = 0; i < layers.size(); ++i) WriteLayer(f, layers[i], w);
        if (o_.version >= 104) {
            for (const auto* list : {&f.rects1, &f.rects2}) {
                w.I32(int32_t(list->size()));
                for (const TRect& r : *list) {
                    w.I32(r.left);
                    w.I32(r.top);
                    w.I32(r.right);
                    w.I32(r.bottom);
                }
            }
        }
    }

    // The picture at the frame's size and depth (converted when it is not).
    TDIBX* Fit(TDIBX* pic, const TQuilFrame& f, int bits) {
        if (pic->Width() != f.Width() || pic->Height() != f.Height()) {
            Fail("layered image: a layer is not the size of its frame");
        }
        if (pic->BitCount() == bits) return pic;
        auto c = std::make_unique<TDIBX>(pic->Width(), pic->Height(), bits);
        if (bits <= 8 && f.Picture().PaletteSize() > 0) {
            TPalette pal;
            const_cast<TDIBX&>(f.Picture()).GetPalette(pal);
            c->SetPalette(pal);
        }
        c->Draw(0, 0, pic->BoundsRect(), *pic);
        owned_.push_back(std::move(c));
        return owned_.back().get();
    }

    void WriteLayer(TQuilFrame& f, const LayerView& l, StreamWriter& w) {
        w.I32(0);
        w.I32(0);
        w.U8(l.visible ? 1 : 0);
        w.I32(l.transparent);
        w.I32(l.opacity);
        if (o_.version > 100) w.U8(l.maskEnabled ? 1 : 0);
        w.Str(l.name);
        TDIBX* pic = Fit(l.picture, f, f.BitCount());
        TDIBX* mask = l.mask && o_.version > 99 ? Fit(l.mask, f, 8) : nullptr;
        WriteBlock(w, EncodePlane(*pic, false));
        if (o_.version > 99)
            WriteBlock(w, mask ? EncodePlane(*mask, true) : std::vector<uint8_t>{});
        written_.back().push_back(WrittenLayer{pic, mask});
    }

    static void WriteBlock(StreamWriter& w, const std::vector<uint8_t>& b) {
        w.I32(int32_t(b.size()));
        w.Raw(b.data(), b.size());
    }

    std::vector<uint8_t> EncodePlane(TDIBX& pic, bool isMask) {
        const bool jpeg = o_.compression == TQuilCompression::Jpeg;
        if (o_.version > 102 && jpeg && !isMask) return quil::EncodeJpeg(pic, o_.jpegQuality);
        const bool compressed = o_.compression == TQuilCompression::Zlib || (isMask && jpeg);
        const bool scramble = o_.scramble && !jpeg;
        std::vector<uint8_t> raw = o_.version > 102 && Tiled() && !jpeg
                                       ? TiledPlane(pic, isMask, scramble)
                                       : RowPlane(pic, scramble);
        return compressed ? quil::Deflate(raw.data(), raw.size(), o_.zlibLevel) : raw;
    }

    std::vector<uint8_t> RowPlane(TDIBX& pic, bool scramble) {
        const size_t pitch = size_t(pic.Pitch());
        const int32_t h = pic.Height();
        std::vector<uint8_t> out(pitch * size_t(h));
        std::vector<int32_t> order;
        if (scramble) order = quil::ScrambleOrder(code_, h);
        for (int32_t i = 0; i < h; ++i) {
            const int32_t row = scramble ? order[size_t(i)] : i;
            std::memcpy(out.data() + size_t(i) * pitch, pic.PixelAddress(0, row), pitch);
        }
        return out;
    }

    // An earlier plane of the same kind holding the same pixels at this tile: its frame
    // and layer, or false.
    bool FindEarlier(const TRect& t, const std::vector<uint8_t>& bytes, bool isMask, int bits,
                     int32_t& frame, int32_t& layer) {
        std::vector<uint8_t> other(bytes.size());
        for (size_t fi = written_.size(); fi-- > 0;) {
            for (size_t li = 0; li < written_[fi].size(); ++li) {
                TDIBX* p = isMask ? written_[fi][li].mask : written_[fi][li].picture;
                if (!p || p->BitCount() != bits || t.right > p->Width() || t.bottom > p->Height()) {
                    continue;
                }
                quil::PackRect(*p, t, other.data());
                if (other == bytes) {
                    frame = int32_t(fi), layer = int32_t(li);
                    return true;
                }
            }
        }
        return false;
    }

    std::vector<uint8_t> TiledPlane(TDIBX& pic, bool isMask, bool scramble) {
        const quil::TileGrid grid(pic.Width(), pic.Height(), o_.tileWidth, o_.tileHeight);
        const int bits = pic.BitCount();
        const int32_t count = grid.Count();
        std::vector<std::pair<int32_t, int32_t>> dir(size_t(count), {-1, 0});
        std::vector<uint8_t> data;
        std::vector<std::vector<uint8_t>> tiles(static_cast<size_t>(count));
        std::unordered_multimap<uint64_t, int32_t> seen;
        for (int32_t p = 0; p < count; ++p) {
            const TRect t = grid.Tile(p);
            std::vector<uint8_t>& bytes = tiles[size_t(p)];
            bytes.resize(quil::PackedRowBytes(t.Width(), bits) * size_t(t.Height()));
            quil::PackRect(pic, t, bytes.data());
            const uint64_t hash = HashBytes(bytes.data(), bytes.size(), t.Width(), t.Height());
            bool found = false, repeat = false;
            if (o_.repeatTiles) {
                auto range = seen.equal_range(hash);
                for (auto it = range.first; it != range.second && !found; ++it) {
                    const TRect o = grid.Tile(it->second);
                    if (o.Width() == t.Width() && o.Height() == t.Height() &&
                        tiles[size_t(it->second)] == bytes) {
                        dir[size_t(p)] = {-2, it->second};
                        found = repeat = true;
                    }
                }
                int32_t a = 0, b = 0;
                if (!found && FindEarlier(t, bytes, isMask, bits, a, b)) {
                    dir[size_t(p)] = {a, b};
                    found = true;
                }
            }
            if (!found) data.insert(data.end(), bytes.begin(), bytes.end());
            if (!repeat) seen.emplace(hash, p);
        }
        std::vector<int32_t> order;
        if (scramble) order = quil::ScrambleOrder(code_, count);
        MemoryStream out;
        StreamWriter w(out);
        for (int32_t i = 0; i < count; ++i) {
            const auto& e = dir[scramble ? size_t(order[size_t(i)]) : size_t(i)];
            w.I32(e.first);
            w.I32(e.second);
        }
        w.Raw(data.data(), data.size());
        return std::move(out.Bytes());
    }

    const TQuilWriteOptions& o_;
    int32_t code_;
    std::vector<std::vector<WrittenLayer>> written_;
    std::vector<std::unique_ptr<TDIBX>> owned_;
};

}  // namespace

void TQuilWriter::Write(TQuilFrameList& list, Stream& out) const {
    const TQuilWriteOptions& o = options_;
    if (o.version < 0 || o.version > 999) Fail("layered image: version must be 0..999");
    const bool tiled = o.tileWidth > 0 && o.tileHeight > 0;
    if (o.version < 103 && (tiled || o.scramble || o.compression != TQuilCompression::Zlib)) {
        Fail("layered image: tiles, scrambling and other compressions need version 103 or later");
    }
    if (o.tileWidth < 0 || o.tileHeight < 0) Fail("layered image: tile sizes must not be negative");
    if (o.scramble && list.code == 0) Fail(VESK_JP("識別コードを設定してください"));
    if (o.compression == TQuilCompression::Jpeg) {
        for (size_t i = 0; i < list.Count(); ++i) {
            if (list.FrameAt(i).BitCount() <= 8) {
                Fail("layered image: JPEG planes need frames of 15 bits or more");
            }
        }
    }
    StreamWriter w(out);
    PlaneWriter(o, list.code).WriteList(list, w);
}

std::vector<uint8_t> TQuilWriter::Write(TQuilFrameList& list) const {
    MemoryStream out;
    Write(list, out);
    return std::move(out.Bytes());
}

void TQuilWriter::SaveToFile(TQuilFrameList& list, const std::string& path) const {
    const std::vector<uint8_t> bytes = Write(list);
    WriteFileAtomic(path, bytes.data(), bytes.size());
}

}  // namespace vesk
