#include "media/audio_system.h"

#include <cstdio>

namespace vesk {

std::unique_ptr<AudioSystem> AudioSystem::Realtime() {
    std::unique_ptr<AudioSystem> a(new AudioSystem);
    a->clock_ = MakeRealAudioClock();
    a->sink_ = std::make_unique<NullAudioSink>(a->bus_, *a->clock_);
    return a;
}

std::unique_ptr<AudioSystem> AudioSystem::Headless(const std::string& wavPath) {
    std::unique_ptr<AudioSystem> a(new AudioSystem);
    auto clock = std::make_unique<VirtualAudioClock>();
    a->virtual_ = clock.get();
    a->clock_ = std::move(clock);
    a->capture_ = std::make_unique<AudioCapture>(*a->virtual_, a->bus_);
    if (!wavPath.empty()) a->capture_->WriteTo(wavPath);
    return a;
}

AudioSystem::~AudioSystem() {
    sink_.reset();
    capture_.reset();
}

void AudioSystem::SetSink(std::unique_ptr<AudioSink> sink) {
    sink_.reset();  // one consumer at a time
    sink_ = std::move(sink);
}

void AudioSystem::KeepAlive() {
    if (!sink_ || !sink_->Lost()) return;
    std::fprintf(stderr, "veskplay: the audio device was lost; the game goes on without sound\n");
    SetSink(std::make_unique<NullAudioSink>(bus_, *clock_));
}

void AudioSystem::Advance(uint32_t ms) {
    if (virtual_) virtual_->Advance(ms);
}

void AudioSystem::Finish() {
    if (capture_) capture_->Finish();
}

}  // namespace vesk
