#include "media/stream_player.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>

#include "media/audio_format.h"

namespace vesk {

namespace {

constexpr size_t kChunkFrames = 2048;
constexpr size_t kRingFrames = TStreamPlayer::kAheadFrames + kChunkFrames;

int32_t DecibelFactor(int hundredths) {
    if (hundredths >= 0) return 65536;
    if (hundredths <= -10000) return 0;
    return int32_t(std::lround(65536.0 * std::pow(10.0, hundredths / 2000.0)));
}

}  // namespace

TStereoGain DecibelGain(int vol, int pan) {
    vol = std::clamp(vol, -10000, 0);
    pan = std::clamp(pan, -10000, 10000);
    return TStereoGain{DecibelFactor(vol - std::max(pan, 0)),
                       DecibelFactor(vol + std::min(pan, 0))};
}

TStreamPlayer::TStreamPlayer(MixBus& bus, TDecodeFeeder& feeder, std::unique_ptr<TOggStream> pcm)
    : bus_(bus), feeder_(feeder), pcm_(std::move(pcm)) {
    ring_.resize(kRingFrames * 2);
    chunk_.resize(kChunkFrames * 2);
    segments_.push_back({0, 0});
    bus_.Add(this);
    feeder_.Add(this);
}

TStreamPlayer::~TStreamPlayer() {
    feeder_.Remove(this);
    bus_.Remove(this);
}

void TStreamPlayer::Play() {
    Fill();
    playing_ = true;
}

void TStreamPlayer::Pause() {
    playing_ = false;
}

void TStreamPlayer::SetPosition(int64_t frame) {
    Restart(std::max<int64_t>(frame, 0));
}

void TStreamPlayer::Restart(int64_t frame) {
    std::lock_guard d(decodeM_);
    int64_t at = 0;
    try {
        at = pcm_->SetPos(frame * kOutBytesPerFrame) / kOutBytesPerFrame;
        decodeDone_ = false;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "veskplay: sound stream: %s\n", e.what());
        decodeDone_ = true;
    }
    {
        std::lock_guard q(queueM_);
        written_ = read_ = 0;
        segments_.assign(1, Segment{0, at});
        queueDone_ = decodeDone_;
    }
    while (DecodeChunk()) {
    }
}

int64_t TStreamPlayer::Position() {
    std::lock_guard q(queueM_);
    const Segment& s = segments_.front();
    return s.frame + int64_t(read_ - s.at);
}

int64_t TStreamPlayer::Length() {
    std::lock_guard d(decodeM_);
    return pcm_->GetSize() / kOutBytesPerFrame;
}

void TStreamPlayer::SetLoop(bool loop) {
    std::lock_guard d(decodeM_);
    loop_ = loop;
    if (!loop || !decodeDone_) return;
    // The data had run out: carry on at the loop start after what is queued.
    try {
        const int64_t at = pcm_->SetPos(loopStart_ * kOutBytesPerFrame) / kOutBytesPerFrame;
        std::lock_guard q(queueM_);
        if (queueDone_ && read_ == written_) return;  // already over and heard
        segments_.push_back({written_, at});
        queueDone_ = false;
        decodeDone_ = false;
    } catch (const std::exception&) {
    }
}

void TStreamPlayer::SetLoopStart(int64_t frame) {
    std::lock_guard d(decodeM_);
    loopStart_ = std::max<int64_t>(frame, 0);
}

void TStreamPlayer::SetGain(TStereoGain g) {
    gainL_ = std::clamp(g.left, 0, 65536);
    gainR_ = std::clamp(g.right, 0, 65536);
}

bool TStreamPlayer::Ended() {
    std::lock_guard q(queueM_);
    return queueDone_ && read_ == written_;
}

void TStreamPlayer::Fill() {
    std::lock_guard d(decodeM_);
    while (DecodeChunk()) {
    }
}

bool TStreamPlayer::DecodeChunk() {
    if (decodeDone_) return false;
    {
        std::lock_guard q(queueM_);
        if (kRingFrames - size_t(written_ - read_) < kChunkFrames) return false;
    }
    size_t frames = 0;
    try {
        // At the end of the data a looping sound goes on at its loop start; one that gives
        // nothing there either is over (an empty or broken loop would spin for ever).
        for (int attempt = 0; attempt < 2 && frames == 0; ++attempt) {
            frames =
                pcm_->Read(chunk_.data(), kChunkFrames * kOutBytesPerFrame) / kOutBytesPerFrame;
            if (frames > 0 || !loop_ || attempt == 1) break;
            const int64_t at = pcm_->SetPos(loopStart_ * kOutBytesPerFrame) / kOutBytesPerFrame;
            std::lock_guard q(queueM_);
            segments_.push_back({written_, at});
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "veskplay: sound stream: %s\n", e.what());
        frames = 0;
    }
    std::lock_guard q(queueM_);
    if (frames == 0) {
        decodeDone_ = true;
        queueDone_ = true;
        return false;
    }
    for (size_t i = 0; i < frames; ++i) {
        const size_t slot = size_t((written_ + i) % kRingFrames) * 2;
        ring_[slot] = chunk_[i * 2];
        ring_[slot + 1] = chunk_[i * 2 + 1];
    }
    written_ += frames;
    return true;
}

void TStreamPlayer::Render(int16_t* out, size_t frames) {
    std::lock_guard q(queueM_);
    size_t k = 0;
    if (playing_) {
        k = std::min<size_t>(frames, size_t(written_ - read_));
        const int32_t gl = gainL_, gr = gainR_;
        for (size_t i = 0; i < k; ++i) {
            const size_t slot = size_t((read_ + i) % kRingFrames) * 2;
            out[i * 2] = int16_t((int32_t(ring_[slot]) * gl) >> 16);
            out[i * 2 + 1] = int16_t((int32_t(ring_[slot + 1]) * gr) >> 16);
        }
        read_ += k;
        while (segments_.size() > 1 && segments_[1].at <= read_) segments_.pop_front();
    }
    // Paused, or the queue ran dry: silence, and the position stays.
    std::memset(out + k * 2, 0, (frames - k) * kOutBytesPerFrame);
}

// ---- TDecodeFeeder

TDecodeFeeder::TDecodeFeeder(AudioClock& clock) {
    ticker_ = clock.StartTicker(kPeriodMs, [this] { Tick(); });
}

TDecodeFeeder::~TDecodeFeeder() {
    ticker_.reset();
}

void TDecodeFeeder::Add(TStreamPlayer* p) {
    std::lock_guard lock(m_);
    players_.push_back(p);
}

void TDecodeFeeder::Remove(TStreamPlayer* p) {
    std::lock_guard lock(m_);
    std::erase(players_, p);
}

void TDecodeFeeder::Tick() {
    std::lock_guard lock(m_);
    for (TStreamPlayer* p : players_) p->Fill();
}

}  // namespace vesk
