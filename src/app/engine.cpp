#include "app/engine.h"

#include <filesystem>
#include "app/system_funcs.h"

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
#include "media/audio_system.h"
#include "media/fluid_synth.h"
#include "media/media_commands.h"
#include "platform/posix_file_system.h"
#include "script/call_man.h"
#include "text/font_faces.h"
#include "text/font_pixels.h"
#include "text/history.h"
#include "text/mes_commands.h"
#include "text/read_list.h"
#include "text/text_commands.h"
#include "ui/text_entry.h"
#include "ui/ui_commands.h"
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
    audio_ = options_.Audio;
    if (!audio_) {
        // Silent, but sounds still take their time and end.
        ownAudio_ = AudioSystem::Headless();
        audio_ = ownAudio_.get();
    }
    logoDone_ = !options_.Logo;
    files_ = std::make_unique<TVrFileManager>(*fs_, options_.TempFolder, options_.CdRoots,
                                              options_.MessageBox);
}

TEngine::~TEngine() {
    Shutdown();
    media_.reset();
    ownAudio_.reset();
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
    if (options_.RandomSeed) funcs_->SeedRandom(*options_.RandomSeed);
    store_->SetSystemProvider(this);
    funcs_->SetTables(&tables_);
    funcs_->SetFileLoader([this](const std::string& name) -> std::optional<std::vector<uint8_t>> {
        try {
            if (files_->Exists(name)) return files_->LoadBytes(name);
        } catch (const std::exception&) {
        }
        return std::nullopt;
    });
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
        // Text draws from one glyph cache; a game may map face names to fonts of its own.
        fonts_ = std::make_unique<TFontPixelManager>();
        if (TFontFaceMap* faces = fonts_->Rasterizer().Faces())
            for (const auto& [face, pattern] : options_.FontFaces)
                faces->SetOverride(face, pattern);
        textServices_ =
            TTextServices{.Fonts = fonts_.get(),
                          .Images = images_.get(),
                          .Files = files_.get(),
                          .Store = store_.get(),
                          .Funcs = funcs_.get(),
                          .Clipboard = options_.Clipboard ? options_.Clipboard : &ownClipboard_};
        // Message windows and the history read the texts stored in the script pages.
        textServices_.TextBlock = [this](const std::string& page, int32_t index,
                                         std::string& block) {
            TCallMan* cm = project_ ? project_->CallMan() : nullptr;
            if (!cm) return false;
            try {
                const std::string* b = cm->TextBlockOf(page, index);
                if (!b) return false;
                block = *b;
                return true;
            } catch (const std::exception&) {
                return false;  // a page that cannot be read has no text
            }
        };
        readList_ = std::make_unique<TVeskReadList>();
        textServices_.ReadList = readList_.get();
        histories_ = std::make_unique<TVeskHistoryFormatManager>(textServices_);
        textServices_.Histories = histories_.get();
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
        root_->SetWipeFactory(MakeWipeFactory(*files_, *images_, options_.RandomSeed));
        RegisterTextKinds(root_->Kinds(), textServices_);
        RegisterTextCommands(commands_, *root_, *histories_, *readList_);
        RegisterUiKinds(root_->Kinds(), textServices_);
        RegisterUiCommands(commands_, *root_);
        // Boxes whose source is a ".lmt" motion file get their track through the file manager.
        root_->SetMotionLoader(
            MotionFileLoader([this](const std::string& n) { return files_->LoadBytes(n); }));
        displayFuncs_ = std::make_unique<TDisplayFuncs>(*root_, this);
        funcs_->SetHost(displayFuncs_.get());
    } else {
        funcs_->SetHost(this);
    }

    // Files on disk and the desktop; the modes are learnt when first asked for.
    systemFuncs_ = std::make_unique<TSystemFuncs>(TSystemFuncsEnv{
        .Files = files_.get(),
        .MessageBox = options_.MessageBox,
        .Desktop = options_.Desktop,
        .WallpaperPath = options_.WallpaperPath,
        .Screen = [this]() -> TCustomDIBX* {
            return root_ ? &root_->FrontLayer().Surface() : nullptr;
        },
        .LayerPicture = [this](bool other) -> TCustomDIBX* {
            if (!root_) return nullptr;
            return &(other ? root_->BackLayer() : root_->FrontLayer()).Surface();
        },
        .SaveFolder =
            [this] {
                if (!project_ || project_->SaveFilePath.empty()) return std::string();
                return std::filesystem::path(project_->SaveFilePath).parent_path().string();
            },
        // CopyFile into a "save:" name; SaveScreen writes its own (below).
        .WriteSaveMember =
            [this](const std::string& name, const std::vector<uint8_t>& bytes) {
                if (!saves_ || !project_) return false;
                try {
                    saves_->StoreFile(*project_, name, bytes);
                    return true;
                } catch (const std::exception&) {
                    return false;
                }
            },
        .DropPicture =
            [this](const std::string& n) {
                if (images_) images_->Purge(n);
            },
        .GameSize =
            [this] {
                return project_ ? std::pair{project_->ScreenWidth, project_->ScreenHeight}
                                : std::pair{0, 0};
            },
        .PreferredSize =
            [this] {
                return project_ ? std::pair{project_->FullWidth, project_->FullHeight}
                                : std::pair{0, 0};
            }});

    MakeSaves();
    Step("TProject.Create");
    TProjectEnv env{
        .Files = *files_,
        .Store = *store_,
        .Funcs = funcs_.get(),
        .QuitFlag = quit_,
        .MessageBox = options_.MessageBox,
        .Host = this,
        .Saves = options_.Saves ? options_.Saves : saves_.get(),
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
    if (!quit_) MediaInit();
    step_.clear();
    // Protected pictures unscramble with the project's image code.
    if (images_) images_->SetImageCode(project_->ImageCode);
    clock_.Start(options_.Now());
    audioNow_ = options_.Now();
    return !quit_;
}

