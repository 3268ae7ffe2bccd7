// Video clips written as text: frames painted with moving shapes, the sound track, faults
// named by their line, and the Windows Media file FFmpeg reads back.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "../vfs/vfs_fixture.h"
#include "base/stream.h"
#include "media/ffmpeg_audio.h"
#include "media/ffmpeg_io.h"
#include "scriptc/game_builder.h"
#include "scriptc/source_error.h"
#include "scriptc/video_source.h"

extern "C" {
#include <libavformat/avformat.h>
}

namespace vesk::scriptc {
namespace {

uint32_t At(const PaintedPicture& p, int x, int y) {
    return p.Pixels.at(size_t(y) * size_t(p.Width) + size_t(x)) & 0xFFFFFFu;
}

// A blue field on which a red square slides from x 0 to x 20 over the first second, and
// fades from white to black over the last; a tone sounds from 500 ms.
constexpr const char* kClip = R"(// a test clip
size 32 16
rate 10
length 2000
paint fill #0000FF
move 0 1000 rect 0>20 4 4 4 #FF0000
move 1000 2000 rect 0 12 32 4 #FFFFFF>#000000
sound at 500
sound tone sine 1000 500 0.5
)";

TEST(VideoSourceTest, ShapesMoveOverTheStillPictureAndTheSoundFollowsItsTimes) {
    const VideoSource clip("clip.wmv.txt", kClip);
    EXPECT_EQ(clip.Width(), 32);
    EXPECT_EQ(clip.Height(), 16);
    EXPECT_EQ(clip.Frames(), 20);
    // Frame 5 is 500 ms: half-way.
    const struct { int frame, redX; } squares[] = {{0, 0}, {5, 10}, {10, 20}};
    for (auto [frame, x] : squares) {
        const PaintedPicture p = clip.Frame(frame);
        EXPECT_EQ(At(p, x + 1, 5), 0xFF0000u) << frame;
        EXPECT_EQ(At(p, x + 5, 5), 0x0000FFu) << frame;
    }
    // Outside its times a shape is not drawn; colours move as numbers do.
    EXPECT_EQ(At(clip.Frame(15), 21, 5), 0x0000FFu);
    EXPECT_EQ(At(clip.Frame(2), 5, 13), 0x0000FFu);
    EXPECT_EQ(At(clip.Frame(15), 5, 13), 0x808080u);
    // The sound track: stereo at 44100 Hz, as long as the clip, silent until 500 ms.
    const std::vector<int16_t>& s = clip.Sound();
    ASSERT_EQ(s.size(), size_t(88200 * 2));
    EXPECT_TRUE(std::all_of(s.begin(), s.begin() + 22050 * 2, [](int16_t v) { return v == 0; }));
    EXPECT_GT(*std::max_element(s.begin() + 22050 * 2, s.begin() + 44100 * 2), 15000);
    EXPECT_EQ(s[30000 * 2], s[30000 * 2 + 1]);
}

TEST(VideoSourceTest, FaultsNameTheirLine) {
    const std::string head = "size 32 16\nlength 1000\n";
    const struct {
        std::string text;
        int line;
        const char* message;
    } cases[] = {
        {"size 31 16\n", 1, "even width"},
        {"size 32 16\nrate 0\n", 2, "rate needs"},
        {"size 32 16\nlength 50\n", 2, "length needs"},
        {head + "flash 1 2\n", 3, "unknown word 'flash'"},
        {head + "paint rect 0 0 4 #FF0000\n", 3, "is not a number"},
        {head + "paint size 4 4\n", 3, "the size is given twice"},
        {head + "move 500 200 rect 0 0 4 4 #FF0000\n", 3, "FROM before TO"},
        {head + "move 0 2000 rect 0 0 4 4 #FF0000\n", 3, "ends after the clip"},
        {head + "move 0 500 rect 0>a 0 4 4 #FF0000\n", 3, "moves neither"},
        {head + "\nmove 0 500 rect 0>4 0 4 4 #FF00\n", 4, "is not a colour"},
        {head + "sound rate 22050\n", 3, "44100 Hz stereo"},
        {head + "sound tone saw 100 10\n", 3, "shape is"},
        {"length 1000\n", 0, "no size"},
        {"size 32 16\n", 0, "no length"},
    };
    for (const auto& c : cases) {
        try {
            VideoSource("v.wmv.txt", c.text);
            ADD_FAILURE() << "no error for " << c.text;
        } catch (const SourceError& e) {
            EXPECT_EQ(e.File(), "v.wmv.txt");
            EXPECT_EQ(e.Loc().Line, c.line) << c.text;
            EXPECT_NE(e.Message().find(c.message), std::string::npos)
                << c.text << " -> " << e.Message();
        }
    }
}

TEST(VideoSourceTest, TheBuilderEncodesAWindowsMediaFileFfmpegReadsBack) {
    test::TempDir dir;
    auto write = [&](const std::string& rel, const std::string& text) {
        std::filesystem::create_directories(std::filesystem::path(dir / rel).parent_path());
        std::ofstream(dir / rel, std::ios::binary) << text;
    };
    write("src/project.vpj", "StartPage: main.lsb\n");
    write("src/main.vss", "Terminate\n");
    write("src/video/clip.wmv.txt", kClip);
    // Made even when the build keeps pictures as they are: a clip is no picture.
    BuildReport r = BuildGame(dir / "src", dir / "out", {.ConvertPictures = false});
    EXPECT_EQ(r.Assets, std::vector<std::string>{"video/clip.wmv"});
    EXPECT_FALSE(std::filesystem::exists(dir / "out/video/clip.wmv.txt"));
    const std::vector<uint8_t> bytes = ReadWholeFile(dir / "out/video/clip.wmv");

    TFfmpegInput in(std::make_unique<MemoryStream>(bytes), "clip.wmv");
    EXPECT_STREQ(in.Format()->iformat->name, "asf");
    const int v = in.BestStream(AVMEDIA_TYPE_VIDEO);
    ASSERT_GE(v, 0);
    EXPECT_EQ(in.Format()->streams[v]->codecpar->width, 32);
    EXPECT_EQ(in.Format()->streams[v]->codecpar->height, 16);
    ASSERT_GE(in.BestStream(AVMEDIA_TYPE_AUDIO), 0);

    // The sound comes back about two seconds long, quiet at first and loud from 500 ms.
    TFfmpegAudioStream sound(std::make_unique<MemoryStream>(bytes), "clip.wmv");
    EXPECT_NEAR(sound.GetLen(), 2000, 100);
    std::vector<int16_t> pcm(88200 * 2);
    pcm.resize(sound.Read(pcm.data(), pcm.size() * 2) / 2);
    ASSERT_GT(pcm.size(), size_t(44100 * 2));
    auto peak = [&](size_t from, size_t to) {
        int m = 0;
        for (size_t i = from * 2; i < to * 2 && i < pcm.size(); ++i)
            m = std::max(m, std::abs(int(pcm[i])));
        return m;
    };
    EXPECT_LT(peak(0, 17000), 2000);
    EXPECT_GT(peak(24000, 42000), 10000);
}

}  // namespace
}  // namespace vesk::scriptc
