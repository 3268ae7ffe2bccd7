// `vesktool page dump PAGE.lsb`: a page as a readable listing.
#include <cstdio>
#include <memory>
#include <string>

#include "base/cp932.h"
#include "base/error.h"
#include "base/stream.h"
#include "command_table.h"
#include "script/page.h"
#include "script/page_listing.h"

namespace vesk::tool {

namespace {

int Dump(const std::string& path) {
    std::vector<uint8_t> bytes = ReadWholeFile(path);
    TPage page(Utf8ToCp932(path));
    switch (page.LoadFromBytes(bytes)) {
        case TPage::LoadResult::TooNew:
            Fail("page version " + std::to_string(page.Version) + " is newer than " +
                 std::to_string(kPageVersionMax) + ", the newest this player reads");
        case TPage::LoadResult::TooOld:
            Fail("page version " + std::to_string(page.Version) + " is older than " +
                 std::to_string(kPageVersionMin) + "; the game must be rebuilt");
        case TPage::LoadResult::Ok:
            break;
    }
    std::fputs(Cp932ToUtf8(ListPage(page)).c_str(), stdout);
    return kToolOk;
}

}  // namespace

void Cmd_page(CLI::App& tool, TToolRun& run) {
    CLI::App* cmd = tool.add_subcommand("page", "stored pages");
    cmd->require_subcommand(1);
    auto path = std::make_shared<std::string>();
    CLI::App* dump = cmd->add_subcommand(
        "dump",
        "a page as a listing: index, flags (d disabled, n run-next), line, indent, command, "
        "fields");
    AddArg(dump, "PAGE.lsb", *path, "the page")->required();
    dump->callback([path, &run] { run.status = Dump(*path); });
}

}  // namespace vesk::tool
