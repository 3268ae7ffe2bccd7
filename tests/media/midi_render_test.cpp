#include "media/offline_render.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "base/error.h"
#include "media/fluid_synth.h"
#include "smf_builder.h"

namespace vesk {
namespace {

using test::MakeSmf;
using test::TrackBuilder;

// Root mean square of the left channel between two times.
double Rms(const std::vector<int16_t>& s, int fromMs, int toMs) {
    size_t a = size_t(fromMs) * 441 / 10, b = size_t(toMs) * 441 / 10;
    double sum = 0;
    for (size_t i = a; i < b && 2 * i < s.size(); ++i) sum += double(s[2 * i]) * s[2 * i];
    return std::sqrt(sum / double(b - a));
}

// Milliseconds of the first left sample louder than `level` at or after `fromMs`.
int OnsetMs(const std::vector<int16_t>& s, int fromMs, int level) {
    for (size_t i = size_t(fromMs) * 441 / 10; 2 * i < s.size(); ++i)
        if (std::abs(s[2 * i]) > level) return int(i * 10 / 441);
    return -1;
}

TEST(MidiRender, SoundWhereTheNotesAre) {
    if (FindGmSoundFont().empty()) GTEST_SKIP() << "no General MIDI SoundFont installed";
    // 96 ticks are 500 ms: a chord from 0 to 500 ms, rest, then a note from 2000 to 2500 ms.
    TrackBuilder t;
    t.Ev(0, {0xC0, 80})
        .Ev(0, {0x90, 60, 120})
        .Ev(0, {64, 120})
        .Ev(96, {0x80, 60, 0})
        .Ev(0, {0x80, 64, 0})
        .Ev(288, {0x90, 67, 120})
        .Ev(96, {0x80, 67, 0})
        .End();
    auto smf = MakeSmf(0, 96, {t});
    MidiRenderOptions opt;
    opt.tailMs = 500;
    MidiRenderResult r = RenderMidi(smf, opt);
    EXPECT_EQ(r.lengthMs, 2500);
    ASSERT_GE(r.samples.size(), size_t(2 * 44100 * 3));
    const double first = Rms(r.samples, 50, 450);
    const double gap = Rms(r.samples, 1200, 1950);
    const double second = Rms(r.samples, 2100, 2450);
    EXPECT_GT(first, 300);
    EXPECT_GT(second, 300);
    EXPECT_LT(gap * 10, first);
    EXPECT_LT(Rms(r.samples, 0, 9), 1.0);  // nothing before the sequencer's first step
    // Notes start on the first 10 ms step at or after their time.
    const int on1 = OnsetMs(r.samples, 0, 200), on2 = OnsetMs(r.samples, 1950, 200);
    EXPECT_GE(on1, 10);
    EXPECT_LE(on1, 40);
    EXPECT_GE(on2, 2010);
    EXPECT_LE(on2, 2040);

    // Headless runs must hear the same thing every time.
    EXPECT_EQ(RenderMidi(smf, opt).samples, r.samples);

    // Played twice with repeat: the chord comes again after the end.
    opt.repeat = 2;
    MidiRenderResult twice = RenderMidi(smf, opt);
    EXPECT_GT(Rms(twice.samples, 2560, 2950), 300);
}

TEST(MidiRender, RejectsWhatIsNotMidi) {
    if (FindGmSoundFont().empty()) GTEST_SKIP() << "no General MIDI SoundFont installed";
    EXPECT_THROW(RenderMidi({1, 2, 3}, {}), VeskError);
}

}  // namespace
}  // namespace vesk
