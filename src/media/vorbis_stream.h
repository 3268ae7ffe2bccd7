#pragma once
// Ogg Vorbis files decoded with libvorbisfile, read in place from a stream, served as 16-bit
// PCM at the file's own rate and channel count.
#include <memory>

#include "base/stream.h"
#include "media/decoded_stream.h"

namespace vesk {

class TVorbisStream : public TOggStream {
  public:
    // Raises "サウンドデータが不正です" when the stream is not an Ogg Vorbis file.
    explicit TVorbisStream(std::unique_ptr<Stream> source);
    ~TVorbisStream() override;
    TVorbisStream(const TVorbisStream&) = delete;
    TVorbisStream& operator=(const TVorbisStream&) = delete;

    TWavFormat GetFormat() override { return format_; }
    size_t Read(void* dst, size_t n) override;
    int64_t GetPos() override { return pos_; }
    int64_t SetPos(int64_t pos) override;
    int64_t GetSize() override { return size_; }
    int GetLen() override;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    TWavFormat format_;
    int64_t frameBytes_ = 4;
    int64_t size_ = 0;
    int64_t pos_ = 0;
};

}  // namespace vesk
