#include "display/effect_commands.h"

#include "base/cp932.h"
#include "base/error.h"
#include "display/kind_registry.h"
#include "display/vesk_base_list.h"
#include "display/vesk_cinema.h"
#include "display/vesk_fire.h"
#include "display/vesk_map_image.h"
#include "display/vesk_particle.h"
#include "display/vesk_prev_menu.h"
#include "display/vesk_prop_motion.h"
#include "display/vesk_tile.h"
#include "display/vesk_wave.h"
#include "script/call_man.h"
#include "script/command.h"
#include "script/command_handlers.h"
#include "vars/param.h"

namespace vesk {

namespace {

// PropMotion: a new property motion from the command's seven expressions, evaluated in
// order. A property that yields nothing is an error, but the motion stays made (and ends on
// its first step, having no property).
class TPropMotionHandler final : public ICommandHandler {
  public:
    enum { fName = 0, fTarget, fProperty, fValue, fTime, fEasing, fPaused };
    explicit TPropMotionHandler(TVeskBaseList& root) : root_(root) {}

    void Execute(TCommand& cmd, TCallMan& cm, TPage*&, int32_t& pc) override {
        ++pc;
        auto* motion =
            static_cast<TVeskPropMotion*>(root_.Adopt(std::make_unique<TVeskPropMotion>(&root_)));
        auto eval = [&](size_t field) -> TCustomParam* {
            return field < cmd.FieldCount() ? cm.Eval(cmd.Field(field).Expr) : nullptr;
        };
        if (TCustomParam* v = eval(fName); v && !v->AsStr().empty()) motion->SetName(v->AsStr());
        if (TCustomParam* v = eval(fTarget); v && !v->AsStr().empty())
            motion->SetTarget(v->AsStr());
        TCustomParam* property = eval(fProperty);
        if (!property) Fail(VESK_JP("プロパティ指定が不正です"));
        motion->SetProperty(property->AsInt());
        if (TCustomParam* v = eval(fValue)) motion->SetEndValue(v->AsFloat());
        if (TCustomParam* v = eval(fTime)) motion->SetDuration(v->AsInt());
        if (TCustomParam* v = eval(fEasing)) motion->SetCurve(v->AsInt());
        if (TCustomParam* v = eval(fPaused)) motion->SetIntProp(PR_PAUSED, v->AsFlag());
    }

  private:
    TVeskBaseList& root_;
};

}  // namespace

void RegisterEffectKinds(TKindRegistry& kinds) {
    kinds.Add<TVeskCinema>(LT_CINEMA);
    kinds.Add<TVeskFire>(LT_FIRE);
    kinds.Add<TVeskParticle>(LT_PARTICLE);
    kinds.Add<TVeskMapImage>(LT_MAPIMG);
    kinds.Add<TVeskWave>(LT_WAVE);
    kinds.Add<TVeskTile>(LT_TILE);
    kinds.Add<TVeskPrevMenu>(LT_PREVMENU);
    kinds.Add<TVeskPropMotion>(LT_PROPMOTION);
}

void RegisterEffectCommands(TCommandHandlers& handlers, TVeskBaseList& root) {
    handlers.Register(CC_PROPMOTION, std::make_shared<TPropMotionHandler>(root));
}

}  // namespace vesk
