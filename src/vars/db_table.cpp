#include "vars/db_table.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "base/cp932.h"
#include "base/error.h"
#include "base/stream.h"
#include "vars/conv.h"
#include "vars/param.h"

namespace vesk {

// ---- helpers

int32_t RoundRealToInt(Real v) {
    if (std::isnan(v)) return 0;
    return RealToInt(std::nearbyint(v));  // the default rounding mode is ties-to-even
}

std::vector<std::string> SplitTextLines(std::string_view text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            if (start < text.size()) lines.emplace_back(text.substr(start));
            break;
        }
        size_t len = end - start;
        if (len > 0 && text[end - 1] == '\r') --len;
        lines.emplace_back(text.substr(start, len));
        start = end + 1;
    }
    return lines;
}

namespace {

int32_t SizeOfType(uint8_t type, int32_t length) {
    switch (DBType(type)) {
        case DBType::Int:
            return 4;
        case DBType::Real:
            return 10;
        case DBType::Flag:
            return 1;
        case DBType::Str:
            return length < 0 ? 1 : length + 1;
        default:
            return -1;
    }
}

int32_t LoadI32(const uint8_t* p) {
    return int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 |
                   uint32_t(p[3]) << 24);
}
void StoreI32(uint8_t* p, int32_t v) {
    const uint32_t u = uint32_t(v);
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(u >> (8 * i));
}
std::string LoadStr(const uint8_t* p, int32_t size) {
    const void* z = std::memchr(p, 0, size_t(size));
    size_t n = z ? size_t(static_cast<const uint8_t*>(z) - p) : size_t(size);
    return std::string(reinterpret_cast<const char*>(p), n);
}
// Keeps at most size-1 bytes and the terminating zero.
void StoreStr(uint8_t* p, int32_t size, std::string_view s) {
    size_t n = std::min(s.size(), size_t(size - 1));
    std::memset(p, 0, size_t(size));
    std::memcpy(p, s.data(), n);
}

std::string TrimBlanks(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
    return std::string(s.substr(b, e - b));
}

std::vector<std::string> SplitTabs(std::string_view line) {
    std::vector<std::string> cells;
    size_t start = 0;
    for (;;) {
        size_t tab = line.find('\t', start);
        if (tab == std::string_view::npos) {
            cells.emplace_back(line.substr(start));
            return cells;
        }
        cells.emplace_back(line.substr(start, tab - start));
        start = tab + 1;
    }
}

// \" gives ", \\ gives \, \n gives CR LF. Walks by characters so that the second byte of a
// double-byte character (which may be 0x5C) is never taken for a backslash.
std::string UnescapeTsv(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        size_t len = CharLenAt(s, i);
        if (len == 1 && s[i] == '\\' && i + 1 < s.size()) {
            char next = s[i + 1];
            if (next == '"' || next == '\\') {
                out += next;
                i += 2;
                continue;
            }
            if (next == 'n') {
                out += "\r\n";
                i += 2;
                continue;
            }
        }
        out.append(s.substr(i, len));
        i += len;
    }
    return out;
}

// The comparison of one sort key.
int CompareCells(const TDBTable& t, int32_t a, int32_t b, int32_t col) {
    switch (DBType(t.Fields.At(size_t(col)).FieldType)) {
        case DBType::Int: {
            int32_t x = 0, y = 0;
            t.GetInt(a, col, x);
            t.GetInt(b, col, y);
            return x < y ? -1 : x > y ? 1 : 0;
        }
        case DBType::Real: {
            Real x = 0, y = 0;
            t.GetReal(a, col, x);
            t.GetReal(b, col, y);
            return x < y ? -1 : x > y ? 1 : 0;
        }
        case DBType::Flag: {
            bool x = false, y = false;
            t.GetFlag(a, col, x);
            t.GetFlag(b, col, y);
            return int(x) - int(y);
        }
        default: {
            std::string x, y;
            t.GetStr(a, col, x);
            t.GetStr(b, col, y);
            int c = x.compare(y);  // byte-wise, bytes taken as unsigned
            return c < 0 ? -1 : c > 0 ? 1 : 0;
        }
    }
}

}  // namespace

