#include <gtest/gtest.h>

#include <map>

#include "sys_func_test_util.h"
#include "vars/db_manager.h"

namespace vesk::test {
namespace {

struct DBEnv : FuncEnv {
    TDBManager tables;
    std::map<std::string, std::string> files;
    DBEnv() {
        funcs.SetTables(&tables);
        funcs.SetFileLoader([this](const std::string& name) -> std::optional<std::vector<uint8_t>> {
            auto it = files.find(name);
            if (it == files.end()) return std::nullopt;
            return std::vector<uint8_t>(it->second.begin(), it->second.end());
        });
    }
    // A table "t" of (name str 8, age int, score float, ok bool) with three people.
    void People() {
        Run("DBCreateTable(\"t\", FALSE)");
        Run("DBAddField(\"name\", 4, 8)");
        Run("DBAddField(\"age\", 1)");
        Run("DBAddField(\"score\", 2)");
        Run("DBAddField(\"ok\", 3)");
        Run("DBInsert(\"Alice\", 30, 1.5, TRUE)");
        Run("DBInsert(\"bob\", 25, 2.5, FALSE)");
        Run("DBInsert(\"Carol\", 30, 0.5, TRUE)");
    }
};

TEST(TableFuncs, CreateAndFill) {
    DBEnv env;
    EXPECT_EQ(env.Str("DBCreateTable(\"t\", FALSE)"), "TRUE");
    EXPECT_EQ(env.Str("DBCreateTable(\"T\", TRUE)"), "FALSE");  // the name is in use
    EXPECT_EQ(env.Str("DBCreateTable(\"s\", TRUE)"), "TRUE");
    EXPECT_EQ(env.tables.Find("s")->Kind, 1);
    EXPECT_EQ(env.Str("DBGetActive()"), "s");
    EXPECT_EQ(env.Str("DBSetActive(\"none\")"), "FALSE");
    EXPECT_EQ(env.Str("DBGetActive()"), "s");
    EXPECT_EQ(env.Str("DBSetActive(\"T\")"), "TRUE");
    EXPECT_EQ(env.Str("DBAddField(\"x\", 9)"), "FALSE");
    EXPECT_EQ(env.Str("DBAddField(\"s\", 4, 3)"), "TRUE");
    EXPECT_EQ(env.Str("DBAddField(\"n\", 1)"), "TRUE");
    // Each argument goes into its column by its own type; extra arguments are dropped.
    EXPECT_EQ(env.Str("DBInsert(123456, \"77\", 5)"), "TRUE");
    EXPECT_EQ(env.Str("DBGetStr(\"s\")"), "123");
    EXPECT_EQ(env.Str("DBGetInt(\"N\")"), "77");
    EXPECT_EQ(env.Str("DBInsert()"), "TRUE");
    EXPECT_EQ(env.Str("DBRecordCount()"), "2");
    EXPECT_EQ(env.Str("DBRecordCount(\"s\")"), "0");
    EXPECT_EQ(env.Str("DBRecordCount(\"none\")"), "-1");
    EXPECT_EQ(env.Str("DBGetRecNo()"), "1");
    EXPECT_EQ(env.Str("DBGetRecNo(\"s\")"), "-1");
}

TEST(TableFuncs, CurrentRecordCells) {
    DBEnv env;
    env.People();
    EXPECT_EQ(env.Str("DBSetRecNo(0)"), "TRUE");
    EXPECT_EQ(env.Str("DBGetStr(\"name\")"), "Alice");
    EXPECT_EQ(env.Str("DBGetFloat(\"score\")"), "1.5");
    EXPECT_EQ(env.Str("DBGetInt(\"score\")"), "2");  // 1.5 rounds to even
    EXPECT_EQ(env.Str("DBGetBool(\"ok\")"), "TRUE");
    EXPECT_EQ(env.Str("DBSetFloat(\"age\", 2.5)"), "TRUE");
    EXPECT_EQ(env.Str("DBGetInt(\"age\")"), "2");
    EXPECT_EQ(env.Str("DBSetStr(\"name\", \"Alexandria\")"), "TRUE");
    EXPECT_EQ(env.Str("DBGetStr(\"name\")"), "Alexandr");
    EXPECT_EQ(env.Str("DBSetBool(\"nope\", TRUE)"), "FALSE");
    EXPECT_EQ(env.Str("DBGetStr(\"nope\")"), "");
    EXPECT_EQ(env.Str("DBSetRecNo(3)"), "FALSE");
    EXPECT_EQ(env.Str("DBSetRecNo(-1)"), "TRUE");
    // No current record: defaults, and writes fail.
    EXPECT_EQ(env.Str("DBGetInt(\"age\")"), "0");
    EXPECT_EQ(env.Str("DBSetInt(\"age\", 1)"), "FALSE");
    EXPECT_EQ(env.Str("DBFindNext()"), "FALSE");
    EXPECT_EQ(env.Str("DBFindLast()"), "TRUE");
    EXPECT_EQ(env.Str("DBFindNext()"), "FALSE");
    EXPECT_EQ(env.Str("DBGetRecNo()"), "2");
    EXPECT_EQ(env.Str("DBFindPrior()"), "TRUE");
    EXPECT_EQ(env.Str("DBFindFirst()"), "TRUE");
    EXPECT_EQ(env.Str("DBGetStr(\"name\")"), "Alexandr");
    EXPECT_EQ(env.Str("DBDelete()"), "FALSE");  // FALSE even when it deleted
    EXPECT_EQ(env.Str("DBRecordCount()"), "2");
    EXPECT_EQ(env.Str("DBGetStr(\"name\")"), "bob");
}

TEST(TableFuncs, WithoutAnActiveTableEverythingFailsQuietly) {
    DBEnv env;
    const char* cases[][2] = {
        {"DBGetInt(\"a\")", "0"},
        {"DBGetStr(\"a\")", ""},
        {"DBGetBool(\"a\")", "FALSE"},
        {"DBGetFloat(\"a\")", "0"},
        {"DBSetInt(\"a\", 1)", "FALSE"},
        {"DBInsert(1)", "FALSE"},
        {"DBAddField(\"a\", 1)", "FALSE"},
        {"DBFindFirst()", "FALSE"},
        {"DBRecordCount()", "-1"},
        {"DBGetRecNo()", "-1"},
        {"DBGetActive()", ""},
        {"DBDeleteTable()", "FALSE"},
        {"DBClearRecord()", "FALSE"},
        {"DBLocate(n, v)", "FALSE"},
        {"DBSort(n, v)", "FALSE"},
        {"DBCopy(\"x\")", "FALSE"},
        {"DBLoadTsvFile(\"a.tsv\")", "FALSE"},
    };
    env.List("n", PT_STR, {"a"});
    env.List("v", PT_STR, {"a"});
    for (const auto& c : cases) EXPECT_EQ(env.Str(c[0]), c[1]) << c[0];
}

TEST(TableFuncs, LocateMakesTheFirstMatchCurrent) {
    DBEnv env;
    env.People();
    env.List("n", PT_STR, {"age"});
    env.Var("v", PT_INT)->Param()->SetDims({1});
    env.Get("v")->SetIntAt(0, 30);
    EXPECT_EQ(env.Str("DBLocate(n, v)"), "TRUE");
    EXPECT_EQ(env.Str("DBGetStr(\"name\")"), "Alice");
    env.List("n2", PT_STR, {"name"});
    env.List("v2", PT_STR, {"CAR"});
    EXPECT_EQ(env.Str("DBLocate(n2, v2)"), "FALSE");
    EXPECT_EQ(env.Str("DBGetRecNo()"), "0");  // unchanged
    EXPECT_EQ(env.Str("DBLocate(n2, v2, TRUE, TRUE)"), "TRUE");
    EXPECT_EQ(env.Str("DBGetRecNo()"), "2");
    // A name no column has finds nothing.
    env.List("bad", PT_STR, {"nope"});
    EXPECT_EQ(env.Str("DBLocate(bad, v2)"), "FALSE");
    // A scalar string is a list of one.
    env.Var("one", PT_STR)->Param()->SetStr("name");
    env.Var("who", PT_STR)->Param()->SetStr("bob");
    EXPECT_EQ(env.Str("DBLocate(one, who)"), "TRUE");
    EXPECT_EQ(env.Str("DBGetRecNo()"), "1");
}

TEST(TableFuncs, DirectReadsAndWrites) {
    DBEnv env;
    env.People();
    env.List("n", PT_STR, {"name"});
    env.List("v", PT_STR, {"carol"});
    EXPECT_EQ(env.Str("DBDirectGetInt(\"t\", n, v, TRUE, FALSE, \"age\", -1)"), "30");
    EXPECT_EQ(env.Str("DBDirectGetInt(\"t\", n, v, FALSE, FALSE, \"age\", -1)"), "-1");
    EXPECT_EQ(env.Str("DBDirectGetStr(\"t\", n, v, TRUE, FALSE, \"nope\", \"dflt\")"), "dflt");
    EXPECT_EQ(env.Str("DBDirectGetFloat(\"x\", n, v, TRUE, FALSE, \"score\", 9.5)"), "9.5");
    EXPECT_EQ(env.Str("DBDirectGetBool(\"t\", n, v, TRUE, FALSE, \"ok\", FALSE)"), "TRUE");
    EXPECT_EQ(env.Str("DBDirectSetFloat(\"t\", n, v, TRUE, FALSE, \"score\", 7.25)"), "TRUE");
    EXPECT_EQ(env.Str("DBDirectGetStr(\"t\", n, v, TRUE, FALSE, \"score\", \"\")"), "7.25");
    EXPECT_EQ(env.Str("DBDirectSetStr(\"t\", n, v, FALSE, FALSE, \"score\", \"1\")"), "FALSE");
    EXPECT_EQ(env.Str("DBDirectSetInt(\"t\", n, v, TRUE, FALSE, \"age\", 31)"), "TRUE");
    EXPECT_EQ(env.Str("DBDirectSetBool(\"t\", n, v, TRUE, FALSE, \"ok\", FALSE)"), "TRUE");
    EXPECT_EQ(env.Str("DBDirectGetStr(\"t\", n, v, TRUE, FALSE, \"ok\", \"\")"), "FALSE");
    EXPECT_EQ(env.Str("DBDirectGetStr(\"t\", n, v, TRUE, FALSE, \"age\", \"\")"), "31");
}

TEST(TableFuncs, CopyInsertAndCopyRecordBetweenTables) {
    DBEnv env;
    env.Run("DBCreateTable(\"dst\", FALSE)");
    env.People();
    env.List("n", PT_STR, {"age"});
    env.Var("v", PT_INT)->Param()->SetDims({1});
    env.Get("v")->SetIntAt(0, 30);
    EXPECT_EQ(env.Str("DBCopyTable(\"dst\", n, v)"), "TRUE");
    EXPECT_EQ(env.Str("DBRecordCount(\"dst\")"), "2");
    EXPECT_EQ(env.Str("DBCopyTable(\"t\")"), "FALSE");   // not into itself
    EXPECT_EQ(env.Str("DBCopyTable(\"dst\")"), "TRUE");  // every record
    EXPECT_EQ(env.Str("DBRecordCount(\"dst\")"), "3");
    // Back from dst: the records of age 30 appended to t, the last current.
    EXPECT_EQ(env.Str("DBInsertTable(\"dst\", n, v)"), "TRUE");
    EXPECT_EQ(env.Str("DBRecordCount()"), "5");
    EXPECT_EQ(env.Str("DBGetRecNo()"), "4");
    EXPECT_EQ(env.Str("DBGetStr(\"name\")"), "Carol");
    EXPECT_EQ(env.Str("DBInsertTable(\"none\")"), "FALSE");
    // DBCopy: the current record into a table of the same columns.
    EXPECT_EQ(env.Str("DBSetRecNo(1)"), "TRUE");
    EXPECT_EQ(env.Str("DBCopy(\"dst\")"), "TRUE");
    EXPECT_EQ(env.Str("DBRecordCount(\"dst\")"), "4");
    EXPECT_EQ(env.Str("DBCopy(\"t\")"), "TRUE");  // into itself
    EXPECT_EQ(env.Str("DBRecordCount()"), "6");
    env.Run("DBCreateTable(\"other\", FALSE)");
    env.Run("DBAddField(\"name\", 4, 9)");
    env.Run("DBSetActive(\"t\")");
    EXPECT_EQ(env.Str("DBCopy(\"other\")"), "FALSE");
    EXPECT_EQ(env.Str("DBInsertTable(\"other\")"), "FALSE");
}

TEST(TableFuncs, DeleteClearAndSort) {
    DBEnv env;
    env.Run("DBCreateTable(\"keep\", TRUE)");
    env.People();
    env.List("n", PT_STR, {"age", "name"});
    env.List("d", PT_BOOL, {"TRUE", "FALSE"});
    EXPECT_EQ(env.Str("DBSort(n, d)"), "TRUE");
    std::string order;
    env.Run("DBFindFirst()");
    do order += env.Str("DBGetStr(\"name\")") + ",";
    while (env.Str("DBFindNext()") == "TRUE");
    EXPECT_EQ(order, "Alice,Carol,bob,");
    EXPECT_EQ(env.Str("DBClearRecord()"), "TRUE");
    EXPECT_EQ(env.Str("DBRecordCount()"), "0");
    EXPECT_EQ(env.Str("DBClearRecord(\"none\")"), "FALSE");
    EXPECT_EQ(env.Str("DBDeleteTable()"), "FALSE");  // deletes t, still FALSE
    EXPECT_EQ(env.tables.Count(), 1u);
    EXPECT_EQ(env.Str("DBGetActive()"), "");
    EXPECT_EQ(env.Str("DBDeleteTable(\"KEEP\")"), "FALSE");
    EXPECT_EQ(env.tables.Count(), 0u);
    env.Run("DBCreateTable(\"a\", TRUE)");
    EXPECT_EQ(env.Str("DBClearTable()"), "TRUE");
    EXPECT_EQ(env.tables.Count(), 0u);
}

TEST(TableFuncs, LoadTsvFile) {
    DBEnv env;
    env.files["data\\people.tsv"] = "name str 10\tage int\r\nAlice\t30\r\n\r\nBob\t7\r\n";
    env.Run("DBCreateTable(\"t\", FALSE)");
    EXPECT_EQ(env.Str("DBLoadTsvFile(\"data\\\\people.tsv\")"), "TRUE");
    EXPECT_EQ(env.Str("DBRecordCount()"), "2");
    EXPECT_EQ(env.Str("DBGetStr(\"name\")"), "Bob");
    EXPECT_EQ(env.Str("DBLoadTsvFile(\"missing.tsv\")"), "FALSE");
    EXPECT_EQ(env.Str("DBRecordCount()"), "2");
}

TEST(TableFuncs, WithoutTablesTheErrorNamesThem) {
    FuncEnv env;
    EXPECT_EQ(env.Error("DBGetActive()"),
              "DBGetActive: needs the tables (not available in this run)");
    EXPECT_EQ(env.Error("GetHistoryCount(0)"),
              "GetHistoryCount: needs the message history (not available in this run)");
}

}  // namespace
}  // namespace vesk::test
