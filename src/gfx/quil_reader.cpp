// Reading of layered image files into a TQuilFrameList.
#include <algorithm>
#include <cstring>
#include <string>

#include "base/endian.h"
#include "base/error.h"
#include "base/stream.h"
#include "gfx/quil_codec.h"
#include "gfx/quil_frame_list.h"

namespace vesk {

namespace {

bool ValidDepth(int32_t bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 15 || bits == 16 || bits == 24 ||
           bits == 32;
}

int64_t PictureBytes(int32_t w, int32_t h, int bits) {
    return int64_t(TDIBX::RowBytes(w, bits)) * h;
}

// zlib expands at most about 1032 to 1; a block can never decode to more than this.
size_t InflateBound(size_t n) {
    return n * 1032 + 1024;
}

}  // namespace

class TQuilReader {
  public:
    TQuilReader(TQuilFrameList& list, const uint8_t* data, size_t size)
        : list_(list), data_(data), size_(size), view_(data, size), r_(view_) {}

    void Read(bool firstFrameOnly) {
        ReadHeader();
        if (firstFrameOnly && frameCount_ > 1) frameCount_ = 1;
        for (int32_t i = 0; i < frameCount_; ++i) ReadFrame(i);
    }

  private:
    void Fail(const std::string& what) { vesk::Fail("layered image: " + what); }

    // Counts picture memory against the list's limit before it is allocated.
    void Charge(int64_t bytes) {
        used_ += bytes;
        if (used_ > list_.memoryLimit) Fail("the pictures need more memory than allowed");
    }

    // The next n bytes of the file, in place.
    const uint8_t* Take(int32_t n, const char* what) {
        if (n < 0 || n > r_.Base().Remaining()) {
            Fail(std::string(what) + " of " + std::to_string(n) + " bytes is cut short");
        }
        const uint8_t* p = data_ + r_.Base().Position();
        r_.Skip(n, what);
        return p;
    }

    void ReadHeader() {
        version_ = 0;
        if (size_ >= 4 && std::memcmp(data_, "Quil", 4) == 0) {
            if (size_ < 7) Fail("the magic is cut short");
            for (int i = 4; i < 7; ++i) {
                if (data_[i] < '0' || data_[i] > '9') Fail("the version is not a number");
                version_ = version_ * 10 + (data_[i] - '0');
            }
            r_.Skip(7, "magic");
        }
        list_.version = version_;
        if (version_ < 103) {
            frameCount_ = r_.I32("frame count");
            r_.Skip(1, "header");
            if (version_ > 101) list_.backgroundColor = r_.I32("background colour");
        } else {
            const int32_t n = r_.I32("header size");
            if (n < 0 || n > 40) Fail("header size " + std::to_string(n) + " is not 0..40");
            uint8_t rec[40] = {};
            r_.Raw(rec, size_t(n), "header");
            frameCount_ = int32_t(Le32(rec + 16));
            scrambled_ = rec[21] == 1;
            compression_ = rec[22];
            if (compression_ > 2) Fail("unknown compression " + std::to_string(compression_));
            list_.backgroundColor = int32_t(Le32(rec + 24));
            tileW_ = int32_t(Le32(rec + 28));
            tileH_ = int32_t(Le32(rec + 32));
            list_.firstLayerOpaque = version_ >= 105 && rec[36] != 0;
        }
        if (frameCount_ < 0) Fail("frame count " + std::to_string(frameCount_) + " is negative");
        r_.CheckCount(frameCount_, 33 + (version_ >= 104 ? 8 : 0), "frames");
    }

