#include "display/vesk_base_list.h"

#include <algorithm>
#include <cstdio>

#include "base/error.h"
#include "base/stream.h"
#include "display/quil_collection.h"
#include "vars/param.h"

namespace vesk {

TVeskBaseList::TVeskBaseList(int32_t screenWidth, int32_t screenHeight)
    : TVeskComponent(nullptr), screenW_(screenWidth), screenH_(screenHeight) {
    screen_.SetSize(screenW_, screenH_, 32);
    MakeLayers();
}

TVeskBaseList::~TVeskBaseList() {
    // Objects unregister themselves while the maps still exist.
    objects_.clear();
    for (auto& l : layers_) l.reset();
}

void TVeskBaseList::MakeLayers() {
    for (int i = 0; i < 2; ++i) {
        layers_[size_t(i)] = std::make_unique<TVeskBase>(this, i);
        layers_[size_t(i)]->Resize(screenW_, screenH_);
    }
}

TVeskComponent* TVeskBaseList::CreateKind(int32_t kind) {
    std::unique_ptr<TVeskComponent> obj = kinds_.Make(kind, this);
    if (!obj) return nullptr;
    TVeskComponent* raw = obj.get();
    objects_.push_back(std::move(obj));
    return raw;
}

TVeskComponent* TVeskBaseList::Adopt(std::unique_ptr<TVeskComponent> obj) {
    TVeskComponent* raw = obj.get();
    objects_.push_back(std::move(obj));
    if (raw->WantsDefaultName() && raw->Name().empty()) raw->SetNameRaw(DefaultName());
    if (auto* c = dynamic_cast<TVeskControl*>(raw)) {
        FrontLayer().AddChild(c);
        c->Invalidate();
        if (!Focused()) focusRecompute_ = true;
    }
    return raw;
}

std::string TVeskBaseList::DefaultName() {
    for (int n = 0;; ++n) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%s%d", "object", n);
        const std::string name = buf;
        bool used = false;
        for (const auto& o : objects_)
            if (o->Name() == name) {
                used = true;
                break;
            }
        if (!used) return name;
    }
}

TVeskObject* TVeskBaseList::ById(ObjectId id) const {
    if (!id) return nullptr;
    auto it = byId_.find(id);
    return it == byId_.end() ? nullptr : it->second;
}

TVeskComponent* TVeskBaseList::FindComponent(const std::string& name) {
    static const std::string kBase0 = SystemName("BASE0"), kBase1 = SystemName("BASE1"),
                             kBack = SystemName("");
    if (name.empty() || name == kBase0) return &FrontLayer();
    if (name == kBack || name == kBase1) return &BackLayer();
    for (const auto& o : objects_)
        if (!o->IsScrapped() && o->Name() == name) return o.get();
    return nullptr;
}

TVeskControl* TVeskBaseList::FindControl(const std::string& name) {
    static const std::string kBase0 = SystemName("BASE0"), kBase1 = SystemName("BASE1"),
                             kBack = SystemName("");
    if (name.empty()) return &FrontLayer();
    if (name == kBack) return &BackLayer();
    if (name == kBase0) return layers_[0].get();
    if (name == kBase1) return layers_[1].get();
    for (const auto& o : objects_)
        if (!o->IsScrapped() && o->Name() == name)
            if (auto* c = dynamic_cast<TVeskControl*>(o.get())) return c;
    return nullptr;
}

void TVeskBaseList::DestroyTree(TVeskComponent* obj) {
    const ObjectId id = obj->Id();
    if (auto* c = dynamic_cast<TVeskControl*>(obj)) {
        std::vector<TVeskControl*> kids = c->children_;
        for (TVeskControl* k : kids) DestroyTree(k);
        if (c->parent_) c->parent_->RemoveChild(c);
        if (focus_ == id) ClearFocus();
        for (auto& l : layers_) l->ForgetHover(id);
    }
    events_.RemovePendingOf(id);
    std::erase(rclick_, id);
    auto it = std::find_if(objects_.begin(), objects_.end(),
                           [obj](const auto& p) { return p.get() == obj; });
    if (it != objects_.end()) objects_.erase(it);
}

void TVeskBaseList::Destroy(TVeskComponent* obj) {
    if (!obj || obj->IsLayer() || obj == this) return;
    if (auto* c = dynamic_cast<TVeskControl*>(obj)) c->Invalidate();
    DestroyTree(obj);
}

void TVeskBaseList::ScheduleDelete(TVeskComponent* obj) {
    const ObjectId id = obj->Id();
    if (std::find(deleteSchedule_.begin(), deleteSchedule_.end(), id) == deleteSchedule_.end())
        deleteSchedule_.push_back(id);
}

