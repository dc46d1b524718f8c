// The bitmap font "font1": 256 glyphs of an 8-bit code page in cells of
// 24 x 26, 32 to a row; Windows-1252 in the pictures folder, 1250 and 1251
// under "cp1250/" and "cp1251/" for the languages that write in them. Light glyphs with a dark outline, so the
// game's colour tint colours them. The loader narrows each glyph to its
// widest run of non-transparent pixels; a faint run of alpha 1 along the
// bottom row spans each glyph's ink (the dark outline keeps letters apart)
// and gives the space its width. Glyph 0 stays blank; glyph 124 is the caret bar.
#include <algorithm>
#include <cmath>
#include <fstream>
#include <stdexcept>
#include <vector>

#include "platform/code_pages.h"

#include "gen.h"

namespace pg {

namespace {
constexpr int kCellW = 24, kCellH = 26, kBaseline = 19;

// Unicode code point of a byte of the page (0 where the page has none, and
// for the control codes).
uint32_t codePoint(platform::CodePage page, int code) {
    if (code < 32 || code == 127) return 0;
    return platform::codePageChar(page, static_cast<unsigned char>(code));
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

void drawGlyphs(Canvas& c, platform::CodePage page) {
    cairo_t* cr = c.cr();
    selectFace(cr, Face::SansBold, 15);
    for (int code = 1; code < 256; ++code) {
        const double ox = (code % 32) * kCellW, oy = (code / 32) * kCellH;
        const uint32_t cp = codePoint(page, code);
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
}

struct Ink {
    int left = 0, right = -1;  // columns of the cell, -1: no glyph
};

// The columns each glyph's ink spans at 1x (a space gets 6 px): the glyph
// widths of every set, so advances stay whole logical pixels at 2x too.
std::vector<Ink> inkColumns(platform::CodePage page) {
    Canvas c(kCellW * 32, kCellH * 8, 1);
    drawGlyphs(c, page);
    std::vector<Ink> ink(256);
    const int st = c.stride();
    const uint32_t* px = c.pixels();
    for (int code = 1; code < 256; ++code) {
        if (codePoint(page, code) == 0) continue;
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
        ink[size_t(code)] = {left, right};
    }
    return ink;
}

void font(platform::CodePage page, const std::string& name, const std::string& widthsPath) {
    const std::vector<Ink> ink = inkColumns(page);
    Canvas c(kCellW * 32, kCellH * 8);
    drawGlyphs(c, page);
    // Spacing runs on the bottom row of every cell. At 2x the glyph's faint
    // fringe outside its 1x columns (under half a level of alpha at 1x) is
    // cleared, so the loader's trim finds exactly the 1x columns doubled.
    const int k = c.scale(), st = c.stride();
    uint32_t* px = c.pixels();
    for (int code = 1; code < 256; ++code) {
        const Ink in = ink[size_t(code)];
        if (in.right < 0) continue;
        const int ox = (code % 32) * kCellW * k, oy = (code / 32) * kCellH * k;
        if (k > 1)
            for (int y = 0; y < kCellH * k; ++y)
                for (int x = 0; x < kCellW * k; ++x)
                    if (x < in.left * k || x >= (in.right + 1) * k) px[(oy + y) * st + ox + x] = 0;
        for (int x = in.left * k; x < (in.right + 1) * k; ++x) {
            uint32_t& p = px[(oy + kCellH * k - 1) * st + ox + x];
            if ((p >> 24) == 0) p = 0x01000000u;
        }
    }
    cairo_surface_mark_dirty(c.surface());
    c.savePack(name, 256, 32);
    // The glyphs' widths as the game's loader trims them (the spacing run
    // spans each glyph's ink), for the build tools that wrap and fit text.
    if (widthsPath.empty()) return;
    std::ofstream widths(widthsPath);
    for (int code = 0; code < 256; ++code) {
        const Ink in = ink[size_t(code)];
        widths << in.right - in.left + 1 << (code % 16 == 15 ? '\n' : ' ');
    }
    if (!widths) throw std::runtime_error("cannot write " + widthsPath);
}

const char* const kPageNames[3] = {"western", "cp1250", "cp1251"};
}  // namespace

void addCodePageFontJobs(Jobs& jobs, const std::string& widthsDir) {
    using platform::CodePage;
    for (CodePage page : {CodePage::Western, CodePage::Central, CodePage::Cyrillic}) {
        const std::string pageName = kPageNames[static_cast<int>(page)];
        const std::string widths = widthsDir.empty() ? std::string() : widthsDir + "/font-" + pageName + ".widths";
        jobs.push_back([page, pageName, widths] {
            font(page, page == CodePage::Western ? "font1" : pageName + "/font1", widths);
        });
    }
}

}  // namespace pg
