#pragma once
// TVeskPrevMenu (PrevMenuNew): a menu of pictures read from a preview menu file
// (PR_SOURCE). Each item is a child picture, TVeskPrevImages, at its place in the menu; the
// item under the mouse shows its hover picture and raises the map-in and map-out pages, a
// click on an enabled item is a choice ("@SelStr" and "@SelIndex" take its label and index,
// the select page runs, PR_TEXT keeps the label). Items have enabled, visible, group and
// selected states that scripts read and set through GetEnabled and the functions like it.
//
// The choosing here (hover, click, right-click cancel) is the preview menu's own; when the
// list-box base of the selection menus exists, its mouse and keyboard navigation takes over
// through HoverItem and ChooseItem.
#include <cstdint>
#include <string>
#include <vector>

#include "display/prev_menu_file.h"
#include "display/vesk_images.h"

namespace vesk {

class TVeskPrevMenu;
class TCustomParam;

// One item of a preview menu: its picture, and the pictures of its states.
class TVeskPrevImages final : public TVeskImages {
  public:
    TVeskPrevImages(TVeskBaseList* owner, TVeskPrevMenu* menu, int32_t index);

    // Items belong to their menu: they are not saved on their own and have no name.
    int32_t Kind() const override { return LT_NONE; }
    bool WantsDefaultName() const override { return false; }
    int32_t ItemIndex() const { return index_; }

    void LeftDown(int32_t x, int32_t y) override;
    void LeftUp(int32_t x, int32_t y) override;
    void MouseIn(TVeskControl* previous) override;
    void MouseOut(TVeskControl* next) override;

  private:
    TVeskPrevMenu* menu_;
    int32_t index_;
};

class TVeskPrevMenu final : public TVeskControl {
  public:
    struct TItemState {
        TPrevMenuItem Item;
        bool Enabled = true, Visible = true, Selected = false;
    };

    explicit TVeskPrevMenu(TVeskBaseList* owner);
    ~TVeskPrevMenu() override;

    int32_t Kind() const override { return LT_PREVMENU; }
    bool WantsDefaultName() const override { return true; }
    bool IsDisabled() const override { return closing_; }

    int32_t ItemCount() const { return int32_t(items_.size()); }
    const TItemState& Item(int32_t i) const { return items_[size_t(i)]; }
    TVeskPrevImages* ItemObject(int32_t i) const { return objects_[size_t(i)]; }
    // The item a script names: a number, or text holding a decimal index or an item's
    // label; -1 for none.
    int32_t FindItem(const TCustomParam& which) const;
    int32_t HoverItem() const { return hover_; }

    // Item states (GetEnabled and the like); out-of-range items read false and ignore
    // writes.
    bool ItemEnabled(int32_t i) const;
    bool ItemVisible(int32_t i) const;
    bool ItemSelected(int32_t i) const;
    int32_t ItemGroup(int32_t i) const;
    void SetItemEnabled(int32_t i, bool on);
    void SetItemVisible(int32_t i, bool on);
    // Selecting an item of a group (group index not 0) clears the others of the group.
    void SetItemSelected(int32_t i, bool on);

    // The choosing: the mouse entered an item (-1: left the items), an item was clicked,
    // an item is held down.
    void HoverItem(int32_t i);
    void ChooseItem(int32_t i);
    void PressItem(int32_t i, bool down);

    bool Step(int32_t elapsed) override;
    bool SwallowRightClick() override;

    int32_t GetIntProp(int32_t index) override;
    void SetIntProp(int32_t index, int32_t value) override;
    std::string GetStrProp(int32_t index) override;
    void SetStrProp(int32_t index, const std::string& value) override;
    void SaveState(StreamWriter& w) override;
    void LoadState(StreamReader& r, int32_t version) override;

  private:
    // Reads the menu file and makes the items; raises on a damaged file (the menu is then
    // empty).
    void SetSource(const std::string& name);
    void ClearItems();
    // A file name of the menu file, relative to the file's folder.
    std::string Resolve(const std::string& name) const;
    // Shows the picture of an item's current state.
    void ShowItem(int32_t i);

    std::string source_;
    std::vector<TItemState> items_;
    std::vector<TVeskPrevImages*> objects_;
    bool paused_ = false;
    bool autoScrap_ = false;
    bool rclickScrap_ = false;
    std::string text_;
    std::string playEndPage_, selectPage_, mapInPage_, mapOutPage_, idlePage_;
    int32_t hover_ = -1;
    int32_t pressed_ = -1;
    bool closing_ = false;
    bool playEndSent_ = false;
};

}  // namespace vesk
