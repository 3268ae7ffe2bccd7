// The screen size a project asks for: one no surface can have is refused, and the root keeps
// the screen and layers it had.
#include <gtest/gtest.h>

#include "display/vesk_base_list.h"
#include "display_fixture.h"

namespace vesk {
namespace {

TEST(ScreenSizeTest, ASizeNoSurfaceCanHaveLeavesTheScreenAsItWas) {
    TVeskBaseList root(640, 480);
    test::MakeBox(root, "box", 10, 10, 20, 20, 0x0000FF);
    root.SetScreenSize(320, 240);
    for (auto [w, h] : {std::pair{100000, 100000}, {32768, 4096}, {-1, 10}}) {
        const std::string error = test::ErrorOf([&, w = w, h = h] { root.SetScreenSize(w, h); });
        EXPECT_EQ(error.rfind("the screen cannot be " + std::to_string(w) + " x " +
                                  std::to_string(h) + " pixels: ",
                              0),
                  0u)
            << error;
        EXPECT_EQ(root.ScreenWidth(), 320);
        EXPECT_EQ(root.ScreenHeight(), 240);
        EXPECT_EQ(root.Screen().Width(), 320);
        EXPECT_EQ(root.FrontLayer().Surface().Width(), 320);
        EXPECT_EQ(root.BackLayer().Surface().Height(), 240);
    }
    // It still composes: the box is on the screen.
    root.PaintAll();
    EXPECT_EQ(root.Screen().GetPixel(15, 15) & 0xFFFFFF, 0xFF0000u);
}

}  // namespace
}  // namespace vesk
