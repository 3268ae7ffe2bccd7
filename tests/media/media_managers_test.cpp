// The media managers: which manager plays a name, the volume laws and fades, the sound
// switch and suspension, CD tracks from files, the shared MIDI sequencer, videos, and items
// that must not outlive what feeds them.
#include <gtest/gtest.h>

#include <cstring>

#include "../vfs/vfs_fixture.h"
#include "media/media_playback.h"
#include "media/media_system.h"
#include "media/media_writer.h"
#include "media/midi_item.h"
#include "media/ogg_wave_item.h"
#include "media/stream_item.h"
#include "media/video_item.h"
#include "media_fixture.h"
#include "smf_builder.h"
#include "wav_test_util.h"

namespace vesk {
namespace {

using test::Sine;

std::vector<uint8_t> WavFile(size_t frames, double hz = 440) {
    return MakeWavBytes({2, 44100, 16}, test::Bytes16(Sine(frames, hz, 44100)));
}

TEST(MediaKind, ChosenByTheLowerCaseExtensionOrTheCdPrefix) {
    const std::pair<const char*, MediaKind> cases[] = {
        {"bgm.OGG", MediaKind::Ogg},
        {"se\\hit.wav", MediaKind::Ogg},
        {"song.Mid", MediaKind::Midi},
        {"seg.sgt", MediaKind::Midi},
        {"a.wma", MediaKind::Wmp},
        {"b.ASF", MediaKind::Wmp},
        {"c.wmv", MediaKind::Wmp},
        {"CD_03", MediaKind::Cd},
        {"CD_x", MediaKind::Cd},
        {"cd_03", MediaKind::None},
        {"sound.mp3", MediaKind::None},
        {"ogg", MediaKind::None},
        {"dir.ogg\\file", MediaKind::None},
    };
    for (auto [name, kind] : cases) EXPECT_EQ(MediaKindOf(name), kind) << name;
    EXPECT_EQ(TCddaManager::TrackOf("CD_03"), 3);
    EXPECT_EQ(TCddaManager::TrackOf("CD_12"), 12);
    EXPECT_EQ(TCddaManager::TrackOf("CD_x"), -1);
    EXPECT_EQ(TCddaManager::TrackOf("CD_"), -1);
    EXPECT_EQ(TCddaManager::TrackOf("CD_3a"), -1);
}

TEST(MediaVolume, PropertyToItemVolume) {
    const std::tuple<int, MediaKind, int> cases[] = {
        {0, MediaKind::Ogg, -10000},  {1, MediaKind::Ogg, -4995},   {1000, MediaKind::Ogg, 0},
        {500, MediaKind::Ogg, -2500}, {-5, MediaKind::Ogg, -10000}, {1200, MediaKind::Ogg, 0},
        {0, MediaKind::Midi, -10000}, {1, MediaKind::Midi, -9990},  {1000, MediaKind::Midi, 0},
        {1200, MediaKind::Midi, 0},
    };
    for (auto [v, kind, want] : cases) EXPECT_EQ(ItemVolume(v, kind), want) << v;
}

TEST(MediaFade, Curves) {
    struct Case {
        int s, g;
        int64_t t, T;
        MediaKind kind;
        int want;
    };
    const Case cases[] = {
        // A fade-in over 2000 ms of an Ogg item to volume 0 starts at -5000 and reaches 0.
        {-10000, 0, 0, 2000, MediaKind::Ogg, -5000},
        {-10000, 0, 1000, 2000, MediaKind::Ogg, -2500},
        {-10000, 0, 2000, 2000, MediaKind::Ogg, 0},
        // Falling through the upper half, then the goal at the end.
        {0, -10000, 0, 1000, MediaKind::Ogg, 0},
        {0, -10000, 999, 1000, MediaKind::Ogg, -4995},
        {0, -10000, 1000, 1000, MediaKind::Ogg, -10000},
        {-2500, -10000, 500, 1000, MediaKind::Ogg, -4375},
        // MIDI in a straight line.
        {-10000, 0, 500, 2000, MediaKind::Midi, -7500},
        {0, -10000, 250, 1000, MediaKind::Midi, -2500},
        {0, -10000, 1200, 1000, MediaKind::Midi, -10000},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FadeVolume(c.s, c.g, c.t, c.T, c.kind), c.want)
            << c.s << "->" << c.g << " @" << c.t;
}

struct ManagerTest : ::testing::Test {
    test::Headless h;
    test::MemoryFiles files;
    TDecodeFeeder feeder{h.audio->Clock()};
};

TEST_F(ManagerTest, SuspensionResumesOnlyWhatPlayed) {
    files.files["a.wav"] = WavFile(44100);
    files.files["b.wav"] = WavFile(44100);
    TOggManager m(h.audio->Bus(), h.audio->Clock(), feeder, files.Sources(), true, 500);
    auto a = m.Open("a.wav"), b = m.Open("b.wav");
    a->Play();
    b->Play();
    b->Pause();
    h.Advance(10);
    m.Suspend();
    EXPECT_FALSE(a->IsPlaying());
    const int at = a->GetPosition();
    h.Advance(100);
    EXPECT_EQ(a->GetPosition(), at);
    m.Resume();
    EXPECT_TRUE(a->IsPlaying());
    EXPECT_TRUE(b->IsPaused());
    EXPECT_FALSE(b->IsPlaying());
}

TEST_F(ManagerTest, SoundSwitchHoldsPlayUntilItIsOn) {
    files.files["a.ogg"] = EncodeOggVorbis(Sine(44100, 440, 44100), 2, 44100);
    TOggManager m(h.audio->Bus(), h.audio->Clock(), feeder, files.Sources(), true, 500);
    auto a = m.Open("a.ogg");
    m.SetEnabled(false);
    a->Play();
    h.Advance(50);
    EXPECT_FALSE(a->IsPlaying());
    EXPECT_EQ(test::FirstSound(h.Mix()), h.Frames());
    m.SetEnabled(true);
    EXPECT_TRUE(a->IsPlaying());
    // Switched off while playing: paused, and on again: on from there.
    h.Advance(20);
    m.SetEnabled(false);
    EXPECT_FALSE(a->IsPlaying());
    m.SetEnabled(true);
    EXPECT_TRUE(a->IsPlaying());
}

TEST_F(ManagerTest, WaveOutPathPlaysEveryFormat) {
    // The mixer's own table has no 48 kHz and no 24 bits: those play converted.
    files.files["hi.wav"] =
        MakeWavBytes({1, 48000, 16}, test::Bytes16(Sine(48000, 1000, 48000, 1)));
    TOggManager m(h.audio->Bus(), h.audio->Clock(), feeder, files.Sources(), false, 100);
    auto item = m.Open("hi.wav");
    EXPECT_NE(dynamic_cast<TOggWaveItem*>(item.get()), nullptr);
    item->Play();
    h.Advance(1500);
    // The mixer's first block comes with its first feed.
    EXPECT_NEAR(test::Pitch(h.Mix(), test::FirstSound(h.Mix()), 40000, 44100), 1000, 5);
    EXPECT_TRUE(item->IsEnd());
    EXPECT_EQ(item->GetLength(), 1000);
    // An Ogg file plays there too.
    files.files["a.ogg"] = EncodeOggVorbis(Sine(4410, 440, 44100), 2, 44100);
    auto ogg = m.Open("a.ogg");
    EXPECT_NE(dynamic_cast<TOggWaveItem*>(ogg.get()), nullptr);
    ogg->Play();
    const size_t from = h.Frames();
    h.Advance(500);
    EXPECT_NEAR(test::Pitch(h.Mix(), test::FirstSound(h.Mix(), from), 4000, 44100), 440, 15);
    EXPECT_TRUE(ogg->IsEnd());
}

TEST_F(ManagerTest, WaveItemKeptPastTheMixerDoesNothing) {
    auto out = std::make_unique<TWavOut>(h.audio->Bus(), h.audio->Clock(), 100);
    out->Open();
    auto item = std::make_unique<TOggWaveItem>(*out, test::WavOf({2, 44100, 16}, WavFile(4410)));
    item->Play();
    h.Advance(50);
    out.reset();  // closes the mixer and frees it
    item->Play();
    item->SetVol(-100);
    item->SetPosition(10);
    EXPECT_FALSE(item->IsPlaying());
    EXPECT_EQ(item->GetPosition(), 0);
    item.reset();
}

TEST_F(ManagerTest, CdTracksComeFromFiles) {
    files.files["track03.ogg"] = EncodeOggVorbis(Sine(44100 * 2, 440, 44100), 2, 44100);
    files.files["track05.wav"] = WavFile(44100 * 3);
    TCddaManager m(h.audio->Bus(), feeder, files.Sources());
    EXPECT_EQ(m.TrackFile(3), "track03.ogg");
    EXPECT_EQ(m.TrackFile(5), "track05.wav");
    EXPECT_EQ(m.Open("CD_x"), nullptr);
    EXPECT_EQ(m.Open("CD_04"), nullptr);
    auto three = m.Open("CD_3"), five = m.Open("CD_05");
    ASSERT_TRUE(three && five);
    EXPECT_EQ(static_cast<TCddaItem*>(three.get())->Track(), 3);
    EXPECT_EQ(five->GetLength(), 3000);
    // Whole seconds.
    three->Play();
    h.Advance(1500);
    EXPECT_EQ(three->GetPosition(), 1000);
    // One CD at a time.
    five->Play();
    EXPECT_FALSE(three->IsPlaying());
    EXPECT_TRUE(five->IsPlaying());
    // The CD line: -5000 and below silent, then a straight line to the full level.
    five->SetVol(-2500);
    const size_t from = h.Frames();
    h.Advance(100);
    EXPECT_NEAR(test::Peak(h.Mix(), from, 4410, 0), 6000, 60);
    five->SetVol(-6000);
    const size_t quiet = h.Frames();
    h.Advance(50);
    EXPECT_EQ(test::Peak(h.Mix(), quiet + 50, 2000, 0), 0);
}

std::vector<uint8_t> Song(int notes) {
    test::TrackBuilder t;
    t.Ev(0, {0xC0, 0});
    for (int i = 0; i < notes; ++i)
        t.Ev(0, {0x90, uint8_t(60 + i), 100}).Ev(96, {0x80, uint8_t(60 + i), 0});
    t.End();
    return test::MakeSmf(0, 96, {t});
}

TEST_F(ManagerTest, MidiItemsShareTheSequencer) {
    files.files["a.mid"] = Song(4);  // 2000 ms
    files.files["b.mid"] = Song(2);  // 1000 ms
    files.files["junk.mid"] = std::vector<uint8_t>(100, 0x20);
    TMidiManager m(h.audio->Clock(), {}, files.Sources());
    auto a = m.Open("a.mid"), b = m.Open("b.mid"), junk = m.Open("junk.mid");
    EXPECT_EQ(a->GetLength(), 2000);
    EXPECT_EQ(b->GetLength(), 1000);
    a->Play();
    h.Advance(500);
    EXPECT_TRUE(a->IsPlaying());
    EXPECT_NEAR(a->GetPosition(), 500, 10);
    // The item last played owns the sequencer; the other stops where it was.
    b->Play();
    EXPECT_FALSE(a->IsPlaying());
    EXPECT_TRUE(b->IsPlaying());
    h.Advance(1100);
    EXPECT_TRUE(b->IsEnd());
    EXPECT_FALSE(b->IsEnd());
    a->Play();
    EXPECT_NEAR(a->GetPosition(), 500, 10);
    // Pause keeps the position, Play goes on from it.
    h.Advance(300);
    a->Pause();
    const int at = a->GetPosition();
    h.Advance(300);
    EXPECT_EQ(a->GetPosition(), at);
    a->Play();
    EXPECT_TRUE(a->IsPlaying());
    // Not MIDI: plays nothing and ends at once.
    junk->Play();
    h.Advance(20);
    EXPECT_TRUE(junk->IsEnd());
    // Released while it owns the sequencer: nothing plays on.
    a->Play();
    m.Release(a.get());
    EXPECT_FALSE(m.Sequencer().IsPlaying());
    EXPECT_EQ(m.SequencerOwner(), nullptr);
}

TEST_F(ManagerTest, MidiPortsStartWithTheMapper) {
    TMidiManager m(h.audio->Clock(), {}, files.Sources());
    ASSERT_EQ(m.PortNames().size(), 1u);
    EXPECT_EQ(m.PortName(), VESK_JP("MIDIマッパー"));
    EXPECT_FALSE(m.SelectPort("nothing"));
    EXPECT_TRUE(m.SelectPort(VESK_JP("MIDIマッパー")));
}

// Pictures of one colour each: red, green, blue, white, ... at 10 per second.
const uint32_t kColours[] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0xFFFF00,
                             0x00FFFF, 0xFF00FF, 0x808080, 0x000000, 0xFF8000};

std::vector<uint8_t> ColourVideo(bool sound) {
    test::TempDir dir;
    const std::string path = dir / "v.wmv";
    TVideoPictures pictures;
    pictures.width = 64;
    pictures.height = 48;
    pictures.fps = 10;
    pictures.frames = 10;
    pictures.paint = [](int i, uint32_t* px, int pitch) {
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x) px[y * (pitch / 4) + x] = kColours[i];
    };
    WriteWindowsMedia(path, sound ? Sine(44100, 300, 44100) : std::vector<int16_t>{}, pictures);
    return ReadWholeFile(path);
}

