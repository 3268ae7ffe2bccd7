#pragma once
// TVeskMapImage (MapImgNew): a picture with named regions read from a region file
// (PR_MAPSOURCE). The region under the mouse shows the PR_HOVERSOURCE picture within its
// shape; entering and leaving regions raise the map-in and map-out pages, and a click on a
// region is a choice: "@SelStr" and "@SelIndex" take its name and index and the select page
// runs. With auto scrap the object then removes itself once that page has been taken; with
// right-click scrap a right click removes it without a choice.
#include <cstdint>
#include <memory>
#include <string>

#include "display/map_regions.h"
#include "display/vesk_control.h"
#include "display/vesk_image_list.h"

namespace vesk {

class TVeskMapImage final : public TVeskControl {
  public:
    explicit TVeskMapImage(TVeskBaseList* owner);
    ~TVeskMapImage() override;

    int32_t Kind() const override { return LT_MAPIMG; }
    bool WantsDefaultName() const override { return true; }
    bool IsDisabled() const override { return closing_; }
    TCustomDIBX* Picture() override;

    const TMapRegions& Regions() const { return regions_; }
    // The region under the mouse, or -1.
    int32_t HoverRegion() const { return hover_; }

    void PaintSelf(TCustomDIBX& s) override;
    bool Step(int32_t elapsed) override;
    void LeftDown(int32_t x, int32_t y) override;
    void MouseMove(int32_t x, int32_t y) override;
    void MouseOut(TVeskControl* next) override;
    bool SwallowRightClick() override;
    void ReleaseSurfaces() override;
    void RestoreSurfaces() override;

    int32_t GetIntProp(int32_t index) override;
    void SetIntProp(int32_t index, int32_t value) override;
    std::string GetStrProp(int32_t index) override;
    void SetStrProp(int32_t index, const std::string& value) override;
    void SaveState(StreamWriter& w) override;
    void LoadState(StreamReader& r, int32_t version) override;

  private:
    void SetSource(const std::string& name);
    void SetHoverSource(const std::string& name);
    void SetMapSource(const std::string& name);
    // Loads a picture list; the size follows the main picture.
    void LoadList(TVeskImageList& list, const std::string& name);
    void Relayout();
    void SetHover(int32_t region);
    // The current frame of a list (with the object's brightness), or null.
    TVeskImageData* FrameOf(TVeskImageList& list);
    // Advances a list by its frames' delays.
    bool Animate(TVeskImageList& list, int32_t elapsed);
    // The mask the hover picture is drawn through: the hovered region's pixels, less what
    // the hover frame itself leaves transparent. Built when the region or frame changes.
    TDIBX* HoverMask(TVeskImageData& frame);

    TVeskImageList picture_, hoverPicture_;
    TMapRegions regions_;
    std::string source_, hoverSource_, mapSource_;
    int32_t alpha_ = 255;
    bool paused_ = false;
    bool repeat_ = false;
    int32_t brightness_ = 0;
    bool autoScrap_ = false;
    bool rclickScrap_ = false;
    std::string selectPage_, mapInPage_, mapOutPage_, idlePage_;
    int32_t hover_ = -1;
    // A choice (or a right click) has been made and the object is on its way out.
    bool closing_ = false;
    std::unique_ptr<TDIBX> hoverMask_;
    int32_t maskRegion_ = -1;
    const TDIBX* maskFrame_ = nullptr;
};

}  // namespace vesk
