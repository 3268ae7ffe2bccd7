#include "scriptc/game_sources.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>

#include "base/cp932.h"
#include "base/error.h"
#include "base/stream.h"
#include "script/page.h"
#include "script/project_file.h"
#include "scriptc/compiler.h"
#include "scriptc/decompiler.h"
#include "scriptc/project_source.h"

namespace vesk::scriptc {

namespace fs = std::filesystem;

namespace {

void WriteText(const fs::path& p, const std::string& text) {
    fs::create_directories(p.parent_path());
    WriteFileAtomic(p.string(), text.data(), text.size());
}

struct LoadedPage {
    fs::path rel;
    std::vector<uint8_t> bytes;
    std::unique_ptr<TPage> page;
};

}  // namespace

SourcesReport DecompileGame(const std::string& game, const std::string& target) {
    fs::path src(game), out(target);
    if (!fs::is_directory(src)) Fail(Utf8ToCp932("no game folder " + game));
    std::vector<fs::path> files;
    for (const auto& e : fs::recursive_directory_iterator(src))
        if (e.is_regular_file()) files.push_back(fs::relative(e.path(), src));
    std::sort(files.begin(), files.end());

    SourcesReport report;
    std::map<std::string, LoadedPage> pages;  // by page name
    for (const fs::path& rel : files) {
        std::vector<uint8_t> bytes = ReadWholeFile((src / rel).string());
        if (LowerAscii(rel.extension().string()) == ".lsb") {
            std::string name = PageNameForSource(rel.generic_string());
            auto page = std::make_unique<TPage>(name);
            try {
                if (page->LoadFromBytes(bytes) == TPage::LoadResult::Ok) {
                    pages[name] = {rel, bytes, std::move(page)};
                    continue;
                }
                report.Problems.push_back(rel.generic_string() + ": page version " +
                                          std::to_string(page->Version) + " is not read");
            } catch (const VeskError& e) {
                report.Problems.push_back(rel.generic_string() + ": " + e.what());
            }
        } else if (rel == "vesk.lpb") {
            MemoryStream m(bytes);
            TProjectFile project;
            project.Load(m);
            WriteText(out / kProjectSourceName, ProjectSource(project));
            continue;
        }
        fs::create_directories((out / rel).parent_path());
        WriteFileAtomic((out / rel).string(), bytes.data(), bytes.size());
        report.Files.push_back(rel.generic_string());
    }

    PageLookup lookup = [&](const std::string& name) -> const TPage* {
        auto it = pages.find(name);
        return it == pages.end() ? nullptr : it->second.page.get();
    };
    TScriptCompiler compiler;
    for (auto& [name, p] : pages) {
        fs::path rel = fs::path(p.rel).replace_extension(kPageSourceExt);
        std::string text = DecompilePage(*p.page, lookup);
        WriteText(out / rel, text);
        report.Pages.push_back(rel.generic_string());
        compiler.AddPage((out / rel).string(), name, text);
    }
    try {
        for (const CompiledPage& c : compiler.Finish()) {
            const LoadedPage& p = pages.at(c.Name);
            if (c.Bytes != p.bytes)
                report.Problems.push_back(p.rel.generic_string() +
                                          ": the source does not give back the same bytes "
                                          "(the page holds details this writer does not keep)");
        }
    } catch (const VeskError& e) {
        report.Problems.push_back(e.what());
    }
    return report;
}

}  // namespace vesk::scriptc
