#include "text/mes_commands.h"

#include <algorithm>

#include "display/vesk_base_list.h"
#include "script/call_man.h"
#include "script/command_handlers.h"
#include "script/commands.h"
#include "script/page.h"
#include "text/history.h"
#include "text/read_list.h"
#include "text/vesk_mes.h"
#include "vars/param.h"
#include "vars/param_system.h"
#include "vars/sys_func.h"
#include "vars/sys_func_table.h"

namespace vesk {

namespace {

TVeskMes* MesOf(TVeskBaseList& root, ObjectId id) {
    auto* mes = dynamic_cast<TVeskMes*>(root.ById(id));
    return mes && !mes->IsScrapped() ? mes : nullptr;
}

// The text of a field's value, empty when the field is absent or yields nothing.
std::string TextOf(TCallMan& cm, TCommandField& f) {
    if (!f.Present) return {};
    TCustomParam* v = cm.Eval(f.Expr);
    return v ? v->AsStr() : std::string();
}

// TextIns: the window lays out the text this command stores; with Wait the command stays
// until the window's text is cleared or replaced.
class TTextInsHandler final : public ICommandHandler {
  public:
    explicit TTextInsHandler(TVeskBaseList& root) : root_(root) {}

    void Prepare(TCommand& cmd, TCallMan& cm) override {
        auto* ins = dynamic_cast<TComTextIns*>(&cmd);
        if (!ins || ins->TextBlock().empty() || !cmd.Page) return;
        const ObjectId id = cm.LookupObject(cmd.Field(TComTextIns::fTarget).Expr);
        TVeskMes* mes = MesOf(root_, id);
        if (!mes) return;
        ins->Window = id;
        TCustomParam* track = cm.Eval(cmd.Field(TComTextIns::fTrackRead).Expr);
        mes->InsertCommandText(cmd.Page->Name, cmd.Page->IndexOf(&cmd), track && track->AsFlag());
        if (TCustomParam* v = cm.Eval(cmd.Field(TComTextIns::fWait).Expr)) ins->Wait = v->AsFlag();
    }

    void Execute(TCommand& cmd, TCallMan& cm, TPage*&, int32_t& pc) override {
        auto* ins = dynamic_cast<TComTextIns*>(&cmd);
        if (ins && ins->Window && ins->Wait) {
            TVeskMes* mes = MesOf(root_, ins->Window);
            if (mes && mes->PageCount() > 0) {
                cm.Yield();
                return;
            }
        }
        ++pc;
    }

  private:
    TVeskBaseList& root_;
};

class TTextClrHandler final : public ICommandHandler {
  public:
    explicit TTextClrHandler(TVeskBaseList& root) : root_(root) {}
    void Execute(TCommand& cmd, TCallMan& cm, TPage*&, int32_t& pc) override {
        ++pc;
        if (TVeskMes* mes = MesOf(root_, cm.LookupObject(cmd.Field(0).Expr))) {
            mes->RecordRead = RR_NONE;
            mes->SetText({});
        }
    }

  private:
    TVeskBaseList& root_;
};

class TClrHistHandler final : public ICommandHandler {
  public:
    explicit TClrHistHandler(TVeskHistoryFormatManager& h) : histories_(h) {}
    void Execute(TCommand&, TCallMan&, TPage*&, int32_t& pc) override {
        ++pc;
        histories_.ClearAll();
    }

  private:
    TVeskHistoryFormatManager& histories_;
};

class TClrReadHandler final : public ICommandHandler {
  public:
    explicit TClrReadHandler(TVeskReadList& r) : readList_(r) {}
    void Execute(TCommand&, TCallMan&, TPage*&, int32_t& pc) override {
        ++pc;
        readList_.Clear();
    }

  private:
    TVeskReadList& readList_;
};

// CallHist Target, Start, Count, InsertMode, Format: shows a band of a history.
class TCallHistHandler final : public ICommandHandler {
  public:
    TCallHistHandler(TVeskBaseList& root, TVeskHistoryFormatManager& h)
        : root_(root), histories_(h) {}
    void Execute(TCommand& cmd, TCallMan& cm, TPage*&, int32_t& pc) override {
        ++pc;
        TVeskMes* mes = MesOf(root_, cm.LookupObject(cmd.Field(0).Expr));
        if (!mes) return;
        TCustomParam* startValue = cm.Eval(cmd.Field(1).Expr);
        if (!startValue) return;
        int64_t start = startValue->AsInt();
        TCustomParam* countValue = cm.Eval(cmd.Field(2).Expr);
        int64_t count = countValue ? countValue->AsInt() : 1;
        TVeskHistoryFormat* format = histories_.Find(TextOf(cm, cmd.Field(4)));
        if (!format) return;
        TCustomParam* modeValue = cm.Eval(cmd.Field(3).Expr);
        const bool mode = modeValue && modeValue->AsFlag();
        TVeskNewHistory& h = format->History;
        start = std::max<int64_t>(start, 0);
        count = std::min<int64_t>(count, int64_t(h.TotalSize()) - start);
        if (count <= 0) return;
        mes->InsertMode = mode ? 1 : 0;
        h.Show(int32_t(start), int32_t(count), *mes);
    }

