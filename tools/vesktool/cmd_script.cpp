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
#include "command_table.h"
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
    return kToolOk;
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
    if (out.empty()) UsageError("decompiling a folder needs -o SOURCE_FOLDER");
    scriptc::SourcesReport r = scriptc::DecompileGame(game, out);
    for (const std::string& p : r.Problems) std::fprintf(stderr, "warning: %s\n", p.c_str());
    std::printf("%zu pages, %zu other files\n", r.Pages.size(), r.Files.size());
    return kToolOk;
}

int Decompile(const std::string& path, std::string root, const std::string& out) {
    if (fs::is_directory(path)) return DecompileFolder(path, out);
    if (fs::path(path).extension() == ".lpb") {
        std::vector<uint8_t> bytes = ReadWholeFile(path);
        MemoryStream m(bytes);
        TProjectFile project;
        project.Load(m);
        Output(scriptc::ProjectSource(project), out);
        return kToolOk;
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
    return kToolOk;
}

}  // namespace

void Cmd_script(CLI::App& tool, TToolRun& run) {
    CLI::App* cmd = tool.add_subcommand("script", "page sources to stored pages and back");
    cmd->require_subcommand(1);
    cmd->footer(
        "Page names are the paths under DIR; without --root, under the nearest folder holding\n"
        "project.vpj (compile) or vesk.lpb (decompile), else each file's own folder.");
    struct Args {
        std::vector<std::string> sources;
        std::string path, root, out;
    };
    auto a = std::make_shared<Args>();

    CLI::App* compile = cmd->add_subcommand("compile", "page sources (.vss) to pages (.lsb)");
    AddArg(compile, "SOURCE", a->sources, "the page sources, compiled as one set")->required();
    compile->add_option("-o", a->out, "the folder the pages go to")
        ->type_name("OUTDIR")
        ->required();
    compile->add_option("--root", a->root, "the folder page names start from")->type_name("DIR");
    compile->callback([a, &run] { run.status = Compile(a->sources, a->root, a->out); });

    CLI::App* decompile = cmd->add_subcommand(
        "decompile", "a page or project file to its source, or a game folder to a source folder");
    AddArg(decompile, "PATH", a->path, "PAGE.lsb, vesk.lpb or GAME_FOLDER")->required();
    decompile
        ->add_option("-o", a->out,
                     "the file to write (default: standard output); for a game folder, "
                     "the source folder")
        ->type_name("OUT");
    decompile->add_option("--root", a->root, "the folder page names start from")->type_name("DIR");
    decompile->callback([a, &run] { run.status = Decompile(a->path, a->root, a->out); });
}

}  // namespace vesk::tool
