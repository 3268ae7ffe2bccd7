#include "ui/vesk_edit.h"

#include <algorithm>

#include "base/cp932.h"
#include "base/stream.h"
#include "display/vesk_base.h"
#include "display/vesk_base_list.h"
#include "text/char_code.h"
#include "text/clipboard.h"
#include "text/decorate.h"
#include "text/font_pixels.h"

namespace vesk {

namespace {

// The text starts this far inside the object's rectangle.
constexpr int32_t kPadX = 2, kPadY = 1;
constexpr int32_t kBlinkMs = 530;
// The longest composition shown (an input method never sends more than a sentence).
constexpr size_t kMaxCompositionBytes = 1024;
// The selection's highlight (0x00BBGGRR), blended under the text.
constexpr int32_t kHighlight = 0xE0A040;
constexpr int32_t kHighlightAlpha = 110;

enum : int32_t {
    VK_BACK = 8,
    VK_RETURN = 13,
    VK_SHIFT = 16,
    VK_CONTROL = 17,
    VK_END = 35,
    VK_HOME = 36,
    VK_LEFT = 37,
    VK_UP = 38,
    VK_RIGHT = 39,
    VK_DOWN = 40,
    VK_DELETE = 46,
    VK_A = 0x41,
    VK_C = 0x43,
    VK_V = 0x56,
    VK_X = 0x58,
};

bool IsLineBreak(char c) {
    return c == '\r' || c == '\n';
}

// The text with every byte sequence that is not a CP932 character replaced by '?'.
std::string ValidCp932(std::string_view s) {
    std::string out, utf8;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        const size_t n = CharLenAt(s, i);
        const std::string_view c = s.substr(i, n);
        if (TryCp932ToUtf8(c, utf8)) {
            out.append(c);
            i += n;
        } else {
            // Only the byte that cannot start a character goes; what follows is read anew.
            out += '?';
            ++i;
        }
    }
    return out;
}

// At most `limit` bytes of `s`, never cutting a character in two.
std::string CutAt(const std::string& s, size_t limit) {
    if (s.size() <= limit) return s;
    size_t end = 0;
    while (end < s.size()) {
        const size_t n = CharLenAt(s, end);
        if (end + n > limit) break;
        end += n;
    }
    return s.substr(0, end);
}

// The byte length of the UTF-8 sequence that starts with `b` (1 for stray bytes).
size_t Utf8Len(uint8_t b) {
    if (b >= 0xF0 && b < 0xF8) return 4;
    if (b >= 0xE0) return b < 0xF0 ? 3 : 1;
    if (b >= 0xC0) return 2;
    return 1;
}

}  // namespace

TVeskEdit::TVeskEdit(TVeskBaseList* owner, const TTextServices& services)
    : TVeskEdit(owner, services, false) {}

TVeskEdit::TVeskEdit(TVeskBaseList* owner, const TTextServices& services, bool multiLine)
    : TVeskControl(owner), services_(services), multiLine_(multiLine) {
    if (services_.Fonts) {
        labels_ = std::make_unique<TTpLabelList>(*services_.Fonts);
        defaultFont_ = labels_->FontName;
    }
    // The edit always takes the focus and the keys; PR_HANDLEKEY only decides whether the
    // key pages run too.
    TVeskControl::SetIntProp(PR_HANDLEKEY, 1);
    ApplyFont();
}

TVeskEdit::~TVeskEdit() = default;

void TVeskEdit::ApplyFont() {
    advances_.clear();
    if (!labels_) return;
    labels_->FontName = fontName_.empty() ? defaultFont_ : fontName_;
    labels_->FontSize = std::clamp(fontHeight_, 1, kMaxFontSize);
    labels_->Style = uint8_t(fontStyle_ & (dfBold | dfItalic | dfUnderline | dfStrikeOut));
    labels_->Color = fontColor_;
}

