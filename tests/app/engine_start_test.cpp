// A start that fails on what the project asks for ends with a message, never with an escaped
// error.
#include <gtest/gtest.h>

#include <string>

#include "display/vesk_base_list.h"
#include "small_game.h"

namespace vesk {
namespace {

using test::SmallGame;

TEST(EngineStartTest, AScreenNoSurfaceCanHaveEndsTheStartWithAMessage) {
    struct Case {
        int32_t width, height;
        bool starts;
    } cases[] = {
        {100000, 100000, false}, {40000, 10, false}, {32768, 4096, false}, {0, 0, true},
        {-5, 300, true},         {1, 1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        TProjectFile f = SmallGame::Defaults();
        f.ScreenWidth = c.width;
        f.ScreenHeight = c.height;
        SmallGame g(0, f);
        int64_t now = 0;
        TEngine e(g.Options([&now] { return now; }));
        EXPECT_EQ(e.Start(), c.starts);
        if (!c.starts) {
            ASSERT_EQ(g.boxes.texts.size(), 1u);
            EXPECT_NE(g.boxes.texts[0].find("the screen cannot be " + std::to_string(c.width) +
                                            " x " + std::to_string(c.height)),
                      std::string::npos)
                << g.boxes.texts[0];
        }
        // Whatever the project asked for, the root keeps a screen it can draw on.
        ASSERT_NE(e.Root(), nullptr);
        EXPECT_GT(e.Root()->Screen().Width(), 0);
        EXPECT_EQ(e.Root()->Screen().Width(), e.Root()->ScreenWidth());
        e.Shutdown();
    }
}

}  // namespace
}  // namespace vesk
