#include "script/project_install.h"

#include "base/error.h"
#include "base/stream.h"

namespace vesk {

void TVeskInstallSet::Load(Stream& s) {
    StreamReader r(s);
    int64_t start = s.Position();
    int32_t v = 0;
    char magic[5] = {};
    if (s.Read(magic, 5) == 5 && magic[0] == 'i' && magic[1] == 's') {
        for (int i = 2; i < 5; ++i) {
            if (magic[i] < '0' || magic[i] > '9') Fail("install.dat: bad version digits");
            v = v * 10 + (magic[i] - '0');
        }
    } else {
        s.Seek(start, SeekFrom::Begin);
    }
    TVeskInstallSet out;
    out.DiskIndex = r.I32("install.dat disk index");
    out.ProjectId = r.Str("install.dat project id");
    for (int i = 0; i < 3; ++i) r.Str("install.dat text");
    r.U8("install.dat byte");
    r.Str("install.dat text");
    r.U8("install.dat byte");
    int32_t n = r.I32("install.dat record count");
    r.Str("install.dat text");
    r.I32("install.dat integer");
    r.U8("install.dat byte");
    r.U8("install.dat byte");
    r.Str("install.dat text");
    r.Str("install.dat text");
    int64_t width = v > 99 ? 8 : 4;
    r.CheckCount(n, 4 * width, "install.dat records");
    r.Skip((int64_t(n) * 4 + 4) * width, "install.dat records");
    r.U8("install.dat byte");
    if (v > 100) r.U8("install.dat byte");
    auto skipStrings = [&](const char* what) {
        int32_t k = r.I32(what);
        r.CheckCount(k, 4, what);
        for (int32_t i = 0; i < k; ++i) r.Str(what);
    };
    if (v > 101) skipStrings("install.dat string list");
    if (v > 102) out.Installed = r.U8("install.dat installed flag") != 0;
    if (v > 103) r.U8("install.dat byte");
    if (v > 104) r.U8("install.dat byte");
    if (v > 105) skipStrings("install.dat string list");
    if (v > 106) r.Str("install.dat text");
    if (v > 107) {
        r.Str("install.dat text");
        r.Str("install.dat text");
    }
    *this = std::move(out);
}

void TVeskInstallSet::Save(Stream& s) const {
    StreamWriter w(s);
    w.Raw("is108", 5);
    w.I32(DiskIndex);
    w.Str(ProjectId);
    for (int i = 0; i < 3; ++i) w.Str("");
    w.U8(0);
    w.Str("");
    w.U8(0);
    w.I32(0);  // no records
    w.Str("");
    w.I32(0);
    w.U8(0);
    w.U8(0);
    w.Str("");
    w.Str("");
    for (int i = 0; i < 4; ++i) w.I64(0);
    w.U8(0);
    w.U8(0);
    w.I32(0);
    w.U8(Installed ? 1 : 0);
    w.U8(0);
    w.U8(0);
    w.I32(0);
    w.Str("");
    w.Str("");
    w.Str("");
}

}  // namespace vesk
