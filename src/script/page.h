#pragma once
// A script page: a flat list of commands plus the per-type property sets, read from and
// written to the stored page form.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "script/command.h"
#include "script/command_info.h"

namespace vesk {

class IPageSource;
class TParamCollection;

// The page versions the player reads, and the one it writes.
constexpr int32_t kPageVersionMin = 103;
constexpr int32_t kPageVersionMax = 114;
constexpr int32_t kPageVersionCreated = 104;

using TPropertySet = std::array<uint8_t, kPropertySetBytes>;

class TPage {
  public:
    // `store`, when given, loses the page variable (0x01 + name) when the page is freed.
    explicit TPage(std::string name = {}, TParamCollection* store = nullptr);
    ~TPage();
    TPage(const TPage&) = delete;
    TPage& operator=(const TPage&) = delete;

    enum class LoadResult {
        Ok,
        TooNew,  // version above the newest: the page stays empty
        TooOld,  // version below the oldest: the caller warns and ends the program
    };
    // Parses a stored page. A malformed page raises a VeskError; the page is then empty.
    LoadResult LoadFromBytes(const uint8_t* data, size_t size);
    LoadResult LoadFromBytes(const std::vector<uint8_t>& bytes) {
        return LoadFromBytes(bytes.data(), bytes.size());
    }
    // Stores the name and parses the page read from `source` (errors as LoadFromBytes; a
    // missing page raises the source's error).
    LoadResult Load(const std::string& name, IPageSource& source);
    // Writes the stored form of `version` (the property sets are written as they stand;
    // see UpdatePropertySets).
    void SaveToStream(Stream& s, int32_t version = kPageVersionMax) const;
    std::vector<uint8_t> SaveToBytes(int32_t version = kPageVersionMax) const;
    // Sets each command type's property set to the union of the properties its commands
    // carry, so that every carried property is written.
    void UpdatePropertySets();
    // Whether the property sets can be written in the stored record layout below (the
    // table's bits all fall inside the records, and the bytes past the table are all there).
    // When not, the writer uses the usual layout: 61 records of 21 bytes.
    bool PropertySetsFitLayout() const;
    // The number of record bytes the table does not hold in that layout.
    int64_t PropertySetRestSize() const;

    const std::string& GetName() const { return Name; }
    int32_t FindLabel(std::string_view name) const;
    int32_t IndexOf(const TCommand* cmd) const;
    int32_t Count() const { return int32_t(Commands.size()); }
    TCommand* At(int32_t i) const {
        return i >= 0 && i < Count() ? Commands[size_t(i)].get() : nullptr;
    }
    bool HasProp(uint8_t code, int index) const;
    void SetPropBit(uint8_t code, int index, bool on);

    std::string Name;
    int32_t Version = kPageVersionCreated;
    uint8_t ResultType = 1;
    std::array<TPropertySet, kCommandTypeCount> PropertySet{};
    // The property-set records as the page stores them: their count and size as written
    // (negative ones too, which read as none), and the bytes the table does not hold, in
    // file order: each record's bytes past the 21 the table keeps, then the records of type
    // codes past 60. Loading keeps them so that a page writes back as it was read.
    int32_t PropertySetCount = kCommandTypeCount;
    int32_t PropertySetSize = kPropertySetBytes;
    std::vector<uint8_t> PropertySetRest;
    std::vector<std::unique_ptr<TCommand>> Commands;

  private:
    TParamCollection* store_;
};

// Creates the command of a type code (already masked); raises "不正なコマンド" above 60.
std::unique_ptr<TCommand> CreateCommand(TPage* page, uint8_t code);

}  // namespace vesk
