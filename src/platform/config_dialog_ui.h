#pragma once
// The configuration dialog's controls without a window: where they are, what a click or a
// key does to them, and how they look in a pixel buffer. The SDL runner only feeds events
// in and shows the pixels.
#include <cstdint>
#include <string>
#include <string_view>

#include "gfx/rect.h"
#include "platform/config_form.h"
#include "platform/ui_font.h"

namespace vesk {

enum class ConfigControl { None, CheckBox, TrackBar, OkButton, CancelButton };
enum class DialogResult { None, Ok, Cancel };

// A caption with its "&" mnemonic taken out: `shown` is the text to draw, the mnemonic
// character is the `markLength` bytes at `mark` (npos when there is none); "&&" is a plain
// "&".
struct TMnemonicText {
    std::string shown;
    size_t mark = std::string::npos;
    size_t markLength = 0;
};
TMnemonicText SplitMnemonic(std::string_view utf8);

// The dialog's fixed geometry, in client pixels.
struct TConfigDialogLayout {
    int32_t width = 320;
    int32_t height = 140;
    TRect checkBox;     // the box and its caption: the clickable area
    TRect checkSquare;  // the 13 x 13 box itself
    TRect delayLabel;
    TRect trackBar;  // the whole track bar with its ticks
    TRect valueLabel;
    TRect okButton;
    TRect cancelButton;

    TConfigDialogLayout();
    // The track bar's thumb at a position, and the position nearest to a pointer x.
    int32_t ThumbCentre(int32_t position) const;
    TRect ThumbRect(int32_t position) const;
    int32_t PositionAt(int32_t x) const;
    // The control under a point (labels are not controls).
    ConfigControl HitTest(int32_t x, int32_t y) const;
};

// The running dialog: focus, pointer state, and the form it edits.
class TConfigDialog {
  public:
    explicit TConfigDialog(IConfigForm& form) : form_(form) {}

    const TConfigDialogLayout& Layout() const { return layout_; }
    IConfigForm& Form() { return form_; }
    ConfigControl Focus() const { return focus_; }
    bool Dragging() const { return dragging_; }
    // A push button or the check box drawn pressed: held down with the pointer on it.
    bool ShownDown(ConfigControl c) const;
    // Whether a control takes input (the delay track bar only without DirectSound).
    bool Enabled(ConfigControl c) const;

    // Left button events in client pixels. Buttons and the check box act on a release over
    // the control the press began on; the track bar follows the pointer while held.
    void MouseDown(int32_t x, int32_t y);
    void MouseMove(int32_t x, int32_t y);
    DialogResult MouseUp(int32_t x, int32_t y);
    // A press and a release at the same point.
    DialogResult HandleClick(int32_t x, int32_t y);
    // Forgets a press in progress (the window lost the focus).
    void CancelMouse();
    // A key press by Windows virtual-key code: Tab (Shift+Tab back), Space, Enter, Esc,
    // arrows, Home and End, and the Alt+S and Alt+D mnemonics.
    DialogResult KeyDown(int32_t vk, bool shift, bool alt);

    // The whole client area into `dst` (of Layout().width x height or larger). Without a
    // font the captions are left out.
    void Draw(const TPixelBuffer& dst, TUiFont* font) const;

  private:
    void MoveFocus(bool back);
    void SetPosition(int32_t p) { form_.SetDelayPosition(p); }

    IConfigForm& form_;
    TConfigDialogLayout layout_;
    ConfigControl focus_ = ConfigControl::CheckBox;
    ConfigControl pressed_ = ConfigControl::None;
    ConfigControl hovered_ = ConfigControl::None;
    bool dragging_ = false;
};

// The dialog's captions (UTF-8).
namespace config_dialog_text {
constexpr const char* kTitle = "動作設定";
constexpr const char* kDirectSound = "DirectSoundを使用する(&S)";
constexpr const char* kDelay = "サウンドの遅延時間(&D)：";
constexpr const char* kOk = "OK";
constexpr const char* kCancel = "キャンセル";
}  // namespace config_dialog_text

}  // namespace vesk
