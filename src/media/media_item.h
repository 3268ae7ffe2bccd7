#pragma once
// The common interface of every sound, music and video item. Volume is in hundredths of a
// decibel (-10000 silent .. 0 full), pan -10000 (left) .. 10000 (right), times in ms.
namespace vesk {

class TMediaManager;

class TDMediaItem {
  public:
    virtual ~TDMediaItem() = default;
    virtual bool GetAutoRepeat() = 0;
    virtual void SetAutoRepeat(bool repeat) = 0;
    virtual int GetRepeatPos() = 0;
    virtual void SetRepeatPos(int ms) = 0;
    virtual int GetPan() = 0;
    virtual int GetVol() = 0;
    virtual void SetPan(int pan) = 0;
    virtual void SetVol(int vol) = 0;
    virtual int GetPosition() = 0;
    // Negative positions count as 0.
    virtual void SetPosition(int ms) = 0;
    virtual int GetLength() = 0;
    virtual bool IsEnd() = 0;
    virtual void ClearEnd() = 0;
    virtual bool IsPlaying() = 0;
    virtual bool IsPaused() = 0;
    virtual void Play() = 0;
    virtual void Pause() = 0;

    // Set by suspension for the items it paused, so that resuming restarts only those.
    bool ResumeOnEnable = false;
    // The manager that made the item; it outlives the item.
    TMediaManager* Owner = nullptr;

  protected:
    // True when the owner is switched off: the item only notes that it is to start once
    // the switch is on again.
    bool HeldBySwitch();
};

}  // namespace vesk
