// The host file system over the operating system, which every file of the game goes through.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "base/error.h"
#include "vfs_fixture.h"

namespace vesk {
namespace {

using test::Bytes;

TEST(HostFs, StatTellsFilesFromFoldersAndKeepsTheTime) {
    TPosixFileSystem hostFs;
    test::TempDir dir;
    std::string file = dir.Write("a.txt", Bytes("12345"));
    // 2001-09-09 01:46:40 UTC and a quarter second.
    timespec times[2] = {{1000000000, 250000000}, {1000000000, 250000000}};
    ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
    std::filesystem::create_symlink(file, dir / "link");
    ::mkfifo((dir / "pipe").c_str(), 0600);

    HostEntry e = hostFs.Stat(file);
    EXPECT_EQ(e.Kind, HostEntryKind::File);
    EXPECT_EQ(e.Size, 5);
    EXPECT_EQ(e.Modified, (HostTime{1000000000, 250000000}));
    EXPECT_EQ(hostFs.Stat(dir / "link").Kind, HostEntryKind::File);  // links are followed
    EXPECT_EQ(hostFs.Stat(dir.path()).Kind, HostEntryKind::Folder);
    EXPECT_EQ(hostFs.Stat(dir / "pipe").Kind, HostEntryKind::Other);
    EXPECT_EQ(hostFs.Stat(dir / "missing").Kind, HostEntryKind::Missing);
    EXPECT_TRUE(hostFs.IsFile(file));
    EXPECT_FALSE(hostFs.IsFile(dir.path()));
    EXPECT_FALSE(hostFs.IsFile(dir / "pipe"));
    EXPECT_TRUE(hostFs.IsFolder(dir.path()));
    EXPECT_FALSE(hostFs.IsFolder(file));

    std::vector<std::string> names = hostFs.List(dir.path());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"a.txt", "link", "pipe"}));
    EXPECT_TRUE(hostFs.List(dir / "missing").empty());

    EXPECT_EQ(hostFs.Canonical(dir / "link"), hostFs.Canonical(file));
    EXPECT_EQ(hostFs.Canonical(dir.path() + "/./x/../a.txt"), std::nullopt);  // no "x"
    EXPECT_EQ(hostFs.Canonical(dir.path() + "/./../" +
                               std::filesystem::path(dir.path()).filename().string() + "/a.txt"),
              hostFs.Canonical(file));
    EXPECT_EQ(hostFs.Canonical(dir / "missing"), std::nullopt);
}

TEST(HostFs, FilesAreReadAndWrittenAtPositions) {
    TPosixFileSystem hostFs;
    test::TempDir dir;
    std::string path = dir / "f.bin";
    {
        auto f = hostFs.Open(path, HostOpen::Create);
        f->WriteAt("hello", 5, 0);
        f->WriteAt("XY", 2, 8);  // the gap reads as zero bytes
        EXPECT_EQ(f->Size(), 10);
        f->Resize(4);
        f->Sync();
        EXPECT_EQ(f->Size(), 4);
    }
    auto f = hostFs.Open(path, HostOpen::Read);
    char buf[8] = {};
    EXPECT_EQ(f->ReadAt(buf, 8, 1), 3u);  // fewer only at the end
    EXPECT_EQ(std::string(buf, 3), "ell");
    EXPECT_EQ(f->ReadAt(buf, 8, 100), 0u);
    EXPECT_THROW(f->WriteAt("z", 1, 0), VeskError);  // opened for reading
    EXPECT_EQ(hostFs.ReadAll(path), Bytes("hell"));
    auto rw = hostFs.Open(path, HostOpen::ReadWrite);
    rw->WriteAt("j", 1, 0);
    EXPECT_EQ(hostFs.ReadAll(path), Bytes("jell"));
    EXPECT_EQ(hostFs.Open(path, HostOpen::Create)->Size(), 0);  // emptied

    // Only regular files open: a folder would read as garbage with a size of 2^63.
    for (HostOpen mode : {HostOpen::Read, HostOpen::ReadWrite}) {
        EXPECT_THROW(hostFs.Open(dir.path(), mode), VeskError);
        EXPECT_THROW(hostFs.Open(dir / "missing", mode), VeskError);
    }
    EXPECT_THROW(hostFs.ReadAll(dir.path()), VeskError);
    EXPECT_THROW(hostFs.Open(dir.path() + "/no/such/f", HostOpen::Create), VeskError);
}

TEST(HostFs, MapsWholeFiles) {
    TPosixFileSystem hostFs;
    test::TempDir dir;
    HostMapping m = hostFs.Map(dir.Write("m.bin", Bytes("mapped bytes")));
    ASSERT_EQ(m.Size, 12u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(m.Data), m.Size), "mapped bytes");
    HostMapping empty = hostFs.Map(dir.Write("empty.bin", {}));
    EXPECT_EQ(empty.Size, 0u);
    EXPECT_THROW(hostFs.Map(dir.path()), VeskError);
    EXPECT_THROW(hostFs.Map(dir / "missing"), VeskError);
}

TEST(HostFs, RemovesRenamesAndMakesFolders) {
    TPosixFileSystem hostFs;
    test::TempDir dir;
    std::string a = dir.Write("a", Bytes("A")), b = dir.Write("b", Bytes("B"));
    hostFs.Rename(a, b);
    EXPECT_FALSE(hostFs.IsFile(a));
    EXPECT_EQ(hostFs.ReadAll(b), Bytes("A"));
    EXPECT_THROW(hostFs.Rename(a, b), VeskError);
    EXPECT_TRUE(hostFs.Remove(b));
    EXPECT_FALSE(hostFs.Remove(b));

    std::string t1 = hostFs.MakeTempFolder("host_fs_test-"),
                t2 = hostFs.MakeTempFolder("host_fs_test-");
    EXPECT_NE(t1, t2);
    for (const std::string& t : {t1, t2}) {
        EXPECT_TRUE(hostFs.IsFolder(t)) << t;
        EXPECT_NE(t.find("/host_fs_test-"), std::string::npos) << t;
        EXPECT_TRUE(hostFs.List(t).empty());
        std::filesystem::remove(t);
    }
}

TEST(HostFs, ExecutablePathNamesThisProgram) {
    TPosixFileSystem hostFs;
    std::string exe = hostFs.ExecutablePath();
    EXPECT_TRUE(hostFs.IsFile(exe)) << exe;
    EXPECT_EQ(std::filesystem::path(exe).filename(), "vfs_tests");
}

}  // namespace
}  // namespace vesk
