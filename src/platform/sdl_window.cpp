#include "platform/sdl_window.h"

#include <SDL.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "gfx/cursor_file.h"
#include "gfx/custom_dibx.h"
#include "platform/sdl_keys.h"

namespace vesk {

bool DisplayConfigured() {
    return std::getenv("SDL_VIDEODRIVER") || std::getenv("DISPLAY") ||
           std::getenv("WAYLAND_DISPLAY");
}

namespace {

// Room the desktop's window decorations take above a window.
constexpr int32_t kTitleBar = 48;

// Whether a window at `p` would show enough of its toolbar on one of the displays to be
// taken hold of.
bool OnSomeDisplay(const TWindowPlacement& p) {
    const TRect bar{p.x, p.y, p.x + p.width, p.y + TToolbar::kHeight};
    for (int i = 0, n = SDL_GetNumVideoDisplays(); i < n; ++i) {
        SDL_Rect d;
        if (SDL_GetDisplayBounds(i, &d) != 0) continue;
        const TRect seen = Intersect(bar, TRect{d.x, d.y, d.x + d.w, d.y + d.h});
        if (seen.Width() >= 64 && seen.Height() >= TToolbar::kHeight / 2) return true;
    }
    return false;
}

}  // namespace

std::unique_ptr<TSdlWindow> TSdlWindow::Open(const std::string& titleUtf8, int32_t width,
                                             int32_t height, const TWindowOptions& options,
                                             std::string* error) {
    auto fail = [&](const char* what) {
        if (error) *error = std::string(what) + ": " + SDL_GetError();
        return std::unique_ptr<TSdlWindow>();
    };
    // Without an X or Wayland display there is nothing to try (probing would only print
    // the libraries' complaints); a console driver can still be asked for by name.
    if (!DisplayConfigured()) {
        if (error) *error = "no display";
        return nullptr;
    }
    std::unique_ptr<TSdlWindow> w(new TSdlWindow);
    w->filter_ = options.Filter;
    w->pad_ = TPadMapper(options.PadStick);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return fail("no display");
    }
    w->videoInit_ = true;
    // SDL falls back to drivers that show nothing; only a user who asks for one gets it.
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!std::getenv("SDL_VIDEODRIVER") && driver &&
        (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0)) {
        if (error) *error = "no display";
        return nullptr;
    }
    // Games are played with the screen saver kept off.
    SDL_DisableScreenSaver();
    width = std::max(width, 1);
    height = std::max(height, 1);
    // The picture sits below the toolbar's dock; the window holds both. It opens at the
    // chosen whole multiple of the picture, or the largest that fits the desktop (title bar
    // included); a picture larger than the desktop starts scaled down to fit it.
    int32_t winW = width * std::max(options.Scale, 1), winH = height * std::max(options.Scale, 1);
    SDL_Rect usable;
    if (SDL_GetDisplayUsableBounds(0, &usable) == 0) {
        const int32_t areaW = usable.w, areaH = usable.h - TToolbar::kHeight - kTitleBar;
        const int32_t whole = LargestWholeScale(areaW, areaH, width, height);
        if (options.Scale <= 0 && whole >= 1) {
            winW = width * whole;
            winH = height * whole;
        }
        TViewFit f = TViewFit::Compute(areaW, areaH, width, height);
        if (whole < 1 && !f.Empty() && f.w < width) {
            winW = f.w;
            winH = f.h;
        }
    }
    int32_t x = SDL_WINDOWPOS_CENTERED, y = SDL_WINDOWPOS_CENTERED;
    winH += TToolbar::kHeight;
    if (const TWindowPlacement* p = options.Placement) {
        constexpr int32_t kMaxSide = 16384;
        if (p->width > 0 && p->height > TToolbar::kHeight && p->width <= kMaxSide &&
            p->height <= kMaxSide) {
            TWindowPlacement at = *p;
            if (options.Scale > 0) {
                at.width = winW;
                at.height = winH;
            }
            if (OnSomeDisplay(at)) {
                x = at.x;
                y = at.y;
                winW = at.width;
                winH = at.height;
            }
        }
    }
