#include "canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <stdexcept>

namespace pg {

Rgb hex(uint32_t rgb) {
    return {((rgb >> 16) & 255) / 255.0, ((rgb >> 8) & 255) / 255.0, (rgb & 255) / 255.0};
}
Rgb mix(Rgb a, Rgb b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}
Rgb scale(Rgb c, double k) {
    return {std::min(1.0, c.r * k), std::min(1.0, c.g * k), std::min(1.0, c.b * k)};
}

namespace {
int g_artScale = 1;
std::string g_outDir = ".";
std::mutex g_manifestMutex;
std::vector<std::string> g_manifest;
}  // namespace

namespace {
std::map<std::string, std::string> g_words;
}  // namespace

std::string tr(const std::string& english) {
    const auto it = g_words.find(english);
    return it == g_words.end() ? english : it->second;
}

void loadWords(const std::string& path) {
    std::ifstream in(path);
    if (!in) throw std::runtime_error("cannot read " + path);
    for (std::string line; std::getline(in, line);) {
        const size_t tab = line.find('\t');
        if (tab != std::string::npos && tab + 1 < line.size()) g_words[line.substr(0, tab)] = line.substr(tab + 1);
    }
}

namespace {
std::mutex g_fitMutex;
std::pair<std::string, double> g_worstFit{"", 1.0};
}  // namespace

void noteFit(const std::string& text, double ratio) {
    std::lock_guard<std::mutex> lock(g_fitMutex);
    if (ratio > g_worstFit.second) g_worstFit = {text, ratio};
}

std::pair<std::string, double> worstFit() {
    std::lock_guard<std::mutex> lock(g_fitMutex);
    return g_worstFit;
}

std::vector<std::string> wrapText(cairo_t* cr, const std::string& utf8, double maxWidth) {
    std::vector<std::string> lines;
    std::string line;
    size_t start = 0;
    while (start <= utf8.size()) {
        size_t end = utf8.find(' ', start);
        if (end == std::string::npos) end = utf8.size();
        const std::string word = utf8.substr(start, end - start);
        const std::string longer = line.empty() ? word : line + " " + word;
        if (!line.empty() && textWidth(cr, longer) > maxWidth) {
            lines.push_back(line);
            line = word;
        } else {
            line = longer;
        }
        start = end + 1;
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

void setArtScale(int scale) { g_artScale = scale; }
int artScale() { return g_artScale; }

void setOutputDir(const std::string& dir) { g_outDir = dir; }
const std::string& outputDir() { return g_outDir; }

void recordPack(const std::string& name, int frames, int columns) {
    std::lock_guard<std::mutex> lock(g_manifestMutex);
    g_manifest.push_back(name + " " + std::to_string(frames) + " " + std::to_string(columns));
}

std::vector<std::string> takeManifest() {
    std::lock_guard<std::mutex> lock(g_manifestMutex);
    std::vector<std::string> out;
    out.swap(g_manifest);
    std::sort(out.begin(), out.end());
    return out;
}

Canvas::Canvas(int w, int h, int scale) : w_(w), h_(h), s_(scale) {
    surface_ = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w * s_, h * s_);
    // The device scale makes every drawing, and every canvas painted onto
    // another, work in logical pixels.
    if (s_ != 1) cairo_surface_set_device_scale(surface_, s_, s_);
    cr_ = cairo_create(surface_);
    if (cairo_status(cr_) != CAIRO_STATUS_SUCCESS) throw std::runtime_error("cairo: cannot create canvas");
}

Canvas::~Canvas() {
    cairo_destroy(cr_);
    cairo_surface_destroy(surface_);
}

uint32_t* Canvas::pixels() {
    cairo_surface_flush(surface_);
    return reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(surface_));
}

int Canvas::stride() const { return cairo_image_surface_get_stride(surface_) / 4; }

void Canvas::clear() {
    cairo_save(cr_);
    cairo_set_operator(cr_, CAIRO_OPERATOR_CLEAR);
    cairo_paint(cr_);
    cairo_restore(cr_);
}

void Canvas::save(const std::string& name) const {
    cairo_surface_flush(surface_);
    auto* data = reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(surface_));
    const int st = stride();
    for (int y = 0; y < pixelHeight(); ++y)
        for (int x = 0; x < pixelWidth(); ++x) {
            uint32_t& p = data[y * st + x];
            if ((p >> 24) == 255 && (p & 0xFFFFFFu) == 0) p = 0xFF010101u;
        }
    cairo_surface_mark_dirty(surface_);
    const std::string path = g_outDir + "/" + name + ".png";
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    if (cairo_surface_write_to_png(surface_, path.c_str()) != CAIRO_STATUS_SUCCESS)
        throw std::runtime_error("cannot write " + path);
}

void Canvas::savePack(const std::string& name, int frames, int columns) const {
    save(name);
    recordPack(name, frames, columns);
}

