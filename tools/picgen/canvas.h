// Drawing helpers shared by every picture generator: a Cairo canvas that
// saves itself as a PNG, deterministic noise, blur and glow, and text.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace pg {

struct Rgb {
    double r, g, b;
};
Rgb hex(uint32_t rgb);
Rgb mix(Rgb a, Rgb b, double t);
Rgb scale(Rgb c, double k);

// Texels per logical pixel of every canvas made from now on (1 or 2): the
// same drawings give the 1x set and the 2x set. Set once, before the jobs run.
void setArtScale(int scale);
int artScale();

// Where the pictures go and the list of packs written (for the contact sheets).
void setOutputDir(const std::string& dir);
const std::string& outputDir();
void recordPack(const std::string& name, int frames, int columns);
std::vector<std::string> takeManifest();

// The words drawn into pictures, in the language being drawn: tr takes the
// English and gives the translation, or the English when there is none.
// N_ marks English words kept in tables for the translators' template
// (xgettext --keyword=tr --keyword=N_); the table's users call tr.
#define N_(english) english
std::string tr(const std::string& english);
// Set once, before the jobs run: "English<TAB>translation" lines.
void loadWords(const std::string& path);

// Words at spaces into lines no wider than maxWidth in the face selected
// in cr (a word wider than that stands on a line of its own).
std::vector<std::string> wrapText(cairo_t* cr, const std::string& utf8, double maxWidth);
// How much a text had to shrink to fit its room (1: not at all); the worst
// is printed at the end of a run.
void noteFit(const std::string& text, double ratio);
std::pair<std::string, double> worstFit();

class Canvas {
public:
    // A canvas of w x h logical pixels, artScale() texels to each: drawing
    // through cr() is in logical pixels, pixels() in texels.
    Canvas(int w, int h) : Canvas(w, h, artScale()) {}
    // The same at a scale of its own (measuring the 1x look from a 2x run).
    Canvas(int w, int h, int scale);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    cairo_t* cr() const { return cr_; }
    cairo_surface_t* surface() const { return surface_; }
    int width() const { return w_; }
    int height() const { return h_; }
    int scale() const { return s_; }
    int pixelWidth() const { return w_ * s_; }
    int pixelHeight() const { return h_ * s_; }
    // Logical position of the top-left corner of texel i (i itself at 1x).
    double at(int i) const { return double(i) / s_; }
    // Premultiplied ARGB pixels (row stride in 32-bit words).
    uint32_t* pixels();
    int stride() const;

    void clear();
    // Writes <output>/<name>.png. Opaque pure black is lifted to (1, 1, 1) so
    // packs loaded with black-as-transparent keep their dark outlines.
    void save(const std::string& name) const;
    // Saves and records a pack cut into a grid (frames, columns as the loader
    // is told).
    void savePack(const std::string& name, int frames = 1, int columns = 15) const;

private:
    int w_, h_, s_;
    cairo_surface_t* surface_;
    cairo_t* cr_;
};

// Value noise in [0, 1] and fractal sums of it; seed picks the pattern.
double noise(double x, double y, uint32_t seed);
double fbm(double x, double y, uint32_t seed, int octaves = 4);
uint32_t hash32(uint32_t x);
// Small deterministic generator for scattering details.
class Rng {
public:
    explicit Rng(uint32_t seed) : s_(seed * 2654435761u + 12345u) {}
    uint32_t next();
    double uniform(double lo = 0.0, double hi = 1.0);
    int range(int lo, int hi);  // inclusive
private:
    uint32_t s_;
};

// Three box passes approximate a Gaussian of the given radius.
void blur(Canvas& c, double radius);
// Draws into a scratch canvas with `paint`, blurs it, and composites it on c
// tinted with colour (glow) at the given strength.
void glow(Canvas& c, const std::function<void(cairo_t*)>& paint, Rgb colour, double radius,
          double strength = 1.0);
// Multiplies existing colour by a grain of fbm noise (keeps alpha).
void grain(Canvas& c, uint32_t seed, double freq, double amount);

void setColour(cairo_t* cr, Rgb c, double a = 1.0);
void roundedRect(cairo_t* cr, double x, double y, double w, double h, double r);
void polygonPath(cairo_t* cr, const std::vector<std::pair<double, double>>& pts);

// Text through the DejaVu faces. Returns the advance width.
enum class Face { Sans, SansBold, SerifBold, SansCondensedBold };
void selectFace(cairo_t* cr, Face face, double size);
double textWidth(cairo_t* cr, const std::string& utf8);
// Lettering with a vertical gradient fill, dark outline and optional glow:
// the house style of every caption.
struct Lettering {
    Face face = Face::SerifBold;
    double size = 24;
    Rgb top = {1.0, 0.93, 0.62};
    Rgb bottom = {0.86, 0.55, 0.16};
    Rgb outline = {0.16, 0.08, 0.03};
    double outlineWidth = 3.0;
    double glowRadius = 0.0;
    Rgb glowColour = {1.0, 0.7, 0.3};
    double glowStrength = 0.8;
};
// Draws utf8 centred on (cx, cy) (the centre of its ink box), shrinking the
// size until it fits maxWidth when maxWidth > 0.
void letter(Canvas& c, const std::string& utf8, double cx, double cy, const Lettering& style,
            double maxWidth = 0);

}  // namespace pg