bool TVeskEdit::Focused() const {
    return Owner() && Owner()->Focused() == this;
}

std::string TVeskEdit::SelectedText() const {
    const size_t lo = std::min(caret_, anchor_), hi = std::max(caret_, anchor_);
    return text_.substr(lo, hi - lo);
}

// ---- layout

std::string TVeskEdit::Shown() const {
    if (composition_.empty()) return text_;
    return text_.substr(0, caret_) + composition_ + text_.substr(caret_);
}

size_t TVeskEdit::ShownOffset(size_t offset) const {
    return offset <= caret_ ? offset : offset + composition_.size();
}

std::vector<TVeskEdit::Line> TVeskEdit::LinesOf(const std::string& s) {
    if (!multiLine_) return {{0, s.size()}};
    std::vector<Line> lines;
    const int32_t room = ScreenRect().Width() - 2 * kPadX;
    // One line of the text, wrapped to the room: after its last space when there is one,
    // else before the character that does not fit (never leaving a line empty).
    auto wrap = [&](size_t start, size_t end) {
        size_t from = start, lastBreak = std::string::npos;
        int32_t width = 0, widthAtBreak = 0;
        for (size_t i = start; i < end;) {
            const size_t n = CharLenAt(s, i);
            const int32_t w = Advance(s, i);
            if (i > from && width + w > room) {
                const size_t cut = lastBreak != std::string::npos ? lastBreak : i;
                lines.push_back({from, cut});
                width = cut == i ? 0 : width - widthAtBreak;
                from = cut;
                lastBreak = std::string::npos;
                // What followed the space may not leave room for this character either.
                if (i > from && width + w > room) {
                    lines.push_back({from, i});
                    from = i;
                    width = 0;
                }
            }
            width += w;
            i += n;
            if (s[i - n] == ' ') {
                lastBreak = i;
                widthAtBreak = width;
            }
        }
        lines.push_back({from, end});
    };
    size_t start = 0;
    for (size_t i = 0; i < s.size();) {
        if (!IsLineBreak(s[i])) {
            i += CharLenAt(s, i);
            continue;
        }
        wrap(start, i);
        i += s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n' ? 2 : 1;
        start = i;
    }
    wrap(start, s.size());
    return lines;
}

size_t TVeskEdit::LineOf(const std::vector<Line>& lines, size_t offset) const {
    size_t i = 0;
    while (i + 1 < lines.size() && lines[i + 1].start <= offset) ++i;
    return i;
}

int32_t TVeskEdit::Advance(const std::string& s, size_t pos) {
    if (!labels_) return 0;
    const uint16_t code = CharCodeAt(s, pos);
    if (code < 0x20) return 0;
    // Layout asks for every character of the text again and again: the advances of the
    // font in use are kept (ApplyFont forgets them).
    if (const auto it = advances_.find(code); it != advances_.end()) return it->second;
    const int32_t size = labels_->FontSize;
    const uint8_t flags = labels_->Style & (dfBold | dfItalic);
    const auto glyph =
        services_.Fonts->Get(code, labels_->FontName, size, flags, labels_->Antialias);
    const int32_t overhang = services_.Fonts->Metrics(labels_->FontName, size, flags).Overhang;
    const int32_t advance = std::max(0, glyph->A + glyph->B + glyph->C + overhang);
    advances_.emplace(code, advance);
    return advance;
}

int32_t TVeskEdit::Width(const std::string& s, size_t from, size_t to) {
    int64_t w = 0;
    for (size_t i = from; i < to && i < s.size(); i += CharLenAt(s, i)) w += Advance(s, i);
    return int32_t(std::min<int64_t>(w, INT32_MAX / 4));
}

int32_t TVeskEdit::LineHeight() {
    return std::max(labels_ ? labels_->TextHeight() : fontHeight_, 1);
}

