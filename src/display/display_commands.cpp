// The object commands the display root carries out for the interpreter: creating boxes from
// their property lists, deleting objects, and moving objects into and out of cabinets.
#include "display/vesk_base_list.h"
#include "display/vesk_box.h"
#include "script/call_man.h"
#include "script/commands.h"
#include "vars/param.h"

namespace vesk {

namespace {

// What a property is set to when its expression yields nothing.
void SetEmptyProp(TVeskObject& o, int32_t index) {
    switch (PropAccessOf(index)) {
        case PropAccess::Str:
            o.SetStrProp(index, {});
            return;
        case PropAccess::Float:
            o.SetFloatProp(index, 0);
            return;
        case PropAccess::Int:
            break;
    }
    int32_t v = 0;
    switch (index) {
        case PR_ZOOMX:
        case PR_ZOOMY:
        case PR_TEXTDELAY:
            v = 256;
            break;
        case PR_COLOR:
        case PR_BORDERCOLOR:
        case PR_HOVERCOLOR:
            v = -1;
            break;
        case PR_ALPHA:
            v = 255;
            break;
        case PR_FONTHEIGHT:
            v = 16;
            break;
        case PR_VOLUME:
            v = 1000;
            break;
        case PR_WAVELEN:
            v = 100;
            break;
        case PR_COLCOUNT:
        case PR_ROWCOUNT:
        case PR_AMP:
        case PR_SMALLCHANGE:
        case PR_LARGECHANGE:
        case PR_GLYPHWIDTH:
        case PR_GLYPHHEIGHT:
        case PR_VISIBLE:
        case PR_OVERLAY:
            v = 1;
            break;
        default:
            break;
    }
    o.SetIntProp(index, v);
}

// The picture a flip shows over the screen while it moves objects between the layers.
class TScreenSnapshot final : public TVeskControl {
  public:
    using TVeskControl::TVeskControl;
    int32_t Kind() const override { return LT_IMAGES; }
    void Take(TDIBX& screen) {
        picture_.SetSize(screen.Width(), screen.Height(), screen.BitCount());
        picture_.Draw(0, 0, screen.BoundsRect(), screen);
        SetBounds(0, 0, screen.Width(), screen.Height());
    }
    TCustomDIBX* Picture() override { return &picture_; }
    void PaintSelf(TCustomDIBX& s) override {
        s.Draw(ScreenLeft(), ScreenTop(), picture_.BoundsRect(), picture_);
    }

