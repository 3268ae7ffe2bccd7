#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/error.h"
#include "base/stream.h"
#include "vars/conv.h"
#include "vars/db_manager.h"
#include "vars/param.h"

namespace vesk::test {
namespace {

std::unique_ptr<TCustomParam> Strs(std::initializer_list<const char*> items) {
    auto p = MakeParam(PT_STR);
    p->SetDims({int32_t(items.size())});
    int32_t i = 0;
    for (const char* s : items) p->SetStrAt(i++, s);
    return p;
}
template <class T>
std::unique_ptr<TCustomParam> List(uint8_t type, std::initializer_list<T> items) {
    auto p = MakeParam(type);
    p->SetDims({int32_t(items.size())});
    int32_t i = 0;
    for (const T& v : items) {
        if constexpr (std::is_same_v<T, bool>)
            p->SetFlagAt(i++, v);
        else if constexpr (std::is_same_v<T, int>)
            p->SetIntAt(i++, v);
        else
            p->SetFloatAt(i++, v);
    }
    return p;
}

// A table with one column of each type: i int, r real, f flag, s string of 3.
void FourColumns(TDBTable& t) {
    ASSERT_EQ(t.AddField("i", 1, 0), 0);
    ASSERT_EQ(t.AddField("r", 2, 0), 1);
    ASSERT_EQ(t.AddField("f", 3, 0), 2);
    ASSERT_EQ(t.AddField("s", 4, 3), 3);
}

TEST(DBTable, RecordLayoutIsColumnsBackToBack) {
    TDBTable t;
    FourColumns(t);
    EXPECT_EQ(t.Fields.RecordSize(), 4 + 10 + 1 + 4);
    EXPECT_EQ(t.Fields.Offset(3), 15);
    ASSERT_TRUE(t.Append());
    t.SetInt(0, 0, -2);
    t.SetReal(0, 1, 1.5L);
    t.SetFlag(0, 2, true);
    t.SetStr(0, 3, "abcdef");
    const uint8_t* r = t.Record(0);
    EXPECT_EQ(std::vector<uint8_t>(r, r + 4), (std::vector<uint8_t>{0xFE, 0xFF, 0xFF, 0xFF}));
    uint8_t ext[10];
    EncodeExt80(1.5L, ext);
    EXPECT_EQ(std::vector<uint8_t>(r + 4, r + 14), std::vector<uint8_t>(ext, ext + 10));
    EXPECT_EQ(r[14], 1);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(r + 15), 4), std::string("abc\0", 4));
}

TEST(DBTable, CellConversions) {
    // Stored through one setter, read back through every getter.
    struct Case {
        int col;
        const char* stored;  // as text, through SetStr, or a number through SetReal
        Real real;
        bool useReal;
        int32_t asInt;
        const char* asStr;
        bool asFlag;
    };
    const Case cases[] = {
        {0, "42", 0, false, 42, "42", true},
        {0, "x", 0, false, 0, "0", false},       // text that is no number
        {0, nullptr, 2.5L, true, 2, "2", true},  // a real into an integer rounds
        {0, nullptr, 3.5L, true, 4, "4", true},  // ties to even
        {0, nullptr, -2.5L, true, -2, "-2", true},
        {1, nullptr, 2.5L, true, 2, "2.5", true},  // read as integer: ties to even
        {1, nullptr, 3.5L, true, 4, "3.5", true},
        {1, nullptr, 0.0L, true, 0, "0", false},
        {1, "1e3", 0, false, 1000, "1000", true},
        {2, "TRUE", 0, false, 1, "TRUE", true},
        {2, "true", 0, false, 0, "FALSE", false},  // only exactly TRUE
        {2, nullptr, 0.25L, true, 1, "TRUE", true},
        {3, "abcdef", 0, false, 0, "abc", false},  // cut to the column's 3 bytes
        {3, "12", 0, false, 12, "12", false},
        {3, "TRUE", 0, false, 0, "TRU", false},
    };
    for (const Case& c : cases) {
        TDBTable t;
        FourColumns(t);
        t.Append();
        if (c.useReal)
            ASSERT_TRUE(t.SetReal(0, c.col, c.real));
        else
            ASSERT_TRUE(t.SetStr(0, c.col, c.stored));
        int32_t i;
        std::string s;
        bool f;
        ASSERT_TRUE(t.GetInt(0, c.col, i));
        t.GetStr(0, c.col, s);
        t.GetFlag(0, c.col, f);
        const std::string what = std::to_string(c.col) + " " + (c.stored ? c.stored : "real");
        EXPECT_EQ(i, c.asInt) << what;
        EXPECT_EQ(s, c.asStr) << what;
        EXPECT_EQ(f, c.asFlag) << what;
    }
}