int32_t TVeskEdit::LineLeft(int32_t lineWidth) {
    // The shown rectangle is kept within safe coordinates, unlike the stored size.
    const int32_t room = ScreenRect().Width() - 2 * kPadX;
    if (!multiLine_ || lineWidth >= room) return 0;
    if (halign_ == 1) return (room - lineWidth) / 2;
    if (halign_ == 2) return room - lineWidth;
    return 0;
}

size_t TVeskEdit::OffsetInLine(const std::string& s, const Line& l, int32_t x) {
    int32_t at = 0;
    for (size_t i = l.start; i < l.end; i += CharLenAt(s, i)) {
        const int32_t w = Advance(s, i);
        if (x < at + w / 2) return i;
        at += w;
    }
    return l.end;
}

TRect TVeskEdit::CaretRect() {
    const std::string shown = Shown();
    const std::vector<Line> lines = LinesOf(shown);
    const size_t at = ShownOffset(caret_) + compositionCursor_;
    const size_t li = LineOf(lines, at);
    const Line& l = lines[li];
    const TRect r = ScreenRect();
    const int32_t lh = LineHeight();
    const int32_t x = r.left + kPadX + LineLeft(Width(shown, l.start, l.end)) - scrollX_ +
                      Width(shown, l.start, at);
    const int32_t y = r.top + kPadY + int32_t(li) * lh - scrollY_;
    return {x, y, x + 1, y + lh};
}

size_t TVeskEdit::OffsetAt(int32_t x, int32_t y) {
    const std::vector<Line> lines = LinesOf(text_);
    const TRect r = ScreenRect();
    const int32_t lh = LineHeight();
    const int64_t row = (int64_t(y) - r.top - kPadY + scrollY_) / lh;
    const Line& l = lines[size_t(std::clamp<int64_t>(row, 0, int64_t(lines.size()) - 1))];
    const int32_t left = r.left + kPadX + LineLeft(Width(text_, l.start, l.end)) - scrollX_;
    return OffsetInLine(text_, l, x - left);
}

void TVeskEdit::ScrollToCaret() {
    const std::string shown = Shown();
    const std::vector<Line> lines = LinesOf(shown);
    const size_t at = ShownOffset(caret_) + compositionCursor_;
    const size_t li = LineOf(lines, at);
    const Line& l = lines[li];
    const int32_t cx = LineLeft(Width(shown, l.start, l.end)) + Width(shown, l.start, at);
    const TRect r = ScreenRect();
    const int32_t room = std::max(r.Width() - 2 * kPadX, 1);
    if (cx < scrollX_) scrollX_ = cx;
    // The caret may stand on the right edge of the room (it is drawn in the padding).
    if (cx > scrollX_ + room) scrollX_ = cx - room;
    scrollX_ = std::max(scrollX_, 0);
    const int32_t lh = LineHeight();
    const int32_t cy = int32_t(li) * lh;
    const int32_t rows = std::max(r.Height() - 2 * kPadY, lh);
    if (cy < scrollY_) scrollY_ = cy;
    if (cy + lh > scrollY_ + rows) scrollY_ = cy + lh - rows;
    scrollY_ = std::max(scrollY_, 0);
}

// ---- drawing

