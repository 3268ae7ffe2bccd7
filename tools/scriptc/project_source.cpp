#include "scriptc/project_source.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "base/cp932.h"
#include "base/text_trim.h"
#include "scriptc/source_error.h"
#include "scriptc/syntax.h"

namespace vesk::scriptc {

namespace {

class ProjectParser {
  public:
    ProjectParser(const std::string& file) : file_(file) {
        // What the player shows when a project leaves its prompts out.
        p_.DiskPrompt = Utf8ToCp932("ディスク%dを入れてから[OK]をクリックしてください");
        p_.QuitPrompt = Utf8ToCp932("終了します");
    }

    TProjectFile Run(std::string_view text) {
        int lineNo = 0;
        for (size_t pos = 0; pos <= text.size();) {
            size_t e = text.find('\n', pos);
            if (e == std::string_view::npos) e = text.size();
            std::string_view raw = text.substr(pos, e - pos);
            pos = e + 1;
            ++lineNo;
            if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
            std::string line(Trim(raw));
            if (line.empty() || line.rfind("//", 0) == 0) continue;
            size_t colon = line.find(':');
            if (colon == std::string::npos) Error(lineNo, 1, "a setting reads 'Name: value'");
            std::string key(Trim(line.substr(0, colon)));
            size_t lead = raw.find_first_not_of(" \t");
            size_t at = colon + 1;
            while (at < line.size() && line[at] == ' ') ++at;
            line_ = lineNo;
            col0_ = int(lead) + 1;
            Setting(key, line.substr(at), at);
        }
        return std::move(p_);
    }

  private:
    [[noreturn]] void Error(int line, int col, const std::string& m) const {
        throw SourceError(file_, {line, col}, m);
    }
    [[noreturn]] void Error(size_t at, const std::string& m) const {
        Error(line_, col0_ + int(at), m);
    }

    std::string Text(const std::string& v, size_t at) const {
        std::string cp, err;
        if (IsQuoted(v)) {
            if (!UnquoteText(v, cp, err)) Error(at, err);
        } else if (!TryUtf8ToCp932(v, cp)) {
            Error(at, "the text has characters without a Shift-JIS form");
        }
        return cp;
    }

    int32_t Int(const std::string& v, size_t at) const {
        int64_t n = 0;
        if (!ParseInt(v, n) || n < INT32_MIN || n > INT32_MAX)
            Error(at, "'" + v + "' is not a 32-bit integer");
        return int32_t(n);
    }

    uint8_t Byte(const std::string& v, size_t at) const {
        if (SameTextAscii(v, "yes") || SameTextAscii(v, "true")) return 1;
        if (SameTextAscii(v, "no") || SameTextAscii(v, "false")) return 0;
        int32_t n = Int(v, at);
        if (n < 0 || n > 255) Error(at, "'" + v + "' is not a value from 0 to 255");
        return uint8_t(n);
    }

    std::vector<Piece> List(const std::string& v, size_t at, size_t count) const {
        std::vector<Piece> pieces;
        size_t bad = 0;
        if (!SplitTopLevel(v, pieces, bad)) Error(at + bad, "the text is not closed");
        if (pieces.size() != count)
            Error(at, "expected " + std::to_string(count) + " values separated by commas");
        for (Piece& p : pieces) p.At += at;
        return pieces;
    }

    void Setting(const std::string& key, const std::string& v, size_t at) {
        auto is = [&](const char* name) { return SameTextAscii(key, name); };
        if (is("ProjectName")) {
            p_.ProjectName = Text(v, at);
        } else if (is("Screen") || is("FullScreen")) {
            auto l = List(v, at, 2);
            int32_t w = Int(l[0].Text, l[0].At), h = Int(l[1].Text, l[1].At);
            (is("Screen") ? p_.ScreenWidth : p_.FullWidth) = w;
            (is("Screen") ? p_.ScreenHeight : p_.FullHeight) = h;
        } else if (is("StartPage")) {
            p_.StartPage = Text(v, at);
        } else if (is("QuitPage")) {
            p_.QuitPage = Text(v, at);
        } else if (is("RegistryKey")) {
            p_.RegistryKey = Text(v, at);
        } else if (is("ImageCode")) {
            p_.ImageCode = Int(v, at);
        } else if (is("SaveStatus")) {
            p_.SaveStatus = Byte(v, at);
        } else if (is("PaceFrames")) {
            p_.PaceFrames = Byte(v, at);
        } else if (is("MediaExts")) {
            p_.MediaExts = Text(v, at);
        } else if (is("PauseInactive")) {
            p_.PauseInactive = Byte(v, at);
        } else if (is("Reserved")) {
            p_.Reserved = Byte(v, at);
        } else if (is("DiskPrompt")) {
            p_.DiskPrompt = Text(v, at);
        } else if (is("QuitPrompt")) {
            p_.QuitPrompt = Text(v, at);
        } else if (is("Var")) {
            Var(v, at);
        } else if (is("FolderDisk")) {
            auto l = List(v, at, 2);
            p_.FolderDisks.Entries.push_back({Text(l[0].Text, l[0].At), Int(l[1].Text, l[1].At)});
        } else {
            Error(0, "unknown setting '" + key + "'");
        }
    }

