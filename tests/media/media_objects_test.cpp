// Sound, video and timer objects made by script commands against a real display root and a
// headless audio path: what plays when, at which volume and pan, fades, ends, MovieStop and
// MediaPlay, and media surviving a save and load.
#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "../vfs/vfs_fixture.h"
#include "display/display_commands.h"
#include "display/vesk_base_list.h"
#include "media/media_commands.h"
#include "media/media_system.h"
#include "media/media_writer.h"
#include "media/vesk_sound.h"
#include "media/vesk_timer.h"
#include "media/vesk_video.h"
#include "media/video_item.h"
#include "media_fixture.h"
#include "script/call_man.h"
#include "script/command_handlers.h"
#include "script/command_info.h"
#include "script/commands.h"
#include "script/page_builder.h"
#include "vars/param_collection.h"
#include "vars/sys_func.h"
#include "wav_test_util.h"

namespace vesk {
namespace {

using test::Sine;

class Pages : public IPageSource {
  public:
    std::vector<uint8_t> LoadPage(const std::string& name) override {
        auto it = pages.find(name);
        if (it == pages.end()) Fail("no page " + name);
        return it->second;
    }
    bool PageExists(const std::string& name) override { return pages.count(name) != 0; }
    std::map<std::string, std::vector<uint8_t>> pages;
};

class TickProject : public IScriptProject {
  public:
    uint32_t TickCount() override { return tick; }
    int32_t FrameTime() override { return 16; }
    void CommandFailed(const std::string&, const std::string& message) override {
        failures.push_back(message);
    }
    uint32_t tick = 0;
    std::vector<std::string> failures;
};

// A sound whose left sample at frame i is i + 1 and right -(i + 1): every heard sample tells
// where in the sound it came from.
std::vector<uint8_t> Ramp(size_t frames) {
    std::vector<int16_t> s;
    for (size_t i = 0; i < frames; ++i) {
        s.push_back(int16_t(i % 30000 + 1));
        s.push_back(int16_t(-int(i % 30000 + 1)));
    }
    return MakeWavBytes({2, 44100, 16}, test::Bytes16(s));
}

// A steady tone: both channels at 16000.
std::vector<uint8_t> Level(size_t frames, int16_t v = 16000) {
    return MakeWavBytes({2, 44100, 16}, test::Bytes16(std::vector<int16_t>(frames * 2, v)));
}

struct Game {
    Game() : root(160, 120) {
        media = std::make_unique<TMediaSystem>(*h.audio, files.Sources(), TMediaConfig{},
                                               TMidiDevices{});
        RegisterDisplayKinds(root.Kinds());
        RegisterDisplayCommands(handlers, root);
        RegisterMediaKinds(root.Kinds(), *media);
        RegisterMediaCommands(handlers, root, *media);
        cm.SetProject(&project);
        cm.SetDisplay(&root);
        cm.SetHandlers(&handlers);
        cm.Attach();
        for (const char* v : {"done", "ends", "ticks"}) store.Create(v, PT_INT, VarScope::Global);
    }
    ~Game() {
        // The objects give their items back before the managers go.
        root.Reset();
    }
    // One frame of 16 ms, in the engine's order: the sound of the frame's time, then input,
    // the script, the objects, the picture and the videos.
    void Frame() {
        project.tick += 16;
        h.Advance(16);
        root.ProcessInput(16);
        cm.Run();
        root.StepAll(16);
        root.PaintAll();
        root.ClearDirty();
        media->Update(16);
    }
    void Frames(int n) {
        for (int i = 0; i < n; ++i) Frame();
    }
    int32_t Var(const char* name) { return store.Find(name)->Param()->AsInt(); }
    template <class T>
    T* Find(const std::string& name) {
        return dynamic_cast<T*>(root.FindComponent(name));
    }
    void Page(const std::string& name, TPageBuilder& b) { pages.pages[name] = b.Bytes(); }
    void Start(TPageBuilder& main) {
        Page("main.lsb", main);
        cm.Start("main.lsb");
    }

