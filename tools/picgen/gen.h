// The picture generators, grouped by subject. Each adds independent jobs to
// the list; main runs them on worker threads.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "canvas.h"
#include "game/backgrounds.h"
#include "shapes.h"

namespace pg {

using Jobs = std::vector<std::function<void()>>;

// Names and looks shared between generators.
Rgb ballColour(int type);  // tint colours of the eight ball colours
// A wall bracket for a torch whose flame burns at (x, y), with its glow.
void torchSconce(cairo_t* cr, double x, double y);

// A glossy sphere of radius r centred on (cx, cy) in the ball style.
void drawSphere(cairo_t* cr, double cx, double cy, double r, Rgb base, double alpha = 1.0);
// The symbol that tells ball colour `type` apart without colour.
void ballSymbolPath(cairo_t* cr, int type, double cx, double cy, double r);
// Fills the union of the magnet's solids (pixels, centred at cx, cy).
void magnetPath(cairo_t* cr, const Shape& s, double cx, double cy, double unitPx);
// The magnet's look (metal, bevel, glow) drawn into a canvas at (cx, cy).
void drawMagnet(Canvas& c, const Shape& s, double cx, double cy, double unitPx, uint32_t seed);
// House-style stone and metal textures.
void stoneFill(Canvas& c, uint32_t seed, Rgb dark, Rgb light, double freq);

void addBallJobs(Jobs& jobs);
void addGunJobs(Jobs& jobs);
void addMagnetJobs(Jobs& jobs, const ShapeSet& shapes);
void addSceneryJobs(Jobs& jobs, const ShapeSet& shapes);
void addHudJobs(Jobs& jobs);
void addMessageJobs(Jobs& jobs);
void addScreenJobs(Jobs& jobs, const ShapeSet& shapes);
void addWidgetJobs(Jobs& jobs);
// The pictures with words, drawn again for each language (also part of the
// jobs above).
void addWidgetWordJobs(Jobs& jobs);
void addScreenWordJobs(Jobs& jobs, const ShapeSet& shapes);
void addSceneryWordJobs(Jobs& jobs);
void addMapWordJobs(Jobs& jobs);
// The fonts of the other code pages, under "cp1250/" and "cp1251/", and the
// glyph widths of every page's font into widthsDir (font-<page>.widths;
// none when empty).
void addCodePageFontJobs(Jobs& jobs, const std::string& widthsDir);
void addMapJobs(Jobs& jobs, const ShapeSet& shapes);
void addParticleJobs(Jobs& jobs);
// The desktop icon at each of the sizes, as <iconDir>/vellmoor-<size>.png.
void addIconJobs(Jobs& jobs, const ShapeSet& shapes, const std::string& iconDir, const std::vector<int>& sizes);

}  // namespace pg
