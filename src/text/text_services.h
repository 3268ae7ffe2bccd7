#pragma once
// What text objects need from the engine: the glyph cache, the image cache and file
// manager for inline pictures, the variables for VAR tags, and for message windows the
// stored texts of the script pages, the read list and the message histories. The engine
// owns all of them and keeps them alive longer than every text object.
#include <cstdint>
#include <functional>
#include <string>

namespace vesk {

class TFontPixelManager;
class TParamCollection;
class TQuilCollection;
class TSysFuncMan;
class TVrFileManager;
class TVeskHistoryFormatManager;
class TVeskReadList;

struct TTextServices {
    TFontPixelManager* Fonts = nullptr;
    // Inline pictures: a picture is shown when the file manager has the file.
    TQuilCollection* Images = nullptr;
    TVrFileManager* Files = nullptr;
    // VAR tags evaluate against these; without a store only fixed VAR values show.
    TParamCollection* Store = nullptr;
    TSysFuncMan* Funcs = nullptr;
    // The glyph stream stored in the text-insertion command at `index` of script page
    // `page`; false when the page does not exist or that command inserts no text.
    std::function<bool(const std::string& page, int32_t index, std::string& block)> TextBlock{};
    // Where message windows record what the reader has seen (null: nowhere).
    TVeskReadList* ReadList = nullptr;
    TVeskHistoryFormatManager* Histories = nullptr;
};

}  // namespace vesk
