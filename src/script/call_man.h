#pragma once
// The interpreter: the current page and program counter, the call stack, the page cache and
// the scheduling of script events as sub-executions of their event pages.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/message_box.h"
#include "base/stream.h"
#include "script/page.h"
#include "script/script_env.h"
#include "vars/param_collection.h"
#include "vars/param_system.h"
#include "vars/sys_func.h"

namespace vesk {

class TParamCollection;
class TSysFuncMan;
class TVeskParser;

// One saved frame of the call stack.
struct TStack {
    std::string PageName;
    int32_t PC = 0;
    uint8_t Started = 0;
    uint8_t Running = 0;
    std::string ResultVar;
    std::vector<std::string> Args;
    ObjectId Sender = 0;
    // The running state of the interrupted command, or none.
    std::unique_ptr<MemoryStream> State;
    // Receives the called page's result, or none.
    std::unique_ptr<TCustomParam> ResultValue;

    TStack() = default;
    TStack(const TStack& o) { *this = o; }
    TStack& operator=(const TStack& o);
    TStack(TStack&&) = default;
    TStack& operator=(TStack&&) = default;
};

// The call stack. Every change sets the variable store's current level to the depth, which
// ties local and auto-dispose variables to call levels.
class TStackList {
  public:
    explicit TStackList(TParamCollection& store) : store_(store) {}
    int32_t Count() const { return int32_t(frames_.size()); }
    TStack& At(int32_t i) { return frames_[size_t(i)]; }
    TStack& Top() { return frames_.back(); }
    void Push(TStack frame);
    // Removes the top frame into Spare; raises "スタックエラー" when empty.
    TStack& Pop();
    void Delete(int32_t index);
    void Clear();
    // A copy of the last popped frame (kept in saves).
    TStack Spare;

  private:
    void Sync() { store_.CurrentLevel = Count(); }
    TParamCollection& store_;
    std::vector<TStack> frames_;
};

// Where the interpreter is in running events (saved as an integer).
enum class EventState : int32_t {
    MainFlow = 0,       // the main flow runs; a queued event may start
    InEvent = 1,        // a first-level event runs
    SeekNested = 2,     // an event yielded: a further event may start on top of it
    InNestedEvent = 3,  // a nested event runs
};

class ICommandHandler;
class TCommandHandlers;

class TCallMan : public ISystemVarProvider, public ISysFuncHost {
  public:
    static constexpr size_t kPageCacheLimit = 10;

    TCallMan(TParamCollection& store, TSysFuncMan* funcs, IPageSource& pages);
    ~TCallMan() override;
    TCallMan(const TCallMan&) = delete;
    TCallMan& operator=(const TCallMan&) = delete;

    // Collaborators; the display root and the trace may be absent.
    void SetProject(IScriptProject* p) { project_ = p ? p : &noProject_; }
    void SetDisplay(IScriptDisplay* d) { display_ = d; }
    void SetTrace(ITraceWriter* t) { trace_ = t; }
    void SetMessageBox(IMessageBox* m) { msgBox_ = m; }
    // Where the object, text and media commands are carried out (null: nowhere).
    void SetHandlers(const TCommandHandlers* h) { handlers_ = h; }
    ICommandHandler* HandlerFor(uint8_t code) const;
    // Providers of the system variables and functions this interpreter does not answer.
    void SetNextProvider(ISystemVarProvider* p) { nextVars_ = p; }
    void SetNextHost(ISysFuncHost* h) { nextFuncs_ = h; }
    // Registers this interpreter as the store's system-variable provider and the function
    // manager's host (the previous ones become the next in line).
    void Attach();

    TParamCollection& Store() { return store_; }
    TSysFuncMan* Funcs() { return funcs_; }
    IScriptProject& Project() { return *project_; }
    IScriptDisplay* Display() { return display_; }

    // The page cache, most recently used first.
    TPage* GetPage(const std::string& name, bool promote);
    size_t CachedCount() const { return cache_.size(); }
    TPage* CachedAt(size_t i) const { return cache_[i].get(); }
    bool PageExists(const std::string& name) { return pages_.PageExists(name); }
    // The text block of the TextIns command at `index` of a page (the message history
    // replays texts by page and index), or nullptr when that command is something else.
    const std::string* TextBlockOf(const std::string& page, int32_t index);

    TPage* Start(const std::string& name);
    // One frame of execution.
    void Run();

    // The process-wide quit flag (kept here unless the host binds its own).
    bool QuitFlag() const { return *quit_; }
    void SetQuitFlag() { *quit_ = true; }
    void BindQuitFlag(bool& flag) { quit_ = &flag; }

