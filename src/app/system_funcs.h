#pragma once
// The built-in functions and system variables that reach the files on disk and the desktop:
// FileExists, LoadTextFile, CopyFile, ExtractFile, SaveScreen, GetDisplayMode and the
// display-mode variables, the file and folder dialogs, OpenUrl and SetWallPaper.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/desktop.h"
#include "vars/sys_func.h"

namespace vesk {

class IMessageBox;
class TCustomDIBX;
class TCustomParam;
class TVrFileManager;

struct TSystemFuncsEnv {
    TVrFileManager* Files = nullptr;
    // Asks before ExtractFile overwrites a file; null: never overwrites.
    IMessageBox* MessageBox = nullptr;
    // Null in headless runs: no dialog answers, nothing opens, no display modes.
    IDesktop* Desktop = nullptr;
    // Where SetWallPaper writes its bitmap (native path); empty: it writes nothing.
    std::string WallpaperPath;
    // The picture of the active top-level object (SetWallPaper without a file); may be empty.
    std::function<TCustomDIBX*()> Screen;
    // The picture of a top-level object for SaveScreen: the active one, or the other.
    std::function<TCustomDIBX*(bool other)> LayerPicture;
    // The folder of the save file (native); empty while there is none.
    std::function<std::string()> SaveFolder;
    // Stores a file into the save file under its "save:" name; empty: such files cannot
    // be written.
    std::function<bool(const std::string& name, const std::vector<uint8_t>& bytes)> WriteSaveMember;
    // Forgets the cached picture of a file name that was just written.
    std::function<void(const std::string&)> DropPicture;
    // The game's size and its preferred full-screen size: the display modes kept are at
    // least as large as the game.
    std::function<std::pair<int32_t, int32_t>()> GameSize;
    std::function<std::pair<int32_t, int32_t>()> PreferredSize;
};

class TSystemFuncs {
  public:
    explicit TSystemFuncs(TSystemFuncsEnv env) : env_(std::move(env)) {}

    // Runs the function when it is one of these; false otherwise.
    bool ExecFunc(SysFuncCall& call);
    // "@DisplayModeCount" and "@DisplayModeIndex"; nullptr for other variables.
    std::unique_ptr<TCustomParam> ReadVar(int id);
    // True when the variable was one of these.
    bool WriteVar(int id, const TCustomParam& value);

    // The display modes the game may use: at least as large as the game and of 16 bits or
    // more, in the desktop's order (learnt once, when first asked for).
    const std::vector<TDisplayModeInfo>& Modes();
    int32_t ModeIndex();

  private:
    void LoadTextFile(SysFuncCall& c);
    void CopyFile(SysFuncCall& c);
    void ExtractFile(SysFuncCall& c);
    void SelectFile(SysFuncCall& c);
    void OpenUrl(SysFuncCall& c);
    void SetWallPaper(SysFuncCall& c);
    void SaveScreen(SysFuncCall& c);
    // Puts bytes into the memory collection under `name`, replacing what was there.
    void PutInMemory(const std::string& name, const std::vector<uint8_t>& bytes);

    TSystemFuncsEnv env_;
    std::optional<std::vector<TDisplayModeInfo>> modes_;
    int32_t modeIndex_ = -1;
};

// A game's folder text (CP932, backslashes) as a native path (UTF-8, slashes).
std::string NativeFolderPath(const std::string& cp932);
// The name part of a game file name (after the last backslash or slash, a double-byte
// character's second byte never taken for one).
std::string FileNamePart(const std::string& cp932);

}  // namespace vesk
