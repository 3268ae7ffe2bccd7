#pragma once
// All tables of a game and the active one most DB functions act on. Tables of kind 0 travel
// with game saves and are removed by the reset command; tables of kind 1 travel with the
// status data.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "vars/db_table.h"

namespace vesk {

class Stream;

enum class DBKind : uint8_t { Game = 0, Status = 1 };

class TDBManager {
  public:
    // The number that opens every saved table list.
    static constexpr int32_t kStreamFormat = 100;

    TDBManager() = default;
    TDBManager(const TDBManager&) = delete;
    TDBManager& operator=(const TDBManager&) = delete;

    size_t Count() const { return tables_.size(); }
    TDBTable& At(size_t i) const { return *tables_[i]; }
    int32_t ActiveIndex() const { return active_; }
    // The active table, nullptr when none.
    TDBTable* Active() const;
    // Case-insensitive; nullptr when no table has that name.
    TDBTable* Find(std::string_view name) const;
    int32_t IndexOf(std::string_view name) const;

    // Appends an empty table and makes it active; -1 for an empty name or one in use.
    int32_t CreateTable(std::string_view name, DBKind kind);
    // Frees the named table; the active table stays active, or none when it was this one.
    bool DeleteTable(std::string_view name);
    bool SetActive(std::string_view name);
    // Empties `dest` (which must exist and not be the active table) and fills it with the
    // active table's columns and copies of the listed records.
    bool CopyRecords(std::string_view dest, const TDBRecordList& records);
    // Appends copies of the listed records of `source` to the active table, whose columns
    // must be the same; the last one becomes current.
    bool AppendRecords(std::string_view source, const TDBRecordList& records);
    // Frees every game table; no table is active afterwards (the reset command).
    void RemoveGameTables();
    void ClearAll();

    // The stored list of the tables of one kind (see docs/tables.md).
    void SaveTables(Stream& s, DBKind kind) const;
    // Replaces the tables of that kind by the stored list. A damaged list raises a
    // VeskError and changes nothing.
    void LoadTables(Stream& s, DBKind kind);

    // What the save file calls: game tables with each game record, status tables with the
    // status record. `version` is the save file's version.
    void SaveGameTables(Stream& s) const { SaveTables(s, DBKind::Game); }
    void LoadGameTables(Stream& s, int32_t /*version*/) { LoadTables(s, DBKind::Game); }
    void SaveStatusTables(Stream& s) const { SaveTables(s, DBKind::Status); }
    void LoadStatusTables(Stream& s, int32_t /*version*/) { LoadTables(s, DBKind::Status); }

    TDBMemory& Memory() { return memory_; }

  private:
    void Remove(size_t i);

    // Declared first: tables give their bytes back to it when they go.
    TDBMemory memory_;
    std::vector<std::unique_ptr<TDBTable>> tables_;
    int32_t active_ = -1;
};

}  // namespace vesk
