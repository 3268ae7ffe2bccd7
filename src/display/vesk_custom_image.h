#pragma once
// TVeskCustomImage: a control that shows one picture with opacity (translucent, opaque
// with its key colour, or additive), zoom or a set size (stretched), rotation and
// mirroring, and can be hit only where its picture is not transparent.
#include <cstdint>
#include <string>

#include "display/vesk_control.h"
#include "gfx/dibx.h"

namespace vesk {

class TVeskCustomImage : public TVeskControl {
  public:
    explicit TVeskCustomImage(TVeskBaseList* owner);

    // The picture drawn: the attached frame, else the object's own surface; null when it
    // is empty.
    TCustomDIBX* Picture() override;
    TDIBX* CurrentPicture();
    // The attached frame's mask (8 bits, of the picture's size), or null.
    TDIBX* CurrentMask() const;
    // The object's own picture, shown while no frame is attached.
    TDIBX& OwnSurface() { return own_; }
    // Makes the own surface a copy of `source` (the screen a flip covers) and shows it.
    void TakePicture(TCustomDIBX& source);

    int32_t Alpha() const { return alpha_; }
    int32_t ZoomX() const { return zoomX_; }
    int32_t ZoomY() const { return zoomY_; }
    int32_t Angle() const { return angle_; }

    void PaintSelf(TCustomDIBX& s) override;
    TRect PaintRect() override;
    TVeskControl* HitTest(int32_t x, int32_t y, uint8_t mask) override;
    bool Step(int32_t elapsed) override;

    int32_t GetIntProp(int32_t index) override;
    void SetIntProp(int32_t index, int32_t value) override;
    void SaveState(StreamWriter& w) override;
    void LoadState(StreamReader& r, int32_t version) override;

  protected:
    // Shows a frame's picture and mask (both owned elsewhere and kept alive until the next
    // attach or detach), or, with null, the own surface again.
    void AttachFrame(TDIBX* picture, TDIBX* mask);
    void DetachFrame() { AttachFrame(nullptr, nullptr); }
    // Objects whose size follows their picture (times the zoom); a set width or height
    // then stretches the picture instead.
    virtual bool SizesFromPicture() const { return true; }
    // Recomputes the size from the picture and the zoom; invalidates when it changed.
    void Relayout();
    // A zoom, flip or the zoomed-positions flag changed: the size now, children that place
    // themselves by the zoom at their next step.
    void ZoomChanged();

  private:
    struct Placement;
    // Where and how the picture lands on the layer.
    bool Place(Placement& p);
    // Whether the picture is solid at the layer point (x, y).
    bool SolidAt(int32_t x, int32_t y);

    TDIBX own_;
    TDIBX* frame_ = nullptr;
    TDIBX* mask_ = nullptr;
    int32_t alpha_ = 255;
    int32_t zoomX_ = 256, zoomY_ = 256;
    int32_t angle_ = 0;
    bool flipH_ = false, flipV_ = false;
    bool captureMask_ = false;
    bool relayoutPending_ = false;
};

}  // namespace vesk
