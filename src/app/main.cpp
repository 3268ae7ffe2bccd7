// veskplay: runs a game in a window on the real clock, or headless on a virtual clock
// (--headless). Without a display it runs headless on the real clock. Message boxes go to
// standard error.
#include <csignal>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/engine.h"
#include "app/form_config.h"
#include "app/game_ini.h"
#include "app/headless_box.h"
#include "app/input_script.h"
#include "app/player_options.h"
#include "app/quit_prompt.h"
#include "app/screenshots.h"
#include "app/start_logo.h"
#include "app/value_json.h"
#include "base/cp932.h"
#include "base/error.h"
#include "display/vesk_base_list.h"
#include "gfx/dibx.h"
#include "gfx/picture_io.h"
#include "media/audio_system.h"
#include "platform/alsa_midi.h"
#include "platform/instance_lock.h"
#include "platform/posix_file_system.h"
#include "platform/sdl_audio.h"
#include "platform/sdl_config_dialog.h"
#include "platform/sdl_dialogs.h"
#include "platform/sdl_message_box.h"
#include "platform/sdl_window.h"
#include "script/script_env.h"
#include "vfs/host_path.h"

namespace fs = std::filesystem;
using namespace vesk;

namespace {

// Ctrl+C or a termination request closes the game as the window's close button would: the
// quit page runs and the player shuts down in order. The flag is the signal's only trace.
volatile std::sig_atomic_t gCloseSignal = 0;
extern "C" void OnCloseSignal(int) {
    gCloseSignal = 1;
}

std::string ExecutablePath(IHostFileSystem& hostFs, const char* argv0) {
    std::string p = hostFs.ExecutablePath();
    if (!p.empty()) return p;
    std::error_code ec;
    return fs::absolute(argv0, ec).string();
}

// The game a bare "veskplay" runs: an installed game beside the executable, else the demo.
bool InstalledBeside(IHostFileSystem& hostFs, const std::string& folder) {
    return FindHostFile(hostFs, folder, "install.dat") || FindHostFile(hostFs, folder, "game.dat");
}

// True when `folder` is `root` or lies below it.
bool IsInside(const std::string& folder, const std::string& root) {
    std::error_code e1, e2;
    fs::path f = fs::weakly_canonical(folder, e1), r = fs::weakly_canonical(root, e2);
    if (e1 || e2 || r.empty()) return false;
    auto fi = f.begin();
    for (auto ri = r.begin(); ri != r.end(); ++ri, ++fi) {
        if (ri->empty()) continue;  // the trailing separator
        if (fi == f.end() || *fi != *ri) return false;
    }
    return true;
}

int64_t MonotonicMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The window's input goes to the display root while the game is active; closing the window
// takes the engine's close path, so the quit page runs.
class TRootInput final : public IWindowInput {
  public:
    explicit TRootInput(TEngine& engine) : engine_(engine) {}
    void MouseMoveTo(int32_t x, int32_t y) override {
        if (auto* r = Root()) r->MouseMoveTo(x, y);
    }
    void MouseButton(bool left, bool down) override {
        if (auto* r = Root()) r->MouseButton(left, down);
    }
    void MouseWheel(bool down) override {
        if (auto* r = Root()) r->MouseWheel(down);
    }
    void KeyDown(int32_t vk) override {
        if (auto* r = Root()) r->RecordKeyDown(vk);
    }
    void KeyUp(int32_t vk) override {
        if (auto* r = Root()) r->RecordKeyUp(vk);
    }
    void CloseRequested() override { engine_.PostClose(); }
    void ActiveChanged(bool active) override { engine_.ActiveChanged(active, MonotonicMs()); }
    // The quit button asks first. No script runs while the question is open; "no" puts
    // the quit flag back as it was.
    void QuitButton() override {
        const bool was = engine_.QuitFlag();
        engine_.SetQuitFlag();
        const bool japanese = UserPrefersJapanese();
        const std::string name = ReadableText(engine_.Title());
        const TYesNoLabels labels = YesNoLabels(japanese);
        if (AskYesNo(window_ ? window_->Handle() : nullptr, name, QuitPromptText(name, japanese),
                     labels.yes, labels.no))
            engine_.PostClose();
        else
            engine_.SetQuitFlag(was);
    }
    // Full screen is switched by the engine, which lets the objects remake their surfaces.
    bool FullScreenRequested() override {
        engine_.SetFullScreen(!engine_.FullScreen());
        return true;
    }
    void SetWindow(TSdlWindow* w) { window_ = w; }

