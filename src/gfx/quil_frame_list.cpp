#include "gfx/quil_frame_list.h"

#include <algorithm>
#include <cstring>

#include "base/cp932.h"
#include "base/error.h"
#include "base/stream.h"
#include "gfx/blit.h"
#include "gfx/picture_io.h"
#include "gfx/pixel_kernels.h"

namespace vesk {

namespace {

std::unique_ptr<TDIBX> OpaqueMask(int32_t w, int32_t h) {
    auto m = std::make_unique<TDIBX>(w, h, 8);
    m->Clear(255);
    return m;
}

// Copies palette and pixels of `src` into a fresh picture of `bits`.
std::unique_ptr<TDIBX> Converted(TDIBX& src, int bits) {
    auto out = std::make_unique<TDIBX>(src.Width(), src.Height(), bits);
    if (out->PaletteSize() > 0 && src.PaletteSize() > 0) {
        TPalette pal;
        src.GetPalette(pal);
        out->SetPalette(pal);
    }
    if (!src.IsEmpty()) out->Draw(0, 0, src.BoundsRect(), src);
    return out;
}

// 255 everywhere, 0 where the picture holds `key` (the fourth byte of 32-bit pixels
// carries nothing and is not compared).
std::unique_ptr<TDIBX> KeyMask(TDIBX& pic, uint32_t key) {
    auto m = OpaqueMask(pic.Width(), pic.Height());
    const int bits = pic.BitCount();
    const uint32_t cmpMask = bits == 32 ? 0xFFFFFFu : 0xFFFFFFFFu;
    key &= cmpMask;
    for (int32_t y = 0; y < pic.Height(); ++y) {
        const uint8_t* row = pic.PixelAddress(0, y);
        uint8_t* mrow = m->PixelAddress(0, y);
        for (int32_t x = 0; x < pic.Width(); ++x) {
            if ((blit::ReadRaw(row, x, bits) & cmpMask) == key) mrow[x] = 0;
        }
    }
    return m;
}

uint32_t ColorToRgb(int32_t color) {
    const uint32_t c = uint32_t(color);
    return (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF);
}

// The palette entry closest to an 0x00RRGGBB colour.
uint32_t NearestIndex(const TDIBX& pic, uint32_t rgb) {
    const uint32_t* pal = pic.PaletteRgb();
    const int n = pic.PaletteSize();
    uint32_t best = 0;
    int64_t bestDist = INT64_MAX;
    for (int i = 0; i < n && pal; ++i) {
        const int64_t dr = int64_t(pal[i] >> 16 & 255) - (rgb >> 16 & 255);
        const int64_t dg = int64_t(pal[i] >> 8 & 255) - (rgb >> 8 & 255);
        const int64_t db = int64_t(pal[i] & 255) - (rgb & 255);
        const int64_t d = dr * dr + dg * dg + db * db;
        if (d < bestDist) bestDist = d, best = uint32_t(i);
    }
    return best;
}

}  // namespace

// ---- layers and frames ---------------------------------------------------------------------

TQuilLayer::TQuilLayer(TQuilFrame* owner) : owner_(owner), picture_(std::make_unique<TDIBX>()) {}

TDIBX& TQuilLayer::EnsureMask() {
    if (!mask_) mask_ = OpaqueMask(picture_->Width(), picture_->Height());
    return *mask_;
}

TQuilFrame::TQuilFrame(TQuilFrameList* owner)
    : owner_(owner), picture_(std::make_unique<TDIBX>()) {}

void TQuilFrame::SetSize(int32_t width, int32_t height, int bits) {
    picture_->SetSize(width, height, bits);
    mask_.reset();
}

TDIBX& TQuilFrame::EnsureMask() {
    if (!mask_) mask_ = OpaqueMask(Width(), Height());
    return *mask_;
}

TQuilLayer& TQuilFrame::AddLayer() {
    auto layer = std::make_unique<TQuilLayer>(this);
    layer->Picture().SetSize(Width(), Height(), BitCount());
    if (picture_->PaletteSize() > 0) {
        TPalette pal;
        picture_->GetPalette(pal);
        layer->Picture().SetPalette(pal);
    }
    layers_.push_back(std::move(layer));
    return *layers_.back();
}

void TQuilFrame::SetTransparent(int32_t value) {
    transparent_ = value;
    transparentColor_ = -1;
    if (value < 0) return;
    if (BitCount() <= 8) {
        if (value < picture_->PaletteSize())
            transparentColor_ = int32_t(picture_->PaletteRgb()[value]);
    } else {
        transparentColor_ = value;
    }
}

void TQuilFrame::ConvertTo(int bits) {
    if (bits == BitCount()) return;
    const bool indexed = BitCount() <= 8;
    const int32_t key = transparent_ < 0 ? -1
                        : indexed
                            ? transparentColor_
                            : int32_t(DecodeToRgb(uint32_t(transparent_), BitCount(), nullptr, 0));
    picture_ = Converted(*picture_, bits);
    if (transparent_ < 0) return;
    if (key < 0) {
        SetTransparent(-1);
    } else if (bits <= 8) {
        SetTransparent(int32_t(NearestIndex(*picture_, uint32_t(key))));
    } else {
        SetTransparent(int32_t(EncodeFromRgb(uint32_t(key), bits)));
    }
}

void TQuilFrame::FillBackground(int32_t color) {
    const uint32_t rgb = ColorToRgb(color);
    picture_->Clear(BitCount() <= 8 ? NearestIndex(*picture_, rgb)
                                    : EncodeFromRgb(rgb, BitCount()));
}

void TQuilFrame::ComposeLayer(size_t index, bool firstVisible, bool firstLayerOpaque) {
    TQuilLayer& layer = *layers_.at(index);
    if (!layer.visible) return;
    TDIBX& src = layer.Picture();
    TDIBX* mask = layer.maskEnabled ? layer.Mask() : nullptr;
    const TRect r = src.BoundsRect();
    if (firstVisible && mask) mask_ = Converted(*mask, 8);
    if (mask && index != 0) {
        picture_->DrawMask(0, 0, r, src, *mask);
        return;
    }
    const int32_t opacity = std::clamp(layer.opacity, 0, 255);
    if ((layer.transparentColor < 0 || (firstVisible && firstLayerOpaque)) && opacity == 255) {
        picture_->Draw(0, 0, r, src);
        return;
    }
    src.SetTransparentColor(layer.transparentColor);
    // A blend at 255 would darken every channel by 1/256; an opaque layer is a keyed copy.
    if (opacity == 255) {
        picture_->Draw(0, 0, r, src, {.key = Key::Skip});
    } else {
        picture_->DrawAlpha(0, 0, r, src, opacity, {.key = Key::Skip});
    }
}

// ---- the list ------------------------------------------------------------------------------

TQuilFrameList::TQuilFrameList(int32_t code) : code(code) {}
TQuilFrameList::~TQuilFrameList() = default;

void TQuilFrameList::Clear() {
    frames_.clear();
}

TQuilFrame& TQuilFrameList::AddFrame(int32_t width, int32_t height, int bits) {
    auto f = std::make_unique<TQuilFrame>(this);
    f->SetSize(width, height, bits);
    frames_.push_back(std::move(f));
    return *frames_.back();
}

std::unique_ptr<TQuilFrame> TQuilFrameList::ExtractFrame(size_t index) {
    auto f = std::move(frames_.at(index));
    frames_.erase(frames_.begin() + ptrdiff_t(index));
    f->owner_ = nullptr;
    return f;
}

TQuilFrame& TQuilFrameList::AppendFrame(std::unique_ptr<TQuilFrame> frame) {
    frame->owner_ = this;
    frames_.push_back(std::move(frame));
    return *frames_.back();
}

size_t TQuilFrameList::LayerCount() const {
    size_t n = 0;
    for (const auto& f : frames_) n += f->LayerCount();
    return n;
}

TQuilLayer& TQuilFrameList::FrameLayerAt(size_t index) {
    for (auto& f : frames_) {
        if (index < f->LayerCount()) return f->LayerAt(index);
        index -= f->LayerCount();
    }
    Fail("layer index " + std::to_string(index) + " is out of range");
}

void TQuilFrameList::LoadFromStream(Stream& s, bool firstFrameOnly, bool retainLayers,
                                    bool prepare) {
    const int64_t remaining = s.Remaining();
    if (remaining < 0 || remaining > (int64_t(1) << 31)) Fail("layered image: data is too large");
    if (auto* m = dynamic_cast<MemoryStream*>(&s)) {
        // Bytes already in memory are read in place.
        const int64_t pos = m->Position();
        LoadFromBytes(m->Bytes().data() + pos, size_t(remaining), firstFrameOnly, retainLayers,
                      prepare);
        m->Seek(0, SeekFrom::End);
        return;
    }
    std::vector<uint8_t> data(static_cast<size_t>(remaining));
    s.ReadExact(data.data(), data.size(), "layered image");
    LoadFromBytes(data.data(), data.size(), firstFrameOnly, retainLayers, prepare);
}

bool TQuilFrameList::LoadFromFile(const std::string& path, bool firstFrameOnly, bool retainLayers,
                                  bool prepare) {
    Clear();
    const size_t dot = path.find_last_of('.');
    const std::string ext = dot == std::string::npos ? "" : LowerAscii(path.substr(dot));
    if (ext != ".qil" && ext != ".png" && ext != ".bmp" && ext != ".dib") return false;
    const std::vector<uint8_t> data = ReadWholeFile(path);
    if (ext == ".qil") {
        LoadFromBytes(data.data(), data.size(), firstFrameOnly, retainLayers, prepare);
    } else if (ext == ".png") {
        LoadFromPng(data.data(), data.size(), prepare);
    } else {
        LoadFromBmp(data.data(), data.size(), prepare);
    }
    return true;
}

bool TQuilFrameList::LoadFromData(const uint8_t* data, size_t size, bool firstFrameOnly,
                                  bool retainLayers, bool prepare) {
    Clear();
    switch (SniffPicture(data, size)) {
        case PictureKind::Png:
            LoadFromPng(data, size, prepare);
            return true;
        case PictureKind::Bmp:
            LoadFromBmp(data, size, prepare);
            return true;
        case PictureKind::Quil:
            LoadFromBytes(data, size, firstFrameOnly, retainLayers, prepare);
            return true;
        case PictureKind::Unknown:
            break;
    }
    return false;
}

void TQuilFrameList::LoadFromPng(const uint8_t* data, size_t size, bool prepare) {
    Clear();
    PngTransparency t;
    auto pic = DecodePng(data, size, &t);
    auto f = std::make_unique<TQuilFrame>(this);
    if (!t.alpha.empty()) {
        auto mask = std::make_unique<TDIBX>(pic->Width(), pic->Height(), 8);
        for (int32_t y = 0; y < pic->Height(); ++y) {
            std::memcpy(mask->PixelAddress(0, y), t.alpha.data() + size_t(y) * pic->Width(),
                        size_t(pic->Width()));
        }
        f->SetMask(std::move(mask));
    }
    f->SetPicture(std::move(pic));
    // A 32-bit picture's pixel value of a colour 0x00RRGGBB is the colour itself.
    if (t.alpha.empty() && t.key >= 0) f->SetTransparent(t.key);
    frames_.push_back(std::move(f));
    if (prepare) Prepare(false);
}

void TQuilFrameList::LoadFromBmp(const uint8_t* data, size_t size, bool prepare) {
    Clear();
    std::vector<uint8_t> fourth;
    auto pic = DecodeBmp(data, size, &fourth);
    auto f = std::make_unique<TQuilFrame>(this);
    // Bitmaps whose fourth bytes are all 0 carry no opacity (most writers leave them so);
    // taking them as a mask would make the whole picture invisible.
    const bool hasAlpha =
        std::any_of(fourth.begin(), fourth.end(), [](uint8_t v) { return v != 0; });
    if (hasAlpha) {
        auto mask = std::make_unique<TDIBX>(pic->Width(), pic->Height(), 8);
        for (int32_t y = 0; y < pic->Height(); ++y) {
            std::memcpy(mask->PixelAddress(0, y), fourth.data() + size_t(y) * pic->Width(),
                        size_t(pic->Width()));
        }
        f->SetMask(std::move(mask));
    }
    if (pic->BitCount() == 32) pic = Converted(*pic, 24);
    f->SetPicture(std::move(pic));
    frames_.push_back(std::move(f));
    if (prepare) Prepare(false);
}

void TQuilFrameList::Prepare(bool retainLayers) {
    for (auto& fp : frames_) {
        TQuilFrame& f = *fp;
        if (f.Transparent() >= 0) {
            f.mask_ = KeyMask(*f.picture_, uint32_t(f.Transparent()));
            if (retainLayers) {
                for (auto& l : f.layers_) {
                    if (!l->Mask() && l->Picture().BitCount() == f.BitCount()) {
                        l->SetMask(KeyMask(l->Picture(), uint32_t(f.Transparent())));
                    }
                }
            }
        }
        int bits = 0;
        if (targetBits <= 0) {
            if (f.BitCount() <= 8) bits = 24;
        } else if (f.Mask() || f.Transparent() < 0) {
            bits = targetBits;
            if (retainLayers) {
                for (auto& l : f.layers_) {
                    if (l->Picture().BitCount() != bits)
                        l->SetPicture(Converted(l->Picture(), bits));
                }
            }
        }
        if (bits != 0) f.ConvertTo(bits);
    }
}

void TQuilFrameList::CopyToSurface(size_t frame, TCustomDIBX& surface) const {
    const TQuilFrame& f = FrameAt(frame);
    TDIBX& pic = *f.picture_;
    surface.SetSize(f.Width(), f.Height(), surface.BitCount());
    if (surface.PaletteSize() > 0 && pic.PaletteSize() > 0) {
        TPalette pal;
        pic.GetPalette(pal);
        surface.SetPalette(pal);
    }
    if (pic.IsEmpty()) return;
    const TRect saved = surface.ClipRect();
    surface.ResetClip();
    surface.Draw(0, 0, pic.BoundsRect(), pic);
    surface.SetClipRect(saved);
    if (surface.BitCount() == 32) {
        // The fourth byte of a 32-bit pixel means nothing and is kept clear.
        for (int32_t y = 0; y < surface.Height(); ++y) {
            uint8_t* row = surface.PixelAddress(0, y);
            if (!row) break;
            for (int32_t x = 0; x < surface.Width(); ++x) row[size_t(x) * 4 + 3] = 0;
            surface.Unlock();
        }
    }
}

bool TQuilFrameList::CopyMaskToSurface(size_t frame, TCustomDIBX& surface) const {
    const TQuilFrame& f = FrameAt(frame);
    if (!f.Mask()) return false;
    surface.SetSize(f.Width(), f.Height(), 8);
    for (int32_t y = 0; y < f.Height(); ++y) {
        uint8_t* row = surface.PixelAddress(0, y);
        if (!row) break;
        std::memcpy(row, f.Mask()->PixelAddress(0, y), size_t(f.Width()));
        surface.Unlock();
    }
    return true;
}

}  // namespace vesk
