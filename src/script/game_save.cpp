#include "script/game_save.h"

#include <charconv>
#include <cstring>

#include "base/cp932.h"
#include "base/error.h"
#include "script/call_man.h"
#include "vars/param_collection.h"
#include "vfs/big_stream.h"
#include "vfs/host_path.h"
#include "vfs/vr_file_manager.h"

namespace vesk {

namespace {

constexpr char kStatusTag[] = "Status";
constexpr size_t kStatusTagLen = 6;
constexpr char kSaveFilePrefix[] = "save:";
// The smallest stored form of a history entry's parts, so counts never outrun the data.
constexpr int64_t kMinSimpleEntry = 4 + 4 * 4;
constexpr int64_t kMinSegment = 4 + 4 * 4;
constexpr int64_t kMinEntry = 4 + 4;
constexpr int64_t kMinFormat = 4 + 6 * 4;
constexpr int64_t kMinTable = 1 + 4 + 1 + 4 + 4 + 4;
constexpr int64_t kMinColumn = 4 + 4 + 1;
constexpr int64_t kMinReadItem = 4 + 4;

std::string JoinNative(const std::string& folder, std::string_view name) {
    return WithSlash(folder) + std::string(name);
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() &&
           LowerAscii(std::string(s.substr(0, prefix.size()))) == LowerAscii(std::string(prefix));
}

void SkipHistory(StreamReader& r, int32_t version) {
    if (version < 113) {
        r.Str("history head");
        const int32_t n = r.I32("history entry count");
        r.CheckCount(n, 4 + 4 * 4, "history entries");
        for (int32_t i = 0; i < n; ++i) r.Str("history page");
        r.Skip(int64_t(n) * 4 * 4, "history entries");
    } else {
        const int32_t n = r.I32("history entry count");
        r.CheckCount(n, kMinSimpleEntry, "history entries");
        for (int32_t i = 0; i < n; ++i) {
            r.Str("history page");
            r.Skip(4 * 4, "history entry");
        }
    }
    r.Str("history pending page");
    r.Skip(4 * 4, "history pending place");
    r.Str("history pending window");
    if (version >= 113) {
        r.Skip(4 + 6 * 4 + 2 * 4, "history settings");
        const int32_t entries = r.I32("history page count");
        r.CheckCount(entries, kMinEntry, "history pages");
        for (int32_t i = 0; i < entries; ++i) {
            const int32_t segments = r.I32("history segment count");
            r.CheckCount(segments, kMinSegment, "history segments");
            for (int32_t k = 0; k < segments; ++k) {
                r.Str("history segment page");
                r.Skip(4 * 4, "history segment");
                if (version >= 124) r.Str("history segment values");
            }
            r.I32("history page height");
        }
    }
    if (version >= 124) r.Str("history pending values");
}

// The member's bytes read as a game record's head, or false when they are not one.
bool ReadHead(const std::vector<uint8_t>& bytes, TGameRecordHead& head) {
    try {
        ViewStream s(bytes);
        StreamReader r(s);
        head = ReadGameRecordHead(r);
        return true;
    } catch (const VeskError&) {
        return false;
    }
}

}  // namespace

std::string GameSaveMember(int32_t slot) {
    return std::string(kGameSaveMember) + std::to_string(slot);
}

bool SlotOfMember(std::string_view name, int32_t& slot) {
    if (!StartsWithNoCase(name, kGameSaveMember)) return false;
    std::string_view rest = name.substr(kGameSaveMember.size());
    if (rest.empty()) return false;
    int32_t v = 0;
    auto [end, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), v);
    if (ec != std::errc() || end != rest.data() + rest.size()) return false;
    slot = v;
    return true;
}

std::string SaveFolderName(std::string name) {
    for (char& c : name)
        if (std::strchr("\\/:,;*?\"<>|", c) && c != '\0') c = '_';
    if (name.empty() || name == "." || name == "..") name = "_";
    return name;
}

// ---- empty sections

void WriteEmptyHistories(StreamWriter& w) {
    // The default format always exists: one format without a name, settings and entries.
    w.I32(1);
    w.Str("");
    for (int i = 0; i < 6; ++i) w.I32(0);
    w.I32(0);  // simple entries
    w.Str("");
    for (int i = 0; i < 4; ++i) w.I32(0);
    w.Str("");
    w.I32(0);  // most entries: no limit
    for (int i = 0; i < 6 + 2; ++i) w.I32(0);
    w.I32(0);  // entries
    w.Str("");
}

