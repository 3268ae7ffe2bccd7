#pragma once
// MIDI output devices as the sequencer sees them.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vesk {

// An open output device.
class TMidiOut {
  public:
    virtual ~TMidiOut() = default;
    // A channel message; `d2` is ignored for one-data-byte messages.
    virtual void ShortMsg(uint8_t status, uint8_t d1, uint8_t d2) = 0;
    // A system-exclusive message, status byte first.
    virtual void LongMsg(const uint8_t* data, size_t size) = 0;
    // Silences everything and returns every channel to its power-on state.
    virtual void Reset() = 0;
};

struct TMidiDeviceInfo {
    uint16_t manufacturerId = 0;
    uint16_t productId = 0;
    uint32_t driverVersion = 0;
    std::string name;  // CP932
    int voices = 0;
    int notes = 0;
    uint16_t channelMask = 0xFFFF;
    // Opens the device; null when it cannot be opened.
    std::function<std::unique_ptr<TMidiOut>()> open;
};
using TMidiDevices = std::vector<TMidiDeviceInfo>;

}  // namespace vesk
