// `vesktool expr compile|eval`: compile expression text, show or run what it compiles to.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/value_json.h"
#include "base/cp932.h"
#include "base/error.h"
#include "base/stream.h"
#include "command_table.h"
#include "vars/build_parser.h"
#include "vars/conv.h"
#include "vars/db_manager.h"
#include "vars/param_collection.h"
#include "vars/sys_func.h"
#include "vars/sys_func_table.h"
#include "vars/vesk_parser.h"

namespace vesk::tool {

namespace {

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
    bool varsGiven = false;
};

// The expression's CP932 bytes.
std::string SourceText(const Args& a) {
    if (!a.inputHex) return Utf8ToCp932(a.text);
    try {
        return FromHex(a.text);
    } catch (const VeskError& e) {
        UsageError(std::string("--input-hex: ") + e.what());
    }
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
        m = CompileToStream(SourceText(a));
    } catch (const VeskError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return kToolFailed;
    }
    if (a.stream) {
        std::printf("%s\n", ToHex(m.Bytes().data(), m.Bytes().size()).c_str());
        return kToolOk;
    }
    TVeskParser p;
    p.LoadFromStream(m);
    PrintListing(p);
    return kToolOk;
}

int Eval(const Args& a) {
    TParamCollection store;
    TSysFuncMan funcs(store);
    // The DB functions work on tables that live for this one evaluation.
    TDBManager tables;
    funcs.SetTables(&tables);
    if (a.varsGiven) {
        // Variables that cannot be made from the text are a fault of the command line.
        try {
            LoadVarsJson(store, nlohmann::ordered_json::parse(a.vars));
        } catch (const std::exception& e) {
            UsageError(std::string("--vars: ") + e.what());
        }
    }
    const std::string text = SourceText(a);
    nlohmann::ordered_json out;
    MemoryStream m;
    try {
        m = CompileToStream(text);
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
        return kToolFailed;
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
        return kToolOk;
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
    return kToolOk;
}

}  // namespace

void Cmd_expr(CLI::App& tool, TToolRun& run) {
    CLI::App* cmd = tool.add_subcommand("expr", "expressions: compile and evaluate");
    cmd->require_subcommand(1);
    cmd->footer(
        "TEXT is UTF-8 (or CP932 bytes in hex with --input-hex); a TEXT that begins with '-'\n"
        "follows \"--\".");
    auto a = std::make_shared<Args>();

    CLI::App* compile =
        cmd->add_subcommand("compile", "a readable listing of the compiled operations");
    AddArg(compile, "TEXT", a->text, "the expression")->required();
    compile->add_flag("--input-hex", a->inputHex, "TEXT is CP932 bytes in hex");
    compile->add_flag("--stream", a->stream, "print the stored form as hex instead");
    compile->callback([a, &run] { run.status = Compile(*a); });

    CLI::App* eval =
        cmd->add_subcommand("eval", "runs the expression and prints its result and the variables");
    AddArg(eval, "TEXT", a->text, "the expression")->required();
    eval->add_flag("--input-hex", a->inputHex, "TEXT is CP932 bytes in hex");
    eval->add_option("--vars", a->vars,
                     "variables to start with: a JSON list of VALUEs; a reference is {\"name\", "
                     "\"type\": 0, \"ref\": NAME of a variable given earlier, \"index\": I}")
        ->type_name("JSON");
    eval->add_flag("--json", a->json,
                   "print {\"failed\", \"error\", \"result\", \"vars\"} as one JSON line");
    eval->callback([a, eval, &run] {
        a->varsGiven = eval->count("--vars") > 0;
        run.status = Eval(*a);
    });
}

}  // namespace vesk::tool
