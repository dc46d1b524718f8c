#include "shapes.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace pg {

ShapeSet loadShapes(const std::string& path) {
    std::ifstream in(path);
    if (!in) throw std::runtime_error("cannot open " + path);
    // Strip comments, keep line numbers for messages.
    std::vector<std::pair<std::string, int>> tokens;
    std::string line;
    for (int no = 1; std::getline(in, line); ++no) {
        if (auto hash = line.find('#'); hash != std::string::npos) line.erase(hash);
        std::istringstream ls(line);
        for (std::string t; ls >> t;) tokens.emplace_back(t, no);
    }
    ShapeSet set;
    size_t i = 0;
    auto fail = [&](const std::string& what) {
        const int no = i < tokens.size() ? tokens[i].second : (tokens.empty() ? 0 : tokens.back().second);
        throw std::runtime_error(path + ":" + std::to_string(no) + ": " + what);
    };
    auto number = [&]() {
        if (i >= tokens.size()) fail("number expected");
        size_t used = 0;
        double v = 0;
        try {
            v = std::stod(tokens[i].first, &used);
        } catch (const std::exception&) {
            used = 0;
        }
        if (used != tokens[i].first.size()) fail("number expected, got '" + tokens[i].first + "'");
        ++i;
        return v;
    };
    while (i < tokens.size()) {
        const std::string kind = tokens[i++].first;
        if (kind != "magnet" && kind != "wall") fail("'magnet' or 'wall' expected, got '" + kind + "'");
        Shape shape;
        shape.number = int(number());
        if (i >= tokens.size()) fail("name expected");
        shape.name = tokens[i++].first;
        for (;;) {
            if (i >= tokens.size()) fail("'end' expected");
            const std::string t = tokens[i++].first;
            if (t == "end") break;
            if (t != "solid") fail("'solid' or 'end' expected, got '" + t + "'");
            Polygon poly;
            while (i < tokens.size() && tokens[i].first != ";") {
                const double x = number();
                const double y = number();
                poly.emplace_back(x, y);
            }
            if (i >= tokens.size()) fail("';' expected");
            ++i;
            if (poly.size() < 3) fail("a solid needs at least three points");
            shape.solids.push_back(std::move(poly));
        }
        if (shape.solids.empty()) fail("shape without solids");
        auto& target = kind == "magnet" ? set.magnets : set.walls;
        if (!target.emplace(shape.number, shape).second) fail("duplicate " + kind + " number");
    }
    return set;
}

}  // namespace pg
