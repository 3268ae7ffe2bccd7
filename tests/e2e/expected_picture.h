#pragma once
// Screenshots compared with the expected pictures kept in the repository (tests/e2e/data).
//
// Both sides are compared at half size (each 2 x 2 block averaged), which is how the expected
// pictures are stored: it keeps the files small and lets a glyph that a different FreeType
// draws a little otherwise pass, while a missing picture, a wrong face or text that is not
// there still fails. A pixel differs when one of its channels is off by more than the
// channel tolerance; the picture fails when more than the allowed share of pixels differ.
//
// VESK_UPDATE_EXPECTED=1 in the environment writes the screenshots as the new expected
// pictures instead of comparing. A failing comparison leaves the halved screenshot and a
// picture of the differing pixels in "actual/" under the working folder.
#include <png.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "scene_fixture.h"

namespace vesk::e2e {

struct PictureTolerance {
    int channel = 24;     // largest difference of one channel that still counts as equal
    double share = 0.01;  // largest share of differing pixels
};

// `p` at half size, each pixel the rounded mean of a 2 x 2 block (an odd last row or column
// is dropped).
inline Picture HalfSize(const Picture& p) {
    Picture h;
    h.width = p.width / 2;
    h.height = p.height / 2;
    h.rgb.resize(size_t(h.width) * size_t(h.height) * 3);
    for (int y = 0; y < h.height; ++y)
        for (int x = 0; x < h.width; ++x)
            for (int c = 0; c < 3; ++c) {
                auto at = [&](int dx, int dy) {
                    return int(
                        p.rgb[(size_t(2 * y + dy) * size_t(p.width) + size_t(2 * x + dx)) * 3 +
                              size_t(c)]);
                };
                h.rgb[(size_t(y) * size_t(h.width) + size_t(x)) * 3 + size_t(c)] =
                    uint8_t((at(0, 0) + at(1, 0) + at(0, 1) + at(1, 1) + 2) / 4);
            }
    return h;
}

inline bool WritePng(const Picture& p, const fs::path& path) {
    fs::create_directories(path.parent_path());
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(p.width);
    image.height = png_uint_32(p.height);
    image.format = PNG_FORMAT_RGB;
    return png_image_write_to_file(&image, path.c_str(), 0, p.rgb.data(), 0, nullptr) != 0;
}

struct PictureDifference {
    int differing = 0;  // pixels with a channel off by more than the tolerance
    int worst = 0;      // the largest channel difference anywhere
    Picture mask;       // differing pixels white, the rest a dark copy of the expected
};

inline PictureDifference Compare(const Picture& actual, const Picture& expected, int channel) {
    PictureDifference d;
    d.mask = expected;
    for (size_t i = 0; i + 2 < expected.rgb.size(); i += 3) {
        int off = 0;
        for (size_t c = 0; c < 3; ++c)
            off = std::max(off, std::abs(int(actual.rgb[i + c]) - int(expected.rgb[i + c])));
        d.worst = std::max(d.worst, off);
        const bool differs = off > channel;
        d.differing += differs;
        for (size_t c = 0; c < 3; ++c)
            d.mask.rgb[i + c] = differs ? 255 : uint8_t(expected.rgb[i + c] / 4);
    }
    return d;
}

// Expects the screenshot `shot` to look like the expected picture `name` (a path under
// the data folder, such as "demo/title.png").
inline void ExpectLooksLike(const fs::path& shot, const std::string& name,
                            PictureTolerance tolerance = {}) {
    const Picture taken = ReadPng(shot);
    ASSERT_TRUE(taken.Ok()) << "no screenshot " << shot;
    const Picture actual = HalfSize(taken);
    const fs::path expectedPath = fs::path(VESK_E2E_DATA) / name;
    const char* update = std::getenv("VESK_UPDATE_EXPECTED");
    if (update && std::string(update) == "1") {
        EXPECT_TRUE(WritePng(actual, expectedPath)) << expectedPath;
        return;
    }
    const Picture expected = ReadPng(expectedPath);
    ASSERT_TRUE(expected.Ok()) << "no expected picture " << expectedPath
                               << " (VESK_UPDATE_EXPECTED=1 writes it)";
    ASSERT_EQ(actual.width, expected.width) << name;
    ASSERT_EQ(actual.height, expected.height) << name;
    const PictureDifference d = Compare(actual, expected, tolerance.channel);
    const int allowed = int(std::floor(tolerance.share * actual.width * actual.height));
    if (d.differing > allowed) {
        const fs::path out = fs::current_path() / "actual" / name;
        WritePng(actual, out);
        WritePng(d.mask, out.parent_path() / (out.stem().string() + ".diff.png"));
        ADD_FAILURE() << name << ": " << d.differing << " pixels differ (at most " << allowed
                      << " may), by up to " << d.worst << "; the screenshot is in " << out;
    }
}

}  // namespace vesk::e2e
