#include "display/vesk_particle.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "base/cp932.h"
#include "base/error.h"
#include "base/stream.h"
#include "display/vesk_base_list.h"
#include "script/commands.h"
#include "vars/param.h"

namespace vesk {

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;
// Positions stay far from the limits of 32-bit arithmetic.
constexpr double kCoordLimit = 1e9;

// A coordinate from a computed position; false when the computation diverged.
bool Coord(double v, int32_t& out) {
    if (!std::isfinite(v)) return false;
    out = int32_t(std::clamp(v, -kCoordLimit, kCoordLimit));
    return true;
}

}  // namespace

// ---- TParticleState

void TParticleState::Start(int32_t motion, double p1, double p2, double p3, int32_t x, int32_t y,
                           int32_t w, int32_t h, TEffectRandom& random) {
    *this = TParticleState{};
    Motion = motion;
    // Parameters that are not numbers count as 0.
    P1 = std::isfinite(p1) ? p1 : 0;
    P2 = std::isfinite(p2) ? p2 : 0;
    P3 = std::isfinite(p3) ? p3 : 0;
    X0 = X = x;
    Y0 = Y = y;
    switch (Motion) {
        case PM_SNOW:
            if (P1 <= 0) P1 = 0.1;
            Amplitude = P3 > P2 ? P2 + random.Real() * (P3 - P2) : P2;
            Omega = 0.02 + 0.02 * random.Real();
            break;
        case PM_STAR: {
            Theta = random.Real() * kTwoPi;
            Rho = P1 + 0.1;
            P3 *= 0.7 + 0.3 * random.Real();
            for (int corner = 0; corner < 4; ++corner) {
                const double cx = (corner & 1) ? w : 0, cy = (corner & 2) ? h : 0;
                Limit = std::max(Limit, std::hypot(cx - x, cy - y));
            }
            // Placed at once at its first radius.
            if (!Coord(X0 + std::round(Rho * std::cos(Theta)), X) ||
                !Coord(Y0 + std::round(Rho * std::sin(Theta)), Y))
                Gone = true;
            break;
        }
        case PM_FLUFF:
            P2 = P2 + random.Real() * (P3 - P2);
            break;
        case PM_TWISTER:
            Radius = P2 / 2 * (0.95 + 0.05 * random.Real());
            Omega = P3 / 2 * (1 + random.Real());
            Rise = Y0;
            break;
        default:
            break;
    }
}

void TParticleState::Advance(int32_t ticks, int32_t w, int32_t h, int32_t pw, int32_t ph) {
    if (Gone || ticks <= 0) return;
    auto outside = [&](bool (*test)(int64_t l, int64_t t, int64_t r, int64_t b, int32_t w,
                                    int32_t h, const TParticleState& s)) {
        const int64_t sw = int64_t(pw) * Zoom / 256, sh = int64_t(ph) * Zoom / 256;
        const int64_t l = X - int64_t(pw / 2) * Zoom / 256, t = Y - int64_t(ph / 2) * Zoom / 256;
        return test(l, t, l + sw, t + sh, w, h, *this);
    };
    double g = 0.5;
    for (int32_t i = 0; i < ticks && !Gone; ++i) {
        ++Ticks;
        bool ok = true;
        switch (Motion) {
            case PM_SNOW:
                Phase += Omega;
                ok = Coord(X0 + std::round(std::sin(Phase) * Amplitude), X);
                Fall += P1;
                if (Fall >= 1) {
                    const double whole = std::floor(Fall);
                    ok = ok && Coord(double(Y) + whole, Y);
                    Fall -= whole;
                }
                Gone = !ok || outside([](int64_t, int64_t t, int64_t, int64_t, int32_t, int32_t h,
                                         const TParticleState&) { return t >= h; });
                break;
            case PM_STAR:
                ok = Coord(X0 + std::round(Rho * std::cos(Theta)), X) &&
                     Coord(Y0 + std::round(Rho * std::sin(Theta)), Y);
                Rho *= P2;
                Gone = !ok || !(std::abs(Rho) <= double(INT32_MAX)) || Rho >= Limit;
                break;
            case PM_FLUFF: {
                const double t = double(Ticks);
                ok = Coord(std::trunc(X0 + P2 * t), X) && Coord(Y0 - std::trunc(P1 * t * t), Y);
                Gone = !ok || outside([](int64_t l, int64_t, int64_t r, int64_t b, int32_t w,
                                         int32_t, const TParticleState& s) {
                    return (s.P2 >= 0 ? l >= w : r <= 0) || b <= 0;
                });
                break;
            }
            case PM_TWISTER:
                Phase += Omega;
                if (Phase > kTwoPi) Phase -= kTwoPi;
                g = 0.5 + 0.5 * std::abs(std::cos(Phase / 2));
                Zoom = int32_t(std::round(g * 256));
                ok = Coord(X0 + std::trunc(g * Radius * std::sin(Phase)), X);
                Gone = !ok;
                break;
            default:
                // Without a motion a particle goes at its first advance.
                Gone = true;
                break;
        }
    }
    if (Gone) return;
    // What moves once per advance.
    if (Motion == PM_STAR) {
        Theta += P3;
    } else if (Motion == PM_TWISTER) {
        Rise -= P1;
        int32_t prio = 0;
        Gone = !Coord(std::round(Rise), Y) ||
               !Coord(std::round((g - 0.5) / 0.5 * 2000 - 1000), prio) ||
               outside([](int64_t, int64_t, int64_t, int64_t b, int32_t, int32_t,
                          const TParticleState&) { return b <= 0; });
        Priority = prio;
    }
}