void TVeskEdit::PaintSelf(TCustomDIBX& s) {
    const TRect r = ScreenRect();
    const TRect area = Intersect(s.ClipArea(), r);
    if (area.IsEmpty()) return;
    const TRect saved = s.ClipRect();
    s.SetClipRect(area);
    if (color_ >= 0) s.FillRect(r, uint32_t(s.ColorToPixel(color_)));
    if (labels_) {
        const std::string shown = Shown();
        const std::vector<Line> lines = LinesOf(shown);
        const int32_t lh = LineHeight();
        const size_t lo = ShownOffset(std::min(caret_, anchor_));
        const size_t hi = ShownOffset(std::max(caret_, anchor_));
        const size_t compFrom = caret_, compTo = caret_ + composition_.size();
        const size_t first = size_t(std::max(scrollY_ / lh, 0));
        size_t slot = 0;
        for (size_t i = first; i < lines.size(); ++i) {
            const int32_t y = r.top + kPadY + int32_t(i) * lh - scrollY_;
            if (y >= area.bottom) break;
            const Line& l = lines[i];
            const int32_t x0 = r.left + kPadX + LineLeft(Width(shown, l.start, l.end)) - scrollX_;
            auto span = [&](size_t a, size_t b) {
                return TRect{x0 + Width(shown, l.start, a), y, x0 + Width(shown, l.start, b),
                             y + lh};
            };
            // The selection, with a sliver for the line end it takes along.
            const size_t a = std::max(lo, l.start), b = std::min(hi, l.end);
            if (a < b || (hi > l.end && lo <= l.end && i + 1 < lines.size())) {
                TRect sel = span(a, std::max(a, b));
                if (hi > l.end && i + 1 < lines.size()) sel.right += std::max(lh / 4, 2);
                s.FillRectAlpha(sel, uint32_t(s.ColorToPixel(kHighlight)), kHighlightAlpha);
            }
            if (slot >= labels_->Count()) labels_->Add({});
            // Only the characters in sight are rendered: a long line would make a label
            // as wide as the whole line.
            size_t from = l.start, to = l.start;
            int32_t fromX = x0;
            for (int32_t x = x0; to < l.end && x < area.right; to += CharLenAt(shown, to)) {
                const int32_t w = Advance(shown, to);
                if (x + w <= area.left - lh) {
                    from = to + CharLenAt(shown, to);
                    fromX = x + w;
                }
                x += w;
            }
            TTpLabelDIB& label = (*labels_)[slot++];
            label.Text = shown.substr(from, std::max(to, from) - from);
            label.Draw(s, fromX, y);
            if (!composition_.empty() && compFrom < l.end + 1 && compTo > l.start) {
                TRect under = span(std::max(compFrom, l.start), std::min(compTo, l.end));
                under.top = under.bottom - 1;
                s.FillRect(under, uint32_t(s.ColorToPixel(fontColor_)));
            }
        }
        while (labels_->Count() > slot) labels_->Delete(labels_->Count() - 1);
    }
    if (Focused() && caretShown_ && !paused_)
        s.FillRect(CaretRect(), uint32_t(s.ColorToPixel(fontColor_)));
    s.SetClipRect(saved);
}

void TVeskEdit::Blink(bool on) {
    caretShown_ = on;
    blinkLeft_ = kBlinkMs;
    Invalidate();
}

bool TVeskEdit::Step(int32_t elapsed) {
    TakePending(true);
    const bool focused = Focused();
    if (!focused && !composition_.empty()) ClearComposition();
    if (focused) {
        blinkLeft_ -= std::max(elapsed, 0);
        if (blinkLeft_ <= 0) Blink(!caretShown_);
    } else if (caretShown_) {
        caretShown_ = false;
        Invalidate();
    }
    return TVeskControl::Step(elapsed);
}

void TVeskEdit::FocusChanged() {
    Blink(true);
}

// ---- editing

size_t TVeskEdit::NextUnit(size_t pos) const {
    if (pos >= text_.size()) return text_.size();
    if (text_[pos] == '\r' && pos + 1 < text_.size() && text_[pos + 1] == '\n') return pos + 2;
    return pos + CharLenAt(text_, pos);
}

size_t TVeskEdit::PrevUnit(size_t pos) const {
    if (pos == 0) return 0;
    if (pos >= 2 && text_[pos - 1] == '\n' && text_[pos - 2] == '\r') return pos - 2;
    // Walk from the start: a trail byte may look like a lead byte.
    size_t at = 0;
    for (size_t i = 0; i < pos;) {
        at = i;
        i = NextUnit(i);
    }
    return at;
}

