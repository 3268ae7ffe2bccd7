// The archive writer: its layout, its choice between storing and compressing, its checksums.
#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <random>

#include "base/cp932.h"
#include "base/error.h"
#include "vfs/big_stream.h"
#include "vfs/vr_file.h"
#include "vfs_fixture.h"

namespace vesk {
namespace {

using test::BuildArchive;
using test::Bytes;
using test::TempDir;

class RecordingBox : public IMessageBox {
  public:
    MsgResult Show(const std::string& text, const std::string&, MsgButtons, MsgIcon) override {
        shown.push_back(text);
        return MsgResult::Ok;
    }
    std::vector<std::string> shown;
};

std::vector<uint8_t> Noise(size_t n, unsigned seed = 1) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> b(n);
    for (auto& x : b) x = uint8_t(rng());
    return b;
}

std::vector<uint8_t> Text(size_t n) {
    std::vector<uint8_t> b(n);
    for (size_t i = 0; i < n; ++i) b[i] = uint8_t("the quick brown fox "[i % 20]);
    return b;
}

TEST(ArchiveWrite, InMemoryMembersMatchTheLayoutByteForByte) {
    TPosixFileSystem hostFs;
    std::vector<test::FixtureMember> members = {
        {"save\\slot1.dat", Text(5000), false, 0, 0},
        {Utf8ToCp932("表\\データ"), Bytes("abc"), false, 1, 0},
        {"", Bytes("x"), false, 0, 0},
    };
    TVrFileCollection c(hostFs);
    for (const auto& m : members) {
        TVrFile* f = c.AddMemoryEntry(m.name);
        f->ChecksumOfSource = m.basis;
        f->Data->Write(m.bytes.data(), m.bytes.size());
    }
    MemoryStream out;
    ASSERT_TRUE(c.WriteArchive(out));
    EXPECT_EQ(out.Bytes(), BuildArchive(102, members));
}

TEST(ArchiveWrite, ChoosesBetweenStoringAndCompressing) {
    TPosixFileSystem hostFs;
    TempDir src;
    auto quil = [](const char* magic, uint8_t flag) {
        std::vector<uint8_t> b(magic, magic + 7);
        std::vector<uint8_t> header(40, 0);
        header[22] = flag;
        for (int i = 0; i < 4; ++i) b.push_back(uint8_t(40 >> (8 * i)));
        b.insert(b.end(), header.begin(), header.end());
        auto body = Text(4000);
        b.insert(b.end(), body.begin(), body.end());
        return b;
    };
    struct Case {
        std::string name;
        std::vector<uint8_t> bytes;
        int stored;
    } cases[] = {
        {"big.bin", Text(0x500000), 1},        {"edge.bin", Text(0x4FFFFF), 0},
        {"noise.bin", Noise(0x4FFFFF), 1},  // saves less than a tenth
        {"voice\\a.ogg", Text(1000), 1},       {"se\\B.Wav", Text(1000), 1},
        {"movie.mpeg", Text(1000), 1},         {"plain", Text(1000), 0},
        {"pic\\c.qil", quil("Quil106", 1), 0}, {"pic\\d.QIL", quil("Quil106", 0), 1},
        {"pic\\e.qil", quil("Quil102", 1), 1}, {Utf8ToCp932("日本語\\名前.txt"), Text(100), 0},
    };
    // Every file was last written on 4 March 2021 at 05:06:08 local time: in the DOS form
    // the date is (2021 - 1980) << 9 | 3 << 5 | 4 and the time 5 << 11 | 6 << 5 | 8 / 2.
    std::tm when{};
    when.tm_year = 2021 - 1900;
    when.tm_mon = 3 - 1;
    when.tm_mday = 4;
    when.tm_hour = 5;
    when.tm_min = 6;
    when.tm_sec = 8;
    when.tm_isdst = -1;
    const auto written = std::chrono::file_clock::from_sys(
        std::chrono::system_clock::from_time_t(std::mktime(&when)));
    const int32_t dosTime = 0x5264'28C4;
    TVrFileCollection c(hostFs);
    c.Open(src.path());  // a folder collection
    for (const Case& k : cases) {
        std::string rel = Cp932ToUtf8(k.name);
        std::replace(rel.begin(), rel.end(), '\\', '/');
        std::filesystem::last_write_time(src.Write(rel, k.bytes), written);
        c.AddEntry(k.name);
    }
    TempDir out;
    std::string path = out / "game.dat";
    {
        TTpBigFileStream s(hostFs, path, TTpBigFileStream::Mode::Create);
        ASSERT_TRUE(c.WriteArchive(s));
    }
    TVrFileCollection r(hostFs);
    r.Open(path);
    ASSERT_EQ(r.Count(), std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].name);
        const TVrFile& f = *r.At(i);
        EXPECT_EQ(f.Stored, cases[i].stored);
        EXPECT_EQ(f.FileTime, dosTime);
        std::vector<uint8_t> stored, bytes;
        r.ReadMember(f, stored, false);
        r.ReadMember(f, bytes);
        EXPECT_EQ(bytes, cases[i].bytes);
        EXPECT_EQ(uint32_t(f.Checksum), test::Crc(stored));
    }
}

