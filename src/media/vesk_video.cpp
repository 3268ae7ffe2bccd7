#include "media/vesk_video.h"

#include <exception>

#include "base/stream.h"
#include "gfx/custom_dibx.h"
#include "media/media_system.h"
#include "media/video_item.h"

namespace vesk {

TVeskVideo::TVeskVideo(TVeskBaseList* owner, TMediaSystem& media)
    : TVeskCustomImage(owner), media_(media) {}

TVeskVideo::~TVeskVideo() {
    Drop();
}

void TVeskVideo::Drop() {
    // The picture belongs to the item: it is shown no more before the item goes.
    DetachFrame();
    pb_.Release();
    video_.reset();
}

TVideoItem* TVeskVideo::Video() const {
    return video_.lock().get();
}

TCustomDIBX* TVeskVideo::Picture() {
    // An item freed by its manager takes its picture with it.
    if (!Video()) DetachFrame();
    return TVeskCustomImage::Picture();
}

bool TVeskVideo::Open() {
    if (pb_.HasItem()) return true;
    if (source_.empty()) return false;
    if (!media_.Exists(source_)) {
        if (autoScrap_) Scrap();
        return false;
    }
    std::shared_ptr<TVideoItem> item = media_.OpenVideo(source_);
    video_ = item;
    pb_.Attach(item, MediaKind::Wmp);
    AttachFrame(&item->Frame(), nullptr);
    Relayout();
    return true;
}

void TVeskVideo::PaintSelf(TCustomDIBX& s) {
    TVideoItem* v = Video();
    if (!v) {
        DetachFrame();
        return;
    }
    if (v->Visible()) TVeskCustomImage::PaintSelf(s);
}

void TVeskVideo::SetPlayState(PlayState s) {
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
                SetName(SystemName("SCRAP_") + Name());
                pb_.FadeOut(pb_.FadeTime);
                return;
            }
            [[fallthrough]];
        case PlayState::Stop:
            Drop();
            pb_.SetState(PlayState::Stop);
            Scrap();
            return;
    }
}

void TVeskVideo::AfterCommandProps(TCallMan&) {
    SetPlayState(pb_.FadeTime != 0 ? PlayState::FadeIn : PlayState::Play);
}

bool TVeskVideo::Step(int32_t elapsed) {
    const bool motionEnd = TVeskCustomImage::Step(elapsed);
    if (TVideoItem* v = Video())
        if (v->NeedPaint()) {
            // A new picture (of a new size, perhaps).
            Invalidate();
            Relayout();
            Invalidate();
        }
    switch (pb_.Step(elapsed)) {
        case TMediaPlayback::StepResult::FadeOutDone:
            Drop();
            pb_.SetState(PlayState::Stop);
            return true;
        case TMediaPlayback::StepResult::Ended:
            finished_ = true;
            if (autoScrap_) return true;
            QueueEvent(PR_ONPLAYEND);
            return motionEnd;
        case TMediaPlayback::StepResult::None:
            return motionEnd;
    }
    return motionEnd;
}

int32_t TVeskVideo::GetIntProp(int32_t index) {
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
        case PR_OVERLAY:
            return overlay_;
        case PR_MUTEONLOAD:
            return muteOnLoad_;
        default:
            return TVeskCustomImage::GetIntProp(index);
    }
}

void TVeskVideo::SetIntProp(int32_t index, int32_t value) {
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
            Invalidate();
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
        case PR_OVERLAY:
            overlay_ = value != 0;
            return;
        case PR_MUTEONLOAD:
            muteOnLoad_ = value != 0;
            return;
        case PR_COUNT:
        case PR_PLAYING:
            return;  // read-only
        default:
            TVeskCustomImage::SetIntProp(index, value);
    }
}

std::string TVeskVideo::GetStrProp(int32_t index) {
    switch (index) {
        case PR_SOURCE:
            return source_;
        case PR_ONPLAYEND:
            return playEndPage_;
        case PR_ONIDLE:
            return idlePage_;
        default:
            return TVeskCustomImage::GetStrProp(index);
    }
}

void TVeskVideo::SetStrProp(int32_t index, const std::string& value) {
    switch (index) {
        case PR_SOURCE: {
            if (value == source_) return;
            const bool active = pb_.HasItem() && (pb_.State() == PlayState::Play ||
                                                  pb_.State() == PlayState::FadeIn);
            Invalidate();
            Drop();
            source_ = value;
            finished_ = false;
            // The picture is opened at once: its size is the object's.
            Open();
            Invalidate();
            if (active) SetPlayState(PlayState::Play);
            return;
        }
        case PR_ONPLAYEND:
            playEndPage_ = value;
            return;
        case PR_ONIDLE:
            idlePage_ = value;
            return;
        default:
            TVeskCustomImage::SetStrProp(index, value);
    }
}

void TVeskVideo::SaveState(StreamWriter& w) {
    TVeskCustomImage::SaveState(w);
    w.Str(source_);
    pb_.Save(w);
    w.Str(playEndPage_);
    w.Str(idlePage_);
    w.Flag(autoScrap_);
    w.Flag(rewindOnLoad_);
    w.Flag(muteOnLoad_);
    w.Flag(overlay_);
    w.Flag(finished_);
}

void TVeskVideo::LoadState(StreamReader& r, int32_t version) {
    TVeskCustomImage::LoadState(r, version);
    source_ = r.Str("video source");
    pb_.Load(r);
    playEndPage_ = r.Str("play end page");
    idlePage_ = r.Str("idle page");
    autoScrap_ = r.Flag("auto scrap");
    rewindOnLoad_ = r.Flag("rewind on load");
    muteOnLoad_ = r.Flag("mute on load");
    overlay_ = r.Flag("overlay");
    finished_ = r.Flag("finished");
    if (pb_.State() == PlayState::FadeOut) {
        Scrap();
        return;
    }
    try {
        // The picture comes back in any case; the video plays on only when it played.
        if (!Open()) return;
        TDMediaItem* it = pb_.Item();
        it->SetPosition(rewindOnLoad_ ? 0 : pb_.SavedPosition());
        if (pb_.WasPlaying() && !muteOnLoad_)
            pb_.Play();
        else
            pb_.SetState(PlayState::Stop);
        Invalidate();
    } catch (const std::exception&) {
        Drop();
    }
}

}  // namespace vesk