void TVeskEdit::MoveCaret(size_t to, bool select) {
    caret_ = std::min(to, text_.size());
    if (!select) anchor_ = caret_;
    ScrollToCaret();
    Blink(true);
}

void TVeskEdit::Changed() {
    ScrollToCaret();
    Blink(true);
}

bool TVeskEdit::Replace(const std::string& insert) {
    if (!Editable()) return false;
    const size_t lo = std::min(caret_, anchor_), hi = std::max(caret_, anchor_);
    const size_t room = kMaxTextBytes - (text_.size() - (hi - lo));
    const std::string fit = CutAt(insert, room);
    if (fit.empty() && lo == hi) return false;
    text_.replace(lo, hi - lo, fit);
    caret_ = anchor_ = lo + fit.size();
    Changed();
    return true;
}

void TVeskEdit::ClearComposition() {
    if (composition_.empty()) return;
    composition_.clear();
    compositionCursor_ = 0;
    ScrollToCaret();
    Invalidate();
}

void TVeskEdit::TakePending(bool notify) {
    if (pending_.empty()) return;
    const std::string text = std::move(pending_);
    pending_.clear();
    if (Replace(text) && notify) Notify(kVkProcessKey);
}

void TVeskEdit::Notify(int32_t vk) {
    QueueEvent(PR_ONNOTIFY, {std::to_string(vk), text_});
}

void TVeskEdit::HandleKey(int32_t vk) {
    TVeskBaseList* root = Owner();
    const bool shift = root && root->KeyIsDown(VK_SHIFT);
    const bool ctrl = root && root->KeyIsDown(VK_CONTROL);
    const size_t lo = std::min(caret_, anchor_), hi = std::max(caret_, anchor_);
    const std::vector<Line> lines = LinesOf(text_);
    const Line& line = lines[LineOf(lines, caret_)];
    switch (vk) {
        case VK_LEFT:
            MoveCaret(!shift && lo != hi ? lo : PrevUnit(caret_), shift);
            return;
        case VK_RIGHT:
            MoveCaret(!shift && lo != hi ? hi : NextUnit(caret_), shift);
            return;
        case VK_HOME:
            MoveCaret(ctrl ? 0 : line.start, shift);
            return;
        case VK_END:
            MoveCaret(ctrl ? text_.size() : line.end, shift);
            return;
        case VK_UP:
        case VK_DOWN: {
            if (!multiLine_) return;
            const size_t li = LineOf(lines, caret_);
            if ((vk == VK_UP && li == 0) || (vk == VK_DOWN && li + 1 >= lines.size())) return;
            const Line& to = lines[vk == VK_UP ? li - 1 : li + 1];
            const int32_t x = LineLeft(Width(text_, line.start, line.end)) +
                              Width(text_, line.start, caret_) -
                              LineLeft(Width(text_, to.start, to.end));
            MoveCaret(OffsetInLine(text_, to, x), shift);
            return;
        }
        case VK_BACK:
        case VK_DELETE:
            if (!Editable()) return;
            if (lo == hi) anchor_ = vk == VK_BACK ? PrevUnit(caret_) : NextUnit(caret_);
            Replace({});
            return;
        case VK_RETURN:
            if (multiLine_) Replace("\r\n");
            return;
        default:
            break;
    }
    if (!ctrl) return;
    IClipboard* clip = services_.Clipboard;
    switch (vk) {
        case VK_A:
            anchor_ = 0;
            caret_ = text_.size();
            Changed();
            return;
        case VK_C:
        case VK_X:
            if (lo == hi || !clip) return;
            clip->SetText(SelectedText());
            if (vk == VK_X) Replace({});
            return;
        case VK_V: {
            if (!clip || !Editable()) return;
            std::string text = ValidCp932(clip->Text());
            // One line takes the clipboard's first line only.
            if (!multiLine_) text = text.substr(0, text.find_first_of("\r\n"));
            Replace(text);
            return;
        }
        default:
            return;
    }
}

