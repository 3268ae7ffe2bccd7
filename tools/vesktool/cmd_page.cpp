// `vesktool page dump PAGE.lsb`: a page as a readable listing.
#include <cstdio>
#include <string>

#include "base/cp932.h"
#include "base/error.h"
#include "base/stream.h"
#include "script/page.h"
#include "script/page_listing.h"

namespace vesk::tool {

namespace {

const char* kUsage = "usage: vesktool page dump PAGE.lsb\n";

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
    return 0;
}

}  // namespace

int Cmd_page(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "dump") return Dump(argv[2]);
    std::fputs(kUsage, stderr);
    return 2;
}

}  // namespace vesk::tool
