#pragma once
// Cutting tagged message text into tags and runs of text, and splitting a tag into its
// name and attributes.
#include <string>
#include <string_view>
#include <vector>

namespace vesk {

struct TTagToken {
    // A tag runs from "<" to its matching ">" and keeps both; anything else is text.
    bool IsTag = false;
    std::string Text;

    bool operator==(const TTagToken&) const = default;
};

// Joins lines with CR, the form the tokenizer takes.
std::string JoinTextLines(const std::vector<std::string>& lines);

// Cuts CP932 text into tokens: drops comments and SCRIPT/STYLE blocks, resolves backslash
// escapes, folds white space, keeps quoted stretches whole and handles PRE and TEXTAREA
// blocks (a line end inside PRE yields a "<BR>" tag). Never fails.
std::vector<TTagToken> TokenizeTaggedText(std::string_view text);

struct TTagAttr {
    std::string Name;
    std::string Value;
    bool HasValue = false;
};

struct TTagInfo {
    std::string Name;
    std::vector<TTagAttr> Attrs;

    // The first attribute of that name (case ignored), or null.
    const TTagAttr* Find(std::string_view name) const;
    bool Has(std::string_view name) const { return Find(name) != nullptr; }
    // The value of an attribute, empty when absent.
    std::string Value(std::string_view name) const;
};

// Splits a tag token ("<NAME A=1 B='x y' C>") into its name and attributes.
TTagInfo SplitTag(std::string_view token);

}  // namespace vesk
