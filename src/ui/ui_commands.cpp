#include "ui/ui_commands.h"

namespace vesk {

void RegisterUiKinds(TKindRegistry& /*kinds*/, const TTextServices& /*services*/) {}

void RegisterUiCommands(TCommandHandlers& /*handlers*/, TVeskBaseList& /*root*/) {}

}  // namespace vesk
