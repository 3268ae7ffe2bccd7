#pragma once
// TVeskTile (TileNew): a picture repeated over the object's area, its pattern scrolled by
// PR_SCROLLX / PR_SCROLLY and its tiles spaced by PR_DISTANCEX / PR_DISTANCEY. The frames of
// an animated picture play as in any picture object; children scroll with the pattern.
#include <cstdint>
#include <string>

#include "display/vesk_images.h"

namespace vesk {

class TVeskTile final : public TVeskCustomImages {
  public:
    explicit TVeskTile(TVeskBaseList* owner);
    ~TVeskTile() override;

    int32_t Kind() const override { return LT_TILE; }
    bool WantsDefaultName() const override { return true; }
    TVeskImageList* Frames() override { return &list_; }
    const std::string& Source() const { return source_; }
    void SetSource(const std::string& name);

    void PaintSelf(TCustomDIBX& s) override;
    TRect PaintRect() override { return ScreenRect(); }
    TVeskControl* HitTest(int32_t x, int32_t y, uint8_t mask) override {
        return TVeskControl::HitTest(x, y, mask);
    }

    int32_t GetIntProp(int32_t index) override;
    void SetIntProp(int32_t index, int32_t value) override;
    std::string GetStrProp(int32_t index) override;
    void SetStrProp(int32_t index, const std::string& value) override;
    void SaveState(StreamWriter& w) override;
    void LoadState(StreamReader& r, int32_t version) override;

  protected:
    // The area is the object's own; the picture only fills it.
    bool SizesFromPicture() const override { return false; }

  private:
    TVeskImageList list_;
    std::string source_;
    bool repeat_ = false;
    std::string idlePage_;
    int32_t scrollX_ = 0, scrollY_ = 0;
    int32_t distanceX_ = 0, distanceY_ = 0;
};

}  // namespace vesk
