#include "vars/param.h"

#include <cmath>

#include "base/cp932.h"
#include "base/error.h"
#include "base/stream.h"
#include "vars/conv.h"
#include "vars/param_collection.h"

namespace vesk {

namespace {

// Element conversions, one set per stored kind.
int32_t ToInt(int32_t v) {
    return v;
}
int32_t ToInt(Real v) {
    return RealToInt(v);
}
int32_t ToInt(uint8_t v) {
    return v ? 1 : 0;
}
int32_t ToInt(const std::string& v) {
    return StrToIntConv(v);
}
Real ToReal(int32_t v) {
    return v;
}
Real ToReal(Real v) {
    return v;
}
Real ToReal(uint8_t v) {
    return v ? 1 : 0;
}
Real ToReal(const std::string& v) {
    return StrToRealConv(v);
}
bool ToFlag(int32_t v) {
    return v != 0;
}
bool ToFlag(Real v) {
    return v != 0;
}
bool ToFlag(uint8_t v) {
    return v != 0;
}
bool ToFlag(const std::string& v) {
    return StrToFlagConv(v);
}
std::string ToStr(int32_t v) {
    return IntToStr(v);
}
std::string ToStr(Real v) {
    return RealToStr(v);
}
std::string ToStr(uint8_t v) {
    return FlagToStr(v != 0);
}
std::string ToStr(const std::string& v) {
    return v;
}

template <class T>
T FromInt(int32_t n);
template <>
int32_t FromInt(int32_t n) {
    return n;
}
template <>
Real FromInt(int32_t n) {
    return n;
}
template <>
uint8_t FromInt(int32_t n) {
    return n != 0;
}
template <>
std::string FromInt(int32_t n) {
    return IntToStr(n);
}

template <class T>
T FromReal(Real x);
template <>
int32_t FromReal(Real x) {
    return RealToInt(x);
}
template <>
Real FromReal(Real x) {
    return x;
}
template <>
uint8_t FromReal(Real x) {
    return x != 0;
}
template <>
std::string FromReal(Real x) {
    return RealToStr(x);
}

template <class T>
T FromFlag(bool b);
template <>
int32_t FromFlag(bool b) {
    return b;
}
template <>
Real FromFlag(bool b) {
    return b ? 1 : 0;
}
template <>
uint8_t FromFlag(bool b) {
    return b;
}
template <>
std::string FromFlag(bool b) {
    return FlagToStr(b);
}

template <class T>
T FromStr(std::string_view s);
template <>
int32_t FromStr(std::string_view s) {
    return StrToIntConv(s);
}
template <>
Real FromStr(std::string_view s) {
    return StrToRealConv(s);
}
template <>
uint8_t FromStr(std::string_view s) {
    return StrToFlagConv(s);
}
template <>
std::string FromStr(std::string_view s) {
    return std::string(s);
}

void WriteElem(StreamWriter& w, int32_t v) {
    w.I32(v);
}
void WriteElem(StreamWriter& w, Real v) {
    w.Ext(v);
}
void WriteElem(StreamWriter& w, uint8_t v) {
    w.U8(v ? 1 : 0);
}
void WriteElem(StreamWriter& w, const std::string& v) {
    w.Str(v);
}
void ReadElem(StreamReader& r, int32_t& v) {
    v = r.I32("integer element");
}
void ReadElem(StreamReader& r, Real& v) {
    v = r.Ext("real element");
}
void ReadElem(StreamReader& r, uint8_t& v) {
    v = r.U8("flag element") ? 1 : 0;
}
void ReadElem(StreamReader& r, std::string& v) {
    v = r.Str("string element");
}
constexpr int64_t MinElemSize(int32_t) {
    return 4;
}
constexpr int64_t MinElemSize(Real) {
    return 10;
}
constexpr int64_t MinElemSize(uint8_t) {
    return 1;
}
int64_t MinElemSize(const std::string&) {
    return 4;
}

[[noreturn]] void BadIndex() {
    Fail(VESK_JP("配列の添字が不正です"));
}

}  // namespace

// ---- TCustomParam ----

int32_t TCustomParam::DimCount() const {
    return Dims.empty() ? 1 : int32_t(Dims.size());
}

int32_t TCustomParam::DimSize(int32_t k) const {
    if (k < 0 || size_t(k) >= Dims.size()) return 1;
    return Dims[size_t(k)];
}

void TCustomParam::SetDims(const std::vector<int32_t>& sizes) {
    int64_t product = 1;
    bool bad = false;
    for (int32_t s : sizes) {
        if (s <= 0)
            bad = true;
        else
            product *= s;
        if (product > 0x7FFFFFFF) bad = true;
    }
    if (bad) {
        std::string list;
        for (size_t i = 0; i < sizes.size(); ++i) {
            if (i) list += ',';
            list += std::to_string(sizes[i]);
        }
        // The message template carries one %s: the sizes as given.
        std::string msg = VESK_JP("配列の要素数[%s]が不正です");
        msg.replace(msg.find("%s"), 2, list);
        Fail(msg);
    }
    // Arrays are held in memory; refuse sizes no game could use rather than die trying.
    if (product > (int64_t(1) << 26))
        Fail("array too large: " + std::to_string(product) + " elements");
    SetCount(int32_t(product));
    Dims = sizes;
}

void TCustomParam::CopyMem(const TCustomParam&) {}

void TCustomParam::SaveToStream(StreamWriter& w) const {
    WriteDims(w);
}
void TCustomParam::LoadFromStream(StreamReader& r, TParamCollection*) {
    ReadDims(r);
}

void TCustomParam::MakeScalar() {
    if (Dims.empty()) return;
    Dims.clear();
    SetCount(1);
}

void TCustomParam::WriteDims(StreamWriter& w) const {
    w.I32(int32_t(Dims.size()));
    for (int32_t d : Dims) w.I32(d);
}

void TCustomParam::ReadDims(StreamReader& r) {
    int32_t d = r.I32("dimension count");
    r.CheckCount(d, 4, "dimensions");
    Dims.resize(size_t(d));
    for (auto& x : Dims) x = r.I32("dimension size");
}

int32_t TCustomParam::IndexOfStr(std::string_view text, bool caseSensitive, bool partial) const {
    int32_t n = Count();
    std::string needle = caseSensitive ? std::string(text) : LowerAscii(text);
    for (int32_t i = 0; i < n; ++i) {
        std::string s = StrAt(i);
        if (partial) {
            if (!caseSensitive) s = LowerAscii(s);
            if (s.find(needle) != std::string::npos) return i;
        } else if (caseSensitive ? s == text : SameTextAscii(s, text)) {
            return i;
        }
    }
    return -1;
}

void TCustomParam::CopyFrom(const TCustomParam& src) {
    std::vector<int32_t> sizes;
    int32_t dc = src.DimCount();
    for (int32_t k = 0; k < dc; ++k) sizes.push_back(src.DimSize(k));
    SetDims(sizes);
    int32_t n = src.Count();
    if (n > Count()) SetCount(n);
    for (int32_t i = 0; i < n; ++i) {
        switch (ParamType()) {
            case PT_INT:
                SetIntAt(i, src.IntAt(i));
                break;
            case PT_FLOAT:
                SetFloatAt(i, src.FloatAt(i));
                break;
            case PT_BOOL:
                SetFlagAt(i, src.FlagAt(i));
                break;
            case PT_STR:
                SetStrAt(i, src.StrAt(i));
                break;
            default:
                break;
        }
    }
}

std::unique_ptr<TCustomParam> TCustomParam::CloneEmpty() const {
    return MakeParam(ParamType());
}

std::unique_ptr<TCustomParam> MakeParam(uint8_t type) {
    switch (type & 0x7F) {
        case PT_NONE:
            return std::make_unique<TParamVar>();
        case PT_INT:
            return std::make_unique<TParamInt>();
        case PT_FLOAT:
            return std::make_unique<TParamFloat>();
        case PT_BOOL:
            return std::make_unique<TParamFlag>();
        case PT_STR:
            return std::make_unique<TParamStr>();
        default:
            return nullptr;
    }
}

std::unique_ptr<TCustomParam> IntParam(int32_t n) {
    auto p = std::make_unique<TParamInt>();
    p->Values[0] = n;
    return p;
}
std::unique_ptr<TCustomParam> RealParam(Real x) {
    auto p = std::make_unique<TParamFloat>();
    p->Values[0] = x;
    return p;
}
std::unique_ptr<TCustomParam> FlagParam(bool b) {
    auto p = std::make_unique<TParamFlag>();
    p->Values[0] = b ? 1 : 0;
    return p;
}
std::unique_ptr<TCustomParam> StrParam(std::string s) {
    auto p = std::make_unique<TParamStr>();
    p->Values[0] = std::move(s);
    return p;
}

// ---- TParamTyped ----

template <class T, uint8_t C>
size_t TParamTyped<T, C>::Check(int32_t i) const {
    if (i < 0 || size_t(i) >= Values.size()) BadIndex();
    return size_t(i);
}

template <class T, uint8_t C>
void TParamTyped<T, C>::SetFlag(bool b) {
    MakeScalar();
    if (Values.empty()) Values.resize(1);
    Values[0] = FromFlag<T>(b);
}
template <class T, uint8_t C>
void TParamTyped<T, C>::SetFloat(Real x) {
    MakeScalar();
    if (Values.empty()) Values.resize(1);
    Values[0] = FromReal<T>(x);
}
template <class T, uint8_t C>
void TParamTyped<T, C>::SetInt(int32_t n) {
    MakeScalar();
    if (Values.empty()) Values.resize(1);
    Values[0] = FromInt<T>(n);
}
template <class T, uint8_t C>
void TParamTyped<T, C>::SetStr(std::string_view s) {
    MakeScalar();
    if (Values.empty()) Values.resize(1);
    Values[0] = FromStr<T>(s);
}
template <class T, uint8_t C>
int32_t TParamTyped<T, C>::IntAt(int32_t i) const {
    return ToInt(Values[Check(i)]);
}
template <class T, uint8_t C>
void TParamTyped<T, C>::SetIntAt(int32_t i, int32_t n) {
    Values[Check(i)] = FromInt<T>(n);
}
template <class T, uint8_t C>
Real TParamTyped<T, C>::FloatAt(int32_t i) const {
    return ToReal(Values[Check(i)]);
}
template <class T, uint8_t C>
void TParamTyped<T, C>::SetFloatAt(int32_t i, Real x) {
    Values[Check(i)] = FromReal<T>(x);
}
template <class T, uint8_t C>
bool TParamTyped<T, C>::FlagAt(int32_t i) const {
    return ToFlag(Values[Check(i)]);
}
template <class T, uint8_t C>
void TParamTyped<T, C>::SetFlagAt(int32_t i, bool b) {
    Values[Check(i)] = FromFlag<T>(b);
}
template <class T, uint8_t C>
std::string TParamTyped<T, C>::StrAt(int32_t i) const {
    return ToStr(Values[Check(i)]);
}
template <class T, uint8_t C>
void TParamTyped<T, C>::SetStrAt(int32_t i, std::string_view s) {
    Values[Check(i)] = FromStr<T>(s);
}

template <class T, uint8_t C>
void TParamTyped<T, C>::Assign(const TCustomParam& src) {
    if (auto* same = dynamic_cast<const TParamTyped<T, C>*>(&src)) {
        Dims = same->Dims;
        Values = same->Values;
    }
}

template <class T, uint8_t C>
void TParamTyped<T, C>::CopyMem(const TCustomParam& src) {
    const TCustomParam* s = &src;
    if (auto* ref = dynamic_cast<const TParamVar*>(s)) s = ref->TargetParam();
    auto* same = dynamic_cast<const TParamTyped<T, C>*>(s);
    if (!same) Fail(VESK_JP("CopyMem:変数の型があいません"));
    Dims = same->Dims;
    Values = same->Values;
}

template <class T, uint8_t C>
void TParamTyped<T, C>::SaveToStream(StreamWriter& w) const {
    WriteDims(w);
    w.I32(int32_t(Values.size()));
    for (const T& v : Values) WriteElem(w, v);
}

template <class T, uint8_t C>
void TParamTyped<T, C>::LoadFromStream(StreamReader& r, TParamCollection*) {
    ReadDims(r);
    int32_t m = r.I32("element count");
    r.CheckCount(m, MinElemSize(T{}), "elements");
    std::vector<T> vals;
    vals.resize(size_t(m));
    for (auto& v : vals) ReadElem(r, v);
    Values = std::move(vals);
}

template <class T, uint8_t C>
void TParamTyped<T, C>::MakeScalar() {
    if (Dims.empty()) return;
    Dims.clear();
    Values.resize(1);
}

template class TParamTyped<int32_t, PT_INT>;
template class TParamTyped<Real, PT_FLOAT>;
template class TParamTyped<uint8_t, PT_BOOL>;
template class TParamTyped<std::string, PT_STR>;

// ---- TParamVar ----

TParamVar::TParamVar() = default;
TParamVar::~TParamVar() = default;

TParamCollectionItem* TParamVar::Target() const {
    return target_ ? *target_ : nullptr;
}

TCustomParam* TParamVar::TargetParam() const {
    auto* t = Target();
    return t ? t->Param() : nullptr;
}

void TParamVar::SetTarget(TParamCollectionItem* item) {
    target_ = item ? item->AliveCell() : nullptr;
}

int32_t TParamVar::Count() const {
    auto* t = TargetParam();
    return t ? t->Count() : 0;
}
void TParamVar::SetCount(int32_t n) {
    if (auto* t = TargetParam()) t->SetCount(n);
}
uint8_t TParamVar::ParamType() const {
    auto* t = TargetParam();
    return t ? t->ParamType() : uint8_t(PT_NONE);
}
bool TParamVar::AsFlag() const {
    return FlagAt(RefIndex);
}
Real TParamVar::AsFloat() const {
    return FloatAt(RefIndex);
}
int32_t TParamVar::AsInt() const {
    return IntAt(RefIndex);
}
std::string TParamVar::AsStr() const {
    return StrAt(RefIndex);
}
void TParamVar::SetFlag(bool b) {
    SetFlagAt(RefIndex, b);
}
void TParamVar::SetFloat(Real x) {
    SetFloatAt(RefIndex, x);
}
void TParamVar::SetInt(int32_t n) {
    SetIntAt(RefIndex, n);
}
void TParamVar::SetStr(std::string_view s) {
    SetStrAt(RefIndex, s);
}
int32_t TParamVar::IntAt(int32_t i) const {
    auto* t = TargetParam();
    return t ? t->IntAt(i) : 0;
}
void TParamVar::SetIntAt(int32_t i, int32_t n) {
    if (auto* t = TargetParam()) t->SetIntAt(i, n);
}
Real TParamVar::FloatAt(int32_t i) const {
    auto* t = TargetParam();
    return t ? t->FloatAt(i) : 0;
}
void TParamVar::SetFloatAt(int32_t i, Real x) {
    if (auto* t = TargetParam()) t->SetFloatAt(i, x);
}
bool TParamVar::FlagAt(int32_t i) const {
    auto* t = TargetParam();
    return t ? t->FlagAt(i) : false;
}
void TParamVar::SetFlagAt(int32_t i, bool b) {
    if (auto* t = TargetParam()) t->SetFlagAt(i, b);
}
std::string TParamVar::StrAt(int32_t i) const {
    auto* t = TargetParam();
    return t ? t->StrAt(i) : std::string();
}
void TParamVar::SetStrAt(int32_t i, std::string_view s) {
    if (auto* t = TargetParam()) t->SetStrAt(i, s);
}
int32_t TParamVar::DimCount() const {
    auto* t = TargetParam();
    return t ? t->DimCount() : 0;
}
int32_t TParamVar::DimSize(int32_t k) const {
    auto* t = TargetParam();
    return t ? t->DimSize(k) : 0;
}
void TParamVar::Assign(const TCustomParam& src) {
    if (auto* s = dynamic_cast<const TParamVar*>(&src)) {
        RefName = s->RefName;
        RefFlag = s->RefFlag;
        RefIndex = s->RefIndex;
        target_ = s->target_;
        Dims = s->Dims;
    }
}
void TParamVar::SetDims(const std::vector<int32_t>& sizes) {
    if (auto* t = TargetParam()) t->SetDims(sizes);
}
void TParamVar::FillInt(int32_t n) {
    if (auto* t = TargetParam()) t->FillInt(n);
}
void TParamVar::FillFloat(Real x) {
    if (auto* t = TargetParam()) t->FillFloat(x);
}
void TParamVar::FillFlag(bool b) {
    if (auto* t = TargetParam()) t->FillFlag(b);
}
void TParamVar::FillStr(std::string_view s) {
    if (auto* t = TargetParam()) t->FillStr(s);
}
void TParamVar::CopyMem(const TCustomParam& src) {
    if (auto* t = TargetParam()) t->CopyMem(src);
}
void TParamVar::MakeScalar() {
    if (auto* t = TargetParam()) t->MakeScalar();
}

void TParamVar::SaveToStream(StreamWriter& w) const {
    WriteDims(w);
    w.Str(RefName);
    auto* t = Target();
    w.Str(t ? t->Name() : std::string());
    w.U8(RefFlag);
    w.I32(RefIndex);
}

void TParamVar::LoadFromStream(StreamReader& r, TParamCollection* store) {
    ReadDims(r);
    RefName = r.Str("reference name");
    std::string targetName = r.Str("reference target");
    RefFlag = r.U8("reference flag");
    RefIndex = r.I32("reference index");
    target_.reset();
    if (!targetName.empty() && store) SetTarget(store->Find(targetName));
}

}  // namespace vesk
