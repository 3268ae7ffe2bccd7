#include "app/game_ini.h"

#include <fstream>
#include <sstream>

#include "base/cp932.h"
#include "base/stream.h"
#include "base/text_trim.h"
#include "vars/conv.h"

namespace vesk {

TIniFile::TIniFile(std::string path) : path_(std::move(path)) {
    std::ifstream in(path_, std::ios::binary);
    if (!in) return;
    std::stringstream ss;
    ss << in.rdbuf();
    Parse(ss.str());
}

void TIniFile::Parse(std::string_view text) {
    sections_.clear();
    Section* cur = nullptr;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t nl = text.find('\n', pos);
        std::string line(
            Trim(text.substr(pos, nl == std::string_view::npos ? text.size() - pos : nl - pos)));
        pos = nl == std::string_view::npos ? text.size() + 1 : nl + 1;
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line.front() == '[') {
            size_t close = line.find(']');
            std::string name(
                Trim(line.substr(1, close == std::string::npos ? std::string::npos : close - 1)));
            cur = nullptr;
            for (auto& s : sections_)
                if (SameTextAscii(s.name, name)) cur = &s;
            if (!cur) {
                sections_.push_back({name, {}});
                cur = &sections_.back();
            }
            continue;
        }
        size_t eq = line.find('=');
        if (!cur || eq == std::string::npos) continue;
        std::string key(Trim(line.substr(0, eq)));
        std::string value(Trim(line.substr(eq + 1)));
        bool replaced = false;
        for (auto& e : cur->entries)
            if (SameTextAscii(e.key, key)) {
                e.value = value;
                replaced = true;
            }
        if (!replaced) cur->entries.push_back({key, value});
    }
}

std::string TIniFile::Serialize() const {
    std::string out;
    for (const auto& s : sections_) {
        out += "[" + s.name + "]\r\n";
        for (const auto& e : s.entries) out += e.key + "=" + e.value + "\r\n";
        out += "\r\n";
    }
    return out;
}

void TIniFile::Save() const {
    std::string text = Serialize();
    WriteFileAtomic(path_, text.data(), text.size());
}

const TIniFile::Entry* TIniFile::FindEntry(std::string_view section, std::string_view key) const {
    for (const auto& s : sections_) {
        if (!SameTextAscii(s.name, section)) continue;
        for (const auto& e : s.entries)
            if (SameTextAscii(e.key, key)) return &e;
    }
    return nullptr;
}

bool TIniFile::Has(std::string_view section, std::string_view key) const {
    return FindEntry(section, key) != nullptr;
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key,
                                 std::string_view def) const {
    const Entry* e = FindEntry(section, key);
    return e ? e->value : std::string(def);
}

int32_t TIniFile::ReadInteger(std::string_view section, std::string_view key, int32_t def) const {
    const Entry* e = FindEntry(section, key);
    int32_t v;
    return e && TryStrToInt(e->value, v) ? v : def;
}

bool TIniFile::ReadBool(std::string_view section, std::string_view key, bool def) const {
    // Booleans are stored as integers: any non-zero number is true.
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    Section* cur = nullptr;
    for (auto& s : sections_)
        if (SameTextAscii(s.name, section)) cur = &s;
    if (!cur) {
        sections_.push_back({std::string(section), {}});
        cur = &sections_.back();
    }
    for (auto& e : cur->entries)
        if (SameTextAscii(e.key, key)) {
            e.value = std::string(value);
            return;
        }
    cur->entries.push_back({std::string(key), std::string(value)});
}

void TIniFile::WriteInteger(std::string_view section, std::string_view key, int32_t value) {
    WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

int32_t ClampDelayTime(int32_t ms) {
    ms = ms / 100 * 100;
    return ms < 100 ? 100 : ms > 500 ? 500 : ms;
}

TGameConfig TGameConfig::FromIni(const TIniFile& ini) {
    TGameConfig c;
    c.DirectSound = ini.ReadBool("Sound", "DirectSound", true);
    c.DelayTime = ClampDelayTime(ini.ReadInteger("Sound", "DelayTime", 500));
    c.UseWMP = ini.ReadBool("Video", "UseWMP", false);
    std::string roots = ini.ReadString("Disc", "Folders", "");
    for (size_t start = 0; start <= roots.size();) {
        size_t end = roots.find(';', start);
        if (end == std::string::npos) end = roots.size();
        std::string r = roots.substr(start, end - start);
        while (!r.empty() && (r.back() == ' ' || r.back() == '\t')) r.pop_back();
        while (!r.empty() && (r.front() == ' ' || r.front() == '\t')) r.erase(0, 1);
        if (!r.empty()) c.CdRoots.push_back(r);
        start = end + 1;
    }
    return c;
}

void TGameConfig::ToIni(TIniFile& ini) const {
    ini.WriteBool("Sound", "DirectSound", DirectSound);
    ini.WriteInteger("Sound", "DelayTime", DelayTime);
}

}  // namespace vesk
