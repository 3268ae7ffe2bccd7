#pragma once
// The game window on SDL2: a window with a renderer and a streaming texture of the game
// picture under a toolbar ("終了", "画面切替"). Only the dirty rectangles of the composed
// screen are uploaded; the texture is drawn scaled with its aspect kept and black bars
// around it, pixel-exact at whole multiples and smoothed otherwise. The window may be
// resized and switched to desktop full screen (the toolbar button or Alt+Enter); in full
// screen the toolbar shows while the pointer is on the top row. Game controllers plugged in
// at any time play through a TPadMapper.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gfx/rect.h"
#include "platform/pad_mapper.h"
#include "platform/toolbar.h"
#include "platform/view_fit.h"
#include "platform/window_input.h"
#include "platform/window_placement.h"

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;
struct SDL_Cursor;
struct _SDL_GameController;
union SDL_Event;

namespace vesk {

class TCustomDIBX;
struct TCursorImage;

// Whether a display could be opened at all: an X or Wayland display, or a video driver
// the user names (SDL_VIDEODRIVER).
bool DisplayConfigured();

struct TWindowOptions {
    // The picture at this whole multiple of its size; 0: the largest that fits the desktop.
    int32_t Scale = 1;
    ScaleFilter Filter = ScaleFilter::Auto;
    // Where the window was last time: its place is taken when it lies on a display, and its
    // size unless Scale is given. Its full-screen state is the caller's to restore.
    const TWindowPlacement* Placement = nullptr;
    PadMove PadStick = PadMove::Pointer;
};

class TSdlWindow {
  public:
    // Opens a window showing a picture of `width` x `height` below the toolbar, titled
    // `titleUtf8`. Null when no display can be used; `error` then says why.
    static std::unique_ptr<TSdlWindow> Open(const std::string& titleUtf8, int32_t width,
                                            int32_t height, const TWindowOptions& options,
                                            std::string* error);
    static std::unique_ptr<TSdlWindow> Open(const std::string& titleUtf8, int32_t width,
                                            int32_t height, std::string* error) {
        return Open(titleUtf8, width, height, TWindowOptions{}, error);
    }
    ~TSdlWindow();
    TSdlWindow(const TSdlWindow&) = delete;
    TSdlWindow& operator=(const TSdlWindow&) = delete;

    void SetTitle(const std::string& titleUtf8);
    // For message boxes that belong to the window.
    SDL_Window* Handle() const { return window_; }
    // Uploads the given rectangles of `screen` (any depth; 32 bits straight from its rows)
    // and shows the picture. A new picture size uploads everything.
    void Present(TCustomDIBX& screen, const std::vector<TRect>& dirty);
    // Draws the last uploaded picture again (after a resize or an expose).
    void Redraw();
    // The window's pixels as shown (0x00RRGGBB, row by row); false when they cannot be read.
    bool ReadWindowPixels(std::vector<uint32_t>& out, int32_t& width, int32_t& height);
    // The game picture as shown: the window's pixels inside the picture's place only.
    bool ReadPicturePixels(std::vector<uint32_t>& out, int32_t& width, int32_t& height);
    // Moves the pointer to the window point showing picture pixel (x, y).
    void WarpPointer(int32_t x, int32_t y);
    // Shows a cursor picture over the window; null: the standard arrow.
    bool ShowCursorImage(const TCursorImage* image);
    // The desktop's input method on (its window beside `caret`, in picture pixels) or off.
    void SetTextEntry(bool on, const TRect& caret);
    // Handles every pending event, reporting input to `input`.
    void PumpEvents(IWindowInput& input);
    // False (and nothing changed) when the display refuses.
    bool SetFullScreen(bool on);
    bool FullScreen() const { return fullScreen_; }
    // The picture's place in the window, in window points.
    TViewFit Fit() const;
    // The window's points, its renderer's pixels and the picture's place in them.
    TWindowView View() const;
    const TToolbar& Toolbar() const { return toolbar_; }
    // Where the window is now, to be restored next time.
    TWindowPlacement Placement() const;
    // Shows a line of text over the picture's lower left corner for `ms` milliseconds,
    // drawn in the window only (never into the game's picture). False when there is no
    // font to draw it with.
    bool ShowNotice(const std::string& textUtf8, int64_t ms);
    bool NoticeShown() const { return noticeTexture_ != nullptr; }
    ScaleFilter Filter() const { return filter_; }
    // Whether the picture was last drawn pixel-exact (nearest) rather than smoothed.
    bool DrewNearest() const { return drewNearest_; }
    // Game controllers now open.
    size_t PadCount() const { return pads_.size(); }

  private:
    TSdlWindow() = default;
    void HandleEvent(const SDL_Event& e, IWindowInput& input);
    void SetIcon();
    bool EnsureTexture(int32_t w, int32_t h);
    // Clears to black and draws the picture in its place, without showing it yet.
    void Render();
    // The picture's place in a window of `w` x `h`: below the dock in window mode.
    TViewFit FitIn(int32_t w, int32_t h) const;
    // Redraws the toolbar's pixels into its texture when its look changed.
    void UpdateToolbarTexture(int32_t width);
    // Pointer events on the toolbar; true when the toolbar took them.
    bool ToolbarMouse(const SDL_Event& e, IWindowInput& input);
    // Game controllers: plugged in, pulled out, their buttons and stick.
    void PadEvent(const SDL_Event& e, IWindowInput& input);
    void OpenPad(int deviceIndex);
    void ClosePads();
    // Remembers the window's place and size while it is not full screen.
    void NoteWindowed();
    void DropNotice();

    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;
    SDL_Cursor* cursor_ = nullptr;
    SDL_Texture* toolbarTexture_ = nullptr;
    int32_t toolbarTexW_ = 0;
    bool toolbarDirty_ = true;
    // The left button went down on the toolbar and is still held.
    bool toolbarHeld_ = false;
    TToolbar toolbar_;
    std::unique_ptr<TUiFont> font_;
    std::vector<uint32_t> toolbarPixels_;
    int32_t texW_ = 0, texH_ = 0;
    bool fullScreen_ = false;
    bool videoInit_ = false;
    // Buttons held: moves outside the picture still reach the game while one is (capture).
    int buttonsHeld_ = 0;
    std::vector<uint32_t> rowBuffer_;
    ScaleFilter filter_ = ScaleFilter::Auto;
    bool drewNearest_ = true;
    // The window's place and size outside full screen.
    TWindowPlacement windowed_;
    SDL_Texture* noticeTexture_ = nullptr;
    int32_t noticeW_ = 0, noticeH_ = 0;
    uint64_t noticeUntil_ = 0;
    bool padInit_ = false;
    std::vector<_SDL_GameController*> pads_;
    TPadMapper pad_;
    uint64_t lastPadAdvance_ = 0;
};

}  // namespace vesk
