#pragma once
// What the interpreter needs from the rest of the player: the pages, the project (save and
// load requests, reset, quitting, the clock), the display root (objects, properties, the
// event queue) and the trace. The object and media commands go to their handlers
// (command_handlers.h). Higher layers implement these;
// tests use small fakes.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "script/timer_list.h"

namespace vesk {

class TCallMan;
class TCommand;
class TCustomParam;
class TPage;

// Where pages come from (the virtual file manager in the player).
class IPageSource {
  public:
    virtual ~IPageSource() = default;
    // The whole stored page; raises a VeskError when it cannot be read.
    virtual std::vector<uint8_t> LoadPage(const std::string& name) = 0;
    virtual bool PageExists(const std::string& name) = 0;
};

struct TSaveRequest {
    int32_t Slot = 0;
    std::string Caption;
    std::string LoadPage;
    int32_t LoadTarget = 0;
};

// The project's side. Every operation has a harmless default, so a host overrides only
// what it provides.
class IScriptProject {
  public:
    virtual ~IScriptProject() = default;
    virtual void RequestSave(const TSaveRequest&) {}
    virtual void RequestLoad(int32_t /*slot*/) {}
    // Reset: the tables and the message histories (the interpreter resets the variables and
    // the display root frees its objects).
    virtual void ResetWorld() {}
    // Asks the main window to close (after the quit flag is set).
    virtual void PostClose() {}
    // The game time and the length of the current frame, in milliseconds.
    virtual uint32_t TickCount() { return 0; }
    virtual int32_t FrameTime() { return 0; }
    // A command raised an error, which the interpreter drops (the game goes on as if the
    // command had done nothing more). `where` names the page, line and command (CP932);
    // `message` is UTF-8. For the player's diagnostics only.
    virtual void CommandFailed(const std::string& /*where*/, const std::string& /*message*/) {}
    // A command that nothing carries out yet (no handler registered for it, or an object
    // kind nobody makes) was stepped over. `name` is the command's name ("ImgNew").
    virtual void CommandNotCarriedOut(const std::string& /*name*/) {}
};

// The display root as the interpreter sees it.
class IScriptDisplay : public IObjectNames {
  public:
    virtual TTimerList& Events() = 0;
    // A property of an object; nullptr when it cannot be read.
    virtual std::unique_ptr<TCustomParam> GetProp(ObjectId id, int32_t index) = 0;
    virtual void SetProp(ObjectId id, int32_t index, const TCustomParam& value) = 0;
    // Frees every display object (Reset).
    virtual void FreeAll() = 0;
};

// Receives trace lines (one per executed command) when tracing is on.
class ITraceWriter {
  public:
    virtual ~ITraceWriter() = default;
    virtual void WriteLine(const std::string& line) = 0;
};

// Appends trace lines to a file ("dbglog.txt" beside the game).
class TFileTraceWriter final : public ITraceWriter {
  public:
    explicit TFileTraceWriter(const std::string& path);
    ~TFileTraceWriter() override;
    void WriteLine(const std::string& line) override;

  private:
    std::FILE* f_ = nullptr;
};

}  // namespace vesk
