#include "media/media_managers.h"

#include <cstdio>

#include "base/cp932.h"
#include "media/ffmpeg_audio.h"
#include "media/midi_item.h"
#include "media/ogg_wave_item.h"
#include "media/pcm_convert.h"
#include "media/stream_item.h"
#include "media/vorbis_stream.h"
#include "media/wav_file.h"

namespace vesk {

namespace {

bool HasExtension(const std::string& name, const char* ext) {
    const std::string e = ext;
    return name.size() >= e.size() && SameTextAscii(name.substr(name.size() - e.size()), e);
}

// The wave-out mixer takes 8 and 16-bit mono and stereo at 44100 and 22050 Hz as they are.
bool MixerTakes(const TWavFormat& f) {
    return !f.floatSamples && (f.bitsPerSample == 8 || f.bitsPerSample == 16) &&
           (f.channels == 1 || f.channels == 2) &&
           (f.samplesPerSec == 44100 || f.samplesPerSec == 22050);
}

}  // namespace

std::unique_ptr<TOggStream> OpenSoundStream(std::unique_ptr<Stream> s, const std::string& name) {
    if (HasOggExtension(name)) return std::make_unique<TVorbisStream>(std::move(s));
    if (HasExtension(name, ".wav")) return std::make_unique<TWavStream>(std::move(s));
    return std::make_unique<TFfmpegAudioStream>(std::move(s), name);
}

// ---- TOggManager

TOggManager::TOggManager(MixBus& bus, AudioClock& clock, TDecodeFeeder& feeder,
                         TMediaSources sources, bool directSound, int delayTime)
    : bus_(bus),
      clock_(clock),
      feeder_(feeder),
      sources_(std::move(sources)),
      directSound_(directSound),
      delayTime_(delayTime) {}

TOggManager::~TOggManager() {
    // The items go before the mixer that feeds them.
    Clear();
    wavOut_.reset();
}

std::shared_ptr<TDMediaItem> TOggManager::Open(const std::string& name) {
    // The decoder reads the data in place (an archive member is not copied out).
    std::unique_ptr<TOggStream> pcm = OpenSoundStream(sources_.OpenRange(name), name);
    if (directSound_)
        return Adopt(std::make_shared<TOggItem>(bus_, feeder_, ToMixFormat(std::move(pcm))));
    if (!wavOut_) {
        wavOut_ = std::make_unique<TWavOut>(bus_, clock_, delayTime_);
        wavOut_->Open();
    }
    // Formats the mixer has no conversion for play converted rather than stay silent.
    if (!MixerTakes(pcm->GetFormat())) pcm = std::make_unique<TConvertedStream>(std::move(pcm));
    return Adopt(std::make_shared<TOggWaveItem>(*wavOut_, std::move(pcm)));
}

// ---- TWmpManager

TWmpManager::TWmpManager(MixBus& bus, TDecodeFeeder& feeder, TMediaSources sources)
    : bus_(bus), feeder_(feeder), sources_(std::move(sources)) {}

TWmpManager::~TWmpManager() {
    Clear();
}

std::shared_ptr<TDMediaItem> TWmpManager::Open(const std::string& name) {
    // Windows Media sound is handed to the player whole, from memory.
    auto mem = std::make_unique<MemoryStream>(sources_.LoadBytes(name));
    auto pcm = std::make_unique<TFfmpegAudioStream>(std::move(mem), name);
    return Adopt(std::make_shared<TWmpItem>(bus_, feeder_, ToMixFormat(std::move(pcm))));
}

// ---- TCddaManager

TCddaManager::TCddaManager(MixBus& bus, TDecodeFeeder& feeder, TMediaSources sources)
    : bus_(bus), feeder_(feeder), sources_(std::move(sources)) {}

TCddaManager::~TCddaManager() {
    Clear();
}

int TCddaManager::TrackOf(const std::string& name) {
    if (name.size() < 4 || name.compare(0, 3, "CD_") != 0) return -1;
    int track = 0;
    for (size_t i = 3; i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9' || track > 9999) return -1;
        track = track * 10 + (name[i] - '0');
    }
    return track;
}

std::string TCddaManager::TrackFile(int track) {
    char stem[32];
    std::snprintf(stem, sizeof stem, "track%02d", track);
    for (const char* ext : kTrackExtensions) {
        const std::string file = stem + std::string(ext);
        if (sources_.Exists(file)) return file;
    }
    return "";
}

std::shared_ptr<TDMediaItem> TCddaManager::Open(const std::string& name) {
    const int track = TrackOf(name);
    if (track < 0) return nullptr;
    const std::string file = TrackFile(track);
    if (file.empty()) return nullptr;
    std::unique_ptr<TOggStream> pcm = OpenSoundStream(sources_.OpenRange(file), file);
    return Adopt(std::make_shared<TCddaItem>(bus_, feeder_, ToMixFormat(std::move(pcm)), track));
}

// ---- TMidiManager

TMidiManager::TMidiManager(AudioClock& clock, TMidiDevices devices, TMediaSources sources)
    : sources_(std::move(sources)), seq_(clock, std::move(devices)) {}

TMidiManager::~TMidiManager() {
    Clear();
    seq_.CloseDevice();
}

std::shared_ptr<TDMediaItem> TMidiManager::Open(const std::string& name) {
    return Adopt(std::make_shared<TMidiItem>(sources_.LoadBytes(name)));
}

void TMidiManager::OpenPort() {
    portTried_ = true;
    // Port 0 is the mapper: the first device.
    if (!seq_.OpenDevice(port_ == 0 ? TMidiPlayV::kMapper : int(port_) - 1))
        std::fprintf(stderr, "veskplay: no MIDI output could be opened; music plays silently\n");
}

TMidiPlayV& TMidiManager::Acquire(TMidiItem* item) {
    if (owner_ != item) {
        if (owner_) owner_->LoseSequencer();
        seq_.Load(item->Bytes().data(), item->Bytes().size());
        owner_ = item;
    }
    if (!portTried_) OpenPort();
    return seq_;
}

std::string TMidiManager::PortName() const {
    const auto names = seq_.DeviceNames();
    return port_ < names.size() ? names[port_] : std::string();
}

bool TMidiManager::SelectPort(const std::string& name) {
    const auto names = seq_.DeviceNames();
    for (size_t i = 0; i < names.size(); ++i) {
        if (names[i] != name) continue;
        if (i == port_ && portTried_) return true;
        port_ = i;
        // The song that plays goes on at the new port from where it was.
        TMidiItem* owner = owner_;
        const bool playing = owner && owner->IsPlaying();
        const int at = owner ? owner->GetPosition() : 0;
        if (owner) {
            owner->LoseSequencer();
            owner_ = nullptr;
        }
        OpenPort();
        if (playing) {
            owner->SetPosition(at);
            owner->Play();
        }
        return true;
    }
    return false;
}

void TMidiManager::Releasing(TDMediaItem* item) {
    if (item != owner_) return;
    seq_.Stop();
    owner_ = nullptr;
}

// ---- TVideoManager

TVideoManager::TVideoManager(MixBus& bus, TDecodeFeeder& feeder, TMediaSources sources)
    : bus_(bus), feeder_(feeder), sources_(std::move(sources)) {}

TVideoManager::~TVideoManager() {
    Clear();
}

std::shared_ptr<TVideoItem> TVideoManager::Open(const std::string& name) {
    // Pictures and sound are read by two demuxers over the same data.
    auto item = std::make_shared<TVideoItem>(sources_.OpenRange(name), sources_.OpenRange(name),
                                             name, bus_, feeder_);
    Adopt(item);
    return item;
}

void TVideoManager::Update(int32_t elapsedMs) {
    for (auto& item : Items()) static_cast<TVideoItem*>(item.get())->Update(elapsedMs);
}

}  // namespace vesk