    test::Headless h;
    test::MemoryFiles files;
    std::unique_ptr<TMediaSystem> media;
    TVeskBaseList root;
    TCommandHandlers handlers;
    TParamCollection store;
    TSysFuncMan funcs{store};
    Pages pages;
    TickProject project;
    TCallMan cm{store, &funcs, pages};
};

TCommand& Sound(TPageBuilder& b, const std::vector<std::pair<int, std::string>>& props) {
    TCommand& c = b.Add(CC_SOUND);
    for (const auto& [index, text] : props) c.SetPropText(index, text);
    return c;
}

TCommand& Wait(TPageBuilder& b, int ms) {
    return b.Add(CC_WAIT).SetExprText("Time", std::to_string(ms));
}

TEST(MediaObjects, SoundStartsOnTheFrameThatRunsItsCommand) {
    Game g;
    g.files.files["ramp.wav"] = Ramp(44100);
    TPageBuilder main;
    Wait(main, 40);
    Sound(main, {{PR_NAME, "\"se\""}, {PR_SOURCE, "\"ramp.wav\""}, {PR_VOLUME, "1000"}});
    g.Start(main);
    g.Frames(10);
    // The Wait lets its first frame pass and then counts 16 ms a frame: it ends in the fourth
    // frame (64 ms), and the sound begins on the first sample after that frame's time.
    const size_t start = size_t(FramesAtMs(64));
    const auto& m = g.h.Mix();
    ASSERT_EQ(test::FirstSound(m), start);
    for (size_t i = 0; i < 1000; ++i) ASSERT_EQ(m[(start + i) * 2], int16_t(i + 1)) << i;
    auto* se = g.Find<TVeskSound>("se");
    ASSERT_NE(se, nullptr);
    EXPECT_TRUE(se->GetIntProp(PR_PLAYING));
    EXPECT_EQ(se->GetIntProp(PR_COUNT), 1000);
    EXPECT_EQ(se->GetIntProp(PR_INDEX), int32_t((g.h.Frames() - start) * 1000 / 44100));
    // A sound object has no place: LEFT changes nothing, ZOOMX reads 256.
    test::SetIntOf(*se, PR_LEFT, 50);
    EXPECT_EQ(se->GetIntProp(PR_LEFT), 0);
    EXPECT_EQ(se->GetIntProp(PR_ZOOMX), 256);
}

TEST(MediaObjects, VolumeAndBalanceReachTheMix) {
    struct Case {
        const char* volume;
        const char* balance;
        int left, right;
    };
    // Volume 500 is -2500 (-25 dB); balance 1000 takes 10 dB off the left, -600 6 dB off
    // the right.
    const Case cases[] = {
        {"1000", "0", 16000, 16000},   {"500", "0", 900, 900}, {"1000", "1000", 5060, 16000},
        {"1000", "-600", 16000, 8019}, {"0", "0", 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.volume) + " " + c.balance);
        Game g;
        g.files.files["tone.wav"] = Level(44100);
        TPageBuilder main;
        Sound(main, {{PR_SOURCE, "\"tone.wav\""}, {PR_VOLUME, c.volume}, {PR_BALANCE, c.balance}});
        g.Start(main);
        g.Frames(5);
        const size_t at = g.h.Frames() - 10;
        EXPECT_NEAR(g.h.Mix()[at * 2], c.left, 1);
        EXPECT_NEAR(g.h.Mix()[at * 2 + 1], -(-c.right), 1);
    }
}

TEST(MediaObjects, FadeInRisesThroughTheUpperHalfAndFadeOutRemoves) {
    Game g;
    g.files.files["tone.wav"] = Level(44100 * 10);
    TPageBuilder main;
    Sound(main, {{PR_NAME, "\"bgm\""}, {PR_SOURCE, "\"tone.wav\""}, {PR_DELAY, "800"}});
    g.Start(main);
    g.Frame();
    auto* bgm = g.Find<TVeskSound>("bgm");
    ASSERT_NE(bgm, nullptr);
    TDMediaItem* item = bgm->Item();
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->GetVol(), -5000);  // a fade-in of Ogg or WAV starts half-way
    g.Frames(25);                      // 400 ms into the fade
    EXPECT_EQ(item->GetVol(), -2500);
    g.Frames(25);
    EXPECT_EQ(item->GetVol(), 0);
    // Fade out: the name is freed at once; at the end the object is gone and silent.
    TPageBuilder stop;
    stop.Add(CC_MOVIESTOP)
        .SetExprText("Object", "\"bgm\"")
        .SetExprText("Time", "320")
        .SetExprText("Wait", "TRUE");
    stop.Calc("done = 1");
    g.Page("stop.lsb", stop);
    g.cm.Start("stop.lsb");
    g.Frame();
    EXPECT_EQ(g.Find<TVeskSound>("bgm"), nullptr);
    EXPECT_EQ(bgm->Name(), SystemName("SCRAP_bgm"));
    g.Frames(10);  // 160 ms: half-way down the upper half
    EXPECT_EQ(item->GetVol(), -2500);
    EXPECT_EQ(g.Var("done"), 0);
    g.Frames(11);
    EXPECT_EQ(g.root.FindComponent(SystemName("SCRAP_bgm")), nullptr);
    g.Frame();
    EXPECT_EQ(g.Var("done"), 1);  // the command waited for the object to go
    const size_t quiet = g.h.Frames();
    g.Frames(3);
    EXPECT_EQ(test::FirstSound(g.h.Mix(), quiet), g.h.Frames());
}

