#include "app/player.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include "app/engine.h"
#include "app/form_config.h"
#include "app/frame_loop.h"
#include "app/game_ini.h"
#include "app/game_location.h"
#include "app/headless_box.h"
#include "app/input_script.h"
#include "app/quit_prompt.h"
#include "app/root_input.h"
#include "app/screenshot_key.h"
#include "app/screenshots.h"
#include "app/start_logo.h"
#include "app/user_folders.h"
#include "app/var_dump.h"
#include "app/window_memory.h"
#include "base/clock.h"
#include "base/error.h"
#include "base/host_file_system.h"
#include "display/vesk_base_list.h"
#include "gfx/dibx.h"
#include "media/audio_system.h"
#include "platform/alsa_midi.h"
#include "platform/desktop.h"
#include "platform/instance_lock.h"
#include "platform/sdl_audio.h"
#include "platform/sdl_clipboard.h"
#include "platform/sdl_config_dialog.h"
#include "platform/sdl_dialogs.h"
#include "platform/sdl_message_box.h"
#include "platform/sdl_window.h"
#include "script/script_env.h"

namespace fs = std::filesystem;

namespace vesk {

namespace {

// Ctrl+C or a termination request closes the game as the window's close button would: the
// quit page runs and the player shuts down in order. The flag is the signal's only trace.
volatile std::sig_atomic_t gCloseSignal = 0;
extern "C" void OnCloseSignal(int) {
    gCloseSignal = 1;
}

void Say(const std::string& text) {
    std::fprintf(stderr, "veskplay: %s\n", text.c_str());
}

// The engine's and the frame loop's view of the SDL window.
class TWindowHost final : public IGameWindow, public ILoopWindow {
  public:
    explicit TWindowHost(TSdlWindow& w) : w_(w) {}
    bool FullScreen() const override { return w_.FullScreen(); }
    bool SetFullScreen(bool on) override { return w_.SetFullScreen(on); }
    void WarpPointer(int32_t x, int32_t y) override { w_.WarpPointer(x, y); }
    bool ShowCursorImage(const TCursorImage* image) override { return w_.ShowCursorImage(image); }
    void SetTextEntry(bool on, const TRect& caret) override { w_.SetTextEntry(on, caret); }
    void PumpEvents(IWindowInput& input) override { w_.PumpEvents(input); }
    void SetTitle(const std::string& title) override { w_.SetTitle(title); }

    // The game picture as the window shows it.
    std::unique_ptr<TDIBX> ReadPicture() {
        std::vector<uint32_t> pixels;
        int32_t w = 0, h = 0;
        if (!w_.ReadPicturePixels(pixels, w, h)) Fail("the window cannot be read");
        auto dib = std::make_unique<TDIBX>(w, h, 32);
        for (int32_t y = 0; y < h; ++y)
            std::memcpy(dib->PixelAddress(0, y), &pixels[size_t(y) * size_t(w)], size_t(w) * 4);
        return dib;
    }

