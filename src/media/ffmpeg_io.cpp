#include "media/ffmpeg_io.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/log.h>
#include <libavutil/mem.h>
}

#include <exception>

#include "base/cp932.h"
#include "base/error.h"

namespace vesk {

void FailBadMedia() {
    Fail(VESK_JP("サウンドデータが不正です"));
}

namespace {

constexpr int kIoBuffer = 32768;

// A failing read (a vanished disk, a damaged member) is the end of the data to FFmpeg.
int ReadPacket(void* opaque, uint8_t* buf, int size) {
    try {
        const size_t n = static_cast<Stream*>(opaque)->Read(buf, size_t(size));
        return n == 0 ? AVERROR_EOF : int(n);
    } catch (const std::exception&) {
        return AVERROR_EOF;
    }
}

int64_t SeekStream(void* opaque, int64_t offset, int whence) {
    auto* s = static_cast<Stream*>(opaque);
    try {
        if (whence & AVSEEK_SIZE) return s->Size();
        switch (whence & ~AVSEEK_FORCE) {
            case SEEK_SET:
                return s->Seek(offset, SeekFrom::Begin);
            case SEEK_CUR:
                return s->Seek(offset, SeekFrom::Current);
            case SEEK_END:
                return s->Seek(offset, SeekFrom::End);
            default:
                return -1;
        }
    } catch (const std::exception&) {
        return -1;
    }
}

}  // namespace

TFfmpegInput::TFfmpegInput(std::unique_ptr<Stream> source, const std::string& name)
    : src_(std::move(source)) {
    // FFmpeg would comment on damaged data on standard error; the player reports what matters
    // in its own words ("サウンドデータが不正です").
    av_log_set_level(AV_LOG_FATAL);
    src_->Seek(0, SeekFrom::Begin);
    auto* buf = static_cast<uint8_t*>(av_malloc(kIoBuffer));
    if (!buf) Fail("out of memory");
    io_ = avio_alloc_context(buf, kIoBuffer, 0, src_.get(), &ReadPacket, nullptr, &SeekStream);
    if (!io_) {
        av_free(buf);
        Fail("out of memory");
    }
    fmt_ = avformat_alloc_context();
    if (!fmt_) {
        av_freep(&io_->buffer);
        avio_context_free(&io_);
        Fail("out of memory");
    }
    fmt_->pb = io_;
    fmt_->flags |= AVFMT_FLAG_CUSTOM_IO;
    // A hostile file must not make the probe read without end.
    fmt_->probesize = 5'000'000;
    fmt_->max_analyze_duration = 5 * AV_TIME_BASE;
    if (avformat_open_input(&fmt_, name.c_str(), nullptr, nullptr) < 0) {
        // avformat_open_input frees the context on failure.
        fmt_ = nullptr;
        av_freep(&io_->buffer);
        avio_context_free(&io_);
        FailBadMedia();
    }
    if (avformat_find_stream_info(fmt_, nullptr) < 0) {
        avformat_close_input(&fmt_);
        av_freep(&io_->buffer);
        avio_context_free(&io_);
        FailBadMedia();
    }
}

TFfmpegInput::~TFfmpegInput() {
    if (fmt_) avformat_close_input(&fmt_);
    if (io_) {
        av_freep(&io_->buffer);
        avio_context_free(&io_);
    }
}

int TFfmpegInput::BestStream(int type) {
    const int i = av_find_best_stream(fmt_, AVMediaType(type), -1, -1, nullptr, 0);
    return i < 0 ? -1 : i;
}

}  // namespace vesk
