// Particles: each motion's positions after known ticks with a seeded generator, when
// particles go, the emitter's ticks, births spread within long frames, its phases, the
// expressions of ParticleNew, films, bounded work and saves.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "display/vesk_particle.h"
#include "effect_fixture.h"
#include "script/commands.h"

namespace vesk {
namespace {

using namespace test;

constexpr double kTwoPi = 2 * std::numbers::pi;

TEST(Particle, SnowSwaysAndFalls) {
    TEffectRandom r(5), mirror(5);
    TParticleState s;
    s.Start(PM_SNOW, 0.5, 2, 6, 40, 10, 100, 100, r);
    const double a = 2 + mirror.Real() * 4, w = 0.02 + 0.02 * mirror.Real();
    s.Advance(3, 100, 100, 4, 4);
    EXPECT_EQ(s.X, 40 + int32_t(std::round(std::sin(3 * w) * a)));
    EXPECT_EQ(s.Y, 11);  // 0.5 a tick: one whole pixel after two ticks
    s.Advance(2, 100, 100, 4, 4);
    EXPECT_EQ(s.X, 40 + int32_t(std::round(std::sin(5 * w) * a)));
    EXPECT_EQ(s.Y, 12);
    // P1 of 0 or less falls at 0.1; P3 not above P2 sways by P2 exactly.
    TParticleState slow;
    slow.Start(PM_SNOW, -1, 3, 1, 0, 0, 100, 100, r);
    EXPECT_EQ(slow.P1, 0.1);
    EXPECT_EQ(slow.Amplitude, 3);
    slow.Advance(9, 100, 100, 4, 4);
    EXPECT_EQ(slow.Y, 0);
    slow.Advance(1, 100, 100, 4, 4);
    EXPECT_EQ(slow.Y, 0);  // 0.1 ten times is just below 1 in doubles
    slow.Advance(1, 100, 100, 4, 4);
    EXPECT_EQ(slow.Y, 1);
}

TEST(Particle, StarsFlyOutAndTurnOncePerAdvance) {
    TEffectRandom r(9), mirror(9);
    TParticleState s;
    s.Start(PM_STAR, 2, 1.5, 0.2, 30, 20, 100, 50, r);
    double theta = mirror.Real() * kTwoPi, rho = 2.1;
    const double turn = 0.2 * (0.7 + 0.3 * mirror.Real());
    EXPECT_EQ(s.X, 30 + int32_t(std::round(rho * std::cos(theta))));  // placed at once
    EXPECT_EQ(s.Y, 20 + int32_t(std::round(rho * std::sin(theta))));
    EXPECT_DOUBLE_EQ(s.Limit, std::hypot(100 - 30, 50 - 20));
    for (int32_t ticks : {3, 1, 2}) {
        for (int32_t i = 0; i < ticks; ++i) {
            const int32_t x = 30 + int32_t(std::round(rho * std::cos(theta)));
            const int32_t y = 20 + int32_t(std::round(rho * std::sin(theta)));
            rho *= 1.5;
            if (i == ticks - 1) {
                s.Advance(ticks, 100, 50, 4, 4);
                EXPECT_EQ(s.X, x);
                EXPECT_EQ(s.Y, y);
            }
        }
        theta += turn;
        EXPECT_DOUBLE_EQ(s.Theta, theta);
    }
    EXPECT_FALSE(s.Gone);
    while (!s.Gone) s.Advance(1, 100, 50, 4, 4);
    EXPECT_GE(s.Rho, s.Limit);
}

TEST(Particle, FluffDriftsAndRises) {
    TEffectRandom r(2), mirror(2);
    TParticleState s;
    s.Start(PM_FLUFF, 0.25, 1, 3, 10, 90, 200, 100, r);
    const double speed = 1 + mirror.Real() * 2;
    for (int32_t t : {1, 4, 9}) {
        s.Advance(t - int32_t(s.Ticks), 200, 100, 4, 4);
        EXPECT_EQ(s.X, int32_t(std::trunc(10 + speed * t)));
        EXPECT_EQ(s.Y, 90 - int32_t(std::trunc(0.25 * t * t)));
    }
}

TEST(Particle, TwistersTurnAroundAndRise) {
    TEffectRandom r(4), mirror(4);
    TParticleState s;
    s.Start(PM_TWISTER, 1.5, 40, 0.5, 50, 80, 100, 100, r);
    const double radius = 20 * (0.95 + 0.05 * mirror.Real());
    const double omega = 0.25 * (1 + mirror.Real());
    double phase = 0, rise = 80;
    for (int32_t ticks : {2, 3, 20}) {
        double g = 0;
        for (int32_t i = 0; i < ticks; ++i) {
            phase += omega;
            if (phase > kTwoPi) phase -= kTwoPi;
            g = 0.5 + 0.5 * std::abs(std::cos(phase / 2));
        }
        rise -= 1.5;
        s.Advance(ticks, 100, 100, 10, 10);
        EXPECT_EQ(s.Zoom, int32_t(std::round(g * 256)));
        EXPECT_EQ(s.X, 50 + int32_t(std::trunc(g * radius * std::sin(phase))));
        EXPECT_EQ(s.Y, int32_t(std::round(rise)));
        EXPECT_EQ(s.Priority, int32_t(std::round((g - 0.5) / 0.5 * 2000 - 1000)));
    }
}

TEST(Particle, ParticlesGoWhenTheyLeave) {
    const struct {
        const char* name;
        int32_t motion;
        double p1, p2, p3;
        int32_t x, y;
        int32_t ticksToGo;  // advances of one tick until gone
    } cases[] = {
        // Snow of 4 x 4 born at y 94 in a 100-high emitter: its top reaches 100 at y 102.
        {"snow", PM_SNOW, 1, 0, 0, 50, 94, 8},
        // Fluff moving right at 10 a tick from x 80: its left edge passes 100 at x 102.
        {"fluff right", PM_FLUFF, 0, 10, 10, 80, 50, 3},
        {"fluff left", PM_FLUFF, 0, -10, -10, 15, 50, 2},
        {"fluff up", PM_FLUFF, 1, 0, 0, 50, 10, 4},
        // A twister rising 4 a tick from y 10: its bottom (y + 2 at most) passes 0.
        {"twister", PM_TWISTER, 4, 0, 0, 50, 10, 3},
        {"none", PM_NONE, 0, 0, 0, 50, 50, 1},
        {"unknown motion", 77, 0, 0, 0, 50, 50, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TEffectRandom r(1);
        TParticleState s;
        s.Start(c.motion, c.p1, c.p2, c.p3, c.x, c.y, 100, 100, r);
        int32_t n = 0;
        while (!s.Gone && n < 1000) {
            s.Advance(1, 100, 100, 4, 4);
            ++n;
        }
        EXPECT_EQ(n, c.ticksToGo);
    }
}

TEST(Particle, DivergingParametersStayBounded) {
    const double nan = std::nan(""), inf = INFINITY;
    const double values[] = {nan, inf, -inf, 1e300, -1e300, 0};
    for (int32_t motion : {PM_SNOW, PM_STAR, PM_FLUFF, PM_TWISTER})
        for (double p1 : values)
            for (double p2 : values)
                for (double p3 : {nan, 1e300, 0.5}) {
                    TEffectRandom r(3);
                    TParticleState s;
                    s.Start(motion, p1, p2, p3, 50, 50, 100, 100, r);
                    for (int i = 0; i < 50 && !s.Gone; ++i) s.Advance(7, 100, 100, 4, 4);
                    EXPECT_LE(std::abs(int64_t(s.X)), 1000000000);
                    EXPECT_LE(std::abs(int64_t(s.Y)), 1000000000);
                    EXPECT_TRUE(std::isfinite(s.P1) && std::isfinite(s.P2));
                }
}

// An emitter with a 4 x 4 picture of two frames, on a root with the effect kinds.
struct Emitter {
    Emitter() {
        FrameSpec a = Solid(4, 4, 0xFFFFFF), b = Solid(4, 4, 0x00FF00);
        g.Put("flake.qil", {a, b});
        e = g.root.Create<TVeskParticle>();
        e->SetBounds(0, 0, 100, 100);
        SetStr(*e, PR_SOURCE, "flake.qil");
    }
    void Expr(TVeskParser& slot, const char* text) { CompileExpr(text, slot); }
    std::vector<int32_t> Xs() {
        std::vector<int32_t> out;
        for (auto* p : e->Particles()) out.push_back(p->State().X);
        return out;
    }
    EffectGame g;
    TVeskParticle* e;
};

TEST(Particle, BirthsWithinALongFrameSpreadAlongTheirPaths) {
    Emitter m;
    SetInt(*m.e, PR_PARTMOTION, PM_FLUFF);
    SetInt(*m.e, PR_INDEX, 0);
    m.e->SetFloatProp(PR_PARAM2, 1);  // one pixel a tick to the right
    m.e->SetFloatProp(PR_PARAM3, 1);
    m.Expr(m.e->AppearX(), "5");
    m.Expr(m.e->AppearY(), "20");
    m.Expr(m.e->Interval(), "32");
    m.g.root.StepAll(160);  // ten ticks: births in ticks 0, 1, 3, 5, 7 and 9
    EXPECT_EQ(m.Xs(), (std::vector<int32_t>{5 + 9, 5 + 8, 5 + 6, 5 + 4, 5 + 2, 5 + 0}));
    for (auto* p : m.e->Particles()) {
        EXPECT_EQ(p->State().Y, 20);
        EXPECT_EQ(p->ScreenLeft(), p->State().X - 2);  // the position is the centre
        EXPECT_EQ(p->Parent(), m.e);
    }
    // The particles there move first; the timer, at 32 after the last birth, waits a tick.
    m.g.root.StepAll(16);
    EXPECT_EQ(m.Xs(), (std::vector<int32_t>{15, 14, 12, 10, 8, 6}));
    EXPECT_EQ(m.e->EmissionTimer(), 16);
    // Short frames gather into ticks.
    m.g.root.StepAll(10);
    EXPECT_EQ(m.Xs().front(), 15);
    m.g.root.StepAll(6);
    EXPECT_EQ(m.Xs(), (std::vector<int32_t>{16, 15, 13, 11, 9, 7, 5}));
    EXPECT_EQ(m.e->EmissionTimer(), 32);
}

TEST(Particle, TheDefaultsCoverTheEmitterEveryHundredMilliseconds) {
    Emitter m;
    m.e->Random().Seed(21);
    TEffectRandom mirror(21);
    SetInt(*m.e, PR_PARTMOTION, PM_SNOW);
    m.e->SetFloatProp(PR_PARAM1, 0.0001);
    m.g.root.StepAll(16);
    ASSERT_EQ(m.e->Particles().size(), 1u);
    // Birth: x and y within the emitter, then a random frame (two frames), then the snow's
    // own set-up; the particle moved by the 0 ticks left.
    const int32_t x = mirror.Below(100), y = mirror.Below(100);
    const int32_t frame = mirror.Below(2);
    const TParticleState& s = m.e->Particles()[0]->State();
    EXPECT_EQ(s.X0, x);
    EXPECT_EQ(s.Y0, y);
    EXPECT_EQ(m.e->Particles()[0]->Index(), frame);
    EXPECT_EQ(m.e->EmissionTimer(), 100 - 16);
    for (int i = 0; i < 5; ++i) m.g.root.StepAll(16);
    EXPECT_EQ(m.e->Particles().size(), 1u);
    m.g.root.StepAll(16);  // 112 ms: the next one
    EXPECT_EQ(m.e->Particles().size(), 2u);
}

TEST(Particle, APictureCentredWithTheEmittersAlphaAndFrame) {
    Emitter m;
    SetInt(*m.e, PR_INDEX, 1);
    SetInt(*m.e, PR_ALPHA, 128);
    m.e->SetFloatProp(PR_PARAM1, 0.0001);
    m.Expr(m.e->AppearX(), "10");
    m.Expr(m.e->AppearY(), "10");
    m.g.Frame();
    ASSERT_EQ(m.e->Particles().size(), 1u);
    TVeskParticleImages* p = m.e->Particles()[0];
    EXPECT_EQ(p->Index(), 1);
    EXPECT_EQ(p->GetIntProp(PR_ALPHA), 128);
    EXPECT_EQ(p->GetIntProp(PR_OFFSETX), 2);
    EXPECT_EQ(m.g.Px(9, 9), ((255u * 128) >> 8) << 8);  // half of green over black
    EXPECT_EQ(m.g.Px(7, 7), 0u);
    // Particles take no mouse.
    EXPECT_EQ(m.g.root.FrontLayer().HitTest(9, 9, kMaskAll), m.e);
}

TEST(Particle, PhasesEndTheEmitterWhenItsParticlesAreGone) {
    Emitter m;
    SetInt(*m.e, PR_PARTMOTION, PM_FLUFF);
    m.e->SetFloatProp(PR_PARAM2, 2);
    m.e->SetFloatProp(PR_PARAM3, 2);
    m.Expr(m.e->Interval(), "16");
    SetInt(*m.e, PR_DURATION, 100);
    m.g.root.StepAll(16);
    EXPECT_EQ(m.e->Phase(), 1);
    EXPECT_EQ(m.e->GetIntProp(PR_DURATION), 84);
    for (int i = 0; i < 6; ++i) m.g.root.StepAll(16);
    EXPECT_EQ(m.e->Phase(), 2);
    EXPECT_TRUE(m.e->GetIntProp(PR_PLAYING));
    const std::string name = m.e->Name();
    const size_t born = m.e->Particles().size();
    ASSERT_GT(born, 0u);
    m.g.root.StepAll(16);
    EXPECT_LE(m.e->Particles().size(), born);  // no new ones
    int frames = 0;
    while (m.g.root.FindComponent(name) && frames < 200) {
        m.g.root.StepAll(16);
        ++frames;
    }
    EXPECT_EQ(m.g.root.FindComponent(name), nullptr);
    EXPECT_EQ(m.g.root.ObjectCount(), 0);  // and the particles with it
    // A duration of 0 never ends.
    Emitter n;
    for (int i = 0; i < 100; ++i) n.g.root.StepAll(16);
    EXPECT_EQ(n.e->Phase(), 1);
}

TEST(Particle, AFilmGivesPicturesAreaIntervalAndPreRoll) {
    Emitter m;
    TMotionTrack film;
    film.Film = true;
    film.PictureFile = "flake.qil";
    film.Offsets = {{0, 0}, {0, 0}};
    film.Pictures = {1, 0};
    film.HasEmitter = true;
    film.Emitter = {
        .X = 40, .Y = 30, .Width = 1, .Height = 1, .Base = 48, .Spread = 0, .PreRoll = 160};
    m.g.Put("snow.lmt", WriteMotionFile(film));
    SetStr(*m.e, PR_SOURCE, "snow.lmt");
    SetInt(*m.e, PR_PARTMOTION, PM_FLUFF);
    m.e->SetFloatProp(PR_PARAM2, 1);
    m.e->SetFloatProp(PR_PARAM3, 1);
    m.g.root.StepAll(0);  // the pre-roll: ten ticks at once, births in ticks 0, 2, 5 and 8
    EXPECT_EQ(m.Xs(), (std::vector<int32_t>{49, 47, 44, 41}));
    for (auto* p : m.e->Particles()) {
        EXPECT_EQ(p->State().Y0, 30);
        ASSERT_NE(p->ActiveMotion(), nullptr);
        EXPECT_EQ(p->Picture(), &m.e->Frames()->At(1).Picture());  // film frame 0 shows picture 1
    }
}

TEST(Particle, ParticleNewEvaluatesItsExpressionsAtEveryBirth) {
    EffectGame g;
    g.Put("flake.qil", {Solid(2, 2, 0xFFFFFF)});
    g.store.Create("px", PT_INT, VarScope::Global);
    TPageBuilder main;
    TCommand& c = main.Add(CC_PARTICLENEW);
    c.SetPropText(PR_NAME, "\"snow\"");
    c.SetPropText(PR_SOURCE, "\"flake.qil\"");
    c.SetPropText(PR_WIDTH, "100");
    c.SetPropText(PR_HEIGHT, "100");
    c.SetPropText(PR_PARTMOTION, "3");
    c.SetPropText(PR_PARAM1, "0.0");
    c.SetPropText(PR_APPEARX, "px");
    c.SetPropText(PR_APPEARY, "px + 1");
    c.SetPropText(PR_DELAY, "20");
    main.Calc("px = 30");
    g.Run("main.lsb", main);
    g.GameFrame();
    auto* e = dynamic_cast<TVeskParticle*>(g.root.FindComponent("snow"));
    ASSERT_NE(e, nullptr);
    ASSERT_EQ(e->Particles().size(), 1u);
    EXPECT_EQ(e->Particles()[0]->State().X0, 30);
    EXPECT_EQ(e->Particles()[0]->State().Y0, 31);
    g.store.Find("px")->Param()->SetInt(60);
    g.GameFrame();
    ASSERT_EQ(e->Particles().size(), 2u);
    EXPECT_EQ(e->Particles()[1]->State().X0, 60);
    EXPECT_EQ(e->EmissionTimer(), 20 - 16 + 20 - 16);
}

TEST(Particle, WorkPerFrameIsBounded) {
    Emitter m;
    SetInt(*m.e, PR_PARTMOTION, PM_STAR);
    m.e->SetFloatProp(PR_PARAM2, 0.5);  // stars that shrink never leave
    m.Expr(m.e->Interval(), "0");       // 2 ms at least
    for (int i = 0; i < 20; ++i) m.g.root.StepAll(1000000);
    EXPECT_EQ(m.e->Particles().size(), TVeskParticle::kMaxParticles);
    m.g.root.PaintAll();
}

TEST(Particle, AnEmitterIsSavedWithoutItsParticles) {
    Emitter m;
    SetStr(*m.e, PR_NAME, "snow");
    SetInt(*m.e, PR_PARTMOTION, PM_FLUFF);
    SetInt(*m.e, PR_INDEX, 1);
    SetInt(*m.e, PR_ALPHA, 300);
    SetInt(*m.e, PR_DURATION, 5000);
    m.e->SetFloatProp(PR_PARAM1, 0.25);
    m.e->SetFloatProp(PR_PARAM2, -1.5);
    m.e->SetFloatProp(PR_PARAM3, 2);
    m.Expr(m.e->AppearX(), "7");
    for (int i = 0; i < 20; ++i) m.g.root.StepAll(16);
    ASSERT_FALSE(m.e->Particles().empty());

    EffectGame copy;  // runs the copied expression
    copy.Put("flake.qil", {Solid(4, 4, 0xFFFFFF), Solid(4, 4, 0x00FF00)});
    LoadTree(copy.root, SaveTree(m.g.root));
    auto* e = dynamic_cast<TVeskParticle*>(copy.root.FindComponent("snow"));
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(copy.root.ObjectCount(), 1);
    EXPECT_EQ(e->GetStrProp(PR_SOURCE), "flake.qil");
    EXPECT_EQ(e->Frames()->Count(), 2u);
    for (int32_t p : {PR_PARTMOTION, PR_INDEX, PR_ALPHA, PR_DURATION, PR_LEFT, PR_WIDTH})
        EXPECT_EQ(e->GetIntProp(p), m.e->GetIntProp(p)) << p;
    for (int32_t p : {PR_PARAM1, PR_PARAM2, PR_PARAM3})
        EXPECT_EQ(double(e->GetFloatProp(p)), double(m.e->GetFloatProp(p))) << p;
    EXPECT_EQ(e->Phase(), 0);  // starts again, pre-roll and all
    EXPECT_EQ(e->Random().State(), m.e->Random().State());
    for (int i = 0; i < 10 && e->Particles().empty(); ++i) copy.root.StepAll(16);
    ASSERT_EQ(e->Particles().size(), 1u);
    EXPECT_EQ(e->Particles()[0]->State().X0, 7);
}

}  // namespace
}  // namespace vesk
