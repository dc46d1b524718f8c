// levelgen: writes the levels file from the campaign description and the
// shared outlines of the magnets and walls.
//
//   levelgen <shapes.txt> <output.ini> <campaign.txt>...
//
// Campaign description (one statement per line, '#' starts a comment):
//   defaults Key=value ...                  values for every level
//   episode <e> Key=value ...               starts episode e; values for its levels
//   level <n> "<name>" Key=value ... directive=value ...
// Keys starting with a capital letter are keys of the level section. The
// lower-case directives place the starting balls:
//   balls=hex:N            N balls packed around the magnet, nearest first
//   balls=sector:N:A0:A1   the same inside the angles A0..A1 (degrees,
//                          0 = right, 90 = down)
//   place=dx,dy,c;...      balls by hand, relative to the magnet centre in
//                          field units; c is a colour number or B (bonus)
//   bonusballs=N           N of the placed balls become bonus balls, on the
//                          outside of the pack, facing the gun
//   clump=P                P % chance that a ball takes a neighbour's colour
//   seed=S                 colour draw seed (default: the level number)
// MagnetVertices/Indices come from the magnet outline named by Magnet,
// WallVertices/Indices from the wall outline of Back.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "game/level.h"

namespace {

constexpr double kCentreX = kMagnetCentreXPx / kPixelsPerUnitExact;
constexpr double kCentreY = kMagnetCentreYPx / kPixelsPerUnitExact;

struct Pt {
    double x, y;
};
using Polygon = std::vector<Pt>;

struct Shape {
    std::string name;
    std::vector<Polygon> solids;  // field units (walls: absolute, magnets: relative)
};

struct Error : std::runtime_error {
    using std::runtime_error::runtime_error;
};

[[noreturn]] void fail(const std::string& where, const std::string& what) {
    throw Error(where + ": " + what);
}

// ---------------------------------------------------------------- shapes

void readShapes(const std::string& path, std::map<int, Shape>& magnets, std::map<int, Shape>& walls) {
    std::ifstream in(path);
    if (!in) fail(path, "cannot open");
    std::string line, token;
    std::vector<std::string> tokens;
    while (std::getline(in, line)) {
        line = line.substr(0, line.find('#'));
        std::istringstream ls(line);
        while (ls >> token) tokens.push_back(token);
    }
    size_t i = 0;
    auto next = [&]() -> const std::string& {
        if (i >= tokens.size()) fail(path, "unexpected end");
        return tokens[i++];
    };
    while (i < tokens.size()) {
        const std::string kind = next();
        if (kind != "magnet" && kind != "wall") fail(path, "expected magnet or wall, got " + kind);
        const int number = std::stoi(next());
        Shape shape;
        shape.name = next();
        const double scale = kind == "wall" ? 1.0 / kPixelsPerUnitExact : 1.0;
        for (;;) {
            const std::string t = next();
            if (t == "end") break;
            if (t != "solid") fail(path, "expected solid or end in " + shape.name);
            Polygon poly;
            for (;;) {
                const std::string a = next();
                if (a == ";") break;
                const std::string b = next();
                poly.push_back({std::stod(a) * scale, std::stod(b) * scale});
            }
            if (poly.size() < 3) fail(path, "solid with fewer than 3 points in " + shape.name);
            shape.solids.push_back(poly);
        }
        (kind == "wall" ? walls : magnets)[number] = shape;
    }
}

// ---------------------------------------------------------------- meshes

double signedArea(const Polygon& p) {
    double a = 0;
    for (size_t i = 0; i < p.size(); ++i) {
        const Pt& u = p[i];
        const Pt& v = p[(i + 1) % p.size()];
        a += u.x * v.y - v.x * u.y;
    }
    return a / 2;
}

double cross(const Pt& o, const Pt& a, const Pt& b) {
    return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}

bool inTriangle(const Pt& p, const Pt& a, const Pt& b, const Pt& c) {
    return cross(a, b, p) >= 0 && cross(b, c, p) >= 0 && cross(c, a, p) >= 0;
}

// Ear clipping of a counter-clockwise simple polygon.
std::vector<int> triangulate(const Polygon& poly, const std::string& where) {
    std::vector<int> idx(poly.size());
    for (size_t i = 0; i < poly.size(); ++i) idx[i] = static_cast<int>(i);
    std::vector<int> tris;
    size_t guard = 0;
    while (idx.size() > 3) {
        bool clipped = false;
        for (size_t i = 0; i < idx.size(); ++i) {
            const int ia = idx[(i + idx.size() - 1) % idx.size()], ib = idx[i],
                      ic = idx[(i + 1) % idx.size()];
            const Pt &a = poly[static_cast<size_t>(ia)], &b = poly[static_cast<size_t>(ib)],
                     &c = poly[static_cast<size_t>(ic)];
            if (cross(a, b, c) <= 1e-12) continue;  // reflex or flat corner
            bool empty = true;
            for (int j : idx) {
                if (j == ia || j == ib || j == ic) continue;
                if (inTriangle(poly[static_cast<size_t>(j)], a, b, c)) {
                    empty = false;
                    break;
                }
            }
            if (!empty) continue;
            tris.insert(tris.end(), {ia, ib, ic});
            idx.erase(idx.begin() + static_cast<long>(i));
            clipped = true;
            break;
        }
        if (!clipped) {
            // Only collinear leftovers remain: drop the flattest corner.
            if (++guard > poly.size()) fail(where, "polygon cannot be triangulated");
            size_t flattest = 0;
            double best = 1e300;
            for (size_t i = 0; i < idx.size(); ++i) {
                const double c = std::fabs(cross(poly[static_cast<size_t>(idx[(i + idx.size() - 1) % idx.size()])],
                                                 poly[static_cast<size_t>(idx[i])],
                                                 poly[static_cast<size_t>(idx[(i + 1) % idx.size()])]));
                if (c < best) {
                    best = c;
                    flattest = i;
                }
            }
            idx.erase(idx.begin() + static_cast<long>(flattest));
        }
    }
    if (idx.size() == 3 && cross(poly[static_cast<size_t>(idx[0])], poly[static_cast<size_t>(idx[1])],
                                 poly[static_cast<size_t>(idx[2])]) > 1e-12)
        tris.insert(tris.end(), {idx[0], idx[1], idx[2]});
    return tris;
}

struct MeshOut {
    std::vector<double> vertices;  // x y z
    std::vector<int> indices;
};

// Each solid becomes a closed prism z in [-1, 1] with outward faces, so a
// sphere in the plane z = 0 meets its sides.
MeshOut extrude(const Shape& shape) {
    MeshOut m;
    for (Polygon poly : shape.solids) {
        if (signedArea(poly) < 0) std::reverse(poly.begin(), poly.end());
        const int base = static_cast<int>(m.vertices.size() / 3);
        const int n = static_cast<int>(poly.size());
        for (const Pt& p : poly) m.vertices.insert(m.vertices.end(), {p.x, p.y, 1.0});
        for (const Pt& p : poly) m.vertices.insert(m.vertices.end(), {p.x, p.y, -1.0});
        const std::vector<int> cap = triangulate(poly, shape.name);
        for (size_t t = 0; t < cap.size(); t += 3) {
            m.indices.insert(m.indices.end(), {base + cap[t], base + cap[t + 1], base + cap[t + 2]});
            m.indices.insert(m.indices.end(),
                             {base + n + cap[t], base + n + cap[t + 2], base + n + cap[t + 1]});
        }
        for (int i = 0; i < n; ++i) {
            const int a = i, b = (i + 1) % n;
            const int aTop = base + a, bTop = base + b, aLow = base + n + a, bLow = base + n + b;
            m.indices.insert(m.indices.end(), {aLow, bLow, bTop});
            m.indices.insert(m.indices.end(), {aLow, bTop, aTop});
        }
    }
    return m;
}

std::string number(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.4f", v);
    std::string s = buf;
    while (!s.empty() && s.back() == '0') s.pop_back();
    if (!s.empty() && s.back() == '.') s.pop_back();
    if (s == "-0") s = "0";
    return s;
}

template <typename T, typename F>
std::string list(const std::vector<T>& values, F format) {
    std::string s = std::to_string(values.size());
    for (const T& v : values) s += " " + format(v);
    return s;
}

// ---------------------------------------------------------------- geometry tests

bool pointInPolygon(const Pt& p, const Polygon& poly) {
    bool in = false;
    for (size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
        const Pt &a = poly[i], &b = poly[j];
        if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x) in = !in;
    }
    return in;
}

