#pragma once
// What text objects need from the engine: the glyph cache, the image cache and file
// manager for inline pictures, and the variables for VAR tags. The engine owns all of
// them and keeps them alive longer than every text object.
namespace vesk {

class IClipboard;
class TFontPixelManager;
class TParamCollection;
class TQuilCollection;
class TSysFuncMan;
class TVrFileManager;

struct TTextServices {
    TFontPixelManager* Fonts = nullptr;
    // Inline pictures: a picture is shown when the file manager has the file.
    TQuilCollection* Images = nullptr;
    TVrFileManager* Files = nullptr;
    // VAR tags evaluate against these; without a store only fixed VAR values show.
    TParamCollection* Store = nullptr;
    TSysFuncMan* Funcs = nullptr;
    // What edits copy to and paste from (none: copying and pasting do nothing).
    IClipboard* Clipboard = nullptr;
};

}  // namespace vesk
