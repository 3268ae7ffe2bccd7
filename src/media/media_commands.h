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

}  // namespace vesk
