#pragma once
// RIFF WAVE files: the reader that serves them as a decoded stream, and the writer of the
// captured output.
#include <memory>
#include <string>
#include <vector>

#include "base/stream.h"
#include "media/decoded_stream.h"

namespace vesk {

// Reads PCM (integer or float) WAV data in place from a stream. Compressed or malformed
// files raise "サウンドデータが不正です". Positions are kept on whole sample frames.
class TWavStream : public TOggStream {
  public:
    explicit TWavStream(std::unique_ptr<Stream> source);
    TWavFormat GetFormat() override { return format_; }
    size_t Read(void* dst, size_t n) override;
    int64_t GetPos() override { return pos_; }
    int64_t SetPos(int64_t pos) override;
    int64_t GetSize() override { return size_; }
    int GetLen() override;

  private:
    std::unique_ptr<Stream> src_;
    TWavFormat format_;
    int64_t frameBytes_ = 1;
    int64_t dataStart_ = 0;
    int64_t size_ = 0;
    int64_t pos_ = 0;
};

// Writes 16-bit stereo 44100 Hz audio to a WAV file as it comes. The data goes to a
// temporary file beside the target, which replaces the target when finished.
class WavFileWriter {
  public:
    explicit WavFileWriter(const std::string& path);
    ~WavFileWriter();
    WavFileWriter(const WavFileWriter&) = delete;
    WavFileWriter& operator=(const WavFileWriter&) = delete;
    void Append(const int16_t* samples, size_t frames);
    // Fixes the header and moves the file into place; called by the destructor otherwise.
    void Finish();
    uint64_t Frames() const { return frames_; }

  private:
    std::string path_;
    std::string tmp_;
    std::unique_ptr<FileStream> file_;
    uint64_t frames_ = 0;
};

// A whole PCM WAV file in memory with the given format (integer or float) and sample bytes.
std::vector<uint8_t> MakeWavBytes(const TWavFormat& format, const std::vector<uint8_t>& pcm);

}  // namespace vesk
