#include "ui/vesk_button.h"

#include <algorithm>

#include "base/cp932.h"
#include "base/stream.h"
#include "display/quil_collection.h"
#include "display/vesk_base.h"
#include "display/vesk_base_list.h"
#include "display/vesk_motion.h"
#include "gfx/custom_dibx.h"

namespace vesk {

namespace {

std::string ExtensionOf(const std::string& name) {
    const size_t dot = name.find_last_of(".\\");
    if (dot == std::string::npos || name[dot] != '.') return {};
    return LowerAscii(name.substr(dot));
}

}  // namespace

TVeskButton::TVeskButton(TVeskBaseList* owner, TFontPixelManager& fonts)
    : TVeskImages(owner), caption_(fonts) {
    while (lists_.size() < 4) lists_.push_back(std::make_unique<TVeskImageList>());
    caption_.Add({});
}

// ---- looks

void TVeskButton::LoadLook(int32_t look, const std::string& name) {
    sources_[size_t(look)] = name;
    TVeskImageList& list = *lists_[size_t(look)];
    list.Clear();
    tracks_[size_t(look)].reset();
    TVeskBaseList* root = Owner();
    TQuilCollection* cache = root ? root->Images() : nullptr;
    const std::string ext = ExtensionOf(name);
    if (ext == ".qil" && cache) {
        list.Load(*cache, name);
    } else if (ext == ".lmt" && root) {
        if (auto track = root->LoadMotion(name)) {
            if (cache && !track->PictureFile.empty()) list.Load(*cache, track->PictureFile);
            tracks_[size_t(look)] = std::move(track);
        }
    }
    if (look == look_) ShowLook(look);
}

void TVeskButton::ShowLook(int32_t look) {
    Invalidate();
    look_ = look;
    current_ = size_t(look);
    SetMotion(tracks_[size_t(look)]);
    ForgetFrame();
    ResetFilmFrame();
    if (ActiveMotion())
        ShowFilmFrame();
    else
        SetIndex(0);
    Relayout();
    Invalidate();
}

void TVeskButton::TakeLook(int32_t look) {
    if (look_ == Clicked) {
        afterClick_ = look;
        return;
    }
    if (look == look_) return;
    const bool has = !lists_[size_t(look)]->Empty() || tracks_[size_t(look)];
    if (look != Normal && !has) return;
    if (look == Clicked) afterClick_ = Normal;
    ShowLook(look);
}

bool TVeskButton::ClickedLookEnded() {
    if (look_ != Clicked) return false;
    if (TVeskMotion* m = ActiveMotion()) return m->Finished();
    return Count() == 0 || (Index() >= Count() - 1 && Countdown() < 1);
}

// ---- clicks and groups

void TVeskButton::Click() {
    QueueEvent(PR_ONNOTIFY);
    if (group_ == 0) {
        const int32_t before = look_;
        TakeLook(Clicked);
        // Without a clicked look there is nothing to wait for.
        if (look_ == before && GetIntProp(PR_AUTOSCRAP)) pressed_ = -1;
        return;
    }
    if (allowAllUp_ || !selected_) SetSelected(!selected_);
}

void TVeskButton::SetSelected(bool on) {
    if (on == selected_ || (on && group_ == 0)) return;
    selected_ = on;
    TakeLook(on ? Pressed : Normal);
    Rebalance();
}

void TVeskButton::Rebalance() {
    TVeskControl* parent = Parent();
    if (group_ == 0 || !parent) return;
    std::vector<TVeskButton*> group;
    for (int32_t i = 0; i < parent->ChildCount(); ++i)
        if (auto* b = dynamic_cast<TVeskButton*>(parent->ChildAt(i)); b && b->group_ == group_)
            group.push_back(b);
    TVeskButton* down = selected_ ? this : nullptr;
    for (TVeskButton* b : group)
        if (!down && b->selected_) down = b;
    if (!down && !allowAllUp_ && !group.empty()) down = group.front();
    for (TVeskButton* b : group) {
        b->selected_ = b == down;
        b->TakeLook(b->selected_ ? Pressed : Normal);
    }
}

TVeskControl* TVeskButton::TopAt(int32_t x, int32_t y) {
    TVeskBase* layer = Layer();
    return layer ? layer->HitTest(x, y, kMaskHover) : nullptr;
}

// ---- input

void TVeskButton::LeftDown(int32_t x, int32_t y) {
    if (IgnoreMouse() != IM_NONE && IgnoreMouse() != IM_RCLICK) return TVeskImages::LeftDown(x, y);
    if (IsPaused() || look_ == Clicked) return;
    if (TVeskBase* layer = Layer()) layer->AddCapture(CAP_LEFT_HELD);
    TakeLook(Pressed);
    pressed_ = 1;
}

void TVeskButton::LeftUp(int32_t x, int32_t y) {
    if (pressed_ == 1 && TopAt(x, y) == this) {
        Click();
        if (pressed_ == -1) return;
    }
    if (pressed_ == 1) pressed_ = 0;
    if (group_ == 0 && look_ != Clicked) TakeLook(Normal);
}

void TVeskButton::MouseMove(int32_t x, int32_t y) {
    if (pressed_ == 1) {
        TakeLook(!selected_ && TopAt(x, y) != this ? Normal : Pressed);
        return;
    }
    if (IsPaused() || selected_)
        TakeLook(selected_ ? Pressed : Normal);
    else
        TakeLook(Hovered);
    TVeskImages::MouseMove(x, y);
}

void TVeskButton::MouseOut(TVeskControl* next) {
    if (look_ != Clicked) TakeLook(selected_ ? Pressed : Normal);
    TVeskImages::MouseOut(next);
}

void TVeskButton::KeyDown(const std::vector<int32_t>& keys) {
    if (!IsPaused() && pressed_ != -1 &&
        std::any_of(keys.begin(), keys.end(), [](int32_t k) { return k == 13 || k == 32; }))
        Click();
    TVeskImages::KeyDown(keys);
}

bool TVeskButton::Step(int32_t elapsed) {
    if (pressed_ == -1) return true;
    if (TVeskImages::Step(elapsed)) return true;
    if (ClickedLookEnded()) {
        // The play-end page was queued by the animation; the button takes the look asked
        // for meanwhile (the normal one when that look has no pictures).
        const int32_t next = afterClick_;
        look_ = -1;
        TakeLook(next);
        if (look_ == -1) ShowLook(Normal);
    }
    return false;
}

// ---- drawing

void TVeskButton::PaintSelf(TCustomDIBX& s) {
    TVeskImages::PaintSelf(s);
    if (captionText_.empty()) return;
    TTpLabelDIB& label = caption_[0];
    caption_.Alpha = std::clamp(Alpha(), 0, 511);
    label.Canvas();
    const TRect r = ScreenRect();
    const int32_t shift = look_ == Pressed || look_ == Clicked ? 1 : 0;
    label.Draw(s, r.left + (r.Width() - label.Width()) / 2 + shift,
               r.top + (r.Height() - label.Height()) / 2 + shift);
}

TRect TVeskButton::PaintRect() {
    TRect r = TVeskImages::PaintRect();
    if (captionText_.empty()) return r;
    // A caption wider than the picture reaches out of it, one pixel more when pressed.
    TTpLabelDIB& label = caption_[0];
    label.Canvas();
    const TRect box = ScreenRect();
    const int32_t x = box.left + (box.Width() - label.Width()) / 2;
    const int32_t y = box.top + (box.Height() - label.Height()) / 2;
    return Union(r, TRect{x, y, x + label.Width() + 1, y + label.Height() + 1});
}

// ---- properties

int32_t TVeskButton::GetIntProp(int32_t index) {
    switch (index) {
        case PR_REPEAT:
            // The clicked look plays once; the others loop.
            return look_ != Clicked;
        case PR_GROUPINDEX:
            return group_;
        case PR_SELECTED:
            return selected_;
        case PR_ALLOWALLUP:
            return allowAllUp_;
        case PR_FONTHEIGHT:
            return caption_.FontSize;
        case PR_FONTSTYLE:
            return caption_.Style;
        case PR_FONTCOLOR:
            return caption_.Color;
        case PR_ANTIALIAS:
            return caption_.Antialias != 0;
        default:
            return TVeskImages::GetIntProp(index);
    }
}

void TVeskButton::SetIntProp(int32_t index, int32_t value) {
    auto caption = [&](auto& field, auto v) {
        Invalidate();
        field = v;
        Invalidate();
    };
    switch (index) {
        case PR_REPEAT:
            return;
        case PR_GROUPINDEX:
            group_ = value;
            return Rebalance();
        case PR_SELECTED:
            return SetSelected(value != 0);
        case PR_ALLOWALLUP: {
            allowAllUp_ = value != 0;
            if (group_ != 0 && Parent())
                for (int32_t i = 0; i < Parent()->ChildCount(); ++i)
                    if (auto* b = dynamic_cast<TVeskButton*>(Parent()->ChildAt(i));
                        b && b->group_ == group_)
                        b->allowAllUp_ = allowAllUp_;
            return Rebalance();
        }
        case PR_PAUSED:
            TVeskImages::SetIntProp(index, value);
            if (value == 0) TakeLook(Normal);
            return;
        case PR_FONTHEIGHT:
            return caption(caption_.FontSize, value);
        case PR_FONTSTYLE:
            return caption(caption_.Style, uint8_t(value));
        case PR_FONTCOLOR:
            return caption(caption_.Color, value);
        case PR_ANTIALIAS:
            return caption(caption_.Antialias, value ? 3 : 0);
        default:
            TVeskImages::SetIntProp(index, value);
    }
}

std::string TVeskButton::GetStrProp(int32_t index) {
    switch (index) {
        case PR_HOVERSOURCE:
            return sources_[Hovered];
        case PR_PRESSEDSOURCE:
            return sources_[Pressed];
        case PR_CLICKEDSOURCE:
            return sources_[Clicked];
        case PR_ONNOTIFY:
            return clickPage_;
        case PR_TEXT:
            return captionText_;
        case PR_FONTNAME:
            return caption_.FontName;
        default:
            return TVeskImages::GetStrProp(index);
    }
}

void TVeskButton::SetStrProp(int32_t index, const std::string& value) {
    switch (index) {
        case PR_SOURCE:
            if (value == GetStrProp(PR_SOURCE)) return;
            TVeskImages::SetStrProp(index, value);
            sources_[Normal] = value;
            tracks_[Normal] =
                ExtensionOf(value) == ".lmt" && Owner() ? Owner()->LoadMotion(value) : nullptr;
            // The new frames went into the normal look's list; another look shows on.
            if (look_ != Normal) ShowLook(look_);
            return;
        case PR_HOVERSOURCE:
            return LoadLook(Hovered, value);
        case PR_PRESSEDSOURCE:
            return LoadLook(Pressed, value);
        case PR_CLICKEDSOURCE:
            return LoadLook(Clicked, value);
        case PR_ONNOTIFY:
            clickPage_ = value;
            return;
        case PR_TEXT:
            Invalidate();
            captionText_ = value;
            caption_[0].Text = value;
            Invalidate();
            return;
        case PR_FONTNAME:
            Invalidate();
            caption_.FontName = value;
            Invalidate();
            return;
        default:
            TVeskImages::SetStrProp(index, value);
    }
}

// ---- save and load

void TVeskButton::SaveState(StreamWriter& w) {
    TVeskImages::SaveState(w);
    w.Str(sources_[Hovered]);
    w.Str(sources_[Pressed]);
    w.I32(group_);
    w.U8(selected_);
    w.U8(allowAllUp_);
    w.Str(clickPage_);
    w.Str(GetStrProp(PR_ONIDLE));
    w.Str(sources_[Clicked]);
    caption_.SaveState(w);
    w.Str(captionText_);
}

void TVeskButton::LoadState(StreamReader& r, int32_t version) {
    TVeskImages::LoadState(r, version);
    const int32_t index = Index();
    const std::string hovered = r.Str("hovered source");
    const std::string pressed = r.Str("pressed source");
    group_ = r.I32("group");
    const bool selected = r.U8("selected") != 0;
    allowAllUp_ = r.U8("allow all up") != 0;
    clickPage_ = r.Str("click page");
    std::string clicked;
    if (version >= 104) {
        TVeskImages::SetStrProp(PR_ONIDLE, r.Str("idle page"));
        clicked = r.Str("clicked source");
    }
    if (version >= 137) {
        caption_.LoadState(r, version);
        captionText_ = r.Str("caption");
        caption_[0].Text = captionText_;
    }
    const std::string normal = TVeskImages::GetStrProp(PR_SOURCE);
    sources_[Normal] = normal;
    tracks_[Normal] =
        ExtensionOf(normal) == ".lmt" && Owner() ? Owner()->LoadMotion(normal) : nullptr;
    LoadLook(Hovered, hovered);
    LoadLook(Pressed, pressed);
    LoadLook(Clicked, clicked);
    look_ = Normal;
    current_ = 0;
    selected_ = false;
    SetSelected(selected);
    pressed_ = 0;
    SetIndex(index);
}

}  // namespace vesk