void SkipHistories(StreamReader& r, int32_t version) {
    if (version < 135) {
        SkipHistory(r, version);
        return;
    }
    const int32_t formats = r.I32("history format count");
    r.CheckCount(formats, kMinFormat, "history formats");
    for (int32_t i = 0; i < formats; ++i) {
        r.Str("history format name");
        r.Skip(6 * 4, "history format settings");
        SkipHistory(r, version);
    }
}

void WriteEmptyReadList(StreamWriter& w) {
    w.I32(0);
    w.Str("");
    w.I32(0);
    w.I32(0);
    w.Str("");
}

void SkipReadList(StreamReader& r) {
    const int32_t items = r.I32("read list count");
    r.CheckCount(items, kMinReadItem, "read list items");
    for (int32_t i = 0; i < items; ++i) {
        r.Str("read list key");
        const int32_t n = r.I32("read mark count");
        r.CheckCount(n, 8, "read marks");
        r.Skip(int64_t(n) * 8, "read marks");
    }
    r.Str("read list pending key");
    r.Skip(8, "read list pending page");
    r.Str("read list pending window");
}

void WriteEmptyTables(StreamWriter& w, int kind) {
    w.I32(100);
    w.I32(0);
    if (kind == 0) w.Str("");
}

void SkipTables(StreamReader& r, int kind) {
    if (r.I32("table format") != 100) Fail("unknown table format in save data");
    const int32_t tables = r.I32("table count");
    r.CheckCount(tables, kMinTable, "tables");
    for (int32_t t = 0; t < tables; ++t) {
        r.U8("table class");
        r.Str("table name");
        r.U8("table kind");
        const int32_t columns = r.I32("column count");
        r.CheckCount(columns, kMinColumn, "columns");
        int64_t recordSize = 0;
        for (int32_t c = 0; c < columns; ++c) {
            const int32_t size = r.I32("column size");
            if (size < 0) Fail("negative column size in save data");
            recordSize += size;
            r.Str("column name");
            r.U8("column type");
        }
        const int32_t records = r.I32("record count");
        r.CheckCount(records, recordSize, "records");
        if (records < 0) Fail("negative record count in save data");
        r.Skip(records * recordSize, "records");
        r.I32("current record");
    }
    if (kind == 0) r.Str("active table");
}

// ---- record heads

TGameRecordHead ReadGameRecordHead(StreamReader& r) {
    TGameRecordHead h;
    h.Version = r.I32("save version");
    h.Caption = r.Str("save caption");
    h.LoadPage = r.Str("load page");
    h.LoadTarget = r.I32("load target");
    return h;
}

int32_t ReadStatusVersion(StreamReader& r) {
    Stream& s = r.Base();
    const int64_t start = s.Position();
    char tag[kStatusTagLen + 3];
    if (s.Read(tag, sizeof tag) == sizeof tag && std::memcmp(tag, kStatusTag, kStatusTagLen) == 0) {
        int32_t v = 0;
        for (size_t i = kStatusTagLen; i < sizeof tag; ++i) {
            if (tag[i] < '0' || tag[i] > '9') Fail("damaged status version in save data");
            v = v * 10 + (tag[i] - '0');
        }
        return v;
    }
    s.Seek(start, SeekFrom::Begin);
    return 0;
}

// ---- the archive

TSaveArchive::TSaveArchive(IHostFileSystem& fs)
    : fs_(fs), files_(std::make_unique<TVrFileCollection>(fs)) {}

void TSaveArchive::Read(const std::string& path) {
    if (!fs_.IsFile(path)) {
        files_->Clear();
        return;
    }
    ReadBytes(fs_.ReadAll(path));
}

void TSaveArchive::ReadBytes(std::vector<uint8_t> bytes) {
    files_->Clear();
    if (bytes.empty()) return;
    // Held in memory: the file may be replaced while the archive is in use, and members
    // are never taken from loose files beside it.
    files_->OpenResource(std::string(kSaveFileName), TResourceData::Owned(std::move(bytes)));
}

bool TSaveArchive::Has(std::string_view name) const {
    return files_->Find(name) != nullptr;
}

std::vector<uint8_t> TSaveArchive::Member(std::string_view name) {
    TVrFile* f = files_->Find(name);
    if (!f) FailFileNotFound(name);
    if (f->Data) return f->Data->Bytes();
    std::vector<uint8_t> out;
    files_->ReadMember(*f, out);
    return out;
}

