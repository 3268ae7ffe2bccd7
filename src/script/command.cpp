#include "script/command.h"

#include <cstring>
#include <utility>

#include "base/cp932.h"
#include "base/error.h"
#include "script/page.h"
#include "vars/build_parser.h"

namespace vesk {

namespace {

// The smallest stored expression: its int32 operation count.
constexpr int64_t kMinExprBytes = 4;

void ReadExpr(StreamReader& r, TVeskParser& p) {
    p.LoadFromStream(r.Base());
}

void WriteExpr(StreamWriter& w, const TVeskParser& p) {
    p.SaveToStream(w.Base());
}

}  // namespace

void WriteStateTag(StreamWriter& w) {
    w.Raw(kStateTag, 7);
}

int32_t ReadStateTag(StreamReader& r) {
    Stream& s = r.Base();
    int64_t at = s.Position();
    char tag[7];
    if (s.Remaining() >= 7) {
        s.ReadExact(tag, 7, "state tag");
        if (std::memcmp(tag, "vesk", 4) == 0) {
            int32_t v = 0;
            for (int i = 4; i < 7; ++i) {
                if (tag[i] < '0' || tag[i] > '9') return 0;
                v = v * 10 + (tag[i] - '0');
            }
            return v;
        }
    }
    s.Seek(at, SeekFrom::Begin);
    return 0;
}

void CompileExpr(std::string_view text, TVeskParser& out) {
    out.Clear();
    TBuildVeskParser b;
    if (!text.empty()) b.Compile(text);
    MemoryStream m;
    b.SaveToStream(m);
    m.Seek(0, SeekFrom::Begin);
    out.LoadFromStream(m);
}

TCommand::TCommand(TPage* page, uint8_t type) : Page(page), type_(type) {
    const CommandInfo* info = GetCommandInfo(type);
    if (!info) return;
    fields_.resize(info->fieldCount);
    for (size_t i = 0; i < fields_.size(); ++i) {
        fields_[i].Kind = info->fields[i].kind;
        fields_[i].Name = info->fields[i].name;
    }
}

TCommand::~TCommand() = default;

void TCommand::Execute(TCallMan&, TPage*&, int32_t& pc) {
    ++pc;
}

void TCommand::LoadFromStream(StreamReader& r, int32_t version) {
    Indent = r.I32("command indent");
    Disabled = r.U8("command flags");
    RunNext = r.U8("command flags");
    LineNo = r.I32("command line number");
    const CommandInfo* info = GetCommandInfo(type_);
    for (size_t i = 0; i < fields_.size(); ++i) {
        TCommandField& f = fields_[i];
        f.Present = version >= info->fields[i].sinceVersion;
        if (!f.Present) continue;
        switch (f.Kind) {
            case FieldKind::Expr:
                ReadExpr(r, f.Expr);
                break;
            case FieldKind::Str:
                f.Text = r.Str("command text");
                break;
            case FieldKind::Int:
                f.Num = r.I32("command number");
                break;
            case FieldKind::Byte:
                f.Num = r.U8("command byte");
                break;
            case FieldKind::Block: {
                int32_t n = r.I32("text block size");
                f.Text = n > 0 ? r.Bytes(size_t(n), "text block") : std::string();
                break;
            }
            case FieldKind::ExprList: {
                int32_t n = r.I32("expression count");
                if (n < 0) n = 0;
                r.CheckCount(n, kMinExprBytes, "expression list");
                f.List.clear();
                f.List.resize(size_t(n));
                for (auto& p : f.List) ReadExpr(r, p);
                break;
            }
            case FieldKind::Props: {
                f.List.clear();
                f.PropIndex.clear();
                for (int k = 0; k < kPropertyCount; ++k) {
                    if (!Page || !Page->HasProp(type_, k)) continue;
                    f.PropIndex.push_back(uint8_t(k));
                    f.List.emplace_back();
                    ReadExpr(r, f.List.back());
                }
                break;
            }
        }
    }
}

void TCommand::SaveToStream(StreamWriter& w, int32_t version) const {
    w.I32(Indent);
    w.U8(Disabled);
    w.U8(RunNext);
    w.I32(LineNo);
    const CommandInfo* info = GetCommandInfo(type_);
    static const TVeskParser kEmpty;
    for (size_t i = 0; i < fields_.size(); ++i) {
        const TCommandField& f = fields_[i];
        if (version < info->fields[i].sinceVersion) continue;
        switch (f.Kind) {
            case FieldKind::Expr:
                WriteExpr(w, f.Expr);
                break;
            case FieldKind::Str:
                w.Str(f.Text);
                break;
            case FieldKind::Int:
                w.I32(f.Num);
                break;
            case FieldKind::Byte:
                w.U8(uint8_t(f.Num));
                break;
            case FieldKind::Block:
                w.I32(int32_t(f.Text.size()));
                w.Raw(f.Text.data(), f.Text.size());
                break;
            case FieldKind::ExprList:
                w.I32(int32_t(f.List.size()));
                for (const auto& p : f.List) WriteExpr(w, p);
                break;
            case FieldKind::Props:
                // One expression per bit of the page's set; a property this command lacks
                // is written empty.
                for (int k = 0; k < kPropertyCount; ++k) {
                    if (!Page || !Page->HasProp(type_, k)) continue;
                    const TVeskParser* p = Prop(k);
                    WriteExpr(w, p ? *p : kEmpty);
                }
                break;
        }
    }
}

TCommandField* TCommand::FindField(std::string_view name) {
    for (auto& f : fields_)
        if (name == f.Name) return &f;
    return nullptr;
}

TCommandField& TCommand::Need(std::string_view field, FieldKind kind) {
    TCommandField* f = FindField(field);
    bool ok = f && (f->Kind == kind || (kind == FieldKind::Int && f->Kind == FieldKind::Byte) ||
                    (kind == FieldKind::Str && f->Kind == FieldKind::Block));
    if (!ok) Fail(std::string(CommandName(type_)) + ": no field " + std::string(field));
    return *f;
}

TCommand& TCommand::SetExprText(std::string_view field, std::string_view text) {
    CompileExpr(text, Need(field, FieldKind::Expr).Expr);
    return *this;
}

TCommand& TCommand::SetText(std::string_view field, std::string_view text) {
    Need(field, FieldKind::Str).Text = std::string(text);
    return *this;
}

TCommand& TCommand::SetNum(std::string_view field, int32_t value) {
    TCommandField& f = Need(field, FieldKind::Int);
    f.Num = f.Kind == FieldKind::Byte ? int32_t(uint8_t(value)) : value;
    return *this;
}

TCommand& TCommand::SetExprList(std::string_view field, const std::vector<std::string>& texts) {
    TCommandField& f = Need(field, FieldKind::ExprList);
    f.List.clear();
    f.List.resize(texts.size());
    for (size_t i = 0; i < texts.size(); ++i) CompileExpr(texts[i], f.List[i]);
    return *this;
}

TCommandField* TCommand::PropsField() {
    return !fields_.empty() && fields_[0].Kind == FieldKind::Props ? &fields_[0] : nullptr;
}

const TCommandField* TCommand::PropsField() const {
    return !fields_.empty() && fields_[0].Kind == FieldKind::Props ? &fields_[0] : nullptr;
}

TCommand& TCommand::SetPropExpr(int index, const TVeskParser& expr) {
    TCommandField* f = PropsField();
    if (!f || index < 0 || index >= kPropertyCount)
        Fail(std::string(CommandName(type_)) + ": no property " + std::to_string(index));
    size_t at = 0;
    while (at < f->PropIndex.size() && f->PropIndex[at] < index) ++at;
    if (at == f->PropIndex.size() || f->PropIndex[at] != index) {
        f->PropIndex.insert(f->PropIndex.begin() + ptrdiff_t(at), uint8_t(index));
        f->List.insert(f->List.begin() + ptrdiff_t(at), TVeskParser());
    }
    f->List[at].AssignFrom(expr);
    return *this;
}

TCommand& TCommand::SetPropText(int index, std::string_view text) {
    TVeskParser p;
    CompileExpr(text, p);
    return SetPropExpr(index, p);
}

TVeskParser* TCommand::Prop(int index) {
    return const_cast<TVeskParser*>(std::as_const(*this).Prop(index));
}

const TVeskParser* TCommand::Prop(int index) const {
    const TCommandField* f = PropsField();
    if (!f) return nullptr;
    for (size_t i = 0; i < f->PropIndex.size(); ++i)
        if (f->PropIndex[i] == index) return &f->List[i];
    return nullptr;
}

}  // namespace vesk
