// Piece files, the read buffer and window streams.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "base/endian.h"
#include "base/error.h"
#include "vfs/big_stream.h"
#include "vfs/range_stream.h"
#include "vfs_fixture.h"

namespace vesk {
namespace {

using test::TempDir;

std::vector<uint8_t> Counting(size_t n) {
    std::vector<uint8_t> b(n);
    for (size_t i = 0; i < n; ++i) b[i] = uint8_t(i * 7 + i / 251);
    return b;
}

TEST(BigFileStream, PieceNames) {
    EXPECT_EQ(TTpBigFileStream::PieceName("/g/game.dat", 0), "/g/game.dat");
    EXPECT_EQ(TTpBigFileStream::PieceName("/g/game.dat", 1), "/g/game.001");
    EXPECT_EQ(TTpBigFileStream::PieceName("/g.d/game", 12), "/g.d/game.012");
    EXPECT_EQ(TTpBigFileStream::PieceName("a.b.c", 1000), "a.b.1000");
}

TEST(BigFileStream, ReadsAndWritesAcrossPieces) {
    TPosixFileSystem hostFs;
    TempDir dir;
    std::string path = dir / "data.bin";
    auto data = Counting(1000);
    {
        TTpBigFileStream s(hostFs, path, TTpBigFileStream::Mode::Create, 300);
        s.Write(data.data(), 250);
        s.Write(data.data() + 250, 750);  // crosses three boundaries
        EXPECT_EQ(s.Size(), 1000);
        EXPECT_EQ(s.PieceCount(), 4u);
    }
    EXPECT_EQ(std::filesystem::file_size(dir / "data.003"), 100u);
    TTpBigFileStream r(hostFs, path, TTpBigFileStream::Mode::Read, 300);
    EXPECT_EQ(r.Size(), 1000);
    std::vector<uint8_t> got(1000);
    r.Seek(0, SeekFrom::Begin);
    r.ReadExact(got.data(), got.size(), "all");
    EXPECT_EQ(got, data);
    r.Seek(295, SeekFrom::Begin);
    uint8_t ten[10];
    r.ReadExact(ten, 10, "middle");
    EXPECT_TRUE(std::equal(ten, ten + 10, data.begin() + 295));
    EXPECT_EQ(r.Read(ten, 10), 10u);
    r.Seek(995, SeekFrom::Begin);
    EXPECT_EQ(r.Read(ten, 10), 5u);
    EXPECT_THROW(r.Write(ten, 1), VeskError);
}

TEST(BigFileStream, WritingFarAheadFillsEarlierPieces) {
    TPosixFileSystem hostFs;
    TempDir dir;
    std::string path = dir / "sparse.dat";
    TTpBigFileStream s(hostFs, path, TTpBigFileStream::Mode::Create, 100);
    s.Write("a", 1);
    s.Seek(350, SeekFrom::Begin);
    s.Write("z", 1);
    EXPECT_EQ(s.Size(), 351);
    EXPECT_EQ(std::filesystem::file_size(dir / "sparse.002"), 100u);
}

TEST(BigFileStream, CreateReplacesOldPieces) {
    TPosixFileSystem hostFs;
    TempDir dir;
    std::string path = dir / "game.dat";
    {
        TTpBigFileStream s(hostFs, path, TTpBigFileStream::Mode::Create, 10);
        s.Write(Counting(35).data(), 35);
    }
    ASSERT_TRUE(std::filesystem::exists(dir / "game.003"));
    {
        TTpBigFileStream s(hostFs, path, TTpBigFileStream::Mode::CreateAtomic, 10);
        s.Write("short", 5);
        EXPECT_TRUE(std::filesystem::exists(dir / "game.003"));  // untouched until committed
        s.Commit();
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "game.001"));
    EXPECT_EQ(std::filesystem::file_size(path), 5u);
    {
        TTpBigFileStream s(hostFs, path, TTpBigFileStream::Mode::CreateAtomic, 10);
        s.Write("abandoned write", 15);
    }
    EXPECT_EQ(std::filesystem::file_size(path), 5u);
    EXPECT_FALSE(std::filesystem::exists(dir / "game.dat.tmp"));
    { TTpBigFileStream s(hostFs, path, TTpBigFileStream::Mode::Create, 10); }
    EXPECT_EQ(std::filesystem::file_size(path), 0u);
    EXPECT_THROW(TTpBigFileStream(hostFs, dir / "missing", TTpBigFileStream::Mode::Read),
                 VeskError);
}

TEST(BuffBigStream, HandsBackUnreadBytes) {
    auto data = Counting(300000);
    MemoryStream base(data);
    base.Seek(10, SeekFrom::Begin);
    {
        TTpBuffBigStream buf(base);
        uint8_t b[5];
        buf.ReadExact(b, 5, "head");
        EXPECT_EQ(b[0], data[10]);
        EXPECT_EQ(buf.Position(), 15);
        std::vector<uint8_t> big(200000);
        buf.ReadExact(big.data(), big.size(), "big");
        EXPECT_EQ(big[0], data[15]);
        EXPECT_EQ(buf.Position(), 200015);
        buf.Seek(-15, SeekFrom::Current);
        buf.ReadExact(b, 1, "after seek");
        EXPECT_EQ(b[0], data[200000]);
    }
    EXPECT_EQ(base.Position(), 200001);
}

TEST(RangeStream, WindowClampsSeeksAndReads) {
    TPosixFileSystem hostFs;
    TempDir dir;
    auto data = Counting(500);
    std::string path = dir.Write("f.bin", data);
    TFileRangeStream r(hostFs, path, 100, 50);
    EXPECT_EQ(r.Size(), 50);
    EXPECT_EQ(r.Seek(-10, SeekFrom::Begin), 0);
    EXPECT_EQ(r.Seek(80, SeekFrom::Begin), 50);
    EXPECT_EQ(r.Seek(-5, SeekFrom::End), 45);
    uint8_t b[20];
    EXPECT_EQ(r.Read(b, 20), 5u);
    EXPECT_EQ(b[0], data[145]);
    EXPECT_THROW(r.Write(b, 1), VeskError);
    TFileRangeStream toEnd(hostFs, path, 400, 0);  // a length of 0 reaches to the end
    EXPECT_EQ(toEnd.Size(), 100);
    TResourceRangeStream res(TResourceData::Static(data.data(), data.size()), 0, 0, true);
    EXPECT_EQ(res.Size(), 0);
}

// A file whose every 4-byte word holds its own index, so that any slice tells where it was.
std::vector<uint8_t> Indexed(size_t words) {
    std::vector<uint8_t> b(words * 4);
    for (size_t i = 0; i < words; ++i) PutLe32(&b[i * 4], uint32_t(i));
    return b;
}

TEST(RangeStream, WindowsAreReadFromTwoThreads) {
    TPosixFileSystem hostFs;
    TempDir dir;
    const size_t words = 1 << 18;
    std::string path = dir.Write("media.bin", Indexed(words));
    const int64_t start = 4096, length = int64_t(words * 4) - 8192;

    // Each decoder thread with its own window over the same file.
    auto own = [&](bool* ok) {
        TFileRangeStream r(hostFs, path, start, length);
        *ok = true;
        std::vector<uint8_t> buf(4096);
        for (int64_t at = 0; at < length; at += int64_t(buf.size())) {
            r.Seek(at, SeekFrom::Begin);
            size_t n = r.Read(buf.data(), buf.size());
            for (size_t i = 0; i + 4 <= n; i += 4)
                if (Le32(&buf[i]) != uint32_t((start + at + int64_t(i)) / 4)) *ok = false;
        }
    };
    bool ok1 = false, ok2 = false;
    std::thread a(own, &ok1), b(own, &ok2);
    a.join();
    b.join();
    EXPECT_TRUE(ok1);
    EXPECT_TRUE(ok2);

    // One window shared by two threads: every read is whole, so together they see each word
    // of the window exactly once.
    TFileRangeStream shared(hostFs, path, start, length);
    std::vector<std::vector<uint32_t>> seen(2);
    auto drain = [&](std::vector<uint32_t>* out) {
        uint8_t buf[64];
        while (size_t n = shared.Read(buf, sizeof buf))
            for (size_t i = 0; i + 4 <= n; i += 4) out->push_back(Le32(buf + i));
    };
    std::thread c(drain, &seen[0]), d(drain, &seen[1]);
    c.join();
    d.join();
    std::vector<uint32_t> all = seen[0];
    all.insert(all.end(), seen[1].begin(), seen[1].end());
    std::sort(all.begin(), all.end());
    ASSERT_EQ(all.size(), size_t(length / 4));
    for (size_t i = 0; i < all.size(); ++i) ASSERT_EQ(all[i], uint32_t(start / 4 + int64_t(i)));
}

}  // namespace
}  // namespace vesk
