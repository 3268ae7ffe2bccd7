#include "platform/toolbar.h"

#include <algorithm>

namespace vesk {

namespace {
// The first button's distance from the dock's left edge, and the gap between buttons.
constexpr int32_t kIndent = 2;
constexpr int32_t kGap = 1;
}  // namespace

void FillPixels(const TPixelBuffer& dst, const TRect& r, uint32_t color) {
    if (!dst.pixels) return;
    TRect c = Intersect(r, dst.Bounds());
    if (c.IsEmpty()) return;
    for (int32_t y = c.top; y < c.bottom; ++y)
        std::fill(dst.Row(y) + c.left, dst.Row(y) + c.right, color);
}

void DrawButtonFrame(const TPixelBuffer& dst, const TRect& r, bool sunken, uint32_t face) {
    if (r.Width() < 4 || r.Height() < 4) {
        FillPixels(dst, r, face);
        return;
    }
    using namespace ui_colors;
    // Outer ring: light above and left, dark below and right; the inner ring softens it.
    const uint32_t outerTL = sunken ? kDarkShadow : kHighlight;
    const uint32_t outerBR = sunken ? kHighlight : kDarkShadow;
    const uint32_t innerTL = sunken ? kShadow : kLight;
    const uint32_t innerBR = sunken ? kLight : kShadow;
    FillPixels(dst, r, face);
    FillPixels(dst, {r.left, r.bottom - 1, r.right, r.bottom}, outerBR);
    FillPixels(dst, {r.right - 1, r.top, r.right, r.bottom}, outerBR);
    FillPixels(dst, {r.left, r.top, r.right - 1, r.top + 1}, outerTL);
    FillPixels(dst, {r.left, r.top, r.left + 1, r.bottom - 1}, outerTL);
    FillPixels(dst, {r.left + 1, r.bottom - 2, r.right - 1, r.bottom - 1}, innerBR);
    FillPixels(dst, {r.right - 2, r.top + 1, r.right - 1, r.bottom - 1}, innerBR);
    FillPixels(dst, {r.left + 1, r.top + 1, r.right - 2, r.top + 2}, innerTL);
    FillPixels(dst, {r.left + 1, r.top + 1, r.left + 2, r.bottom - 2}, innerTL);
}

void TToolbar::SetVisible(bool on) {
    visible_ = on;
    if (!on) hovered_ = pressed_ = ToolbarButton::None;
}

TRect TToolbar::ButtonRect(ToolbarButton b) const {
    const int32_t top = (kHeight - kButtonHeight) / 2;
    switch (b) {
        case ToolbarButton::Quit:
            return Bounds(kIndent, top, kButtonWidth, kButtonHeight);
        case ToolbarButton::FullScreen:
            return Bounds(kIndent + kButtonWidth + kGap, top, kButtonWidth, kButtonHeight);
        case ToolbarButton::None:
            break;
    }
    return {};
}

bool TToolbar::Contains(int32_t x, int32_t y) const {
    return visible_ && x >= 0 && x < width_ && y >= 0 && y < kHeight;
}

ToolbarButton TToolbar::HitTest(int32_t x, int32_t y) const {
    if (!Contains(x, y)) return ToolbarButton::None;
    for (ToolbarButton b : {ToolbarButton::Quit, ToolbarButton::FullScreen}) {
        TRect r = ButtonRect(b);
        // A button cut off by a narrow window is clickable only where it shows.
        if (x >= r.left && x < std::min(r.right, width_) && y >= r.top && y < r.bottom) return b;
    }
    return ToolbarButton::None;
}

bool TToolbar::MouseMove(int32_t x, int32_t y) {
    ToolbarButton h = HitTest(x, y);
    bool changed = h != hovered_;
    hovered_ = h;
    return changed;
}

bool TToolbar::FollowPointer(int32_t x, int32_t y) {
    const bool show = y <= 0 || Contains(x, y);
    if (show == visible_) return false;
    SetVisible(show);
    return true;
}

bool TToolbar::MouseLeave() {
    bool changed = hovered_ != ToolbarButton::None;
    hovered_ = ToolbarButton::None;
    return changed;
}

bool TToolbar::MouseDown(int32_t x, int32_t y) {
    if (!Contains(x, y)) return false;
    hovered_ = pressed_ = HitTest(x, y);
    return true;
}

ToolbarButton TToolbar::MouseUp(int32_t x, int32_t y) {
    ToolbarButton pressed = pressed_;
    pressed_ = ToolbarButton::None;
    hovered_ = HitTest(x, y);
    return pressed != ToolbarButton::None && hovered_ == pressed ? pressed : ToolbarButton::None;
}

const char* TToolbar::Label(ToolbarButton b) {
    switch (b) {
        case ToolbarButton::Quit:
            return "終了";
        case ToolbarButton::FullScreen:
            return "画面切替";
        case ToolbarButton::None:
            break;
    }
    return "";
}

void TToolbar::Draw(const TPixelBuffer& dst, TUiFont* font) const {
    if (!visible_ || !dst.pixels) return;
    using namespace ui_colors;
    const TRect dock = Intersect(DockRect(), dst.Bounds());
    FillPixels(dst, dock, kFace);
    // A thin etched line closes the dock against the picture below.
    FillPixels(dst, {dock.left, dock.bottom - 2, dock.right, dock.bottom - 1}, kShadow);
    FillPixels(dst, {dock.left, dock.bottom - 1, dock.right, dock.bottom}, kHighlight);
    for (ToolbarButton b : {ToolbarButton::Quit, ToolbarButton::FullScreen}) {
        const TRect r = ButtonRect(b);
        const bool down = ShownDown(b);
        DrawButtonFrame(dst, r, down, hovered_ == b && !down ? kHotFace : kFace);
        if (!font) continue;
        const char* label = Label(b);
        const int32_t shift = down ? 1 : 0;
        const int32_t tx = r.left + (r.Width() - font->Measure(label)) / 2 + shift;
        const int32_t ty = r.top + (r.Height() - font->LineHeight()) / 2 + shift;
        const TRect inside{r.left + 2, r.top + 2, r.right - 2, r.bottom - 2};
        font->Draw(dst, Intersect(inside, dock), tx, ty, label, kText);
    }
}

}  // namespace vesk
