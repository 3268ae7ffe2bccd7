// Built-in array functions. Arrays are written through the argument's reference; a
// constant argument receives the write and drops it. Functions that rebuild a list build
// the new elements aside first, so an array may safely be its own source.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <numeric>
#include <string>
#include <vector>

#include "base/cp932.h"
#include "base/error.h"
#include "vars/param.h"
#include "vars/sys_func_impl.h"

namespace vesk {

namespace {

// The value behind an argument, following references (an element reference included) to
// the variable they stand for; nullptr for a reference without a target.
TCustomParam* Resolve(TCustomParam& p) {
    TCustomParam* q = &p;
    for (int depth = 0; depth < 4 && q; ++depth) {
        auto* ref = dynamic_cast<TParamVar*>(q);
        if (!ref) return q;
        q = ref->TargetParam();
    }
    return nullptr;
}

// The variable the argument names, or the function's "variable not found" failure.
TCustomParam& NeedVariable(SysFuncCall& c, size_t i) {
    TCustomParam* v = BoundVariable(c.Arg(i));
    if (!v) Fail(kSysFuncs[c.index].name + VESK_JP(":変数が見つかりません"));
    return *v;
}

bool IsValueType(uint8_t t) {
    return t >= PT_INT && t <= PT_STR;
}

// Element `si` of `src` stored into element `di` of `dst`, converted to dst's type.
void CopyElem(TCustomParam& dst, int32_t di, const TCustomParam& src, int32_t si) {
    switch (dst.ParamType()) {
        case PT_INT:
            dst.SetIntAt(di, src.IntAt(si));
            break;
        case PT_FLOAT:
            dst.SetFloatAt(di, src.FloatAt(si));
            break;
        case PT_BOOL:
            dst.SetFlagAt(di, src.FlagAt(si));
            break;
        case PT_STR:
            dst.SetStrAt(di, src.StrAt(si));
            break;
        default:
            break;
    }
}

// A fresh one-dimensional value of `type` with `n` elements (n may be 0: an emptied list).
std::unique_ptr<TCustomParam> NewList(uint8_t type, int64_t n) {
    auto list = MakeParam(type);
    if (n > 0) {
        if (n > INT32_MAX) Fail("array too large: " + std::to_string(n) + " elements");
        list->SetDims({int32_t(n)});
    } else {
        list->SetCount(0);
        list->Dims = {0};
    }
    return list;
}

// Appends elements [from, from + n) of `src` to `list` starting at element `at`.
void PutRange(TCustomParam& list, int32_t at, const TCustomParam& src, int32_t from, int32_t n) {
    for (int32_t k = 0; k < n; ++k) CopyElem(list, at + k, src, from + k);
}

// Replaces the dimensions and elements of the variable behind `arg` by those of `list`
// (same type). Goes through the value operations so that a system variable standing for
// another variable passes the change on.
void Store(TCustomParam& arg, const TCustomParam& list) {
    TCustomParam* v = Resolve(arg);
    if (!v) return;
    if (list.Count() > 0)
        v->CopyFrom(list);
    else
        v->Assign(list);  // an emptied list has no dimensions to set through SetDims
}

void FnGetArraySize(SysFuncCall& c) {
    TCustomParam& v = NeedVariable(c, 0);
    if (!c.Has(1)) {
        c.dest.SetInt(v.Count());
        return;
    }
    // Dimensions are counted from the last one.
    c.dest.SetInt(v.DimSize(v.DimCount() - 1 - c.Arg(1).AsInt()));
}

void FnSetArray(SysFuncCall& c) {
    TCustomParam& v = NeedVariable(c, 0);
    std::vector<int32_t> sizes;
    for (size_t i = 1; i < c.Argc(); ++i) sizes.push_back(c.Arg(i).AsInt());
    v.SetDims(sizes);
}

void FnFillMem(SysFuncCall& c) {
    TCustomParam& v = NeedVariable(c, 0);
    TCustomParam& x = c.Arg(1);
    switch (v.ParamType()) {
        case PT_INT:
            v.FillInt(x.AsInt());
            break;
        case PT_FLOAT:
            v.FillFloat(x.AsFloat());
            break;
        case PT_BOOL:
            v.FillFlag(x.AsFlag());
            break;
        case PT_STR:
            v.FillStr(x.AsStr());
            break;
        default:
            break;
    }
}

void FnCopyMem(SysFuncCall& c) {
    TCustomParam& v = NeedVariable(c, 0);
    TCustomParam* src = Resolve(c.Arg(1));
    v.CopyMem(src ? *src : c.Arg(1));
}

void FnArrayToString(SysFuncCall& c) {
    TCustomParam& a = c.Arg(0);
    std::string sep = c.Has(1) ? c.Arg(1).AsStr() : std::string("\r\n");
    std::string r;
    int32_t n = a.Count();
    for (int32_t i = 0; i < n; ++i) {
        if (i) r += sep;
        r += a.StrAt(i);
        if (int64_t(r.size()) > kMaxResultBytes)
            Fail("ArrayToString: result too long (" + std::to_string(r.size()) + " bytes)");
    }
    c.dest.SetStr(r);
}

// Lines as a text list reads them: a break is CR, LF or CR LF, and a break at the very end
// does not start another line.
std::vector<std::string> SplitLines(std::string_view s) {
    std::vector<std::string> lines;
    size_t i = 0;
    while (i < s.size()) {
        size_t start = i;
        while (i < s.size() && s[i] != '\r' && s[i] != '\n') ++i;
        lines.emplace_back(s.substr(start, i - start));
        if (i < s.size() && s[i] == '\r') ++i;
        if (i < s.size() && s[i] == '\n') ++i;
    }
    return lines;
}

// Pieces between the occurrences of any character of `delims` (double-byte characters
// compare whole).
std::vector<std::string> SplitAtAny(std::string_view s, std::string_view delims) {
    std::vector<std::string> pieces;
    if (s.empty()) return pieces;
    auto isDelim = [&](std::string_view ch) {
        for (size_t k = 0; k < delims.size(); k += CharLenAt(delims, k))
            if (delims.substr(k, CharLenAt(delims, k)) == ch) return true;
        return false;
    };
    size_t start = 0;
    for (size_t i = 0; i < s.size();) {
        size_t len = CharLenAt(s, i);
        if (isDelim(s.substr(i, len))) {
            pieces.emplace_back(s.substr(start, i - start));
            start = i + len;
        }
        i += len;
    }
    pieces.emplace_back(s.substr(start));
    return pieces;
}

void FnStringToArray(SysFuncCall& c) {
    std::string text = c.Arg(0).AsStr();
    std::string delims = c.Has(2) ? c.Arg(2).AsStr() : std::string("\r\n");
    std::vector<std::string> pieces =
        delims == "\r\n" ? SplitLines(text) : SplitAtAny(text, delims);
    if (pieces.empty()) pieces.emplace_back();
    TCustomParam& out = c.Arg(1);
    uint8_t type = out.ParamType();
    if (IsValueType(type)) {
        auto list = NewList(type, int64_t(pieces.size()));
        for (size_t i = 0; i < pieces.size(); ++i) list->SetStrAt(int32_t(i), pieces[i]);
        Store(out, *list);
    }
    c.dest.SetInt(int32_t(pieces.size()));
}

void FnIndexOfStr(SysFuncCall& c) {
    bool caseSensitive = c.Has(2) ? c.Arg(2).AsFlag() : true;
    bool partial = c.Has(3) && c.Arg(3).AsFlag();
    c.dest.SetInt(c.Arg(0).IndexOfStr(c.Arg(1).AsStr(), caseSensitive, partial));
}

void FnSortStr(SysFuncCall& c) {
    TCustomParam& a = c.Arg(0);
    int32_t n = a.Count();
    TCustomParam* v = Resolve(a);
    if (v && IsValueType(v->ParamType()) && n > 1) {
        // Order by the elements' text, then move the elements themselves so that numbers
        // keep their full value.
        std::vector<std::string> keys;
        keys.reserve(size_t(n));
        for (int32_t i = 0; i < n; ++i) keys.push_back(v->StrAt(i));
        std::vector<int32_t> order(static_cast<size_t>(n));
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(), [&](int32_t x, int32_t y) {
            return CompareTextAscii(keys[size_t(x)], keys[size_t(y)]) < 0;
        });
        auto snapshot = MakeParam(v->ParamType());
        snapshot->CopyFrom(*v);
        for (int32_t i = 0; i < n; ++i) CopyElem(*v, i, *snapshot, order[size_t(i)]);
    }
    c.dest.SetInt(n);
}

// The common shape of AddArray and InsertArray: elements of `src` put into the list `a` at
// index `at`. Both must be one-dimensional; otherwise nothing changes.
void InsertList(SysFuncCall& c, TCustomParam& a, int64_t at, TCustomParam& src) {
    uint8_t type = a.ParamType();
    if (IsValueType(type) && a.DimCount() == 1 && src.DimCount() == 1) {
        int32_t n = a.Count(), m = src.Count();
        auto pos = int32_t(std::clamp<int64_t>(at, 0, n));
        auto list = NewList(type, int64_t(n) + m);
        PutRange(*list, 0, a, 0, pos);
        PutRange(*list, pos, src, 0, m);
        PutRange(*list, pos + m, a, pos, n - pos);
        Store(a, *list);
    }
    c.dest.SetInt(a.Count());
}

void FnAddArray(SysFuncCall& c) {
    InsertList(c, c.Arg(0), INT64_MAX, c.Arg(1));
}

void FnInsertArray(SysFuncCall& c) {
    InsertList(c, c.Arg(0), c.Arg(1).AsInt(), c.Arg(2));
}

void FnDeleteArray(SysFuncCall& c) {
    TCustomParam& a = c.Arg(0);
    uint8_t type = a.ParamType();
    if (IsValueType(type) && a.DimCount() == 1) {
        int32_t n = a.Count();
        auto pos = int32_t(std::clamp<int64_t>(c.Arg(1).AsInt(), 0, n));
        auto k = int32_t(std::clamp<int64_t>(c.Arg(2).AsInt(), 0, n - pos));
        if (k > 0) {
            // Removing every element leaves an empty list (count 0).
            auto list = NewList(type, int64_t(n) - k);
            PutRange(*list, 0, a, 0, pos);
            PutRange(*list, pos, a, pos + k, n - pos - k);
            Store(a, *list);
        }
    }
    c.dest.SetInt(a.Count());
}

void FnCopyArray(SysFuncCall& c) {
    TCustomParam& a = c.Arg(0);
    TCustomParam& src = c.Arg(1);
    uint8_t type = a.ParamType();
    if (IsValueType(type)) {
        std::unique_ptr<TCustomParam> copy;
        if (src.Count() > 0) {
            copy = MakeParam(type);
            copy->CopyFrom(src);
        } else {
            copy = NewList(type, 0);
        }
        Store(a, *copy);
    }
    c.dest.SetFlag(true);
}

}  // namespace

void AddArrayFuncs(SysFnTable& t) {
    t[SF_GETARRAYSIZE] = FnGetArraySize;
    t[SF_SETARRAY] = FnSetArray;
    t[SF_FILLMEM] = FnFillMem;
    t[SF_COPYMEM] = FnCopyMem;
    t[SF_ARRAYTOSTRING] = FnArrayToString;
    t[SF_STRINGTOARRAY] = FnStringToArray;
    t[SF_INDEXOFSTR] = FnIndexOfStr;
    t[SF_SORTSTR] = FnSortStr;
    t[SF_ADDARRAY] = FnAddArray;
    t[SF_INSERTARRAY] = FnInsertArray;
    t[SF_DELETEARRAY] = FnDeleteArray;
    t[SF_COPYARRAY] = FnCopyArray;
}

}  // namespace vesk