void TSaveArchive::Put(std::string_view name, std::vector<uint8_t> bytes) {
    Remove(name);
    TVrFile* f = files_->AddMemoryEntry(name);
    f->Data->Bytes() = std::move(bytes);
}

void TSaveArchive::Remove(std::string_view name) {
    while (files_->Find(name)) files_->RemoveEntry(name);
}

std::vector<std::string> TSaveArchive::Names() const {
    std::vector<std::string> names;
    for (size_t i = 0; i < files_->Count(); ++i) names.push_back(files_->At(i)->Name);
    return names;
}

std::vector<uint8_t> TSaveArchive::Write() {
    MemoryStream out;
    files_->WriteArchive(out);
    return std::move(out.Bytes());
}

// ---- the saves

TGameSaves::TGameSaves(IHostFileSystem& fs, TSaveLocation where, const TSaveParts& parts,
                       IMessageBox* box)
    : fs_(fs), where_(std::move(where)), parts_(parts), box_(box) {}

void TGameSaves::Warn(const std::string& text) {
    if (box_) box_->Show(text, VESK_JP("警告"), MsgButtons::Ok, MsgIcon::Warning);
}

void TGameSaves::Diagnose(const std::string& text) {
    if (diagnostic_) diagnostic_(text);
}

bool TGameSaves::FolderTakesFiles(const std::string& folder) {
    if (!fs_.IsFolder(folder)) return false;
    const std::string probe = JoinNative(folder, "save.dat.$$$");
    try {
        fs_.Open(probe, HostOpen::Create);
    } catch (const VeskError&) {
        return false;
    }
    fs_.Remove(probe);
    return true;
}

const std::string& TGameSaves::SavePath(TProject& p) {
    if (!p.SaveFilePath.empty()) return p.SaveFilePath;
    if (!where_.GameFolder.empty() && FolderTakesFiles(where_.GameFolder)) {
        p.SaveFilePath = JoinNative(where_.GameFolder, kSaveFileName);
        return p.SaveFilePath;
    }
    const std::string folder = where_.DataFolder ? where_.DataFolder(p.ProjectName) : "";
    if (folder.empty() || !fs_.MakeFolders(folder) || !FolderTakesFiles(folder))
        Fail(VESK_JP("データファイルを作成することができません"));
    const std::string path = JoinNative(folder, kSaveFileName);
    // Saves made while the game folder still took files move along once.
    if (!where_.GameFolder.empty() && !fs_.IsFile(path)) {
        const std::string old = JoinNative(where_.GameFolder, kSaveFileName);
        if (fs_.IsFile(old)) {
            try {
                const std::vector<uint8_t> bytes = fs_.ReadAll(old);
                WriteHostFileAtomic(fs_, path, bytes.data(), bytes.size());
            } catch (const VeskError& e) {
                Diagnose("the saves of the game folder could not be copied: " +
                         std::string(e.what()));
            }
        }
    }
    p.SaveFilePath = path;
    return p.SaveFilePath;
}

// ---- game records

std::vector<uint8_t> TGameSaves::GameRecord(TProject& p, const TSaveRequest& req) {
    TCallMan* cm = p.CallMan();
    if (!cm) Fail("no game is running to be saved");
    if (!parts_.Display) Fail("the display cannot be saved");
    MemoryStream s;
    StreamWriter w(s);
    w.I32(kGameSaveVersion);
    w.Str(req.Caption);
    w.Str(req.LoadPage);
    w.I32(req.LoadTarget);
    parts_.Display.Save(w);
    if (parts_.Histories)
        parts_.Histories.Save(w);
    else
        WriteEmptyHistories(w);
    cm->SaveToStream(s);
    p.Store().SaveVars(s);
    if (parts_.GameTables)
        parts_.GameTables.Save(w);
    else
        WriteEmptyTables(w, 0);
    return std::move(s.Bytes());
}