// ---- columns

int32_t TDBFieldList::IndexOf(std::string_view name) const {
    for (size_t i = 0; i < fields_.size(); ++i)
        if (SameTextAscii(fields_[i].FieldName, name)) return int32_t(i);
    return -1;
}

void TDBFieldList::Add(TDBField f) {
    offsets_.push_back(recordSize_);
    recordSize_ += f.Size;
    fields_.push_back(std::move(f));
}

void TDBFieldList::Clear() {
    fields_.clear();
    offsets_.clear();
    recordSize_ = 0;
}

bool TDBFieldList::SameLayout(const TDBFieldList& o) const {
    if (o.Count() != Count()) return false;
    for (size_t i = 0; i < fields_.size(); ++i) {
        const TDBField &a = fields_[i], &b = o.fields_[i];
        if (a.FieldName != b.FieldName || a.FieldType != b.FieldType || a.Size != b.Size)
            return false;
    }
    return true;
}

// ---- records

TDBTable::~TDBTable() {
    ClearRecords();
}

bool TDBTable::SetRecNo(int32_t n) {
    if (n < 0) {
        recNo_ = -1;
        return true;
    }
    if (n >= RecordCount()) return false;
    recNo_ = n;
    return true;
}

bool TDBTable::First() {
    if (records_.empty()) return false;
    recNo_ = 0;
    return true;
}

bool TDBTable::Last() {
    if (records_.empty()) return false;
    recNo_ = RecordCount() - 1;
    return true;
}

bool TDBTable::Next() {
    if (recNo_ < 0 || recNo_ + 1 >= RecordCount()) return false;
    ++recNo_;
    return true;
}

bool TDBTable::Prior() {
    if (recNo_ <= 0) return false;
    --recNo_;
    return true;
}

bool TDBTable::Append() {
    return AppendCopy(nullptr);
}

bool TDBTable::AppendCopy(const uint8_t* block) {
    if (!Take(RecordCost())) return false;
    const size_t size = size_t(Fields.RecordSize());
    auto rec = std::make_unique<uint8_t[]>(size ? size : 1);
    if (block && size)
        std::memcpy(rec.get(), block, size);
    else
        std::memset(rec.get(), 0, size ? size : 1);
    records_.push_back(std::move(rec));
    recNo_ = RecordCount() - 1;
    return true;
}

void TDBTable::DeleteCurrent() {
    if (recNo_ < 0 || recNo_ >= RecordCount()) return;
    records_.erase(records_.begin() + recNo_);
    Give(RecordCost());
    if (recNo_ >= RecordCount()) recNo_ = RecordCount() - 1;
}

void TDBTable::ClearRecords() {
    Give(RecordCost() * records_.size());
    records_.clear();
    recNo_ = -1;
}

void TDBTable::ClearAll() {
    ClearRecords();
    Fields.Clear();
}

const uint8_t* TDBTable::Record(int32_t i) const {
    return i >= 0 && i < RecordCount() ? records_[size_t(i)].get() : nullptr;
}

int32_t TDBTable::AddField(std::string_view name, uint8_t type, int32_t length) {
    if (type < 1 || type > 4) return -1;
    if (DBType(type) == DBType::Str && length > kDBMaxStringLength) return -1;
    const int32_t size = SizeOfType(type, length);
    if (Fields.RecordSize() + size > kDBMaxRecordSize) return -1;
    const size_t oldSize = size_t(Fields.RecordSize());
    const size_t newSize = oldSize + size_t(size);
    if (!Take(size_t(size) * records_.size())) return -1;
    for (auto& rec : records_) {
        auto grown = std::make_unique<uint8_t[]>(newSize);
        if (oldSize) std::memcpy(grown.get(), rec.get(), oldSize);
        std::memset(grown.get() + oldSize, 0, size_t(size));
        rec = std::move(grown);
    }
    Fields.Add(TDBField{size, std::string(name), type});
    return int32_t(Fields.Count()) - 1;
}

