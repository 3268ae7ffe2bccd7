#include "script/commands.h"

#include "base/cp932.h"
#include "base/error.h"
#include "script/call_man.h"
#include "script/command_handlers.h"
#include "script/page.h"
#include "vars/param.h"
#include "vars/param_collection.h"

namespace vesk {

namespace {

int32_t IntOr(TCallMan& cm, TVeskParser& e, int32_t fallback) {
    TCustomParam* v = cm.Eval(e);
    return v ? v->AsInt() : fallback;
}

bool FlagOr(TCallMan& cm, TVeskParser& e, bool fallback) {
    TCustomParam* v = cm.Eval(e);
    return v ? v->AsFlag() : fallback;
}

std::string TextOr(TCallMan& cm, TVeskParser& e) {
    TCustomParam* v = cm.Eval(e);
    return v ? v->AsStr() : std::string();
}

int32_t PropertyIndexOf(TCallMan& cm, TVeskParser& e) {
    TCustomParam* v = cm.Eval(e);
    if (!v) Fail(VESK_JP("プロパティ指定が不正です"));
    return v->AsInt();
}

}  // namespace

// ---- control flow

void TComIf::Execute(TCallMan& cm, TPage*&, int32_t& pc) {
    ++pc;
    if (cm.IsTrue(ExprAt(fCondition))) return;
    // Find where the false branch goes on: the next Elseif whose condition holds, the
    // Else, or the first command after the chain.
    while (pc < Page->Count()) {
        TCommand* c = Page->At(pc);
        if (c->Indent < Indent) return;
        if (c->Indent == Indent) {
            if (c->GetType() == CC_ELSEIF) {
                if (cm.IsTrue(static_cast<TComIf*>(c)->ExprAt(fCondition))) {
                    ++pc;
                    return;
                }
            } else if (c->GetType() == CC_ELSE) {
                ++pc;
                return;
            } else {
                return;
            }
        }
        ++pc;
    }
}

namespace {

// Reached by falling out of the block before: skip this branch's own block.
void SkipBlock(const TCommand& self, int32_t& pc) {
    ++pc;
    while (pc < self.Page->Count() && self.Page->At(pc)->Indent > self.Indent) ++pc;
}

}  // namespace

void TComElseif::Execute(TCallMan&, TPage*&, int32_t& pc) {
    SkipBlock(*this, pc);
}

void TComElse::Execute(TCallMan&, TPage*&, int32_t& pc) {
    SkipBlock(*this, pc);
}

void TComJump::Execute(TCallMan& cm, TPage*& page, int32_t& pc) {
    ++pc;
    if (!cm.IsTrue(ExprAt(fCondition)) || !cm.PageExists(TextAt(fPage))) return;
    page = cm.GetPage(TextAt(fPage), true);
    pc = NumAt(fTarget);
}

void TComCall::Execute(TCallMan& cm, TPage*& page, int32_t& pc) {
    ++pc;
    if (!cm.IsTrue(ExprAt(fCondition)) || !cm.PageExists(TextAt(fPage))) return;
    std::vector<std::string> args;
    for (TVeskParser& a : Field(fArguments).List)
        if (TCustomParam* v = cm.Eval(a)) args.push_back(v->AsStr());
    // The page is loaded before anything changes, so a page that fails to load leaves no
    // stray frame behind.
    TPage* called = cm.GetPage(TextAt(fPage), true);
    TStack f;
    f.PageName = Page->Name;
    f.PC = pc;
    f.ResultVar = TextAt(fResultVar);
    f.Started = 0;
    f.ResultValue = MakeParam(called->ResultType);
    cm.PushCall(std::move(f), std::move(args));
    page = called;
    pc = NumAt(fTarget);
}

void TComExit::Execute(TCallMan& cm, TPage*& page, int32_t& pc) {
    if (cm.IsTrue(ExprAt(fCondition)))
        page = nullptr;
    else
        ++pc;
}

void TComBreak::Execute(TCallMan& cm, TPage*& page, int32_t& pc) {
    if (!cm.IsTrue(ExprAt(fCondition))) {
        ++pc;
        return;
    }
    if (NumAt(fTarget) < 0)
        page = nullptr;
    else
        pc = NumAt(fTarget);
}

void TComContinue::Execute(TCallMan& cm, TPage*& page, int32_t& pc) {
    ++pc;
    if (!cm.IsTrue(ExprAt(fCondition))) return;
    if (NumAt(fTarget) < 0)
        page = nullptr;
    else
        pc = NumAt(fTarget);
}

void TComWhile::Execute(TCallMan& cm, TPage*&, int32_t& pc) {
    ++pc;
    if (!cm.IsTrue(ExprAt(fCondition))) pc = NumAt(fEnd);
}

void TComWhileInit::Execute(TCallMan& cm, TPage*&, int32_t& pc) {
    ++pc;
    cm.Eval(ExprAt(fStatement));
}

void TComWhileLoop::Execute(TCallMan& cm, TPage*&, int32_t& pc) {
    pc = NumAt(fStart);
    cm.Eval(ExprAt(fStatement));
}

// ---- waiting

void TComWait::Prepare(TCallMan& cm) {
    Remaining = IntOr(cm, ExprAt(fTime), 0);
    FirstFrame = 1;
    BlockEvents = FlagOr(cm, ExprAt(fBlockEvents), false);
}

void TComWait::Execute(TCallMan& cm, TPage*&, int32_t& pc) {
    TVeskParser& cond = ExprAt(fCondition);
    if (!cond.Ops.empty() && !cm.IsTrue(cond)) {
        ++pc;
        return;
    }
    if (Remaining != 0) {
        if (FirstFrame > 0) {
            --FirstFrame;
        } else {
            Remaining -= cm.Project().FrameTime();
            if (Remaining <= 0) {
                ++pc;
                return;
            }
        }
    }
    cm.Yield();
}

void TComWait::SaveState(StreamWriter& w, TCallMan&) const {
    WriteStateTag(w);
    w.I32(Remaining);
    w.I32(FirstFrame);
    w.Flag(BlockEvents);
}

void TComWait::LoadState(StreamReader& r, TCallMan&) {
    int32_t v = ReadStateTag(r);
    Remaining = r.I32("wait time");
    FirstFrame = r.I32("wait first frame");
    if (v >= 100) BlockEvents = r.Flag("wait flag");
}

void TComDoEvent::Execute(TCallMan&, TPage*&, int32_t& pc) {
    ++pc;
}

// ---- variables and properties

void TComCalc::Execute(TCallMan& cm, TPage*&, int32_t& pc) {
    ++pc;
    cm.Eval(ExprAt(fStatement));
}

void TComVarNew::Execute(TCallMan& cm, TPage*&, int32_t& pc) {
    ++pc;
    const std::string& name = TextAt(fName);
    if (name.empty()) Fail(VESK_JP("変数名がありません"));
    int32_t scope = NumAt(fScope);
    TParamCollection& store = cm.Store();
    TParamCollectionItem* item = store.FindScoped(name, scope == 2);
    if (!item) {
        VarScope s = scope >= 0 && scope <= 3 ? VarScope(scope) : VarScope::Global;
        item = store.Create(name, uint8_t(NumAt(fType)), s);
    } else if (item->Status) {
        return;  // status variables keep their value
    }
    TCustomParam* v = cm.Eval(ExprAt(fInitial));
    if (!v || !item) return;
    TCustomParam* p = item->Param();
    switch (NumAt(fType)) {
        case PT_INT:
            p->SetInt(v->AsInt());
            break;
        case PT_FLOAT:
            p->SetFloat(v->AsFloat());
            break;
        case PT_BOOL:
            p->SetFlag(v->AsFlag());
            break;
        case PT_STR:
            p->SetStr(v->AsStr());
            break;
        default:
            break;
    }
}

void TComVarDel::Execute(TCallMan& cm, TPage*&, int32_t& pc) {
    ++pc;
    const std::string& name = TextAt(fName);
    if (name.empty()) return;
    if (TParamCollectionItem* item = cm.Store().Find(name)) cm.Store().Delete(item);
}

void TComGetProp::Execute(TCallMan& cm, TPage*&, int32_t& pc) {
    ++pc;
    ObjectId obj = cm.LookupObject(ExprAt(fObject));
    if (!obj) return;
    int32_t index = PropertyIndexOf(cm, ExprAt(fProperty));
    const std::string& var = TextAt(fVar);
    if (var.empty()) return;
    TParamCollectionItem* item = cm.Store().Find(var);
    if (!item) return;
    if (auto value = cm.Display()->GetProp(obj, index)) item->Param()->Assign(*value);
}

void TComSetProp::Execute(TCallMan& cm, TPage*&, int32_t& pc) {
    ++pc;
    ObjectId obj = cm.LookupObject(ExprAt(fObject));
    if (!obj) return;
    int32_t index = PropertyIndexOf(cm, ExprAt(fProperty));
    if (TCustomParam* v = cm.Eval(ExprAt(fValue))) cm.Display()->SetProp(obj, index, *v);
}

// ---- system

void TComGameSave::Execute(TCallMan& cm, TPage*&, int32_t& pc) {
    ++pc;
    TSaveRequest req;
    req.Slot = IntOr(cm, ExprAt(fSlot), 0);
    req.Caption = TextOr(cm, ExprAt(fCaption));
    req.LoadPage = TextAt(fLoadPage);
    req.LoadTarget = NumAt(fLoadTarget);
    cm.Project().RequestSave(req);
}

void TComGameLoad::Execute(TCallMan& cm, TPage*&, int32_t& pc) {
    ++pc;
    cm.Project().RequestLoad(IntOr(cm, ExprAt(fSlot), 0));
}

void TComReset::Execute(TCallMan& cm, TPage*& page, int32_t& pc) {
    if (cm.Display()) cm.Display()->FreeAll();
    cm.Store().Reset();
    cm.Project().ResetWorld();
    page = cm.Start(TextAt(fPage));
    pc = NumAt(fTarget);
}

void TComPCReset::Execute(TCallMan& cm, TPage*& page, int32_t& pc) {
    TParamCollection& store = cm.Store();
    TStackList& stack = cm.CallStack();
    const int32_t n = stack.Count();
    store.FreeOwned(n);
    if (NumAt(fAllFrames) != 0) {
        for (int32_t i = n - 1; i >= 0; --i) {
            store.FreeOwned(i);
            TStack& f = stack.At(i);
            if (f.Sender || !f.Started) continue;
            // A command the main flow had started (a flip in progress) finishes now.
            if (TPage* p = cm.GetPage(f.PageName, false))
                if (TCommand* c = p->At(f.PC)) c->Abort(cm);
        }
        page = cm.Start(TextAt(fPage));
        pc = NumAt(fTarget);
        if (cm.Display()) cm.Display()->Events().Clear();
        return;
    }
    // Inside an event, the main flow waits in the frame below the lowest event frame:
    // send it to the new place and let the running event finish.
    int32_t k = -1;
    for (int32_t i = 0; i < n; ++i)
        if (stack.At(i).Sender) {
            k = i;
            break;
        }
    if (k < 0 && !cm.GetSenderName().empty()) k = n;
    bool found = false;
    for (int32_t j = k - 1; j >= 0; --j) {
        TStack& f = stack.At(j);
        if (f.Sender) continue;
        store.FreeOwned(j);
        f.PageName = TextAt(fPage);
        f.PC = NumAt(fTarget);
        f.Started = 0;
        f.ResultVar.clear();
        f.Args.clear();
        f.State.reset();
        ++pc;
        found = true;
        break;
    }
    if (!found) {
        page = cm.GetPage(TextAt(fPage), true);
        pc = NumAt(fTarget);
    }
    if (cm.Display()) cm.Display()->Events().RemoveRunning();
}

void TComTerminate::Execute(TCallMan& cm, TPage*&, int32_t&) {
    cm.SetQuitFlag();
    cm.Project().PostClose();
}

// ---- object and media commands

void TComDisplay::Prepare(TCallMan& cm) {
    if (ICommandHandler* h = cm.HandlerFor(GetType())) h->Prepare(*this, cm);
}

void TComDisplay::Execute(TCallMan& cm, TPage*& page, int32_t& pc) {
    if (ICommandHandler* h = cm.HandlerFor(GetType())) {
        h->Execute(*this, cm, page, pc);
        return;
    }
    cm.Project().CommandNotCarriedOut(CommandName(GetType()));
    ++pc;
}

void TComDisplay::Abort(TCallMan& cm) {
    if (ICommandHandler* h = cm.HandlerFor(GetType())) h->Abort(*this, cm);
}

void TComFlip::Prepare(TCallMan& cm) {
    Phase = 0;
    Effect = IntOr(cm, ExprAt(fEffect), 0);
    if (Effect > 38) Effect = 0;
    TCustomParam* t = cm.Eval(ExprAt(fTime));
    HasTime = t != nullptr;
    TimeValue = t ? t->AsInt() : 0;
    Duration = TimeValue < 1 ? 1 : TimeValue;
    BlockEvents = FlagOr(cm, ExprAt(fBlockEvents), false);
    DeleteOld = FlagOr(cm, ExprAt(fDeleteOld), false);
    Reverse = FlagOr(cm, ExprAt(fReverse), false);
    TCustomParam* mode = cm.Eval(ExprAt(fTargetMode));
    HasTargetMode = mode != nullptr;
    TargetMode = mode ? mode->AsInt() : 0;
    TargetNames.clear();
    for (TVeskParser& e : Field(fTargetNames).List)
        if (TCustomParam* v = cm.Eval(e)) TargetNames.push_back(v->AsStr());
    TComDisplay::Prepare(cm);
}

void TComComponent::ApplyProps(
    TCallMan& cm, const std::function<void(int index, const TCustomParam* value)>& apply) {
    for (uint8_t index : PropertyApplyOrder())
        if (TVeskParser* e = Prop(index)) apply(index, cm.Eval(*e));
}

bool TComFlip::ListsName(std::string_view name) const {
    return NameListed(TargetNames, name);
}

std::vector<std::string> TComCabinet::EvalNames(TCallMan& cm) {
    std::vector<std::string> names;
    for (TVeskParser& e : Field(fNames).List)
        if (TCustomParam* v = cm.Eval(e)) names.push_back(v->AsStr());
    return names;
}

bool NameListed(const std::vector<std::string>& texts, std::string_view name) {
    for (const std::string& t : texts) {
        size_t start = 0;
        // Like a string list's lines: a final line break ends the last line, no empty line.
        while (start < t.size()) {
            size_t end = t.find_first_of("\r\n", start);
            if (end == std::string::npos) end = t.size();
            if (std::string_view(t).substr(start, end - start) == name) return true;
            if (end == t.size()) break;
            start = end + (t[end] == '\r' && end + 1 < t.size() && t[end + 1] == '\n' ? 2 : 1);
        }
    }
    return false;
}

void TComFlip::SaveState(StreamWriter& w, TCallMan& cm) const {
    // After the two flags, what a loaded game needs to run the transition on from where
    // it was (state version 101; readers of version 100 stop after the flags).
    w.Raw("vesk101", 7);
    w.Flag(BlockEvents);
    w.Flag(DeleteOld);
    w.I32(Phase);
    w.I32(Phase == 2 ? int32_t(cm.Project().TickCount() - StartTick) : 0);
    w.I32(Effect);
    w.Flag(Reverse);
    w.I32(Duration);
    for (int i = 0; i < 2; ++i) {
        w.Flag(HasParam[i]);
        w.I32(ParamValue[i]);
    }
    w.Flag(HasSource);
    w.Str(SourceText);
}

void TComFlip::LoadState(StreamReader& r, TCallMan& cm) {
    const int32_t v = ReadStateTag(r);
    if (v < 100) return;
    BlockEvents = r.Flag("flip flag");
    DeleteOld = r.Flag("flip flag");
    if (v < 101) return;
    const int32_t phase = r.I32("flip phase");
    const int32_t elapsed = r.I32("flip time");
    const int32_t effect = r.I32("flip effect");
    const bool reverse = r.Flag("flip flag");
    const int32_t duration = r.I32("flip duration");
    bool hasParam[2];
    int32_t param[2];
    for (int i = 0; i < 2; ++i) {
        hasParam[i] = r.Flag("flip flag");
        param[i] = r.I32("flip parameter");
    }
    const bool hasSource = r.Flag("flip flag");
    std::string source = r.Str("flip source");
    // A frame returning from an event finds the command as it left it; only a loaded
    // game takes the rest.
    if (!cm.RestoringGame()) return;
    if (phase < 0 || phase > 3) Fail("damaged flip state");
    Phase = phase;
    Effect = effect > 38 || effect < 0 ? 0 : effect;
    Reverse = reverse;
    Duration = duration < 1 ? 1 : duration;
    for (int i = 0; i < 2; ++i) {
        HasParam[i] = hasParam[i];
        ParamValue[i] = param[i];
    }
    HasSource = hasSource;
    SourceText = std::move(source);
    StartTick = cm.Project().TickCount() - uint32_t(elapsed);
    RestoreTransition = Phase < 3;
}

void TComTextIns::Prepare(TCallMan& cm) {
    BlockEvents = FlagOr(cm, ExprAt(fBlockEvents), false);
    Window = 0;
    Wait = false;
    TComDisplay::Prepare(cm);
}

void TComTextIns::SaveState(StreamWriter& w, TCallMan& cm) const {
    WriteStateTag(w);
    w.Str(cm.NameOf(Window));
    w.Flag(Wait);
    w.Flag(BlockEvents);
}

void TComTextIns::LoadState(StreamReader& r, TCallMan& cm) {
    int32_t v = ReadStateTag(r);
    Window = cm.FindByName(r.Str("text window name"));
    Wait = r.Flag("text wait flag");
    if (v >= 100) BlockEvents = r.Flag("text flag");
}

void TComMovieStop::Prepare(TCallMan& cm) {
    BlockEvents = FlagOr(cm, ExprAt(fBlockEvents), false);
    Waiting = false;
    Target = 0;
    TComDisplay::Prepare(cm);
}

void TComMovieStop::SaveState(StreamWriter& w, TCallMan& cm) const {
    WriteStateTag(w);
    w.Str(cm.NameOf(Target));
    w.Flag(Waiting);
    w.Flag(BlockEvents);
}

void TComMovieStop::LoadState(StreamReader& r, TCallMan& cm) {
    int32_t v = ReadStateTag(r);
    Target = cm.FindByName(r.Str("media name"));
    Waiting = r.Flag("media wait flag");
    if (v >= 100) BlockEvents = r.Flag("media flag");
}

}  // namespace vesk
