#pragma once
// The style of a run of characters, and the pool that shares equal styles between glyphs.
#include <compare>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace vesk {

// Style flag bits.
enum : uint8_t {
    dfBold = 0x01,
    dfItalic = 0x02,
    dfUnderline = 0x04,
    dfStrikeOut = 0x08,
};

// A value of -1 (0 for Size, empty for FontName) means "use the text owner's default".
// The link target and the wait are kept on each glyph, as the stored form keeps them.
struct TDecorate {
    int32_t Size = 0;
    int32_t Color = -1;
    int32_t BorderColor = -1;
    int32_t ShadowColor = -1;
    uint8_t Flags = 0;
    std::string FontName;
    bool NoBreak = false;
    std::string Ruby;
    int32_t BorderWidth = -1;
    int32_t ShadowWidth = -1;

    auto operator<=>(const TDecorate&) const = default;
    bool operator==(const TDecorate&) const = default;
};

// The shared style pool. Styles are addressed by index and never move; each entry counts
// the glyphs that use it.
class TDecorateList {
  public:
    struct Entry {
        TDecorate Style;
        int32_t RefCount = 0;
    };

    // Finds the equal style (or adds it) and counts one more user; returns its index.
    int32_t Add(const TDecorate& style);
    // Appends a style as it was stored, without looking for an equal one. (By value: the
    // style may be one of this pool's own.)
    int32_t Append(TDecorate style, int32_t refCount);
    // Drops one user of a style.
    void Release(int32_t index);
    void Clear();

    int32_t Count() const { return static_cast<int32_t>(entries_.size()); }
    bool Valid(int32_t index) const { return index >= 0 && index < Count(); }
    const TDecorate& operator[](int32_t index) const { return entries_.at(size_t(index)).Style; }
    int32_t RefCount(int32_t index) const { return entries_.at(size_t(index)).RefCount; }

  private:
    std::vector<Entry> entries_;
    std::map<TDecorate, int32_t> index_;
};

}  // namespace vesk
