#pragma once
// A readable listing of a page: one line per command with its position, flags, line number,
// nesting, name and every field (expressions as text). Used by the tools and by tests that
// show what a page holds.
#include <string>

namespace vesk {

class TCommand;
class TPage;

// "Name=value" for every field of a command, separated by two blanks (CP932).
std::string CommandFieldsText(const TCommand& cmd);
// One line (without the line break) for command `index` of its page.
std::string CommandLine(const TCommand& cmd, int index);
// The header line and every command line, each ended by "\n".
std::string ListPage(const TPage& page);

}  // namespace vesk
