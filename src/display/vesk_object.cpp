#include "display/vesk_object.h"

#include "base/cp932.h"
#include "base/error.h"
#include "base/stream.h"
#include "display/vesk_base_list.h"
#include "vars/param.h"

namespace vesk {

std::string SystemName(const char* rest) {
    return std::string("\x01") + rest;
}

TVeskObject::TVeskObject(TVeskBaseList* owner) : owner_(owner), id_(owner ? owner->NextId() : 0) {
    if (owner_) owner_->Register(this);
}

TVeskObject::~TVeskObject() {
    if (owner_) owner_->Unregister(this);
}

void TVeskObject::SetName(const std::string& name) {
    if (name == name_) return;
    if (owner_ && !name.empty()) {
        TVeskComponent* other = owner_->FindComponent(name);
        if (other && other != this && !other->IsLayer()) other->Scrap();
    }
    name_ = name;
}

int32_t TVeskObject::GetIntProp(int32_t index) {
    switch (index) {
        case PR_PRIORITY:
            return priority_;
        case PR_COMPOTYPE:
            return Kind();
        case PR_ZOOMX:
        case PR_ZOOMY:
        case PR_TEXTDELAY:
            return 256;
        case PR_COLOR:
            return 0xFFFFFF;
        case PR_BORDERCOLOR:
        case PR_HOVERCOLOR:
        case PR_INDEX:
            return -1;
        case PR_ALPHA:
        case PR_BRIGHTNESS:
            return 255;
        case PR_SMALLCHANGE:
        case PR_LARGECHANGE:
        case PR_PARTMOTION:
        case PR_REWINDONLOAD:
        case PR_OVERLAY:
            return 1;
        case PR_ORIGWIDTH:
            return GetIntProp(PR_WIDTH);
        case PR_ORIGHEIGHT:
            return GetIntProp(PR_HEIGHT);
        default:
            return 0;
    }
}

void TVeskObject::SetIntProp(int32_t index, int32_t value) {
    if (index != PR_PRIORITY) return;
    priority_ = value;
    priorityOffset_ = 0;
    PriorityChanged();
}

Real TVeskObject::GetFloatProp(int32_t) {
    return 0;
}
void TVeskObject::SetFloatProp(int32_t, Real) {}

std::string TVeskObject::GetStrProp(int32_t index) {
    switch (index) {
        case PR_NAME:
            return name_;
        case PR_TAG:
            return tag_;
        default:
            return {};
    }
}

void TVeskObject::SetStrProp(int32_t index, const std::string& value) {
    if (index == PR_NAME)
        SetName(value);
    else if (index == PR_TAG)
        tag_ = value;
}

std::unique_ptr<TCustomParam> TVeskObject::GetProp(int32_t index) {
    if (index < 0 || index >= kPropCount) Fail(VESK_JP("GetPropエラー"));
    auto v = MakeParam(PropType(index));
    switch (PropAccessOf(index)) {
        case PropAccess::Int:
            if (PropType(index) == PT_BOOL)
                v->SetFlag(GetIntProp(index) != 0);
            else
                v->SetInt(GetIntProp(index));
            break;
        case PropAccess::Float:
            v->SetFloat(GetFloatProp(index));
            break;
        case PropAccess::Str:
            v->SetStr(GetStrProp(index));
            break;
    }
    return v;
}

void TVeskObject::SetProp(int32_t index, const TCustomParam& value) {
    if (index < 0 || index >= kPropCount || index == PR_APPEARX || index == PR_APPEARY)
        Fail(VESK_JP("SetPropエラー"));
    switch (PropAccessOf(index)) {
        case PropAccess::Int:
            SetIntProp(index, PropType(index) == PT_BOOL ? int32_t(value.AsFlag()) : value.AsInt());
            break;
        case PropAccess::Float:
            SetFloatProp(index, value.AsFloat());
            break;
        case PropAccess::Str:
            SetStrProp(index, value.AsStr());
            break;
    }
}

bool TVeskObject::QueueEvent(int32_t kind, std::vector<std::string> args) {
    if (!owner_ || kind < 0 || kind >= kPropCount) return false;
    std::string page = GetStrProp(kind);
    if (page.empty() || IsPaused() || IsLayer() || IsDisabled()) return false;
    TTimerList& q = owner_->Events();
    if (q.Find(id_, uint8_t(kind))) return false;
    TTimerData e;
    e.EventPage = std::move(page);
    e.Sender = id_;
    e.Kind = uint8_t(kind);
    e.Level = 0;
    e.Args = std::move(args);
    q.Add(std::move(e));
    return true;
}

void TVeskObject::SaveState(StreamWriter& w) {
    w.Str(name_);
    w.I32(priority_);
    w.I32(priorityOffset_);
    w.Str(tag_);
}

void TVeskObject::LoadState(StreamReader& r, int32_t version) {
    name_ = r.Str("object name");
    priority_ = r.I32("priority");
    priorityOffset_ = version > 103 ? r.I32("priority offset") : 0;
    tag_ = version >= 120 ? r.Str("tag") : std::string();
}

void TVeskComponent::Scrap() {
    if (scrapped_) return;
    scrapped_ = true;
    if (Owner()) Owner()->ScheduleDelete(this);
    SetNameRaw({});
}

}  // namespace vesk
