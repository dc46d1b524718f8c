// The generated campaign: every level builds, and 30 simulated seconds of
// each without input keep the field sound (finite positions, no ball out of
// the walls, the magnet in place, no ball sunk into another body).
#include <gtest/gtest.h>
#include <ode/ode.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>

#include "field_support.h"
#include "frame/settings.h"
#include "game/game.h"

namespace {

const std::string kLevels = std::string(VM_TEST_DATA_DIR) + "/vm_levels.ini";

struct LevelRun {
    bool built = false;
    bool finite = true;
    int escaped = 0;
    double magnetDrift = 0;
    double maxDepth = 0;      // deepest contact over the run
    double settledDepth = 0;  // deepest contact over the last five seconds
    double jitter = 0;        // largest move of a coloured ball in the last second, in pixels,
                              // seen from the turning magnet (reported, not judged: balls
                              // may roll in a magnet's hollows)
    int balls = 0;
};

class CampaignTest : public FieldTest, public ::testing::WithParamInterface<int> {
protected:
    void SetUp() override {
        FieldTest::SetUp();
        resetSettingsForTests();
        ASSERT_TRUE(std::filesystem::exists(kLevels)) << kLevels;
        ASSERT_TRUE(selectIniFile(kLevels, false));
    }
    void TearDown() override {
        resetSettingsForTests();
        FieldTest::TearDown();
    }

    // Coloured ball positions turned back by the magnet's angle.
    std::map<int, std::pair<double, double>> magnetFrame() {
        std::map<int, std::pair<double, double>> out;
        const dReal* q = dBodyGetQuaternion(f().magnet->body);
        const double a = -std::atan2(2.0 * q[0] * q[3], 1.0 - 2.0 * q[3] * q[3]);
        const double cx = f().magnet->x(), cy = f().magnet->y();
        for (auto& [id, o] : f().objects) {
            if (!o->isBall() || o->type >= 8 || o->dying) continue;
            const double dx = o->x() - cx, dy = o->y() - cy;
            out[id] = {dx * std::cos(a) - dy * std::sin(a), dx * std::sin(a) + dy * std::cos(a)};
        }
        return out;
    }

    LevelRun run(int levelNumber, int ticks) {
        LevelRun r;
        LevelParams p;
        readLevelSection(p, "Level" + std::to_string(levelNumber) + "-0");
        mutableLevelParams() = p;
        f().setupWorld();
        r.built = f().buildLevel();
        if (!r.built) return r;
        // The interior of every scenery's walls, in field units.
        const double x0 = 36 / kPixelsPerUnit, x1 = 764 / kPixelsPerUnit, y0 = 54 / kPixelsPerUnit, y1 = 574 / kPixelsPerUnit;
        FreeBallRelease freeBalls;
        std::map<int, std::pair<double, double>> before;
        for (int t = 0; t < ticks; ++t) {
            // The play state's free-ball release and arming, 80 ticks a second.
            freeBalls.beforeStep(f(), static_cast<uint32_t>(t) * 1000u / 80u);
            if (t == ticks - 80) before = magnetFrame();
            tick();
            freeBalls.afterStep(f(), f().countBalls());
            r.maxDepth = std::max(r.maxDepth, f().maxDepthLastStep);
            if (t >= ticks - 400) r.settledDepth = std::max(r.settledDepth, f().maxDepthLastStep);
        }
        for (auto& [id, o] : f().objects) {
            if (!std::isfinite(o->x()) || !std::isfinite(o->y())) r.finite = false;
            if (!o->isBall()) continue;
            if (o->x() < x0 || o->x() > x1 || o->y() < y0 || o->y() > y1) ++r.escaped;
            if (o->type < 8 && !o->dying) ++r.balls;
        }
        for (auto& [id, p0] : before) {
            FieldObject* o = f().find(id);
            if (!o || o->dying) continue;
            const auto now = magnetFrame()[id];
            r.jitter = std::max(r.jitter, kPixelsPerUnit * std::hypot(now.first - p0.first, now.second - p0.second));
        }
        r.magnetDrift = std::hypot(f().magnet->x() - 6.0, f().magnet->y() - 269 / kPixelsPerUnit);
        return r;
    }
};

TEST_P(CampaignTest, EveryLevelOfTheEpisodeBuildsAndStaysSound) {
    const int episode = GetParam();
    const int count = getIniInt("Episodes", "Episodes", 0);
    if (episode > count) GTEST_SKIP() << "no episode " << episode;
    int levels[12] = {};
    {
        const std::string list = getIniString("Episodes", "Levels", "");
        std::sscanf(list.c_str(), "%d %d %d %d %d %d %d %d %d %d %d %d", &levels[0], &levels[1], &levels[2],
                    &levels[3], &levels[4], &levels[5], &levels[6], &levels[7], &levels[8], &levels[9],
                    &levels[10], &levels[11]);
    }
    ASSERT_GE(levels[episode], 5) << "episode " << episode;
    ASSERT_LE(levels[episode], 9) << "episode " << episode;
    for (int level = 1; level <= levels[episode]; ++level) {
        const int n = episode * 10 + level;
        const LevelRun r = run(n, 2400);
        ASSERT_TRUE(r.built) << "level " << n << ": unusable " << f().failedMesh << " list";
        EXPECT_TRUE(r.finite) << "level " << n;
        EXPECT_EQ(r.escaped, 0) << "level " << n;
        EXPECT_LT(r.magnetDrift, 1e-3) << "level " << n;
        // Impacts may press a ball in for a moment; a settled pack must not
        // sink into the magnet or into itself. A wandering free ball keeps
        // pushing the pack, so settling is judged without one.
        EXPECT_LT(r.maxDepth, 0.6 * level::ballRadius()) << "level " << n;
        if (levelParams().StartFreeBall == 0) {
            EXPECT_LT(r.settledDepth, 0.2 * level::ballRadius()) << "level " << n;
        }
        std::printf("level %3d: %2d balls, radius %.3f, free %d, deepest contact %.4f, settled %.4f, moved %.2f px/s\n",
                    n, r.balls, level::ballRadius(), levelParams().StartFreeBall, r.maxDepth, r.settledDepth,
                    r.jitter);
    }
}

INSTANTIATE_TEST_SUITE_P(Episodes, CampaignTest, ::testing::Range(0, 12));

}  // namespace
