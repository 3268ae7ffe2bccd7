// The MIDI file parser on arbitrary bytes: it must load or refuse, never crash or hang; what
// loads is then played for a moment through the sequencer to a device that drops everything.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "media/audio_clock.h"
#include "media/midi_file.h"
#include "media/midi_player.h"

namespace {

class NullOut : public vesk::TMidiOut {
  public:
    void ShortMsg(uint8_t, uint8_t, uint8_t) override {}
    void LongMsg(const uint8_t*, size_t) override {}
    void Reset() override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vesk;
    TMidiV m;
    if (!m.Load(data, size)) return 0;
    // Walk what was built, so every table is touched.
    int64_t sum = m.LengthMs() + int64_t(m.Vibrants().size());
    for (const auto& t : m.Tracks())
        for (const auto& c : t.channels) sum += int64_t(c.notes.size());
    if (sum == -1) return 1;

    VirtualAudioClock clock;
    TMidiDeviceInfo dev;
    dev.open = [] { return std::make_unique<NullOut>(); };
    TMidiPlayV player(clock, {dev});
    player.OpenDevice(TMidiPlayV::kMapper);
    player.Load(data, size);
    player.SetRepeat(size & 1);
    player.PlayFrom(int64_t(size) * 7);
    clock.Advance(100);
    player.SetControllerScale(7, 50);
    player.PlayFromBeat(2, 1);
    player.PlayFrom(0);
    clock.Advance(100);
    player.Stop();
    return 0;
}
