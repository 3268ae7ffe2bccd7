#include "media/ffmpeg_audio.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cstring>
#include <vector>

#include "media/audio_format.h"
#include "media/ffmpeg_io.h"

namespace vesk {

struct TFfmpegAudioStream::Impl {
    std::unique_ptr<TFfmpegInput> in;
    int index = -1;
    AVStream* st = nullptr;
    AVCodecContext* dec = nullptr;
    SwrContext* swr = nullptr;
    AVPacket* pkt = nullptr;
    AVFrame* frame = nullptr;
    // Converted frames not yet read (16-bit stereo).
    std::vector<int16_t> pending;
    size_t pendingPos = 0;  // in samples
    int64_t pos = 0;        // output frames handed out
    int64_t size = 0;       // output frames
    bool sizeExact = false;
    bool eof = false;      // the decoder has given everything
    bool flushed = false;  // the converter has given its tail
    int64_t skip = 0;      // output frames to drop after a seek

    ~Impl() {
        if (swr) swr_free(&swr);
        if (dec) avcodec_free_context(&dec);
        if (pkt) av_packet_free(&pkt);
        if (frame) av_frame_free(&frame);
    }

    void Setup() {
        swr_free(&swr);
        AVChannelLayout out = AV_CHANNEL_LAYOUT_STEREO;
        AVChannelLayout inLayout{};
        if (dec->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || dec->ch_layout.nb_channels <= 0)
            av_channel_layout_default(&inLayout, std::max(dec->ch_layout.nb_channels, 1));
        else
            av_channel_layout_copy(&inLayout, &dec->ch_layout);
        const int r = swr_alloc_set_opts2(&swr, &out, AV_SAMPLE_FMT_S16, kOutRate, &inLayout,
                                          dec->sample_fmt, dec->sample_rate, 0, nullptr);
        av_channel_layout_uninit(&inLayout);
        // A mono source sounds on both sides at its full level, as the mixer plays it (the
        // converter's own choice would be 3 dB lower).
        static const double kMonoToStereo[2] = {1.0, 1.0};
        if (r >= 0 && dec->ch_layout.nb_channels == 1) swr_set_matrix(swr, kMonoToStereo, 1);
        if (r < 0 || swr_init(swr) < 0) FailBadMedia();
    }

    // Converts one decoded frame (or the converter's tail when null) into `pending`.
    void Convert(const AVFrame* f) {
        const int inSamples = f ? f->nb_samples : 0;
        const int outMax = swr_get_out_samples(swr, inSamples);
        if (outMax <= 0) return;
        std::vector<int16_t> buf(size_t(outMax) * 2);
        uint8_t* outPlanes[1] = {reinterpret_cast<uint8_t*>(buf.data())};
        const int n =
            swr_convert(swr, outPlanes, outMax,
                        f ? const_cast<const uint8_t**>(f->extended_data) : nullptr, inSamples);
        if (n <= 0) return;
        size_t from = 0;
        if (skip > 0) {
            const int64_t drop = std::min<int64_t>(skip, n);
            skip -= drop;
            from = size_t(drop) * 2;
        }
        if (pendingPos >= pending.size()) {
            pending.clear();
            pendingPos = 0;
        }
        pending.insert(pending.end(), buf.begin() + ptrdiff_t(from),
                       buf.begin() + ptrdiff_t(size_t(n) * 2));
    }

