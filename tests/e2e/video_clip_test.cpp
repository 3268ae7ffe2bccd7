// A video clip written as text, built into a Windows Media file by vesktool and played by
// the headless player: its moving picture shows in screenshots and its sound track is heard
// where the description put it.
#include <cstring>

#include "media/wav_file.h"
#include "scene_fixture.h"

namespace vesk::e2e {
namespace {

// Rounds each channel to quarters, so the codec's small colour errors compare equal.
uint32_t Coarse(uint32_t c) {
    uint32_t out = 0;
    for (int sh = 0; sh < 24; sh += 8)
        out |= std::min<uint32_t>((((c >> sh) & 255) + 0x20) / 0x40 * 0x40, 255) << sh;
    return out;
}

TEST(VideoClipGameTest, ABuiltClipShowsItsMotionAndSoundsItsTrack) {
    Workspace w;
    w.Sources("src", {{"project.vpj", "ProjectName: Clip\nScreen: 160, 120\nStartPage: main.lsb\n"},
                      {"main.vss",
                       "Movie PR_NAME: \"mv\", PR_SOURCE: \"video\\clip.wmv\", PR_LEFT: 40,\n"
                       "    PR_TOP: 30\n"
                       "Wait Time: 2000\n"},
                      // A red square slides right over green; a tone from 400 to 800 ms.
                      {"video/clip.wmv.txt",
                       "size 64 48\nrate 10\nlength 1000\n"
                       "paint fill #00FF00\n"
                       "move 0 1000 rect 0>40 16 16 16 #FF0000\n"
                       "sound at 400\nsound tone sine 600 400 0.5\n"}});
    w.Build("src", "game");
    const fs::path wav = w.Path("out.wav");
    // The picture of tick n shows the clip at (n - 1) × 16 ms: tick 1 its first frame (the
    // square at 0), tick 33 its sixth (500 ms: the square at 20).
    RunResult r = w.Play(w.Game("game") + " --frames 80 --audio-out " + Quote(wav.string()) +
                         " --screenshot 1:" + Quote(w.Path("s1.png").string()) +
                         " --screenshot 33:" + Quote(w.Path("s33.png").string()));
    ASSERT_EQ(r.status, 0) << r.err;
    const Picture first = ReadPng(w.Path("s1.png")), later = ReadPng(w.Path("s33.png"));
    ASSERT_TRUE(first.Ok() && later.Ok());
    EXPECT_EQ(Coarse(first.At(48, 54)), 0xFF0000u);
    EXPECT_EQ(Coarse(first.At(76, 54)), 0x00FF00u);
    EXPECT_EQ(Coarse(later.At(48, 54)), 0x00FF00u);
    EXPECT_EQ(Coarse(later.At(68, 54)), 0xFF0000u);
    EXPECT_EQ(first.At(20, 20), 0u);  // beside the video

    TWavStream s(std::make_unique<MemoryStream>(ReadWholeFile(wav.string())));
    std::vector<int16_t> pcm(size_t(s.GetSize()) / 2);
    pcm.resize(s.Read(pcm.data(), pcm.size() * 2) / 2);
    auto peak = [&](int fromMs, int toMs) {
        int m = 0;
        for (size_t i = size_t(fromMs) * 441 / 10 * 2;
             i < size_t(toMs) * 441 / 10 * 2 && i < pcm.size(); ++i)
            m = std::max(m, std::abs(int(pcm[i])));
        return m;
    };
    EXPECT_LT(peak(0, 330), 1500);
    EXPECT_GT(peak(480, 760), 8000);
    EXPECT_LT(peak(950, 1200), 1500);
}

}  // namespace
}  // namespace vesk::e2e
