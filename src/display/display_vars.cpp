#include "display/display_vars.h"

#include "display/vesk_base_list.h"
#include "vars/param.h"
#include "vars/param_system.h"

namespace vesk {

namespace {

// 258 flags: the 256 key codes, then the wheel moving down and up this frame.
std::unique_ptr<TCustomParam> KeyArray(TVeskBaseList& root,
                                       bool (TVeskBaseList::*state)(int32_t) const) {
    auto p = MakeParam(PT_BOOL);
    p->SetDims({258});
    for (int32_t k = 0; k < 256; ++k) p->SetFlagAt(k, (root.*state)(k));
    const TMouseClicks& c = root.FrontLayer().Clicks();
    p->SetFlagAt(256, c.WheelDown);
    p->SetFlagAt(257, c.WheelUp);
    return p;
}

}  // namespace

std::unique_ptr<TCustomParam> ReadDisplayVar(TVeskBaseList& root, int id) {
    TVeskBase& front = root.FrontLayer();
    switch (id) {
        case SV_LCLICK:
            return FlagParam(front.Clicks().Left);
        case SV_RCLICK:
            return FlagParam(front.Clicks().Right);
        case SV_LPUSH:
            return FlagParam(front.LeftDownState());
        case SV_RPUSH:
            return FlagParam(front.RightDownState());
        case SV_MOUSEX:
            return IntParam(front.MouseX());
        case SV_MOUSEY:
            return IntParam(front.MouseY());
        case SV_SCRWIDTH:
            return IntParam(root.ScreenWidth());
        case SV_SCRHEIGHT:
            return IntParam(root.ScreenHeight());
        case SV_KEYPUSH:
            return KeyArray(root, &TVeskBaseList::KeyIsDown);
        case SV_KEYCLICK:
            return KeyArray(root, &TVeskBaseList::KeyPressedThisFrame);
        case SV_KEYREPEAT:
            return KeyArray(root, &TVeskBaseList::KeyRepeatedThisFrame);
        case SV_SOUNDON:
            return FlagParam(root.SoundOn());
        case SV_ACTIVECOMPO: {
            auto p = MakeParam(PT_STR);
            if (TVeskControl* f = root.Focused()) p->SetStr(f->Name());
            return p;
        }
        case SV_WHEELDOWN:
            return FlagParam(front.Clicks().WheelDown);
        case SV_WHEELUP:
            return FlagParam(front.Clicks().WheelUp);
        default:
            return nullptr;
    }
}

bool WriteDisplayVar(TVeskBaseList& root, int id, const TCustomParam& value) {
    TVeskBase& front = root.FrontLayer();
    switch (id) {
        case SV_LCLICK:
        case SV_RCLICK:
            front.SetClickSeen(id == SV_LCLICK, value.AsFlag());
            return true;
        case SV_MOUSEX:
            root.MouseMoveTo(value.AsInt(), front.MouseY());
            return true;
        case SV_MOUSEY:
            root.MouseMoveTo(front.MouseX(), value.AsInt());
            return true;
        case SV_SOUNDON:
            root.SetSoundOn(value.AsFlag());
            return true;
        case SV_ACTIVECOMPO: {
            auto* c = root.FindControl(value.AsStr());
            if (c && !c->IsLayer() && c->HandlesKeys() && !c->IsPaused()) root.SetFocus(c);
            return true;
        }
        case SV_LPUSH:
        case SV_RPUSH:
        case SV_SCRWIDTH:
        case SV_SCRHEIGHT:
        case SV_KEYPUSH:
        case SV_KEYCLICK:
        case SV_KEYREPEAT:
        case SV_WHEELDOWN:
        case SV_WHEELUP:
            return true;  // read-only
        default:
            return false;
    }
}

}  // namespace vesk
