#pragma once
// The window's toolbar: a dock across the top with the quit and the window/full-screen
// buttons. It keeps its own pointer state and draws into a pixel buffer; the window feeds it
// pointer events in window pixels and acts on the button it reports.
#include <cstdint>

#include "gfx/rect.h"
#include "platform/ui_font.h"

namespace vesk {

enum class ToolbarButton { None, Quit, FullScreen };

class TToolbar {
  public:
    static constexpr int32_t kButtonWidth = 67;
    static constexpr int32_t kButtonHeight = 18;
    // The dock is 4 pixels taller than a button.
    static constexpr int32_t kHeight = kButtonHeight + 4;

    void SetWidth(int32_t width) { width_ = width < 0 ? 0 : width; }
    int32_t Width() const { return width_; }
    int32_t Height() const { return kHeight; }
    bool Visible() const { return visible_; }
    // Hiding it forgets a press in progress.
    void SetVisible(bool on);

    // The dock and a button's place (window pixels, the dock at the top left).
    TRect DockRect() const { return {0, 0, width_, kHeight}; }
    TRect ButtonRect(ToolbarButton b) const;
    // The button under a point; None outside the buttons or while hidden.
    ToolbarButton HitTest(int32_t x, int32_t y) const;
    // Whether a point lies on the visible dock (its events are the toolbar's, not the game's).
    bool Contains(int32_t x, int32_t y) const;

    ToolbarButton Hovered() const { return hovered_; }
    ToolbarButton Pressed() const { return pressed_; }
    // A button is drawn pushed in while it is pressed and the pointer is on it.
    bool ShownDown(ToolbarButton b) const {
        return b != ToolbarButton::None && pressed_ == b && hovered_ == b;
    }

    // Pointer events. MouseMove and MouseLeave return whether the look changed; MouseDown
    // returns whether the toolbar took the press (it was on the visible dock); MouseUp
    // returns the button activated: pressed and released on the same button.
    bool MouseMove(int32_t x, int32_t y);
    bool MouseLeave();
    bool MouseDown(int32_t x, int32_t y);
    ToolbarButton MouseUp(int32_t x, int32_t y);
    // Full screen: the dock appears when the pointer reaches the window's top row and stays
    // while the pointer is on it; anywhere else hides it. Returns whether it appeared or
    // disappeared.
    bool FollowPointer(int32_t x, int32_t y);
    // Forgets a press (the window lost the focus or the pointer capture).
    void CancelPress() { pressed_ = ToolbarButton::None; }

    // The button's caption (UTF-8).
    static const char* Label(ToolbarButton b);

    // Draws the dock into the top of `dst` (nothing while hidden). Without a font the
    // buttons are drawn without captions.
    void Draw(const TPixelBuffer& dst, TUiFont* font) const;

  private:
    int32_t width_ = 0;
    bool visible_ = true;
    ToolbarButton hovered_ = ToolbarButton::None;
    ToolbarButton pressed_ = ToolbarButton::None;
};

// Raised or sunken 3D edges of a classic Windows button over `r`, in the system's colours;
// the face is filled with `face`. Shared by the toolbar and the dialogs.
void DrawButtonFrame(const TPixelBuffer& dst, const TRect& r, bool sunken, uint32_t face);
// Fills a rectangle clipped to the buffer.
void FillPixels(const TPixelBuffer& dst, const TRect& r, uint32_t color);

// Windows' classic 3D colours (0x00RRGGBB).
namespace ui_colors {
constexpr uint32_t kFace = 0xF0F0F0;
constexpr uint32_t kHighlight = 0xFFFFFF;
constexpr uint32_t kLight = 0xE3E3E3;
constexpr uint32_t kShadow = 0xA0A0A0;
constexpr uint32_t kDarkShadow = 0x696969;
constexpr uint32_t kText = 0x000000;
constexpr uint32_t kGrayText = 0x6D6D6D;
constexpr uint32_t kHotFace = 0xF8F8F8;
}  // namespace ui_colors

}  // namespace vesk
