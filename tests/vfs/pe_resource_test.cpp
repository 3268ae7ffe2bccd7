// Archives kept as resources of another program file.
#include <gtest/gtest.h>

#include <cstring>

#include "base/cp932.h"
#include "base/error.h"
#include "vfs/pe_resource.h"
#include "vfs/vr_file_manager.h"
#include "vfs_fixture.h"

namespace vesk {
namespace {

using test::Bytes;

// A minimal PE32 file with one ".rsrc" section holding one resource `type`/`name` (string
// names) in one language.
std::vector<uint8_t> MakePe(const std::string& type, const std::string& name,
                            const std::vector<uint8_t>& data) {
    const uint32_t rsrcRva = 0x1000, rawPtr = 0x200;
    MemoryStream r;  // the resource section
    StreamWriter w(r);
    auto dir = [&](uint16_t named, uint16_t ids) {
        w.U32(0), w.U32(0), w.U16(0), w.U16(0), w.U16(named), w.U16(ids);
    };
    // Root (0), name level (24), language level (48), data entry (72), strings (88...).
    const uint32_t typeStr = 88, nameStr = typeStr + 2 + 2 * uint32_t(type.size());
    const uint32_t dataAt = (nameStr + 2 + 2 * uint32_t(name.size()) + 7) & ~7u;
    dir(1, 0);
    w.U32(0x80000000u | typeStr), w.U32(0x80000000u | 24);
    dir(1, 0);
    w.U32(0x80000000u | nameStr), w.U32(0x80000000u | 48);
    dir(0, 1);
    w.U32(0x411), w.U32(72);
    w.U32(rsrcRva + dataAt), w.U32(uint32_t(data.size())), w.U32(0), w.U32(0);
    for (const std::string* s : {&type, &name}) {
        w.U16(uint16_t(s->size()));
        for (char c : *s) w.U16(uint16_t(uint8_t(c)));
    }
    while (r.Size() < dataAt) w.U8(0);
    w.Raw(data.data(), data.size());

    std::vector<uint8_t> pe(rawPtr, 0);
    auto put16 = [&](size_t at, uint16_t v) { pe[at] = uint8_t(v), pe[at + 1] = uint8_t(v >> 8); };
    auto put32 = [&](size_t at, uint32_t v) {
        put16(at, uint16_t(v)), put16(at + 2, uint16_t(v >> 16));
    };
    put16(0, 0x5A4D);
    put32(0x3C, 0x40);
    put32(0x40, 0x00004550);
    put16(0x44, 0x14C);
    put16(0x46, 1);    // sections
    put16(0x54, 224);  // optional header size
    const size_t opt = 0x58;
    put16(opt, 0x10B);
    put32(opt + 92, 16);
    put32(opt + 96 + 16, rsrcRva);
    put32(opt + 96 + 20, uint32_t(r.Size()));
    const size_t sec = opt + 224;
    std::memcpy(&pe[sec], ".rsrc", 5);
    put32(sec + 8, uint32_t(r.Size()));
    put32(sec + 12, rsrcRva);
    put32(sec + 16, uint32_t(r.Size()));
    put32(sec + 20, rawPtr);
    pe.insert(pe.end(), r.Bytes().begin(), r.Bytes().end());
    return pe;
}

TEST(PeResource, FindsTheResourceByNameAndType) {
    TPosixFileSystem hostFs;
    test::TempDir dir;
    auto archive = test::BuildArchive(102, {{"inside.txt", Bytes("from the resource")}});
    std::string exe = dir.Write("Game.exe", MakePe("BINTYPE", "DUMMY", archive));
    auto found = FindPeResource(hostFs, exe, "dummy", "BinType");
    ASSERT_TRUE(found);
    EXPECT_EQ(std::vector<uint8_t>(found->data, found->data + found->size), archive);
    EXPECT_FALSE(FindPeResource(hostFs, exe, "OTHER", "BINTYPE"));
    EXPECT_FALSE(FindPeResource(hostFs, exe, "#1", "BINTYPE"));

    TVrFileManager fm(hostFs, dir.path());
    fm.AddResourceArchive(exe, "DUMMY", "BINTYPE");
    EXPECT_EQ(fm.LoadBytes("inside.txt"), Bytes("from the resource"));
    try {
        fm.AddResourceArchive(exe, "LOGO", "BINTYPE");
        FAIL();
    } catch (const VeskError& e) {
        EXPECT_EQ(e.Text(), Utf8ToCp932("リソースが見つかりません"));
    }
    // A file that is no program leaves an empty collection.
    std::string junk = dir.Write(
        "junk.dll", Bytes("not a program at all, just text......................................"));
    EXPECT_EQ(fm.AddResourceArchive(junk, "DUMMY", "BINTYPE"), 1);
    EXPECT_EQ(fm.Collection(1).Count(), 0u);
}

TEST(PeResource, DamagedFilesFailCleanly) {
    TPosixFileSystem hostFs;
    test::TempDir dir;
    auto pe = MakePe("BINTYPE", "DUMMY", Bytes("data"));
    ASSERT_TRUE(FindPeResource(hostFs, dir.Write("whole.exe", pe), "DUMMY", "BINTYPE"));
    // The resource's bytes end the file, so every cut takes away something the search must
    // read: each is an error that names the file, never a resource or a crash.
    for (size_t n = 64; n < pe.size(); n += 7) {
        SCOPED_TRACE(n);
        std::string path = dir.Write("cut.exe", {pe.begin(), pe.begin() + std::ptrdiff_t(n)});
        try {
            FindPeResource(hostFs, path, "DUMMY", "BINTYPE");
            ADD_FAILURE() << "a file cut at " << n << " was read";
        } catch (const VeskError& e) {
            EXPECT_NE(e.Text().find("cut.exe"), std::string::npos) << e.Text();
        }
    }
    // Fields overwritten with 0xFFFFFFFF point outside the file.
    struct Case {
        const char* what;
        size_t at;
    } cases[] = {
        {"the PE header's offset", 0x3C},
        {"the section count", 0x46},
        {"the resource directory's address", 0x58 + 96 + 16},
        {"the root directory's entry counts", 0x200 + 12},
        {"the root entry's subdirectory", 0x200 + 20},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto bad = pe;
        for (int k = 0; k < 4; ++k) bad[c.at + size_t(k)] = 0xFF;
        std::string path = dir.Write("bad.exe", bad);
        EXPECT_THROW(FindPeResource(hostFs, path, "DUMMY", "BINTYPE"), VeskError);
    }
}

}  // namespace
}  // namespace vesk