#if SDL_VERSION_ATLEAST(2, 0, 22)
    // Long compositions of the input method come whole, not cut at 32 bytes.
    SDL_SetHint(SDL_HINT_IME_SUPPORT_EXTENDED_TEXT, "1");
#endif
    // High-density screens give the renderer their full pixels; events stay in points.
    w->window_ = SDL_CreateWindow(titleUtf8.c_str(), x, y, winW, winH,
                                  SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI);
    if (!w->window_) return fail("cannot open the window");
    w->NoteWindowed();
    w->SetIcon();
    // SDL starts with text input on; the input method appears only while an edit takes text.
    SDL_StopTextInput();
    w->renderer_ = SDL_CreateRenderer(w->window_, -1, 0);
    if (!w->renderer_) return fail("cannot draw in the window");
    if (!w->EnsureTexture(width, height)) return fail("cannot make the picture texture");
    // The toolbar is drawn without captions when no font can be found.
    std::string why;
    w->font_ = TUiFont::Open(12, &why);
    // Controllers already plugged in are announced as if plugged in now. Without the
    // subsystem the game is played with mouse and keys only.
    w->padInit_ = SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0;
    w->Redraw();
    return w;
}

TSdlWindow::~TSdlWindow() {
    ClosePads();
    if (padInit_) SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
    if (noticeTexture_) SDL_DestroyTexture(noticeTexture_);
    if (cursor_) {
        SDL_SetCursor(SDL_GetDefaultCursor());
        SDL_FreeCursor(cursor_);
    }
    if (texture_) SDL_DestroyTexture(texture_);
    if (toolbarTexture_) SDL_DestroyTexture(toolbarTexture_);
    if (renderer_) SDL_DestroyRenderer(renderer_);
    if (window_) SDL_DestroyWindow(window_);
    if (videoInit_) SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

void TSdlWindow::SetIcon() {
    // Our own mark, the three bars of the start-up logo, on a transparent square.
    constexpr int kSide = 32;
    constexpr uint32_t kBars[3] = {0xFFE85D4A, 0xFFF2B134, 0xFF2A9D8F};
    std::vector<uint32_t> px(size_t(kSide) * kSide, 0);
    for (int b = 0; b < 3; ++b) {
        const int left = 3 + b * 9, top = b == 1 ? 3 : 6, bottom = b == 1 ? 29 : 26;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < left + 8; ++x) px[size_t(y) * kSide + size_t(x)] = kBars[b];
    }
    SDL_Surface* icon = SDL_CreateRGBSurfaceWithFormatFrom(px.data(), kSide, kSide, 32, kSide * 4,
                                                           SDL_PIXELFORMAT_ARGB8888);
    if (!icon) return;
    SDL_SetWindowIcon(window_, icon);
    SDL_FreeSurface(icon);
}

void TSdlWindow::SetTitle(const std::string& titleUtf8) {
    SDL_SetWindowTitle(window_, titleUtf8.c_str());
}

bool TSdlWindow::EnsureTexture(int32_t w, int32_t h) {
    if (texture_ && w == texW_ && h == texH_) return true;
    if (texture_) SDL_DestroyTexture(texture_);
    // 32-bit screen pixels are 0x00RRGGBB words: the fourth byte is not alpha.
    texture_ =
        SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, w, h);
    texW_ = texture_ ? w : 0;
    texH_ = texture_ ? h : 0;
    pad_.SetPicture(texW_, texH_);
    return texture_ != nullptr;
}

