#pragma once
// The commands the display layer carries out for the interpreter, and the object kinds it
// makes. The engine registers them when it is built.

namespace vesk {

class TCommandHandlers;
class TKindRegistry;
class TVeskBaseList;

// Component creation (BoxNew, ImgNew, … for every kind the root's registry knows), ObjDel,
// Flip, SaveCabinet and LoadCabinet.
void RegisterDisplayCommands(TCommandHandlers& handlers, TVeskBaseList& root);
// Boxes, pictures and cabinets.
void RegisterDisplayKinds(TKindRegistry& kinds);

}  // namespace vesk
