// Extracting, checking and building whole archives.
#include <gtest/gtest.h>

#include <map>

#include "base/cp932.h"
#include "vfs/archive_tools.h"
#include "vfs/vr_file.h"
#include "vfs_fixture.h"

namespace vesk {
namespace {

using test::BuildArchive;
using test::Bytes;
using test::TempDir;
namespace fs = std::filesystem;

// Every file under `dir` as relative path -> contents.
std::map<std::string, std::vector<uint8_t>> Tree(const std::string& dir) {
    std::map<std::string, std::vector<uint8_t>> tree;
    for (auto& e : fs::recursive_directory_iterator(dir))
        if (e.is_regular_file())
            tree[fs::relative(e.path(), dir).generic_string()] = ReadWholeFile(e.path().string());
    return tree;
}

TEST(ArchiveTools, CreateThenExtractGivesTheFolderBack) {
    TPosixFileSystem hostFs;
    TempDir src, out;
    src.Write("script/start.lsb", Bytes("page"));
    src.Write("画像/背景.qil", Bytes(std::string(5000, 'q')));
    src.Write("voice/a.ogg", Bytes("ogg bytes"));
    src.Write("empty", {});
    std::string archive = src / "game.dat";  // inside the folder: left out of itself
    TArchiveReport made = CreateArchive(hostFs, src.path(), archive);
    EXPECT_EQ(made.done, 4u);
    EXPECT_EQ(made.failed, 0u);
    TVrFileCollection c(hostFs);
    c.Open(archive);
    EXPECT_NE(c.Find(Utf8ToCp932("画像\\背景.qil")), nullptr);
    TArchiveReport got = ExtractArchive(c, out.path() + "/x");
    EXPECT_EQ(got.failed, 0u);
    auto expected = Tree(src.path());
    expected.erase("game.dat");
    EXPECT_EQ(Tree(out.path() + "/x"), expected);
    EXPECT_EQ(CheckArchive(c).failed, 0u);
}

TEST(ArchiveTools, ExtractionSkipsUnsafeNamesAndKeepsGoing) {
    TPosixFileSystem hostFs;
    TempDir root;
    auto archive = BuildArchive(1, {{"..\\evil.txt", Bytes("x")},
                                    {"ok\\fine.txt", Bytes("first")},
                                    {"\\abs.txt", Bytes("x")},
                                    {"C:\\drive.txt", Bytes("x")},
                                    {"a\\..\\..\\up.txt", Bytes("x")},
                                    {"OK\\FINE.txt", Bytes("second")},
                                    {"ok", Bytes("a file where a folder is")}});
    TVrFileCollection c(hostFs);
    c.Open(root.Write("bad.dat", archive));
    TArchiveReport r = ExtractArchive(c, root.path() + "/out/deep");
    EXPECT_EQ(r.done, 2u);
    EXPECT_EQ(r.failed, 5u);
    EXPECT_EQ(r.messages.size(), 5u);
    EXPECT_EQ(Tree(root.path() + "/out"),
              (std::map<std::string, std::vector<uint8_t>>{{"deep/ok/fine.txt", Bytes("second")}}));
    EXPECT_EQ(Tree(root.path()).size(), 2u);  // bad.dat and the one extracted file
}

TEST(ArchiveTools, CheckFindsDamagedMembers) {
    TPosixFileSystem hostFs;
    std::vector<test::FixtureMember> members = {
        {"stored.bin", Bytes("stored member bytes"), true},
        {"packed.txt", Bytes(std::string(400, 'p')), false, 1},
        {"fine.txt", Bytes("fine")}};
    auto good = BuildArchive(102, members);
    TVrFileCollection probe(hostFs);
    probe.OpenResource("probe", TResourceData::Owned(good));
    auto damaged = [&](const char* name, size_t into) {
        auto b = good;
        b[size_t(probe.Find(name)->Offset) + into] ^= 0x55;
        TVrFileCollection c(hostFs);
        c.OpenResource("damaged", TResourceData::Owned(b));
        return CheckArchive(c);
    };
    EXPECT_EQ(CheckArchive(probe).failed, 0u);
    for (const char* name : {"stored.bin", "packed.txt"}) {
        TArchiveReport r = damaged(name, 5);
        EXPECT_EQ(r.failed, 1u) << name;
        EXPECT_EQ(r.done, 2u);
        ASSERT_EQ(r.messages.size(), 1u);
        EXPECT_NE(r.messages[0].find(name), std::string::npos) << r.messages[0];
    }
    // Without checksums a damaged stored member goes unnoticed; broken zlib data does not.
    auto old = BuildArchive(100, {{"packed.txt", Bytes(std::string(400, 'p'))}});
    old[old.size() - 6] ^= 0x55;
    TVrFileCollection c(hostFs);
    c.OpenResource("old", TResourceData::Owned(old));
    EXPECT_EQ(CheckArchive(c).failed, 1u);
}

}  // namespace
}  // namespace vesk
