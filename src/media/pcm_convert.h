#pragma once
// Decoded sound in any PCM format (8 to 64 bits, integer or float, 1 to 8 channels, any rate)
// converted to the mix format, 16-bit stereo at 44100 Hz, with libswresample: a 48 kHz or a
// 24-bit file plays at its right pitch instead of staying silent.
#include <memory>

#include "media/decoded_stream.h"

namespace vesk {

// True when the stream already is 16-bit stereo at 44100 Hz.
bool IsMixFormat(const TWavFormat& f);

class TConvertedStream : public TOggStream {
  public:
    // Raises "サウンドデータが不正です" for formats that cannot be converted.
    explicit TConvertedStream(std::unique_ptr<TOggStream> source);
    ~TConvertedStream() override;
    TConvertedStream(const TConvertedStream&) = delete;
    TConvertedStream& operator=(const TConvertedStream&) = delete;

    TWavFormat GetFormat() override;
    size_t Read(void* dst, size_t n) override;
    int64_t GetPos() override;
    int64_t SetPos(int64_t pos) override;
    int64_t GetSize() override;
    int GetLen() override;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The stream itself when it is in the mix format, else the stream converted.
std::unique_ptr<TOggStream> ToMixFormat(std::unique_ptr<TOggStream> s);

}  // namespace vesk