  private:
    TVeskBaseList& root_;
    TVeskHistoryFormatManager& histories_;
};

// FormatHist Object, Format: a history format takes its layout from a message window.
class TFormatHistHandler final : public ICommandHandler {
  public:
    TFormatHistHandler(TVeskBaseList& root, TVeskHistoryFormatManager& h)
        : root_(root), histories_(h) {}
    void Execute(TCommand& cmd, TCallMan& cm, TPage*&, int32_t& pc) override {
        ++pc;
        const ObjectId id = cm.LookupObject(cmd.Field(0).Expr);
        TVeskHistoryFormat& f = histories_.Get(TextOf(cm, cmd.Field(1)));
        auto* obj = dynamic_cast<TVeskComponent*>(root_.ById(id));
        if (!obj || obj->IsScrapped()) {
            f.ResetSettings();
            return;
        }
        f.FontSize = obj->GetIntProp(PR_FONTHEIGHT);
        f.Border = obj->GetIntProp(PR_FONTBORDER);
        f.Shadow = obj->GetIntProp(PR_FONTSHADOW);
        f.PageWidth = obj->GetIntProp(PR_WIDTH);
        f.PageHeight = obj->GetIntProp(PR_HEIGHT);
        f.LineSpace = obj->GetIntProp(PR_LINESPACE);
    }

  private:
    TVeskBaseList& root_;
    TVeskHistoryFormatManager& histories_;
};

}  // namespace

void RegisterTextCommands(TCommandHandlers& handlers, TVeskBaseList& root,
                          TVeskHistoryFormatManager& histories, TVeskReadList& readList) {
    handlers.Register(CC_TEXTINS, std::make_shared<TTextInsHandler>(root));
    handlers.Register(CC_TEXTCLR, std::make_shared<TTextClrHandler>(root));
    handlers.Register(CC_CLRHIST, std::make_shared<TClrHistHandler>(histories));
    handlers.Register(CC_CLRREAD, std::make_shared<TClrReadHandler>(readList));
    handlers.Register(CC_CALLHIST, std::make_shared<TCallHistHandler>(root, histories));
    handlers.Register(CC_FORMATHIST, std::make_shared<TFormatHistHandler>(root, histories));
}

bool ExecHistoryFunc(TVeskHistoryFormatManager& histories, SysFuncCall& call) {
    switch (call.index) {
        case SF_GETHISTORYCOUNT:
        case SF_GETHISTORYMAXCOUNT: {
            TVeskHistoryFormat* f = histories.Find(call.Has(0) ? call.Arg(0).AsStr() : "");
            int32_t v = 0;
            if (f)
                v = call.index == SF_GETHISTORYCOUNT ? f->History.TotalSize()
                                                     : f->History.MaxEntries;
            call.dest.SetInt(v);
            return true;
        }
        case SF_SETHISTORYMAXCOUNT: {
            TVeskHistoryFormat* f = histories.Find(call.Has(0) ? call.Arg(0).AsStr() : "");
            // The entries beyond it go with the next page the history takes.
            if (f && call.Has(1)) f->History.MaxEntries = call.Arg(1).AsInt();
            return true;
        }
        default:
            return false;
    }
}

std::unique_ptr<TCustomParam> ReadHistoryVar(TVeskHistoryFormatManager& histories, int id) {
    if (id == SV_HISTORYCOUNT) return IntParam(histories.Default().History.TotalSize());
    if (id == SV_HISTORYMAXCOUNT) return IntParam(histories.Default().History.MaxEntries);
    return nullptr;
}

bool WriteHistoryVar(TVeskHistoryFormatManager& histories, int id, const TCustomParam& value) {
    if (id != SV_HISTORYMAXCOUNT) return false;
    histories.Default().History.MaxEntries = value.AsInt();
    return true;
}

}  // namespace vesk
