// The engine's media: made in the start-up order, the sound switch and the MIDI ports as
// system variables, the pause while the player is inactive, and the sound of a headless run
// following the frames.
#include <gtest/gtest.h>

#include "../vfs/vfs_fixture.h"
#include "app/engine.h"
#include "base/cp932.h"
#include "base/stream.h"
#include "display/prop_table.h"
#include "media/audio_format.h"
#include "media/audio_system.h"
#include "media/media_item.h"
#include "media/wav_file.h"
#include "script/command_info.h"
#include "script/page_builder.h"
#include "script/project_file.h"
#include "vars/param_collection.h"

namespace vesk {
namespace {

// A game whose start page plays a long tone and then waits; the player pauses it while
// another application is active.
struct ToneGame {
    explicit ToneGame(bool pauseInactive) {
        TProjectFile f;
        f.ProjectName = "Tone";
        f.StartPage = "main.lsb";
        f.PauseInactive = pauseInactive;
        MemoryStream m;
        f.Save(m);
        WriteFileAtomic(dir / "vesk.lpb", m.Bytes().data(), m.Bytes().size());
        std::vector<uint8_t> pcm(44100 * 4 * 5, 0x20);  // five seconds, both channels 0x2020
        auto wav = MakeWavBytes({2, 44100, 16}, pcm);
        WriteFileAtomic(dir / "tone.wav", wav.data(), wav.size());
        TPageBuilder main;
        main.Add(CC_SOUND).SetPropText(PR_NAME, "\"tone\"").SetPropText(PR_SOURCE, "\"tone.wav\"");
        main.Add(CC_WAIT).SetExprText("Time", "100000");
        main.WriteFile(dir / "main.lsb");
        audio->Capture()->KeepInMemory(true);
    }
    TEngineOptions Options() {
        TEngineOptions o;
        o.Args = {dir.path()};
        o.Now = [this] { return now; };
        o.Audio = audio.get();
        return o;
    }
    // The frames of the mix since `from` that are not silent.
    size_t Heard(size_t from) {
        const auto& s = audio->Capture()->Samples();
        size_t n = 0;
        for (size_t i = from; i * 2 < s.size(); ++i) n += s[i * 2] != 0;
        return n;
    }
    size_t Frames() { return audio->Capture()->Samples().size() / 2; }
    test::TempDir dir;
    std::unique_ptr<AudioSystem> audio = AudioSystem::Headless();
    int64_t now = 0;
};

TEST(EngineMediaTest, TheMixFollowsTheFramesAndTheSoundSwitch) {
    ToneGame g(false);
    TEngine e(g.Options());
    ASSERT_TRUE(e.Start());
    ASSERT_NE(e.Media(), nullptr);
    for (int i = 0; i < 10; ++i) e.Tick(g.now += 16);
    // Each tick mixes the time since the last one: 160 ms, the tone from the first frame on.
    EXPECT_EQ(g.Frames(), size_t(FramesAtMs(160)));
    EXPECT_EQ(g.Heard(0), size_t(FramesAtMs(160) - FramesAtMs(16)));
    e.Store().Find("@SoundON")->Param()->SetFlag(false);
    EXPECT_FALSE(e.Media()->Ogg().Enabled());
    EXPECT_FALSE(e.Store().ValueCopy("@SoundON")->AsFlag());
    const size_t off = g.Frames();
    for (int i = 0; i < 5; ++i) e.Tick(g.now += 16);
    EXPECT_EQ(g.Heard(off), 0u);
    e.Store().Find("@SoundON")->Param()->SetFlag(true);
    EXPECT_TRUE(e.Media()->Midi().Enabled());
    const size_t on = g.Frames();
    e.Tick(g.now += 16);
    EXPECT_EQ(g.Heard(on), size_t(FramesAtMs(16)));
}

TEST(EngineMediaTest, AGameThatPausesWhenInactivePausesItsSound) {
    for (bool pauses : {true, false}) {
        SCOPED_TRACE(pauses ? "pauses" : "plays on");
        ToneGame g(pauses);
        TEngine e(g.Options());
        ASSERT_TRUE(e.Start());
        e.Tick(g.now += 16);
        e.Tick(g.now += 16);
        e.ActiveChanged(false, g.now);
        const size_t away = g.Frames();
        e.Tick(g.now += 500);
        EXPECT_EQ(g.Heard(away) == 0, pauses);
        e.ActiveChanged(true, g.now);
        const size_t back = g.Frames();
        e.Tick(g.now += 16);
        EXPECT_EQ(g.Heard(back), size_t(FramesAtMs(16)));
    }
}

TEST(EngineMediaTest, MidiPortsStartWithTheMapper) {
    ToneGame g(false);
    TEngine e(g.Options());
    ASSERT_TRUE(e.Start());
    auto ports = e.Store().ValueCopy("@MidiPorts");
    ASSERT_GE(ports->Count(), 1);
    EXPECT_EQ(ports->StrAt(0), VESK_JP("MIDIマッパー"));
    EXPECT_EQ(e.Store().ValueCopy("@MidiPort")->AsStr(), VESK_JP("MIDIマッパー"));
    // A port of that name is chosen; an unknown name changes nothing.
    e.Store().Find("@MidiPort")->Param()->SetStr("no such port");
    EXPECT_EQ(e.Store().ValueCopy("@MidiPort")->AsStr(), VESK_JP("MIDIマッパー"));
    if (ports->Count() > 1) {
        e.Store().Find("@MidiPort")->Param()->SetStr(ports->StrAt(1));
        EXPECT_EQ(e.Store().ValueCopy("@MidiPort")->AsStr(), ports->StrAt(1));
    }
}

}  // namespace
}  // namespace vesk