TEST(MediaObjects, MovieStopWithoutTimeStopsAtOnce) {
    Game g;
    g.files.files["tone.wav"] = Level(44100 * 10);
    TPageBuilder main;
    Sound(main, {{PR_NAME, "\"bgm\""}, {PR_SOURCE, "\"tone.wav\""}});
    Wait(main, 100);
    main.Add(CC_MOVIESTOP).SetExprText("Object", "\"bgm\"").SetExprText("Wait", "TRUE");
    main.Calc("done = 1");
    g.Start(main);
    g.Frames(10);
    EXPECT_EQ(g.Var("done"), 1);
    EXPECT_EQ(g.Find<TVeskSound>("bgm"), nullptr);
    const size_t quiet = g.h.Frames();
    g.Frames(2);
    EXPECT_EQ(test::FirstSound(g.h.Mix(), quiet), g.h.Frames());
}

TEST(MediaObjects, EndQueuesThePlayEndPageOrRemovesWithAutoScrap) {
    Game g;
    g.files.files["short.wav"] = Level(4410);  // 100 ms
    TPageBuilder end;
    end.Calc("ends = ends + 1");
    g.Page("end.lsb", end);
    TPageBuilder main;
    Sound(main, {{PR_NAME, "\"a\""}, {PR_SOURCE, "\"short.wav\""}, {PR_ONPLAYEND, "\"end.lsb\""}});
    Sound(main, {{PR_NAME, "\"b\""}, {PR_SOURCE, "\"short.wav\""}, {PR_AUTOSCRAP, "TRUE"}});
    g.Start(main);
    g.Frames(12);
    EXPECT_EQ(g.Var("ends"), 1);
    ASSERT_NE(g.Find<TVeskSound>("a"), nullptr);
    EXPECT_TRUE(g.Find<TVeskSound>("a")->Finished());
    EXPECT_EQ(g.Find<TVeskSound>("b"), nullptr);
    // MediaPlay plays a finished sound again, from its start.
    TPageBuilder again;
    again.Add(CC_MEDIAPLAY).SetExprText("Object", "\"a\"");
    g.Page("again.lsb", again);
    g.cm.Start("again.lsb");
    g.Frame();
    EXPECT_TRUE(g.Find<TVeskSound>("a")->IsPlaying());
    g.Frames(10);
    EXPECT_EQ(g.Var("ends"), 2);
}

TEST(MediaObjects, RepeatLoopsFromTheRepeatPosition) {
    Game g;
    g.files.files["ramp.wav"] = Ramp(4410);  // 100 ms
    TPageBuilder main;
    Sound(main, {{PR_NAME, "\"loop\""},
                 {PR_SOURCE, "\"ramp.wav\""},
                 {PR_REPEAT, "TRUE"},
                 {PR_REPEATPOS, "50"}});
    g.Start(main);
    g.Frames(20);
    const auto& m = g.h.Mix();
    const size_t start = test::FirstSound(m);
    EXPECT_EQ(start, size_t(FramesAtMs(16)));
    // 4410 frames, then rounds of the last 2205 frames.
    for (size_t i = 0; i < 10000; ++i) {
        const size_t src = i < 4410 ? i : 2205 + (i - 4410) % 2205;
        ASSERT_EQ(m[(start + i) * 2], int16_t(src + 1)) << i;
    }
    EXPECT_FALSE(g.Find<TVeskSound>("loop")->Finished());
}

