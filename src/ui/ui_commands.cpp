#include "ui/ui_commands.h"

#include "ui/input_commands.h"
#include "ui/menu_commands.h"

namespace vesk {

void RegisterUiKinds(TKindRegistry& kinds, const TTextServices& services) {
    RegisterMenuKinds(kinds, services);
    RegisterInputKinds(kinds, services);
}

void RegisterUiCommands(TCommandHandlers& handlers, TVeskBaseList& root) {
    RegisterMenuCommands(handlers, root);
}

}  // namespace vesk
