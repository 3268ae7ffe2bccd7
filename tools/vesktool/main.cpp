// vesktool: the command-line tool for game data. Each subcommand lives in its own file.
#include <cstdio>
#include <exception>
#include <string>

#include "command_table.h"

namespace {

// "vesktool archive list": the subcommands chosen so far, for messages.
std::string CommandPath(const CLI::App& tool) {
    std::string path = tool.get_name();
    for (const CLI::App* app = &tool;;) {
        auto chosen = app->get_subcommands();
        if (chosen.empty()) return path;
        app = chosen.front();
        path += " " + app->get_name();
    }
}

}  // namespace

int main(int argc, char** argv) {
    using namespace vesk::tool;
    CLI::App tool;
    TToolRun run;
    DescribeTool(tool, run);
    try {
        tool.parse(argc, argv);
        return run.status;
    } catch (const CLI::CallForHelp&) {
        // The help of the command named last.
        std::fputs(tool.help().c_str(), stdout);
        return kToolOk;
    } catch (const CLI::ParseError& e) {
        const std::string path = CommandPath(tool);
        std::fprintf(stderr, "%s: %s\n(%s --help tells how to call it)\n", path.c_str(), e.what(),
                     path.c_str());
        return kToolUsage;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", CommandPath(tool).c_str(), e.what());
        return kToolFailed;
    } catch (...) {
        std::fprintf(stderr, "%s: stopped by an unknown error\n", CommandPath(tool).c_str());
        return kToolFailed;
    }
}
