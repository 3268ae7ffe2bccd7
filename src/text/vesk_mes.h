#pragma once
// The message window (MesNew, object kind 13): story text laid out into pages and revealed
// glyph by glyph. Scripts fill it (TextIns, PR_TEXT), turn its pages (PR_INDEX) and clear it
// (TextClr); it reports through its events: a page starting (PR_ONPLAYSTART, "1" when the
// reader has seen it before), characters revealed (PR_ONPLAYING), EVENT tags
// (PR_ONNOTIFY), a page complete (PR_ONPLAYEND) and link clicks (PR_ONLINK). What the
// reader sees goes to the read list and the message histories.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "display/vesk_control.h"
#include "text/mes_data.h"
#include "text/tp_word.h"

namespace vesk {

struct TTextServices;

// Where the window's text came from, for the read list and the history.
enum : uint8_t {
    RR_NONE = 0,     // set whole (PR_TEXT) or untracked insertion
    RR_TRACK = 1,    // a text insertion that asked for read tracking
    RR_HISTORY = 2,  // the history shown again
};

class TVeskMes final : public TVeskControl {
  public:
    // `services` may be null (nothing is laid out then); it must outlive the window.
    TVeskMes(TVeskBaseList* owner, const TTextServices* services);
    ~TVeskMes() override;

    int32_t Kind() const override { return LT_MES; }
    bool WantsDefaultName() const override { return true; }

    // ---- text
    // Lays out a whole text at once (PR_TEXT); the history commits this window's page.
    void SetText(const std::string& text);
    // Rebuilds the pages from the message data (text insertion, the history display); with
    // `fireStart` the first page starts (its start event).
    void InsertFromData(bool fireStart);
    // Text insertion: shows the text stored in the command at `index` of script page
    // `page` from its first page; with `track` the pages shown go to the read list and the
    // histories under that page and index.
    void InsertCommandText(const std::string& page, int32_t index, bool track);
    // Makes page n current (ignored when out of range or already current).
    void SetPageIndex(int32_t n);
    int32_t PageIndex() const { return pageIndex_; }
    int32_t PageCount() const { return int32_t(pages_.size()); }
    void SetScrollY(int32_t y);
    int32_t ScrollY() const { return scrollY_; }
    // A page is current and it is not the last or is still being revealed.
    bool IsBusy() const;
    // 2 without a current page or when it is not running, else 0.
    int32_t PlayState() const;
    // The characters of the current page.
    std::string PageText() const;

    TVeskNewMesData& MesData() { return mesData_; }
    TTpWord& Word() { return *word_; }
    TWdPage* CurrentPage() const;

    // Text insertion's bookkeeping (see RR_…).
    uint8_t RecordRead = RR_NONE;
    std::string MessageKey;
    int32_t CommandIndex = 0;
    // How the message data lays out: the simple history's spacing, and the offset of the
    // first piece of the history display.
    uint8_t InsertMode = 0;
    int32_t InsertPos = 0;

    // ---- control
    void PaintSelf(TCustomDIBX& s) override;
    TVeskControl* HitTest(int32_t x, int32_t y, uint8_t mask) override;
    void MouseMove(int32_t x, int32_t y) override;
    void MouseOut(TVeskControl* next) override;
    void LeftUp(int32_t x, int32_t y) override;
    bool Step(int32_t elapsed) override;
    // One frame of revelation.
    void Tick(int32_t elapsed);

    int32_t GetIntProp(int32_t index) override;
    void SetIntProp(int32_t index, int32_t value) override;
    std::string GetStrProp(int32_t index) override;
    void SetStrProp(int32_t index, const std::string& value) override;
    void SaveState(StreamWriter& w) override;
    void LoadState(StreamReader& r, int32_t version) override;
    // After a load, once the script pages and variables are back: lays the text out again
    // and restores the page, its scroll and how far each page was revealed.
    void RestoreAfterLoad() override;

  private:
    void StartPage();
    // Sets a drawing setting of the word and redraws.
    template <class F>
    void Forward(F&& set);
    void UpdatePageSize();
    // The history commits what this window registered.
    void CommitHistory();
    // Registers the current page with the history and the read list.
    void RecordPage();
    // Marks what changed on the current page (page coordinates) on the layer.
    void InvalidatePage();
    void ClearHover();
    void SetPaused(bool flag, bool text);
    // The current page's point under layer point (x, y).
    int32_t PageX(int32_t x) { return x - ScreenLeft() - marginX_; }
    int32_t PageY(int32_t y) { return y - ScreenTop() - marginY_ + scrollY_; }

    const TTextServices* services_;
    std::unique_ptr<TTpWord> word_;
    TWdPages pages_;
    int32_t pageIndex_ = -1;
    int32_t scrollY_ = 0;
    std::string text_;
    TVeskNewMesData mesData_;
    std::string onPlayStart_, onPlaying_, onPlayEnd_, onNotify_, onLink_, onIdle_;
    // Kept and saved with the window; nothing reads them.
    std::array<std::string, 3> spare_;
    int32_t spareInt_ = 0;
    bool pausedFlag_ = false, textPaused_ = false;
    int32_t textDelay_ = 256;
    bool captureLink_ = false;
    bool needsDraw_ = false, fullDraw_ = false;
    int32_t skipTicks_ = 0;
    // The current page's end event has been raised.
    bool endSeen_ = false;
    int32_t marginX_ = 0, marginY_ = 0;
    // From a load until RestoreAfterLoad: how far each page was revealed.
    std::vector<uint8_t> savedReveal_;
    int32_t savedPageIndex_ = -1;
};

}  // namespace vesk