const uint8_t* TDBTable::Cell(int32_t rec, int32_t col, uint8_t& type, int32_t& size) const {
    if (rec < 0 || rec >= RecordCount() || col < 0 || size_t(col) >= Fields.Count()) return nullptr;
    const TDBField& f = Fields.At(size_t(col));
    type = f.FieldType;
    size = f.Size;
    return records_[size_t(rec)].get() + Fields.Offset(size_t(col));
}

uint8_t* TDBTable::Cell(int32_t rec, int32_t col, uint8_t& type, int32_t& size) {
    return const_cast<uint8_t*>(std::as_const(*this).Cell(rec, col, type, size));
}

bool TDBTable::GetInt(int32_t rec, int32_t col, int32_t& out) const {
    uint8_t t;
    int32_t size;
    const uint8_t* p = Cell(rec, col, t, size);
    out = 0;
    if (!p) return false;
    switch (DBType(t)) {
        case DBType::Int:
            out = LoadI32(p);
            break;
        case DBType::Real:
            out = RoundRealToInt(DecodeExt80(p));
            break;
        case DBType::Flag:
            out = p[0] ? 1 : 0;
            break;
        case DBType::Str:
            out = StrToIntConv(LoadStr(p, size));
            break;
    }
    return true;
}

bool TDBTable::GetReal(int32_t rec, int32_t col, Real& out) const {
    uint8_t t;
    int32_t size;
    const uint8_t* p = Cell(rec, col, t, size);
    out = 0;
    if (!p) return false;
    switch (DBType(t)) {
        case DBType::Int:
            out = LoadI32(p);
            break;
        case DBType::Real:
            out = DecodeExt80(p);
            break;
        case DBType::Flag:
            out = p[0] ? 1 : 0;
            break;
        case DBType::Str:
            out = StrToRealConv(LoadStr(p, size));
            break;
    }
    return true;
}

bool TDBTable::GetFlag(int32_t rec, int32_t col, bool& out) const {
    uint8_t t;
    int32_t size;
    const uint8_t* p = Cell(rec, col, t, size);
    out = false;
    if (!p) return false;
    switch (DBType(t)) {
        case DBType::Int:
            out = LoadI32(p) != 0;
            break;
        case DBType::Real:
            out = DecodeExt80(p) != 0;
            break;
        case DBType::Flag:
            out = p[0] != 0;
            break;
        case DBType::Str:
            out = StrToFlagConv(LoadStr(p, size));
            break;
    }
    return true;
}

bool TDBTable::GetStr(int32_t rec, int32_t col, std::string& out) const {
    uint8_t t;
    int32_t size;
    const uint8_t* p = Cell(rec, col, t, size);
    out.clear();
    if (!p) return false;
    switch (DBType(t)) {
        case DBType::Int:
            out = IntToStr(LoadI32(p));
            break;
        case DBType::Real:
            out = RealToStr(DecodeExt80(p));
            break;
        case DBType::Flag:
            out = FlagToStr(p[0] != 0);
            break;
        case DBType::Str:
            out = LoadStr(p, size);
            break;
    }
    return true;
}

bool TDBTable::SetInt(int32_t rec, int32_t col, int32_t v) {
    uint8_t t;
    int32_t size;
    uint8_t* p = Cell(rec, col, t, size);
    if (!p) return false;
    switch (DBType(t)) {
        case DBType::Int:
            StoreI32(p, v);
            break;
        case DBType::Real:
            EncodeExt80(v, p);
            break;
        case DBType::Flag:
            p[0] = v != 0;
            break;
        case DBType::Str:
            StoreStr(p, size, IntToStr(v));
            break;
    }
    return true;
}

bool TDBTable::SetReal(int32_t rec, int32_t col, Real v) {
    uint8_t t;
    int32_t size;
    uint8_t* p = Cell(rec, col, t, size);
    if (!p) return false;
    switch (DBType(t)) {
        case DBType::Int:
            StoreI32(p, RoundRealToInt(v));
            break;
        case DBType::Real:
            EncodeExt80(v, p);
            break;
        case DBType::Flag:
            p[0] = v != 0;
            break;
        case DBType::Str:
            StoreStr(p, size, RealToStr(v));
            break;
    }
    return true;
}

