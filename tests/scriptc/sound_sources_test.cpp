// Music and sound written as text: scores become MIDI files, tone lists WAV or Ogg files,
// and the game builder makes them when it builds a game.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>

#include "../vfs/vfs_fixture.h"
#include "base/stream.h"
#include "media/midi_file.h"
#include "media/vorbis_stream.h"
#include "media/wav_file.h"
#include "scriptc/game_builder.h"
#include "scriptc/sound_sources.h"

namespace vesk::scriptc {
namespace {

TEST(Score, NotesChordsRestsAndTracks) {
    const char* text =
        "// two tracks\n"
        "tempo 120\n"
        "track\n"
        "channel 2\n"
        "program 13\n"
        "velocity 70\n"
        "notes C4/4 E4+G4/8 r/8 A#3/2.\n"
        "track\n"
        "notes Bb2/1\n";
    TMidiV song;
    auto bytes = CompileScore("s.mid.txt", text);
    ASSERT_TRUE(song.Load(bytes.data(), bytes.size()));
    EXPECT_EQ(song.Format(), 1);
    EXPECT_EQ(song.TrackCount(), 3);  // the tempo's, then the two
    // Quarter 500 ms at 120 bpm; the dotted half ends at 500 + 250 + 250 + 1500 = 2500.
    EXPECT_EQ(song.LengthMs(), 2500);
    std::vector<std::pair<int64_t, std::vector<uint8_t>>> ons;
    for (const TMidiMsgEvent& e : song.Events())
        if (e.kind == kMidiShort && (e.bytes[0] & 0xF0) != 0x80) ons.push_back({e.ms, e.bytes});
    const std::vector<std::pair<int64_t, std::vector<uint8_t>>> want = {
        {0, {0xC1, 12}},       {0, {0x91, 60, 70}},   {0, {0x90, 46, 96}},
        {500, {0x91, 64, 70}}, {500, {0x91, 67, 70}}, {1000, {0x91, 58, 70}},
    };
    EXPECT_EQ(ons, want);
}

TEST(Score, MistakesNameTheirLine) {
    const std::pair<const char*, int> cases[] = {
        {"notes C4/4\nnotes H4/4\n", 2},
        {"tempo 2\n", 1},
        {"channel 17\n", 1},
        {"notes C4/5\n", 1},
        {"drums on\n", 1},
        {"\n\nnotes\n", 3},
        {"notes C10/4\n", 1},
    };
    for (auto [text, line] : cases) {
        try {
            CompileScore("s.mid.txt", text);
            ADD_FAILURE() << text;
        } catch (const SourceError& e) {
            EXPECT_EQ(e.Loc().Line, line) << text;
            EXPECT_EQ(e.File(), "s.mid.txt");
        }
    }
}

TEST(Tones, LengthAndPitch) {
    SynthSound s = SynthesizeTones("t.wav.txt",
                                   "rate 22050\nchannels 2\ntone sine 441 100 0.5\nrest 50\n"
                                   "tone square 1000..2000 20 1 decay\n");
    EXPECT_EQ(s.rate, 22050);
    ASSERT_EQ(s.samples.size(), size_t(22050 * 170 / 1000) * 2);
    int crossings = 0, peak = 0;
    for (size_t i = 1; i < 2205; ++i) {
        crossings += s.samples[(i - 1) * 2] < 0 && s.samples[i * 2] >= 0;
        peak = std::max(peak, std::abs(int(s.samples[i * 2])));
    }
    EXPECT_NEAR(crossings, 44, 1);
    EXPECT_NEAR(peak, 16384, 200);
    for (size_t i = 2205; i < 2205 + 1102; ++i) ASSERT_EQ(s.samples[i * 2], 0);
    EXPECT_THROW(SynthesizeTones("t", "tone saw 100 10\n"), SourceError);
    EXPECT_THROW(SynthesizeTones("t", "tone sine 100 70000\n"), SourceError);
    EXPECT_THROW(SynthesizeTones("t", "channels 3\n"), SourceError);
}

TEST(Tones, LayersNoiseColourAndSwells) {
    auto rms = [](const SynthSound& s, size_t from, size_t to) {
        double sum = 0;
        for (size_t i = from; i < to; ++i) sum += double(s.samples[i]) * s.samples[i];
        return std::sqrt(sum / double(to - from));
    };
    auto crossings = [](const SynthSound& s) {
        int n = 0;
        for (size_t i = 1; i < s.samples.size(); ++i)
            n += (s.samples[i - 1] < 0) != (s.samples[i] < 0);
        return n;
    };
    // `at` goes back in time: two equal tones from 0 add up; a later one leaves silence
    // before it and sets the length.
    SynthSound layered =
        SynthesizeTones("t",
                        "rate 10000\ntone sine 50 100 0.25\nat 0\ntone sine 50 100 0.25\nat 300\n"
                        "tone sine 50 100 0.25\n");
    ASSERT_EQ(layered.samples.size(), 4000u);
    EXPECT_NEAR(*std::max_element(layered.samples.begin(), layered.samples.begin() + 1000), 16384,
                200);
    EXPECT_NEAR(*std::max_element(layered.samples.begin() + 3000, layered.samples.end()), 8192,
                200);
    for (size_t i = 1000; i < 3000; ++i) ASSERT_EQ(layered.samples[i], 0) << i;
    // Noise takes its frequency as a low-pass: a low one crosses zero far less often, at
    // about the same loudness.
    SynthSound low = SynthesizeTones("t", "tone noise 200 500 0.3\n");
    SynthSound high = SynthesizeTones("t", "tone noise 8000 500 0.3\n");
    EXPECT_LT(crossings(low) * 5, crossings(high));
    const double lowRms = rms(low, 0, low.samples.size());
    const double highRms = rms(high, 0, high.samples.size());
    EXPECT_GT(lowRms, highRms * 0.5);
    EXPECT_LT(lowRms, highRms * 2);
    // A swell starts and ends quiet and is loudest in the middle.
    SynthSound swell = SynthesizeTones("t", "tone sine 440 1000 0.5 swell\n");
    const size_t n = swell.samples.size();
    EXPECT_LT(rms(swell, 0, n / 20) * 4, rms(swell, n * 9 / 20, n * 11 / 20));
    EXPECT_LT(rms(swell, n * 19 / 20, n) * 4, rms(swell, n * 9 / 20, n * 11 / 20));
    for (const char* bad : {"at -5\n", "at\n", "tone sine 100 10 0.5 loud\n",
                            "tone sine 100 10 0.5 decay more\n", "at 59999\ntone sine 9 10\n"})
        EXPECT_THROW(SynthesizeTones("t", bad), SourceError) << bad;
}

TEST(SoundSources, TheBuilderMakesThem) {
    test::TempDir dir;
    auto write = [&](const std::string& rel, const std::string& text) {
        std::ofstream(dir / rel, std::ios::binary) << text;
    };
    write("src/project.vpj", "StartPage: main.lsb\n");
    write("src/main.vss", "Terminate\n");
    write("src/music/theme.mid.txt", "notes C4/4 D4 E4\n");
    write("src/se/beep.ogg.txt", "tone sine 880 200\n");
    write("src/se/blip.WAV.txt", "tone triangle 440 50\n");
    BuildReport r = BuildGame(dir / "src", dir / "out", {});
    std::sort(r.Assets.begin(), r.Assets.end());
    EXPECT_EQ(r.Assets,
              (std::vector<std::string>{"music/theme.mid", "se/beep.ogg", "se/blip.WAV"}));
    auto mid = ReadWholeFile(dir / "out/music/theme.mid");
    TMidiV song;
    ASSERT_TRUE(song.Load(mid.data(), mid.size()));
    EXPECT_EQ(song.LengthMs(), 1500);
    TVorbisStream ogg(std::make_unique<MemoryStream>(ReadWholeFile(dir / "out/se/beep.ogg")));
    EXPECT_EQ(ogg.GetLen(), 200);
    TWavStream wav(std::make_unique<MemoryStream>(ReadWholeFile(dir / "out/se/blip.WAV")));
    EXPECT_EQ(wav.GetLen(), 50);
    EXPECT_FALSE(std::filesystem::exists(dir / "out/music/theme.mid.txt"));
}

}  // namespace
}  // namespace vesk::scriptc
