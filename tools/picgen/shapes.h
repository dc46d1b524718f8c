// Reader of data/shapes/shapes.txt: the magnet and wall outlines that the
// pictures and the level meshes share.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace pg {

using Polygon = std::vector<std::pair<double, double>>;

struct Shape {
    int number = 0;
    std::string name;
    std::vector<Polygon> solids;
};

struct ShapeSet {
    std::map<int, Shape> magnets;  // by number 1..N, field units around the magnet centre
    std::map<int, Shape> walls;    // by background 0..11, screen pixels
};

// Throws std::runtime_error with the line number on malformed input.
ShapeSet loadShapes(const std::string& path);

constexpr double kUnit = 800.0 / 12.0;  // pixels per field unit

}  // namespace pg
