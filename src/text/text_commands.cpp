#include "text/text_commands.h"

#include "display/kind_registry.h"
#include "text/font_pixels.h"
#include "text/text_services.h"
#include "text/vesk_cg_label.h"
#include "text/vesk_label.h"
#include "text/vesk_mes.h"
#include "vars/param.h"
#include "vars/param_system.h"

namespace vesk {

void RegisterTextKinds(TKindRegistry& kinds, const TTextServices& services) {
    TFontPixelManager* fonts = services.Fonts;
    kinds.Register(LT_LABEL, [fonts](TVeskBaseList* root) {
        return std::make_unique<TVeskLabel>(root, fonts);
    });
    kinds.Add<TVeskCGLabel>(LT_CGLABEL);
    const TTextServices* shared = &services;
    kinds.Register(
        LT_MES, [shared](TVeskBaseList* root) { return std::make_unique<TVeskMes>(root, shared); });
}

std::unique_ptr<TCustomParam> ReadTextVar(TFontPixelManager& fonts, int id) {
    if (id != SV_FONTS && id != SV_FIXEDFONTS) return nullptr;
    std::string lines;
    for (const std::string& name : fonts.FaceNames(id == SV_FIXEDFONTS)) {
        if (!lines.empty()) lines += "\r\n";
        lines += name;
    }
    return StrParam(lines);
}

}  // namespace vesk
