#include "script/project_file.h"

#include "base/cp932.h"
#include "base/error.h"
#include "base/stream.h"

namespace vesk {

namespace {

// Byte offset of the last backslash that is a character of its own (never a trail byte).
size_t LastBackslash(std::string_view s) {
    size_t last = std::string_view::npos;
    for (size_t i = 0; i < s.size(); i += CharLenAt(s, i))
        if (s[i] == '\\') last = i;
    return last;
}

std::string WithSlash(std::string_view s) {
    std::string r(s);
    if (r.empty() || LastBackslash(r) != r.size() - 1) r += '\\';
    return r;
}

}  // namespace

int32_t TFolderDiskList::DiskOf(std::string_view path) const {
    std::string p = UpperAscii(path);
    while (!p.empty()) {
        std::string key = WithSlash(p);
        for (const auto& e : Entries)
            if (SameTextAscii(WithSlash(e.Folder), key)) return e.Disk;
        size_t cut = LastBackslash(p);
        if (cut == std::string::npos) break;
        p.resize(cut);
    }
    return 0;
}

void TProjectFile::Load(Stream& s) {
    StreamReader r(s);
    TProjectFile f;  // fill a fresh one so a failure leaves this one untouched
    f.Version = r.I32("project version");
    if (f.Version > kNewestVersion) Fail(VESK_JP("このバージョンには対応していません"));
    f.ProjectName = r.Str("project name");
    f.ScreenWidth = r.I32("screen width");
    f.ScreenHeight = r.I32("screen height");
    f.FullWidth = r.I32("full-screen width");
    f.FullHeight = r.I32("full-screen height");
    f.StartPage = r.Str("start page");
    if (f.Version >= 110) f.QuitPage = r.Str("quit page");
    f.RegistryKey = r.Str("registry key");
    f.ImageCode = r.I32("image code");
    f.SaveStatus = f.Version > 103 ? r.U8("status save flag") : 0;
    f.PaceFrames = f.Version >= 106 ? r.U8("frame pacing flag") : 0;
    f.MediaExts = f.Version >= 109 ? r.Str("media extensions") : ".wav.wma.ogg.mid";
    f.PauseInactive = f.Version > 112 ? r.U8("pause-inactive flag") : 0;
    f.Reserved = f.Version >= 114 ? r.U8("reserved byte") : 0;
    f.DiskPrompt = r.Str("disk prompt");
    f.QuitPrompt = r.Str("quit prompt");
    int32_t n = r.I32("declared variable count");
    r.CheckCount(n, 5, "declared variables");
    for (int32_t i = 0; i < n; ++i) {
        TDeclaredVar v;
        v.Type = r.U8("declared variable type");
        v.Name = r.Str("declared variable name");
        switch (v.Type) {
            case 1:
                v.IntValue = r.I32("declared integer");
                break;
            case 2:
                v.FloatValue = r.Ext("declared real");
                break;
            case 3:
                v.FlagValue = r.U8("declared flag") != 0;
                break;
            case 4:
                v.StrValue = r.Str("declared string");
                break;
            default:
                break;  // other types carry no value
        }
        f.Vars.push_back(std::move(v));
    }
    int32_t k = r.I32("folder-disk count");
    r.CheckCount(k, 8, "folder-disk entries");
    for (int32_t i = 0; i < k; ++i) {
        TFolderDiskList::Entry e;
        e.Folder = r.Str("folder path");
        e.Disk = r.I32("disk number");
        f.FolderDisks.Entries.push_back(std::move(e));
    }
    *this = std::move(f);
}

void TProjectFile::Save(Stream& s) const {
    StreamWriter w(s);
    w.I32(kNewestVersion);
    w.Str(ProjectName);
    w.I32(ScreenWidth);
    w.I32(ScreenHeight);
    w.I32(FullWidth);
    w.I32(FullHeight);
    w.Str(StartPage);
    w.Str(QuitPage);
    w.Str(RegistryKey);
    w.I32(ImageCode);
    w.U8(SaveStatus);
    w.U8(PaceFrames);
    w.Str(MediaExts);
    w.U8(PauseInactive);
    w.U8(Reserved);
    w.Str(DiskPrompt);
    w.Str(QuitPrompt);
    w.I32(int32_t(Vars.size()));
    for (const auto& v : Vars) {
        w.U8(v.Type);
        w.Str(v.Name);
        switch (v.Type) {
            case 1:
                w.I32(v.IntValue);
                break;
            case 2:
                w.Ext(v.FloatValue);
                break;
            case 3:
                w.U8(v.FlagValue ? 1 : 0);
                break;
            case 4:
                w.Str(v.StrValue);
                break;
            default:
                break;
        }
    }
    w.I32(int32_t(FolderDisks.Entries.size()));
    for (const auto& e : FolderDisks.Entries) {
        w.Str(e.Folder);
        w.I32(e.Disk);
    }
}

}  // namespace vesk
