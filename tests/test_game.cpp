// The game actor on the shipped campaign: level start, the play state's
// rules, win and loss, and the states between levels.
#include <gtest/gtest.h>

#include "game_support.h"
#include "game/magnet.h"
#include "game/scenery.h"

using gametest::played;

TEST_F(GameTest, SmokeStartsLevelOne) {
    Game& g = startAt(11);
    EXPECT_EQ(g.current, &g.preStart);
    ASSERT_TRUE(runUntil([&] { return g.current == &g.physics; }, 400));
    EXPECT_GT(field().countBalls(), 0);
    run(200);
    EXPECT_EQ(g.current, &g.physics);
}
