#pragma once
// TVeskCustomListBox: a scrollable list of text items, one per line of PR_TEXT, each drawn
// as a label (a hover label for the item under the mouse or keyboard cursor), with check
// marks, a plain frame and background, a nine-piece picture frame whose pieces may animate,
// and a scroll bar of seven picture cells. The player hovers items with the mouse or the
// arrow keys and chooses one with a click: "@SelStr" and "@SelIndex" take it and the
// select page runs. TVeskMenu builds the selection menu on it.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "display/item_checks.h"
#include "display/vesk_control.h"
#include "display/vesk_image_list.h"
#include "text/tp_label.h"

namespace vesk {

class TFontPixelManager;

class TVeskCustomListBox : public TVeskControl, public IItemChecks {
  public:
    // What the held left button is doing.
    enum class Action : int32_t {
        None = -1,
        Thumb = 0,
        ArrowUp = 1,
        ArrowDown = 2,
        TrackUp = 3,
        TrackDown = 4,
        Items = 5,
    };
    // Auto-repeat of held arrows and track: the first repeat after this, then every…
    static constexpr int32_t kRepeatFirst = 300;
    static constexpr int32_t kRepeatNext = 50;

    TVeskCustomListBox(TVeskBaseList* owner, TFontPixelManager& fonts);
    ~TVeskCustomListBox() override;

    bool WantsDefaultName() const override { return true; }

    int32_t ItemCount() const { return int32_t(items_.size()); }
    const std::string& ItemText(int32_t i) const { return items_.at(size_t(i)); }
    int32_t Hovered() const { return hovered_; }
    int32_t TopIndex() const { return topIndex_; }
    int32_t RowCount() const { return rowCount_; }
    Action HeldAction() const { return action_; }
    // The larger of the normal and hover label heights.
    int32_t RowHeight();
    // More items than rows: the scroll bar is shown.
    bool NeedsScroll() const { return ItemCount() > rowCount_; }
    // The item at a layer point, -1 for none.
    int32_t ItemAt(int32_t x, int32_t y);
    // Lays the list out now when something changed.
    void LayoutIfDirty();

    // IItemChecks
    bool ItemChecked(int32_t i) const override;
    void SetItemChecked(int32_t i, bool on) override;

    void PaintSelf(TCustomDIBX& s) override;
    void LeftDown(int32_t x, int32_t y) override;
    void LeftUp(int32_t x, int32_t y) override;
    void MouseMove(int32_t x, int32_t y) override;
    void MouseOut(TVeskControl* next) override;
    // A wheel step scrolls a long list by one item.
    void WheelTurn(bool down) override;
    void KeyDown(const std::vector<int32_t>& keys) override;
    void KeyRepeat(const std::vector<int32_t>& keys) override;
    bool Step(int32_t elapsed) override;

    int32_t GetIntProp(int32_t index) override;
    void SetIntProp(int32_t index, int32_t value) override;
    std::string GetStrProp(int32_t index) override;
    void SetStrProp(int32_t index, const std::string& value) override;
    void SaveState(StreamWriter& w) override;
    void LoadState(StreamReader& r, int32_t version) override;

  protected:
    // Moves the hover (map-out and map-in pages, PR_INDEX back to -1).
    void SetHover(int32_t i);
    // Chooses the hovered item.
    void ChooseHovered();
    // A choice or cancel is running: input is ignored.
    virtual bool Busy() const { return false; }
    // After a choice (the menu closes itself when it scraps after a choice).
    virtual void Chosen() {}
    // Takes the size the layout computed (the menu keeps its rolling height).
    virtual void TakeLayoutSize(int32_t width, int32_t height);
    // Moves by one key press; true when the key was a navigation key.
    bool NavigateKey(int32_t key);
    // Whether the scroll bar and the narrowed centre cell are drawn (the menu: only while
    // it stands open).
    virtual bool ShowsScrollBar() const { return true; }
    // The colour of the bar behind the hovered row; -1 none.
    virtual int32_t HoverBarColor() const { return -1; }
    void MarkDirty();
    int32_t Phase() const { return phase_; }
    void SetPhase(int32_t p) { phase_ = p; }

  private:
    struct Piece {
        std::string Source;
        TVeskImageList List;
        uint8_t HAlign = 0, VAlign = 0;
    };
    struct Geometry;

    void SetText(const std::string& text);
    void SetTopIndex(int32_t v);
    // Loads one of the pictures (frame pieces, scroll bar, check) when the file exists.
    void LoadPicture(std::string& source, TVeskImageList& list, const std::string& name);
    void Layout();
    Geometry Measure();
    // Width and height of a list's first frame (0 without one).
    static int32_t PicWidth(TVeskImageList& l);
    static int32_t PicHeight(TVeskImageList& l);
    int32_t ScrollCellWidth();
    int32_t ScrollCellHeight();
    int32_t CheckCellWidth();
    int32_t ThumbTop();
    int32_t TrackLength();
    // The scroll-bar part at a layer point (ArrowUp … TrackDown, Thumb), or Items.
    Action ScrollPartAt(int32_t x, int32_t y);
    void RepeatStep(int32_t elapsed);
    // Lets the labels that left the view drop their surfaces.
    void ReleaseHiddenLabels();
    void PaintFrame(TCustomDIBX& s, const TRect& inner, const Geometry& g);
    void PaintScrollBar(TCustomDIBX& s, const TRect& inner, const Geometry& g);
    void AdvancePieces(int32_t elapsed);

    TFontPixelManager& fonts_;
    std::string text_;
    std::vector<std::string> items_;
    TTpLabelList normal_, hover_;
    std::vector<uint8_t> checks_;
    int32_t lineSpace_ = 0;
    int32_t alpha_ = 255;
    int32_t marginX_ = 0, marginY_ = 0;
    int32_t borderWidth_ = 0, borderColor_ = -1;
    int32_t rowCount_ = 1;
    int32_t topIndex_ = 0;
    uint8_t halign_ = 0;
    std::array<Piece, 9> pieces_;
    std::string scrollSource_, checkSource_;
    TVeskImageList scroll_, check_;
    int32_t index_ = -1;
    bool paused_ = false;
    int32_t hovered_ = -1;
    Action action_ = Action::None;
    int32_t dragOffset_ = 0;
    int32_t repeatCountdown_ = 0;
    bool arrowPressedLook_ = false, trackPressedLook_ = false;
    bool dirty_ = true;
    int32_t phase_ = 0;
    std::string selectPage_, mapInPage_, mapOutPage_, idlePage_;
};

}  // namespace vesk