// ---- TVeskParticleImages

TVeskParticleImages::TVeskParticleImages(TVeskBaseList* owner, TVeskParticle* emitter)
    : TVeskCustomImages(owner), emitter_(emitter) {}

TVeskParticleImages::~TVeskParticleImages() {
    DetachFrame();
}

TVeskImageList* TVeskParticleImages::Frames() {
    return emitter_ ? emitter_->Frames() : nullptr;
}

bool TVeskParticleImages::Step(int32_t elapsed) {
    // Only a film plays on its own; the emitter moves the particle and removes it.
    if (ActiveMotion()) TVeskCustomImages::Step(elapsed);
    return false;
}

void TVeskParticleImages::Place() {
    if (state_.X != left_ || state_.Y != top_) SetBounds(state_.X, state_.Y, width_, height_);
}

void TVeskParticleImages::Invalidate() {
    if (emitter_)
        emitter_->ParticleChanged();
    else
        TVeskCustomImages::Invalidate();
}

void TVeskParticleImages::PriorityChanged() {
    // Twisters reorder every tick: the emitter sorts its particles once afterwards.
    Invalidate();
    if (emitter_) emitter_->ChildrenNeedSorting();
}

// ---- TVeskParticle

TVeskParticle::TVeskParticle(TVeskBaseList* owner) : TVeskControl(owner), random_(Id()) {}

TVeskParticle::~TVeskParticle() = default;

TMotionTrack::TEmitter TVeskParticle::Emission() {
    if (film_ && film_->HasEmitter) return film_->Emitter;
    TMotionTrack::TEmitter e;
    e.Width = width_;
    e.Height = height_;
    return e;
}

void TVeskParticle::SetSource(const std::string& name) {
    if (name == source_) return;
    source_ = name;
    ClearParticles();
    list_.Clear();
    film_.reset();
    const size_t dot = name.find_last_of(".\\");
    const std::string ext =
        dot == std::string::npos || name[dot] != '.' ? std::string() : LowerAscii(name.substr(dot));
    TQuilCollection* cache = Owner() ? Owner()->Images() : nullptr;
    if (ext == ".qil" && cache) {
        list_.Load(*cache, name);
    } else if (ext == ".lmt" && Owner()) {
        film_ = Owner()->LoadMotion(name);
        if (film_ && cache && !film_->PictureFile.empty()) list_.Load(*cache, film_->PictureFile);
    }
}

void TVeskParticle::ClearParticles() {
    for (TVeskParticleImages* p : particles_) p->Scrap();
    if (!particles_.empty()) Invalidate();
    particles_.clear();
}

bool TVeskParticle::EvalInt(TVeskParser& expr, int32_t& out) {
    if (expr.Ops.empty() || !Owner()) return false;
    try {
        TCustomParam* v = Owner()->Evaluate(expr);
        if (!v) return false;
        out = v->AsInt();
        return true;
    } catch (const VeskError&) {
        return false;
    }
}

