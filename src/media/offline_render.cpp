#include "media/offline_render.h"

#include <algorithm>

#include "base/error.h"
#include "media/audio_system.h"
#include "media/fluid_synth.h"
#include "media/midi_player.h"

namespace vesk {

MidiRenderResult RenderMidi(const std::vector<uint8_t>& midi, const MidiRenderOptions& options) {
    const std::string font = options.soundFont.empty() ? FindGmSoundFont() : options.soundFont;
    if (font.empty()) Fail("MIDI render: no General MIDI SoundFont is installed");
    auto audio = AudioSystem::Headless(options.wavPath);
    AudioCapture& capture = *audio->Capture();
    capture.KeepInMemory(options.wavPath.empty());
    TMidiPlayV player(audio->Clock(), SynthMidiDevices(audio->Bus(), font));
    if (!player.OpenDevice(TMidiPlayV::kMapper))
        Fail("MIDI render: cannot open the synthesizer with " + font);
    if (!player.Load(midi.data(), midi.size())) Fail("MIDI render: not a MIDI file");

    MidiRenderResult result;
    result.lengthMs = player.Length();
    const int plays = std::max(1, options.repeat);
    player.SetRepeat(plays > 1);
    player.PlayFrom(0);
    // Each play ends when the sequencer wraps round (repeat) or stops; a safety limit keeps
    // a song of absurd length from running for ever.
    const int64_t limit = (result.lengthMs + 1000) * plays + 1000;
    int done = 0;
    int64_t last = player.Position();
    for (int64_t t = 0; t < limit && player.IsPlaying() && done < plays; t += 10) {
        audio->Advance(10);
        const int64_t pos = player.Position();
        if (pos < last) ++done;
        last = pos;
    }
    player.Stop();
    audio->Advance(options.tailMs);
    capture.Finish();
    result.frames = capture.Frames();
    result.samples = capture.Samples();
    return result;
}

}  // namespace vesk
