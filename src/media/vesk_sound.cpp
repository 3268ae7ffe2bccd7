#include "media/vesk_sound.h"

#include <exception>

#include "base/stream.h"
#include "media/media_system.h"

namespace vesk {

TVeskSound::TVeskSound(TVeskBaseList* owner, TMediaSystem& media)
    : TVeskComponent(owner), media_(media) {}

TVeskSound::~TVeskSound() {
    pb_.Release();
}

bool TVeskSound::Open() {
    if (pb_.HasItem()) return true;
    const MediaKind kind = MediaKindOf(source_);
    if (kind == MediaKind::None) return false;
    // A missing file does not play; with auto scrap the object goes.
    if (kind != MediaKind::Cd && !media_.Exists(source_)) {
        if (autoScrap_) Scrap();
        return false;
    }
    auto item = media_.OpenSound(source_);
    if (!item) return false;
    pb_.Attach(std::move(item), kind);
    return true;
}

void TVeskSound::SetPlayState(PlayState s) {
    switch (s) {
        case PlayState::FadeIn:
            if (pb_.FadeTime > 0) {
                finished_ = false;
                if (Open()) pb_.FadeIn(pb_.FadeTime);
                return;
            }
            [[fallthrough]];
        case PlayState::Play:
            finished_ = false;
            if (Open()) pb_.Play();
            return;
        case PlayState::FadeOut:
            if (pb_.FadeTime > 0 && pb_.HasItem()) {
                // The name is freed at once, so a new sound may take it while this one fades.
                SetName(SystemName("SCRAP_") + Name());
                pb_.FadeOut(pb_.FadeTime);
                return;
            }
            [[fallthrough]];
        case PlayState::Stop:
            pb_.Release();
            pb_.SetState(PlayState::Stop);
            Scrap();
            return;
    }
}

void TVeskSound::AfterCommandProps(TCallMan&) {
    SetPlayState(pb_.FadeTime != 0 ? PlayState::FadeIn : PlayState::Play);
}

bool TVeskSound::Step(int32_t elapsed) {
    switch (pb_.Step(elapsed)) {
        case TMediaPlayback::StepResult::FadeOutDone:
            pb_.Release();
            pb_.SetState(PlayState::Stop);
            return true;
        case TMediaPlayback::StepResult::Ended:
            finished_ = true;
            if (autoScrap_) return true;
            QueueEvent(PR_ONPLAYEND);
            return false;
        case TMediaPlayback::StepResult::None:
            return false;
    }
    return false;
}

int32_t TVeskSound::GetIntProp(int32_t index) {
    switch (index) {
        case PR_DELAY:
            return pb_.FadeTime;
        case PR_PAUSED:
            return pb_.Paused;
        case PR_VOLUME:
            return pb_.Volume;
        case PR_REPEAT:
            return pb_.Repeat;
        case PR_BALANCE:
            return pb_.Balance;
        case PR_INDEX:
            return pb_.Position();
        case PR_COUNT:
            return pb_.Length();
        case PR_AUTOSCRAP:
            return autoScrap_;
        case PR_ANIPAUSED:
            return aniPaused_;
        case PR_PLAYING:
            return pb_.Playing();
        case PR_REWINDONLOAD:
            return rewindOnLoad_;
        case PR_MUTEONLOAD:
            return muteOnLoad_;
        case PR_REPEATPOS:
            return pb_.RepeatPos;
        default:
            return TVeskComponent::GetIntProp(index);
    }
}

void TVeskSound::SetIntProp(int32_t index, int32_t value) {
    switch (index) {
        case PR_DELAY:
            pb_.FadeTime = value;
            return;
        case PR_PAUSED:
            pb_.SetPaused(value != 0);
            return;
        case PR_VOLUME:
            pb_.SetVolume(value);
            return;
        case PR_REPEAT:
            pb_.SetRepeat(value != 0);
            return;
        case PR_BALANCE:
            pb_.SetBalance(value);
            return;
        case PR_INDEX:
            finished_ = false;
            pb_.SetPosition(value);
            return;
        case PR_AUTOSCRAP:
            autoScrap_ = value != 0;
            return;
        case PR_ANIPAUSED:
            aniPaused_ = value != 0;
            return;
        case PR_REWINDONLOAD:
            rewindOnLoad_ = value != 0;
            return;
        case PR_MUTEONLOAD:
            muteOnLoad_ = value != 0;
            return;
        case PR_REPEATPOS:
            pb_.SetRepeatPos(value);
            return;
        case PR_COUNT:
        case PR_PLAYING:
            return;  // read-only
        default:
            TVeskComponent::SetIntProp(index, value);
    }
}

std::string TVeskSound::GetStrProp(int32_t index) {
    switch (index) {
        case PR_SOURCE:
            return source_;
        case PR_ONPLAYEND:
            return playEndPage_;
        default:
            return TVeskComponent::GetStrProp(index);
    }
}

void TVeskSound::SetStrProp(int32_t index, const std::string& value) {
    switch (index) {
        case PR_SOURCE: {
            if (value == source_) return;
            // A new source replaces the item; a sound that played goes on with the new one.
            const bool active = pb_.HasItem() && (pb_.State() == PlayState::Play ||
                                                  pb_.State() == PlayState::FadeIn);
            pb_.Release();
            source_ = value;
            finished_ = false;
            if (active) SetPlayState(PlayState::Play);
            return;
        }
        case PR_ONPLAYEND:
            playEndPage_ = value;
            return;
        default:
            TVeskComponent::SetStrProp(index, value);
    }
}

void TVeskSound::SaveState(StreamWriter& w) {
    TVeskComponent::SaveState(w);
    w.Str(source_);
    pb_.Save(w);
    w.Str(playEndPage_);
    w.Flag(autoScrap_);
    w.Flag(aniPaused_);
    w.Flag(rewindOnLoad_);
    w.Flag(muteOnLoad_);
    w.Flag(finished_);
}

void TVeskSound::LoadState(StreamReader& r, int32_t version) {
    TVeskComponent::LoadState(r, version);
    source_ = r.Str("sound source");
    pb_.Load(r);
    playEndPage_ = r.Str("play end page");
    autoScrap_ = r.Flag("auto scrap");
    aniPaused_ = r.Flag("animation paused");
    rewindOnLoad_ = r.Flag("rewind on load");
    muteOnLoad_ = r.Flag("mute on load");
    finished_ = r.Flag("finished");
    if (pb_.State() == PlayState::FadeOut) {
        // It was on its way out.
        Scrap();
        return;
    }
    if (!pb_.WasPlaying() || muteOnLoad_) {
        pb_.SetState(PlayState::Stop);
        return;
    }
    // It plays on: from its start, or from where it was.
    try {
        if (!Open()) return;
        if (TDMediaItem* it = pb_.Item()) it->SetPosition(rewindOnLoad_ ? 0 : pb_.SavedPosition());
        pb_.Play();
    } catch (const std::exception&) {
        // A sound that cannot be opened again stays silent; the game goes on.
        pb_.Release();
    }
}

}  // namespace vesk
