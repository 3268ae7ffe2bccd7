#pragma once
// The one mix bus of the player: every sound source writes into it and one consumer (the
// audio device, the silent pacer or the headless capture) pulls the mixed 16-bit stereo.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

namespace vesk {

class AudioSource {
  public:
    virtual ~AudioSource() = default;
    // Writes `frames` stereo frames into `out`, silence where the source has nothing.
    virtual void Render(int16_t* out, size_t frames) = 0;
};

class MixBus {
  public:
    // Sources are not owned. Remove waits for a pull in progress, so a source may be
    // destroyed as soon as Remove returns.
    void Add(AudioSource* source);
    void Remove(AudioSource* source);
    // Mixes `frames` stereo frames of every source into `out`, saturating at the 16-bit range.
    void Pull(int16_t* out, size_t frames);
    // While muted every source still plays on (its time passes as usual) but the bus gives
    // silence, so sound comes back where it would have been.
    void SetMuted(bool muted) { muted_.store(muted); }
    bool Muted() const { return muted_.load(); }

  private:
    void Mix(int16_t* out, size_t frames);

    std::atomic<bool> muted_{false};
    std::mutex m_;
    std::vector<AudioSource*> sources_;
    std::vector<int16_t> tmp_;
    std::vector<int32_t> acc_;
};

// What the system's wave-out device was: it plays queued blocks of 16-bit stereo one after
// another as the bus pulls, and marks each block done once it has been played.
class WaveOutPort : public AudioSource {
  public:
    // `data` must stay valid until `done` is set. `bytes` is a multiple of 4.
    void Write(const uint8_t* data, size_t bytes, std::atomic<bool>* done);
    // Drops every queued block, marking each done.
    void Reset();
    size_t Queued();
    void Render(int16_t* out, size_t frames) override;

  private:
    struct Block {
        const uint8_t* data;
        size_t bytes;
        size_t pos;
        std::atomic<bool>* done;
    };
    std::mutex m_;
    std::deque<Block> queue_;
};

}  // namespace vesk
