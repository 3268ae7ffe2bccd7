#include "media/pcm_convert.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/samplefmt.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cstring>
#include <vector>

#include "media/audio_format.h"
#include "media/ffmpeg_io.h"

namespace vesk {

bool IsMixFormat(const TWavFormat& f) {
    return f.channels == kOutChannels && f.samplesPerSec == kOutRate && f.bitsPerSample == 16 &&
           !f.floatSamples;
}

namespace {

constexpr int kMaxChannels = 8;
constexpr size_t kChunkFrames = 4096;

// How the converter reads the source's samples; 24-bit samples are widened to 32 bits first.
AVSampleFormat InputFormat(const TWavFormat& f) {
    const int width = (f.bitsPerSample + 7) / 8;
    if (f.floatSamples) return width == 4 ? AV_SAMPLE_FMT_FLT : AV_SAMPLE_FMT_DBL;
    switch (width) {
        case 1:
            return AV_SAMPLE_FMT_U8;
        case 2:
            return AV_SAMPLE_FMT_S16;
        case 3:
        case 4:
            return AV_SAMPLE_FMT_S32;
        case 8:
            return AV_SAMPLE_FMT_S64;
        default:
            return AV_SAMPLE_FMT_NONE;
    }
}

}  // namespace

struct TConvertedStream::Impl {
    std::unique_ptr<TOggStream> src;
    TWavFormat in;
    int width = 2;        // bytes of one source sample
    int64_t inFrame = 0;  // bytes of one source frame
    AVSampleFormat fmt = AV_SAMPLE_FMT_NONE;
    SwrContext* swr = nullptr;
    std::vector<uint8_t> raw, wide;
    std::vector<int16_t> pending;
    size_t pendingPos = 0;
    int64_t pos = 0;   // output frames handed out
    int64_t size = 0;  // output frames
    bool srcDone = false, flushed = false;

    ~Impl() {
        if (swr) swr_free(&swr);
    }

    void Setup() {
        swr_free(&swr);
        AVChannelLayout inLayout{}, out = AV_CHANNEL_LAYOUT_STEREO;
        av_channel_layout_default(&inLayout, in.channels);
        const int r = swr_alloc_set_opts2(&swr, &out, AV_SAMPLE_FMT_S16, kOutRate, &inLayout, fmt,
                                          in.samplesPerSec, 0, nullptr);
        av_channel_layout_uninit(&inLayout);
        // A mono source sounds on both sides at its full level, as the mixer plays it (the
        // converter's own choice would be 3 dB lower).
        static const double kMonoToStereo[2] = {1.0, 1.0};
        if (r >= 0 && in.channels == 1) swr_set_matrix(swr, kMonoToStereo, 1);
        if (r < 0 || swr_init(swr) < 0) FailBadMedia();
        pending.clear();
        pendingPos = 0;
        srcDone = flushed = false;
    }

    // Fills `pending` with more output; false when nothing more will come.
    bool More() {
        if (pendingPos >= pending.size()) {
            pending.clear();
            pendingPos = 0;
        }
        while (pending.empty()) {
            if (flushed) return false;
            const uint8_t* data = nullptr;
            int frames = 0;
            if (!srcDone) {
                raw.resize(kChunkFrames * size_t(inFrame));
                size_t got = src->Read(raw.data(), raw.size());
                got -= got % size_t(inFrame);
                frames = int(got / size_t(inFrame));
                if (frames == 0) srcDone = true;
                data = raw.data();
                if (width == 3 && frames > 0) {
                    // Widen 24-bit samples to 32 bits, keeping their sign.
                    const size_t samples = size_t(frames) * size_t(in.channels);
                    wide.resize(samples * 4);
                    for (size_t i = 0; i < samples; ++i) {
                        const uint8_t* p = raw.data() + i * 3;
                        const uint32_t v =
                            uint32_t(p[0]) << 8 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 24;
                        std::memcpy(wide.data() + i * 4, &v, 4);
                    }
                    data = wide.data();
                }
            } else {
                flushed = true;  // the converter's tail
            }
            const int outMax = swr_get_out_samples(swr, frames);
            if (outMax <= 0) continue;
            pending.resize(size_t(outMax) * 2);
            uint8_t* outPlanes[1] = {reinterpret_cast<uint8_t*>(pending.data())};
            const uint8_t* inPlanes[1] = {data};
            const int n = swr_convert(swr, outPlanes, outMax, frames ? inPlanes : nullptr, frames);
            pending.resize(size_t(std::max(n, 0)) * 2);
        }
        return true;
    }
};

TConvertedStream::TConvertedStream(std::unique_ptr<TOggStream> source)
    : impl_(std::make_unique<Impl>()) {
    Impl& m = *impl_;
    m.src = std::move(source);
    m.in = m.src->GetFormat();
    m.fmt = InputFormat(m.in);
    if (m.fmt == AV_SAMPLE_FMT_NONE || m.in.channels <= 0 || m.in.channels > kMaxChannels ||
        m.in.samplesPerSec <= 0 || m.in.samplesPerSec > 384000)
        FailBadMedia();
    m.width = (m.in.bitsPerSample + 7) / 8;
    m.inFrame = int64_t(m.width) * m.in.channels;
    m.Setup();
    const int64_t inFrames = m.src->GetSize() / m.inFrame;
    m.size = int64_t((long double)inFrames * kOutRate / m.in.samplesPerSec + 0.5L);
}

TConvertedStream::~TConvertedStream() = default;

TWavFormat TConvertedStream::GetFormat() {
    return TWavFormat{kOutChannels, kOutRate, 16};
}

size_t TConvertedStream::Read(void* dst, size_t n) {
    Impl& m = *impl_;
    auto* out = static_cast<uint8_t*>(dst);
    const size_t frames = n / kOutBytesPerFrame;
    size_t got = 0;
    while (got < frames && m.More()) {
        const size_t k = std::min((m.pending.size() - m.pendingPos) / 2, frames - got);
        std::memcpy(out + got * kOutBytesPerFrame, m.pending.data() + m.pendingPos,
                    k * kOutBytesPerFrame);
        m.pendingPos += k * 2;
        got += k;
    }
    m.pos += int64_t(got);
    // Rounding in the converter may make the data a few frames longer or shorter than the
    // computed size; the end of the data is what counts.
    if (got < frames) m.size = m.pos;
    if (m.pos > m.size) m.size = m.pos;
    return got * kOutBytesPerFrame;
}

int64_t TConvertedStream::GetPos() {
    return impl_->pos * kOutBytesPerFrame;
}

int64_t TConvertedStream::SetPos(int64_t pos) {
    Impl& m = *impl_;
    const int64_t target = std::clamp<int64_t>(pos / kOutBytesPerFrame, 0, m.size);
    // The mixer sets the position it read to before every block: no seek then, or the
    // converter would start over (and drop its filter's history) each time.
    if (target == m.pos) return m.pos * kOutBytesPerFrame;
    const int64_t inFrame = int64_t((long double)target * m.in.samplesPerSec / kOutRate);
    m.src->SetPos(inFrame * m.inFrame);
    m.Setup();
    m.pos = target;
    return m.pos * kOutBytesPerFrame;
}

int64_t TConvertedStream::GetSize() {
    return impl_->size * kOutBytesPerFrame;
}

int TConvertedStream::GetLen() {
    return impl_->src->GetLen();
}

std::unique_ptr<TOggStream> ToMixFormat(std::unique_ptr<TOggStream> s) {
    if (IsMixFormat(s->GetFormat())) return s;
    return std::make_unique<TConvertedStream>(std::move(s));
}

}  // namespace vesk