TEST(MediaObjects, MissingAndDamagedFilesLetTheGameGoOn) {
    Game g;
    g.files.files["bad.ogg"] = std::vector<uint8_t>(500, 0x33);
    TPageBuilder main;
    Sound(main, {{PR_NAME, "\"gone\""}, {PR_SOURCE, "\"none.wav\""}, {PR_AUTOSCRAP, "TRUE"}});
    Sound(main, {{PR_NAME, "\"kept\""}, {PR_SOURCE, "\"none.wav\""}});
    Sound(main, {{PR_NAME, "\"bad\""}, {PR_SOURCE, "\"bad.ogg\""}});
    Sound(main, {{PR_NAME, "\"cd\""}, {PR_SOURCE, "\"CD_07\""}});
    main.Calc("done = 1");
    g.Start(main);
    g.Frames(3);
    EXPECT_EQ(g.Var("done"), 1);
    EXPECT_EQ(g.Find<TVeskSound>("gone"), nullptr);
    ASSERT_NE(g.Find<TVeskSound>("kept"), nullptr);
    EXPECT_EQ(g.Find<TVeskSound>("kept")->Item(), nullptr);
    ASSERT_EQ(g.project.failures.size(), 1u);
    EXPECT_EQ(g.project.failures[0], Cp932ToUtf8(VESK_JP("サウンドデータが不正です")));
    EXPECT_EQ(g.Find<TVeskSound>("cd")->Item(), nullptr);  // no ripped track 7
}

TEST(MediaObjects, TimerFiresEveryIntervalAndOnceWithAutoScrap) {
    Game g;
    TPageBuilder tick;
    tick.Calc("ticks = ticks + 1");
    g.Page("tick.lsb", tick);
    TPageBuilder once;
    once.Calc("done = done + 1");
    g.Page("once.lsb", once);
    TPageBuilder main;
    main.Add(CC_TIMER)
        .SetPropText(PR_NAME, "\"t\"")
        .SetPropText(PR_DELAY, "100")
        .SetPropText(PR_ONNOTIFY, "\"tick.lsb\"");
    main.Add(CC_TIMER)
        .SetPropText(PR_NAME, "\"o\"")
        .SetPropText(PR_DELAY, "50")
        .SetPropText(PR_ONNOTIFY, "\"once.lsb\"")
        .SetPropText(PR_AUTOSCRAP, "TRUE");
    g.Start(main);
    g.Frames(63);  // 1008 ms
    // Made in the first frame, it steps in that frame too, as every new object does: ten
    // firings, the last of which runs its page in the next frame.
    EXPECT_EQ(g.Var("ticks"), 9);
    EXPECT_EQ(g.Var("done"), 1);
    EXPECT_EQ(g.Find<TVeskTimer>("o"), nullptr);
    // Paused, it stands still.
    test::SetIntOf(*g.Find<TVeskTimer>("t"), PR_PAUSED, 1);
    g.Frames(20);
    EXPECT_EQ(g.Var("ticks"), 10);  // the one queued before; no more
}

