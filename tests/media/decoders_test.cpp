// The decoders behind the media items: Ogg Vorbis, FFmpeg (Windows Media, FLAC) and the
// conversion of any PCM format to the mix format, with what damaged data does to them.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "../vfs/vfs_fixture.h"
#include "media/ffmpeg_audio.h"
#include "media/media_writer.h"
#include "media/pcm_convert.h"
#include "media/vorbis_stream.h"
#include "media/wav_file.h"
#include "media_fixture.h"
#include "wav_test_util.h"

namespace vesk {
namespace {

using test::Sine;

std::vector<int16_t> ReadAll(TOggStream& s) {
    std::vector<int16_t> out;
    std::vector<uint8_t> buf(4096 * 4);
    for (;;) {
        size_t n = s.Read(buf.data(), buf.size());
        if (n == 0) break;
        for (size_t i = 0; i + 1 < n; i += 2) out.push_back(int16_t(buf[i] | buf[i + 1] << 8));
    }
    return out;
}

std::unique_ptr<Stream> Mem(std::vector<uint8_t> b) {
    return std::make_unique<MemoryStream>(std::move(b));
}

void ExpectBadSound(const std::function<void()>& f) {
    try {
        f();
        ADD_FAILURE() << "no error";
    } catch (const VeskError& e) {
        EXPECT_EQ(e.Text(), VESK_JP("サウンドデータが不正です"));
    }
}

TEST(Vorbis, DecodesLengthPitchAndSeeks) {
    // One second of 440 Hz at 48 kHz, mono.
    auto ogg = EncodeOggVorbis(Sine(48000, 440, 48000, 1), 1, 48000);
    TVorbisStream s(Mem(ogg));
    EXPECT_EQ(s.GetFormat().channels, 1);
    EXPECT_EQ(s.GetFormat().samplesPerSec, 48000);
    EXPECT_EQ(s.GetSize(), 48000 * 2);
    EXPECT_EQ(s.GetLen(), 1000);
    auto pcm = ReadAll(s);
    EXPECT_EQ(pcm.size(), 48000u);
    std::vector<int16_t> stereo;
    for (int16_t v : pcm) stereo.insert(stereo.end(), {v, v});
    EXPECT_NEAR(test::Pitch(stereo, 0, 48000, 48000), 440, 2);
    // Seeking lands on whole frames and reads on from there.
    EXPECT_EQ(s.SetPos(24001 * 2 + 1), 24001 * 2);
    std::vector<uint8_t> buf(200);
    EXPECT_EQ(s.Read(buf.data(), buf.size()), 200u);
    EXPECT_EQ(s.GetPos(), 24101 * 2);
}

TEST(Vorbis, DamagedDataIsTheSoundDataError) {
    auto ogg = EncodeOggVorbis(Sine(4410, 440, 44100), 2, 44100);
    std::vector<std::vector<uint8_t>> bad = {
        {},
        std::vector<uint8_t>(ogg.begin(), ogg.begin() + 30),  // cut inside the headers
        std::vector<uint8_t>(1000, 0x4F),
    };
    auto flipped = ogg;
    for (size_t i = 30; i < 200 && i < flipped.size(); ++i) flipped[i] ^= 0x5A;
    bad.push_back(flipped);
    for (auto& b : bad) ExpectBadSound([&] { TVorbisStream s(Mem(b)); });
}

TEST(Vorbis, DataCutShortEndsWhereItEnds) {
    // The last page, which holds the length, survives; the middle of the data does not.
    auto ogg = EncodeOggVorbis(Sine(44100 * 2, 440, 44100), 2, 44100);
    std::vector<uint8_t> cut(ogg.begin(), ogg.begin() + ogg.size() / 2);
    cut.insert(cut.end(), ogg.end() - 300, ogg.end());
    TVorbisStream s(Mem(cut));
    const int64_t claimed = s.GetSize();
    auto pcm = ReadAll(s);
    EXPECT_LE(int64_t(pcm.size()) * 2, claimed);
    // Whatever came, the stream now says where it ended and reads nothing more.
    EXPECT_EQ(s.GetSize(), s.GetPos());
    std::vector<uint8_t> buf(64);
    EXPECT_EQ(s.Read(buf.data(), buf.size()), 0u);
}

struct ConvertCase {
    const char* what;
    TWavFormat format;
    std::vector<uint8_t> pcm;
    size_t frames;  // source frames
};

std::vector<uint8_t> Samples(const std::vector<int16_t>& s16, int bits, bool isFloat = false) {
    std::vector<uint8_t> b;
    for (int16_t v : s16) {
        if (isFloat && bits == 32) {
            float f = v / 32768.f;
            uint8_t raw[4];
            std::memcpy(raw, &f, 4);
            b.insert(b.end(), raw, raw + 4);
        } else if (bits == 8) {
            b.push_back(uint8_t((v >> 8) + 128));
        } else if (bits == 24) {
            const int32_t x = int32_t(v) << 8;
            b.insert(b.end(), {uint8_t(x), uint8_t(x >> 8), uint8_t(x >> 16)});
        } else if (bits == 32) {
            const int32_t x = int32_t(v) << 16;
            b.insert(b.end(), {uint8_t(x), uint8_t(x >> 8), uint8_t(x >> 16), uint8_t(x >> 24)});
        } else {
            b.insert(b.end(), {uint8_t(v), uint8_t(uint16_t(v) >> 8)});
        }
    }
    return b;
}

TEST(Convert, EveryFormatPlaysAtItsPitchAndLength) {
    // Half a second of 1 kHz in each format; after conversion: 22050 frames at 1 kHz.
    const std::vector<ConvertCase> cases = {
        {"48 kHz stereo", {2, 48000, 16}, Samples(Sine(24000, 1000, 48000), 16), 24000},
        {"24-bit mono", {1, 44100, 24}, Samples(Sine(22050, 1000, 44100, 1), 24), 22050},
        {"8-bit mono 11025", {1, 11025, 8}, Samples(Sine(5513, 1000, 11025, 1), 8), 5513},
        {"float stereo 96 kHz",
         {2, 96000, 32, true},
         Samples(Sine(48000, 1000, 96000), 32, true),
         48000},
        {"32-bit integer 32 kHz", {2, 32000, 32}, Samples(Sine(16000, 1000, 32000), 32), 16000},
        {"22050 stereo", {2, 22050, 16}, Samples(Sine(11025, 1000, 22050), 16), 11025},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto s = ToMixFormat(test::WavOf(c.format, c.pcm));
        EXPECT_TRUE(IsMixFormat(s->GetFormat()));
        const int64_t want = int64_t(c.frames) * 44100 / c.format.samplesPerSec;
        EXPECT_NEAR(double(s->GetSize() / 4), double(want), 2);
        auto out = ReadAll(*s);
        EXPECT_NEAR(double(out.size() / 2), double(want), 40);
        EXPECT_NEAR(test::Pitch(out, 100, 20000, 44100), 1000, 5);
        // Mono sounds on both sides, at its full level.
        EXPECT_NEAR(test::Peak(out, 100, 20000, 0), 12000, 600);
        EXPECT_NEAR(test::Peak(out, 100, 20000, 1), 12000, 600);
        // Back to the middle: the same sound again.
        s->SetPos(want / 2 * 4);
        EXPECT_EQ(s->GetPos(), want / 2 * 4);
        EXPECT_FALSE(ReadAll(*s).empty());
    }
}

TEST(Convert, TheMixFormatPassesUntouched) {
    auto pcm = Samples(Sine(1000, 500, 44100), 16);
    auto s = ToMixFormat(test::WavOf({2, 44100, 16}, pcm));
    EXPECT_NE(dynamic_cast<TWavStream*>(s.get()), nullptr);
}

TEST(Convert, FormatsWithoutAConversionAreTheSoundDataError) {
    // Nine channels: nothing to mix them down by.
    ExpectBadSound([] { ToMixFormat(test::WavOf({9, 44100, 16}, std::vector<uint8_t>(180))); });
}

TEST(Ffmpeg, WindowsMediaSoundDecodesToTheMixFormat) {
    test::TempDir dir;
    const std::string path = dir / "music.wma";
    WriteWindowsMedia(path, Sine(44100, 500, 44100), TVideoPictures{});
    TFfmpegAudioStream s(std::make_unique<MemoryStream>(ReadWholeFile(path)), "music.wma");
    EXPECT_TRUE(IsMixFormat(s.GetFormat()));
    EXPECT_NEAR(s.GetLen(), 1000, 60);
    auto out = ReadAll(s);
    EXPECT_NEAR(double(out.size() / 2), 44100, 3000);
    EXPECT_NEAR(test::Pitch(out, 4000, 30000, 44100), 500, 5);
    // Once read to the end, the size is the real one.
    EXPECT_EQ(s.GetSize(), int64_t(out.size()) * 2);
    s.SetPos(22050 * 4);
    EXPECT_EQ(s.GetPos(), 22050 * 4);
    auto rest = ReadAll(s);
    EXPECT_NEAR(double(rest.size() / 2), double(out.size() / 2 - 22050), 2048);
}

TEST(Ffmpeg, DataWithoutSoundIsTheSoundDataError) {
    test::TempDir dir;
    const std::string path = dir / "mute.wmv";
    WriteWindowsMedia(path, {}, TVideoPictures{.frames = 5, .paint = {}});
    auto bytes = ReadWholeFile(path);
    ExpectBadSound([&] { TFfmpegAudioStream s(Mem(bytes), "mute.wmv"); });
    ExpectBadSound([&] { TFfmpegAudioStream s(Mem(std::vector<uint8_t>(5000, 0x30)), "x.wma"); });
    ExpectBadSound([&] { TFfmpegAudioStream s(Mem({}), "x.wma"); });
}

}  // namespace
}  // namespace vesk
