#include "media/stream_item.h"

#include <algorithm>

#include "media/audio_format.h"
#include "media/media_manager.h"

namespace vesk {

namespace {

int64_t MsToFrames(int ms) {
    return int64_t(std::max(ms, 0)) * kOutRate / 1000;
}

int FramesToMs(int64_t frames) {
    return int(std::min<int64_t>(RoundHalfEven((long double)frames * 1000 / kOutRate), 0x7FFFFFFF));
}

}  // namespace

TStreamItem::TStreamItem(MixBus& bus, TDecodeFeeder& feeder, std::unique_ptr<TOggStream> pcm)
    : player_(bus, feeder, std::move(pcm)) {}

int TStreamItem::GetRepeatPos() {
    return FramesToMs(player_.LoopStart());
}

void TStreamItem::SetRepeatPos(int ms) {
    player_.SetLoopStart(MsToFrames(ms));
}

void TStreamItem::SetPan(int pan) {
    pan_ = std::clamp(pan, -10000, 10000);
    ApplyGain();
}

void TStreamItem::SetVol(int vol) {
    vol_ = std::clamp(vol, -10000, 0);
    ApplyGain();
}

int TStreamItem::GetPosition() {
    return FramesToMs(player_.Position());
}

void TStreamItem::SetPosition(int ms) {
    player_.SetPosition(MsToFrames(ms));
    endTold_ = false;
}

int TStreamItem::GetLength() {
    return FramesToMs(player_.Length());
}

bool TStreamItem::IsEnd() {
    if (endTold_ || !player_.Ended()) return false;
    endTold_ = true;
    return true;
}

bool TStreamItem::IsPlaying() {
    return player_.Playing() && !paused_ && !player_.Ended();
}

void TStreamItem::Play() {
    if (HeldBySwitch()) return;
    // Played again after its end, a sound starts over.
    if (player_.Ended()) player_.SetPosition(0);
    paused_ = false;
    endTold_ = false;
    player_.Play();
}

void TStreamItem::Pause() {
    paused_ = true;
    player_.Pause();
}

TCddaItem::TCddaItem(MixBus& bus, TDecodeFeeder& feeder, std::unique_ptr<TOggStream> pcm, int track)
    : TStreamItem(bus, feeder, std::move(pcm)), track_(track) {
    ApplyGain();
}

void TCddaItem::Play() {
    // One CD plays at a time: starting a track stops the one playing.
    if (Owner && Owner->Enabled())
        for (auto& other : Owner->Items())
            if (other.get() != this && other->IsPlaying()) other->Pause();
    TStreamItem::Play();
}

TStereoGain TCddaItem::Gain() const {
    const int v = std::max(Vol(), -5000);
    const int32_t g = int32_t(int64_t(v + 5000) * 65536 / 5000);
    return TStereoGain{g, g};
}

}  // namespace vesk
