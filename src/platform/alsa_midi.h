#pragma once
// MIDI output ports of the ALSA sequencer (hardware synthesizers, software synths that
// listen there) as further devices of the sequencer's device list.
#include "media/midi_out.h"

namespace vesk {

// Every port that accepts MIDI, when the system has a sequencer; empty otherwise.
TMidiDevices AlsaMidiDevices();

}  // namespace vesk
