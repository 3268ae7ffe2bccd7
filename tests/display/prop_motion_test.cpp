// Property motions: the curves, the first step's lookup, the end, pauses, deleted targets,
// the saved record and the PropMotion command.
#include "display/vesk_prop_motion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "effect_fixture.h"
#include "script/commands.h"

namespace vesk {
namespace {

using namespace test;

TVeskPropMotion* Motion(TVeskBaseList& root, const std::string& target, int32_t property, Real end,
                        int32_t duration, int32_t curve = MT_NORMAL) {
    auto* m = root.Create<TVeskPropMotion>();
    m->SetTarget(target);
    m->SetProperty(property);
    m->SetEndValue(end);
    m->SetDuration(duration);
    m->SetCurve(curve);
    return m;
}

bool Exists(TVeskBaseList& root, const TVeskObject* o) {
    for (int32_t i = 0; i < root.ObjectCount(); ++i)
        if (root.ObjectAt(i) == o) return true;
    return false;
}

TEST(PropMotion, CurvesAtChosenTimes) {
    constexpr double q = std::numbers::pi / 2;
    const struct {
        int32_t curve;
        int64_t e, d;
        double want;
    } cases[] = {
        {MT_NORMAL, 0, 100, 10},
        {MT_NORMAL, 25, 100, 10 + 90 * 0.25},
        {MT_NORMAL, 98, 100, 10 + 90 * 0.98},
        {MT_NORMAL, 99, 100, 100},  // from d - 1 on: the end
        {MT_NORMAL, 500, 100, 100},
        {MT_INC, 25, 100, 100 - std::sin((100 - 25 - 1) * q / 100) * 90},
        {MT_INC, 1, 100, 100 - std::sin(98 * q / 100) * 90},
        {MT_DEC, 25, 100, 10 + std::sin(25 * q / 100) * 90},
        {MT_DEC, 75, 100, 10 + std::sin(75 * q / 100) * 90},
        {7, 50, 100, 55},  // an unknown curve is linear
        {MT_INC, 0, 1, 10},
        {MT_INC, 1, 1, 100},
        {MT_DEC, 5, -20, 100},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.curve << " " << c.e << "/" << c.d);
        EXPECT_NEAR(double(TVeskPropMotion::ValueAt(c.curve, 10, 100, c.e, c.d)), c.want, 1e-9);
    }
    // Accelerating starts slow, decelerating starts fast.
    EXPECT_LT(TVeskPropMotion::ValueAt(MT_INC, 0, 100, 10, 100), 10);
    EXPECT_GT(TVeskPropMotion::ValueAt(MT_DEC, 0, 100, 10, 100), 10);
}

TEST(PropMotion, StartsFromTheValueFoundAndEndsOnTheTarget) {
    TVeskBaseList root(200, 100);
    RegisterEffectKinds(root.Kinds());
    TVeskBox* box = MakeBox(root, "box", 10, 5, 4, 4);
    TVeskPropMotion* m = Motion(root, "box", PR_LEFT, 110, 100);
    // The start is read on the first step, not when the motion is made.
    SetInt(*box, PR_LEFT, 20);
    root.StepAll(16);
    EXPECT_EQ(double(m->StartValue()), 20);
    EXPECT_EQ(box->Left(), 20);  // e = 0 writes the start
    const int32_t want[] = {20 + 90 * 16 / 100, 20 + 90 * 32 / 100, 20 + 90 * 48 / 100,
                            20 + 90 * 64 / 100, 20 + 90 * 80 / 100, 20 + 90 * 96 / 100};
    for (int32_t w : want) {
        root.StepAll(16);
        ASSERT_TRUE(Exists(root, m));
        EXPECT_EQ(box->Left(), w);  // the float truncates into the integer property
    }
    root.StepAll(16);  // e = 112 >= 99: the end, and the motion goes
    EXPECT_EQ(box->Left(), 110);
    EXPECT_FALSE(Exists(root, m));
}

TEST(PropMotion, EndsAtOnceWithoutATargetOrProperty) {
    const struct {
        const char* target;
        int32_t property;
    } cases[] = {{"nobody", PR_LEFT}, {"", PR_LEFT}, {"box", 163}, {"box", -1}, {"box", 255}};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.target << " " << c.property);
        TVeskBaseList root(64, 48);
        TVeskBox* box = MakeBox(root, "box", 3, 4, 5, 6);
        TVeskPropMotion* m = Motion(root, c.target, c.property, 50, 100);
        root.StepAll(16);
        EXPECT_FALSE(Exists(root, m));
        EXPECT_EQ(box->Left(), 3);
        EXPECT_EQ(root.FrontLayer().Left(), 0);
    }
}

