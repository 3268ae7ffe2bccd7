#include "platform/config_dialog_ui.h"

#include <algorithm>

#include "platform/toolbar.h"

namespace vesk {

namespace {

// Windows virtual-key codes the dialog answers to.
constexpr int32_t kVkTab = 9, kVkReturn = 13, kVkEscape = 27, kVkSpace = 32, kVkEnd = 35,
                  kVkHome = 36, kVkLeft = 37, kVkUp = 38, kVkRight = 39, kVkDown = 40, kVkD = 0x44,
                  kVkS = 0x53;

constexpr int32_t kSquare = 13;
constexpr int32_t kThumbWidth = 11;
constexpr int32_t kThumbHeight = 19;
// The thumb's centre stays this far inside the track bar at either end.
constexpr int32_t kTrackInset = 10;

bool Inside(const TRect& r, int32_t x, int32_t y) {
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

}  // namespace

TMnemonicText SplitMnemonic(std::string_view utf8) {
    TMnemonicText t;
    for (size_t i = 0; i < utf8.size(); ++i) {
        if (utf8[i] != '&' || i + 1 >= utf8.size()) {
            t.shown += utf8[i];
            continue;
        }
        ++i;
        if (utf8[i] != '&' && t.mark == std::string::npos) {
            size_t next = i;
            NextCodePoint(utf8, next);
            t.mark = t.shown.size();
            t.markLength = next - i;
        }
        t.shown += utf8[i];
    }
    return t;
}

TConfigDialogLayout::TConfigDialogLayout() {
    checkSquare = Bounds(16, 16, kSquare, kSquare);
    checkBox = Bounds(14, 14, 220, 17);
    delayLabel = Bounds(16, 44, 220, 17);
    trackBar = Bounds(10, 64, 220, 32);
    valueLabel = Bounds(240, 70, 64, 17);
    okButton = Bounds(150, 104, 75, 23);
    cancelButton = Bounds(233, 104, 75, 23);
}

int32_t TConfigDialogLayout::ThumbCentre(int32_t position) const {
    const int32_t lo = IConfigForm::kMinDelay, hi = IConfigForm::kMaxDelay;
    position = std::clamp(position, lo, hi);
    const int32_t left = trackBar.left + kTrackInset, span = trackBar.Width() - 2 * kTrackInset;
    return left + (position - lo) * span / (hi - lo);
}

TRect TConfigDialogLayout::ThumbRect(int32_t position) const {
    return Bounds(ThumbCentre(position) - kThumbWidth / 2, trackBar.top + 2, kThumbWidth,
                  kThumbHeight);
}

int32_t TConfigDialogLayout::PositionAt(int32_t x) const {
    const int32_t lo = IConfigForm::kMinDelay, hi = IConfigForm::kMaxDelay;
    const int32_t left = trackBar.left + kTrackInset, span = trackBar.Width() - 2 * kTrackInset;
    // Nearest step: round (x - left) / step with the step in fractions of the span.
    const int64_t scaled = int64_t(x - left) * (hi - lo);
    int64_t steps = scaled >= 0 ? (scaled + span / 2) / span : -((-scaled + span / 2) / span);
    return std::clamp(int32_t(lo + steps), lo, hi);
}

ConfigControl TConfigDialogLayout::HitTest(int32_t x, int32_t y) const {
    if (Inside(checkBox, x, y)) return ConfigControl::CheckBox;
    if (Inside(trackBar, x, y)) return ConfigControl::TrackBar;
    if (Inside(okButton, x, y)) return ConfigControl::OkButton;
    if (Inside(cancelButton, x, y)) return ConfigControl::CancelButton;
    return ConfigControl::None;
}

bool TConfigDialog::Enabled(ConfigControl c) const {
    if (c == ConfigControl::None) return false;
    return c != ConfigControl::TrackBar || form_.DelayEnabled();
}

bool TConfigDialog::ShownDown(ConfigControl c) const {
    return c != ConfigControl::None && c != ConfigControl::TrackBar && pressed_ == c &&
           hovered_ == c;
}

void TConfigDialog::MouseDown(int32_t x, int32_t y) {
    const ConfigControl c = layout_.HitTest(x, y);
    if (!Enabled(c)) return;
    focus_ = c;
    hovered_ = c;
    if (c == ConfigControl::TrackBar) {
        dragging_ = true;
        SetPosition(layout_.PositionAt(x));
        return;
    }
    pressed_ = c;
}

void TConfigDialog::MouseMove(int32_t x, int32_t y) {
    hovered_ = layout_.HitTest(x, y);
    if (dragging_) SetPosition(layout_.PositionAt(x));
}

DialogResult TConfigDialog::MouseUp(int32_t x, int32_t y) {
    if (dragging_) {
        SetPosition(layout_.PositionAt(x));
        dragging_ = false;
        return DialogResult::None;
    }
    const ConfigControl pressed = pressed_;
    pressed_ = ConfigControl::None;
    hovered_ = layout_.HitTest(x, y);
    if (pressed == ConfigControl::None || hovered_ != pressed) return DialogResult::None;
    switch (pressed) {
        case ConfigControl::CheckBox:
            form_.SetUseDirectSound(!form_.UseDirectSound());
            break;
        case ConfigControl::OkButton:
            return DialogResult::Ok;
        case ConfigControl::CancelButton:
            return DialogResult::Cancel;
        default:
            break;
    }
    return DialogResult::None;
}

DialogResult TConfigDialog::HandleClick(int32_t x, int32_t y) {
    MouseDown(x, y);
    return MouseUp(x, y);
}

void TConfigDialog::CancelMouse() {
    pressed_ = ConfigControl::None;
    dragging_ = false;
}

void TConfigDialog::MoveFocus(bool back) {
    static constexpr ConfigControl kOrder[] = {ConfigControl::CheckBox, ConfigControl::TrackBar,
                                               ConfigControl::OkButton,
                                               ConfigControl::CancelButton};
    constexpr int n = int(std::size(kOrder));
    int i = 0;
    while (i < n && kOrder[i] != focus_) ++i;
    if (i == n) i = 0;
    for (int k = 0; k < n; ++k) {
        i = (i + (back ? n - 1 : 1)) % n;
        if (Enabled(kOrder[i])) {
            focus_ = kOrder[i];
            return;
        }
    }
}

DialogResult TConfigDialog::KeyDown(int32_t vk, bool shift, bool alt) {
    if (alt) {
        if (vk == kVkS) {
            focus_ = ConfigControl::CheckBox;
            form_.SetUseDirectSound(!form_.UseDirectSound());
        } else if (vk == kVkD && Enabled(ConfigControl::TrackBar)) {
            // A label's mnemonic goes to the control after it.
            focus_ = ConfigControl::TrackBar;
        }
        return DialogResult::None;
    }
    switch (vk) {
        case kVkTab:
            MoveFocus(shift);
            return DialogResult::None;
        case kVkEscape:
            return DialogResult::Cancel;
        case kVkReturn:
            // OK is the default button; a focused Cancel takes Enter for itself.
            return focus_ == ConfigControl::CancelButton ? DialogResult::Cancel : DialogResult::Ok;
        case kVkSpace:
            if (focus_ == ConfigControl::CheckBox)
                form_.SetUseDirectSound(!form_.UseDirectSound());
            else if (focus_ == ConfigControl::OkButton)
                return DialogResult::Ok;
            else if (focus_ == ConfigControl::CancelButton)
                return DialogResult::Cancel;
            return DialogResult::None;
        default:
            break;
    }
    if (focus_ == ConfigControl::TrackBar && Enabled(ConfigControl::TrackBar)) {
        const int32_t p = form_.DelayPosition();
        if (vk == kVkLeft || vk == kVkUp) SetPosition(p - 1);
        if (vk == kVkRight || vk == kVkDown) SetPosition(p + 1);
        if (vk == kVkHome) SetPosition(IConfigForm::kMinDelay);
        if (vk == kVkEnd) SetPosition(IConfigForm::kMaxDelay);
    }
    return DialogResult::None;
}

namespace {

using namespace ui_colors;

// A dotted rectangle: the focus mark of Windows controls.
void FocusRect(const TPixelBuffer& dst, const TRect& r) {
    const TRect c = Intersect(r, dst.Bounds());
    if (c.IsEmpty()) return;
    auto dot = [&](int32_t x, int32_t y) {
        if (x >= c.left && x < c.right && y >= c.top && y < c.bottom && ((x + y) & 1) == 0)
            dst.Row(y)[x] = kText;
    };
    for (int32_t x = r.left; x < r.right; ++x) {
        dot(x, r.top);
        dot(x, r.bottom - 1);
    }
    for (int32_t y = r.top; y < r.bottom; ++y) {
        dot(r.left, y);
        dot(r.right - 1, y);
    }
}

// A caption with its mnemonic underlined; returns the text's width.
int32_t DrawCaption(const TPixelBuffer& dst, TUiFont& font, int32_t x, int32_t y,
                    std::string_view caption, uint32_t color) {
    const TMnemonicText t = SplitMnemonic(caption);
    const int32_t end = font.Draw(dst, dst.Bounds(), x, y, t.shown, color);
    if (t.mark != std::string::npos) {
        const int32_t ux = x + font.Measure(std::string_view(t.shown).substr(0, t.mark));
        const int32_t uw = font.Measure(std::string_view(t.shown).substr(t.mark, t.markLength));
        const int32_t uy = y + font.Ascent() + 1;
        FillPixels(dst, {ux, uy, ux + uw, uy + 1}, color);
    }
    return end - x;
}

void PushButton(const TPixelBuffer& dst, TUiFont* font, const TRect& r, std::string_view caption,
                bool down, bool focused, bool isDefault) {
    TRect face = r;
    if (isDefault) {
        // The default button wears a dark outline.
        FillPixels(dst, r, kText);
        face = {r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
    }
    DrawButtonFrame(dst, face, down, kFace);
    if (font) {
        const int32_t shift = down ? 1 : 0;
        const int32_t tx = face.left + (face.Width() - font->Measure(caption)) / 2 + shift;
        const int32_t ty = face.top + (face.Height() - font->LineHeight()) / 2 + shift;
        font->Draw(dst, face, tx, ty, caption, kText);
    }
    if (focused) FocusRect(dst, {face.left + 3, face.top + 3, face.right - 3, face.bottom - 3});
}

}  // namespace

void TConfigDialog::Draw(const TPixelBuffer& dst, TUiFont* font) const {
    if (!dst.pixels) return;
    const TConfigDialogLayout& L = layout_;
    FillPixels(dst, dst.Bounds(), kFace);
    const bool delayOn = form_.DelayEnabled();
    const uint32_t delayInk = delayOn ? kText : kGrayText;

    // Check box: a sunken white square, a tick when set, the caption to its right.
    const TRect sq = L.checkSquare;
    const bool boxDown = ShownDown(ConfigControl::CheckBox);
    DrawButtonFrame(dst, sq, true, boxDown ? kFace : kHighlight);
    if (form_.UseDirectSound()) {
        // The classic tick: three pixels high, down for three columns, then up for four.
        static constexpr int32_t kDrop[] = {2, 3, 4, 3, 2, 1, 0};
        for (int32_t i = 0; i < 7; ++i) {
            const int32_t x = sq.left + 3 + i, y = sq.top + 3 + kDrop[i];
            FillPixels(dst, {x, y, x + 1, y + 3}, kText);
        }
    }
    const int32_t captionX = sq.right + 5;
    if (font) {
        const int32_t ty = sq.top + (sq.Height() - font->LineHeight()) / 2;
        const int32_t w =
            DrawCaption(dst, *font, captionX, ty, config_dialog_text::kDirectSound, kText);
        if (focus_ == ConfigControl::CheckBox)
            FocusRect(dst, {captionX - 2, ty - 1, captionX + w + 2, ty + font->LineHeight() + 1});
        DrawCaption(dst, *font, L.delayLabel.left, L.delayLabel.top, config_dialog_text::kDelay,
                    delayInk);
        font->Draw(dst, L.valueLabel, L.valueLabel.left,
                   L.valueLabel.top + (L.valueLabel.Height() - font->LineHeight()) / 2,
                   form_.DelayText(), delayInk);
    }

    // Track bar: a sunken channel, a tick under every position, the thumb over the channel.
    const TRect thumb = L.ThumbRect(form_.DelayPosition());
    const int32_t channelY = thumb.top + kThumbHeight / 2 - 2;
    const int32_t left = L.ThumbCentre(IConfigForm::kMinDelay);
    const int32_t right = L.ThumbCentre(IConfigForm::kMaxDelay);
    DrawButtonFrame(dst, {left - 2, channelY, right + 3, channelY + 4}, true, kHighlight);
    for (int32_t p = IConfigForm::kMinDelay; p <= IConfigForm::kMaxDelay; ++p) {
        const int32_t tx = L.ThumbCentre(p);
        FillPixels(dst, {tx, thumb.bottom + 2, tx + 1, thumb.bottom + 5}, delayInk);
    }
    DrawButtonFrame(dst, thumb, false, delayOn ? kFace : kLight);
    if (focus_ == ConfigControl::TrackBar && delayOn)
        FocusRect(dst, {L.trackBar.left, L.trackBar.top, L.trackBar.right, L.trackBar.bottom});

    // OK is the default unless Cancel has the focus.
    const bool cancelFocused = focus_ == ConfigControl::CancelButton;
    PushButton(dst, font, L.okButton, config_dialog_text::kOk, ShownDown(ConfigControl::OkButton),
               focus_ == ConfigControl::OkButton, !cancelFocused);
    PushButton(dst, font, L.cancelButton, config_dialog_text::kCancel,
               ShownDown(ConfigControl::CancelButton), cancelFocused, cancelFocused);
}

}  // namespace vesk