TEST(DBTable, FlagsAndNumbersWrittenIntoAShortStringColumnAreCut) {
    TDBTable t;
    FourColumns(t);
    t.Append();
    std::string s;
    t.SetFlag(0, 3, false);
    t.GetStr(0, 3, s);
    EXPECT_EQ(s, "FAL");
    t.SetInt(0, 3, 123456);
    t.GetStr(0, 3, s);
    EXPECT_EQ(s, "123");
    t.SetReal(0, 3, 0.125L);
    t.GetStr(0, 3, s);
    EXPECT_EQ(s, "0.1");
}

TEST(DBTable, MissingRecordOrColumnFailsWithDefaults) {
    TDBTable t;
    FourColumns(t);
    int32_t i = 7;
    std::string s = "x";
    EXPECT_FALSE(t.GetInt(0, 0, i));
    EXPECT_EQ(i, 0);
    t.Append();
    EXPECT_FALSE(t.GetStr(0, 4, s));
    EXPECT_EQ(s, "");
    EXPECT_FALSE(t.SetInt(1, 0, 1));
    EXPECT_FALSE(t.SetInt(0, -1, 1));
}

TEST(DBTable, NavigationAndDeletion) {
    TDBTable t;
    t.AddField("n", 1, 0);
    EXPECT_FALSE(t.First());
    EXPECT_FALSE(t.Next());
    for (int k = 0; k < 3; ++k) {
        t.Append();
        t.SetInt(k, 0, k * 10);
    }
    EXPECT_EQ(t.RecNo(), 2);
    EXPECT_FALSE(t.Next());  // on the last record: stays
    EXPECT_EQ(t.RecNo(), 2);
    EXPECT_TRUE(t.Prior());
    EXPECT_TRUE(t.First());
    EXPECT_FALSE(t.Prior());
    EXPECT_EQ(t.RecNo(), 0);
    EXPECT_TRUE(t.SetRecNo(-5));
    EXPECT_EQ(t.RecNo(), -1);
    EXPECT_FALSE(t.Next());  // no current record
    EXPECT_FALSE(t.Prior());
    EXPECT_FALSE(t.SetRecNo(3));
    EXPECT_EQ(t.RecNo(), -1);
    t.DeleteCurrent();  // nothing current: nothing happens
    EXPECT_EQ(t.RecordCount(), 3);

    t.SetRecNo(2);
    t.DeleteCurrent();  // the last: the new last becomes current
    EXPECT_EQ(t.RecNo(), 1);
    t.SetRecNo(0);
    t.DeleteCurrent();  // the gap closes
    int32_t v;
    t.GetInt(0, 0, v);
    EXPECT_EQ(v, 10);
    EXPECT_EQ(t.RecNo(), 0);
    t.DeleteCurrent();  // the only record
    EXPECT_EQ(t.RecordCount(), 0);
    EXPECT_EQ(t.RecNo(), -1);
}

TEST(DBTable, AddingAColumnGivesEveryRecordZero) {
    TDBTable t;
    t.AddField("a", 1, 0);
    t.Append();
    t.SetInt(0, 0, 5);
    t.Append();
    EXPECT_EQ(t.AddField("b", 4, 5), 1);
    EXPECT_EQ(t.AddField("c", 2, 0), 2);
    EXPECT_EQ(t.AddField("bad", 5, 0), -1);
    EXPECT_EQ(t.AddField("bad", 0, 0), -1);
    EXPECT_EQ(t.Fields.Count(), 3u);
    for (int32_t r = 0; r < 2; ++r) {
        std::string s = "x";
        Real x = 1;
        t.GetStr(r, 1, s);
        t.GetReal(r, 2, x);
        EXPECT_EQ(s, "");
        EXPECT_EQ(x, 0.0L);
    }
    int32_t v;
    t.GetInt(0, 0, v);
    EXPECT_EQ(v, 5);
}

