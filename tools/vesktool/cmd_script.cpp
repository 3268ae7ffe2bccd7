// `vesktool script compile|decompile`: page sources to stored pages and back.
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/cp932.h"
#include "base/error.h"
#include "base/stream.h"
#include "platform/posix_file_system.h"
#include "script/page.h"
#include "script/project_file.h"
#include "scriptc/compiler.h"
#include "scriptc/decompiler.h"
#include "scriptc/game_sources.h"
#include "scriptc/project_source.h"
#include "vfs/host_path.h"

namespace vesk::tool {

namespace {

namespace fs = std::filesystem;

const char* kUsage =
    "usage: vesktool script compile [--root DIR] SOURCE... -o OUTDIR\n"
    "       vesktool script decompile [--root DIR] PAGE.lsb|vesk.lpb [-o FILE]\n"
    "       vesktool script decompile GAME_FOLDER -o SOURCE_FOLDER\n"
    "Page names are the paths under DIR; without --root, under the nearest folder holding\n"
    "project.vpj (compile) or vesk.lpb (decompile), else each file's own folder.\n";

std::string ReadText(const std::string& path) {
    std::vector<uint8_t> bytes = ReadWholeFile(path);
    return std::string(bytes.begin(), bytes.end());
}

// The nearest folder holding `file` that also holds `marker` (the game's root), or empty.
std::string FindRoot(const std::string& file, const char* marker) {
    fs::path dir = fs::absolute(file).parent_path();
    for (; !dir.empty(); dir = dir.parent_path()) {
        if (fs::exists(dir / marker)) return dir.string();
        if (dir == dir.root_path()) break;
    }
    return {};
}

// The path of `file` under `root` (or its bare name without one), with '/' folders.
std::string RelativeName(const std::string& file, const std::string& root) {
    if (root.empty()) return fs::path(file).filename().generic_string();
    fs::path rel = fs::relative(fs::absolute(file), fs::absolute(root));
    if (rel.empty() || *rel.begin() == "..") Fail(file + " is not under " + root);
    return rel.generic_string();
}

void Output(const std::string& text, const std::string& out) {
    if (out.empty())
        std::fputs(text.c_str(), stdout);
    else
        WriteFileAtomic(out, text.data(), text.size());
}

int Compile(const std::vector<std::string>& sources, const std::string& root,
            const std::string& outDir) {
    scriptc::TScriptCompiler compiler;
    for (const std::string& src : sources) {
        std::string base = root.empty() ? FindRoot(src, scriptc::kProjectSourceName) : root;
        compiler.AddPage(src, scriptc::PageNameForSource(RelativeName(src, base)), ReadText(src));
    }
    for (const scriptc::CompiledPage& p : compiler.Finish()) {
        std::string rel = Cp932ToUtf8(p.Name);
        for (char& c : rel)
            if (c == '\\') c = '/';
        fs::path target = fs::path(outDir) / rel;
        fs::create_directories(target.parent_path());
        WriteFileAtomic(target.string(), p.Bytes.data(), p.Bytes.size());
    }
    return 0;
}

std::unique_ptr<TPage> LoadPage(const std::string& path, const std::string& name) {
    auto page = std::make_unique<TPage>(name);
    std::vector<uint8_t> bytes = ReadWholeFile(path);
    if (page->LoadFromBytes(bytes) != TPage::LoadResult::Ok)
        Fail(path + ": page version " + std::to_string(page->Version) + " is not read (" +
             std::to_string(kPageVersionMin) + " to " + std::to_string(kPageVersionMax) + ")");
    return page;
}

// A whole game folder into a source folder that `vesktool build` makes the game from again.
int DecompileFolder(const std::string& game, const std::string& out) {
    if (out.empty()) Fail("decompiling a folder needs -o SOURCE_FOLDER");
    scriptc::SourcesReport r = scriptc::DecompileGame(game, out);
    for (const std::string& p : r.Problems) std::fprintf(stderr, "warning: %s\n", p.c_str());
    std::printf("%zu pages, %zu other files\n", r.Pages.size(), r.Files.size());
    return 0;
}

int Decompile(const std::string& path, std::string root, const std::string& out) {
    if (fs::is_directory(path)) return DecompileFolder(path, out);
    if (fs::path(path).extension() == ".lpb") {
        std::vector<uint8_t> bytes = ReadWholeFile(path);
        MemoryStream m(bytes);
        TProjectFile project;
        project.Load(m);
        Output(scriptc::ProjectSource(project), out);
        return 0;
    }
    if (root.empty()) root = FindRoot(path, "vesk.lpb");
    std::string name = scriptc::PageNameForSource(RelativeName(path, root));
    if (root.empty()) root = HostFolderOf(fs::absolute(path).string());
    std::unique_ptr<TPage> page = LoadPage(path, name);
    // Pages that jumps lead into are read from beside this one, for their labels.
    TPosixFileSystem hostFs;
    std::map<std::string, std::unique_ptr<TPage>> others;
    scriptc::PageLookup lookup = [&](const std::string& other) -> const TPage* {
        auto it = others.find(other);
        if (it != others.end()) return it->second.get();
        std::unique_ptr<TPage> p;
        // Page names come from the page: they stay inside the game like the player's.
        if (auto found = ResolveGameName(hostFs, root, other, GameEntry::File)) {
            try {
                p = LoadPage(*found, other);
            } catch (const VeskError&) {
                p.reset();
            }
        }
        return (others[other] = std::move(p)).get();
    };
    Output(scriptc::DecompilePage(*page, lookup), out);
    return 0;
}

}  // namespace

int Cmd_script(int argc, char** argv) {
    if (argc < 2) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    std::string verb = argv[1];
    std::vector<std::string> files;
    std::string root, out;
    for (int i = 2; i < argc; ++i) {
        std::string a = argv[i];
        if ((a == "-o" || a == "--root") && i + 1 < argc)
            (a == "-o" ? out : root) = argv[++i];
        else if (!a.empty() && a[0] == '-')
            Fail("unknown option " + a);
        else
            files.push_back(a);
    }
    if (verb == "compile" && !files.empty() && !out.empty()) return Compile(files, root, out);
    if (verb == "decompile" && files.size() == 1) return Decompile(files[0], root, out);
    std::fputs(kUsage, stderr);
    return 2;
}

}  // namespace vesk::tool