TEST(PropMotion, ShortDurationsWriteTheStartThenTheEnd) {
    for (int32_t d : {0, 1, -5}) {
        SCOPED_TRACE(d);
        TVeskBaseList root(64, 48);
        TVeskBox* box = MakeBox(root, "box", 3, 4, 5, 6);
        TVeskPropMotion* m = Motion(root, "box", PR_TOP, 40, d);
        root.StepAll(16);
        EXPECT_EQ(box->Top(), 4);
        ASSERT_TRUE(Exists(root, m));
        root.StepAll(16);
        EXPECT_EQ(box->Top(), 40);
        EXPECT_FALSE(Exists(root, m));
    }
}

TEST(PropMotion, DeletingTheTargetEndsTheMotion) {
    TVeskBaseList root(64, 48);
    TVeskBox* box = MakeBox(root, "box", 3, 4, 5, 6);
    TVeskPropMotion* m = Motion(root, "box", PR_LEFT, 40, 1000);
    root.StepAll(16);
    box->Scrap();
    root.StepAll(16);  // the target is being deleted: the motion ends, no error
    EXPECT_FALSE(Exists(root, m));
    // A new object of the same name is not the target.
    MakeBox(root, "box", 3, 4, 5, 6);
    TVeskPropMotion* m2 = Motion(root, "box", PR_LEFT, 40, 1000);
    root.StepAll(16);
    root.Destroy(root.FindComponent("box"));
    MakeBox(root, "box", 3, 4, 5, 6);
    root.StepAll(16);
    EXPECT_FALSE(Exists(root, m2));
    EXPECT_EQ(static_cast<TVeskControl*>(root.FindComponent("box"))->Left(), 3);
}

TEST(PropMotion, APausedMotionKeepsItsTime) {
    TVeskBaseList root(64, 48);
    TVeskBox* box = MakeBox(root, "box", 0, 0, 5, 6);
    TVeskPropMotion* m = Motion(root, "box", PR_ALPHA, 0, 160);
    SetInt(*box, PR_ALPHA, 160);
    root.StepAll(16);
    root.StepAll(16);
    EXPECT_EQ(m->Elapsed(), 32);
    SetInt(*m, PR_PAUSED, 1);
    EXPECT_EQ(m->GetIntProp(PR_PAUSED), 1);
    for (int i = 0; i < 5; ++i) root.StepAll(16);
    EXPECT_EQ(m->Elapsed(), 32);
    EXPECT_EQ(box->GetIntProp(PR_ALPHA), 160 - 16);
    SetInt(*m, PR_PAUSED, 0);
    root.StepAll(16);
    EXPECT_EQ(box->GetIntProp(PR_ALPHA), 160 - 32);
}

