#include "media/media_playback.h"

#include <algorithm>

#include "base/stream.h"
#include "media/media_manager.h"

namespace vesk {

int FadeVolume(int s, int g, int64_t t, int64_t T, MediaKind kind) {
    if (T <= 0 || t >= T) return g;
    t = std::max<int64_t>(t, 0);
    if (kind == MediaKind::Midi) return int(s + int64_t(g - s) * t / T);
    const int64_t half = (g - s) / 2;  // div: toward zero
    if (g < s) return int(s + half * t / T);
    return int(s + half + half * t / T);
}

void TMediaPlayback::Attach(std::shared_ptr<TDMediaItem> item, MediaKind kind) {
    Release();
    item_ = item;
    kind_ = kind;
}

void TMediaPlayback::Release() {
    if (auto item = item_.lock()) {
        item->SetVol(-10000);
        if (item->Owner) item->Owner->Release(item.get());
    }
    item_.reset();
    fade_ = Fade::None;
}

void TMediaPlayback::SetVolume(int32_t v) {
    Volume = v;
    if (fade_ == Fade::None)
        if (TDMediaItem* it = Item()) it->SetVol(TargetVolume());
}

void TMediaPlayback::SetBalance(int32_t v) {
    Balance = v;
    if (TDMediaItem* it = Item()) it->SetPan(std::clamp(v, -10000, 10000));
}

void TMediaPlayback::SetRepeat(bool on) {
    Repeat = on;
    TDMediaItem* it = Item();
    if (!it) return;
    it->SetAutoRepeat(on);
    if (on && it->GetPosition() >= it->GetLength() - 1) it->SetPosition(0);
}

void TMediaPlayback::SetRepeatPos(int32_t ms) {
    RepeatPos = ms;
    if (TDMediaItem* it = Item()) it->SetRepeatPos(ms);
}

void TMediaPlayback::SetPaused(bool on) {
    Paused = on;
    TDMediaItem* it = Item();
    if (!it || state_ == PlayState::Stop) return;
    if (on)
        it->Pause();
    else if (it->IsPaused())
        it->Play();
}

void TMediaPlayback::SetPosition(int32_t ms) {
    TDMediaItem* it = Item();
    if (!it) return;
    it->SetPosition(std::max(ms, 0));
    if (!Paused) it->Play();
}

int32_t TMediaPlayback::Position() const {
    TDMediaItem* it = Item();
    return it ? it->GetPosition() : 0;
}

int32_t TMediaPlayback::Length() const {
    TDMediaItem* it = Item();
    return it ? it->GetLength() : 0;
}

bool TMediaPlayback::Playing() const {
    TDMediaItem* it = Item();
    return it && it->IsPlaying();
}

void TMediaPlayback::Play() {
    state_ = PlayState::Play;
    fade_ = Fade::None;
    Start(TargetVolume());
}

void TMediaPlayback::Start(int vol) {
    TDMediaItem* it = Item();
    if (!it) return;
    it->SetPan(std::clamp(Balance, -10000, 10000));
    it->SetAutoRepeat(Repeat);
    it->SetRepeatPos(RepeatPos);
    it->SetVol(vol);
    if (Paused)
        it->Pause();
    else
        it->Play();
}

void TMediaPlayback::FadeIn(int32_t ms) {
    state_ = PlayState::FadeIn;
    fade_ = Fade::In;
    fadeFrom_ = -10000;
    fadeT_ = 0;
    fadeFresh_ = true;
    fadeLen_ = ms;
    // From -10000; the first value of the curve holds from the first sample (sound that
    // rises through the upper half of the range starts half-way).
    Start(FadeVolume(fadeFrom_, TargetVolume(), 0, fadeLen_, kind_));
}

void TMediaPlayback::FadeOut(int32_t ms) {
    state_ = PlayState::FadeOut;
    TDMediaItem* it = Item();
    fade_ = Fade::Out;
    fadeFrom_ = it ? it->GetVol() : -10000;
    fadeT_ = 0;
    fadeFresh_ = true;
    fadeLen_ = ms;
}

TMediaPlayback::StepResult TMediaPlayback::Step(int32_t elapsed) {
    TDMediaItem* it = Item();
    if (fade_ != Fade::None) {
        // The time since the fade began: nothing yet in the frame that began it.
        if (!fadeFresh_) fadeT_ += std::max(elapsed, 0);
        fadeFresh_ = false;
        const int goal = fade_ == Fade::In ? TargetVolume() : -10000;
        if (it) it->SetVol(FadeVolume(fadeFrom_, goal, fadeT_, fadeLen_, kind_));
        if (fadeT_ >= fadeLen_) {
            const bool out = fade_ == Fade::Out;
            fade_ = Fade::None;
            if (out) return StepResult::FadeOutDone;
            state_ = PlayState::Play;
        }
    }
    if (!it || !it->IsEnd()) return StepResult::None;
    it->ClearEnd();
    if (Repeat) {
        it->SetPosition(0);
        it->Play();
        return StepResult::None;
    }
    return StepResult::Ended;
}

void TMediaPlayback::Save(StreamWriter& w) const {
    w.I32(Volume);
    w.I32(Balance);
    w.Flag(Repeat);
    w.I32(RepeatPos);
    w.Flag(Paused);
    w.I32(FadeTime);
    w.I32(int32_t(state_));
    TDMediaItem* it = Item();
    w.Flag(it && (it->IsPlaying() || it->IsPaused()));
    w.I32(it ? it->GetPosition() : 0);
}

void TMediaPlayback::Load(StreamReader& r) {
    Volume = r.I32("volume");
    Balance = r.I32("balance");
    Repeat = r.Flag("repeat");
    RepeatPos = r.I32("repeat position");
    Paused = r.Flag("paused");
    FadeTime = r.I32("fade time");
    const int32_t s = r.I32("play state");
    state_ = s >= 0 && s <= 3 ? PlayState(s) : PlayState::Stop;
    wasPlaying_ = r.Flag("playing");
    savedPos_ = std::max(r.I32("position"), 0);
}

}  // namespace vesk
