#include "platform/sdl_audio.h"

#include <SDL.h>

#include <cstdio>

#include "media/audio_format.h"

namespace vesk {

std::unique_ptr<SdlAudioSink> SdlAudioSink::Open(MixBus& bus, std::string* error) {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        if (error) *error = SDL_GetError();
        return nullptr;
    }
    std::unique_ptr<SdlAudioSink> sink(new SdlAudioSink(bus));
    SDL_AudioSpec want{}, have{};
    want.freq = kOutRate;
    want.format = AUDIO_S16SYS;
    want.channels = kOutChannels;
    want.samples = 512;  // about 12 ms, close to the sequencer's 10 ms step
    want.callback = &SdlAudioSink::Callback;
    want.userdata = sink.get();
    // No changes allowed: SDL converts when the hardware wants another format.
    sink->device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (sink->device_ == 0) {
        if (error) *error = SDL_GetError();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return nullptr;
    }
    SDL_PauseAudioDevice(sink->device_, 0);
    return sink;
}

SdlAudioSink::~SdlAudioSink() {
    if (device_) {
        SDL_CloseAudioDevice(device_);
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
}

bool SdlAudioSink::Lost() const {
    return SDL_GetAudioDeviceStatus(device_) == SDL_AUDIO_STOPPED;
}

void SdlAudioSink::Callback(void* self, uint8_t* stream, int len) {
    auto* sink = static_cast<SdlAudioSink*>(self);
    sink->bus_.Pull(reinterpret_cast<int16_t*>(stream), size_t(len) / kOutBytesPerFrame);
}

std::unique_ptr<AudioSink> StartAudioOutput(MixBus& bus, AudioClock& clock) {
    std::string why;
    if (auto sink = SdlAudioSink::Open(bus, &why)) return sink;
    std::fprintf(stderr, "veskplay: no audio device (%s); the game runs without sound\n",
                 why.c_str());
    return std::make_unique<NullAudioSink>(bus, clock);
}

}  // namespace vesk
