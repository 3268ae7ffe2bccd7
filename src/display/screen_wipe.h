#pragma once
// What the display root needs of a screen transition, and how it gets one. The effects
// themselves live with the drawing surfaces; the root only starts, steps and frees them.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "gfx/rect.h"

namespace vesk {

class TCustomDIBX;

class IScreenWipe {
  public:
    virtual ~IScreenWipe() = default;
    virtual void SetStartFlag(bool on) = 0;
    virtual void SetParam(int index, int32_t value) = 0;
    virtual void SetText(const std::string& text) = 0;
    virtual void SetDuration(int32_t ms) = 0;
    virtual int32_t Duration() const = 0;
    virtual void SetElapsed(int32_t ms) = 0;
    virtual void Prepare() = 0;
    // Draws the next step onto the destination; true when the time is up (nothing drawn).
    virtual bool Step() = 0;
    // What the last step changed.
    virtual TRect Area() const = 0;
};

// Makes the transition of `kind` from `oldPicture` to `newPicture` onto `dest`; null for
// kinds it does not know.
using WipeFactory = std::function<std::unique_ptr<IScreenWipe>(
    int32_t kind, TCustomDIBX& dest, TCustomDIBX& newPicture, TCustomDIBX& oldPicture)>;

}  // namespace vesk