void TEngine::MakeSaves() {
    if (root_) {
        saveParts_.Display = {[this](StreamWriter& w) { root_->SaveState(w); },
                              [this](StreamReader& r, int32_t v) { root_->LoadState(r, v); }};
        saveParts_.CacheDepth = [this] { return images_->ScreenDepthFrames(); };
        saveParts_.SetCacheDepth = [this](bool on) { images_->SetScreenDepthFrames(on); };
        // Message windows lay their text out again once everything they refer to is back.
        saveParts_.AfterLoad = [this] {
            for (int32_t i = 0; i < root_->ObjectCount(); ++i)
                if (TVeskComponent* o = root_->ObjectAt(i); o->Kind() == LT_MES)
                    o->RestoreAfterLoad();
        };
    }
    if (histories_)
        saveParts_.Histories = {[this](StreamWriter& w) { histories_->Save(w); },
                                [this](StreamReader& r, int32_t v) { histories_->Load(r, v); }};
    if (readList_)
        saveParts_.ReadList = {[this](StreamWriter& w) { readList_->Save(w); },
                               [this](StreamReader& r, int32_t v) { readList_->Load(r, v); }};
    // Tables kept with games travel in game records, the others in the status.
    saveParts_.GameTables = {
        [this](StreamWriter& w) { tables_.SaveGameTables(w.Base()); },
        [this](StreamReader& r, int32_t v) { tables_.LoadGameTables(r.Base(), v); }};
    saveParts_.StatusTables = {
        [this](StreamWriter& w) { tables_.SaveStatusTables(w.Base()); },
        [this](StreamReader& r, int32_t v) { tables_.LoadStatusTables(r.Base(), v); }};
    if (options_.Saves) return;
    TSaveLocation where;
    if (!options_.Args.empty())
        where.GameFolder = options_.Args.front();
    else if (!options_.ExePath.empty())
        where.GameFolder = HostFolderOf(options_.ExePath);
    if (!options_.DataHome.empty()) {
        const std::string home = options_.DataHome;
        where.DataFolder = [home](const std::string& projectName) {
            std::string name;
            if (!TryCp932ToUtf8(projectName, name)) name = projectName;
            return (std::filesystem::path(home) / "veskplay" / SaveFolderName(name)).string();
        };
    }
    saves_ = std::make_unique<TGameSaves>(*fs_, std::move(where), saveParts_, options_.MessageBox);
    saves_->SetDiagnostic([this](const std::string& text) { Diagnose(text); });
}

void TEngine::MediaInit() {
    Step("MediaInit");
    TMediaSources sources{
        .OpenRange = [this](const std::string& n) { return files_->OpenRange(n); },
        .LoadBytes = [this](const std::string& n) { return files_->LoadBytes(n); },
        .Exists = [this](const std::string& n) { return files_->Exists(n); }};
    // The synthesizer always; the system's MIDI ports only when the sound is heard (a
    // headless run must not play on the machine's synthesizers).
    TMidiDevices midi = SynthMidiDevices(audio_->Bus());
    if (!audio_->Virtual() && options_.MidiPorts) {
        TMidiDevices ports = options_.MidiPorts();
        midi.insert(midi.end(), std::make_move_iterator(ports.begin()),
                    std::make_move_iterator(ports.end()));
    }
    media_ = std::make_unique<TMediaSystem>(*audio_, std::move(sources), options_.Media,
                                            std::move(midi));
    // A missing file may be on another disk: the project asks for it.
    media_->SetExists([this](const std::string& n) { return project_ && project_->PageExists(n); });
    if (root_) {
        RegisterMediaKinds(root_->Kinds(), *media_);
        RegisterMediaCommands(commands_, *root_, *media_);
        media_->SetSoundEnabled(root_->SoundOn());
    }
}

