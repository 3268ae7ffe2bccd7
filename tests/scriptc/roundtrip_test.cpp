// Stored pages written as source and compiled again give the very same bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>

#include "base/cp932.h"
#include "base/stream.h"
#include "script/command.h"
#include "script/page.h"
#include "script/page_builder.h"
#include "scriptc/compiler.h"
#include "scriptc/decompiler.h"
#include "scriptc/game_builder.h"
#include "scriptc/syntax.h"
#include "text/glyph_list.h"

namespace vesk::scriptc {
namespace {

// Decompiles each page (loaded from its bytes) and compiles all the sources together.
void ExpectRoundTrip(const std::map<std::string, std::vector<uint8_t>>& stored) {
    std::map<std::string, std::unique_ptr<TPage>> pages;
    for (const auto& [name, bytes] : stored) {
        auto p = std::make_unique<TPage>(name);
        ASSERT_EQ(p->LoadFromBytes(bytes), TPage::LoadResult::Ok);
        pages[name] = std::move(p);
    }
    PageLookup lookup = [&](const std::string& name) -> const TPage* {
        auto it = pages.find(name);
        return it == pages.end() ? nullptr : it->second.get();
    };
    TScriptCompiler c;
    std::map<std::string, std::string> sources;
    for (const auto& [name, page] : pages) {
        sources[name] = DecompilePage(*page, lookup);
        try {
            c.AddPage(name + ".vss", name, sources[name]);
        } catch (const SourceError& e) {
            FAIL() << e.what() << "\n" << sources[name];
        }
    }
    std::vector<CompiledPage> again;
    try {
        again = c.Finish();
    } catch (const SourceError& e) {
        FAIL() << e.what();
    }
    for (const CompiledPage& p : again) {
        const std::vector<uint8_t>& want = stored.at(p.Name);
        size_t at = 0;
        while (at < p.Bytes.size() && at < want.size() && p.Bytes[at] == want[at]) ++at;
        EXPECT_TRUE(p.Bytes == want)
            << p.Name << ": differs from byte " << at << " of " << want.size() << ":\n"
            << sources[p.Name];
    }
}

std::string Jp(const char* utf8) {
    return Utf8ToCp932(utf8);
}

std::string GlyphBlock(std::vector<std::string> lines) {
    TWdGlyphList list;
    list.SetText(lines);
    MemoryStream m;
    list.SaveToStream(m);
    return std::string(m.Bytes().begin(), m.Bytes().end());
}

// An expression with no text form: an operation code the compiler never writes.
TVeskParser OddExpression() {
    MemoryStream m;
    StreamWriter w(m);
    w.I32(1);
    w.U8(0);
    w.Str("x");
    w.I32(0);
    m.Seek(0, SeekFrom::Begin);
    TVeskParser p;
    p.LoadFromStream(m);
    return p;
}

// Every command type with every field set to something other than what an omitted one
// gives, in odd places and with odd flags.
void FillEveryCommand(TPageBuilder& b) {
    const std::string texts[] = {Jp("ソ表ポ"), "plain", Jp("能\\") + "\"q\"\r\n", "a, b: c",
                                 std::string("\x87\x9A\xA0\x83", 4)};
    const char* exprs[] = {"a + 1",    "s = \"ソ表ポ\" ++ IntToStr(n)", "(a - -2) * b[1, i]",
                           "x >= 3.5", "t = \"\\\"q\\\\\" ++ \"\\n\"",  "-a",
                           "FALSE"};
    int n = 0;
    for (int code = 0; code < kCommandTypeCount; ++code) {
        TCommand& cmd = b.Add(uint8_t(code), code % 7 == 0 ? 0 : 0);
        cmd.Disabled = code % 3 == 0;
        cmd.RunNext = code % 4 != 1;
        if (code % 5 == 0) cmd.LineNo = 1000 + code;
        for (size_t f = 0; f < cmd.FieldCount(); ++f) {
            TCommandField& fd = cmd.Field(f);
            ++n;
            std::string name = fd.Name;
            switch (fd.Kind) {
                case FieldKind::Expr:
                    CompileExpr(Jp(exprs[n % 7]), fd.Expr);
                    break;
                case FieldKind::Str:
                    fd.Text = name == "Page" || name == "LoadPage"
                                  ? (code % 2 ? "all.lsb" : "other.lsb")
                                  : texts[size_t(n) % 5];
                    break;
                case FieldKind::Int:
                    fd.Num = name == "Target" || name == "LoadTarget" ? n % 4 : n * 7 - 50;
                    break;
                case FieldKind::Byte:
                    fd.Num = (n * 13) % 256;
                    break;
                case FieldKind::ExprList:
                    fd.List.resize(3);
                    CompileExpr("a + 2", fd.List[0]);
                    fd.List[2].AssignFrom(OddExpression());
                    break;
                case FieldKind::Block:
                    fd.Text = GlyphBlock({Jp("ソ表<B>太字</B>"), "", Jp("ポ")});
                    break;
                case FieldKind::Props:
                    cmd.SetPropText(code % kPropertyCount, "1 + 2");
                    cmd.SetPropText(0, Jp("\"名前\""));
                    cmd.SetPropExpr(162 - code, TVeskParser());
                    break;
            }
        }
    }
    // Commands in places their indentation cannot say alone.
    b.Add(CC_CALC, 3).SetExprText("Statement", "a = 1");
    b.Add(CC_ELSE, 0);
    b.Add(CC_CALC, -2).SetExprText("Statement", "a = 2");
    b.Add(CC_CALC, 77);
    b.Add(CC_IF, 0).SetExprText("Condition", "a");
    b.Add(CC_CALC, 1).Field(0).Expr.AssignFrom(OddExpression());
    b.Add(CC_TEXTINS, 1).Field(0).Text = "not a glyph stream";
    b.Add(CC_LABEL, 0).SetText("Name", "");
    b.Label(Jp("ラベル"));
}

TEST(RoundTripTest, EveryCommandTypeAndFieldInEveryPageVersion) {
    for (int version : {103, 104, 105, 106, 107, 108, 110, 111, 114}) {
        SCOPED_TRACE(version);
        TPageBuilder all(4, "all.lsb");
        FillEveryCommand(all);
        TPageBuilder other(1, "other.lsb");
        other.Label("start");
        other.Label("start");  // a label defined twice is named by index
        other.Label(Jp("ソ"));
        other.Calc("a = 1");
        std::map<std::string, std::vector<uint8_t>> stored{{"all.lsb", all.Bytes(version)},
                                                           {"other.lsb", other.Bytes(version)}};
        ExpectRoundTrip(stored);
    }
}

// Pages damaged in two bytes that still load read back as source into what they hold. The
// damage is some that a loop of random damage once found (fuzz_page_source goes on with
// that); each case must still give a page that loads, or it tests nothing.
TEST(RoundTripTest, DamagedPagesThatLoadStillRoundTrip) {
    TPageBuilder all(4, "all.lsb");
    FillEveryCommand(all);
    const std::vector<uint8_t> base = all.Bytes();
    struct Damage {
        size_t at[2];
        uint8_t value[2];
    } cases[] = {
        {{7148, 300}, {0x1F, 0x0A}},  {{6372, 9827}, {0x66, 0x7A}}, {{4238, 4784}, {0x13, 0x7B}},
        {{3770, 4215}, {0x23, 0x4C}}, {{1763, 7615}, {0x84, 0x9B}}, {{1842, 340}, {0xE5, 0x81}},
        {{3401, 9381}, {0xF7, 0x60}},
    };
    for (const Damage& d : cases) {
        SCOPED_TRACE(::testing::Message() << d.at[0] << ", " << d.at[1]);
        std::vector<uint8_t> bytes = base;
        for (int k = 0; k < 2; ++k) {
            ASSERT_LT(d.at[k], bytes.size());
            bytes[d.at[k]] = d.value[k];
        }
        TPage page("all.lsb");
        ASSERT_EQ(page.LoadFromBytes(bytes), TPage::LoadResult::Ok)
            << "the page changed: choose damage under which it loads again";
        ExpectRoundTrip({{"all.lsb", page.SaveToBytes(page.Version)}});
    }
}

TEST(RoundTripTest, PropertySetsOfUnusedTypesAndEmptyPages) {
    TPageBuilder b(1, "p.lsb");
    b.Page().UpdatePropertySets();
    b.Page().SetPropBit(CC_SOUND, 28, true);
    b.Page().SetPropBit(CC_MENU, 0, true);
    ExpectRoundTrip({{"p.lsb", b.Page().SaveToBytes()}});
    TPageBuilder empty(2, "e.lsb");
    ExpectRoundTrip({{"e.lsb", empty.Bytes(103)}});
}

// The stored page of `b` with its property-set records laid out again: `count` records of
// `size` bytes, where the bytes the loader skips are filler.
std::vector<uint8_t> Relayout(TPageBuilder& b, int32_t count, int32_t size, int32_t version) {
    std::vector<uint8_t> plain = b.Bytes(version);
    const size_t head = 4 + 1 + 4 + 4;
    const size_t records = size_t(kCommandTypeCount) * kPropertySetBytes;
    MemoryStream m;
    StreamWriter w(m);
    w.Raw(plain.data(), 5);
    w.I32(count);
    w.I32(size);
    for (int32_t i = 0; i < std::max(count, 0); ++i)
        for (int32_t j = 0; j < std::max(size, 0); ++j) {
            bool kept = i < kCommandTypeCount && j < kPropertySetBytes;
            w.U8(kept ? plain[head + size_t(i) * kPropertySetBytes + size_t(j)]
                      : uint8_t(0xA0 + i * 7 + j));
        }
    w.Raw(plain.data() + head + records, plain.size() - head - records);
    return m.Bytes();
}

TEST(RoundTripTest, RecordLayoutsAndTypeBytesAsStored) {
    // Type bytes with the high bit (the player reads only the low seven), and property-set
    // records of other counts and sizes with bytes the loader skips.
    for (auto [count, size] :
         {std::pair{61, 21}, {70, 30}, {61, 25}, {75, 21}, {-2, 21}, {61, 0}, {61, -4}, {100, 0}}) {
        SCOPED_TRACE(std::to_string(count) + "x" + std::to_string(size));
        TPageBuilder b(1, "t.lsb");
        b.Add(CC_CALC).SetExprText("Statement", "a = 1").HighTypeBit = true;
        b.Add(CC_WAIT).SetExprText("Time", "5");
        b.Add(CC_TERMINATE).HighTypeBit = true;
        std::vector<uint8_t> bytes = Relayout(b, count, size, kPageVersionMax);
        ExpectRoundTrip({{"t.lsb", bytes}});
    }
    // Records that hold every set a page of every command type uses, in every version.
    for (int version : {103, 107, 114}) {
        SCOPED_TRACE(version);
        TPageBuilder all(4, "all.lsb");
        FillEveryCommand(all);
        for (int32_t i = 0; i < all.Count(); i += 3) all.At(i).HighTypeBit = true;
        TPageBuilder other(1, "other.lsb");
        other.Label("start");
        ExpectRoundTrip({{"all.lsb", Relayout(all, 64, 24, version)},
                         {"other.lsb", Relayout(other, 61, 22, version)}});
    }
}

TEST(RoundTripTest, ExpressionsThatBeginLikeNamedValues) {
    // Variable names may hold spaces and colons, so "Time: 1000" is an expression; in the
    // place of a value it would read as the Time field, and "PR_LEFT: 5" as a property.
    TPageBuilder b(5, "n.lsb");
    b.Add(CC_WAIT).SetExprText("Condition", "Time: 1000").SetExprText("Time", "3");
    b.Add(CC_WAIT).SetExprText("Time", "BlockEvents: 2");
    b.Add(CC_JUMP).SetText("Page", "n.lsb").SetNum("Target", 0).SetExprText("Condition", "if: x");
    // Texts whose brackets stay open or that end in a comma would take in what follows
    // them, on the line or on the next one: they are written raw.
    b.Add(CC_WAIT).SetExprText("Condition", "a{b, c").SetExprText("Time", "5");
    b.Add(CC_WAIT).SetExprText("Condition", "q{r,");
    b.Add(CC_TERMINATE);
    ExpectRoundTrip({{"n.lsb", b.Bytes()}});
}

TEST(RoundTripTest, DecompiledTextReadsAsWritten) {
    TScriptCompiler c;
    const char* src = R"(VarNew n, int, 0, status
WhileInit i = 0
While i < 3
    Calc n = n + i
WhileLoop i = i + 1
Call other.lsb:go, r, Arguments: ["a", {}]
Jump :end, n > 2
[yield] Wait Time: 100
Calc s = "ソ表ポ" ++ IntToStr(n, 3)
Calc a = -a * (b - (c - d)) + 1 * c
Calc s = "x" ++ IntToStr(a + 1) ++ "y"
TextIns "mes", TRUE
    | こんにちは<BR>
    | ソ表ポ
BoxNew PR_NAME: "bg",
    PR_LEFT: 10,
    PR_COLOR: $0080FF
Label end
)";
    c.AddPage("p.vss", "p.lsb", src);
    c.AddPage("other.vss", "other.lsb", "Calc a = 1\nLabel go\n");
    auto pages = c.Finish();
    std::map<std::string, std::unique_ptr<TPage>> loaded;
    for (auto& p : pages) {
        loaded[p.Name] = std::make_unique<TPage>(p.Name);
        loaded[p.Name]->LoadFromBytes(p.Bytes);
    }
    std::string text = DecompilePage(*loaded["p.lsb"], [&](const std::string& n) {
        return loaded.count(n) ? loaded[n].get() : nullptr;
    });
    EXPECT_EQ(text, src);
}

TEST(RoundTripTest, DemoGamePages) {
    namespace fs = std::filesystem;
    const char* dir = std::getenv("VESK_SOURCE_DIR");
    if (!dir) dir = VESK_TEST_SOURCE_DIR;
    fs::path out = fs::temp_directory_path() / "scriptc-demo-roundtrip";
    fs::remove_all(out);
    BuildGame((fs::path(dir) / "demo").string(), out.string(), {});
    std::map<std::string, std::vector<uint8_t>> stored;
    for (const auto& e : fs::recursive_directory_iterator(out)) {
        if (e.path().extension() != ".lsb") continue;
        std::string name = fs::relative(e.path(), out).generic_string();
        std::replace(name.begin(), name.end(), '/', '\\');
        stored[name] = ReadWholeFile(e.path().string());
    }
    fs::remove_all(out);
    EXPECT_GE(stored.size(), 3u);
    ExpectRoundTrip(stored);
}

TEST(RoundTripTest, TextsWithoutUtf8FormBecomeEscapes) {
    EXPECT_EQ(QuoteText(Jp("ソ") + "\"\\\n\x01"), "\"ソ\\\"\\\\\\n\\x01\"");
    EXPECT_EQ(QuoteText(std::string("\xA0\x83", 2)), "\"\\xA0\\x83\"");
    std::string back, err;
    ASSERT_TRUE(UnquoteText("\"ソ\\x83\\t\"", back, err)) << err;
    EXPECT_EQ(back, Jp("ソ") + "\x83\t");
    EXPECT_EQ(BareOrQuoted("main.lsb"), "main.lsb");
    EXPECT_EQ(BareOrQuoted("two words"), "\"two words\"");
    EXPECT_EQ(ExprSource(OddExpression()).rfind("{raw:", 0), 0u);
}

}  // namespace
}  // namespace vesk::scriptc
