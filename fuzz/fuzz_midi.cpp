// The MIDI file parser on arbitrary bytes: it must load or refuse, never crash or hang.
#include <cstddef>
#include <cstdint>

#include "media/midi_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vesk::TMidiV m;
    if (m.Load(data, size)) {
        // Walk what was built, so every table is touched.
        int64_t sum = m.LengthMs() + int64_t(m.Vibrants().size());
        for (const auto& t : m.Tracks())
            for (const auto& c : t.channels) sum += int64_t(c.notes.size());
        if (sum == -1) return 1;
    }
    return 0;
}
