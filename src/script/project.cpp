#include "script/project.h"

#include "base/cp932.h"
#include "base/error.h"
#include "base/stream.h"
#include "script/project_install.h"
#include "vars/param_collection.h"
#include "vfs/host_path.h"
#include "vfs/vr_file_manager.h"

namespace vesk {

namespace {

// The extension of a virtual path with its dot ("" when the file name has none).
std::string ExtensionOf(std::string_view path) {
    size_t dot = std::string_view::npos;
    for (size_t i = 0; i < path.size(); i += CharLenAt(path, i)) {
        if (path[i] == '\\' || path[i] == '/') dot = std::string_view::npos;
        if (path[i] == '.') dot = i;
    }
    return dot == std::string_view::npos ? std::string() : std::string(path.substr(dot));
}

}  // namespace

bool ReadInstallRecord(IHostFileSystem& fs, const std::string& path, TVeskInstallSet& out) {
    try {
        MemoryStream f(fs.ReadAll(path));
        out.Load(f);
        return true;
    } catch (const VeskError&) {
        return false;
    }
}

TProject::TProject(TProjectEnv env) : env_(std::move(env)) {
    ProjectName = VESK_JP("情報");
    DiskPrompt = VESK_JP("ディスク%dを入れてから[OK]をクリックしてください");
    QuitPrompt = VESK_JP("終了します");
}

TProject::~TProject() {
    // The interpreter goes first: its pages may point into the store.
    callMan_.reset();
}

void TProject::Show(const std::string& text, const std::string& caption, MsgIcon icon) {
    if (env_.MessageBox) env_.MessageBox->Show(text, caption, MsgButtons::Ok, icon);
}

MsgResult TProject::Ask(const std::string& text, const std::string& caption, MsgButtons buttons,
                        MsgIcon icon) {
    // Without anyone to ask, the answer is the one that cannot loop forever.
    if (!env_.MessageBox) return MsgResult::Cancel;
    return env_.MessageBox->Show(text, caption, buttons, icon);
}

void TProject::Create() {
    env_.QuitFlag = true;  // cleared only when everything below succeeds
    if (!env_.HasGameArg && !LocateData()) return;

    MemoryStream lpb;
    try {
        env_.Files.LoadFile(lpb, "vesk.lpb");
    } catch (const VeskError&) {
        return;  // missing or unreadable: the program ends without a message
    }
    if (lpb.Size() == 0) {
        Show(VESK_JP("プロジェクトがありません"), VESK_JP("警告"), MsgIcon::Warning);
        return;
    }
    TProjectFile file;
    file.Load(lpb);
    CopyFields(file);
    if (env_.Host) env_.Host->SetTitle(ProjectName);

    if (env_.Saves) env_.Saves->ReadStatus(*this);
    DeclareVars(file);

    env_.QuitFlag = false;
    if (env_.Saves) env_.Saves->FillCaptions(*this);
    ReadOriginalFolderDisks();

    callMan_ = std::make_unique<TCallMan>(env_.Store, env_.Funcs, *this);
    callMan_->BindQuitFlag(env_.QuitFlag);
    callMan_->SetProject(this);
    callMan_->SetDisplay(env_.Display);
    callMan_->SetHandlers(env_.Commands);
    callMan_->SetTrace(env_.Trace);
    callMan_->SetMessageBox(env_.MessageBox);
    callMan_->Attach();
    if (!StartPage.empty() && env_.Files.Exists(StartPage)) {
        callMan_->Start(StartPage);
    } else {
        Show(VESK_JP("スタートページがありません"), VESK_JP("警告"), MsgIcon::Warning);
        env_.QuitFlag = true;
    }
}

void TProject::CopyFields(const TProjectFile& f) {
    ProjectName = f.ProjectName;
    ScreenWidth = f.ScreenWidth;
    ScreenHeight = f.ScreenHeight;
    FullWidth = f.FullWidth;
    FullHeight = f.FullHeight;
    StartPage = f.StartPage;
    QuitPage = f.QuitPage;
    RegistryKey = f.RegistryKey;
    ImageCode = f.ImageCode;
    SaveStatus = f.SaveStatus != 0;
    PaceFrames = f.PaceFrames != 0;
    MediaExts = f.MediaExts;
    PauseInactive = f.PauseInactive != 0;
    // An empty prompt would ask with an empty box: the default text stays.
    if (!f.DiskPrompt.empty()) DiskPrompt = f.DiskPrompt;
    if (!f.QuitPrompt.empty()) QuitPrompt = f.QuitPrompt;
    FolderDisks = f.FolderDisks;
}

void TProject::DeclareVars(const TProjectFile& f) {
    for (const TDeclaredVar& v : f.Vars) {
        // A variable restored from the status save keeps its saved value.
        if (v.Name.empty() || env_.Store.Find(v.Name)) continue;
        if (v.Type < PT_INT || v.Type > PT_STR) continue;  // no kind to create it with
        TParamCollectionItem* item = env_.Store.Create(v.Name, v.Type, VarScope::Status);
        if (!item) continue;
        TCustomParam* p = item->Param();
        switch (v.Type) {
            case PT_INT:
                p->SetInt(v.IntValue);
                break;
            case PT_FLOAT:
                p->SetFloat(v.FloatValue);
                break;
            case PT_BOOL:
                p->SetFlag(v.FlagValue);
                break;
            case PT_STR:
                p->SetStr(v.StrValue);
                break;
            default:
                break;
        }
    }
}

void TProject::ReadOriginalFolderDisks() {
    // The leading slash names the game's own folder (never the root of the file system):
    // a member of that exact name, or the loose file in the base folder.
    static const char kName[] = "/original_vesk.lpb";
    try {
        MemoryStream s;
        if (env_.Files.FindEntry(kName)) {
            env_.Files.LoadFile(s, kName);
        } else if (auto path = ResolveGameName(env_.Files.HostFs(), env_.Files.BaseFolder(),
                                               kName + 1, GameEntry::File)) {
            s.Bytes() = env_.Files.HostFs().ReadAll(*path);
        } else {
            return;
        }
        TProjectFile original;
        original.Load(s);
        FolderDisks = original.FolderDisks;
    } catch (const VeskError&) {
        // A damaged copy leaves the project's own list in force.
    }
}

bool TProject::LocateData() {
    TVrFileManager& files = env_.Files;
    if (files.BaseFolder().empty() && !env_.ExeFolder.empty() &&
        FindHostFile(files.HostFs(), env_.ExeFolder, "install.dat"))
        files.SetBaseFolder(env_.ExeFolder);
    if (!files.Exists("install.dat")) {
        Show(VESK_JP("インストールし直してください"), VESK_JP("情報"), MsgIcon::Info);
        return false;
    }
    TVeskInstallSet first;
    try {
        MemoryStream s;
        files.LoadFile(s, "install.dat");
        first.Load(s);
    } catch (const VeskError&) {
        Show(VESK_JP("インストールし直してください"), VESK_JP("情報"), MsgIcon::Info);
        return false;
    }
    ProjectId = first.ProjectId;
    Installed = first.Installed;

    if (auto dat = FindHostFile(files.HostFs(), env_.ExeFolder, "game.dat")) {
        files.AddArchive(*dat);
        if (Installed) return true;
    } else if (files.CollectionCount() > 0 && Installed) {
        return true;
    }

    for (;;) {
        if (FindDisc(first.ProjectId)) return true;
        if (Ask(VESK_JP("ディスクを入れてください"), VESK_JP("情報"), MsgButtons::OkCancel,
                MsgIcon::Info) == MsgResult::Ok)
            continue;
        if (Ask(QuitPrompt, ProjectName, MsgButtons::OkCancel, MsgIcon::Question) == MsgResult::Ok)
            return false;
    }
}

bool TProject::FindDisc(const std::string& projectId) {
    for (const std::string& root : env_.Files.CdRoots()) {
        auto dat = FindHostFile(env_.Files.HostFs(), root, "game.dat");
        auto install = FindHostFile(env_.Files.HostFs(), root, "install.dat");
        if (!dat || !install) continue;
        TVeskInstallSet rec;
        if (!ReadInstallRecord(env_.Files.HostFs(), *install, rec) || rec.ProjectId != projectId)
            continue;
        env_.Files.AddArchive(*dat);
        return true;
    }
    return false;
}

void TProject::Run() {
    if (callMan_) callMan_->Run();
}

bool TProject::HandleRequests() {
    // A pending load counts even when the slot holds nothing: the frame is not drawn.
    const bool loadPending = LoadSlot != kNoSlot;
    if (loadPending) {
        int32_t slot = LoadSlot;
        LoadSlot = kNoSlot;
        if (env_.Saves) env_.Saves->LoadGame(*this, slot);
    }
    if (SaveSlot != kNoSlot) {
        TSaveRequest r = std::move(SaveReq);
        SaveSlot = kNoSlot;
        SaveReq = {};
        if (env_.Saves) env_.Saves->SaveGame(*this, r);
    }
    return loadPending;
}

void TProject::RequestSave(const TSaveRequest& r) {
    SaveSlot = r.Slot;
    SaveReq = r;
}

void TProject::Free() {
    if (freed_) return;
    freed_ = true;
    if (callMan_ && !QuitPage.empty()) {
        try {
            callMan_->Start(QuitPage);
            env_.QuitFlag = false;
            callMan_->Run();
        } catch (const std::exception&) {
            // The quit page cannot stop the shut-down.
        }
        env_.QuitFlag = true;
    }
    if (env_.Saves) env_.Saves->WriteStatus(*this);
    callMan_.reset();
    saveCaptions_.clear();
    FolderDisks.Entries.clear();
}

bool TProject::PageExists(const std::string& path) {
    if (path.empty()) return false;
    if (env_.Files.Exists(path)) return true;
    int32_t disk = FolderDisks.DiskOf(path);
    if (disk <= 0) return false;
    std::string ext = LowerAscii(ExtensionOf(path)) + ".";
    if ((LowerAscii(MediaExts) + ".").find(ext) != std::string::npos) return false;
    return RequestDisk(disk);
}

std::vector<uint8_t> TProject::LoadPage(const std::string& name) {
    return env_.Files.LoadBytes(name);
}

bool TProject::RequestDisk(int32_t n) {
    TDiskRequest r;
    r.prompt = DiskPrompt;
    r.quitPrompt = QuitPrompt;
    r.caption = ProjectName;
    std::string name = ProjectName;
    r.isDisk = [name, &fs = env_.Files.HostFs()](const std::string& installPath,
                                                 int32_t diskIndex) {
        TVeskInstallSet rec;
        return ReadInstallRecord(fs, installPath, rec) && rec.ProjectId == name &&
               rec.DiskIndex == diskIndex;
    };
    r.quit = [this] {
        env_.QuitFlag = true;
        if (env_.Host) env_.Host->PostClose();
    };
    return env_.Files.RequestDisk(n, r);
}

std::string TProject::SaveCaption(int32_t slot) const {
    auto it = saveCaptions_.find(slot);
    return it == saveCaptions_.end() ? std::string() : it->second;
}

void TProject::SetSaveCaption(int32_t slot, const std::string& caption) {
    saveCaptions_[slot] = caption;
}

void TProject::ResetWorld() {
    if (env_.Host) env_.Host->ResetWorld();
}

void TProject::PostClose() {
    if (env_.Host) env_.Host->PostClose();
}

uint32_t TProject::TickCount() {
    return env_.Host ? env_.Host->TickCount() : 0;
}

int32_t TProject::FrameTime() {
    return env_.Host ? env_.Host->FrameTime() : 0;
}

}  // namespace vesk
