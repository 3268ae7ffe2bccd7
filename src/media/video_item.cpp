#include "media/video_item.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cstdio>
#include <exception>

#include "media/audio_format.h"
#include "media/ffmpeg_audio.h"
#include "media/ffmpeg_io.h"
#include "media/pcm_convert.h"

namespace vesk {

namespace {

// Pictures larger than this are refused rather than allocated.
constexpr int kMaxSide = 4096;

}  // namespace

struct TVideoItem::Decoder {
    std::unique_ptr<TFfmpegInput> in;
    int index = -1;
    AVStream* st = nullptr;
    AVCodecContext* dec = nullptr;
    SwsContext* sws = nullptr;
    AVPacket* pkt = nullptr;
    AVFrame* ahead = nullptr;  // decoded, not yet due
    AVFrame* cur = nullptr;    // due, not yet converted
    bool haveAhead = false, haveCur = false, eof = false;
    int64_t start = 0;

    ~Decoder() {
        if (sws) sws_freeContext(sws);
        if (dec) avcodec_free_context(&dec);
        if (pkt) av_packet_free(&pkt);
        if (ahead) av_frame_free(&ahead);
        if (cur) av_frame_free(&cur);
    }

    int64_t FrameMs(const AVFrame* f) const {
        int64_t pts = f->best_effort_timestamp;
        if (pts == AV_NOPTS_VALUE) pts = f->pts;
        if (pts == AV_NOPTS_VALUE) return 0;
        return av_rescale_q(pts - start, st->time_base, AVRational{1, 1000});
    }

