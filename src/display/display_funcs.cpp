#include "display/display_funcs.h"

#include <algorithm>

#include "base/cp932.h"
#include "base/text_trim.h"
#include "display/item_checks.h"
#include "display/vesk_base_list.h"
#include "display/vesk_prev_menu.h"
#include "gfx/quil_frame_list.h"
#include "gfx/quil_writer.h"
#include "vars/param.h"
#include "vars/sys_func_impl.h"

namespace vesk {

namespace {

void ListCompo(TVeskBaseList& root, SysFuncCall& c) {
    const int32_t kind = c.Has(1) ? c.Arg(1).AsInt() : 0;
    const bool anyKind = kind <= 0 || kind > LT_CABINET;
    TVeskObject* parent = nullptr;
    const bool anyParent = !c.Has(2);
    if (!anyParent) parent = root.FindComponent(c.Arg(2).AsStr());
    std::vector<std::string> names;
    if (anyParent || parent) {
        for (int32_t i = 0; i < root.ObjectCount(); ++i) {
            TVeskComponent* o = root.ObjectAt(i);
            if (o->IsScrapped() || (!anyKind && o->Kind() != kind)) continue;
            if (!anyParent && o->Parent() != parent) continue;
            names.push_back(o->Name());
        }
    }
    c.dest.SetInt(int32_t(names.size()));
    TCustomParam* out = BoundVariable(c.Arg(0));
    if (!out) return;
    auto list = MakeParam(PT_STR);
    list->SetDims({int32_t(names.empty() ? 1 : names.size())});
    for (size_t i = 0; i < names.size(); ++i) list->SetStrAt(int32_t(i), names[i]);
    out->CopyFrom(*list);
}

// GetEnabled, SetEnabled and the others on item a2 of a preview menu; setters take a3.
void PrevMenuItemState(TVeskPrevMenu& menu, SysFuncCall& c) {
    const int32_t item = menu.FindItem(c.Arg(1));
    const bool on = c.Has(2) && c.Arg(2).AsFlag();
    switch (c.index) {
        case SF_GETENABLED:
            c.dest.SetFlag(menu.ItemEnabled(item));
            return;
        case SF_GETVISIBLE:
            c.dest.SetFlag(menu.ItemVisible(item));
            return;
        case SF_GETSELECTED:
            c.dest.SetFlag(menu.ItemSelected(item));
            return;
        case SF_GETGROUPINDEX:
            c.dest.SetInt(menu.ItemGroup(item));
            return;
        case SF_SETENABLED:
            if (c.Has(2)) menu.SetItemEnabled(item, on);
            return;
        case SF_SETVISIBLE:
            if (c.Has(2)) menu.SetItemVisible(item, on);
            return;
        case SF_SETSELECTED:
            if (c.Has(2)) menu.SetItemSelected(item, on);
            return;
        default:
            return;
    }
}

// IndexOfMenu: the line of the object's item text equal to a2 (ASCII case folded).
int32_t IndexOfLine(std::string_view text, std::string_view line) {
    text = Trim(text);
    if (text.empty()) return -1;
    int32_t index = 0;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = start;
        while (end < text.size() && text[end] != '\r' && text[end] != '\n')
            end += CharLenAt(text, end);
        end = std::min(end, text.size());
        if (SameTextAscii(text.substr(start, end - start), line)) return index;
        if (end >= text.size()) break;
        if (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ++end;
        start = end + 1;
        ++index;
    }
    return -1;
}

}  // namespace

uint8_t TDisplayFuncs::PropertyType(int32_t index) {
    if (index >= 0 && index < kPropCount) return PropType(index);
    return next_ ? next_->PropertyType(index) : 0;
}

bool TDisplayFuncs::ExecFunc(SysFuncCall& c) {
    auto object = [&]() -> TVeskComponent* { return root_.FindComponent(c.Arg(0).AsStr()); };
    switch (c.index) {
        case SF_GETPROP: {
            TVeskComponent* o = object();
            if (!o) return true;
            auto v = o->GetProp(c.Arg(1).AsInt());
            c.dest.CopyFrom(*v);
            return true;
        }
        case SF_SETPROP:
            if (TVeskComponent* o = object()) o->SetProp(c.Arg(1).AsInt(), c.Arg(2));
            return true;
        case SF_EXISTS: {
            const std::string name = c.Arg(0).AsStr();
            c.dest.SetFlag(!name.empty() && root_.FindComponent(name) != nullptr);
            return true;
        }
        case SF_LISTCOMPO:
            ListCompo(root_, c);
            return true;
        case SF_TOCLIENTX:
        case SF_TOCLIENTY:
        case SF_TOSCREENX:
        case SF_TOSCREENY: {
            const bool vertical = c.index == SF_TOCLIENTY || c.index == SF_TOSCREENY;
            const bool toClient = c.index == SF_TOCLIENTX || c.index == SF_TOCLIENTY;
            int64_t v = c.Arg(1).AsInt();
            if (TVeskComponent* o = object()) {
                const int64_t origin = vertical ? o->ScreenTop() : o->ScreenLeft();
                v = toClient ? v - origin : v + origin;
            }
            c.dest.SetInt(int32_t(uint32_t(v)));  // wraps like the 32-bit arithmetic of scripts
            return true;
        }
        case SF_INPRIMARY: {
            auto* o = dynamic_cast<TVeskControl*>(object());
            c.dest.SetFlag(o && o->Layer() == &root_.FrontLayer() && !o->IsInCabinet());
            return true;
        }
        case SF_INCABINET: {
            TVeskComponent* o = object();
            c.dest.SetFlag(o && o->IsInCabinet());
            return true;
        }
        case SF_GETCHECK:
        case SF_SETCHECK: {
            // Check marks belong to the items of list boxes and menus; others read FALSE.
            auto* list = dynamic_cast<IItemChecks*>(object());
            if (!list) return true;
            const int32_t item = c.Arg(1).AsInt();
            if (c.index == SF_GETCHECK)
                c.dest.SetFlag(list->ItemChecked(item));
            else
                list->SetItemChecked(item, c.Arg(2).AsFlag());
            return true;
        }
        case SF_INDEXOFMENU: {
            TVeskComponent* o = object();
            c.dest.SetInt(o ? IndexOfLine(o->GetStrProp(PR_TEXT), c.Arg(1).AsStr()) : -1);
            return true;
        }
        case SF_GETENABLED:
        case SF_SETENABLED:
        case SF_GETVISIBLE:
        case SF_SETVISIBLE:
        case SF_GETGROUPINDEX:
        case SF_GETSELECTED:
        case SF_SETSELECTED: {
            // Only preview menus have item states; every other object answers FALSE or 0
            // (the result's initial value) and ignores writes.
            auto* menu = dynamic_cast<TVeskPrevMenu*>(object());
            if (menu && c.Has(1)) PrevMenuItemState(*menu, c);
            return true;
        }
        default:
            return next_ && next_->ExecFunc(c);
    }
}

std::vector<uint8_t> ScreenImage(TVeskBaseList& root, bool otherLayer, int32_t width,
                                 int32_t height) {
    TCustomDIBX& shown = root.TargetOf(otherLayer ? root.BackLayer() : root.FrontLayer());
    TQuilFrameList list;
    TQuilFrame& frame = list.AddFrame(width, height, 24);
    const TRect whole{0, 0, width, height};
    if (width == shown.Width() && height == shown.Height())
        frame.Picture().Draw(0, 0, shown.BoundsRect(), shown);
    else
        frame.Picture().StretchDraw(whole, shown.BoundsRect(), shown, 255);
    return TQuilWriter().Write(list);
}

}  // namespace vesk