void TVeskEdit::KeyDown(const std::vector<int32_t>& keys) {
    if (paused_) return;
    // The text typed with these keys: their notice shows it.
    TakePending(false);
    for (int32_t k : keys) HandleKey(k);
    if (!keys.empty()) Notify(keys.front());
    if (handleKey_) TVeskControl::KeyDown(keys);
}

void TVeskEdit::KeyRepeat(const std::vector<int32_t>& keys) {
    if (paused_) return;
    for (int32_t k : keys) {
        switch (k) {
            case VK_BACK:
            case VK_DELETE:
            case VK_RETURN:
            case VK_LEFT:
            case VK_RIGHT:
            case VK_UP:
            case VK_DOWN:
                HandleKey(k);
                Notify(k);
                break;
            default:
                break;
        }
    }
    if (handleKey_) TVeskControl::KeyRepeat(keys);
}

void TVeskEdit::KeyUp(const std::vector<int32_t>& keys) {
    if (handleKey_) TVeskControl::KeyUp(keys);
}

void TVeskEdit::TextInput(const std::string& utf8) {
    if (!Editable()) return;
    ClearComposition();
    std::string converted;
    for (size_t i = 0; i < utf8.size();) {
        const size_t n = std::min(Utf8Len(uint8_t(utf8[i])), utf8.size() - i);
        const std::string_view piece(utf8.data() + i, n);
        i += n;
        std::string c;
        // Characters CP932 cannot hold, and control characters, are refused.
        if (!TryUtf8ToCp932(piece, c) || c.empty() || uint8_t(c[0]) < 0x20 || c[0] == 0x7F)
            continue;
        converted += c;
    }
    if (pending_.size() + converted.size() <= kMaxTextBytes) pending_ += converted;
}

void TVeskEdit::TextEditing(const std::string& utf8, int32_t cursor) {
    if (!Editable()) return;
    composition_ = CutAt(Utf8ToCp932(utf8), kMaxCompositionBytes);
    compositionCursor_ =
        std::min(CharToByte(composition_, size_t(std::max(cursor, 0))), composition_.size());
    ScrollToCaret();
    Blink(true);
}

bool TVeskEdit::WantsTextEntry(TRect& caret) {
    if (!Focused() || !Editable() || !IsShown()) return false;
    caret = CaretRect();
    return true;
}

void TVeskEdit::LeftDown(int32_t x, int32_t y) {
    TVeskControl::LeftDown(x, y);
    if (paused_ || !Owner()) return;
    if (!Focused()) Owner()->SetFocus(this);
    const bool shift = Owner()->KeyIsDown(VK_SHIFT);
    MoveCaret(OffsetAt(x, y), shift);
    selecting_ = true;
    if (TVeskBase* layer = Layer()) layer->AddCapture(CAP_LEFT_HELD);
}

void TVeskEdit::CaptureMove(int32_t x, int32_t y) {
    TVeskBase* layer = Layer();
    if (!selecting_ || !layer || !layer->LeftDownState()) {
        selecting_ = false;
        return;
    }
    const size_t to = OffsetAt(x, y);
    if (to != caret_) MoveCaret(to, true);
}

// ---- properties

int32_t TVeskEdit::GetIntProp(int32_t index) {
    switch (index) {
        case PR_FONTHEIGHT:
            return fontHeight_;
        case PR_FONTSTYLE:
            return fontStyle_;
        case PR_FONTCOLOR:
            return fontColor_;
        case PR_PAUSED:
            return paused_;
        case PR_READONLY:
            return readOnly_;
        case PR_HANDLEKEY:
            return handleKey_;
        default:
            return TVeskControl::GetIntProp(index);
    }
}

