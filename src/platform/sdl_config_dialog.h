#pragma once
// The configuration dialog ("/config") in a small window of its own.
#include <string>

namespace vesk {

class IConfigForm;

// Shows the dialog over `form` until the user confirms or cancels. Returns 1 after OK (the
// form has stored its values), 0 for Cancel, Esc or closing the window, and -1 when the
// dialog cannot be shown (no display, no font); `error` then says why.
int RunConfigDialog(IConfigForm& form, std::string* error);

}  // namespace vesk
