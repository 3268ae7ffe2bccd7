#pragma once

namespace vesk::tool {

using CommandFn = int (*)(int argc, char** argv);
struct CommandEntry {
    const char* name;
    CommandFn fn;
};
// Ends with a row of nulls.
extern const CommandEntry kCommands[];

}  // namespace vesk::tool
