#include "media/midi_file.h"

#include <gtest/gtest.h>

#include "smf_builder.h"

namespace vesk {
namespace {

using test::MakeSmf;
using test::TrackBuilder;

std::vector<int64_t> Times(const TMidiV& m) {
    std::vector<int64_t> t;
    for (const auto& e : m.Events()) t.push_back(e.ms);
    return t;
}

TEST(MidiFile, RejectsFilesWithoutHeader) {
    TMidiV m;
    std::vector<uint8_t> notMidi{'R', 'I', 'F', 'F', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96};
    EXPECT_FALSE(m.Load(notMidi.data(), notMidi.size()));
    EXPECT_FALSE(m.Loaded());
    EXPECT_TRUE(m.Events().empty());
    auto zeroDivision = MakeSmf(0, 0, {TrackBuilder().Ev(0, {0x90, 60, 100}).End()});
    EXPECT_FALSE(m.Load(zeroDivision.data(), zeroDivision.size()));
    EXPECT_FALSE(m.Load(zeroDivision.data(), 10));
}

TEST(MidiFile, TimesFollowTempoWithPerEventRounding) {
    // 480 ticks per quarter at 500000 us: 1.0416667 ms per tick, rounded at each event.
    TrackBuilder t;
    t.Ev(0, {0x90, 60, 100}).Ev(480, {0x80, 60, 0});
    for (int i = 0; i < 10; ++i) t.Ev(1, {0xB0, 1, uint8_t(i)});
    t.Tempo(0, 250000).Ev(480, {0x90, 62, 100}).End(960);
    TMidiV m;
    auto f = MakeSmf(0, 480, {t});
    ASSERT_TRUE(m.Load(f.data(), f.size()));
    std::vector<int64_t> want{0, 500};
    for (int i = 1; i <= 10; ++i) want.push_back(500 + i);  // 1.04 rounds to 1 each time
    want.push_back(510);                                    // the tempo event, at its own time
    want.push_back(760);                                    // 480 ticks at the new tempo
    want.push_back(1260);
    EXPECT_EQ(Times(m), want);
    EXPECT_EQ(m.LengthMs(), 1260);
    EXPECT_EQ(m.Events()[3].delta, 1);
}

TEST(MidiFile, TracksMergeInTickOrderAndKeepFileOrderOnTies) {
    TrackBuilder a, b;
    a.Ev(0, {0xC0, 5}).Ev(96, {0x90, 60, 1}).End();
    b.Ev(0, {0xC1, 6}).Ev(48, {0x91, 61, 1}).Ev(48, {0x81, 61, 0}).End();
    TMidiV m;
    auto f = MakeSmf(1, 96, {a, b});
    ASSERT_TRUE(m.Load(f.data(), f.size()));
    std::vector<std::pair<int64_t, int>> got;
    for (const auto& e : m.Events()) got.push_back({e.tick, e.track});
    std::vector<std::pair<int64_t, int>> want{{0, 0},  {0, 1},  {48, 1}, {96, 0},
                                              {96, 0}, {96, 1}, {96, 1}};
    EXPECT_EQ(got, want);
    EXPECT_EQ(m.TrackCount(), 2);
}

TEST(MidiFile, ParsesRunningStatusSysExAndMeta) {
    TrackBuilder t;
    t.Ev(0, {0xFF, 0x03, 3, 'P', 'n', 'o'})
        .Ev(0, {0xF0, 3, 0x7E, 0x7F, 0xF7})
        .Ev(0, {0x90, 60, 100})
        .Ev(10, {62, 90})  // running status
        .Ev(10, {0xC0, 7})
        .Ev(0, {8})  // running status with one data byte
        .Ev(10, {0x80, 60, 0})
        .End();
    TMidiV m;
    auto f = MakeSmf(0, 96, {t});
    ASSERT_TRUE(m.Load(f.data(), f.size()));
    const auto& ev = m.Events();
    ASSERT_EQ(ev.size(), 8u);
    EXPECT_EQ(ev[0].kind, kMidiMeta);
    EXPECT_EQ(ev[0].metaType, 3);
    EXPECT_EQ(ev[0].bytes, (std::vector<uint8_t>{'P', 'n', 'o'}));
    EXPECT_EQ(ev[1].kind, kMidiSysEx);
    EXPECT_EQ(ev[1].bytes, (std::vector<uint8_t>{0xF0, 0x7E, 0x7F, 0xF7}));
    EXPECT_EQ(ev[3].bytes, (std::vector<uint8_t>{0x90, 62, 90}));
    EXPECT_EQ(ev[5].bytes, (std::vector<uint8_t>{0xC0, 8}));
    EXPECT_EQ(ev[7].metaType, 0x2F);
    EXPECT_EQ(m.Tracks()[0].name, "Pno");
    const auto& notes = m.Tracks()[0].channels[0].notes;
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_DOUBLE_EQ(notes[0].start, 0);
    EXPECT_DOUBLE_EQ(notes[0].end, 30.0 / 96);
    EXPECT_EQ(notes[1].end, -1);
}

TEST(MidiFile, ZeroLengthTrackAndEventsAtTickZero) {
    TrackBuilder t;
    t.Ev(0, {0x90, 60, 100}).Ev(0, {0x80, 60, 0}).End();
    // The zero-length track is immediately followed by the next chunk.
    auto f = MakeSmf(1, 96, {TrackBuilder(), t});
    TMidiV m;
    ASSERT_TRUE(m.Load(f.data(), f.size()));
    EXPECT_EQ(m.Events().size(), 3u);
    EXPECT_EQ(m.Events()[0].track, 1);
    EXPECT_EQ(m.LengthMs(), 0);
}

TEST(MidiFile, TimeSignatureBuildsBeatMap) {
    TrackBuilder t;
    t.Ev(0, {0xFF, 0x58, 4, 3, 2, 24, 8}).Ev(96 * 6, {0x90, 1, 1}).End();
    auto f = MakeSmf(0, 96, {t});
    TMidiV m;
    ASSERT_TRUE(m.Load(f.data(), f.size()));
    ASSERT_EQ(m.Rhythms().size(), 1u);
    EXPECT_EQ(m.Rhythms()[0].numerator, 3);
    EXPECT_EQ(m.Rhythms()[0].denominator, 4);
    EXPECT_EQ(m.Rhythms()[0].ticksPerBeat, 96);
    const auto& v = m.Vibrants();
    ASSERT_EQ(v.size(), 7u);  // beats at ticks 0 .. 576
    EXPECT_EQ(v[3].measure, 2);
    EXPECT_EQ(v[3].beat, 1);
    EXPECT_EQ(v[3].ms, 1500);
    EXPECT_EQ(v[6].measure, 3);
}

TEST(MidiFile, SmpteDivisionCountsRealTime) {
    TrackBuilder t;
    t.Ev(0, {0x90, 60, 1}).Ev(1000, {0x80, 60, 0}).End();
    auto f = MakeSmf(0, uint16_t((uint8_t(-25) << 8) | 40), {t});  // 25 fps x 40 = 1000 per s
    TMidiV m;
    ASSERT_TRUE(m.Load(f.data(), f.size()));
    EXPECT_EQ(Times(m), (std::vector<int64_t>{0, 1000, 1000}));
}

TEST(MidiFile, DamagedTracksKeepWhatCameBefore) {
    struct Case {
        const char* name;
        std::vector<uint8_t> tail;  // appended after a good note-on
        size_t events;
    };
    const Case cases[] = {
        {"unterminated", {}, 1},
        {"half message", {0x00, 0x90, 60}, 1},
        {"five-byte delta", {0x81, 0x81, 0x81, 0x81, 0x01, 0x80, 60, 0}, 1},
        {"sysex longer than file", {0x00, 0xF0, 0x8F, 0xFF, 0xFF, 0x7F, 0x01}, 1},
        {"meta longer than file", {0x00, 0xFF, 0x01, 0x7F, 'a'}, 1},
        {"running status at start of nothing", {0x00, 0xF3, 1}, 1},
    };
    for (const Case& c : cases) {
        TrackBuilder t;
        t.Ev(0, {0x90, 60, 100});
        t.data.insert(t.data.end(), c.tail.begin(), c.tail.end());
        auto f = MakeSmf(0, 96, {t}, {}, 50000);  // an absurd track count as well
        TMidiV m;
        EXPECT_TRUE(m.Load(f.data(), f.size())) << c.name;
        EXPECT_EQ(m.Events().size(), c.events) << c.name;
    }
    TrackBuilder first;
    first.Ev(0, {0x40, 1});  // data byte with no status before it
    auto f = MakeSmf(0, 96, {first});
    TMidiV m;
    EXPECT_TRUE(m.Load(f.data(), f.size()));
    EXPECT_TRUE(m.Events().empty());
}

TEST(MidiFile, LyingTrackLengths) {
    TrackBuilder a, b;
    a.Ev(0, {0x90, 60, 100}).End(10);
    b.Ev(5, {0x91, 61, 100}).End(10);
    TMidiV m;
    // Lengths far too large and too small: the end-of-track event decides.
    for (int64_t bad : {int64_t(0xFFFFFFF0), int64_t(2)}) {
        auto f = MakeSmf(1, 96, {a, b}, {bad, -1});
        ASSERT_TRUE(m.Load(f.data(), f.size()));
        EXPECT_EQ(m.Events().size(), 4u) << bad;
    }
    // Padding after the end-of-track event inside a correct length is skipped.
    TrackBuilder padded = a;
    padded.data.insert(padded.data.end(), {0, 0, 0});
    auto f = MakeSmf(1, 96, {padded, b});
    ASSERT_TRUE(m.Load(f.data(), f.size()));
    EXPECT_EQ(m.Events().size(), 4u);
    // An unknown chunk between tracks is skipped.
    auto g = MakeSmf(1, 96, {a});
    std::vector<uint8_t> alien{'X', 'Y', 'Z', 'W', 0, 0, 0, 2, 1, 2};
    g.insert(g.end(), alien.begin(), alien.end());
    auto h = MakeSmf(1, 96, {b});
    g.insert(g.end(), h.begin() + 14, h.end());
    g[11] = 2;
    ASSERT_TRUE(m.Load(g.data(), g.size()));
    EXPECT_EQ(m.Events().size(), 4u);
}

}  // namespace
}  // namespace vesk