    void ReadFrame(int32_t index) {
        std::string name = r_.Str("frame name");
        const int32_t transparent = r_.I32("transparent value");
        const int32_t delay = r_.I32("delay");
        r_.Skip(5, "frame record");
        const int32_t layerCount = r_.I32("layer count");
        const int32_t w = r_.I32("width"), h = r_.I32("height"), bits = r_.I32("bit depth");
        if (!ValidDepth(bits)) Fail("bit depth " + std::to_string(bits) + " is not supported");
        if (w < 0 || h < 0 || w > TDIBX::kMaxSide || h > TDIBX::kMaxSide ||
            int64_t(w) * h > TDIBX::kMaxPixels) {
            Fail("frame size " + std::to_string(w) + " x " + std::to_string(h) +
                 " is out of range");
        }
        Charge(PictureBytes(w, h, bits));
        TQuilFrame& f = list_.AddFrame(w, h, bits);
        f.name = std::move(name);
        f.delay = delay;
        if (bits <= 8) {
            const int n = 1 << bits;
            TPaletteEntry pal[256];
            r_.Raw(pal, size_t(n) * 4, "palette");
            f.Picture().SetPaletteEntries(pal, 0, n);
        }
        f.SetTransparent(transparent);
        f.FillBackground(list_.backgroundColor);

        if (layerCount < 0) Fail("layer count " + std::to_string(layerCount) + " is negative");
        const int minLayer = 21 + (version_ > 100 ? 1 : 0) + (version_ > 99 ? 4 : 0);
        r_.CheckCount(layerCount, minLayer, "layers");
        bool seenVisible = false;
        for (int32_t li = 0; li < layerCount; ++li) {
            ReadLayer(f, index, li);
            const bool visible = f.LayerAt(size_t(li)).visible;
            f.ComposeLayer(size_t(li), visible && !seenVisible, list_.firstLayerOpaque);
            seenVisible = seenVisible || visible;
        }
        if (version_ >= 104) {
            ReadRects(f.rects1);
            ReadRects(f.rects2);
        }
    }

    void ReadRects(std::vector<TRect>& out) {
        const int32_t n = r_.I32("rectangle count");
        if (n < 0) Fail("rectangle count " + std::to_string(n) + " is negative");
        r_.CheckCount(n, 16, "rectangles");
        out.resize(size_t(n));
        for (TRect& rc : out) {
            rc.left = r_.I32("rectangle");
            rc.top = r_.I32("rectangle");
            rc.right = r_.I32("rectangle");
            rc.bottom = r_.I32("rectangle");
        }
    }

    void ReadLayer(TQuilFrame& f, int32_t fi, int32_t li) {
        r_.Skip(8, "layer record");
        const bool visible = r_.U8("visible") != 0;
        int32_t transparent = r_.I32("transparent colour");
        const int32_t opacity = r_.I32("opacity");
        // Files before the mask switch existed use every mask they carry.
        bool maskEnabled = version_ > 100 ? r_.U8("mask enabled") != 0 : true;
        std::string name = r_.Str("layer name");
        Charge(PictureBytes(f.Width(), f.Height(), f.BitCount()));
        TQuilLayer& layer = f.AddLayer();
        layer.name = std::move(name);
        layer.visible = visible;
        layer.opacity = opacity;

        const int32_t colourSize = r_.I32("colour plane size");
        const uint8_t* colour = Take(colourSize, "colour plane");
        DecodePlane(colour, size_t(colourSize), layer, false, fi, li);

        if (version_ > 99) {
            const int32_t maskSize = r_.I32("mask plane size");
            const uint8_t* mask = Take(maskSize, "mask plane");
            if (maskSize > 0) {
                Charge(PictureBytes(f.Width(), f.Height(), 8));
                layer.EnsureMask();
                DecodePlane(mask, size_t(maskSize), layer, true, fi, li);
            }
        }
        if (!layer.Mask() && version_ <= 100) maskEnabled = false;
        if (maskEnabled && layer.Mask()) transparent = -1;
        layer.maskEnabled = maskEnabled;
        layer.transparentColor = transparent;
    }

