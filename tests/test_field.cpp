// The physics field: building a level, contact rules, forces, spawning,
// links and matching, touch effects and the timing of object commands.
#include <gtest/gtest.h>
#include <ode/ode.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "field_support.h"
#include "game/game_sound.h"
#include "game/object_cmd.h"

namespace {

std::vector<std::string> g_sounds;
void recordSound(const std::string& name) { g_sounds.push_back(name); }

int g_scoreCount = 0, g_scoreDelay = 0, g_bonusPoints = 0;
void recordScore(int count, int delay) {
    g_scoreCount = count;
    g_scoreDelay = delay;
}
void recordBonus(int points) { g_bonusPoints += points; }

double forceMagnitude(const FieldObject& o) {
    const dReal* fv = dBodyGetForce(o.body);
    return std::hypot(fv[0], fv[1]);
}

int ballJoints(const FieldObject& o) {
    int n = 0;
    for (int i = 0; i < dBodyGetNumJoints(o.body); ++i)
        if (dJointGetType(dBodyGetJoint(o.body, i)) == dJointTypeBall) ++n;
    return n;
}

TEST_F(FieldTest, BuildLevelGivesIdsInOrderAndRefusesUnusableLists) {
    ASSERT_TRUE(build());
    ASSERT_NE(f().magnet, nullptr);
    EXPECT_EQ(f().magnet->id, 0);
    EXPECT_EQ(f().walls->id, 1);
    ASSERT_NE(f().find(2), nullptr);
    EXPECT_EQ(f().find(2)->type, 0);
    EXPECT_NEAR(f().magnet->x(), 6.0, 1e-6);
    EXPECT_NEAR(f().magnet->y(), 269.0 / kPixelsPerUnit, 1e-5);

    mutableLevelParams().BallsIndices = "0";
    EXPECT_FALSE(build());
    EXPECT_EQ(f().failedMesh, "Balls");
    mutableLevelParams().WallIndices = "2 0 1";
    EXPECT_FALSE(build());
    EXPECT_EQ(f().failedMesh, "Wall");
    mutableLevelParams().MagnetVertices = "0";
    EXPECT_FALSE(build());
    EXPECT_EQ(f().failedMesh, "Magnet");
    // A broken level leaves nothing half-built behind at the next start.
    setTestLevel();
    ASSERT_TRUE(build());
    EXPECT_EQ(f().objects.size(), 3u);
}

TEST_F(FieldTest, MagnetMassFromTheLevelAndItsFloor) {
    mutableLevelParams().MagnetMass = 50;
    finishLevelParams(mutableLevelParams());
    ASSERT_TRUE(build());
    dMass m;
    dBodyGetMass(f().magnet->body, &m);
    EXPECT_NEAR(m.mass, 0.5, 1e-9);
    // A zero or negative mass would be an invalid body: the magnet keeps a
    // small positive one and the field still runs.
    mutableLevelParams().MagnetMass = -20;
    finishLevelParams(mutableLevelParams());
    ASSERT_TRUE(build());
    dBodyGetMass(f().magnet->body, &m);
    EXPECT_GT(m.mass, 0.0);
    f().createBall(0, 4.0f, 4.0f, 0, 0);
    for (int i = 0; i < 50; ++i) tick();
    EXPECT_TRUE(std::isfinite(f().find(3)->x()));
}

TEST_F(FieldTest, PairRulesGiveBounceAndFrictionByKind) {
    ASSERT_TRUE(build());
    FieldObject& red = *f().createBall(0, 3, 3, 0, 0);
    FieldObject& red2 = *f().createBall(0, 5, 3, 0, 0);
    FieldObject& blue = *f().createBall(1, 7, 3, 0, 0);
    FieldObject& bonus = *f().createBall(kBonusBall, 9, 3, 0, 0);
    FieldObject& fire = *f().createBall(kFireball, 3, 7, 0, 0);

    PairRules r = pairRules(red, blue);
    EXPECT_FALSE(r.connectable);
    EXPECT_EQ(r.bounce, 1.0);
    EXPECT_GT(r.mu, 1e30);
    r = pairRules(red, red2);
    EXPECT_TRUE(r.connectable);
    EXPECT_EQ(r.bounce, 0.0);
    r = pairRules(red, fire);
    EXPECT_TRUE(r.specialPair);
    EXPECT_EQ(r.mu, 0.0);
    EXPECT_FALSE(r.connectable);
    r = pairRules(red, *f().walls);
    EXPECT_TRUE(r.wallPair);
    EXPECT_EQ(r.bounce, 0.0);
    EXPECT_EQ(pairRules(*f().magnet, blue).bounce, 0.0);
    // A bonus ball links with another colour only while one of them is active.
    EXPECT_FALSE(pairRules(bonus, blue).connectable);
    blue.activity = 0.5f;
    EXPECT_TRUE(pairRules(bonus, blue).connectable);
}

TEST_F(FieldTest, MagnetAgainstWallsMakesNoContacts) {
    auto walls = prismLists({box(5.0, 3.0, 7.0, 5.0)});  // right through the magnet
    mutableLevelParams().WallVertices = walls.first;
    mutableLevelParams().WallIndices = walls.second;
    mutableLevelParams().BallsVertices = "2 2 7";
    ASSERT_TRUE(build());
    for (int i = 0; i < 5; ++i) {
        f().step();
        EXPECT_EQ(f().contactsLastStep, 0);
    }
}

TEST_F(FieldTest, DifferentColoursBounceSameColoursLink) {
    mutableLevelParams().MagnetGravity = 0;
    ASSERT_TRUE(build());
    FieldObject& a = *f().createBall(0, 3.0f, 7.0f, 0, 2.0f);
    FieldObject& b = *f().createBall(1, 4.2f, 7.0f, 0, -2.0f);
    for (int i = 0; i < 40; ++i) tick();
    EXPECT_LT(dBodyGetLinearVel(a.body)[0], -1.0);
    EXPECT_GT(dBodyGetLinearVel(b.body)[0], 1.0);
    EXPECT_TRUE(a.linkSet.empty());

    FieldObject& c = *f().createBall(2, 3.0f, 2.0f, 0, 2.0f);
    FieldObject& d = *f().createBall(2, 4.2f, 2.0f, 0, -2.0f);
    for (int i = 0; i < 40; ++i) tick();
    EXPECT_EQ(c.linkSet.count(d.id), 1u);
    EXPECT_EQ(d.linkSet.count(c.id), 1u);
    EXPECT_EQ(ballJoints(c), 1);
    EXPECT_LT(std::hypot(c.x() - d.x(), c.y() - d.y()), 0.8);
}

TEST_F(FieldTest, CollisionSoundsAboveTheirThresholdOncePerStep) {
    mutableLevelParams().MagnetGravity = 0;
    ASSERT_TRUE(build());
    setGameSoundSpy(recordSound);
    g_sounds.clear();
    // Two balls hit the left wall in the same step: one sound.
    f().createBall(0, 1.0f, 4.0f, 0, -20.0f);
    f().createBall(1, 1.0f, 6.0f, 0, -20.0f);
    int played = 0;
    for (int i = 0; i < 3; ++i) {
        g_sounds.clear();
        f().step();
        const auto n = std::count(g_sounds.begin(), g_sounds.end(), "collision_wall_ball");
        EXPECT_LE(n, 1);
        played += static_cast<int>(n);
    }
    EXPECT_GE(played, 1);

    ASSERT_TRUE(build());
    f().thresholds.wallBall = 100;
    g_sounds.clear();
    f().createBall(0, 1.0f, 4.0f, 0, -20.0f);
    for (int i = 0; i < 3; ++i) f().step();
    EXPECT_TRUE(g_sounds.empty());
    setGameSoundSpy(nullptr);
}

TEST_F(FieldTest, LinksNeverCloseACycle) {
    ASSERT_TRUE(build());
    setGameSoundSpy(recordSound);
    g_sounds.clear();
    FieldObject& a = *f().createBall(0, 3.0f, 3.0f, 0, 0);
    FieldObject& b = *f().createBall(0, 3.7f, 3.0f, 0, 0);
    FieldObject& c = *f().createBall(0, 3.35f, 3.6f, 0, 0);
    EXPECT_TRUE(f().tryLink(a, b));
    EXPECT_FALSE(f().tryLink(a, b));
    EXPECT_TRUE(f().tryLink(b, c));
    EXPECT_FALSE(f().tryLink(c, a));
    EXPECT_EQ(a.linkSet.size(), 1u);
    EXPECT_EQ(ballJoints(a) + ballJoints(b) + ballJoints(c), 4);  // two joints, two ends each
    // The connect sound plays once per step.
    EXPECT_EQ(std::count(g_sounds.begin(), g_sounds.end(), "collision_connect"), 1);
    setGameSoundSpy(nullptr);

    // Overlapping balls are anchored where their circles cross.
    dJointID j = dBodyGetJoint(a.body, 0);
    if (dJointGetType(j) != dJointTypeBall) j = dBodyGetJoint(a.body, 1);
    dVector3 anchor;
    dJointGetBallAnchor(j, anchor);
    EXPECT_NEAR(std::hypot(anchor[0] - a.x(), anchor[1] - a.y()), a.radius, 1e-4);
    EXPECT_NEAR(std::hypot(anchor[0] - b.x(), anchor[1] - b.y()), b.radius, 1e-4);

    f().unlinkAll(b);
    EXPECT_TRUE(a.linkSet.empty());
    EXPECT_TRUE(c.linkSet.empty());
    EXPECT_EQ(ballJoints(a) + ballJoints(b) + ballJoints(c), 0);
}

TEST_F(FieldTest, ShotIntoALinkedPairLinksOnceAndMatchesThree) {
    mutableLevelParams().MagnetGravity = 0;
    ASSERT_TRUE(build());
    fieldHooks().scoreMatch = recordScore;
    g_scoreCount = 0;
    playCounters().backlog = 15;
    playCounters().unmatchedShots = 1;
    FieldObject& a = *f().createBall(0, 3.0f, 7.0f, 0, 0);
    FieldObject& b = *f().createBall(0, 3.76f, 7.0f, 0, 0);
    ASSERT_TRUE(f().tryLink(a, b));
    FieldObject& s = *f().createBall(0, 3.38f, 7.64f, -1.0f, 0);
    s.activity = 1.0f;
    s.shot = 1;
    f().step();
    EXPECT_EQ(s.linkSet.size(), 1u);
    EXPECT_EQ(a.linkSet.size() + b.linkSet.size(), 3u);
    f().findMatches();
    EXPECT_TRUE(a.dying && b.dying && s.dying);
    EXPECT_EQ(g_scoreCount, 3);
    EXPECT_EQ(playCounters().backlog, 5);
    EXPECT_EQ(playCounters().unmatchedShots, 0);
    EXPECT_EQ(s.activity, 0.0f);
    // The shot ball explodes at once, the others by their distance.
    EXPECT_EQ(s.geom, nullptr);
    EXPECT_NE(a.geom, nullptr);
}

TEST_F(FieldTest, SettledPairsLinkWithoutSearching) {
    ASSERT_TRUE(build());
    fieldHooks().scoreMatch = recordScore;
    g_scoreCount = 0;
    FieldObject& a = *f().createBall(0, 3.0f, 3.0f, 0, 0);
    FieldObject& b = *f().createBall(0, 3.7f, 3.0f, 0, 0);
    FieldObject& c = *f().createBall(0, 3.35f, 3.6f, 0, 0);
    f().tryLink(a, b);
    f().tryLink(b, c);
    f().findMatches();
    EXPECT_FALSE(a.dying);
    EXPECT_EQ(g_scoreCount, 0);
    c.activity = 0.2f;
    f().findMatches();
    EXPECT_TRUE(a.dying && b.dying && c.dying);
}

TEST_F(FieldTest, BonusCountsTwoAndBridgesOnlyToTheSearchedColour) {
    ASSERT_TRUE(build());
    fieldHooks().scoreMatch = recordScore;
    g_scoreCount = 0;
    FieldObject& r1 = *f().createBall(0, 3.0f, 3.0f, 0, 0);
    FieldObject& r2 = *f().createBall(0, 3.7f, 3.0f, 0, 0);
    FieldObject& bonus = *f().createBall(kBonusBall, 4.4f, 3.0f, 0, 0);
    f().tryLink(r1, r2);
    f().tryLink(r2, bonus);
    r1.activity = 1.0f;
    f().findMatches();
    EXPECT_EQ(g_scoreCount, 4);
    EXPECT_TRUE(r1.dying && r2.dying && bonus.dying);

    // red - bonus - blue - blue: the red ball and the bonus (2) match.
    FieldObject& red = *f().createBall(0, 3.0f, 6.0f, 0, 0);
    FieldObject& b2 = *f().createBall(kBonusBall, 3.7f, 6.0f, 0, 0);
    FieldObject& blue1 = *f().createBall(1, 4.4f, 6.0f, 0, 0);
    FieldObject& blue2 = *f().createBall(1, 5.1f, 6.0f, 0, 0);
    f().tryLink(red, b2);
    f().tryLink(b2, blue1);
    f().tryLink(blue1, blue2);
    red.activity = 1.0f;
    f().findMatches();
    EXPECT_EQ(g_scoreCount, 3);
    EXPECT_TRUE(red.dying && b2.dying);
    EXPECT_FALSE(blue1.dying || blue2.dying);
}

TEST_F(FieldTest, LargeMatchMarksTheFarthestBallForACrystal) {
    ASSERT_TRUE(build());
    fieldHooks().scoreMatch = recordScore;
    std::vector<FieldObject*> row;
    for (int i = 0; i < 5; ++i) row.push_back(f().createBall(3, 2.0f + 0.7f * i, 2.0f, 0, 0));
    for (int i = 0; i + 1 < 5; ++i) f().tryLink(*row[i], *row[i + 1]);
    row[1]->activity = 1.0f;
    f().findMatches();
    int marked = 0;
    for (FieldObject* o : row) marked += o->dropCrystal;
    EXPECT_EQ(marked, 1);
    EXPECT_EQ(row[4]->dropCrystal, 1);
    EXPECT_NEAR(g_scoreDelay, 21, 1);

    std::vector<FieldObject*> four;
    for (int i = 0; i < 4; ++i) four.push_back(f().createBall(2, 2.0f + 0.7f * i, 6.0f, 0, 0));
    for (int i = 0; i + 1 < 4; ++i) f().tryLink(*four[i], *four[i + 1]);
    four[0]->activity = 1.0f;
    f().findMatches();
    for (FieldObject* o : four) {
        EXPECT_TRUE(o->dying);
        EXPECT_EQ(o->dropCrystal, 0);
    }
}

TEST_F(FieldTest, TutorialMatchesScoreNothing) {
    ASSERT_TRUE(build());
    fieldHooks().scoreMatch = recordScore;
    fieldHooks().tutorialLevel = [] { return true; };
    g_scoreCount = 0;
    FieldObject& a = *f().createBall(0, 3.0f, 3.0f, 0, 0);
    FieldObject& b = *f().createBall(0, 3.7f, 3.0f, 0, 0);
    FieldObject& c = *f().createBall(0, 4.4f, 3.0f, 0, 0);
    f().tryLink(a, b);
    f().tryLink(b, c);
    a.activity = 1.0f;
    f().findMatches();
    EXPECT_TRUE(c.dying);
    EXPECT_EQ(g_scoreCount, 0);
    EXPECT_EQ(playCounters().backlog, -10);
}

TEST_F(FieldTest, PullIsConstantAndStrongerWhileActive) {
    mutableLevelParams().MagnetGravity = 5;
    ASSERT_TRUE(build());
    FieldObject& settled = *f().createBall(0, 2.0f, 4.0f, 0, 0);
    FieldObject& active = *f().createBall(1, 9.0f, 2.0f, 0, 0);
    FieldObject& free = *f().createBall(kFree2, 9.0f, 7.0f, 0, 0);
    active.activity = 0.5f;
    f().pullToMagnet();
    EXPECT_NEAR(forceMagnitude(settled), 5.0, 1e-9);
    EXPECT_NEAR(forceMagnitude(active), 10.0, 1e-9);
    EXPECT_EQ(forceMagnitude(free), 0.0);
    // Towards the magnet's centre.
    EXPECT_GT(dBodyGetForce(settled.body)[0], 0);
    f().step();

    mutableLevelParams().MagnetGravity = 20;
    f().magnet->forceScale = 0.5f;
    f().pullToMagnet();
    EXPECT_NEAR(forceMagnitude(settled), 10.0, 1e-9);
    EXPECT_NEAR(forceMagnitude(active), 10.0, 1e-9);
    f().step();
    f().magnet->forceScale = 0.0f;
    f().pullToMagnet();
    EXPECT_EQ(forceMagnitude(settled), 0.0);
}

TEST_F(FieldTest, GlobalGravityAcceleratesDownwards) {
    mutableLevelParams().MagnetGravity = 0;
    mutableLevelParams().GlobalGravity = 3;
    ASSERT_TRUE(build());
    FieldObject& ball = *f().createBall(0, 3.0f, 2.0f, 0, 0);
    for (int i = 0; i < 100; ++i) tick();  // one second
    EXPECT_NEAR(dBodyGetLinearVel(ball.body)[1], 3.0, 1e-3);
    EXPECT_NEAR(ball.y(), 2.0 + 1.5, 0.05);
    mutableLevelParams().GlobalGravity = 0;
    ASSERT_TRUE(build());
    f().createBall(0, 3.0f, 2.0f, 0, 0);
    for (int i = 0; i < 100; ++i) tick();
    EXPECT_NEAR(dBodyGetLinearVel(f().find(3)->body)[1], 0.0, 1e-9);
}

TEST_F(FieldTest, ActivityRunsOutOneSecondAfterTheFirstContact) {
    mutableLevelParams().MagnetGravity = 0;
    ASSERT_TRUE(build());
    FieldObject& a = *f().createBall(0, 3.0f, 7.0f, 0, 2.0f);
    FieldObject& b = *f().createBall(1, 4.0f, 7.0f, 0, 0);
    a.activity = 1.0f;
    int ticks = 0;
    while (a.activityRate == 0.0f && ticks < 100) {
        tick();
        ++ticks;
    }
    EXPECT_EQ(a.activityRate, -1.0f);
    EXPECT_EQ(b.activityRate, 0.0f);  // a settled ball keeps its rate
    EXPECT_TRUE(f().anyActiveBall());
    for (int i = 0; i < 81; ++i) f().updateActivity(1.0f / 80.0f);
    EXPECT_EQ(a.activity, 0.0f);
    EXPECT_FALSE(f().anyActiveBall());
    EXPECT_FALSE(a.dying);  // ordinary balls do not expire
}

TEST_F(FieldTest, SpawnGunsAlternateAndWaitWhenBlocked) {
    ASSERT_TRUE(build());
    playCounters().backlog = 3;
    float lx, ly, rx, ry;
    f().spawnPoint(0, lx, ly);
    f().spawnPoint(1, rx, ry);
    EXPECT_NEAR(lx * kPixelsPerUnit, 104.0f, 1e-3);
    EXPECT_NEAR(rx * kPixelsPerUnit, 696.0f, 1e-3);
    EXPECT_NEAR(ly * kPixelsPerUnit, 132.0f, 1e-3);

    ASSERT_TRUE(f().spawnBacklogBall());
    FieldObject* first = f().find(f().nextId - 1);
    EXPECT_NEAR(first->x(), rx, 1e-6);  // both free: the other side of the turn wins
    EXPECT_NEAR(dBodyGetLinearVel(first->body)[0], -0.1, 1e-6);
    EXPECT_NEAR(dBodyGetLinearVel(first->body)[1], 0.1, 1e-6);
    EXPECT_EQ(playCounters().backlog, 2);
    ASSERT_TRUE(f().spawnBacklogBall());
    FieldObject* second = f().find(f().nextId - 1);
    EXPECT_NEAR(second->x(), lx, 1e-6);
    EXPECT_NEAR(dBodyGetLinearVel(second->body)[0], 0.1, 1e-6);
    // Both points covered: nothing happens.
    const size_t before = f().objects.size();
    EXPECT_FALSE(f().spawnBacklogBall());
    EXPECT_EQ(f().objects.size(), before);
    EXPECT_EQ(playCounters().backlog, 1);
}

TEST_F(FieldTest, FreeBallsHeldUntilArmedThenExpireAfterContact) {
    mutableLevelParams().FreeBallType = 1;
    mutableLevelParams().MagnetGravity = 0;
    ASSERT_TRUE(build());
    f().releaseFreeBalls(5);
    ASSERT_EQ(f().countType(kFree1), 2);
    std::vector<FieldObject*> free;
    for (auto& [id, o] : f().objects)
        if (o->type == kFree1) free.push_back(o.get());
    for (FieldObject* o : free) {
        EXPECT_EQ(o->freeState, 1);
        EXPECT_EQ(o->activity, 1.0f);
    }
    // Held: a contact does not start the clock.
    FieldObject& ball = *free[0];
    dBodySetPosition(ball.body, 3.0, 7.0, 0);
    dBodySetLinearVel(ball.body, 0, 0, 0);
    f().createBall(4, 3.7f, 7.0f, 0, 0);
    for (int i = 0; i < 30; ++i) tick();
    EXPECT_EQ(ball.activityRate, 0.0f);
    EXPECT_FALSE(ball.dying);

    f().armFreeBalls();
    EXPECT_EQ(ball.freeState, 2);
    dBodySetPosition(ball.body, 3.0, 7.0, 0);
    dBodySetLinearVel(ball.body, 0, 0, 0);
    dBodyEnable(ball.body);
    FieldObject* other = f().find(f().nextId - 1);
    dBodySetPosition(other->body, 3.7, 7.0, 0);
    dBodyEnable(other->body);
    int ticks = 0;
    while (!ball.dying && ticks < 400) {
        tick();
        ++ticks;
    }
    EXPECT_TRUE(ball.dying);
    EXPECT_GE(ticks, 79);
    EXPECT_LE(ticks, 120);
}

TEST_F(FieldTest, SpecialBallsTouchEffects) {
    ASSERT_TRUE(build());
    FieldObject& fire = *f().createBall(kFireball, 3.0f, 3.0f, 0, 0);
    FieldObject& red = *f().createBall(0, 5.0f, 3.0f, 0, 0);
    FieldObject& free2 = *f().createBall(kFree2, 7.0f, 3.0f, 0, 0);
    FieldObject& other = *f().createBall(kFireball, 9.0f, 3.0f, 0, 0);
    FieldObject& bonus = *f().createBall(kBonusBall, 3.0f, 6.0f, 0, 0);
    f().touchEffect(fire, *f().magnet);
    f().touchEffect(fire, *f().walls);
    f().touchEffect(fire, free2);
    f().touchEffect(fire, other);
    EXPECT_FALSE(free2.dying || other.dying);
    EXPECT_EQ(f().magnet->dying, 0);
    f().touchEffect(fire, red);
    EXPECT_TRUE(red.dying);
    EXPECT_NE(red.geom, nullptr);  // one tick later
    tickActors();
    EXPECT_EQ(red.geom, nullptr);
    f().touchEffect(fire, bonus);
    EXPECT_TRUE(bonus.dying);
    tickActors();
    EXPECT_EQ(bonus.bonusTriggered, 1);

    // free0: an unlinked ball stays, a linked one is recoloured and unlinked.
    FieldObject& f0 = *f().createBall(kFree0, 3.0f, 7.5f, 0, 0);
    FieldObject& lone = *f().createBall(2, 5.0f, 7.5f, 0, 0);
    f().touchEffect(f0, lone);
    EXPECT_EQ(lone.type, 2);
    FieldObject& g1 = *f().createBall(2, 7.0f, 7.5f, 0, 0);
    FieldObject& g2 = *f().createBall(2, 7.7f, 7.5f, 0, 0);
    f().tryLink(g1, g2);
    f().touchEffect(f0, g1);
    EXPECT_NE(g1.type, 2);
    EXPECT_LT(g1.type, level::ColorsMax());
    EXPECT_TRUE(g1.linkSet.empty());
    EXPECT_TRUE(g2.linkSet.empty());
}

TEST_F(FieldTest, DestroyBallExplodesInsideEnqueueAndDeletesLater) {
    ASSERT_TRUE(build());
    setGameSoundSpy(recordSound);
    g_sounds.clear();
    FieldObject& ball = *f().createBall(4, 3.0f, 3.0f, 0, 0);
    const int id = ball.id;
    destroyBall(ball, 0, 0);
    EXPECT_EQ(ball.geom, nullptr);
    EXPECT_EQ(ball.joint, nullptr);
    EXPECT_TRUE(ball.effectPinned);
    ASSERT_EQ(g_sounds.size(), 1u);
    EXPECT_EQ(g_sounds[0].rfind("ball_explode_", 0), 0u);
    destroyBall(ball, 0, 0);  // already dying: ignored
    EXPECT_EQ(g_sounds.size(), 1u);
    setGameSoundSpy(nullptr);
    for (int i = 0; i < 24; ++i) tickActors();
    EXPECT_EQ(ball.kind, kKindBall);
    tickActors();
    EXPECT_EQ(ball.kind, kKindMarked);
    EXPECT_EQ(f().countBalls(), 1);  // the level's own ball
    f().destroyMarked();
    EXPECT_EQ(f().find(id), nullptr);
    // Recolouring a dying ball does nothing.
    FieldObject& d = *f().createBall(1, 3.0f, 3.0f, 0, 0);
    destroyBall(d, 10, 0);
    recolourBall(d, 3, 0);
    EXPECT_EQ(d.type, 1);
}

TEST_F(FieldTest, RecolourToTheSameColourBreaksLinksQuietly) {
    ASSERT_TRUE(build());
    FieldObject& a = *f().createBall(1, 3.0f, 3.0f, 0, 0);
    FieldObject& b = *f().createBall(1, 3.7f, 3.0f, 0, 0);
    f().tryLink(a, b);
    recolourBall(a, 1, 0);
    EXPECT_TRUE(a.linkSet.empty());
    EXPECT_TRUE(b.linkSet.empty());
    EXPECT_EQ(a.effectHeld, 0);
    recolourBall(b, 3, 2);
    EXPECT_EQ(b.type, 1);
    tickActors();
    tickActors();
    EXPECT_EQ(b.type, 3);
    EXPECT_EQ(b.effectHeld, 1);  // the recolour effect follows the ball
    for (int i = 0; i < 6; ++i) tickActors();
    EXPECT_EQ(b.effectHeld, 0);  // the energy glow is back
}

TEST_F(FieldTest, DegaussLastsExactly1280Ticks) {
    ASSERT_TRUE(build());
    degauss(*f().magnet, 1280);
    EXPECT_EQ(f().magnet->forceScale, 0.0f);
    for (int i = 0; i < 1279; ++i) tickActors();
    EXPECT_EQ(f().magnet->forceScale, 0.0f);
    tickActors();
    EXPECT_EQ(f().magnet->forceScale, 1.0f);
}

TEST_F(FieldTest, LightningOnABonusBallWaitsWithoutABolt) {
    ASSERT_TRUE(build());
    fieldHooks().scoreBonus = recordBonus;
    g_bonusPoints = 0;
    FieldObject& bonus = *f().createBall(kBonusBall, 3.0f, 3.0f, 0, 0);
    strikeBall(bonus, 6.0f, 4.0f, 10);
    EXPECT_EQ(bonus.effect->current, nullptr);  // no flight queued
    EXPECT_EQ(bonus.effectFree, 1);
    for (int i = 0; i < 9; ++i) tickActors();
    EXPECT_EQ(bonus.bonusTriggered, 0);
    tickActors();
    EXPECT_EQ(bonus.bonusTriggered, 1);
    EXPECT_EQ(g_bonusPoints, 0);

    // An ordinary ball gets the bolt, then explodes in the lightning style.
    FieldObject& red = *f().createBall(0, 9.0f, 3.0f, 0, 0);
    strikeBall(red, 6.0f, 4.0f, 10);
    EXPECT_NE(red.effect->current, nullptr);
    for (int i = 0; i < 10; ++i) tickActors();
    EXPECT_EQ(red.geom, nullptr);
    EXPECT_EQ(g_bonusPoints, 50);
    EXPECT_NEAR(red.effect->sprite.x, red.x() * kPixelsPerUnit, 1.0);
}

TEST_F(FieldTest, FireballConversionAndExpiry) {
    ASSERT_TRUE(build());
    FieldObject& bonus = *f().createBall(kBonusBall, 3.0f, 3.0f, 0, 0);
    bonus.bonusTriggered = 1;
    fireballBonusBall(bonus, 1);
    EXPECT_EQ(bonus.bonusTriggered, 0);
    tickActors();
    EXPECT_EQ(bonus.type, kFireball);
    EXPECT_EQ(bonus.activity, 1.0f);
    dMass m;
    dBodyGetMass(bonus.body, &m);
    EXPECT_NEAR(m.mass, 0.38, 1e-9);
    for (int i = 0; i < 323; ++i) tickActors();
    EXPECT_NE(bonus.geom, nullptr);
    tickActors();
    EXPECT_EQ(bonus.geom, nullptr);  // exploded after 324 ticks
}

TEST_F(FieldTest, CountingQueries) {
    mutableLevelParams().ColorsMax = 3;
    ASSERT_TRUE(build());  // one ball of colour 0
    f().createBall(2, 3.0f, 3.0f, 0, 0);
    f().createBall(kBonusBall, 4.0f, 3.0f, 0, 0);
    f().createBall(kFree0, 5.0f, 3.0f, 0, 0);
    FieldObject& dying = *f().createBall(1, 6.0f, 3.0f, 0, 0);
    dying.dying = 1;
    EXPECT_EQ(f().countBalls(), 2);
    EXPECT_EQ(f().countType(kBonusBall), 1);
    bool present[8];
    f().presentColours(present);
    EXPECT_TRUE(present[0]);
    EXPECT_FALSE(present[1]);
    EXPECT_TRUE(present[2]);
    EXPECT_EQ(f().colourCount(), 2);
    EXPECT_FALSE(f().fieldEmpty());
    for (auto& [id, o] : f().objects)
        if (o->isBall() && o->type < 8) o->kind = kKindMarked;
    f().destroyMarked();
    EXPECT_TRUE(f().fieldEmpty());
    EXPECT_EQ(f().countType(kBonusBall), 1);
}

}  // namespace
