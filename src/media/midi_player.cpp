#include "media/midi_player.h"

#include <algorithm>

#include "base/cp932.h"

namespace vesk {

// ---- TMMTimer ----

TMMTimer::TMMTimer(AudioClock& clock, uint32_t periodMs, std::function<void()> step)
    : clock_(clock), step_(std::move(step)), period_(periodMs) {}

TMMTimer::~TMMTimer() {
    std::unique_ptr<Ticker> t;
    {
        std::lock_guard lock(m_);
        t = std::move(ticker_);
    }
    t.reset();
}

void TMMTimer::SetEnabled(bool enabled) {
    std::lock_guard lock(m_);
    enabled_ = enabled;
    if (enabled && !ticker_) ticker_ = clock_.StartTicker(period_, [this] { Tick(); });
}

bool TMMTimer::Enabled() {
    std::lock_guard lock(m_);
    return enabled_;
}

void TMMTimer::SetPaused(bool paused) {
    std::lock_guard lock(m_);
    paused_ = paused;
}

bool TMMTimer::Paused() {
    std::lock_guard lock(m_);
    return paused_;
}

uint32_t TMMTimer::Period() {
    std::lock_guard lock(m_);
    return period_;
}

void TMMTimer::Tick() {
    {
        std::lock_guard lock(m_);
        if (!enabled_ || paused_) return;
    }
    step_();
}

// ---- TMidiPlayV ----

TMidiPlayV::TMidiPlayV(AudioClock& clock, TMidiDevices devices)
    : clock_(clock), devices_(std::move(devices)), timer_(clock, kStepMs, [this] { Step(); }) {
    for (auto& ch : scale_) std::fill(std::begin(ch), std::end(ch), 100);
    for (auto& ch : controllers_) ch[7] = 127;
}

TMidiPlayV::~TMidiPlayV() {
    CloseDevice();
}

std::vector<std::string> TMidiPlayV::DeviceNames() const {
    std::vector<std::string> names{VESK_JP("MIDIマッパー")};
    for (const auto& d : devices_) names.push_back(d.name);
    return names;
}

bool TMidiPlayV::OpenDevice(int id) {
    CloseDevice();
    const size_t index = id == kMapper ? 0 : size_t(id);
    if (id < kMapper || index >= devices_.size() || !devices_[index].open) return false;
    std::unique_ptr<TMidiOut> out = devices_[index].open();
    if (!out) return false;
    std::lock_guard lock(m_);
    out_ = std::move(out);
    return true;
}

void TMidiPlayV::CloseDevice() {
    std::unique_ptr<TMidiOut> out;
    {
        std::lock_guard lock(m_);
        StopLocked();
        if (out_) out_->Reset();
        out = std::move(out_);
    }
}

bool TMidiPlayV::DeviceOpen() {
    std::lock_guard lock(m_);
    return out_ != nullptr;
}

bool TMidiPlayV::Load(Stream& s) {
    std::lock_guard lock(m_);
    StopLocked();
    const bool ok = song_.Load(s);
    next_ = 0;
    position_ = 0;
    for (auto& ch : controllers_) ch[7] = 127;
    return ok;
}

bool TMidiPlayV::Load(const uint8_t* data, size_t size) {
    ViewStream v(data, size);
    return Load(v);
}

void TMidiPlayV::PlayFrom(int64_t ms) {
    std::lock_guard lock(m_);
    AllNotesOff();
    SeekLocked(std::max<int64_t>(ms, 0));
    lastStep_ = clock_.NowMs();
    timer_.SetEnabled(true);
}

void TMidiPlayV::SeekLocked(int64_t ms) {
    const auto& ev = song_.Events();
    // The first event at that time, or else the last one before it (which the first step
    // then plays, since its time lies below the position).
    size_t target =
        size_t(std::lower_bound(ev.begin(), ev.end(), ms,
                                [](const TMidiMsgEvent& e, int64_t t) { return e.ms < t; }) -
               ev.begin());
    if (target > 0 && (target == ev.size() || ev[target].ms != ms)) --target;
    // Where sending has got to: a catch-up still running has not sent its events yet.
    const size_t cursor = catching_ ? catchNext_ : next_;
    catchNext_ = target < cursor ? 0 : cursor;
    catchEnd_ = target;
    catchWaited_ = 0;
    catching_ = true;
    next_ = target;
    position_ = ms;
    CatchUpLocked();
}

bool TMidiPlayV::CatchUpLocked() {
    // Catch up without notes, so programs, controllers and system settings are right. The
    // device gets 10 ms after each system-exclusive message, up to half a second in all, so
    // a file full of them cannot hold playing back for long.
    const auto& ev = song_.Events();
    while (catching_ && catchNext_ < catchEnd_) {
        const TMidiMsgEvent& e = ev[catchNext_++];
        if (e.kind == kMidiShort) {
            const int type = e.bytes[0] & 0xF0;
            if (type == 0x80 || type == 0x90) continue;
        }
        Send(e);
        if (e.kind == kMidiSysEx && catchWaited_ < 500) {
            catchWaited_ += kStepMs;
            return false;
        }
    }
    catching_ = false;
    return true;
}

void TMidiPlayV::PlayFromEvent(size_t index) {
    int64_t ms;
    {
        std::lock_guard lock(m_);
        const auto& ev = song_.Events();
        ms = index < ev.size() ? ev[index].ms : song_.LengthMs();
    }
    PlayFrom(ms);
}

bool TMidiPlayV::PlayFromBeat(int measure, int beat) {
    int64_t ms = -1;
    {
        std::lock_guard lock(m_);
        for (const TVibrant& v : song_.Vibrants())
            if (v.measure == measure && v.beat == beat) {
                ms = v.ms;
                break;
            }
    }
    if (ms < 0) return false;
    PlayFrom(ms);
    return true;
}

void TMidiPlayV::Stop() {
    std::lock_guard lock(m_);
    StopLocked();
}

void TMidiPlayV::StopLocked() {
    timer_.SetEnabled(false);
    catching_ = false;
    clock_.SleepMs(1);
    AllNotesOff();
}

bool TMidiPlayV::IsPlaying() {
    return timer_.Enabled();
}

bool TMidiPlayV::IsEnd() {
    std::lock_guard lock(m_);
    return next_ >= song_.Events().size();
}

void TMidiPlayV::SetControllerScale(int controller, int percent) {
    if (controller < 0 || controller > 127) return;
    std::lock_guard lock(m_);
    for (auto& ch : scale_) ch[controller] = percent;
    if (!timer_.Enabled() || !out_) return;
    for (int ch = 0; ch < 16; ++ch) {
        const int v = std::clamp(controllers_[ch][controller] * percent / 100, 0, 127);
        out_->ShortMsg(uint8_t(0xB0 | ch), uint8_t(controller), uint8_t(v));
    }
}

void TMidiPlayV::SetRepeatPos(int64_t ms) {
    std::lock_guard lock(m_);
    repeatPos_ = std::max<int64_t>(ms, 0);
}

int64_t TMidiPlayV::RepeatPos() {
    std::lock_guard lock(m_);
    return repeatPos_;
}

bool TMidiPlayV::Repeat() {
    std::lock_guard lock(m_);
    return repeat_;
}

void TMidiPlayV::SetRepeat(bool repeat) {
    std::lock_guard lock(m_);
    repeat_ = repeat;
}

int64_t TMidiPlayV::Position() {
    std::lock_guard lock(m_);
    return position_;
}

int64_t TMidiPlayV::Length() {
    std::lock_guard lock(m_);
    return song_.LengthMs();
}

int TMidiPlayV::Tempo() {
    std::lock_guard lock(m_);
    return tempo_;
}

void TMidiPlayV::Step() {
    std::lock_guard lock(m_);
    // A step that waited for the lock while Stop ran must not play on after it.
    if (!timer_.Enabled()) return;
    const auto& ev = song_.Events();
    const uint32_t now = clock_.NowMs();
    if (catching_) {
        // Playing starts once the catch-up is done; the time it took does not count.
        if (!CatchUpLocked()) return;
        lastStep_ = now;
    }
    if (next_ >= ev.size()) {
        timer_.SetEnabled(false);
        return;
    }
    position_ += std::min<uint32_t>(1000, now - lastStep_);
    lastStep_ = now;
    while (next_ < ev.size() && ev[next_].ms < position_) Send(ev[next_++]);
    if (next_ >= ev.size()) {
        if (repeat_) {
            AllNotesOff();
            if (repeatPos_ > 0 && repeatPos_ < song_.LengthMs()) {
                next_ = ev.size();
                SeekLocked(repeatPos_);
                lastStep_ = now;
            } else {
                next_ = 0;
                position_ = ev.front().ms;
            }
        } else {
            timer_.SetEnabled(false);
        }
    }
}

void TMidiPlayV::Send(const TMidiMsgEvent& e) {
    if (e.kind == kMidiMeta) {
        if (e.metaType == 0x51 && e.bytes.size() >= 3) {
            const int usq = e.bytes[0] << 16 | e.bytes[1] << 8 | e.bytes[2];
            if (usq > 0) tempo_ = 60000000 / usq;
        }
        return;
    }
    if (!out_) return;
    if (e.kind == kMidiSysEx) {
        out_->LongMsg(e.bytes.data(), e.bytes.size());
        return;
    }
    const uint8_t status = e.bytes[0];
    const uint8_t d1 = e.bytes[1];
    uint8_t d2 = e.bytes.size() > 2 ? e.bytes[2] : 0;
    if ((status & 0xF0) == 0xB0) {
        const int ch = status & 0x0F, ctl = d1 & 0x7F;
        controllers_[ch][ctl] = d2;
        // Scales above 100 % would leave the 7-bit range; the device gets the top value.
        d2 = uint8_t(std::clamp(d2 * scale_[ch][ctl] / 100, 0, 127));
    }
    out_->ShortMsg(status, d1, d2);
}

void TMidiPlayV::AllNotesOff() {
    if (!out_) return;
    for (int ch = 0; ch < 16; ++ch) out_->ShortMsg(uint8_t(0xB0 | ch), 123, 0);
}

}  // namespace vesk
