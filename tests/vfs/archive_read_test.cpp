// Reading archives of every version and from every place an archive may lie.
#include <gtest/gtest.h>

#include "base/cp932.h"
#include "base/error.h"
#include "vfs/big_stream.h"
#include "vfs/range_stream.h"
#include "vfs/vr_file.h"
#include "vfs/zlib_codec.h"
#include "vfs_fixture.h"

namespace vesk {
namespace {

using test::BuildArchive;
using test::Bytes;
using test::FixtureMember;
using test::TempDir;

std::string Read(TVrFileCollection& c, std::string_view name) {
    MemoryStream m;
    c.ReadEntry(m, name);
    return {m.Bytes().begin(), m.Bytes().end()};
}

std::string ErrorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const VeskError& e) {
        return e.what();
    }
    return "(no error)";
}

std::vector<FixtureMember> SampleMembers(bool withStored) {
    std::vector<FixtureMember> m = {
        {"a.txt", Bytes("hello hello hello"), false, 0, 0x12345678},
        {"", Bytes("nameless"), false, 0, 0},
        // "表" has 0x5C, the backslash, as its trail byte.
        {Utf8ToCp932("画像\\表.png"), Bytes(std::string(3000, 'q')), false, 1, 7},
    };
    if (withStored) {
        m.push_back({"movie\\op.mpg", Bytes("stored bytes"), true, 0, 9});
        m.push_back({"zero.bin", {}, true, 0, 0});
    }
    return m;
}

TEST(ArchiveRead, EveryVersionReadsBack) {
    TPosixFileSystem hostFs;
    for (int version : {0, 1, 57, 99, 100, 101, 102}) {
        SCOPED_TRACE("version " + std::to_string(version));
        TempDir dir;
        auto members = SampleMembers(version >= 101);
        std::string path = dir.Write("game.dat", BuildArchive(version, members));
        TVrFileCollection c(hostFs);
        c.Open(path);
        EXPECT_EQ(c.Version(), version);
        ASSERT_EQ(c.Count(), members.size());
        EXPECT_EQ(c.BaseFolder(), dir.path() + "/");
        for (size_t i = 0; i < members.size(); ++i) {
            const TVrFile& f = *c.At(i);
            EXPECT_EQ(f.Name, members[i].name);
            EXPECT_EQ(f.Stored, members[i].stored ? 1 : 0);
            EXPECT_EQ(f.FileTime, version >= 101 ? members[i].time : 0);
            EXPECT_EQ(f.ChecksumOfSource, version >= 102 ? members[i].basis : 0);
            std::vector<uint8_t> bytes;
            c.ReadMember(f, bytes);
            EXPECT_EQ(bytes, members[i].bytes) << f.Name;
            if (version >= 101) {
                std::vector<uint8_t> stored;
                c.ReadMember(f, stored, false);
                EXPECT_EQ(uint32_t(f.Checksum),
                          test::Crc(f.ChecksumOfSource ? members[i].bytes : stored));
            }
        }
        EXPECT_EQ(Read(c, "A.TXT"), "hello hello hello");
        EXPECT_EQ(c.DataEnd(), int64_t(BuildArchive(version, members).size()));
    }
}

