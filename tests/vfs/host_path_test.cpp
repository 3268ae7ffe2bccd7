// Finding game files on disk and naming extracted members.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <ctime>

#include "base/cp932.h"
#include "vfs/host_path.h"
#include "vfs_fixture.h"

namespace vesk {
namespace {

TEST(HostPath, ExtractionNeverLeavesTheTarget) {
    std::pair<std::string, std::string> cases[] = {
        {"a\\b.txt", "a/b.txt"},
        {"a\\\\b/c", "a/b/c"},
        {Utf8ToCp932("表\\データ.txt"), "表/データ.txt"},
        {"..\\evil", ""},
        {"a\\..\\..\\evil", ""},
        {".\\x", ""},
        {"\\abs", ""},
        {"/abs", ""},
        {"C:\\x", ""},
        {"c:x", ""},
        {"stream:data", ""},
        {"", ""},
        {std::string("nul\0byte", 8), ""},
        {"...", "..."},
        {"\x95", "\x95"},  // a lone lead byte stays as it is
        // A lead byte before '/' is no character: the '/' must not open a way out.
        {"a\x86/../evil", ""},
        {"a\x86/x", ""},
    };
    for (const auto& [name, path] : cases) EXPECT_EQ(SafeExtractionPath(name), path) << name;
}

TEST(HostPath, FindsFilesWithoutRegardToCase) {
    test::TempDir dir;
    dir.Write("Image/BG01.qil", {});
    dir.Write("画像/背景.png", {});
    std::string rawName = Utf8ToCp932("表");  // stored on disk as raw CP932 bytes
    dir.Write(rawName + "/x.txt", {});
    const std::string base = dir.path();
    EXPECT_EQ(FindHostFile(base, "image\\bg01.QIL"), base + "/Image/BG01.qil");
    EXPECT_EQ(FindHostFile(base + "/", "Image/BG01.qil"), base + "/Image/BG01.qil");
    EXPECT_EQ(FindHostFile(base, Utf8ToCp932("画像\\背景.PNG")), base + "/画像/背景.png");
    EXPECT_EQ(FindHostFile(base, rawName + "\\X.TXT"), base + "/" + rawName + "/x.txt");
    EXPECT_EQ(FindHostFile(base, "image"), std::nullopt);  // a folder is not a file
    EXPECT_EQ(FindHostDir(base, "IMAGE"), base + "/Image/");
    EXPECT_EQ(FindHostFile(base, "image\\missing"), std::nullopt);
    EXPECT_EQ(FindHostFile("", "image\\bg01.qil"), std::nullopt);
    EXPECT_EQ(FindHostFile("/nonexistent", base + "/Image/BG01.qil"), base + "/Image/BG01.qil");
}

TEST(HostPath, CachedListingsFollowChangesToTheFolder) {
    test::TempDir dir;
    dir.Write("Sub/First.txt", {});
    const std::string sub = dir.path() + "/Sub";
    // An old folder: its listing is kept and used again.
    auto age = [&] {
        timespec old[2] = {{std::time(nullptr) - 3600, 0}, {std::time(nullptr) - 3600, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, sub.c_str(), old, 0), 0);
    };
    age();
    THostDirCache cache;
    EXPECT_EQ(FindHostFile(dir.path(), "sub\\first.TXT", &cache), sub + "/First.txt");
    EXPECT_EQ(FindHostFile(dir.path(), "sub\\second.txt", &cache), std::nullopt);
    dir.Write("Sub/SECOND.txt", {});  // changes the folder's time
    EXPECT_EQ(FindHostFile(dir.path(), "sub\\second.txt", &cache), sub + "/SECOND.txt");
    age();
    std::filesystem::remove(sub + "/First.txt");
    EXPECT_EQ(FindHostFile(dir.path(), "sub\\first.txt", &cache), std::nullopt);
}

TEST(HostPath, SplitKeepsTrailBytes) {
    // 0x5C is the trail byte of "表" and must not split the name.
    std::string name = Utf8ToCp932("表\\表") + "\\\\a/b";
    EXPECT_EQ(SplitVirtualPath(name),
              (std::vector<std::string>{Utf8ToCp932("表"), Utf8ToCp932("表"), "a", "b"}));
}

}  // namespace
}  // namespace vesk
