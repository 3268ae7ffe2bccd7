#include "script/expr_text.h"

#include <map>
#include <vector>

#include "base/cp932.h"
#include "vars/conv.h"
#include "vars/ope_codes.h"
#include "vars/param.h"
#include "vars/sys_func_table.h"
#include "vars/vesk_parser.h"

namespace vesk {

namespace {

struct Piece {
    std::string text;
    bool compound = false;  // needs parentheses as an operand
};

const char* OperatorText(uint8_t code) {
    switch (code) {
        case ocPlus:
            return "+";
        case ocMinus:
            return "-";
        case ocMul:
            return "*";
        case ocDiv:
            return "/";
        case ocMod:
            return "%";
        case ocOr:
            return "|";
        case ocAnd:
            return "&";
        case ocXor:
            return "^";
        case ocEqual:
            return "==";
        case ocBig:
            return ">";
        case ocSmall:
            return "<";
        case ocEBig:
            return ">=";
        case ocESmall:
            return "<=";
        case ocShiftL:
            return "<<";
        case ocShiftR:
            return ">>";
        case ocComboStr:
            return "++";
        case ocNEqual:
            return "<>";
        default:
            return nullptr;
    }
}

std::string Quote(const std::string& s) {
    std::string out = "\"";
    for (size_t i = 0; i < s.size(); ++i) {
        char c = s[i];
        if (CharLenAt(s, i) == 2) {
            // A trail byte may be '\\' or '"'; the compiler reads it as part of its character.
            out.append(s, i, 2);
            ++i;
        } else if (c == '\r' && i + 1 < s.size() && s[i + 1] == '\n') {
            out += "\\n";
            ++i;
        } else if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

bool IsTemp(const std::string& name) {
    return name.rfind("____", 0) == 0;
}

class Folder {
  public:
    Piece Operand(const TCustomParam& o) const {
        if (auto* ref = dynamic_cast<const TParamVar*>(&o)) {
            auto it = temps_.find(ref->RefName);
            return it != temps_.end() ? it->second : Piece{ref->RefName, false};
        }
        switch (o.ParamType()) {
            case PT_INT:
                return {std::to_string(o.AsInt()), o.AsInt() < 0};
            case PT_FLOAT: {
                std::string t = RealToStr(o.AsFloat());
                return {t, !t.empty() && t[0] == '-'};
            }
            case PT_BOOL:
                return {o.AsFlag() ? "TRUE" : "FALSE", false};
            default:
                return {Quote(o.AsStr()), false};
        }
    }

    static std::string Wrap(const Piece& p) {
        return p.compound ? std::string("(") + p.text + ")" : p.text;
    }

    std::string Run(const TVeskParser& expr) {
        std::vector<std::string> statements;
        for (const TOpeData& op : expr.Ops) {
            auto arg = [&](size_t i) {
                return i < op.Operands.size() ? Operand(*op.Operands[i]) : Piece{"?", false};
            };
            Piece value;
            if (op.Code == ocTo) {
                value = arg(0);
            } else if (op.Code == ocFunc) {
                std::string name =
                    op.FuncIndex < kSysFuncCount ? kSysFuncs[op.FuncIndex].name : "?";
                std::string args;
                for (size_t i = 0; i < op.Operands.size(); ++i)
                    args += std::string(i ? ", " : "") + arg(i).text;
                value = {name + std::string("(") + args + ")", false};
            } else if (op.Code == ocDimTo) {
                std::string idx;
                for (size_t i = 1; i < op.Operands.size(); ++i)
                    idx += std::string(i > 1 ? ", " : "") + arg(i).text;
                value = {arg(0).text + "[" + idx + "]", false};
            } else if (const char* sym = OperatorText(op.Code)) {
                Piece a = arg(0), b = arg(1);
                // The compiler writes a leading minus as 0 - x.
                if (op.Code == ocMinus && a.text == "0" && op.Operands.size() == 2 &&
                    !dynamic_cast<const TParamVar*>(op.Operands[0].get()))
                    value = {std::string("-") + Wrap(b), true};
                else
                    value = {Wrap(a) + " " + sym + " " + Wrap(b), true};
            } else {
                value = {
                    std::string("<") + (OpeCodeName(op.Code) ? OpeCodeName(op.Code) : "?") + ">",
                    false};
            }
            if (op.Dest == "____arg") {
                statements.push_back(value.text);
            } else if (op.Code == ocTo && temps_.count(op.Dest) &&
                       op.Dest.rfind("____d_", 0) == 0) {
                statements.push_back(temps_[op.Dest].text + " = " + value.text);
            } else if (op.Code != ocTo && IsTemp(op.Dest)) {
                temps_[op.Dest] = value;
            } else if (op.Code == ocTo && IsTemp(op.Dest) && !temps_.count(op.Dest)) {
                temps_[op.Dest] = value;
            } else {
                statements.push_back((temps_.count(op.Dest) ? temps_[op.Dest].text : op.Dest) +
                                     std::string(" = ") + value.text);
            }
        }
        std::string out;
        for (size_t i = 0; i < statements.size(); ++i)
            out += std::string(i ? "; " : "") + statements[i];
        return out;
    }

  private:
    std::map<std::string, Piece> temps_;
};

}  // namespace

std::string ExprToText(const TVeskParser& expr) {
    return Folder().Run(expr);
}

}  // namespace vesk
