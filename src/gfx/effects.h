// The effects level: how much soft light the game draws.
#pragma once

#include <string>

// How much soft light is drawn. Light keeps the magnet's flares still and its
// glow steady, which a software rasteriser would otherwise redraw over most
// of the field every frame; everything the player needs looks the same.
enum class EffectsLevel { Full, Light };
EffectsLevel Gfx_Effects();
void Gfx_SetEffects(EffectsLevel level);
// The settings file's words for the levels ("full", "light"); any other
// word (or none) lets the graphics driver choose.
const char* Gfx_EffectsName(EffectsLevel level);
// The level Gfx_InitDevice chooses: the command line's for this start, else
// the settings file's, else light on a software rasteriser and full elsewhere.
EffectsLevel Gfx_ChooseEffects(const std::string& saved, const std::string& renderer);
// True for the software rasterisers (llvmpipe, softpipe, swrast), told by the
// driver's renderer string.
bool Gfx_IsSoftwareRenderer(const std::string& renderer);
