#pragma once
// One picture of a control (a slider's bar, thumb or end buttons, a gauge's bar): the frames
// of a layered image taken from the display root's image cache, and the draw of a frame's
// part into a rectangle of the layer.
#include <cstdint>
#include <string>

#include "display/vesk_image_list.h"
#include "gfx/draw_options.h"
#include "gfx/rect.h"

namespace vesk {

class TCustomDIBX;
class TVeskBaseList;

class TPicturePart {
  public:
    // Takes the frames of a ".qil" file through the root's cache; any other name, a root
    // without a cache or a file that does not load leaves the part empty.
    void Load(TVeskBaseList* owner, const std::string& name);
    const std::string& Name() const { return name_; }
    bool Empty() const { return list_.Empty(); }
    size_t Count() const { return list_.Count(); }
    // Frame i, or null when the picture has no such frame.
    TVeskImageData* Frame(size_t i);
    int32_t Width(size_t i = 0);
    int32_t Height(size_t i = 0);
    // The length along an axis (horizontal: width) and across it.
    int32_t Along(bool vertical, size_t i = 0) { return vertical ? Height(i) : Width(i); }
    int32_t Across(bool vertical, size_t i = 0) { return vertical ? Width(i) : Height(i); }
    // After the display mode changed: takes the reloaded frames again.
    void Refresh() { list_.Refresh(); }

  private:
    TVeskImageList list_;
    std::string name_;
};

// Draws `src` of a frame into `dest` (scaled when the sizes differ) with an object's
// opacity: 1..254 blends, 255 copies skipping the key colour, 256..511 adds.
void DrawFramePart(TCustomDIBX& s, const TRect& dest, TVeskImageData& frame, const TRect& src,
                   int32_t alpha, Flip flip = Flip::None);

}  // namespace vesk
