#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "app/frame_clock.h"
#include "app/game_ini.h"
#include "platform/instance_lock.h"

namespace vesk {
namespace {

TEST(GameIni, ReadsValuesCaseInsensitivelyWithDefaultsAndClamps) {
    TIniFile ini;
    ini.Parse("; comment\r\n[sound]\r\ndirectsound = 0\r\nDelayTime=750\r\n[Video]\nUseWMP=1\n");
    auto c = TGameConfig::FromIni(ini);
    EXPECT_FALSE(c.DirectSound);
    EXPECT_EQ(c.DelayTime, 500);
    EXPECT_TRUE(c.UseWMP);
    struct {
        int32_t in, out;
    } delays[] = {{750, 500}, {30, 100}, {250, 200}, {-5, 100}, {100, 100}, {499, 400}};
    for (auto d : delays) EXPECT_EQ(ClampDelayTime(d.in), d.out) << d.in;
    TGameConfig defaults = TGameConfig::FromIni(TIniFile());
    EXPECT_TRUE(defaults.DirectSound);
    EXPECT_EQ(defaults.DelayTime, 500);
    EXPECT_FALSE(defaults.UseWMP);
}

TEST(GameIni, WritesBackAndKeepsOtherKeys) {
    auto dir = std::filesystem::temp_directory_path() / "vesk_ini_test";
    std::filesystem::create_directories(dir);
    auto path = (dir / "game.ini").string();
    { std::ofstream(path) << "[Sound]\nDirectSound=1\nOther=keep\n"; }
    TIniFile ini(path);
    TGameConfig c = TGameConfig::FromIni(ini);
    c.DirectSound = false;
    c.DelayTime = 300;
    c.ToIni(ini);
    ini.Save();
    TIniFile back(path);
    EXPECT_EQ(back.ReadString("sound", "other", ""), "keep");
    EXPECT_FALSE(back.ReadBool("Sound", "DirectSound", true));
    EXPECT_EQ(back.ReadInteger("Sound", "DelayTime", 0), 300);
    std::filesystem::remove_all(dir);
}

TEST(FrameClock, LongGapsAreDroppedAndNotCounted) {
    TFrameClock c;
    c.Start(1000);
    EXPECT_TRUE(c.Advance(1016));
    EXPECT_TRUE(c.Advance(1040));
    EXPECT_EQ(c.TickCount(), 40);
    EXPECT_EQ(c.FrameTime(), 24);
    EXPECT_FALSE(c.Advance(1340));  // a 300 ms gap
    EXPECT_EQ(c.TickCount(), 40);
    EXPECT_TRUE(c.Advance(1356));
    EXPECT_EQ(c.TickCount(), 56);
    EXPECT_EQ(TFrameClock::PaceDelay(0, 5), 11);
    EXPECT_EQ(TFrameClock::PaceDelay(0, 40), 2);
}

TEST(InstanceLock, OnePlayerPerGameFolder) {
    auto dir = std::filesystem::temp_directory_path() / "vesk_lock_test";
    std::filesystem::create_directories(dir);
    std::string path;
    {
        TInstanceLock a("/games/one", dir.string());
        EXPECT_TRUE(a.Held());
        path = a.Path();
        TInstanceLock b("/GAMES/one", dir.string());  // same folder, other case
        EXPECT_FALSE(b.Held());
        // A player that could not take the lock leaves the holder's file alone.
        { TInstanceLock c("/games/one", dir.string()); }
        EXPECT_TRUE(std::filesystem::exists(path));
        TInstanceLock other("/games/two", dir.string());
        EXPECT_TRUE(other.Held());
    }
    // Players that have ended leave no lock files behind.
    EXPECT_TRUE(std::filesystem::is_empty(dir));
    {
        auto again = std::make_unique<TInstanceLock>("/games/one", dir.string());
        EXPECT_TRUE(again->Held());
        // A file removed under a holder's feet is taken anew by the next player, and the
        // old holder's end does not remove the new one's file.
        std::filesystem::remove(path);
        TInstanceLock next("/games/one", dir.string());
        EXPECT_TRUE(next.Held());
        again.reset();
        EXPECT_TRUE(std::filesystem::exists(path));
        EXPECT_FALSE(TInstanceLock("/games/one", dir.string()).Held());
    }
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace vesk