bool TDBTable::SetFlag(int32_t rec, int32_t col, bool v) {
    uint8_t t;
    int32_t size;
    uint8_t* p = Cell(rec, col, t, size);
    if (!p) return false;
    switch (DBType(t)) {
        case DBType::Int:
            StoreI32(p, v ? 1 : 0);
            break;
        case DBType::Real:
            EncodeExt80(v ? 1 : 0, p);
            break;
        case DBType::Flag:
            p[0] = v ? 1 : 0;
            break;
        case DBType::Str:
            StoreStr(p, size, FlagToStr(v));
            break;
    }
    return true;
}

bool TDBTable::SetStr(int32_t rec, int32_t col, std::string_view v) {
    uint8_t t;
    int32_t size;
    uint8_t* p = Cell(rec, col, t, size);
    if (!p) return false;
    switch (DBType(t)) {
        case DBType::Int:
            StoreI32(p, StrToIntConv(v));
            break;
        case DBType::Real:
            EncodeExt80(StrToRealConv(v), p);
            break;
        case DBType::Flag:
            p[0] = StrToFlagConv(v) ? 1 : 0;
            break;
        case DBType::Str:
            StoreStr(p, size, v);
            break;
    }
    return true;
}

bool TDBTable::SetValue(int32_t rec, int32_t col, const TCustomParam& v) {
    switch (v.ParamType()) {
        case PT_INT:
            return SetInt(rec, col, v.AsInt());
        case PT_FLOAT:
            return SetReal(rec, col, v.AsFloat());
        case PT_BOOL:
            return SetFlag(rec, col, v.AsFlag());
        case PT_STR:
            return SetStr(rec, col, v.AsStr());
        default:
            return false;
    }
}

// ---- searching and ordering

TDBRecordList TDBTable::FindRecords(const TCustomParam* names, const TCustomParam* values,
                                    bool ignoreCase, bool partial) const {
    TDBRecordList found;
    if (!names || !values) {
        for (int32_t i = 0; i < RecordCount(); ++i) found.push_back(i);
        return found;
    }
    const int32_t k = std::min(names->Count(), values->Count());
    std::vector<std::string> wanted;
    const uint8_t type = values->ParamType();
    if (type == PT_STR)
        for (int32_t i = 0; i < k; ++i)
            wanted.push_back(ignoreCase && partial ? UpperAscii(values->StrAt(i))
                                                   : values->StrAt(i));
    for (int32_t rec = 0; rec < RecordCount(); ++rec) {
        bool all = true;
        for (int32_t i = 0; i < k && all; ++i) {
            const int32_t col = Fields.IndexOf(names->StrAt(i));
            // A name no column has ends the whole search.
            if (col < 0) return found;
            switch (type) {
                case PT_INT: {
                    int32_t v;
                    GetInt(rec, col, v);
                    all = v == values->IntAt(i);
                    break;
                }
                case PT_FLOAT: {
                    Real v;
                    GetReal(rec, col, v);
                    all = v == values->FloatAt(i);
                    break;
                }
                case PT_BOOL: {
                    bool v;
                    GetFlag(rec, col, v);
                    all = v == values->FlagAt(i);
                    break;
                }
                case PT_STR: {
                    std::string v;
                    GetStr(rec, col, v);
                    const std::string& w = wanted[size_t(i)];
                    if (partial)
                        all = (ignoreCase ? UpperAscii(v) : v).find(w) != std::string::npos;
                    else
                        all = ignoreCase ? SameTextAscii(v, w) : v == w;
                    break;
                }
                default:
                    all = false;
                    break;
            }
        }
        if (all) found.push_back(rec);
    }
    return found;
}