// Each channel rounded to the nearest 0x40 (at most 0xFF): the codec is lossy.
uint32_t Coarse(uint32_t c) {
    uint32_t out = 0;
    for (int sh = 0; sh < 24; sh += 8)
        out |= std::min<uint32_t>((((c >> sh) & 255) + 0x20) / 0x40 * 0x40, 255) << sh;
    return out;
}

uint32_t CentreColour(TDIBX& f) {
    uint32_t p;
    std::memcpy(&p, f.PixelAddress(f.Width() / 2, f.Height() / 2), 4);
    return Coarse(p);
}

TEST_F(ManagerTest, VideoPicturesFollowTheFrameClock) {
    files.files["v.wmv"] = ColourVideo(true);
    TVideoManager m(h.audio->Bus(), feeder, files.Sources());
    auto v = m.Open("v.wmv");
    EXPECT_EQ(v->SourceWidth(), 64);
    EXPECT_EQ(v->SourceHeight(), 48);
    EXPECT_TRUE(v->HasSound());
    EXPECT_NEAR(v->GetLength(), 1000, 30);
    // The first picture is there before playing.
    EXPECT_TRUE(v->NeedPaint());
    EXPECT_EQ(CentreColour(v->Frame()), Coarse(kColours[0]));
    v->Play();
    for (int ms : {50, 100, 100, 100}) {
        m.Update(ms);
        h.Advance(uint32_t(ms));
    }
    // 350 ms: the fourth picture.
    EXPECT_TRUE(v->NeedPaint());
    EXPECT_FALSE(v->NeedPaint());
    EXPECT_EQ(CentreColour(v->Frame()), Coarse(kColours[3]));
    EXPECT_EQ(v->GetPosition(), 350);
    v->SetPosition(720);
    EXPECT_EQ(CentreColour(v->Frame()), Coarse(kColours[7]));
    m.Update(400);
    EXPECT_TRUE(v->IsEnd());
    EXPECT_FALSE(v->IsPlaying());
    // Repeating: round again from the start.
    v->SetAutoRepeat(true);
    v->Play();
    EXPECT_EQ(v->GetPosition(), 0);
    m.Update(1050);
    EXPECT_FALSE(v->IsEnd());
    EXPECT_EQ(v->GetPosition(), 1050 - v->GetLength());
    EXPECT_EQ(CentreColour(v->Frame()), Coarse(kColours[0]));
}