// Archives put together byte by byte: the keystream of names skips empty names, and int64
// offsets take the sign-extended 32-bit keystream value.
TEST(ArchiveRead, ScrambledDirectoryKnownAnswer) {
    TPosixFileSystem hostFs;
    // Steps of x := 5x + 0x4E8A2C57 from 0.
    const uint32_t key[] = {0x4E8A2C57, 0xD73D0A0A, 0x82BB5E89};
    for (int version : {100, 101}) {
        SCOPED_TRACE(version);
        std::vector<uint8_t> one = test::Zlib(Bytes("1")), two = test::Zlib(Bytes("2"));
        MemoryStream s;
        StreamWriter w(s);
        w.Raw("vf", 2);
        w.I32(version);
        w.I32(2);
        w.I32(0);  // empty name: no keystream step
        w.I32(2);
        w.U8(uint8_t('a' ^ 0x57));  // first step
        w.U8(uint8_t('b' ^ 0x0A));  // second step
        int64_t dir = s.Size() + (version == 101 ? 3 * 8 + 2 * 9 : 3 * 4);
        int64_t offs[3] = {dir, dir + int64_t(one.size()), dir + int64_t(one.size() + two.size())};
        for (int i = 0; i < 3; ++i) {
            if (version == 101)
                w.U64(uint64_t(offs[i]) ^ uint64_t(int64_t(int32_t(key[i]))));
            else
                w.U32(uint32_t(offs[i]) ^ key[i]);
        }
        if (version == 101) {
            w.U8(0), w.U8(0), w.I32(0), w.I32(0), w.I32(0), w.I32(0);
        }
        w.Raw(one.data(), one.size());
        w.Raw(two.data(), two.size());
        TVrFileCollection c(hostFs);
        c.OpenResource("test", TResourceData::Owned(s.Bytes()));
        ASSERT_EQ(c.Count(), 2u);
        EXPECT_EQ(c.At(0)->Name, "");
        EXPECT_EQ(c.At(1)->Name, "ab");
        EXPECT_EQ(Read(c, "ab"), "2");
        std::vector<uint8_t> b;
        c.ReadMember(*c.At(0), b);
        EXPECT_EQ(b, Bytes("1"));
    }
}

TEST(ArchiveRead, LaterOfEqualNamesWinsAndTrailBytesKeepTheirCase) {
    TPosixFileSystem hostFs;
    std::string a = "\x83\x41.txt";      // katakana A: its trail byte is the letter 'A'
    std::string other = "\x83\x61.txt";  // a different character whose trail byte is 'a'
    TVrFileCollection c(hostFs);
    c.OpenResource("t", TResourceData::Owned(BuildArchive(102, {{"Dir\\A.txt", Bytes("first")},
                                                                {a, Bytes("kana")},
                                                                {"dir\\a.TXT", Bytes("second")}})));
    EXPECT_EQ(Read(c, "DIR\\a.txt"), "second");
    EXPECT_EQ(Read(c, a), "kana");
    EXPECT_EQ(c.Find(other), nullptr);
    c.RemoveEntry("dir\\a.txt");
    EXPECT_EQ(Read(c, "dir\\a.txt"), "first");
}

TEST(ArchiveRead, AppendedToExecutable) {
    TPosixFileSystem hostFs;
    auto archive = BuildArchive(102, {{"x.txt", Bytes("in the exe")}}, 1000);
    auto withTrailer = [&](int32_t start, const char* marker) {
        std::vector<uint8_t> b = archive;
        for (int i = 0; i < 4; ++i) b.push_back(uint8_t(uint32_t(start) >> (8 * i)));
        b.insert(b.end(), marker, marker + 2);
        return b;
    };
    struct Case {
        const char* file;
        std::vector<uint8_t> bytes;
        bool ok;
    } cases[] = {
        {"game.exe", withTrailer(1000, "vq"), true},
        {"GAME.SCR", withTrailer(1000, "vq"), true},
        {"game.exe", withTrailer(1000, "vx"), false},
        {"game.exe", withTrailer(-5, "vq"), false},
        {"game.exe", withTrailer(0x7FFFFFFF, "vq"), false},
    };
    for (const Case& k : cases) {
        TempDir dir;
        TVrFileCollection c(hostFs);
        std::string path = dir.Write(k.file, k.bytes);
        if (k.ok) {
            c.Open(path);
            EXPECT_EQ(Read(c, "x.txt"), "in the exe");
        } else {
            EXPECT_THROW(c.Open(path), VeskError);
            EXPECT_EQ(c.Count(), 0u);
        }
    }
}