void TGameSaves::ApplyGameRecord(TProject& p, const std::vector<uint8_t>& record) {
    TCallMan* cm = p.CallMan();
    if (!cm) Fail("no game is running to be loaded into");
    if (!parts_.Display) Fail("the display cannot be loaded");
    ViewStream s(record);
    StreamReader r(s);
    const TGameRecordHead head = ReadGameRecordHead(r);
    const int32_t v = head.Version;
    if (v < kOldestGameSave || v > kGameSaveVersion)
        Fail("save data of version " + std::to_string(v) + " cannot be read");
    parts_.Display.Load(r, v);
    if (parts_.Histories)
        parts_.Histories.Load(r, v);
    else
        SkipHistories(r, v);
    cm->LoadFromStream(s, v);
    if (!head.LoadPage.empty()) cm->EnterLoadPage(head.LoadPage, head.LoadTarget);
    p.Store().LoadVars(s, v);
    if (v > 122) {
        if (parts_.GameTables)
            parts_.GameTables.Load(r, v);
        else
            SkipTables(r, 0);
    }
    if (parts_.AfterLoad) parts_.AfterLoad();
}

void TGameSaves::SaveGame(TProject& p, const TSaveRequest& req) {
    if (req.Caption.empty()) return;
    const std::string path = SavePath(p);
    std::vector<uint8_t> record = GameRecord(p, req);
    TSaveArchive archive(fs_);
    archive.Read(path);
    archive.Put(GameSaveMember(req.Slot), std::move(record));
    const std::vector<uint8_t> bytes = archive.Write();
    WriteHostFileAtomic(fs_, path, bytes.data(), bytes.size());
    // The caption lists saves that exist: it changes once the file holds the save.
    p.SetSaveCaption(req.Slot, req.Caption);
    WriteStatus(p);
}

bool TGameSaves::LoadGame(TProject& p, int32_t slot) {
    std::string path;
    try {
        path = SavePath(p);
    } catch (const VeskError&) {
        return false;  // no place for saves: nothing was ever saved
    }
    std::vector<uint8_t> record;
    try {
        if (!fs_.IsFile(path)) return false;
        TSaveArchive archive(fs_);
        archive.Read(path);
        const std::string name = GameSaveMember(slot);
        if (!archive.Has(name)) return false;
        record = archive.Member(name);
    } catch (const VeskError& e) {
        Diagnose(std::string("the save file cannot be read: ") + e.what());
        Warn(VESK_JP("このセーブデータは使用できません\r\n終了してください"));
        return false;
    }
    TGameRecordHead head;
    if (ReadHead(record, head) && head.Version < kOldestGameSave) {
        Warn(
            VESK_JP("セーブファイルの形式が古いため読めません\r\nsave.dat "
                    "を削除してから実行してください"));
        Warn(VESK_JP("このセーブデータは使用できません\r\n終了してください"));
        return false;
    }
    // A record that fails half-way must not leave the game half-replaced: the running
    // game is kept in memory first and put back when the load fails.
    std::vector<uint8_t> running;
    try {
        running = GameRecord(p, TSaveRequest{});
    } catch (const VeskError& e) {
        Diagnose(std::string("the running game cannot be kept while loading: ") + e.what());
    }
    try {
        ApplyGameRecord(p, record);
        return true;
    } catch (const std::exception& e) {
        Diagnose(std::string("save slot ") + std::to_string(slot) +
                 " cannot be loaded: " + e.what());
    }
    Warn(VESK_JP("このセーブデータは使用できません\r\n終了してください"));
    try {
        if (running.empty()) Fail("nothing to go back to");
        ApplyGameRecord(p, running);
    } catch (const std::exception& e) {
        // Nothing sane is left to run.
        Diagnose(std::string("the game cannot go on after the failed load: ") + e.what());
        p.Quit();
    }
    return false;
}

// ---- the status record

std::vector<uint8_t> TGameSaves::StatusRecord(TProject& p) {
    MemoryStream s;
    StreamWriter w(s);
    char tag[16];
    std::snprintf(tag, sizeof tag, "Status%.3d", int(kStatusVersion));
    s.Write(tag, std::strlen(tag));
    p.Store().SaveStatusVars(s);
    if (parts_.ReadList)
        parts_.ReadList.Save(w);
    else if (!keptReadList_.empty())
        s.Write(keptReadList_.data(), keptReadList_.size());
    else
        WriteEmptyReadList(w);
    w.Flag(parts_.CacheDepth ? parts_.CacheDepth() : false);
    if (parts_.StatusTables)
        parts_.StatusTables.Save(w);
    else if (!keptStatusTables_.empty())
        s.Write(keptStatusTables_.data(), keptStatusTables_.size());
    else
        WriteEmptyTables(w, 1);
    return std::move(s.Bytes());
}

