// Repainting only what changed gives the picture a full composition gives: a scene of boxes
// built through the display root as the object commands build it, changed after it was on
// the screen for a few frames, against the same scene composed with the change at once.
#include <gtest/gtest.h>

#include <functional>
#include <variant>
#include <vector>

#include "display_fixture.h"
#include "script/command_info.h"

namespace vesk {
namespace {

using namespace test;

// A property as a command gives it: a number or a text.
struct Prop {
    int32_t index;
    std::variant<int32_t, std::string> value;
};

std::unique_ptr<TCustomParam> ParamOf(const Prop& p) {
    if (const auto* text = std::get_if<std::string>(&p.value)) {
        auto v = std::make_unique<TParamStr>();
        v->SetStr(*text);
        return v;
    }
    auto v = std::make_unique<TParamInt>();
    v->SetInt(std::get<int32_t>(p.value));
    return v;
}

// What the SetProp command does.
void SetProp(TVeskBaseList& root, const std::string& name, const Prop& p) {
    const ObjectId id = root.FindObject(name);
    ASSERT_NE(id, 0u) << name;
    root.SetProp(id, p.index, *ParamOf(p));
}

// What BoxNew does: a box on the front layer, its properties set in the commands' order.
void NewBox(TVeskBaseList& root, const std::vector<Prop>& props) {
    auto* box = root.Create<TVeskBox>();
    for (uint8_t index : PropertyApplyOrder())
        for (const Prop& p : props)
            if (p.index == index) box->SetProp(p.index, *ParamOf(p));
    box->Invalidate();
}

// What ObjDel does.
void Delete(TVeskBaseList& root, const std::string& name) {
    auto* o = dynamic_cast<TVeskComponent*>(root.ById(root.FindObject(name)));
    ASSERT_NE(o, nullptr) << name;
    o->Scrap();
}

// Colours are 0x00BBGGRR, as scripts give them.
const std::vector<std::vector<Prop>> kBoxes = {
    // Priorities: green over red; blue is created last but stays under green.
    {{PR_NAME, "red"},
     {PR_LEFT, 10},
     {PR_TOP, 10},
     {PR_WIDTH, 80},
     {PR_HEIGHT, 60},
     {PR_COLOR, 0x0000FF},
     {PR_PRIORITY, 1}},
    {{PR_NAME, "green"},
     {PR_LEFT, 50},
     {PR_TOP, 40},
     {PR_WIDTH, 80},
     {PR_HEIGHT, 60},
     {PR_COLOR, 0x00FF00},
     {PR_PRIORITY, 2}},
    {{PR_NAME, "blue"},
     {PR_LEFT, 100},
     {PR_TOP, 20},
     {PR_WIDTH, 60},
     {PR_HEIGHT, 40},
     {PR_COLOR, 0xFF0000},
     {PR_PRIORITY, 0}},
    // Equal priorities go by name.
    {{PR_NAME, "zeta"},
     {PR_LEFT, 10},
     {PR_TOP, 190},
     {PR_WIDTH, 40},
     {PR_HEIGHT, 30},
     {PR_COLOR, 0x00FFFF},
     {PR_PRIORITY, 3}},
    {{PR_NAME, "alpha"},
     {PR_LEFT, 30},
     {PR_TOP, 200},
     {PR_WIDTH, 40},
     {PR_HEIGHT, 30},
     {PR_COLOR, 0xFFFF00},
     {PR_PRIORITY, 3}},
    // Half-transparent white over the background, a dark blue box and a white box.
    {{PR_NAME, "base"},
     {PR_LEFT, 200},
     {PR_TOP, 10},
     {PR_WIDTH, 40},
     {PR_HEIGHT, 60},
     {PR_COLOR, 0x804000}},
    {{PR_NAME, "white"},
     {PR_LEFT, 250},
     {PR_TOP, 10},
     {PR_WIDTH, 30},
     {PR_HEIGHT, 30},
     {PR_COLOR, 0xFFFFFF}},
    {{PR_NAME, "glass"},
     {PR_LEFT, 170},
     {PR_TOP, 20},
     {PR_WIDTH, 100},
     {PR_HEIGHT, 40},
     {PR_COLOR, 0xFFFFFF},
     {PR_ALPHA, 128},
     {PR_PRIORITY, 5}},
    // Additive at half strength over the background and a light grey box.
    {{PR_NAME, "light"},
     {PR_LEFT, 200},
     {PR_TOP, 90},
     {PR_WIDTH, 60},
     {PR_HEIGHT, 40},
     {PR_COLOR, 0xC0C0C0}},
    {{PR_NAME, "add"},
     {PR_LEFT, 170},
     {PR_TOP, 80},
     {PR_WIDTH, 60},
     {PR_HEIGHT, 40},
     {PR_COLOR, 0x404080},
     {PR_ALPHA, 384},
     {PR_PRIORITY, 5}},
    // A box with a border, and a ring without a fill.
    {{PR_NAME, "framed"},
     {PR_LEFT, 20},
     {PR_TOP, 130},
     {PR_WIDTH, 60},
     {PR_HEIGHT, 40},
     {PR_COLOR, 0x00FFFF},
     {PR_BORDERWIDTH, 3},
     {PR_BORDERCOLOR, 0xFF00FF}},
    {{PR_NAME, "ring"},
     {PR_LEFT, 90},
     {PR_TOP, 130},
     {PR_WIDTH, 20},
     {PR_HEIGHT, 20},
     {PR_COLOR, -1},
     {PR_BORDERWIDTH, 2},
     {PR_BORDERCOLOR, 0xFFFFFF}},
    // A parent with a child cut at its edges, one placed by its anchor point and one cut by
    // its own clip rectangle.
    {{PR_NAME, "frame"},
     {PR_LEFT, 120},
     {PR_TOP, 130},
     {PR_WIDTH, 80},
     {PR_HEIGHT, 60},
     {PR_COLOR, 0x808080}},
    {{PR_NAME, "kid"},
     {PR_PARENT, "frame"},
     {PR_LEFT, 60},
     {PR_TOP, 40},
     {PR_WIDTH, 40},
     {PR_HEIGHT, 40},
     {PR_COLOR, 0x0000FF}},
    {{PR_NAME, "kid2"},
     {PR_PARENT, "frame"},
     {PR_LEFT, 20},
     {PR_TOP, 20},
     {PR_OFFSETX, 10},
     {PR_OFFSETY, 10},
     {PR_WIDTH, 20},
     {PR_HEIGHT, 20},
     {PR_COLOR, 0x00FF00}},
    {{PR_NAME, "kid3"},
     {PR_PARENT, "frame"},
     {PR_LEFT, 50},
     {PR_TOP, 10},
     {PR_WIDTH, 30},
     {PR_HEIGHT, 30},
     {PR_COLOR, 0xFF0000},
     {PR_CLIPLEFT, 5},
     {PR_CLIPTOP, 5},
     {PR_CLIPWIDTH, 10},
     {PR_CLIPHEIGHT, 10}},
    // Boxes that draw nothing: hidden, alpha 0, alpha 512.
    {{PR_NAME, "hidden"},
     {PR_LEFT, 290},
     {PR_TOP, 10},
     {PR_WIDTH, 20},
     {PR_HEIGHT, 20},
     {PR_COLOR, 0x0000FF},
     {PR_VISIBLE, 0}},
    {{PR_NAME, "clear"},
     {PR_LEFT, 290},
     {PR_TOP, 40},
     {PR_WIDTH, 20},
     {PR_HEIGHT, 20},
     {PR_COLOR, 0x0000FF},
     {PR_ALPHA, 0}},
    {{PR_NAME, "over"},
     {PR_LEFT, 290},
     {PR_TOP, 80},
     {PR_WIDTH, 20},
     {PR_HEIGHT, 20},
     {PR_COLOR, 0x0000FF},
     {PR_ALPHA, 512}},
    // Boxes reaching past the screen's edges.
    {{PR_NAME, "edge"},
     {PR_LEFT, 300},
     {PR_TOP, 220},
     {PR_WIDTH, 40},
     {PR_HEIGHT, 40},
     {PR_COLOR, 0x0000FF}},
    {{PR_NAME, "corner"},
     {PR_LEFT, -10},
     {PR_TOP, 230},
     {PR_WIDTH, 20},
     {PR_HEIGHT, 20},
     {PR_COLOR, 0x0000FF}},
    // A white box over a dark blue pad.
    {{PR_NAME, "pad"},
     {PR_LEFT, 220},
     {PR_TOP, 150},
     {PR_WIDTH, 90},
     {PR_HEIGHT, 30},
     {PR_COLOR, 0x800000}},
    {{PR_NAME, "mover"},
     {PR_LEFT, 230},
     {PR_TOP, 140},
     {PR_WIDTH, 30},
     {PR_HEIGHT, 30},
     {PR_COLOR, 0xFFFFFF},
     {PR_PRIORITY, 1}},
};

using Script = std::function<void(TVeskBaseList&)>;

void BuildScene(TVeskBaseList& root) {
    // The front layer's own colour is the background.
    SetProp(root, SystemName("BASE0"), {PR_COLOR, 0x302010});
    for (const auto& box : kBoxes) NewBox(root, box);
}

// The player's frames on a 320 x 240 screen: input, then what the pages do in the frame,
// then the objects' step and the composition.
class Screen {
  public:
    Screen() : root_(320, 240) {}
    void Frame(const Script& pages = {}) {
        root_.ProcessInput(16);
        if (pages) pages(root_);
        root_.StepAll(16);
        root_.PaintAll();
        root_.ClearDirty();
    }
    std::vector<uint32_t> Pixels() {
        std::vector<uint32_t> px;
        for (int32_t y = 0; y < 240; ++y)
            for (int32_t x = 0; x < 320; ++x) px.push_back(root_.Screen().GetPixel(x, y));
        return px;
    }