double segmentDistance(const Pt& p, const Pt& a, const Pt& b) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

// Clearance of a point from a set of solids (0 inside one).
double clearance(const Pt& p, const std::vector<Polygon>& solids, double ox, double oy) {
    double best = 1e300;
    for (const Polygon& s : solids) {
        Polygon moved = s;
        for (Pt& q : moved) q = {q.x + ox, q.y + oy};
        if (pointInPolygon(p, moved)) return 0;
        for (size_t i = 0; i < moved.size(); ++i)
            best = std::min(best, segmentDistance(p, moved[i], moved[(i + 1) % moved.size()]));
    }
    return best;
}

// ---------------------------------------------------------------- campaign

const char* const kKeyOrder[] = {"Door",          "Back",          "Magnet",         "bombchance",
                                 "ColorsMax",     "BallsSpawn",    "BallsSpawnMiss", "BallsSpawnRotate",
                                 "BallsInitialSpawn", "LevelName", "Time",           "SpawnGunNo",
                                 "MagnetGravity", "GlobalGravity", "MagnetVertices", "MagnetIndices",
                                 "WallVertices",  "WallIndices",   "BallsVertices",  "BallsIndices",
                                 "BallSize",      "MagnetMass",    "MaxBalls",       "MaxFreeBalls",
                                 "FreeBallChance", "FreeBallType", "BonusChance",    "StartFreeBall",
                                 "LvlBonus"};
