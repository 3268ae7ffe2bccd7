#include "display/vesk_prev_menu.h"

#include <algorithm>
#include <string_view>

#include "base/cp932.h"
#include "base/error.h"
#include "base/stream.h"
#include "display/quil_collection.h"
#include "display/vesk_base_list.h"
#include "vars/param.h"

namespace vesk {

namespace {

bool IsLayeredImage(const std::string& name) {
    return name.size() >= 4 && LowerAscii(name.substr(name.size() - 4)) == ".qil";
}

// A decimal index, with nothing else around it.
bool DecimalIndex(std::string_view text, int32_t& out) {
    if (text.empty() || text.size() > 9) return false;
    int32_t v = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        v = v * 10 + (text[i] - '0');
    }
    out = v;
    return true;
}

}  // namespace

// ---- TVeskPrevImages

TVeskPrevImages::TVeskPrevImages(TVeskBaseList* owner, TVeskPrevMenu* menu, int32_t index)
    : TVeskImages(owner), menu_(menu), index_(index) {}

void TVeskPrevImages::LeftDown(int32_t x, int32_t y) {
    TVeskImages::LeftDown(x, y);
    if (menu_) {
        menu_->PressItem(index_, true);
        menu_->ChooseItem(index_);
    }
}

void TVeskPrevImages::LeftUp(int32_t x, int32_t y) {
    TVeskImages::LeftUp(x, y);
    if (menu_) menu_->PressItem(index_, false);
}

void TVeskPrevImages::MouseIn(TVeskControl* previous) {
    TVeskImages::MouseIn(previous);
    if (menu_) menu_->HoverItem(index_);
}

void TVeskPrevImages::MouseOut(TVeskControl* next) {
    TVeskImages::MouseOut(next);
    // Moving onto another item of the menu is that item's entering.
    auto* other = dynamic_cast<TVeskPrevImages*>(next);
    if (menu_ && !(other && other->menu_ == menu_)) menu_->HoverItem(-1);
}

// ---- TVeskPrevMenu

TVeskPrevMenu::TVeskPrevMenu(TVeskBaseList* owner) : TVeskControl(owner) {
    if (owner) owner->AddRightClickHandler(this);
}

TVeskPrevMenu::~TVeskPrevMenu() = default;

std::string TVeskPrevMenu::Resolve(const std::string& name) const {
    if (name.empty()) return {};
    // The folder is everything up to the last backslash that is not a trail byte.
    size_t folderEnd = 0;
    for (size_t i = 0; i < source_.size(); i += CharLenAt(source_, i))
        if (source_[i] == '\\') folderEnd = i + 1;
    return source_.substr(0, folderEnd) + name;
}

void TVeskPrevMenu::ClearItems() {
    for (TVeskPrevImages* o : objects_) o->Scrap();
    objects_.clear();
    items_.clear();
    hover_ = pressed_ = -1;
    playEndSent_ = false;
}

void TVeskPrevMenu::SetSource(const std::string& name) {
    if (name == source_) return;
    Invalidate();
    ClearItems();
    source_ = name;
    TVeskBaseList* root = Owner();
    if (name.empty() || !root) return;
    const TPrevMenuFile menu = ReadPrevMenuFile(root->ReadFile(name));
    SetBounds(left_, top_, menu.Width, menu.Height);
    TQuilCollection* cache = root->Images();
    for (const TPrevMenuItem& item : menu.Items) {
        TItemState st;
        st.Item = item;
        st.Enabled = item.Enabled != 0;
        st.Visible = item.Hidden == 0;
        st.Selected = item.Selected != 0;
        items_.push_back(std::move(st));
        // Every picture of the item is loaded ahead of use.
        if (cache)
            for (const std::string* f : item.FileNames())
                if (IsLayeredImage(*f)) cache->Keep(Resolve(*f));
        const int32_t index = int32_t(objects_.size());
        auto* obj = static_cast<TVeskPrevImages*>(
            root->Adopt(std::make_unique<TVeskPrevImages>(root, this, index)));
        TakeChild(obj);
        obj->SetBounds(item.X, item.Y, 0, 0);
        objects_.push_back(obj);
        ShowItem(index);
    }
}

void TVeskPrevMenu::ShowItem(int32_t i) {
    if (i < 0 || i >= ItemCount()) return;
    const TItemState& st = items_[size_t(i)];
    const TPrevMenuItem& it = st.Item;
    const std::string* pic = &it.Picture;
    if (!st.Enabled && !it.DisabledPicture.empty())
        pic = &it.DisabledPicture;
    else if (pressed_ == i && !it.PressedPicture.empty())
        pic = &it.PressedPicture;
    else if (hover_ == i && !it.HoverPicture.empty())
        pic = &it.HoverPicture;
    else if (st.Selected && !it.SelectedPicture.empty())
        pic = &it.SelectedPicture;
    TVeskPrevImages* obj = objects_[size_t(i)];
    obj->SetSource(Resolve(*pic));
    obj->SetVisible(st.Visible);
}