TEST(PropMotion, ASavedMotionGoesOnFromItsOwnStart) {
    TVeskBaseList root(64, 48);
    RegisterDisplayKinds(root.Kinds());
    RegisterEffectKinds(root.Kinds());
    MakeBox(root, "box", 0, 0, 5, 6);
    TVeskPropMotion* m = Motion(root, "box", PR_LEFT, 100, 160, MT_DEC);
    m->SetName("slide");
    for (int i = 0; i < 4; ++i) root.StepAll(16);
    const std::vector<uint8_t> saved = SaveTree(root);

    TVeskBaseList copy(64, 48);
    RegisterDisplayKinds(copy.Kinds());
    RegisterEffectKinds(copy.Kinds());
    LoadTree(copy, saved);
    auto* loaded = dynamic_cast<TVeskPropMotion*>(copy.FindComponent("slide"));
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->TargetName(), "box");
    EXPECT_EQ(loaded->Property(), PR_LEFT);
    EXPECT_EQ(loaded->Elapsed(), 64);
    // Both go on alike: the loaded one keeps the start value 0 although the box stands at
    // its last written place.
    auto* a = static_cast<TVeskControl*>(root.FindComponent("box"));
    auto* b = static_cast<TVeskControl*>(copy.FindComponent("box"));
    EXPECT_EQ(a->Left(), b->Left());
    for (int i = 0; i < 12; ++i) {
        root.StepAll(16);
        copy.StepAll(16);
        EXPECT_EQ(a->Left(), b->Left()) << i;
    }
    EXPECT_EQ(b->Left(), 100);
    EXPECT_EQ(copy.FindComponent("slide"), nullptr);

    // A motion whose target went is saved without one, and ends when loaded.
    MakeBox(root, "other", 0, 0, 5, 6);
    TVeskPropMotion* orphan = Motion(root, "other", PR_TOP, 9, 1000);
    orphan->SetName("orphan");
    root.StepAll(16);
    root.Destroy(root.FindComponent("other"));
    LoadTree(copy, SaveTree(root));
    auto* gone = dynamic_cast<TVeskPropMotion*>(copy.FindComponent("orphan"));
    ASSERT_NE(gone, nullptr);
    EXPECT_EQ(gone->TargetName(), "");
    copy.StepAll(16);
    EXPECT_EQ(copy.FindComponent("orphan"), nullptr);
    // Saves before version 126 have no paused flag.
    TVeskBaseList old(64, 48);
    RegisterDisplayKinds(old.Kinds());
    RegisterEffectKinds(old.Kinds());
    SetInt(*orphan, PR_PAUSED, 1);
    EXPECT_NE(ErrorOf([&] { LoadTree(old, SaveTree(root), 125); }), "");
}

TEST(PropMotion, TheCommandMakesAMotionAndGoesOn) {
    EffectGame g;
    g.store.Create("n", PT_INT, VarScope::Global);
    TPageBuilder main;
    TCommand& box = main.Add(CC_BOXNEW);
    box.SetPropText(PR_NAME, "\"girl\"");
    box.SetPropText(PR_LEFT, "-200");
    box.SetPropText(PR_WIDTH, "10");
    box.SetPropText(PR_HEIGHT, "10");
    main.Add(CC_PROPMOTION)
        .SetExprText("Name", "\"slide\"")
        .SetExprText("Target", "\"girl\"")
        .SetExprText("Property", "3")
        .SetExprText("Value", "40.0")
        .SetExprText("Time", "64")
        .SetExprText("Easing", "2");
    main.Calc("n = 1");  // runs in the same frame: the command does not wait
    g.Run("main.lsb", main);
    g.GameFrame();
    EXPECT_EQ(g.store.Find("n")->Param()->AsInt(), 1);
    auto* m = dynamic_cast<TVeskPropMotion*>(g.root.FindComponent("slide"));
    ASSERT_NE(m, nullptr);
    for (int i = 0; i < 6; ++i) g.GameFrame();
    EXPECT_EQ(static_cast<TVeskControl*>(g.root.FindComponent("girl"))->Left(), 40);
    EXPECT_EQ(g.root.FindComponent("slide"), nullptr);
}

TEST(PropMotion, ACommandWithoutAPropertyFailsButLeavesTheMotion) {
    EffectGame g;
    TPageBuilder main;
    main.Add(CC_PROPMOTION).SetExprText("Name", "\"m\"").SetExprText("Target", "\"x\"");
    main.Add(CC_PROPMOTION)
        .SetExprText("Name", "\"held\"")
        .SetExprText("Target", "\"x\"")
        .SetExprText("Property", "3")
        .SetExprText("Paused", "TRUE");
    g.Run("main.lsb", main);
    g.cm.Run();
    ASSERT_EQ(g.project.failures.size(), 1u);
    EXPECT_NE(g.project.failures[0].find("プロパティ指定が不正です"), std::string::npos);
    auto* m = dynamic_cast<TVeskPropMotion*>(g.root.FindComponent("m"));
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->Property(), 255);
    auto* held = dynamic_cast<TVeskPropMotion*>(g.root.FindComponent("held"));
    ASSERT_NE(held, nullptr);
    EXPECT_EQ(held->GetIntProp(PR_PAUSED), 1);
    g.root.StepAll(16);
    EXPECT_EQ(g.root.FindComponent("m"), nullptr);  // no property: gone on its first step
    EXPECT_NE(g.root.FindComponent("held"), nullptr);
}

}  // namespace
}  // namespace vesk
