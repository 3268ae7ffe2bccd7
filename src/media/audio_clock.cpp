#include "media/audio_clock.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <exception>
#include <thread>

#include "base/clock.h"
#include "media/audio_format.h"

namespace vesk {

namespace {

using SteadyClock = std::chrono::steady_clock;

class RealTicker : public Ticker {
  public:
    RealTicker(uint32_t periodMs, std::function<void()> fn) {
        const auto period = std::chrono::milliseconds(std::max<uint32_t>(periodMs, 1));
        thread_ = std::thread([this, period, fn = std::move(fn)] {
            auto next = SteadyClock::now() + period;
            std::unique_lock lock(m_);
            while (!cv_.wait_until(lock, next, [this] { return stop_; })) {
                lock.unlock();
                try {
                    fn();
                } catch (const std::exception& e) {
                    // A timer thread has nobody to report to; an escaping error would end
                    // the program.
                    std::fprintf(stderr, "veskplay: timer: %s\n", e.what());
                }
                lock.lock();
                next += period;
                // After a long stall, keep the period rather than firing a burst of calls.
                auto now = SteadyClock::now();
                if (next < now) next = now + period;
            }
        });
    }
    ~RealTicker() override {
        {
            std::lock_guard lock(m_);
            stop_ = true;
        }
        cv_.notify_all();
        thread_.join();
    }

  private:
    std::mutex m_;
    std::condition_variable cv_;
    bool stop_ = false;
    std::thread thread_;
};

class RealAudioClock : public AudioClock {
  public:
    uint32_t NowMs() override { return uint32_t(MonotonicMs()); }
    void SleepMs(uint32_t ms) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
    std::unique_ptr<Ticker> StartTicker(uint32_t periodMs, std::function<void()> fn) override {
        return std::make_unique<RealTicker>(periodMs, std::move(fn));
    }
};

}  // namespace

std::unique_ptr<AudioClock> MakeRealAudioClock() {
    return std::make_unique<RealAudioClock>();
}

struct VirtualAudioClock::Entry {
    uint32_t period;
    uint64_t due;
    std::function<void()> fn;
    std::atomic<bool> alive{true};
    std::mutex m;  // held while the callback runs, so destroying the ticker waits for it
};

class VirtualAudioClock::VirtualTicker : public Ticker {
  public:
    explicit VirtualTicker(std::shared_ptr<Entry> e) : e_(std::move(e)) {}
    ~VirtualTicker() override {
        std::lock_guard lock(e_->m);
        e_->alive = false;
    }

  private:
    std::shared_ptr<Entry> e_;
};

uint32_t VirtualAudioClock::NowMs() {
    std::lock_guard lock(m_);
    return static_cast<uint32_t>(now_);
}

std::unique_ptr<Ticker> VirtualAudioClock::StartTicker(uint32_t periodMs,
                                                       std::function<void()> fn) {
    auto e = std::make_shared<Entry>();
    e->period = std::max<uint32_t>(periodMs, 1);
    e->fn = std::move(fn);
    std::lock_guard lock(m_);
    e->due = now_ + e->period;
    entries_.push_back(e);
    return std::make_unique<VirtualTicker>(e);
}

void VirtualAudioClock::SetAudioPull(std::function<void(size_t frames)> pull) {
    std::lock_guard lock(m_);
    pull_ = std::move(pull);
}

void VirtualAudioClock::Advance(uint32_t ms) {
    for (uint32_t i = 0; i < ms; ++i) {
        std::vector<std::shared_ptr<Entry>> due;
        std::function<void(size_t)> pull;
        size_t frames;
        {
            std::lock_guard lock(m_);
            ++now_;
            frames = size_t(FramesAtMs(now_) - FramesAtMs(now_ - 1));
            pull = pull_;
            std::erase_if(entries_, [](const std::shared_ptr<Entry>& e) { return !e->alive; });
            for (auto& e : entries_)
                if (e->due <= now_) {
                    e->due += e->period;
                    due.push_back(e);
                }
        }
        if (pull) pull(frames);
        for (auto& e : due) {
            std::lock_guard el(e->m);
            if (e->alive) e->fn();
        }
    }
}

}  // namespace vesk
