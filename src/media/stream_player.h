#pragma once
// The direct sound path: a decoded stream played straight into the mix bus with volume and
// pan, the way the system's sound buffers played compressed sound. A decoder thread keeps
// a short queue of converted audio ahead of the device, so the audio thread never decodes
// or reads a file; starting and seeking fill the queue at once, so a sound starts on the
// very sample it was asked for.
#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

#include "media/audio_clock.h"
#include "media/decoded_stream.h"
#include "media/mix_bus.h"

namespace vesk {

class TDecodeFeeder;

// Gains in 1/65536 for the left and right channel.
struct TStereoGain {
    int32_t left = 65536;
    int32_t right = 65536;
};

// DirectSound's laws: volume in hundredths of a decibel (-10000 silent .. 0), pan
// attenuating the far channel by as many hundredths of a decibel.
TStereoGain DecibelGain(int vol, int pan);

class TStreamPlayer : public AudioSource {
  public:
    // Frames of converted audio kept ahead; filled at once on Play and SetPosition.
    static constexpr size_t kAheadFrames = 8192;

    // The stream must be in the mix format (see ToMixFormat).
    TStreamPlayer(MixBus& bus, TDecodeFeeder& feeder, std::unique_ptr<TOggStream> pcm);
    ~TStreamPlayer() override;
    TStreamPlayer(const TStreamPlayer&) = delete;
    TStreamPlayer& operator=(const TStreamPlayer&) = delete;

    // Main thread.
    void Play();
    void Pause();
    bool Playing() const { return playing_.load(); }
    // Output frames (44100 Hz) from the stream's start.
    void SetPosition(int64_t frame);
    // The frame being heard now.
    int64_t Position();
    int64_t Length();
    void SetLoop(bool loop);
    bool Loop() const { return loop_; }
    void SetLoopStart(int64_t frame);
    int64_t LoopStart() const { return loopStart_; }
    void SetGain(TStereoGain g);
    // The stream has ended (not looping) and its last frame has been heard.
    bool Ended();

    // Decoder thread (and the main thread when starting): decodes until the queue is full.
    void Fill();
    // Audio thread.
    void Render(int16_t* out, size_t frames) override;

  private:
    struct Segment {
        uint64_t at;    // queue counter where the segment starts
        int64_t frame;  // stream frame of that first queued frame
    };
    void Restart(int64_t frame);
    // Under decodeM_: decodes one chunk into the queue; false when the queue is full or done.
    bool DecodeChunk();

    MixBus& bus_;
    TDecodeFeeder& feeder_;
    std::unique_ptr<TOggStream> pcm_;

    std::mutex decodeM_;  // the stream, the decoding state
    bool loop_ = false;
    int64_t loopStart_ = 0;
    bool decodeDone_ = false;
    std::vector<int16_t> chunk_;

    std::mutex queueM_;  // the queue, its counters and segments
    std::vector<int16_t> ring_;
    uint64_t written_ = 0, read_ = 0;
    std::deque<Segment> segments_;
    bool queueDone_ = false;  // nothing more will be queued (until a restart)

    std::atomic<bool> playing_{false};
    std::atomic<int32_t> gainL_{65536}, gainR_{65536};
};

// Runs Fill on every registered player from a timer (its own thread on the real clock, the
// virtual clock's Advance in headless runs).
class TDecodeFeeder {
  public:
    static constexpr uint32_t kPeriodMs = 10;
    explicit TDecodeFeeder(AudioClock& clock);
    ~TDecodeFeeder();
    void Add(TStreamPlayer* p);
    // Waits for a fill in progress.
    void Remove(TStreamPlayer* p);

  private:
    void Tick();
    std::mutex m_;
    std::vector<TStreamPlayer*> players_;
    std::unique_ptr<Ticker> ticker_;
};

}  // namespace vesk
