#pragma once
// The system variables whose values live in the display root: mouse and key states, the
// screen size, the sound switch and the focused object.
#include <memory>

namespace vesk {

class TCustomParam;
class TVeskBaseList;

// The value of system variable `id`, or nullptr when the display does not hold it.
std::unique_ptr<TCustomParam> ReadDisplayVar(TVeskBaseList& root, int id);
// Carries out a write; false when the display does not hold the variable.
bool WriteDisplayVar(TVeskBaseList& root, int id, const TCustomParam& value);

}  // namespace vesk
