#include "app/user_folders.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace vesk {

namespace {

std::string Absolute(const char* v) {
    return v && v[0] == '/' ? std::string(v) : std::string();
}

// The value of `key` in a user-dirs.dirs file: KEY="$HOME/sub" or KEY="/abs"; "" when it
// is not there or not of that form.
std::string UserDir(const std::string& file, const std::string& key, const std::string& home) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return {};
    // The file is a handful of lines; a huge one is not it.
    constexpr size_t kMaxLines = 1000, kMaxLine = 4096;
    std::string line;
    for (size_t n = 0; n < kMaxLines && std::getline(in, line); ++n) {
        if (line.size() > kMaxLine || line.compare(0, key.size() + 2, key + "=\"") != 0) continue;
        const size_t end = line.rfind('"');
        if (end <= key.size() + 1) return {};
        std::string v = line.substr(key.size() + 2, end - key.size() - 2);
        if (v.compare(0, 5, "$HOME") == 0 && (v.size() == 5 || v[5] == '/'))
            return home.empty() ? std::string() : home + v.substr(5);
        return v.empty() || v[0] != '/' ? std::string() : v;
    }
    return {};
}

}  // namespace

EnvLookup ProcessEnvironment() {
    return [](const char* name) { return static_cast<const char*>(std::getenv(name)); };
}

std::string ConfigHome(const EnvLookup& env) {
    std::string dir = Absolute(env("XDG_CONFIG_HOME"));
    if (!dir.empty()) return dir;
    const std::string home = Absolute(env("HOME"));
    return home.empty() ? std::string() : home + "/.config";
}

std::string DataHome(const EnvLookup& env) {
    std::string dir = Absolute(env("XDG_DATA_HOME"));
    if (!dir.empty()) return dir;
    const std::string home = Absolute(env("HOME"));
    return home.empty() ? std::string() : home + "/.local/share";
}

std::string PicturesFolder(const EnvLookup& env) {
    std::string dir = Absolute(env("XDG_PICTURES_DIR"));
    if (!dir.empty()) return dir;
    const std::string home = Absolute(env("HOME"));
    const std::string config = ConfigHome(env);
    if (!config.empty()) {
        dir = UserDir(config + "/user-dirs.dirs", "XDG_PICTURES_DIR", home);
        // The convention's own fallback: a pictures folder that is the home itself means
        // the user has none.
        if (!dir.empty() && dir != home && dir != home + "/") return dir;
    }
    return home.empty() ? std::string() : home + "/Pictures";
}

std::string SafeFileName(const std::string& utf8, const std::string& fallback) {
    std::string out;
    for (unsigned char c : utf8) {
        if (c < 0x20 || c == 0x7F || c == '/' || c == '\\' || c == ':' || c == '*' || c == '?' ||
            c == '"' || c == '<' || c == '>' || c == '|')
            out += '_';
        else
            out += char(c);
    }
    const size_t start = out.find_first_not_of(". ");
    out = start == std::string::npos ? std::string() : out.substr(start);
    while (!out.empty() && out.back() == ' ') out.pop_back();
    // Long names stay short enough for any file system, cut at a character's start.
    constexpr size_t kMaxBytes = 100;
    if (out.size() > kMaxBytes) {
        size_t cut = kMaxBytes;
        while (cut > 0 && (static_cast<unsigned char>(out[cut]) & 0xC0) == 0x80) --cut;
        out.resize(cut);
    }
    return out.empty() ? fallback : out;
}

}  // namespace vesk
