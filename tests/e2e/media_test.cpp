// Sound, music and video in whole games: the headless player writes what it mixed
// (--audio-out), and the file shows where each sound started, faded, looped and stopped.
#include <cstring>

#include "../media/smf_builder.h"
#include "media/audio_format.h"
#include "media/fluid_synth.h"
#include "media/media_writer.h"
#include "media/wav_file.h"
#include "scene_fixture.h"

namespace vesk::e2e {
namespace {

constexpr const char* kProject = "ProjectName: Media\nScreen: 160, 120\nStartPage: main.lsb\n";

// Interleaved stereo samples of a WAV file the player wrote.
std::vector<int16_t> ReadSound(const fs::path& p) {
    TWavStream s(std::make_unique<MemoryStream>(ReadWholeFile(p.string())));
    EXPECT_EQ(s.GetFormat().samplesPerSec, 44100);
    EXPECT_EQ(s.GetFormat().channels, 2);
    std::vector<uint8_t> bytes(size_t(s.GetSize()));
    bytes.resize(s.Read(bytes.data(), bytes.size()));
    std::vector<int16_t> out(bytes.size() / 2);
    std::memcpy(out.data(), bytes.data(), out.size() * 2);
    return out;
}

void WriteBytes(const fs::path& p, const std::vector<uint8_t>& b) {
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary)
        .write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
}

// Left sample at frame i is i + 1, right -(i + 1).
std::vector<uint8_t> Ramp(size_t frames) {
    std::vector<uint8_t> pcm;
    for (size_t i = 0; i < frames; ++i)
        for (int v : {int(i % 30000 + 1), -int(i % 30000 + 1)}) {
            pcm.push_back(uint8_t(v));
            pcm.push_back(uint8_t(uint16_t(v) >> 8));
        }
    return MakeWavBytes({2, 44100, 16}, pcm);
}

std::vector<uint8_t> Tone(size_t frames, int16_t level) {
    std::vector<uint8_t> pcm;
    for (size_t i = 0; i < frames * 2; ++i) {
        pcm.push_back(uint8_t(level));
        pcm.push_back(uint8_t(uint16_t(level) >> 8));
    }
    return MakeWavBytes({2, 44100, 16}, pcm);
}

size_t FirstSound(const std::vector<int16_t>& s, size_t from = 0) {
    for (size_t i = from; i * 2 + 1 < s.size(); ++i)
        if (s[i * 2] || s[i * 2 + 1]) return i;
    return s.size() / 2;
}

int Peak(const std::vector<int16_t>& s, size_t from, size_t frames) {
    int m = 0;
    for (size_t i = from; i < from + frames && i * 2 + 1 < s.size(); ++i)
        m = std::max({m, std::abs(int(s[i * 2])), std::abs(int(s[i * 2 + 1]))});
    return m;
}

TEST(MediaGameTest, SoundsStartFadeLoopAndStopOnTheirSamples) {
    Workspace w;
    w.Sources("src", {{"project.vpj", kProject},
                      {"main.vss",
                       // Frame 1: a looping ramp from 50 ms on; frame 2: a tone panned right at
                       // half volume; frame 30 (480 ms): the tone fades out over 160 ms.
                       "Sound PR_NAME: \"loop\", PR_SOURCE: \"ramp.wav\", PR_REPEAT: TRUE,\n"
                       "    PR_REPEATPOS: 50, PR_VOLUME: 1000\n"
                       "[yield] Calc 0\n"
                       "Sound PR_NAME: \"tone\", PR_SOURCE: \"se\\tone.wav\", PR_VOLUME: 800,\n"
                       "    PR_BALANCE: 1000\n"
                       "Wait Time: 448\n"
                       "MovieStop \"loop\", 0\n"
                       "MovieStop \"tone\", 160, TRUE\n"
                       "Wait Time: 1000\n"}});
    WriteBytes(w.Path("src/ramp.wav"), Ramp(4410));
    WriteBytes(w.Path("src/se/tone.wav"), Tone(44100 * 3, 10000));
    w.Build("src", "game");
    fs::path wav = w.Path("out.wav"), again = w.Path("again.wav");
    RunResult r = w.Play(w.Game("game") + " --frames 60 --audio-out " + Quote(wav.string()));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    std::vector<int16_t> s = ReadSound(wav);
    ASSERT_EQ(s.size() / 2, size_t(FramesAtMs(60 * 16)));
    // The ramp: from the first sample after frame 1's 16 ms, then rounds from 50 ms.
    const size_t start = size_t(FramesAtMs(16));
    ASSERT_EQ(FirstSound(s), start);
    const size_t toneStart = size_t(FramesAtMs(32));
    for (size_t i = 0; i < toneStart - start; ++i) ASSERT_EQ(s[(start + i) * 2], int16_t(i + 1));
    // From frame 2 on the tone adds: volume 800 is -1000 (-10 dB): 3162; balance 1000 takes
    // 10 dB more off the left: 1000.
    for (size_t i : {size_t(0), size_t(3000), size_t(9000)}) {
        const size_t f = toneStart + i;
        const size_t src = f - start < 4410 ? f - start : 2205 + (f - start - 4410) % 2205;
        ASSERT_EQ(s[f * 2], int16_t(src + 1 + 1000)) << i;
        ASSERT_EQ(s[f * 2 + 1], int16_t(-int(src + 1) + 3162)) << i;
    }
    // The loop stops and the tone's fade begins in frame 30 (480 ms): from the next sample
    // the loop is gone and the tone as it was; it falls from there, and 160 ms later the
    // object is gone and nothing sounds.
    const size_t fadeStart = size_t(FramesAtMs(480));
    EXPECT_EQ(s[(fadeStart - 1) * 2 + 1],
              int16_t(-int(2205 + (fadeStart - 1 - start - 4410) % 2205 + 1) + 3162));
    EXPECT_EQ(s[fadeStart * 2], 1000);
    EXPECT_EQ(s[fadeStart * 2 + 1], 3162);
    EXPECT_LT(Peak(s, size_t(FramesAtMs(600)), 100), 3162 / 2);
    EXPECT_EQ(Peak(s, size_t(FramesAtMs(640)), 2000), 0);
    EXPECT_EQ(FirstSound(s, size_t(FramesAtMs(640))), s.size() / 2);
    // The same game gives the same sound, sample for sample.
    r = w.Play(w.Game("game") + " --frames 60 --audio-out " + Quote(again.string()));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadWholeFile(wav.string()), ReadWholeFile(again.string()));
}

