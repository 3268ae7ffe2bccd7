#include "app/root_input.h"

#include "app/engine.h"
#include "display/vesk_base_list.h"
#include "ui/text_entry.h"

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
    auto* r = Root();
    if (!r) return;
    r->RecordKeyDown(vk);
    if (vk == kVkScreenshot) shotRequested_ = true;
    if (vk == kVkControl && ctrl_ == CtrlKey::FastForwards)
        engine_.FastForward().Hold(HoldSource::Keyboard, true);
}

void TRootInput::KeyUp(int32_t vk) {
    // A release always counts, so that nothing stays held.
    if (vk == kVkControl) engine_.FastForward().Hold(HoldSource::Keyboard, false);
    if (auto* r = Root()) r->RecordKeyUp(vk);
}

ITextEntryTarget* TRootInput::TextTarget() {
    TVeskBaseList* r = Root();
    return r ? dynamic_cast<ITextEntryTarget*>(r->Focused()) : nullptr;
}

void TRootInput::TextInput(const std::string& utf8) {
    if (ITextEntryTarget* t = TextTarget()) t->TextInput(utf8);
}

void TRootInput::TextEditing(const std::string& utf8, int32_t cursor) {
    if (ITextEntryTarget* t = TextTarget()) t->TextEditing(utf8, cursor);
}

void TRootInput::FastForward(HoldSource from, bool held) {
    if (held && !engine_.Active()) return;
    engine_.FastForward().Hold(from, held);
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
