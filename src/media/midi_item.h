#pragma once
// MIDI music items. All of them share the MIDI manager's one sequencer: the item last played
// owns it, and playing another item stops the owner first.
#include <cstdint>
#include <vector>

#include "media/media_item.h"

namespace vesk {

class TMidiManager;

class TMidiItem final : public TDMediaItem {
  public:
    // `bytes` is the whole file; a file that is not MIDI plays nothing and ends at once.
    explicit TMidiItem(std::vector<uint8_t> bytes);

    bool GetAutoRepeat() override { return repeat_; }
    void SetAutoRepeat(bool repeat) override;
    int GetRepeatPos() override { return repeatPos_; }
    void SetRepeatPos(int ms) override;
    int GetPan() override { return pan_; }
    int GetVol() override { return vol_; }
    // Kept; the sequencer has no pan of its own.
    void SetPan(int pan) override;
    void SetVol(int vol) override;
    int GetPosition() override;
    void SetPosition(int ms) override;
    int GetLength() override { return int(length_); }
    bool IsEnd() override;
    void ClearEnd() override { endTold_ = true; }
    bool IsPlaying() override;
    bool IsPaused() override { return paused_; }
    void Play() override;
    void Pause() override;

    const std::vector<uint8_t>& Bytes() const { return bytes_; }
    // The sequencer was given to another item (or the device changed): where it was is kept.
    void LoseSequencer();

  private:
    // The manager while the item is in its list (null after).
    TMidiManager* Manager() const;
    bool Owns() const;

    std::vector<uint8_t> bytes_;
    int64_t length_ = 0;
    bool repeat_ = false;
    int repeatPos_ = 0;
    int vol_ = 0;
    int pan_ = 0;
    int position_ = 0;  // while not owning the sequencer or paused
    bool paused_ = false;
    bool started_ = false;
    bool endTold_ = false;
};

}  // namespace vesk