int32_t TVeskPrevMenu::FindItem(const TCustomParam& which) const {
    int32_t index = -1;
    if (which.ParamType() == PT_INT || which.ParamType() == PT_FLOAT) {
        index = which.AsInt();
    } else {
        const std::string text = which.AsStr();
        if (!DecimalIndex(text, index)) {
            index = -1;
            for (size_t i = 0; i < items_.size(); ++i)
                if (items_[i].Item.Label == text) {
                    index = int32_t(i);
                    break;
                }
        }
    }
    return index >= 0 && index < ItemCount() ? index : -1;
}

bool TVeskPrevMenu::ItemEnabled(int32_t i) const {
    return i >= 0 && i < ItemCount() && items_[size_t(i)].Enabled;
}
bool TVeskPrevMenu::ItemVisible(int32_t i) const {
    return i >= 0 && i < ItemCount() && items_[size_t(i)].Visible;
}
bool TVeskPrevMenu::ItemSelected(int32_t i) const {
    return i >= 0 && i < ItemCount() && items_[size_t(i)].Selected;
}
int32_t TVeskPrevMenu::ItemGroup(int32_t i) const {
    return i >= 0 && i < ItemCount() ? items_[size_t(i)].Item.GroupIndex : 0;
}

void TVeskPrevMenu::SetItemEnabled(int32_t i, bool on) {
    if (i < 0 || i >= ItemCount()) return;
    items_[size_t(i)].Enabled = on;
    ShowItem(i);
}

void TVeskPrevMenu::SetItemVisible(int32_t i, bool on) {
    if (i < 0 || i >= ItemCount()) return;
    items_[size_t(i)].Visible = on;
    if (!on && hover_ == i) HoverItem(-1);
    ShowItem(i);
}

void TVeskPrevMenu::SetItemSelected(int32_t i, bool on) {
    if (i < 0 || i >= ItemCount()) return;
    const int32_t group = items_[size_t(i)].Item.GroupIndex;
    if (on && group != 0)
        for (int32_t k = 0; k < ItemCount(); ++k)
            if (k != i && items_[size_t(k)].Item.GroupIndex == group &&
                items_[size_t(k)].Selected) {
                items_[size_t(k)].Selected = false;
                ShowItem(k);
            }
    items_[size_t(i)].Selected = on;
    ShowItem(i);
}

void TVeskPrevMenu::HoverItem(int32_t i) {
    if (i >= ItemCount() || (i >= 0 && !items_[size_t(i)].Visible)) i = -1;
    if (closing_ || i == hover_) return;
    const int32_t old = hover_;
    if (old >= 0) QueueEvent(PR_ONMAPOUT, {items_[size_t(old)].Item.Label, std::to_string(old)});
    hover_ = i;
    if (i >= 0) QueueEvent(PR_ONMAPIN, {items_[size_t(i)].Item.Label, std::to_string(i)});
    ShowItem(old);
    ShowItem(i);
}

void TVeskPrevMenu::PressItem(int32_t i, bool down) {
    const int32_t old = pressed_;
    pressed_ = down ? i : -1;
    if (old != pressed_) {
        ShowItem(old);
        ShowItem(pressed_);
    }
}

void TVeskPrevMenu::ChooseItem(int32_t i) {
    if (closing_ || paused_ || !ItemEnabled(i) || !ItemVisible(i) || !Owner()) return;
    TItemState& st = items_[size_t(i)];
    // Grouped items choose one of their group; the others toggle.
    SetItemSelected(i, st.Item.GroupIndex != 0 ? true : !st.Selected);
    text_ = st.Item.Label;
    Owner()->SetSelection(st.Item.Label, i);
    QueueEvent(PR_ONSELECT, {st.Item.Label, std::to_string(i)});
    if (autoScrap_) closing_ = true;
}

bool TVeskPrevMenu::SwallowRightClick() {
    if (closing_) return false;
    // A cancel: the choice variables stay as they were.
    HoverItem(-1);
    closing_ = true;
    return true;
}

