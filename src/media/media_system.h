#pragma once
// The media system of one engine: the decoder thread and the managers of every playback
// technique, made at "MediaInit" and freed at "MediaFinal". The display objects that play
// media ask it for items by file name; the engine passes on the sound switch, the pause
// while the player is inactive, the full-screen switch and the frame's time.
#include <memory>
#include <string>
#include <vector>

#include "media/audio_system.h"
#include "media/media_managers.h"
#include "media/midi_out.h"
#include "media/stream_player.h"

namespace vesk {

// The "game.ini" settings the media managers use.
struct TMediaConfig {
    bool DirectSound = true;  // false: ".ogg" and ".wav" through the wave-out mixer
    int DelayTime = 500;      // the wave-out mixer's block length, as written
    bool UseWMP = false;      // kept; videos are played the one way we have
};

// Which manager plays a sound name.
enum class MediaKind { None, Midi, Wmp, Ogg, Cd };
// By the extension in lower case: ".mid", ".sgt" MIDI; ".wma", ".asf", ".wmv" Windows Media;
// ".ogg", ".wav" compressed sound; else a name beginning "CD_" a CD track; else nothing.
MediaKind MediaKindOf(const std::string& name);
// Item volume of a sound object's volume property (0 .. 1000): MIDI 10 v - 10000, others
// 5 v - 5000 with 0 and below silent (-10000) and nothing above 0.
int ItemVolume(int volume, MediaKind kind);

class TMediaSystem {
  public:
    TMediaSystem(AudioSystem& audio, TMediaSources sources, TMediaConfig config,
                 TMidiDevices midiDevices);
    ~TMediaSystem();
    TMediaSystem(const TMediaSystem&) = delete;
    TMediaSystem& operator=(const TMediaSystem&) = delete;

    AudioSystem& Audio() { return audio_; }
    const TMediaSources& Sources() const { return sources_; }
    // The project's test for a file (it may ask for another disk); default: the sources'.
    void SetExists(std::function<bool(const std::string&)> exists) { exists_ = std::move(exists); }
    bool Exists(const std::string& name) { return exists_ ? exists_(name) : false; }

    // The item for a sound name, from the manager its kind chooses; null when nothing
    // plays (an unknown kind, a CD track without a file). Raises "サウンドデータが不正です"
    // and "ファイルがありません".
    std::shared_ptr<TDMediaItem> OpenSound(const std::string& name);
    std::shared_ptr<TVideoItem> OpenVideo(const std::string& name);

    TOggManager& Ogg() { return *ogg_; }
    TWmpManager& Wmp() { return *wmp_; }
    TCddaManager& Cd() { return *cd_; }
    TMidiManager& Midi() { return *midi_; }
    TVideoManager& Video() { return *video_; }

    // The global sound switch ("@SoundON").
    void SetSoundEnabled(bool on);
    // The player became inactive (and the game pauses then) or active again.
    void Suspend();
    void Resume();
    // Around the full-screen switch.
    void SuspendVideo() { video_->SuspendAll(); }
    void ResumeVideo() { video_->ResumeAll(); }
    // Every frame, after the picture is presented.
    void Update(int32_t elapsedMs) { video_->Update(elapsedMs); }

  private:
    std::vector<TMediaManager*> SoundManagers();

    AudioSystem& audio_;
    TMediaSources sources_;
    std::function<bool(const std::string&)> exists_;
    TMediaConfig config_;
    // First made, last freed: every player is registered with it.
    std::unique_ptr<TDecodeFeeder> feeder_;
    std::unique_ptr<TVideoManager> video_;
    std::unique_ptr<TWmpManager> wmp_;
    std::unique_ptr<TOggManager> ogg_;
    std::unique_ptr<TCddaManager> cd_;
    std::unique_ptr<TMidiManager> midi_;
};

}  // namespace vesk
