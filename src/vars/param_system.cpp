#include "vars/param_system.h"

#include <ctime>
#include <numbers>

#include "base/clock.h"
#include "base/cp932.h"
#include "base/error.h"
#include "vars/conv.h"
#include "vars/param_collection.h"

namespace vesk {

namespace {

const char* const kNames[TParamCollection::kSystemCount] = {"@Result",
                                                            "@LClick",
                                                            "@RClick",
                                                            "@LPush",
                                                            "@RPush",
                                                            "@MouseX",
                                                            "@MouseY",
                                                            "@TextDelay",
                                                            "@HistoryCount",
                                                            "@ParamCount",
                                                            "@ParamStr",
                                                            "@Sender",
                                                            "@ScrWidth",
                                                            "@ScrHeight",
                                                            "@TickCount",
                                                            "@PCTickCount",
                                                            "@UpdateCount",
                                                            "@Year",
                                                            "@Month",
                                                            "@Day",
                                                            "@Week",
                                                            "@Hour",
                                                            "@Min",
                                                            "@Sec",
                                                            "@Fonts",
                                                            "@FixedFonts",
                                                            "@FullScr",
                                                            "@Cursor",
                                                            "@SelStr",
                                                            "@SelIndex",
                                                            "@Pi",
                                                            "@CGDither",
                                                            "@1Hour",
                                                            "@1Min",
                                                            "@1Sec",
                                                            "@KeyPush",
                                                            "@KeyClick",
                                                            "@DisplayModeCount",
                                                            "@DisplayModeIndex",
                                                            "@Title",
                                                            "@SoundON",
                                                            "@ActiveCompo",
                                                            "@KeyRepeat",
                                                            "@HistoryMaxCount",
                                                            "@Temp",
                                                            "@MidiPort",
                                                            "@MidiPorts",
                                                            "@WheelDown",
                                                            "@WheelUp",
                                                            "@IsDebug",
                                                            "@StackCount"};

const uint8_t kTypes[TParamCollection::kSystemCount] = {
    0, 3, 3, 3, 3, 1, 1, 1, 1, 1, 4, 4, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 4, 4,
    3, 4, 4, 1, 2, 3, 2, 2, 2, 3, 3, 1, 1, 4, 3, 4, 3, 1, 0, 4, 4, 3, 3, 3, 1};

std::tm LocalNow() {
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    return tm;
}

}  // namespace

const char* SystemVarName(int id) {
    return id >= 0 && id < TParamCollection::kSystemCount ? kNames[id] : "";
}
uint8_t SystemVarType(int id) {
    return id >= 0 && id < TParamCollection::kSystemCount ? kTypes[id] : 0;
}
bool SystemVarWritable(int id) {
    switch (id) {
        case SV_RESULT:
        case SV_LCLICK:
        case SV_RCLICK:
        case SV_MOUSEX:
        case SV_MOUSEY:
        case SV_TEXTDELAY:
        case SV_FULLSCR:
        case SV_CURSOR:
        case SV_SELSTR:
        case SV_SELINDEX:
        case SV_CGDITHER:
        case SV_DISPLAYMODEINDEX:
        case SV_SOUNDON:
        case SV_ACTIVECOMPO:
        case SV_HISTORYMAXCOUNT:
        case SV_TEMP:
        case SV_MIDIPORT:
            return true;
        default:
            return false;
    }
}

TCustomParam* TParamSystem::Forward() const {
    if (SysId == SV_TEMP) {
        if (store_->TempName.empty()) return nullptr;
        auto* item = store_->Find(store_->TempName);
        // "@Temp" standing for itself would loop forever.
        if (!item || item->IsSystem()) return nullptr;
        return item->Param();
    }
    if (SysId == SV_RESULT) {
        auto* p = store_->SystemProvider();
        return p ? p->CallResult() : nullptr;
    }
    return nullptr;
}

bool TParamSystem::IsArrayVar() const {
    return SysId == SV_PARAMSTR || SysId == SV_MIDIPORTS || SysId == SV_KEYPUSH ||
           SysId == SV_KEYCLICK || SysId == SV_KEYREPEAT;
}

std::unique_ptr<TCustomParam> TParamSystem::Snapshot() const {
    switch (SysId) {
        case SV_TEXTDELAY:
            return IntParam(store_->TextDelay);
        case SV_CURSOR:
            return StrParam(store_->CursorName);
        case SV_SELSTR:
            return StrParam(store_->SelStr);
        case SV_SELINDEX:
            return IntParam(store_->SelIndex);
        case SV_PI:
            return RealParam(std::numbers::pi_v<long double>);
        case SV_1HOUR:
            return RealParam(1.0L / 24);
        case SV_1MIN:
            return RealParam(1.0L / 1440);
        case SV_1SEC:
            return RealParam(1.0L / 86400);
        case SV_ISDEBUG:
            return MakeParam(PT_BOOL);
        default:
            break;
    }
    if (auto* p = store_->SystemProvider()) {
        if (auto v = p->ReadSystemVar(SysId)) return v;
    }
    // Answers that need nothing but the clock, when no subsystem says otherwise.
    switch (SysId) {
        case SV_YEAR:
            return IntParam(LocalNow().tm_year + 1900);
        case SV_MONTH:
            return IntParam(LocalNow().tm_mon + 1);
        case SV_DAY:
            return IntParam(LocalNow().tm_mday);
        case SV_WEEK:
            return IntParam(LocalNow().tm_wday + 1);
        case SV_HOUR:
            return IntParam(LocalNow().tm_hour);
        case SV_MIN:
            return IntParam(LocalNow().tm_min);
        case SV_SEC:
            return IntParam(LocalNow().tm_sec);
        case SV_PCTICKCOUNT:
            return IntParam(int32_t(uint32_t(MonotonicMs())));
        case SV_STACKCOUNT:
            return IntParam(store_->CurrentLevel);
        default:
            break;
    }
    auto v = MakeParam(kTypes[SysId] ? kTypes[SysId] : uint8_t(PT_INT));
    if (IsArrayVar()) v->SetCount(0);
    return v;
}

void TParamSystem::Write(const TCustomParam& v) {
    switch (SysId) {
        case SV_TEXTDELAY:
            store_->TextDelay = v.AsInt();
            return;
        case SV_CURSOR:
            store_->CursorName = v.AsStr();
            return;
        case SV_SELSTR:
            store_->SelStr = v.AsStr();
            return;
        case SV_SELINDEX:
            store_->SelIndex = v.AsInt();
            return;
        default:
            break;
    }
    if (!SystemVarWritable(SysId)) return;
    if (auto* p = store_->SystemProvider()) p->WriteSystemVar(SysId, v);
}

int32_t TParamSystem::Count() const {
    if (Forwards()) return Via([&](const TCustomParam& f) { return f.Count(); });
    return Snapshot()->Count();
}

uint8_t TParamSystem::ParamType() const {
    if (Forwards()) return Via([&](const TCustomParam& f) { return f.ParamType(); });
    return kTypes[SysId];
}

// Reads: a string variable read as a flag is TRUE when not empty and read as a real
// goes through the integer parse; array variables read as scalars give nothing.
bool TParamSystem::FlagAt(int32_t i) const {
    if (Forwards()) return Via([&](const TCustomParam& f) { return f.FlagAt(i); });
    auto v = Snapshot();
    if (i < 0 || i >= v->Count()) return false;
    if (kTypes[SysId] == PT_STR) return !v->StrAt(i).empty();
    return v->FlagAt(i);
}
Real TParamSystem::FloatAt(int32_t i) const {
    if (Forwards()) return Via([&](const TCustomParam& f) { return f.FloatAt(i); });
    auto v = Snapshot();
    if (i < 0 || i >= v->Count()) return 0;
    if (kTypes[SysId] == PT_STR) return StrToIntConv(v->StrAt(i));
    return v->FloatAt(i);
}
int32_t TParamSystem::IntAt(int32_t i) const {
    if (Forwards()) return Via([&](const TCustomParam& f) { return f.IntAt(i); });
    auto v = Snapshot();
    return i >= 0 && i < v->Count() ? v->IntAt(i) : 0;
}
std::string TParamSystem::StrAt(int32_t i) const {
    if (Forwards()) return Via([&](const TCustomParam& f) { return f.StrAt(i); });
    auto v = Snapshot();
    return i >= 0 && i < v->Count() ? v->StrAt(i) : std::string();
}
bool TParamSystem::AsFlag() const {
    if (Forwards()) return Via([&](const TCustomParam& f) { return f.AsFlag(); });
    return IsArrayVar() ? false : FlagAt(0);
}
Real TParamSystem::AsFloat() const {
    if (Forwards()) return Via([&](const TCustomParam& f) { return f.AsFloat(); });
    return IsArrayVar() ? 0 : FloatAt(0);
}
int32_t TParamSystem::AsInt() const {
    if (Forwards()) return Via([&](const TCustomParam& f) { return f.AsInt(); });
    return IsArrayVar() ? 0 : IntAt(0);
}
std::string TParamSystem::AsStr() const {
    if (Forwards()) return Via([&](const TCustomParam& f) { return f.AsStr(); });
    return IsArrayVar() ? std::string() : StrAt(0);
}

// Writes are converted to the variable's own type. A string that does not parse is
// ignored by number variables; a flag takes a string as TRUE when it is a non-zero integer.
void TParamSystem::SetFlag(bool b) {
    if (Forwards()) {
        if (auto* f = Forward()) f->SetFlag(b);
        return;
    }
    auto v = MakeParam(kTypes[SysId]);
    v->SetFlag(b);
    Write(*v);
}
void TParamSystem::SetFloat(Real x) {
    if (Forwards()) {
        if (auto* f = Forward()) f->SetFloat(x);
        return;
    }
    auto v = MakeParam(kTypes[SysId]);
    v->SetFloat(x);
    Write(*v);
}
void TParamSystem::SetInt(int32_t n) {
    if (Forwards()) {
        if (auto* f = Forward()) f->SetInt(n);
        return;
    }
    auto v = MakeParam(kTypes[SysId]);
    v->SetInt(n);
    Write(*v);
}
void TParamSystem::SetStr(std::string_view s) {
    if (Forwards()) {
        if (auto* f = Forward()) f->SetStr(s);
        return;
    }
    auto v = MakeParam(kTypes[SysId]);
    switch (kTypes[SysId]) {
        case PT_INT: {
            int32_t n;
            if (!TryStrToInt(s, n)) return;
            v->SetInt(n);
            break;
        }
        case PT_FLOAT: {
            Real x;
            if (!TryStrToReal(s, x)) return;
            v->SetFloat(x);
            break;
        }
        case PT_BOOL: {
            int32_t n;
            v->SetFlag(TryStrToInt(s, n) && n != 0);
            break;
        }
        default:
            v->SetStr(s);
            break;
    }
    Write(*v);
}
// Element writes reach what "@Result" and "@Temp" stand for. For the other variables an
// element write to element 0 of a scalar is the scalar write (a function's "out" argument
// writes that way); no system variable has a setter for other elements, for its dimensions
// or for fills, and such a write fails.
[[noreturn]] void TParamSystem::NoSetter() const {
    Fail(VESK_JP("内部エラー"));
}
void TParamSystem::SetIntAt(int32_t i, int32_t n) {
    if (Forwards()) {
        if (auto* f = Forward()) f->SetIntAt(i, n);
        return;
    }
    if (i != 0 || IsArrayVar()) NoSetter();
    SetInt(n);
}
void TParamSystem::SetFloatAt(int32_t i, Real x) {
    if (Forwards()) {
        if (auto* f = Forward()) f->SetFloatAt(i, x);
        return;
    }
    if (i != 0 || IsArrayVar()) NoSetter();
    SetFloat(x);
}
void TParamSystem::SetFlagAt(int32_t i, bool b) {
    if (Forwards()) {
        if (auto* f = Forward()) f->SetFlagAt(i, b);
        return;
    }
    if (i != 0 || IsArrayVar()) NoSetter();
    SetFlag(b);
}
void TParamSystem::SetStrAt(int32_t i, std::string_view s) {
    if (Forwards()) {
        if (auto* f = Forward()) f->SetStrAt(i, s);
        return;
    }
    if (i != 0 || IsArrayVar()) NoSetter();
    SetStr(s);
}
int32_t TParamSystem::DimCount() const {
    if (Forwards()) return Via([&](const TCustomParam& f) { return f.DimCount(); });
    return Snapshot()->DimCount();
}
int32_t TParamSystem::DimSize(int32_t k) const {
    if (Forwards()) return Via([&](const TCustomParam& f) { return f.DimSize(k); });
    return Snapshot()->DimSize(k);
}
void TParamSystem::SetDims(const std::vector<int32_t>& sizes) {
    if (!Forwards()) NoSetter();
    if (auto* f = Forward()) f->SetDims(sizes);
}
void TParamSystem::FillInt(int32_t n) {
    if (!Forwards()) NoSetter();
    if (auto* f = Forward()) f->FillInt(n);
}
void TParamSystem::FillFloat(Real x) {
    if (!Forwards()) NoSetter();
    if (auto* f = Forward()) f->FillFloat(x);
}
void TParamSystem::FillFlag(bool b) {
    if (!Forwards()) NoSetter();
    if (auto* f = Forward()) f->FillFlag(b);
}
void TParamSystem::FillStr(std::string_view s) {
    if (!Forwards()) NoSetter();
    if (auto* f = Forward()) f->FillStr(s);
}
void TParamSystem::CopyMem(const TCustomParam& src) {
    if (!Forwards()) NoSetter();
    if (auto* f = Forward()) f->CopyMem(src);
}
void TParamSystem::MakeScalar() {
    if (auto* f = Forward()) f->MakeScalar();
}

}  // namespace vesk
