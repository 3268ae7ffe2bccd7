// The DB functions: scripts reach the tables only through these.
#include <string>

#include "base/error.h"
#include "vars/db_manager.h"
#include "vars/param.h"
#include "vars/sys_func_impl.h"

namespace vesk {

namespace {

TDBManager& Tables(SysFuncCall& c) {
    TDBManager* t = c.man.Tables();
    if (!t) FailMissingSubsystem(c);
    return *t;
}

TDBTable* Active(SysFuncCall& c) {
    return Tables(c).Active();
}

bool FlagArg(SysFuncCall& c, size_t i) {
    return c.Has(i) && c.Arg(i).AsFlag();
}

// The column named by argument `i` of the active table's current record.
struct CurrentCell {
    TDBTable* table = nullptr;
    int32_t rec = -1, col = -1;
    bool Ok() const { return table && rec >= 0 && col >= 0; }
};
CurrentCell Current(SysFuncCall& c, size_t nameArg) {
    CurrentCell cell;
    cell.table = Active(c);
    if (!cell.table) return cell;
    cell.rec = cell.table->RecNo();
    cell.col = cell.table->Fields.IndexOf(c.Arg(nameArg).AsStr());
    return cell;
}

void FnCreateTable(SysFuncCall& c) {
    DBKind kind = c.Arg(1).AsFlag() ? DBKind::Status : DBKind::Game;
    c.dest.SetFlag(Tables(c).CreateTable(c.Arg(0).AsStr(), kind) >= 0);
}

void FnSetActive(SysFuncCall& c) {
    c.dest.SetFlag(Tables(c).SetActive(c.Arg(0).AsStr()));
}

void FnAddField(SysFuncCall& c) {
    TDBTable* t = Active(c);
    const int32_t length = c.Has(2) ? c.Arg(2).AsInt() : 0;
    c.dest.SetFlag(t && t->AddField(c.Arg(0).AsStr(), uint8_t(c.Arg(1).AsInt()), length) >= 0);
}

void FnSetRecNo(SysFuncCall& c) {
    TDBTable* t = Active(c);
    c.dest.SetFlag(t && t->SetRecNo(c.Arg(0).AsInt()));
}

void FnInsert(SysFuncCall& c) {
    TDBTable* t = Active(c);
    if (!t || !t->Append()) {
        c.dest.SetFlag(false);
        return;
    }
    // Argument k goes into column k, stored by the argument's own type.
    for (size_t k = 0; k < c.Argc() && k < t->Fields.Count(); ++k)
        t->SetValue(t->RecNo(), int32_t(k), c.Arg(k));
    c.dest.SetFlag(true);
}

void FnDelete(SysFuncCall& c) {
    if (TDBTable* t = Active(c)) t->DeleteCurrent();
    c.dest.SetFlag(false);
}

void FnGetInt(SysFuncCall& c) {
    CurrentCell cell = Current(c, 0);
    int32_t v = 0;
    if (cell.Ok()) cell.table->GetInt(cell.rec, cell.col, v);
    c.dest.SetInt(v);
}
void FnGetFloat(SysFuncCall& c) {
    CurrentCell cell = Current(c, 0);
    Real v = 0;
    if (cell.Ok()) cell.table->GetReal(cell.rec, cell.col, v);
    c.dest.SetFloat(v);
}
void FnGetBool(SysFuncCall& c) {
    CurrentCell cell = Current(c, 0);
    bool v = false;
    if (cell.Ok()) cell.table->GetFlag(cell.rec, cell.col, v);
    c.dest.SetFlag(v);
}
void FnGetStr(SysFuncCall& c) {
    CurrentCell cell = Current(c, 0);
    std::string v;
    if (cell.Ok()) cell.table->GetStr(cell.rec, cell.col, v);
    c.dest.SetStr(v);
}

void FnSetInt(SysFuncCall& c) {
    CurrentCell cell = Current(c, 0);
    c.dest.SetFlag(cell.Ok() && cell.table->SetInt(cell.rec, cell.col, c.Arg(1).AsInt()));
}
void FnSetFloat(SysFuncCall& c) {
    CurrentCell cell = Current(c, 0);
    c.dest.SetFlag(cell.Ok() && cell.table->SetReal(cell.rec, cell.col, c.Arg(1).AsFloat()));
}
void FnSetBool(SysFuncCall& c) {
    CurrentCell cell = Current(c, 0);
    c.dest.SetFlag(cell.Ok() && cell.table->SetFlag(cell.rec, cell.col, c.Arg(1).AsFlag()));
}
void FnSetStr(SysFuncCall& c) {
    CurrentCell cell = Current(c, 0);
    c.dest.SetFlag(cell.Ok() && cell.table->SetStr(cell.rec, cell.col, c.Arg(1).AsStr()));
}

void FnRecordCount(SysFuncCall& c) {
    TDBTable* t = c.Has(0) ? Tables(c).Find(c.Arg(0).AsStr()) : Active(c);
    c.dest.SetInt(t ? t->RecordCount() : -1);
}

template <bool (TDBTable::*Move)()>
void FnMove(SysFuncCall& c) {
    TDBTable* t = Active(c);
    c.dest.SetFlag(t && (t->*Move)());
}

void FnLocate(SysFuncCall& c) {
    TDBTable* t = Active(c);
    if (!t) {
        c.dest.SetFlag(false);
        return;
    }
    TDBRecordList found = t->FindRecords(&c.Arg(0), &c.Arg(1), FlagArg(c, 2), FlagArg(c, 3));
    if (found.empty()) {
        c.dest.SetFlag(false);
        return;
    }
    t->SetRecNo(found.front());
    c.dest.SetFlag(true);
}

void FnLoadTsvFile(SysFuncCall& c) {
    TDBTable* t = Active(c);
    const auto& load = c.man.LoadFile();
    if (!t || !load) {
        c.dest.SetFlag(false);
        return;
    }
    std::optional<std::vector<uint8_t>> bytes = load(c.Arg(0).AsStr());
    if (!bytes) {
        c.dest.SetFlag(false);
        return;
    }
    std::string_view text(reinterpret_cast<const char*>(bytes->data()), bytes->size());
    c.dest.SetFlag(t->LoadTsv(SplitTextLines(text)));
}

// The record a direct function works on: the first match in table a1 for the search of
// a2..a5, with the column a6. Missing pieces leave `table` null.
struct DirectCell {
    TDBTable* table = nullptr;
    int32_t rec = -1, col = -1;
};
DirectCell Direct(SysFuncCall& c) {
    DirectCell cell;
    TDBTable* t = Tables(c).Find(c.Arg(0).AsStr());
    if (!t) return cell;
    TDBRecordList found = t->FindRecords(&c.Arg(1), &c.Arg(2), FlagArg(c, 3), FlagArg(c, 4));
    if (found.empty()) return cell;
    const int32_t col = t->Fields.IndexOf(c.Arg(5).AsStr());
    if (col < 0) return cell;
    cell.table = t;
    cell.rec = found.front();
    cell.col = col;
    return cell;
}

void FnDirectGetInt(SysFuncCall& c) {
    DirectCell d = Direct(c);
    int32_t v = 0;
    c.dest.SetInt(d.table && d.table->GetInt(d.rec, d.col, v) ? v : c.Arg(6).AsInt());
}
void FnDirectGetFloat(SysFuncCall& c) {
    DirectCell d = Direct(c);
    Real v = 0;
    c.dest.SetFloat(d.table && d.table->GetReal(d.rec, d.col, v) ? v : c.Arg(6).AsFloat());
}
void FnDirectGetBool(SysFuncCall& c) {
    DirectCell d = Direct(c);
    bool v = false;
    c.dest.SetFlag(d.table && d.table->GetFlag(d.rec, d.col, v) ? v : c.Arg(6).AsFlag());
}
void FnDirectGetStr(SysFuncCall& c) {
    DirectCell d = Direct(c);
    std::string v;
    c.dest.SetStr(d.table && d.table->GetStr(d.rec, d.col, v) ? v : c.Arg(6).AsStr());
}
void FnDirectSetInt(SysFuncCall& c) {
    DirectCell d = Direct(c);
    c.dest.SetFlag(d.table && d.table->SetInt(d.rec, d.col, c.Arg(6).AsInt()));
}
void FnDirectSetFloat(SysFuncCall& c) {
    DirectCell d = Direct(c);
    c.dest.SetFlag(d.table && d.table->SetReal(d.rec, d.col, c.Arg(6).AsFloat()));
}
void FnDirectSetBool(SysFuncCall& c) {
    DirectCell d = Direct(c);
    c.dest.SetFlag(d.table && d.table->SetFlag(d.rec, d.col, c.Arg(6).AsFlag()));
}
void FnDirectSetStr(SysFuncCall& c) {
    DirectCell d = Direct(c);
    c.dest.SetFlag(d.table && d.table->SetStr(d.rec, d.col, c.Arg(6).AsStr()));
}

// The records of `t` chosen by a2 names, a3 values, a4 ignore case, a5 partial; every
// record when a2 or a3 is absent.
TDBRecordList Chosen(SysFuncCall& c, const TDBTable& t) {
    if (!c.Has(1) || !c.Has(2)) return t.FindRecords(nullptr, nullptr, false, false);
    return t.FindRecords(&c.Arg(1), &c.Arg(2), FlagArg(c, 3), FlagArg(c, 4));
}

void FnCopyTable(SysFuncCall& c) {
    TDBManager& m = Tables(c);
    TDBTable* t = m.Active();
    c.dest.SetFlag(t && m.CopyRecords(c.Arg(0).AsStr(), Chosen(c, *t)));
}

void FnInsertTable(SysFuncCall& c) {
    TDBManager& m = Tables(c);
    TDBTable* src = m.Find(c.Arg(0).AsStr());
    c.dest.SetFlag(src && m.AppendRecords(c.Arg(0).AsStr(), Chosen(c, *src)));
}

void FnCopy(SysFuncCall& c) {
    TDBManager& m = Tables(c);
    TDBTable* src = m.Active();
    TDBTable* dst = m.Find(c.Arg(0).AsStr());
    const uint8_t* rec = src ? src->Record(src->RecNo()) : nullptr;
    // The block is copied before the append: the target may be the active table.
    bool ok = false;
    if (rec && dst && dst->Fields.SameLayout(src->Fields)) {
        std::vector<uint8_t> block(rec, rec + src->Fields.RecordSize());
        ok = dst->AppendCopy(block.data());
    }
    c.dest.SetFlag(ok);
}

void FnDeleteTable(SysFuncCall& c) {
    TDBManager& m = Tables(c);
    if (c.Has(0))
        m.DeleteTable(c.Arg(0).AsStr());
    else if (TDBTable* t = m.Active())
        m.DeleteTable(std::string(t->TableName));
    c.dest.SetFlag(false);
}

void FnClearTable(SysFuncCall& c) {
    Tables(c).ClearAll();
    c.dest.SetFlag(true);
}

void FnSort(SysFuncCall& c) {
    TDBTable* t = Active(c);
    if (t) t->Sort(c.Arg(0), c.Arg(1));
    c.dest.SetFlag(t != nullptr);
}

void FnGetActive(SysFuncCall& c) {
    TDBTable* t = Active(c);
    c.dest.SetStr(t ? t->TableName : std::string());
}

void FnGetRecNo(SysFuncCall& c) {
    TDBTable* t = c.Has(0) ? Tables(c).Find(c.Arg(0).AsStr()) : Active(c);
    c.dest.SetInt(t ? t->RecNo() : -1);
}

void FnClearRecord(SysFuncCall& c) {
    TDBTable* t = c.Has(0) ? Tables(c).Find(c.Arg(0).AsStr()) : Active(c);
    if (t) t->ClearRecords();
    c.dest.SetFlag(t != nullptr);
}

}  // namespace

void AddTableFuncs(SysFnTable& t) {
    t[SF_DBCREATETABLE] = FnCreateTable;
    t[SF_DBSETACTIVE] = FnSetActive;
    t[SF_DBADDFIELD] = FnAddField;
    t[SF_DBSETRECNO] = FnSetRecNo;
    t[SF_DBINSERT] = FnInsert;
    t[SF_DBDELETE] = FnDelete;
    t[SF_DBGETINT] = FnGetInt;
    t[SF_DBSETINT] = FnSetInt;
    t[SF_DBGETFLOAT] = FnGetFloat;
    t[SF_DBSETFLOAT] = FnSetFloat;
    t[SF_DBGETBOOL] = FnGetBool;
    t[SF_DBSETBOOL] = FnSetBool;
    t[SF_DBGETSTR] = FnGetStr;
    t[SF_DBSETSTR] = FnSetStr;
    t[SF_DBRECORDCOUNT] = FnRecordCount;
    t[SF_DBFINDFIRST] = FnMove<&TDBTable::First>;
    t[SF_DBFINDLAST] = FnMove<&TDBTable::Last>;
    t[SF_DBFINDNEXT] = FnMove<&TDBTable::Next>;
    t[SF_DBFINDPRIOR] = FnMove<&TDBTable::Prior>;
    t[SF_DBLOCATE] = FnLocate;
    t[SF_DBLOADTSVFILE] = FnLoadTsvFile;
    t[SF_DBDIRECTGETINT] = FnDirectGetInt;
    t[SF_DBDIRECTSETINT] = FnDirectSetInt;
    t[SF_DBDIRECTGETFLOAT] = FnDirectGetFloat;
    t[SF_DBDIRECTSETFLOAT] = FnDirectSetFloat;
    t[SF_DBDIRECTGETBOOL] = FnDirectGetBool;
    t[SF_DBDIRECTSETBOOL] = FnDirectSetBool;
    t[SF_DBDIRECTGETSTR] = FnDirectGetStr;
    t[SF_DBDIRECTSETSTR] = FnDirectSetStr;
    t[SF_DBCOPYTABLE] = FnCopyTable;
    t[SF_DBDELETETABLE] = FnDeleteTable;
    t[SF_DBINSERTTABLE] = FnInsertTable;
    t[SF_DBCOPY] = FnCopy;
    t[SF_DBCLEARTABLE] = FnClearTable;
    t[SF_DBSORT] = FnSort;
    t[SF_DBGETACTIVE] = FnGetActive;
    t[SF_DBGETRECNO] = FnGetRecNo;
    t[SF_DBCLEARRECORD] = FnClearRecord;
}

}  // namespace vesk
