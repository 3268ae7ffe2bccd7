#include "ui/vesk_slider.h"

#include <algorithm>

#include "base/stream.h"
#include "display/vesk_base.h"
#include "display/vesk_base_list.h"

namespace vesk {

namespace {

// Held end buttons and pages repeat after a pause, then steadily.
constexpr int32_t kFirstRepeatMs = 400;
constexpr int32_t kRepeatMs = 80;
// Longer bars than this are taken as this long (the picture would not fit any screen).
constexpr int32_t kMaxLength = 16384;

enum : int32_t {
    VK_PRIOR = 33,
    VK_NEXT = 34,
    VK_END = 35,
    VK_HOME = 36,
    VK_LEFT = 37,
    VK_UP = 38,
    VK_RIGHT = 39,
    VK_DOWN = 40,
};

bool Inside(const TRect& r, int32_t x, int32_t y) {
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

}  // namespace

TVeskSlider::TVeskSlider(TVeskBaseList* owner) : TVeskControl(owner) {}

int32_t TVeskSlider::Clamped(int64_t v) const {
    const int64_t hi = std::max(min_, max_);
    return int32_t(std::clamp<int64_t>(v, min_, hi));
}

bool TVeskSlider::TakesKeysForItself() const {
    return HandlesKeys() && !paused_;
}

bool TVeskSlider::TakesMouse() {
    const uint8_t mode = IgnoreMouse();
    return !paused_ && !IsDisabled() && (mode == IM_NONE || mode == IM_RCLICK) &&
           int64_t(max_) - min_ >= 1;
}

void TVeskSlider::Relayout() {
    const bool v = Vertical();
    int32_t along = barSize_ > 0 ? barSize_ : bar_.Along(v);
    if (along <= 0) along = v ? height_ : width_;
    int32_t across =
        std::max({bar_.Across(v), thumb_.Across(v), buttons_.Across(v, 0), buttons_.Across(v, 1)});
    if (across <= 0) across = v ? width_ : height_;
    along = std::min(along, kMaxLength);
    const int32_t w = v ? across : along, h = v ? along : across;
    if (w != width_ || h != height_) SetBounds(left_, top_, w, h);
    Invalidate();
}

TVeskSlider::Layout TVeskSlider::Geometry() {
    const bool v = Vertical();
    const TRect r = ScreenRect();
    const int32_t origin = v ? r.top : r.left, length = v ? r.Height() : r.Width();
    const int32_t side = v ? r.left : r.top, thickness = v ? r.Width() : r.Height();
    // A piece `len` long from `from` along the axis, `thick` wide and centred across it.
    auto piece = [&](int32_t from, int32_t len, int32_t thick) {
        const int32_t c = side + (thickness - thick) / 2;
        return v ? TRect{c, origin + from, c + thick, origin + from + len}
                 : TRect{origin + from, c, origin + from + len, c + thick};
    };
    const bool twoButtons = buttons_.Count() > 1;
    int32_t lowLen = std::clamp(buttons_.Along(v, 0), 0, std::max(length, 0) / 2);
    int32_t highLen =
        std::clamp(twoButtons ? buttons_.Along(v, 1) : lowLen, 0, std::max(length - lowLen, 0));
    Layout g;
    g.bar = piece(0, length, bar_.Empty() ? thickness : bar_.Across(v));
    g.lower = piece(0, lowLen, buttons_.Across(v, 0));
    g.upper = piece(length - highLen, highLen, buttons_.Across(v, twoButtons ? 1 : 0));
    const int32_t trackLen = std::max(length - lowLen - highLen, 0);
    g.track = piece(lowLen, trackLen, thickness);
    const int32_t thumbLen = std::min(thumb_.Along(v), trackLen);
    g.travel = trackLen - thumbLen;
    const int64_t range = int64_t(max_) - min_;
    int64_t at = 0;
    if (range > 0) at = ((int64_t(value_) - min_) * g.travel * 2 + range) / (2 * range);  // rounded
    g.thumb =
        piece(lowLen + int32_t(std::clamp<int64_t>(at, 0, g.travel)), thumbLen, thumb_.Across(v));
    return g;
}

TVeskSlider::Part TVeskSlider::PartAt(int32_t x, int32_t y) {
    const Layout g = Geometry();
    if (!g.thumb.IsEmpty() && Inside(g.thumb, x, y)) return Part::Thumb;
    if (!g.lower.IsEmpty() && Inside(g.lower, x, y)) return Part::Lower;
    if (!g.upper.IsEmpty() && Inside(g.upper, x, y)) return Part::Upper;
    if (captureMask_) return Inside(g.bar, x, y) ? Part::Bar : Part::None;
    return Inside(ScreenRect(), x, y) ? Part::Bar : Part::None;
}

TVeskControl* TVeskSlider::HitTest(int32_t x, int32_t y, uint8_t mask) {
    TVeskControl* hit = TVeskControl::HitTest(x, y, mask);
    // With a capture mask only the drawn parts take the mouse.
    if (hit == this && captureMask_ && PartAt(x, y) == Part::None) return nullptr;
    return hit;
}

void TVeskSlider::PaintSelf(TCustomDIBX& s) {
    const Layout g = Geometry();
    const bool v = Vertical();
    if (TVeskImageData* f = bar_.Frame(0))
        DrawFramePart(s, g.bar, *f, f->Picture().BoundsRect(), alpha_);
    auto button = [&](const TRect& where, size_t frame, size_t pressedFrame, bool pressed,
                      Flip flip) {
        TVeskImageData* f =
            buttons_.Frame(pressed && buttons_.Count() > pressedFrame ? pressedFrame : frame);
        if (f) DrawFramePart(s, where, *f, f->Picture().BoundsRect(), alpha_, flip);
    };
    button(g.lower, 0, 2, held_ == Part::Lower, Flip::None);
    if (buttons_.Count() > 1)
        button(g.upper, 1, 3, held_ == Part::Upper, Flip::None);
    else
        button(g.upper, 0, 2, held_ == Part::Upper, v ? Flip::Vertical : Flip::Horizontal);
    const size_t thumbFrame = Dragging() && thumb_.Count() > 1 ? 1 : 0;
    if (TVeskImageData* f = thumb_.Frame(thumbFrame))
        DrawFramePart(s, g.thumb, *f, f->Picture().BoundsRect(), alpha_);
}

void TVeskSlider::SetValue(int32_t v) {
    if (v == value_) return;
    value_ = v;
    Invalidate();
}

bool TVeskSlider::ChangeTo(int64_t v) {
    const int32_t next = Clamped(v);
    if (next == value_) return false;
    SetValue(next);
    QueueEvent(PR_ONNOTIFY, {std::to_string(value_)});
    return true;
}

bool TVeskSlider::ChangeBy(int64_t delta) {
    return ChangeTo(int64_t(value_) + delta);
}

bool TVeskSlider::RepeatHeld() {
    switch (held_) {
        case Part::Lower:
            return ChangeBy(-int64_t(smallChange_));
        case Part::Upper:
            return ChangeBy(smallChange_);
        case Part::Bar: {
            // Pages towards the press until the thumb has reached it.
            const Layout g = Geometry();
            const bool v = Vertical();
            const int32_t start = v ? g.thumb.top : g.thumb.left;
            const int32_t end = v ? g.thumb.bottom : g.thumb.right;
            if (pressAt_ < start) return ChangeBy(-int64_t(PageStep()));
            if (pressAt_ >= end) return ChangeBy(PageStep());
            return false;
        }
        default:
            return false;
    }
}

void TVeskSlider::LeftDown(int32_t x, int32_t y) {
    TVeskControl::LeftDown(x, y);
    if (!TakesMouse()) return;
    const bool v = Vertical();
    const int32_t along = v ? y : x;
    const Layout g = Geometry();
    switch (PartAt(x, y)) {
        case Part::Thumb:
            held_ = Part::Thumb;
            grab_ = along - (v ? g.thumb.top : g.thumb.left);
            QueueEvent(PR_ONHOLD);
            break;
        case Part::Lower:
        case Part::Upper:
            held_ = PartAt(x, y);
            RepeatHeld();
            break;
        case Part::Bar:
            if (PageStep() == 0 || !Inside(g.track, x, y)) return;
            held_ = Part::Bar;
            pressAt_ = along;
            RepeatHeld();
            break;
        case Part::None:
            return;
    }
    repeatIn_ = kFirstRepeatMs;
    Invalidate();
    if (TVeskBase* layer = Layer()) layer->AddCapture(CAP_LEFT_HELD);
}

void TVeskSlider::CaptureMove(int32_t x, int32_t y) {
    const bool v = Vertical();
    const int32_t along = v ? y : x;
    if (held_ == Part::Bar) pressAt_ = along;
    if (held_ != Part::Thumb || paused_) return;
    const Layout g = Geometry();
    if (g.travel <= 0) return;
    const int64_t pos =
        std::clamp<int64_t>(int64_t(along) - grab_ - (v ? g.track.top : g.track.left), 0, g.travel);
    const int64_t range = int64_t(max_) - min_;
    ChangeTo(min_ + (pos * range * 2 + g.travel) / (2 * int64_t(g.travel)));
}

void TVeskSlider::LeftUp(int32_t x, int32_t y) {
    if (held_ == Part::Thumb) QueueEvent(PR_ONRELEASE, {std::to_string(value_)});
    if (held_ != Part::None) Invalidate();
    held_ = Part::None;
    TVeskControl::LeftUp(x, y);
}

bool TVeskSlider::Step(int32_t elapsed) {
    if (held_ == Part::Lower || held_ == Part::Upper || held_ == Part::Bar) {
        TVeskBase* layer = Layer();
        if (!layer || !layer->LeftDownState()) {
            repeatIn_ = kFirstRepeatMs;
        } else {
            repeatIn_ -= std::max(elapsed, 0);
            while (repeatIn_ <= 0) {
                if (!RepeatHeld()) {
                    repeatIn_ = kRepeatMs;
                    break;
                }
                repeatIn_ += kRepeatMs;
            }
        }
    }
    return TVeskControl::Step(elapsed);
}

void TVeskSlider::StepKeys(const std::vector<int32_t>& keys) {
    if (paused_ || int64_t(max_) - min_ < 1) return;
    const int64_t page = PageStep() > 0 ? PageStep() : smallChange_;
    for (int32_t k : keys) {
        switch (k) {
            case VK_LEFT:
            case VK_UP:
                ChangeBy(-int64_t(smallChange_));
                break;
            case VK_RIGHT:
            case VK_DOWN:
                ChangeBy(smallChange_);
                break;
            case VK_PRIOR:
                ChangeBy(-page);
                break;
            case VK_NEXT:
                ChangeBy(page);
                break;
            case VK_HOME:
                ChangeTo(min_);
                break;
            case VK_END:
                ChangeTo(max_);
                break;
            default:
                break;
        }
    }
}

void TVeskSlider::KeyDown(const std::vector<int32_t>& keys) {
    StepKeys(keys);
    TVeskControl::KeyDown(keys);
}

void TVeskSlider::KeyRepeat(const std::vector<int32_t>& keys) {
    StepKeys(keys);
    TVeskControl::KeyRepeat(keys);
}

void TVeskSlider::RestoreSurfaces() {
    for (TPicturePart* p : {&bar_, &thumb_, &buttons_}) p->Refresh();
    Relayout();
}

int32_t TVeskSlider::GetIntProp(int32_t index) {
    switch (index) {
        case PR_ALPHA:
            return alpha_;
        case PR_PAUSED:
            return paused_;
        case PR_CAPTUREMASK:
            return captureMask_;
        case PR_MIN:
            return min_;
        case PR_MAX:
            return max_;
        case PR_VALUE:
            return value_;
        case PR_ORIENTATION:
            return orientation_;
        case PR_SMALLCHANGE:
            return smallChange_;
        case PR_BARSIZE:
            return barSize_;
        default:
            return TVeskControl::GetIntProp(index);
    }
}

void TVeskSlider::SetIntProp(int32_t index, int32_t value) {
    switch (index) {
        case PR_ALPHA:
            if (value == alpha_) return;
            alpha_ = value;
            Invalidate();
            return;
        case PR_PAUSED:
            paused_ = value != 0;
            if (paused_) held_ = Part::None;
            Invalidate();
            return;
        case PR_CAPTUREMASK:
            captureMask_ = value != 0;
            return;
        case PR_MIN:
            min_ = value;
            SetValue(Clamped(value_));
            Invalidate();
            return;
        case PR_MAX:
            max_ = value;
            SetValue(Clamped(value_));
            Invalidate();
            return;
        case PR_VALUE:
            SetValue(Clamped(value));
            return;
        case PR_ORIENTATION:
            if (value == orientation_) return;
            orientation_ = value;
            Relayout();
            return;
        case PR_SMALLCHANGE:
            smallChange_ = value;
            return;
        case PR_BARSIZE:
            barSize_ = std::clamp(value, 0, kMaxLength);
            Relayout();
            return;
        default:
            TVeskControl::SetIntProp(index, value);
    }
}

std::string TVeskSlider::GetStrProp(int32_t index) {
    switch (index) {
        case PR_SOURCE:
            return bar_.Name();
        case PR_THUMBSOURCE:
            return thumb_.Name();
        case PR_BUTTONSOURCE:
            return buttons_.Name();
        case PR_ONNOTIFY:
            return notifyPage_;
        case PR_ONHOLD:
            return holdPage_;
        case PR_ONRELEASE:
            return releasePage_;
        case PR_ONIDLE:
            return idlePage_;
        default:
            return TVeskControl::GetStrProp(index);
    }
}

void TVeskSlider::SetStrProp(int32_t index, const std::string& value) {
    switch (index) {
        case PR_SOURCE:
        case PR_THUMBSOURCE:
        case PR_BUTTONSOURCE: {
            TPicturePart& part =
                index == PR_SOURCE ? bar_ : (index == PR_THUMBSOURCE ? thumb_ : buttons_);
            if (value == part.Name()) return;
            Invalidate();
            part.Load(Owner(), value);
            Relayout();
            return;
        }
        case PR_ONNOTIFY:
            notifyPage_ = value;
            return;
        case PR_ONHOLD:
            holdPage_ = value;
            return;
        case PR_ONRELEASE:
            releasePage_ = value;
            return;
        case PR_ONIDLE:
            idlePage_ = value;
            return;
        default:
            TVeskControl::SetStrProp(index, value);
    }
}

void TVeskSlider::SaveState(StreamWriter& w) {
    TVeskControl::SaveState(w);
    w.Str(bar_.Name());
    w.Str(thumb_.Name());
    w.Str(buttons_.Name());
    w.I32(alpha_);
    w.Flag(paused_);
    w.Flag(captureMask_);
    for (int32_t v : {min_, max_, value_, orientation_, smallChange_, barSize_}) w.I32(v);
    for (const std::string* page : {&notifyPage_, &holdPage_, &releasePage_, &idlePage_})
        w.Str(*page);
}

void TVeskSlider::LoadState(StreamReader& r, int32_t version) {
    TVeskControl::LoadState(r, version);
    const std::string bar = r.Str("slider source");
    const std::string thumb = r.Str("thumb source");
    const std::string buttons = r.Str("button source");
    alpha_ = r.I32("alpha");
    paused_ = r.Flag("paused");
    captureMask_ = r.Flag("capture mask");
    min_ = r.I32("minimum");
    max_ = r.I32("maximum");
    value_ = r.I32("value");
    orientation_ = r.I32("orientation");
    smallChange_ = r.I32("small change");
    barSize_ = std::clamp(r.I32("bar size"), 0, kMaxLength);
    for (std::string* page : {&notifyPage_, &holdPage_, &releasePage_, &idlePage_})
        *page = r.Str("slider page");
    value_ = Clamped(value_);
    held_ = Part::None;
    bar_.Load(Owner(), bar);
    thumb_.Load(Owner(), thumb);
    buttons_.Load(Owner(), buttons);
    Relayout();
}

int32_t TVeskScrollbar::GetIntProp(int32_t index) {
    return index == PR_LARGECHANGE ? largeChange_ : TVeskSlider::GetIntProp(index);
}

void TVeskScrollbar::SetIntProp(int32_t index, int32_t value) {
    if (index == PR_LARGECHANGE)
        largeChange_ = value;
    else
        TVeskSlider::SetIntProp(index, value);
}

void TVeskScrollbar::SaveState(StreamWriter& w) {
    TVeskSlider::SaveState(w);
    w.I32(largeChange_);
}

void TVeskScrollbar::LoadState(StreamReader& r, int32_t version) {
    TVeskSlider::LoadState(r, version);
    largeChange_ = r.I32("large change");
}

}  // namespace vesk
