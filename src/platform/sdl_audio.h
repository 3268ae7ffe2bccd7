#pragma once
// The audio device: SDL2 plays the mix bus at 44100 Hz, 16-bit stereo.
#include <memory>
#include <string>

#include "media/audio_clock.h"
#include "media/audio_output.h"
#include "media/mix_bus.h"

namespace vesk {

class SdlAudioSink : public AudioSink {
  public:
    // Null, with the reason in `error`, when no device can be opened.
    static std::unique_ptr<SdlAudioSink> Open(MixBus& bus, std::string* error);
    ~SdlAudioSink() override;
    bool Audible() const override { return true; }
    bool Lost() const override;

  private:
    SdlAudioSink(MixBus& bus) : bus_(bus) {}
    static void Callback(void* self, uint8_t* stream, int len);
    MixBus& bus_;
    uint32_t device_ = 0;
};

// The device when there is one; otherwise a silent sink that keeps time, after saying once
// on standard error that the game runs without sound.
std::unique_ptr<AudioSink> StartAudioOutput(MixBus& bus, AudioClock& clock);

}  // namespace vesk
