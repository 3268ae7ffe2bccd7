#pragma once
// The message history does not keep text: it keeps references to it (a page file, the
// position of the text-insertion command in that page, a glyph range and the values the
// page's VARs had) and lays the text out again from the script pages when it is shown. The
// same references are a message window's message data.
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace vesk {

class StreamReader;
class StreamWriter;

// One piece of text: glyphs CharFrom..CharTo (CharTo −1: to the end) of the text stored in
// the text-insertion command at CommandIndex of page PageName. Glyph positions count the
// glyphs of the stored text (what VARs produce is not counted).
struct TVeskHistSeg {
    std::string PageName;
    int32_t CommandIndex = 0;
    int32_t CharFrom = 0;
    int32_t CharTo = -1;
    // Pixels the piece takes when laid out in its history format.
    int32_t Height = 0;
    // "NAME=value" lines (CR LF between them) fixing the VARs' values.
    std::string VarValues;
};

// One history entry (one screen of backlog), or a window's current message data.
struct TVeskHistData {
    std::vector<TVeskHistSeg> Segs;
    int32_t TotalHeight = 0;

    // Page names are written once for a run of pieces from the same page (empty after it);
    // a reader takes the nearest name before. Var values exist from save version 124.
    void Save(StreamWriter& w) const;
    void Load(StreamReader& r, int32_t version);
};

// An entry of the simple history form: which page of which text was shown, and the size of
// the window it was shown in.
struct THistoryOldData {
    std::string PageName;
    int32_t CommandIndex = 0;
    int32_t PageIndex = 0;
    int32_t Width = 0;
    int32_t Height = 0;
};

// Names held in memory are always whole, so removing an entry never leaves the next one
// without its name; the saved form leaves a name out when it equals the previous one.
using THistoryOldDataList = std::deque<THistoryOldData>;

// The simple rows as a history stores them (one record per row).
void SaveOldRows(StreamWriter& w, const THistoryOldDataList& rows);
void LoadOldRows(StreamReader& r, THistoryOldDataList& rows);
// The simple rows as columns (all names, then commands, page indices, sizes): the message
// data of a window, and histories of save versions before 113.
void SaveOldColumns(StreamWriter& w, const THistoryOldDataList& rows);
void LoadOldColumns(StreamReader& r, THistoryOldDataList& rows);

// VarValues lines joined by CR LF and split again.
std::string JoinVarLines(const std::vector<std::string>& lines);
std::vector<std::string> SplitVarLines(const std::string& text);

}  // namespace vesk
