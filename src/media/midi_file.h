#pragma once
// Standard MIDI Files parsed into one event list in play order with millisecond times, plus
// the per-track note tables and the measure/beat map.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/stream.h"

namespace vesk {

enum TMidiEventKind { kMidiShort = 0, kMidiSysEx = 1, kMidiMeta = 2 };

struct TMidiMsgEvent {
    int64_t tick = 0;   // absolute, in file ticks
    int64_t ms = 0;     // absolute milliseconds
    int64_t delta = 0;  // ticks since the previous event in play order
    int seq = 0;        // reading order
    int track = 0;
    int kind = kMidiShort;
    int metaType = -1;
    // Status and data for short and system-exclusive messages; the data alone for meta events.
    std::vector<uint8_t> bytes;
};
using TMidiMsgEvents = std::vector<TMidiMsgEvent>;

struct TNote {
    int key = 0;
    int velocity = 0;
    double start = 0;  // in beats
    double end = -1;   // in beats; -1 while the note was never released
};
using TNotes = std::vector<TNote>;

struct TChannel {
    TNotes notes;
};

struct TTrack {
    std::string name;  // CP932, from meta type 3
    TChannel channels[16];
};
using TTracks = std::vector<TTrack>;

struct TRhythm {
    int64_t tick = 0;
    int numerator = 4;
    int denominator = 4;  // 2 to the power of the stored exponent
    int64_t ticksPerBeat = 0;
};
using TRhythms = std::vector<TRhythm>;

struct TVibrant {
    int64_t tick = 0;
    int64_t ms = 0;
    int beat = 1;     // within the measure, from 1
    int measure = 1;  // from 1
};
using TVibrants = std::vector<TVibrant>;

class TMidiV {
  public:
    // The beat map stops here, so a hostile file cannot make it unbounded.
    static constexpr size_t kMaxBeats = 100000;

    // Parses a file; false (and nothing loaded) when it does not start with a valid header.
    // A damaged track ends where the damage begins; what was read before it stays.
    bool Load(const uint8_t* data, size_t size);
    bool Load(Stream& s);
    void Clear();

    bool Loaded() const { return loaded_; }
    int Format() const { return format_; }
    int TrackCount() const { return trackCount_; }
    int Division() const { return division_; }
    const TMidiMsgEvents& Events() const { return events_; }
    const TTracks& Tracks() const { return tracks_; }
    const TRhythms& Rhythms() const { return rhythms_; }
    const TVibrants& Vibrants() const { return vibrants_; }
    int64_t LengthMs() const { return length_; }
    int64_t LastTick() const { return events_.empty() ? 0 : events_.back().tick; }

  private:
    size_t ParseTrack(const uint8_t* data, size_t size, size_t pos, int track);
    void AddEvent(int track, int64_t tick, int64_t delta, int kind, int metaType,
                  std::vector<uint8_t> bytes);
    void ComputeTimes();
    void BuildBeatMap();

    bool loaded_ = false;
    int format_ = 0;
    int trackCount_ = 0;
    int division_ = 0;
    int seq_ = 0;
    TMidiMsgEvents events_;
    TTracks tracks_;
    TRhythms rhythms_;
    TVibrants vibrants_;
    int64_t length_ = 0;
    std::vector<std::vector<size_t>> openNotes_;
};

}  // namespace vesk
