#pragma once
// The audio path of one engine: its clock, the mix bus and whatever consumes the bus. A
// player gets the real clock and a device sink (attached by the platform layer); a headless
// run gets the virtual clock, moved by the frame loop, and optionally a WAV file of the sound.
// Everything that feeds the bus (mixer, synthesizer) must go before this does.
#include <memory>
#include <string>

#include "media/audio_clock.h"
#include "media/audio_output.h"
#include "media/mix_bus.h"

namespace vesk {

class AudioSystem {
  public:
    // Real time. Until a device sink is attached with SetSink, a silent sink keeps the bus
    // moving, so queued sound still plays out and ends on time.
    static std::unique_ptr<AudioSystem> Realtime();
    // Virtual time; the sound goes to `wavPath` when it is not empty.
    static std::unique_ptr<AudioSystem> Headless(const std::string& wavPath = "");
    ~AudioSystem();
    AudioSystem(const AudioSystem&) = delete;
    AudioSystem& operator=(const AudioSystem&) = delete;

    AudioClock& Clock() { return *clock_; }
    MixBus& Bus() { return bus_; }
    // The virtual clock of a headless run, else null.
    VirtualAudioClock* Virtual() { return virtual_; }
    AudioCapture* Capture() { return capture_.get(); }
    void SetSink(std::unique_ptr<AudioSink> sink);
    // Called once a frame: when the device has been lost, the silent sink takes over (and
    // says so once), so that sound already queued still plays out and ends.
    void KeepAlive();
    // Headless: moves time on by `ms`, mixing and capturing the sound of that time.
    void Advance(uint32_t ms);
    // Finishes the captured file; also done on destruction.
    void Finish();

  private:
    AudioSystem() = default;
    std::unique_ptr<AudioClock> clock_;
    VirtualAudioClock* virtual_ = nullptr;
    MixBus bus_;
    std::unique_ptr<AudioCapture> capture_;
    std::unique_ptr<AudioSink> sink_;
};

}  // namespace vesk
