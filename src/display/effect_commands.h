#pragma once
// The effect components (tiles, map images, fire, waves, particles, cinemas, preview menus,
// property motions): their object kinds and the PropMotion command. The engine registers
// them when it is built, beside the display layer's own kinds and commands.

namespace vesk {

class TCommandHandlers;
class TKindRegistry;
class TVeskBaseList;

void RegisterEffectKinds(TKindRegistry& kinds);
// PropMotion (the component commands of the kinds above come with RegisterDisplayCommands).
void RegisterEffectCommands(TCommandHandlers& handlers, TVeskBaseList& root);

}  // namespace vesk
