// How much the game draws: the effects level (soft light) and the
// resolution frames and pictures are drawn at.
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

// Whether frames are drawn at the window's own resolution: the command
// line's choice for this start, else the settings file's ([Game]
// RenderScale "native" or "1"), else native except on a software
// rasteriser, where 800 x 600 scaled up costs a quarter or less.
bool Gfx_ChooseNativeResolution(const std::string& saved, const std::string& renderer);
// The picture set to load: 2 (twice each side) when frames are drawn
// natively and full screen on a display of displayW x displayH pixels would
// draw the frame more than 1.25 times its size; else 1.
int Gfx_ChooseArtScale(bool native, int displayW, int displayH);