TEST(MediaGameTest, SoundSwitchSilencesAndResumes) {
    Workspace w;
    w.Sources("src", {{"project.vpj", kProject},
                      {"main.vss",
                       "Calc @SoundON = FALSE\n"
                       "Sound PR_SOURCE: \"tone.ogg\"\n"
                       "Wait Time: 200\n"
                       "Calc @SoundON = TRUE\n"
                       "Wait Time: 1000\n"}});
    WriteBytes(w.Path("src/tone.ogg"),
               EncodeOggVorbis(std::vector<int16_t>(44100 * 2 * 2, 8000), 2, 44100));
    w.Build("src", "game");
    fs::path wav = w.Path("out.wav");
    RunResult r = w.Play(w.Game("game") + " --frames 40 --audio-out " + Quote(wav.string()));
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<int16_t> s = ReadSound(wav);
    // Asked to play while the switch is off, it starts when the switch goes on.
    const size_t first = FirstSound(s);
    EXPECT_GT(first, size_t(FramesAtMs(200)));
    EXPECT_LT(first, size_t(FramesAtMs(300)));
    EXPECT_NEAR(Peak(s, first + 2000, 4000), 8000, 300);
}

TEST(MediaGameTest, MusicPlaysAndStopsWithAFade) {
    if (FindGmSoundFont().empty()) GTEST_SKIP() << "no General MIDI SoundFont installed";
    test::TrackBuilder t;
    t.Ev(0, {0xC0, 0});
    for (int i = 0; i < 16; ++i)
        t.Ev(0, {0x90, uint8_t(60 + i % 8), 100}).Ev(48, {0x80, uint8_t(60 + i % 8), 0});
    t.End();
    Workspace w;
    w.Sources("src", {{"project.vpj", kProject},
                      {"main.vss",
                       "Sound PR_NAME: \"bgm\", PR_SOURCE: \"bgm.mid\", PR_REPEAT: TRUE\n"
                       "Wait Time: 1000\n"
                       "MovieStop \"bgm\", 500, TRUE\n"
                       "Wait Time: 1500\n"}});
    WriteBytes(w.Path("src/bgm.mid"), test::MakeSmf(0, 96, {t}));
    w.Build("src", "game");
    fs::path wav = w.Path("out.wav");
    RunResult r = w.Play(w.Game("game") + " --frames 200 --audio-out " + Quote(wav.string()));
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<int16_t> s = ReadSound(wav);
    EXPECT_GT(Peak(s, size_t(FramesAtMs(200)), 20000), 1000);
    // Quiet once the fade has ended and the last notes have died away.
    EXPECT_LT(Peak(s, size_t(FramesAtMs(2900)), 10000), 50);
}