void TSdlWindow::Present(TCustomDIBX& screen, const std::vector<TRect>& dirty) {
    int32_t w = screen.Width(), h = screen.Height();
    if (w <= 0 || h <= 0) return;
    std::vector<TRect> rects = dirty;
    if (w != texW_ || h != texH_) {
        if (!EnsureTexture(w, h)) return;
        rects = {TRect{0, 0, w, h}};
    }
    const bool direct = screen.BitCount() == 32 && screen.RedMask() == 0xFF0000 &&
                        screen.GreenMask() == 0xFF00 && screen.BlueMask() == 0xFF;
    for (TRect r : rects) {
        r.left = std::max(r.left, 0);
        r.top = std::max(r.top, 0);
        r.right = std::min(r.right, w);
        r.bottom = std::min(r.bottom, h);
        if (r.IsEmpty()) continue;
        SDL_Rect sr{r.left, r.top, r.Width(), r.Height()};
        if (direct) {
            SDL_UpdateTexture(texture_, &sr, screen.PixelAddress(r.left, r.top),
                              int(screen.Pitch()));
        } else {
            rowBuffer_.resize(size_t(r.Width()) * size_t(r.Height()));
            screen.ReadRectRgb(r, rowBuffer_.data(), ptrdiff_t(r.Width()) * 4);
            SDL_UpdateTexture(texture_, &sr, rowBuffer_.data(), r.Width() * 4);
        }
    }
    Redraw();
}

TViewFit TSdlWindow::Fit() const {
    int ww = 0, wh = 0;
    SDL_GetWindowSize(window_, &ww, &wh);
    return FitIn(ww, wh);
}

TWindowView TSdlWindow::View() const {
    TWindowView v;
    SDL_GetWindowSize(window_, &v.pointsW, &v.pointsH);
    if (SDL_GetRendererOutputSize(renderer_, &v.pixelsW, &v.pixelsH) != 0) {
        v.pixelsW = v.pointsW;
        v.pixelsH = v.pointsH;
    }
    // In full screen the toolbar only floats over the picture when called up.
    v.dockPoints = fullScreen_ ? 0 : TToolbar::kHeight;
    v.picW = texW_;
    v.picH = texH_;
    v.filter = filter_;
    return v;
}

TViewFit TSdlWindow::FitIn(int32_t w, int32_t h) const {
    // In full screen the toolbar only floats over the picture when called up.
    const int32_t dock = fullScreen_ ? 0 : TToolbar::kHeight;
    TViewFit f = TViewFit::Compute(w, std::max(h - dock, 0), texW_, texH_);
    f.y += dock;
    return f;
}

void TSdlWindow::UpdateToolbarTexture(int32_t width) {
    if (width <= 0) return;
    if (!toolbarTexture_ || toolbarTexW_ != width) {
        if (toolbarTexture_) SDL_DestroyTexture(toolbarTexture_);
        toolbarTexture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB888,
                                            SDL_TEXTUREACCESS_STREAMING, width, TToolbar::kHeight);
        toolbarTexW_ = toolbarTexture_ ? width : 0;
        toolbarDirty_ = true;
    }
    if (!toolbarTexture_ || !toolbarDirty_) return;
    toolbar_.SetWidth(width);
    toolbarPixels_.assign(size_t(width) * TToolbar::kHeight, 0);
    TPixelBuffer buf{toolbarPixels_.data(), ptrdiff_t(width) * 4, width, TToolbar::kHeight};
    toolbar_.Draw(buf, font_.get());
    SDL_UpdateTexture(toolbarTexture_, nullptr, toolbarPixels_.data(), width * 4);
    toolbarDirty_ = false;
}

void TSdlWindow::Redraw() {
    Render();
    SDL_RenderPresent(renderer_);
}

bool TSdlWindow::ReadWindowPixels(std::vector<uint32_t>& out, int32_t& width, int32_t& height) {
    int ow = 0, oh = 0;
    if (SDL_GetRendererOutputSize(renderer_, &ow, &oh) != 0 || ow <= 0 || oh <= 0) return false;
    // What was presented may be gone; the same picture is drawn again and read.
    Render();
    out.assign(size_t(ow) * size_t(oh), 0);
    if (SDL_RenderReadPixels(renderer_, nullptr, SDL_PIXELFORMAT_RGB888, out.data(), ow * 4) != 0)
        return false;
    width = ow;
    height = oh;
    return true;
}

