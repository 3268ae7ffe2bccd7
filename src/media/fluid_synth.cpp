#include "media/fluid_synth.h"

#include <fluidsynth.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "base/cp932.h"
#include "base/error.h"
#include "media/audio_format.h"

namespace vesk {

std::string FindGmSoundFont() {
    namespace fs = std::filesystem;
    static const char* const kFiles[] = {
        "/usr/share/sounds/sf2/default-GM.sf2", "/usr/share/sounds/sf2/FluidR3_GM.sf2",
        "/usr/share/soundfonts/default.sf2",    "/usr/share/soundfonts/FluidR3_GM.sf2",
        "/usr/share/sounds/sf2/TimGM6mb.sf2",
    };
    std::error_code ec;
    for (const char* f : kFiles)
        if (fs::is_regular_file(f, ec)) return f;
    for (const char* dir : {"/usr/share/sounds/sf2", "/usr/share/soundfonts"})
        for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
            if (it->path().extension() == ".sf2" && fs::is_regular_file(it->path(), ec))
                return it->path().string();
    return "";
}

struct TFluidMidiOut::Impl {
    fluid_settings_t* settings = nullptr;
    fluid_synth_t* synth = nullptr;
    std::vector<float> buffer;
    ~Impl() {
        if (synth) delete_fluid_synth(synth);
        if (settings) delete_fluid_settings(settings);
    }
};

TFluidMidiOut::TFluidMidiOut(MixBus& bus, const std::string& soundFont)
    : bus_(bus), impl_(std::make_unique<Impl>()) {
    impl_->settings = new_fluid_settings();
    if (!impl_->settings) Fail("MIDI synthesizer: cannot create settings");
    fluid_settings_setnum(impl_->settings, "synth.sample-rate", kOutRate);
    fluid_settings_setnum(impl_->settings, "synth.gain", 0.4);
    fluid_settings_setint(impl_->settings, "synth.threadsafe-api", 1);
    // Samples load when a program first needs them: a game with one song does not wait for
    // the whole General MIDI set.
    fluid_settings_setint(impl_->settings, "synth.dynamic-sample-loading", 1);
    impl_->synth = new_fluid_synth(impl_->settings);
    if (!impl_->synth) Fail("MIDI synthesizer: cannot create the synthesizer");
    if (soundFont.empty() || fluid_synth_sfload(impl_->synth, soundFont.c_str(), 1) == FLUID_FAILED)
        Fail("MIDI synthesizer: cannot load the SoundFont " + soundFont);
    bus_.Add(this);
}

TFluidMidiOut::~TFluidMidiOut() {
    bus_.Remove(this);
}

void TFluidMidiOut::ShortMsg(uint8_t status, uint8_t d1, uint8_t d2) {
    fluid_synth_t* s = impl_->synth;
    const int ch = status & 0x0F;
    d1 &= 0x7F;
    d2 &= 0x7F;
    switch (status & 0xF0) {
        case 0x80:
            fluid_synth_noteoff(s, ch, d1);
            break;
        case 0x90:
            fluid_synth_noteon(s, ch, d1, d2);
            break;
        case 0xA0:
            fluid_synth_key_pressure(s, ch, d1, d2);
            break;
        case 0xB0:
            fluid_synth_cc(s, ch, d1, d2);
            break;
        case 0xC0:
            fluid_synth_program_change(s, ch, d1);
            break;
        case 0xD0:
            fluid_synth_channel_pressure(s, ch, d1);
            break;
        case 0xE0:
            fluid_synth_pitch_bend(s, ch, d1 | d2 << 7);
            break;
        default:
            break;
    }
}

void TFluidMidiOut::LongMsg(const uint8_t* data, size_t size) {
    // The synthesizer takes the message without its framing bytes.
    if (size < 2 || data[0] != 0xF0) return;
    size_t n = size - 1;
    if (data[size - 1] == 0xF7) --n;
    if (n == 0) return;
    fluid_synth_sysex(impl_->synth, reinterpret_cast<const char*>(data + 1), int(n), nullptr,
                      nullptr, nullptr, 0);
}

void TFluidMidiOut::Reset() {
    fluid_synth_system_reset(impl_->synth);
}

void TFluidMidiOut::Render(int16_t* out, size_t frames) {
    // Floating point, converted here: the synthesizer's own 16-bit output adds dither, which
    // would leave a hiss of +-1 in every quiet moment of the mix.
    std::vector<float>& f = impl_->buffer;
    if (f.size() < frames * 2) f.resize(frames * 2);
    // Interleaved stereo: left at even, right at odd samples.
    fluid_synth_write_float(impl_->synth, int(frames), f.data(), 0, 2, f.data(), 1, 2);
    for (size_t i = 0; i < frames * 2; ++i)
        out[i] = SaturateS16(int32_t(std::lrint(f[i] * 32768.0f)));
}

TMidiDevices SynthMidiDevices(MixBus& bus, const std::string& soundFont) {
    TMidiDevices list;
    if (soundFont.empty()) return list;
    TMidiDeviceInfo d;
    // Named after the SoundFont itself, not the distribution's link to it.
    std::error_code ec;
    auto real = std::filesystem::canonical(soundFont, ec);
    const std::string stem = (ec ? std::filesystem::path(soundFont) : real).stem().string();
    d.name = Utf8ToCp932("FluidSynth GM (" + stem + ")");
    d.voices = 256;
    d.notes = 256;
    d.channelMask = 0xFFFF;
    d.open = [&bus, soundFont]() -> std::unique_ptr<TMidiOut> {
        try {
            return std::make_unique<TFluidMidiOut>(bus, soundFont);
        } catch (const VeskError& e) {
            std::fprintf(stderr, "veskplay: %s\n", e.what());
            return nullptr;
        }
    };
    list.push_back(std::move(d));
    return list;
}

}  // namespace vesk