TEST(ArchiveRead, DirectoryFromExtCompanion) {
    TPosixFileSystem hostFs;
    TempDir dir;
    std::vector<FixtureMember> members = {{"a.txt", Bytes("alpha")},
                                          {"b.txt", Bytes("beta"), true}};
    auto archive = BuildArchive(102, members);
    TVrFileCollection probe(hostFs);
    probe.OpenResource("probe", TResourceData::Owned(archive));
    size_t dirEnd = size_t(probe.At(0)->Offset);
    // The data file holds only member bytes at their offsets; the directory is elsewhere.
    std::vector<uint8_t> data = archive;
    std::fill(data.begin(), data.begin() + std::ptrdiff_t(dirEnd), 0xEE);
    dir.Write("Game.EXT", {archive.begin(), archive.begin() + std::ptrdiff_t(dirEnd)});
    TVrFileCollection c(hostFs);
    c.Open(dir.Write("Game.dat", data));
    EXPECT_EQ(Read(c, "a.txt"), "alpha");
    auto range = c.OpenEntryRange("b.txt");
    ASSERT_TRUE(range);
    char buf[16] = {};
    EXPECT_EQ(range->Read(buf, sizeof buf), 4u);
    EXPECT_STREQ(buf, "beta");
}

TEST(ArchiveRead, SplitIntoPieces) {
    TPosixFileSystem hostFs;
    TempDir dir;
    std::vector<FixtureMember> members;
    for (int i = 0; i < 6; ++i)
        members.push_back(
            {"m" + std::to_string(i), Bytes(std::string(50 + i * 7, char('a' + i))), i % 2 == 0});
    auto archive = BuildArchive(102, members);
    const int64_t piece = 64;
    std::string path = dir / "game.dat";
    {
        TTpBigFileStream out(hostFs, path, TTpBigFileStream::Mode::Create, piece);
        out.Write(archive.data(), archive.size());
    }
    EXPECT_TRUE(std::filesystem::exists(dir / "game.001"));
    TVrFileCollection c(hostFs);
    c.Open(path, piece);
    for (const auto& m : members) {
        EXPECT_EQ(Read(c, m.name), std::string(m.bytes.begin(), m.bytes.end()));
        if (m.stored) {
            auto r = c.OpenEntryRange(m.name);
            std::vector<uint8_t> got(m.bytes.size() + 10);
            got.resize(r->Read(got.data(), got.size()));
            EXPECT_EQ(got, m.bytes);
        }
    }
    // A missing last piece leaves the members there unreadable, with the member named.
    std::filesystem::remove(TTpBigFileStream::PieceName(path, int((archive.size() - 1) / piece)));
    TVrFileCollection cut(hostFs);
    cut.Open(path, piece);
    EXPECT_NE(ErrorOf([&] { Read(cut, "m5"); }).find("m5"), std::string::npos);
}

TEST(ArchiveRead, ResourceArchive) {
    TPosixFileSystem hostFs;
    TVrFileCollection c(hostFs);
    c.OpenResource("LOGO", TResourceData::Owned(BuildArchive(102, {{"logo.lmt", Bytes("film")}})));
    EXPECT_TRUE(c.IsResource());
    EXPECT_EQ(Read(c, "logo.lmt"), "film");
    auto r = c.OpenEntryRange("logo.lmt");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->Size(), c.At(0)->Size);
    TVrFileCollection empty(hostFs);
    try {
        empty.OpenResource("DUMMY", TResourceData{});
        FAIL();
    } catch (const VeskError& e) {
        EXPECT_EQ(e.Text(), Utf8ToCp932("リソースが見つかりません"));
    }
}

TEST(ArchiveRead, MemberOfSizeZero) {
    TPosixFileSystem hostFs;
    TVrFileCollection c(hostFs);
    c.OpenResource("t", TResourceData::Owned(BuildArchive(
                            102, {{"zero", {}, true}, {"next", Bytes("more bytes"), true}})));
    EXPECT_EQ(Read(c, "zero"), "");
    auto r = c.OpenEntryRange("zero");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->Size(), 0);  // not the rest of the archive
}

TEST(ArchiveRead, MissingMemberMessage) {
    TPosixFileSystem hostFs;
    TVrFileCollection c(hostFs);
    c.OpenResource("t", TResourceData::Owned(BuildArchive(102, {{"a", Bytes("1")}})));
    MemoryStream m;
    try {
        c.ReadEntry(m, "nope.txt");
        FAIL();
    } catch (const VeskError& e) {
        EXPECT_EQ(e.Text(), "nope.txt" + Utf8ToCp932(":ファイルがありません"));
    }
}