bool TSdlWindow::ReadPicturePixels(std::vector<uint32_t>& out, int32_t& width, int32_t& height) {
    std::vector<uint32_t> all;
    int32_t ow = 0, oh = 0;
    if (!ReadWindowPixels(all, ow, oh)) return false;
    TViewFit f = View().PixelFit();
    if (f.x < 0 || f.y < 0 || f.x + f.w > ow || f.y + f.h > oh) return false;
    if (f.Empty()) return false;
    out.resize(size_t(f.w) * size_t(f.h));
    for (int32_t y = 0; y < f.h; ++y)
        std::memcpy(&out[size_t(y) * size_t(f.w)], &all[size_t(f.y + y) * size_t(ow) + size_t(f.x)],
                    size_t(f.w) * 4);
    width = f.w;
    height = f.h;
    return true;
}

void TSdlWindow::WarpPointer(int32_t x, int32_t y) {
    int32_t wx, wy;
    View().PictureToPoint(x, y, wx, wy);
    SDL_WarpMouseInWindow(window_, wx, wy);
    pad_.PointerAt(x, y);
}

void TSdlWindow::SetTextEntry(bool on, const TRect& caret) {
    if (!on) {
        if (SDL_IsTextInputActive()) SDL_StopTextInput();
        return;
    }
    int32_t x0, y0, x1, y1;
    View().PictureToPoint(caret.left, caret.top, x0, y0);
    View().PictureToPoint(caret.right, caret.bottom, x1, y1);
    SDL_Rect r{x0, y0, std::max(x1 - x0, 1), std::max(y1 - y0, 1)};
    SDL_SetTextInputRect(&r);
    if (!SDL_IsTextInputActive()) SDL_StartTextInput();
}

bool TSdlWindow::ShowCursorImage(const TCursorImage* image) {
    SDL_Cursor* made = nullptr;
    if (image) {
        if (image->width <= 0 || image->height <= 0 ||
            image->argb.size() != size_t(image->width) * size_t(image->height))
            return false;
        SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(
            const_cast<uint32_t*>(image->argb.data()), image->width, image->height, 32,
            image->width * 4, SDL_PIXELFORMAT_ARGB8888);
        if (!surface) return false;
        made = SDL_CreateColorCursor(surface, image->hotX, image->hotY);
        SDL_FreeSurface(surface);
        if (!made) return false;
    }
    SDL_SetCursor(made ? made : SDL_GetDefaultCursor());
    if (cursor_) SDL_FreeCursor(cursor_);
    cursor_ = made;
    return true;
}

void TSdlWindow::Render() {
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
    if (!texture_) return;
    // The renderer may have more pixels than the window has points (high density): the
    // picture is placed in pixels, the toolbar laid out in points and drawn stretched.
    const TWindowView v = View();
    const TViewFit f = v.PixelFit();
    if (!f.Empty()) {
        drewNearest_ = DrawsNearest(filter_, f);
        SDL_SetTextureScaleMode(texture_,
                                drewNearest_ ? SDL_ScaleModeNearest : SDL_ScaleModeLinear);
        SDL_Rect dst{f.x, f.y, f.w, f.h};
        SDL_RenderCopy(renderer_, texture_, nullptr, &dst);
        if (noticeTexture_) {
            // Over the picture's lower left corner, inside it when it is large enough.
            const int32_t margin = std::max(1, v.DockPixels() / 3);
            const int32_t scale = std::max(1, v.pointsW > 0 ? v.pixelsW / v.pointsW : 1);
            SDL_Rect at{f.x + margin, f.y + f.h - margin - noticeH_ * scale, noticeW_ * scale,
                        noticeH_ * scale};
            SDL_RenderCopy(renderer_, noticeTexture_, nullptr, &at);
        }
    }
    if (toolbar_.Visible()) {
        UpdateToolbarTexture(v.pointsW);
        if (toolbarTexture_) {
            SDL_Rect bar{0, 0, v.pixelsW, v.DockPixels() > 0 ? v.DockPixels() : TToolbar::kHeight};
            SDL_RenderCopy(renderer_, toolbarTexture_, nullptr, &bar);
        }
    }
}

