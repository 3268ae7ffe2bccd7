#pragma once
// Sound items played straight into the mix: Ogg Vorbis and WAV sound (TOggItem), Windows
// Media sound (TWmpItem) and ripped CD tracks (TCddaItem).
#include <memory>

#include "media/media_item.h"
#include "media/stream_player.h"

namespace vesk {

class TStreamItem : public TDMediaItem {
  public:
    // The stream must be in the mix format.
    TStreamItem(MixBus& bus, TDecodeFeeder& feeder, std::unique_ptr<TOggStream> pcm);

    bool GetAutoRepeat() override { return player_.Loop(); }
    void SetAutoRepeat(bool repeat) override { player_.SetLoop(repeat); }
    int GetRepeatPos() override;
    void SetRepeatPos(int ms) override;
    int GetPan() override { return pan_; }
    int GetVol() override { return vol_; }
    void SetPan(int pan) override;
    void SetVol(int vol) override;
    int GetPosition() override;
    void SetPosition(int ms) override;
    int GetLength() override;
    bool IsEnd() override;
    void ClearEnd() override { endTold_ = true; }
    bool IsPlaying() override;
    bool IsPaused() override { return paused_; }
    void Play() override;
    void Pause() override;

    TStreamPlayer& Player() { return player_; }

  protected:
    // What volume and pan do to the two channels.
    virtual TStereoGain Gain() const { return DecibelGain(vol_, pan_); }
    void ApplyGain() { player_.SetGain(Gain()); }
    int Vol() const { return vol_; }

  private:
    TStreamPlayer player_;
    int vol_ = 0;
    int pan_ = 0;
    bool paused_ = false;
    bool endTold_ = false;
};

// ".ogg" and ".wav" sound, as the system's sound buffers played it.
class TOggItem final : public TStreamItem {
  public:
    using TStreamItem::TStreamItem;
};

// ".wma", ".asf" and ".wmv" played as sound.
class TWmpItem final : public TStreamItem {
  public:
    using TStreamItem::TStreamItem;
};

// A ripped CD track. Its volume is the CD line of the mixer: -5000 and below silent, rising
// in a straight line to the full level at 0; pan does nothing. Positions and lengths are
// whole seconds.
class TCddaItem final : public TStreamItem {
  public:
    TCddaItem(MixBus& bus, TDecodeFeeder& feeder, std::unique_ptr<TOggStream> pcm, int track);
    int Track() const { return track_; }
    int GetPosition() override { return TStreamItem::GetPosition() / 1000 * 1000; }
    int GetLength() override { return TStreamItem::GetLength() / 1000 * 1000; }
    void Play() override;

  protected:
    TStereoGain Gain() const override;

  private:
    int track_;
};

}  // namespace vesk
