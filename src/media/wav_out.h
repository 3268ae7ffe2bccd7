#pragma once
// The software wave-out mixer: sources (TWavBuffer) read decoded PCM, a feeding timer mixes
// them into blocks of DelayTime milliseconds and keeps at most two blocks queued on the
// wave-out port of the mix bus.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "media/audio_clock.h"
#include "media/decoded_stream.h"
#include "media/mix_bus.h"

namespace vesk {

// game.ini "DelayTime": rounded down to a multiple of 100 and limited to 100 .. 500.
int NormalizeDelayTime(int ms);

class TWavOut;
struct TWavPrimary;

// A pool entry: one block of output memory and the block in flight that holds it.
struct TMemData {
    std::vector<uint8_t> data;
    TWavPrimary* owner = nullptr;
};

// A block in flight.
struct TWavPrimary {
    TMemData* mem = nullptr;
    bool prepared = false;
    bool written = false;
    std::atomic<bool> done{false};
};

// One mixer source. The item that plays it shares it with the mixer; once the mixer has
// closed, the source is detached and every call does nothing.
class TWavBuffer {
  public:
    ~TWavBuffer();
    // Leaves the mixer (DestroySource); also done on destruction.
    void Detach();
    void Play();
    void Pause();
    void SetReadPos(int64_t bytes);
    int64_t ReadPos();
    // 0 .. 256; 256 (and 255) leave the samples unchanged.
    void SetVolume(int factor);
    int Volume();
    void SetLoop(bool loop);
    bool Loop();
    void SetLoopPos(int64_t bytes);
    int64_t LoopPos();
    bool IsPlaying();
    bool IsPaused();
    bool HasEnded();
    // Ended, and the last block it fed has had time to play out.
    bool HasFinished();
    // Position in bytes of what is being heard now.
    int64_t AudiblePos();
    TWavFormat Format() const { return format_; }
    int64_t StreamSize();
    int StreamLength();

    TWavBuffer(TWavOut& owner, std::unique_ptr<TOggStream> stream);

  private:
    friend class TWavOut;

    TWavOut* owner_;  // null once detached
    std::unique_ptr<TOggStream> stream_;
    TWavFormat format_;
    int64_t readPos_ = 0;
    std::vector<uint8_t> scratch_;
    std::vector<int16_t> converted_;
    bool playing_ = false;
    bool paused_ = false;
    bool ended_ = false;
    bool loop_ = false;
    int64_t loopPos_ = 0;
    int volume_ = 256;
    uint32_t lastTime_ = 0;
};

class TWavOut {
  public:
    // `delayTimeMs` is the raw game.ini value; it is normalised here.
    TWavOut(MixBus& bus, AudioClock& clock, int delayTimeMs);
    ~TWavOut();
    TWavOut(const TWavOut&) = delete;
    TWavOut& operator=(const TWavOut&) = delete;

    // Opens the wave-out port on the bus, tops the pool up and starts feeding. False when
    // already open.
    bool Open();
    void Close();
    bool IsOpen();

    // The source takes the stream; it is mixed until DestroySource or Close.
    std::shared_ptr<TWavBuffer> CreateSource(std::unique_ptr<TOggStream> stream);
    void DestroySource(TWavBuffer* source);
    bool IsAnyPlaying();

    // Called for every block written, on the feeding thread after the mixer's lock is let go.
    void SetNotify(std::function<void(const uint8_t* data, size_t bytes)> notify);

    int DelayTime() const { return delay_; }
    size_t BlockSize() const { return blockSize_; }
    size_t PoolSize();
    size_t BlocksInFlight();
    uint64_t BlocksWritten();

    // One step of the feeding timer (run every DelayTime / 4 ms once open).
    void Feed();

  private:
    friend class TWavBuffer;
    void FeedLocked(std::vector<const uint8_t*>& written);
    bool MixBlock(int16_t* block);
    bool MixSource(TWavBuffer& s, int16_t* block, uint32_t now);
    void ReleaseDone(bool all);
    TWavPrimary* NewBlock();
    void FreeBlock(TWavPrimary* b);
    int64_t SourceBytes(const TWavFormat& f, int64_t ms) const;

    MixBus& bus_;
    AudioClock& clock_;
    const int delay_;
    const size_t blockSize_;
    std::mutex m_;
    std::unique_ptr<WaveOutPort> port_;
    std::vector<std::shared_ptr<TWavBuffer>> sources_;
    std::vector<TWavBuffer*> playing_;
    std::vector<std::unique_ptr<TWavPrimary>> inFlight_;
    std::vector<std::unique_ptr<TMemData>> pool_;
    std::function<void(const uint8_t*, size_t)> notify_;
    uint64_t written_ = 0;
    std::unique_ptr<Ticker> feeder_;
};

}  // namespace vesk
