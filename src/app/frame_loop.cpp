#include "app/frame_loop.h"

#include <chrono>
#include <thread>

#include "app/engine.h"
#include "app/headless_box.h"
#include "app/input_script.h"
#include "base/clock.h"

namespace vesk {

int64_t SleepAfterFrame(TEngine& engine, int64_t start, int64_t now) {
    if (!engine.Active()) return 20;
    TProject* p = engine.Project();
    return p && p->PaceFrames ? TFrameClock::PaceDelay(start, now) : 1;
}

int64_t RunFrameLoop(TEngine& engine, const TFrameLoopOptions& options, const TFrameLoopEnv& env) {
    const auto now = env.Now ? env.Now : std::function<int64_t()>(MonotonicMs);
    const auto sleep = env.Sleep ? env.Sleep : [](int64_t ms) {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    };
    int64_t lastTick = 0;
    std::string shownTitle = engine.Title();
    for (int64_t tick = 1; !engine.QuitFlag() && !engine.CloseRequested(); ++tick) {
        if (env.StopRequested && env.StopRequested()) break;
        if (options.Frames > 0 && tick > options.Frames) break;
        lastTick = tick;
        if (env.Script && env.Input) env.Script->Deliver(tick, *env.Input);
        if (env.Clock) {
            env.Clock->Advance(options.FrameMs);
            for (const auto& g : options.Gaps)
                if (g.Tick == tick) env.Clock->Advance(g.Ms);
            engine.Tick(env.Clock->Now());
        } else {
            if (env.Window && env.Input) env.Window->PumpEvents(*env.Input);
            const int64_t start = now();
            // Each frame that runs presents what it changed (through the engine's Present).
            engine.Tick(start);
            if (env.Window && engine.Title() != shownTitle) {
                shownTitle = engine.Title();
                env.Window->SetTitle(ReadableText(shownTitle));
            }
            sleep(SleepAfterFrame(engine, start, now()));
        }
        if (env.AfterTick) env.AfterTick(tick);
    }
    return lastTick;
}

}  // namespace vesk