TEST(DBTable, ColumnNamesFoundWithoutRegardToCaseFirstMatchWins) {
    TDBTable t;
    t.AddField("Name", 4, 10);
    t.AddField("NAME", 1, 0);
    EXPECT_EQ(t.Fields.IndexOf("name"), 0);
    EXPECT_EQ(t.Fields.IndexOf("nope"), -1);
}

// Records of (name, age, score, ok).
void People(TDBTable& t) {
    t.AddField("name", 4, 20);
    t.AddField("age", 1, 0);
    t.AddField("score", 2, 0);
    t.AddField("ok", 3, 0);
    struct P {
        const char* n;
        int a;
        Real s;
        bool ok;
    };
    for (P p : {P{"Alice", 30, 1.5L, true}, P{"bob", 25, 2.5L, false}, P{"Carol", 30, 0.5L, true},
                P{"alice", 41, 1.5L, false}, P{"Dave", 25, 3.0L, true}}) {
        t.Append();
        t.SetStr(t.RecNo(), 0, p.n);
        t.SetInt(t.RecNo(), 1, p.a);
        t.SetReal(t.RecNo(), 2, p.s);
        t.SetFlag(t.RecNo(), 3, p.ok);
    }
}

std::string Names(const TDBTable& t, const TDBRecordList& recs) {
    std::string r;
    for (int32_t i : recs) {
        std::string s;
        t.GetStr(i, 0, s);
        r += (r.empty() ? "" : ",") + s;
    }
    return r;
}

TEST(DBTable, FindRecords) {
    TDBTable t;
    People(t);
    struct Case {
        std::unique_ptr<TCustomParam> names, values;
        bool ignoreCase, partial;
        const char* found;
    };
    std::vector<Case> cases;
    cases.push_back({Strs({"name"}), Strs({"alice"}), false, false, "alice"});
    cases.push_back({Strs({"name"}), Strs({"alice"}), true, false, "Alice,alice"});
    cases.push_back({Strs({"name"}), Strs({"LI"}), true, true, "Alice,alice"});
    cases.push_back({Strs({"name"}), Strs({"li"}), false, true, "Alice,alice"});
    cases.push_back({Strs({"name"}), Strs({"LI"}), false, true, ""});
    cases.push_back({Strs({"name"}), Strs({"o"}), false, true, "bob,Carol"});
    cases.push_back({Strs({"age"}), List<int>(PT_INT, {30}), false, false, "Alice,Carol"});
    cases.push_back({Strs({"age", "ok"}), List<int>(PT_INT, {25, 1}), false, false, "Dave"});
    cases.push_back({Strs({"score"}), List<Real>(PT_FLOAT, {1.5L}), false, false, "Alice,alice"});
    cases.push_back({Strs({"ok"}), List<bool>(PT_BOOL, {false}), false, false, "bob,alice"});
    // The values' type decides: the integer column read as text.
    cases.push_back({Strs({"age"}), Strs({"4"}), false, true, "alice"});
    // Only as many pairs as the shorter list.
    cases.push_back({Strs({"age", "name"}), List<int>(PT_INT, {25}), false, false, "bob,Dave"});
    // A name no column has stops the search at once.
    cases.push_back({Strs({"nope"}), Strs({"x"}), false, false, ""});
    for (Case& c : cases) {
        const std::string what = c.names->StrAt(0) + "=" + c.values->StrAt(0);
        EXPECT_EQ(Names(t, t.FindRecords(c.names.get(), c.values.get(), c.ignoreCase, c.partial)),
                  c.found)
            << what;
    }
    EXPECT_EQ(t.FindRecords(nullptr, Strs({"x"}).get(), false, false).size(), 5u);
}

