#pragma once
// A message window's message data: references to the text it shows (see hist_data.h), and
// the layout of that text into the window's pages. A text insertion leaves one reference
// to a whole text; the history display leaves several pieces, which become one tall page.
#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "text/hist_data.h"
#include "text/tp_word.h"

namespace vesk {

class StreamReader;
class StreamWriter;
struct TTextServices;

// The first and last glyph of a laid-out page as stored-text positions counted from glyph
// `base` of the word's list (the glyphs VARs made are not counted); false for a page
// without glyphs of the stored text.
bool PageGlyphRange(TTpWord& word, const TWdPage& page, size_t base, int32_t& from, int32_t& to);
// The "NAME=value" lines of the VARs among stored-text positions from..to (to < 0: to the
// end) counted from `base`, with the values they were laid out with.
std::vector<std::string> VarValuesOf(TTpWord& word, size_t base, int32_t from, int32_t to);
// Moves the rows of `from` into `into`, each row `dy` pixels lower.
void MoveRows(TWdPage& from, TWdPage& into, int32_t dy);

// Stored texts of recently used pages: up to 4 pages, up to 16 texts each, most recent
// first; texts are read from the script pages once while they stay here.
class TMesDataCache {
  public:
    static constexpr size_t kPages = 4;
    static constexpr size_t kTexts = 16;
    // The stored text of a command, through `services` on a miss; null when there is none.
    std::shared_ptr<const std::string> Get(const TTextServices& services, const std::string& page,
                                           int32_t index);
    void Clear() { pages_.clear(); }

  private:
    struct Text {
        int32_t Index;
        std::shared_ptr<const std::string> Block;
    };
    struct Page {
        std::string Name;
        std::list<Text> Texts;
    };
    std::list<Page> pages_;
};

class TVeskNewMesData {
  public:
    explicit TVeskNewMesData(const TTextServices* services) : services_(services) {}

    TVeskHistData Data;        // the full-form pieces
    THistoryOldDataList Rows;  // the simple-form rows

    bool IsEmpty() const { return Data.Segs.empty() && Rows.empty(); }
    void Clear();
    // Replaces the content with a whole stored text (what a text insertion shows).
    void SetWholeText(const std::string& page, int32_t command);

    // Lays the text out into new pages appended to `pages` (word's glyphs are replaced).
    // One piece of height 0 is laid out normally, with paging; several pieces (the history
    // display) make one page, the first piece `insertOffset` pixels from its top; simple
    // rows likewise, each at its stored size, spaced by its stored height or (with
    // `insertMode`) by its text.
    void BuildPages(TTpWord& word, TWdPages& pages, uint8_t insertMode, int32_t insertOffset);

    // int32 n, n names, n commands, n page indices, n sizes, then (version ≥ 113) the pieces.
    void Save(StreamWriter& w) const;
    void Load(StreamReader& r, int32_t version);

  private:
    // Appends the stored text of a command to the word; false when there is none.
    bool LoadText(TTpWord& word, const std::string& page, int32_t index, size_t& first);

    const TTextServices* services_;
    TMesDataCache cache_;
};

}  // namespace vesk
