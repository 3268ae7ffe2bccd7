#include "media/wav_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/cp932.h"
#include "base/endian.h"
#include "base/error.h"
#include "wav_test_util.h"

namespace vesk {
namespace {

std::unique_ptr<TWavStream> Open(std::vector<uint8_t> bytes) {
    return std::make_unique<TWavStream>(std::make_unique<MemoryStream>(std::move(bytes)));
}

TEST(WavFile, ReadsFormatAndData) {
    auto w = Open(MakeWavBytes({1, 22050, 8}, {1, 2, 3, 4, 5}));
    EXPECT_EQ(w->GetFormat().channels, 1);
    EXPECT_EQ(w->GetFormat().samplesPerSec, 22050);
    EXPECT_EQ(w->GetFormat().bitsPerSample, 8);
    EXPECT_EQ(w->GetSize(), 5);
    uint8_t buf[8];
    EXPECT_EQ(w->Read(buf, 8), 5u);
    EXPECT_EQ(buf[4], 5);
    EXPECT_EQ(w->Read(buf, 8), 0u);
}

TEST(WavFile, SkipsOtherChunksAndTrustsTheFileOverItsSizes) {
    auto base = MakeWavBytes({2, 44100, 16}, std::vector<uint8_t>(16, 7));
    // An odd-sized chunk (with its pad byte) before "fmt ".
    std::vector<uint8_t> f(base.begin(), base.begin() + 12);
    f.insert(f.end(), {'L', 'I', 'S', 'T', 3, 0, 0, 0, 'a', 'b', 'c', 0});
    f.insert(f.end(), base.begin() + 12, base.end());
    auto w = Open(f);
    EXPECT_EQ(w->GetSize(), 16);
    // A data size beyond the end of the file is cut to what is there, in whole frames.
    PutLe32(f.data() + f.size() - 16 - 4, 0xFFFFFFFF);
    f.push_back(1);
    f.push_back(1);
    EXPECT_EQ(Open(f)->GetSize(), 16);
}

TEST(WavFile, PositionsStayOnWholeFrames) {
    auto w = Open(MakeWavBytes({2, 44100, 16}, std::vector<uint8_t>(400, 0)));
    EXPECT_EQ(w->SetPos(7), 4);
    EXPECT_EQ(w->SetPos(-3), 0);
    EXPECT_EQ(w->SetPos(1000), 400);
    EXPECT_EQ(w->GetLen(), 2);  // 400 bytes at 176400 per second, rounded
}

TEST(WavFile, ExtensibleFormatIsRead) {
    std::vector<uint8_t> f{'R', 'I', 'F', 'F', 0,   0,   0,  0, 'W', 'A',
                           'V', 'E', 'f', 'm', 't', ' ', 40, 0, 0,   0};
    std::vector<uint8_t> fmt(40, 0);
    fmt[0] = 0xFE;
    fmt[1] = 0xFF;
    fmt[2] = 2;
    PutLe32(fmt.data() + 4, 44100);
    fmt[12] = 4;
    fmt[14] = 16;
    fmt[24] = 1;  // PCM sub-format
    f.insert(f.end(), fmt.begin(), fmt.end());
    f.insert(f.end(), {'d', 'a', 't', 'a', 4, 0, 0, 0, 1, 2, 3, 4});
    EXPECT_EQ(Open(f)->GetSize(), 4);
}

TEST(WavFile, BadFilesRaiseTheSoundDataError) {
    auto good = MakeWavBytes({1, 44100, 16}, {0, 0});
    auto cut = [&](size_t n) { return std::vector<uint8_t>(good.begin(), good.begin() + n); };
    auto with = [&](size_t at, uint8_t v) {
        auto g = good;
        g[at] = v;
        return g;
    };
    const std::pair<const char*, std::vector<uint8_t>> cases[] = {
        {"empty", {}},
        {"not RIFF", with(0, 'X')},
        {"not WAVE", with(8, 'X')},
        {"header only", cut(12)},
        {"fmt cut short", cut(30)},
        {"no data chunk", cut(36)},
        {"compressed", with(20, 2)},
        {"no channels", with(22, 0)},
        {"fmt too small", with(16, 8)},
        {"fmt longer than file", with(18, 0x7F)},
    };
    for (const auto& [name, bytes] : cases) {
        try {
            Open(bytes);
            ADD_FAILURE() << name;
        } catch (const VeskError& e) {
            EXPECT_EQ(e.Text(), VESK_JP("サウンドデータが不正です")) << name;
        }
    }
}

TEST(WavFile, WriterProducesAReadableFile) {
    const std::string path = ::testing::TempDir() + "/vesk_media_writer.wav";
    {
        WavFileWriter w(path);
        std::vector<int16_t> s{1, -1, 300, -300};
        w.Append(s.data(), 2);
        w.Append(s.data(), 1);
        EXPECT_FALSE(std::filesystem::exists(path));  // still in its temporary file
    }
    auto w =
        std::make_unique<TWavStream>(std::make_unique<FileStream>(path, FileStream::Mode::Read));
    EXPECT_EQ(w->GetFormat().channels, 2);
    EXPECT_EQ(w->GetFormat().samplesPerSec, 44100);
    EXPECT_EQ(w->GetSize(), 12);
    int16_t back[6];
    ASSERT_EQ(w->Read(back, 12), 12u);
    EXPECT_EQ(back[3], -300);
    EXPECT_EQ(back[5], -1);
    std::filesystem::remove(path);
}

}  // namespace
}  // namespace vesk