uint32_t hash32(uint32_t x) {
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    x *= 0x846ca68bU;
    x ^= x >> 16;
    return x;
}

uint32_t Rng::next() {
    s_ = s_ * 1664525u + 1013904223u;
    return hash32(s_);
}
double Rng::uniform(double lo, double hi) { return lo + (hi - lo) * (next() & 0xFFFFFF) / double(0x1000000); }
int Rng::range(int lo, int hi) { return lo + int(next() % uint32_t(hi - lo + 1)); }

namespace {
double lattice(int x, int y, uint32_t seed) {
    uint32_t h = hash32(uint32_t(x) * 73856093u ^ hash32(uint32_t(y) * 19349663u ^ seed));
    return (h & 0xFFFF) / 65535.0;
}
double smooth(double t) { return t * t * (3 - 2 * t); }
}  // namespace

double noise(double x, double y, uint32_t seed) {
    const double fx = std::floor(x), fy = std::floor(y);
    const int ix = int(fx), iy = int(fy);
    const double tx = smooth(x - fx), ty = smooth(y - fy);
    const double a = lattice(ix, iy, seed), b = lattice(ix + 1, iy, seed);
    const double c = lattice(ix, iy + 1, seed), d = lattice(ix + 1, iy + 1, seed);
    return (a + (b - a) * tx) + ((c + (d - c) * tx) - (a + (b - a) * tx)) * ty;
}

double fbm(double x, double y, uint32_t seed, int octaves) {
    double sum = 0, amp = 0.5, norm = 0;
    for (int i = 0; i < octaves; ++i) {
        sum += amp * noise(x, y, seed + uint32_t(i) * 101u);
        norm += amp;
        x = x * 2.03 + 17.1;
        y = y * 2.03 - 9.7;
        amp *= 0.5;
    }
    return sum / norm;
}

namespace {
// One box pass along rows (dx = 1) or columns over 4 interleaved channels.
void boxPass(std::vector<float>& src, std::vector<float>& dst, int w, int h, int r, bool horizontal) {
    const int n = horizontal ? w : h, lines = horizontal ? h : w;
    const float inv = 1.0f / float(2 * r + 1);
    for (int l = 0; l < lines; ++l) {
        auto idx = [&](int i) {
            i = std::clamp(i, 0, n - 1);
            return horizontal ? (l * w + i) * 4 : (i * w + l) * 4;
        };
        float acc[4] = {0, 0, 0, 0};
        for (int i = -r; i <= r; ++i)
            for (int k = 0; k < 4; ++k) acc[k] += src[size_t(idx(i) + k)];
        for (int i = 0; i < n; ++i) {
            const int o = idx(i);
            for (int k = 0; k < 4; ++k) dst[size_t(o + k)] = acc[k] * inv;
            const int add = idx(i + r + 1), sub = idx(i - r);
            for (int k = 0; k < 4; ++k) acc[k] += src[size_t(add + k)] - src[size_t(sub + k)];
        }
    }
}
}  // namespace

void blur(Canvas& c, double radius) {
    if (radius < 0.5) return;
    const int w = c.pixelWidth(), h = c.pixelHeight(), st = c.stride();
    uint32_t* px = c.pixels();
    std::vector<float> a(size_t(w) * size_t(h) * 4), b(a.size());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint32_t p = px[y * st + x];
            float* q = &a[size_t(y * w + x) * 4];
            q[0] = float(p >> 24);
            q[1] = float((p >> 16) & 255);
            q[2] = float((p >> 8) & 255);
            q[3] = float(p & 255);
        }
    const int r = std::max(1, int(std::lround(radius * c.scale() / 1.7)));
    for (int pass = 0; pass < 3; ++pass) {
        boxPass(a, b, w, h, r, true);
        boxPass(b, a, w, h, r, false);
    }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const float* q = &a[size_t(y * w + x) * 4];
            auto ch = [](float v) { return uint32_t(std::clamp(std::lround(v), 0L, 255L)); };
            uint32_t al = ch(q[0]), rr = std::min(al, ch(q[1])), gg = std::min(al, ch(q[2])),
                     bb = std::min(al, ch(q[3]));
            px[y * st + x] = (al << 24) | (rr << 16) | (gg << 8) | bb;
        }
    cairo_surface_mark_dirty(c.surface());
}

void glow(Canvas& c, const std::function<void(cairo_t*)>& paint, Rgb colour, double radius,
          double strength) {
    Canvas tmp(c.width(), c.height());
    cairo_set_source_rgb(tmp.cr(), 1, 1, 1);
    paint(tmp.cr());
    blur(tmp, radius);
    cairo_t* cr = c.cr();
    cairo_save(cr);
    setColour(cr, colour, std::min(1.0, strength));
    cairo_mask_surface(cr, tmp.surface(), 0, 0);
    if (strength > 1.0) {
        setColour(cr, colour, strength - 1.0);
        cairo_mask_surface(cr, tmp.surface(), 0, 0);
    }
    cairo_restore(cr);
}

