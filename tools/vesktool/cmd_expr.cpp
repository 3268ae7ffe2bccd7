// `vesktool expr compile|eval`: compile expression text, show or run what it compiles to.
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "base/cp932.h"
#include "base/error.h"
#include "base/stream.h"
#include "app/value_json.h"
#include "vars/build_parser.h"
#include "vars/conv.h"
#include "vars/param_collection.h"
#include "vars/sys_func.h"
#include "vars/sys_func_table.h"
#include "vars/vesk_parser.h"

namespace vesk::tool {

namespace {

const char* kUsage =
    "usage: vesktool expr compile [--input-hex] [--stream] TEXT\n"
    "       vesktool expr eval [--input-hex] TEXT [--vars JSON] [--json]\n";

std::string Quote(const std::string& cp932) {
    std::string s = "\"";
    for (char c : Cp932ToUtf8(cp932)) {
        if (c == '"' || c == '\\') s += '\\';
        if (c == '\r')
            s += "\\r";
        else if (c == '\n')
            s += "\\n";
        else
            s += c;
    }
    return s + "\"";
}

std::string OperandText(const TCustomParam& o) {
    if (auto* ref = dynamic_cast<const TParamVar*>(&o)) return Cp932ToUtf8(ref->RefName);
    switch (o.ParamType()) {
        case PT_INT:
            return std::to_string(o.AsInt());
        case PT_FLOAT:
            return RealToStr(o.AsFloat()) + " (real)";
        case PT_BOOL:
            return o.AsFlag() ? "TRUE" : "FALSE";
        default:
            return Quote(o.AsStr());
    }
}

void PrintListing(const TVeskParser& p) {
    for (size_t i = 0; i < p.Ops.size(); ++i) {
        const TOpeData& op = p.Ops[i];
        const char* name = OpeCodeName(op.Code);
        std::printf("%3zu  %-10s %s", i, name ? name : "?", Cp932ToUtf8(op.Dest).c_str());
        std::printf(" <-");
        if (op.Code == ocFunc)
            std::printf(" %s[%d]",
                        op.FuncIndex < kSysFuncCount ? kSysFuncs[op.FuncIndex].name : "?",
                        op.FuncIndex);
        for (size_t k = 0; k < op.Operands.size(); ++k)
            std::printf("%s %s", k ? "," : "", OperandText(*op.Operands[k]).c_str());
        std::printf("\n");
    }
}

struct Args {
    bool inputHex = false, stream = false, json = false;
    std::string text, vars;
    bool haveText = false;
};

Args Parse(int argc, char** argv, int first) {
    Args a;
    for (int i = first; i < argc; ++i) {
        std::string s = argv[i];
        if (s == "--input-hex")
            a.inputHex = true;
        else if (s == "--stream")
            a.stream = true;
        else if (s == "--json")
            a.json = true;
        else if (s == "--vars" && i + 1 < argc)
            a.vars = argv[++i];
        else if (!a.haveText) {
            a.text = s;
            a.haveText = true;
        } else {
            Fail("unexpected argument: " + s);
        }
    }
    if (!a.haveText) Fail(std::string("missing TEXT\n") + kUsage);
    a.text = a.inputHex ? FromHex(a.text) : Utf8ToCp932(a.text);
    return a;
}

// Compiles into the stored form; throws on compile errors.
MemoryStream CompileToStream(const std::string& text) {
    TBuildVeskParser b;
    b.Compile(text);
    MemoryStream m;
    b.SaveToStream(m);
    m.Seek(0, SeekFrom::Begin);
    return m;
}

int Compile(const Args& a) {
    MemoryStream m;
    try {
        m = CompileToStream(a.text);
    } catch (const VeskError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    if (a.stream) {
        std::printf("%s\n", ToHex(m.Bytes().data(), m.Bytes().size()).c_str());
        return 0;
    }
    TVeskParser p;
    p.LoadFromStream(m);
    PrintListing(p);
    return 0;
}

int Eval(const Args& a) {
    TParamCollection store;
    TSysFuncMan funcs(store);
    if (!a.vars.empty()) LoadVarsJson(store, nlohmann::ordered_json::parse(a.vars));
    nlohmann::ordered_json out;
    MemoryStream m;
    try {
        m = CompileToStream(a.text);
    } catch (const VeskError& e) {
        if (a.json) {
            out = {{"failed", true},
                   {"error", TextJson(e.Text())},
                   {"result", nullptr},
                   {"vars", VarsJson(store)}};
            std::printf("%s\n", out.dump().c_str());
        } else {
            std::fprintf(stderr, "%s\n", e.what());
        }
        return 1;
    }
    TVeskParser p;
    p.LoadFromStream(m);
    p.Execute(store, &funcs);
    bool failed = !p.LastError().empty();
    if (a.json) {
        out["failed"] = failed;
        out["error"] = failed ? TextJson(p.LastError()) : nlohmann::ordered_json(nullptr);
        out["result"] = p.Result ? ValueJson(*p.Result, nullptr) : nlohmann::ordered_json(nullptr);
        out["vars"] = VarsJson(store);
        std::printf("%s\n", out.dump().c_str());
        return 0;
    }
    if (failed) std::printf("failed: %s\n", Cp932ToUtf8(p.LastError()).c_str());
    if (p.Result) {
        const TCustomParam& r = *p.Result;
        std::printf(
            "result (type %d): %s\n", r.ParamType(),
            r.ParamType() == PT_STR ? Quote(r.AsStr()).c_str() : Cp932ToUtf8(r.AsStr()).c_str());
    } else {
        std::printf("result: none\n");
    }
    for (size_t i = 0; i < store.Count(); ++i) {
        auto* it = store.At(i);
        if (it->IsSystem()) continue;
        const TCustomParam& v = *it->Param();
        std::printf("%s (type %d) =", Cp932ToUtf8(it->Name()).c_str(), v.ParamType());
        for (int32_t k = 0; k < v.Count(); ++k)
            std::printf("%s %s", k ? "," : "",
                        v.ParamType() == PT_STR ? Quote(v.StrAt(k)).c_str()
                                                : Cp932ToUtf8(v.StrAt(k)).c_str());
        std::printf("\n");
    }
    return 0;
}

}  // namespace

int Cmd_expr(int argc, char** argv) {
    if (argc < 2) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    std::string sub = argv[1];
    if (sub == "compile") return Compile(Parse(argc, argv, 2));
    if (sub == "eval") return Eval(Parse(argc, argv, 2));
    std::fputs(kUsage, stderr);
    return 2;
}

}  // namespace vesk::tool
