#pragma once
// What the configuration dialog edits: the sound output choice and the delay of the
// wave-out path as a track-bar position. The application implements it over "game.ini";
// the dialog window only shows it and passes the user's changes on.
#include <cstdint>
#include <string>

namespace vesk {

class IConfigForm {
  public:
    // The track bar's range: positions stand for hundreds of milliseconds.
    static constexpr int32_t kMinDelay = 1;
    static constexpr int32_t kMaxDelay = 5;

    virtual ~IConfigForm() = default;
    virtual bool UseDirectSound() const = 0;
    virtual void SetUseDirectSound(bool on) = 0;
    virtual int32_t DelayPosition() const = 0;
    // Positions outside kMinDelay..kMaxDelay are clamped.
    virtual void SetDelayPosition(int32_t position) = 0;
    // Whether the delay controls can be used (the delay only matters without DirectSound).
    virtual bool DelayEnabled() const = 0;
    // The value label's text (UTF-8).
    virtual std::string DelayText() const = 0;
    // Stores the values; false with `error` set when they cannot be written.
    virtual bool Ok(std::string* error) = 0;
};

}  // namespace vesk