    // Var: name, type, value
    void Var(const std::string& v, size_t at) {
        std::vector<Piece> l;
        size_t bad = 0;
        if (!SplitTopLevel(v, l, bad)) Error(at + bad, "the text is not closed");
        if (l.size() != 2 && l.size() != 3) Error(at, "a variable reads 'Var: name, type, value'");
        for (Piece& p : l) p.At += at;
        TDeclaredVar d;
        d.Name = Text(l[0].Text, l[0].At);
        if (d.Name.empty()) Error(l[0].At, "the variable has no name");
        int type = FindTypeName(l[1].Text);
        int64_t n = 0;
        if (type < 0 && ParseInt(l[1].Text, n) && n >= 0 && n <= 255) type = int(n);
        if (type < 0) Error(l[1].At, "unknown variable type '" + l[1].Text + "'");
        d.Type = uint8_t(type);
        if (l.size() == 3) {
            const Piece& val = l[2];
            switch (d.Type) {
                case 1:
                    d.IntValue = Int(val.Text, val.At);
                    break;
                case 2: {
                    char* end = nullptr;
                    d.FloatValue = std::strtold(val.Text.c_str(), &end);
                    if (val.Text.empty() || *end) Error(val.At, "'" + val.Text + "' is no number");
                    break;
                }
                case 3:
                    if (SameTextAscii(val.Text, "TRUE"))
                        d.FlagValue = true;
                    else if (!SameTextAscii(val.Text, "FALSE"))
                        Error(val.At, "a flag is TRUE or FALSE");
                    break;
                case 4:
                    d.StrValue = Text(val.Text, val.At);
                    break;
                default:
                    Error(val.At, "a variable of type " + std::to_string(d.Type) + " has no value");
            }
        }
        p_.Vars.push_back(std::move(d));
    }

    std::string file_;
    TProjectFile p_;
    int line_ = 0;
    int col0_ = 1;
};

std::string Flag(uint8_t v) {
    return v == 0 ? "no" : v == 1 ? "yes" : std::to_string(v);
}

}  // namespace

TProjectFile ParseProjectSource(const std::string& file, std::string_view text) {
    return ProjectParser(file).Run(text);
}

std::string ProjectSource(const TProjectFile& p) {
    std::string out;
    auto line = [&](const char* key, const std::string& v) { out += key + (": " + v) + "\n"; };
    line("ProjectName", QuoteText(p.ProjectName));
    line("Screen", std::to_string(p.ScreenWidth) + ", " + std::to_string(p.ScreenHeight));
    line("FullScreen", std::to_string(p.FullWidth) + ", " + std::to_string(p.FullHeight));
    line("StartPage", QuoteText(p.StartPage));
    line("QuitPage", QuoteText(p.QuitPage));
    line("RegistryKey", QuoteText(p.RegistryKey));
    line("ImageCode", std::to_string(p.ImageCode));
    line("SaveStatus", Flag(p.SaveStatus));
    line("PaceFrames", Flag(p.PaceFrames));
    line("MediaExts", QuoteText(p.MediaExts));
    line("PauseInactive", Flag(p.PauseInactive));
    if (p.Reserved) line("Reserved", std::to_string(p.Reserved));
    line("DiskPrompt", QuoteText(p.DiskPrompt));
    line("QuitPrompt", QuoteText(p.QuitPrompt));
    for (const TDeclaredVar& d : p.Vars) {
        const char* t = TypeName(d.Type);
        std::string v = QuoteText(d.Name) + ", " + (t ? t : std::to_string(d.Type));
        switch (d.Type) {
            case 1:
                v += ", " + std::to_string(d.IntValue);
                break;
            case 2: {
                char buf[64];
                std::snprintf(buf, sizeof buf, "%.21Lg", d.FloatValue);
                v += std::string(", ") + buf;
                break;
            }
            case 3:
                v += d.FlagValue ? ", TRUE" : ", FALSE";
                break;
            case 4:
                v += ", " + QuoteText(d.StrValue);
                break;
        }
        line("Var", v);
    }
    for (const auto& e : p.FolderDisks.Entries)
        line("FolderDisk", QuoteText(e.Folder) + ", " + std::to_string(e.Disk));
    return out;
}

}  // namespace vesk::scriptc
