#include "app/game_location.h"

#include <filesystem>

#include "app/game_ini.h"
#include "base/host_file_system.h"
#include "vfs/host_path.h"

namespace fs = std::filesystem;

namespace vesk {

namespace {

// A game installed beside the executable has its record or its archive there.
bool InstalledBeside(IHostFileSystem& hostFs, const std::string& folder) {
    return FindHostFile(hostFs, folder, "install.dat") || FindHostFile(hostFs, folder, "game.dat");
}

}  // namespace

bool IsInsideFolder(const std::string& folder, const std::string& root) {
    std::error_code e1, e2;
    fs::path f = fs::weakly_canonical(folder, e1), r = fs::weakly_canonical(root, e2);
    if (e1 || e2 || r.empty()) return false;
    auto fi = f.begin();
    for (auto ri = r.begin(); ri != r.end(); ++ri, ++fi) {
        if (ri->empty()) continue;  // the trailing separator
        if (fi == f.end() || *fi != *ri) return false;
    }
    return true;
}

LocateResult LocateGame(const TPlayerOptions& options, IHostFileSystem& hostFs,
                        const std::string& exePath, const std::string& demoFolder,
                        TGameLocation& out) {
    out = {};
    out.ExePath =
        options.ExeFolder.empty() ? exePath : (fs::path(options.ExeFolder) / "veskplay").string();
    out.ExeFolder = HostFolderOf(out.ExePath);
    out.Games = options.Games;
    if (out.Games.empty() && options.ExeFolder.empty() && !InstalledBeside(hostFs, out.ExeFolder)) {
        if (demoFolder.empty() || !hostFs.IsFolder(demoFolder)) return LocateResult::NoGame;
        out.Games.push_back(demoFolder);
    }
    out.GameFolder = out.Games.empty() ? out.ExeFolder : out.Games[0];
    if (!hostFs.IsFolder(out.GameFolder) && !hostFs.IsFile(out.GameFolder))
        return LocateResult::NoSuchFolder;
    // "game.ini" lives where the executable would: in the game folder.
    TIniFile ini((fs::path(out.GameFolder) / "game.ini").string());
    for (const std::string& r : TGameConfig::FromIni(ini).CdRoots)
        out.CdRoots.push_back((fs::path(out.GameFolder) / r).string());
    out.CdRoots.insert(out.CdRoots.end(), options.CdRoots.begin(), options.CdRoots.end());
    for (const std::string& root : out.CdRoots)
        if (IsInsideFolder(out.ExeFolder, root)) return LocateResult::StartedFromDisc;
    return LocateResult::Found;
}

}  // namespace vesk
