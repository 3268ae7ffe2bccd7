// What the player keeps in the user's folders: where they are, the remembered window
// place (and damaged files of it), and the screenshot key's file names.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "../vfs/vfs_fixture.h"
#include "app/screenshot_key.h"
#include "app/user_folders.h"
#include "app/window_memory.h"
#include "gfx/dibx.h"

namespace fs = std::filesystem;

namespace vesk {
namespace {

EnvLookup Env(std::map<std::string, std::string> vars) {
    return [vars = std::move(vars)](const char* name) -> const char* {
        auto it = vars.find(name);
        return it == vars.end() ? nullptr : it->second.c_str();
    };
}

TEST(UserFoldersTest, TheConfigurationAndPicturesFoldersFollowTheXdgConventions) {
    test::TempDir dir;
    const std::string home = dir.path() + "/home";
    fs::create_directories(home + "/.config");
    EXPECT_EQ(ConfigHome(Env({{"HOME", home}})), home + "/.config");
    EXPECT_EQ(ConfigHome(Env({{"HOME", home}, {"XDG_CONFIG_HOME", "/c"}})), "/c");
    // A relative one is not a configuration folder; without a home there is none.
    EXPECT_EQ(ConfigHome(Env({{"HOME", home}, {"XDG_CONFIG_HOME", "rel"}})), home + "/.config");
    EXPECT_EQ(ConfigHome(Env({})), "");

    EXPECT_EQ(PicturesFolder(Env({{"HOME", home}})), home + "/Pictures");
    EXPECT_EQ(PicturesFolder(Env({{"HOME", home}, {"XDG_PICTURES_DIR", "/p"}})), "/p");
    EXPECT_EQ(PicturesFolder(Env({})), "");
    // The user's own name for it, from user-dirs.dirs.
    const struct {
        const char* line;
        std::string folder;
    } cases[] = {
        {"XDG_PICTURES_DIR=\"$HOME/Bilder\"", home + "/Bilder"},
        {"XDG_PICTURES_DIR=\"/data/pics\"", "/data/pics"},
        {"XDG_PICTURES_DIR=\"$HOME/\"", home + "/Pictures"},  // the home itself: none
        {"XDG_PICTURES_DIR=\"relative\"", home + "/Pictures"},
        {"XDG_PICTURES_DIR=\"", home + "/Pictures"},
        {"# XDG_PICTURES_DIR=\"/x\"", home + "/Pictures"},
    };
    for (const auto& c : cases) {
        std::ofstream(home + "/.config/user-dirs.dirs") << "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
                                                        << c.line << "\n";
        EXPECT_EQ(PicturesFolder(Env({{"HOME", home}})), c.folder) << c.line;
    }
}

TEST(UserFoldersTest, GameNamesBecomeSafeFileNames) {
    const std::pair<std::string, std::string> cases[] = {
        {"Scene", "Scene"},
        {"a/b\\c:d", "a_b_c_d"},
        {"..hidden", "hidden"},
        {" . ", "game"},
        {"", "game"},
        {"tab\there", "tab_here"},
        {"\xE5\xA4\x95\xE6\x9A\xAE\xE3\x82\x8C", "\xE5\xA4\x95\xE6\x9A\xAE\xE3\x82\x8C"},
        // Cut at a character's start, never inside one.
        {std::string(99, 'a') + "\xE5\xA4\x95", std::string(99, 'a')},
    };
    for (const auto& [name, file] : cases) EXPECT_EQ(SafeFileName(name, "game"), file) << name;
}

TEST(WindowMemoryTest, APlaceRoundTripsPerGameFolderAndDamagedFilesAreForgotten) {
    test::TempDir dir;
    const std::string config = dir.path() + "/config";
    TWindowMemory a(config, dir.path() + "/games/one", "Game");
    TWindowMemory b(config, dir.path() + "/games/two", "Game");
    EXPECT_NE(a.File(), b.File());  // two copies of a game keep their own
    EXPECT_EQ(fs::path(a.File()).parent_path(), fs::path(config) / "veskplay" / "windows");
    EXPECT_FALSE(a.Load());
    const TWindowPlacement p{-20, 40, 1280, 982, true};
    EXPECT_EQ(a.Save(p), "");
    ASSERT_TRUE(a.Load());
    EXPECT_EQ(*a.Load(), p);
    EXPECT_FALSE(b.Load());
    // The same folder named another way is the same game.
    EXPECT_EQ(TWindowMemory(config, dir.path() + "/games/./one", "Game").File(), a.File());

    const char* damaged[] = {
        "",
        "not json",
        "[1, 2]",
        R"({"x": 1, "y": 2, "width": 3})",
        R"({"x": "1", "y": 2, "width": 3, "height": 4})",
        R"({"x": 1.5, "y": 2, "width": 3, "height": 4})",
        R"({"x": 99999999999, "y": 2, "width": 3, "height": 4})",
    };
    for (const char* text : damaged) {
        std::ofstream(a.File(), std::ios::binary | std::ios::trunc) << text;
        EXPECT_FALSE(a.Load()) << text;
    }
    // A file far larger than a place is not read.
    std::ofstream(a.File(), std::ios::binary | std::ios::trunc)
        << R"({"x": 1, "y": 2, "width": 3, "height": 4, "pad": ")" << std::string(10000, ' ')
        << "\"}";
    EXPECT_FALSE(a.Load());
    // Written anew over a damaged one.
    EXPECT_EQ(a.Save(p), "");
    EXPECT_EQ(a.Load(), p);

    // Without a home nothing is kept, and saying so is an error, not a crash.
    TWindowMemory none("", dir.path(), "Game");
    EXPECT_FALSE(none.Load());
    EXPECT_NE(none.Save(p), "");
    // A configuration folder that cannot be made.
    std::ofstream(dir.path() + "/file") << "x";
    EXPECT_NE(TWindowMemory(dir.path() + "/file", dir.path(), "Game").Save(p), "");
}

TEST(ScreenshotKeyTest, PicturesAreNamedByTimeAndNeverOverwritten) {
    test::TempDir dir;
    EXPECT_EQ(ScreenshotFolder(Env({{"XDG_PICTURES_DIR", "/p"}}), "My/Game"),
              "/p/veskplay/My_Game");
    EXPECT_EQ(ScreenshotFolder(Env({}), "Game"), "");
    TDIBX screen(8, 6, 32);
    screen.Clear(0x123456);
    setenv("TZ", "UTC", 1);
    tzset();
    const std::time_t when = 1767225600 + 3661;  // 2026-01-01 01:01:01 UTC
    const std::string folder = dir.path() + "/shots/Game";
    std::vector<std::string> names;
    for (int i = 0; i < 3; ++i) {
        TScreenshotResult r = WriteScreenshot(screen, folder, when);
        ASSERT_EQ(r.error, "");
        names.push_back(fs::path(r.path).filename().string());
    }
    EXPECT_EQ(names,
              (std::vector<std::string>{"2026-01-01_01-01-01.png", "2026-01-01_01-01-01_2.png",
                                        "2026-01-01_01-01-01_3.png"}));
    EXPECT_NE(WriteScreenshot(screen, "", when).error, "");
    std::ofstream(dir.path() + "/file") << "x";
    EXPECT_NE(WriteScreenshot(screen, dir.path() + "/file/sub", when).error, "");
}

}  // namespace
}  // namespace vesk
