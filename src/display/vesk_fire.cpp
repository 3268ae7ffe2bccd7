#include "display/vesk_fire.h"

#include <algorithm>
#include <cstring>

#include "base/stream.h"
#include "display/vesk_base.h"
#include "display/vesk_base_list.h"

namespace vesk {

namespace {

// Flame colours (0x00BBGGRR) by intensity: dark red, through orange and yellow, to white.
int32_t FlameColor(int32_t i) {
    const int32_t r = std::min(255, i * 2);
    const int32_t g = std::clamp((i - 64) * 2, 0, 255);
    const int32_t b = std::clamp((i - 160) * 3, 0, 255);
    return r | (g << 8) | (b << 16);
}

}  // namespace

TVeskFire::TVeskFire(TVeskBaseList* owner) : TVeskControl(owner), random_(Id()), picture_(0, 0, 8) {
    // The heat the four pixels below give is their average.
    for (size_t s = 0; s < lut_.size(); ++s) lut_[s] = uint8_t(s / 4);
    BuildCooling();
}

void TVeskFire::BuildCooling() {
    // Power lowers (or, negative, raises) every cooling by that much.
    for (int32_t d = 0; d <= kMaxDecay; ++d)
        cooling_[size_t(d)] = uint8_t(std::clamp<int64_t>(int64_t(d) - power_, 0, 255));
}

void TVeskFire::SetBufferSize(int32_t w, int32_t h) {
    w = std::clamp(w, 0, kMaxSide);
    h = std::clamp(h, 0, kMaxSide);
    if (w == bufW_ && h == bufH_) return;
    bufW_ = w;
    bufH_ = h;
    picture_.SetSize(w, h, 8);
    // A fresh cooling table for the new size.
    decay_.resize(size_t(w) * size_t(h));
    for (uint8_t& d : decay_) d = uint8_t(random_.Below(kMaxDecay + 1));
    rowShift_ = colShift_ = 0;
    hotTop_ = h;
    Relayout();
}

void TVeskFire::SetHeat(int32_t x, int32_t y, uint8_t v) {
    *picture_.PixelAddress(x, y) = v;
    if (v) hotTop_ = std::min(hotTop_, y);
}

int32_t TVeskFire::DecayAt(int32_t x, int32_t y) const {
    const size_t row = size_t((int64_t(y) + rowShift_) % bufH_);
    const size_t col = size_t((int64_t(x) + colShift_) % bufW_);
    return decay_[row * size_t(bufW_) + col];
}

void TVeskFire::Relayout() {
    const int32_t w = int32_t(int64_t(bufW_) * zoomX_ / 256);
    const int32_t h = int32_t(int64_t(bufH_) * zoomY_ / 256);
    if (w != width_ || h != height_) SetBounds(left_, top_, w, h);
}

void TVeskFire::Burn() {
    const int32_t w = bufW_, h = bufH_;
    if (w == 0 || h == 0) return;
    // The cooling table is read from a new place every frame.
    rowShift_ = random_.Below(h);
    colShift_ = random_.Below(w);
    const int32_t burning = std::max(0, h - kBurningRows);
    for (int32_t y = burning; y < h; ++y)
        std::memset(picture_.PixelAddress(0, y), kBurning, size_t(w));
    // Rows above the hot part only take heat from zeros and stay cold: the work starts two
    // rows above it (which the hot rows can reach this frame).
    const int32_t oldTop = std::min(hotTop_, burning);
    int32_t newTop = burning;
    for (int32_t y = std::max(0, oldTop - 2); y < burning; ++y) {
        uint8_t* row = picture_.PixelAddress(0, y);
        const uint8_t* b1 = picture_.PixelAddress(0, y + 1);
        const uint8_t* b2 = picture_.PixelAddress(0, y + 2);
        const uint8_t* decay = &decay_[size_t((int64_t(y) + rowShift_) % h) * size_t(w)];
        int32_t k = colShift_;
        uint8_t any = 0;
        for (int32_t x = 0; x < w; ++x) {
            const int32_t left = b1[x > 0 ? x - 1 : 0], right = b1[x + 1 < w ? x + 1 : x];
            const int32_t v = lut_[size_t(left + b1[x] + right + b2[x])] - cooling_[decay[k]];
            row[x] = uint8_t(v > 0 ? v : 0);
            any |= row[x];
            if (++k == w) k = 0;
        }
        if (any && y < newTop) newTop = y;
    }
    hotTop_ = newTop;
    InvalidateRows(std::min(oldTop, newTop));
}

void TVeskFire::InvalidateRows(int32_t top) {
    if (!IsVisible() || bufH_ == 0) return;
    TVeskBase* layer = Layer();
    if (!layer) return;
    TRect r = ScreenRect();
    // Only the rows that may have changed (as shown, scaled by the zoom).
    r.top = int32_t(std::min<int64_t>(r.bottom, r.top + int64_t(top) * zoomY_ / 256 - 1));
    if (Parent() && !Parent()->ClipToVisible(r)) return;
    TRect c;
    if (ClipRect(c)) r = Intersect(r, c);
    if (r.IsEmpty()) return;
    for (TVeskControl* p = Parent(); p; p = p->Parent()) p->AdjustDirtyRect(r);
    layer->AddDirtyRect(r);
}

bool TVeskFire::Step(int32_t elapsed) {
    if (!paused_) Burn();
    return TVeskControl::Step(elapsed);
}

void TVeskFire::PaintSelf(TCustomDIBX& s) {
    if (bufW_ == 0 || bufH_ == 0 || hotTop_ >= bufH_) return;
    if (colorBits_ != s.BitCount()) {
        for (int32_t i = 0; i < 256; ++i)
            colors_[size_t(i)] = uint32_t(s.ColorToPixel(FlameColor(i)));
        colorBits_ = s.BitCount();
    }
    const TRect r = ScreenRect();
    if (r.IsEmpty()) return;
    if (zoomX_ == 256 && zoomY_ == 256) {
        // The rows above the hot part hold nothing to draw.
        s.DrawIndexedAdd(r.left, r.top + hotTop_, TRect{0, hotTop_, bufW_, bufH_}, picture_,
                         colors_.data(), 255, kThreshold);
    } else {
        s.StretchDrawIndexed(r, picture_.BoundsRect(), picture_, colors_.data(), 256 + 255,
                             kThreshold);
    }
}

int32_t TVeskFire::GetIntProp(int32_t index) {
    switch (index) {
        case PR_ZOOMX:
            return zoomX_;
        case PR_ZOOMY:
            return zoomY_;
        case PR_PAUSED:
            return paused_;
        case PR_POWER:
            return power_;
        case PR_ORIGWIDTH:
            return bufW_;
        case PR_ORIGHEIGHT:
            return bufH_;
        case PR_PLAYING:
            return !paused_;
        default:
            return TVeskControl::GetIntProp(index);
    }
}

void TVeskFire::SetIntProp(int32_t index, int32_t value) {
    switch (index) {
        case PR_WIDTH:
            // The size set is the buffer's; the zoom scales it.
            return SetBufferSize(value, bufH_);
        case PR_HEIGHT:
            return SetBufferSize(bufW_, value);
        case PR_ZOOMX:
        case PR_ZOOMY:
            (index == PR_ZOOMX ? zoomX_ : zoomY_) = std::clamp(value, 1, 256 * 256);
            Relayout();
            Invalidate();
            return;
        case PR_PAUSED:
            paused_ = value != 0;
            return;
        case PR_POWER:
            power_ = value;
            BuildCooling();
            return;
        case PR_ORIGWIDTH:
        case PR_ORIGHEIGHT:
        case PR_PLAYING:
            return;
        default:
            TVeskControl::SetIntProp(index, value);
    }
}

std::string TVeskFire::GetStrProp(int32_t index) {
    if (index == PR_ONIDLE) return idlePage_;
    return TVeskControl::GetStrProp(index);
}

void TVeskFire::SetStrProp(int32_t index, const std::string& value) {
    if (index == PR_ONIDLE) {
        idlePage_ = value;
        return;
    }
    TVeskControl::SetStrProp(index, value);
}

void TVeskFire::SaveState(StreamWriter& w) {
    TVeskControl::SaveState(w);
    w.I32(bufW_);
    w.I32(bufH_);
    w.I32(zoomX_);
    w.I32(zoomY_);
    w.I32(power_);
    w.Flag(paused_);
    w.Str(idlePage_);
    w.U64(random_.State());
}

void TVeskFire::LoadState(StreamReader& r, int32_t version) {
    TVeskControl::LoadState(r, version);
    const int32_t w = r.I32("fire width"), h = r.I32("fire height");
    zoomX_ = std::clamp(r.I32("zoom x"), 1, 256 * 256);
    zoomY_ = std::clamp(r.I32("zoom y"), 1, 256 * 256);
    power_ = r.I32("fire power");
    paused_ = r.Flag("paused");
    idlePage_ = r.Str("idle page");
    random_.SetState(r.U64("fire random state"));
    BuildCooling();
    // The flame itself is not saved: it grows again within a second.
    bufW_ = bufH_ = -1;
    SetBufferSize(w, h);
}

}  // namespace vesk
