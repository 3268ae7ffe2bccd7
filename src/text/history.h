#pragma once
// The message histories: named formats, each with its layout settings and its list of
// entries. A message window registers each page it shows (the pending record) and the
// history commits it when the window moves on: laid out again at the format's size, the
// page's pieces join the last entry while they fit into the format's page height, else
// start a new one. A format without a page width keeps the simple form: one entry per
// shown page, with the window's size. CallHist shows a band of the history in a window.
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "text/hist_data.h"
#include "text/mes_data.h"
#include "text/tp_word.h"

namespace vesk {

class StreamReader;
class StreamWriter;
class TVeskMes;
struct TTextServices;

class TVeskNewHistory {
  public:
    explicit TVeskNewHistory(const TTextServices& services);

    // Re-lays text at the format's settings (a page width makes the full form).
    TTpWord Word;
    std::deque<TVeskHistData> Entries;
    THistoryOldDataList OldEntries;
    // 0: unlimited.
    int32_t MaxEntries = 0;

    bool FullForm() const { return Word.PageWidth != 0; }
    int32_t EntryCount() const;
    // Pixels of all entries in the full form, the entry count in the simple form: the unit
    // of CallHist's start and count.
    int32_t TotalSize() const;
    // Entries, simple entries, the pending record and the command cache.
    void Clear();
    // Drops the oldest entries beyond MaxEntries.
    void Trim();

    // The pending record (empty page: nothing pending).
    std::string PendingPage;
    int32_t PendingCommand = 0, PendingPageIndex = 0, PendingFrom = 0, PendingTo = -1;
    std::string PendingWindow, PendingVarValues;
    int32_t PendingWidth = 0, PendingHeight = 0;

    void Commit(const std::string& window);
    // Shows the history's band [start, start + count) in the window.
    void Show(int32_t start, int32_t count, TVeskMes& window);

    void Save(StreamWriter& w) const;
    void Load(StreamReader& r, int32_t version);

  private:
    void CommitFull();
    TMesDataCache texts_;
    const TTextServices* services_;
};

struct TVeskHistoryFormat {
    explicit TVeskHistoryFormat(const TTextServices& services, std::string name = {})
        : Name(std::move(name)), History(services) {}
    std::string Name;
    int32_t FontSize = 0, Border = 0, Shadow = 0, PageWidth = 0, PageHeight = 0, LineSpace = 0;
    TVeskNewHistory History;

    void ResetSettings() { FontSize = Border = Shadow = PageWidth = PageHeight = LineSpace = 0; }
    // Gives the history's word the format's six settings.
    void ApplySettings();
};

class TVeskHistoryFormatManager {
  public:
    // `services` must outlive the manager; it starts with the default format (no name).
    explicit TVeskHistoryFormatManager(const TTextServices& services);

    // The format of that name (exact comparison), made when missing.
    TVeskHistoryFormat& Get(const std::string& name);
    TVeskHistoryFormat* Find(const std::string& name);
    TVeskHistoryFormat& Default() { return *formats_.front(); }
    size_t Count() const { return formats_.size(); }
    TVeskHistoryFormat& At(size_t i) { return *formats_[i]; }
    // Clears every format's history (ClrHist, Reset).
    void ClearAll();

    // A window shows a page: every format holds it pending.
    void RegisterPage(const std::string& window, const std::string& key,
                      const std::string& varValues, int32_t pageIndex, int32_t from, int32_t to,
                      int32_t command, int32_t width, int32_t height);
    void Commit(const std::string& window);

    // int32 count, then per format: name, six settings, its history.
    void Save(StreamWriter& w) const;
    // Replaces every format. Before version 135 only the default history is stored.
    void Load(StreamReader& r, int32_t version);

  private:
    const TTextServices& services_;
    std::vector<std::unique_ptr<TVeskHistoryFormat>> formats_;
};

}  // namespace vesk