void grain(Canvas& c, uint32_t seed, double freq, double amount) {
    const int w = c.pixelWidth(), h = c.pixelHeight(), st = c.stride();
    uint32_t* px = c.pixels();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint32_t& p = px[y * st + x];
            if ((p >> 24) == 0) continue;
            const double k = 1.0 + amount * (fbm(c.at(x) * freq, c.at(y) * freq, seed, 3) * 2.0 - 1.0);
            auto ch = [&](int shift) {
                const double v = double((p >> shift) & 255) * k;
                return uint32_t(std::clamp(v, 0.0, double(p >> 24))) << shift;
            };
            p = (p & 0xFF000000u) | ch(16) | ch(8) | ch(0);
        }
    cairo_surface_mark_dirty(c.surface());
}

void setColour(cairo_t* cr, Rgb c, double a) { cairo_set_source_rgba(cr, c.r, c.g, c.b, a); }

void roundedRect(cairo_t* cr, double x, double y, double w, double h, double r) {
    r = std::min({r, w / 2, h / 2});
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - r, y + r, r, -M_PI / 2, 0);
    cairo_arc(cr, x + w - r, y + h - r, r, 0, M_PI / 2);
    cairo_arc(cr, x + r, y + h - r, r, M_PI / 2, M_PI);
    cairo_arc(cr, x + r, y + r, r, M_PI, 1.5 * M_PI);
    cairo_close_path(cr);
}

void polygonPath(cairo_t* cr, const std::vector<std::pair<double, double>>& pts) {
    if (pts.empty()) return;
    cairo_move_to(cr, pts[0].first, pts[0].second);
    for (size_t i = 1; i < pts.size(); ++i) cairo_line_to(cr, pts[i].first, pts[i].second);
    cairo_close_path(cr);
}

void selectFace(cairo_t* cr, Face face, double size) {
    switch (face) {
    case Face::Sans:
        cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
        break;
    case Face::SansBold:
        cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
        break;
    case Face::SerifBold:
        cairo_select_font_face(cr, "DejaVu Serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
        break;
    case Face::SansCondensedBold:
        cairo_select_font_face(cr, "DejaVu Sans Condensed", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
        break;
    }
    cairo_set_font_size(cr, size);
    cairo_font_options_t* fo = cairo_font_options_create();
    cairo_font_options_set_antialias(fo, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(fo, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(fo, CAIRO_HINT_METRICS_OFF);
    cairo_set_font_options(cr, fo);
    cairo_font_options_destroy(fo);
}

double textWidth(cairo_t* cr, const std::string& utf8) {
    cairo_text_extents_t e;
    cairo_text_extents(cr, utf8.c_str(), &e);
    return e.x_advance;
}

void letter(Canvas& c, const std::string& utf8, double cx, double cy, const Lettering& st,
            double maxWidth) {
    cairo_t* cr = c.cr();
    double size = st.size;
    cairo_text_extents_t e;
    for (;;) {
        selectFace(cr, st.face, size);
        cairo_text_extents(cr, utf8.c_str(), &e);
        if (maxWidth <= 0 || e.width + st.outlineWidth * 2 <= maxWidth || size < 6) break;
        size *= 0.95;
    }
    if (maxWidth >= 20) noteFit(utf8, st.size / size);  // the tiny window buttons are drawn small on purpose
    const double x = cx - e.width / 2 - e.x_bearing, y = cy - e.height / 2 - e.y_bearing;
    auto path = [&](cairo_t* k) {
        selectFace(k, st.face, size);
        cairo_move_to(k, x, y);
        cairo_text_path(k, utf8.c_str());
    };
    if (st.glowRadius > 0)
        glow(c, [&](cairo_t* k) {
            path(k);
            cairo_set_line_width(k, st.outlineWidth * 2 + 2);
            cairo_stroke_preserve(k);
            cairo_fill(k);
        }, st.glowColour, st.glowRadius, st.glowStrength);
    cairo_save(cr);
    path(cr);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    if (st.outlineWidth > 0) {
        setColour(cr, st.outline);
        cairo_set_line_width(cr, st.outlineWidth * 2);
        cairo_stroke_preserve(cr);
    }
    cairo_pattern_t* g = cairo_pattern_create_linear(0, y + e.y_bearing, 0, y + e.y_bearing + e.height);
    cairo_pattern_add_color_stop_rgb(g, 0, st.top.r, st.top.g, st.top.b);
    cairo_pattern_add_color_stop_rgb(g, 0.55, (st.top.r + st.bottom.r) / 2, (st.top.g + st.bottom.g) / 2,
                                     (st.top.b + st.bottom.b) / 2);
    cairo_pattern_add_color_stop_rgb(g, 1, st.bottom.r, st.bottom.g, st.bottom.b);
    cairo_set_source(cr, g);
    cairo_fill(cr);
    cairo_pattern_destroy(g);
    cairo_restore(cr);
}

}  // namespace pg
