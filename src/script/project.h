#pragma once
// The running game: finds the game data, reads "vesk.lpb", declares the project's variables,
// owns the interpreter and starts it on the start page, carries save and load requests to
// the end of the frame, and at shut-down runs the quit page for one frame.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/host_file_system.h"
#include "base/message_box.h"
#include "script/call_man.h"
#include "script/project_file.h"
#include "script/script_env.h"

namespace vesk {

class TParamCollection;
class TProject;
class TCommandHandlers;
class TSysFuncMan;
class TVrFileManager;

// What the project needs from the application around it.
class IProjectHost {
  public:
    virtual ~IProjectHost() = default;
    // The application title and the main window caption.
    virtual void SetTitle(const std::string& /*title*/) {}
    // Asks the main window to close (the quit flag is already set).
    virtual void PostClose() {}
    virtual uint32_t TickCount() { return 0; }
    virtual int32_t FrameTime() { return 0; }
    // Reset: the tables and the message histories.
    virtual void ResetWorld() {}
    // A command's error that the interpreter dropped (see IScriptProject::CommandFailed).
    virtual void CommandFailed(const std::string& /*where*/, const std::string& /*message*/) {}
    // A command nothing carries out yet (see IScriptProject::CommandNotCarriedOut).
    virtual void CommandNotCarriedOut(const std::string& /*name*/) {}
};

// The save file: the status record, the save captions and the game records. The project
// decides when; the save layer knows how.
class IProjectSaves {
  public:
    virtual ~IProjectSaves() = default;
    // Reads the status record and copies saved files into memory (start-up).
    virtual void ReadStatus(TProject&) {}
    // Fills the project's save-caption list from the save file.
    virtual void FillCaptions(TProject&) {}
    // Loads slot `slot`; true when a game was loaded.
    virtual bool LoadGame(TProject&, int32_t /*slot*/) { return false; }
    virtual void SaveGame(TProject&, const TSaveRequest&) {}
    // Writes the status record (after saves and at shut-down).
    virtual void WriteStatus(TProject&) {}
};

// Everything a project is built from. The references outlive the project.
struct TProjectEnv {
    TVrFileManager& Files;
    TParamCollection& Store;
    TSysFuncMan* Funcs = nullptr;
    bool& QuitFlag;
    IMessageBox* MessageBox = nullptr;
    IProjectHost* Host = nullptr;
    IProjectSaves* Saves = nullptr;
    IScriptDisplay* Display = nullptr;
    // Where the object, text and media commands are carried out; may be null.
    const TCommandHandlers* Commands = nullptr;
    ITraceWriter* Trace = nullptr;
    // The native folder of the executable: where "install.dat" and "game.dat" of an
    // installed game are looked for.
    std::string ExeFolder;
    // A game folder was given on the command line: the data is not located and no
    // installation record is read.
    bool HasGameArg = false;
};

class TProject final : public IScriptProject, public IPageSource {
  public:
    static constexpr int32_t kNoSlot = -1;

    // Sets the defaults; Create does the work.
    explicit TProject(TProjectEnv env);
    ~TProject() override;
    TProject(const TProject&) = delete;
    TProject& operator=(const TProject&) = delete;

    // Locates the data, reads the project file and the status save, declares the variables
    // and starts the start page. The quit flag tells afterwards whether the game can run.
    // A project file of an unknown version raises its error for the caller to show.
    void Create();
    // Finds "install.dat" and the archive (beside the executable or on a disc); false when
    // the game cannot run. Messages are shown here.
    bool LocateData();

    // One frame of the interpreter.
    void Run();
    // Performs a pending load, then a pending save. True when a load was pending (whether
    // or not the slot held a game): the frame is then not drawn.
    bool HandleRequests();
    // Runs the quit page for one frame, writes the status save and frees the interpreter.
    // Later calls do nothing.
    void Free();

    // IPageSource: a path that is missing may be asked for from another disk.
    bool PageExists(const std::string& path) override;
    std::vector<uint8_t> LoadPage(const std::string& name) override;
    // Asks the user for disk n until it is there (true) or the user quits (false).
    bool RequestDisk(int32_t n);

    std::string SaveCaption(int32_t slot) const;
    void SetSaveCaption(int32_t slot, const std::string& caption);
    const std::map<int32_t, std::string>& SaveCaptions() const { return saveCaptions_; }
    void ClearSaveCaptions() { saveCaptions_.clear(); }

    // IScriptProject
    void RequestSave(const TSaveRequest& r) override;
    void RequestLoad(int32_t slot) override { LoadSlot = slot; }
    void ResetWorld() override;
    void PostClose() override;
    void CommandFailed(const std::string& where, const std::string& message) override {
        if (env_.Host) env_.Host->CommandFailed(where, message);
    }
    void CommandNotCarriedOut(const std::string& name) override {
        if (env_.Host) env_.Host->CommandNotCarriedOut(name);
    }
    uint32_t TickCount() override;
    int32_t FrameTime() override;

    TCallMan* CallMan() { return callMan_.get(); }
    TVrFileManager& Files() { return env_.Files; }
    TParamCollection& Store() { return env_.Store; }
    bool QuitFlag() const { return env_.QuitFlag; }
    // Ends the game: the interpreter stops and the main window is asked to close.
    void Quit() {
        env_.QuitFlag = true;
        PostClose();
    }
    // The messages the project shows (may be null).
    IMessageBox* MessageBox() const { return env_.MessageBox; }

    std::string ProjectName;
    int32_t ScreenWidth = 0, ScreenHeight = 0;
    int32_t FullWidth = 0, FullHeight = 0;
    std::string StartPage;
    std::string QuitPage;
    std::string RegistryKey;
    int32_t ImageCode = 0;
    bool SaveStatus = true;
    bool PaceFrames = true;
    std::string MediaExts = "wav.wma.ogg";
    bool PauseInactive = false;
    std::string DiskPrompt;
    std::string QuitPrompt;
    TFolderDiskList FolderDisks;
    // From the installation record, when one was read.
    std::string ProjectId;
    bool Installed = false;

    // Pending requests, carried out by HandleRequests.
    int32_t SaveSlot = kNoSlot;
    TSaveRequest SaveReq;
    int32_t LoadSlot = kNoSlot;
    // The save file's path, computed once by the save layer.
    std::string SaveFilePath;

  private:
    void CopyFields(const TProjectFile& f);
    void DeclareVars(const TProjectFile& f);
    void ReadOriginalFolderDisks();
    bool FindDisc(const std::string& projectId);
    void Show(const std::string& text, const std::string& caption, MsgIcon icon);
    MsgResult Ask(const std::string& text, const std::string& caption, MsgButtons buttons,
                  MsgIcon icon);

    TProjectEnv env_;
    std::unique_ptr<TCallMan> callMan_;
    std::map<int32_t, std::string> saveCaptions_;
    bool freed_ = false;
};

// Reads an installation record from a native file; false when it cannot be read.
bool ReadInstallRecord(IHostFileSystem& fs, const std::string& path, struct TVeskInstallSet& out);

}  // namespace vesk
