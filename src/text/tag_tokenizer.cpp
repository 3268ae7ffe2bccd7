#include "text/tag_tokenizer.h"

#include <algorithm>
#include <cstdint>

#include "base/cp932.h"

namespace vesk {

namespace {

bool StartsWithCi(std::string_view s, size_t pos, std::string_view prefix) {
    return s.size() - pos >= prefix.size() && SameTextAscii(s.substr(pos, prefix.size()), prefix);
}

bool IsEscapable(char c) {
    return c == '%' || c == '<' || c == '>' || c == '\\' || c == '{' || c == '}';
}

// White space that separates the words of a tag.
bool IsTagSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\x14';
}

class Tokenizer {
  public:
    explicit Tokenizer(std::string_view text) : s_(text) {}

    std::vector<TTagToken> Run() {
        while (i_ < s_.size()) Step();
        if (depth_ > 0) {
            // A tag that never closes shows as it was written.
            out_.push_back({false, tag_});
        } else {
            FlushRun();
        }
        return std::move(out_);
    }

  private:
    enum class Block { None, Script, Style };

    std::string& Current() { return depth_ > 0 ? tag_ : run_; }

    void FlushRun() {
        if (!run_.empty()) out_.push_back({false, run_});
        run_.clear();
    }

    // Skips a dropped stretch (comment, SCRIPT, STYLE); true when the character was used.
    bool SkipDropped() {
        if (comments_ > 0) {
            if (StartsWithCi(s_, i_, "<!--")) {
                ++comments_;
                i_ += 4;
            } else if (StartsWithCi(s_, i_, "-->")) {
                --comments_;
                i_ += 3;
            } else {
                i_ += CharLenAt(s_, i_);
            }
            return true;
        }
        if (block_ != Block::None) {
            std::string_view open = block_ == Block::Script ? "<SCRIPT" : "<STYLE";
            std::string_view close = block_ == Block::Script ? "</SCRIPT>" : "</STYLE>";
            if (StartsWithCi(s_, i_, close)) {
                i_ += close.size();
                if (--blockDepth_ == 0) block_ = Block::None;
            } else if (StartsWithCi(s_, i_, open)) {
                ++blockDepth_;
                i_ += open.size();
            } else {
                i_ += CharLenAt(s_, i_);
            }
            return true;
        }
        if (StartsWithCi(s_, i_, "<!--")) {
            comments_ = 1;
            i_ += 4;
            return true;
        }
        if (depth_ == 0 && (StartsWithCi(s_, i_, "<SCRIPT") || StartsWithCi(s_, i_, "<STYLE"))) {
            block_ = StartsWithCi(s_, i_, "<SCRIPT") ? Block::Script : Block::Style;
            blockDepth_ = 1;
            i_ += block_ == Block::Script ? 7 : 6;
            return true;
        }
        return false;
    }

    void Step() {
        if (SkipDropped()) return;
        bool afterOpening = dropNextCr_;
        dropNextCr_ = false;
        char c = s_[i_];
        if (CharLenAt(s_, i_) == 2) {
            Current().append(s_.substr(i_, 2));
            i_ += 2;
            return;
        }
        ++i_;
        if (c == '"') {
            Quoted();
            return;
        }
        if (c == '\\' && i_ < s_.size() && IsEscapable(s_[i_])) {
            Current() += s_[i_++];
            return;
        }
        if (c == '<') {
            if (depth_++ == 0) {
                FlushRun();
                tag_.clear();
            }
            tag_ += c;
            return;
        }
        if (depth_ > 0) {
            if (c == '>') {
                tag_ += c;
                if (--depth_ == 0) CloseTag();
            } else {
                tag_ += IsTagSpace(c) ? ' ' : c;
            }
            return;
        }
        bool verbatim = pre_ || textArea_;
        switch (c) {
            case '\r':
                if (verbatim) {
                    if (afterOpening) return;
                    FlushRun();
                    if (pre_) out_.push_back({true, "<BR>"});
                } else if (!run_.empty() && run_.back() != ' ') {
                    run_ += ' ';
                }
                return;
            case '\n':
                // Lines are joined with CR; a stray LF (as in CR LF) adds nothing.
                return;
            case '\t':
                if (verbatim) run_.append(8, ' ');
                return;
            case ' ':
            case '\x14':
                if (run_.empty() || run_.back() != ' ') run_ += ' ';
                return;
            default:
                run_ += c;
        }
    }

