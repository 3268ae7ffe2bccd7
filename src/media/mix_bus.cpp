#include "media/mix_bus.h"

#include <algorithm>
#include <cstring>

#include "media/audio_format.h"

namespace vesk {

void MixBus::Add(AudioSource* source) {
    std::lock_guard lock(m_);
    if (std::find(sources_.begin(), sources_.end(), source) == sources_.end())
        sources_.push_back(source);
}

void MixBus::Remove(AudioSource* source) {
    std::lock_guard lock(m_);
    std::erase(sources_, source);
}

void MixBus::Pull(int16_t* out, size_t frames) {
    std::lock_guard lock(m_);
    Mix(out, frames);
    if (muted_.load()) std::memset(out, 0, frames * kOutChannels * sizeof(int16_t));
}

void MixBus::Mix(int16_t* out, size_t frames) {
    const size_t n = frames * kOutChannels;
    if (sources_.empty()) {
        std::memset(out, 0, n * sizeof(int16_t));
        return;
    }
    if (sources_.size() == 1) {
        sources_[0]->Render(out, frames);
        return;
    }
    if (tmp_.size() < n) {
        tmp_.resize(n);
        acc_.resize(n);
    }
    std::fill_n(acc_.begin(), n, 0);
    for (AudioSource* s : sources_) {
        s->Render(tmp_.data(), frames);
        for (size_t i = 0; i < n; ++i) acc_[i] += tmp_[i];
    }
    for (size_t i = 0; i < n; ++i) out[i] = SaturateS16(acc_[i]);
}

void WaveOutPort::Write(const uint8_t* data, size_t bytes, std::atomic<bool>* done) {
    std::lock_guard lock(m_);
    done->store(false);
    queue_.push_back(Block{data, bytes, 0, done});
}

void WaveOutPort::Reset() {
    std::lock_guard lock(m_);
    for (Block& b : queue_) b.done->store(true);
    queue_.clear();
}

size_t WaveOutPort::Queued() {
    std::lock_guard lock(m_);
    return queue_.size();
}

void WaveOutPort::Render(int16_t* out, size_t frames) {
    auto* dst = reinterpret_cast<uint8_t*>(out);
    size_t want = frames * kOutBytesPerFrame;
    std::lock_guard lock(m_);
    while (want > 0 && !queue_.empty()) {
        Block& b = queue_.front();
        size_t k = std::min(want, b.bytes - b.pos);
        std::memcpy(dst, b.data + b.pos, k);
        dst += k;
        want -= k;
        b.pos += k;
        if (b.pos >= b.bytes) {
            b.done->store(true);
            queue_.pop_front();
        }
    }
    // An empty queue is an underrun: the device plays silence.
    std::memset(dst, 0, want);
}

}  // namespace vesk