void TVeskEdit::SetIntProp(int32_t index, int32_t value) {
    switch (index) {
        case PR_FONTHEIGHT:
            fontHeight_ = value;
            break;
        case PR_FONTSTYLE:
            fontStyle_ = value;
            break;
        case PR_FONTCOLOR:
            fontColor_ = value;
            break;
        case PR_PAUSED:
            paused_ = value != 0;
            if (paused_) ClearComposition();
            break;
        case PR_READONLY:
            readOnly_ = value != 0;
            if (readOnly_) ClearComposition();
            break;
        case PR_HANDLEKEY:
            handleKey_ = value != 0;
            return;
        default:
            TVeskControl::SetIntProp(index, value);
            return;
    }
    ApplyFont();
    ScrollToCaret();
    Invalidate();
}

std::string TVeskEdit::GetStrProp(int32_t index) {
    switch (index) {
        case PR_FONTNAME:
            return fontName_;
        case PR_TEXT:
            return text_;
        case PR_ONNOTIFY:
            return notifyPage_;
        default:
            return TVeskControl::GetStrProp(index);
    }
}

void TVeskEdit::SetStrProp(int32_t index, const std::string& value) {
    switch (index) {
        case PR_FONTNAME:
            fontName_ = value;
            ApplyFont();
            break;
        case PR_TEXT:
            text_ = CutAt(ValidCp932(value), kMaxTextBytes);
            caret_ = anchor_ = text_.size();
            scrollX_ = scrollY_ = 0;
            break;
        case PR_ONNOTIFY:
            notifyPage_ = value;
            return;
        default:
            TVeskControl::SetStrProp(index, value);
            return;
    }
    ScrollToCaret();
    Invalidate();
}

void TVeskEdit::SaveState(StreamWriter& w) {
    TVeskControl::SaveState(w);
    w.Str(text_);
    w.Str(fontName_);
    w.I32(fontHeight_);
    w.I32(fontStyle_);
    w.I32(fontColor_);
    w.Flag(paused_);
    w.Flag(readOnly_);
    w.Flag(handleKey_);
    w.Str(notifyPage_);
    w.I32(int32_t(caret_));
    w.I32(int32_t(anchor_));
}

void TVeskEdit::LoadState(StreamReader& r, int32_t version) {
    TVeskControl::LoadState(r, version);
    TVeskControl::SetIntProp(PR_HANDLEKEY, 1);
    text_ = CutAt(ValidCp932(r.Str("edit text")), kMaxTextBytes);
    fontName_ = r.Str("edit font name");
    fontHeight_ = r.I32("edit font height");
    fontStyle_ = r.I32("edit font style");
    fontColor_ = r.I32("edit font colour");
    paused_ = r.Flag("paused");
    readOnly_ = r.Flag("read only");
    handleKey_ = r.Flag("handle key");
    notifyPage_ = r.Str("notify page");
    // A caret saved inside a character or a line end goes to its start.
    auto boundary = [&](int32_t saved) {
        const size_t want = size_t(std::clamp<int64_t>(saved, 0, int64_t(text_.size())));
        size_t at = 0;
        while (at < want && NextUnit(at) <= want) at = NextUnit(at);
        return at;
    };
    caret_ = boundary(r.I32("caret"));
    anchor_ = boundary(r.I32("selection anchor"));
    composition_.clear();
    pending_.clear();
    ApplyFont();
    ScrollToCaret();
    Invalidate();
}

int32_t TVeskMemo::GetIntProp(int32_t index) {
    return index == PR_HALIGN ? halign_ : TVeskEdit::GetIntProp(index);
}

void TVeskMemo::SetIntProp(int32_t index, int32_t value) {
    if (index != PR_HALIGN) return TVeskEdit::SetIntProp(index, value);
    halign_ = value;
    Invalidate();
}

void TVeskMemo::SaveState(StreamWriter& w) {
    TVeskEdit::SaveState(w);
    w.I32(halign_);
}

void TVeskMemo::LoadState(StreamReader& r, int32_t version) {
    TVeskEdit::LoadState(r, version);
    halign_ = r.I32("alignment");
}

}  // namespace vesk
