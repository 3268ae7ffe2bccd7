// The player's start: its command line and where it finds the game.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "../vfs/vfs_fixture.h"
#include "app/game_location.h"
#include "app/player_options.h"
#include "platform/posix_file_system.h"

namespace vesk {
namespace {

namespace fs = std::filesystem;

TEST(PlayerCommandLineTest, OptionsStandBeforeOrAfterTheGameInEitherForm) {
    TPlayerOptions o;
    ASSERT_EQ(o.Parse({"--headless", "--frames=5", "game", "--screenshot", "2:a.png", "more",
                       "--frames", "9", "--no-logo", "--logo", "--input=in.txt", "--answer=no",
                       "--answer", "ok,cancel"}),
              "");
    EXPECT_EQ(o.Games, (std::vector<std::string>{"game", "more"}));
    EXPECT_TRUE(o.Headless);
    EXPECT_EQ(o.Frames, 9);  // the last one given counts
    EXPECT_EQ(o.Logo, 1);    // so does the last of --logo and --no-logo
    EXPECT_EQ(o.InputFile, "in.txt");
    EXPECT_EQ(o.Answers, (std::vector<Answer>{Answer::No, Answer::Yes, Answer::No}));
    ASSERT_EQ(o.Shots.size(), 1u);
    EXPECT_EQ(o.Shots[0].File, "a.png");

    TPlayerOptions n;
    ASSERT_EQ(n.Parse({"--logo", "g", "--no-logo"}), "");
    EXPECT_EQ(n.Logo, 0);
    TPlayerOptions d;
    ASSERT_EQ(d.Parse({}), "");
    EXPECT_EQ(d.Logo, -1);
    EXPECT_EQ(d.FrameMs, 16);

    // "/config" in the first place asks for the settings, of the folder after it.
    TPlayerOptions c;
    ASSERT_EQ(c.Parse({"/Config", "game"}), "");
    EXPECT_TRUE(c.Config);
    EXPECT_EQ(c.Games, std::vector<std::string>{"game"});
    TPlayerOptions notFirst;
    ASSERT_EQ(notFirst.Parse({"game", "/config"}), "");
    EXPECT_FALSE(notFirst.Config);

    TPlayerOptions h;
    ASSERT_EQ(h.Parse({"game", "-h"}), "");
    EXPECT_TRUE(h.Help);

    const std::vector<std::string> bad[] = {
        {"--frames"},
        {"--frames", "-1"},
        {"--frames=x"},
        {"--window-shot", "1:"},
        {"-x"},
        {"--gap", "0:5"},
        {"--headless", "--nope", "game"},
    };
    for (const auto& args : bad) {
        TPlayerOptions b;
        EXPECT_NE(b.Parse(args), "") << args.back();
    }
    // The help names every option.
    const std::string usage = TPlayerOptions::Usage();
    for (const char* option : {"--headless", "--frames", "--frame-ms", "--gap", "--screenshot",
                               "--window-shot", "--input", "--logo", "--no-logo", "--dump-vars",
                               "--trace", "--answer", "--cd-root", "--exe-folder", "/config"})
        EXPECT_NE(usage.find(option), std::string::npos) << option;
}

TEST(GameLocationTest, TheGameIsTheFolderGivenOrTheInstalledOneOrTheDemo) {
    test::TempDir dir;
    const std::string exe = dir / "bin/veskplay", game = dir / "game/x", demo = dir / "demo/x";
    for (const std::string& p : {exe, game, demo})
        fs::create_directories(fs::path(p).parent_path());
    const std::string gameDir = dir.path() + "/game", demoDir = dir.path() + "/demo";
    std::ofstream(gameDir + "/game.ini") << "[Disc]\nFolders=cd1;cd2\n";

    auto locate = [&](std::vector<std::string> args, const std::string& demoFolder,
                      TGameLocation& out) {
        TPlayerOptions o;
        EXPECT_EQ(o.Parse(args), "");
        TPosixFileSystem hostFs;
        return LocateGame(o, hostFs, exe, demoFolder, out);
    };
    TGameLocation at;
    ASSERT_EQ(locate({gameDir, "--cd-root", "/discs/a"}, demoDir, at), LocateResult::Found);
    EXPECT_EQ(at.GameFolder, gameDir);
    EXPECT_EQ(at.Games, std::vector<std::string>{gameDir});
    EXPECT_EQ(at.ExeFolder, dir.path() + "/bin/");
    // The game's own disc folders come first, under the game folder.
    EXPECT_EQ(at.CdRoots,
              (std::vector<std::string>{gameDir + "/cd1", gameDir + "/cd2", "/discs/a"}));

    ASSERT_EQ(locate({}, demoDir, at), LocateResult::Found);
    EXPECT_EQ(at.GameFolder, demoDir);
    EXPECT_EQ(locate({}, "", at), LocateResult::NoGame);
    EXPECT_EQ(locate({dir.path() + "/nothing"}, demoDir, at), LocateResult::NoSuchFolder);

    // An installed game beside the executable wins over the demo.
    std::ofstream(dir.path() + "/bin/game.dat") << "x";
    ASSERT_EQ(locate({}, demoDir, at), LocateResult::Found);
    EXPECT_EQ(at.GameFolder, dir.path() + "/bin/");
    EXPECT_TRUE(at.Games.empty());
    // --exe-folder starts as the player installed elsewhere.
    ASSERT_EQ(locate({"--exe-folder", gameDir}, demoDir, at), LocateResult::Found);
    EXPECT_EQ(at.ExePath, gameDir + "/veskplay");
    EXPECT_EQ(at.GameFolder, gameDir + "/");

    // A player on one of the disc folders is started from a disc.
    EXPECT_EQ(locate({gameDir, "--cd-root", dir.path() + "/bin"}, demoDir, at),
              LocateResult::StartedFromDisc);
    EXPECT_EQ(locate({gameDir, "--cd-root", dir.path()}, demoDir, at),
              LocateResult::StartedFromDisc);
    EXPECT_FALSE(IsInsideFolder(dir.path() + "/bin", dir.path() + "/bi"));
    EXPECT_TRUE(IsInsideFolder(dir.path() + "/bin/", dir.path() + "/bin"));
}

}  // namespace
}  // namespace vesk
