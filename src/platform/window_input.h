#pragma once
// What the game window reports, already in game terms: picture pixels and virtual-key codes.
// Scripted input (the player's --input) speaks the same interface.
#include <cstdint>
#include <string>

namespace vesk {

// The ways the player can hold a control of the player's own (fast-forward): each is held
// and let go on its own.
enum class HoldSource : uint8_t { Keyboard, Gamepad, Script };

class IWindowInput {
  public:
    virtual ~IWindowInput() = default;
    virtual void MouseMoveTo(int32_t x, int32_t y) = 0;
    virtual void MouseButton(bool left, bool down) = 0;
    virtual void MouseWheel(bool down) = 0;
    virtual void KeyDown(int32_t vk) = 0;
    virtual void KeyUp(int32_t vk) = 0;
    // The user closed the window.
    virtual void CloseRequested() = 0;
    // The toolbar's quit button was pressed (the player asks before closing).
    virtual void QuitButton() {}
    // The user asked to switch between window and full screen (toolbar, Alt+Enter). True
    // when the request was carried out here; false leaves the switch to the window.
    virtual bool FullScreenRequested() { return false; }
    // The window gained or lost the input focus (another application became active).
    virtual void ActiveChanged(bool /*active*/) {}
    // Fast-forward was held or let go (the gamepad's shoulder, a scripted hold).
    virtual void FastForward(HoldSource /*from*/, bool /*held*/) {}
    // Text typed while text entry is on (UTF-8), and the input method's composition in
    // progress with its cursor in characters (empty when it ended).
    virtual void TextInput(const std::string& /*utf8*/) {}
    virtual void TextEditing(const std::string& /*utf8*/, int32_t /*cursor*/) {}
};

}  // namespace vesk
