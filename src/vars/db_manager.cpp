#include "vars/db_manager.h"

#include "base/cp932.h"
#include "base/error.h"
#include "base/stream.h"

namespace vesk {

TDBTable* TDBManager::Active() const {
    return active_ >= 0 && size_t(active_) < tables_.size() ? tables_[size_t(active_)].get()
                                                            : nullptr;
}

int32_t TDBManager::IndexOf(std::string_view name) const {
    for (size_t i = 0; i < tables_.size(); ++i)
        if (SameTextAscii(tables_[i]->TableName, name)) return int32_t(i);
    return -1;
}

TDBTable* TDBManager::Find(std::string_view name) const {
    int32_t i = IndexOf(name);
    return i >= 0 ? tables_[size_t(i)].get() : nullptr;
}

int32_t TDBManager::CreateTable(std::string_view name, DBKind kind) {
    if (name.empty() || IndexOf(name) >= 0) return -1;
    auto t = std::make_unique<TDBTable>(&memory_);
    t->TableName = std::string(name);
    t->Kind = uint8_t(kind);
    tables_.push_back(std::move(t));
    active_ = int32_t(tables_.size()) - 1;
    return active_;
}

void TDBManager::Remove(size_t i) {
    // The active table is looked up again by name after the list has changed.
    std::string activeName;
    if (TDBTable* a = Active(); a && size_t(active_) != i) activeName = a->TableName;
    tables_.erase(tables_.begin() + ptrdiff_t(i));
    active_ = activeName.empty() ? -1 : IndexOf(activeName);
}

bool TDBManager::DeleteTable(std::string_view name) {
    int32_t i = IndexOf(name);
    if (i < 0) return false;
    Remove(size_t(i));
    return true;
}

bool TDBManager::SetActive(std::string_view name) {
    int32_t i = IndexOf(name);
    if (i < 0) return false;
    active_ = i;
    return true;
}

bool TDBManager::CopyRecords(std::string_view dest, const TDBRecordList& records) {
    TDBTable* src = Active();
    TDBTable* dst = Find(dest);
    if (!src || !dst || src == dst) return false;
    dst->ClearAll();
    for (size_t c = 0; c < src->Fields.Count(); ++c) {
        const TDBField& f = src->Fields.At(c);
        const int32_t length = f.FieldType == uint8_t(DBType::Str) ? f.Size - 1 : 0;
        dst->AddField(f.FieldName, f.FieldType, length);
    }
    for (int32_t r : records)
        if (const uint8_t* block = src->Record(r))
            if (!dst->AppendCopy(block)) return false;
    return true;
}

bool TDBManager::AppendRecords(std::string_view source, const TDBRecordList& records) {
    TDBTable* dst = Active();
    TDBTable* src = Find(source);
    if (!src || !dst || !src->Fields.SameLayout(dst->Fields)) return false;
    // Copied first: the source may be the active table itself, which grows meanwhile.
    const size_t size = size_t(src->Fields.RecordSize());
    std::vector<std::vector<uint8_t>> blocks;
    for (int32_t r : records)
        if (const uint8_t* block = src->Record(r)) blocks.emplace_back(block, block + size);
    for (const auto& b : blocks)
        if (!dst->AppendCopy(b.data())) return false;
    return true;
}

void TDBManager::RemoveGameTables() {
    for (size_t i = tables_.size(); i-- > 0;)
        if (tables_[i]->Kind == uint8_t(DBKind::Game))
            tables_.erase(tables_.begin() + ptrdiff_t(i));
    active_ = -1;
}

void TDBManager::ClearAll() {
    tables_.clear();
    active_ = -1;
}

void TDBManager::SaveTables(Stream& s, DBKind kind) const {
    StreamWriter w(s);
    w.I32(kStreamFormat);
    int32_t n = 0;
    for (const auto& t : tables_) n += t->Kind == uint8_t(kind);
    w.I32(n);
    for (const auto& t : tables_) {
        if (t->Kind != uint8_t(kind)) continue;
        w.U8(0);  // the table class: always a plain table
        w.Str(t->TableName);
        w.U8(t->Kind);
        w.I32(int32_t(t->Fields.Count()));
        for (size_t c = 0; c < t->Fields.Count(); ++c) {
            const TDBField& f = t->Fields.At(c);
            w.I32(f.Size);
            w.Str(f.FieldName);
            w.U8(f.FieldType);
        }
        t->WriteRecords(w);
    }
    if (kind == DBKind::Game) {
        const TDBTable* a = Active();
        w.Str(a ? a->TableName : std::string());
    }
}

void TDBManager::LoadTables(Stream& s, DBKind kind) {
    StreamReader r(s);
    const int32_t format = r.I32("table list format");
    if (format != kStreamFormat) Fail("unknown table list format " + std::to_string(format));
    const int32_t n = r.I32("table count");
    if (n < 0) Fail("bad table count");
    r.CheckCount(n, 19, "tables");
    // Read aside first: a damaged list leaves the tables as they were.
    std::vector<std::unique_ptr<TDBTable>> loaded;
    for (int32_t i = 0; i < n; ++i) {
        if (r.U8("table class") != 0) Fail("unknown table class");
        auto t = std::make_unique<TDBTable>(&memory_);
        t->TableName = r.Str("table name");
        if (t->TableName.empty()) Fail("table without a name");
        const uint8_t storedKind = r.U8("table kind");
        if (storedKind > 1) Fail("bad table kind");
        // A table read from one list belongs to that list's kind.
        t->Kind = uint8_t(kind);
        const int32_t columns = r.I32("table column count");
        if (columns < 0) Fail("bad table column count");
        r.CheckCount(columns, 9, "table columns");
        for (int32_t c = 0; c < columns; ++c) {
            const int32_t size = r.I32("column size");
            std::string name = r.Str("column name");
            const uint8_t type = r.U8("column type");
            const bool fits = (type == uint8_t(DBType::Int) && size == 4) ||
                              (type == uint8_t(DBType::Real) && size == 10) ||
                              (type == uint8_t(DBType::Flag) && size == 1) ||
                              (type == uint8_t(DBType::Str) && size >= 1);
            if (!fits) Fail("bad column in saved table");
            const int32_t length = type == uint8_t(DBType::Str) ? size - 1 : 0;
            if (t->AddField(name, type, length) < 0) Fail("saved table column too large");
        }
        t->ReadRecords(r);
        loaded.push_back(std::move(t));
    }
    std::string activeName;
    if (kind == DBKind::Game) activeName = r.Str("active table name");

    for (size_t i = tables_.size(); i-- > 0;)
        if (tables_[i]->Kind == uint8_t(kind)) tables_.erase(tables_.begin() + ptrdiff_t(i));
    active_ = -1;
    for (auto& t : loaded) {
        // Names stay unique: a loaded table replaces one of the same name.
        if (int32_t same = IndexOf(t->TableName); same >= 0) tables_.erase(tables_.begin() + same);
        tables_.push_back(std::move(t));
        active_ = int32_t(tables_.size()) - 1;
    }
    if (kind == DBKind::Game) active_ = IndexOf(activeName);
}

}  // namespace vesk
