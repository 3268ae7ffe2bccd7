#include "app/root_input.h"

#include "app/engine.h"
#include "display/vesk_base_list.h"

namespace vesk {

TRootInput::TRootInput(TEngine& engine, TAskYesNo ask, bool japanese, std::function<int64_t()> now)
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
    if (ask_) AskToQuit(engine_, japanese_, ask_);
}

bool TRootInput::FullScreenRequested() {
    engine_.SetFullScreen(!engine_.FullScreen());
    return true;
}

}  // namespace vesk
