#include "ui/ui_commands.h"

#include "ui/input_commands.h"

namespace vesk {

void RegisterUiKinds(TKindRegistry& kinds, const TTextServices& services) {
    RegisterInputKinds(kinds, services);
}

void RegisterUiCommands(TCommandHandlers& /*handlers*/, TVeskBaseList& /*root*/) {}

}  // namespace vesk
