#pragma once
// The page decompiler: writes a stored page as page source that compiles back into the very
// same bytes. Expressions and texts that have no such source form are written raw.
#include <functional>
#include <string>

namespace vesk {
class TPage;
class TVeskParser;
}  // namespace vesk

namespace vesk::scriptc {

// Finds another page by its name (CP932), so jumps into it can name its labels; nullptr
// when the page is not at hand.
using PageLookup = std::function<const TPage*(const std::string& name)>;

// The source text (UTF-8) of `page`, whose Name is the name the game knows it by.
std::string DecompilePage(const TPage& page, const PageLookup& lookup = {});

// The source text of one expression, or "{}" when it is empty, or its stored bytes as
// "{raw:...}" when no text compiles back into them.
std::string ExprSource(const TVeskParser& expr);

}  // namespace vesk::scriptc
