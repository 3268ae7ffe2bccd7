// --screenshot: a tiny game runs through the engine and the screen as composed after the
// chosen tick lands in a PNG file of the screen's size.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "../vfs/vfs_fixture.h"
#include "app/engine.h"
#include "app/player_options.h"
#include "app/screenshots.h"
#include "base/message_box.h"
#include "base/stream.h"
#include "display/vesk_base_list.h"
#include "gfx/picture_io.h"
#include "script/command.h"
#include "script/page_builder.h"
#include "script/project_file.h"

namespace vesk {
namespace {

namespace fs = std::filesystem;

struct SilentBox : IMessageBox {
    MsgResult Show(const std::string&, const std::string&, MsgButtons, MsgIcon) override {
        return MsgResult::Ok;
    }
};

std::vector<uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(ScreenshotTest, TheComposedScreenIsWrittenAfterTheChosenTick) {
    test::TempDir dir;
    TProjectFile f;
    f.ProjectName = "Shot";
    f.ScreenWidth = 320;
    f.ScreenHeight = 200;
    f.StartPage = "main.lsb";
    MemoryStream m;
    f.Save(m);
    WriteFileAtomic(dir / "vesk.lpb", m.Bytes().data(), m.Bytes().size());
    TPageBuilder main;
    main.Add(CC_WAIT).SetExprText("Time", "100000");
    main.WriteFile(dir.path() + "/main.lsb");

    SilentBox box;
    int64_t now = 0;
    TEngineOptions o;
    o.Args = {dir.path()};
    o.MessageBox = &box;
    o.Now = [&now] { return now; };
    TEngine e(o);
    ASSERT_TRUE(e.Start());
    ASSERT_NE(e.Root(), nullptr);

    const std::string shot = dir.path() + "/after3.png", other = dir.path() + "/after9.png";
    const std::vector<TPlayerOptions::Shot> shots = {
        {3, shot}, {9, other}, {3, dir.path() + "/no-such-folder/x.png"}};
    for (int64_t tick = 1; tick <= 4; ++tick) {
        e.Tick(now += 16);
        auto errors = WriteShotsDue(shots, tick, e.Root()->Screen());
        // Only the shot into a missing folder fails, and only at its tick.
        EXPECT_EQ(errors.size(), tick == 3 ? 1u : 0u) << tick;
        EXPECT_EQ(fs::exists(shot), tick >= 3) << tick;
    }
    EXPECT_FALSE(fs::exists(other));
    std::vector<uint8_t> png = ReadAll(shot);
    auto picture = DecodePng(png.data(), png.size());
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->Width(), 320);
    EXPECT_EQ(picture->Height(), 200);
    e.Shutdown();
}

TEST(ScreenshotTest, TheOptionNamesATickAndAFile) {
    TPlayerOptions o;
    EXPECT_EQ(o.Parse({"game", "--screenshot", "5:a.png", "--screenshot", "7:C:/shots/b.png"}), "");
    ASSERT_EQ(o.Shots.size(), 2u);
    EXPECT_EQ(o.Shots[0].Tick, 5);
    EXPECT_EQ(o.Shots[0].File, "a.png");
    EXPECT_EQ(o.Shots[1].File, "C:/shots/b.png");  // the first colon ends the tick
    for (const char* bad : {"5", "5:", ":a.png", "0:a.png", "x:a.png"}) {
        TPlayerOptions b;
        EXPECT_NE(b.Parse({"--screenshot", bad}), "") << bad;
    }
    TPlayerOptions missing;
    EXPECT_NE(missing.Parse({"--screenshot"}), "");
}

}  // namespace
}  // namespace vesk