const char* const kGenerated[] = {"MagnetVertices", "MagnetIndices", "WallVertices",
                                  "WallIndices",    "BallsVertices", "BallsIndices", "LevelName"};
const char* const kDirectives[] = {"balls", "place", "bonusballs", "clump", "seed"};

using Values = std::map<std::string, std::string>;

struct Level {
    int episode = 0, number = 0;
    std::string name, where;
    Values values;
};

bool isKey(const std::string& k) {
    for (const char* key : kKeyOrder)
        if (k == key) {
            for (const char* g : kGenerated)
                if (k == g) return false;
            return true;
        }
    return false;
}

bool isDirective(const std::string& k) {
    for (const char* d : kDirectives)
        if (k == d) return true;
    return false;
}

int intValue(const Values& v, const std::string& key, int def, const std::string& where) {
    auto it = v.find(key);
    if (it == v.end()) return def;
    try {
        size_t used = 0;
        const int n = std::stoi(it->second, &used);
        if (used != it->second.size()) throw std::invalid_argument(key);
        return n;
    } catch (const std::exception&) {
        fail(where, key + " is not a number: " + it->second);
    }
}

std::vector<std::string> splitLine(const std::string& line, const std::string& where) {
    std::vector<std::string> out;
    size_t i = 0;
    while (i < line.size()) {
        if (std::isspace(static_cast<unsigned char>(line[i]))) {
            ++i;
            continue;
        }
        if (line[i] == '"') {
            const size_t end = line.find('"', i + 1);
            if (end == std::string::npos) fail(where, "unterminated quote");
            out.push_back(line.substr(i, end - i + 1));
            i = end + 1;
            continue;
        }
        size_t end = i;
        while (end < line.size() && !std::isspace(static_cast<unsigned char>(line[end]))) ++end;
        out.push_back(line.substr(i, end - i));
        i = end;
    }
    return out;
}

