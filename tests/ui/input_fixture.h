#pragma once
// Shared helpers of the control tests: the picture world of the display tests with the
// input controls registered, and mouse and key steps through the root's input.
#include <string>
#include <vector>

#include "../display/effect_fixture.h"
#include "text/text_services.h"
#include "ui/input_commands.h"

namespace vesk::test {

struct InputWorld : EffectWorld {
    InputWorld() { RegisterInputKinds(root.Kinds(), services); }

    template <class T>
    T* Make(int32_t kind) {
        return dynamic_cast<T*>(root.Adopt(root.Kinds().Make(kind, &root)));
    }
    // One frame of input, then the objects' step.
    void Input(int32_t ms = 16) {
        root.ProcessInput(ms);
        Frame(ms);
    }
    void MoveTo(int32_t x, int32_t y) {
        root.MouseMoveTo(x, y);
        Input();
    }
    void Press(int32_t x, int32_t y) {
        root.MouseMoveTo(x, y);
        root.MouseButton(true, true);
        Input();
    }
    void Release() {
        root.MouseButton(true, false);
        Input();
    }
    void Click(int32_t x, int32_t y) {
        Press(x, y);
        Release();
    }
    void Key(int32_t vk) {
        root.RecordKeyDown(vk);
        Input();
        root.RecordKeyUp(vk);
        Input();
    }
    size_t Queued(int32_t kind) { return EventsOf(kind).size(); }

    TTextServices services;
};

}  // namespace vesk::test