  private:
    TVeskBaseList* Root() { return engine_.Active() ? engine_.Root() : nullptr; }
    TEngine& engine_;
    TSdlWindow* window_ = nullptr;
};

// The engine's view of the SDL window.
class TWindowHost final : public IGameWindow {
  public:
    explicit TWindowHost(TSdlWindow& w) : w_(w) {}
    bool FullScreen() const override { return w_.FullScreen(); }
    bool SetFullScreen(bool on) override { return w_.SetFullScreen(on); }
    void WarpPointer(int32_t x, int32_t y) override { w_.WarpPointer(x, y); }
    bool ShowCursorImage(const TCursorImage* image) override { return w_.ShowCursorImage(image); }

  private:
    TSdlWindow& w_;
};

// Writes the window shots due after `tick`: the picture as the window shows it.
void WriteWindowShotsDue(const std::vector<TPlayerOptions::Shot>& shots, int64_t tick,
                         TSdlWindow& window) {
    for (const auto& s : shots) {
        if (s.Tick != tick) continue;
        std::vector<uint32_t> pixels;
        int32_t w = 0, h = 0;
        try {
            if (!window.ReadPicturePixels(pixels, w, h)) Fail("the window cannot be read");
            TDIBX dib(w, h, 32);
            for (int32_t y = 0; y < h; ++y)
                std::memcpy(dib.PixelAddress(0, y), &pixels[size_t(y) * size_t(w)], size_t(w) * 4);
            SavePngFile(dib, s.File);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "veskplay: cannot write the window shot %s: %s\n", s.File.c_str(),
                         e.what());
        }
    }
}

// The window of the game's screen at the root's zoom; null (and said why) without a display.
std::unique_ptr<TSdlWindow> OpenGameWindow(TEngine& engine) {
    TVeskBaseList* root = engine.Root();
    if (!root) return nullptr;
    int64_t zoom = root->ZoomPercent() > 0 ? root->ZoomPercent() : 100;
    std::string error;
    auto window =
        TSdlWindow::Open(ReadableText(engine.Title()), int32_t(root->ScreenWidth() * zoom / 100),
                         int32_t(root->ScreenHeight() * zoom / 100), &error);
    if (!window)
        std::fprintf(stderr,
                     "veskplay: %s; running without a window on the real clock (for tests and "
                     "scripts, veskplay --headless GAME runs on a virtual clock)\n",
                     error.c_str());
    return window;
}

}  // namespace

