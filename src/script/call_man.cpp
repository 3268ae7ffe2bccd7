#include "script/call_man.h"

#include <algorithm>
#include <cstdio>

#include "base/cp932.h"
#include "base/error.h"
#include "script/command_handlers.h"
#include "script/command_info.h"
#include "script/commands.h"
#include "vars/param.h"
#include "vars/param_collection.h"
#include "vars/sys_func_table.h"
#include "vars/vesk_parser.h"

namespace vesk {

namespace {

// The smallest stored frame: every string empty, no state, no result value.
constexpr int64_t kMinFrameBytes = 4 + 4 + 1 + 1 + 4 + 4 + 4 + 4 + 1;

std::unique_ptr<TCustomParam> CloneValue(const TCustomParam* v) {
    if (!v || dynamic_cast<const TParamVar*>(v)) return nullptr;
    auto c = MakeParam(v->ParamType());
    if (c) c->CopyFrom(*v);
    return c;
}

}  // namespace

// ---- frames

TStack& TStack::operator=(const TStack& o) {
    if (this == &o) return *this;
    PageName = o.PageName;
    PC = o.PC;
    Started = o.Started;
    Running = o.Running;
    ResultVar = o.ResultVar;
    Args = o.Args;
    Sender = o.Sender;
    State = o.State ? std::make_unique<MemoryStream>(o.State->Bytes()) : nullptr;
    ResultValue = CloneValue(o.ResultValue.get());
    return *this;
}

void TStackList::Push(TStack frame) {
    frames_.push_back(std::move(frame));
    Sync();
}

TStack& TStackList::Pop() {
    if (frames_.empty()) Fail(VESK_JP("スタックエラー"));
    Spare = std::move(frames_.back());
    frames_.pop_back();
    Sync();
    return Spare;
}

void TStackList::Delete(int32_t index) {
    if (index < 0 || index >= Count()) return;
    frames_.erase(frames_.begin() + index);
    Sync();
}

void TStackList::Clear() {
    frames_.clear();
    Sync();
}

// ---- the interpreter

TCallMan::TCallMan(TParamCollection& store, TSysFuncMan* funcs, IPageSource& pages)
    : store_(store), funcs_(funcs), pages_(pages), callStack_(store) {}

TCallMan::~TCallMan() {
    if (store_.SystemProvider() == this) store_.SetSystemProvider(nextVars_);
    if (funcs_ && funcs_->Host() == this) funcs_->SetHost(nextFuncs_);
    page_ = nullptr;
    cache_.clear();
}

void TCallMan::Attach() {
    if (store_.SystemProvider() != this) {
        nextVars_ = store_.SystemProvider();
        store_.SetSystemProvider(this);
    }
    if (funcs_ && funcs_->Host() != this) {
        nextFuncs_ = funcs_->Host();
        funcs_->SetHost(this);
    }
}

std::unique_ptr<TPage> TCallMan::LoadPage(const std::string& name) {
    auto page = std::make_unique<TPage>(name, &store_);
    if (page->Load(name, pages_) == TPage::LoadResult::TooOld) {
        // A page from an authoring tool too old to read: the game must be rebuilt.
        SetQuitFlag();
        if (msgBox_)
            msgBox_->Show(name + "\r\n" + VESK_JP("リビルドしてください"), VESK_JP("警告"),
                          MsgButtons::Ok, MsgIcon::Warning);
        project_->PostClose();
    }
    return page;
}

TPage* TCallMan::GetPage(const std::string& name, bool promote) {
    for (size_t i = 0; i < cache_.size(); ++i) {
        if (cache_[i]->Name != name) continue;
        TPage* p = cache_[i].get();
        if (promote && i > 0)
            std::rotate(cache_.begin(), cache_.begin() + ptrdiff_t(i),
                        cache_.begin() + ptrdiff_t(i) + 1);
        return p;
    }
    std::unique_ptr<TPage> loaded = LoadPage(name);
    TPage* p = loaded.get();
    if (!promote) {
        cache_.push_back(std::move(loaded));
        return p;
    }
    cache_.insert(cache_.begin(), std::move(loaded));
    while (cache_.size() > kPageCacheLimit && cache_.back().get() != page_) {
        lastTraced_ = nullptr;
        cache_.pop_back();
    }
    return p;
}

TPage* TCallMan::Start(const std::string& name) {
    TPage* p = GetPage(name, true);
    page_ = p;
    pc_ = 0;
    started_ = false;
    args_.clear();
    eventState_ = EventState::MainFlow;
    callStack_.Clear();
    sender_ = 0;
    if (display_)
        for (int32_t level = 1; level <= eventLevel_; ++level)
            display_->Events().RemoveLevel(level);
    eventLevel_ = 2;
    return p;
}

void TCallMan::Trace(const std::string& line) {
    if (trace_) trace_->WriteLine(line);
}

TCallMan::ExecResult TCallMan::ExecuteAt(TPage* page) {
    ExecResult res{page, false};
    if (pc_ < 0 || pc_ >= page->Count()) {
        res.page = nullptr;
        return res;
    }
    const int32_t startPC = pc_;
    TCommand* cmd = nullptr;
    // A failing command ends silently for the game; the player may still want to say why.
    auto failed = [&](const char* message) {
        if (!project_ || !cmd) return;
        project_->CommandFailed(page->Name + ", line " + std::to_string(cmd->LineNo) + " (" +
                                    CommandName(cmd->GetType()) + ")",
                                message);
    };
    try {
        cmd = page->At(pc_);
        if (trace_ && cmd != lastTraced_) {
            char head[16];
            std::snprintf(head, sizeof head, "%.8x", unsigned(project_->TickCount()));
            Trace(std::string(head) + " : " + page->Name + "(" + std::to_string(cmd->LineNo) + ")");
            lastTraced_ = cmd;
        }
        if (!started_) {
            if (cmd->GetDisabled()) {
                ++pc_;
                return res;
            }
            cmd->Prepare(*this);
            started_ = true;
        }
        running_ = cmd->GetRunNext();
        res.yield = cmd->YieldsInEvent();
        cmd->Execute(*this, res.page, pc_);
    } catch (const std::exception& e) {
        // A failing command ends silently; whatever it had done stays done.
        failed(e.what());
    } catch (...) {
        failed("an unknown error");
    }
    // A command that moved the program counter (even one that then failed) has finished, so
    // the next one is prepared afresh.
    if (res.page != page || pc_ != startPC) started_ = false;
    return res;
}

TCallMan::StepResult TCallMan::Step() {
    if (!page_) {
        running_ = false;
        eventState_ = EventState::MainFlow;
        return StepResult::Continue;
    }
    ExecResult sr = ExecuteAt(page_);
    const StepResult result = sr.yield ? StepResult::Yielded : StepResult::Continue;
    if (sr.page) {
        page_ = sr.page;
        return result;
    }
    if (callStack_.Count() == 0) {
        running_ = false;
        // Only damaged save data gets here inside an event; with nothing to return to, the
        // event machinery goes back to the main flow instead of spinning.
        eventState_ = EventState::MainFlow;
        return result;
    }
    store_.FreeOwned(callStack_.Count());
    TStack& f = callStack_.Pop();
    if (!f.ResultVar.empty()) {
        if (TParamCollectionItem* item = store_.Find(f.ResultVar)) {
            try {
                if (f.ResultValue) item->Param()->Assign(*f.ResultValue);
            } catch (...) {
            }
        } else {
            // Reading the value can fail too (an empty array from damaged save data).
            try {
                std::string text = f.ResultVar + " = \"" +
                                   (f.ResultValue ? f.ResultValue->AsStr() : std::string()) + "\"";
                CompileAndRun(text, store_, funcs_);
            } catch (...) {
            }
        }
    }
    try {
        page_ = f.PageName.empty() ? nullptr : GetPage(f.PageName, true);
    } catch (...) {
        page_ = nullptr;
    }
    pc_ = f.PC;
    started_ = f.Started != 0;
    running_ = f.Running != 0;
    args_ = f.Args;
    sender_ = f.Sender;
    if (f.State && page_ && pc_ >= 0 && pc_ < page_->Count()) {
        f.State->Seek(0, SeekFrom::Begin);
        StreamReader r(*f.State);
        try {
            page_->At(pc_)->LoadState(r, *this);
        } catch (...) {
        }
    }
    if (!sender_) return StepResult::ReturnedToMain;
    return result == StepResult::Continue ? StepResult::ReturnedIntoEvent : result;
}

void SplitEventPage(const std::string& ref, std::string& page, std::string& label) {
    size_t colon = std::string::npos;
    for (size_t i = 0; i < ref.size(); i += CharLenAt(ref, i)) {
        char c = ref[i];
        if (c == ':')
            colon = i;
        else if (c == '.' || c == '\\')
            colon = std::string::npos;
    }
    if (colon != std::string::npos) {
        page = ref.substr(0, colon);
        label = ref.substr(colon + 1);
    } else {
        page = ref;
        label.clear();
    }
    size_t chars = CharCount(page);
    page = page.substr(0, chars >= 3 ? CharToByte(page, chars - 3) : 0) + "lsb";
}

bool TCallMan::StartEvent(int32_t level) {
    const bool inPage = page_ && pc_ >= 0 && pc_ < page_->Count();
    if (inPage && started_ && page_->At(pc_)->BlocksEvents()) return false;
    if (!display_) return false;
    TTimerList& queue = display_->Events();
    TTimerData* e = queue.FirstPending();
    if (!e) return false;
    std::string path, label;
    SplitEventPage(e->EventPage, path, label);
    if (!PageExists(path)) return false;
    TPage* target;
    try {
        target = GetPage(path, true);
    } catch (...) {
        return false;
    }
    TStack f;
    f.PageName = page_ ? page_->Name : std::string();
    f.PC = pc_;
    f.Started = started_ ? 1 : 0;
    f.Args = args_;
    f.Sender = sender_;
    f.Running = running_ ? 1 : 0;
    if (inPage && started_ && page_->At(pc_)->HasState()) {
        f.State = std::make_unique<MemoryStream>();
        StreamWriter w(*f.State);
        page_->At(pc_)->SaveState(w, *this);
    }
    callStack_.Push(std::move(f));
    page_ = target;
    pc_ = 0;
    if (!label.empty()) pc_ = std::max(page_->FindLabel(label), 0);
    if (trace_ && pc_ < page_->Count()) {
        char head[16];
        std::snprintf(head, sizeof head, "%.8x", unsigned(project_->TickCount()));
        Trace(std::string(head) + " : <Event>" + path + "(" +
              std::to_string(page_->At(pc_)->LineNo) + ")");
        lastTraced_ = page_->At(pc_);
    }
    started_ = false;
    e->Level = level;
    args_ = e->Args;
    sender_ = e->Sender;
    eventState_ = EventState::InEvent;
    return true;
}

void TCallMan::Run() {
    for (;;) {
        switch (eventState_) {
            case EventState::MainFlow:
                if (!StartEvent(1)) Step();
                break;
            case EventState::InEvent: {
                const StepResult r = Step();
                if (r == StepResult::ReturnedToMain) {
                    if (display_) display_->Events().RemoveLevel(1);
                    eventState_ = EventState::MainFlow;
                    running_ = true;
                } else if (r == StepResult::Yielded) {
                    eventLevel_ = 2;
                    eventState_ = EventState::SeekNested;
                    return;
                } else if (eventState_ != EventState::InEvent) {
                    running_ = true;
                }
                break;
            }
            case EventState::SeekNested:
                if (StartEvent(eventLevel_)) {
                    ++eventLevel_;
                    eventState_ = EventState::InNestedEvent;
                } else {
                    eventState_ = eventLevel_ < 3 ? EventState::InEvent : EventState::InNestedEvent;
                }
                break;
            case EventState::InNestedEvent: {
                const StepResult r = Step();
                if (r == StepResult::ReturnedToMain || r == StepResult::ReturnedIntoEvent) {
                    --eventLevel_;
                    if (display_) display_->Events().RemoveLevel(eventLevel_);
                    if (eventLevel_ < 3) eventState_ = EventState::SeekNested;
                } else if (r == StepResult::Yielded) {
                    eventState_ = EventState::SeekNested;
                    return;
                }
                break;
            }
            default:
                // Not a state the interpreter ever sets (only a damaged save could).
                eventState_ = EventState::MainFlow;
                break;
        }
        if (!running_ && eventState_ == EventState::MainFlow) return;
        if (QuitFlag()) return;
    }
}

const std::string* TCallMan::TextBlockOf(const std::string& page, int32_t index) {
    auto* cmd = dynamic_cast<TComTextIns*>(GetPage(page, false)->At(index));
    return cmd ? &cmd->TextBlock() : nullptr;
}

ICommandHandler* TCallMan::HandlerFor(uint8_t code) const {
    return handlers_ ? handlers_->Find(code) : nullptr;
}

void TCallMan::PushCall(TStack frame, std::vector<std::string> args) {
    frame.Args = std::move(args_);
    frame.Sender = sender_;
    frame.Running = running_ ? 1 : 0;
    callStack_.Push(std::move(frame));
    args_ = std::move(args);
}

std::string TCallMan::GetArg(int32_t i) const {
    return i >= 0 && i < ArgCount() ? args_[size_t(i)] : std::string();
}

std::string TCallMan::NameOf(ObjectId id) {
    return id && display_ ? display_->ObjectName(id) : std::string();
}

ObjectId TCallMan::FindByName(const std::string& name) {
    return !name.empty() && display_ ? display_->FindObject(name) : 0;
}

std::string TCallMan::GetSenderName() {
    return eventState_ != EventState::MainFlow ? NameOf(sender_) : std::string();
}

TCustomParam* TCallMan::CurrentResult() {
    return callStack_.Count() ? callStack_.Top().ResultValue.get() : nullptr;
}

bool TCallMan::DeleteStack(int32_t index) {
    if (index < 0 || index >= callStack_.Count()) return false;
    store_.FreeOwned(index);
    callStack_.Delete(index);
    for (size_t i = 0; i < store_.Count(); ++i) {
        TParamCollectionItem* it = store_.At(i);
        if (!it->IsSystem() && it->Owner > index) --it->Owner;
    }
    return true;
}

TCustomParam* TCallMan::Eval(TVeskParser& expr) {
    if (expr.Ops.empty()) return nullptr;
    expr.Execute(store_, funcs_);
    return expr.Result.get();
}

bool TCallMan::IsTrue(TVeskParser& expr) {
    TCustomParam* v = Eval(expr);
    return v && v->AsFlag();
}

ObjectId TCallMan::LookupObject(TVeskParser& expr) {
    TCustomParam* v = Eval(expr);
    return v ? FindByName(v->AsStr()) : 0;
}

// ---- system variables and functions

std::unique_ptr<TCustomParam> TCallMan::ReadSystemVar(int id) {
    switch (id) {
        case SV_PARAMCOUNT: {
            auto v = MakeParam(PT_INT);
            v->SetInt(ArgCount());
            return v;
        }
        case SV_PARAMSTR: {
            auto v = std::make_unique<TParamStr>();
            v->Values = args_;
            v->Dims = {ArgCount()};
            return v;
        }
        case SV_SENDER: {
            auto v = MakeParam(PT_STR);
            v->SetStr(GetSenderName());
            return v;
        }
        case SV_STACKCOUNT: {
            auto v = MakeParam(PT_INT);
            v->SetInt(callStack_.Count());
            return v;
        }
        default:
            return nextVars_ ? nextVars_->ReadSystemVar(id) : nullptr;
    }
}

void TCallMan::WriteSystemVar(int id, const TCustomParam& value) {
    if (nextVars_) nextVars_->WriteSystemVar(id, value);
}

bool TCallMan::ExecFunc(SysFuncCall& call) {
    if (call.index >= 0 && call.index < kSysFuncCount &&
        std::string_view(kSysFuncs[call.index].name) == "DeleteStack") {
        call.dest.SetFlag(DeleteStack(call.Arg(0).AsInt()));
        return true;
    }
    return nextFuncs_ && nextFuncs_->ExecFunc(call);
}

uint8_t TCallMan::PropertyType(int32_t index) {
    return nextFuncs_ ? nextFuncs_->PropertyType(index) : 0;
}

// ---- saved state

void TCallMan::WriteFrame(StreamWriter& w, const TStack& f) {
    w.Str(f.PageName);
    w.I32(f.PC);
    w.U8(f.Started);
    w.U8(f.Running);
    w.Str(f.ResultVar);
    WriteArgs(w, f.Args);
    w.Str(NameOf(f.Sender));
    if (f.State) {
        const auto& bytes = f.State->Bytes();
        w.I32(int32_t(bytes.size()));
        w.Raw(bytes.data(), bytes.size());
    } else {
        w.I32(0);
    }
    const TCustomParam* v = f.ResultValue.get();
    if (v && !dynamic_cast<const TParamVar*>(v)) {
        w.U8(v->ParamType());
        v->SaveToStream(w);
    } else {
        w.U8(0);
    }
}

TStack TCallMan::ReadFrame(StreamReader& r) {
    TStack f;
    f.PageName = r.Str("frame page");
    f.PC = r.I32("frame position");
    f.Started = r.U8("frame flag");
    f.Running = r.U8("frame flag");
    f.ResultVar = r.Str("frame result variable");
    f.Args = ReadArgs(r);
    f.Sender = FindByName(r.Str("frame sender"));
    int32_t n = r.I32("frame state size");
    if (n > 0) {
        std::string bytes = r.Bytes(size_t(n), "frame state");
        f.State = std::make_unique<MemoryStream>(std::vector<uint8_t>(bytes.begin(), bytes.end()));
    }
    uint8_t type = r.U8("frame result type");
    if (type != 0) {
        f.ResultValue = MakeParam(type);
        if (!f.ResultValue) Fail("invalid result value type in a saved frame");
        f.ResultValue->LoadFromStream(r, &store_);
    }
    return f;
}

void TCallMan::SaveToStream(Stream& s) {
    StreamWriter w(s);
    w.Str(page_ ? page_->Name : std::string());
    w.I32(pc_);
    w.Flag(running_);
    w.Flag(started_);
    w.I32(int32_t(eventState_));
    w.Str(NameOf(sender_));
    WriteArgs(w, args_);
    WriteFrame(w, callStack_.Spare);
    w.I32(callStack_.Count());
    for (int32_t i = 0; i < callStack_.Count(); ++i) WriteFrame(w, callStack_.At(i));
    w.I32(eventLevel_);
    if (started_ && page_ && pc_ >= 0 && pc_ < page_->Count() && page_->At(pc_)->HasState())
        page_->At(pc_)->SaveState(w, *this);
}

void TCallMan::LoadFromStream(Stream& s, int32_t saveVersion) {
    StreamReader r(s);
    std::string pageName = r.Str("current page");
    int32_t pc = r.I32("program counter");
    bool running = r.Flag("running flag");
    bool started = r.Flag("started flag");
    int32_t eventState = r.I32("event state");
    ObjectId sender = FindByName(r.Str("sender"));
    std::vector<std::string> args = ReadArgs(r);
    TStack spare = ReadFrame(r);
    int32_t count = r.I32("frame count");
    if (count < 0) count = 0;
    r.CheckCount(count, kMinFrameBytes, "call frames");
    std::vector<TStack> frames;
    frames.reserve(size_t(count));
    for (int32_t i = 0; i < count; ++i) frames.push_back(ReadFrame(r));
    int32_t eventLevel = saveVersion >= 116 ? r.I32("event level") : 2;

    page_ = pageName.empty() ? nullptr : GetPage(pageName, true);
    pc_ = pc;
    running_ = running;
    started_ = started;
    // Kept as read: a value the interpreter never sets falls back to the main flow when it runs.
    eventState_ = EventState(eventState);
    sender_ = sender;
    args_ = std::move(args);
    callStack_.Clear();
    for (auto& f : frames) callStack_.Push(std::move(f));
    callStack_.Spare = std::move(spare);
    eventLevel_ = eventLevel;
    if (started_ && page_ && pc_ >= 0 && pc_ < page_->Count() && page_->At(pc_)->HasState()) {
        restoringGame_ = true;
        struct Done {
            bool& flag;
            ~Done() { flag = false; }
        } done{restoringGame_};
        page_->At(pc_)->LoadState(r, *this);
    }
}

void TCallMan::EnterLoadPage(const std::string& name, int32_t target) {
    TPage* target_page = GetPage(name, true);
    if (page_) {
        TStack f;
        f.PageName = page_->Name;
        f.PC = pc_;
        f.Started = started_ ? 1 : 0;
        f.Running = running_ ? 1 : 0;
        f.Args = args_;
        f.Sender = sender_;
        if (started_ && pc_ >= 0 && pc_ < page_->Count() && page_->At(pc_)->HasState()) {
            f.State = std::make_unique<MemoryStream>();
            StreamWriter w(*f.State);
            page_->At(pc_)->SaveState(w, *this);
        }
        callStack_.Push(std::move(f));
    }
    page_ = target_page;
    // The saved page's place means nothing in another page: without a target the load
    // page starts at its beginning, and no command of it counts as prepared.
    pc_ = target > 0 ? target : 0;
    started_ = false;
}

}  // namespace vesk
