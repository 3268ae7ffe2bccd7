#include "app/window_memory.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "app/user_folders.h"
#include "base/crc32.h"

namespace fs = std::filesystem;

namespace vesk {

namespace {

// A kept place is a few numbers; anything larger is not ours.
constexpr std::streamsize kMaxFileBytes = 4096;

}  // namespace

TWindowMemory::TWindowMemory(const std::string& configHome, const std::string& gameFolder,
                             const std::string& gameName) {
    if (configHome.empty()) return;
    std::error_code ec;
    fs::path folder = fs::weakly_canonical(fs::absolute(gameFolder, ec), ec);
    if (ec) folder = gameFolder;
    const std::string path = folder.string();
    char id[9];
    std::snprintf(id, sizeof id, "%08x", unsigned(Crc32(0, path.data(), path.size())));
    file_ = (fs::path(configHome) / "veskplay" / "windows" /
             (SafeFileName(gameName, "game") + "-" + id + ".json"))
                .string();
}

std::optional<TWindowPlacement> TWindowMemory::Load() const {
    if (file_.empty()) return std::nullopt;
    std::ifstream in(file_, std::ios::binary);
    if (!in) return std::nullopt;
    std::string text(size_t(kMaxFileBytes) + 1, '\0');
    in.read(text.data(), kMaxFileBytes + 1);
    if (in.gcount() > kMaxFileBytes) return std::nullopt;
    text.resize(size_t(in.gcount()));
    const nlohmann::json j = nlohmann::json::parse(text, nullptr, false);
    if (!j.is_object()) return std::nullopt;
    TWindowPlacement p;
    auto number = [&](const char* key, int32_t& out) {
        auto it = j.find(key);
        if (it == j.end() || !it->is_number_integer()) return false;
        const int64_t v = it->get<int64_t>();
        // Desktop coordinates of any real screen lie well within this.
        if (v < -1000000 || v > 1000000) return false;
        out = int32_t(v);
        return true;
    };
    if (!number("x", p.x) || !number("y", p.y) || !number("width", p.width) ||
        !number("height", p.height))
        return std::nullopt;
    auto full = j.find("fullScreen");
    p.fullScreen = full != j.end() && full->is_boolean() && full->get<bool>();
    return p;
}

std::string TWindowMemory::Save(const TWindowPlacement& p) const {
    if (file_.empty()) return "no home folder to keep the window's place in";
    std::error_code ec;
    const fs::path file(file_);
    fs::create_directories(file.parent_path(), ec);
    if (ec) return file.parent_path().string() + ": " + ec.message();
    const nlohmann::json j = {{"x", p.x},
                              {"y", p.y},
                              {"width", p.width},
                              {"height", p.height},
                              {"fullScreen", p.fullScreen}};
    // Written beside and renamed over, so that a player stopped half-way leaves the old
    // file whole.
    const fs::path temp = file.string() + ".new";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out << j.dump(2) << "\n";
        if (!out.flush()) return temp.string() + ": cannot be written";
    }
    fs::rename(temp, file, ec);
    if (ec) {
        fs::remove(temp, ec);
        return file.string() + ": cannot be written";
    }
    return {};
}

}  // namespace vesk
