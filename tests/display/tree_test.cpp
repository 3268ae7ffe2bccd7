// The object tree: properties and their defaults, names, children order, re-parenting.
#include <gtest/gtest.h>

#include <functional>

#include "base/cp932.h"
#include "base/error.h"
#include "display/vesk_base_list.h"
#include "display/vesk_box.h"
#include "vars/param.h"

namespace vesk {
namespace {

// A component that implements no property of its own, like a sound object.
class TPlainComponent final : public TVeskComponent {
  public:
    using TVeskComponent::TVeskComponent;
    int32_t Kind() const override { return LT_SOUND; }
};

std::string ErrorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const VeskError& e) {
        return e.Text();
    }
    return {};
}

TEST(DisplayTree, DefaultsOfAnObjectWithoutProperties) {
    TVeskBaseList root(64, 48);
    auto* s = root.Create<TPlainComponent>();
    const struct {
        int32_t index;
        int32_t value;
    } cases[] = {
        {PR_ZOOMX, 256},      {PR_ZOOMY, 256},     {PR_TEXTDELAY, 256}, {PR_COLOR, 0xFFFFFF},
        {PR_BORDERCOLOR, -1}, {PR_HOVERCOLOR, -1}, {PR_INDEX, -1},      {PR_ALPHA, 255},
        {PR_BRIGHTNESS, 255}, {PR_SMALLCHANGE, 1}, {PR_LARGECHANGE, 1}, {PR_PARTMOTION, 1},
        {PR_REWINDONLOAD, 1}, {PR_OVERLAY, 1},     {PR_LEFT, 0},        {PR_COMPOTYPE, LT_SOUND}};
    for (const auto& c : cases) EXPECT_EQ(s->GetProp(c.index)->AsInt(), c.value) << c.index;
    TParamInt v;
    v.SetInt(40);
    s->SetProp(PR_LEFT, v);  // ignored, no error
    EXPECT_EQ(s->GetProp(PR_LEFT)->AsInt(), 0);
    EXPECT_EQ(s->GetProp(PR_SOURCE)->AsStr(), "");
    EXPECT_EQ(s->GetProp(PR_VISIBLE)->ParamType(), PT_BOOL);
    EXPECT_EQ(s->GetProp(PR_PARAM1)->ParamType(), PT_FLOAT);
}

TEST(DisplayTree, PropertyErrors) {
    TVeskBaseList root(64, 48);
    auto* b = root.Create<TVeskBox>();
    TParamInt v;
    EXPECT_EQ(ErrorOf([&] { b->GetProp(163); }), VESK_JP("GetPropエラー"));
    EXPECT_EQ(ErrorOf([&] { b->GetProp(-1); }), VESK_JP("GetPropエラー"));
    EXPECT_EQ(ErrorOf([&] { b->SetProp(163, v); }), VESK_JP("SetPropエラー"));
    EXPECT_EQ(ErrorOf([&] { b->SetProp(PR_APPEARX, v); }), VESK_JP("SetPropエラー"));
    EXPECT_EQ(ErrorOf([&] { b->SetProp(PR_APPEARY, v); }), VESK_JP("SetPropエラー"));
    EXPECT_EQ(b->GetProp(PR_APPEARX)->AsInt(), 0);
    EXPECT_EQ(ErrorOf([&] { b->SetProp(PR_COMPOTYPE, v); }), "");
    EXPECT_EQ(b->GetProp(PR_COMPOTYPE)->AsInt(), LT_BOX);
}

}  // namespace
}  // namespace vesk