    // Decodes until something is pending or the data is over; false at the end.
    bool Decode() {
        while (pendingPos >= pending.size()) {
            if (eof) {
                if (flushed) return false;
                flushed = true;
                Convert(nullptr);
                continue;
            }
            const int r = avcodec_receive_frame(dec, frame);
            if (r == 0) {
                if (frame->sample_rate != dec->sample_rate || frame->format != dec->sample_fmt ||
                    av_channel_layout_compare(&frame->ch_layout, &dec->ch_layout) != 0) {
                    // The format changed within the stream: the converter follows it.
                    dec->sample_rate = frame->sample_rate;
                    dec->sample_fmt = AVSampleFormat(frame->format);
                    av_channel_layout_uninit(&dec->ch_layout);
                    av_channel_layout_copy(&dec->ch_layout, &frame->ch_layout);
                    Setup();
                }
                Convert(frame);
                av_frame_unref(frame);
                continue;
            }
            if (r == AVERROR_EOF) {
                eof = true;
                continue;
            }
            if (r != AVERROR(EAGAIN)) {
                eof = true;  // a decoder error ends the sound where it happened
                continue;
            }
            // The decoder wants more data.
            for (;;) {
                const int rr = av_read_frame(in->Format(), pkt);
                if (rr < 0) {
                    avcodec_send_packet(dec, nullptr);
                    break;
                }
                if (pkt->stream_index != index) {
                    av_packet_unref(pkt);
                    continue;
                }
                const int sr = avcodec_send_packet(dec, pkt);
                av_packet_unref(pkt);
                // A damaged packet is skipped; the next one may decode.
                (void)sr;
                break;
            }
        }
        return true;
    }
};

TFfmpegAudioStream::TFfmpegAudioStream(std::unique_ptr<Stream> source, const std::string& name)
    : impl_(std::make_unique<Impl>()) {
    Impl& m = *impl_;
    m.in = std::make_unique<TFfmpegInput>(std::move(source), name);
    m.index = m.in->BestStream(AVMEDIA_TYPE_AUDIO);
    if (m.index < 0) FailBadMedia();
    m.st = m.in->Format()->streams[m.index];
    const AVCodec* codec = avcodec_find_decoder(m.st->codecpar->codec_id);
    if (!codec) FailBadMedia();
    m.dec = avcodec_alloc_context3(codec);
    if (!m.dec || avcodec_parameters_to_context(m.dec, m.st->codecpar) < 0) FailBadMedia();
    m.dec->pkt_timebase = m.st->time_base;
    if (avcodec_open2(m.dec, codec, nullptr) < 0) FailBadMedia();
    if (m.dec->sample_rate <= 0 || m.dec->sample_rate > 384000 || m.dec->ch_layout.nb_channels <= 0)
        FailBadMedia();
    m.pkt = av_packet_alloc();
    m.frame = av_frame_alloc();
    if (!m.pkt || !m.frame) FailBadMedia();
    m.Setup();
    // Only the other streams are dropped by the demuxer.
    for (unsigned i = 0; i < m.in->Format()->nb_streams; ++i)
        if (int(i) != m.index) m.in->Format()->streams[i]->discard = AVDISCARD_ALL;
    int64_t duration = 0;
    if (m.st->duration > 0 && m.st->duration != AV_NOPTS_VALUE)
        duration = av_rescale_q(m.st->duration, m.st->time_base, AVRational{1, kOutRate});
    else if (m.in->Format()->duration > 0)
        duration = av_rescale(m.in->Format()->duration, kOutRate, AV_TIME_BASE);
    // A day at most, whatever the container claims.
    m.size = std::clamp<int64_t>(duration, 0, int64_t(kOutRate) * 86400);
}

TFfmpegAudioStream::~TFfmpegAudioStream() = default;

TWavFormat TFfmpegAudioStream::GetFormat() {
    return TWavFormat{kOutChannels, kOutRate, 16};
}

size_t TFfmpegAudioStream::Read(void* dst, size_t n) {
    Impl& m = *impl_;
    auto* out = static_cast<uint8_t*>(dst);
    size_t frames = n / kOutBytesPerFrame, got = 0;
    while (got < frames) {
        if (!m.Decode()) {
            // Now the real length is known.
            m.size = m.pos;
            m.sizeExact = true;
            break;
        }
        const size_t avail = (m.pending.size() - m.pendingPos) / 2;
        const size_t k = std::min(avail, frames - got);
        std::memcpy(out + got * kOutBytesPerFrame, m.pending.data() + m.pendingPos,
                    k * kOutBytesPerFrame);
        m.pendingPos += k * 2;
        got += k;
        m.pos += int64_t(k);
    }
    if (!m.sizeExact && m.pos > m.size) m.size = m.pos;
    return got * kOutBytesPerFrame;
}

int64_t TFfmpegAudioStream::GetPos() {
    return impl_->pos * kOutBytesPerFrame;
}

int64_t TFfmpegAudioStream::SetPos(int64_t pos) {
    Impl& m = *impl_;
    int64_t target = std::clamp<int64_t>(pos, 0, m.size * kOutBytesPerFrame) / kOutBytesPerFrame;
    if (target == m.pos) return m.pos * kOutBytesPerFrame;  // already there: no seek
    const int64_t ts = av_rescale_q(target, AVRational{1, kOutRate}, m.st->time_base);
    const int64_t start = m.st->start_time == AV_NOPTS_VALUE ? 0 : m.st->start_time;
    if (av_seek_frame(m.in->Format(), m.index, start + ts, AVSEEK_FLAG_BACKWARD) < 0 &&
        av_seek_frame(m.in->Format(), m.index, start, AVSEEK_FLAG_BACKWARD | AVSEEK_FLAG_BYTE) < 0)
        target = 0;
    avcodec_flush_buffers(m.dec);
    m.Setup();
    m.pending.clear();
    m.pendingPos = 0;
    m.eof = m.flushed = false;
    // The demuxer lands on a packet at or before the target: decode from there and drop what
    // comes before. The first packet's time says how much that is.
    m.skip = 0;
    for (;;) {
        const int rr = av_read_frame(m.in->Format(), m.pkt);
        if (rr < 0) {
            m.eof = true;
            avcodec_send_packet(m.dec, nullptr);
            break;
        }
        if (m.pkt->stream_index != m.index) {
            av_packet_unref(m.pkt);
            continue;
        }
        int64_t pts = m.pkt->pts != AV_NOPTS_VALUE ? m.pkt->pts : m.pkt->dts;
        int64_t at = pts == AV_NOPTS_VALUE
                         ? target
                         : av_rescale_q(pts - start, m.st->time_base, AVRational{1, kOutRate});
        m.skip = std::max<int64_t>(0, target - std::max<int64_t>(at, 0));
        avcodec_send_packet(m.dec, m.pkt);
        av_packet_unref(m.pkt);
        break;
    }
    m.pos = target;
    return m.pos * kOutBytesPerFrame;
}

int64_t TFfmpegAudioStream::GetSize() {
    return impl_->size * kOutBytesPerFrame;
}

int TFfmpegAudioStream::GetLen() {
    return int(
        std::min<int64_t>(RoundHalfEven((long double)impl_->size * 1000 / kOutRate), 0x7FFFFFFF));
}

}  // namespace vesk
