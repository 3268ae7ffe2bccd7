// Loading and writing pages: every command type round-trips, version conditions, the
// property-set table and malformed pages.
#include <gtest/gtest.h>

#include "base/cp932.h"
#include "base/error.h"
#include "script/commands.h"
#include "script/page.h"
#include "script/page_builder.h"
#include "vars/param_collection.h"

namespace vesk {
namespace {

// Fills every field of a command with something distinct, so a field read in the wrong
// order or skipped shows up as a difference.
void FillFields(TCommand& c, int seed) {
    for (size_t i = 0; i < c.FieldCount(); ++i) {
        TCommandField& f = c.Field(i);
        std::string n = std::to_string(seed * 10 + int(i));
        switch (f.Kind) {
            case FieldKind::Expr:
                c.SetExprText(f.Name, "a = " + n);
                break;
            case FieldKind::Str:
                c.SetText(f.Name, "s" + n);
                break;
            case FieldKind::Int:
                c.SetNum(f.Name, seed * 100 + int(i));
                break;
            case FieldKind::Byte:
                c.SetNum(f.Name, seed + int(i));
                break;
            case FieldKind::Block:
                f.Text = std::string("\x00\x01text", 6) + n;
                break;
            case FieldKind::ExprList:
                c.SetExprList(f.Name, {n, "", "\"x\""});
                break;
            case FieldKind::Props:
                c.SetPropText(0, "\"obj" + n + "\"");
                c.SetPropText(3, n);
                c.SetPropText(162, "1 + " + n);
                break;
        }
    }
}

TEST(PageTest, EveryCommandTypeRoundTripsThroughTheWriter) {
    TPageBuilder b(PT_STR);
    for (int code = 0; code < kCommandTypeCount; ++code) {
        TCommand& c = b.Add(uint8_t(code), code % 3);
        c.Disabled = code % 2;
        c.RunNext = code % 5 != 0;
        c.LineNo = 1000 + code;
        FillFields(c, code);
    }
    std::vector<uint8_t> bytes = b.Bytes();

    TPage page("p.lsb");
    ASSERT_EQ(page.LoadFromBytes(bytes), TPage::LoadResult::Ok);
    ASSERT_EQ(page.Count(), kCommandTypeCount);
    EXPECT_EQ(page.Version, kPageVersionMax);
    EXPECT_EQ(page.ResultType, PT_STR);
    for (int code = 0; code < kCommandTypeCount; ++code) {
        TCommand* c = page.At(code);
        EXPECT_EQ(c->GetType(), code);
        EXPECT_EQ(c->Indent, code % 3);
        EXPECT_EQ(c->LineNo, 1000 + code);
    }
    EXPECT_EQ(page.SaveToBytes(), bytes);
    // Spot checks through the classes.
    EXPECT_NE(dynamic_cast<TComCall*>(page.At(CC_CALL)), nullptr);
    EXPECT_NE(dynamic_cast<TComCabinetLoad*>(page.At(CC_LOADCABINET)), nullptr);
    EXPECT_NE(dynamic_cast<TComControl*>(page.At(CC_PREVMENUNEW)), nullptr);
    EXPECT_EQ(page.At(CC_CALL)->Field(TComCall::fArguments).List.size(), 3u);
    EXPECT_EQ(static_cast<TComTextIns*>(page.At(CC_TEXTINS))->TextBlock().substr(0, 6),
              std::string("\x00\x01text", 6));
    ASSERT_NE(page.At(CC_BOXNEW)->Prop(162), nullptr);
    EXPECT_EQ(page.At(CC_BOXNEW)->Prop(5), nullptr);
}

TEST(PageTest, VersionConditionsDecideWhichFieldsAreStored) {
    // Each row: a command whose last field is newer than `before`.
    struct Case {
        uint8_t code;
        const char* field;
        int32_t before;
    };
    const Case cases[] = {
        {CC_WAIT, "BlockEvents", 106},    {CC_FLIP, "BlockEvents", 106},
        {CC_TEXTINS, "BlockEvents", 106}, {CC_MOVIESTOP, "BlockEvents", 106},
        {CC_CALLHIST, "Format", 110},     {CC_FORMATHIST, "Format", 110},
        {CC_PROPMOTION, "Paused", 107},   {CC_GAMESAVE, "LoadTarget", 104},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(CommandName(k.code));
        for (int32_t version : {k.before, k.before + 1}) {
            TPageBuilder b;
            TCommand& c = b.Add(k.code);
            FillFields(c, 7);
            b.Label("after");
            TPage page;
            ASSERT_EQ(page.LoadFromBytes(b.Bytes(version)), TPage::LoadResult::Ok);
            ASSERT_EQ(page.Count(), 2);
            EXPECT_EQ(page.FindLabel("after"), 1);
            TCommandField* f = page.At(0)->FindField(k.field);
            ASSERT_NE(f, nullptr);
            EXPECT_EQ(f->Present, version > k.before);
            EXPECT_EQ(f->Kind == FieldKind::Int ? f->Num != 0 : !f->Expr.Ops.empty(),
                      version > k.before);
        }
    }
}

TEST(PageTest, VersionsOutsideTheReadableRange) {
    TPageBuilder b;
    b.Calc("a = 1");
    TPage page;
    EXPECT_EQ(page.LoadFromBytes(b.Bytes(115)), TPage::LoadResult::TooNew);
    EXPECT_EQ(page.Count(), 0);
    EXPECT_EQ(page.LoadFromBytes(b.Bytes(102)), TPage::LoadResult::TooOld);
    EXPECT_EQ(page.Count(), 0);
    EXPECT_EQ(page.LoadFromBytes(b.Bytes(103)), TPage::LoadResult::Ok);
    EXPECT_EQ(page.Count(), 1);
}

// A page written by hand: property-set records of `size` bytes, `count` of them, where
// record 8 (BoxNew) sets PR_LEFT and PR_TOP and every other byte is filler.
std::vector<uint8_t> HandPage(int32_t count, int32_t size) {
    MemoryStream m;
    StreamWriter w(m);
    w.I32(114);
    w.U8(1);
    w.I32(count);
    w.I32(size);
    for (int32_t i = 0; i < count; ++i)
        for (int32_t j = 0; j < size; ++j) {
            uint8_t b = 0;
            if (j >= kPropertySetBytes || i >= kCommandTypeCount)
                b = 0xFF;  // must be skipped
            else if (i == CC_BOXNEW && j == 0)
                b = 0x18;  // bits 3 and 4
            w.U8(b);
        }
    w.I32(2);
    w.U8(CC_BOXNEW);
    w.I32(0), w.U8(0), w.U8(1), w.I32(1);
    TVeskParser e;
    CompileExpr("10", e);
    e.SaveToStream(m);
    CompileExpr("20", e);
    e.SaveToStream(m);
    w.U8(CC_IMGNEW);  // its set is empty: header only
    w.I32(0), w.U8(0), w.U8(1), w.I32(2);
    return m.Bytes();
}

TEST(PageTest, PropertySetRecordsOfOtherSizesAndCounts) {
    for (auto [count, size] : {std::pair{61, 21}, {70, 30}, {61, 25}, {70, 21}}) {
        SCOPED_TRACE(std::to_string(count) + "x" + std::to_string(size));
        TPage page;
        ASSERT_EQ(page.LoadFromBytes(HandPage(count, size)), TPage::LoadResult::Ok);
        ASSERT_EQ(page.Count(), 2);
        EXPECT_TRUE(page.HasProp(CC_BOXNEW, 3));
        EXPECT_TRUE(page.HasProp(CC_BOXNEW, 4));
        EXPECT_FALSE(page.HasProp(CC_BOXNEW, 5));
        ASSERT_NE(page.At(0)->Prop(4), nullptr);
        EXPECT_EQ(page.At(0)->Field(0).List.size(), 2u);
        EXPECT_TRUE(page.At(1)->Field(0).List.empty());
        EXPECT_EQ(page.At(1)->LineNo, 2);
    }
}

TEST(PageTest, StoredRecordLayoutsWriteBackAsRead) {
    // Other record sizes and counts, with the filler the loader skips, and a command whose
    // type byte has the high bit: written again, the page is the same bytes.
    for (auto [count, size] : {std::pair{70, 30}, {61, 25}, {70, 21}, {9, 21}, {61, 1}, {9, 4}}) {
        SCOPED_TRACE(std::to_string(count) + "x" + std::to_string(size));
        std::vector<uint8_t> bytes = HandPage(count, size);
        bytes[4 + 1 + 4 + 4 + size_t(count * size) + 4] |= 0x80;
        TPage page;
        ASSERT_EQ(page.LoadFromBytes(bytes), TPage::LoadResult::Ok);
        EXPECT_EQ(page.At(0)->GetType(), CC_BOXNEW);
        EXPECT_EQ(page.PropertySetCount, count);
        EXPECT_EQ(page.PropertySetSize, size);
        EXPECT_EQ(page.SaveToBytes(page.Version), bytes);
    }
    // Negative counts and sizes read as no records and are written as they stood.
    for (auto [count, size] : {std::pair{-1, 21}, {61, -7}, {-3, -3}, {0x7FFFFFFF, 0}}) {
        MemoryStream m;
        StreamWriter w(m);
        w.I32(110), w.U8(1), w.I32(count), w.I32(size), w.I32(0);
        TPage page;
        ASSERT_EQ(page.LoadFromBytes(m.Bytes()), TPage::LoadResult::Ok);
        EXPECT_EQ(page.SaveToBytes(110), m.Bytes()) << count << "x" << size;
    }
}

TEST(PageTest, SetsThatOutgrowTheStoredLayoutAreWrittenInTheUsualOne) {
    // Nine records of one byte cannot hold property 100 of BoxNew: the page is written with
    // 61 records of 21 bytes, and nothing is lost.
    TPage page;
    ASSERT_EQ(page.LoadFromBytes(HandPage(9, 1)), TPage::LoadResult::Ok);
    ASSERT_TRUE(page.PropertySetsFitLayout());
    page.SetPropBit(CC_BOXNEW, 100, true);
    page.SetPropBit(CC_SOUND, 0, true);
    EXPECT_FALSE(page.PropertySetsFitLayout());
    TPage again;
    ASSERT_EQ(again.LoadFromBytes(page.SaveToBytes()), TPage::LoadResult::Ok);
    EXPECT_EQ(again.PropertySetCount, kCommandTypeCount);
    EXPECT_EQ(again.PropertySetSize, kPropertySetBytes);
    EXPECT_EQ(again.PropertySet, page.PropertySet);
    ASSERT_EQ(again.Count(), 2);
    EXPECT_NE(again.At(0)->Prop(4), nullptr);
    // So are records whose skipped bytes went missing.
    TPage wide;
    ASSERT_EQ(wide.LoadFromBytes(HandPage(70, 30)), TPage::LoadResult::Ok);
    wide.PropertySetRest.pop_back();
    ASSERT_EQ(again.LoadFromBytes(wide.SaveToBytes()), TPage::LoadResult::Ok);
    EXPECT_EQ(again.PropertySetCount, kCommandTypeCount);
    EXPECT_EQ(again.PropertySet, wide.PropertySet);
}

TEST(PageTest, ShortRecordsLeaveTheRestOfTheSetEmpty) {
    // Records of 1 byte: only the first eight properties can be set.
    MemoryStream m;
    StreamWriter w(m);
    w.I32(110), w.U8(1), w.I32(9), w.I32(1);
    for (int i = 0; i < 9; ++i) w.U8(i == CC_BOXNEW ? 0x01 : 0);
    w.I32(0);
    TPage page;
    page.SetPropBit(CC_BOXNEW, 100, true);  // loading replaces what was there
    ASSERT_EQ(page.LoadFromBytes(m.Bytes()), TPage::LoadResult::Ok);
    EXPECT_TRUE(page.HasProp(CC_BOXNEW, 0));
    EXPECT_FALSE(page.HasProp(CC_BOXNEW, 100));
}

TEST(PageTest, TypeByteIsMaskedAndUnknownTypesFail) {
    TPageBuilder b;
    b.Add(CC_CALL).SetText("Page", "x.lsb");
    std::vector<uint8_t> bytes = b.Bytes();
    size_t typeAt = 4 + 1 + 4 + 4 + kCommandTypeCount * kPropertySetBytes + 4;
    ASSERT_EQ(bytes[typeAt], CC_CALL);
    bytes[typeAt] = 0x85;
    TPage page;
    ASSERT_EQ(page.LoadFromBytes(bytes), TPage::LoadResult::Ok);
    EXPECT_NE(dynamic_cast<TComCall*>(page.At(0)), nullptr);
    EXPECT_EQ(page.At(0)->GetType(), CC_CALL);
    // The bit means nothing to the player, but the page is written as it was read.
    EXPECT_TRUE(page.At(0)->HighTypeBit);
    EXPECT_EQ(page.SaveToBytes(), bytes);

    bytes[typeAt] = 61;
    try {
        page.LoadFromBytes(bytes);
        FAIL() << "an unknown command type must fail";
    } catch (const VeskError& e) {
        EXPECT_EQ(e.Text(), VESK_JP("不正なコマンド"));
    }
    EXPECT_EQ(page.Count(), 0);
    bytes[typeAt] = 0x80 | 61;
    EXPECT_THROW(page.LoadFromBytes(bytes), VeskError);
}

TEST(PageTest, TruncatedAndHostilePagesFailCleanly) {
    TPageBuilder b;
    TCommand& c = b.Add(CC_CALL);
    FillFields(c, 3);
    b.Add(CC_TEXTINS).SetText("TextBlock", "hello");
    std::vector<uint8_t> bytes = b.Bytes();
    for (size_t n = 0; n < bytes.size(); ++n) {
        TPage page;
        std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + ptrdiff_t(n));
        if (n < 4) {
            EXPECT_THROW(page.LoadFromBytes(cut), VeskError) << n;
            continue;
        }
        try {
            page.LoadFromBytes(cut);
            ADD_FAILURE() << "a page cut at " << n << " loaded";
        } catch (const VeskError&) {
            EXPECT_EQ(page.Count(), 0);
        }
    }
    // Huge counts are refused before anything is allocated.
    MemoryStream m;
    StreamWriter w(m);
    w.I32(114), w.U8(1), w.I32(0x7FFFFFFF), w.I32(0x7FFFFFFF);
    TPage page;
    EXPECT_THROW(page.LoadFromBytes(m.Bytes()), VeskError);
    MemoryStream m2;
    StreamWriter w2(m2);
    w2.I32(114), w2.U8(1), w2.I32(0), w2.I32(0), w2.I32(0x7FFFFFFF);
    EXPECT_THROW(page.LoadFromBytes(m2.Bytes()), VeskError);
    // Two billion empty records are nothing to read and take no time.
    MemoryStream m3;
    StreamWriter w3(m3);
    w3.I32(114), w3.U8(1), w3.I32(0x7FFFFFFF), w3.I32(0), w3.I32(0);
    EXPECT_EQ(page.LoadFromBytes(m3.Bytes()), TPage::LoadResult::Ok);
}

TEST(PageTest, LabelsAndCommentsMatchExactly) {
    TPageBuilder b;
    b.Calc("a = 1");
    b.Add(CC_COMMENT).SetText("Text", "Top");
    b.Label("top");
    b.Label("Top");
    EXPECT_EQ(b.Page().FindLabel("top"), 2);
    EXPECT_EQ(b.Page().FindLabel("Top"), 1);  // a comment answers too
    EXPECT_EQ(b.Page().FindLabel("TOP"), -1);
    EXPECT_EQ(b.Page().IndexOf(b.Page().At(3)), 3);
    EXPECT_TRUE(b.Page().At(1)->GetDisabled());
}

TEST(PageTest, FreeingAPageDeletesItsPageVariable) {
    TParamCollection store;
    store.Create("\x01pages\\a.lsb", PT_INT, VarScope::Global);
    store.Create("other", PT_INT, VarScope::Global);
    { TPage page("pages\\a.lsb", &store); }
    EXPECT_EQ(store.Find("\x01pages\\a.lsb"), nullptr);
    EXPECT_NE(store.Find("other"), nullptr);
}

TEST(PageTest, StateTagIsReadOnlyWhenPresent) {
    MemoryStream m;
    StreamWriter w(m);
    WriteStateTag(w);
    w.I32(5);
    m.Seek(0, SeekFrom::Begin);
    StreamReader r(m);
    EXPECT_EQ(ReadStateTag(r), 100);
    EXPECT_EQ(r.I32(), 5);

    MemoryStream old;
    StreamWriter wo(old);
    wo.I32(77);
    wo.I32(1);
    old.Seek(0, SeekFrom::Begin);
    StreamReader ro(old);
    EXPECT_EQ(ReadStateTag(ro), 0);
    EXPECT_EQ(ro.I32(), 77);
}

}  // namespace
}  // namespace vesk