TEST(DBTable, FindRecordsStopsAtAMissingColumnKeepingWhatItFound) {
    TDBTable t;
    People(t);
    // The second pair names no column: the first record ends the search before any match
    // is kept.
    auto names = Strs({"age", "nope"});
    auto values = List<int>(PT_INT, {30, 1});
    EXPECT_TRUE(t.FindRecords(names.get(), values.get(), false, false).empty());
}

TEST(DBTable, SortByKeysInOrderStableForEqualKeys) {
    struct Case {
        std::unique_ptr<TCustomParam> names, flags;
        const char* order;
    };
    std::vector<Case> cases;
    cases.push_back({Strs({"age"}), List<bool>(PT_BOOL, {false}), "bob,Dave,Alice,Carol,alice"});
    cases.push_back({Strs({"age"}), List<bool>(PT_BOOL, {true}), "alice,Alice,Carol,bob,Dave"});
    cases.push_back(
        {Strs({"age", "name"}), List<bool>(PT_BOOL, {false, true}), "bob,Dave,Carol,Alice,alice"});
    // Strings by bytes: capitals first.
    cases.push_back({Strs({"name"}), List<bool>(PT_BOOL, {false}), "Alice,Carol,Dave,alice,bob"});
    cases.push_back({Strs({"score"}), List<bool>(PT_BOOL, {false}), "Carol,Alice,alice,bob,Dave"});
    cases.push_back({Strs({"ok"}), List<bool>(PT_BOOL, {false}), "bob,alice,Alice,Carol,Dave"});
    // Unknown names are skipped; only as many keys as the shorter list.
    cases.push_back({Strs({"nope", "age", "name"}), List<bool>(PT_BOOL, {false, false}),
                     "bob,Dave,Alice,Carol,alice"});
    cases.push_back({Strs({"nope"}), List<bool>(PT_BOOL, {true}), "Alice,bob,Carol,alice,Dave"});
    for (Case& c : cases) {
        TDBTable t;
        People(t);
        t.Sort(*c.names, *c.flags);
        EXPECT_EQ(Names(t, t.FindRecords(nullptr, nullptr, false, false)), c.order)
            << c.names->StrAt(0);
    }
}

TEST(DBTable, LoadTsv) {
    TDBTable t;
    t.AddField("old", 1, 0);
    t.Append();
    std::vector<std::string> lines = {
        " name str 10\tage int\tok bool\tnote\tx float",
        "Alice\t30\tTRUE\tsay \\\"hi\\\"\\nbye\t1.25",
        "",
        "a very long name indeed\tnot a number\tyes",  // ragged, overlong, non-numeric
        "Bob\t7\tTRUE\tback\\\\slash\t2\textra cell",
    };
    ASSERT_TRUE(t.LoadTsv(lines));
    ASSERT_EQ(t.Fields.Count(), 5u);
    EXPECT_EQ(t.Fields.At(0).Size, 11);
    EXPECT_EQ(t.Fields.At(1).FieldType, 1);
    EXPECT_EQ(t.Fields.At(2).FieldType, 3);
    EXPECT_EQ(t.Fields.At(3).FieldType, 4);
    EXPECT_EQ(t.Fields.At(3).Size, 81);  // no length: 80
    EXPECT_EQ(t.Fields.At(4).FieldType, 2);
    ASSERT_EQ(t.RecordCount(), 3);
    std::string s;
    int32_t n;
    bool f;
    Real x;
    t.GetStr(0, 3, s);
    EXPECT_EQ(s, "say \"hi\"\r\nbye");
    t.GetReal(0, 4, x);
    EXPECT_EQ(x, 1.25L);
    t.GetStr(1, 0, s);
    EXPECT_EQ(s, "a very lon");
    t.GetInt(1, 1, n);
    EXPECT_EQ(n, 0);
    t.GetFlag(1, 2, f);
    EXPECT_FALSE(f);
    t.GetStr(1, 3, s);
    EXPECT_EQ(s, "");
    t.GetStr(2, 3, s);
    EXPECT_EQ(s, "back\\slash");
    t.GetFlag(2, 2, f);
    EXPECT_TRUE(f);
}

