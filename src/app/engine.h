#pragma once
// The engine: the one owner of the process-wide managers (file manager, variable store,
// built-in functions, project, frame clock, quit flag), their start-up and shut-down order,
// and the frame.
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/fast_forward.h"
#include "app/frame_clock.h"
#include "app/game_window.h"
#include "base/host_file_system.h"
#include "base/message_box.h"
#include "media/media_system.h"
#include "platform/desktop.h"
#include "script/command_handlers.h"
#include "script/game_save.h"
#include "script/project.h"
#include "text/clipboard.h"
#include "text/text_services.h"
#include "vars/db_manager.h"
#include "vars/param_system.h"
#include "vars/sys_func.h"

namespace vesk {

class TParamCollection;
class TQuilCollection;
class TSysFuncMan;
class TVrFileManager;
class TVeskBaseList;
class TVeskControl;
class TDisplayFuncs;
class TSystemFuncs;
class TFontPixelManager;
class TVeskHistoryFormatManager;
class TVeskReadList;
class AudioSystem;
class StreamReader;
class StreamWriter;

// What a presented frame must bring to the window: the areas the frame changed, or the
// whole screen (frames run fast before it were not shown).
enum class PresentArea { Changed, Whole };

struct TEngineOptions {
    // Native path of the executable; its folder is where an installed game lives.
    std::string ExePath;
    // The command-line arguments that name game data (the first is the game folder).
    std::vector<std::string> Args;
    // Folders that stand for disc drives.
    std::vector<std::string> CdRoots;
    // Receives work files; empty: a fresh folder under the system's temporary folder.
    std::string TempFolder;
    // Every file the engine reads or writes goes through this (not owned); empty: the
    // engine's own, over the operating system.
    IHostFileSystem* HostFs = nullptr;
    IMessageBox* MessageBox = nullptr;
    ITraceWriter* Trace = nullptr;
    // The save file's side (status record, captions, game records); null: the engine's
    // own, over "save.dat" in the game folder.
    IProjectSaves* Saves = nullptr;
    // The user's data folder ($XDG_DATA_HOME): when the game folder takes no files, saves
    // go to a folder of the game's under "veskplay" in it. Empty: they go nowhere else.
    std::string DataHome;
    // The display root; empty: the engine's own object tree.
    IScriptDisplay* Display = nullptr;
    // The system clock in milliseconds ("@PCTickCount"); empty: the monotonic clock.
    std::function<int64_t()> Now;
    // Called after a shown frame is composed, before the dirty lists are cleared, with the
    // root whose front layer's dirty rectangles (and WholeArea) say what changed.
    std::function<void(TVeskBaseList&, PresentArea)> Present;
    // Receives the player's diagnostics (UTF-8): errors the game itself passes over, such as
    // a command that fails. Each is given once. Empty: they are dropped.
    std::function<void(const std::string&)> Diagnostic;
    // Makes the start-up logo on the root's front layer (it removes itself when done); the
    // script starts once it has gone. Empty: no logo.
    std::function<TVeskControl*(TVeskBaseList&)> Logo;
    // Face names (CP932) the game's text asks for, mapped to fontconfig patterns (UTF-8),
    // from game.ini; they replace the built-in mapping of those names.
    std::vector<std::pair<std::string, std::string>> FontFaces;
    // Where the game's sound goes (not owned): a device on the real clock, or a headless
    // capture on a virtual clock that each Tick moves to the frame's time. Null: the engine
    // keeps a silent one of its own on a virtual clock.
    AudioSystem* Audio = nullptr;
    // The "game.ini" settings of the media managers.
    TMediaConfig Media;
    // The system's MIDI output ports, listed after the synthesizer ("@MidiPorts"); empty:
    // the synthesizer alone.
    std::function<TMidiDevices()> MidiPorts;
    // The desktop's clipboard (not owned); null: the engine keeps one of its own.
    IClipboard* Clipboard = nullptr;
    // The desktop: display modes, file dialogs, the web opener (not owned). Null (headless):
    // dialogs answer that nothing was chosen, nothing is opened, there are no modes.
    IDesktop* Desktop = nullptr;
    // Where SetWallPaper writes its bitmap (native path); empty: nowhere.
    std::string WallpaperPath;
    // Starts the script's Random and the random orders of transitions, so that a run
    // repeats exactly (headless runs); empty: seeded from the clock, different every run.
    std::optional<uint32_t> RandomSeed;
};

class TEngine final : public IProjectHost, public ISystemVarProvider, public ISysFuncHost {
  public:
    explicit TEngine(TEngineOptions options);
    ~TEngine() override;
    TEngine(const TEngine&) = delete;
    TEngine& operator=(const TEngine&) = delete;