void TGameSaves::ApplyStatusRecord(TProject& p, const std::vector<uint8_t>& record) {
    ViewStream s(record);
    StreamReader r(s);
    const int32_t version = ReadStatusVersion(r);
    p.Store().LoadStatusVars(s);
    // A section nobody takes is kept as it was read, to be written back.
    auto keep = [&](std::vector<uint8_t>& kept, int64_t from) {
        const int64_t to = s.Position();
        kept.assign(record.begin() + from, record.begin() + to);
    };
    const int64_t readListAt = s.Position();
    if (parts_.ReadList) {
        parts_.ReadList.Load(r, 100);
    } else {
        SkipReadList(r);
        keep(keptReadList_, readListAt);
    }
    if (version >= 101) {
        const bool depth = r.Flag("image cache flag");
        if (parts_.SetCacheDepth) parts_.SetCacheDepth(depth);
    }
    if (version >= 103) {
        const int64_t tablesAt = s.Position();
        if (parts_.StatusTables) {
            parts_.StatusTables.Load(r, version);
        } else {
            SkipTables(r, 1);
            keep(keptStatusTables_, tablesAt);
        }
    }
}

void TGameSaves::ReadStatus(TProject& p) {
    std::string path;
    try {
        path = SavePath(p);
    } catch (const VeskError&) {
        return;  // no place for saves: nothing was saved either
    }
    TSaveArchive archive(fs_);
    try {
        archive.Read(path);
    } catch (const VeskError& e) {
        Diagnose(std::string("the save file cannot be read: ") + e.what());
        return;
    }
    if (archive.Has(kStatusMember)) {
        try {
            ApplyStatusRecord(p, archive.Member(kStatusMember));
        } catch (const VeskError& e) {
            Diagnose(std::string("the status save cannot be read: ") + e.what());
        }
    }
    TVrFileManager& files = p.Files();
    if (files.CollectionCount() == 0) return;
    TVrFileCollection& memory = files.Collection(0);
    for (const std::string& name : archive.Names()) {
        if (!StartsWithNoCase(name, kSaveFilePrefix)) continue;
        try {
            std::vector<uint8_t> bytes = archive.Member(name);
            memory.RemoveEntry(name);
            memory.AddMemoryEntry(name)->Data->Bytes() = std::move(bytes);
        } catch (const VeskError&) {
            memory.RemoveEntry(name);
        }
    }
}

void TGameSaves::FillCaptions(TProject& p) {
    std::string path;
    try {
        path = SavePath(p);
    } catch (const VeskError&) {
        return;
    }
    TSaveArchive archive(fs_);
    try {
        archive.Read(path);
    } catch (const VeskError&) {
        return;  // told when the status was read
    }
    for (const std::string& name : archive.Names()) {
        int32_t slot = 0;
        if (!SlotOfMember(name, slot)) continue;
        try {
            TGameRecordHead head;
            if (ReadHead(archive.Member(name), head)) p.SetSaveCaption(slot, head.Caption);
        } catch (const VeskError&) {
            // A damaged record lists no caption; loading it says why.
        }
    }
}

void TGameSaves::WriteStatus(TProject& p) {
    if (!p.SaveStatus) return;
    std::string path;
    try {
        path = SavePath(p);
    } catch (const VeskError&) {
        return;  // no place for saves; a game save says so when it is asked for
    }
    try {
        if (!fs_.IsFolder(HostFolderOf(path))) return;
        TSaveArchive archive(fs_);
        archive.Read(path);
        archive.Put(kStatusMember, StatusRecord(p));
        const std::vector<uint8_t> bytes = archive.Write();
        WriteHostFileAtomic(fs_, path, bytes.data(), bytes.size());
    } catch (const VeskError& e) {
        // The game goes on (or ends) without it; a save file that cannot be read is left
        // alone rather than replaced.
        Diagnose(std::string("the status save is not written: ") + e.what());
    }
}

void TGameSaves::StoreFile(TProject& p, const std::string& name,
                           const std::vector<uint8_t>& bytes) {
    const std::string path = SavePath(p);
    TSaveArchive archive(fs_);
    archive.Read(path);
    archive.Put(name, bytes);
    const std::vector<uint8_t> all = archive.Write();
    WriteHostFileAtomic(fs_, path, all.data(), all.size());
}

}  // namespace vesk