int main(int argc, char** argv) {
    TPlayerOptions opt;
    std::string err = opt.Parse(std::vector<std::string>(argv + 1, argv + argc));
    if (opt.Help) {
        std::fputs(TPlayerOptions::Usage(), stdout);
        return 0;
    }
    if (!err.empty()) {
        std::fprintf(stderr, "veskplay: %s\n%s", err.c_str(), TPlayerOptions::Usage());
        return 2;
    }

    TPosixFileSystem hostFs;
    std::string exePath = ExecutablePath(hostFs, argv[0]);
    if (!opt.ExeFolder.empty()) exePath = (fs::path(opt.ExeFolder) / "veskplay").string();
    std::string exeFolder = HostFolderOf(exePath);
    if (opt.Games.empty() && opt.ExeFolder.empty() && !InstalledBeside(hostFs, exeFolder)) {
#ifdef VESK_DEMO_GAME
        if (hostFs.IsFolder(VESK_DEMO_GAME)) opt.Games.push_back(VESK_DEMO_GAME);
#endif
        if (opt.Games.empty()) {
            std::fprintf(stderr, "veskplay: no game folder given and no demo game built\n%s",
                         TPlayerOptions::Usage());
            return 2;
        }
    }

    std::string gameFolder = opt.Games.empty() ? exeFolder : opt.Games[0];
    if (!hostFs.IsFolder(gameFolder) && !hostFs.IsFile(gameFolder)) {
        std::fprintf(stderr, "veskplay: no such game folder: %s\n", gameFolder.c_str());
        return 2;
    }
    // "game.ini" lives where the executable would: in the game folder.
    TIniFile ini((fs::path(gameFolder) / "game.ini").string());
    TGameConfig config = TGameConfig::FromIni(ini);
    std::vector<std::string> cdRoots;
    for (const std::string& r : config.CdRoots)
        cdRoots.push_back((fs::path(gameFolder) / r).string());
    cdRoots.insert(cdRoots.end(), opt.CdRoots.begin(), opt.CdRoots.end());

    // A player started from a disc ends at once: the game runs from its installed copy.
    for (const std::string& root : cdRoots)
        if (IsInside(exeFolder, root)) return 1;

    // One running player per game folder; a second one ends at once.
    TInstanceLock lock(gameFolder);
    if (!lock.Held()) return 1;
    if (opt.Config) {
        // The settings dialog runs instead of the game.
        TFormConfig form((fs::path(gameFolder) / "game.ini").string());
        std::string why;
        int shown = RunConfigDialog(form, &why);
        if (shown < 0) {
            std::fprintf(stderr,
                         "veskplay: the settings dialog cannot be shown (%s); the settings are "
                         "the [Sound] keys DirectSound and DelayTime of %s\n",
                         why.c_str(), form.IniPath().c_str());
            return 1;
        }
        return 0;
    }
    // A log left from an earlier run would mix with this one's.
    std::error_code ec;
    fs::remove(fs::path(exeFolder) / "veskplay.log", ec);

    TInputScript inputScript;
    if (!opt.InputFile.empty()) {
        try {
            inputScript = TInputScript::Load(opt.InputFile);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "veskplay: %s\n", ReadableText(e.what()).c_str());
            return 2;
        }
    }

    THeadlessMessageBox box(opt.Answers);
    std::unique_ptr<TFileTraceWriter> trace;
    if (opt.Trace)
        trace = std::make_unique<TFileTraceWriter>((fs::path(gameFolder) / "dbglog.txt").string());

    int64_t virtualNow = 0;
    std::unique_ptr<TSdlWindow> window;
    TEngineOptions eo;
    eo.ExePath = exePath;
    eo.Args = opt.Games;
    eo.CdRoots = cdRoots;
    eo.HostFs = &hostFs;
    // In a window the game's questions are message boxes; the headless box stands in when
    // they cannot be shown, and answers them when --answer says how.
    TSdlMessageBox windowBox(box, UserPrefersJapanese());
    const bool askUser = !opt.Headless && opt.Answers.empty() && DisplayConfigured();
    eo.MessageBox = askUser ? static_cast<IMessageBox*>(&windowBox) : &box;
    eo.Trace = trace.get();
    eo.Diagnostic = [](const std::string& text) {
        std::fprintf(stderr, "veskplay: %s\n", text.c_str());
    };
    if (opt.Headless) eo.Now = [&virtualNow] { return virtualNow; };
    // Our own short logo plays before the start page: in a window by default, on request
    // in headless runs.
    if (opt.Logo == 1 || (opt.Logo < 0 && !opt.Headless))
        eo.Logo = [](TVeskBaseList& root) -> TVeskControl* {
            return root.Create<TStartLogo>(root.ScreenWidth(), root.ScreenHeight());
        };
    // Only what changed reaches the window: the front layer's dirty rectangles and the
    // area the last composition repainted.
    eo.Present = [&window](TVeskBaseList& root) {
        if (!window) return;
        std::vector<TRect> rects = root.FrontLayer().Dirty().Items();
        if (!root.WholeArea().IsEmpty()) rects.push_back(root.WholeArea());
        if (!rects.empty()) window->Present(root.Screen(), rects);
    };
    // The game's sound: the device on the real clock; headless, the virtual clock that the
    // frames move (and the file of --audio-out).
    std::unique_ptr<AudioSystem> audio;
    if (opt.Headless) {
        try {
            audio = AudioSystem::Headless(opt.AudioOut);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "veskplay: %s\n", ReadableText(e.what()).c_str());
            return 2;
        }
    } else {
        audio = AudioSystem::Realtime();
        audio->SetSink(StartAudioOutput(audio->Bus(), audio->Clock()));
        eo.MidiPorts = AlsaMidiDevices;
    }
    eo.Audio = audio.get();
    eo.Media = TMediaConfig{config.DirectSound, config.DelayTime, config.UseWMP};
    TEngine engine(eo);

    bool started = engine.Start();
    if (started && !opt.Headless) window = OpenGameWindow(engine);
    // Nobody would see the logo without a window, unless it was asked for.
    if (started && !window && opt.Logo < 0) engine.DropLogo();
    std::unique_ptr<TWindowHost> windowHost;
    if (window) {
        windowBox.SetParent(window->Handle());
        windowHost = std::make_unique<TWindowHost>(*window);
        engine.SetWindow(windowHost.get());
    }
    TRootInput input(engine);
    input.SetWindow(window.get());
    std::string shownTitle = engine.Title();
    int64_t lastTick = 0;
    if (started) {
        if (!window && !opt.WindowShots.empty())
            std::fputs("veskplay: no window, so no --window-shot is written\n", stderr);
        std::signal(SIGINT, OnCloseSignal);
        std::signal(SIGTERM, OnCloseSignal);
        for (int64_t tick = 1; !engine.QuitFlag() && !engine.CloseRequested() && !gCloseSignal;
             ++tick) {
            if (opt.Frames > 0 && tick > opt.Frames) break;
            lastTick = tick;
            inputScript.Deliver(tick, input);
            if (opt.Headless) {
                virtualNow += opt.FrameMs;
                for (const auto& g : opt.Gaps)
                    if (g.Tick == tick) virtualNow += g.Ms;
                engine.Tick(virtualNow);
            } else {
                if (window) window->PumpEvents(input);
                int64_t start = MonotonicMs();
                // Each frame that runs presents what it changed (through eo.Present).
                engine.Tick(start);
                if (window && engine.Title() != shownTitle) {
                    shownTitle = engine.Title();
                    window->SetTitle(ReadableText(shownTitle));
                }
                TProject* p = engine.Project();
                // A game paused while another application is active only watches for events.
                int64_t pause = !engine.Active()     ? 20
                                : p && p->PaceFrames ? TFrameClock::PaceDelay(start, MonotonicMs())
                                                     : 1;
                std::this_thread::sleep_for(std::chrono::milliseconds(pause));
            }
            box.FrameDone();
            if (window) WriteWindowShotsDue(opt.WindowShots, tick, *window);
            if (engine.Root())
                for (const std::string& e : WriteShotsDue(opt.Shots, tick, engine.Root()->Screen()))
                    std::fprintf(stderr, "veskplay: cannot write the screenshot %s\n", e.c_str());
        }
    }

    // A picture asked for after the end would otherwise be missed without a word.
    for (const auto* shots : {&opt.Shots, &opt.WindowShots})
        for (const auto& shot : *shots)
            if (started && shot.Tick > lastTick && (shots == &opt.Shots || window))
                std::fprintf(stderr, "veskplay: the game ended at tick %lld, before %s was due\n",
                             static_cast<long long>(lastTick), shot.File.c_str());
    engine.SetWindow(nullptr);
    engine.Shutdown([&](TEngine& e) {
        if (opt.DumpVars) {
            nlohmann::ordered_json out;
            out["frames"] = e.Clock().FrameCount();
            out["vars"] = VarsJson(e.Store());
            std::printf("%s\n", out.dump().c_str());
        } else if (!opt.Headless && started && !window) {
            // Without a window this is all there is to see of the game.
            std::fprintf(stderr, "veskplay: the game ended after %u frames; its variables:\n",
                         e.Clock().FrameCount());
            for (const auto& v : VarsJson(e.Store())) {
                std::string values;
                for (const auto& x : v["values"])
                    values += (values.empty() ? "" : ", ") +
                              (x.is_object() ? (x.contains("text") ? x["text"].dump()
                                                                   : x["str"].get<std::string>())
                                             : x.dump());
                std::fprintf(stderr, "  %s = %s\n", v["name"]["text"].get<std::string>().c_str(),
                             values.c_str());
            }
        }
    });
    return started ? 0 : 1;
}
