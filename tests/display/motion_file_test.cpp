// Motion files: the stored layout, hostile bytes, offsets as text, and a box that loads one.
#include "display/motion_file.h"

#include <gtest/gtest.h>

#include <map>

#include "base/endian.h"
#include "display_fixture.h"

namespace vesk {
namespace {

using namespace test;
using Bytes = std::vector<uint8_t>;

// A file built by hand, so the tests pin the layout rather than the writer.
Bytes Raw(int32_t count, int32_t loop, const std::vector<int32_t>& xy, uint16_t version = 1,
          uint16_t flags = 0, const char* magic = "VMOT") {
    Bytes b(magic, magic + 4);
    AppendLe16(b, version);
    AppendLe16(b, flags);
    AppendLe32(b, uint32_t(count));
    AppendLe32(b, uint32_t(loop));
    for (int32_t v : xy) AppendLe32(b, uint32_t(v));
    return b;
}

TMotionTrack Track(std::vector<TMotionTrack::TOffset> offsets, int32_t loop) {
    TMotionTrack t;
    t.Offsets = std::move(offsets);
    t.LoopStart = loop;
    return t;
}

bool Same(const TMotionTrack& a, const TMotionTrack& b) {
    if (a.LoopStart != b.LoopStart || a.Offsets.size() != b.Offsets.size()) return false;
    for (size_t i = 0; i < a.Offsets.size(); ++i)
        if (a.Offsets[i].X != b.Offsets[i].X || a.Offsets[i].Y != b.Offsets[i].Y) return false;
    return true;
}

TEST(MotionFile, WriterProducesTheDocumentedLayout) {
    const Bytes want = Raw(2, 1, {3, -4, INT32_MIN, INT32_MAX});
    EXPECT_EQ(WriteMotionFile(Track({{3, -4}, {INT32_MIN, INT32_MAX}}, 1)), want);
    EXPECT_EQ(want.size(), kMotionHeaderSize + 2 * 8);
}

TEST(MotionFile, RoundTrips) {
    const TMotionTrack cases[] = {
        Track({{0, 0}}, 0),
        Track({{1, 2}, {3, 4}, {5, 6}}, 2),
        Track({{-1, -1}, {INT32_MAX, INT32_MIN}}, 0),
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.Offsets.size());
        EXPECT_TRUE(Same(ReadMotionFile(WriteMotionFile(t)), t));
    }
}

TEST(MotionFile, HostileBytesAreClearErrors) {
    Bytes truncated = Raw(2, 0, {1, 2, 3, 4});
    truncated.pop_back();
    Bytes trailing = Raw(1, 0, {1, 2});
    trailing.push_back(0);
    Bytes cutHeader = Raw(1, 0, {});
    cutHeader.resize(10);
    const struct {
        const char* name;
        Bytes bytes;
        const char* error;
    } cases[] = {
        {"empty", {}, "signature"},
        {"short signature", {'V', 'M'}, "signature"},
        {"other signature", Raw(1, 0, {0, 0}, 1, 0, "RIFF"), "not a motion file"},
        {"no version", {'V', 'M', 'O', 'T', 1}, "version"},
        {"newer version", Raw(1, 0, {0, 0}, 3), "unsupported version 3"},
        {"unknown flags", Raw(1, 0, {0, 0}, 1, 4), "unknown flags"},
        {"header cut in the count", cutHeader, "frame count"},
        {"no frames", Raw(0, 0, {}), "below 1"},
        {"negative count", Raw(-5, 0, {}), "below 1"},
        {"count beyond the data", Raw(INT32_MAX, 0, {1, 2}), "exceeds the data left"},
        {"last frame cut", truncated, "exceeds the data left"},
        {"loop start past the end", Raw(2, 2, {0, 0, 0, 0}), "loop start 2"},
        {"negative loop start", Raw(1, -1, {0, 0}), "loop start -1"},
        {"bytes after the frames", trailing, "1 bytes after the last frame"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string err = ErrorOf([&] { ReadMotionFile(c.bytes); });
        EXPECT_NE(err.find(c.error), std::string::npos) << err;
    }
}

TEST(MotionFile, WriterRefusesWhatTheReaderWould) {
    const struct {
        const char* name;
        TMotionTrack track;
        const char* error;
    } cases[] = {
        {"no frames", Track({}, 0), "at least one frame"},
        {"loop past the end", Track({{0, 0}}, 1), "loop start 1"},
        {"negative loop", Track({{0, 0}}, -3), "loop start -3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string err = ErrorOf([&] { WriteMotionFile(c.track); });
        EXPECT_NE(err.find(c.error), std::string::npos) << err;
    }
}

TEST(MotionFile, OffsetsAsText) {
    using O = std::vector<std::pair<int32_t, int32_t>>;
    const struct {
        const char* text;
        O want;
    } cases[] = {
        {"", {}},
        {"1,2", {{1, 2}}},
        {" 1 , -2 ; 3,4;", {{1, -2}, {3, 4}}},
        {"# header\n0,0\n\n5,6 # right\r\n-7,+8\n", {{0, 0}, {5, 6}, {-7, 8}}},
        {"2147483647,-2147483648", {{INT32_MAX, INT32_MIN}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        O got;
        for (const auto& o : ParseMotionOffsets(c.text)) got.emplace_back(o.X, o.Y);
        EXPECT_EQ(got, c.want);
    }
    const char* bad[] = {"1", "1,", ",2", "1,2,3", "a,b", "1.5,2", "2147483648,0", "1 2,3"};
    for (const char* text : bad) {
        SCOPED_TRACE(text);
        EXPECT_NE(ErrorOf([&] { ParseMotionOffsets(text); }).find("dx,dy"), std::string::npos);
    }
}

TEST(MotionFile, ABoxPlaysAFileThroughTheLoader) {
    std::map<std::string, Bytes> files{
        {"walk.lmt", WriteMotionFile(Track({{0, 0}, {10, 20}, {30, 40}}, 1))},
        {"bad.lmt", Raw(3, 0, {1, 2})},
    };
    TVeskBaseList root(200, 200);
    root.SetMotionLoader(MotionFileLoader([&files](const std::string& name) {
        auto it = files.find(name);
        if (it == files.end()) Fail(name + ": missing");
        return it->second;
    }));
    const struct {
        const char* source;
        bool plays;
    } cases[] = {{"walk.lmt", true}, {"bad.lmt", false}, {"gone.lmt", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.source);
        TVeskBox* box = MakeBox(root, c.source, 5, 7, 4, 4);
        SetStr(*box, PR_SOURCE, c.source);
        EXPECT_EQ(box->ActiveMotion() != nullptr, c.plays);
    }
    TVeskBox* box = MakeBox(root, "timed", 5, 7, 4, 4);
    SetStr(*box, PR_SOURCE, "walk.lmt");
    root.StepAll(16);
    root.StepAll(16);  // start-up frames
    root.StepAll(17);  // 17 ms rounds to frame 1
    EXPECT_EQ(box->ScreenLeft(), 5 + 10);
    EXPECT_EQ(box->ScreenTop(), 7 + 20);
}

}  // namespace
}  // namespace vesk
