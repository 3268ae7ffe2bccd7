// The demo game, built from the sources in demo/, plays to its end by itself.
#include "e2e_fixture.h"

namespace vesk::e2e {
namespace {

TEST(DemoTest, PlaysToItsEndHeadless) {
    Workspace w;
    std::string cmd = Quote(VESKTOOL_PATH) + " build " + Quote(VESK_DEMO_SOURCE) + " " +
                      w.Game("demo") + " >/dev/null";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    RunResult r = w.Play(w.Game("demo") + " --frames 1000 --dump-vars");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.Var("runs"), 1);  // a declared variable the start page counts up
    EXPECT_GT(r.Frames(), 0);
    EXPECT_LT(r.Frames(), 1000);  // ended by its own Terminate
}

}  // namespace
}  // namespace vesk::e2e