bool TSdlWindow::ShowNotice(const std::string& textUtf8, int64_t ms) {
    DropNotice();
    if (!font_ || ms <= 0) return false;
    const int32_t pad = 4;
    noticeW_ = font_->Measure(textUtf8) + 2 * pad;
    noticeH_ = font_->LineHeight() + 2 * pad;
    std::vector<uint32_t> px(size_t(noticeW_) * size_t(noticeH_), 0x202020);
    TPixelBuffer buf{px.data(), ptrdiff_t(noticeW_) * 4, noticeW_, noticeH_};
    font_->Draw(buf, buf.Bounds(), pad, pad, textUtf8, 0xFFFFFF);
    noticeTexture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STATIC,
                                       noticeW_, noticeH_);
    if (!noticeTexture_) return false;
    SDL_UpdateTexture(noticeTexture_, nullptr, px.data(), noticeW_ * 4);
    // Lets the game show through a little.
    SDL_SetTextureBlendMode(noticeTexture_, SDL_BLENDMODE_BLEND);
    SDL_SetTextureAlphaMod(noticeTexture_, 208);
    noticeUntil_ = SDL_GetTicks64() + uint64_t(ms);
    Redraw();
    return true;
}

void TSdlWindow::DropNotice() {
    if (noticeTexture_) SDL_DestroyTexture(noticeTexture_);
    noticeTexture_ = nullptr;
}

void TSdlWindow::NoteWindowed() {
    if (fullScreen_) return;
    SDL_GetWindowPosition(window_, &windowed_.x, &windowed_.y);
    SDL_GetWindowSize(window_, &windowed_.width, &windowed_.height);
}

TWindowPlacement TSdlWindow::Placement() const {
    TWindowPlacement p = windowed_;
    if (!fullScreen_) {
        SDL_GetWindowPosition(window_, &p.x, &p.y);
        SDL_GetWindowSize(window_, &p.width, &p.height);
    }
    p.fullScreen = fullScreen_;
    return p;
}

bool TSdlWindow::SetFullScreen(bool on) {
    if (on == fullScreen_) return true;
    // The place to come back to.
    NoteWindowed();
    if (SDL_SetWindowFullscreen(window_, on ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) != 0) return false;
    fullScreen_ = on;
    // Full screen hides the toolbar until the pointer reaches the top row.
    toolbar_.SetVisible(!on);
    toolbarDirty_ = true;
    Redraw();
    return true;
}

void TSdlWindow::PumpEvents(IWindowInput& input) {
    SDL_Event e;
    while (SDL_PollEvent(&e)) HandleEvent(e, input);
    const uint64_t now = SDL_GetTicks64();
    if (noticeTexture_ && now >= noticeUntil_) {
        DropNotice();
        Redraw();
    }
    // The stick moves the pointer with the time that passed, at most a tenth of a second's
    // worth after a stall.
    const int64_t ms =
        lastPadAdvance_ ? int64_t(std::min<uint64_t>(now - lastPadAdvance_, 100)) : 0;
    lastPadAdvance_ = now;
    int32_t x = 0, y = 0;
    if (!pads_.empty() && pad_.Advance(ms, input, x, y)) {
        int32_t wx, wy;
        View().PictureToPoint(x, y, wx, wy);
        SDL_WarpMouseInWindow(window_, wx, wy);
    }
}

void TSdlWindow::OpenPad(int deviceIndex) {
    if (!SDL_IsGameController(deviceIndex)) return;
    const SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(deviceIndex);
    for (SDL_GameController* c : pads_)
        if (SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(c)) == id) return;
    if (SDL_GameController* c = SDL_GameControllerOpen(deviceIndex)) pads_.push_back(c);
}

void TSdlWindow::ClosePads() {
    for (SDL_GameController* c : pads_) SDL_GameControllerClose(c);
    pads_.clear();
}

