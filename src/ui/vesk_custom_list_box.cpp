#include "ui/vesk_custom_list_box.h"

#include <algorithm>

#include "base/error.h"
#include "base/stream.h"
#include "display/picture_draw.h"
#include "display/quil_collection.h"
#include "display/vesk_base.h"
#include "display/vesk_base_list.h"
#include "gfx/custom_dibx.h"
#include "text/font_pixels.h"
#include "text/vesk_label.h"

namespace vesk {

namespace {

// Sizes from scripts can be anything; a list is never laid out larger than this.
constexpr int64_t kMaxExtent = int64_t(1) << 20;

int32_t Extent(int64_t v) {
    return int32_t(std::clamp<int64_t>(v, 0, kMaxExtent));
}

int32_t ScaleColor(int32_t color, int32_t strength) {
    const uint32_t c = uint32_t(color);
    auto ch = [&](int shift) { return ((c >> shift) & 255u) * uint32_t(strength) / 256u; };
    return int32_t(ch(0) | (ch(8) << 8) | (ch(16) << 16));
}

// Fills or frames in the list's draw mode: copy, blend or add.
void FillMode(TCustomDIBX& s, const TRect& r, int32_t color, int32_t alpha) {
    if (alpha == 255)
        s.FillRect(r, uint32_t(s.ColorToPixel(color)));
    else if (alpha < 255)
        s.FillRectAlpha(r, uint32_t(s.ColorToPixel(color)), alpha);
    else
        s.FillRectAdd(r, uint32_t(s.ColorToPixel(ScaleColor(color, std::min(alpha - 256, 255)))));
}

void FrameMode(TCustomDIBX& s, const TRect& r, int32_t w, int32_t color, int32_t alpha) {
    if (alpha == 255)
        s.FrameRect(r, w, uint32_t(s.ColorToPixel(color)));
    else if (alpha < 255)
        s.FrameRectAlpha(r, w, alpha, uint32_t(s.ColorToPixel(color)));
    else
        s.FrameRectAdd(r, w,
                       uint32_t(s.ColorToPixel(ScaleColor(color, std::min(alpha - 256, 255)))));
}

// One rectangle of a picture at a point, in the list's draw mode.
void DrawPart(TCustomDIBX& s, int32_t x, int32_t y, const TRect& src, TCustomDIBX& pic,
              TCustomDIBX* mask, int32_t alpha) {
    if (alpha < 1 || pic.IsEmpty()) return;
    const bool add = alpha > 255;
    const int32_t a = add ? std::min(alpha - 256, 255) : alpha;
    if (a == 0) return;
    if (mask) {
        if (add)
            s.DrawMaskAdd(x, y, src, pic, *mask, a);
        else if (a == 255)
            s.DrawMask(x, y, src, pic, *mask);
        else
            s.DrawMaskAlpha(x, y, src, pic, *mask, a);
    } else if (add) {
        s.DrawAdd(x, y, src, pic, a);
    } else if (a == 255) {
        s.Draw(x, y, src, pic, {.key = Key::Skip});
    } else {
        s.DrawAlpha(x, y, src, pic, a, {.key = Key::Skip});
    }
}

// Where the first tile of a piece starts in a cell: from the start, centred, or so that
// the last tile ends at the cell's end.
int32_t TileOrigin(uint8_t align, int32_t cell, int32_t piece) {
    if (piece <= 0) return 0;
    switch (align) {
        case 1:
            return piece > cell ? (cell - piece) / 2 : -((cell % piece) / 2);
        case 2:
            return piece > cell ? cell - piece : (cell % piece == 0 ? 0 : cell % piece - piece);
        default:
            return 0;
    }
}

// Fills `dest` with copies of the part `src` of a picture, the first one at `origin`
// (relative to dest), repeated across and/or down.
void TilePart(TCustomDIBX& s, const TRect& dest, int32_t ox, int32_t oy, bool across, bool down,
              const TRect& src, TCustomDIBX& pic, TCustomDIBX* mask, int32_t alpha) {
    const int32_t pw = src.Width(), ph = src.Height();
    if (dest.IsEmpty() || pw <= 0 || ph <= 0) return;
    const TRect saved = s.ClipRect();
    const TRect clip = Intersect(s.ClipArea(), dest);
    if (clip.IsEmpty()) return;
    s.SetClipRect(clip);
    // Tiles wholly left of or above the visible part are skipped.
    int32_t x0 = dest.left + ox, y0 = dest.top + oy;
    if (across && x0 + pw <= clip.left) x0 += (clip.left - x0) / pw * pw;
    if (down && y0 + ph <= clip.top) y0 += (clip.top - y0) / ph * ph;
    for (int32_t y = y0; y < clip.bottom; y += ph) {
        for (int32_t x = x0; x < clip.right; x += pw) {
            DrawPart(s, x, y, src, pic, mask, alpha);
            if (!across) break;
        }
        if (!down) break;
    }
    s.SetClipRect(saved);
}

}  // namespace

struct TVeskCustomListBox::Geometry {
    int32_t frameL = 0, frameR = 0, frameT = 0, frameB = 0;
    int32_t scrollW = 0, scrollH = 0;
    int32_t checkW = 0;
    int32_t rowH = 0;
    bool scroll = false;
};

TVeskCustomListBox::TVeskCustomListBox(TVeskBaseList* owner, TFontPixelManager& fonts)
    : TVeskControl(owner), fonts_(fonts), normal_(fonts), hover_(fonts) {
    color_ = -1;
}

TVeskCustomListBox::~TVeskCustomListBox() = default;

// ---- items

void TVeskCustomListBox::SetText(const std::string& text) {
    // Control characters at either end make no items (but blanks are text).
    size_t b = 0, e = text.size();
    while (b < e && uint8_t(text[b]) < 0x20) ++b;
    while (e > b && uint8_t(text[e - 1]) < 0x20) --e;
    text_ = text.substr(b, e - b);
    items_ = text_.empty() ? std::vector<std::string>{} : SplitTextLines(text_);
    normal_.Clear();
    hover_.Clear();
    for (const std::string& item : items_) {
        normal_.Add(item);
        hover_.Add(item);
    }
    checks_.assign(items_.size(), 0);
    topIndex_ = 0;
    hovered_ = -1;
    MarkDirty();
}

bool TVeskCustomListBox::ItemChecked(int32_t i) const {
    return i >= 0 && size_t(i) < checks_.size() && checks_[size_t(i)] != 0;
}

void TVeskCustomListBox::SetItemChecked(int32_t i, bool on) {
    if (i < 0 || size_t(i) >= checks_.size() || (checks_[size_t(i)] != 0) == on) return;
    checks_[size_t(i)] = on;
    Invalidate();
}

void TVeskCustomListBox::SetTopIndex(int32_t v) {
    const int32_t rows = std::max(rowCount_, 0);
    const int32_t count = ItemCount();
    v = count > rows ? std::clamp(v, 0, count - rows) : 0;
    if (v == topIndex_) return;
    topIndex_ = v;
    ReleaseHiddenLabels();
    Invalidate();
}

void TVeskCustomListBox::ReleaseHiddenLabels() {
    const int64_t first = topIndex_, last = int64_t(topIndex_) + std::max(rowCount_, 0);
    for (int32_t i = 0; i < ItemCount(); ++i)
        if (i < first || i >= last) {
            normal_[size_t(i)].Release();
            hover_[size_t(i)].Release();
        }
}

void TVeskCustomListBox::LoadPicture(std::string& source, TVeskImageList& list,
                                     const std::string& name) {
    source = name;
    list.Clear();
    TQuilCollection* cache = Owner() ? Owner()->Images() : nullptr;
    if (!name.empty() && cache) {
        list.Load(*cache, name);
        // A missing file leaves the piece empty rather than showing a stand-in.
        if (list.Item() && list.Item()->Failed()) list.Clear();
    }
    if (!list.Empty()) {
        list.Index = 0;
        list.Countdown = list.At(0).Frame().Delay;
    }
    MarkDirty();
}

int32_t TVeskCustomListBox::PicWidth(TVeskImageList& l) {
    return l.Empty() ? 0 : l.At(0).Picture().Width();
}

int32_t TVeskCustomListBox::PicHeight(TVeskImageList& l) {
    return l.Empty() ? 0 : l.At(0).Picture().Height();
}

int32_t TVeskCustomListBox::ScrollCellWidth() {
    return PicWidth(scroll_) / 7;
}
int32_t TVeskCustomListBox::ScrollCellHeight() {
    return PicHeight(scroll_);
}
int32_t TVeskCustomListBox::CheckCellWidth() {
    return PicWidth(check_) / 2;
}

int32_t TVeskCustomListBox::RowHeight() {
    auto height = [](TTpLabelList& l) {
        return l.TextHeight() + 2 * std::clamp(l.Border, 0, kMaxBorderWidth) +
               std::clamp(l.Shadow, 0, kMaxBorderWidth);
    };
    return std::max(height(normal_), height(hover_));
}

// ---- layout

void TVeskCustomListBox::MarkDirty() {
    dirty_ = true;
    Invalidate();
}

TVeskCustomListBox::Geometry TVeskCustomListBox::Measure() {
    Geometry g;
    auto w = [&](int i) { return PicWidth(pieces_[size_t(i)].List); };
    auto h = [&](int i) { return PicHeight(pieces_[size_t(i)].List); };
    g.frameL = std::max({w(0), w(3), w(6)});
    g.frameR = std::max({w(2), w(5), w(8)});
    g.frameT = std::max({h(0), h(1), h(2)});
    g.frameB = std::max({h(6), h(7), h(8)});
    g.scroll = NeedsScroll();
    g.scrollW = g.scroll ? ScrollCellWidth() : 0;
    g.scrollH = ScrollCellHeight();
    g.checkW = CheckCellWidth();
    g.rowH = RowHeight();
    return g;
}

void TVeskCustomListBox::Layout() {
    normal_.Alpha = hover_.Alpha = alpha_;
    const Geometry g = Measure();
    int32_t widest = 0;
    for (int32_t i = 0; i < ItemCount(); ++i) {
        // Every label is measured; only the ones in view keep their surfaces.
        const bool shown = i >= topIndex_ && int64_t(i) < int64_t(topIndex_) + rowCount_;
        for (TTpLabelList* l : {&normal_, &hover_}) {
            TTpLabelDIB& label = (*l)[size_t(i)];
            label.Canvas();
            widest = std::max(widest, label.Width());
            if (!shown) label.Release();
        }
    }
    const int64_t width = int64_t(widest) + 2 * int64_t(borderWidth_) + g.frameL + g.frameR +
                          2 * int64_t(marginX_) + g.checkW + g.scrollW;
    const int64_t rows = std::clamp<int64_t>(std::min(rowCount_, ItemCount()), 0, INT32_MAX);
    // No rows means no gaps between them either.
    const int64_t height = rows * g.rowH + std::max<int64_t>(rows - 1, 0) * lineSpace_ +
                           2 * int64_t(borderWidth_) + g.frameT + g.frameB + 2 * int64_t(marginY_);
    dirty_ = false;
    TakeLayoutSize(Extent(width), Extent(height));
}

void TVeskCustomListBox::TakeLayoutSize(int32_t width, int32_t height) {
    if (width != width_ || height != height_) SetBounds(left_, top_, width, height);
}

void TVeskCustomListBox::LayoutIfDirty() {
    if (dirty_) Layout();
}

// ---- hit tests

int32_t TVeskCustomListBox::ItemAt(int32_t x, int32_t y) {
    LayoutIfDirty();
    const Geometry g = Measure();
    const TRect r = ScreenRect();
    const int64_t left = int64_t(r.left) + g.frameL + borderWidth_;
    const int64_t right = int64_t(r.right) - g.frameR - borderWidth_ - g.scrollW;
    int64_t top = int64_t(r.top) + marginY_ + g.frameT + borderWidth_;
    int64_t bottom = int64_t(r.bottom) - marginY_ - g.frameB - borderWidth_;
    const int64_t h = std::min(lineSpace_ / 2, marginY_);
    top -= h;
    bottom += h;
    if (x < left || x >= right || y < top || y >= bottom) return -1;
    int32_t hit = -1;
    const int64_t rows = std::max(rowCount_, 0);
    for (int64_t k = 0; k < rows && topIndex_ + k < ItemCount(); ++k) {
        const int64_t start = top + h - lineSpace_ / 2 + k * (int64_t(g.rowH) + lineSpace_);
        if (start > y) break;
        hit = int32_t(topIndex_ + k);
    }
    return hit;
}

int32_t TVeskCustomListBox::TrackLength() {
    const Geometry g = Measure();
    return height_ - 2 * borderWidth_ - g.frameT - g.frameB - 3 * g.scrollH;
}

int32_t TVeskCustomListBox::ThumbTop() {
    const Geometry g = Measure();
    const int64_t span = int64_t(ItemCount()) - std::max(rowCount_, 0);
    if (span < 1) return 0;
    return int32_t(int64_t(ScreenTop()) + borderWidth_ + g.frameT + g.scrollH +
                   int64_t(TrackLength()) * topIndex_ / span);
}

TVeskCustomListBox::Action TVeskCustomListBox::ScrollPartAt(int32_t x, int32_t y) {
    const Geometry g = Measure();
    if (!g.scroll || g.scrollW <= 0 || g.scrollH <= 0) return Action::Items;
    const TRect r = ScreenRect();
    const int32_t colRight = r.right - borderWidth_ - g.frameR;
    const int32_t colLeft = colRight - g.scrollW;
    const int32_t top = r.top + borderWidth_ + g.frameT;
    const int32_t bottom = r.bottom - borderWidth_ - g.frameB;
    if (x < colLeft || x >= colRight || y < top || y >= bottom) return Action::Items;
    if (y < top + g.scrollH) return Action::ArrowUp;
    if (y >= bottom - g.scrollH) return Action::ArrowDown;
    const int32_t thumb = ThumbTop();
    if (y < thumb) return Action::TrackUp;
    if (y < thumb + g.scrollH) return Action::Thumb;
    return Action::TrackDown;
}

// ---- input

void TVeskCustomListBox::SetHover(int32_t i) {
    if (i >= ItemCount()) i = -1;
    if (i == hovered_) return;
    const int32_t old = hovered_;
    if (old >= 0 && old < ItemCount())
        QueueEvent(PR_ONMAPOUT, {items_[size_t(old)], std::to_string(old)});
    hovered_ = i;
    index_ = -1;
    Invalidate();
    if (i >= 0) QueueEvent(PR_ONMAPIN, {items_[size_t(i)], std::to_string(i)});
}

void TVeskCustomListBox::ChooseHovered() {
    const int32_t i = hovered_;
    if (i < 0 || i >= ItemCount() || !Owner()) return;
    index_ = i;
    Owner()->SetSelection(items_[size_t(i)], i);
    QueueEvent(PR_ONSELECT, {items_[size_t(i)], std::to_string(i)});
    Chosen();
}

bool TVeskCustomListBox::NavigateKey(int32_t key) {
    const int32_t count = ItemCount();
    const int32_t rows = std::max(rowCount_, 0);
    int32_t to = hovered_;
    switch (key) {
        case 38:  // up
            to = hovered_ > 0 ? hovered_ - 1 : (hovered_ < 0 ? count - 1 : hovered_);
            break;
        case 40:  // down
            to = hovered_ < 0 ? 0 : std::min(hovered_ + 1, count - 1);
            break;
        case 33:  // page up
            to = hovered_ > 0 ? std::max(0, hovered_ - rows) : (hovered_ < 0 ? count - 1 : 0);
            break;
        case 34:  // page down
            to = hovered_ < 0 ? 0 : int32_t(std::min<int64_t>(count - 1, int64_t(hovered_) + rows));
            break;
        default:
            return false;
    }
    if (count == 0) return true;
    SetHover(to);
    if (hovered_ >= 0) {
        if (hovered_ < topIndex_)
            SetTopIndex(hovered_);
        else if (int64_t(hovered_) >= int64_t(topIndex_) + rows)
            SetTopIndex(hovered_ - rows + 1);
    }
    return true;
}

void TVeskCustomListBox::KeyDown(const std::vector<int32_t>& keys) {
    if (!paused_)
        for (int32_t k : keys) NavigateKey(k);
    TVeskControl::KeyDown(keys);
}

void TVeskCustomListBox::KeyRepeat(const std::vector<int32_t>& keys) {
    // A held arrow keeps moving.
    if (!paused_)
        for (int32_t k : keys) NavigateKey(k);
    TVeskControl::KeyRepeat(keys);
}

void TVeskCustomListBox::LeftDown(int32_t x, int32_t y) {
    if (paused_) return TVeskControl::LeftDown(x, y);
    if (TVeskBase* layer = Layer()) layer->AddCapture(CAP_LEFT_HELD);
    action_ = ScrollPartAt(x, y);
    switch (action_) {
        case Action::Thumb:
            dragOffset_ = y - ThumbTop() - ScrollCellHeight() / 2;
            break;
        case Action::ArrowUp:
        case Action::ArrowDown:
        case Action::TrackUp:
        case Action::TrackDown:
            repeatCountdown_ = 0;
            RepeatStep(0);
            repeatCountdown_ = kRepeatFirst;
            break;
        default:
            // A press without a move before it still knows its item.
            SetHover(ItemAt(x, y));
            break;
    }
}

void TVeskCustomListBox::LeftUp(int32_t x, int32_t y) {
    if (paused_ && action_ == Action::None) return TVeskControl::LeftUp(x, y);
    const Action was = action_;
    action_ = Action::None;
    if (arrowPressedLook_ || trackPressedLook_) Invalidate();
    arrowPressedLook_ = trackPressedLook_ = false;
    if (was == Action::Items && hovered_ >= 0 && !Busy() && !paused_) ChooseHovered();
}

void TVeskCustomListBox::MouseMove(int32_t x, int32_t y) {
    TVeskControl::MouseMove(x, y);
    if (paused_) return;
    if (action_ == Action::Thumb) {
        const int32_t span = ItemCount() - std::max(rowCount_, 0);
        const int32_t track = TrackLength();
        if (span < 1 || track <= 0) return;
        const int32_t cell = ScrollCellHeight();
        const int64_t areaTop = int64_t(ScreenTop()) + borderWidth_ + Measure().frameT + cell;
        const int64_t num = int64_t(span) * (int64_t(y) - dragOffset_ - areaTop - cell / 2);
        // Rounded to the nearest item.
        const int64_t index =
            num >= 0 ? (2 * num + track) / (2 * track) : -((-2 * num + track) / (2 * track));
        SetTopIndex(int32_t(std::clamp<int64_t>(index, 0, span)));
    } else if (action_ == Action::Items || action_ == Action::None) {
        SetHover(ItemAt(x, y));
    }
}

void TVeskCustomListBox::MouseOut(TVeskControl* next) {
    if (IgnoreMouse() != IM_ALL) SetHover(-1);
    TVeskControl::MouseOut(next);
}

void TVeskCustomListBox::WheelTurn(bool down) {
    if (!paused_ && !Busy() && NeedsScroll()) {
        SetTopIndex(topIndex_ + (down ? 1 : -1));
        // The item under the mouse is another one now.
        if (TVeskBase* layer = Layer(); layer && action_ == Action::None)
            SetHover(ItemAt(layer->MouseX(), layer->MouseY()));
    }
    TVeskControl::WheelTurn(down);
}

void TVeskCustomListBox::RepeatStep(int32_t elapsed) {
    TVeskBase* layer = Layer();
    const bool over = layer && ScrollPartAt(layer->MouseX(), layer->MouseY()) == action_;
    const bool arrow = action_ == Action::ArrowUp || action_ == Action::ArrowDown;
    bool& look = arrow ? arrowPressedLook_ : trackPressedLook_;
    if (look != over) {
        look = over;
        Invalidate();
    }
    repeatCountdown_ -= std::max(elapsed, 0);
    if (repeatCountdown_ > 0) return;
    repeatCountdown_ += kRepeatNext;
    if (repeatCountdown_ <= 0) repeatCountdown_ = kRepeatNext;  // a long frame: no catching up
    if (!over) return;
    const int32_t rows = std::max(rowCount_, 0);
    switch (action_) {
        case Action::ArrowUp:
            if (topIndex_ > 0) SetTopIndex(topIndex_ - 1);
            break;
        case Action::ArrowDown:
            if (int64_t(topIndex_) + rows < ItemCount()) SetTopIndex(topIndex_ + 1);
            break;
        case Action::TrackUp:
            SetTopIndex(topIndex_ - rows);
            break;
        case Action::TrackDown:
            SetTopIndex(int32_t(std::min<int64_t>(int64_t(topIndex_) + rows, INT32_MAX)));
            break;
        default:
            break;
    }
}

// ---- frame step

void TVeskCustomListBox::AdvancePieces(int32_t elapsed) {
    if (AniPaused() || elapsed <= 0) return;
    for (Piece& p : pieces_) {
        TVeskImageList& l = p.List;
        if (l.Count() < 2) continue;
        const int32_t before = l.Index;
        l.Countdown -= elapsed;
        // At most one round of the frames per step: the delays are at least 1 ms.
        for (size_t n = 0; l.Countdown <= 0 && n < l.Count(); ++n) {
            l.Index = int32_t((size_t(l.Index) + 1) % l.Count());
            l.Countdown += std::max(l.At(size_t(l.Index)).Frame().Delay, 1);
        }
        if (l.Countdown <= 0) l.Countdown = std::max(l.At(size_t(l.Index)).Frame().Delay, 1);
        if (l.Index != before) Invalidate();
    }
}

bool TVeskCustomListBox::Step(int32_t elapsed) {
    AdvancePieces(elapsed);
    if (action_ >= Action::ArrowUp && action_ <= Action::TrackDown) RepeatStep(elapsed);
    LayoutIfDirty();
    return TVeskControl::Step(elapsed);
}

// ---- drawing

void TVeskCustomListBox::PaintFrame(TCustomDIBX& s, const TRect& inner, const Geometry& g) {
    const int32_t xs[4] = {inner.left, inner.left + g.frameL, inner.right - g.frameR, inner.right};
    const int32_t ys[4] = {inner.top, inner.top + g.frameT, inner.bottom - g.frameB, inner.bottom};
    for (int i = 0; i < 9; ++i) {
        Piece& p = pieces_[size_t(i)];
        if (p.List.Empty()) continue;
        const int col = i % 3, row = i / 3;
        TRect cell{xs[col], ys[row], xs[col + 1], ys[row + 1]};
        if (i == 4 && g.scroll && ShowsScrollBar()) cell.right -= g.scrollW;
        if (cell.IsEmpty()) continue;
        TVeskImageData& d =
            p.List.At(size_t(std::clamp<int32_t>(p.List.Index, 0, int32_t(p.List.Count()) - 1)));
        TDIBX& pic = d.Picture();
        const bool across = col == 1, down = row == 1;
        const int32_t ox = across ? TileOrigin(p.HAlign, cell.Width(), pic.Width()) : 0;
        const int32_t oy = down ? TileOrigin(p.VAlign, cell.Height(), pic.Height()) : 0;
        TilePart(s, cell, ox, oy, across, down, pic.BoundsRect(), pic, d.Mask(), alpha_);
    }
}

void TVeskCustomListBox::PaintScrollBar(TCustomDIBX& s, const TRect& inner, const Geometry& g) {
    if (scroll_.Empty() || g.scrollW <= 0 || g.scrollH <= 0) return;
    TVeskImageData& d = scroll_.At(0);
    TDIBX& pic = d.Picture();
    const int32_t cw = g.scrollW, ch = g.scrollH;
    auto cellRect = [&](int k) { return TRect{k * cw, 0, (k + 1) * cw, ch}; };
    const int32_t x = inner.right - g.frameR - cw;
    const int32_t top = inner.top + g.frameT, bottom = inner.bottom - g.frameB;
    const TRect saved = s.ClipRect();
    const TRect clip = Intersect(s.ClipArea(), TRect{x, top, x + cw, bottom});
    if (clip.IsEmpty()) return;
    s.SetClipRect(clip);
    const bool upHeld = action_ == Action::ArrowUp && arrowPressedLook_;
    const bool downHeld = action_ == Action::ArrowDown && arrowPressedLook_;
    const bool trackUpHeld = action_ == Action::TrackUp && trackPressedLook_;
    const bool trackDownHeld = action_ == Action::TrackDown && trackPressedLook_;
    const int32_t thumb = std::clamp(ThumbTop(), top + ch, std::max(top + ch, bottom - 2 * ch));
    TilePart(s, {x, top + ch, x + cw, thumb}, 0, 0, false, true, cellRect(trackUpHeld ? 5 : 4), pic,
             d.Mask(), alpha_);
    TilePart(s, {x, thumb + ch, x + cw, bottom - ch}, 0, 0, false, true,
             cellRect(trackDownHeld ? 5 : 4), pic, d.Mask(), alpha_);
    DrawPart(s, x, top, cellRect(upHeld ? 1 : 0), pic, d.Mask(), alpha_);
    DrawPart(s, x, bottom - ch, cellRect(downHeld ? 3 : 2), pic, d.Mask(), alpha_);
    DrawPart(s, x, thumb, cellRect(6), pic, d.Mask(), alpha_);
    s.SetClipRect(saved);
}

void TVeskCustomListBox::PaintSelf(TCustomDIBX& s) {
    LayoutIfDirty();
    if (alpha_ <= 0 || width_ <= 0 || height_ <= 0) return;
    const TRect r = ScreenRect();
    const TRect visible = Intersect(s.ClipArea(), r);
    if (visible.IsEmpty()) return;
    // A menu rolling open shows only what fits its current height.
    const TRect saved = s.ClipRect();
    s.SetClipRect(visible);
    const int32_t alpha = std::min(alpha_, 511);
    normal_.Alpha = hover_.Alpha = alpha;
    TRect inner = r;
    if (borderWidth_ > 0 && borderColor_ != -1 && r.Height() >= borderWidth_) {
        const int32_t w = std::min(borderWidth_, std::max(r.Width(), r.Height()) / 2 + 1);
        FrameMode(s, r, w, borderColor_, alpha);
    }
    if (borderWidth_ > 0)
        inner = {r.left + borderWidth_, r.top + borderWidth_, r.right - borderWidth_,
                 r.bottom - borderWidth_};
    if (color_ != -1 && !inner.IsEmpty()) FillMode(s, inner, color_, alpha);

    const Geometry g = Measure();
    PaintFrame(s, inner, g);
    if (g.scroll && ShowsScrollBar()) PaintScrollBar(s, inner, g);

    const int64_t x0 = int64_t(inner.left) + g.frameL + marginX_ + g.checkW;
    const int64_t w = int64_t(inner.right) - g.frameR - marginX_ - x0 - g.scrollW;
    int64_t y = int64_t(inner.top) + g.frameT + marginY_;
    const int64_t rows = std::max(rowCount_, 0);
    const int32_t bar = HoverBarColor();
    const TRect clip = s.ClipArea();
    for (int64_t k = 0; k < rows && topIndex_ + k < ItemCount(); ++k) {
        if (y >= clip.bottom) break;
        const auto i = size_t(topIndex_ + k);
        const bool hovered = int64_t(hovered_) == topIndex_ + k;
        if (y + g.rowH + std::max(lineSpace_, 0) >= clip.top) {
            if (hovered && bar != -1) {
                const int64_t hh = std::min(lineSpace_ / 2, marginY_);
                const int64_t bl = int64_t(inner.left) + g.frameL + 1;
                const int64_t bw = 2 * int64_t(marginX_) + w + g.checkW - 2;
                const TRect barRect{
                    int32_t(std::clamp<int64_t>(bl, -kMaxExtent, kMaxExtent)),
                    int32_t(std::clamp<int64_t>(y - hh, -kMaxExtent, kMaxExtent)),
                    int32_t(std::clamp<int64_t>(bl + bw, -kMaxExtent, kMaxExtent)),
                    int32_t(std::clamp<int64_t>(y + g.rowH + hh, -kMaxExtent, kMaxExtent))};
                if (!barRect.IsEmpty()) FillMode(s, barRect, bar, alpha);
            }
            TTpLabelDIB& label = hovered ? hover_[i] : normal_[i];
            label.Canvas();
            int64_t lx = x0;
            if (halign_ == 1)
                lx = x0 + (w - label.Width()) / 2;
            else if (halign_ == 2)
                lx = x0 + w - label.Width();
            label.Draw(s, int32_t(std::clamp<int64_t>(lx, -kMaxExtent, kMaxExtent)), int32_t(y));
            if (checks_[i] && !check_.Empty() && g.checkW > 0) {
                TVeskImageData& d = check_.At(0);
                const int32_t ch = d.Picture().Height();
                const int k2 = hovered ? 1 : 0;
                DrawPart(s, int32_t(x0 - g.checkW), int32_t(y + (g.rowH - ch) / 2),
                         TRect{k2 * g.checkW, 0, (k2 + 1) * g.checkW, ch}, d.Picture(), d.Mask(),
                         alpha);
            }
        }
        y += int64_t(g.rowH) + lineSpace_;
    }
    s.SetClipRect(saved);
}

// ---- properties

int32_t TVeskCustomListBox::GetIntProp(int32_t index) {
    switch (index) {
        case PR_LINESPACE:
            return lineSpace_;
        case PR_ALPHA:
            return alpha_;
        case PR_MARGINX:
            return marginX_;
        case PR_MARGINY:
            return marginY_;
        case PR_BORDERWIDTH:
            return borderWidth_;
        case PR_BORDERCOLOR:
            return borderColor_;
        case PR_ROWCOUNT:
            return rowCount_;
        case PR_TOPINDEX:
            return topIndex_;
        case PR_HALIGN:
            return halign_;
        case PR_BORDERHALIGNT:
            return pieces_[1].HAlign;
        case PR_BORDERHALIGNC:
            return pieces_[4].HAlign;
        case PR_BORDERHALIGNB:
            return pieces_[7].HAlign;
        case PR_BORDERVALIGNL:
            return pieces_[3].VAlign;
        case PR_BORDERVALIGNC:
            return pieces_[4].VAlign;
        case PR_BORDERVALIGNR:
            return pieces_[5].VAlign;
        case PR_INDEX:
            return index_;
        case PR_COUNT:
            return ItemCount();
        case PR_PAUSED:
            return paused_;
        case PR_ANIPAUSED:
            return aniPaused_;
        case PR_FONTHEIGHT:
            return normal_.FontSize;
        case PR_FONTSTYLE:
            return normal_.Style;
        case PR_FONTCOLOR:
            return normal_.Color;
        case PR_FONTBORDER:
            return normal_.Border;
        case PR_FONTBORDERCOLOR:
            return normal_.BorderColor;
        case PR_FONTSHADOW:
            return normal_.Shadow;
        case PR_FONTSHADOWCOLOR:
            return normal_.ShadowColor;
        case PR_ANTIALIAS:
            return normal_.Antialias != 0;
        case PR_FONTHOVERCOLOR:
            return hover_.Color;
        case PR_FONTHOVERSTYLE:
            return hover_.Style;
        case PR_FONTHOVERBORDER:
            return hover_.Border;
        case PR_FONTHOVERBORDERCOLOR:
            return hover_.BorderColor;
        case PR_FONTHOVERSHADOW:
            return hover_.Shadow;
        case PR_FONTHOVERSHADOWCOLOR:
            return hover_.ShadowColor;
        default:
            return TVeskControl::GetIntProp(index);
    }
}

void TVeskCustomListBox::SetIntProp(int32_t index, int32_t value) {
    // A setting of the labels or the geometry: laid out again.
    auto layout = [&](auto& field, auto v) {
        if (field == v) return;
        field = v;
        MarkDirty();
    };
    switch (index) {
        case PR_LINESPACE:
            return layout(lineSpace_, value);
        case PR_ALPHA:
            if (alpha_ != value) {
                alpha_ = value;
                Invalidate();
            }
            return;
        case PR_MARGINX:
            return layout(marginX_, value);
        case PR_MARGINY:
            return layout(marginY_, value);
        case PR_BORDERWIDTH:
            return layout(borderWidth_, value);
        case PR_BORDERCOLOR:
            borderColor_ = value;
            Invalidate();
            return;
        case PR_ROWCOUNT:
            layout(rowCount_, value);
            SetTopIndex(topIndex_);
            return;
        case PR_TOPINDEX:
            return SetTopIndex(value);
        case PR_HALIGN:
            halign_ = uint8_t(value);
            Invalidate();
            return;
        case PR_BORDERHALIGNT:
            return layout(pieces_[1].HAlign, uint8_t(value));
        case PR_BORDERHALIGNC:
            return layout(pieces_[4].HAlign, uint8_t(value));
        case PR_BORDERHALIGNB:
            return layout(pieces_[7].HAlign, uint8_t(value));
        case PR_BORDERVALIGNL:
            return layout(pieces_[3].VAlign, uint8_t(value));
        case PR_BORDERVALIGNC:
            return layout(pieces_[4].VAlign, uint8_t(value));
        case PR_BORDERVALIGNR:
            return layout(pieces_[5].VAlign, uint8_t(value));
        case PR_INDEX:
            index_ = value;
            return;
        case PR_COUNT:
            return;
        case PR_PAUSED:
            paused_ = value != 0;
            return;
        case PR_ANIPAUSED:
            aniPaused_ = value != 0;
            return;
        case PR_FONTHEIGHT:
            layout(normal_.FontSize, value);
            return layout(hover_.FontSize, value);
        case PR_ANTIALIAS:
            layout(normal_.Antialias, value ? 3 : 0);
            return layout(hover_.Antialias, value ? 3 : 0);
        case PR_FONTSTYLE:
            return layout(normal_.Style, uint8_t(value));
        case PR_FONTCOLOR:
            return layout(normal_.Color, value);
        case PR_FONTBORDER:
            return layout(normal_.Border, value);
        case PR_FONTBORDERCOLOR:
            return layout(normal_.BorderColor, value);
        case PR_FONTSHADOW:
            return layout(normal_.Shadow, value);
        case PR_FONTSHADOWCOLOR:
            return layout(normal_.ShadowColor, value);
        case PR_FONTHOVERCOLOR:
            return layout(hover_.Color, value);
        case PR_FONTHOVERSTYLE:
            return layout(hover_.Style, uint8_t(value));
        case PR_FONTHOVERBORDER:
            return layout(hover_.Border, value);
        case PR_FONTHOVERBORDERCOLOR:
            return layout(hover_.BorderColor, value);
        case PR_FONTHOVERSHADOW:
            return layout(hover_.Shadow, value);
        case PR_FONTHOVERSHADOWCOLOR:
            return layout(hover_.ShadowColor, value);
        default:
            TVeskControl::SetIntProp(index, value);
    }
}

std::string TVeskCustomListBox::GetStrProp(int32_t index) {
    if (index >= PR_BORDERSOURCETL && index <= PR_BORDERSOURCEBR)
        return pieces_[size_t(index - PR_BORDERSOURCETL)].Source;
    switch (index) {
        case PR_TEXT:
            return text_;
        case PR_FONTNAME:
            return normal_.FontName;
        case PR_SCROLLSOURCE:
            return scrollSource_;
        case PR_CHECKSOURCE:
            return checkSource_;
        case PR_ONSELECT:
            return selectPage_;
        case PR_ONMAPIN:
            return mapInPage_;
        case PR_ONMAPOUT:
            return mapOutPage_;
        case PR_ONIDLE:
            return idlePage_;
        default:
            return TVeskControl::GetStrProp(index);
    }
}

void TVeskCustomListBox::SetStrProp(int32_t index, const std::string& value) {
    if (index >= PR_BORDERSOURCETL && index <= PR_BORDERSOURCEBR) {
        Piece& p = pieces_[size_t(index - PR_BORDERSOURCETL)];
        return LoadPicture(p.Source, p.List, value);
    }
    switch (index) {
        case PR_TEXT:
            return SetText(value);
        case PR_FONTNAME:
            normal_.FontName = hover_.FontName = value;
            return MarkDirty();
        case PR_SCROLLSOURCE:
            return LoadPicture(scrollSource_, scroll_, value);
        case PR_CHECKSOURCE:
            return LoadPicture(checkSource_, check_, value);
        case PR_ONSELECT:
            selectPage_ = value;
            return;
        case PR_ONMAPIN:
            mapInPage_ = value;
            return;
        case PR_ONMAPOUT:
            mapOutPage_ = value;
            return;
        case PR_ONIDLE:
            idlePage_ = value;
            return;
        default:
            TVeskControl::SetStrProp(index, value);
    }
}

// ---- save and load

void TVeskCustomListBox::SaveState(StreamWriter& w) {
    TVeskControl::SaveState(w);
    normal_.SaveState(w);
    hover_.SaveState(w);
    w.Str(text_);
    for (int32_t v :
         {lineSpace_, alpha_, marginX_, marginY_, borderWidth_, borderColor_, rowCount_})
        w.I32(v);
    for (const Piece& p : pieces_) {
        w.Str(p.Source);
        w.U8(p.HAlign);
        w.U8(p.VAlign);
    }
    w.Str(scrollSource_);
    w.Str(checkSource_);
    w.I32(topIndex_);
    w.U8(halign_);
    for (uint8_t c : checks_) w.U8(c);
    w.Str(selectPage_);
    w.U8(paused_);
    w.I32(index_);
    w.I32(phase_);
    w.Str(idlePage_);
    w.Str(mapInPage_);
    w.Str(mapOutPage_);
}

void TVeskCustomListBox::LoadState(StreamReader& r, int32_t version) {
    TVeskControl::LoadState(r, version);
    normal_.LoadState(r, version);
    hover_.LoadState(r, version);
    SetText(r.Str("menu text"));
    lineSpace_ = r.I32("line space");
    alpha_ = r.I32("alpha");
    marginX_ = r.I32("margin x");
    marginY_ = r.I32("margin y");
    borderWidth_ = r.I32("border width");
    borderColor_ = r.I32("border colour");
    rowCount_ = r.I32("row count");
    std::array<std::string, 9> sources;
    for (size_t i = 0; i < pieces_.size(); ++i) {
        sources[i] = r.Str("frame piece");
        pieces_[i].HAlign = r.U8("frame piece alignment");
        pieces_[i].VAlign = r.U8("frame piece alignment");
    }
    const std::string scroll = r.Str("scroll source");
    const std::string check = r.Str("check source");
    const int32_t top = r.I32("top index");
    if (version < 104) r.U8("old menu field");
    halign_ = r.U8("alignment");
    r.CheckCount(ItemCount(), 1, "menu check marks");
    for (uint8_t& c : checks_) c = r.U8("check mark");
    selectPage_ = r.Str("select page");
    paused_ = r.U8("paused") != 0;
    index_ = r.I32("selected index");
    phase_ = r.I32("menu phase");
    idlePage_ = version >= 131 ? r.Str("idle page") : std::string();
    if (version >= 134) {
        mapInPage_ = r.Str("map-in page");
        mapOutPage_ = r.Str("map-out page");
    }
    for (size_t i = 0; i < pieces_.size(); ++i)
        LoadPicture(pieces_[i].Source, pieces_[i].List, sources[i]);
    LoadPicture(scrollSource_, scroll_, scroll);
    LoadPicture(checkSource_, check_, check);
    topIndex_ = 0;
    SetTopIndex(top);
    hovered_ = -1;
    action_ = Action::None;
    MarkDirty();
}

}  // namespace vesk
