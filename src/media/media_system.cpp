#include "media/media_system.h"

#include <algorithm>

#include "base/cp932.h"

namespace vesk {

MediaKind MediaKindOf(const std::string& name) {
    const size_t dot = name.find_last_of(".\\/");
    const std::string ext =
        dot != std::string::npos && name[dot] == '.' ? LowerAscii(name.substr(dot)) : "";
    if (ext == ".mid" || ext == ".sgt") return MediaKind::Midi;
    if (ext == ".wma" || ext == ".asf" || ext == ".wmv") return MediaKind::Wmp;
    if (ext == ".ogg" || ext == ".wav") return MediaKind::Ogg;
    if (name.compare(0, 3, "CD_") == 0) return MediaKind::Cd;
    return MediaKind::None;
}

int ItemVolume(int volume, MediaKind kind) {
    if (kind == MediaKind::Midi) return std::clamp(10 * volume - 10000, -10000, 0);
    if (volume <= 0) return -10000;
    return std::min(5 * volume - 5000, 0);
}

TMediaSystem::TMediaSystem(AudioSystem& audio, TMediaSources sources, TMediaConfig config,
                           TMidiDevices midiDevices)
    : audio_(audio), sources_(std::move(sources)), exists_(sources_.Exists), config_(config) {
    MixBus& bus = audio_.Bus();
    AudioClock& clock = audio_.Clock();
    feeder_ = std::make_unique<TDecodeFeeder>(clock);
    // In the order of the start-up: video, Windows Media, compressed sound, CD, MIDI.
    video_ = std::make_unique<TVideoManager>(bus, *feeder_, sources_);
    wmp_ = std::make_unique<TWmpManager>(bus, *feeder_, sources_);
    ogg_ = std::make_unique<TOggManager>(bus, clock, *feeder_, sources_, config_.DirectSound,
                                         config_.DelayTime);
    cd_ = std::make_unique<TCddaManager>(bus, *feeder_, sources_);
    midi_ = std::make_unique<TMidiManager>(clock, std::move(midiDevices), sources_);
}

TMediaSystem::~TMediaSystem() {
    // The video and Windows Media managers, then compressed sound, CD and MIDI; the decoder
    // thread after every player has gone.
    video_.reset();
    wmp_.reset();
    ogg_.reset();
    cd_.reset();
    midi_.reset();
    feeder_.reset();
}

std::shared_ptr<TDMediaItem> TMediaSystem::OpenSound(const std::string& name) {
    switch (MediaKindOf(name)) {
        case MediaKind::Midi:
            return midi_->Open(name);
        case MediaKind::Wmp:
            return wmp_->Open(name);
        case MediaKind::Ogg:
            return ogg_->Open(name);
        case MediaKind::Cd:
            return cd_->Open(name);
        case MediaKind::None:
            break;
    }
    return nullptr;
}

std::shared_ptr<TVideoItem> TMediaSystem::OpenVideo(const std::string& name) {
    return video_->Open(name);
}

std::vector<TMediaManager*> TMediaSystem::SoundManagers() {
    return {wmp_.get(), ogg_.get(), cd_.get(), midi_.get()};
}

void TMediaSystem::SetSoundEnabled(bool on) {
    for (TMediaManager* m : SoundManagers()) m->SetEnabled(on);
}

void TMediaSystem::Suspend() {
    video_->Suspend();
    for (TMediaManager* m : SoundManagers()) m->Suspend();
}

void TMediaSystem::Resume() {
    video_->Resume();
    for (TMediaManager* m : SoundManagers()) m->Resume();
}

}  // namespace vesk
