#include "media/media_commands.h"

#include "base/error.h"
#include "base/stream.h"
#include "display/kind_registry.h"
#include "display/vesk_base_list.h"
#include "media/media_system.h"
#include "media/vesk_sound.h"
#include "media/vesk_timer.h"
#include "media/vesk_video.h"
#include "script/call_man.h"
#include "script/command_handlers.h"
#include "script/commands.h"
#include "vars/param.h"

namespace vesk {

namespace {

IMediaObject* MediaObject(TVeskBaseList& root, ObjectId id) {
    auto* o = root.ById(id);
    auto* c = dynamic_cast<TVeskComponent*>(o);
    if (!c || c->IsScrapped()) return nullptr;
    return dynamic_cast<IMediaObject*>(o);
}

// MovieStop: stops a sound or video at once, or fades it out over Time and (with Wait)
// waits until it has removed itself.
class TMovieStopHandler final : public ICommandHandler {
  public:
    TMovieStopHandler(TVeskBaseList& root, TMediaSystem& media) : root_(root), media_(media) {}

    void Prepare(TCommand& cmd, TCallMan& cm) override {
        auto* stop = dynamic_cast<TComMovieStop*>(&cmd);
        if (!stop) return;
        const ObjectId id = cm.LookupObject(cmd.Field(TComMovieStop::fObject).Expr);
        IMediaObject* obj = MediaObject(root_, id);
        if (!obj) return;
        int32_t t = 0;
        if (TCustomParam* v = cm.Eval(cmd.Field(TComMovieStop::fTime).Expr)) t = v->AsInt();
        if (t > 0) {
            const std::string& source = obj->MediaSource();
            const bool cd = source.compare(0, 3, "CD_") == 0;
            const PlayState state = obj->GetPlayState();
            // Whether the file is there, as the file manager sees it (no disk is asked for).
            if ((cd || media_.Sources().Exists(source)) &&
                (state == PlayState::Play || state == PlayState::FadeIn)) {
                obj->SetFadeTime(t);
                obj->SetPlayState(PlayState::FadeOut);
                stop->Target = id;
            }
        } else {
            obj->SetPlayState(PlayState::Stop);
        }
        if (TCustomParam* v = cm.Eval(cmd.Field(TComMovieStop::fWait).Expr))
            stop->Waiting = v->AsFlag();
    }

    void Execute(TCommand& cmd, TCallMan& cm, TPage*&, int32_t& pc) override {
        auto* stop = dynamic_cast<TComMovieStop*>(&cmd);
        // Waits until the fading object has removed itself.
        if (stop && stop->Target && stop->Waiting && root_.ById(stop->Target)) {
            cm.Yield();
            return;
        }
        ++pc;
    }

  private:
    TVeskBaseList& root_;
    TMediaSystem& media_;
};

// MediaPlay: the object plays (play state 0).
class TMediaPlayHandler final : public ICommandHandler {
  public:
    explicit TMediaPlayHandler(TVeskBaseList& root) : root_(root) {}
    void Execute(TCommand& cmd, TCallMan& cm, TPage*&, int32_t& pc) override {
        ++pc;
        if (IMediaObject* obj = MediaObject(root_, cm.LookupObject(cmd.Field(0).Expr)))
            obj->PlayNow();
    }

  private:
    TVeskBaseList& root_;
};

}  // namespace

void RegisterMediaKinds(TKindRegistry& kinds, TMediaSystem& media) {
    kinds.Register(LT_SOUND, [&media](TVeskBaseList* root) {
        return std::make_unique<TVeskSound>(root, media);
    });
    kinds.Register(LT_VIDEO, [&media](TVeskBaseList* root) {
        return std::make_unique<TVeskVideo>(root, media);
    });
    kinds.Add<TVeskTimer>(LT_TIMER);
}

void RegisterMediaCommands(TCommandHandlers& handlers, TVeskBaseList& root, TMediaSystem& media) {
    handlers.Register(CC_MOVIESTOP, std::make_shared<TMovieStopHandler>(root, media));
    handlers.Register(CC_MEDIAPLAY, std::make_shared<TMediaPlayHandler>(root));
}

}  // namespace vesk
