// The demo game, built from the sources in demo/, plays to its end by itself, shows its
// painted pictures and plays its music and sound effect.
#include <png.h>

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
    const fs::path shot = w.Path("demo.png");
    const fs::path wav = w.Path("demo.wav");
    RunResult r = w.Play(w.Game("demo") + " --frames 1000 --dump-vars --screenshot 190:" +
                         Quote(shot.string()) + " --audio-out " + Quote(wav.string()));
    EXPECT_EQ(r.status, 0) << r.err;
    // Every picture could be shown.
    EXPECT_EQ(r.err.find(".qil"), std::string::npos) << r.err;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&image, shot.c_str())) << shot;
    image.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image));
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr));
    auto at = [&](size_t x, size_t y) {
        const uint8_t* p = &rgb[(y * image.width + x) * 3];
        return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
    };
    // After the three scenes the pictures have faded in (the game ends when its music has
    // faded out): the top of the sky's gradient (demo/pic/sky.vpic), and the character's face
    // (demo/pic/girl.vpic, placed at 220, 24).
    EXPECT_EQ(at(0, 0), 0x2B5AA6u);
    EXPECT_EQ(at(220 + 100, 24 + 110), 0xF6D8C4u);  // slid in by then (demo/lib/effects.vss)
    // The pond's water over the green hill (demo/pic/water.vpic under a wave).
    const uint32_t water = at(470 + 75, 272 + 24);
    EXPECT_GT(water & 0xFF, (water >> 8) & 0xFF) << std::hex << water;
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
