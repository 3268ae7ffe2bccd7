#include "vars/param_collection.h"

#include <algorithm>

#include "base/cp932.h"
#include "base/error.h"
#include "vars/param_system.h"

namespace vesk {

TParamCollectionItem::~TParamCollectionItem() {
    if (alive_) *alive_ = nullptr;
}

std::shared_ptr<TParamCollectionItem*> TParamCollectionItem::AliveCell() {
    if (!alive_) alive_ = std::make_shared<TParamCollectionItem*>(this);
    return alive_;
}

TParamCollection::TParamCollection() {
    for (int i = 0; i < kSystemCount; ++i) {
        auto item = std::make_unique<TParamCollectionItem>();
        item->param_ = std::make_unique<TParamSystem>(uint8_t(i), this);
        item->system_ = true;
        auto* it = items_.Add(std::move(item));
        it->name_ = SystemVarName(i);
        items_.Link(it, BucketOf(it->name_));
    }
}

TParamCollection::~TParamCollection() = default;

// Lookups compare whole names, so the chain key may be finer than the 256 buckets of the
// original layout: a full hash keeps lookups flat in stores of any size.
uint64_t TParamCollection::BucketOf(std::string_view name) {
    return NameHash64(name);
}

TParamCollectionItem* TParamCollection::Add(uint8_t type) {
    auto item = std::make_unique<TParamCollectionItem>();
    item->param_ = MakeParam(type);
    if (!item->param_) Fail("invalid variable type " + std::to_string(type));
    return items_.Add(std::move(item));
}

int32_t TParamCollection::IndexOf(std::string_view name) const {
    if (name.empty()) return -1;
    const TParamCollectionItem* remembered = nullptr;
    for (auto* it = items_.Head(BucketOf(name)); it; it = items_.Next(it)) {
        if (!SameTextAscii(it->name_, name)) continue;
        if (it->Local) {
            if (it->Owner == CurrentLevel) return it->Index();
        } else {
            remembered = it;
        }
    }
    return remembered ? remembered->Index() : -1;
}

TParamCollectionItem* TParamCollection::Find(std::string_view name) const {
    int32_t i = IndexOf(name);
    return i < 0 ? nullptr : items_.At(size_t(i));
}

TParamCollectionItem* TParamCollection::FindScoped(std::string_view name, bool local) const {
    if (name.empty()) return nullptr;
    TParamCollectionItem* remembered = nullptr;
    for (auto* it = items_.Head(BucketOf(name)); it; it = items_.Next(it)) {
        if (!SameTextAscii(it->name_, name)) continue;
        if (local) {
            if (it->Local && it->Owner == CurrentLevel) return it;
        } else if (!it->Local) {
            remembered = it;
        }
    }
    return remembered;
}

TParamCollectionItem* TParamCollection::Create(std::string_view name, uint8_t type,
                                               VarScope scope) {
    auto* it = Add(type);
    try {
        SetName(it, name);
    } catch (...) {
        RemoveAt(size_t(it->Index()));
        throw;
    }
    switch (scope) {
        case VarScope::Global:
            break;
        case VarScope::AutoDispose:
            it->Owner = CurrentLevel;
            break;
        case VarScope::Local:
            it->Owner = CurrentLevel;
            it->Local = true;
            break;
        case VarScope::Status:
            it->Status = true;
            break;
    }
    return it;
}

std::unique_ptr<TCustomParam> TParamCollection::ValueCopy(std::string_view name) const {
    auto* it = Find(name);
    if (!it) return nullptr;
    uint8_t t = it->param_->ParamType();
    if (t < PT_INT || t > PT_STR) {
        std::string msg = VESK_JP("%s:不正な変数です");
        msg.replace(msg.find("%s"), 2, std::string(name));
        Fail(msg);
    }
    return PlainCopy(*it);
}

std::unique_ptr<TCustomParam> TParamCollection::PlainCopy(const TParamCollectionItem& it) {
    auto v = MakeParam(it.param_->ParamType());
    // References and system variables copy through the conversions, plain values as they are.
    if (dynamic_cast<TParamVar*>(it.param_.get()) || it.system_)
        v->CopyFrom(*it.param_);
    else
        v->Assign(*it.param_);
    return v;
}

void TParamCollection::RemoveAt(size_t i) {
    items_.Remove(i);
}

void TParamCollection::Delete(TParamCollectionItem* item) {
    if (!item || item->system_) return;
    RemoveAt(size_t(item->Index()));
}

void TParamCollection::DeleteByName(std::string_view name) {
    Delete(Find(name));
}

void TParamCollection::FreeOwned(int32_t level) {
    items_.RemoveIf([&](TParamCollectionItem* it) { return !it->system_ && it->Owner == level; });
}

void TParamCollection::Reset() {
    items_.RemoveIf([](TParamCollectionItem* it) { return !it->system_ && !it->Status; });
    TextDelay = 50;
    CursorName.clear();
}

void TParamCollection::SetName(TParamCollectionItem* item, std::string_view name) {
    bool bad = name.empty() || (name[0] >= '0' && name[0] <= '9') ||
               name.find(' ') != std::string_view::npos;
    if (bad) {
        std::string msg = VESK_JP("\"%s\"：変数名が不正です");
        msg.replace(msg.find("%s"), 2, std::string(name));
        Fail(msg);
    }
    if (item->name_ == name) return;
    item->name_ = std::string(name);
    items_.Link(item, BucketOf(item->name_));
}

void TParamCollection::SetType(TParamCollectionItem* item, uint8_t type) {
    if (item->system_) return;
    auto p = MakeParam(type);
    if (!p) Fail("invalid variable type " + std::to_string(type));
    item->param_ = std::move(p);
}

// ---- saved forms ----

void TParamCollection::WriteRecords(StreamWriter& w,
                                    std::vector<TParamCollectionItem*> pending) const {
    w.I32(int32_t(pending.size()));
    std::vector<const TParamCollectionItem*> written;
    auto isWritten = [&](const TParamCollectionItem* t) {
        return std::find(written.begin(), written.end(), t) != written.end();
    };
    auto writeOne = [&](TParamCollectionItem* it) {
        // A reference is stored with its own code 0 so that its record reads back as one.
        bool isRef = dynamic_cast<TParamVar*>(it->param_.get()) != nullptr;
        w.U8(isRef ? uint8_t(PT_NONE) : it->param_->ParamType());
        w.Str(it->name_);
        it->param_->SaveToStream(w);
        w.U8(it->Status ? 1 : 0);
        w.U8(it->Reserved);
        w.I32(it->Owner);
        w.U8(it->Local ? 1 : 0);
        written.push_back(it);
    };
    while (!pending.empty()) {
        bool progress = false;
        for (size_t k = pending.size(); k-- > 0;) {
            auto* it = pending[k];
            auto* ref = dynamic_cast<TParamVar*>(it->param_.get());
            auto* target = ref ? ref->Target() : nullptr;
            // A reference waits until its target has been written...
            if (target && !isWritten(target) &&
                std::find(pending.begin(), pending.end(), target) != pending.end())
                continue;
            writeOne(it);
            pending.erase(pending.begin() + std::ptrdiff_t(k));
            progress = true;
        }
        // ...but only while the target is among the variables being written: a reference
        // to a system, status or otherwise unwritten variable is written as it stands.
        if (!progress) {
            for (size_t k = pending.size(); k-- > 0;) writeOne(pending[k]);
            pending.clear();
        }
    }
}

void TParamCollection::SaveVars(Stream& s) const {
    StreamWriter w(s);
    std::vector<TParamCollectionItem*> items;
    for (size_t i = 0; i < items_.Count(); ++i) {
        auto* it = items_.At(i);
        if (!it->system_ && !it->Status) items.push_back(it);
    }
    WriteRecords(w, items);
    w.I32(TextDelay);
    w.Str(CursorName);
    w.Str(SelStr);
    w.I32(SelIndex);
    w.Str(TempName);
    w.I32(int32_t(pushStack_.size()));
    for (const auto& m : pushStack_) w.Raw(m.Bytes().data(), m.Bytes().size());
}

void TParamCollection::ReadRecord(StreamReader& r, bool) {
    uint8_t type = r.U8("variable type");
    auto* it = Add(type);
    try {
        std::string name = r.Str("variable name");
        it->param_->LoadFromStream(r, this);
        it->Status = r.U8("variable status") != 0;
        it->Reserved = r.U8("variable reserved byte");
        it->Owner = r.I32("variable owner");
        it->Local = r.U8("variable local flag") != 0;
        if (name.empty()) {
            RemoveAt(size_t(it->Index()));
            return;
        }
        // Names come from our own saves; they are indexed as they stand.
        it->name_ = name;
        items_.Link(it, BucketOf(name));
    } catch (...) {
        RemoveAt(size_t(it->Index()));
        throw;
    }
}

namespace {
// Reads one PushVar stack entry into `out`, finding its end by parsing its records.
void CopyPushEntry(StreamReader& r, MemoryStream& out) {
    Stream& s = r.Base();
    int64_t start = s.Position();
    int32_t count = r.I32("pushed variable count");
    r.CheckCount(count, 12, "pushed variables");
    for (int32_t i = 0; i < count; ++i) {
        int32_t type = r.I32("pushed variable type");
        r.Str("pushed variable name");
        auto v = MakeParam(uint8_t(type));
        if (type < PT_INT || type > PT_STR || !v) Fail("bad pushed variable type in save data");
        v->LoadFromStream(r, nullptr);
    }
    int64_t end = s.Position();
    s.Seek(start, SeekFrom::Begin);
    out.CopyFrom(s, end - start);
}
}  // namespace

void TParamCollection::LoadVars(Stream& s, int32_t version) {
    StreamReader r(s);
    items_.RemoveIf([](TParamCollectionItem* it) { return !it->system_ && !it->Status; });
    int32_t count = r.I32("variable count");
    r.CheckCount(count, 18, "variables");
    for (int32_t i = 0; i < count; ++i) ReadRecord(r, true);
    TextDelay = r.I32("text delay");
    CursorName = r.Str("cursor name");
    if (version > 102) {
        SelStr = r.Str("selected text");
        SelIndex = r.I32("selected index");
    }
    if (version > 112 && version < 135) r.Skip(24, "history settings");
    if (version > 120) TempName = r.Str("temp variable name");
    pushStack_.clear();
    if (version >= 139) {
        int32_t k = r.I32("pushed stack count");
        r.CheckCount(k, 4, "pushed stack entries");
        for (int32_t i = 0; i < k; ++i) {
            MemoryStream m;
            CopyPushEntry(r, m);
            pushStack_.push_back(std::move(m));
        }
    }
}

void TParamCollection::SaveStatusVars(Stream& s) const {
    StreamWriter w(s);
    std::vector<TParamCollectionItem*> items;
    for (size_t i = 0; i < items_.Count(); ++i) {
        auto* it = items_.At(i);
        if (!it->system_ && it->Status) items.push_back(it);
    }
    WriteRecords(w, items);
}

void TParamCollection::LoadStatusVars(Stream& s) {
    StreamReader r(s);
    int32_t count = r.I32("status variable count");
    r.CheckCount(count, 18, "status variables");
    for (int32_t i = 0; i < count; ++i) ReadRecord(r, false);
}

void TParamCollection::PushVars(const std::vector<std::string>& names) {
    std::vector<TParamCollectionItem*> found;
    for (const auto& n : names) {
        auto* it = Find(n);
        if (!it) continue;
        uint8_t t = it->param_->ParamType();
        if (t >= PT_INT && t <= PT_STR) found.push_back(it);
    }
    MemoryStream m;
    StreamWriter w(m);
    w.I32(int32_t(found.size()));
    for (auto* it : found) {
        uint8_t t = it->param_->ParamType();
        w.I32(t);
        w.Str(it->name_);
        // References and system variables are pushed as the plain value they show.
        PlainCopy(*it)->SaveToStream(w);
    }
    pushStack_.push_back(std::move(m));
}

void TParamCollection::PopVars() {
    if (pushStack_.empty()) return;
    MemoryStream m = std::move(pushStack_.back());
    pushStack_.pop_back();
    m.Seek(0, SeekFrom::Begin);
    StreamReader r(m);
    int32_t count = r.I32("pushed variable count");
    for (int32_t i = 0; i < count; ++i) {
        int32_t type = r.I32("pushed variable type");
        std::string name = r.Str("pushed variable name");
        if (type < PT_INT || type > PT_STR) Fail("bad pushed variable type");
        auto* it = Find(name);
        if (it && !it->system_ && it->param_->ParamType() != type) {
            Delete(it);
            it = nullptr;
        }
        if (!it) it = Create(name, uint8_t(type), VarScope::Global);
        if (it->system_) {
            // A system variable takes the value back through its own setter; "@Result" and
            // "@Temp" pass the whole value on to what they stand for.
            auto v = MakeParam(uint8_t(type));
            v->LoadFromStream(r, this);
            auto* sys = static_cast<TParamSystem*>(it->param_.get());
            if (sys->SysId == SV_RESULT || sys->SysId == SV_TEMP) {
                sys->CopyFrom(*v);
                continue;
            }
            switch (type) {
                case PT_INT:
                    sys->SetInt(v->AsInt());
                    break;
                case PT_FLOAT:
                    sys->SetFloat(v->AsFloat());
                    break;
                case PT_BOOL:
                    sys->SetFlag(v->AsFlag());
                    break;
                default:
                    sys->SetStr(v->AsStr());
                    break;
            }
        } else {
            it->param_->LoadFromStream(r, this);
        }
    }
}

}  // namespace vesk
