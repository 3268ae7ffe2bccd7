#pragma once
// The screen transitions (gfx/custom_wipe.h) as the display root runs them: the wipe
// factory of the root, reading the mask pictures through the image cache (so protected
// layered images unscramble with the project's image code).
#include "display/screen_wipe.h"
#include "gfx/custom_wipe.h"

namespace vesk {

class TQuilCollection;
class TVrFileManager;

// Transitions of every kind; mask pictures come from `files` through `images`, which must
// outlive them. With a seed the random orders (crack, random blocks) repeat from run to run.
WipeFactory MakeWipeFactory(TVrFileManager& files, TQuilCollection& images,
                            std::optional<uint32_t> seed = std::nullopt);
// The same with the environment given (the tests choose the pictures and the random seed).
WipeFactory MakeWipeFactory(TWipeEnv env);

// The first frame of the picture `name` of the game, or null when the game has no such file
// or it is no picture the player reads. Layered images decode through the cache; other
// pictures (BMP, PNG) are read directly.
std::unique_ptr<TDIBX> LoadGamePicture(TVrFileManager& files, TQuilCollection& images,
                                       const std::string& name);

}  // namespace vesk
