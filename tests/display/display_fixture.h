#pragma once
// Shared helpers of the display tests.
#include <functional>
#include <string>

#include "base/error.h"
#include "display/vesk_base_list.h"
#include "display/vesk_box.h"
#include "vars/param.h"

namespace vesk::test {

// A component that implements no property of its own, like a sound object.
class TPlainComponent final : public TVeskComponent {
  public:
    using TVeskComponent::TVeskComponent;
    int32_t Kind() const override { return LT_SOUND; }
};

inline std::string ErrorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const VeskError& e) {
        return e.Text();
    }
    return {};
}

inline void SetInt(TVeskObject& o, int32_t index, int32_t v) {
    TParamInt p;
    p.SetInt(v);
    o.SetProp(index, p);
}

inline void SetStr(TVeskObject& o, int32_t index, const std::string& v) {
    TParamStr p;
    p.SetStr(v);
    o.SetProp(index, p);
}

// A box with a name, a rectangle and a colour, on the front layer.
inline TVeskBox* MakeBox(TVeskBaseList& root, const std::string& name, int32_t l, int32_t t,
                         int32_t w, int32_t h, int32_t color = 0xFFFFFF) {
    auto* b = root.Create<TVeskBox>();
    SetStr(*b, PR_NAME, name);
    b->SetBounds(l, t, w, h);
    SetInt(*b, PR_COLOR, color);
    return b;
}

}  // namespace vesk::test
