#pragma once
// Tables of fixed-layout records that scripts reach through the DB functions: columns
// (TDBField), the column list with the record size, and the table with its records and
// current record. A record is one block of bytes: integers as int32 little-endian, reals as
// 80-bit extended, flags as one byte, strings zero-terminated in a buffer of the column size.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/ext80.h"

namespace vesk {

class TCustomParam;

// Bytes every table of one manager may hold together, so that a script asking for millions
// of records or huge columns gets a failure instead of exhausting memory. Each record counts
// its block plus a fixed overhead.
struct TDBMemory {
    static constexpr size_t kRecordOverhead = 32;
    size_t Used = 0;
    size_t Limit = size_t(256) << 20;
    bool Take(size_t n) {
        if (n > Limit - Used) return false;
        Used += n;
        return true;
    }
    void Give(size_t n) { Used = n > Used ? 0 : Used - n; }
};

// The longest text a string column may hold, and the largest record.
constexpr int32_t kDBMaxStringLength = 1 << 20;
constexpr int32_t kDBMaxRecordSize = 1 << 22;

enum class DBType : uint8_t { Int = 1, Real = 2, Flag = 3, Str = 4 };

class TDBField {
  public:
    int32_t Size = 0;
    std::string FieldName;
    uint8_t FieldType = 0;
};

class TDBFieldList {
  public:
    size_t Count() const { return fields_.size(); }
    const TDBField& At(size_t i) const { return fields_[i]; }
    int32_t RecordSize() const { return recordSize_; }
    // Byte offset of column i inside a record.
    int32_t Offset(size_t i) const { return offsets_[i]; }
    // Case-insensitive; the first match wins; -1 when no column has that name.
    int32_t IndexOf(std::string_view name) const;
    void Add(TDBField f);
    void Clear();
    // Same count, and per column the same name (exact), type and size.
    bool SameLayout(const TDBFieldList& other) const;

  private:
    std::vector<TDBField> fields_;
    std::vector<int32_t> offsets_;
    int32_t recordSize_ = 0;
};

class TDBCustomTable {
  public:
    virtual ~TDBCustomTable() = default;
    std::string TableName;
    uint8_t Kind = 0;  // 0: travels with game saves, 1: with the status data
    TDBFieldList Fields;
};

using TDBRecordList = std::vector<int32_t>;

class TDBTable final : public TDBCustomTable {
  public:
    explicit TDBTable(TDBMemory* memory = nullptr) : memory_(memory) {}
    ~TDBTable() override;
    TDBTable(const TDBTable&) = delete;
    TDBTable& operator=(const TDBTable&) = delete;

    int32_t RecordCount() const { return int32_t(records_.size()); }
    int32_t RecNo() const { return recNo_; }
    bool SetRecNo(int32_t n);
    bool First();
    bool Last();
    bool Next();
    bool Prior();
    // Adds an all-zero record at the end and makes it current; false when the memory
    // budget is spent.
    bool Append();
    void DeleteCurrent();
    void ClearRecords();
    // The record block at index i (nullptr when there is none).
    const uint8_t* Record(int32_t i) const;
    // Adds a copy of a block of this table's layout at the end, current; false when it
    // does not fit.
    bool AppendCopy(const uint8_t* block);

    // Adds a column; -1 for a type outside 1..4, a string too long or a record too large,
    // else the new column's index. Every record grows by the column's zero bytes.
    int32_t AddField(std::string_view name, uint8_t type, int32_t length);
    // Columns and records dropped.
    void ClearAll();

    // Cells by record and column index; false / defaults when either is missing.
    bool GetInt(int32_t rec, int32_t col, int32_t& out) const;
    bool GetReal(int32_t rec, int32_t col, Real& out) const;
    bool GetFlag(int32_t rec, int32_t col, bool& out) const;
    bool GetStr(int32_t rec, int32_t col, std::string& out) const;
    bool SetInt(int32_t rec, int32_t col, int32_t v);
    bool SetReal(int32_t rec, int32_t col, Real v);
    bool SetFlag(int32_t rec, int32_t col, bool v);
    bool SetStr(int32_t rec, int32_t col, std::string_view v);
    // Stores a value by its own type (element 0 of an array).
    bool SetValue(int32_t rec, int32_t col, const TCustomParam& v);

    // Records whose cells equal the values (see the DB functions); either list null: all.
    TDBRecordList FindRecords(const TCustomParam* names, const TCustomParam* values,
                              bool ignoreCase, bool partial) const;
    // Orders the records by the named columns, a set flag reversing its key. Records with
    // equal keys keep their order.
    void Sort(const TCustomParam& names, const TCustomParam& descending);
    // Replaces columns and records by a tab-separated text: a header line of columns, then
    // one record per non-empty line. False (table unchanged) when the text does not fit in
    // memory or the header asks for an impossible column.
    bool LoadTsv(const std::vector<std::string>& lines);

    // The stored form of the records (the raw blocks) and RecNo; see TDBManager.
    void WriteRecords(class StreamWriter& w) const;
    void ReadRecords(class StreamReader& r);

  private:
    uint8_t* Cell(int32_t rec, int32_t col, uint8_t& type, int32_t& size);
    const uint8_t* Cell(int32_t rec, int32_t col, uint8_t& type, int32_t& size) const;
    size_t RecordCost() const { return size_t(Fields.RecordSize()) + TDBMemory::kRecordOverhead; }
    bool Take(size_t n) { return !memory_ || memory_->Take(n); }
    void Give(size_t n) {
        if (memory_) memory_->Give(n);
    }

    TDBMemory* memory_;
    std::vector<std::unique_ptr<uint8_t[]>> records_;
    int32_t recNo_ = -1;
};

// Splits a text file's bytes into lines at LF, a CR before the LF dropped.
std::vector<std::string> SplitTextLines(std::string_view text);
// Rounds to the nearest integer, ties to even, into 32 bits.
int32_t RoundRealToInt(Real v);

}  // namespace vesk
