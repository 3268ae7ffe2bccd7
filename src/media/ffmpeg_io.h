#pragma once
// FFmpeg's demuxers reading our streams: a format context whose I/O goes through a Stream,
// so archive members and memory images are read in place.
#include <memory>
#include <string>

#include "base/stream.h"

struct AVFormatContext;
struct AVIOContext;

namespace vesk {

class TFfmpegInput {
  public:
    // Opens and probes the container; raises "サウンドデータが不正です" when FFmpeg cannot
    // read it. `name` only helps the probe (its extension).
    TFfmpegInput(std::unique_ptr<Stream> source, const std::string& name);
    ~TFfmpegInput();
    TFfmpegInput(const TFfmpegInput&) = delete;
    TFfmpegInput& operator=(const TFfmpegInput&) = delete;

    AVFormatContext* Format() { return fmt_; }
    // The index of the best stream of the type (an AVMediaType), or -1.
    int BestStream(int type);

  private:
    std::unique_ptr<Stream> src_;
    AVFormatContext* fmt_ = nullptr;
    AVIOContext* io_ = nullptr;
};

// Raises the sound data error.
[[noreturn]] void FailBadMedia();

}  // namespace vesk
