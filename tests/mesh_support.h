// Mesh lists for hand-made test levels, shared by the tests and the
// benchmarks (no test framework here).
#pragma once

#include <cmath>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

// Mesh lists of a convex polygon (counter-clockwise) as a closed prism in z.
inline std::pair<std::string, std::string> prismLists(const std::vector<std::vector<std::pair<double, double>>>& solids) {
    std::vector<double> v;
    std::vector<int> ix;
    for (const auto& poly : solids) {
        const int base = static_cast<int>(v.size() / 3);
        const int n = static_cast<int>(poly.size());
        for (double z : {1.0, -1.0})
            for (const auto& p : poly) v.insert(v.end(), {p.first, p.second, z});
        for (int i = 1; i + 1 < n; ++i) {
            ix.insert(ix.end(), {base, base + i, base + i + 1});
            ix.insert(ix.end(), {base + n, base + n + i + 1, base + n + i});
        }
        for (int i = 0; i < n; ++i) {
            const int a = i, b = (i + 1) % n;
            ix.insert(ix.end(), {base + n + a, base + n + b, base + b});
            ix.insert(ix.end(), {base + n + a, base + b, base + a});
        }
    }
    std::string vs = std::to_string(v.size()), is = std::to_string(ix.size());
    char buf[32];
    for (double d : v) {
        std::snprintf(buf, sizeof buf, " %.4f", d);
        vs += buf;
    }
    for (int i : ix) is += " " + std::to_string(i);
    return {vs, is};
}

inline std::vector<std::pair<double, double>> box(double x0, double y0, double x1, double y1) {
    return {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
}

// A 12-tooth cog round the origin, like the campaign's magnets: one
// triangle per tooth flank.
inline std::pair<std::string, std::string> cogLists() {
    std::vector<std::pair<double, double>> cog;
    for (int i = 0; i < 24; ++i) {
        const double a = i * 3.14159265358979 / 12, r = (i % 2) ? 0.9 : 1.15;
        cog.emplace_back(r * std::cos(a), r * std::sin(a));
    }
    std::vector<std::vector<std::pair<double, double>>> teeth;
    for (int i = 0; i < 24; ++i) teeth.push_back({{0, 0}, cog[static_cast<size_t>(i)], cog[static_cast<size_t>((i + 1) % 24)]});
    return prismLists(teeth);
}

// The four walls round the 12 x 9 field.
inline std::pair<std::string, std::string> fieldWallLists() {
    return prismLists({box(-1, -1, 13, 0.8), box(-1, 8.6, 13, 10), box(-1, -1, 0.55, 10), box(11.45, -1, 13, 10)});
}