    void DecodePlane(const uint8_t* block, size_t n, TQuilLayer& layer, bool isMask, int32_t fi,
                     int32_t li) {
        TDIBX& pic = isMask ? *layer.Mask() : layer.Picture();
        const bool compressed = compression_ == 0 || (isMask && compression_ == 2);
        const bool scramble = scrambled_ && compression_ != 2;
        if (version_ > 102 && compression_ == 2 && !isMask) {
            // The plane stands for a picture of the frame's size; nothing larger is decoded.
            const int64_t room = list_.memoryLimit - used_;
            const int64_t limit = std::min<int64_t>(int64_t(pic.Width()) * pic.Height(), room / 3);
            auto jpeg = quil::DecodeJpeg(block, n, std::max<int64_t>(limit, 1));
            if (jpeg->Width() != pic.Width() || jpeg->Height() != pic.Height()) {
                Fail("JPEG plane is not the size of its frame");
            }
            Charge(PictureBytes(jpeg->Width(), jpeg->Height(), 24));
            layer.SetPicture(std::move(jpeg));
            return;
        }
        if (version_ > 102 && tileW_ > 0 && tileH_ > 0 && compression_ != 2) {
            DecodeTiles(block, n, compressed, scramble, pic, isMask, fi, li);
        } else {
            DecodeRows(block, n, compressed, scramble, pic);
        }
    }

    void DecodeRows(const uint8_t* block, size_t n, bool compressed, bool scramble, TDIBX& pic) {
        const size_t pitch = size_t(pic.Pitch());
        const int32_t h = pic.Height();
        const size_t expected = pitch * size_t(h);
        if (expected == 0) return;
        const uint8_t* rows = block;
        std::vector<uint8_t> buffer;
        if (compressed && !scramble) {
            // Straight into the picture: its rows are top-down at this pitch.
            if (quil::Inflate(block, n, pic.PixelAddress(0, 0), expected, "plane") < expected) {
                Fail("plane is cut short");
            }
            return;
        }
        if (compressed) {
            if (expected > InflateBound(n)) Fail("plane is cut short");
            buffer.resize(expected);
            if (quil::Inflate(block, n, buffer.data(), expected, "plane") < expected) {
                Fail("plane is cut short");
            }
            rows = buffer.data();
        } else if (n < expected) {
            Fail("plane is cut short");
        }
        if (!scramble) {
            std::memcpy(pic.PixelAddress(0, 0), rows, expected);
            return;
        }
        const std::vector<int32_t> order = quil::ScrambleOrder(list_.code, h);
        for (int32_t i = 0; i < h; ++i) {
            std::memcpy(pic.PixelAddress(0, order[size_t(i)]), rows + size_t(i) * pitch, pitch);
        }
    }

