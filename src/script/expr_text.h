#pragma once
// Readable text for compiled expressions: the operations are folded back into one infix
// statement per assignment, as a person would have written it.
#include <string>

namespace vesk {

class TVeskParser;

// CP932 text; empty for an empty expression. Statements are separated by "; ".
std::string ExprToText(const TVeskParser& expr);

}  // namespace vesk
