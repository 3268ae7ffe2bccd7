#pragma once
// The subcommands of vesktool and what they share: the command line library, the exit
// statuses and the way a subcommand reports a fault in how it was called.
#include <CLI/CLI.hpp>
#include <cstdint>
#include <string>

namespace vesk::tool {

// Exit statuses, the same for every subcommand.
enum ToolExit : int {
    kToolOk = 0,
    kToolFailed = 1,  // the work failed: unreadable input, a write error, damaged members
    kToolUsage = 2,   // the command line does not say what to do
};

// What the subcommand that ran leaves for the exit status.
struct TToolRun {
    int status = kToolOk;
};

// Adds one subcommand (and its own subcommands) to the tool; its callbacks set `run`.
using AddCommandFn = void (*)(CLI::App& tool, TToolRun& run);
struct CommandEntry {
    const char* name;
    AddCommandFn add;
};
// Ends with a row of nulls.
extern const CommandEntry kCommands[];

// The whole command line of the tool on `tool`: every subcommand of kCommands, whose callbacks
// set `run`.
void DescribeTool(CLI::App& tool, TToolRun& run);

// A positional argument, named in the help by `name` alone.
template <class T>
CLI::Option* AddArg(CLI::App* app, const std::string& name, T& target, const std::string& what) {
    return app->add_option(name, target, what)->type_name("");
}

// A fault in how the command was called: exit status 2 with `message`.
[[noreturn]] inline void UsageError(const std::string& message) {
    throw CLI::ValidationError(message);
}

// A whole number within lo..hi, decimal or hexadecimal with a 0x prefix; a usage error naming
// `option` otherwise.
int64_t NumberArg(const std::string& text, const std::string& option, int64_t lo, int64_t hi);

}  // namespace vesk::tool
