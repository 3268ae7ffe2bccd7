#pragma once
// The decoded sound stream the wave-out mixer reads: PCM bytes with a position, as the
// media library's Ogg-stream decoder gave them. WAV files are served by TWavStream; Ogg
// Vorbis decoding plugs in behind the same interface.
#include <cstddef>
#include <cstdint>

namespace vesk {

struct TWavFormat {
    int channels = 0;
    int samplesPerSec = 0;
    int bitsPerSample = 0;
    // IEEE floating-point samples (32 or 64 bits) rather than integers.
    bool floatSamples = false;
    // Bytes of one second of this format; 0 when that is not positive.
    int64_t BytesPerSec() const {
        int64_t v = int64_t(channels) * bitsPerSample * samplesPerSec / 8;
        return v > 0 ? v : 0;
    }
};

class TOggStream {
  public:
    virtual ~TOggStream() = default;
    virtual TWavFormat GetFormat() = 0;
    // Reads up to n bytes of PCM at the current position; returns the bytes read.
    virtual size_t Read(void* dst, size_t n) = 0;
    virtual int64_t GetPos() = 0;
    // Seeks, clamped to 0 .. size first; returns the new position.
    virtual int64_t SetPos(int64_t pos) = 0;
    virtual int64_t GetSize() = 0;
    // Length in milliseconds.
    virtual int GetLen() = 0;
};

}  // namespace vesk
