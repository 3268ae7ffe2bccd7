#pragma once
// Turning tagged message text into glyphs: the tag state while parsing, and the parser.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "text/decorate.h"
#include "text/wd_glyph.h"

namespace vesk {

class TWdGlyphList;

// A stack of one attribute's values; an empty stack gives its base value.
template <class T>
class TValueStack {
  public:
    explicit TValueStack(T base) : base_(std::move(base)) {}
    void Push(T v) { items_.push_back(std::move(v)); }
    void Pop() {
        if (!items_.empty()) items_.pop_back();
    }
    const T& Top() const { return items_.empty() ? base_ : items_.back(); }
    bool Empty() const { return items_.empty(); }

  private:
    T base_;
    std::vector<T> items_;
};

using TIntStack = TValueStack<int32_t>;
using TStrStack = TValueStack<std::string>;
using TAlignStack = TValueStack<uint8_t>;

// The tag state while parsing.
class TTagValList {
  public:
    // The style the next character gets.
    TDecorate CurrentStyle() const;

    TIntStack Size{0};
    TIntStack Color{-1};
    TIntStack BorderColor{-1};
    TIntStack ShadowColor{-1};
    TStrStack FontName{std::string()};
    TAlignStack Align{taLeft};
    TIntStack Wait{kDefaultWait};
    TIntStack BorderWidth{-1};
    TIntStack ShadowWidth{-1};
    uint8_t Flags = 0;
    bool NoBreak = false;
    std::string Ruby;
    std::string Link;
};

// Parses tagged CP932 text lines and appends their glyphs (and styles) to `out`. An A tag
// without HREF stops the parse with an error; glyphs made before it stay.
void ParseTaggedText(const std::vector<std::string>& lines, TWdGlyphList& out);
// The same for text whose lines are already joined with CR.
void ParseTaggedText(std::string_view text, TWdGlyphList& out);

// The attribute value forms the tags accept, exposed for the tools that write tags.
// A decimal integer (optionally signed, or hexadecimal after "$" or "0x"); false when the
// text is not one.
bool ParseTagInt(std::string_view text, int32_t& value);
// "#RRGGBB" to a colour 0x00BBGGRR; false when the text has no "#" or no number after it.
bool ParseTagColor(std::string_view text, int32_t& value);
// HREF and EVENT values: backslash before a double quote, a backslash or n gives a double
// quote, a backslash or CR LF.
std::string UnescapeTagValue(std::string_view text);

}  // namespace vesk