TEST(ArchiveWrite, RewritingCarriesMembersOver) {
    TPosixFileSystem hostFs;
    TempDir dir;
    std::string oldPath =
        dir.Write("save.dat", BuildArchive(102, {{"keep.txt", Text(300), false, 1, 0x4A4B4C4D},
                                                 {"big.bin", Text(0x500000), true, 0, 5}}));
    TVrFileCollection c(hostFs);
    c.Open(oldPath);
    c.AddMemoryEntry("new.txt")->Data->Write("new", 3);
    MemoryStream out;
    ASSERT_TRUE(c.WriteArchive(out));
    TVrFileCollection r(hostFs);
    r.OpenResource("out", TResourceData::Owned(out.Bytes()));
    ASSERT_EQ(r.Count(), 3u);
    EXPECT_EQ(r.At(0)->FileTime, 0x4A4B4C4D);
    EXPECT_EQ(r.At(1)->Stored, 1);
    EXPECT_EQ(r.At(2)->FileTime, 0);
    for (size_t i = 0; i < r.Count(); ++i) {
        const TVrFile& f = *r.At(i);
        std::vector<uint8_t> stored, bytes;
        r.ReadMember(f, stored, false);
        r.ReadMember(f, bytes);
        EXPECT_EQ(uint32_t(f.Checksum), test::Crc(f.ChecksumOfSource ? bytes : stored)) << f.Name;
    }
}

// Save data rewrites the archive it was read from, in place.
TEST(ArchiveWrite, RewritingInPlace) {
    TPosixFileSystem hostFs;
    TempDir dir;
    std::string path =
        dir.Write("save.dat", BuildArchive(102, {{"slot1", Text(3000)}, {"slot2", Bytes("two")}}));
    {
        TVrFileCollection c(hostFs);
        c.Open(path);
        c.RemoveEntry("slot2");
        c.AddMemoryEntry("slot3")->Data->Write("three", 5);
        TTpBigFileStream out(hostFs, path, TTpBigFileStream::Mode::CreateAtomic);
        ASSERT_TRUE(c.WriteArchive(out));
        out.Commit();
    }
    TVrFileCollection r(hostFs);
    r.Open(path);
    ASSERT_EQ(r.Count(), 2u);
    MemoryStream m;
    r.ReadEntry(m, "slot1");
    EXPECT_EQ(m.Bytes(), Text(3000));
    m.Clear();
    r.ReadEntry(m, "slot3");
    EXPECT_EQ(m.Bytes(), Bytes("three"));
    EXPECT_EQ(r.Find("slot2"), nullptr);
}

TEST(ArchiveWrite, ProgressAndCancel) {
    TPosixFileSystem hostFs;
    TVrFileCollection c(hostFs);
    for (const char* n : {"a", "b", "c"}) c.AddMemoryEntry(n)->Data->Write("123456", 6);
    std::vector<std::pair<int, int64_t>> calls;
    c.OnProgress = [&](const TVrProgress& p, bool& cancel) {
        EXPECT_EQ(p.count, 3);
        calls.push_back({p.index, p.bytesWritten});
        if (p.index == 1 && p.bytesWritten >= 0) cancel = true;
    };
    MemoryStream out;
    EXPECT_FALSE(c.WriteArchive(out));
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[0], std::make_pair(0, int64_t(-1)));
    EXPECT_EQ(calls[1].first, 0);
    EXPECT_GT(calls[1].second, 0);
    EXPECT_EQ(calls[3].first, 1);
}

TEST(ArchiveWrite, FailingMemberIsReportedAndPropagates) {
    TPosixFileSystem hostFs;
    TempDir dir;
    TVrFileCollection c(hostFs);
    c.Open(dir.path());
    dir.Write("here.txt", Text(10));
    c.AddEntry("here.txt");
    c.AddEntry("gone.txt");
    RecordingBox box;
    MemoryStream out;
    EXPECT_THROW(c.WriteArchive(out, &box), VeskError);
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0], Utf8ToCp932("エラー:") + "gone.txt");
}

TEST(ArchiveWrite, AppendedAfterOtherBytes) {
    TPosixFileSystem hostFs;
    TVrFileCollection c(hostFs);
    c.AddMemoryEntry("inside.txt")->Data->Write("payload", 7);
    MemoryStream out;
    out.Write("MZ-program-bytes", 16);
    ASSERT_TRUE(c.WriteArchive(out));
    StreamWriter w(out);
    w.I32(16);
    w.Raw("vq", 2);
    TempDir dir;
    TVrFileCollection r(hostFs);
    r.Open(dir.Write("player.exe", out.Bytes()));
    MemoryStream m;
    r.ReadEntry(m, "inside.txt");
    EXPECT_EQ(m.Bytes(), Bytes("payload"));
}

}  // namespace
}  // namespace vesk
