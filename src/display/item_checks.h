#pragma once
// Objects whose items carry check marks (the selection menus): GetCheck and SetCheck reach
// them through this, so the display functions need not know the controls above them.
#include <cstdint>

namespace vesk {

class IItemChecks {
  public:
    virtual ~IItemChecks() = default;
    // Items outside the list read false and ignore writes.
    virtual bool ItemChecked(int32_t i) const = 0;
    virtual void SetItemChecked(int32_t i, bool on) = 0;
};

}  // namespace vesk
