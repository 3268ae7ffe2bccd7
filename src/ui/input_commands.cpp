#include "ui/input_commands.h"

#include "display/kind_registry.h"
#include "text/text_services.h"
#include "ui/vesk_edit.h"
#include "ui/vesk_gauge.h"
#include "ui/vesk_http.h"
#include "ui/vesk_slider.h"

namespace vesk {

void RegisterInputKinds(TKindRegistry& kinds, const TTextServices& services) {
    kinds.Add<TVeskSlider>(LT_SLIDER);
    kinds.Add<TVeskScrollbar>(LT_SCROLLBAR);
    kinds.Add<TVeskGauge>(LT_GAUGE);
    kinds.Add<TVeskHttp>(LT_HTTP);
    const TTextServices* s = &services;
    kinds.Register(LT_EDIT,
                   [s](TVeskBaseList* root) { return std::make_unique<TVeskEdit>(root, *s); });
    kinds.Register(LT_MEMO,
                   [s](TVeskBaseList* root) { return std::make_unique<TVeskMemo>(root, *s); });
}

}  // namespace vesk
