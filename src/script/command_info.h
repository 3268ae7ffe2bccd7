#pragma once
// What the interpreter knows about each command type: its name, its Japanese caption, and
// the fields of its stored record in file order. Loading, writing and listing pages all
// walk this one table, so the three can never disagree about a record's layout.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace vesk {

// Command type codes (the type byte of a stored command, masked with 0x7F).
enum CommandCode : uint8_t {
    CC_IF = 0,
    CC_ELSEIF,
    CC_ELSE,
    CC_LABEL,
    CC_JUMP,
    CC_CALL,
    CC_EXIT,
    CC_WAIT,
    CC_BOXNEW,
    CC_IMGNEW,
    CC_MESNEW,
    CC_TIMER,
    CC_MOVIE,
    CC_FLIP,
    CC_CALC,
    CC_VARNEW,
    CC_VARDEL,
    CC_GETPROP,
    CC_SETPROP,
    CC_OBJDEL,
    CC_TEXTINS,
    CC_MOVIESTOP,
    CC_CLRHIST,
    CC_CINEMA,
    CC_CAPTION,
    CC_MENU,
    CC_MENUCLOSE,
    CC_COMMENT,
    CC_TEXTCLR,
    CC_CALLHIST,
    CC_BUTTON,
    CC_WHILE,
    CC_WHILEINIT,
    CC_WHILELOOP,
    CC_BREAK,
    CC_CONTINUE,
    CC_PARTICLENEW,
    CC_FIRENEW,
    CC_GAMESAVE,
    CC_GAMELOAD,
    CC_PCRESET,
    CC_RESET,
    CC_SOUND,
    CC_EDITNEW,
    CC_MEMONEW,
    CC_TERMINATE,
    CC_DOEVENT,
    CC_CLRREAD,
    CC_MAPIMGNEW,
    CC_WAVENEW,
    CC_TILENEW,
    CC_SLIDERNEW,
    CC_SCROLLBARNEW,
    CC_GAUGENEW,
    CC_CGCAPTION,
    CC_MEDIAPLAY,
    CC_PREVMENUNEW,
    CC_PROPMOTION,
    CC_FORMATHIST,
    CC_SAVECABINET,
    CC_LOADCABINET,
};
constexpr int kCommandTypeCount = 61;

// Component properties: 163 indexes, the names of the script constants.
constexpr int kPropertyCount = 163;
constexpr int kPropertySetBytes = 21;  // one bit per property, rounded up to bytes
// "PR_NAME" … "PR_REPEATPOS"; nullptr outside 0..162.
const char* PropertyName(int index);
// The index of a property name (exact), or -1.
int FindPropertyName(std::string_view name);

// The order in which an object-creating command applies the properties it carries: the
// name, the parent and the source first, then the geometry, so that later properties see
// the object's final size. Every index 0..162 occurs once.
const std::array<uint8_t, kPropertyCount>& PropertyApplyOrder();

// How one field of a command record is stored.
enum class FieldKind : uint8_t {
    Expr,      // one compiled expression
    Str,       // int32 byte count + bytes
    Int,       // int32
    Byte,      // uint8
    ExprList,  // int32 N + N expressions
    Block,     // int32 N + N raw bytes (the text block of TextIns)
    Props,     // one expression per property whose bit is set in the page's property set
};

struct FieldSpec {
    FieldKind kind;
    const char* name;
    // The field is stored only in pages of this version or newer.
    int32_t sinceVersion;
};

constexpr int kMaxFields = 10;
struct CommandInfo {
    const char* name;         // the authoring vocabulary ("If", "Call", …)
    const char* captionUtf8;  // the Japanese display name, as UTF-8 in the source
    uint8_t fieldCount;
    FieldSpec fields[kMaxFields];
};

// nullptr outside 0..60.
const CommandInfo* GetCommandInfo(uint8_t code);
// The command name ("If"), "?" outside the table.
const char* CommandName(uint8_t code);
// The caption in CP932.
std::string CommandCaption(uint8_t code);
// The code whose name matches exactly, or -1.
int FindCommandName(std::string_view name);
// True for the component commands (those whose record holds properties).
bool IsComponentCode(uint8_t code);

}  // namespace vesk
