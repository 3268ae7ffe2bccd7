#include "media/wav_file.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "base/cp932.h"
#include "base/endian.h"
#include "base/error.h"
#include "media/audio_format.h"

namespace vesk {

namespace {

constexpr uint16_t kTagPcm = 1;
constexpr uint16_t kTagFloat = 3;
constexpr uint16_t kTagExtensible = 0xFFFE;

[[noreturn]] void BadSound() {
    Fail(VESK_JP("サウンドデータが不正です"));
}

// The 44-byte header of a canonical integer-PCM file.
void FillHeader(uint8_t* h, const TWavFormat& f, uint64_t dataBytes) {
    uint32_t data = dataBytes > 0xFFFFFFFFull - 36 ? 0xFFFFFFFFu - 36 : uint32_t(dataBytes);
    std::memcpy(h, "RIFF", 4);
    PutLe32(h + 4, 36 + data);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    PutLe32(h + 16, 16);
    PutLe16(h + 20, f.floatSamples ? kTagFloat : kTagPcm);
    PutLe16(h + 22, uint16_t(f.channels));
    PutLe32(h + 24, uint32_t(f.samplesPerSec));
    const int align = f.channels * ((f.bitsPerSample + 7) / 8);
    PutLe32(h + 28, uint32_t(f.samplesPerSec * align));
    PutLe16(h + 32, uint16_t(align));
    PutLe16(h + 34, uint16_t(f.bitsPerSample));
    std::memcpy(h + 36, "data", 4);
    PutLe32(h + 40, data);
}

}  // namespace

TWavStream::TWavStream(std::unique_ptr<Stream> source) : src_(std::move(source)) {
    const int64_t total = src_->Size();
    uint8_t head[12];
    src_->Seek(0, SeekFrom::Begin);
    if (total < 12 || src_->Read(head, 12) != 12) BadSound();
    if (std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "WAVE", 4) != 0) BadSound();

    bool haveFmt = false, haveData = false;
    uint16_t tag = 0, align = 0;
    int64_t pos = 12;
    // Chunks in any order; the RIFF size is not trusted, the file's own size is.
    while (pos + 8 <= total && !(haveFmt && haveData)) {
        uint8_t ch[8];
        src_->Seek(pos, SeekFrom::Begin);
        if (src_->Read(ch, 8) != 8) break;
        const int64_t len = Le32(ch + 4);
        const int64_t body = pos + 8;
        if (std::memcmp(ch, "fmt ", 4) == 0) {
            if (len < 16 || body + len > total) BadSound();
            uint8_t f[40] = {};
            const size_t n = size_t(std::min<int64_t>(len, 40));
            if (src_->Read(f, n) != n) BadSound();
            tag = Le16(f);
            format_.channels = Le16(f + 2);
            format_.samplesPerSec = int(std::min<uint32_t>(Le32(f + 4), 0x7FFFFFFF));
            align = Le16(f + 12);
            format_.bitsPerSample = Le16(f + 14);
            if (tag == kTagExtensible) {
                if (n < 26) BadSound();
                tag = Le16(f + 24);  // the first two bytes of the sub-format GUID
            }
            haveFmt = true;
        } else if (std::memcmp(ch, "data", 4) == 0) {
            dataStart_ = body;
            // Files written by streaming tools often leave the size open: take what is there.
            size_ = std::min(len, total - body);
            haveData = true;
        }
        pos = body + len + (len & 1);
    }
    if (!haveFmt || !haveData) BadSound();
    if (tag != kTagPcm && tag != kTagFloat) BadSound();
    format_.floatSamples = tag == kTagFloat;
    if (format_.floatSamples && format_.bitsPerSample != 32 && format_.bitsPerSample != 64)
        BadSound();
    if (format_.channels <= 0 || format_.samplesPerSec <= 0 || format_.bitsPerSample <= 0 ||
        format_.bitsPerSample > 64)
        BadSound();
    frameBytes_ = int64_t(format_.channels) * ((format_.bitsPerSample + 7) / 8);
    if (align > frameBytes_) frameBytes_ = align;
    size_ -= size_ % frameBytes_;
}

size_t TWavStream::Read(void* dst, size_t n) {
    if (pos_ >= size_) return 0;
    n = size_t(std::min<int64_t>(int64_t(n), size_ - pos_));
    src_->Seek(dataStart_ + pos_, SeekFrom::Begin);
    size_t got = src_->Read(dst, n);
    pos_ += int64_t(got);
    return got;
}

int64_t TWavStream::SetPos(int64_t pos) {
    pos = std::clamp<int64_t>(pos, 0, size_);
    pos_ = pos - pos % frameBytes_;
    return pos_;
}

int TWavStream::GetLen() {
    const int64_t bps = format_.BytesPerSec();
    if (bps <= 0) return 0;
    return int(std::min<int64_t>(RoundHalfEven((long double)size_ * 1000 / bps), 0x7FFFFFFF));
}

WavFileWriter::WavFileWriter(const std::string& path) : path_(path), tmp_(path + ".tmp") {
    file_ = std::make_unique<FileStream>(tmp_, FileStream::Mode::Create);
    uint8_t h[44];
    FillHeader(h, TWavFormat{kOutChannels, kOutRate, 16}, 0);
    file_->Write(h, sizeof h);
}

WavFileWriter::~WavFileWriter() {
    try {
        Finish();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "veskplay: %s\n", e.what());
    }
}

void WavFileWriter::Append(const int16_t* samples, size_t frames) {
    if (!file_) Fail("audio output: the file is already finished");
    // Samples are stored little-endian, which is how this machine holds them.
    file_->Write(samples, frames * kOutBytesPerFrame);
    frames_ += frames;
}

void WavFileWriter::Finish() {
    if (!file_) return;
    uint8_t h[44];
    FillHeader(h, TWavFormat{kOutChannels, kOutRate, 16}, frames_ * kOutBytesPerFrame);
    file_->Seek(0, SeekFrom::Begin);
    file_->Write(h, sizeof h);
    file_->Flush();
    file_.reset();
    std::error_code ec;
    std::filesystem::rename(tmp_, path_, ec);
    if (ec) Fail("audio output: cannot write " + path_ + ": " + ec.message());
}

std::vector<uint8_t> MakeWavBytes(const TWavFormat& format, const std::vector<uint8_t>& pcm) {
    std::vector<uint8_t> out(44 + pcm.size() + (pcm.size() & 1));
    FillHeader(out.data(), format, pcm.size());
    std::memcpy(out.data() + 44, pcm.data(), pcm.size());
    return out;
}

}  // namespace vesk
