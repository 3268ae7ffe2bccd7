// The tool's command line as a whole, and what its subcommands share.
#include <cerrno>
#include <cstdlib>

#include "command_table.h"

namespace vesk::tool {

void DescribeTool(CLI::App& tool, TToolRun& run) {
    tool.name("vesktool");
    tool.description("vesktool: the command-line tool for game data");
    tool.require_subcommand(1);
    // An option given twice takes its last value; the subcommands inherit this.
    tool.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    tool.footer("Every command answers --help. Exit status: 0 done, 1 failed, 2 usage error.");
    for (auto* c = kCommands; c->name; ++c) c->add(tool, run);
}

int64_t NumberArg(const std::string& text, const std::string& option, int64_t lo, int64_t hi) {
    // Decimal, or hexadecimal after "0x"; a leading zero does not make octal.
    const size_t sign = text.size() > 0 && text[0] == '-' ? 1 : 0;
    const bool hex = text.size() > sign + 1 && text[sign] == '0' &&
                     (text[sign + 1] == 'x' || text[sign + 1] == 'X');
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(text.c_str(), &end, hex ? 16 : 10);
    if (text.empty() || *end || errno == ERANGE || v < lo || v > hi)
        UsageError(option + " takes a whole number from " + std::to_string(lo) + " to " +
                   std::to_string(hi) + ", not \"" + text + "\"");
    return v;
}

}  // namespace vesk::tool