    void DecodeTiles(const uint8_t* block, size_t n, bool compressed, bool scramble, TDIBX& pic,
                     bool isMask, int32_t fi, int32_t li) {
        const quil::TileGrid grid(pic.Width(), pic.Height(), tileW_, tileH_);
        const int bits = pic.BitCount();
        const int64_t count = int64_t(grid.cols) * grid.rows;
        const size_t available = compressed ? InflateBound(n) : n;
        if (count * 8 > int64_t(available)) Fail("tile directory is cut short");
        const size_t dirBytes = size_t(count) * 8;
        size_t tileBytes = 0;
        for (int32_t i = 0; i < int32_t(count); ++i) {
            const TRect t = grid.Tile(i);
            tileBytes += quil::PackedRowBytes(t.Width(), bits) * size_t(t.Height());
        }
        const uint8_t* data = block;
        size_t len = n;
        std::vector<uint8_t> buffer;
        // The working memory of the plane counts against the limit while it is decoded.
        const int64_t scratch =
            int64_t(compressed ? std::min(dirBytes + tileBytes, available) : 0) + int64_t(dirBytes);
        Charge(scratch);
        struct Release {
            int64_t& used;
            int64_t n;
            ~Release() { used -= n; }
        } release{used_, scratch};
        if (compressed) {
            buffer.resize(std::min(dirBytes + tileBytes, available));
            len = quil::Inflate(block, n, buffer.data(), buffer.size(), "tiled plane");
            data = buffer.data();
        }
        if (len < dirBytes) Fail("tile directory is cut short");

        struct Entry {
            int32_t a, b;
        };
        std::vector<Entry> dir(static_cast<size_t>(count));
        std::vector<int32_t> order;
        if (scramble) order = quil::ScrambleOrder(list_.code, int32_t(count));
        for (size_t i = 0; i < dir.size(); ++i) {
            const Entry e{int32_t(Le32(data + i * 8)), int32_t(Le32(data + i * 8 + 4))};
            dir[scramble ? size_t(order[i]) : i] = e;
        }
        size_t pos = dirBytes;
        for (int32_t p = 0; p < int32_t(count); ++p) {
            const TRect t = grid.Tile(p);
            const Entry e = dir[size_t(p)];
            if (e.a == -1) {
                const size_t bytes = quil::PackedRowBytes(t.Width(), bits) * size_t(t.Height());
                if (len - pos < bytes) Fail("tile data is cut short");
                quil::UnpackRect(pic, t, data + pos);
                pos += bytes;
            } else if (e.a == -2) {
                if (e.b < 0 || e.b >= p)
                    Fail("tile " + std::to_string(p) + " repeats a tile not yet built");
                const int32_t sx = grid.OriginX(e.b), sy = grid.OriginY(e.b);
                if (int64_t(sx) + t.Width() > pic.Width() ||
                    int64_t(sy) + t.Height() > pic.Height()) {
                    Fail("tile " + std::to_string(p) + " repeats a smaller tile");
                }
                quil::CopyRaw(pic, t.left, t.top, pic, sx, sy, t.Width(), t.Height());
            } else if (e.a >= 0) {
                TDIBX& src = EarlierPlane(e.a, e.b, isMask, fi, li);
                if (src.BitCount() != bits) Fail("tile copies from a plane of another depth");
                if (t.right > src.Width() || t.bottom > src.Height()) {
                    Fail("tile copies from outside an earlier plane");
                }
                quil::CopyRaw(pic, t.left, t.top, src, t.left, t.top, t.Width(), t.Height());
            } else {
                Fail("tile entry " + std::to_string(e.a) + " is not known");
            }
        }
    }

    // Plane of layer `layer` of frame `frame`, which must have been read already.
    TDIBX& EarlierPlane(int32_t frame, int32_t layer, bool isMask, int32_t fi, int32_t li) {
        if (frame > fi || (frame == fi && layer >= li) || layer < 0 ||
            size_t(layer) >= list_.FrameAt(size_t(frame)).LayerCount()) {
            Fail("tile refers to layer " + std::to_string(layer) + " of frame " +
                 std::to_string(frame) + ", which is not read yet");
        }
        TQuilLayer& l = list_.FrameAt(size_t(frame)).LayerAt(size_t(layer));
        if (!isMask) return l.Picture();
        if (!l.Mask()) Fail("tile refers to a mask that does not exist");
        return *l.Mask();
    }

    TQuilFrameList& list_;
    const uint8_t* data_;
    size_t size_;
    ViewStream view_;
    StreamReader r_;
    int32_t version_ = 0;
    int32_t frameCount_ = 0;
    bool scrambled_ = false;
    uint8_t compression_ = 0;
    int32_t tileW_ = 0, tileH_ = 0;
    int64_t used_ = 0;
};

void TQuilFrameList::LoadFromBytes(const uint8_t* data, size_t size, bool firstFrameOnly,
                                   bool retainLayers, bool prepare) {
    Clear();
    try {
        TQuilReader(*this, data, size).Read(firstFrameOnly);
        if (prepare) Prepare(retainLayers);
    } catch (...) {
        Clear();
        throw;
    }
    if (!retainLayers) {
        for (auto& f : frames_) f->ClearLayers();
    }
}

}  // namespace vesk
