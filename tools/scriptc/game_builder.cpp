#include "scriptc/game_builder.h"

#include <algorithm>
#include <filesystem>

#include "base/cp932.h"
#include "base/error.h"
#include "base/stream.h"
#include "script/project_install.h"
#include "scriptc/compiler.h"
#include "scriptc/project_source.h"
#include "vfs/archive_tools.h"

namespace vesk::scriptc {

namespace fs = std::filesystem;

namespace {

std::string ReadText(const fs::path& p) {
    std::vector<uint8_t> bytes = ReadWholeFile(p.string());
    return std::string(bytes.begin(), bytes.end());
}

void WriteBytes(const fs::path& p, const std::vector<uint8_t>& bytes) {
    fs::create_directories(p.parent_path());
    WriteFileAtomic(p.string(), bytes.data(), bytes.size());
}

// A path relative to the source folder, with '/' folders; hidden entries are left out.
bool Hidden(const fs::path& rel) {
    for (const auto& part : rel)
        if (!part.empty() && part.string()[0] == '.') return true;
    return false;
}

std::string NativePageName(const std::string& cp932) {
    std::string s = Cp932ToUtf8(cp932);
    std::replace(s.begin(), s.end(), '\\', '/');
    return s;
}

}  // namespace

BuildReport BuildGame(const std::string& source, const std::string& target,
                      const BuildOptions& options) {
    fs::path src(source);
    if (!fs::is_directory(src)) Fail("no source folder " + source);
    fs::path projectPath = src / kProjectSourceName;
    if (!fs::is_regular_file(projectPath))
        Fail("the source folder has no project description " + projectPath.string());
    TProjectFile project = ParseProjectSource(projectPath.string(), ReadText(projectPath));

    std::vector<fs::path> files;
    for (const auto& e : fs::recursive_directory_iterator(src)) {
        if (!e.is_regular_file()) continue;
        fs::path rel = fs::relative(e.path(), src);
        if (!Hidden(rel) && rel != fs::path(kProjectSourceName)) files.push_back(rel);
    }
    std::sort(files.begin(), files.end());

    BuildReport report;
    TScriptCompiler compiler;
    std::vector<fs::path> assets;
    for (const fs::path& rel : files) {
        if (rel.extension() == kPageSourceExt)
            compiler.AddPage((src / rel).string(), PageNameForSource(rel.generic_string()),
                             ReadText(src / rel));
        else
            assets.push_back(rel);
    }
    std::vector<CompiledPage> pages = compiler.Finish();
    bool hasStart = std::any_of(pages.begin(), pages.end(), [&](const CompiledPage& p) {
        return SameTextAscii(p.Name, project.StartPage);
    });
    if (!hasStart)
        throw SourceError(
            projectPath.string(), {},
            "the start page '" + Cp932ToUtf8(project.StartPage) + "' is not among the pages");

    fs::path out(target);
    fs::create_directories(out);
    // With an archive, the game is put together in a folder of its own and packed from there.
    fs::path stage = options.Archive ? out / ".game-stage" : out;
    if (options.Archive) fs::remove_all(stage);
    for (const CompiledPage& p : pages) {
        WriteBytes(stage / NativePageName(p.Name), p.Bytes);
        report.Pages.push_back(Cp932ToUtf8(p.Name));
    }
    {
        MemoryStream m;
        project.Save(m);
        WriteBytes(stage / "vesk.lpb", m.Bytes());
    }
    for (const fs::path& rel : assets) {
        fs::create_directories((stage / rel).parent_path());
        std::vector<uint8_t> bytes = ReadWholeFile((src / rel).string());
        WriteBytes(stage / rel, bytes);
        report.Assets.push_back(rel.generic_string());
    }
    if (options.Archive) {
        TArchiveReport r = CreateArchive(stage.string(), (out / "game.dat").string());
        fs::remove_all(stage);
        if (r.failed) Fail("game.dat: " + (r.messages.empty() ? std::string() : r.messages[0]));
    }
    if (options.Install) {
        TVeskInstallSet install;
        install.ProjectId = project.ProjectName;
        install.Installed = true;
        MemoryStream m;
        install.Save(m);
        WriteBytes(out / "install.dat", m.Bytes());
    }
    return report;
}

}  // namespace vesk::scriptc