  private:
    TDIBX picture_;
};

}  // namespace

void TVeskBaseList::ApplyCommandProps(TCommand& cmd, TCallMan& cm, TVeskControl& obj) {
    auto* comp = dynamic_cast<TComComponent*>(&cmd);
    if (!comp) return;
    comp->ApplyProps(cm, [&](int index, const TCustomParam* value) {
        switch (index) {
            case PR_NAME:
                if (value && !value->AsStr().empty()) obj.SetName(value->AsStr());
                return;
            case PR_PARENT: {
                TVeskControl* p = value ? FindControl(value->AsStr()) : nullptr;
                obj.SetParent(p ? p : &FrontLayer());
                return;
            }
            case PR_APPEARX:
            case PR_APPEARY:
                return;  // the particle emitter's expressions, not values
            default:
                if (value)
                    obj.SetProp(index, *value);
                else
                    SetEmptyProp(obj, index);
        }
    });
}

void TVeskBaseList::ExecuteCommand(TCommand& cmd, TCallMan& cm, TPage*& /*page*/, int32_t& pc) {
    if (cmd.GetType() == CC_FLIP) {
        if (auto* flip = dynamic_cast<TComFlip*>(&cmd); !flip || ExecuteFlip(*flip, cm)) ++pc;
        return;
    }
    ++pc;
    switch (cmd.GetType()) {
        case CC_BOXNEW: {
            auto* box = Create<TVeskBox>();
            ApplyCommandProps(cmd, cm, *box);
            box->Invalidate();
            return;
        }
        case CC_OBJDEL: {
            auto* o = dynamic_cast<TVeskComponent*>(ById(cm.LookupObject(cmd.Field(0).Expr)));
            if (o && !o->IsLayer()) o->Scrap();
            return;
        }
        case CC_SAVECABINET:
        case CC_LOADCABINET:
            MoveCabinet(cmd, cm, cmd.GetType() == CC_SAVECABINET);
            return;
        default:
            return;
    }
}

// ---- Flip

void TVeskBaseList::PrepareCommand(TCommand& cmd, TCallMan& cm) {
    auto* flip = cmd.GetType() == CC_FLIP ? dynamic_cast<TComFlip*>(&cmd) : nullptr;
    if (!flip) return;
    if (flip->HasTargetMode) {
        TVeskControl* snapshot = nullptr;
        if (!flip->HasTime || flip->TimeValue <= 0) {
            flip->Phase = 3;
        } else {
            // A picture of the screen as it is covers it while the objects move away.
            PaintAll();
            auto* shot = Create<TScreenSnapshot>();
            shot->SetName(SystemName("\x01"));
            shot->Take(screen_);
            snapshot = shot;
        }
        TVeskBase& front = FrontLayer();
        for (int32_t i = front.ChildCount(); i-- > 0;) {
            if (i >= front.ChildCount()) continue;
            TVeskControl* child = front.ChildAt(i);
            if (child == snapshot) continue;
            const bool listed = flip->ListsName(child->Name());
            const bool selected =
                (flip->TargetMode == 0 && !listed) || (flip->TargetMode == 1 && listed);
            if (selected) child->SetParent(&BackLayer());
        }
    }
    if (flip->Phase == 3) return;
    StartTransition(front_, flip->Effect, flip->Reverse, false, 0, flip->Duration);
    if (!transition_) return;
    for (int i = 0; i < 2; ++i)
        if (TCustomParam* v = cm.Eval(cmd.Field(TComFlip::fParam1 + size_t(i)).Expr))
            transition_->SetParam(i, v->AsInt());
    if (TCustomParam* v = cm.Eval(cmd.Field(TComFlip::fSource).Expr))
        transition_->SetText(v->AsStr());
    transition_->Prepare();
}

void TVeskBaseList::FinishFlip(TComFlip& flip, bool aborting) {
    const int oldFront = front_;
    StartTransition(front_ ^ 1, 0, false, true, 0, 0);
    if (TVeskComponent* snapshot = FindComponent(SystemName("\x01"))) Destroy(snapshot);
    if (!flip.DeleteOld) return;
    TVeskBase& old = LayerAt(oldFront);
    std::vector<TVeskControl*> kids;
    for (int32_t i = 0; i < old.ChildCount(); ++i) kids.push_back(old.ChildAt(i));
    for (TVeskControl* k : kids)
        if (aborting || k->Kind() != LT_CABINET) k->Scrap();
}

bool TVeskBaseList::ExecuteFlip(TComFlip& flip, TCallMan& cm) {
    if (flip.Phase == 0) {
        flip.Phase = 1;  // the first call only lets a frame pass
        cm.Running = false;
        return false;
    }
    if (flip.Phase == 1) {
        flip.StartTick = cm.Project().TickCount();
        flip.Phase = 2;
    }
    const int64_t elapsed = int64_t(cm.Project().TickCount()) - flip.StartTick;
    if (flip.Phase == 2 && transition_ && elapsed < transition_->Duration()) {
        transition_->SetElapsed(int32_t(elapsed));
        cm.Running = false;
        return false;
    }
    FinishFlip(flip, false);
    return true;
}

void TVeskBaseList::AbortCommand(TCommand& cmd, TCallMan&) {
    if (auto* flip = cmd.GetType() == CC_FLIP ? dynamic_cast<TComFlip*>(&cmd) : nullptr)
        FinishFlip(*flip, true);
}

void TVeskBaseList::MoveCabinet(TCommand& cmd, TCallMan& cm, bool save) {
    auto* command = dynamic_cast<TComCabinet*>(&cmd);
    if (!command) return;
    std::string name;
    if (TVeskParser* e = cmd.Prop(PR_NAME))
        if (TCustomParam* v = cm.Eval(*e)) name = v->AsStr();
    bool exclude = false;
    if (TCustomParam* v = cm.Eval(cmd.Field(TComCabinet::fExclude).Expr)) exclude = v->AsFlag();
    const std::vector<std::string> names = command->EvalNames(cm);

    TVeskControl* found = name.empty() ? nullptr : FindControl(name);
    auto* cabinet = dynamic_cast<TVeskCabinet*>(found);
    if (!cabinet && !save) return;
    if (!cabinet) {
        cabinet = Create<TVeskCabinet>();
        if (!name.empty()) cabinet->SetName(name);
        cabinet->SetParent(layers_[0].get());
    }
    TVeskControl& from = save ? BackLayer() : static_cast<TVeskControl&>(*cabinet);
    TVeskControl& to = save ? static_cast<TVeskControl&>(*cabinet) : BackLayer();
    for (int32_t i = from.ChildCount(); i-- > 0;) {
        if (i >= from.ChildCount()) continue;
        TVeskControl* child = from.ChildAt(i);
        if (child == cabinet) continue;
        if (NameListed(names, child->Name()) != exclude) child->SetParent(&to);
    }
    if (cabinet->ChildCount() == 0) Destroy(cabinet);
}

}  // namespace vesk
