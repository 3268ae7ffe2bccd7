#pragma once
// What the text layer adds to the engine: the caption kinds (Caption, CGCaption) and the
// system variables of the installed fonts. The engine calls these when it is built.
#include <memory>

namespace vesk {

class TCustomParam;
class TFontPixelManager;
class TKindRegistry;
struct TTextServices;

// Captions (kind 9) and picture-font captions (kind 24). `services` must outlive every
// object the registry makes.
void RegisterTextKinds(TKindRegistry& kinds, const TTextServices& services);

// "@Fonts" and "@FixedFonts": the installed face names as lines (CR LF between them);
// null for any other variable.
std::unique_ptr<TCustomParam> ReadTextVar(TFontPixelManager& fonts, int id);

}  // namespace vesk
