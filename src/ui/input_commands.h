#pragma once
// The input controls: edits, memos, sliders, scroll bars, gauges and the HTTP object.
namespace vesk {

class TKindRegistry;
struct TTextServices;

// Registers their kinds; `services` must outlive every object the registry makes.
void RegisterInputKinds(TKindRegistry& kinds, const TTextServices& services);

}  // namespace vesk
