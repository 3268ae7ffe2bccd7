// Expressions folded back into text, and the page listing built on it.
#include <gtest/gtest.h>

#include "base/cp932.h"
#include "script/expr_text.h"
#include "script/page_builder.h"
#include "script/page_listing.h"

namespace vesk {
namespace {

TEST(ListingTest, ExpressionsReadBackAsText) {
    struct Case {
        const char* source;
        const char* text;
    };
    const Case cases[] = {
        {"", ""},
        {"a = b + 1 * c", "a = b + (1 * c)"},
        {"(a + b) * 2", "(a + b) * 2"},
        {"a[1, i + 1] = -3", "a[1, i + 1] = -3"},
        {"\"x\\\"y\" ++ IntToStr(n)", "\"x\\\"y\" ++ IntToStr(n)"},
        {"x <> 2", "x <> 2"},
        {"-x", "-x"},
        {"s = Copy(t, 1, Length(t) - 1)", "s = Copy(t, 1, Length(t) - 1)"},
        {"1.5", "1.5"},
        // The trail byte 0x5C of a double-byte character is not an escape.
        {"s = \"\x83\x5C\\\\\" ++ t", "s = \"\x83\x5C\\\\\" ++ t"},
    };
    for (const Case& k : cases) {
        TVeskParser p;
        CompileExpr(k.source, p);
        EXPECT_EQ(ExprToText(p), k.text) << k.source;
        // The text compiles back to an expression that reads the same.
        TVeskParser again;
        CompileExpr(ExprToText(p), again);
        EXPECT_EQ(ExprToText(again), k.text) << k.source;
    }
}

TEST(ListingTest, PropertyNamesAndTheApplyOrder) {
    EXPECT_STREQ(PropertyName(0), "PR_NAME");
    EXPECT_STREQ(PropertyName(100), "PR_POSZOOMED");
    EXPECT_STREQ(PropertyName(132), "PR_ZOOMY");
    EXPECT_STREQ(PropertyName(162), "PR_REPEATPOS");
    EXPECT_EQ(PropertyName(163), nullptr);
    EXPECT_EQ(FindPropertyName("PR_ALPHA"), 11);
    const auto& order = PropertyApplyOrder();
    std::vector<bool> seen(kPropertyCount);
    for (uint8_t k : order) {
        ASSERT_LT(k, kPropertyCount);
        EXPECT_FALSE(seen[k]) << int(k);
        seen[k] = true;
    }
    EXPECT_EQ(order[4], 132);  // PR_ZOOMY comes early
    EXPECT_EQ(order[162], FindPropertyName("PR_MUTEONLOAD"));
    EXPECT_EQ(FindCommandName("FormatHist"), CC_FORMATHIST);
    EXPECT_EQ(CommandCaption(CC_LABEL), VESK_JP("ラベル"));
}

TEST(ListingTest, PageListingShowsEveryField) {
    TPageBuilder b(1, "main.lsb");
    b.If("a == 1");
    TCommand& call = b.Add(CC_CALL, 1)
                         .SetText("Page", "sub.lsb")
                         .SetNum("Target", 2)
                         .SetExprText("Condition", "1")
                         .SetExprList("Arguments", {"\"x\"", ""});
    call.Disabled = 1;
    call.LineNo = 40;
    b.Add(CC_BOXNEW).SetPropText(5, "10").SetPropText(0, "\"box\"");
    b.Add(CC_TEXTINS).SetText("TextBlock", std::string(12, 'x'));
    std::string listing = ListPage(b.Page());
    EXPECT_EQ(listing,
              "page \"main.lsb\"  version 114  result type 1  commands 4\n"
              "    0 -n     1  If  Condition=(a == 1)\n"
              "    1 dn    40    Call  Page=\"sub.lsb\"  Target=2  ResultVar=\"\"  "
              "Condition=(1)  Arguments=[(\"x\"), ()]\n"
              "    2 -n     3  BoxNew  PR_NAME=(\"box\")  PR_WIDTH=(10)\n"
              "    3 -n     4  TextIns  TextBlock=<12 bytes>  Target=()  TrackRead=()  "
              "Wait=()  BlockEvents=()\n");
}

}  // namespace
}  // namespace vesk