// Patches a little-endian int32 or int64 into a copy of `b`.
std::vector<uint8_t> Patched(std::vector<uint8_t> b, size_t at, uint64_t v, int width) {
    for (int i = 0; i < width; ++i) b[at + size_t(i)] = uint8_t(v >> (8 * i));
    return b;
}

TEST(ArchiveRead, MalformedArchivesFailClearly) {
    TPosixFileSystem hostFs;
    std::vector<FixtureMember> members = {{"one.txt", Bytes(std::string(200, 'x'))},
                                          {"two.txt", Bytes("second member")}};
    auto good = BuildArchive(101, members);
    // Offsets start after "vf", version, count and the names: 10 + (4 + 7) * 2 = 32.
    const size_t offsets = 32;
    const uint32_t key0 = 0x4E8A2C57, key1 = 0xD73D0A0A;
    TVrFileCollection probe(hostFs);
    probe.OpenResource("probe", TResourceData::Owned(good));
    const int64_t first = probe.At(0)->Offset, second = probe.At(1)->Offset;

    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        const char* member;  // the member named in the error, or null when opening fails
    } cases[] = {
        {"huge count", Patched(good, 6, 0x7FFFFFFF, 4), nullptr},
        {"negative count", Patched(good, 6, 0xFFFFFFF0, 4), nullptr},
        {"name longer than file", Patched(good, 10, 0x7FFFFFF0, 4), nullptr},
        {"negative name length", Patched(good, 10, 0x80000000, 4), nullptr},
        {"decreasing offsets",
         Patched(good, offsets + 8, uint64_t(first - 1) ^ uint64_t(int64_t(int32_t(key1))), 8),
         nullptr},
        {"negative offset",
         Patched(good, offsets, uint64_t(-5) ^ uint64_t(int64_t(int32_t(key0))), 8), nullptr},
        {"member past the end",
         Patched(good, offsets + 16,
                 uint64_t(second + 100000) ^ uint64_t(int64_t(int32_t(0x82BB5E89))), 8),
         "two.txt"},
        {"broken zlib", Patched(good, size_t(first) + 2, 0xDEADBEEF, 4), "one.txt"},
        {"archive cut short", std::vector<uint8_t>(good.begin(), good.end() - 20), "two.txt"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        TempDir dir;
        TVrFileCollection c(hostFs);
        std::string path = dir.Write("bad.dat", k.bytes);
        if (!k.member) {
            std::string msg = ErrorOf([&] { c.Open(path); });
            EXPECT_NE(msg.find("bad.dat"), std::string::npos) << msg;
            continue;
        }
        c.Open(path);
        std::string msg = ErrorOf([&] { Read(c, k.member); });
        EXPECT_NE(msg.find("bad.dat"), std::string::npos) << msg;
        EXPECT_NE(msg.find(k.member), std::string::npos) << msg;
    }
    // Every cut inside the header and directory is an error, never a crash.
    for (size_t n = 0; n < size_t(first); ++n) {
        TVrFileCollection c(hostFs);
        EXPECT_THROW(c.OpenResource("cut", TResourceData::Owned(
                                               {good.begin(), good.begin() + std::ptrdiff_t(n)})),
                     VeskError)
            << n;
    }
}

TEST(ArchiveRead, FileWithoutMagicIsVersionZero) {
    TPosixFileSystem hostFs;
    // The first int32 is the count; a one-member archive starts with 01 00 00 00.
    auto b = BuildArchive(0, {{"n", Bytes("v0")}});
    EXPECT_EQ(b[0], 1);
    EXPECT_EQ(b[4], 1);  // the name's length
    TVrFileCollection c(hostFs);
    c.OpenResource("t", TResourceData::Owned(b));
    EXPECT_EQ(c.Version(), 0);
    EXPECT_EQ(Read(c, "n"), "v0");
}

TEST(ArchiveRead, InflateHasACeiling) {
    std::vector<uint8_t> zeros(1 << 20);
    auto packed = test::Zlib(zeros, 9);
    std::vector<uint8_t> out;
    EXPECT_THROW(InflateAppend(packed.data(), packed.size(), out, "m", 1000), VeskError);
    out.clear();
    InflateAppend(packed.data(), packed.size(), out, "m");
    EXPECT_EQ(out, zeros);
}

}  // namespace
}  // namespace vesk
