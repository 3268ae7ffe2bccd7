// FFmpeg's side of the player on arbitrary bytes: Windows Media sound and video items decode,
// seek and give pictures, or end in the sound data error.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "base/error.h"
#include "media/audio_system.h"
#include "media/ffmpeg_audio.h"
#include "media/video_item.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vesk;
    try {
        TFfmpegAudioStream s(std::make_unique<ViewStream>(data, size), "fuzz.wma");
        std::vector<uint8_t> buf(16384);
        for (int i = 0; i < 64 && s.Read(buf.data(), buf.size()) > 0; ++i) {
        }
        s.SetPos(s.GetSize() / 3);
        (void)s.Read(buf.data(), buf.size());
    } catch (const VeskError&) {
    }
    try {
        auto audio = AudioSystem::Headless();
        TDecodeFeeder feeder(audio->Clock());
        TVideoItem v(std::make_unique<ViewStream>(data, size),
                     std::make_unique<ViewStream>(data, size), "fuzz.wmv", audio->Bus(), feeder);
        v.Play();
        for (int i = 0; i < 10; ++i) {
            v.Update(100);
            audio->Advance(100);
        }
        v.SetPosition(v.GetLength() / 2);
        v.Update(16);
    } catch (const VeskError&) {
    }
    return 0;
}
