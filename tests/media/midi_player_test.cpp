#include "media/midi_player.h"

#include <gtest/gtest.h>

#include "base/cp932.h"
#include "smf_builder.h"

namespace vesk {
namespace {

using test::MakeSmf;
using test::TrackBuilder;

struct Sent {
    uint32_t at;
    std::vector<uint8_t> bytes;
    bool operator==(const Sent&) const = default;
};

// An output device that notes what it was sent and when.
class RecordingOut : public TMidiOut {
  public:
    RecordingOut(AudioClock& clock, std::vector<Sent>& log) : clock_(clock), log_(log) {}
    void ShortMsg(uint8_t s, uint8_t d1, uint8_t d2) override {
        log_.push_back({clock_.NowMs(), {s, d1, d2}});
    }
    void LongMsg(const uint8_t* d, size_t n) override {
        log_.push_back({clock_.NowMs(), std::vector<uint8_t>(d, d + n)});
    }
    void Reset() override { log_.push_back({clock_.NowMs(), {0xFF}}); }

  private:
    AudioClock& clock_;
    std::vector<Sent>& log_;
};

class MidiPlayer : public ::testing::Test {
  protected:
    MidiPlayer() {
        TMidiDeviceInfo d;
        d.name = "recorder";
        d.open = [this] { return std::make_unique<RecordingOut>(clock, log); };
        player = std::make_unique<TMidiPlayV>(clock, TMidiDevices{d});
        EXPECT_TRUE(player->OpenDevice(TMidiPlayV::kMapper));
    }
    void Load(const std::vector<uint8_t>& f) {
        ASSERT_TRUE(player->Load(f.data(), f.size()));
        log.clear();  // loading stops playback, which silences every channel
    }
    // What was sent, leaving out the All Notes Off messages.
    std::vector<Sent> Notes() const {
        std::vector<Sent> r;
        for (const Sent& s : log)
            if (!(s.bytes.size() == 3 && (s.bytes[0] & 0xF0) == 0xB0 && s.bytes[1] == 123))
                r.push_back(s);
        return r;
    }
    int AllNotesOffCount() const {
        int n = 0;
        for (const Sent& s : log)
            n += s.bytes.size() == 3 && s.bytes[1] == 123 && (s.bytes[0] & 0xF0) == 0xB0;
        return n;
    }

