// vesktool: the command-line tool for game data. Each subcommand lives in its own file.
#include <cstdio>
#include <cstring>
#include <exception>

#include "base/error.h"
#include "command_table.h"

int main(int argc, char** argv) {
    using vesk::tool::kCommands;
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0) {
        std::fprintf(stderr, "usage: vesktool COMMAND [ARGS...]\ncommands:");
        for (auto* c = kCommands; c->name; ++c) std::fprintf(stderr, " %s", c->name);
        std::fprintf(stderr, "\n");
        return 2;
    }
    for (auto* c = kCommands; c->name; ++c) {
        if (std::strcmp(c->name, argv[1]) == 0) {
            try {
                return c->fn(argc - 1, argv + 1);
            } catch (const vesk::VeskError& e) {
                std::fprintf(stderr, "vesktool %s: %s\n", argv[1], e.what());
                return 1;
            } catch (const std::exception& e) {
                std::fprintf(stderr, "vesktool %s: %s\n", argv[1], e.what());
                return 1;
            }
        }
    }
    std::fprintf(stderr, "vesktool: unknown command %s\n", argv[1]);
    return 2;
}
