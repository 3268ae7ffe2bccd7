#include "app/root_input.h"

#include "app/engine.h"
#include "app/headless_box.h"
#include "display/vesk_base_list.h"

namespace vesk {

TRootInput::TRootInput(TEngine& engine, AskYesNoFn ask, bool japanese, std::function<int64_t()> now)
    : engine_(engine), ask_(std::move(ask)), japanese_(japanese), now_(std::move(now)) {}

TVeskBaseList* TRootInput::Root() {
    return engine_.Active() ? engine_.Root() : nullptr;
}

void TRootInput::MouseMoveTo(int32_t x, int32_t y) {
    if (auto* r = Root()) r->MouseMoveTo(x, y);
}

void TRootInput::MouseButton(bool left, bool down) {
    if (auto* r = Root()) r->MouseButton(left, down);
}

void TRootInput::MouseWheel(bool down) {
    if (auto* r = Root()) r->MouseWheel(down);
}

void TRootInput::KeyDown(int32_t vk) {
    if (auto* r = Root()) r->RecordKeyDown(vk);
}

void TRootInput::KeyUp(int32_t vk) {
    if (auto* r = Root()) r->RecordKeyUp(vk);
}

void TRootInput::CloseRequested() {
    engine_.PostClose();
}

void TRootInput::ActiveChanged(bool active) {
    engine_.ActiveChanged(active, now_());
}

void TRootInput::QuitButton() {
    const bool was = engine_.QuitFlag();
    engine_.SetQuitFlag();
    const std::string name = ReadableText(engine_.Title());
    if (ask_ && ask_(name, QuitPromptText(name, japanese_), YesNoLabels(japanese_)))
        engine_.PostClose();
    else
        engine_.SetQuitFlag(was);
}

bool TRootInput::FullScreenRequested() {
    engine_.SetFullScreen(!engine_.FullScreen());
    return true;
}

}  // namespace vesk
