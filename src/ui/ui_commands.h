#pragma once
// What the controls layer adds to the engine: the kinds of its controls and the commands
// that act on them. The engine calls these when it is built.

namespace vesk {

class TCommandHandlers;
class TKindRegistry;
class TVeskBaseList;
struct TTextServices;

// Every control kind. `services` must outlive every object the registry makes.
void RegisterUiKinds(TKindRegistry& kinds, const TTextServices& services);

// The commands that are not component creations (closing menus and the like).
void RegisterUiCommands(TCommandHandlers& handlers, TVeskBaseList& root);

}  // namespace vesk
