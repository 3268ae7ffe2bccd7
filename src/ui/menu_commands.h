#pragma once
// The selection menus and buttons: their kinds (Menu makes kind 12, Button kind 3) and the
// MenuClose command.
namespace vesk {

class TCommandHandlers;
class TKindRegistry;
class TVeskBaseList;
struct TTextServices;

void RegisterMenuKinds(TKindRegistry& kinds, const TTextServices& services);
void RegisterMenuCommands(TCommandHandlers& handlers, TVeskBaseList& root);

}  // namespace vesk