void readCampaign(const std::string& path, Values& defaults, std::map<int, Values>& episodeValues,
                  std::vector<Level>& levels) {
    std::ifstream in(path);
    if (!in) fail(path, "cannot open");
    std::string line;
    int lineNo = 0;
    int episode = -1;
    while (std::getline(in, line)) {
        ++lineNo;
        const std::string where = path + ":" + std::to_string(lineNo);
        bool quoted = false;
        for (size_t k = 0; k < line.size(); ++k) {
            if (line[k] == '"') quoted = !quoted;
            if (line[k] == '#' && !quoted) {
                line.resize(k);
                break;
            }
        }
        std::vector<std::string> t = splitLine(line, where);
        if (t.empty()) continue;
        auto assignments = [&](size_t from, Values& into, bool directives) {
            for (size_t k = from; k < t.size(); ++k) {
                const size_t eq = t[k].find('=');
                if (eq == std::string::npos || eq == 0) fail(where, "expected key=value, got " + t[k]);
                const std::string key = t[k].substr(0, eq);
                if (!isKey(key) && !(directives && isDirective(key)))
                    fail(where, "unknown key " + key);
                into[key] = t[k].substr(eq + 1);
            }
        };
        if (t[0] == "defaults") {
            assignments(1, defaults, false);
        } else if (t[0] == "episode") {
            if (t.size() < 2) fail(where, "episode needs a number");
            episode = std::stoi(t[1]);
            if (episode < 0 || episode > 11) fail(where, "episode out of 0..11");
            assignments(2, episodeValues[episode], false);
        } else if (t[0] == "level") {
            if (episode < 0) fail(where, "level before any episode");
            if (t.size() < 3 || t[2].size() < 2 || t[2].front() != '"')
                fail(where, "expected: level <n> \"<name>\" ...");
            Level l;
            l.episode = episode;
            l.number = std::stoi(t[1]);
            if (l.number < 1 || l.number > 9) fail(where, "level number out of 1..9");
            l.name = t[2].substr(1, t[2].size() - 2);
            l.where = where;
            assignments(3, l.values, true);
            levels.push_back(l);
        } else {
            fail(where, "unknown statement " + t[0]);
        }
    }
}

// Small deterministic generator so a level's colours stay put between runs.
struct Lcg {
    uint32_t s;
    explicit Lcg(uint32_t seed) : s(seed * 2654435761u + 12345u) {}
    int next(int n) {
        s = s * 1103515245u + 12345u;
        return static_cast<int>((s >> 16) % static_cast<uint32_t>(n));
    }
};

struct Ball {
    double x, y;  // absolute field units
    int colour;
};