    // Registers the archives and creates the project. False when the game cannot run (the
    // reason has been shown); an error raised while creating is shown in a warning box.
    bool Start();
    // A frame is due at `now` (milliseconds of the frame clock): runs it unless the gap was
    // too long or the game is paused while inactive. While fast-forward is held (and no
    // control that takes keys for itself has the focus) more frames of the same length
    // follow at once, and only the last is shown. True when the frame ran.
    bool Tick(int64_t now);
    // Fast-forward: its speed, its holds, and whether it ran in the last shown frame.
    TFastForward& FastForward() { return fastForward_; }
    // The window that shows the game (null: none). Not owned.
    void SetWindow(IGameWindow* window) { window_ = window; }
    // Another application became active (false) or the player did again (true) at `now`.
    // A game that pauses when inactive stops its frames and releases held input; on return
    // the time away is not counted.
    void ActiveChanged(bool active, int64_t now);
    // Input and frames are taken.
    bool Active() const { return active_; }
    bool FullScreen() const { return window_ ? window_->FullScreen() : fullScreen_; }
    // Switches window and full screen ("@FullScr", the toolbar, Alt+Enter).
    void SetFullScreen(bool on);
    // The cursor file in effect ("" the arrow).
    const std::string& CursorShown() const { return cursorShown_; }
    // The start-up logo has finished (or there was none) and the script runs.
    bool LogoDone() const { return logoDone_; }
    // Leaves the logo out when it has not begun yet.
    void DropLogo() {
        if (!logoStarted_) logoDone_ = true;
    }
    // One frame: work-file clean-up, the interpreter, the frame counter, save and load.
    void Frame() { RunFrame(FrameShown::Shown); }
    // Frees everything in the fixed order; later calls do nothing. `afterProject` runs once
    // the project is gone (its quit page has run) while the variables still exist.
    void Shutdown(const std::function<void(TEngine&)>& afterProject = {});

    // The media managers (from "MediaInit" to "MediaFinal"; null outside that).
    TMediaSystem* Media() { return media_.get(); }
    AudioSystem& Audio() { return *audio_; }

    bool QuitFlag() const { return quit_; }
    void SetQuitFlag(bool on = true) { quit_ = on; }
    // The script or the user asked the window to close.
    bool CloseRequested() const { return closeRequested_; }
    // The label of the start-up or shut-down step in progress (named in error reports).
    const std::string& StepLabel() const { return step_; }
    // Every step label passed so far, in order.
    const std::vector<std::string>& Steps() const { return steps_; }
    const std::string& Title() const { return title_; }

    IHostFileSystem& HostFs() { return *fs_; }
    TVrFileManager& Files() { return *files_; }
    TParamCollection& Store() { return *store_; }
    TSysFuncMan& Funcs() { return *funcs_; }
    // The game's tables (the save file carries them: game tables with each game, status
    // tables with the status record).
    TDBManager& Tables() { return tables_; }
    TProject* Project() { return project_.get(); }
    // The engine's object tree (null when the options supplied another display).
    TVeskBaseList* Root() { return root_.get(); }
    // The shared cache of decoded pictures (with the engine's object tree).
    TQuilCollection* Images() { return images_.get(); }
    // The glyph cache every text is drawn from (with the engine's object tree).
    TFontPixelManager* Fonts() { return fonts_.get(); }
    // What text objects use of the engine.
    const TTextServices& TextServices() const { return textServices_; }
    // The pages the reader has seen (the status save's) and the message histories (the game
    // save's); both with the engine's object tree, else null.
    TVeskReadList* ReadList() { return readList_.get(); }
    TVeskHistoryFormatManager* Histories() { return histories_.get(); }
    TFrameClock& Clock() { return clock_; }
    // The engine's own save file (null when the options supplied other saves).
    TGameSaves* Saves() { return saves_.get(); }
    // What game records and the status record gather besides the display tree, the
    // interpreter and the variables: subsystems that keep state of their own (histories,
    // read marks, tables) hand in their sections here when they are built.
    TSaveParts& SaveParts() { return saveParts_; }
    // Runs `f` at every Reset command, after the objects and variables have gone
    // (histories, tables, media).
    void AddResetHook(std::function<void()> f) { resetHooks_.push_back(std::move(f)); }
    // Set when the project was created with a game folder argument.
    bool HasGameArg() const { return !options_.Args.empty(); }

