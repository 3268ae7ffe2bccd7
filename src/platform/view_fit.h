#pragma once
// Where the game picture sits in a window of any size: scaled with its aspect kept and
// centred, the rest black (letterbox). Also maps window pixels back to picture pixels.
#include <cstdint>

namespace vesk {

struct TViewFit {
    // The picture's place in the window.
    int32_t x = 0, y = 0, w = 0, h = 0;
    int32_t picW = 0, picH = 0;

    // The largest picture that fits `winW` x `winH` with the aspect of `picW` x `picH`.
    static TViewFit Compute(int32_t winW, int32_t winH, int32_t picW, int32_t picH);
    bool Empty() const { return w <= 0 || h <= 0 || picW <= 0 || picH <= 0; }
    // A window point in picture pixels (rounded toward minus infinity, not limited to the
    // picture). `inside` tells whether the point lies on the picture.
    void ToPicture(int32_t wx, int32_t wy, int32_t& px, int32_t& py, bool& inside) const;
    // The window point at the centre of picture pixel (px, py).
    void ToWindow(int32_t px, int32_t py, int32_t& wx, int32_t& wy) const;
};

}  // namespace vesk
