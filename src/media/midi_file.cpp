#include "media/midi_file.h"

#include <algorithm>
#include <cstring>

#include "base/endian.h"
#include "media/audio_format.h"

namespace vesk {

namespace {

constexpr int64_t kDefaultTempo = 500000;  // microseconds per quarter note
// Times stop growing here (about 285 million years), so hostile deltas cannot overflow.
constexpr int64_t kMaxMs = int64_t(1) << 53;

bool IsChunk(const uint8_t* data, size_t size, size_t pos, const char* id) {
    return pos <= size && size - pos >= 8 && std::memcmp(data + pos, id, 4) == 0;
}

// A variable-length number of at most four bytes (28 bits), as the file format allows.
bool ReadVarLen(const uint8_t* data, size_t size, size_t& pos, int64_t& out) {
    int64_t v = 0;
    for (int i = 0; i < 4; ++i) {
        if (pos >= size) return false;
        uint8_t b = data[pos++];
        v = (v << 7) | (b & 0x7F);
        if (!(b & 0x80)) {
            out = v;
            return true;
        }
    }
    return false;
}

int DataBytesOf(uint8_t status) {
    uint8_t t = status & 0xF0;
    return (t == 0xC0 || t == 0xD0) ? 1 : 2;
}

}  // namespace

void TMidiV::Clear() {
    loaded_ = false;
    format_ = trackCount_ = division_ = seq_ = 0;
    events_.clear();
    tracks_.clear();
    rhythms_.clear();
    vibrants_.clear();
    length_ = 0;
}

bool TMidiV::Load(Stream& s) {
    const int64_t size = s.Size() - s.Position();
    if (size <= 0) {
        Clear();
        return false;
    }
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    bytes.resize(s.Read(bytes.data(), bytes.size()));
    return Load(bytes.data(), bytes.size());
}

bool TMidiV::Load(const uint8_t* data, size_t size) {
    Clear();
    if (size < 14 || std::memcmp(data, "MThd", 4) != 0) return false;
    const uint32_t headerLen = Be32(data + 4);
    format_ = Be16(data + 8);
    trackCount_ = Be16(data + 10);
    division_ = Be16(data + 12);
    if (division_ == 0) return false;
    if (division_ & 0x8000) {
        // Frames per second and ticks per frame instead of ticks per quarter note.
        const int fps = -int(int8_t(division_ >> 8));
        if (fps <= 0 || (division_ & 0xFF) == 0) return false;
    }
    // A longer header carries fields this reader does not know; a lying length is ignored.
    size_t pos = 14;
    if (headerLen > 6 && headerLen <= size - 8) pos = 8 + headerLen;

    for (int t = 0; t < trackCount_ && pos < size;) {
        if (size - pos < 8) break;
        const size_t len = Be32(data + pos + 4);
        const size_t body = pos + 8;
        const size_t declaredEnd = len <= size - body ? body + len : size;
        if (std::memcmp(data + pos, "MTrk", 4) != 0) {
            // Chunks of unknown kinds are skipped whole.
            if (len > size - body) break;
            pos = declaredEnd;
            continue;
        }
        tracks_.emplace_back();
        if (len == 0) {
            pos = body;
        } else {
            size_t after = ParseTrack(data, size, body, t);
            // Tracks are read to their end-of-track event, whatever their length says; when
            // the next chunk is not found there, the declared length is trusted instead.
            pos = (!IsChunk(data, size, after, "MTrk") && IsChunk(data, size, declaredEnd, "MTrk"))
                      ? declaredEnd
                      : after;
        }
        ++t;
    }
    loaded_ = true;
    std::sort(events_.begin(), events_.end(), [](const TMidiMsgEvent& a, const TMidiMsgEvent& b) {
        return a.tick != b.tick ? a.tick < b.tick : a.seq < b.seq;
    });
    ComputeTimes();
    BuildBeatMap();
    return true;
}

void TMidiV::AddEvent(int track, int64_t tick, int64_t delta, int kind, int metaType,
                      std::vector<uint8_t> bytes) {
    TMidiMsgEvent e;
    e.tick = tick;
    e.delta = delta;
    e.seq = seq_++;
    e.track = track;
    e.kind = kind;
    e.metaType = metaType;
    e.bytes = std::move(bytes);
    events_.push_back(std::move(e));
}

size_t TMidiV::ParseTrack(const uint8_t* data, size_t size, size_t pos, int track) {
    TTrack& tr = tracks_.back();
    const double quarter =
        (division_ & 0x8000)
            ? std::max(1.0, -int(int8_t(division_ >> 8)) * (division_ & 0xFF) / 2.0)
            : double(division_);
    // Indexes of the notes still sounding, per channel and key; the table is kept from
    // track to track so that files of many tracks do not rebuild it each time.
    auto& open = openNotes_;
    open.resize(16 * 128);
    for (auto& o : open) o.clear();
    int64_t tick = 0;
    uint8_t running = 0;
    while (true) {
        int64_t delta;
        if (!ReadVarLen(data, size, pos, delta)) return size;
        tick += delta;
        if (pos >= size) return size;
        uint8_t status = data[pos];
        if (status < 0x80) {
            // Running status: the byte is data of a message with the previous status.
            if (!running) return size;
            status = running;
        } else {
            ++pos;
        }
        if (status < 0xF0) {
            running = status;
            const int n = DataBytesOf(status);
            if (size - pos < size_t(n)) return size;
            std::vector<uint8_t> msg{status, data[pos]};
            if (n == 2) msg.push_back(data[pos + 1]);
            pos += size_t(n);
            const int type = status & 0xF0, ch = status & 0x0F;
            const int key = msg[1] & 0x7F;
            if (type == 0x90 && msg[2] != 0) {
                open[ch * 128 + key].push_back(tr.channels[ch].notes.size());
                tr.channels[ch].notes.push_back(TNote{key, msg[2], tick / quarter, -1});
            } else if ((type == 0x80 || type == 0x90) && !open[ch * 128 + key].empty()) {
                tr.channels[ch].notes[open[ch * 128 + key].back()].end = tick / quarter;
                open[ch * 128 + key].pop_back();
            }
            AddEvent(track, tick, delta, kMidiShort, -1, std::move(msg));
        } else if (status == 0xF0 || status == 0xF7) {
            int64_t len;
            if (!ReadVarLen(data, size, pos, len) || uint64_t(len) > size - pos) return size;
            std::vector<uint8_t> msg(size_t(len) + 1);
            msg[0] = status;
            std::memcpy(msg.data() + 1, data + pos, size_t(len));
            pos += size_t(len);
            AddEvent(track, tick, delta, kMidiSysEx, -1, std::move(msg));
        } else if (status == 0xFF) {
            if (pos >= size) return size;
            const int type = data[pos++];
            int64_t len;
            if (!ReadVarLen(data, size, pos, len) || uint64_t(len) > size - pos) return size;
            std::vector<uint8_t> body(data + pos, data + pos + len);
            pos += size_t(len);
            if (type == 0x03) tr.name.assign(body.begin(), body.end());
            if (type == 0x58 && body.size() >= 2) {
                TRhythm r;
                r.tick = tick;
                r.numerator = std::max(1, int(body[0]));
                r.denominator = 1 << std::min(int(body[1]), 6);
                r.ticksPerBeat =
                    std::max<int64_t>(1, int64_t(division_ & 0x7FFF) * 4 / r.denominator);
                rhythms_.push_back(r);
            }
            AddEvent(track, tick, delta, kMidiMeta, type, std::move(body));
            if (type == 0x2F) return pos;
        } else {
            // System common and real-time messages have no place in a file.
            return size;
        }
    }
}

void TMidiV::ComputeTimes() {
    const bool smpte = (division_ & 0x8000) != 0;
    const int fpsCode = -int(int8_t(division_ >> 8));
    const long double fps = fpsCode == 29 ? 29.97L : fpsCode;
    int64_t tempo = kDefaultTempo;
    int64_t prevTick = 0, prevMs = 0;
    for (TMidiMsgEvent& e : events_) {
        e.delta = e.tick - prevTick;
        // Milliseconds per tick, held in single precision as the player always did; each
        // event's own delta is rounded, so song times keep their familiar small drift.
        const float factor = smpte ? float(1000.0L / (fps * (division_ & 0xFF)))
                                   : float((long double)tempo / division_ / 1000.0L);
        e.ms = std::min(kMaxMs, prevMs + RoundHalfEven((long double)factor * e.delta));
        if (e.kind == kMidiMeta && e.metaType == 0x51 && e.bytes.size() >= 3)
            tempo = int64_t(e.bytes[0]) << 16 | int64_t(e.bytes[1]) << 8 | e.bytes[2];
        prevTick = e.tick;
        prevMs = e.ms;
    }
    length_ = events_.empty() ? 0 : events_.back().ms;
}

void TMidiV::BuildBeatMap() {
    if (division_ & 0x8000) return;  // no beats without a quarter-note division
    std::stable_sort(rhythms_.begin(), rhythms_.end(),
                     [](const TRhythm& a, const TRhythm& b) { return a.tick < b.tick; });
    TRhythm current;
    current.ticksPerBeat = division_;
    size_t nextRhythm = 0;
    // Walks beats and events together so a beat's time follows the events' own rounding.
    int64_t tempo = kDefaultTempo, evTick = 0, evMs = 0;
    size_t ev = 0;
    int beat = 1, measure = 1;
    const int64_t last = LastTick();
    for (int64_t tick = 0; tick <= last && vibrants_.size() < kMaxBeats;) {
        while (nextRhythm < rhythms_.size() && rhythms_[nextRhythm].tick <= tick) {
            current = rhythms_[nextRhythm++];
            if (beat != 1) {
                beat = 1;
                ++measure;
            }
        }
        while (ev < events_.size() && events_[ev].tick <= tick) {
            const TMidiMsgEvent& e = events_[ev++];
            evTick = e.tick;
            evMs = e.ms;
            if (e.kind == kMidiMeta && e.metaType == 0x51 && e.bytes.size() >= 3)
                tempo = int64_t(e.bytes[0]) << 16 | int64_t(e.bytes[1]) << 8 | e.bytes[2];
        }
        const float factor = float((long double)tempo / division_ / 1000.0L);
        vibrants_.push_back(TVibrant{
            tick, evMs + RoundHalfEven((long double)factor * (tick - evTick)), beat, measure});
        tick += current.ticksPerBeat;
        if (++beat > current.numerator) {
            beat = 1;
            ++measure;
        }
    }
}

}  // namespace vesk