void TSdlWindow::PadEvent(const SDL_Event& e, IWindowInput& input) {
    switch (e.type) {
        case SDL_CONTROLLERDEVICEADDED:
            OpenPad(e.cdevice.which);
            break;
        case SDL_CONTROLLERDEVICEREMOVED:
            for (size_t i = 0; i < pads_.size(); ++i) {
                if (SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(pads_[i])) !=
                    e.cdevice.which)
                    continue;
                SDL_GameControllerClose(pads_[i]);
                pads_.erase(pads_.begin() + ptrdiff_t(i));
                // Whatever it held must not stay held.
                pad_.ReleaseAll(input);
                break;
            }
            break;
        case SDL_CONTROLLERBUTTONDOWN:
        case SDL_CONTROLLERBUTTONUP: {
            PadButton b = PadButton::Other;
            switch (e.cbutton.button) {
                case SDL_CONTROLLER_BUTTON_A:
                    b = PadButton::A;
                    break;
                case SDL_CONTROLLER_BUTTON_B:
                    b = PadButton::B;
                    break;
                case SDL_CONTROLLER_BUTTON_START:
                    b = PadButton::Start;
                    break;
                case SDL_CONTROLLER_BUTTON_RIGHTSHOULDER:
                    b = PadButton::RightShoulder;
                    break;
                case SDL_CONTROLLER_BUTTON_DPAD_UP:
                    b = PadButton::Up;
                    break;
                case SDL_CONTROLLER_BUTTON_DPAD_DOWN:
                    b = PadButton::Down;
                    break;
                case SDL_CONTROLLER_BUTTON_DPAD_LEFT:
                    b = PadButton::Left;
                    break;
                case SDL_CONTROLLER_BUTTON_DPAD_RIGHT:
                    b = PadButton::Right;
                    break;
                default:
                    break;
            }
            pad_.Button(b, e.type == SDL_CONTROLLERBUTTONDOWN, input);
            break;
        }
        case SDL_CONTROLLERAXISMOTION: {
            const PadAxis a = e.caxis.axis == SDL_CONTROLLER_AXIS_LEFTX   ? PadAxis::LeftX
                              : e.caxis.axis == SDL_CONTROLLER_AXIS_LEFTY ? PadAxis::LeftY
                                                                          : PadAxis::Other;
            pad_.Axis(a, e.caxis.value, input);
            break;
        }
        default:
            break;
    }
}

bool TSdlWindow::ToolbarMouse(const SDL_Event& e, IWindowInput& input) {
    auto look = [this](bool changed) {
        if (!changed) return;
        toolbarDirty_ = true;
        Redraw();
    };
    switch (e.type) {
        case SDL_MOUSEMOTION: {
            const int32_t x = e.motion.x, y = e.motion.y;
            // In full screen the top row calls the toolbar up and leaving the dock puts it
            // away, but not while one of its presses is held.
            if (fullScreen_ && !toolbarHeld_) look(toolbar_.FollowPointer(x, y));
            if (!toolbar_.Visible()) return false;
            look(toolbar_.MouseMove(x, y));
            // Moves over the dock, or while a button is held, are the toolbar's.
            return toolbar_.Contains(x, y) || toolbarHeld_;
        }
        case SDL_MOUSEBUTTONDOWN:
            if (e.button.button != SDL_BUTTON_LEFT)
                return toolbar_.Contains(e.button.x, e.button.y);
            if (!toolbar_.MouseDown(e.button.x, e.button.y)) return false;
            toolbarHeld_ = true;
            look(true);
            return true;
        case SDL_MOUSEBUTTONUP: {
            // The release of a press the toolbar took is the toolbar's too.
            if (e.button.button != SDL_BUTTON_LEFT || !toolbarHeld_) return false;
            toolbarHeld_ = false;
            ToolbarButton b = toolbar_.MouseUp(e.button.x, e.button.y);
            look(true);
            if (b == ToolbarButton::Quit) input.QuitButton();
            if (b == ToolbarButton::FullScreen && !input.FullScreenRequested())
                SetFullScreen(!fullScreen_);
            return true;
        }
        default:
            return false;
    }
}

