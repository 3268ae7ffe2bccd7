#pragma once
// What the text layer adds to the engine: the caption and message window kinds (Caption,
// CGCaption, MesNew) and the system variables of the installed fonts (the message commands
// are in mes_commands.h). The engine calls these when it is built.
#include <memory>

namespace vesk {

class TCustomParam;
class TFontPixelManager;
class TKindRegistry;
struct TTextServices;

// Captions (kind 9), picture-font captions (kind 24) and message windows (kind 13).
// `services` must outlive every object the registry makes (message windows keep it).
void RegisterTextKinds(TKindRegistry& kinds, const TTextServices& services);

// "@Fonts" and "@FixedFonts": the installed face names as lines (CR LF between them);
// null for any other variable.
std::unique_ptr<TCustomParam> ReadTextVar(TFontPixelManager& fonts, int id);

}  // namespace vesk
