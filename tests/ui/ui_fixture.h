#pragma once
// A display root with pictures, box-shaped glyphs (single-byte characters 8 x 16 at size
// 16) and the controls registered, driven frame by frame like the player drives it.
#include <memory>
#include <string>
#include <vector>

#include "../display/image_fixture.h"
#include "../text/font_fixture.h"
#include "base/stream.h"
#include "text/font_pixels.h"
#include "text/text_services.h"
#include "ui/ui_commands.h"
#include "ui/vesk_button.h"
#include "ui/vesk_menu.h"

namespace vesk::test {

// The version the player's saves are written with.
constexpr int32_t kUiSaveVersion = 139;

// The root's tree saved, and loaded into another root of the same kinds.
inline std::vector<uint8_t> SaveUiTree(TVeskBaseList& root) {
    MemoryStream s;
    StreamWriter w(s);
    root.SaveState(w);
    return s.Bytes();
}

inline void LoadUiTree(TVeskBaseList& root, std::vector<uint8_t> bytes,
                       int32_t version = kUiSaveVersion) {
    MemoryStream s(std::move(bytes));
    StreamReader r(s);
    root.LoadState(r, version);
}

// What an event page would have been given.
struct SeenEvent {
    std::string sender;
    int32_t kind = 0;
    std::vector<std::string> args;
    bool operator==(const SeenEvent&) const = default;
};

struct UiWorld : PictureWorld {
    UiWorld() : fonts(std::make_unique<TBoxRasterizer>()) {
        root.SetScreenSize(320, 240);
        services.Fonts = &fonts;
        RegisterUiKinds(root.Kinds(), services);
        root.SetSelectionSink([this](const std::string& text, int32_t index) {
            selStr = text;
            selIndex = index;
        });
    }

    // A menu of `text` at (10, 20) with size-16 items, open at once.
    TVeskMenu* Menu(const std::string& text, int32_t rows, const std::string& name = "m") {
        auto* m = static_cast<TVeskMenu*>(root.Adopt(root.Kinds().Make(LT_MENU, &root)));
        SetStr(*m, PR_NAME, name);
        SetInt(*m, PR_LEFT, 10);
        SetInt(*m, PR_TOP, 20);
        SetInt(*m, PR_FONTHEIGHT, 16);
        SetInt(*m, PR_ROWCOUNT, rows);
        SetStr(*m, PR_TEXT, text);
        for (int32_t kind : {PR_ONSELECT, PR_ONMAPIN, PR_ONMAPOUT, PR_ONOPENING, PR_ONOPENED,
                             PR_ONCLOSING, PR_ONCLOSED})
            SetStr(*m, kind, "page" + std::to_string(kind));
        return m;
    }

    // A button at (x, y) whose looks are 40 x 20 pictures: red, green, blue, and a
    // clicked look of two yellow frames of 50 ms each (each only when asked for).
    TVeskButton* Button(const std::string& name, int32_t x, int32_t y,
                        const std::string& looks = "nhpc") {
        Put("n.qil", {Solid(40, 20, 0xFF0000)});
        Put("h.qil", {Solid(40, 20, 0x00FF00)});
        Put("p.qil", {Solid(40, 20, 0x0000FF)});
        Put("c.qil", {Solid(40, 20, 0xFFFF00, 50), Solid(40, 20, 0xFFFF00, 50)});
        auto* b = static_cast<TVeskButton*>(root.Adopt(root.Kinds().Make(LT_BUTTON, &root)));
        SetStr(*b, PR_NAME, name);
        SetInt(*b, PR_LEFT, x);
        SetInt(*b, PR_TOP, y);
        const std::pair<char, int32_t> props[] = {{'n', PR_SOURCE},
                                                  {'h', PR_HOVERSOURCE},
                                                  {'p', PR_PRESSEDSOURCE},
                                                  {'c', PR_CLICKEDSOURCE}};
        for (auto [c, prop] : props)
            if (looks.find(c) != std::string::npos) SetStr(*b, prop, std::string(1, c) + ".qil");
        SetStr(*b, PR_ONNOTIFY, "clicked");
        SetStr(*b, PR_ONPLAYEND, "played");
        return b;
    }

    // One frame of the player: input, steps, composition.
    void Tick(int32_t ms = 16) {
        root.ProcessInput(ms);
        root.StepAll(ms);
        root.PaintAll();
        root.ClearDirty();
    }
    void Move(int32_t x, int32_t y) {
        root.MouseMoveTo(x, y);
        Tick();
    }
    void Press(bool left = true) {
        root.MouseButton(left, true);
        Tick();
    }
    void Release(bool left = true) {
        root.MouseButton(left, false);
        Tick();
    }
    void Click(int32_t x, int32_t y, bool left = true) {
        root.MouseMoveTo(x, y);
        Press(left);
        Release(left);
    }
    void Key(int32_t vk) {
        root.RecordKeyDown(vk);
        Tick();
        root.RecordKeyUp(vk);
        Tick();
    }
    // The queued events of one kind (all kinds: 0), taken out of the queue as an
    // interpreter would run them.
    std::vector<SeenEvent> Take(int32_t kind = 0) {
        std::vector<SeenEvent> out;
        TTimerList& q = root.Events();
        std::vector<TTimerData> keep;
        for (size_t i = 0; i < q.Count(); ++i) {
            const TTimerData& e = q.At(i);
            if (kind != 0 && e.Kind != kind) {
                keep.push_back(e);
                continue;
            }
            out.push_back({root.ObjectName(e.Sender), e.Kind, e.Args});
        }
        q.Clear();
        for (TTimerData& e : keep) q.Add(std::move(e));
        return out;
    }
    bool Pending(int32_t kind) {
        for (size_t i = 0; i < root.Events().Count(); ++i)
            if (root.Events().At(i).Kind == kind) return true;
        return false;
    }

    TFontPixelManager fonts;
    TTextServices services;
    std::string selStr = "unset";
    int32_t selIndex = -99;
};

}  // namespace vesk::test
