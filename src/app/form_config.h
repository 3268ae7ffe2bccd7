#pragma once
// The configuration dialog's values over "game.ini": read when the dialog opens, written
// only when the user confirms.
#include <cstdint>
#include <string>

#include "platform/config_form.h"

namespace vesk {

class TFormConfig final : public IConfigForm {
  public:
    // Reads `iniPath` ("DirectSound" defaults to true, "DelayTime" to 500 ms); a missing file
    // gives the defaults.
    explicit TFormConfig(std::string iniPath);

    bool UseDirectSound() const override { return directSound_; }
    void SetUseDirectSound(bool on) override { directSound_ = on; }
    int32_t DelayPosition() const override { return position_; }
    void SetDelayPosition(int32_t position) override;
    bool DelayEnabled() const override { return !directSound_; }
    // "%dms" of the position's milliseconds, e.g. "300ms".
    std::string DelayText() const override;
    // Writes "DirectSound" and "DelayTime" into the file's [Sound] section, keeping every
    // other section and key; the file is replaced as a whole, never left half written.
    bool Ok(std::string* error) override;

    const std::string& IniPath() const { return path_; }

  private:
    std::string path_;
    bool directSound_ = true;
    int32_t position_ = kMaxDelay;
};

}  // namespace vesk