TEST_F(ManagerTest, VideoWithoutPicturesIsTheSoundDataError) {
    test::TempDir dir;
    WriteWindowsMedia(dir / "a.wma", Sine(4410, 300, 44100), TVideoPictures{});
    files.files["a.wma"] = ReadWholeFile(dir / "a.wma");
    files.files["junk.wmv"] = std::vector<uint8_t>(3000, 0x11);
    TVideoManager m(h.audio->Bus(), feeder, files.Sources());
    for (const char* name : {"a.wma", "junk.wmv"}) {
        try {
            m.Open(name);
            ADD_FAILURE() << name;
        } catch (const VeskError& e) {
            EXPECT_EQ(e.Text(), VESK_JP("サウンドデータが不正です")) << name;
        }
    }
    EXPECT_EQ(m.Count(), 0u);
}

TEST_F(ManagerTest, SilentVideoStillPlaysItsPictures) {
    files.files["v.wmv"] = ColourVideo(false);
    TVideoManager m(h.audio->Bus(), feeder, files.Sources());
    auto v = m.Open("v.wmv");
    EXPECT_FALSE(v->HasSound());
    v->Play();
    m.Update(250);
    EXPECT_EQ(CentreColour(v->Frame()), Coarse(kColours[2]));
}

}  // namespace
}  // namespace vesk
