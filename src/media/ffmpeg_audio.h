#pragma once
// Sound decoded by FFmpeg (Windows Media sound, FLAC, MP3 and whatever else it reads), served
// as 16-bit stereo at 44100 Hz, ready for the mix.
#include <memory>
#include <string>

#include "base/stream.h"
#include "media/decoded_stream.h"

namespace vesk {

class TFfmpegAudioStream : public TOggStream {
  public:
    // Raises "サウンドデータが不正です" when the data holds no sound FFmpeg can decode.
    TFfmpegAudioStream(std::unique_ptr<Stream> source, const std::string& name);
    ~TFfmpegAudioStream() override;
    TFfmpegAudioStream(const TFfmpegAudioStream&) = delete;
    TFfmpegAudioStream& operator=(const TFfmpegAudioStream&) = delete;

    TWavFormat GetFormat() override;
    size_t Read(void* dst, size_t n) override;
    int64_t GetPos() override;
    int64_t SetPos(int64_t pos) override;
    // From the container's duration until the end has been decoded once; exact after that.
    int64_t GetSize() override;
    int GetLen() override;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace vesk
