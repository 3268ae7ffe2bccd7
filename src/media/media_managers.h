#pragma once
// The media managers, one per playback technique: compressed sound (TOggManager), Windows
// Media sound (TWmpManager), CD tracks (TCddaManager), MIDI (TMidiManager) and video
// (TVideoManager).
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/stream.h"
#include "media/audio_clock.h"
#include "media/media_manager.h"
#include "media/midi_out.h"
#include "media/midi_player.h"
#include "media/mix_bus.h"
#include "media/stream_player.h"
#include "media/video_item.h"
#include "media/wav_out.h"

namespace vesk {

class TMidiItem;

// How items reach their data: the game's files (archive members read in place, loose
// files, disc folders).
struct TMediaSources {
    // A stream over the file; raises "%s:ファイルがありません" when there is none.
    std::function<std::unique_ptr<Stream>(const std::string&)> OpenRange;
    std::function<std::vector<uint8_t>(const std::string&)> LoadBytes;
    std::function<bool(const std::string&)> Exists;
};

// Decodes a ".ogg" (Vorbis) or any other name (WAV) from a stream.
std::unique_ptr<TOggStream> OpenSoundStream(std::unique_ptr<Stream> s, const std::string& name);

class TOggManager final : public TMediaManager {
  public:
    // `directSound` false sends the sound through the wave-out mixer with `delayTime`.
    TOggManager(MixBus& bus, AudioClock& clock, TDecodeFeeder& feeder, TMediaSources sources,
                bool directSound, int delayTime);
    ~TOggManager() override;
    // Raises "サウンドデータが不正です" and "ファイルがありません".
    std::shared_ptr<TDMediaItem> Open(const std::string& name);
    // The wave-out mixer once the first wave-out item opened it, else null.
    TWavOut* Mixer() { return wavOut_.get(); }

  private:
    MixBus& bus_;
    AudioClock& clock_;
    TDecodeFeeder& feeder_;
    TMediaSources sources_;
    bool directSound_;
    int delayTime_;
    std::unique_ptr<TWavOut> wavOut_;
};

class TWmpManager final : public TMediaManager {
  public:
    TWmpManager(MixBus& bus, TDecodeFeeder& feeder, TMediaSources sources);
    ~TWmpManager() override;
    std::shared_ptr<TDMediaItem> Open(const std::string& name);

  private:
    MixBus& bus_;
    TDecodeFeeder& feeder_;
    TMediaSources sources_;
};

// CD audio from ripped tracks: "CD_3" plays "track03.ogg", ".wav" or ".flac" (or any other
// sound FFmpeg reads, as ".mp3"), looked for in the game's files and the disc folders.
class TCddaManager final : public TMediaManager {
  public:
    static constexpr const char* kTrackExtensions[] = {".ogg", ".wav", ".flac", ".mp3"};
    TCddaManager(MixBus& bus, TDecodeFeeder& feeder, TMediaSources sources);
    ~TCddaManager() override;
    // The track number of a "CD_" name, or -1 when the rest is not a number.
    static int TrackOf(const std::string& name);
    // The file of a track, or "" when there is none.
    std::string TrackFile(int track);
    // Null when the name is no track or no file holds the track.
    std::shared_ptr<TDMediaItem> Open(const std::string& name);

  private:
    MixBus& bus_;
    TDecodeFeeder& feeder_;
    TMediaSources sources_;
};

class TMidiManager final : public TMediaManager {
  public:
    TMidiManager(AudioClock& clock, TMidiDevices devices, TMediaSources sources);
    ~TMidiManager() override;
    std::shared_ptr<TDMediaItem> Open(const std::string& name);

    TMidiPlayV& Sequencer() { return seq_; }
    const TMidiItem* SequencerOwner() const { return owner_; }
    // Makes `item` the sequencer's owner (stopping the previous one and loading the song)
    // and opens the output port when it is not open yet.
    TMidiPlayV& Acquire(TMidiItem* item);

    // "@MidiPorts": the mapper, then every port; "@MidiPort": the one in use.
    std::vector<std::string> PortNames() const { return seq_.DeviceNames(); }
    std::string PortName() const;
    // Chooses a port by name; the song that plays goes on there. False for unknown names.
    bool SelectPort(const std::string& name);

  protected:
    void Releasing(TDMediaItem* item) override;

  private:
    void OpenPort();
    TMediaSources sources_;
    TMidiPlayV seq_;
    TMidiItem* owner_ = nullptr;
    size_t port_ = 0;  // index into PortNames
    bool portTried_ = false;
};

class TVideoManager final : public TMediaManager {
  public:
    TVideoManager(MixBus& bus, TDecodeFeeder& feeder, TMediaSources sources);
    ~TVideoManager() override;
    // Raises "サウンドデータが不正です" for files without pictures FFmpeg decodes.
    std::shared_ptr<TVideoItem> Open(const std::string& name);
    // Every frame: the pictures of every item move on.
    void Update(int32_t elapsedMs);
    // Around display changes.
    void SuspendAll() { Suspend(); }
    void ResumeAll() { Resume(); }

  private:
    MixBus& bus_;
    TDecodeFeeder& feeder_;
    TMediaSources sources_;
};

}  // namespace vesk
