#pragma once
// TVeskParticle (ParticleNew): an emitter of particles, each a child picture
// (TVeskParticleImages) showing a frame of the emitter's layered image, or playing its film.
// The simulation runs in fixed ticks of 16 ms: existing particles move first, then the
// emission timer brings new ones to life at random places of the emission area, each moved
// at once by the ticks left in the frame after its birth, so that particles born within one
// long frame spread out along their paths.
//
// Where a particle appears and how long the emitter waits between births: the expressions
// of the creating command (PR_APPEARX, PR_APPEARY, PR_DELAY), evaluated at every birth, when
// it had them; otherwise the emission area, interval and pre-roll of the emitter's film
// (docs/motion-files.md), or, without one, the whole emitter, 100 ms and none.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "display/effect_random.h"
#include "display/vesk_images.h"
#include "vars/vesk_parser.h"

namespace vesk {

// The motions of PR_PARTMOTION.
enum ParticleMotion : int32_t {
    PM_NONE = 0,
    PM_SNOW = 1,
    PM_STAR = 2,
    PM_FLUFF = 3,
    PM_TWISTER = 4
};

// One particle's motion, apart from any picture: positions are the particle's centre in the
// emitter's coordinates.
struct TParticleState {
    int32_t Motion = PM_NONE;
    double P1 = 0, P2 = 0, P3 = 0;
    int32_t X0 = 0, Y0 = 0;  // where it was born
    int32_t X = 0, Y = 0;    // where it is
    int64_t Ticks = 0;       // since birth
    double Phase = 0, Omega = 0;
    double Amplitude = 0, Fall = 0;        // snow
    double Rho = 0, Theta = 0, Limit = 0;  // star
    double Radius = 0, Rise = 0;           // twister
    int32_t Zoom = 256, Priority = 0;      // twister
    bool Gone = false;

    // The set-up at birth at (x, y) in an emitter of w x h, drawing from `random`.
    void Start(int32_t motion, double p1, double p2, double p3, int32_t x, int32_t y, int32_t w,
               int32_t h, TEffectRandom& random);
    // One advance by `ticks` ticks in an emitter of w x h, for a particle shown pw x ph
    // (at its zoom). Sets Gone when the particle is to be removed.
    void Advance(int32_t ticks, int32_t w, int32_t h, int32_t pw, int32_t ph);
};

class TVeskParticle;

// A particle: a picture object placed and moved by its emitter. It is not saved (an emitter
// loaded from a save starts anew) and takes no mouse.
class TVeskParticleImages final : public TVeskCustomImages {
  public:
    TVeskParticleImages(TVeskBaseList* owner, TVeskParticle* emitter);
    ~TVeskParticleImages() override;

    TVeskImageList* Frames() override;
    TVeskControl* HitTest(int32_t, int32_t, uint8_t) override { return nullptr; }
    // Particles do not mark their own small areas: the emitter repaints its area once a
    // frame when any of them changed.
    void Invalidate() override;
    bool Step(int32_t elapsed) override;
    TParticleState& State() { return state_; }
    // Plays a film (its pictures come from the emitter's frames).
    void PlayFilm(std::shared_ptr<const TMotionTrack> film) {
        SetMotion(std::move(film));
        ShowFilmFrame();
    }
    // Places the picture's centre at the state's position.
    void Place();

  protected:
    void PriorityChanged() override;

  private:
    TVeskParticle* emitter_;
    TParticleState state_;
};

class TVeskParticle final : public TVeskControl {
  public:
    static constexpr int32_t kTickMs = 16;
    // At most this many live particles; births beyond wait for room.
    static constexpr size_t kMaxParticles = 5000;
    // One frame runs at most this many ticks (longer frames are cut).
    static constexpr int32_t kMaxTicksPerFrame = 64;
    static constexpr int32_t kMaxPreRollMs = 30000;
    static constexpr int32_t kMinInterval = 2;

    explicit TVeskParticle(TVeskBaseList* owner);
    ~TVeskParticle() override;

    int32_t Kind() const override { return LT_PARTICLE; }
    bool WantsDefaultName() const override { return true; }

    TVeskImageList* Frames() { return &list_; }
    TEffectRandom& Random() { return random_; }
    int32_t Phase() const { return phase_; }
    int32_t EmissionTimer() const { return timer_; }
    const std::vector<TVeskParticleImages*>& Particles() const { return particles_; }
    // Where particles appear, the interval and the pre-roll in use.
    TMotionTrack::TEmitter Emission();
    // The expressions copied from the creating command.
    TVeskParser& AppearX() { return appearX_; }
    TVeskParser& AppearY() { return appearY_; }
    TVeskParser& Interval() { return interval_; }
    void ChildrenNeedSorting() { resort_ = true; }
    void ParticleChanged() { changed_ = true; }

    bool Step(int32_t elapsed) override;
    bool IsPlaying() override;
    void BeforeCommandProps(TComComponent& cmd, TCallMan& cm) override;
    void ReleaseSurfaces() override;
    void RestoreSurfaces() override;

    int32_t GetIntProp(int32_t index) override;
    void SetIntProp(int32_t index, int32_t value) override;
    Real GetFloatProp(int32_t index) override;
    void SetFloatProp(int32_t index, Real value) override;
    std::string GetStrProp(int32_t index) override;
    void SetStrProp(int32_t index, const std::string& value) override;
    void SaveState(StreamWriter& w) override;
    void LoadState(StreamReader& r, int32_t version) override;

  private:
    void SetSource(const std::string& name);
    // Removes every particle at the end of the step.
    void ClearParticles();
    // Runs `ticks` ticks: the particles move, then new ones are born.
    void RunTicks(int32_t ticks);
    void Birth(int32_t ticksLeft);
    // An expression's value, or false when there is none (or it fails).
    bool EvalInt(TVeskParser& expr, int32_t& out);

    std::string source_;
    int32_t alpha_ = 255;
    bool paused_ = false;
    int32_t index_ = -1;
    int32_t motion_ = PM_SNOW;
    Real params_[3] = {0, 0, 0};
    std::string idlePage_;
    int32_t duration_ = 0;
    int32_t phase_ = 0;
    int32_t remainder_ = 0;
    int32_t timer_ = 0;
    TEffectRandom random_;
    TVeskParser appearX_, appearY_, interval_;
    TVeskImageList list_;
    std::shared_ptr<const TMotionTrack> film_;
    std::vector<TVeskParticleImages*> particles_;
    bool resort_ = false;
    bool changed_ = false;
};

}  // namespace vesk
