#include "display/vesk_cinema.h"

#include <algorithm>
#include <cmath>

#include "base/stream.h"
#include "display/picture_draw.h"
#include "display/vesk_base_list.h"

namespace vesk {

TVeskCinema::TVeskCinema(TVeskBaseList* owner) : TVeskControl(owner) {}

TVeskCinema::~TVeskCinema() = default;

double TVeskCinema::FrameMs() const {
    return 1000.0 / double(film_ ? std::max(film_->FrameRate, 1) : 60);
}

void TVeskCinema::SetSource(const std::string& name) {
    if (name == source_) return;
    Invalidate();
    source_ = name;
    film_.reset();
    list_.Clear();
    elapsed_ = 0;
    frame_ = 0;
    ended_ = false;
    TVeskBaseList* root = Owner();
    if (root) film_ = root->LoadMotion(name);
    if (!film_) return;
    if (root->Images() && !film_->PictureFile.empty())
        list_.Load(*root->Images(), film_->PictureFile);
    // Without a size of its own the object takes the film's area (or its first picture's).
    if (width_ == 0 && height_ == 0) {
        int32_t w = film_->Width, h = film_->Height;
        const int32_t first = film_->PictureAt(0);
        if ((w == 0 || h == 0) && first >= 0 && size_t(first) < list_.Count()) {
            TDIBX& pic = list_.At(size_t(first)).Picture();
            w = w ? w : pic.Width();
            h = h ? h : pic.Height();
        }
        SetBounds(left_, top_, w, h);
    }
    Invalidate();
}

void TVeskCinema::SetFrame(int32_t frame) {
    if (!film_) return;
    const int32_t count = film_->FrameCount();
    frame = std::clamp(frame, 0, count - 1);
    elapsed_ = double(frame) * FrameMs();
    ended_ = false;
    if (frame != frame_) Invalidate();
    frame_ = frame;
}

bool TVeskCinema::Advance() {
    const int32_t count = film_->FrameCount();
    const double ms = FrameMs();
    int64_t frame = std::llround(std::min(elapsed_ / ms, 1e15));
    bool ended = false;
    if (frame >= count) {
        if (repeat_) {
            frame = std::min<int64_t>(frame % count + film_->LoopStart, count - 1);
            elapsed_ = double(frame) * ms;
        } else {
            frame = count - 1;
            ended = !ended_;
            ended_ = true;
        }
    }
    if (frame != frame_) Invalidate();
    frame_ = int32_t(std::max<int64_t>(frame, 0));
    return ended;
}

bool TVeskCinema::Step(int32_t elapsed) {
    if (film_) {
        if (!paused_ && !aniPaused_ && !ended_) elapsed_ += std::max(elapsed, 0);
        if (Advance()) {
            if (autoScrap_) return true;
            QueueEvent(PR_ONPLAYEND);
        }
    }
    return TVeskControl::Step(elapsed);
}

bool TVeskCinema::IsPlaying() {
    return film_ && !paused_ && !aniPaused_ && !ended_;
}

void TVeskCinema::PaintSelf(TCustomDIBX& s) {
    if (!film_) return;
    const int32_t picture = film_->PictureAt(frame_);
    if (picture < 0 || size_t(picture) >= list_.Count()) return;
    TVeskImageData& d = list_.At(size_t(picture));
    const TRect area = ScreenRect();
    const auto& o = film_->Offsets[size_t(frame_)];
    // The film shows only within the object's area.
    const TRect saved = s.ClipRect();
    const TRect clip = Intersect(s.ClipArea(), area);
    if (clip.IsEmpty()) return;
    s.SetClipRect(clip);
    DrawPictureAt(s, int32_t(std::clamp<int64_t>(int64_t(area.left) + o.X, -(1 << 30), 1 << 30)),
                  int32_t(std::clamp<int64_t>(int64_t(area.top) + o.Y, -(1 << 30), 1 << 30)),
                  d.Picture(), d.Mask(), 255);
    s.SetClipRect(saved);
}

void TVeskCinema::RestoreSurfaces() {
    list_.Refresh();
    Invalidate();
}

int32_t TVeskCinema::GetIntProp(int32_t index) {
    switch (index) {
        case PR_PAUSED:
            return paused_;
        case PR_VOLUME:
            return volume_;
        case PR_REPEAT:
            return repeat_;
        case PR_INDEX:
            return film_ ? frame_ : -1;
        case PR_COUNT:
            return film_ ? film_->FrameCount() : 0;
        case PR_AUTOSCRAP:
            return autoScrap_;
        case PR_ANIPAUSED:
            return aniPaused_;
        case PR_PLAYING:
            return IsPlaying();
        case PR_REWINDONLOAD:
            return rewindOnLoad_;
        case PR_MUTEONLOAD:
            return muteOnLoad_;
        default:
            return TVeskControl::GetIntProp(index);
    }
}

void TVeskCinema::SetIntProp(int32_t index, int32_t value) {
    switch (index) {
        case PR_PAUSED:
            paused_ = value != 0;
            return;
        case PR_VOLUME:
            volume_ = value;
            return;
        case PR_REPEAT:
            repeat_ = value != 0;
            return;
        case PR_INDEX:
            return SetFrame(value);
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
        case PR_COUNT:
        case PR_PLAYING:
            return;
        default:
            TVeskControl::SetIntProp(index, value);
    }
}

std::string TVeskCinema::GetStrProp(int32_t index) {
    switch (index) {
        case PR_SOURCE:
            return source_;
        case PR_ONPLAYEND:
            return playEndPage_;
        case PR_ONIDLE:
            return idlePage_;
        default:
            return TVeskControl::GetStrProp(index);
    }
}

void TVeskCinema::SetStrProp(int32_t index, const std::string& value) {
    switch (index) {
        case PR_SOURCE:
            return SetSource(value);
        case PR_ONPLAYEND:
            playEndPage_ = value;
            return;
        case PR_ONIDLE:
            idlePage_ = value;
            return;
        default:
            TVeskControl::SetStrProp(index, value);
    }
}

void TVeskCinema::SaveState(StreamWriter& w) {
    TVeskControl::SaveState(w);
    w.Str(source_);
    w.Flag(paused_);
    w.I32(volume_);
    w.Flag(repeat_);
    w.Flag(autoScrap_);
    w.Flag(rewindOnLoad_);
    w.Flag(muteOnLoad_);
    w.Str(playEndPage_);
    w.Str(idlePage_);
    w.Ext(Real(elapsed_));
    w.Flag(ended_);
}

void TVeskCinema::LoadState(StreamReader& r, int32_t version) {
    TVeskControl::LoadState(r, version);
    const std::string source = r.Str("cinema source");
    paused_ = r.Flag("paused");
    volume_ = r.I32("volume");
    repeat_ = r.Flag("repeat");
    autoScrap_ = r.Flag("auto scrap");
    rewindOnLoad_ = r.Flag("rewind on load");
    muteOnLoad_ = r.Flag("mute on load");
    playEndPage_ = r.Str("play-end page");
    idlePage_ = r.Str("idle page");
    const double elapsed = double(r.Ext("cinema time"));
    const bool ended = r.Flag("cinema ended");
    source_.clear();
    SetSource(source);
    if (!film_ || rewindOnLoad_) return;
    // The saved time is used only when it lies within the film.
    const double length = double(film_->FrameCount()) * FrameMs();
    elapsed_ = std::isfinite(elapsed) ? std::clamp(elapsed, 0.0, length) : 0.0;
    ended_ = ended;
    Advance();
}

}  // namespace vesk