    VirtualAudioClock clock;
    std::vector<Sent> log;
    std::unique_ptr<TMidiPlayV> player;
};

// 96 ticks per quarter at 120 bpm: 5.2083 ms per tick; 96 ticks are 500 ms.
std::vector<uint8_t> TwoNotes() {
    TrackBuilder t;
    t.Ev(0, {0xC0, 5})
        .Ev(0, {0x90, 60, 100})
        .Ev(96, {0x80, 60, 0})
        .Ev(0, {0xB0, 7, 100})
        .Ev(96, {0x90, 62, 100})
        .Ev(96, {0x80, 62, 0})
        .End();
    return MakeSmf(0, 96, {t});
}

TEST_F(MidiPlayer, DeviceListStartsWithTheMapper) {
    auto names = player->DeviceNames();
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(names[0], VESK_JP("MIDIマッパー"));
    EXPECT_EQ(names[1], "recorder");
    EXPECT_FALSE(player->OpenDevice(1));
    EXPECT_FALSE(player->DeviceOpen());
    EXPECT_TRUE(player->OpenDevice(0));
}

TEST_F(MidiPlayer, SendsEventsInTenMillisecondSteps) {
    Load(TwoNotes());
    EXPECT_EQ(player->Length(), 1500);
    player->PlayFrom(0);
    log.clear();
    clock.Advance(2000);
    std::vector<Sent> want{
        {10, {0xC0, 5, 0}},    {10, {0x90, 60, 100}},   {510, {0x80, 60, 0}},
        {510, {0xB0, 7, 100}}, {1010, {0x90, 62, 100}}, {1510, {0x80, 62, 0}},
    };
    EXPECT_EQ(Notes(), want);
    EXPECT_FALSE(player->IsPlaying());
    EXPECT_TRUE(player->IsEnd());
    EXPECT_EQ(AllNotesOffCount(), 0);
}

TEST_F(MidiPlayer, RepeatSendsAllNotesOffAndStartsOver) {
    Load(TwoNotes());
    player->SetRepeat(true);
    player->PlayFrom(0);
    log.clear();
    clock.Advance(1600);
    EXPECT_EQ(AllNotesOffCount(), 16);
    EXPECT_TRUE(player->IsPlaying());
    auto n = Notes();
    ASSERT_GE(n.size(), 8u);
    // The end-of-track event goes at 1510; the restart plays event 0 on the next step.
    EXPECT_EQ(n[6], (Sent{1520, {0xC0, 5, 0}}));
    EXPECT_EQ(n[7], (Sent{1520, {0x90, 60, 100}}));
}

TEST_F(MidiPlayer, EverythingAtTickZeroEndsAtOnce) {
    TrackBuilder t;
    t.Ev(0, {0x90, 60, 100}).Ev(0, {0x80, 60, 0}).End();
    Load(MakeSmf(0, 96, {t}));
    player->PlayFrom(0);
    clock.Advance(10);
    EXPECT_FALSE(player->IsPlaying());
    EXPECT_EQ(Notes().size(), 2u);
    player->SetRepeat(true);
    player->PlayFrom(0);
    log.clear();
    clock.Advance(30);
    EXPECT_TRUE(player->IsPlaying());
    EXPECT_EQ(Notes().size(), 6u);  // restarts on every step
}

TEST_F(MidiPlayer, PlayFromCatchesUpWithoutNotes) {
    TrackBuilder t;
    t.Ev(0, {0xC0, 5})
        .Ev(0, {0x90, 60, 100})
        .Ev(0, {0xF0, 2, 0x41, 0xF7})
        .Ev(48, {0xB0, 10, 20})
        .Ev(0, {0x80, 60, 0})
        .Ev(0, {0xA0, 60, 3})
        .Ev(48, {0x90, 64, 90})
        .End(96);
    Load(MakeSmf(0, 96, {t}));
    player->PlayFrom(400);
    // Nothing lies at 400 ms: the search stops at the event before it (the key pressure at
    // 250 ms), which the first step plays; everything earlier is caught up without notes.
    // The device gets 10 ms after the system-exclusive message: what follows it comes with
    // the next step, on the sequencer's thread, and playing starts from there.
    std::vector<Sent> want{{0, {0xC0, 5, 0}}, {0, {0xF0, 0x41, 0xF7}}};
    EXPECT_EQ(Notes(), want);
    EXPECT_EQ(AllNotesOffCount(), 16);
    clock.Advance(10);
    want.push_back({10, {0xB0, 10, 20}});
    want.push_back({10, {0xA0, 60, 3}});
    EXPECT_EQ(Notes(), want);
    clock.Advance(110);
    ASSERT_EQ(Notes().size(), 5u);
    EXPECT_EQ(Notes()[4], (Sent{120, {0x90, 64, 90}}));
    // Backwards: everything before the target again, from the first event.
    log.clear();
    player->PlayFrom(300);
    clock.Advance(10);
    EXPECT_EQ(Notes().size(), 4u);  // the three caught up and the key pressure
    EXPECT_EQ(AllNotesOffCount(), 16);
    // Forwards from there: only what lies between, and that is a note, which is not
    // caught up.
    log.clear();
    player->PlayFrom(1000);
    EXPECT_TRUE(Notes().empty());
    // Exactly at an event's time: that event is the target, which the first step plays.
    player->PlayFrom(500);
    EXPECT_EQ(player->Position(), 500);
    clock.Advance(20);
    EXPECT_EQ(Notes().back().bytes, (std::vector<uint8_t>{0x90, 64, 90}));
}

TEST_F(MidiPlayer, SystemExclusiveWaitsNeverHoldTheCaller) {
    // 100 system-exclusive messages before the first note: the caller of PlayFrom returns
    // after the first; the rest follow 10 ms apart on the timer, at most half a second of
    // waits in all, and the song plays from where it was asked for.
    TrackBuilder t;
    for (int i = 0; i < 100; ++i) t.Ev(0, {0xF0, 2, uint8_t(i), 0xF7});
    t.Ev(96, {0x90, 60, 100}).End(96);
    Load(MakeSmf(0, 96, {t}));
    player->PlayFrom(400);
    EXPECT_EQ(Notes().size(), 1u);
    clock.Advance(490);
    EXPECT_EQ(Notes().size(), 50u);
    clock.Advance(10);  // the 500 ms are used: the other 50 go out at once
    EXPECT_EQ(Notes().size(), 100u);
    EXPECT_EQ(player->Position(), 400);
    clock.Advance(110);
    ASSERT_EQ(Notes().size(), 101u);
    EXPECT_EQ(Notes().back(), (Sent{610, {0x90, 60, 100}}));
}

TEST_F(MidiPlayer, RepeatStartsOverAtTheRepeatPosition) {
    Load(TwoNotes());
    player->SetRepeat(true);
    player->SetRepeatPos(1000);  // the second note
    player->PlayFrom(0);
    log.clear();
    clock.Advance(1600);
    // At the end (1510): all notes off, the first part caught up without notes, and the
    // second note again on the next step.
    auto n = Notes();
    ASSERT_EQ(n.size(), 9u);
    EXPECT_EQ(n[4], (Sent{1010, {0x90, 62, 100}}));
    EXPECT_EQ(n[5], (Sent{1510, {0x80, 62, 0}}));
    EXPECT_EQ(n[6], (Sent{1510, {0xC0, 5, 0}}));    // caught up
    EXPECT_EQ(n[7], (Sent{1510, {0xB0, 7, 100}}));  // caught up
    EXPECT_EQ(n[8], (Sent{1520, {0x90, 62, 100}}));
}

TEST_F(MidiPlayer, StopSilencesAndNothingFollows) {
    Load(TwoNotes());
    player->PlayFrom(0);
    clock.Advance(100);
    log.clear();
    player->Stop();
    EXPECT_EQ(AllNotesOffCount(), 16);
    EXPECT_FALSE(player->IsPlaying());
    clock.Advance(2000);
    EXPECT_EQ(log.size(), 16u);
    EXPECT_EQ(player->Position(), 100);
}

TEST_F(MidiPlayer, ControllerScaleAppliesToVolume) {
    Load(TwoNotes());
    // Stopped: stored, and used by the next control change sent.
    player->SetControllerScale(7, 50);
    EXPECT_TRUE(log.empty());
    player->PlayFrom(0);
    clock.Advance(600);
    auto n = Notes();
    ASSERT_GE(n.size(), 4u);
    EXPECT_EQ(n[3].bytes, (std::vector<uint8_t>{0xB0, 7, 50}));
    // Playing: resent at once on all channels from the stored raw values.
    log.clear();
    player->SetControllerScale(7, 10);
    ASSERT_EQ(log.size(), 16u);
    EXPECT_EQ(log[0].bytes, (std::vector<uint8_t>{0xB0, 7, 10}));  // 100 raw
    EXPECT_EQ(log[1].bytes, (std::vector<uint8_t>{0xB1, 7, 12}));  // 127 after loading
    player->SetControllerScale(7, 300);
    EXPECT_EQ(log.back().bytes, (std::vector<uint8_t>{0xBF, 7, 127}));
}

TEST(MidiVolume, ScalePercentOfItemVolume) {
    const std::pair<int, int> cases[] = {
        {0, 100}, {-50, 100}, {-150, 99}, {-5000, 50}, {-10000, 0}};
    for (auto [vol, want] : cases) EXPECT_EQ(MidiVolumeToScale(vol), want) << vol;
}

TEST_F(MidiPlayer, NotMidiLoadsNothingAndPlaysNothing) {
    std::vector<uint8_t> junk(100, 0x55);
    EXPECT_FALSE(player->Load(junk.data(), junk.size()));
    player->PlayFrom(0);
    clock.Advance(50);
    EXPECT_TRUE(Notes().empty());
    EXPECT_FALSE(player->IsPlaying());
    EXPECT_TRUE(player->IsEnd());
}

TEST_F(MidiPlayer, PlaysFromMeasureAndBeat) {
    TrackBuilder t;
    t.Ev(0, {0xFF, 0x58, 4, 2, 2, 24, 8}).Ev(96 * 3, {0x90, 60, 100}).End(96);
    Load(MakeSmf(0, 96, {t}));
    EXPECT_FALSE(player->PlayFromBeat(9, 1));
    ASSERT_TRUE(player->PlayFromBeat(2, 2));  // 2/4: the fourth beat, 1500 ms
    EXPECT_EQ(player->Position(), 1500);
}

TEST(MidiTimer, RunsOnTheRealClock) {
    auto clock = MakeRealAudioClock();
    std::atomic<int> n{0};
    {
        TMMTimer timer(*clock, 5, [&] { ++n; });
        timer.SetEnabled(true);
        clock->SleepMs(100);
        timer.SetEnabled(false);
    }
    EXPECT_GT(n.load(), 2);
}

}  // namespace
}  // namespace vesk
