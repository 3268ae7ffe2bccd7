// The VALUE form of variables (the player's --dump-vars, vesktool's --vars and --json) and
// the player's variable listing: every type, arrays, reals to the last bit, and names whose
// bytes only the hex form keeps.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "app/value_json.h"
#include "app/var_dump.h"
#include "base/error.h"
#include "vars/param.h"
#include "vars/param_collection.h"

namespace vesk {
namespace {

using json = nlohmann::ordered_json;

// A store with one variable of every type, an array and two names outside ASCII: "変数"
// converts to UTF-8; 0x85 0x40 is a character CP932 leaves unassigned.
void Fill(TParamCollection& store) {
    store.Create("score", PT_INT, VarScope::Global)->Param()->SetInt(-7);
    TCustomParam* ratio = store.Create("ratio", PT_FLOAT, VarScope::Global)->Param();
    ratio->SetDims({3});
    ratio->SetFloatAt(0, 1.5L);
    ratio->SetFloatAt(1, 1.0L / 3);  // needs all 64 bits of the 80-bit real
    ratio->SetFloatAt(2, -0.25L);
    store.Create("seen", PT_BOOL, VarScope::Global)->Param()->SetFlag(true);
    store.Create("\x95\xcf\x90\x94", PT_STR, VarScope::Global)->Param()->SetStr("\x96\xbc\x91\x4f");
    TCustomParam* grid = store.Create("grid", PT_INT, VarScope::Global)->Param();
    grid->SetDims({2, 3});
    for (int32_t i = 0; i < 6; ++i) grid->SetIntAt(i, i * 10);
    store.Create(std::string("odd\x85\x40"), PT_INT, VarScope::Global)->Param()->SetInt(1);
}

TEST(ValueJsonTest, TheDumpGivesEveryTypeArraysRealsAndHexNames) {
    TParamCollection store;
    Fill(store);
    const json dump = json::parse(VarDumpJson(12, store));
    EXPECT_EQ(dump["frames"], 12);
    const json& vars = dump["vars"];
    ASSERT_EQ(vars.size(), 6u);
    EXPECT_EQ(vars[0], json::parse(R"({"name": {"hex": "73636f7265", "text": "score"},
        "type": 1, "dims": [], "values": [-7]})"));
    // Reals: the 80-bit bytes in hex and a readable text.
    EXPECT_EQ(vars[1]["dims"], json::parse("[3]"));
    EXPECT_EQ(vars[1]["values"][0],
              json::parse(R"({"ext": "00000000000000c0ff3f", "str": "1.5"})"));
    EXPECT_EQ(vars[1]["values"][2]["str"], "-0.25");
    EXPECT_EQ(vars[2]["values"], json::parse("[true]"));
    EXPECT_EQ(vars[3]["name"], json::parse(R"({"hex": "95cf9094", "text": "変数"})"));
    EXPECT_EQ(vars[3]["values"][0], json::parse(R"({"hex": "96bc914f", "text": "名前"})"));
    EXPECT_EQ(vars[4]["dims"], json::parse("[2, 3]"));
    EXPECT_EQ(vars[4]["values"], json::parse("[0, 10, 20, 30, 40, 50]"));
    // Only the hex form keeps bytes that are not CP932.
    EXPECT_EQ(vars[5]["name"]["hex"],
              "6f6464"
              "8540");
}

TEST(ValueJsonTest, VariablesComeBackFromTheirValuesExactly) {
    TParamCollection store;
    Fill(store);
    TParamCollection back;
    LoadVarsJson(back, VarsJson(store));
    EXPECT_EQ(VarsJson(back), VarsJson(store));
    EXPECT_EQ(back.Find("ratio")->Param()->FloatAt(1), 1.0L / 3);
    EXPECT_EQ(back.Find(std::string("odd\x85\x40"))->Param()->AsInt(), 1);

    // Written by hand: names as plain text, reals as numbers or text, missing values zero.
    TParamCollection hand;
    LoadVarsJson(hand, json::parse(R"([
        {"name": "a", "type": 2, "values": [2.5, {"str": "0.125"}]},
        {"name": {"text": "変数"}, "type": 4, "values": ["名前"]},
        {"name": {"hex": "6e"}, "type": 1, "dims": [2, 2], "values": [5]}])"));
    EXPECT_EQ(hand.Find("a")->Param()->FloatAt(0), 2.5L);
    EXPECT_EQ(hand.Find("a")->Param()->FloatAt(1), 0.125L);
    EXPECT_EQ(hand.Find("\x95\xcf\x90\x94")->Param()->AsStr(), "\x96\xbc\x91\x4f");
    TCustomParam* n = hand.Find("n")->Param();
    EXPECT_EQ(n->Count(), 4);
    EXPECT_EQ(n->IntAt(0), 5);
    EXPECT_EQ(n->IntAt(3), 0);

    const char* bad[] = {
        R"({"name": "a", "type": 1})",                               // not a list
        R"([{"name": "a", "type": 5}])",                             // no such type
        R"([{"name": {"hex": "6"}, "type": 1}])",                    // odd hex
        R"([{"name": "a", "type": 2, "values": [{"ext": "00"}]}])",  // short real
        R"([{"name": "a", "type": 1, "dims": [0]}])",                // empty dimension
    };
    for (const char* text : bad) {
        TParamCollection s;
        EXPECT_THROW(LoadVarsJson(s, json::parse(text)), VeskError) << text;
    }
}

TEST(ValueJsonTest, TheListingShowsEachVariableOnALine) {
    TParamCollection store;
    Fill(store);
    EXPECT_EQ(VarListing(4, store),
              "the game ended after 4 frames; its variables:\n"
              "  score = -7\n"
              "  ratio = 1.5, " +
                  VarsJson(store)[1]["values"][1]["str"].get<std::string>() +
                  ", -0.25\n"
                  "  seen = true\n"
                  "  変数 = \"名前\"\n"
                  "  grid = 0, 10, 20, 30, 40, 50\n"
                  "  " +
                  VarsJson(store)[5]["name"]["text"].get<std::string>() + " = 1\n");
}

}  // namespace
}  // namespace vesk