void TVeskBaseList::Reset() {
    const TVeskBase& old = FrontLayer();
    const int32_t mx = old.mouseX_, my = old.mouseY_;
    transition_.reset();
    events_.Clear();
    for (auto& l : layers_) l->children_.clear();
    objects_.clear();
    deleteSchedule_.clear();
    rclick_.clear();
    focus_ = 0;
    focusRecompute_ = false;
    front_ = 0;
    screen_.SetSize(screenW_, screenH_, 32);
    MakeLayers();
    // The first frame after the reset sees the current hover state.
    for (auto& l : layers_) {
        l->mouseX_ = mx;
        l->mouseY_ = my;
        l->moved_ = true;
    }
}

// ---- screen

void TVeskBaseList::SetScreenSize(int32_t width, int32_t height) {
    const int32_t oldW = screenW_, oldH = screenH_;
    screenW_ = width;
    screenH_ = height;
    try {
        RestoreSurfaces();
    } catch (const VeskError& e) {
        // A size the surfaces cannot have leaves the screen as it was.
        screenW_ = oldW;
        screenH_ = oldH;
        RestoreSurfaces();
        Fail("the screen cannot be " + std::to_string(width) + " x " + std::to_string(height) +
             " pixels: " + e.Text());
    }
}

TCustomDIBX& TVeskBaseList::TargetOf(TVeskBase& layer) {
    if (&layer == &FrontLayer() && !TransitionShown()) return screen_;
    return layer.Surface();
}

void TVeskBaseList::StartTransition(int frontIndex, int32_t kind, bool start, bool restart,
                                    int32_t elapsed, int32_t duration) {
    front_ = frontIndex & 1;
    if (restart || (kind != 0 && !transition_)) {
        transition_.reset();
        for (auto& l : layers_) l->InvalidateAll();
    }
    if (kind != 0 && !transition_ && wipeFactory_) {
        TVeskBase& shown = FrontLayer();
        // The picture now on the screen is what the transition leaves.
        shown.Surface().Draw(0, 0, screen_.BoundsRect(), screen_);
        transition_ = wipeFactory_(kind, screen_, BackLayer().Surface(), shown.Surface());
        if (transition_) {
            transition_->SetStartFlag(start);
            transition_->SetDuration(duration);
            transition_->SetElapsed(elapsed);
        }
    }
    TVeskControl* f = Focused();
    if (f && f->Layer() != &FrontLayer()) ClearFocus();
}

void TVeskBaseList::PaintAll() {
    wholeArea_ = TRect{};
    for (auto& l : layers_) l->PaintLayer(TargetOf(*l));
    if (transition_ && !transition_->Step()) wholeArea_ = transition_->Area();
}

void TVeskBaseList::ClearDirty() {
    for (auto& l : layers_) l->Dirty().Clear();
}

void TVeskBaseList::ReleaseSurfaces() {
    screen_.ReleaseSurface();
    for (auto& l : layers_) {
        l->Surface().ReleaseSurface();
        l->KeySurface().ReleaseSurface();
    }
    for (auto& o : objects_) o->ReleaseSurfaces();
    // Pictures loaded ahead of use are loaded again when they are used.
    if (images_) images_->PurgeKept();
    transition_.reset();
}

void TVeskBaseList::RestoreSurfaces() {
    screen_.SetSize(screenW_, screenH_, 32);
    for (auto& l : layers_) l->Resize(screenW_, screenH_);
    if (images_) images_->Reload();
    for (auto& o : objects_) o->RestoreSurfaces();
    for (auto& l : layers_) l->InvalidateAll();
}

std::shared_ptr<const TMotionTrack> TVeskBaseList::LoadMotion(const std::string& name) {
    if (!motionLoader_) return nullptr;
    try {
        return motionLoader_(name);
    } catch (const VeskError&) {
        return nullptr;
    }
}

std::vector<uint8_t> TVeskBaseList::ReadFile(const std::string& name) {
    if (!fileReader_) Fail("no game files to read " + name + " from");
    return fileReader_(name);
}

TCustomParam* TVeskBaseList::Evaluate(TVeskParser& expr) {
    return evaluator_ ? evaluator_(expr) : nullptr;
}

// ---- input

void TVeskBaseList::RecordKeyDown(int32_t key) {
    if (key < 0 || key >= 256) return;
    const size_t k = size_t(key);
    if (keyDown_[k]) return;
    keyDown_[k] = 1;
    keyPress_[k] = 1;
    keyCountdown_[k] = repeatDelay_;
}

