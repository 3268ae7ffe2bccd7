#pragma once
// Consumers of the mix bus: the silent pacer used when there is no audio device, and the
// capture of headless runs, which pulls the bus on the virtual clock.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "media/audio_clock.h"
#include "media/mix_bus.h"
#include "media/wav_file.h"

namespace vesk {

// Whatever plays the bus. Destroying it stops the pulling.
class AudioSink {
  public:
    virtual ~AudioSink() = default;
    // True when the sound is heard (a real device), false when it is thrown away.
    virtual bool Audible() const = 0;
    // True once the device has gone away (unplugged, server ended) and pulls no more.
    virtual bool Lost() const { return false; }
};

// Pulls the bus at the pace of real time and drops the sound, so that everything fed to the
// bus moves on as it would with a device.
class NullAudioSink : public AudioSink {
  public:
    NullAudioSink(MixBus& bus, AudioClock& clock);
    ~NullAudioSink() override;
    bool Audible() const override { return false; }

  private:
    void Tick();
    MixBus& bus_;
    AudioClock& clock_;
    uint32_t startMs_;
    uint64_t pulledFrames_ = 0;
    std::vector<int16_t> buf_;
    std::unique_ptr<Ticker> ticker_;
};

// Pulls the bus on a virtual clock, millisecond by millisecond, and keeps the sound in
// memory, in a WAV file, or both.
class AudioCapture {
  public:
    AudioCapture(VirtualAudioClock& clock, MixBus& bus);
    ~AudioCapture();
    AudioCapture(const AudioCapture&) = delete;
    AudioCapture& operator=(const AudioCapture&) = delete;
    void WriteTo(const std::string& wavPath);
    void KeepInMemory(bool keep) { keep_ = keep; }
    // Interleaved stereo samples kept so far.
    const std::vector<int16_t>& Samples() const { return samples_; }
    uint64_t Frames() const { return frames_; }
    // Finishes the WAV file.
    void Finish();

  private:
    void Pull(size_t frames);
    VirtualAudioClock& clock_;
    MixBus& bus_;
    bool keep_ = false;
    std::vector<int16_t> buf_;
    std::vector<int16_t> samples_;
    uint64_t frames_ = 0;
    std::unique_ptr<WavFileWriter> writer_;
};

}  // namespace vesk
