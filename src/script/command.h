#pragma once
// The common command record and the base of every command class. A command's own fields
// are kept in a list laid out by the command table (command_info.h), which lets one loader,
// one writer and one listing serve all 61 command types; the classes give the fields their
// meaning.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/stream.h"
#include "script/command_info.h"
#include "vars/vesk_parser.h"

namespace vesk {

class TCallMan;
class TPage;

// One stored field of a command.
struct TCommandField {
    FieldKind Kind = FieldKind::Expr;
    const char* Name = "";
    // False when the page's version does not store this field.
    bool Present = true;
    TVeskParser Expr;                // Expr
    std::string Text;                // Str, Block
    int32_t Num = 0;                 // Int, Byte
    std::vector<TVeskParser> List;   // ExprList, Props
    std::vector<uint8_t> PropIndex;  // Props: the property index of each List entry
};

// The running state written by SaveState starts with this tag.
inline constexpr char kStateTag[] = "vesk100";
// Writes the tag; reads it back and returns the state version (0 for untagged data, which
// is then left unread).
void WriteStateTag(StreamWriter& w);
int32_t ReadStateTag(StreamReader& r);

class TCommand {
  public:
    TCommand(TPage* page, uint8_t type);
    virtual ~TCommand();
    TCommand(const TCommand&) = delete;
    TCommand& operator=(const TCommand&) = delete;

    TPage* Page;
    uint8_t RunNext = 1;
    uint8_t Disabled = 0;
    int32_t LineNo = 0;
    int32_t Indent = 0;
    // The stored type byte had its high bit set. Only the low seven bits choose the command;
    // the bit is kept so that the page writes back as it was read.
    bool HighTypeBit = false;

    uint8_t GetType() const { return type_; }
    virtual bool GetRunNext() const { return RunNext != 0; }
    virtual bool GetDisabled() const { return Disabled != 0; }
    virtual void SetDisabled(bool v) { Disabled = v ? 1 : 0; }
    // A started, unfinished command that answers true keeps events from starting.
    virtual bool BlocksEvents() const { return false; }
    virtual bool MatchLabel(std::string_view) const { return false; }

    // Reads the record after the type byte: the header, then the fields the page's
    // version stores.
    void LoadFromStream(StreamReader& r, int32_t version);
    // The inverse: header and fields as a page of `version` stores them.
    void SaveToStream(StreamWriter& w, int32_t version) const;

    virtual void Prepare(TCallMan&) {}
    virtual void Execute(TCallMan& cm, TPage*& page, int32_t& pc);
    // Commands with a running state write it (tag first) and read it back.
    virtual bool HasState() const { return false; }
    virtual void SaveState(StreamWriter&, TCallMan&) const {}
    virtual void LoadState(StreamReader&, TCallMan&) {}
    virtual void Abort(TCallMan&) {}
    virtual bool YieldsInEvent() const { return false; }

    // Fields, in the order of the command table.
    size_t FieldCount() const { return fields_.size(); }
    TCommandField& Field(size_t i) { return fields_[i]; }
    const TCommandField& Field(size_t i) const { return fields_[i]; }
    // The field of that name, or nullptr.
    TCommandField* FindField(std::string_view name);

    // Setters for builders; a name that is not a field of this command (or a field of
    // another kind) raises a VeskError. Expression texts are compiled here.
    TCommand& SetExprText(std::string_view field, std::string_view text);
    TCommand& SetText(std::string_view field, std::string_view text);
    TCommand& SetNum(std::string_view field, int32_t value);
    TCommand& SetExprList(std::string_view field, const std::vector<std::string>& texts);
    TCommand& SetPropText(int index, std::string_view text);
    TCommand& SetPropExpr(int index, const TVeskParser& expr);

    // Component commands: the expression of property `index`, or nullptr.
    TVeskParser* Prop(int index);
    const TVeskParser* Prop(int index) const;

  protected:
    TVeskParser& ExprAt(size_t i) { return fields_[i].Expr; }
    const std::string& TextAt(size_t i) const { return fields_[i].Text; }
    int32_t NumAt(size_t i) const { return fields_[i].Num; }

  private:
    TCommandField& Need(std::string_view field, FieldKind kind);
    TCommandField* PropsField();
    const TCommandField* PropsField() const;

    uint8_t type_;
    std::vector<TCommandField> fields_;
};

// Compiles one expression text into its runnable form (the same bytes a page stores).
// An empty text gives an empty expression.
void CompileExpr(std::string_view text, TVeskParser& out);

}  // namespace vesk
