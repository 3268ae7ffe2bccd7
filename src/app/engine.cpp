#include "app/engine.h"

#include <filesystem>

#include "base/clock.h"
#include "base/cp932.h"
#include "base/error.h"
#include "display/display_commands.h"
#include "display/display_funcs.h"
#include "display/display_vars.h"
#include "display/effect_commands.h"
#include "display/motion_file.h"
#include "display/quil_collection.h"
#include "display/vesk_base_list.h"
#include "display/wipe_factory.h"
#include "gfx/cursor_file.h"
#include "platform/posix_file_system.h"
#include "vars/param_collection.h"
#include "vars/sys_func_table.h"
#include "vars/vesk_parser.h"
#include "vfs/host_path.h"
#include "vfs/vr_file_manager.h"

namespace vesk {

TEngine::TEngine(TEngineOptions options) : options_(std::move(options)) {
    fs_ = options_.HostFs;
    if (!fs_) {
        ownFs_ = std::make_unique<TPosixFileSystem>();
        fs_ = ownFs_.get();
    }
    if (options_.TempFolder.empty()) {
        options_.TempFolder = fs_->MakeTempFolder("veskplay-");
        ownTemp_ = !options_.TempFolder.empty();
        // Without a folder of its own the work files go to the shared one, which is never
        // removed as a whole.
        if (!ownTemp_) {
            std::error_code ec;
            options_.TempFolder = std::filesystem::temp_directory_path(ec).string();
            if (ec) options_.TempFolder = "/tmp";
        }
    }
    if (!options_.Now) options_.Now = MonotonicMs;
    logoDone_ = !options_.Logo;
    files_ = std::make_unique<TVrFileManager>(*fs_, options_.TempFolder, options_.CdRoots,
                                              options_.MessageBox);
}

TEngine::~TEngine() {
    Shutdown();
    files_.reset();
    if (ownTemp_) {
        std::error_code ec;
        std::filesystem::remove_all(options_.TempFolder, ec);
    }
}

void TEngine::Step(const char* label) {
    step_ = label;
    steps_.emplace_back(label);
}

bool TEngine::Start() {
    // The archives first (memory collection, then by command line), then the variables
    // and functions, then the project.
    files_->RegisterStartupArchives(options_.ExePath, options_.Args);
    store_ = std::make_unique<TParamCollection>();
    funcs_ = std::make_unique<TSysFuncMan>(*store_);
    store_->SetSystemProvider(this);
    if (!options_.Display) {
        // The object tree answers the object functions and passes the rest on to the engine.
        root_ = std::make_unique<TVeskBaseList>(640, 480);
        // Pictures come through the shared cache; one that cannot be shown is told once.
        images_ = std::make_unique<TQuilCollection>(*files_);
        images_->SetDiagnostic([this](const std::string& file, const std::string& reason) {
            std::string name;
            if (!TryCp932ToUtf8(file, name)) name = file;
            Diagnose(name + ": " + reason + "; the picture shows nothing");
        });
        root_->SetImages(images_.get());
        // Animations evaluate their end-of-loop delay against the game's variables.
        root_->SetEvaluator([this](TVeskParser& e) -> TCustomParam* {
            if (e.Ops.empty() || !store_) return nullptr;
            e.Execute(*store_, funcs_.get());
            return e.Result.get();
        });
        // Each subsystem registers the object kinds it makes and the commands it carries out.
        RegisterDisplayKinds(root_->Kinds());
        RegisterEffectKinds(root_->Kinds());
        RegisterDisplayCommands(commands_, *root_);
        RegisterEffectCommands(commands_, *root_);
        // Region files and preview menus come from the game's files; a choice on a map or a
        // menu lands in "@SelStr" and "@SelIndex".
        root_->SetFileReader([this](const std::string& n) { return files_->LoadBytes(n); });
        root_->SetSelectionSink([this](const std::string& text, int32_t index) {
            store_->SelStr = text;
            store_->SelIndex = index;
        });
        // Flips run their transitions; mask pictures come from the game's files.
        root_->SetWipeFactory(MakeWipeFactory(*files_));
        // Boxes whose source is a ".lmt" motion file get their track through the file manager.
        root_->SetMotionLoader(
            MotionFileLoader([this](const std::string& n) { return files_->LoadBytes(n); }));
        displayFuncs_ = std::make_unique<TDisplayFuncs>(*root_, this);
        funcs_->SetHost(displayFuncs_.get());
    } else {
        funcs_->SetHost(this);
    }

    Step("TProject.Create");
    TProjectEnv env{
        .Files = *files_,
        .Store = *store_,
        .Funcs = funcs_.get(),
        .QuitFlag = quit_,
        .MessageBox = options_.MessageBox,
        .Host = this,
        .Saves = options_.Saves,
        .Display = options_.Display ? options_.Display : root_.get(),
        .Commands = &commands_,
        .Trace = options_.Trace,
        .ExeFolder = options_.ExePath.empty() ? std::string() : HostFolderOf(options_.ExePath),
        .HasGameArg = !options_.Args.empty()};
    project_ = std::make_unique<TProject>(std::move(env));
    try {
        project_->Create();
        // The screen the project asks for; one no surface can have ends the start.
        if (root_ && project_->ScreenWidth > 0 && project_->ScreenHeight > 0)
            root_->SetScreenSize(project_->ScreenWidth, project_->ScreenHeight);
    } catch (const std::exception& e) {
        quit_ = true;
        ShowError(e);
    }
    step_.clear();
    // Protected pictures unscramble with the project's image code.
    if (images_) images_->SetImageCode(project_->ImageCode);
    clock_.Start(options_.Now());
    return !quit_;
}

bool TEngine::Tick(int64_t now) {
    if (!active_) return false;
    if (!clock_.Advance(now)) return false;
    Frame();
    return true;
}

void TEngine::Frame() {
    if (!project_) return;
    try {
        files_->DeleteQueuedFiles();
        if (root_) {
            // Objects without a cursor of their own show the one the script chose.
            root_->SetDefaultCursor(store_->CursorName);
            root_->ProcessInput(clock_.FrameTime());
            UpdateCursor();
        }
        if (!logoDone_) RunLogo();
        if (logoDone_) project_->Run();
        if (quit_) return;
        if (root_) root_->StepAll(clock_.FrameTime());
        clock_.CountFrame();
        project_->HandleRequests();
        if (root_) {
            root_->PaintAll();
            if (options_.Present) options_.Present(*root_);
            root_->ClearDirty();
        }
    } catch (const std::exception& e) {
        // Like any error that reaches the application: shown, and the game goes on.
        ShowError(e);
    }
}

void TEngine::RunLogo() {
    TVeskControl* logo = nullptr;
    if (!logoStarted_) {
        logoStarted_ = true;
        try {
            logo = options_.Logo(*root_);
        } catch (const std::exception&) {
            logo = nullptr;  // a logo that cannot be made is skipped, never a reason to stop
        }
        logoId_ = logo ? logo->Id() : 0;
    } else if (TVeskObject* o = root_->ById(logoId_)) {
        logo = static_cast<TVeskControl*>(o);
    }
    if (logo) {
        const TMouseClicks& c = root_->FrontLayer().Clicks();
        bool skip = c.Left || c.Right;
        for (int32_t vk : {0x20, 0x0D}) skip = skip || root_->KeyPressedThisFrame(vk);
        // Skipped: gone now, and the script starts in the next frame as after its end.
        if (skip) root_->Destroy(logo);
        return;
    }
    // Gone: the script starts in this frame, and nothing the logo read stays cached.
    logoDone_ = true;
    logoId_ = 0;
    files_->ClearCache();
}

void TEngine::UpdateCursor() {
    const std::string& wanted = root_->CursorWanted();
    if (wanted == cursorShown_ || (!wanted.empty() && wanted == cursorTried_)) return;
    cursorTried_.clear();
    if (wanted.empty()) {
        if (!window_ || window_->ShowCursorImage(nullptr)) cursorShown_.clear();
        return;
    }
    // A cursor file that cannot be loaded leaves the previous cursor; it is not read again
    // every frame while it stays wanted.
    try {
        std::vector<uint8_t> bytes = files_->LoadBytes(wanted);
        TCursorImage image = ReadCursorFile(bytes.data(), bytes.size());
        if (!window_ || window_->ShowCursorImage(&image)) {
            cursorShown_ = wanted;
            return;
        }
    } catch (const std::exception&) {
    }
    cursorTried_ = wanted;
}

void TEngine::ActiveChanged(bool active, int64_t now) {
    // Before the project exists the game counts as one that pauses.
    const bool pauses = !project_ || project_->PauseInactive;
    if (!active) {
        if (!pauses) return;
        active_ = false;
        // Keys and buttons let go while away must not stay held.
        if (root_) root_->ReleaseHeldInput();
        return;
    }
    active_ = true;
    clock_.Resync(now);
}

void TEngine::SetFullScreen(bool on) {
    if (on == FullScreen()) return;
    const std::string mode = on ? "SetFullScreen.Full" : "SetFullScreen.Normal";
    // Each step carries its label, so an error names where the switch broke. The surfaces
    // are given up while the display changes and made anew after it.
    try {
        step_ = mode + ".Bases.FreeDX";
        if (root_) root_->ReleaseSurfaces();
        step_ = mode + (on ? ".SetScreenManIndex" : ".RestoreWindow");
        if (!window_)
            fullScreen_ = on;
        else if (!window_->SetFullScreen(on) && on)
            step_ = "SetFullScreen.Full.SetScreenManIndexFail";
        step_ = "SetFullScreen.Bases.Reload";
        if (root_) root_->RestoreSurfaces();
    } catch (const std::exception& e) {
        const std::string where = step_;
        ShowError(e, where.c_str());
        // Whatever failed, the game must have surfaces to draw on again.
        if (root_) {
            try {
                root_->RestoreSurfaces();
            } catch (const std::exception&) {
            }
        }
    }
    step_.clear();
}

void TEngine::CommandFailed(const std::string& where, const std::string& message) {
    std::string whereUtf8;
    if (!TryCp932ToUtf8(where, whereUtf8)) whereUtf8 = where;
    Diagnose(whereUtf8 + ": " + message);
}

void TEngine::CommandNotCarriedOut(const std::string& name) {
    Diagnose(name + " is not carried out yet; the game goes on without it");
}

void TEngine::Diagnose(std::string text) {
    if (!options_.Diagnostic) return;
    // A game stuck on a broken command repeats it every frame: each is told once, and a
    // game with endless distinct failures stops being reported after a while.
    constexpr size_t kMaxDiagnostics = 1000;
    if (diagnosed_.size() > kMaxDiagnostics || !diagnosed_.insert(text).second) return;
    if (diagnosed_.size() > kMaxDiagnostics)
        text = "more commands fail; no more of them are reported";
    options_.Diagnostic(text);
}

void TEngine::ShowError(const std::exception& e, const char* label) {
    if (!options_.MessageBox) return;
    auto* v = dynamic_cast<const VeskError*>(&e);
    std::string text = v ? v->Text() : std::string(e.what());
    if (label) text = std::string(label) + "\r\n" + text;
    options_.MessageBox->Show(text, VESK_JP("警告"), MsgButtons::Ok, MsgIcon::Warning);
}

void TEngine::Shutdown(const std::function<void(TEngine&)>& afterProject) {
    if (shutDown_) return;
    shutDown_ = true;
    quit_ = true;
    // A step that fails is reported with its label and the next one still runs: the
    // shut-down must free everything (it also runs from the destructor).
    auto step = [this](const char* label, const std::function<void()>& body) {
        Step(label);
        try {
            body();
        } catch (const std::exception& e) {
            ShowError(e, label);
        }
    };
    if (project_)
        step("Project.Free", [this] {
            // Gone even when freeing fails; the quit page still sees the project.
            struct Release {
                std::unique_ptr<TProject>& p;
                ~Release() { p.reset(); }
            } release{project_};
            project_->Free();
        });
    if (afterProject && store_) afterProject(*this);
    if (funcs_) step("SysFuncMan.Free", [this] { funcs_.reset(); });
    if (store_) step("ParamMan.Free", [this] { store_.reset(); });
    if (root_)
        step("VeskFinalize", [this] {
            displayFuncs_.reset();
            root_.reset();
            images_.reset();
        });
    // The media system ("MediaFinal") joins here.
    step_.clear();
}

void TEngine::WriteSystemVar(int id, const TCustomParam& value) {
    if (id == SV_FULLSCR) {
        SetFullScreen(value.AsFlag());
        return;
    }
    if (root_ && WriteDisplayVar(*root_, id, value) && window_ &&
        (id == SV_MOUSEX || id == SV_MOUSEY)) {
        // The pointer itself moves, not only the game's idea of it.
        TVeskBase& front = root_->FrontLayer();
        window_->WarpPointer(front.MouseX(), front.MouseY());
    }
}

std::unique_ptr<TCustomParam> TEngine::ReadSystemVar(int id) {
    if (root_)
        if (auto v = ReadDisplayVar(*root_, id)) return v;
    switch (id) {
        case SV_SCRWIDTH:
            return IntParam(project_ ? project_->ScreenWidth : 0);
        case SV_SCRHEIGHT:
            return IntParam(project_ ? project_->ScreenHeight : 0);
        case SV_TICKCOUNT:
            return IntParam(clock_.TickCount());
        case SV_PCTICKCOUNT:
            return IntParam(int32_t(uint32_t(options_.Now())));
        case SV_UPDATECOUNT:
            return IntParam(int32_t(clock_.FrameCount()));
        case SV_TITLE:
            return StrParam(title_);
        case SV_FULLSCR:
            return FlagParam(FullScreen());
        default:
            return nullptr;
    }
}

bool TEngine::ExecFunc(SysFuncCall& call) {
    if (!project_) return false;
    switch (call.index) {
        case SF_GETSAVECAPTION:
            call.dest.SetStr(project_->SaveCaption(call.Arg(0).AsInt()));
            return true;
        case SF_LISTSAVECAPTION: {
            const auto& captions = project_->SaveCaptions();
            if (call.Has(0)) {
                TCustomParam* out = &call.Arg(0);
                if (auto* ref = dynamic_cast<TParamVar*>(out)) out = ref->TargetParam();
                if (out && out->ParamType() == PT_STR && !captions.empty()) {
                    auto list = MakeParam(PT_STR);
                    list->SetDims({int32_t(captions.size())});
                    int32_t i = 0;
                    for (const auto& c : captions) list->SetStrAt(i++, c.second);
                    out->CopyFrom(*list);
                }
            }
            call.dest.SetInt(int32_t(captions.size()));
            return true;
        }
        default:
            return false;
    }
}

}  // namespace vesk
