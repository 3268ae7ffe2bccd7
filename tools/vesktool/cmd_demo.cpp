// `vesktool demo [FILE]`: runs the demo game's start-up expressions through the real compiler
// and expression machine and prints the variables they leave.
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

#include "base/cp932.h"
#include "base/error.h"
#include "command_table.h"
#include "vars/param_collection.h"
#include "vars/sys_func.h"
#include "vars/vesk_parser.h"

namespace vesk::tool {

namespace {

int RunDemo(const std::string& path) {
    std::ifstream in(path);
    if (!in) Fail("cannot read " + path);
    std::printf("running the demo's start-up expressions from %s\n\n", path.c_str());
    TParamCollection store;
    TSysFuncMan funcs(store);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        // Undeclared names on the left are declared the way a game's project declares them.
        std::string text = Utf8ToCp932(line);
        size_t eq = text.find('=');
        if (eq != std::string::npos && eq + 1 < text.size() && text[eq + 1] != '=') {
            std::string name = text.substr(0, eq);
            while (!name.empty() && name.back() == ' ') name.pop_back();
            if (!store.Find(name)) {
                uint8_t type = line.find('"') != std::string::npos   ? PT_STR
                               : line.find('.') != std::string::npos ? PT_FLOAT
                                                                     : PT_INT;
                store.Create(name, type, VarScope::Global);
            }
        }
        bool ok = CompileAndRun(text, store, &funcs);
        std::printf("  %-45s %s\n", line.c_str(), ok ? "ok" : "compile error");
    }
    std::printf("\nvariables:\n");
    for (size_t i = 0; i < store.Count(); ++i) {
        auto* it = store.At(i);
        if (it->IsSystem()) continue;
        std::printf("  %-10s = %s\n", Cp932ToUtf8(it->Name()).c_str(),
                    Cp932ToUtf8(it->Param()->AsStr()).c_str());
    }
    return kToolOk;
}

}  // namespace

void Cmd_demo(CLI::App& tool, TToolRun& run) {
    CLI::App* cmd = tool.add_subcommand(
        "demo", "runs expressions line by line and prints the variables they leave");
    auto path = std::make_shared<std::string>("demo/startup.expr");
    AddArg(cmd, "FILE", *path, "one expression a line; # starts a comment")->capture_default_str();
    cmd->callback([path, &run] { run.status = RunDemo(*path); });
}

}  // namespace vesk::tool
