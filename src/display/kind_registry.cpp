#include "display/kind_registry.h"

#include "display/prop_table.h"
#include "display/vesk_object.h"
#include "script/command_info.h"

namespace vesk {

void TKindRegistry::Register(int32_t kind, Factory make) {
    if (kind > LT_NONE && kind < kKindCount) factories_[size_t(kind)] = std::move(make);
}

bool TKindRegistry::Knows(int32_t kind) const {
    return kind > LT_NONE && kind < kKindCount && factories_[size_t(kind)];
}

std::unique_ptr<TVeskComponent> TKindRegistry::Make(int32_t kind, TVeskBaseList* root) const {
    if (!Knows(kind)) return nullptr;
    return factories_[size_t(kind)](root);
}

namespace {

struct TCommandKind {
    uint8_t code;
    int32_t kind;
};
// The object each component command creates.
constexpr TCommandKind kCommandKinds[] = {
    {CC_BOXNEW, LT_BOX},
    {CC_IMGNEW, LT_IMAGES},
    {CC_MESNEW, LT_MES},
    {CC_TIMER, LT_TIMER},
    {CC_MOVIE, LT_VIDEO},
    {CC_CINEMA, LT_CINEMA},
    {CC_CAPTION, LT_LABEL},
    {CC_MENU, LT_MENU},
    {CC_BUTTON, LT_BUTTON},
    {CC_PARTICLENEW, LT_PARTICLE},
    {CC_FIRENEW, LT_FIRE},
    {CC_SOUND, LT_SOUND},
    {CC_EDITNEW, LT_EDIT},
    {CC_MEMONEW, LT_MEMO},
    {CC_MAPIMGNEW, LT_MAPIMG},
    {CC_WAVENEW, LT_WAVE},
    {CC_TILENEW, LT_TILE},
    {CC_SLIDERNEW, LT_SLIDER},
    {CC_SCROLLBARNEW, LT_SCROLLBAR},
    {CC_GAUGENEW, LT_GAUGE},
    {CC_CGCAPTION, LT_CGLABEL},
    {CC_PREVMENUNEW, LT_PREVMENU},
};

}  // namespace

int32_t KindOfCommand(uint8_t code) {
    for (const TCommandKind& c : kCommandKinds)
        if (c.code == code) return c.kind;
    return LT_NONE;
}

}  // namespace vesk
