#include "media/midi_item.h"

#include <algorithm>

#include "media/media_managers.h"
#include "media/midi_file.h"
#include "media/midi_player.h"

namespace vesk {

TMidiItem::TMidiItem(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {
    // The length comes from a parse of its own, as from a second sequencer.
    TMidiV song;
    if (song.Load(bytes_.data(), bytes_.size())) length_ = song.LengthMs();
}

TMidiManager* TMidiItem::Manager() const {
    return static_cast<TMidiManager*>(Owner);
}

bool TMidiItem::Owns() const {
    return Owner && Manager()->SequencerOwner() == this;
}

void TMidiItem::SetAutoRepeat(bool repeat) {
    repeat_ = repeat;
    if (Owns()) Manager()->Sequencer().SetRepeat(repeat);
}

void TMidiItem::SetRepeatPos(int ms) {
    repeatPos_ = std::max(ms, 0);
    if (Owns()) Manager()->Sequencer().SetRepeatPos(repeatPos_);
}

void TMidiItem::SetPan(int pan) {
    pan_ = std::clamp(pan, -10000, 10000);
}

void TMidiItem::SetVol(int vol) {
    vol_ = std::clamp(vol, -10000, 0);
    if (Owns()) Manager()->Sequencer().SetControllerScale(7, MidiVolumeToScale(vol_));
}

int TMidiItem::GetPosition() {
    if (Owns() && !paused_) return int(Manager()->Sequencer().Position());
    return position_;
}

void TMidiItem::SetPosition(int ms) {
    position_ = std::max(ms, 0);
    endTold_ = false;
    if (Owns() && !paused_ && started_) Manager()->Sequencer().PlayFrom(position_);
}

bool TMidiItem::IsEnd() {
    if (endTold_ || !started_ || paused_ || !Owns()) return false;
    TMidiPlayV& seq = Manager()->Sequencer();
    if (seq.IsPlaying() || !seq.IsEnd()) return false;
    endTold_ = true;
    return true;
}

bool TMidiItem::IsPlaying() {
    return Owns() && started_ && !paused_ && Manager()->Sequencer().IsPlaying();
}

void TMidiItem::Play() {
    if (!Owner || HeldBySwitch()) return;
    if (Owns() && started_ && !paused_) {
        TMidiPlayV& seq = Manager()->Sequencer();
        if (seq.IsPlaying()) return;
        // Played again after its end, a song starts over.
        if (seq.IsEnd()) position_ = 0;
    }
    // Without a device the sequencer still keeps the song's time, silently.
    TMidiPlayV* seq = &Manager()->Acquire(this);
    paused_ = false;
    started_ = true;
    endTold_ = false;
    seq->SetRepeat(repeat_);
    seq->SetRepeatPos(repeatPos_);
    seq->SetControllerScale(7, MidiVolumeToScale(vol_));
    if (position_ >= length_) position_ = 0;
    seq->PlayFrom(position_);
}

void TMidiItem::Pause() {
    if (Owns() && !paused_) {
        TMidiPlayV& seq = Manager()->Sequencer();
        position_ = int(seq.Position());
        seq.Stop();
    }
    paused_ = true;
}

void TMidiItem::LoseSequencer() {
    if (!Owner) return;
    if (!paused_ && started_) position_ = int(Manager()->Sequencer().Position());
    Manager()->Sequencer().Stop();
    started_ = false;
}

}  // namespace vesk
