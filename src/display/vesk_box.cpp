#include "display/vesk_box.h"

#include <algorithm>

#include "base/stream.h"
#include "display/vesk_base_list.h"
#include "gfx/custom_dibx.h"

namespace vesk {

namespace {

// The colour with each channel scaled by strength / 256 (the additive modes).
int32_t ScaleColor(int32_t color, int32_t strength) {
    const uint32_t c = uint32_t(color);
    auto ch = [&](int shift) { return ((c >> shift) & 255u) * uint32_t(strength) / 256u; };
    return int32_t(ch(0) | (ch(8) << 8) | (ch(16) << 16));
}

// Fills `r` in the box's draw mode: copy, blend or add.
void FillMode(TCustomDIBX& s, const TRect& r, int32_t color, int32_t alpha) {
    if (alpha == 255)
        s.FillRect(r, uint32_t(s.ColorToPixel(color)));
    else if (alpha < 255)
        s.FillRectAlpha(r, uint32_t(s.ColorToPixel(color)), alpha);
    else
        s.FillRectAdd(r, uint32_t(s.ColorToPixel(ScaleColor(color, alpha - 256))));
}

void FrameMode(TCustomDIBX& s, const TRect& r, int32_t w, int32_t color, int32_t alpha) {
    if (alpha == 255)
        s.FrameRect(r, w, uint32_t(s.ColorToPixel(color)));
    else if (alpha < 255)
        s.FrameRectAlpha(r, w, alpha, uint32_t(s.ColorToPixel(color)));
    else
        s.FrameRectAdd(r, w, uint32_t(s.ColorToPixel(ScaleColor(color, alpha - 256))));
}

bool IsMotionFile(const std::string& name) {
    if (name.size() < 4) return false;
    std::string ext = name.substr(name.size() - 4);
    for (char& ch : ext)
        if (ch >= 'A' && ch <= 'Z') ch = char(ch - 'A' + 'a');
    return ext == ".lmt";
}

}  // namespace

void TVeskBox::PaintSelf(TCustomDIBX& s) {
    if (alpha_ <= 0 || alpha_ >= 512) return;
    TRect r = ScreenRect();
    if (borderWidth_ > 0 && borderColor_ >= 0) {
        // A border of half the box or more covers it all; cut it there so the arithmetic
        // stays small.
        const int32_t w = std::min(borderWidth_, std::max(r.Width(), r.Height()) / 2 + 1);
        FrameMode(s, r, w, borderColor_, alpha_);
        r = {r.left + w, r.top + w, r.right - w, r.bottom - w};
    }
    if (color_ >= 0 && !r.IsEmpty()) FillMode(s, r, color_, alpha_);
}

int32_t TVeskBox::GetIntProp(int32_t index) {
    switch (index) {
        case PR_BORDERWIDTH:
            return borderWidth_;
        case PR_BORDERCOLOR:
            return borderColor_;
        case PR_ALPHA:
            return alpha_;
        case PR_PAUSED:
            return paused_;
        case PR_REPEAT:
            return repeat_;
        case PR_AUTOSCRAP:
            return autoScrap_;
        default:
            return TVeskControl::GetIntProp(index);
    }
}

void TVeskBox::SetIntProp(int32_t index, int32_t value) {
    auto change = [&](auto& field, auto v) {
        if (field == v) return;
        Invalidate();
        field = v;
        Invalidate();
    };
    switch (index) {
        case PR_BORDERWIDTH:
            return change(borderWidth_, value);
        case PR_BORDERCOLOR:
            return change(borderColor_, value);
        case PR_ALPHA:
            return change(alpha_, value);
        case PR_PAUSED:
            paused_ = value != 0;
            return;
        case PR_REPEAT:
            repeat_ = value != 0;
            return;
        case PR_AUTOSCRAP:
            autoScrap_ = value != 0;
            return;
        default:
            TVeskControl::SetIntProp(index, value);
    }
}

std::string TVeskBox::GetStrProp(int32_t index) {
    switch (index) {
        case PR_SOURCE:
            return source_;
        case PR_ONPLAYEND:
            return playEndPage_;
        case PR_ONIDLE:
            return idlePage_;
        default:
            return TVeskControl::GetStrProp(index);
    }
}

void TVeskBox::SetStrProp(int32_t index, const std::string& value) {
    switch (index) {
        case PR_SOURCE:
            source_ = value;
            if (IsMotionFile(value) && Owner())
                if (auto track = Owner()->LoadMotion(value)) SetMotion(std::move(track));
            return;
        case PR_ONPLAYEND:
            playEndPage_ = value;
            return;
        case PR_ONIDLE:
            idlePage_ = value;
            return;
        default:
            TVeskControl::SetStrProp(index, value);
    }
}

void TVeskBox::SaveState(StreamWriter& w) {
    TVeskControl::SaveState(w);
    w.Str(source_);
    w.I32(borderWidth_);
    w.I32(borderColor_);
    w.I32(alpha_);
    w.Flag(paused_);
    w.Flag(repeat_);
    w.Flag(autoScrap_);
    w.Str(playEndPage_);
    w.Str(idlePage_);
}

void TVeskBox::LoadState(StreamReader& r, int32_t version) {
    TVeskControl::LoadState(r, version);
    source_ = r.Str("box source");
    borderWidth_ = r.I32("border width");
    borderColor_ = r.I32("border colour");
    alpha_ = r.I32("alpha");
    paused_ = r.Flag("paused");
    repeat_ = r.Flag("repeat");
    autoScrap_ = r.Flag("auto scrap");
    playEndPage_ = r.Str("play-end page");
    idlePage_ = r.Str("idle page");
}

}  // namespace vesk