    // Receives the next picture into `ahead`; false at the end of the data.
    bool Next() {
        for (;;) {
            const int r = avcodec_receive_frame(dec, ahead);
            if (r == 0) return true;
            if (r != AVERROR(EAGAIN)) {
                eof = true;  // the end, or a decoder that gave up
                return false;
            }
            for (;;) {
                if (av_read_frame(in->Format(), pkt) < 0) {
                    avcodec_send_packet(dec, nullptr);
                    break;
                }
                if (pkt->stream_index != index) {
                    av_packet_unref(pkt);
                    continue;
                }
                avcodec_send_packet(dec, pkt);  // a damaged packet is skipped
                av_packet_unref(pkt);
                break;
            }
        }
    }
};

TVideoItem::TVideoItem(std::unique_ptr<Stream> picture, std::unique_ptr<Stream> sound,
                       const std::string& name, MixBus& bus, TDecodeFeeder& feeder)
    : dec_(std::make_unique<Decoder>()) {
    Decoder& d = *dec_;
    d.in = std::make_unique<TFfmpegInput>(std::move(picture), name);
    d.index = d.in->BestStream(AVMEDIA_TYPE_VIDEO);
    if (d.index < 0) FailBadMedia();
    d.st = d.in->Format()->streams[d.index];
    const AVCodec* codec = avcodec_find_decoder(d.st->codecpar->codec_id);
    if (!codec) FailBadMedia();
    d.dec = avcodec_alloc_context3(codec);
    if (!d.dec || avcodec_parameters_to_context(d.dec, d.st->codecpar) < 0) FailBadMedia();
    d.dec->pkt_timebase = d.st->time_base;
    // One thread: the pictures come as soon as their packets are in, and the players of a
    // shared machine keep their share.
    d.dec->thread_count = 1;
    if (avcodec_open2(d.dec, codec, nullptr) < 0) FailBadMedia();
    if (d.dec->width <= 0 || d.dec->height <= 0 || d.dec->width > kMaxSide ||
        d.dec->height > kMaxSide)
        FailBadMedia();
    d.pkt = av_packet_alloc();
    d.ahead = av_frame_alloc();
    d.cur = av_frame_alloc();
    if (!d.pkt || !d.ahead || !d.cur) FailBadMedia();
    for (unsigned i = 0; i < d.in->Format()->nb_streams; ++i)
        if (int(i) != d.index) d.in->Format()->streams[i]->discard = AVDISCARD_ALL;
    d.start = d.st->start_time == AV_NOPTS_VALUE ? 0 : d.st->start_time;
    if (d.st->duration > 0 && d.st->duration != AV_NOPTS_VALUE)
        length_ = av_rescale_q(d.st->duration, d.st->time_base, AVRational{1, 1000});
    else if (d.in->Format()->duration > 0)
        length_ = d.in->Format()->duration / (AV_TIME_BASE / 1000);
    frame_.SetSize(d.dec->width, d.dec->height, 32);

    if (sound) {
        try {
            auto pcm = std::make_unique<TFfmpegAudioStream>(std::move(sound), name);
            sound_ = std::make_unique<TStreamPlayer>(bus, feeder, ToMixFormat(std::move(pcm)));
            sound_->SetGain(DecibelGain(vol_, pan_));
            if (length_ <= 0) length_ = sound_->Length() * 1000 / kOutRate;
        } catch (const std::exception&) {
            sound_.reset();  // a picture without its sound still plays
        }
    }
    // The first picture is there before playing starts.
    DecodeUpTo(0);
}

TVideoItem::~TVideoItem() = default;

int TVideoItem::SourceWidth() const {
    return frame_.Width();
}

int TVideoItem::SourceHeight() const {
    return frame_.Height();
}

void TVideoItem::SetAutoRepeat(bool repeat) {
    repeat_ = repeat;
    if (sound_) sound_->SetLoop(repeat);
}

void TVideoItem::SetRepeatPos(int ms) {
    repeatPos_ = std::max(ms, 0);
    if (sound_) sound_->SetLoopStart(int64_t(repeatPos_) * kOutRate / 1000);
}

void TVideoItem::SetPan(int pan) {
    pan_ = std::clamp(pan, -10000, 10000);
    if (sound_) sound_->SetGain(DecibelGain(vol_, pan_));
}

void TVideoItem::SetVol(int vol) {
    vol_ = std::clamp(vol, -10000, 0);
    if (sound_) sound_->SetGain(DecibelGain(vol_, pan_));
}

void TVideoItem::SetPosition(int ms) {
    clock_ = std::clamp<int64_t>(ms, 0, std::max<int64_t>(length_, 0));
    ended_ = endTold_ = false;
    SeekPicture(clock_);
    if (sound_) sound_->SetPosition(clock_ * kOutRate / 1000);
}

bool TVideoItem::IsEnd() {
    if (!ended_ || endTold_) return false;
    endTold_ = true;
    return true;
}

void TVideoItem::Play() {
    if (HeldBySwitch()) return;
    if (ended_) SetPosition(0);
    playing_ = true;
    paused_ = false;
    endTold_ = false;
    if (sound_) sound_->Play();
}

void TVideoItem::Pause() {
    paused_ = true;
    if (sound_) sound_->Pause();
}

bool TVideoItem::NeedPaint() {
    const bool n = needPaint_;
    needPaint_ = false;
    return n;
}

void TVideoItem::Update(int32_t elapsedMs) {
    if (!playing_ || paused_ || ended_) return;
    clock_ += std::max(elapsedMs, 0);
    if (length_ > 0 && clock_ >= length_) {
        if (repeat_ && repeatPos_ < length_) {
            // Round again from the repeat position; the sound loops by itself.
            clock_ = repeatPos_ + (clock_ - length_) % (length_ - repeatPos_);
            SeekPicture(clock_);
            return;
        }
        DecodeUpTo(length_);
        clock_ = length_;
        ended_ = true;
        return;
    }
    DecodeUpTo(clock_);
    if (length_ <= 0 && dec_->eof && (!sound_ || sound_->Ended())) ended_ = true;
}

void TVideoItem::SeekPicture(int64_t ms) {
    Decoder& d = *dec_;
    const int64_t ts = d.start + av_rescale_q(ms, AVRational{1, 1000}, d.st->time_base);
    av_seek_frame(d.in->Format(), d.index, ts, AVSEEK_FLAG_BACKWARD);
    avcodec_flush_buffers(d.dec);
    av_frame_unref(d.ahead);
    av_frame_unref(d.cur);
    d.haveAhead = d.haveCur = d.eof = false;
    DecodeUpTo(ms);
}

void TVideoItem::DecodeUpTo(int64_t ms) {
    Decoder& d = *dec_;
    for (;;) {
        if (!d.haveAhead) {
            if (d.eof || !d.Next()) break;
            d.haveAhead = true;
        }
        if (d.FrameMs(d.ahead) > ms) break;
        av_frame_unref(d.cur);
        av_frame_move_ref(d.cur, d.ahead);
        d.haveAhead = false;
        d.haveCur = true;
    }
    if (!d.haveCur) return;
    d.haveCur = false;
    const AVFrame* f = d.cur;
    if (f->width <= 0 || f->height <= 0 || f->width > kMaxSide || f->height > kMaxSide) return;
    if (f->width != frame_.Width() || f->height != frame_.Height())
        frame_.SetSize(f->width, f->height, 32);
    d.sws =
        sws_getCachedContext(d.sws, f->width, f->height, AVPixelFormat(f->format), f->width,
                             f->height, AV_PIX_FMT_BGR0, SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (!d.sws) return;
    uint8_t* dst[1] = {frame_.PixelAddress(0, 0)};
    const int pitch[1] = {int(frame_.Pitch())};
    sws_scale(d.sws, f->data, f->linesize, 0, f->height, dst, pitch);
    av_frame_unref(d.cur);
    needPaint_ = true;
}

}  // namespace vesk
