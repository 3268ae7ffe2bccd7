#pragma once
// The commands the interpreter does not carry out itself (object creation, flips, cabinets,
// text, history and media commands) reach the subsystem that registered a handler for their
// code. The engine fills one table when it is built; a command without a handler steps on
// and is reported once through the project.
#include <array>
#include <cstdint>
#include <memory>

#include "script/command_info.h"

namespace vesk {

class TCallMan;
class TCommand;
class TPage;

class ICommandHandler {
  public:
    virtual ~ICommandHandler() = default;
    // Once, before the first Execute of a run of the command.
    virtual void Prepare(TCommand&, TCallMan&) {}
    // Must move `pc` (or `page`) when the command has finished; staying means it runs again
    // in a later frame.
    virtual void Execute(TCommand& cmd, TCallMan& cm, TPage*& page, int32_t& pc) = 0;
    // The command is abandoned while it runs (the call stack was reset).
    virtual void Abort(TCommand&, TCallMan&) {}
};

class TCommandHandlers {
  public:
    // One handler may serve several codes; a later registration replaces an earlier one.
    void Register(CommandCode code, std::shared_ptr<ICommandHandler> handler) {
        handlers_[code] = std::move(handler);
    }
    ICommandHandler* Find(uint8_t code) const {
        return code < handlers_.size() ? handlers_[code].get() : nullptr;
    }

  private:
    std::array<std::shared_ptr<ICommandHandler>, kCommandTypeCount> handlers_{};
};

}  // namespace vesk