void TVeskBaseList::RecordKeyUp(int32_t key) {
    if (key < 0 || key >= 256) return;
    const size_t k = size_t(key);
    if (!keyDown_[k]) return;
    keyDown_[k] = 0;
    keyUps_.push_back(key);
}

void TVeskBaseList::ReleaseHeldInput() {
    for (int32_t k = 0; k < 256; ++k) RecordKeyUp(k);
    for (auto& l : layers_) {
        l->SetButtonDown(true, false);
        l->SetButtonDown(false, false);
    }
}

void TVeskBaseList::MouseMoveTo(int32_t x, int32_t y) {
    for (auto& l : layers_) l->SetMousePos(x, y);
}

void TVeskBaseList::MouseButton(bool left, bool down) {
    for (auto& l : layers_) l->SetButtonDown(left, down);
    if (down) FrontLayer().Click(left);
}

void TVeskBaseList::ProcessInput(int32_t elapsed) {
    TVeskBase& L = FrontLayer();
    L.prev_ = L.now_;
    L.now_ = TMouseClicks{};
    TMouseClicks& clicks = L.prev_;
    const int32_t x = L.mouseX_, y = L.mouseY_;

    if (clicks.Right) {
        for (ObjectId id : rclick_) {
            auto* h = dynamic_cast<TVeskControl*>(ById(id));
            if (!h || !h->GetIntProp(PR_RCLICKSCRAP) || !h->IsVisible() || h->Layer() != &L ||
                h->IsPaused() || h->IsInCabinet() ||
                (h->IgnoreMouse() != IM_NONE && h->IgnoreMouse() != IM_LCLICK))
                continue;
            if (h->SwallowRightClick()) {
                clicks.Right = false;
                break;
            }
        }
    }

    auto* previous = dynamic_cast<TVeskControl*>(ById(L.hover_));
    TVeskControl* obj = nullptr;
    bool mouseDone = false;
    if (L.capture_ && previous) {
        if (L.capture_ & (CAP_LEFT_HELD | CAP_RIGHT_HELD)) {
            if ((L.capture_ & CAP_LEFT_HELD) && !L.leftDown_) {
                previous->LeftUp(x, y);
                L.capture_ &= uint8_t(~CAP_LEFT_HELD);
            } else if ((L.capture_ & CAP_RIGHT_HELD) && !L.rightDown_) {
                previous->RightUp(x, y);
                L.capture_ &= uint8_t(~CAP_RIGHT_HELD);
            }
            if (L.moved_) previous->MouseMove(x, y);
            previous->CaptureMove(x, y);
            L.moved_ = false;
            mouseDone = true;
        } else {
            obj = previous;
        }
    } else {
        const uint8_t mask =
            clicks.Left ? kMaskLeftClick : (clicks.Right ? kMaskRightClick : kMaskHover);
        obj = L.HitTest(x, y, mask);
        L.capture_ = 0;
    }

    if (!mouseDone) {
        cursorWanted_ = obj && !obj->CursorFile().empty() ? obj->CursorFile() : defaultCursor_;
        if (obj) {
            if (clicks.Left) {
                obj->LeftDown(x, y);
                if (obj->HandlesKeys() && !obj->IsPaused()) SetFocus(obj);
            } else if (clicks.Right) {
                obj->RightDown(x, y);
            } else if ((L.capture_ & CAP_LEFT_RELEASED) && !L.leftDown_) {
                obj->LeftUp(x, y);
                L.capture_ = 0;
            } else if ((L.capture_ & CAP_RIGHT_RELEASED) && !L.rightDown_) {
                obj->RightUp(x, y);
                L.capture_ = 0;
            } else if (clicks.WheelDown) {
                obj->WheelTurn(true);
            } else if (clicks.WheelUp) {
                obj->WheelTurn(false);
            }
        }
        // The previous object may have gone while the events above ran.
        previous = dynamic_cast<TVeskControl*>(ById(L.hover_));
        const bool changed = obj != previous;
        if (changed) {
            if (previous) previous->MouseOut(obj);
            if (obj) obj->MouseIn(previous);
        }
        if ((L.moved_ || changed) && obj) obj->MouseMove(x, y);
        L.hover_ = obj ? obj->Id() : 0;
        L.moved_ = false;
    }
    ProcessKeys(elapsed);
}

