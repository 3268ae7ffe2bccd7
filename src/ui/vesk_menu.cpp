#include "ui/vesk_menu.h"

#include <algorithm>

#include "base/stream.h"
#include "display/vesk_base_list.h"

namespace vesk {

TVeskMenu::TVeskMenu(TVeskBaseList* owner, TFontPixelManager& fonts)
    : TVeskCustomListBox(owner, fonts) {
    if (owner) owner->AddRightClickHandler(this);
}

bool TVeskMenu::Rolling() const {
    return Phase() >= kOpenStart && Phase() <= kClosing;
}

void TVeskMenu::SetHeight(int32_t h) {
    if (h != height_) SetBounds(left_, top_, width_, h);
}

void TVeskMenu::TakeLayoutSize(int32_t width, int32_t height) {
    fullHeight_ = height;
    // Rolling or closed, the menu keeps the height it shows now.
    const bool open = openState_ <= OpenAnimated && !Rolling();
    if (width != width_ || (open && height != height_))
        SetBounds(left_, top_, width, open ? height : height_);
}

void TVeskMenu::TakeFocus() {
    if (Owner() && IsVisible() && !IsPaused() && HandlesKeys()) Owner()->SetFocus(this);
}

void TVeskMenu::DropFocus() {
    if (Owner() && Owner()->Focused() == this) Owner()->SetFocus(nullptr);
}

void TVeskMenu::SetOpenState(uint8_t request) {
    if (request > CloseAnimated) return;
    if (request <= OpenAnimated && openState_ == OpenNow) return;
    if (request >= CloseNow && openState_ == CloseNow) return;
    openState_ = request;
    switch (request) {
        case OpenNow:
            busy_ = false;
            SetPhase(kIdle);
            MarkDirty();
            LayoutIfDirty();
            TakeFocus();
            QueueEvent(PR_ONOPENING);
            QueueEvent(PR_ONOPENED);
            return;
        case OpenAnimated:
            busy_ = false;
            SetPhase(kOpenStart);
            TakeFocus();
            return;
        case CloseNow:
            SetHeight(0);
            SetPhase(kIdle);
            DropFocus();
            QueueEvent(PR_ONCLOSING);
            QueueEvent(PR_ONCLOSED);
            return;
        default:
            SetPhase(kCloseStart);
            DropFocus();
            return;
    }
}

bool TVeskMenu::TakesKeysForItself() const {
    return openState_ <= OpenAnimated && !busy_;
}

void TVeskMenu::Chosen() {
    if (!autoScrap_) return;
    busy_ = true;
    SetPhase(kScrapStart);
}

bool TVeskMenu::StartCancel() {
    if (busy_ || openState_ >= CloseNow) return false;
    busy_ = true;
    SetPhase(kCancel);
    return true;
}

bool TVeskMenu::SwallowRightClick() {
    return rclickScrap_ && StartCancel();
}

void TVeskMenu::RightDown(int32_t x, int32_t y) {
    if (IsPaused() || !rclickScrap_) return TVeskControl::RightDown(x, y);
    // The click is the menu's either way.
    if (busy_ || openState_ >= CloseNow || !Owner()) return;
    busy_ = true;
    Owner()->SetSelection({}, -1);
    SetOpenState(CloseAnimated);
}

void TVeskMenu::KeyDown(const std::vector<int32_t>& keys) {
    if (openState_ <= OpenAnimated && !IsPaused()) {
        for (int32_t k : keys) {
            if ((k == 13 || k == 32) && Hovered() >= 0 && !busy_)
                ChooseHovered();
            else if (k == 27 && rclickScrap_)
                StartCancel();
            else if (!busy_)
                NavigateKey(k);
        }
    }
    TVeskControl::KeyDown(keys);
}

void TVeskMenu::KeyRepeat(const std::vector<int32_t>& keys) {
    if (openState_ <= OpenAnimated && !IsPaused() && !busy_)
        for (int32_t k : keys) NavigateKey(k);
    TVeskControl::KeyRepeat(keys);
}

bool TVeskMenu::Step(int32_t elapsed) {
    const bool ended = TVeskCustomListBox::Step(elapsed);
    clock_ += std::max(elapsed, 0);
    const int64_t since = clock_ - phaseStart_;
    // The height a rolling menu shows `since` ms into its animation.
    auto part = [&](int64_t ms) {
        return int32_t(delay_ > 0 ? ms * fullHeight_ / delay_ : fullHeight_);
    };
    switch (Phase()) {
        case kIdle:
            break;
        case kCancel:
            SetOpenState(CloseAnimated);
            break;
        case kOpenStart:
            MarkDirty();
            LayoutIfDirty();
            QueueEvent(PR_ONOPENING);
            SetHeight(0);
            SetPhase(kOpenClock);
            break;
        case kOpenClock:
            phaseStart_ = clock_;
            SetPhase(kOpening);
            break;
        case kOpening:
            if (since < delay_) {
                SetHeight(part(since));
            } else {
                SetPhase(kIdle);
                SetHeight(fullHeight_);
                QueueEvent(PR_ONOPENED);
            }
            break;
        case kCloseStart:
            busy_ = true;
            phaseStart_ = clock_;
            QueueEvent(PR_ONCLOSING);
            SetPhase(kClosing);
            break;
        case kClosing:
            busy_ = true;
            if (since < delay_) {
                SetHeight(fullHeight_ - part(since));
            } else {
                SetHeight(0);
                QueueEvent(PR_ONCLOSED);
                SetPhase(kFinishing);
            }
            break;
        case kScrapStart:
            busy_ = true;
            QueueEvent(PR_ONCLOSING);
            QueueEvent(PR_ONCLOSED);
            SetPhase(kScrapWait);
            break;
        case kScrapWait:
            SetPhase(kFinishing);
            break;
        case kFinishing: {
            // The closing pages run while the menu still exists.
            TTimerList* q = Owner() ? &Owner()->Events() : nullptr;
            if (!q || (!q->Find(Id(), PR_ONCLOSING) && !q->Find(Id(), PR_ONCLOSED))) return true;
            break;
        }
        default:
            SetPhase(kIdle);
            break;
    }
    return ended;
}

int32_t TVeskMenu::GetIntProp(int32_t index) {
    switch (index) {
        case PR_DELAY:
            return delay_;
        case PR_HOVERCOLOR:
            return hoverColor_;
        case PR_AUTOSCRAP:
            return autoScrap_;
        case PR_RCLICKSCRAP:
            return rclickScrap_;
        case PR_ORIGHEIGHT:
            // A rolling menu reports the height it rolls to.
            if (openState_ == OpenAnimated || openState_ == CloseAnimated) return fullHeight_;
            return height_;
        default:
            return TVeskCustomListBox::GetIntProp(index);
    }
}

void TVeskMenu::SetIntProp(int32_t index, int32_t value) {
    switch (index) {
        case PR_DELAY:
            delay_ = value;
            return;
        case PR_HOVERCOLOR:
            hoverColor_ = value;
            Invalidate();
            return;
        case PR_AUTOSCRAP:
            autoScrap_ = value != 0;
            return;
        case PR_RCLICKSCRAP:
            rclickScrap_ = value != 0;
            return;
        case PR_ORIGHEIGHT:
            return;
        default:
            TVeskCustomListBox::SetIntProp(index, value);
    }
}

std::string TVeskMenu::GetStrProp(int32_t index) {
    switch (index) {
        case PR_ONOPENING:
            return openingPage_;
        case PR_ONOPENED:
            return openedPage_;
        case PR_ONCLOSING:
            return closingPage_;
        case PR_ONCLOSED:
            return closedPage_;
        default:
            return TVeskCustomListBox::GetStrProp(index);
    }
}

void TVeskMenu::SetStrProp(int32_t index, const std::string& value) {
    switch (index) {
        case PR_ONOPENING:
            openingPage_ = value;
            return;
        case PR_ONOPENED:
            openedPage_ = value;
            return;
        case PR_ONCLOSING:
            closingPage_ = value;
            return;
        case PR_ONCLOSED:
            closedPage_ = value;
            return;
        default:
            TVeskCustomListBox::SetStrProp(index, value);
    }
}

void TVeskMenu::SaveState(StreamWriter& w) {
    TVeskCustomListBox::SaveState(w);
    w.I32(delay_);
    w.I32(hoverColor_);
    w.U8(autoScrap_);
    w.U8(rclickScrap_);
    w.U8(openState_);
    for (const std::string* p : {&openingPage_, &openedPage_, &closingPage_, &closedPage_})
        w.Str(*p);
}

void TVeskMenu::LoadState(StreamReader& r, int32_t version) {
    TVeskCustomListBox::LoadState(r, version);
    delay_ = r.I32("menu delay");
    hoverColor_ = r.I32("hover colour");
    autoScrap_ = r.U8("auto scrap") != 0;
    rclickScrap_ = r.U8("right-click scrap") != 0;
    openState_ = std::min<uint8_t>(r.U8("open state"), CloseAnimated);
    for (std::string* p : {&openingPage_, &openedPage_, &closingPage_, &closedPage_})
        *p = r.Str("menu page");
    // A menu saved while cancelling, closing or scrapping goes on doing so.
    busy_ = Phase() == kCancel || Phase() >= kCloseStart;
    LayoutIfDirty();
    phaseStart_ = clock_;
}

}  // namespace vesk