bool TEngine::Tick(int64_t now) {
    // On a virtual audio clock the sound of the time since the last tick is mixed first,
    // so that what this frame starts begins on the frame's first sample.
    if (audio_->Virtual() && now > audioNow_) {
        audio_->Advance(uint32_t(std::min<int64_t>(now - audioNow_, 600000)));
        audioNow_ = now;
    }
    if (!active_) return false;
    if (!clock_.Advance(now)) return false;
    int32_t frames = FramesPerTick();
    fastForward_.SetRunning(frames > 1);
    audio_->Bus().SetMuted(fastForward_.Running() &&
                           fastForward_.Sound() == FastForwardSound::Mute);
    for (int32_t i = 1;; ++i) {
        const bool last = i >= frames;
        RunFrame(last ? FrameShown::Shown : FrameShown::Hidden);
        if (last || quit_ || closeRequested_) break;
        // A menu or an edit that took the focus meanwhile ends the run with the next frame,
        // which is shown.
        if (!FastForwardAllowed()) frames = i + 1;
        clock_.Repeat();
    }
    return true;
}

int32_t TEngine::FramesPerTick() {
    if (!fastForward_.Held() || fastForward_.Speed() <= 1 || !FastForwardAllowed()) return 1;
    return fastForward_.Speed();
}

bool TEngine::FastForwardAllowed() {
    if (!root_) return true;
    const TVeskControl* focused = root_->Focused();
    return !focused || !focused->TakesKeysForItself();
}

void TEngine::RunFrame(FrameShown shown) {
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
        // The frame of a load is not drawn: the next one shows the loaded game whole.
        const bool loaded = project_->HandleRequests();
        if (loaded) presentWhole_ = true;
        if (root_ && !loaded) {
            root_->PaintAll();
            UpdateTextEntry();
            if (shown == FrameShown::Hidden) {
                presentWhole_ = true;
            } else if (options_.Present) {
                options_.Present(*root_, presentWhole_ ? PresentArea::Whole : PresentArea::Changed);
                presentWhole_ = false;
            }
            root_->ClearDirty();
        }
        // The videos move on to the pictures of the next frame.
        if (media_) media_->Update(clock_.FrameTime());
        audio_->KeepAlive();
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

void TEngine::UpdateTextEntry() {
    TRect caret{};
    auto* target = dynamic_cast<ITextEntryTarget*>(root_->Focused());
    const bool on = target && target->WantsTextEntry(caret);
    if (on == textEntryOn_ && (!on || caret == textEntryCaret_)) return;
    textEntryOn_ = on;
    textEntryCaret_ = caret;
    if (window_) window_->SetTextEntry(on, caret);
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
    // Keys let go while away never arrive: fast-forward is let go with them.
    if (!active) fastForward_.ReleaseAll();
    if (!active) {
        if (!pauses) return;
        active_ = false;
        // Keys and buttons let go while away must not stay held.
        if (root_) root_->ReleaseHeldInput();
        if (media_) media_->Suspend();
        return;
    }
    const bool wasActive = active_;
    active_ = true;
    clock_.Resync(now);
    if (media_ && !wasActive) media_->Resume();
}

void TEngine::SetFullScreen(bool on) {
    if (on == FullScreen()) return;
    const std::string mode = on ? "SetFullScreen.Full" : "SetFullScreen.Normal";
    // Each step carries its label, so an error names where the switch broke. The surfaces
    // are given up while the display changes and made anew after it.
    try {
        step_ = mode + ".Bases.FreeDX";
        if (root_) root_->ReleaseSurfaces();
        step_ = mode + ".MediaSuspend";
        if (media_) media_->SuspendVideo();
        step_ = mode + (on ? ".SetScreenManIndex" : ".RestoreWindow");
        if (!window_)
            fullScreen_ = on;
        else if (!window_->SetFullScreen(on) && on)
            step_ = "SetFullScreen.Full.SetScreenManIndexFail";
        step_ = "SetFullScreen.Bases.Reload";
        if (root_) root_->RestoreSurfaces();
        step_ = "SetFullScreen.MediaResume";
        if (media_) media_->ResumeVideo();
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
        if (media_) media_->ResumeVideo();
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
            histories_.reset();
            readList_.reset();
            images_.reset();
            fonts_.reset();
            textServices_ = TTextServices{};
        });
    // The media last: every object that played media has gone with the root.
    if (media_) step("MediaFinal", [this] { media_.reset(); });
    step_.clear();
}

void TEngine::ResetWorld() {
    if (histories_) histories_->ClearAll();
    tables_.RemoveGameTables();
    for (const auto& hook : resetHooks_) hook();
}

