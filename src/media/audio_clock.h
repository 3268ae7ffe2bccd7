#pragma once
// The millisecond clock of the audio path and its periodic timers. The real clock runs each
// timer on its own thread; the virtual clock of headless runs fires them, and pulls the mixed
// audio, inside Advance, so a test hears exactly what a player would.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace vesk {

// A running periodic timer; destroying it stops it and waits for a call in progress.
// Never destroy a ticker from inside its own callback.
class Ticker {
  public:
    virtual ~Ticker() = default;
};

class AudioClock {
  public:
    virtual ~AudioClock() = default;
    // Milliseconds of the multimedia clock; wraps like a 32-bit counter.
    virtual uint32_t NowMs() = 0;
    virtual void SleepMs(uint32_t ms) = 0;
    // Calls `fn` every `periodMs` milliseconds until the ticker is destroyed.
    virtual std::unique_ptr<Ticker> StartTicker(uint32_t periodMs, std::function<void()> fn) = 0;
};

// The monotonic clock of the machine; tickers run on their own threads.
std::unique_ptr<AudioClock> MakeRealAudioClock();

// Time that moves only when told to. Sleeping does not move it (the thread that sleeps is
// the one that would have to advance it).
class VirtualAudioClock : public AudioClock {
  public:
    uint32_t NowMs() override;
    void SleepMs(uint32_t) override {}
    std::unique_ptr<Ticker> StartTicker(uint32_t periodMs, std::function<void()> fn) override;

    // Called with the number of output frames due for each millisecond, before the tickers
    // due at the end of that millisecond fire.
    void SetAudioPull(std::function<void(size_t frames)> pull);
    // Moves time forward millisecond by millisecond.
    void Advance(uint32_t ms);

  private:
    struct Entry;
    class VirtualTicker;
    std::mutex m_;
    uint64_t now_ = 0;
    std::vector<std::shared_ptr<Entry>> entries_;
    std::function<void(size_t)> pull_;
};

}  // namespace vesk