  private:
    TSdlWindow& w_;
};

// The window of the game's screen at the root's zoom, scaled and placed as the options and
// the remembered place say; null (and said why) without a display.
std::unique_ptr<TSdlWindow> OpenGameWindow(TEngine& engine, const TWindowOptions& options) {
    TVeskBaseList* root = engine.Root();
    if (!root) return nullptr;
    int64_t zoom = root->ZoomPercent() > 0 ? root->ZoomPercent() : 100;
    std::string error;
    auto window =
        TSdlWindow::Open(ReadableText(engine.Title()), int32_t(root->ScreenWidth() * zoom / 100),
                         int32_t(root->ScreenHeight() * zoom / 100), options, &error);
    if (!window)
        Say(error +
            "; running without a window on the real clock (for tests and scripts, veskplay "
            "--headless GAME runs on a virtual clock)");
    return window;
}

// The screenshot key's picture, told in the window's notice or, without one, on standard
// error.
void TakeScreenshot(TCustomDIBX& screen, const std::string& folder, TSdlWindow* window) {
    const TScreenshotResult shot = WriteScreenshot(screen, folder, std::time(nullptr));
    constexpr int64_t kNoticeMs = 2000;
    if (!shot.error.empty()) {
        Say("no screenshot: " + shot.error);
        if (window) window->ShowNotice("No screenshot (see the terminal)", kNoticeMs);
        return;
    }
    const std::string name = fs::path(shot.path).filename().string();
    if (!window || !window->ShowNotice("Screenshot: " + name, kNoticeMs))
        Say("screenshot saved: " + shot.path);
}

// The settings dialog runs instead of the game.
int RunSettings(const std::string& gameFolder) {
    TFormConfig form((fs::path(gameFolder) / "game.ini").string());
    std::string why;
    if (RunConfigDialog(form, &why) >= 0) return kExitEnded;
    Say("the settings dialog cannot be shown (" + why +
        "); the settings are the [Sound] keys DirectSound and DelayTime of " + form.IniPath());
    return kExitStartFailed;
}

}  // namespace

int RunPlayer(const TPlayerOptions& opt, IHostFileSystem& hostFs, const std::string& exePath,
              const std::string& demoFolder) {
    TGameLocation where;
    switch (LocateGame(opt, hostFs, exePath, demoFolder, where)) {
        case LocateResult::Found:
            break;
        case LocateResult::NoGame:
            std::fprintf(stderr, "veskplay: no game folder given and no demo game built\n%s",
                         TPlayerOptions::Usage().c_str());
            return kExitUsage;
        case LocateResult::NoSuchFolder:
            Say("no such game folder: " + where.GameFolder);
            return kExitUsage;
        case LocateResult::StartedFromDisc:
            // A player started from a disc ends at once: the game runs from its installed copy.
            return kExitStartFailed;
    }

    // One running player per game folder; a second one ends at once.
    TInstanceLock lock(where.GameFolder);
    if (!lock.Held()) return kExitStartFailed;
    if (opt.Config) return RunSettings(where.GameFolder);
    // A log left from an earlier run would mix with this one's.
    hostFs.Remove((fs::path(where.ExeFolder) / "veskplay.log").string());

    TInputScript inputScript;
    if (!opt.InputFile.empty()) {
        try {
            inputScript = TInputScript::Load(opt.InputFile);
        } catch (const std::exception& e) {
            Say(ReadableText(e.what()));
            return kExitUsage;
        }
    }

    THeadlessMessageBox box(opt.Answers);
    std::unique_ptr<TFileTraceWriter> trace;
    if (opt.Trace)
        trace = std::make_unique<TFileTraceWriter>(
            (fs::path(where.GameFolder) / "dbglog.txt").string());

    TVirtualClock virtualClock;
    std::unique_ptr<TSdlWindow> window;
    TEngineOptions eo;
    eo.ExePath = where.ExePath;
    eo.Args = where.Games;
    eo.CdRoots = where.CdRoots;
    eo.FontFaces = where.Config.FontFaces;
    eo.HostFs = &hostFs;
    // In a window the game's questions are message boxes; the headless box stands in when
    // they cannot be shown, and answers them when --answer says how.
    TSdlMessageBox windowBox(box, UserPrefersJapanese());
    const bool askUser = !opt.Headless && opt.Answers.empty() && DisplayConfigured();
    eo.MessageBox = askUser ? static_cast<IMessageBox*>(&windowBox) : &box;
    eo.Trace = trace.get();
    eo.Diagnostic = Say;
    // Edits copy to and paste from the desktop's clipboard when there is a window.
    TSdlClipboard clipboard;
    if (!opt.Headless) eo.Clipboard = &clipboard;
    // The engine reads the virtual clock the frame loop keeps in step with the ticks.
    if (opt.Headless) eo.Now = [&virtualClock] { return virtualClock.Now(); };
    // Our own short logo plays before the start page: in a window by default, on request
    // in headless runs.
    if (opt.Logo == 1 || (opt.Logo < 0 && !opt.Headless))
        eo.Logo = [](TVeskBaseList& root) -> TVeskControl* {
            return root.Create<TStartLogo>(root.ScreenWidth(), root.ScreenHeight());
        };
    // Only what changed reaches the window: the front layer's dirty rectangles and the
    // area the last composition repainted.
    // After frames that ran fast without being shown, the whole screen.
    eo.Present = [&window](TVeskBaseList& root, PresentArea area) {
        if (!window) return;
        std::vector<TRect> rects = root.FrontLayer().Dirty().Items();
        if (!root.WholeArea().IsEmpty()) rects.push_back(root.WholeArea());
        if (area == PresentArea::Whole)
            rects = {TRect{0, 0, root.Screen().Width(), root.Screen().Height()}};
        if (!rects.empty()) window->Present(root.Screen(), rects);
    };
    // The game's sound: the device on the real clock; headless, the virtual clock that the
    // frames move (and the file of --audio-out).
    std::unique_ptr<AudioSystem> audio;
    if (opt.Headless) {
        try {
            audio = AudioSystem::Headless(opt.AudioOut);
        } catch (const std::exception& e) {
            Say(ReadableText(e.what()));
            return kExitUsage;
        }
    } else {
        audio = AudioSystem::Realtime();
        audio->SetSink(StartAudioOutput(audio->Bus(), audio->Clock()));
        eo.MidiPorts = AlsaMidiDevices;
    }
    eo.Audio = audio.get();
    // The desktop answers dialogs and opens addresses only when someone sits at it.
    std::unique_ptr<IDesktop> desktop;
    if (!opt.Headless) {
        desktop = MakeLinuxDesktop();
        eo.Desktop = desktop.get();
        const std::string pictures = PicturesFolder(ProcessEnvironment());
        if (!pictures.empty()) eo.WallpaperPath = (fs::path(pictures) / "veskwall.bmp").string();
    }
    const TGameConfig config =
        TGameConfig::FromIni(TIniFile((fs::path(where.GameFolder) / "game.ini").string()));
    eo.Media = TMediaConfig{config.DirectSound, config.DelayTime, config.UseWMP};
    // A game folder that takes no files keeps its saves in the user's data folder.
    eo.DataHome = DataHome(ProcessEnvironment());
    // Headless runs repeat exactly: the same input gives the same pictures and sound.
    eo.RandomSeed = opt.Seed;
    if (opt.Headless && !eo.RandomSeed) eo.RandomSeed = TPlayerOptions::kHeadlessSeed;
    TEngine engine(eo);
    engine.FastForward().SetSpeed(opt.FastForwardSpeed);
    engine.FastForward().SetSound(opt.FfSound);

    const bool started = engine.Start();
    // The game's name names its screenshot folder and its remembered window.
    std::string gameName = ReadableText(engine.Title());
    if (gameName.empty()) gameName = fs::path(where.GameFolder).filename().string();
    const EnvLookup userEnv = ProcessEnvironment();
    const TWindowMemory windowMemory(ConfigHome(userEnv), where.GameFolder, gameName);
    std::optional<TWindowPlacement> placement;
    if (started && !opt.Headless) {
        placement = windowMemory.Load();
        TWindowOptions wo;
        wo.Scale = opt.Scale;
        wo.Filter = opt.Filter;
        wo.PadStick = opt.PadStick;
        wo.Placement = placement ? &*placement : nullptr;
        window = OpenGameWindow(engine, wo);
    }
    // Nobody would see the logo without a window, unless it was asked for.
    if (started && !window && opt.Logo < 0) engine.DropLogo();
    std::unique_ptr<TWindowHost> windowHost;
    if (window) {
        windowBox.SetParent(window->Handle());
        windowHost = std::make_unique<TWindowHost>(*window);
        engine.SetWindow(windowHost.get());
        // Full screen as it was left, through the engine like any switch.
        if (placement && placement->fullScreen) engine.SetFullScreen(true);
    }
    TRootInput input(
        engine,
        [&window](const std::string& title, const std::string& question, const char* yes,
                  const char* no) {
            return AskYesNo(window ? window->Handle() : nullptr, title, question, yes, no);
        },
        UserPrefersJapanese(), MonotonicMs);
    // Ctrl fast-forwards in a window; scripted runs hold fast-forward by name.
    if (window) input.SetCtrlKey(CtrlKey::FastForwards);

    const TShotSchedule shots(opt.Shots, opt.WindowShots);
    int64_t lastTick = 0;
    if (started) {
        if (!window && !shots.NoWindow().empty()) Say(shots.NoWindow());
        std::signal(SIGINT, OnCloseSignal);
        std::signal(SIGTERM, OnCloseSignal);
        TFrameLoopOptions lo;
        lo.Frames = opt.Frames;
        lo.FrameMs = opt.FrameMs;
        lo.Gaps = opt.Gaps;
        TFrameLoopEnv env;
        env.Clock = opt.Headless ? &virtualClock : nullptr;
        env.Input = &input;
        env.Script = &inputScript;
        env.Window = windowHost.get();
        env.StopRequested = [] { return gCloseSignal != 0; };
        const TShotSchedule::WindowReader readWindow =
            windowHost ? TShotSchedule::WindowReader([&] { return windowHost->ReadPicture(); })
                       : nullptr;
        const std::string shotFolder = ScreenshotFolder(userEnv, gameName);
        env.AfterTick = [&](int64_t tick) {
            box.FrameDone();
            TCustomDIBX* screen = engine.Root() ? &engine.Root()->Screen() : nullptr;
            for (const std::string& e : shots.WriteDue(tick, screen, readWindow)) Say(e);
            // The screenshot key takes the frame just composed.
            if (input.TakeScreenshotRequest() && screen)
                TakeScreenshot(*screen, shotFolder, window.get());
        };
        lastTick = RunFrameLoop(engine, lo, env);
        // A picture asked for after the end would otherwise be missed without a word.
        for (const std::string& m : shots.Missed(lastTick, window != nullptr)) Say(m);
    }

    if (window) {
        const std::string error = windowMemory.Save(window->Placement());
        if (!error.empty()) Say("the window's place is not kept: " + error);
    }
    engine.SetWindow(nullptr);
    engine.Shutdown([&](TEngine& e) {
        if (opt.DumpVars)
            std::printf("%s\n", VarDumpJson(e.Clock().FrameCount(), e.Store()).c_str());
        else if (!opt.Headless && started && !window)
            // Without a window this is all there is to see of the game.
            std::fprintf(stderr, "veskplay: %s",
                         VarListing(e.Clock().FrameCount(), e.Store()).c_str());
    });
    return started ? kExitEnded : kExitStartFailed;
}

}  // namespace vesk