void TVeskParticle::Birth(int32_t ticksLeft) {
    TVeskBaseList* root = Owner();
    if (!root || particles_.size() >= kMaxParticles) return;
    const TMotionTrack::TEmitter area = Emission();
    int32_t x = 0, y = 0;
    if (!EvalInt(appearX_, x)) x = int32_t(int64_t(area.X) + random_.Below(area.Width));
    if (!EvalInt(appearY_, y)) y = int32_t(int64_t(area.Y) + random_.Below(area.Height));
    auto* p = static_cast<TVeskParticleImages*>(
        root->Adopt(std::make_unique<TVeskParticleImages>(root, this)));
    TakeChild(p);
    particles_.push_back(p);
    if (film_) {
        p->PlayFilm(film_);
    } else {
        const int32_t count = int32_t(list_.Count());
        int32_t frame = index_;
        if (frame < 0 && count > 1) frame = random_.Below(count);
        if (count > 0) p->SetIndex(std::clamp(frame, 0, count - 1));
    }
    p->SetIntProp(PR_ALPHA, alpha_);
    const TCustomDIBX* pic = p->Picture();
    const int32_t pw = pic ? pic->Width() : 0, ph = pic ? pic->Height() : 0;
    p->SetIntProp(PR_OFFSETX, pw / 2);
    p->SetIntProp(PR_OFFSETY, ph / 2);
    TParticleState& s = p->State();
    s.Start(motion_, double(params_[0]), double(params_[1]), double(params_[2]), x, y, width_,
            height_, random_);
    s.Advance(ticksLeft, width_, height_, pw, ph);
    if (s.Motion == PM_TWISTER) {
        p->SetIntProp(PR_ZOOMX, s.Zoom);
        p->SetIntProp(PR_ZOOMY, s.Zoom);
        p->SetIntProp(PR_PRIORITY, s.Priority);
    }
    p->Place();
}

void TVeskParticle::RunTicks(int32_t ticks) {
    if (ticks <= 0) return;
    // The particles there are move first; those that leave go at the end of the step.
    size_t kept = 0;
    for (TVeskParticleImages* p : particles_) {
        TParticleState& s = p->State();
        const TCustomDIBX* pic = p->Picture();
        s.Advance(ticks, width_, height_, pic ? pic->Width() : 0, pic ? pic->Height() : 0);
        if (s.Gone) {
            p->Scrap();
            changed_ = true;
            continue;
        }
        if (s.Motion == PM_TWISTER) {
            p->SetIntProp(PR_ZOOMX, s.Zoom);
            p->SetIntProp(PR_ZOOMY, s.Zoom);
            p->SetIntProp(PR_PRIORITY, s.Priority);
        }
        p->Place();
        particles_[kept++] = p;
    }
    particles_.resize(kept);
    if (phase_ == 2) return;
    for (int32_t k = 0; k < ticks; ++k) {
        timer_ -= kTickMs;
        // Every birth adds at least kMinInterval, so a tick brings at most a few.
        while (timer_ <= 0) {
            Birth(ticks - k - 1);
            const TMotionTrack::TEmitter e = Emission();
            int32_t next = 0;
            if (!EvalInt(interval_, next))
                next = int32_t(
                    std::min<int64_t>(int64_t(e.Base) + random_.Below(e.Spread), INT32_MAX));
            timer_ += std::max(next, kMinInterval);
        }
    }
}

bool TVeskParticle::Step(int32_t elapsed) {
    elapsed = std::max(elapsed, 0);
    if (phase_ == 0) {
        // The pre-roll runs at once.
        phase_ = 1;
        const int32_t preRoll = std::clamp(Emission().PreRoll, 0, kMaxPreRollMs);
        RunTicks(preRoll / kTickMs);
    }
    if (phase_ == 1 && duration_ > 0) {
        duration_ -= std::min(elapsed, duration_);
        if (duration_ <= 0) phase_ = 2;
    }
    remainder_ += std::min(elapsed, kMaxTicksPerFrame * kTickMs);
    const int32_t ticks = remainder_ / kTickMs;
    remainder_ %= kTickMs;
    RunTicks(ticks);
    if (resort_) {
        resort_ = false;
        SortChildren();
        changed_ = true;
    }
    if (changed_) {
        changed_ = false;
        Invalidate();
    }
    if (phase_ == 2 && particles_.empty()) return true;
    return TVeskControl::Step(elapsed);
}

bool TVeskParticle::IsPlaying() {
    return !paused_ && (phase_ < 2 || !particles_.empty());
}

void TVeskParticle::BeforeCommandProps(TComComponent& cmd, TCallMan&) {
    // The expressions themselves: they are evaluated at every birth.
    if (TVeskParser* e = cmd.Prop(PR_APPEARX)) appearX_.AssignFrom(*e);
    if (TVeskParser* e = cmd.Prop(PR_APPEARY)) appearY_.AssignFrom(*e);
    if (TVeskParser* e = cmd.Prop(PR_DELAY)) interval_.AssignFrom(*e);
}

