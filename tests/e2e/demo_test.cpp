// The demo game, built from the sources in demo/, plays to its end by itself.
#include <cstring>

#include "e2e_fixture.h"
#include "media/wav_file.h"

namespace vesk::e2e {
namespace {

TEST(DemoTest, PlaysToItsEndHeadless) {
    Workspace w;
    std::string cmd = Quote(VESKTOOL_PATH) + " build " + Quote(VESK_DEMO_SOURCE) + " " +
                      w.Game("demo") + " >/dev/null";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    const fs::path wav = w.Path("demo.wav");
    RunResult r =
        w.Play(w.Game("demo") + " --frames 1000 --dump-vars --audio-out " + Quote(wav.string()));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.Var("runs"), 1);  // a declared variable the start page counts up
    EXPECT_GT(r.Frames(), 0);
    EXPECT_LT(r.Frames(), 1000);  // ended by its own Terminate
    // It is heard: the chime and the music the build made from text; the music has faded
    // out before the end.
    TWavStream s(std::make_unique<MemoryStream>(ReadWholeFile(wav.string())));
    std::vector<int16_t> samples(size_t(s.GetSize() / 2));
    s.Read(samples.data(), samples.size() * 2);
    int peak = 0, tail = 0;
    for (size_t i = 0; i < samples.size(); ++i) {
        peak = std::max(peak, std::abs(int(samples[i])));
        if (i + 2 * 44100 / 20 >= samples.size()) tail = std::max(tail, std::abs(int(samples[i])));
    }
    EXPECT_GT(peak, 4000);
    EXPECT_LT(tail, 100);
}

}  // namespace
}  // namespace vesk::e2e
