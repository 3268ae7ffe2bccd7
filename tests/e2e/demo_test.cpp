// The demo game, built from the sources in demo/, plays to its end by itself, shows its
// painted pictures and plays its music and sound effect.
#include <png.h>

#include <cstring>
#include <fstream>

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
    const fs::path shot2 = w.Path("demo2.png");
    const fs::path wav = w.Path("demo.wav");
    // The reader clicks the message window twice: the second page, then the text is cleared
    // and the game goes on to its end.
    const fs::path input = w.Path("input.txt");
    std::ofstream(input) << "320 click left 300 400\n420 click left 300 400\n";
    RunResult r = w.Play(w.Game("demo") +
                         " --frames 1000 --dump-vars --screenshot 190:" + Quote(shot.string()) +
                         " --screenshot 400:" + Quote(shot2.string()) + " --input " +
                         Quote(input.string()) + " --audio-out " + Quote(wav.string()));
    EXPECT_EQ(r.status, 0) << r.err;
    // Every picture could be shown.
    EXPECT_EQ(r.err.find(".qil"), std::string::npos) << r.err;
    auto read = [](const fs::path& file, png_image& image, std::vector<uint8_t>& rgb) {
        image = png_image{};
        image.version = PNG_IMAGE_VERSION;
        if (!png_image_begin_read_from_file(&image, file.c_str())) return false;
        image.format = PNG_FORMAT_RGB;
        rgb.resize(PNG_IMAGE_SIZE(image));
        return png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr) != 0;
    };
    png_image image{};
    std::vector<uint8_t> rgb;
    ASSERT_TRUE(read(shot, image, rgb)) << shot;
    auto at = [&](size_t x, size_t y) {
        const uint8_t* p = &rgb[(y * image.width + x) * 3];
        return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
    };
    // White text in the message window's band of rows (y from 340 to 420).
    auto whiteIn = [&](size_t top, size_t bottom) {
        int n = 0;
        for (size_t y = top; y < bottom; ++y)
            for (size_t x = 30; x < 610; ++x) n += at(x, y) == 0xFFFFFFu;
        return n;
    };
    // At frame 190 the first page is being revealed: its first row is there, its third not
    // yet; on the second page (frame 400) one row of text stands in the first row's place.
    EXPECT_GT(whiteIn(340, 362), 50);
    EXPECT_EQ(whiteIn(385, 410), 0);
    // After the three scenes the pictures have faded in (the game ends when its music has
    // faded out): the top of the sky's gradient (demo/pic/sky.vpic), and the character's face
    // (demo/pic/girl.vpic, placed at 220, 24).
    EXPECT_EQ(at(0, 0), 0x2B5AA6u);
    EXPECT_EQ(at(220 + 100, 24 + 110), 0xF6D8C4u);  // slid in by then (demo/lib/effects.vss)
    // The pond's water over the green hill (demo/pic/water.vpic under a wave).
    const uint32_t water = at(470 + 75, 272 + 24);
    EXPECT_GT(water & 0xFF, (water >> 8) & 0xFF) << std::hex << water;
    png_image image2{};
    std::vector<uint8_t> rgb2;
    ASSERT_TRUE(read(shot2, image2, rgb2)) << shot2;
    std::swap(rgb, rgb2);
    EXPECT_GT(whiteIn(340, 362), 50);
    EXPECT_EQ(whiteIn(362, 420), 0);
    std::swap(rgb, rgb2);
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
