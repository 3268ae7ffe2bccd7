#include "app/form_config.h"

#include <filesystem>
#include <fstream>

#include "app/game_ini.h"
#include "base/error.h"

namespace vesk {

TFormConfig::TFormConfig(std::string iniPath) : path_(std::move(iniPath)) {
    TIniFile ini(path_);
    directSound_ = ini.ReadBool("Sound", "DirectSound", true);
    SetDelayPosition(ini.ReadInteger("Sound", "DelayTime", 500) / 100);
}

void TFormConfig::SetDelayPosition(int32_t position) {
    position_ = position < kMinDelay ? kMinDelay : position > kMaxDelay ? kMaxDelay : position;
}

std::string TFormConfig::DelayText() const {
    return std::to_string(position_ * 100) + "ms";
}

bool TFormConfig::Ok(std::string* error) {
    // Read again now, so keys written meanwhile survive. A file that is there but cannot be
    // read would come back as an empty one: it is not overwritten.
    std::error_code ec;
    if (std::filesystem::exists(path_, ec) && !std::ifstream(path_, std::ios::binary)) {
        if (error) *error = "cannot read " + path_;
        return false;
    }
    try {
        TIniFile ini(path_);
        ini.WriteBool("Sound", "DirectSound", directSound_);
        ini.WriteInteger("Sound", "DelayTime", position_ * 100);
        ini.Save();
    } catch (const std::exception& e) {
        if (error) *error = e.what();
        return false;
    }
    return true;
}

}  // namespace vesk