std::vector<Ball> placeBalls(const Level& l, const Values& v, const Shape& magnet, const Shape& wall) {
    const int colours = std::clamp(intValue(v, "ColorsMax", 5, l.where), 1, 8);
    const int size = std::clamp(intValue(v, "BallSize", 100, l.where), 1, 100);
    const double r = 0.38 * (0.4 + 0.006 * size);
    Lcg rng(static_cast<uint32_t>(intValue(v, "seed", l.episode * 10 + l.number, l.where)));
    std::vector<Ball> balls;

    auto fits = [&](const Pt& p) {
        if (clearance(p, wall.solids, 0, 0) < r * 1.1) return false;
        if (clearance(p, magnet.solids, kCentreX, kCentreY) < r * 1.05) return false;
        for (const Ball& b : balls)
            if (std::hypot(b.x - p.x, b.y - p.y) < 2 * r * 1.01) return false;
        return true;
    };

    if (auto it = v.find("place"); it != v.end()) {
        std::stringstream ss(it->second);
        std::string item;
        while (std::getline(ss, item, ';')) {
            double dx = 0, dy = 0;
            char c1 = 0, c2 = 0;
            std::string colour;
            std::istringstream is(item);
            if (!(is >> dx >> c1 >> dy >> c2 >> colour) || c1 != ',' || c2 != ',')
                fail(l.where, "bad place item " + item);
            const int c = colour == "B" ? 11 : std::stoi(colour);
            if (c != 11 && (c < 0 || c >= colours)) fail(l.where, "place colour out of range: " + item);
            const Pt p{kCentreX + dx, kCentreY + dy};
            if (!fits(p)) fail(l.where, "placed ball overlaps a wall, the magnet or a ball: " + item);
            balls.push_back({p.x, p.y, c});
        }
    }

    if (auto it = v.find("balls"); it != v.end()) {
        std::vector<std::string> parts;
        std::stringstream ss(it->second);
        std::string part;
        while (std::getline(ss, part, ':')) parts.push_back(part);
        if (parts.size() < 2 || (parts[0] != "hex" && parts[0] != "sector") ||
            (parts[0] == "sector" && parts.size() != 4))
            fail(l.where, "balls must be hex:N or sector:N:A0:A1");
        const int count = std::stoi(parts[1]);
        double a0 = -180, a1 = 180;
        if (parts[0] == "sector") {
            a0 = std::stod(parts[2]);
            a1 = std::stod(parts[3]);
        }
        const int clump = intValue(v, "clump", 40, l.where);
        // Hexagonal cells around the magnet centre, nearest first.
        const double step = 2 * r * 1.03;
        std::vector<Pt> cells;
        for (int j = -20; j <= 20; ++j)
            for (int i = -30; i <= 30; ++i) {
                const Pt p{kCentreX + (i + (j & 1) * 0.5) * step, kCentreY + j * step * 0.8660254};
                double ang = std::atan2(p.y - kCentreY, p.x - kCentreX) * 180.0 / 3.14159265358979;
                bool inSector = false;
                for (double off : {-360.0, 0.0, 360.0})
                    if (ang + off >= a0 && ang + off <= a1) inSector = true;
                if (inSector) cells.push_back(p);
            }
        std::stable_sort(cells.begin(), cells.end(), [](const Pt& a, const Pt& b) {
            return std::hypot(a.x - kCentreX, a.y - kCentreY) < std::hypot(b.x - kCentreX, b.y - kCentreY);
        });
        const size_t first = balls.size();
        for (const Pt& p : cells) {
            if (static_cast<int>(balls.size() - first) >= count) break;
            if (!fits(p)) continue;
            int colour = rng.next(colours);
            if (rng.next(100) < clump) {
                for (size_t k = first; k < balls.size(); ++k)
                    if (std::hypot(balls[k].x - p.x, balls[k].y - p.y) < 2.2 * r) {
                        colour = balls[k].colour;
                        break;
                    }
            }
            balls.push_back({p.x, p.y, colour});
        }
        if (static_cast<int>(balls.size() - first) < count)
            fail(l.where, "only " + std::to_string(balls.size() - first) + " of " +
                              std::to_string(count) + " balls fit");
        // Every colour of the level shows up at least once.
        for (int c = 0; c < colours && static_cast<int>(balls.size() - first) >= colours; ++c) {
            bool present = false;
            for (size_t k = first; k < balls.size(); ++k) present = present || balls[k].colour == c;
            if (!present) balls[first + static_cast<size_t>(rng.next(count))].colour = c;
        }
    }

    const int bonus = intValue(v, "bonusballs", 0, l.where);
    if (bonus > 0) {
        // Outermost balls facing the gun first, kept apart from each other.
        std::vector<size_t> order(balls.size());
        for (size_t k = 0; k < order.size(); ++k) order[k] = k;
        auto score = [&](size_t k) {
            const double dx = balls[k].x - kCentreX, dy = balls[k].y - kCentreY;
            return std::hypot(dx, dy) + (dy > 0 ? 1.0 : 0.0) + 0.3 * dy;
        };
        std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return score(a) > score(b); });
        int made = 0;
        std::vector<size_t> chosen;
        for (size_t k : order) {
            if (made >= bonus) break;
            if (balls[k].colour == 11) continue;
            bool apart = true;
            for (size_t c : chosen)
                if (std::hypot(balls[c].x - balls[k].x, balls[c].y - balls[k].y) < 6 * r) apart = false;
            if (!apart) continue;
            balls[k].colour = 11;
            chosen.push_back(k);
            ++made;
        }
        if (made < bonus) fail(l.where, "not enough room for the bonus balls");
    }
    if (balls.empty()) fail(l.where, "a level needs starting balls (balls= or place=)");
    return balls;
}

