#pragma once
// The MIDI sequencer: plays a parsed file to an output device in 10 ms timer steps.
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "base/stream.h"
#include "media/audio_clock.h"
#include "media/midi_file.h"
#include "media/midi_out.h"

namespace vesk {

// A periodic timer that calls its step while enabled (and not paused).
class TMMTimer {
  public:
    TMMTimer(AudioClock& clock, uint32_t periodMs, std::function<void()> step);
    ~TMMTimer();
    void SetEnabled(bool enabled);
    bool Enabled();
    void SetPaused(bool paused);
    bool Paused();
    uint32_t Period();

  private:
    void Tick();
    AudioClock& clock_;
    std::function<void()> step_;
    std::mutex m_;
    uint32_t period_;
    bool enabled_ = false;
    bool paused_ = false;
    std::unique_ptr<Ticker> ticker_;  // started on first enable, kept until destruction
};

// The controller 7 scale percent of a MIDI item volume (-10000 .. 0 hundredths of a dB).
inline int MidiVolumeToScale(int vol) {
    return vol / 100 + 100;
}

class TMidiPlayV {
  public:
    static constexpr uint32_t kStepMs = 10;
    static constexpr int kMapper = -1;

    TMidiPlayV(AudioClock& clock, TMidiDevices devices);
    ~TMidiPlayV();
    TMidiPlayV(const TMidiPlayV&) = delete;
    TMidiPlayV& operator=(const TMidiPlayV&) = delete;

    // The device list of the MIDI manager: "MIDIマッパー" (index 0) then every device.
    std::vector<std::string> DeviceNames() const;
    const TMidiDevices& Devices() const { return devices_; }
    // Device id: -1 is the mapper (the first device), else an index into Devices().
    bool OpenDevice(int id);
    void CloseDevice();
    bool DeviceOpen();

    bool Load(Stream& s);
    bool Load(const uint8_t* data, size_t size);
    void PlayFrom(int64_t ms);
    void PlayFromEvent(size_t index);
    // False when the beat map has no such measure and beat.
    bool PlayFromBeat(int measure, int beat);
    void Stop();
    bool IsPlaying();
    bool IsEnd();
    void SetControllerScale(int controller, int percent);

    bool Repeat();
    void SetRepeat(bool repeat);
    // Where a repeat starts over (ms); 0 is the first event.
    void SetRepeatPos(int64_t ms);
    int64_t RepeatPos();
    int64_t Position();
    int64_t Length();
    int Tempo();
    // The loaded song; read it only while nothing loads another.
    const TMidiV& Song() const { return song_; }

  private:
    void Step();
    void StopLocked();
    // Points the sequencer at `ms` and sends what is due before it (no notes). What follows
    // a system-exclusive message waits for a later step, so the device gets its time without
    // anybody sleeping; false while such a wait is pending.
    void SeekLocked(int64_t ms);
    bool CatchUpLocked();
    void Send(const TMidiMsgEvent& e);
    void AllNotesOff();

    AudioClock& clock_;
    TMidiDevices devices_;
    std::mutex m_;
    std::unique_ptr<TMidiOut> out_;
    TMidiV song_;
    size_t next_ = 0;
    int64_t position_ = 0;
    uint32_t lastStep_ = 0;
    int tempo_ = 120;
    uint8_t controllers_[16][128] = {};
    int scale_[16][128];
    bool repeat_ = false;
    int64_t repeatPos_ = 0;
    // A catch-up in progress: events [catchNext_, catchEnd_) still to send.
    bool catching_ = false;
    size_t catchNext_ = 0, catchEnd_ = 0;
    uint32_t catchWaited_ = 0;
    TMMTimer timer_;  // last, so it stops before the rest goes
};

}  // namespace vesk
