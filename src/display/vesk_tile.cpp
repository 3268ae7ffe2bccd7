#include "display/vesk_tile.h"

#include <algorithm>

#include "base/stream.h"

namespace vesk {

TVeskTile::TVeskTile(TVeskBaseList* owner) : TVeskCustomImages(owner) {}

TVeskTile::~TVeskTile() {
    // The frames go before the list that keeps them alive.
    DetachFrame();
}

void TVeskTile::SetSource(const std::string& name) {
    if (name == source_) return;
    Invalidate();
    source_ = name;
    LoadSource({&list_}, name);
    Invalidate();
}

void TVeskTile::PaintSelf(TCustomDIBX& s) {
    TDIBX* pic = CurrentPicture();
    const int32_t alpha = Alpha();
    if (pic->IsEmpty() || alpha < 1) return;
    const TRect dest = ScreenRect();
    if (dest.IsEmpty()) return;
    // Above 255 the tiles are added with strength alpha - 256.
    const bool add = alpha > 255;
    const int32_t a = add ? std::min(alpha - 256, 255) : alpha;
    if (a == 0) return;
    const TileLayout layout{scrollX_, scrollY_, distanceX_, distanceY_};
    const Flip flip = FlipOf(GetIntProp(PR_FLIPH) != 0, GetIntProp(PR_FLIPV) != 0);
    const TRect src = pic->BoundsRect();
    TDIBX* mask = CurrentMask();
    if (ZoomX() != 256 || ZoomY() != 256) {
        const int32_t mode = add ? 256 + a : a;
        const Zoom zoom{ZoomX(), ZoomY()};
        if (mask)
            s.TileStretchDrawMask(dest, src, *pic, *mask, mode, zoom, layout, flip);
        else
            s.TileStretchDraw(dest, src, *pic, mode, zoom, layout,
                              {.flip = flip, .key = Key::Skip});
        return;
    }
    if (mask) {
        if (add)
            s.TileDrawMaskAdd(dest, src, *pic, *mask, a, layout, flip);
        else if (a == 255)
            s.TileDrawMask(dest, src, *pic, *mask, layout, flip);
        else
            s.TileDrawMaskAlpha(dest, src, *pic, *mask, a, layout, flip);
    } else if (add) {
        s.TileDrawAdd(dest, src, *pic, a, layout, flip);
    } else if (a == 255) {
        s.TileDraw(dest, src, *pic, layout, {.flip = flip, .key = Key::Skip});
    } else {
        s.TileDrawAlpha(dest, src, *pic, a, layout, {.flip = flip, .key = Key::Skip});
    }
}

int32_t TVeskTile::GetIntProp(int32_t index) {
    switch (index) {
        case PR_REPEAT:
            return repeat_;
        case PR_SCROLLX:
            return scrollX_;
        case PR_SCROLLY:
            return scrollY_;
        case PR_DISTANCEX:
            return distanceX_;
        case PR_DISTANCEY:
            return distanceY_;
        default:
            return TVeskCustomImages::GetIntProp(index);
    }
}

void TVeskTile::SetIntProp(int32_t index, int32_t value) {
    // The pattern (and the children, which scroll with it) moves within the area.
    auto change = [&](int32_t& field) {
        if (field == value) return;
        field = value;
        Invalidate();
    };
    switch (index) {
        case PR_REPEAT:
            repeat_ = value != 0;
            return;
        case PR_SCROLLX:
            return change(scrollX_);
        case PR_SCROLLY:
            return change(scrollY_);
        case PR_DISTANCEX:
            return change(distanceX_);
        case PR_DISTANCEY:
            return change(distanceY_);
        default:
            TVeskCustomImages::SetIntProp(index, value);
    }
}

std::string TVeskTile::GetStrProp(int32_t index) {
    switch (index) {
        case PR_SOURCE:
            return source_;
        case PR_ONIDLE:
            return idlePage_;
        default:
            return TVeskCustomImages::GetStrProp(index);
    }
}

void TVeskTile::SetStrProp(int32_t index, const std::string& value) {
    switch (index) {
        case PR_SOURCE:
            return SetSource(value);
        case PR_ONIDLE:
            idlePage_ = value;
            return;
        default:
            TVeskCustomImages::SetStrProp(index, value);
    }
}

void TVeskTile::SaveState(StreamWriter& w) {
    TVeskCustomImages::SaveState(w);
    w.Flag(repeat_);
    w.Str(source_);
    w.Str(idlePage_);
    for (int32_t v : {scrollX_, scrollY_, distanceX_, distanceY_}) w.I32(v);
}

void TVeskTile::LoadState(StreamReader& r, int32_t version) {
    TVeskCustomImages::LoadState(r, version);
    const int32_t index = Index(), countdown = Countdown();
    repeat_ = r.Flag("repeat");
    const std::string source = r.Str("tile source");
    idlePage_ = r.Str("idle page");
    scrollX_ = r.I32("scroll x");
    scrollY_ = r.I32("scroll y");
    distanceX_ = r.I32("distance x");
    distanceY_ = r.I32("distance y");
    source_.clear();
    ForgetFrame();
    SetSource(source);
    SetIndex(index);
    SetCountdown(countdown);
}

}  // namespace vesk
