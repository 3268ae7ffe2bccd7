// Every effect kind through a game save: made through the registry, given values of its own
// properties, saved and loaded, it answers every property as before.
#include <gtest/gtest.h>

#include "display/map_regions.h"
#include "display/prev_menu_file.h"
#include "display/vesk_particle.h"
#include "display/vesk_prop_motion.h"
#include "effect_fixture.h"

namespace vesk {
namespace {

using namespace test;

struct Setting {
    int32_t index;
    std::string text;  // for text properties
    int32_t number = 0;
    double real = 0;
};

void Put(TVeskObject& o, const Setting& s) {
    switch (PropAccessOf(s.index)) {
        case PropAccess::Str:
            SetStr(o, s.index, s.text);
            return;
        case PropAccess::Float: {
            TParamFloat p;
            p.SetFloat(s.real);
            o.SetProp(s.index, p);
            return;
        }
        case PropAccess::Int:
            SetInt(o, s.index, s.number);
            return;
    }
}

Setting T(int32_t i, std::string t) {
    return {i, std::move(t)};
}
Setting N(int32_t i, int32_t n) {
    return {i, {}, n};
}
Setting R(int32_t i, double r) {
    return {i, {}, 0, r};
}

void Files(EffectWorld& w) {
    w.Put("pic.qil", {Solid(6, 4, 0x123456), Solid(6, 4, 0x654321)});
    w.Put("hover.qil", {Solid(6, 4, 0xFFFFFF)});
    TMapRegion all;
    all.Name = "all";
    all.Right = 5;
    all.Bottom = 3;
    w.Put("map.rgn", WriteRegionFile({all}));
    TMotionTrack film;
    film.Film = true;
    film.PictureFile = "pic.qil";
    film.Offsets.resize(3);
    film.Pictures = {0, 1, 0};
    film.FrameRate = 20;
    w.Put("film.lmt", WriteMotionFile(film));
    TPrevMenuFile menu;
    menu.Width = 50;
    menu.Height = 40;
    TPrevMenuItem it;
    it.Picture = "pic.qil";
    it.Label = "one";
    menu.Items = {it, it};
    w.Put("menu.pvm", WritePrevMenuFile(menu));
}

TEST(EffectSaves, EveryKindAnswersAsBeforeAfterALoad) {
    const std::vector<Setting> control = {N(PR_LEFT, 7), N(PR_TOP, 9), N(PR_PRIORITY, 3),
                                          T(PR_TAG, "tagged"), T(PR_ONLBTNUP, "up")};
    const struct {
        int32_t kind;
        std::vector<Setting> own;
    } kinds[] = {
        {LT_TILE,
         {T(PR_SOURCE, "pic.qil"), N(PR_WIDTH, 30), N(PR_HEIGHT, 20), N(PR_REPEAT, 1),
          N(PR_SCROLLX, -4), N(PR_SCROLLY, 5), N(PR_DISTANCEX, 2), N(PR_DISTANCEY, 3),
          N(PR_INDEX, 1), N(PR_ALPHA, 200), N(PR_BRIGHTNESS, 10), T(PR_ONIDLE, "idle")}},
        {LT_MAPIMG,
         {T(PR_SOURCE, "pic.qil"), T(PR_HOVERSOURCE, "hover.qil"), T(PR_MAPSOURCE, "map.rgn"),
          N(PR_ALPHA, 300), N(PR_PAUSED, 1), N(PR_REPEAT, 1), N(PR_BRIGHTNESS, -20),
          N(PR_AUTOSCRAP, 1), N(PR_RCLICKSCRAP, 1), T(PR_ONSELECT, "sel"), T(PR_ONMAPIN, "in"),
          T(PR_ONMAPOUT, "out"), T(PR_ONIDLE, "idle")}},
        {LT_FIRE,
         {N(PR_ZOOMX, 512), N(PR_ZOOMY, 384), N(PR_WIDTH, 40), N(PR_HEIGHT, 30), N(PR_POWER, 3),
          N(PR_PAUSED, 1), T(PR_ONIDLE, "idle")}},
        {LT_WAVE,
         {N(PR_WIDTH, 60), N(PR_HEIGHT, 50), N(PR_DELAY, 20), N(PR_PAUSED, 1), N(PR_AMP, 6),
          N(PR_WAVELEN, -40), T(PR_ONIDLE, "idle")}},
        {LT_PARTICLE,
         {T(PR_SOURCE, "pic.qil"), N(PR_WIDTH, 80), N(PR_HEIGHT, 60), N(PR_ALPHA, 128),
          N(PR_PAUSED, 1), N(PR_INDEX, 1), N(PR_PARTMOTION, PM_TWISTER), R(PR_PARAM1, 0.5),
          R(PR_PARAM2, -2.25), R(PR_PARAM3, 1e10), N(PR_DURATION, 3000), T(PR_ONIDLE, "idle")}},
        {LT_CINEMA,
         {T(PR_SOURCE, "film.lmt"), N(PR_WIDTH, 10), N(PR_HEIGHT, 11), N(PR_PAUSED, 1),
          N(PR_VOLUME, 300), N(PR_REPEAT, 1), T(PR_ONPLAYEND, "end"), N(PR_INDEX, 2),
          N(PR_AUTOSCRAP, 1), T(PR_ONIDLE, "idle"), N(PR_ANIPAUSED, 1), N(PR_REWINDONLOAD, 0),
          N(PR_MUTEONLOAD, 1)}},
        {LT_PREVMENU,
         {T(PR_SOURCE, "menu.pvm"), N(PR_PAUSED, 1), T(PR_ONPLAYEND, "end"), T(PR_TEXT, "one"),
          N(PR_AUTOSCRAP, 1), T(PR_ONSELECT, "sel"), N(PR_RCLICKSCRAP, 1), T(PR_ONMAPIN, "in"),
          T(PR_ONMAPOUT, "out"), T(PR_ONIDLE, "idle")}},
        {LT_PROPMOTION, {N(PR_PAUSED, 1)}},
    };
    for (const auto& k : kinds) {
        SCOPED_TRACE(k.kind);
        EffectWorld w;
        Files(w);
        TVeskComponent* o = w.root.Adopt(w.root.Kinds().Make(k.kind, &w.root));
        ASSERT_NE(o, nullptr);
        SetStr(*o, PR_NAME, "it");
        if (o->IsControl())
            for (const Setting& s : control) Put(*o, s);
        for (const Setting& s : k.own) Put(*o, s);
        EXPECT_EQ(o->GetIntProp(PR_COMPOTYPE), k.kind);

        EffectWorld copy;
        Files(copy);
        LoadTree(copy.root, SaveTree(w.root));
        TVeskComponent* back = copy.root.FindComponent("it");
        ASSERT_NE(back, nullptr);
        EXPECT_EQ(back->Kind(), k.kind);
        for (int32_t index = 0; index < kPropCount; ++index) {
            if (index == PR_APPEARX || index == PR_APPEARY) continue;
            const auto a = o->GetProp(index), b = back->GetProp(index);
            EXPECT_EQ(a->AsStr(), b->AsStr()) << "property " << index;
        }
    }
}

TEST(EffectSaves, EveryKindOutlivesLostSurfacesAndANewScreen) {
    EffectWorld w;
    Files(w);
    w.root.SetScreenSize(64, 48);
    auto make = [&](int32_t kind, std::vector<Setting> settings) {
        TVeskComponent* o = w.root.Adopt(w.root.Kinds().Make(kind, &w.root));
        for (const Setting& s : settings) Put(*o, s);
        return o;
    };
    make(LT_TILE, {T(PR_SOURCE, "pic.qil"), N(PR_WIDTH, 30), N(PR_HEIGHT, 20)});
    make(LT_MAPIMG, {T(PR_SOURCE, "pic.qil"), T(PR_HOVERSOURCE, "hover.qil"),
                     T(PR_MAPSOURCE, "map.rgn"), N(PR_LEFT, 30)});
    make(LT_FIRE, {N(PR_WIDTH, 40), N(PR_HEIGHT, 30)});
    make(LT_PARTICLE,
         {T(PR_SOURCE, "pic.qil"), N(PR_WIDTH, 60), N(PR_HEIGHT, 40), R(PR_PARAM1, 0.01)});
    make(LT_PARTICLE,
         {T(PR_SOURCE, "film.lmt"), N(PR_WIDTH, 60), N(PR_HEIGHT, 40), R(PR_PARAM1, 0.01)});
    make(LT_CINEMA, {T(PR_SOURCE, "film.lmt")});
    make(LT_PREVMENU, {T(PR_SOURCE, "menu.pvm")});
    w.root.MouseMoveTo(32, 1);  // over the map's region
    for (int i = 0; i < 20; ++i) {
        w.root.ProcessInput(16);
        w.Frame();
    }
    const int32_t count = w.root.ObjectCount();
    w.root.ReleaseSurfaces();
    w.root.RestoreSurfaces();
    w.root.FrontLayer().InvalidateAll();
    w.Frame();
    // A new screen size restores the surfaces without giving them up first.
    w.root.SetScreenSize(80, 60);
    w.Frame();
    EXPECT_GE(w.root.ObjectCount(), count);  // the particles live on
}

}  // namespace
}  // namespace vesk