// Ten pictures of one colour each, a tenth of a second apiece.
const uint32_t kColours[] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0xFFFF00,
                             0x00FFFF, 0xFF00FF, 0x808080, 0x000000, 0xFF8000};

uint32_t Coarse(uint32_t c) {
    uint32_t out = 0;
    for (int sh = 0; sh < 24; sh += 8)
        out |= std::min<uint32_t>((((c >> sh) & 255) + 0x20) / 0x40 * 0x40, 255) << sh;
    return out;
}

TEST(MediaGameTest, VideoPicturesInScreenshotsAtChosenTicks) {
    Workspace w;
    w.Sources("src", {{"project.vpj", kProject},
                      {"main.vss",
                       "Movie PR_NAME: \"mv\", PR_SOURCE: \"movie\\intro.wmv\", PR_LEFT: 40,\n"
                       "    PR_TOP: 30\n"
                       "Wait Time: 3000\n"}});
    TVideoPictures pictures;
    pictures.fps = 10;
    pictures.frames = 10;
    pictures.paint = [](int i, uint32_t* px, int pitch) {
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x) px[y * (pitch / 4) + x] = kColours[i];
    };
    fs::create_directories(w.Path("src/movie"));
    WriteWindowsMedia(w.Path("src/movie/intro.wmv").string(), {}, pictures);
    w.Build("src", "game");
    // The picture of tick n shows the video at (n - 1) × 16 ms (it starts in tick 1 and moves
    // on after each tick's picture).
    const std::pair<int, int> shots[] = {{1, 0}, {8, 1}, {20, 3}, {45, 7}};
    std::string args = w.Game("game") + " --frames 50";
    for (auto [tick, pic] : shots)
        args += " --screenshot " + std::to_string(tick) + ":" +
                Quote(w.Path("s" + std::to_string(tick) + ".png").string());
    RunResult r = w.Play(args);
    ASSERT_EQ(r.status, 0) << r.err;
    for (auto [tick, pic] : shots) {
        Picture p = ReadPng(w.Path("s" + std::to_string(tick) + ".png"));
        ASSERT_TRUE(p.Ok()) << tick;
        EXPECT_EQ(Coarse(p.At(72, 54)), Coarse(kColours[pic])) << "tick " << tick;
        EXPECT_EQ(p.At(20, 20), 0u) << "tick " << tick;  // beside the video
    }
}

TEST(MediaGameTest, MissingAndDamagedMediaLetTheGameGoOn) {
    Workspace w;
    w.Sources("src", {{"project.vpj", kProject + std::string("Var: done, int, 0\n")},
                      {"main.vss",
                       "Sound PR_SOURCE: \"none.ogg\", PR_AUTOSCRAP: TRUE\n"
                       "Sound PR_SOURCE: \"bad.ogg\"\n"
                       "Sound PR_SOURCE: \"cut.wav\"\n"
                       "Movie PR_SOURCE: \"bad.wmv\"\n"
                       "Sound PR_SOURCE: \"song.mid\"\n"
                       "Calc done = 1\n"
                       "Wait Time: 300\n"
                       "Calc done = 2\n"}});
    WriteBytes(w.Path("src/bad.ogg"), std::vector<uint8_t>(400, 0x4F));
    auto cut = Tone(44100, 5000);
    cut.resize(cut.size() / 3);  // its header claims three times the data
    WriteBytes(w.Path("src/cut.wav"), cut);
    WriteBytes(w.Path("src/bad.wmv"), std::vector<uint8_t>(2000, 0x30));
    WriteBytes(w.Path("src/song.mid"), std::vector<uint8_t>(100, 0x01));
    w.Build("src", "game");
    fs::path wav = w.Path("out.wav");
    RunResult r =
        w.Play(w.Game("game") + " --frames 40 --dump-vars --audio-out " + Quote(wav.string()));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.Var("done"), 2);
    // Each bad file is told once, with the message the player shows.
    EXPECT_NE(r.err.find("サウンドデータが不正です"), std::string::npos) << r.err;
    // The part of the cut file that is there plays, and ends.
    std::vector<int16_t> s = ReadSound(wav);
    EXPECT_NEAR(Peak(s, 0, size_t(FramesAtMs(100))), 5000, 10);
    EXPECT_EQ(Peak(s, size_t(FramesAtMs(400)), 2000), 0);
}

}  // namespace
}  // namespace vesk::e2e
