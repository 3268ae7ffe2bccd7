#pragma once
// The General MIDI software synthesizer: FluidSynth with a SoundFont, driven by our own
// sequencer and rendered into the mix bus. FluidSynth's own audio drivers are never used.
#include <memory>
#include <string>

#include "media/midi_out.h"
#include "media/mix_bus.h"

namespace vesk {

// The General MIDI SoundFont installed with the distribution, or "" when there is none.
std::string FindGmSoundFont();

// An open synthesizer that sounds through the bus while it exists.
class TFluidMidiOut : public TMidiOut, public AudioSource {
  public:
    // Throws a VeskError when the SoundFont cannot be loaded.
    TFluidMidiOut(MixBus& bus, const std::string& soundFont);
    ~TFluidMidiOut() override;
    TFluidMidiOut(const TFluidMidiOut&) = delete;
    TFluidMidiOut& operator=(const TFluidMidiOut&) = delete;

    void ShortMsg(uint8_t status, uint8_t d1, uint8_t d2) override;
    void LongMsg(const uint8_t* data, size_t size) override;
    void Reset() override;
    void Render(int16_t* out, size_t frames) override;

  private:
    struct Impl;
    MixBus& bus_;
    std::unique_ptr<Impl> impl_;
};

// The device entry of the synthesizer; opening it loads the SoundFont and joins the bus.
// With no SoundFont the list is empty.
TMidiDevices SynthMidiDevices(MixBus& bus, const std::string& soundFont = FindGmSoundFont());

}  // namespace vesk
