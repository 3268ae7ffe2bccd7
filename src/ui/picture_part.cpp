#include "ui/picture_part.h"

#include <algorithm>

#include "base/cp932.h"
#include "display/vesk_base_list.h"
#include "gfx/custom_dibx.h"

namespace vesk {

void TPicturePart::Load(TVeskBaseList* owner, const std::string& name) {
    name_ = name;
    list_.Clear();
    TQuilCollection* cache = owner ? owner->Images() : nullptr;
    const bool layered = name.size() >= 4 && LowerAscii(name.substr(name.size() - 4)) == ".qil";
    if (cache && layered) list_.Load(*cache, name);
}

TVeskImageData* TPicturePart::Frame(size_t i) {
    return i < list_.Count() ? &list_.At(i) : nullptr;
}

int32_t TPicturePart::Width(size_t i) {
    TVeskImageData* f = Frame(i);
    return f ? f->Picture().Width() : 0;
}

int32_t TPicturePart::Height(size_t i) {
    TVeskImageData* f = Frame(i);
    return f ? f->Picture().Height() : 0;
}

void DrawFramePart(TCustomDIBX& s, const TRect& dest, TVeskImageData& frame, const TRect& src,
                   int32_t alpha, Flip flip) {
    TCustomDIBX& pic = frame.Picture();
    if (alpha < 1 || alpha > 511 || pic.IsEmpty() || dest.Width() <= 0 || dest.Height() <= 0 ||
        src.Width() <= 0 || src.Height() <= 0)
        return;
    const bool add = alpha > 255;
    const int32_t a = add ? std::min(alpha - 256, 255) : alpha;
    if (a == 0) return;
    TCustomDIBX* mask = frame.Mask();
    if (dest.Width() == src.Width() && dest.Height() == src.Height()) {
        const int32_t x = dest.left, y = dest.top;
        if (mask) {
            if (add)
                s.DrawMaskAdd(x, y, src, pic, *mask, a, flip);
            else if (a == 255)
                s.DrawMask(x, y, src, pic, *mask, flip);
            else
                s.DrawMaskAlpha(x, y, src, pic, *mask, a, flip);
        } else if (add) {
            s.DrawAdd(x, y, src, pic, a, flip);
        } else if (a == 255) {
            s.Draw(x, y, src, pic, {.flip = flip, .key = Key::Skip});
        } else {
            s.DrawAlpha(x, y, src, pic, a, {.flip = flip, .key = Key::Skip});
        }
        return;
    }
    if (mask) {
        if (add)
            s.StretchDrawMaskAdd(dest, src, pic, *mask, a, flip);
        else
            s.StretchDrawMask(dest, src, pic, *mask, a, flip);
    } else if (add) {
        s.StretchDrawAdd(dest, src, pic, a, {.flip = flip, .key = Key::Skip});
    } else {
        s.StretchDraw(dest, src, pic, a, {.flip = flip, .key = Key::Skip});
    }
}

}  // namespace vesk