bool TVeskPrevMenu::Step(int32_t elapsed) {
    if (closing_ && Owner() && !Owner()->Events().Find(Id(), PR_ONSELECT)) return true;
    // Items that are films: the play-end page runs once when all of them have ended.
    if (!playEndSent_) {
        bool films = false, playing = false;
        for (TVeskPrevImages* o : objects_)
            if (TVeskMotion* m = o->ActiveMotion()) {
                films = true;
                playing = playing || !m->Finished();
            }
        if (films && !playing) {
            playEndSent_ = true;
            QueueEvent(PR_ONPLAYEND);
        }
    }
    return TVeskControl::Step(elapsed);
}

int32_t TVeskPrevMenu::GetIntProp(int32_t index) {
    switch (index) {
        case PR_PAUSED:
            return paused_;
        case PR_COUNT:
            return ItemCount();
        case PR_AUTOSCRAP:
            return autoScrap_;
        case PR_RCLICKSCRAP:
            return rclickScrap_;
        default:
            return TVeskControl::GetIntProp(index);
    }
}

void TVeskPrevMenu::SetIntProp(int32_t index, int32_t value) {
    switch (index) {
        case PR_PAUSED:
            paused_ = value != 0;
            return;
        case PR_AUTOSCRAP:
            autoScrap_ = value != 0;
            return;
        case PR_RCLICKSCRAP:
            rclickScrap_ = value != 0;
            return;
        case PR_COUNT:
            return;
        default:
            TVeskControl::SetIntProp(index, value);
    }
}

std::string TVeskPrevMenu::GetStrProp(int32_t index) {
    switch (index) {
        case PR_SOURCE:
            return source_;
        case PR_TEXT:
            return text_;
        case PR_ONPLAYEND:
            return playEndPage_;
        case PR_ONSELECT:
            return selectPage_;
        case PR_ONMAPIN:
            return mapInPage_;
        case PR_ONMAPOUT:
            return mapOutPage_;
        case PR_ONIDLE:
            return idlePage_;
        default:
            return TVeskControl::GetStrProp(index);
    }
}

void TVeskPrevMenu::SetStrProp(int32_t index, const std::string& value) {
    switch (index) {
        case PR_SOURCE:
            return SetSource(value);
        case PR_TEXT:
            text_ = value;
            return;
        case PR_ONPLAYEND:
            playEndPage_ = value;
            return;
        case PR_ONSELECT:
            selectPage_ = value;
            return;
        case PR_ONMAPIN:
            mapInPage_ = value;
            return;
        case PR_ONMAPOUT:
            mapOutPage_ = value;
            return;
        case PR_ONIDLE:
            idlePage_ = value;
            return;
        default:
            TVeskControl::SetStrProp(index, value);
    }
}

void TVeskPrevMenu::SaveState(StreamWriter& w) {
    TVeskControl::SaveState(w);
    w.Str(source_);
    w.Flag(paused_);
    w.Flag(autoScrap_);
    w.Flag(rclickScrap_);
    w.Str(text_);
    for (const std::string* page :
         {&playEndPage_, &selectPage_, &mapInPage_, &mapOutPage_, &idlePage_})
        w.Str(*page);
    w.Flag(closing_);
    w.I32(ItemCount());
    for (const TItemState& st : items_) {
        w.Flag(st.Enabled);
        w.Flag(st.Visible);
        w.Flag(st.Selected);
    }
}

void TVeskPrevMenu::LoadState(StreamReader& r, int32_t version) {
    TVeskControl::LoadState(r, version);
    const std::string source = r.Str("preview menu source");
    paused_ = r.Flag("paused");
    autoScrap_ = r.Flag("auto scrap");
    rclickScrap_ = r.Flag("right-click scrap");
    text_ = r.Str("menu text");
    for (std::string* page : {&playEndPage_, &selectPage_, &mapInPage_, &mapOutPage_, &idlePage_})
        *page = r.Str("menu page");
    closing_ = r.Flag("closing");
    const int32_t count = r.I32("menu item count");
    if (count < 0) Fail("negative item count in a saved preview menu");
    r.CheckCount(count, 3, "menu items");
    std::vector<TItemState> saved(static_cast<size_t>(count));
    for (TItemState& st : saved) {
        st.Enabled = r.Flag("item enabled");
        st.Visible = r.Flag("item visible");
        st.Selected = r.Flag("item selected");
    }
    source_.clear();
    try {
        SetSource(source);
    } catch (const VeskError&) {
        ClearItems();  // a menu file that went bad since the save leaves the menu empty
    }
    // The states come back when the file still has the items they belong to.
    if (saved.size() != items_.size()) return;
    for (size_t i = 0; i < saved.size(); ++i) {
        items_[i].Enabled = saved[i].Enabled;
        items_[i].Visible = saved[i].Visible;
        items_[i].Selected = saved[i].Selected;
        ShowItem(int32_t(i));
    }
}

}  // namespace vesk