  private:
    TVeskBaseList root_;
};

TEST(Repaint, ChangesRepaintWhatTheyTouch) {
    struct Change {
        const char* what;
        Script apply;
    };
    auto set = [](const char* name, int32_t index, std::variant<int32_t, std::string> v) {
        return [=](TVeskBaseList& root) { SetProp(root, name, {index, v}); };
    };
    const Change changes[] = {
        {"move", set("red", PR_LEFT, 15)},
        {"move up", set("ring", PR_TOP, 100)},
        {"narrower", set("add", PR_WIDTH, 30)},
        {"taller", set("blue", PR_HEIGHT, 70)},
        {"colour", set("add", PR_COLOR, 0xFFFFFF)},
        {"lower priority", set("green", PR_PRIORITY, 0)},
        {"raise priority", set("base", PR_PRIORITY, 9)},
        {"alpha", set("glass", PR_ALPHA, 64)},
        {"alpha to additive", set("glass", PR_ALPHA, 300)},
        {"border width", set("framed", PR_BORDERWIDTH, 6)},
        {"border colour", set("framed", PR_BORDERCOLOR, 0x00FF00)},
        {"hide", set("white", PR_VISIBLE, 0)},
        {"show", set("hidden", PR_VISIBLE, 1)},
        {"anchor point", set("kid2", PR_OFFSETX, 0)},
        {"own clip", set("kid3", PR_CLIPWIDTH, 20)},
        {"clip off", set("kid3", PR_CLIPHEIGHT, 0)},
        {"plus x", set("light", PR_PLUSX, 10)},
        {"parent moves its children", set("frame", PR_LEFT, 100)},
        {"out of the parent", set("kid", PR_PARENT, "")},
        {"into another parent", set("blue", PR_PARENT, "frame")},
        {"deleted", [](TVeskBaseList& root) { Delete(root, "zeta"); }},
        {"deleted parent", [](TVeskBaseList& root) { Delete(root, "frame"); }},
        {"renamed over another", set("alpha", PR_NAME, "zeta")},
        {"layer colour",
         [](TVeskBaseList& root) {
             SetProp(root, SystemName("BASE0"), {PR_COLOR, 0x400000});
         }},
        {"new box",
         [](TVeskBaseList& root) {
             NewBox(root, {{PR_NAME, "late"},
                           {PR_LEFT, 100},
                           {PR_TOP, 100},
                           {PR_WIDTH, 100},
                           {PR_HEIGHT, 100},
                           {PR_COLOR, 0x00FFFF},
                           {PR_ALPHA, 100}});
         }},
    };
    constexpr int kFrames = 12, kChangeFrame = 5;
    for (const Change& c : changes) {
        SCOPED_TRACE(c.what);
        // At once: the change in the frame that builds the scene.
        Screen now;
        now.Frame([&](TVeskBaseList& root) {
            BuildScene(root);
            c.apply(root);
        });
        for (int f = 2; f <= kFrames; ++f) now.Frame();
        // Later: the scene on the screen for a few frames first.
        Screen later;
        later.Frame(BuildScene);
        const std::vector<uint32_t> before = later.Pixels();
        for (int f = 2; f <= kFrames; ++f) later.Frame(f == kChangeFrame ? c.apply : Script());

        const std::vector<uint32_t> a = now.Pixels(), b = later.Pixels();
        EXPECT_TRUE(before != a) << "the change shows nothing";
        int differ = 0;
        for (size_t i = 0; i < a.size(); ++i)
            if (a[i] != b[i] && ++differ <= 3)
                ADD_FAILURE() << "at " << i % 320 << "," << i / 320 << " composed at once "
                              << std::hex << a[i] << ", after the change " << b[i];
        EXPECT_EQ(differ, 0);
    }
}

}  // namespace
}  // namespace vesk
