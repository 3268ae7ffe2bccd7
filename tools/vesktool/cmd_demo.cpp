// `vesktool demo [FILE]`: what ./run.sh shows until the player can open a window. It runs
// the demo game's start-up expressions through the real compiler and expression machine
// and prints the variables they leave.
#include <cstdio>
#include <fstream>
#include <string>

#include "base/cp932.h"
#include "base/error.h"
#include "vars/param_collection.h"
#include "vars/sys_func.h"
#include "vars/vesk_parser.h"

namespace vesk::tool {

int Cmd_demo(int argc, char** argv) {
    std::string path = argc > 1 ? argv[1] : "demo/startup.expr";
    std::ifstream in(path);
    if (!in) Fail("cannot read " + path);
    std::printf(
        "veskplay: the player cannot open a window yet; running the demo's start-up\n"
        "expressions from %s with the engine built so far.\n\n",
        path.c_str());
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
    return 0;
}

}  // namespace vesk::tool