void TDBTable::Sort(const TCustomParam& names, const TCustomParam& descending) {
    struct Key {
        int32_t col;
        bool down;
    };
    std::vector<Key> keys;
    const int32_t n = std::min(names.Count(), descending.Count());
    for (int32_t i = 0; i < n; ++i) {
        const int32_t col = Fields.IndexOf(names.StrAt(i));
        if (col >= 0) keys.push_back({col, descending.FlagAt(i)});
    }
    if (keys.empty() || records_.size() < 2) return;
    std::vector<int32_t> order(records_.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = int32_t(i);
    std::stable_sort(order.begin(), order.end(), [&](int32_t a, int32_t b) {
        for (const Key& k : keys) {
            int c = CompareCells(*this, a, b, k.col);
            if (c != 0) return k.down ? c > 0 : c < 0;
        }
        return false;
    });
    std::vector<std::unique_ptr<uint8_t[]>> sorted;
    sorted.reserve(records_.size());
    for (int32_t i : order) sorted.push_back(std::move(records_[size_t(i)]));
    records_ = std::move(sorted);
}

bool TDBTable::LoadTsv(const std::vector<std::string>& lines) {
    // Built aside and swapped in, so a text that cannot be loaded leaves the table as it was.
    TDBTable fresh(nullptr);
    if (!lines.empty()) {
        for (const std::string& cell : SplitTabs(lines[0])) {
            const std::string text = TrimBlanks(cell);
            size_t blank = text.find(' ');
            std::string name = text.substr(0, blank);
            std::string typeWord, lengthText;
            if (blank != std::string::npos) {
                std::string rest = TrimBlanks(text.substr(blank + 1));
                size_t blank2 = rest.find(' ');
                typeWord = rest.substr(0, blank2);
                if (blank2 != std::string::npos) lengthText = TrimBlanks(rest.substr(blank2 + 1));
            }
            if (name.empty()) {
                fresh.Fields.Clear();
                break;
            }
            uint8_t type = uint8_t(DBType::Str);
            if (SameTextAscii(typeWord, "int"))
                type = uint8_t(DBType::Int);
            else if (SameTextAscii(typeWord, "float"))
                type = uint8_t(DBType::Real);
            else if (SameTextAscii(typeWord, "bool"))
                type = uint8_t(DBType::Flag);
            int32_t length = 80;
            if (!lengthText.empty() && !TryStrToInt(lengthText, length)) length = 80;
            if (fresh.AddField(name, type, length) < 0) return false;
        }
    }
    // The records count against the budget of this table's manager.
    const size_t perRecord = fresh.RecordCost();
    size_t taken = 0;
    for (size_t li = 1; li < lines.size(); ++li) {
        if (lines[li].empty()) continue;
        if (!Take(perRecord)) {
            Give(taken);
            return false;
        }
        taken += perRecord;
        std::vector<std::string> cells = SplitTabs(UnescapeTsv(lines[li]));
        fresh.Append();
        const size_t n = std::min(cells.size(), fresh.Fields.Count());
        for (size_t c = 0; c < n; ++c) fresh.SetStr(fresh.RecNo(), int32_t(c), cells[c]);
    }
    ClearAll();
    Fields = fresh.Fields;
    records_ = std::move(fresh.records_);
    fresh.records_.clear();
    recNo_ = fresh.recNo_;
    // `taken` now pays for the records moved in (the budget was already charged).
    return true;
}

// ---- stored form

void TDBTable::WriteRecords(StreamWriter& w) const {
    w.I32(RecordCount());
    for (const auto& rec : records_) w.Raw(rec.get(), size_t(Fields.RecordSize()));
    w.I32(recNo_);
}

void TDBTable::ReadRecords(StreamReader& r) {
    ClearRecords();
    const int32_t count = r.I32("table record count");
    if (count < 0) Fail("bad table record count");
    const int32_t size = Fields.RecordSize();
    if (size > 0) r.CheckCount(count, size, "table records");
    // A table without columns has records of no bytes: the count alone could be huge, so
    // the budget is checked before anything is made.
    const size_t limit = memory_ ? memory_->Limit - memory_->Used : size_t(256) << 20;
    if (size_t(count) > limit / RecordCost()) Fail("the saved tables do not fit in memory");
    for (int32_t i = 0; i < count; ++i) {
        if (!Take(RecordCost())) Fail("the saved tables do not fit in memory");
        auto rec = std::make_unique<uint8_t[]>(size ? size_t(size) : 1);
        if (size) r.Raw(rec.get(), size_t(size), "table record");
        records_.push_back(std::move(rec));
    }
    const int32_t recNo = r.I32("table current record");
    if (recNo < -1 || recNo >= count) Fail("bad table current record");
    recNo_ = recNo;
}

}  // namespace vesk
