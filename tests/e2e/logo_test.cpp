// The start-up logo in the headless player: it holds back the start page until it ends or
// is skipped, and the input that skips it never reaches the game.
#include "scene_fixture.h"

namespace vesk::e2e {
namespace {

TEST(DisplayLogoTest, TheStartPageWaitsForTheLogoOrItsSkipping) {
    Workspace w;
    // A box over the whole screen would log any click that reached the game.
    w.Sources("src",
              {{"project.vpj",
                "ProjectName: \"Logo\"\nScreen: 320, 240\nStartPage: \"main.lsb\"\n"
                "Var: startedAt, int, -1\nVar: log, string, \"\"\n"},
               {"main.vss",
                "Calc startedAt = @TickCount\n"
                "BoxNew PR_NAME: \"all\", PR_WIDTH: 320, PR_HEIGHT: 240, PR_ONLBTNDOWN: \"d.lsb\", "
                "PR_ONLBTNUP: \"u.lsb\"\n" +
                    std::string(kIdle)},
               {"d.vss", LogSender("D")},
               {"u.vss", LogSender("U")}});
    w.Build("src", "game");
    std::ofstream(w.Path("click.txt")) << "5 click left 100 100\n";
    std::ofstream(w.Path("space.txt")) << "5 key space\n";
    std::ofstream(w.Path("other.txt")) << "5 key a\n";
    struct Case {
        const char* what;
        const char* options;
        int64_t earliest, latest;  // when the start page ran, in ms of game time
    } cases[] = {
        {"headless: no logo", "", 16, 16},
        {"--no-logo", "--no-logo", 16, 16},
        {"the logo plays about two seconds", "--logo", 2000, 2200},
        {"a click skips it", "--logo --input click.txt", 5 * 16, 7 * 16},
        {"Space skips it", "--logo --input space.txt", 5 * 16, 7 * 16},
        {"another key does not", "--logo --input other.txt", 2000, 2200},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string options = c.options;
        if (size_t at = options.find("--input "); at != std::string::npos)
            options.replace(at + 8, std::string::npos,
                            Quote(w.Path(options.substr(at + 8)).string()));
        RunResult r = w.Play(w.Game("game") + " --frames 150 --dump-vars " + options);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_GE(r.Var("startedAt"), c.earliest);
        EXPECT_LE(r.Var("startedAt"), c.latest);
        EXPECT_EQ(Log(r), "");  // the click that skipped the logo is not the game's
    }
}

}  // namespace
}  // namespace vesk::e2e
