// Where the autoplayer shoots on hand-made fields.
#include <gtest/gtest.h>

#include "demo/aim.h"

using demo::BallView;
using demo::chooseAim;

namespace {
constexpr double R = 20;
BallView ball(double x, double y, int colour) { return {x, y, R, colour}; }
}  // namespace

TEST(AutoplayAim, ShootsUnderTheReachablePairOfTheLoadedColour) {
    // A red pair hidden behind a blue ball, and a reachable red pair.
    std::vector<BallView> field = {ball(200, 200, 1), ball(240, 200, 1), ball(200, 240, 2), ball(240, 240, 2),
                                   ball(500, 200, 1), ball(540, 200, 1), ball(300, 150, 2)};
    const auto aim = chooseAim(field, 1, 1);
    ASSERT_TRUE(aim.valid);
    EXPECT_FALSE(aim.swap);
    EXPECT_TRUE(aim.x == 500 || aim.x == 540) << aim.x;
    EXPECT_EQ(aim.group, 2);
    EXPECT_GE(aim.holdTicks, 1);
}

TEST(AutoplayAim, SwapsOnlyWhenTheNextColourIsClearlyBetter) {
    // Loaded green has one lone ball; the next, yellow, has a reachable pair.
    std::vector<BallView> field = {ball(100, 100, 3), ball(400, 300, 4), ball(440, 300, 4)};
    auto aim = chooseAim(field, 3, 4);
    ASSERT_TRUE(aim.valid);
    EXPECT_TRUE(aim.swap);
    // Equal prospects: no swap.
    field = {ball(100, 300, 3), ball(140, 300, 3), ball(400, 300, 4), ball(440, 300, 4)};
    aim = chooseAim(field, 3, 4);
    EXPECT_FALSE(aim.swap);
    // A bonus ball links a lone ball into a pair.
    field = {ball(100, 100, 3), ball(400, 300, 4), ball(440, 300, demo::kBonusColour)};
    EXPECT_EQ(demo::groupSize(field, 1, 4), 2);
}

TEST(AutoplayAim, TheGunStaysOnItsRailAndAnEmptyFieldGivesNoAim) {
    std::vector<BallView> field = {ball(10, 300, 0), ball(795, 100, 5)};
    auto aim = chooseAim(field, 0, 5);
    ASSERT_TRUE(aim.valid);
    EXPECT_EQ(aim.x, demo::kGunLeft);
    aim = chooseAim(field, 5, 5);
    EXPECT_EQ(aim.x, demo::kGunRight);
    EXPECT_FALSE(chooseAim({}, 0, 1).valid);
    EXPECT_FALSE(chooseAim(field, 7, 6).valid);
}