    // IProjectHost
    void SetTitle(const std::string& title) override { title_ = title; }
    void PostClose() override { closeRequested_ = true; }
    uint32_t TickCount() override { return uint32_t(clock_.TickCount()); }
    int32_t FrameTime() override { return clock_.FrameTime(); }
    void ResetWorld() override;
    void CommandFailed(const std::string& where, const std::string& message) override;
    void CommandNotCarriedOut(const std::string& name) override;
    // ISystemVarProvider
    std::unique_ptr<TCustomParam> ReadSystemVar(int id) override;
    void WriteSystemVar(int id, const TCustomParam& value) override;
    TCustomParam* CallResult() override { return nullptr; }
    // ISysFuncHost
    bool ExecFunc(SysFuncCall& call) override;
    uint8_t PropertyType(int32_t) override { return 0; }

  private:
    enum class FrameShown { Shown, Hidden };
    void RunFrame(FrameShown shown);
    // The frames to run for one shown frame: the fast-forward speed while it is held and
    // allowed, else 1.
    int32_t FramesPerTick();
    // Whether fast-forward may run now: no control that takes keys for itself (a menu, an
    // edit) has the focus.
    bool FastForwardAllowed();
    void Step(const char* label);
    // The engine's own saves and the sections of the display and the image cache.
    void MakeSaves();
    // "MediaInit": the media managers, their object kinds and commands.
    void MediaInit();
    // Shows the cursor the last input processing asked for, when it changed.
    void UpdateCursor();
    // Tells the window whether an edit with the focus takes typed text, and where its caret is.
    void UpdateTextEntry();
    // One frame of the start-up logo: creates it, skips it on a click, Space or Enter, and
    // notices when it has gone.
    void RunLogo();
    // A warning box with the error's message, after the step label when one is given.
    void ShowError(const std::exception& e, const char* label = nullptr);
    // The SaveScreen function: true when the picture was written.
    bool SaveScreen(SysFuncCall& call);
    // Puts a file into the in-memory collection, replacing one of the same name.
    void PutMemoryFile(const std::string& name, const std::vector<uint8_t>& bytes);
    // Gives a diagnostic once (the same text is not repeated).
    void Diagnose(std::string text);

    TEngineOptions options_;
    bool quit_ = false;
    bool closeRequested_ = false;
    bool shutDown_ = false;
    bool active_ = true;
    bool fullScreen_ = false;
    bool logoDone_ = true;
    bool logoStarted_ = false;
    int32_t logoId_ = 0;
    IGameWindow* window_ = nullptr;
    std::string cursorShown_, cursorTried_;
    // Diagnostics already given (a failing command fails again every frame).
    std::set<std::string> diagnosed_;
    bool ownTemp_ = false;
    std::string step_;
    std::vector<std::string> steps_;
    std::string title_;
    TFrameClock clock_;
    TFastForward fastForward_;
    // A frame ran without being shown: the next shown one brings the whole screen.
    bool presentWhole_ = false;
    std::unique_ptr<IHostFileSystem> ownFs_;
    IHostFileSystem* fs_ = nullptr;
    std::unique_ptr<TVrFileManager> files_;
    // Where the object, text and media commands go; filled when the root is made.
    TCommandHandlers commands_;
    // Declared before the root: the objects let go of their pictures first.
    std::unique_ptr<TQuilCollection> images_;
    std::unique_ptr<TFontPixelManager> fonts_;
    TTextServices textServices_;
    std::unique_ptr<TVeskReadList> readList_;
    std::unique_ptr<TVeskHistoryFormatManager> histories_;
    TMemoryClipboard ownClipboard_;
    bool textEntryOn_ = false;
    TRect textEntryCaret_{};
    std::unique_ptr<TVeskBaseList> root_;
    std::unique_ptr<TDisplayFuncs> displayFuncs_;
    TDBManager tables_;
    std::unique_ptr<TSystemFuncs> systemFuncs_;
    // "@CGDither" when there is no image cache to hold it.
    bool cgDither_ = false;
    std::unique_ptr<TParamCollection> store_;
    std::unique_ptr<TSysFuncMan> funcs_;
    TSaveParts saveParts_;
    std::vector<std::function<void()>> resetHooks_;
    std::unique_ptr<TGameSaves> saves_;
    std::unique_ptr<TProject> project_;
    // The sound output (the options' or our own silent one) and the managers it feeds.
    std::unique_ptr<AudioSystem> ownAudio_;
    AudioSystem* audio_ = nullptr;
    int64_t audioNow_ = 0;  // the frame clock's time the virtual audio clock has reached
    std::unique_ptr<TMediaSystem> media_;
};

}  // namespace vesk
