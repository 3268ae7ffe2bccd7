#pragma once
// Builds games from sources with vesktool and runs them with the headless player.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <nlohmann/json.hpp>

#include <sstream>
#include <string>
#include <utility>
#include <vector>
#include "../vfs/vfs_fixture.h"

namespace vesk::e2e {

namespace fs = std::filesystem;

inline std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

inline std::string ReadText(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

struct RunResult {
    int status = -1;  // the exit status, or -1 when the player did not exit normally
    std::string out, err;
    nlohmann::json dump;  // the --dump-vars object when one was printed

    // The first value of variable `name` in the dump (null when it is not there).
    nlohmann::json Var(const std::string& name) const {
        if (!dump.contains("vars")) return nullptr;
        for (const auto& v : dump["vars"])
            if (v["name"]["text"] == name) return v["values"].empty() ? nullptr : v["values"][0];
        return nullptr;
    }
    int64_t Frames() const { return dump.value("frames", int64_t(-1)); }
};

class Workspace {
  public:
    fs::path Path(const std::string& rel) const { return fs::path(root_.path()) / rel; }

    // Writes source files (UTF-8 text) under `folder`.
    void Sources(const std::string& folder,
                 std::initializer_list<std::pair<std::string, std::string>> files) const {
        for (const auto& [name, text] : files) {
            fs::path p = Path(folder) / name;
            fs::create_directories(p.parent_path());
            std::ofstream(p, std::ios::binary) << text;
        }
    }
    // `vesktool build` of a source folder into a game folder; extra options after.
    void Build(const std::string& source, const std::string& game,
               const std::string& options = "") const {
        std::string cmd = Quote(VESKTOOL_PATH) + " build " + Quote(Path(source).string()) + " " +
                          Quote(Path(game).string()) + " " + options + " >/dev/null";
        ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
    }
    // Runs the player headless; `args` are added as they stand (paths quoted by the caller).
    RunResult Play(const std::string& args) const {
        fs::path out = Path("stdout.txt"), err = Path("stderr.txt");
        std::string cmd = Quote(VESKPLAY_PATH) + " --headless " + args + " >" +
                          Quote(out.string()) + " 2>" + Quote(err.string());
        int raw = std::system(cmd.c_str());
        RunResult r;
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.out = ReadText(out);
        r.err = ReadText(err);
        if (!r.out.empty()) r.dump = nlohmann::json::parse(r.out, nullptr, false);
        return r;
    }
    std::string Game(const std::string& game) const { return Quote(Path(game).string()); }

  private:
    test::TempDir root_;
};

}  // namespace vesk::e2e
