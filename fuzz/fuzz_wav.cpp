// The WAV reader on arbitrary bytes: a clear error or a readable stream, and the mixer
// reading it through a few blocks.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "base/error.h"
#include "media/audio_clock.h"
#include "media/wav_file.h"
#include "media/wav_out.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vesk;
    std::unique_ptr<TWavStream> w;
    try {
        w = std::make_unique<TWavStream>(std::make_unique<ViewStream>(data, size));
    } catch (const VeskError&) {
        return 0;
    }
    (void)w->GetLen();
    VirtualAudioClock clock;
    MixBus bus;
    TWavOut out(bus, clock, 100);
    out.Open();
    TWavBuffer* s = out.CreateSource(std::move(w)).get();
    s->SetLoop(size & 1);
    s->SetLoopPos(int64_t(size / 3));
    s->Play();
    for (int i = 0; i < 4; ++i) out.Feed();
    (void)s->AudiblePos();
    return 0;
}
