#pragma once
// The media layer's part of the engine: the object kinds it makes (sound 17, video 16,
// timer 15), the commands it carries out (MovieStop, MediaPlay; Sound, Movie and Timer are
// made by the display's component commands through the kinds), and the record of the sound
// and timer objects in game saves.
#include <cstdint>

namespace vesk {

class StreamReader;
class StreamWriter;
class TCommandHandlers;
class TKindRegistry;
class TMediaSystem;
class TVeskBaseList;

void RegisterMediaKinds(TKindRegistry& kinds, TMediaSystem& media);
void RegisterMediaCommands(TCommandHandlers& handlers, TVeskBaseList& root, TMediaSystem& media);

// Sound and timer objects belong to no layer, so the layers' records do not hold them. A
// game save keeps them in a section of their own: the count, then per object its kind
// (byte) and its record, as the layers keep their children. Objects being removed and those
// with system names are left out.
void SaveMediaObjects(StreamWriter& w, TVeskBaseList& root);
// Reads that section into a root the display records have just been loaded into; sounds
// that played start again (see TVeskSound::LoadState).
void LoadMediaObjects(StreamReader& r, TVeskBaseList& root, int32_t version);

}  // namespace vesk