void TEngine::WriteSystemVar(int id, const TCustomParam& value) {
    if (histories_ && WriteHistoryVar(*histories_, id, value)) return;
    if (id == SV_FULLSCR) {
        SetFullScreen(value.AsFlag());
        return;
    }
    if (id == SV_MIDIPORT) {
        if (media_) media_->Midi().SelectPort(value.AsStr());
        return;
    }
    if (systemFuncs_ && systemFuncs_->WriteVar(id, value)) return;
    if (id == SV_CGDITHER) {
        if (images_)
            images_->SetScreenDepthFrames(value.AsFlag());
        else
            cgDither_ = value.AsFlag();
        return;
    }
    if (id == SV_SOUNDON && media_) media_->SetSoundEnabled(value.AsFlag());
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
    if (fonts_)
        if (auto v = ReadTextVar(*fonts_, id)) return v;
    if (systemFuncs_)
        if (auto v = systemFuncs_->ReadVar(id)) return v;
    if (histories_)
        if (auto v = ReadHistoryVar(*histories_, id)) return v;
    switch (id) {
        case SV_CGDITHER:
            return FlagParam(images_ ? images_->ScreenDepthFrames() : cgDither_);
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
        case SV_MIDIPORT:
            return StrParam(media_ ? media_->Midi().PortName() : std::string());
        case SV_MIDIPORTS: {
            auto list = MakeParam(PT_STR);
            const std::vector<std::string> names =
                media_ ? media_->Midi().PortNames() : std::vector<std::string>();
            if (!names.empty()) {
                list->SetDims({int32_t(names.size())});
                for (size_t i = 0; i < names.size(); ++i) list->SetStrAt(int32_t(i), names[i]);
            }
            return list;
        }
        default:
            return nullptr;
    }
}

namespace {

bool StartsWithNoCase(const std::string& s, std::string_view prefix) {
    return s.size() >= prefix.size() &&
           LowerAscii(s.substr(0, prefix.size())) == LowerAscii(std::string(prefix));
}

}  // namespace

void TEngine::PutMemoryFile(const std::string& name, const std::vector<uint8_t>& bytes) {
    if (files_->CollectionCount() == 0) return;
    TVrFileCollection& memory = files_->Collection(0);
    while (memory.Find(name)) memory.RemoveEntry(name);
    memory.AddMemoryEntry(name)->Data->Bytes() = bytes;
}

bool TEngine::SaveScreen(SysFuncCall& c) {
    if (!root_ || !project_) return false;
    const std::string name = c.Arg(0).AsStr();
    if (name.size() < 4 || LowerAscii(name.substr(name.size() - 4)) != ".qil") return false;
    int32_t width = c.Has(1) ? c.Arg(1).AsInt() : 0;
    int32_t height = c.Has(2) ? c.Arg(2).AsInt() : 0;
    if (width == 0) width = root_->ScreenWidth();
    if (height == 0) height = root_->ScreenHeight();
    // A thumbnail larger than any screen is a script's mistake, not a reason to allocate
    // without bound.
    constexpr int32_t kMaxSide = 8192;
    if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide) return false;
    const bool otherLayer = c.Has(3) && c.Arg(3).AsFlag();
    // Nothing happens without a save folder.
    std::string savePath;
    try {
        savePath = saves_ ? saves_->SavePath(*project_) : project_->SaveFilePath;
    } catch (const VeskError&) {
        return false;
    }
    if (savePath.empty() || !fs_->IsFolder(HostFolderOf(savePath))) return false;
    const std::vector<uint8_t> bytes = ScreenImage(*root_, otherLayer, width, height);
    if (StartsWithNoCase(name, "mem:")) {
        PutMemoryFile(name, bytes);
    } else if (StartsWithNoCase(name, "save:")) {
        if (!saves_) return false;
        saves_->StoreFile(*project_, name, bytes);
        // Read back at the next start; this run sees it at once.
        PutMemoryFile(name, bytes);
    } else {
        // A plain name is a file of the save folder, never a path out of it.
        if (name.find_first_of("\\/:") != std::string::npos) return false;
        const std::string path = WithSlash(HostFolderOf(savePath)) + NativeName(name);
        WriteHostFileAtomic(*fs_, path, bytes.data(), bytes.size());
    }
    if (images_) images_->Purge(name);
    return true;
}

bool TEngine::ExecFunc(SysFuncCall& call) {
    // SaveScreen is the engine's: its pictures go into the save file, which only it holds.
    if (call.index == SF_SAVESCREEN && project_) {
        call.dest.SetFlag(SaveScreen(call));
        return true;
    }
    if (systemFuncs_ && systemFuncs_->ExecFunc(call)) return true;
    if (histories_ && ExecHistoryFunc(*histories_, call)) return true;
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
