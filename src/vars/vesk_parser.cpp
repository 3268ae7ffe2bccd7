#include "vars/vesk_parser.h"

#include <cmath>

#include "base/cp932.h"
#include "base/error.h"
#include "base/stream.h"
#include "vars/build_parser.h"
#include "vars/param_collection.h"
#include "vars/sys_func.h"

namespace vesk {

namespace {

constexpr int32_t kMaxExprNesting = 64;

[[noreturn]] void MissingVariable(const std::string& name) {
    std::string msg = VESK_JP("\"%s\" 変数がありません");
    msg.replace(msg.find("%s"), 2, name);
    Fail(msg);
}

std::unique_ptr<TCustomParam> CloneOperand(const TCustomParam& p) {
    if (auto* ref = dynamic_cast<const TParamVar*>(&p)) {
        auto r = std::make_unique<TParamVar>();
        r->RefName = ref->RefName;
        return r;
    }
    auto c = MakeParam(p.ParamType());
    c->Assign(p);
    return c;
}

// Binds the reference operands of one operation for its execution and unbinds them after.
class Binding {
  public:
    Binding(TOpeData& op, TParamCollection& store) : op_(op) {
        for (auto& o : op.Operands) {
            auto* ref = dynamic_cast<TParamVar*>(o.get());
            if (!ref) continue;
            auto* item = store.Find(ref->RefName);
            if (!item) MissingVariable(ref->RefName);
            ref->SetTarget(item);
            // An element temporary or reference variable: read and write that element.
            auto* inner = dynamic_cast<TParamVar*>(item->Param());
            ref->RefIndex = inner ? inner->RefIndex : 0;
        }
    }
    ~Binding() {
        for (auto& o : op_.Operands)
            if (auto* ref = dynamic_cast<TParamVar*>(o.get())) ref->SetTarget(nullptr);
    }

