#pragma once
// The sound item of the wave-out path: one mixer source fed by a decoded stream.
#include <memory>
#include <string_view>

#include "media/media_item.h"
#include "media/wav_out.h"

namespace vesk {

// True for names read straight from disk: a leading path delimiter or a drive letter.
bool IsAbsoluteMediaName(std::string_view name);
// True when the name's extension is ".ogg", in any case.
bool HasOggExtension(std::string_view name);

// The mixer factor of an item volume: -5000 and below are silent, 0 is 256.
int VolumeToFactor(int vol);

class TOggWaveItem : public TDMediaItem {
  public:
    TOggWaveItem(TWavOut& mixer, std::unique_ptr<TOggStream> stream);
    ~TOggWaveItem() override;
    TOggWaveItem(const TOggWaveItem&) = delete;
    TOggWaveItem& operator=(const TOggWaveItem&) = delete;

    bool GetAutoRepeat() override;
    void SetAutoRepeat(bool repeat) override;
    int GetRepeatPos() override;
    void SetRepeatPos(int ms) override;
    int GetPan() override { return 0; }
    int GetVol() override { return vol_; }
    void SetPan(int) override {}
    void SetVol(int vol) override;
    int GetPosition() override;
    void SetPosition(int ms) override;
    int GetLength() override;
    bool IsEnd() override;
    void ClearEnd() override {}
    bool IsPlaying() override;
    bool IsPaused() override { return paused_; }
    void Play() override;
    void Pause() override;

    TWavBuffer* Source() { return source_.get(); }

  private:
    int64_t MsToBytes(int ms) const;
    int BytesToMs(int64_t bytes) const;

    std::shared_ptr<TWavBuffer> source_;
    int64_t bytesPerSec_;
    int vol_ = 0;
    bool paused_ = false;
};

}  // namespace vesk
