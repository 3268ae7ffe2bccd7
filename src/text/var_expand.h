#pragma once
// Expanding VAR glyphs into the characters of their values when a text is laid out.
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vesk {

class TParamCollection;
class TSysFuncMan;
class TWdGlyph;
class TWdGlyphList;
class TWdOpeVar;

// Fixed VAR values, one "NAME=value" line per expression; in a value the byte 0x01 stands
// for CR. Old text shown again uses them instead of the variables' present values.
using TVarValues = std::vector<std::string>;

// The line that fixes the value of a VAR expression.
std::string VarValueLine(std::string_view name, std::string_view value);
// Looks an expression up in the fixed values (its name compared without regard to case).
bool FindVarValue(const TVarValues& values, std::string_view name, std::string& value);

// The value of a VAR: its fixed value when there is one, else its expression evaluated
// and taken as a string. A compile or evaluation error gives the empty string.
std::string EvaluateVar(TWdOpeVar& var, const TVarValues& values, TParamCollection& store,
                        TSysFuncMan* funcs);

// The glyphs a VAR's value becomes: CR a TWdVarReturn, characters from space up a
// TWdVarChar in the VAR's style, link and wait; other control characters are dropped.
std::vector<std::unique_ptr<TWdGlyph>> MakeVarGlyphs(const TWdOpeVar& var, std::string_view value);

// Inserts the value glyphs after every VAR among glyphs first..last (last < 0: to the
// end), evaluated as EvaluateVar does. Returns how many glyphs were inserted.
size_t ExpandVars(TWdGlyphList& list, const TVarValues& values, TParamCollection& store,
                  TSysFuncMan* funcs, size_t first = 0, long last = -1);
// Removes every glyph a VAR expansion made.
void RemoveVarGlyphs(TWdGlyphList& list);

}  // namespace vesk
