// The object commands the display layer carries out for the interpreter: creating objects
// from their property lists, deleting them, flips, and moving objects into and out of
// cabinets.
#include "display/display_commands.h"

#include "display/kind_registry.h"
#include "display/vesk_base_list.h"
#include "display/vesk_box.h"
#include "display/vesk_images.h"
#include "script/call_man.h"
#include "script/command_handlers.h"
#include "script/commands.h"
#include "script/project.h"
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

// Applies the properties a component command carries, in the order objects take them.
void ApplyCommandProps(TVeskBaseList& root, TComComponent& cmd, TCallMan& cm, TVeskObject& obj) {
    cmd.ApplyProps(cm, [&](int index, const TCustomParam* value) {
        switch (index) {
            case PR_NAME:
                if (value && !value->AsStr().empty()) obj.SetName(value->AsStr());
                return;
            case PR_PARENT: {
                TVeskControl* p = value ? root.FindControl(value->AsStr()) : nullptr;
                obj.SetParent(p ? p : &root.FrontLayer());
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

// BoxNew, ImgNew and the other component commands: the object of the command's kind, made
// by whatever registered the kind.
class TComponentHandler final : public ICommandHandler {
  public:
    explicit TComponentHandler(TVeskBaseList& root) : root_(root) {}
    void Execute(TCommand& cmd, TCallMan& cm, TPage*&, int32_t& pc) override {
        ++pc;
        auto* comp = dynamic_cast<TComComponent*>(&cmd);
        std::unique_ptr<TVeskComponent> made =
            comp ? root_.Kinds().Make(KindOfCommand(cmd.GetType()), &root_) : nullptr;
        if (!made) {
            cm.Project().CommandNotCarriedOut(CommandName(cmd.GetType()));
            return;
        }
        TVeskComponent* obj = root_.Adopt(std::move(made));
        obj->BeforeCommandProps(*comp, cm);
        ApplyCommandProps(root_, *comp, cm, *obj);
        obj->AfterCommandProps(cm);
        obj->Invalidate();
    }

  private:
    TVeskBaseList& root_;
};

class TObjDelHandler final : public ICommandHandler {
  public:
    explicit TObjDelHandler(TVeskBaseList& root) : root_(root) {}
    void Execute(TCommand& cmd, TCallMan& cm, TPage*&, int32_t& pc) override {
        ++pc;
        auto* o = dynamic_cast<TVeskComponent*>(root_.ById(cm.LookupObject(cmd.Field(0).Expr)));
        if (o && !o->IsLayer()) o->Scrap();
    }

  private:
    TVeskBaseList& root_;
};

// Flip: moves objects to the back layer under a snapshot of the screen, then shows the back
// layer, through a transition when one is asked for.
class TFlipHandler final : public ICommandHandler {
  public:
    explicit TFlipHandler(TVeskBaseList& root) : root_(root) {}
    void Prepare(TCommand& cmd, TCallMan& cm) override;
    void Execute(TCommand& cmd, TCallMan& cm, TPage*&, int32_t& pc) override {
        if (auto* flip = dynamic_cast<TComFlip*>(&cmd); !flip || Run(*flip, cm)) ++pc;
    }
    void Abort(TCommand& cmd, TCallMan&) override {
        if (auto* flip = dynamic_cast<TComFlip*>(&cmd)) Finish(*flip, FlipEnd::Aborted);
    }

  private:
    enum class FlipEnd { Finished, Aborted };
    // True when the flip has finished.
    bool Run(TComFlip& flip, TCallMan& cm);
    void Finish(TComFlip& flip, FlipEnd end);
    // Passes the kept parameters to the transition just started and prepares it.
    void StartWipe(TComFlip& flip, int32_t elapsed);
    // Starts the transition of a flip a loaded game put back half-way.
    void Restore(TComFlip& flip, TCallMan& cm);

    TVeskBaseList& root_;
};

void TFlipHandler::Prepare(TCommand& cmd, TCallMan& cm) {
    auto* flip = dynamic_cast<TComFlip*>(&cmd);
    if (!flip) return;
    if (flip->HasTargetMode) {
        TVeskControl* snapshot = nullptr;
        if (!flip->HasTime || flip->TimeValue <= 0) {
            flip->Phase = 3;
        } else {
            // A picture of the screen as it is covers it while the objects move away: an
            // image object like any other, holding the picture as its own.
            root_.PaintAll();
            auto* shot = root_.Create<TVeskImages>();
            shot->SetName(SystemName("\x01"));
            shot->TakePicture(root_.Screen());
            snapshot = shot;
        }
        TVeskBase& front = root_.FrontLayer();
        for (int32_t i = front.ChildCount(); i-- > 0;) {
            if (i >= front.ChildCount()) continue;
            TVeskControl* child = front.ChildAt(i);
            if (child == snapshot) continue;
            const bool listed = flip->ListsName(child->Name());
            const bool selected =
                (flip->TargetMode == 0 && !listed) || (flip->TargetMode == 1 && listed);
            if (selected) child->SetParent(&root_.BackLayer());
        }
    }
    if (flip->Phase == 3) return;
    root_.StartTransition(root_.FrontIndex(), flip->Effect, flip->Reverse, false, 0,
                          flip->Duration);
    // The values are kept with the command: a loaded game starts the same transition again.
    for (int i = 0; i < 2; ++i) {
        TCustomParam* v = cm.Eval(cmd.Field(TComFlip::fParam1 + size_t(i)).Expr);
        flip->HasParam[i] = v != nullptr;
        flip->ParamValue[i] = v ? v->AsInt() : 0;
    }
    TCustomParam* source = cm.Eval(cmd.Field(TComFlip::fSource).Expr);
    flip->HasSource = source != nullptr;
    flip->SourceText = source ? source->AsStr() : std::string();
    StartWipe(*flip, 0);
}

void TFlipHandler::StartWipe(TComFlip& flip, int32_t elapsed) {
    IScreenWipe* wipe = root_.Transition();
    if (!wipe) return;
    for (int i = 0; i < 2; ++i)
        if (flip.HasParam[i]) wipe->SetParam(i, flip.ParamValue[i]);
    if (flip.HasSource) wipe->SetText(flip.SourceText);
    wipe->Prepare();
    if (elapsed > 0) wipe->SetElapsed(elapsed);
}

void TFlipHandler::Restore(TComFlip& flip, TCallMan& cm) {
    flip.RestoreTransition = false;
    if (root_.Transition() || flip.Phase == 3) return;
    // The screen shows the front layer as it was saved: the picture the transition leaves.
    root_.PaintAll();
    root_.StartTransition(root_.FrontIndex(), flip.Effect, flip.Reverse, false, 0, flip.Duration);
    const int32_t elapsed =
        flip.Phase == 2 ? int32_t(cm.Project().TickCount() - flip.StartTick) : 0;
    StartWipe(flip, elapsed);
}

void TFlipHandler::Finish(TComFlip& flip, FlipEnd end) {
    const int oldFront = root_.FrontIndex();
    root_.StartTransition(oldFront ^ 1, 0, false, true, 0, 0);
    if (TVeskComponent* snapshot = root_.FindComponent(SystemName("\x01"))) root_.Destroy(snapshot);
    if (!flip.DeleteOld) return;
    TVeskBase& old = root_.LayerAt(oldFront);
    std::vector<TVeskControl*> kids;
    for (int32_t i = 0; i < old.ChildCount(); ++i) kids.push_back(old.ChildAt(i));
    for (TVeskControl* k : kids)
        if (end == FlipEnd::Aborted || k->Kind() != LT_CABINET) k->Scrap();
}

bool TFlipHandler::Run(TComFlip& flip, TCallMan& cm) {
    if (flip.RestoreTransition) Restore(flip, cm);
    if (flip.Phase == 0) {
        flip.Phase = 1;  // the first call only lets a frame pass
        cm.Yield();
        return false;
    }
    if (flip.Phase == 1) {
        flip.StartTick = cm.Project().TickCount();
        flip.Phase = 2;
    }
    const int64_t elapsed = int64_t(cm.Project().TickCount()) - flip.StartTick;
    IScreenWipe* wipe = root_.Transition();
    if (flip.Phase == 2 && wipe && elapsed < wipe->Duration()) {
        wipe->SetElapsed(int32_t(elapsed));
        cm.Yield();
        return false;
    }
    Finish(flip, FlipEnd::Finished);
    return true;
}

// SaveCabinet and LoadCabinet: move back-layer objects into a cabinet and out again.
class TCabinetHandler final : public ICommandHandler {
  public:
    explicit TCabinetHandler(TVeskBaseList& root) : root_(root) {}
    void Execute(TCommand& cmd, TCallMan& cm, TPage*&, int32_t& pc) override;

  private:
    TVeskBaseList& root_;
};

void TCabinetHandler::Execute(TCommand& cmd, TCallMan& cm, TPage*&, int32_t& pc) {
    ++pc;
    auto* command = dynamic_cast<TComCabinet*>(&cmd);
    if (!command) return;
    const bool save = cmd.GetType() == CC_SAVECABINET;
    std::string name;
    if (TVeskParser* e = cmd.Prop(PR_NAME))
        if (TCustomParam* v = cm.Eval(*e)) name = v->AsStr();
    bool exclude = false;
    if (TCustomParam* v = cm.Eval(cmd.Field(TComCabinet::fExclude).Expr)) exclude = v->AsFlag();
    const std::vector<std::string> names = command->EvalNames(cm);

    TVeskControl* found = name.empty() ? nullptr : root_.FindControl(name);
    auto* cabinet = dynamic_cast<TVeskCabinet*>(found);
    if (!cabinet && !save) return;
    if (!cabinet) {
        cabinet = root_.Create<TVeskCabinet>();
        if (!name.empty()) cabinet->SetName(name);
        cabinet->SetParent(&root_.LayerAt(0));
    }
    TVeskControl& from = save ? root_.BackLayer() : static_cast<TVeskControl&>(*cabinet);
    TVeskControl& to = save ? static_cast<TVeskControl&>(*cabinet) : root_.BackLayer();
    for (int32_t i = from.ChildCount(); i-- > 0;) {
        if (i >= from.ChildCount()) continue;
        TVeskControl* child = from.ChildAt(i);
        if (child == cabinet) continue;
        if (NameListed(names, child->Name()) != exclude) child->SetParent(&to);
    }
    if (cabinet->ChildCount() == 0) root_.Destroy(cabinet);
}

}  // namespace

void RegisterDisplayCommands(TCommandHandlers& handlers, TVeskBaseList& root) {
    auto component = std::make_shared<TComponentHandler>(root);
    for (int code = 0; code < kCommandTypeCount; ++code)
        if (KindOfCommand(uint8_t(code)) != LT_NONE)
            handlers.Register(CommandCode(code), component);
    handlers.Register(CC_OBJDEL, std::make_shared<TObjDelHandler>(root));
    handlers.Register(CC_FLIP, std::make_shared<TFlipHandler>(root));
    auto cabinets = std::make_shared<TCabinetHandler>(root);
    handlers.Register(CC_SAVECABINET, cabinets);
    handlers.Register(CC_LOADCABINET, cabinets);
}

void RegisterDisplayKinds(TKindRegistry& kinds) {
    kinds.Add<TVeskBox>(LT_BOX);
    kinds.Add<TVeskImages>(LT_IMAGES);
    kinds.Add<TVeskCabinet>(LT_CABINET);
}

}  // namespace vesk