    // The running state, as commands and tests read it.
    TPage* CurrentPage() const { return page_; }
    int32_t PC() const { return pc_; }
    // Whether the interpreter goes on with the next command in this frame.
    bool Running() const { return running_; }
    // A command that waits ends the frame's run (it executes again next frame).
    void Yield() { running_ = false; }
    bool Started() const { return started_; }
    EventState State() const { return eventState_; }
    int32_t EventLevel() const { return eventLevel_; }
    ObjectId Sender() const { return sender_; }
    const std::vector<std::string>& Args() const { return args_; }
    // The call stack; Call and PCReset change its frames.
    TStackList& CallStack() { return callStack_; }
    // Enters a called page: saves the caller's place as a frame (with this level's
    // arguments) and makes `args` the current arguments.
    void PushCall(TStack frame, std::vector<std::string> args);

    int32_t ArgCount() const { return int32_t(args_.size()); }
    std::string GetArg(int32_t i) const;
    std::string GetSenderName();
    TCustomParam* CurrentResult();
    // Removes frame `index` (the "DeleteStack" function); false when out of range.
    bool DeleteStack(int32_t index);

    // Evaluation for commands: runs the expression and returns its value, or nullptr.
    TCustomParam* Eval(TVeskParser& expr);
    bool IsTrue(TVeskParser& expr);
    // The object named by an expression, or 0 (empty text, no display, no such object).
    ObjectId LookupObject(TVeskParser& expr);

    // Object names through the display root (empty / 0 without one).
    std::string NameOf(ObjectId id);
    ObjectId FindByName(const std::string& name);

    // The interpreter state inside a game save.
    void SaveToStream(Stream& s);
    void LoadFromStream(Stream& s, int32_t saveVersion);
    // Right after a load: runs `page` first, from command `target` (from its start when
    // `target` is not positive); the restored place waits on the call stack, with the
    // running state of a command in progress, and goes on when the page ends. Raises when
    // the page cannot be loaded (nothing has changed then).
    void EnterLoadPage(const std::string& page, int32_t target);
    // True while LoadFromStream puts a saved game's command state back (a command may then
    // have to restart what lived outside the save), false when a call frame returns.
    bool RestoringGame() const { return restoringGame_; }

    // ISystemVarProvider
    std::unique_ptr<TCustomParam> ReadSystemVar(int id) override;
    void WriteSystemVar(int id, const TCustomParam& value) override;
    TCustomParam* CallResult() override { return CurrentResult(); }
    // ISysFuncHost
    bool ExecFunc(SysFuncCall& call) override;
    uint8_t PropertyType(int32_t index) override;

  private:
    // What one command step ended in.
    enum class StepResult {
        Continue,           // the flow goes on where it is
        ReturnedToMain,     // an event page returned into the main flow
        Yielded,            // the command yields inside an event
        ReturnedIntoEvent,  // a nested event returned into the event below
    };
    struct ExecResult {
        TPage* page;
        bool yield;
    };
    StepResult Step();
    bool StartEvent(int32_t level);
    ExecResult ExecuteAt(TPage* page);
    std::unique_ptr<TPage> LoadPage(const std::string& name);
    void Trace(const std::string& line);
    void WriteFrame(StreamWriter& w, const TStack& f);
    TStack ReadFrame(StreamReader& r);

    TParamCollection& store_;
    TSysFuncMan* funcs_;
    IPageSource& pages_;
    IScriptProject noProject_;
    IScriptProject* project_ = &noProject_;
    IScriptDisplay* display_ = nullptr;
    ITraceWriter* trace_ = nullptr;
    IMessageBox* msgBox_ = nullptr;
    const TCommandHandlers* handlers_ = nullptr;
    ISystemVarProvider* nextVars_ = nullptr;
    ISysFuncHost* nextFuncs_ = nullptr;
    bool ownQuit_ = false;
    bool* quit_ = &ownQuit_;
    const TCommand* lastTraced_ = nullptr;
    std::vector<std::unique_ptr<TPage>> cache_;

    TPage* page_ = nullptr;
    int32_t pc_ = 0;
    bool running_ = false;
    bool started_ = false;
    std::vector<std::string> args_;
    EventState eventState_ = EventState::MainFlow;
    ObjectId sender_ = 0;
    int32_t eventLevel_ = 2;
    bool restoringGame_ = false;
    TStackList callStack_;
};

// The event-page reference split into the page to run and the label to start at:
// "a\b.txt:L" gives ("a\b.lsb", "L").
void SplitEventPage(const std::string& ref, std::string& page, std::string& label);

}  // namespace vesk