void TSdlWindow::HandleEvent(const SDL_Event& e, IWindowInput& input) {
    if (e.type >= SDL_CONTROLLERAXISMOTION && e.type <= SDL_CONTROLLERDEVICEREMAPPED) {
        PadEvent(e, input);
        return;
    }
    if (e.type == SDL_WINDOWEVENT &&
        (e.window.event == SDL_WINDOWEVENT_MOVED || e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED))
        NoteWindowed();
    if ((e.type == SDL_MOUSEMOTION || e.type == SDL_MOUSEBUTTONDOWN ||
         e.type == SDL_MOUSEBUTTONUP) &&
        buttonsHeld_ == 0 && ToolbarMouse(e, input))
        return;
    switch (e.type) {
        case SDL_QUIT:
            input.CloseRequested();
            break;
        case SDL_WINDOWEVENT:
            if (e.window.event == SDL_WINDOWEVENT_CLOSE)
                input.CloseRequested();
            else if (e.window.event == SDL_WINDOWEVENT_EXPOSED ||
                     e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED)
                Redraw();
            else if (e.window.event == SDL_WINDOWEVENT_LEAVE && toolbar_.MouseLeave()) {
                toolbarDirty_ = true;
                Redraw();
            } else if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST) {
                buttonsHeld_ = 0;
                toolbarHeld_ = false;
                toolbar_.CancelPress();
                input.ActiveChanged(false);
            } else if (e.window.event == SDL_WINDOWEVENT_FOCUS_GAINED) {
                input.ActiveChanged(true);
            }
            break;
        case SDL_MOUSEMOTION: {
            int32_t px, py;
            bool inside;
            View().PointToPicture(e.motion.x, e.motion.y, px, py, inside);
            if (inside || buttonsHeld_ > 0) input.MouseMoveTo(px, py);
            if (inside) pad_.PointerAt(px, py);
            break;
        }
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            bool down = e.type == SDL_MOUSEBUTTONDOWN;
            bool left = e.button.button == SDL_BUTTON_LEFT;
            if (!left && e.button.button != SDL_BUTTON_RIGHT) break;
            int32_t px, py;
            bool inside;
            View().PointToPicture(e.button.x, e.button.y, px, py, inside);
            // A press counts on the picture only; a release always ends what it began.
            if (down && !inside) break;
            if (down) {
                ++buttonsHeld_;
                input.MouseMoveTo(px, py);
            } else if (buttonsHeld_ > 0) {
                --buttonsHeld_;
            }
            input.MouseButton(left, down);
            break;
        }
        case SDL_TEXTINPUT:
            input.TextInput(e.text.text);
            break;
        case SDL_TEXTEDITING:
            input.TextEditing(e.edit.text, e.edit.start);
            break;
#if SDL_VERSION_ATLEAST(2, 0, 22)
        case SDL_TEXTEDITING_EXT:
            // A composition too long for the event's own buffer.
            if (e.editExt.text) {
                input.TextEditing(e.editExt.text, e.editExt.start);
                SDL_free(e.editExt.text);
            }
            break;
#endif
        case SDL_MOUSEWHEEL: {
            int32_t dy = e.wheel.y;
            if (e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) dy = -dy;
            if (dy != 0) input.MouseWheel(dy < 0);
            break;
        }
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            bool down = e.type == SDL_KEYDOWN;
            // Alt+Enter switches between window and full screen; the game never sees it.
            if (e.key.keysym.sym == SDLK_RETURN && (e.key.keysym.mod & KMOD_ALT)) {
                if (down && !e.key.repeat && !input.FullScreenRequested())
                    SetFullScreen(!fullScreen_);
                break;
            }
            // Held keys repeat through the game's own key state, not the system's.
            if (down && e.key.repeat) break;
            int32_t vk = VirtualKeyOf(e.key.keysym.sym);
            if (vk <= 0 || vk >= 256) break;
            if (down)
                input.KeyDown(vk);
            else
                input.KeyUp(vk);
            break;
        }
        default:
            break;
    }
}

}  // namespace vesk
