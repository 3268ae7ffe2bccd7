#pragma once
// The glyphs of a tagged text: characters, inline images and the control glyphs the tags
// leave in the text. The layout fields (X, Y, Width, Height) are filled by the layout.
#include <cstdint>
#include <memory>
#include <string>

namespace vesk {

class TVeskImageList;
class TVeskParser;
class TWdRow;

// Kind of a glyph. The values 1..9 are the kind bytes of the stored glyph stream; the
// others are made at run time and never stored.
enum TWdKind : uint8_t {
    wkChar = 1,
    wkAlign = 2,
    wkReturn = 3,
    wkIndent = 4,
    wkUndent = 5,
    wkEvent = 6,
    wkVar = 7,
    wkImg = 9,
    wkSpace = 100,
    wkVarChar = 101,
    wkVarReturn = 102,
    wkRow = 103,
    wkPage = 104,
};

// Alignment numbers used by DIV and IMG.
enum TTextAlign : uint8_t {
    taLeft = 1,
    taRight = 2,
    taCenter = 3,
    taTop = 4,
    taBottom = 5,
};

// The wait of a glyph when no WAIT tag is in force.
constexpr int32_t kDefaultWait = 50;

class TWdGlyph {
  public:
    virtual ~TWdGlyph() = default;
    virtual TWdKind Kind() const = 0;

    // Placed by the layout: X within the page, Y within the row (Row->Y is the row's top).
    int32_t X = 0;
    int32_t Y = 0;
    int32_t Width = 0;
    int32_t Height = 0;
    TWdRow* Row = nullptr;
    // Revelation: 0 while hidden, growing to 255 as the glyph fades in.
    int32_t Opacity = 0;
};

// Base of the visible glyphs.
class TWdReal : public TWdGlyph {
  public:
    std::string Link;
    int32_t Wait = kDefaultWait;
};

// The glyph as a visible one (a character or a picture), or null.
inline const TWdReal* AsReal(const TWdGlyph& g) {
    switch (g.Kind()) {
        case wkChar:
        case wkVarChar:
        case wkImg:
            return static_cast<const TWdReal*>(&g);
        default:
            return nullptr;
    }
}

// One character: a single-byte code, or a double-byte code as lead << 8 | trail.
class TWdChar : public TWdReal {
  public:
    TWdKind Kind() const override { return wkChar; }
    bool IsDoubleByte() const { return Code > 0xFF; }
    // The character's bytes.
    std::string Text() const;

    uint16_t Code = 0;
    int32_t Style = -1;  // index into the style pool
};

// A character produced by a VAR when the text was laid out.
class TWdVarChar final : public TWdChar {
  public:
    TWdKind Kind() const override { return wkVarChar; }
};

class TWdImg final : public TWdReal {
  public:
    TWdImg();
    ~TWdImg() override;
    TWdKind Kind() const override { return wkImg; }
    // More than one frame: the picture animates while it is shown.
    bool Animated() const;

    std::string Source;
    uint8_t Align = taBottom;
    bool NoBreak = false;
    std::string Ruby;
    // The frames, taken from the image cache when the layout measures the glyph (none when
    // the file does not exist or cannot be shown).
    std::unique_ptr<TVeskImageList> Frames;
};

// The indent placeholder at the start of a row.
class TWdSpace final : public TWdGlyph {
  public:
    TWdKind Kind() const override { return wkSpace; }
};

class TWdOpeAlign final : public TWdGlyph {
  public:
    TWdKind Kind() const override { return wkAlign; }
    uint8_t Align = taLeft;
};

class TWdOpeIndent final : public TWdGlyph {
  public:
    TWdKind Kind() const override { return wkIndent; }
};

class TWdOpeUndent final : public TWdGlyph {
  public:
    TWdKind Kind() const override { return wkUndent; }
};

// A line break; with Clear it also ends the page.
class TWdOpeReturn : public TWdGlyph {
  public:
    TWdKind Kind() const override { return wkReturn; }
    bool Clear = false;
};

// A line break produced by a VAR.
class TWdVarReturn final : public TWdOpeReturn {
  public:
    TWdKind Kind() const override { return wkVarReturn; }
};

class TWdOpeEvent final : public TWdGlyph {
  public:
    TWdKind Kind() const override { return wkEvent; }
    // The text the event reports: an end event is marked by a leading byte 0x01.
    std::string EventText() const { return End ? "\x01" + Text : Text; }

    std::string Text;
    bool End = false;
};

// A VAR: an expression whose value is inserted after it at layout time.
class TWdOpeVar final : public TWdGlyph {
  public:
    TWdOpeVar();
    ~TWdOpeVar() override;
    TWdKind Kind() const override { return wkVar; }

    int32_t Style = -1;
    int32_t Wait = kDefaultWait;
    std::string Link;
    std::string Expr;
    // Older stored texts hold the expression only in compiled form (Expr is then empty).
    std::unique_ptr<TVeskParser> Compiled;
};

}  // namespace vesk
