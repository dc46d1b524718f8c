// The bitmap font "font1": 256 glyphs of the Windows-1252 code page in
// cells of 24 x 26, 32 to a row. Light glyphs with a dark outline, so the
// game's colour tint colours them. The loader narrows each glyph to its
// widest run of non-transparent pixels; a faint run of alpha 1 along the
// bottom row spans each glyph's ink (the dark outline keeps letters apart)
// and gives the space its width. Glyph 0 stays blank; glyph 124 is the caret bar.
#include <cmath>

#include "gen.h"

namespace pg {

namespace {
constexpr int kCellW = 24, kCellH = 26, kBaseline = 19;

// Unicode code point of a Windows-1252 byte (0 where the page has none).
uint32_t cp1252(int code) {
    static const uint16_t high[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
    if (code < 32 || code == 127) return 0;
    if (code >= 128 && code < 160) return high[code - 128];
    return uint32_t(code);
}

std::string utf8(uint32_t cp) {
    std::string s;
    if (cp < 0x80) {
        s += char(cp);
    } else if (cp < 0x800) {
        s += char(0xC0 | (cp >> 6));
        s += char(0x80 | (cp & 0x3F));
    } else {
        s += char(0xE0 | (cp >> 12));
        s += char(0x80 | ((cp >> 6) & 0x3F));
        s += char(0x80 | (cp & 0x3F));
    }
    return s;
}

void font() {
    Canvas c(kCellW * 32, kCellH * 8);
    cairo_t* cr = c.cr();
    selectFace(cr, Face::SansBold, 15);
    for (int code = 1; code < 256; ++code) {
        const double ox = (code % 32) * kCellW, oy = (code / 32) * kCellH;
        const uint32_t cp = cp1252(code);
        if (cp == 0) continue;
        cairo_save(cr);
        cairo_rectangle(cr, ox, oy, kCellW, kCellH);
        cairo_clip(cr);
        if (code == 124) {
            // The edit box's caret.
            cairo_rectangle(cr, ox + 10.5, oy + 3, 3, kCellH - 6);
            cairo_set_source_rgb(cr, 0.08, 0.06, 0.05);
            cairo_fill(cr);
            cairo_rectangle(cr, ox + 11.5, oy + 4, 1, kCellH - 8);
            cairo_set_source_rgb(cr, 1, 1, 1);
            cairo_fill(cr);
        } else if (cp != 32 && cp != 160) {
            const std::string s = utf8(cp);
            cairo_text_extents_t e;
            cairo_text_extents(cr, s.c_str(), &e);
            const double squeeze = e.width > kCellW - 4 ? (kCellW - 4) / e.width : 1.0;
            cairo_translate(cr, ox + kCellW / 2.0, oy + kBaseline);
            cairo_scale(cr, squeeze, 1.0);
            cairo_move_to(cr, -e.width / 2 - e.x_bearing, 0);
            cairo_text_path(cr, s.c_str());
            cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
            cairo_set_source_rgba(cr, 0.06, 0.04, 0.04, 0.95);
            cairo_set_line_width(cr, 2.4);
            cairo_stroke_preserve(cr);
            cairo_pattern_t* g = cairo_pattern_create_linear(0, -12, 0, 3);
            cairo_pattern_add_color_stop_rgb(g, 0, 1, 1, 1);
            cairo_pattern_add_color_stop_rgb(g, 1, 0.82, 0.82, 0.82);
            cairo_set_source(cr, g);
            cairo_fill(cr);
            cairo_pattern_destroy(g);
        }
        cairo_restore(cr);
    }
    // Spacing runs on the bottom row of every cell.
    const int st = c.stride();
    uint32_t* px = c.pixels();
    for (int code = 1; code < 256; ++code) {
        const uint32_t cp = cp1252(code);
        if (cp == 0) continue;
        const int ox = (code % 32) * kCellW, oy = (code / 32) * kCellH;
        int left = kCellW, right = -1;
        for (int y = 0; y < kCellH - 1; ++y)
            for (int x = 0; x < kCellW; ++x)
                if (px[(oy + y) * st + ox + x] >> 24) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                }
        if (right < 0) {  // space: 6 px
            left = 9;
            right = 14;
        }
        for (int x = left; x <= right; ++x) {
            uint32_t& p = px[(oy + kCellH - 1) * st + ox + x];
            if ((p >> 24) == 0) p = 0x01000000u;
        }
    }
    cairo_surface_mark_dirty(c.surface());
    c.savePack("font1", 256, 32);
}
}  // namespace

void addFontJobs(Jobs& jobs) { jobs.push_back([] { font(); }); }

}  // namespace pg