void TVeskParticle::ReleaseSurfaces() {
    list_.DropCopies();
}

void TVeskParticle::RestoreSurfaces() {
    // The particles show frames of this list; each takes its frame again when its own turn
    // comes.
    list_.Refresh();
}

int32_t TVeskParticle::GetIntProp(int32_t index) {
    switch (index) {
        case PR_ALPHA:
            return alpha_;
        case PR_PAUSED:
            return paused_;
        case PR_INDEX:
            return index_;
        case PR_PARTMOTION:
            return motion_;
        case PR_DURATION:
            return duration_;
        case PR_PLAYING:
            return IsPlaying();
        default:
            return TVeskControl::GetIntProp(index);
    }
}

void TVeskParticle::SetIntProp(int32_t index, int32_t value) {
    switch (index) {
        case PR_ALPHA:
            alpha_ = value;
            for (TVeskParticleImages* p : particles_) p->SetIntProp(PR_ALPHA, value);
            return;
        case PR_PAUSED:
            paused_ = value != 0;
            return;
        case PR_INDEX:
            index_ = value;
            return;
        case PR_PARTMOTION:
            motion_ = value;
            return;
        case PR_DURATION:
            duration_ = value;
            return;
        case PR_PLAYING:
            return;
        default:
            TVeskControl::SetIntProp(index, value);
    }
}

Real TVeskParticle::GetFloatProp(int32_t index) {
    switch (index) {
        case PR_PARAM1:
            return params_[0];
        case PR_PARAM2:
            return params_[1];
        case PR_PARAM3:
            return params_[2];
        default:
            return TVeskControl::GetFloatProp(index);
    }
}

void TVeskParticle::SetFloatProp(int32_t index, Real value) {
    switch (index) {
        case PR_PARAM1:
            params_[0] = value;
            return;
        case PR_PARAM2:
            params_[1] = value;
            return;
        case PR_PARAM3:
            params_[2] = value;
            return;
        default:
            TVeskControl::SetFloatProp(index, value);
    }
}

std::string TVeskParticle::GetStrProp(int32_t index) {
    switch (index) {
        case PR_SOURCE:
            return source_;
        case PR_ONIDLE:
            return idlePage_;
        default:
            return TVeskControl::GetStrProp(index);
    }
}

void TVeskParticle::SetStrProp(int32_t index, const std::string& value) {
    switch (index) {
        case PR_SOURCE:
            return SetSource(value);
        case PR_ONIDLE:
            idlePage_ = value;
            return;
        default:
            TVeskControl::SetStrProp(index, value);
    }
}

void TVeskParticle::SaveState(StreamWriter& w) {
    TVeskControl::SaveState(w);
    w.Str(source_);
    w.I32(alpha_);
    w.Flag(paused_);
    w.I32(index_);
    w.I32(motion_);
    for (Real p : params_) w.Ext(p);
    w.Str(idlePage_);
    w.I32(duration_);
    w.I32(phase_);
    w.I32(remainder_);
    w.I32(timer_);
    w.U64(random_.State());
    appearX_.SaveToStream(w.Base());
    appearY_.SaveToStream(w.Base());
    interval_.SaveToStream(w.Base());
}

void TVeskParticle::LoadState(StreamReader& r, int32_t version) {
    TVeskControl::LoadState(r, version);
    const std::string source = r.Str("particle source");
    alpha_ = r.I32("alpha");
    paused_ = r.Flag("paused");
    index_ = r.I32("particle frame");
    motion_ = r.I32("particle motion");
    for (Real& p : params_) p = r.Ext("particle parameter");
    idlePage_ = r.Str("idle page");
    duration_ = r.I32("particle duration");
    phase_ = r.I32("particle phase");
    remainder_ = std::clamp(r.I32("particle time"), 0, kTickMs - 1);
    timer_ = std::max(r.I32("emission timer"), -kTickMs);
    random_.SetState(r.U64("particle random state"));
    appearX_.LoadFromStream(r.Base());
    appearY_.LoadFromStream(r.Base());
    interval_.LoadFromStream(r.Base());
    // Particles are not saved: a running emitter starts over with its pre-roll, one that was
    // running out is done.
    if (phase_ == 1) phase_ = 0;
    if (phase_ != 0 && phase_ != 2) phase_ = 0;
    source_.clear();
    SetSource(source);
}

}  // namespace vesk