TEST(DBTable, LoadTsvKeepsDoubleByteCharactersWhole) {
    TDBTable t;
    // 0x95 0x5C is one character whose second byte is a backslash: not an escape.
    ASSERT_TRUE(t.LoadTsv({"s",
                           "\x95\x5C"
                           "n"}));
    std::string s;
    t.GetStr(0, 0, s);
    EXPECT_EQ(s,
              "\x95\x5C"
              "n");
}

TEST(DBTable, LoadTsvHeaderWithAnEmptyNameEmptiesTheColumns) {
    TDBTable t;
    ASSERT_TRUE(t.LoadTsv({"a int\t\tb int", "1\t2\t3"}));
    EXPECT_EQ(t.Fields.Count(), 0u);
    EXPECT_EQ(t.RecordCount(), 1);
}

TEST(DBTable, LoadTsvOfAnImpossibleColumnLeavesTheTable) {
    TDBTable t;
    t.AddField("keep", 1, 0);
    t.Append();
    EXPECT_FALSE(t.LoadTsv({"huge str 999999999", "x"}));
    EXPECT_EQ(t.Fields.Count(), 1u);
    EXPECT_EQ(t.RecordCount(), 1);
}

TEST(DBTable, MemoryBudgetRefusesRunawayTables) {
    TDBMemory memory;
    memory.Limit = 100000;
    {
        TDBTable t(&memory);
        t.AddField("s", 4, 1000);
        int32_t appended = 0;
        while (t.Append()) ++appended;
        EXPECT_LT(appended, 100);
        EXPECT_GT(appended, 90);
        // A column that would not fit every record is refused and changes nothing.
        EXPECT_EQ(t.AddField("more", 4, 1000), -1);
        EXPECT_EQ(t.Fields.Count(), 1u);
        std::vector<std::string> many(200, "x");
        many[0] = "s str 1000";
        EXPECT_FALSE(t.LoadTsv(many));
        EXPECT_EQ(t.RecordCount(), appended);
    }
    EXPECT_EQ(memory.Used, 0u);
    TDBTable wide(&memory);
    EXPECT_EQ(wide.AddField("s", 4, kDBMaxStringLength + 1), -1);
    for (int i = 0; i < 3000; ++i) ASSERT_EQ(wide.AddField("c" + std::to_string(i), 1, 0), i);
    EXPECT_TRUE(wide.Append());
}

// ---- the manager

TEST(DBManager, CreateDeleteAndActivate) {
    TDBManager m;
    EXPECT_EQ(m.CreateTable("", DBKind::Game), -1);
    EXPECT_EQ(m.CreateTable("A", DBKind::Game), 0);
    EXPECT_EQ(m.CreateTable("B", DBKind::Status), 1);
    EXPECT_EQ(m.CreateTable("b", DBKind::Game), -1);  // in use, whatever the case
    EXPECT_EQ(m.Active()->TableName, "B");
    EXPECT_EQ(m.CreateTable("C", DBKind::Game), 2);
    EXPECT_TRUE(m.SetActive("c"));
    EXPECT_FALSE(m.SetActive("nope"));
    EXPECT_EQ(m.Active()->TableName, "C");
    EXPECT_TRUE(m.DeleteTable("a"));  // another table: C stays active at its new index
    EXPECT_EQ(m.ActiveIndex(), 1);
    EXPECT_EQ(m.Active()->TableName, "C");
    EXPECT_TRUE(m.DeleteTable("C"));
    EXPECT_EQ(m.Active(), nullptr);
    EXPECT_FALSE(m.DeleteTable("C"));
}

