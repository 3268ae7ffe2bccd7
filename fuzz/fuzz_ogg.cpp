// The Ogg Vorbis decoder on arbitrary bytes: a clear error, or a stream that reads, seeks and
// converts to the mix format without crashing, hanging or growing without bound.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "base/error.h"
#include "media/pcm_convert.h"
#include "media/vorbis_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vesk;
    std::unique_ptr<TOggStream> s;
    try {
        s = ToMixFormat(std::make_unique<TVorbisStream>(std::make_unique<ViewStream>(data, size)));
    } catch (const VeskError&) {
        return 0;
    }
    (void)s->GetLen();
    std::vector<uint8_t> buf(16384);
    // A bounded number of reads: the claimed size may be a day of sound.
    for (int i = 0; i < 64 && s->Read(buf.data(), buf.size()) > 0; ++i) {
    }
    s->SetPos(s->GetSize() / 2);
    (void)s->Read(buf.data(), buf.size());
    s->SetPos(0);
    (void)s->Read(buf.data(), buf.size());
    return 0;
}
