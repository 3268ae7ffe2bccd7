#pragma once
// What the player prints of the game's variables when it ends.
#include <cstdint>
#include <string>

namespace vesk {

class TParamCollection;

// {"frames": N, "vars": [VALUE...]} on one line (--dump-vars), VALUE as in value_json.h.
std::string VarDumpJson(uint32_t frames, const TParamCollection& store);
// For a player that ran without a window, where this is all there is to see of the game: a
// heading, then "  name = value, value" a variable (strings quoted, reals as text).
std::string VarListing(uint32_t frames, const TParamCollection& store);

}  // namespace vesk
