#include "media/ogg_wave_item.h"

#include <algorithm>

#include "base/cp932.h"
#include "media/audio_format.h"

namespace vesk {

bool IsAbsoluteMediaName(std::string_view name) {
    if (!name.empty() && name[0] == '\\') return true;
    return name.size() >= 2 && name[1] == ':';
}

bool HasOggExtension(std::string_view name) {
    return name.size() >= 4 && SameTextAscii(name.substr(name.size() - 4), ".ogg");
}

int VolumeToFactor(int vol) {
    vol = std::min(vol, 0);
    return (std::max(vol, -5000) + 5000) * 256 / 5000;
}

TOggWaveItem::TOggWaveItem(TWavOut& mixer, std::unique_ptr<TOggStream> stream) {
    bytesPerSec_ = stream->GetFormat().BytesPerSec();
    source_ = mixer.CreateSource(std::move(stream));
}

TOggWaveItem::~TOggWaveItem() {
    // Out of the mixer, if it is still open; the source itself may go after the mixer.
    source_->Detach();
}

int64_t TOggWaveItem::MsToBytes(int ms) const {
    return RoundHalfEven((long double)ms * bytesPerSec_ / 1000);
}

int TOggWaveItem::BytesToMs(int64_t bytes) const {
    if (bytesPerSec_ <= 0) return 0;
    return int(RoundHalfEven((long double)bytes / bytesPerSec_ * 1000));
}

bool TOggWaveItem::GetAutoRepeat() {
    return source_->Loop();
}

void TOggWaveItem::SetAutoRepeat(bool repeat) {
    source_->SetLoop(repeat);
}

int TOggWaveItem::GetRepeatPos() {
    return BytesToMs(source_->LoopPos());
}

void TOggWaveItem::SetRepeatPos(int ms) {
    source_->SetLoopPos(MsToBytes(std::max(ms, 0)));
}

void TOggWaveItem::SetVol(int vol) {
    vol_ = std::clamp(vol, -10000, 0);
    source_->SetVolume(VolumeToFactor(vol_));
}

int TOggWaveItem::GetPosition() {
    return BytesToMs(source_->AudiblePos());
}

void TOggWaveItem::SetPosition(int ms) {
    source_->SetReadPos(MsToBytes(std::max(ms, 0)));
}

int TOggWaveItem::GetLength() {
    return source_->StreamLength();
}

bool TOggWaveItem::IsEnd() {
    const bool finished = source_->HasFinished();
    if (source_->Loop() && finished) {
        source_->Play();
        return false;
    }
    return finished;
}

bool TOggWaveItem::IsPlaying() {
    return source_->IsPlaying() && !source_->IsPaused() && !source_->HasFinished();
}

void TOggWaveItem::Play() {
    if (HeldBySwitch()) return;
    source_->Play();
    paused_ = false;
}

void TOggWaveItem::Pause() {
    source_->Pause();
    paused_ = true;
}

}  // namespace vesk
