#include "script/page_listing.h"

#include <cstdio>

#include "script/command.h"
#include "script/expr_text.h"
#include "script/page.h"

namespace vesk {

namespace {

std::string QuoteText(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else if (c == '"' || c == '\\')
            out += std::string("\\") + c;
        else
            out += c;
    }
    return out + "\"";
}

std::string ExprField(const TVeskParser& p) {
    return p.Ops.empty() ? "()" : std::string("(") + ExprToText(p) + ")";
}

}  // namespace

std::string CommandFieldsText(const TCommand& cmd) {
    std::string out;
    auto add = [&](const std::string& name, const std::string& value) {
        if (!out.empty()) out += "  ";
        out += name + "=" + value;
    };
    for (size_t i = 0; i < cmd.FieldCount(); ++i) {
        const TCommandField& f = cmd.Field(i);
        if (!f.Present) continue;
        switch (f.Kind) {
            case FieldKind::Expr:
                add(f.Name, ExprField(f.Expr));
                break;
            case FieldKind::Str:
                add(f.Name, QuoteText(f.Text));
                break;
            case FieldKind::Int:
            case FieldKind::Byte:
                add(f.Name, std::to_string(f.Num));
                break;
            case FieldKind::Block:
                add(f.Name, std::string("<") + std::to_string(f.Text.size()) + " bytes>");
                break;
            case FieldKind::ExprList: {
                std::string list;
                for (size_t k = 0; k < f.List.size(); ++k)
                    list += std::string(k ? ", " : "") + ExprField(f.List[k]);
                add(f.Name, std::string("[") + list + "]");
                break;
            }
            case FieldKind::Props:
                for (size_t k = 0; k < f.List.size(); ++k) {
                    const char* name = PropertyName(f.PropIndex[k]);
                    add(name ? name : "?", ExprField(f.List[k]));
                }
                break;
        }
    }
    return out;
}

std::string CommandLine(const TCommand& cmd, int index) {
    char head[64];
    std::snprintf(head, sizeof head, "%5d %c%c %5d  ", index, cmd.Disabled ? 'd' : '-',
                  cmd.RunNext ? 'n' : '-', int(cmd.LineNo));
    std::string line = head;
    line.append(size_t(cmd.Indent > 0 && cmd.Indent < 64 ? cmd.Indent * 2 : 0), ' ');
    if (cmd.Indent < 0 || cmd.Indent >= 64)
        line += std::string("[") + std::to_string(cmd.Indent) + "] ";
    line += CommandName(cmd.GetType());
    std::string fields = CommandFieldsText(cmd);
    if (!fields.empty()) line += std::string("  ") + fields;
    return line;
}

std::string ListPage(const TPage& page) {
    std::string out = std::string("page ") + QuoteText(page.Name) + "  version " +
                      std::to_string(page.Version) + std::string("  result type ") +
                      std::to_string(page.ResultType) + "  commands " +
                      std::to_string(page.Count()) + "\n";
    for (int i = 0; i < page.Count(); ++i) out += CommandLine(*page.At(i), i) + "\n";
    return out;
}

}  // namespace vesk