    // A quoted stretch runs to and includes the next double quote; everything inside is
    // literal except line ends and tabs, which are dropped.
    void Quoted() {
        std::string& dst = Current();
        dst += '"';
        while (i_ < s_.size()) {
            size_t len = CharLenAt(s_, i_);
            char c = s_[i_];
            if (len == 2) {
                dst.append(s_.substr(i_, 2));
            } else if (c != '\r' && c != '\n' && c != '\t') {
                dst += c;
            }
            i_ += len;
            if (len == 1 && c == '"') return;
        }
    }

    void CloseTag() {
        if (tag_.size() < 3) {
            // "<>" is no tag.
            out_.push_back({false, tag_});
            return;
        }
        out_.push_back({true, tag_});
        std::string name = SplitTag(tag_).Name;
        if (SameTextAscii(name, "PRE")) {
            pre_ = true;
            dropNextCr_ = true;
        } else if (SameTextAscii(name, "/PRE")) {
            pre_ = false;
        } else if (SameTextAscii(name, "TEXTAREA")) {
            textArea_ = true;
            dropNextCr_ = true;
        } else if (SameTextAscii(name, "/TEXTAREA")) {
            textArea_ = false;
        }
    }

    std::string_view s_;
    size_t i_ = 0;
    std::vector<TTagToken> out_;
    std::string run_;
    std::string tag_;
    int depth_ = 0;
    int comments_ = 0;
    Block block_ = Block::None;
    int blockDepth_ = 0;
    bool pre_ = false;
    bool textArea_ = false;
    bool dropNextCr_ = false;
};

}  // namespace

std::string JoinTextLines(const std::vector<std::string>& lines) {
    std::string r;
    for (size_t k = 0; k < lines.size(); ++k) {
        if (k > 0) r += '\r';
        r += lines[k];
    }
    return r;
}

std::vector<TTagToken> TokenizeTaggedText(std::string_view text) {
    return Tokenizer(text).Run();
}

const TTagAttr* TTagInfo::Find(std::string_view name) const {
    for (const auto& a : Attrs)
        if (SameTextAscii(a.Name, name)) return &a;
    return nullptr;
}

std::string TTagInfo::Value(std::string_view name) const {
    const TTagAttr* a = Find(name);
    return a ? a->Value : std::string();
}

TTagInfo SplitTag(std::string_view token) {
    TTagInfo info;
    std::string_view s = token;
    if (!s.empty() && s.front() == '<') s.remove_prefix(1);
    if (!s.empty() && s.back() == '>') s.remove_suffix(1);
    size_t i = 0;
    auto skipSpace = [&] {
        while (i < s.size() && IsTagSpace(s[i])) ++i;
    };
    // A word ends at white space or at `stop` (outside double-byte characters).
    auto word = [&](char stop) {
        size_t b = i;
        while (i < s.size() && !IsTagSpace(s[i]) && s[i] != stop) i += CharLenAt(s, i);
        return std::string(s.substr(b, i - b));
    };
    skipSpace();
    info.Name = word('\0');
    for (;;) {
        skipSpace();
        if (i >= s.size()) break;
        TTagAttr a;
        a.Name = word('=');
        size_t save = i;
        skipSpace();
        if (i < s.size() && s[i] == '=') {
            ++i;
            skipSpace();
            a.HasValue = true;
            if (i < s.size() && (s[i] == '"' || s[i] == '\'')) {
                char q = s[i++];
                size_t b = i;
                while (i < s.size() && s[i] != q) i += CharLenAt(s, i);
                a.Value = std::string(s.substr(b, std::min(i, s.size()) - b));
                if (i < s.size()) ++i;
            } else {
                a.Value = word('\0');
            }
        } else {
            i = save;
            if (a.Name.empty()) ++i;  // a stray character that starts no word
        }
        if (!a.Name.empty() || a.HasValue) info.Attrs.push_back(std::move(a));
    }
    return info;
}

}  // namespace vesk