  private:
    TOpeData& op_;
};

uint8_t TempType(const TOpeData& op, TSysFuncMan* funcs, const std::vector<TCustomParam*>& args) {
    auto typeOf = [&](size_t i) -> uint8_t {
        return i < op.Operands.size() ? op.Operands[i]->ParamType() : uint8_t(PT_NONE);
    };
    switch (op.Code) {
        case ocTo:
            return typeOf(0);
        case ocPlus:
            if (typeOf(0) == PT_STR) return PT_STR;
            [[fallthrough]];
        case ocMinus:
        case ocMul:
        case ocDiv:
            return typeOf(0) == PT_FLOAT ? PT_FLOAT : PT_INT;
        case ocMod:
        case ocOr:
        case ocAnd:
        case ocXor:
        case ocShiftL:
        case ocShiftR:
            return PT_INT;
        case ocComboStr:
            return PT_STR;
        case ocEqual:
        case ocBig:
        case ocSmall:
        case ocEBig:
        case ocESmall:
        case ocNEqual:
            return PT_BOOL;
        case ocFunc:
            if (!funcs) Fail("built-in functions are not available");
            return funcs->ResultType(op.FuncIndex, args);
        default:
            return PT_NONE;
    }
}

// The element reference of an array element temporary.
void BindElement(TParamVar& e, const TOpeData& op, TParamCollection& store) {
    const auto* nameRef = dynamic_cast<const TParamVar*>(op.Operands[0].get());
    std::string name = nameRef ? nameRef->RefName : op.Operands[0]->AsStr();
    auto* target = store.Find(name);
    e.RefName = name;
    e.SetTarget(target);
    std::vector<int32_t> idx;
    for (size_t k = 1; k < op.Operands.size(); ++k) idx.push_back(op.Operands[k]->AsInt());
    auto fail = [&](const char* msgUtf8Cp932) {
        std::string text = name + "[";
        for (size_t k = 0; k < idx.size(); ++k) {
            if (k) text += ',';
            text += std::to_string(idx[k]);
        }
        Fail(text + "]\r\n" + msgUtf8Cp932);
    };
    TCustomParam* v = target ? target->Param() : nullptr;
    int32_t dims = v ? v->DimCount() : 0;
    if (int32_t(idx.size()) != dims) fail(VESK_JP("添え字が不正です").c_str());
    int64_t flat = 0;
    for (size_t k = 0; k < idx.size(); ++k) {
        int64_t stride = 1;
        for (size_t j = k + 1; j < idx.size(); ++j) stride *= v->DimSize(int32_t(j));
        flat += int64_t(idx[k]) * stride;
    }
    if (flat >= v->Count()) fail(VESK_JP("要素数を超えています").c_str());
    // A negative index is left for the element access to refuse.
    e.RefIndex = int32_t(flat < INT32_MIN ? INT32_MIN : flat);
}

int32_t IntOp(uint8_t code, int32_t a, int32_t b) {
    uint32_t ua = uint32_t(a), ub = uint32_t(b);
    switch (code) {
        case ocPlus:
            return int32_t(ua + ub);
        case ocMinus:
            return int32_t(ua - ub);
        case ocMul:
            return int32_t(ua * ub);
        case ocDiv:
        case ocMod:
            if (b == 0) Fail("division by zero");
            // The processor's division traps on this one; it fails like a division by zero.
            if (a == INT32_MIN && b == -1) Fail("integer overflow");
            return code == ocDiv ? a / b : a % b;
        default:
            return 0;
    }
}

Real RealOp(uint8_t code, Real a, Real b) {
    switch (code) {
        case ocPlus:
            return a + b;
        case ocMinus:
            return a - b;
        case ocMul:
            return a * b;
        case ocDiv:
            if (b == 0) Fail("division by zero");
            return a / b;
        default:
            return 0;
    }
}

template <class T>
bool Compare(uint8_t code, const T& a, const T& b) {
    switch (code) {
        case ocEqual:
            return a == b;
        case ocNEqual:
            return !(a == b);
        case ocBig:
            return a > b;
        case ocSmall:
            return a < b;
        case ocEBig:
            return a >= b;
        case ocESmall:
            return a <= b;
        default:
            return false;
    }
}

void Compute(const TOpeData& op, TCustomParam& d, TSysFuncMan* funcs,
             const std::vector<TCustomParam*>& args) {
    auto arg = [&](size_t i) -> TCustomParam& {
        if (i >= op.Operands.size()) Fail(VESK_JP("構文エラー"));
        return *op.Operands[i];
    };
    uint8_t t = d.ParamType();
    switch (op.Code) {
        case ocTo: {
            TCustomParam& a = arg(0);
            switch (t) {
                case PT_INT:
                    d.SetInt(a.AsInt());
                    break;
                case PT_FLOAT:
                    d.SetFloat(a.AsFloat());
                    break;
                case PT_BOOL:
                    d.SetFlag(a.AsFlag());
                    break;
                case PT_STR:
                    d.SetStr(a.AsStr());
                    break;
                default:
                    break;
            }
            break;
        }
        case ocPlus:
        case ocMinus:
        case ocMul:
        case ocDiv:
            if (t == PT_FLOAT)
                d.SetFloat(RealOp(op.Code, arg(0).AsFloat(), arg(1).AsFloat()));
            else
                d.SetInt(IntOp(op.Code, arg(0).AsInt(), arg(1).AsInt()));
            break;
        case ocMod:
            d.SetInt(IntOp(ocMod, arg(0).AsInt(), arg(1).AsInt()));
            break;
        case ocOr:
            d.SetInt(arg(0).AsInt() | arg(1).AsInt());
            break;
        case ocAnd:
            d.SetInt(arg(0).AsInt() & arg(1).AsInt());
            break;
        case ocXor:
            d.SetInt(arg(0).AsInt() ^ arg(1).AsInt());
            break;
        case ocShiftL:
            d.SetInt(int32_t(uint32_t(arg(0).AsInt()) << (uint32_t(arg(1).AsInt()) & 31)));
            break;
        case ocShiftR:
            d.SetInt(int32_t(uint32_t(arg(0).AsInt()) >> (uint32_t(arg(1).AsInt()) & 31)));
            break;
        case ocComboStr:
            d.SetStr(arg(0).AsStr() + arg(1).AsStr());
            break;
        case ocEqual:
        case ocBig:
        case ocSmall:
        case ocEBig:
        case ocESmall:
        case ocNEqual: {
            TCustomParam& a = arg(0);
            TCustomParam& b = arg(1);
            bool r;
            switch (a.ParamType()) {
                case PT_STR:
                    r = Compare(op.Code, a.AsStr(), b.AsStr());
                    break;
                case PT_FLOAT:
                    r = Compare(op.Code, a.AsFloat(), b.AsFloat());
                    break;
                case PT_BOOL:
                    r = Compare(op.Code, int(a.AsFlag()), int(b.AsFlag()));
                    break;
                default:
                    r = Compare(op.Code, a.AsInt(), b.AsInt());
                    break;
            }
            d.SetFlag(r);
            break;
        }
        case ocFunc:
            if (!funcs) Fail("built-in functions are not available");
            funcs->Exec(d, op.FuncIndex, args);
            break;
        default:
            break;
    }
}

[[noreturn]] void InvalidExpression(const TOpeData& op) {
    std::string msg = VESK_JP("不正な式\r\n\r\n代入先:") + op.Dest + VESK_JP("演算タイプ:");
    const char* name = OpeCodeName(op.Code);
    msg += name ? name : "oc" + std::to_string(op.Code);
    for (const auto& o : op.Operands) msg += "\r\n" + o->AsStr();
    Fail(msg);
}

}  // namespace

void TVeskParser::Clear() {
    Ops.clear();
    Result.reset();
}

void TVeskParser::LoadFromStream(Stream& s) {
    Clear();
    StreamReader r(s);
    int32_t n = r.I32("expression operation count");
    r.CheckCount(n, 9, "expression operations");
    Ops.reserve(size_t(n));
    for (int32_t i = 0; i < n; ++i) {
        TOpeData op;
        op.Code = r.U8("operation code");
        op.Dest = r.Str("operation destination");
        int32_t k = r.I32("operand count");
        r.CheckCount(k, 2, "operands");
        if (op.Code == ocFunc) op.FuncIndex = r.U8("function index");
        for (int32_t j = 0; j < k; ++j) {
            uint8_t tag = r.U8("operand tag");
            std::unique_ptr<TCustomParam> v;
            switch (tag) {
                case PT_NONE: {
                    auto ref = std::make_unique<TParamVar>();
                    ref->RefName = r.Str("operand name");
                    v = std::move(ref);
                    break;
                }
                case PT_INT: {
                    auto p = std::make_unique<TParamInt>();
                    p->Values[0] = r.I32("integer operand");
                    v = std::move(p);
                    break;
                }
                case PT_FLOAT: {
                    auto p = std::make_unique<TParamFloat>();
                    p->Values[0] = r.Ext("real operand");
                    v = std::move(p);
                    break;
                }
                case PT_BOOL: {
                    auto p = std::make_unique<TParamFlag>();
                    p->Values[0] = r.U8("flag operand") ? 1 : 0;
                    v = std::move(p);
                    break;
                }
                case PT_STR: {
                    auto p = std::make_unique<TParamStr>();
                    p->Values[0] = r.Str("string operand");
                    v = std::move(p);
                    break;
                }
                default:
                    Fail("invalid operand tag " + std::to_string(tag) + " in expression");
            }
            op.Operands.push_back(std::move(v));
        }
        Ops.push_back(std::move(op));
    }
}

void TVeskParser::SaveToStream(Stream& s) const {
    StreamWriter w(s);
    w.I32(int32_t(Ops.size()));
    for (const auto& op : Ops) {
        w.U8(op.Code);
        w.Str(op.Dest);
        w.I32(int32_t(op.Operands.size()));
        if (op.Code == ocFunc) w.U8(op.FuncIndex);
        for (const auto& o : op.Operands) {
            if (auto* ref = dynamic_cast<const TParamVar*>(o.get())) {
                w.U8(PT_NONE);
                w.Str(ref->RefName);
                continue;
            }
            uint8_t t = o->ParamType();
            w.U8(t);
            switch (t) {
                case PT_INT:
                    w.I32(o->AsInt());
                    break;
                case PT_FLOAT:
                    w.Ext(o->AsFloat());
                    break;
                case PT_BOOL:
                    w.U8(o->AsFlag() ? 1 : 0);
                    break;
                default:
                    w.Str(o->AsStr());
                    break;
            }
        }
    }
}

void TVeskParser::AssignFrom(const TVeskParser& other) {
    Clear();
    for (const auto& op : other.Ops) {
        TOpeData c;
        c.Code = op.Code;
        c.Dest = op.Dest;
        c.FuncIndex = op.FuncIndex;
        for (const auto& o : op.Operands) c.Operands.push_back(CloneOperand(*o));
        Ops.push_back(std::move(c));
    }
}

void TVeskParser::Execute(TParamCollection& store, TSysFuncMan* funcs) {
    Result.reset();
    lastError_.clear();
    std::vector<std::shared_ptr<TParamCollectionItem*>> temps;
    ++store.ExecDepth;
    try {
        for (auto& op : Ops) {
            if (op.Code == ocNone || op.Code > kLastOpeCode) InvalidExpression(op);
            Binding bind(op, store);
            // Functions get copies of their constant arguments: a write into a constant
            // "out" argument must not change the expression for its next run.
            std::vector<std::unique_ptr<TCustomParam>> scratch;
            std::vector<TCustomParam*> args;
            if (op.Code == ocFunc) {
                for (auto& o : op.Operands) {
                    if (dynamic_cast<TParamVar*>(o.get())) {
                        args.push_back(o.get());
                    } else {
                        scratch.push_back(CloneOperand(*o));
                        args.push_back(scratch.back().get());
                    }
                }
            }
            auto* dest = store.Find(op.Dest);
            if (!dest && op.Dest.rfind("____", 0) == 0) {
                uint8_t type = op.Code == ocDimTo ? uint8_t(PT_NONE) : TempType(op, funcs, args);
                dest = store.Add(type);
                temps.push_back(dest->AliveCell());
                store.SetName(dest, op.Dest);
                if (op.Code == ocDimTo)
                    BindElement(*static_cast<TParamVar*>(dest->Param()), op, store);
            }
            if (!dest) MissingVariable(op.Dest);
            Compute(op, *dest->Param(), funcs, args);
        }
    } catch (const VeskError& e) {
        lastError_ = e.Text();
    } catch (const std::exception& e) {
        lastError_ = e.what();
    }
    if (!Ops.empty() && Ops.back().Code == ocTo && Ops.back().Dest == "____arg" &&
        store.Find("____arg")) {
        try {
            Result = store.ValueCopy("____arg");
        } catch (const VeskError& e) {
            if (lastError_.empty()) lastError_ = e.Text();
        }
    }
    for (auto it = temps.rbegin(); it != temps.rend(); ++it)
        if (**it) store.Delete(**it);
    --store.ExecDepth;
}

bool CompileAndRun(std::string_view text, TParamCollection& store, TSysFuncMan* funcs) {
    size_t b = 0, e = text.size();
    while (b < e && static_cast<uint8_t>(text[b]) <= ' ') ++b;
    while (e > b && static_cast<uint8_t>(text[e - 1]) <= ' ') --e;
    if (b == e) return false;
    // A text that runs itself through Calc would recurse without end.
    if (store.ExecDepth >= kMaxExprNesting) return false;
    MemoryStream m;
    try {
        // Nested runs number their temporaries past the enclosing expressions' ones.
        TBuildVeskParser build(store.ExecDepth * 100000);
        build.Compile(text.substr(b, e - b));
        build.SaveToStream(m);
    } catch (const VeskError&) {
        return false;
    }
    m.Seek(0, SeekFrom::Begin);
    TVeskParser p;
    try {
        p.LoadFromStream(m);
    } catch (const VeskError&) {
        return false;
    }
    p.Execute(store, funcs);
    return true;
}

}  // namespace vesk