TEST(DBManager, CopyAndAppendRecords) {
    TDBManager m;
    m.CreateTable("dst", DBKind::Game);
    m.Active()->AddField("junk", 1, 0);
    m.Active()->Append();
    m.CreateTable("src", DBKind::Game);
    People(*m.Active());
    EXPECT_FALSE(m.CopyRecords("src", {0}));  // not into the active table itself
    EXPECT_FALSE(m.CopyRecords("nope", {0}));
    ASSERT_TRUE(m.CopyRecords("dst", {4, 0, 99}));
    TDBTable& dst = *m.Find("dst");
    EXPECT_TRUE(dst.Fields.SameLayout(m.Active()->Fields));
    EXPECT_EQ(Names(dst, {0, 1}), "Dave,Alice");
    EXPECT_EQ(dst.RecordCount(), 2);

    // Appending from a table of the same columns; the last one becomes current.
    ASSERT_TRUE(m.AppendRecords("dst", {1, 0}));
    EXPECT_EQ(m.Active()->RecordCount(), 7);
    EXPECT_EQ(m.Active()->RecNo(), 6);
    EXPECT_EQ(Names(*m.Active(), {5, 6}), "Alice,Dave");
    // From itself.
    ASSERT_TRUE(m.AppendRecords("src", {0}));
    EXPECT_EQ(m.Active()->RecordCount(), 8);
    // Columns that differ in name case do not count as the same.
    m.CreateTable("other", DBKind::Game);
    m.Active()->AddField("NAME", 4, 20);
    m.SetActive("src");
    EXPECT_FALSE(m.AppendRecords("other", {}));
}

std::vector<uint8_t> Saved(const TDBManager& m, DBKind kind) {
    MemoryStream s;
    m.SaveTables(s, kind);
    return s.Bytes();
}

