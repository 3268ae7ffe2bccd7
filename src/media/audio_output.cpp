#include "media/audio_output.h"

#include "media/audio_format.h"

namespace vesk {

NullAudioSink::NullAudioSink(MixBus& bus, AudioClock& clock)
    : bus_(bus), clock_(clock), startMs_(clock.NowMs()) {
    ticker_ = clock_.StartTicker(10, [this] { Tick(); });
}

NullAudioSink::~NullAudioSink() {
    ticker_.reset();
}

void NullAudioSink::Tick() {
    const uint64_t due = FramesAtMs(clock_.NowMs() - startMs_);
    if (due <= pulledFrames_) return;
    // After a stall, catch up at most one second so a long pause does not burst.
    uint64_t frames = due - pulledFrames_;
    if (frames > uint64_t(kOutRate)) {
        pulledFrames_ = due - kOutRate;
        frames = kOutRate;
    }
    buf_.resize(size_t(frames) * kOutChannels);
    bus_.Pull(buf_.data(), size_t(frames));
    pulledFrames_ += frames;
}

AudioCapture::AudioCapture(VirtualAudioClock& clock, MixBus& bus) : clock_(clock), bus_(bus) {
    clock_.SetAudioPull([this](size_t frames) { Pull(frames); });
}

AudioCapture::~AudioCapture() {
    clock_.SetAudioPull(nullptr);
}

void AudioCapture::WriteTo(const std::string& wavPath) {
    writer_ = std::make_unique<WavFileWriter>(wavPath);
}

void AudioCapture::Pull(size_t frames) {
    buf_.resize(frames * kOutChannels);
    bus_.Pull(buf_.data(), frames);
    frames_ += frames;
    if (keep_) samples_.insert(samples_.end(), buf_.begin(), buf_.end());
    if (writer_) writer_->Append(buf_.data(), frames);
}

void AudioCapture::Finish() {
    if (writer_) writer_->Finish();
}

}  // namespace vesk