void TVeskBaseList::ProcessKeys(int32_t elapsed) {
    keyPrev_ = keyPress_;
    keyPress_.fill(0);
    keyRepeat_.fill(0);
    std::vector<int32_t> downs, repeats;
    for (int32_t k = 0; k < 256; ++k) {
        const size_t i = size_t(k);
        if (keyPrev_[i]) downs.push_back(k);
        if (!keyDown_[i]) continue;
        keyCountdown_[i] -= elapsed;
        if (keyCountdown_[i] <= 0) {
            keyRepeat_[i] = 1;
            keyCountdown_[i] += std::max<int32_t>(repeatInterval_, 1);
            repeats.push_back(k);
        }
    }
    std::vector<int32_t> ups = std::move(keyUps_);
    keyUps_.clear();

    if (focusRecompute_) {
        focusRecompute_ = false;
        if (TVeskControl* f = FrontLayer().FindFocusable()) SetFocus(f);
    }
    TVeskControl* f = Focused();
    if (!f || !f->HandlesKeys()) return;
    if (!downs.empty()) f->KeyDown(downs);
    if (!repeats.empty() && Focused() == f) f->KeyRepeat(repeats);
    if (!ups.empty() && Focused() == f) f->KeyUp(ups);
}

TVeskControl* TVeskBaseList::Focused() const {
    return dynamic_cast<TVeskControl*>(ById(focus_));
}

void TVeskBaseList::SetFocus(TVeskControl* c) {
    TVeskControl* prev = Focused();
    if (prev == c && (c || !focus_)) return;
    if (prev && !prev->Name().empty() && !prev->IsDisabled()) prev->QueueEvent(PR_ONFOCUSOUT);
    focus_ = c ? c->Id() : 0;
    if (c) {
        if (!c->Name().empty() && !c->IsDisabled()) c->QueueEvent(PR_ONFOCUSIN);
        c->FocusChanged();
    }
}

// ---- the step

void TVeskBaseList::StepAll(int32_t elapsed) {
    for (auto& l : layers_) l->Step(elapsed);
    for (size_t i = 0; i < objects_.size();) {
        TVeskComponent* o = objects_[i].get();
        if (!o->IsInCabinet() && !o->IsDisabled() && !o->GetStrProp(PR_ONIDLE).empty() &&
            !events_.Find(o->Id(), PR_ONIDLE))
            o->QueueEvent(PR_ONIDLE);
        if (o->IsPaused() || o->IsScrapped() || o->IsInCabinet() || !o->Step(elapsed)) {
            ++i;
            continue;
        }
        // Destroying may take descendants listed before it: keep the position in step.
        std::vector<ObjectId> before;
        before.reserve(i);
        for (size_t j = 0; j < i; ++j) before.push_back(objects_[j]->Id());
        Destroy(o);
        for (ObjectId id : before)
            if (!ById(id)) --i;
    }
    std::vector<ObjectId> schedule = std::move(deleteSchedule_);
    deleteSchedule_.clear();
    for (ObjectId id : schedule)
        if (auto* o = dynamic_cast<TVeskComponent*>(ById(id))) Destroy(o);
}

// ---- save and load

TVeskBaseList::LoadDepth::LoadDepth(TVeskBaseList& root) : root_(root) {
    if (root_.loadDepth_ >= kMax) Fail("saved display objects nest too deeply");
    ++root_.loadDepth_;
}

void TVeskBaseList::SaveState(StreamWriter& w) {
    w.I32(front_);
    for (auto& l : layers_) l->TVeskControl::SaveState(w);
    events_.SaveToStream(w, *this);
}

void TVeskBaseList::LoadState(StreamReader& r, int32_t version) {
    Reset();
    loadDepth_ = 0;
    const int32_t front = r.I32("front layer");
    for (auto& l : layers_) {
        l->TVeskControl::LoadState(r, version);
        l->SetNameRaw(SystemName(l->Index() == 0 ? "BASE0" : "BASE1"));
        l->Resize(screenW_, screenH_);
    }
    front_ = front & 1;
    events_.LoadFromStream(r, version, *this);
    focusRecompute_ = true;
}

// ---- IScriptDisplay

ObjectId TVeskBaseList::FindObject(const std::string& name) {
    TVeskComponent* o = FindComponent(name);
    return o ? o->Id() : 0;
}

std::string TVeskBaseList::ObjectName(ObjectId id) {
    TVeskObject* o = ById(id);
    return o ? o->Name() : std::string();
}

std::unique_ptr<TCustomParam> TVeskBaseList::GetProp(ObjectId id, int32_t index) {
    TVeskObject* o = ById(id);
    if (!o) return nullptr;
    return o->GetProp(index);
}

void TVeskBaseList::SetProp(ObjectId id, int32_t index, const TCustomParam& value) {
    if (TVeskObject* o = ById(id)) o->SetProp(index, value);
}

}  // namespace vesk
