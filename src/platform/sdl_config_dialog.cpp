#include "platform/sdl_config_dialog.h"

#include <SDL.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/config_dialog_ui.h"
#include "platform/sdl_dialogs.h"
#include "platform/sdl_keys.h"
#include "platform/sdl_window.h"
#include "platform/ui_font.h"

namespace vesk {

namespace {

// The SDL objects of the dialog, released in reverse order whatever way the dialog ends.
struct TSdlDialogWindow {
    bool videoInit = false;
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    ~TSdlDialogWindow() {
        if (texture) SDL_DestroyTexture(texture);
        if (renderer) SDL_DestroyRenderer(renderer);
        if (window) SDL_DestroyWindow(window);
        if (videoInit) SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
};

// The dialog's captions are 9-point text, 12 pixels at the usual 96 dots per inch.
constexpr int32_t kFontPixels = 12;

}  // namespace

int RunConfigDialog(IConfigForm& form, std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return -1;
    };
    std::string why;
    std::unique_ptr<TUiFont> font = TUiFont::Open(kFontPixels, &why);
    if (!font) return fail(why);

    // Without an X or Wayland display there is nothing to try; a console driver can still
    // be asked for by name.
    if (!DisplayConfigured()) return fail("no display");
    TSdlDialogWindow w;
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
        return fail(std::string("no display: ") + SDL_GetError());
    w.videoInit = true;
    // Drivers that show nothing would leave the user waiting on an invisible dialog.
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!std::getenv("SDL_VIDEODRIVER") && driver &&
        (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0))
        return fail("no display");

    TConfigDialog dialog(form);
    const int32_t cw = dialog.Layout().width, ch = dialog.Layout().height;
    w.window = SDL_CreateWindow(config_dialog_text::kTitle, SDL_WINDOWPOS_CENTERED,
                                SDL_WINDOWPOS_CENTERED, cw, ch, 0);
    if (!w.window) return fail(std::string("cannot open the window: ") + SDL_GetError());
    w.renderer = SDL_CreateRenderer(w.window, -1, 0);
    if (!w.renderer) return fail(std::string("cannot draw in the window: ") + SDL_GetError());
    // The dialog is drawn at its own size; a high-density screen scales it as a whole.
    SDL_RenderSetLogicalSize(w.renderer, cw, ch);
    w.texture =
        SDL_CreateTexture(w.renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, cw, ch);
    if (!w.texture) return fail(std::string("cannot make the dialog texture: ") + SDL_GetError());

    std::vector<uint32_t> pixels(size_t(cw) * size_t(ch));
    const TPixelBuffer buffer{pixels.data(), ptrdiff_t(cw) * 4, cw, ch};
    auto present = [&] {
        dialog.Draw(buffer, font.get());
        SDL_UpdateTexture(w.texture, nullptr, pixels.data(), cw * 4);
        SDL_RenderClear(w.renderer);
        SDL_RenderCopy(w.renderer, w.texture, nullptr, nullptr);
        SDL_RenderPresent(w.renderer);
    };
    present();

    const Uint32 windowId = SDL_GetWindowID(w.window);
    for (;;) {
        SDL_Event e;
        if (!SDL_WaitEvent(&e)) return fail(std::string("lost the display: ") + SDL_GetError());
        DialogResult result = DialogResult::None;
        switch (e.type) {
            case SDL_QUIT:
                result = DialogResult::Cancel;
                break;
            case SDL_WINDOWEVENT:
                if (e.window.windowID != windowId) break;
                if (e.window.event == SDL_WINDOWEVENT_CLOSE)
                    result = DialogResult::Cancel;
                else if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST)
                    dialog.CancelMouse();
                break;
            case SDL_MOUSEBUTTONDOWN:
                if (e.button.button == SDL_BUTTON_LEFT) dialog.MouseDown(e.button.x, e.button.y);
                break;
            case SDL_MOUSEBUTTONUP:
                if (e.button.button == SDL_BUTTON_LEFT)
                    result = dialog.MouseUp(e.button.x, e.button.y);
                break;
            case SDL_MOUSEMOTION:
                dialog.MouseMove(e.motion.x, e.motion.y);
                break;
            case SDL_KEYDOWN: {
                const SDL_Keycode sym = e.key.keysym.sym;
                // The keypad's Enter is Enter here too.
                const int32_t vk = sym == SDLK_KP_ENTER ? 13 : VirtualKeyOf(sym);
                const Uint16 mod = e.key.keysym.mod;
                result = dialog.KeyDown(vk, (mod & KMOD_SHIFT) != 0, (mod & KMOD_ALT) != 0);
                break;
            }
            default:
                break;
        }
        if (result == DialogResult::Cancel) return 0;
        if (result == DialogResult::Ok) {
            if (form.Ok(&why)) return 1;
            // The values stay on screen so the user can try again or cancel.
            ShowWarning(w.window, config_dialog_text::kTitle, why);
        }
        present();
    }
}

}  // namespace vesk
