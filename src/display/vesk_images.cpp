#include "display/vesk_images.h"

#include <algorithm>

#include "base/cp932.h"
#include "base/error.h"
#include "base/stream.h"
#include "display/vesk_base_list.h"
#include "script/commands.h"

namespace vesk {

namespace {

int32_t SatAdd(int32_t a, int64_t b) {
    return int32_t(std::clamp<int64_t>(int64_t(a) + b, INT32_MIN, INT32_MAX));
}

std::string ExtensionOf(const std::string& name) {
    const size_t dot = name.find_last_of(".\\");
    if (dot == std::string::npos || name[dot] != '.') return {};
    return LowerAscii(name.substr(dot));
}

}  // namespace

// ---- TVeskCustomImages

TVeskCustomImages::TVeskCustomImages(TVeskBaseList* owner) : TVeskCustomImage(owner) {}

TVeskCustomImages::~TVeskCustomImages() = default;

int32_t TVeskCustomImages::Count() {
    TVeskImageList* list = Frames();
    return list ? int32_t(list->Count()) : 0;
}

void TVeskCustomImages::ForgetFrame() {
    if (!ActiveMotion()) index_ = -1;
    DetachFrame();
}

int32_t TVeskCustomImages::EvalLoopDelay() {
    if (loopDelay_.Ops.empty() || !Owner()) return 0;
    try {
        TCustomParam* v = Owner()->Evaluate(loopDelay_);
        return v ? v->AsInt() : 0;
    } catch (const VeskError&) {
        return 0;  // an expression that fails adds nothing, as when it yields nothing
    }
}

void TVeskCustomImages::LoadSource(const std::vector<TVeskImageList*>& lists,
                                   const std::string& name) {
    ForgetFrame();
    for (TVeskImageList* list : lists) list->Clear();
    SetMotion(nullptr);
    filmPicture_ = kNoFilmPicture;
    const std::string ext = ExtensionOf(name);
    TQuilCollection* cache = Owner() ? Owner()->Images() : nullptr;
    if (ext == ".qil" && cache) {
        for (TVeskImageList* list : lists) list->Load(*cache, name);
    } else if (ext == ".lmt" && Owner()) {
        if (auto track = Owner()->LoadMotion(name)) {
            // A film's pictures are the frames of its layered image.
            if (cache && !track->PictureFile.empty())
                for (TVeskImageList* list : lists) list->Load(*cache, track->PictureFile);
            SetMotion(std::move(track));
            ShowFilmFrame();
        }
    } else if (SizesFromPicture()) {
        SetBounds(left_, top_, 0, 0);
    }
    if (!ActiveMotion() && Count() > 0) SetIndex(0);
}

void TVeskCustomImages::ShowFilmFrame() {
    TVeskMotion* m = ActiveMotion();
    if (!m || m->Track().PictureFile.empty()) return;
    const int32_t picture = m->Track().PictureAt(m->Frame());
    if (picture == filmPicture_) return;
    Invalidate();
    filmPicture_ = picture;
    TVeskImageList* list = Frames();
    if (list && picture >= 0 && size_t(picture) < list->Count()) {
        TVeskImageData& d = list->At(size_t(picture));
        d.SetBrightness(brightness_);
        AttachFrame(&d.Picture(), d.Mask());
    } else {
        DetachFrame();
    }
    Relayout();
    Invalidate();
}

void TVeskCustomImages::SetIndex(int32_t index) {
    if (TVeskMotion* m = ActiveMotion()) {
        m->SetPosition(double(index) * TVeskMotion::kFrameMs);
        ShowFilmFrame();
        return;
    }
    const int32_t count = Count();
    if (index_ >= 0 && index_ < count)
        Invalidate();
    else
        countdown_ = 0;
    index_ = index;
    if (index < 0 || index >= count) return;
    TVeskImageData& d = Frames()->At(size_t(index));
    d.SetBrightness(brightness_);
    AttachFrame(&d.Picture(), d.Mask());
    countdown_ = SatAdd(countdown_, d.Frame().Delay);
    if (index == count - 1 && count > 1) countdown_ = SatAdd(countdown_, EvalLoopDelay());
    Relayout();
    Invalidate();
}

bool TVeskCustomImages::IsPlaying() {
    if (paused_ || aniPaused_) return false;
    if (TVeskMotion* m = ActiveMotion()) return !m->Finished();
    const int32_t count = Count();
    if (index_ < 0 || index_ >= count) return false;
    if (GetIntProp(PR_REPEAT)) return true;
    return !(index_ == count - 1 && countdown_ < 1);
}

bool TVeskCustomImages::Step(int32_t elapsed) {
    const bool ended = TVeskCustomImage::Step(elapsed);
    if (ActiveMotion()) {
        ShowFilmFrame();
        return ended;
    }
    return ended || StepFrames(elapsed);
}

bool TVeskCustomImages::StepFrames(int32_t elapsed) {
    const int32_t count = Count();
    if (index_ < 0 || index_ >= count || !IsVisible() || paused_ || aniPaused_) return false;
    if (countdown_ > 0) countdown_ = SatAdd(countdown_, -int64_t(std::max(elapsed, 0)));
    // Every pass adds a frame's delay (at least 1 ms) or ends at the last frame, so the
    // loop stops within one round of the frames.
    while (countdown_ < 1) {
        if (index_ < count - 1) {
            // Two-frame animations do not carry lateness from one frame to the next.
            if (count <= 2) countdown_ = 0;
            SetIndex(index_ + 1);
        } else if (GetIntProp(PR_REPEAT)) {
            countdown_ = 0;
            SetIndex(0);
        } else if (GetIntProp(PR_AUTOSCRAP)) {
            return true;
        } else {
            QueuePlayEnd();
            break;
        }
    }
    return false;
}

void TVeskCustomImages::QueuePlayEnd() {
    const std::string page = GetStrProp(PR_ONPLAYEND);
    if (page.empty() || !Owner()) return;
    TTimerList& q = Owner()->Events();
    // The page runs again on every frame the animation rests on its last frame; while one
    // still waits (events blocked) another would only pile up.
    for (size_t i = 0; i < q.Count(); ++i) {
        const TTimerData& e = q.At(i);
        if (e.Sender == Id() && e.Kind == PR_ONPLAYEND && e.Level == 0) return;
    }
    TTimerData e;
    e.EventPage = page;
    e.Sender = Id();
    e.Kind = uint8_t(PR_ONPLAYEND);
    q.Add(std::move(e));
}

void TVeskCustomImages::BeforeCommandProps(TComComponent& cmd, TCallMan&) {
    // The expression itself, evaluated anew on every loop.
    if (TVeskParser* e = cmd.Prop(PR_DELAY)) loopDelay_.AssignFrom(*e);
}

void TVeskCustomImages::ReleaseSurfaces() {
    DetachFrame();
    filmPicture_ = kNoFilmPicture;
    if (TVeskImageList* list = Frames()) list->DropCopies();
}

void TVeskCustomImages::RestoreSurfaces() {
    TVeskImageList* list = Frames();
    if (!list || !list->Refresh()) return;
    if (ActiveMotion()) {
        filmPicture_ = kNoFilmPicture;
        ShowFilmFrame();
        return;
    }
    if (index_ >= 0 && index_ < Count()) {
        TVeskImageData& d = list->At(size_t(index_));
        d.SetBrightness(brightness_);
        AttachFrame(&d.Picture(), d.Mask());
    } else {
        DetachFrame();
    }
    Relayout();
    Invalidate();
}

int32_t TVeskCustomImages::GetIntProp(int32_t index) {
    switch (index) {
        case PR_INDEX:
            if (TVeskMotion* m = ActiveMotion()) return m->Frame();
            return index_;
        case PR_COUNT:
            return Count();
        case PR_BRIGHTNESS:
            return brightness_;
        case PR_PAUSED:
            return paused_;
        case PR_PLAYING:
            return IsPlaying();
        default:
            return TVeskCustomImage::GetIntProp(index);
    }
}

void TVeskCustomImages::SetIntProp(int32_t index, int32_t value) {
    switch (index) {
        case PR_INDEX:
            return SetIndex(value);
        case PR_BRIGHTNESS:
            brightness_ = value;
            if (index_ >= 0 && index_ < Count()) {
                TVeskImageData& d = Frames()->At(size_t(index_));
                d.SetBrightness(brightness_);
                AttachFrame(&d.Picture(), d.Mask());
            }
            Invalidate();
            return;
        case PR_PAUSED:
            paused_ = value != 0;
            return;
        case PR_COUNT:
        case PR_PLAYING:
            return;
        default:
            TVeskCustomImage::SetIntProp(index, value);
    }
}

void TVeskCustomImages::SaveState(StreamWriter& w) {
    TVeskCustomImage::SaveState(w);
    w.I32(countdown_);
    w.I32(GetIntProp(PR_INDEX));
    w.I32(brightness_);
    w.Flag(paused_);
    loopDelay_.SaveToStream(w.Base());
}

void TVeskCustomImages::LoadState(StreamReader& r, int32_t version) {
    TVeskCustomImage::LoadState(r, version);
    countdown_ = r.I32("countdown");
    index_ = r.I32("frame index");
    brightness_ = r.I32("brightness");
    paused_ = r.Flag("paused");
    loopDelay_.LoadFromStream(r.Base());
}

// ---- TVeskImages

TVeskImages::TVeskImages(TVeskBaseList* owner) : TVeskCustomImages(owner) {
    lists_.push_back(std::make_unique<TVeskImageList>());
}

TVeskImages::~TVeskImages() {
    // The frames go before the lists that keep them alive.
    DetachFrame();
}

void TVeskImages::SetSource(const std::string& name) {
    if (name == source_) return;
    Invalidate();
    source_ = name;
    // The first list is the source's; subclasses fill the others from sources of their own.
    LoadSource({lists_[0].get()}, name);
    Invalidate();
}

int32_t TVeskImages::GetIntProp(int32_t index) {
    switch (index) {
        case PR_REPEAT:
            return repeat_;
        case PR_AUTOSCRAP:
            return autoScrap_;
        default:
            return TVeskCustomImages::GetIntProp(index);
    }
}

void TVeskImages::SetIntProp(int32_t index, int32_t value) {
    switch (index) {
        case PR_REPEAT:
            repeat_ = value != 0;
            return;
        case PR_AUTOSCRAP:
            autoScrap_ = value != 0;
            return;
        default:
            TVeskCustomImages::SetIntProp(index, value);
    }
}

std::string TVeskImages::GetStrProp(int32_t index) {
    switch (index) {
        case PR_SOURCE:
            return source_;
        case PR_ONPLAYEND:
            return playEndPage_;
        case PR_ONIDLE:
            return idlePage_;
        default:
            return TVeskCustomImages::GetStrProp(index);
    }
}

void TVeskImages::SetStrProp(int32_t index, const std::string& value) {
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
            TVeskCustomImages::SetStrProp(index, value);
    }
}

void TVeskImages::SaveState(StreamWriter& w) {
    TVeskCustomImages::SaveState(w);
    w.Flag(repeat_);
    w.Flag(autoScrap_);
    w.Str(source_);
    w.Str(playEndPage_);
    w.Str(idlePage_);
}

void TVeskImages::LoadState(StreamReader& r, int32_t version) {
    TVeskCustomImages::LoadState(r, version);
    const int32_t index = Index(), countdown = Countdown();
    repeat_ = r.Flag("repeat");
    autoScrap_ = r.Flag("auto scrap");
    const std::string source = r.Str("image source");
    playEndPage_ = r.Str("play-end page");
    idlePage_ = version >= 104 ? r.Str("idle page") : std::string();
    // The source loads the frames through its setter, then the saved frame comes back with
    // the time it had left.
    source_.clear();
    ForgetFrame();
    SetSource(source);
    SetIndex(index);
    SetCountdown(countdown);
}

}  // namespace vesk
