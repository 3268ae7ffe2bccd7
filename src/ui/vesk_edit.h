#pragma once
// TVeskEdit (EditNew): a one-line text input, and TVeskMemo (MemoNew): one of several lines
// aligned by PR_HALIGN. Both are drawn by the engine into the picture itself, so they scale
// and go full screen with the game: the background in PR_COLOR (-1: none), the text in the
// font of PR_FONTNAME, PR_FONTHEIGHT, PR_FONTSTYLE and PR_FONTCOLOR, the selection as a
// highlight behind it, a blinking caret while focused, and the input method's composition
// at the caret, underlined.
//
// PR_TEXT is CP932; memo lines end with CR LF (a lone CR or LF set by a script counts as a
// line end too) and wrap at the object's width, after a space when the line has one. Typed
// characters CP932 cannot hold are refused, and so is text beyond kMaxTextBytes; bytes of PR_TEXT
// that are not CP932 characters read back as '?'.
//
// Keys: arrows, Home and End (with Shift: select), Backspace, Delete, Enter (a new line in a
// memo), Ctrl+A, Ctrl+C, Ctrl+X, Ctrl+V; PR_READONLY refuses every change but still moves,
// selects and copies. Every key pressed queues PR_ONNOTIFY with the key code and the text
// (text that came without a key, as an input method's, with code 229). A paused edit takes
// nothing. The key pages of the control (PR_ONKEYDOWN …) run only with PR_HANDLEKEY set; the
// edit takes the focus and its keys either way.
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "display/vesk_control.h"
#include "text/text_services.h"
#include "text/tp_label.h"
#include "ui/text_entry.h"

namespace vesk {

class TVeskEdit : public TVeskControl, public ITextEntryTarget {
  public:
    static constexpr size_t kMaxTextBytes = 65535;
    // The virtual-key code of text typed through an input method.
    static constexpr int32_t kVkProcessKey = 229;

    TVeskEdit(TVeskBaseList* owner, const TTextServices& services);
    ~TVeskEdit() override;

    int32_t Kind() const override { return LT_EDIT; }
    bool WantsDefaultName() const override { return true; }
    bool TakesKeysForItself() const override { return !paused_; }
    bool MultiLine() const { return multiLine_; }

    const std::string& Text() const { return text_; }
    // Byte offsets into the text: the caret and the other end of the selection.
    size_t Caret() const { return caret_; }
    size_t Anchor() const { return anchor_; }
    std::string SelectedText() const;
    // The composition in progress (CP932).
    const std::string& Composition() const { return composition_; }
    // Where a byte offset of the text is drawn (the left of its character), in layer pixels.
    TRect CaretRect();
    // The byte offset nearest to a point of the layer.
    size_t OffsetAt(int32_t x, int32_t y);

    // ITextEntryTarget
    void TextInput(const std::string& utf8) override;
    void TextEditing(const std::string& utf8, int32_t cursor) override;
    bool WantsTextEntry(TRect& caret) override;

    void PaintSelf(TCustomDIBX& s) override;
    bool Step(int32_t elapsed) override;
    void LeftDown(int32_t x, int32_t y) override;
    void CaptureMove(int32_t x, int32_t y) override;
    void KeyDown(const std::vector<int32_t>& keys) override;
    void KeyUp(const std::vector<int32_t>& keys) override;
    void KeyRepeat(const std::vector<int32_t>& keys) override;
    void FocusChanged() override;

    int32_t GetIntProp(int32_t index) override;
    void SetIntProp(int32_t index, int32_t value) override;
    std::string GetStrProp(int32_t index) override;
    void SetStrProp(int32_t index, const std::string& value) override;
    void SaveState(StreamWriter& w) override;
    void LoadState(StreamReader& r, int32_t version) override;

  protected:
    TVeskEdit(TVeskBaseList* owner, const TTextServices& services, bool multiLine);
    int32_t halign_ = 0;

  private:
    struct Line {
        size_t start = 0, end = 0;  // bytes of the shown text, the line end left out
    };
    // The text as shown: the composition stands at the caret.
    std::string Shown() const;
    size_t ShownOffset(size_t textOffset) const;
    // The lines of a text as shown: a memo's lines wrapped to the object's width.
    std::vector<Line> LinesOf(const std::string& s);
    size_t LineOf(const std::vector<Line>& lines, size_t offset) const;
    int32_t Advance(const std::string& s, size_t pos);
    int32_t Width(const std::string& s, size_t from, size_t to);
    int32_t LineHeight();
    int32_t LineLeft(int32_t lineWidth);
    // The byte offset in line `l` of `s` nearest to x (relative to the line's start).
    size_t OffsetInLine(const std::string& s, const Line& l, int32_t x);
    void ScrollToCaret();
    void ApplyFont();

    bool Focused() const;
    bool Editable() const { return !readOnly_ && !paused_; }
    // Replaces the selection by `insert` (CP932), within the length limit; false when
    // refused.
    bool Replace(const std::string& insert);
    void MoveCaret(size_t to, bool select);
    void ClearComposition();
    // Does what one key does.
    void HandleKey(int32_t vk);
    void Notify(int32_t vk);
    // Types the committed text that came since the last frame.
    void TakePending(bool notify);
    void Changed();
    void Blink(bool on);
    // A unit of the text: one character, or a CR LF pair.
    size_t NextUnit(size_t pos) const;
    size_t PrevUnit(size_t pos) const;

    const TTextServices& services_;
    bool multiLine_;
    std::unique_ptr<TTpLabelList> labels_;
    std::unordered_map<uint16_t, int32_t> advances_;
    std::string text_;
    std::string fontName_;
    std::string defaultFont_;
    int32_t fontHeight_ = 16;
    int32_t fontStyle_ = 0;
    int32_t fontColor_ = 0;
    bool paused_ = false;
    bool readOnly_ = false;
    bool handleKey_ = false;
    std::string notifyPage_;
    size_t caret_ = 0, anchor_ = 0;
    std::string composition_;
    size_t compositionCursor_ = 0;  // bytes into the composition
    // Committed text waiting for the frame's keys (so a typed key's notice shows it).
    std::string pending_;
    int32_t scrollX_ = 0, scrollY_ = 0;
    bool caretShown_ = true;
    int32_t blinkLeft_ = 0;
    bool selecting_ = false;
};

class TVeskMemo final : public TVeskEdit {
  public:
    TVeskMemo(TVeskBaseList* owner, const TTextServices& services)
        : TVeskEdit(owner, services, true) {}
    int32_t Kind() const override { return LT_MEMO; }
    int32_t GetIntProp(int32_t index) override;
    void SetIntProp(int32_t index, int32_t value) override;
    void SaveState(StreamWriter& w) override;
    void LoadState(StreamReader& r, int32_t version) override;
};

}  // namespace vesk
