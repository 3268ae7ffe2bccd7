#pragma once
// The configuration dialog's form, kept in memory, for the dialog tests.
#include <cstdint>
#include <string>

#include "platform/config_form.h"

namespace vesk::test {

class FakeForm final : public IConfigForm {
  public:
    bool directSound = true;
    int32_t position = 5;
    int oks = 0;
    bool UseDirectSound() const override { return directSound; }
    void SetUseDirectSound(bool on) override { directSound = on; }
    int32_t DelayPosition() const override { return position; }
    void SetDelayPosition(int32_t p) override { position = p < 1 ? 1 : p > 5 ? 5 : p; }
    bool DelayEnabled() const override { return !directSound; }
    std::string DelayText() const override { return std::to_string(position * 100) + "ms"; }
    bool Ok(std::string*) override { return ++oks, true; }
};

}  // namespace vesk::test
