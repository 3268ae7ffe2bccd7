#include "display/vesk_map_image.h"

#include <algorithm>
#include <cstring>

#include "base/cp932.h"
#include "base/error.h"
#include "base/stream.h"
#include "display/picture_draw.h"
#include "display/vesk_base_list.h"

namespace vesk {

namespace {

bool IsLayeredImage(const std::string& name) {
    return name.size() >= 4 && LowerAscii(name.substr(name.size() - 4)) == ".qil";
}

}  // namespace

TVeskMapImage::TVeskMapImage(TVeskBaseList* owner) : TVeskControl(owner) {
    // Right clicks come here first when right-click scrap is set.
    if (owner) owner->AddRightClickHandler(this);
}

TVeskMapImage::~TVeskMapImage() = default;

TVeskImageData* TVeskMapImage::FrameOf(TVeskImageList& list) {
    if (list.Index < 0 || size_t(list.Index) >= list.Count()) return nullptr;
    TVeskImageData& d = list.At(size_t(list.Index));
    d.SetBrightness(brightness_);
    return &d;
}

TCustomDIBX* TVeskMapImage::Picture() {
    TVeskImageData* d = FrameOf(picture_);
    return d ? &d->Picture() : nullptr;
}

void TVeskMapImage::LoadList(TVeskImageList& list, const std::string& name) {
    Invalidate();
    list.Clear();
    TQuilCollection* cache = Owner() ? Owner()->Images() : nullptr;
    if (cache && IsLayeredImage(name)) {
        list.Load(*cache, name);
        list.Index = list.Empty() ? -1 : 0;
        list.Countdown = list.Empty() ? 0 : list.At(0).Frame().Delay;
    }
    maskFrame_ = nullptr;
    Relayout();
    Invalidate();
}

void TVeskMapImage::Relayout() {
    TCustomDIBX* pic = Picture();
    const int32_t w = pic ? pic->Width() : 0, h = pic ? pic->Height() : 0;
    if (w != width_ || h != height_) SetBounds(left_, top_, w, h);
}

void TVeskMapImage::SetSource(const std::string& name) {
    if (name == source_) return;
    source_ = name;
    LoadList(picture_, name);
}

void TVeskMapImage::SetHoverSource(const std::string& name) {
    if (name == hoverSource_) return;
    hoverSource_ = name;
    LoadList(hoverPicture_, name);
}

void TVeskMapImage::SetMapSource(const std::string& name) {
    if (name == mapSource_) return;
    mapSource_ = name;
    SetHover(-1);
    regions_.clear();
    if (name.empty() || !Owner()) return;
    try {
        regions_ = ReadRegionFile(Owner()->ReadFile(name));
    } catch (const VeskError&) {
        regions_.clear();  // an unreadable region file leaves the picture without regions
    }
    maskRegion_ = -1;
}

bool TVeskMapImage::Animate(TVeskImageList& list, int32_t elapsed) {
    const int32_t count = int32_t(list.Count());
    if (count <= 1 || list.Index < 0) return false;
    const int32_t before = list.Index;
    int64_t countdown = int64_t(list.Countdown) - std::max(elapsed, 0);
    if (repeat_ && list.Item() && countdown < -list.Item()->TotalDelay())
        countdown %= std::max<int64_t>(list.Item()->TotalDelay(), 1);
    // Every pass adds a frame's delay (at least 1 ms) or rests on the last frame.
    while (countdown < 1) {
        if (list.Index < count - 1)
            ++list.Index;
        else if (repeat_)
            list.Index = 0;
        else
            break;
        countdown += list.At(size_t(list.Index)).Frame().Delay;
    }
    list.Countdown = int32_t(std::clamp<int64_t>(countdown, INT32_MIN, INT32_MAX));
    return list.Index != before;
}

bool TVeskMapImage::Step(int32_t elapsed) {
    // A choice ends the object once its select page has been taken from the queue.
    if (closing_ && Owner() && !Owner()->Events().Find(Id(), PR_ONSELECT)) return true;
    if (!paused_) {
        const bool changed = Animate(picture_, elapsed);
        if (Animate(hoverPicture_, elapsed) || changed) {
            Relayout();
            Invalidate();
        }
    }
    return TVeskControl::Step(elapsed);
}

TDIBX* TVeskMapImage::HoverMask(TVeskImageData& frame) {
    TDIBX& pic = frame.Picture();
    if (hover_ == maskRegion_ && &pic == maskFrame_ && hoverMask_) return hoverMask_.get();
    if (!hoverMask_) hoverMask_ = std::make_unique<TDIBX>();
    hoverMask_->SetSize(pic.Width(), pic.Height(), 8);
    maskRegion_ = hover_;
    maskFrame_ = &pic;
    const TMapRegion& region = regions_[size_t(hover_)];
    const TRect area = Intersect(region.Bounds(), pic.BoundsRect());
    TDIBX* own = frame.Mask();
    const int32_t key = pic.TransparentColor();
    std::vector<std::pair<int32_t, int32_t>> runs;
    for (int32_t y = area.top; y < area.bottom; ++y) {
        region.RowRuns(y, runs);
        uint8_t* row = hoverMask_->PixelAddress(0, y);
        for (const auto& [first, last] : runs) {
            const int32_t a = std::max(first, area.left), b = std::min(last, area.right);
            for (int32_t x = a; x < b; ++x) {
                if (own)
                    row[x] = uint8_t(own->GetPixel(x, y));
                else
                    row[x] =
                        key >= 0 && (pic.GetPixel(x, y) & 0xFFFFFFu) == uint32_t(key) ? 0 : 255;
            }
        }
    }
    return hoverMask_.get();
}

void TVeskMapImage::PaintSelf(TCustomDIBX& s) {
    const int32_t x = ScreenLeft(), y = ScreenTop();
    if (TVeskImageData* d = FrameOf(picture_))
        DrawPictureAt(s, x, y, d->Picture(), d->Mask(), alpha_);
    if (hover_ < 0 || size_t(hover_) >= regions_.size()) return;
    if (TVeskImageData* h = FrameOf(hoverPicture_))
        DrawPictureAt(s, x, y, h->Picture(), HoverMask(*h), alpha_);
}

void TVeskMapImage::SetHover(int32_t region) {
    if (region == hover_) return;
    if (hover_ >= 0 && size_t(hover_) < regions_.size())
        QueueEvent(PR_ONMAPOUT, {regions_[size_t(hover_)].Name, std::to_string(hover_)});
    hover_ = region;
    if (hover_ >= 0)
        QueueEvent(PR_ONMAPIN, {regions_[size_t(hover_)].Name, std::to_string(hover_)});
    Invalidate();
}

void TVeskMapImage::MouseMove(int32_t x, int32_t y) {
    if (!closing_) SetHover(RegionAt(regions_, x - ScreenLeft(), y - ScreenTop()));
    TVeskControl::MouseMove(x, y);
}

void TVeskMapImage::MouseOut(TVeskControl* next) {
    SetHover(-1);
    TVeskControl::MouseOut(next);
}

void TVeskMapImage::LeftDown(int32_t x, int32_t y) {
    TVeskControl::LeftDown(x, y);
    if (closing_ || paused_ || !Owner()) return;
    const int32_t region = RegionAt(regions_, x - ScreenLeft(), y - ScreenTop());
    if (region < 0) return;
    const std::string& name = regions_[size_t(region)].Name;
    Owner()->SetSelection(name, region);
    QueueEvent(PR_ONSELECT, {name, std::to_string(region)});
    if (autoScrap_) closing_ = true;
}

bool TVeskMapImage::SwallowRightClick() {
    if (closing_) return false;
    // A cancel: the choice variables stay as they were.
    closing_ = true;
    SetHover(-1);
    return true;
}

void TVeskMapImage::ReleaseSurfaces() {
    picture_.DropCopies();
    hoverPicture_.DropCopies();
    hoverMask_.reset();
    maskFrame_ = nullptr;
}

void TVeskMapImage::RestoreSurfaces() {
    maskFrame_ = nullptr;
    for (TVeskImageList* list : {&picture_, &hoverPicture_}) {
        const int32_t index = list->Index, countdown = list->Countdown;
        if (!list->Refresh()) continue;
        list->Index = index < int32_t(list->Count()) ? index : (list->Empty() ? -1 : 0);
        list->Countdown = countdown;
    }
    Relayout();
    Invalidate();
}

int32_t TVeskMapImage::GetIntProp(int32_t index) {
    switch (index) {
        case PR_ALPHA:
            return alpha_;
        case PR_PAUSED:
            return paused_;
        case PR_REPEAT:
            return repeat_;
        case PR_BRIGHTNESS:
            return brightness_;
        case PR_AUTOSCRAP:
            return autoScrap_;
        case PR_RCLICKSCRAP:
            return rclickScrap_;
        default:
            return TVeskControl::GetIntProp(index);
    }
}

void TVeskMapImage::SetIntProp(int32_t index, int32_t value) {
    switch (index) {
        case PR_ALPHA:
            if (value == alpha_) return;
            alpha_ = value;
            Invalidate();
            return;
        case PR_PAUSED:
            paused_ = value != 0;
            return;
        case PR_REPEAT:
            repeat_ = value != 0;
            return;
        case PR_BRIGHTNESS:
            if (value == brightness_) return;
            brightness_ = value;
            maskFrame_ = nullptr;
            Invalidate();
            return;
        case PR_AUTOSCRAP:
            autoScrap_ = value != 0;
            return;
        case PR_RCLICKSCRAP:
            rclickScrap_ = value != 0;
            return;
        default:
            TVeskControl::SetIntProp(index, value);
    }
}

std::string TVeskMapImage::GetStrProp(int32_t index) {
    switch (index) {
        case PR_SOURCE:
            return source_;
        case PR_HOVERSOURCE:
            return hoverSource_;
        case PR_MAPSOURCE:
            return mapSource_;
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

void TVeskMapImage::SetStrProp(int32_t index, const std::string& value) {
    switch (index) {
        case PR_SOURCE:
            return SetSource(value);
        case PR_HOVERSOURCE:
            return SetHoverSource(value);
        case PR_MAPSOURCE:
            return SetMapSource(value);
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

void TVeskMapImage::SaveState(StreamWriter& w) {
    TVeskControl::SaveState(w);
    w.Str(source_);
    w.Str(hoverSource_);
    w.Str(mapSource_);
    w.I32(alpha_);
    w.Flag(paused_);
    w.Flag(repeat_);
    w.I32(brightness_);
    w.Flag(autoScrap_);
    w.Flag(rclickScrap_);
    for (const std::string* page : {&selectPage_, &mapInPage_, &mapOutPage_, &idlePage_})
        w.Str(*page);
    w.I32(picture_.Index);
    w.I32(picture_.Countdown);
    w.Flag(closing_);
}

void TVeskMapImage::LoadState(StreamReader& r, int32_t version) {
    TVeskControl::LoadState(r, version);
    const std::string source = r.Str("map image source");
    const std::string hover = r.Str("hover source");
    const std::string map = r.Str("map source");
    alpha_ = r.I32("alpha");
    paused_ = r.Flag("paused");
    repeat_ = r.Flag("repeat");
    brightness_ = r.I32("brightness");
    autoScrap_ = r.Flag("auto scrap");
    rclickScrap_ = r.Flag("right-click scrap");
    for (std::string* page : {&selectPage_, &mapInPage_, &mapOutPage_, &idlePage_})
        *page = r.Str("map image page");
    const int32_t index = r.I32("frame index");
    const int32_t countdown = r.I32("frame countdown");
    closing_ = r.Flag("closing");
    SetSource(source);
    SetHoverSource(hover);
    SetMapSource(map);
    if (index >= 0 && size_t(index) < picture_.Count()) {
        picture_.Index = index;
        picture_.Countdown = countdown;
        Relayout();
    }
}

}  // namespace vesk
