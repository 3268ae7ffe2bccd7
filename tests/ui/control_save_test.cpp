// Saved records of every input control cut short or damaged: loading ends in a clear error or
// in a tree that runs, draws and saves again; never a crash or an unbounded allocation.
#include <gtest/gtest.h>

#include "../text/font_fixture.h"
#include "base/error.h"
#include "input_fixture.h"
#include "text/clipboard.h"
#include "ui/vesk_edit.h"
#include "ui/vesk_http.h"

namespace vesk {
namespace {

using namespace test;

struct ControlWorld : InputWorld {
    ControlWorld() : fonts(std::make_unique<TBoxRasterizer>()) {
        services.Fonts = &fonts;
        services.Clipboard = &clipboard;
        Put("pic.qil", {Solid(20, 6, 0x336699), Solid(6, 6, 0x996633)});
    }
    TFontPixelManager fonts;
    TMemoryClipboard clipboard;
};

std::vector<uint8_t> SavedControls() {
    ControlWorld w;
    for (int32_t kind : {LT_SLIDER, LT_SCROLLBAR, LT_GAUGE, LT_EDIT, LT_MEMO, LT_HTTP}) {
        TVeskComponent* o = w.root.Adopt(w.root.Kinds().Make(kind, &w.root));
        SetStr(*o, PR_NAME, "k" + std::to_string(kind));
        if (kind == LT_EDIT || kind == LT_MEMO) {
            SetStr(*o, PR_TEXT, "ab\r\ncd");
            continue;
        }
        if (kind == LT_HTTP) continue;
        SetStr(*o, PR_SOURCE, "pic.qil");
        SetInt(*o, PR_MAX, 50);
        SetInt(*o, PR_VALUE, 20);
    }
    return SaveTree(w.root);
}

void LoadAndRun(const std::vector<uint8_t>& bytes) {
    ControlWorld w;
    try {
        LoadTree(w.root, bytes);
    } catch (const VeskError&) {
        return;
    }
    w.root.MouseMoveTo(10, 3);
    w.root.MouseButton(true, true);
    for (int i = 0; i < 3; ++i) w.Input();
    SaveTree(w.root);
}

TEST(ControlSaves, ShortRecordsAreClearErrors) {
    const std::vector<uint8_t> good = SavedControls();
    LoadAndRun(good);
    for (size_t n = 0; n < good.size(); n += 7) {
        SCOPED_TRACE(n);
        const std::vector<uint8_t> cut(good.begin(), good.begin() + std::ptrdiff_t(n));
        ControlWorld w;
        EXPECT_THROW(LoadTree(w.root, cut), VeskError);
    }
}

TEST(ControlSaves, DamagedRecordsLoadOrFailCleanly) {
    const std::vector<uint8_t> good = SavedControls();
    // Every eighth byte in turn set to values that make hostile numbers and lengths.
    for (size_t at = 0; at < good.size(); at += 8) {
        for (uint8_t v : {uint8_t(0xFF), uint8_t(0x80), uint8_t(0x7F)}) {
            std::vector<uint8_t> bad = good;
            bad[at] = v;
            LoadAndRun(bad);
        }
    }
}

}  // namespace
}  // namespace vesk