TEST(DBManager, StoredFormOfOneTable) {
    TDBManager m;
    m.CreateTable("T", DBKind::Game);
    m.Active()->AddField("n", 1, 0);
    m.Active()->AddField("s", 4, 2);
    m.Active()->Append();
    m.Active()->SetInt(0, 0, 258);
    m.Active()->SetStr(0, 1, "ab");
    const std::vector<uint8_t> expected = {
        100, 0, 0, 0, 1,  0,   0, 0,               // format, one table
        0,   1, 0, 0, 0,  'T',                     // class, name
        0,   2, 0, 0, 0,                           // kind, two columns
        4,   0, 0, 0, 1,  0,   0, 0, 'n', 1,       // int column
        3,   0, 0, 0, 1,  0,   0, 0, 's', 4,       // string column of 2
        1,   0, 0, 0, 2,  1,   0, 0, 'a', 'b', 0,  // one record
        0,   0, 0, 0,                              // RecNo
        1,   0, 0, 0, 'T'};                        // the active table
    EXPECT_EQ(Saved(m, DBKind::Game), expected);
    // The status list has no tables and no trailing name.
    EXPECT_EQ(Saved(m, DBKind::Status), (std::vector<uint8_t>{100, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(DBManager, GameAndStatusTablesSurviveTheirSaves) {
    TDBManager m;
    m.CreateTable("status", DBKind::Status);
    People(*m.Active());
    m.CreateTable("game", DBKind::Game);
    m.Active()->AddField("v", 2, 0);
    m.Active()->Append();
    m.Active()->SetReal(0, 0, 0.1L);
    m.CreateTable("empty", DBKind::Game);
    m.Active()->Append();  // a record of no columns
    m.SetActive("game");
    m.Active()->SetRecNo(-1);
    const std::vector<uint8_t> game = Saved(m, DBKind::Game);
    const std::vector<uint8_t> status = Saved(m, DBKind::Status);

    TDBManager n;
    n.CreateTable("game", DBKind::Game);  // replaced by the load
    n.CreateTable("gone", DBKind::Game);
    MemoryStream gs(game), ss(status);
    n.LoadGameTables(gs, 140);
    n.LoadStatusTables(ss, 140);
    ASSERT_EQ(n.Count(), 3u);
    EXPECT_EQ(n.Find("gone"), nullptr);
    // The status list loads last here and makes its table active.
    EXPECT_EQ(n.Active()->TableName, "status");
    n.SetActive("game");
    EXPECT_EQ(Saved(n, DBKind::Game), game);
    EXPECT_EQ(Saved(n, DBKind::Status), status);
    EXPECT_EQ(n.Find("status")->RecNo(), 4);
    EXPECT_EQ(n.Find("empty")->RecordCount(), 1);
    Real x;
    n.Find("game")->GetReal(0, 0, x);
    EXPECT_EQ(x, 0.1L);  // all 80 bits kept
    n.SetActive("status");
    MemoryStream again(game);
    n.LoadGameTables(again, 140);
    EXPECT_EQ(n.Active()->TableName, "game");
}

TEST(DBManager, GameListNamesTheActiveTableOfAnyKind) {
    TDBManager m;
    m.CreateTable("a", DBKind::Game);
    m.CreateTable("s", DBKind::Status);  // active, but not a game table
    const std::vector<uint8_t> game = Saved(m, DBKind::Game);
    MemoryStream s(game);
    m.LoadTables(s, DBKind::Game);
    EXPECT_EQ(m.Active()->TableName, "s");
    // Where that table does not exist, none is active.
    TDBManager n;
    n.CreateTable("other", DBKind::Status);
    MemoryStream s2(game);
    n.LoadTables(s2, DBKind::Game);
    EXPECT_EQ(n.Active(), nullptr);
    EXPECT_EQ(n.Count(), 2u);
}

TEST(DBManager, RemoveGameTablesKeepsStatusTables) {
    TDBManager m;
    m.CreateTable("g1", DBKind::Game);
    m.CreateTable("s", DBKind::Status);
    m.CreateTable("g2", DBKind::Game);
    m.SetActive("s");
    m.RemoveGameTables();
    ASSERT_EQ(m.Count(), 1u);
    EXPECT_EQ(m.At(0).TableName, "s");
    EXPECT_EQ(m.Active(), nullptr);
}

TEST(DBManager, DamagedListsFailAndChangeNothing) {
    TDBManager m;
    m.CreateTable("t", DBKind::Game);
    People(*m.Active());
    const std::vector<uint8_t> good = Saved(m, DBKind::Game);
    auto patched = [&](size_t at, std::vector<uint8_t> bytes) {
        std::vector<uint8_t> b = good;
        for (size_t i = 0; i < bytes.size(); ++i) b[at + i] = bytes[i];
        return b;
    };
    std::vector<std::pair<const char*, std::vector<uint8_t>>> cases = {
        {"format", patched(0, {99})},
        {"huge table count", patched(4, {0xFF, 0xFF, 0xFF, 0x7F})},
        {"negative table count", patched(4, {0xFF, 0xFF, 0xFF, 0xFF})},
        {"table class", patched(8, {1})},
        {"kind", patched(14, {7})},
        {"huge column count", patched(15, {0xFF, 0xFF, 0xFF, 0x7F})},
        {"int column of 5 bytes", patched(32, {5})},
        {"cut short", std::vector<uint8_t>(good.begin(), good.end() - 10)},
        {"empty", {}},
    };
    // Records claimed beyond the bytes there.
    for (auto& [what, bytes] : cases) {
        TDBManager n;
        n.CreateTable("keep", DBKind::Game);
        n.Active()->AddField("k", 1, 0);
        MemoryStream s(bytes);
        EXPECT_THROW(n.LoadGameTables(s, 140), VeskError) << what;
        ASSERT_EQ(n.Count(), 1u) << what;
        EXPECT_EQ(n.At(0).TableName, "keep") << what;
        EXPECT_EQ(n.Active(), &n.At(0)) << what;
        EXPECT_EQ(n.Memory().Used, 0u) << what;
    }
}

TEST(DBManager, ColumnlessRecordsInAListCannotAskForUnboundedMemory) {
    // One table of no columns claiming two billion records of no bytes.
    std::vector<uint8_t> b = {100,  0,    0,    0,    1,    0, 0, 0, 0,    1,    0,
                              0,    0,    'x',  0,    0,    0, 0, 0, 0xFF, 0xFF, 0xFF,
                              0x7F, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0};
    TDBManager m;
    MemoryStream s(b);
    EXPECT_THROW(m.LoadGameTables(s, 140), VeskError);
    EXPECT_EQ(m.Count(), 0u);
}

}  // namespace
}  // namespace vesk::test
