#pragma once
// The game window on SDL2: a window with a renderer and a streaming texture of the game
// picture under a toolbar ("終了", "画面切替"). Only the dirty rectangles of the composed
// screen are uploaded; the texture is drawn scaled with its aspect kept and black bars
// around it. The window may be resized and switched to desktop full screen (the toolbar
// button or Alt+Enter); in full screen the toolbar shows while the pointer is on the top row.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gfx/rect.h"
#include "platform/toolbar.h"
#include "platform/view_fit.h"
#include "platform/window_input.h"

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;
struct SDL_Cursor;
union SDL_Event;

namespace vesk {

class TCustomDIBX;
struct TCursorImage;

// Whether a display could be opened at all: an X or Wayland display, or a video driver
// the user names (SDL_VIDEODRIVER).
bool DisplayConfigured();

class TSdlWindow {
  public:
    // Opens a window showing a picture of `width` x `height` below the toolbar, titled
    // `titleUtf8`. Null when no display can be used; `error` then says why.
    static std::unique_ptr<TSdlWindow> Open(const std::string& titleUtf8, int32_t width,
                                            int32_t height, std::string* error);
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
    // Handles every pending event, reporting input to `input`.
    void PumpEvents(IWindowInput& input);
    // False (and nothing changed) when the display refuses.
    bool SetFullScreen(bool on);
    bool FullScreen() const { return fullScreen_; }
    // The picture's place in the window, in window coordinates.
    TViewFit Fit() const;
    const TToolbar& Toolbar() const { return toolbar_; }

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
};

}  // namespace vesk