std::string ini(const Level& l, const Values& v, const std::map<int, Shape>& magnets,
                const std::map<int, Shape>& walls) {
    const int magnetNo = intValue(v, "Magnet", 0, l.where);
    const int back = intValue(v, "Back", 0, l.where);
    auto m = magnets.find(magnetNo);
    if (m == magnets.end()) fail(l.where, "no magnet outline " + std::to_string(magnetNo));
    auto w = walls.find(std::clamp(back, 0, 11));
    if (w == walls.end()) fail(l.where, "no wall outline for Back " + std::to_string(back));
    const MeshOut magnetMesh = extrude(m->second);
    const MeshOut wallMesh = extrude(w->second);
    const std::vector<Ball> balls = placeBalls(l, v, m->second, w->second);
    std::vector<double> ballPos;
    std::vector<int> ballColours;
    for (const Ball& b : balls) {
        ballPos.push_back(b.x);
        ballPos.push_back(b.y);
        ballColours.push_back(b.colour);
    }
    Values out = v;
    out["LevelName"] = l.name;
    auto num = [](double d) { return number(d); };
    auto str = [](int i) { return std::to_string(i); };
    out["MagnetVertices"] = list(magnetMesh.vertices, num);
    out["MagnetIndices"] = list(magnetMesh.indices, str);
    out["WallVertices"] = list(wallMesh.vertices, num);
    out["WallIndices"] = list(wallMesh.indices, str);
    out["BallsVertices"] = list(ballPos, num);
    out["BallsIndices"] = list(ballColours, str);

    std::string s = "[Level" + std::to_string(l.episode * 10 + l.number) + "-0]\n";
    for (const char* key : kKeyOrder) {
        auto it = out.find(key);
        if (it != out.end()) s += std::string(key) + "=" + it->second + "\n";
    }
    return s + "\n";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::cerr << "usage: levelgen <shapes.txt> <output.ini> <campaign.txt>...\n";
        return 2;
    }
    try {
        std::map<int, Shape> magnets, walls;
        readShapes(argv[1], magnets, walls);
        Values defaults;
        std::map<int, Values> episodeValues;
        std::vector<Level> levels;
        for (int i = 3; i < argc; ++i) readCampaign(argv[i], defaults, episodeValues, levels);

        int levelCount[12] = {};
        std::map<int, const Level*> seen;
        int lastEpisode = 0;
        for (const Level& l : levels) {
            const int id = l.episode * 10 + l.number;
            if (seen.count(id)) fail(l.where, "level defined twice (also " + seen[id]->where + ")");
            seen[id] = &l;
            levelCount[l.episode] = std::max(levelCount[l.episode], l.number);
            lastEpisode = std::max(lastEpisode, l.episode);
        }
        for (int e = 0; e <= lastEpisode; ++e)
            for (int n = 1; n <= levelCount[e]; ++n)
                if (!seen.count(e * 10 + n))
                    fail(argv[3], "episode " + std::to_string(e) + " misses level " + std::to_string(n));

        std::string text =
            "; The Vellmoor of Quorrin: levels. Generated by levelgen from\n"
            "; data/campaign/*.txt and data/shapes/shapes.txt; change those instead.\n\n"
            "[Episodes]\nEpisodes=" +
            std::to_string(lastEpisode) + "\nLevels=";
        for (int e = 0; e <= lastEpisode; ++e) text += (e ? " " : "") + std::to_string(levelCount[e]);
        text += "\n\n";
        std::vector<const Level*> ordered;
        for (auto& [id, l] : seen) ordered.push_back(l);
        for (const Level* l : ordered) {
            Values v = defaults;
            for (auto& [k, val] : episodeValues[l->episode]) v[k] = val;
            for (auto& [k, val] : l->values) v[k] = val;
            text += ini(*l, v, magnets, walls);
        }
        const std::string tmp = std::string(argv[2]) + ".tmp";
        {
            std::ofstream out(tmp, std::ios::binary);
            out << text;
            if (!out) fail(tmp, "cannot write");
        }
        if (std::rename(tmp.c_str(), argv[2]) != 0) fail(argv[2], "cannot replace");
    } catch (const std::exception& e) {
        std::cerr << "levelgen: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