TEST(MediaObjects, SoundsAndTimersSurviveASaveAndLoad) {
    for (bool rewind : {true, false}) {
        SCOPED_TRACE(rewind ? "rewind on load" : "from where it was");
        Game g;
        g.files.files["ramp.wav"] = Ramp(44100 * 2);
        TPageBuilder main;
        Sound(main, {{PR_NAME, "\"bgm\""},
                     {PR_SOURCE, "\"ramp.wav\""},
                     {PR_VOLUME, "1000"},
                     {PR_REWINDONLOAD, rewind ? "TRUE" : "FALSE"}});
        Sound(main, {{PR_NAME, "\"quiet\""},
                     {PR_SOURCE, "\"ramp.wav\""},
                     {PR_MUTEONLOAD, "TRUE"},
                     {PR_VOLUME, "1"}});
        main.Add(CC_TIMER).SetPropText(PR_NAME, "\"t\"").SetPropText(PR_DELAY, "300");
        g.Start(main);
        g.Frames(30);
        const int32_t at = g.Find<TVeskSound>("bgm")->GetIntProp(PR_INDEX);
        MemoryStream saved;
        {
            StreamWriter w(saved);
            g.root.SaveState(w);
        }
        // Something else plays meanwhile; loading replaces it all.
        g.root.Reset();
        g.Frames(2);
        saved.Seek(0, SeekFrom::Begin);
        StreamReader r(saved);
        g.root.LoadState(r, 139);
        EXPECT_EQ(saved.Position(), saved.Size());
        auto* bgm = g.Find<TVeskSound>("bgm");
        ASSERT_NE(bgm, nullptr);
        EXPECT_TRUE(bgm->IsPlaying());
        ASSERT_NE(g.Find<TVeskSound>("quiet"), nullptr);
        EXPECT_FALSE(g.Find<TVeskSound>("quiet")->IsPlaying());
        ASSERT_NE(g.Find<TVeskTimer>("t"), nullptr);
        EXPECT_EQ(g.Find<TVeskTimer>("t")->GetIntProp(PR_DELAY), 300);
        const size_t from = g.h.Frames();
        g.Frame();
        const size_t first = size_t(rewind ? 0 : int64_t(at) * 44100 / 1000);
        EXPECT_EQ(g.h.Mix()[from * 2], int16_t(first % 30000 + 1));
    }
}

// A video of ten pictures, one colour each, at 10 per second.
const uint32_t kColours[] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0xFFFF00,
                             0x00FFFF, 0xFF00FF, 0x808080, 0x000000, 0xFF8000};

std::vector<uint8_t> ColourVideo() {
    test::TempDir dir;
    TVideoPictures pictures;
    pictures.fps = 10;
    pictures.frames = 10;
    pictures.paint = [](int i, uint32_t* px, int pitch) {
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x) px[y * (pitch / 4) + x] = kColours[i];
    };
    WriteWindowsMedia(dir / "v.wmv", Sine(44100, 300, 44100), pictures);
    return ReadWholeFile(dir / "v.wmv");
}

uint32_t Coarse(uint32_t c) {
    uint32_t out = 0;
    for (int sh = 0; sh < 24; sh += 8)
        out |= std::min<uint32_t>((((c >> sh) & 255) + 0x20) / 0x40 * 0x40, 255) << sh;
    return out;
}

TEST(MediaObjects, MovieDrawsItsPicturesFrameByFrame) {
    Game g;
    g.files.files["v.wmv"] = ColourVideo();
    TPageBuilder main;
    main.Add(CC_MOVIE)
        .SetPropText(PR_NAME, "\"mv\"")
        .SetPropText(PR_SOURCE, "\"v.wmv\"")
        .SetPropText(PR_LEFT, "20")
        .SetPropText(PR_TOP, "10");
    g.Start(main);
    g.Frame();
    auto* mv = g.Find<TVeskVideo>("mv");
    ASSERT_NE(mv, nullptr);
    EXPECT_EQ(mv->GetIntProp(PR_WIDTH), 64);
    EXPECT_EQ(mv->GetIntProp(PR_HEIGHT), 48);
    EXPECT_EQ(Coarse(g.root.Screen().GetPixel(50, 30)), Coarse(kColours[0]));
    EXPECT_EQ(g.root.Screen().GetPixel(10, 5), 0u);  // outside it
    // Each picture shows one frame after the video clock reaches it.
    for (int pic = 1; pic < 10; ++pic) {
        while (mv->Video()->GetPosition() < pic * 100) g.Frame();
        g.Frame();
        ASSERT_EQ(Coarse(g.root.Screen().GetPixel(50, 30)), Coarse(kColours[pic])) << pic;
    }
    // Zoomed to double width, and half transparent over the black layer, as any picture.
    test::SetIntOf(*mv, PR_ZOOMX, 512);
    EXPECT_EQ(mv->GetIntProp(PR_WIDTH), 128);
    g.Frame();
    EXPECT_EQ(Coarse(g.root.Screen().GetPixel(140, 30)), Coarse(kColours[9]));
    test::SetIntOf(*mv, PR_ALPHA, 128);
    g.Frame();
    EXPECT_EQ(Coarse(g.root.Screen().GetPixel(140, 30)), Coarse(0x804000));
}

}  // namespace
}  // namespace vesk
