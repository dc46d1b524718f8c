// The play field: a 2-D rigid-body simulation of the magnet, the walls and
// the balls, with the per-tick forces, the contact rules, ball links, match
// search and the spawning of extra balls.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "game/field_broadphase.h"
#include "game/level.h"
#include "game/physics_ids.h"

class Actor;
class PckSprite;
class SlideShow;
class SlideShowFX;

enum BallType : int {
    kFree0 = 8,         // recolours a linked ball to a random colour
    kFree1 = 9,         // recolours a linked ball to a colour on the field
    kFree2 = 10,        // no touch effect
    kBonusBall = 11,    // matches every colour
    kFireball = 12,
    kMegaFireball = 13,
};

enum ObjectKind : int { kKindMagnet = 0, kKindBall = 1, kKindMarked = 2, kKindWalls = 3 };

inline bool isSpecialType(int t) { return t == 8 || t == 9 || t == 10 || t == 12 || t == 13; }

struct FieldObject {
    FieldObject() = default;
    ~FieldObject();
    FieldObject(const FieldObject&) = delete;
    FieldObject& operator=(const FieldObject&) = delete;

    int32_t id = 0;
    int32_t kind = kKindBall;
    dBodyID body = nullptr;
    dGeomID geom = nullptr;
    dJointID joint = nullptr;
    float radius = 1.0f;
    int32_t type = -1;
    uint8_t shot = 0;
    uint8_t dying = 0;
    uint8_t bonusTriggered = 0;
    uint8_t visited = 0;
    uint8_t dropCrystal = 0;
    float forceScale = 1.0f;
    uint8_t visible = 1;
    float activity = 0.0f;
    float activityRate = 0.0f;
    float glowPhase = 0.0f;
    float glowSpeed = 0.0f;
    float glowAngle = 0.0f;
    uint8_t effectHeld = 0;
    uint8_t effectFree = 0;
    uint8_t effectPinned = 0;
    int32_t freeState = 0;
    int32_t bonusKind = -1;
    std::set<int32_t> linkSet;

    // Pictures and the ball's command sequence (commandQueue shows the main
    // picture and runs the object commands).
    SlideShow* commandQueue = nullptr;
    std::unique_ptr<PckSprite> overlay;
    std::unique_ptr<PckSprite> glow;
    std::unique_ptr<PckSprite> shadow;
    SlideShowFX* effect = nullptr;
    Actor* arrow = nullptr;

    // Collision mesh of the magnet and the walls (ODE keeps pointers into it).
    dTriMeshDataID meshData = nullptr;
    Mesh mesh;
    MeshReach reach;

    bool isBall() const { return kind == kKindBall || kind == kKindMarked; }
    bool special() const { return isSpecialType(type); }
    double x() const;
    double y() const;
    double speed() const;  // |linear velocity|
};

// Contact surface of one pair (exposed so the pair rules can be tested).
struct PairRules {
    bool magnetPair = false;
    bool wallPair = false;
    bool specialPair = false;
    bool connectable = false;
    double mu = 0;
    double bounce = 0;
};
PairRules pairRules(const FieldObject& a, const FieldObject& b);

// Collision sound thresholds ([Debug] of the settings file).
struct Thresholds {
    int wallBall = 10, wallBonus = 10, magnetBall = 10, magnetBonus = 10, ballBall = 10,
        ballBonus = 10;
};

class PhysicsField {
public:
    PhysicsField();
    ~PhysicsField();
    PhysicsField(const PhysicsField&) = delete;
    PhysicsField& operator=(const PhysicsField&) = delete;

    // Level start.
    void setupWorld();
    void readThresholds();
    // Builds magnet, walls and the initial balls from the level parameters;
    // false (with the name of the unusable list in failedMesh) on bad lists.
    bool buildLevel();
    FieldObject* createBall(int type, float x, float y, float vy, float vx);
    void destroyMarked();
    void clear();
    void hideAll();
    void showAll();

    // Per tick, in this order.
    void step();
    void constrainRotation();
    void damp();
    void pullToMagnet();
    void updateActivity(float dt);
    void syncSprites();

    // Spawning.
    bool spawnPoint(int side, float& x, float& y) const;
    bool spawnBlocked(float x, float y) const;
    // The free spawn point for this turn (-1 when both are blocked).
    int chooseSpawnPoint(int turn, float& x, float& y) const;
    bool spawnBacklogBall();
    void releaseFreeBalls(int n);
    void armFreeBalls();

    // Queries.
    int countBalls() const;
    bool anyActiveBall() const;
    bool fieldEmpty() const;
    int countType(int t) const;
    void presentColours(bool out[kMaxColours]) const;
    int colourCount() const;
    FieldObject* find(int32_t id);

    // Links and matching.
    bool tryLink(FieldObject& a, FieldObject& b);
    void touchEffect(FieldObject& special, FieldObject& other);
    void findMatches();
    void unlinkAll(FieldObject& ball);
    void clearVisited();

    // An exploding ball: it stops colliding and leaves the plane it moved in.
    void leaveCollisions(FieldObject& ball);
    // A ball turned into a fireball weighs what a fireball weighs.
    void setFireballMass(FieldObject& ball);
    // Gives a ball the special glow picture, activity 1 and marks it released.
    void makeSpecialGlow(FieldObject& ball);
    // (Re)builds the pictures of a ball for its type.
    void buildBallPictures(FieldObject& ball);
    // Tint-coloured energy glow of the colour balls.
    void startEnergyEffect(FieldObject& ball);

    dWorldID world = nullptr;
    dJointGroupID contactGroup = nullptr;
    dSpaceID space = nullptr;
    std::map<int32_t, std::unique_ptr<FieldObject>> objects;
    int32_t nextId = 0;
    FieldObject* magnet = nullptr;
    FieldObject* walls = nullptr;
    uint8_t wallSoundDone = 0, magnetSoundDone = 0, ballSoundDone = 0, connectSoundDone = 0;
    int32_t backlogTurn = 0;
    int32_t freeTurn = 0;
    Thresholds thresholds;
    std::string failedMesh;
    // Contact joints made during the last step (diagnostics and tests).
    int contactsLastStep = 0;
    // Deepest penetration of a resting contact (no special ball in the
    // pair) during the last step, in field units.
    double maxDepthLastStep = 0;
    // Solver iterations of the quick step. Three let dense packs (40 to 60
    // balls) creep and sink into each other (up to 170 px/s of drift and
    // 0.12 units of overlap in 30-second runs of the campaign); ten hold
    // them (under 15 px/s, 0.015 units) for about a quarter more step time.
    int iterations = 10;

private:
    void contact(const PairFinder::Pair& pair);
    void playCollisionSound(const PairRules& rules, const FieldObject& A, const FieldObject& B, bool linked);
    void settleAfterTouch(FieldObject& A, FieldObject& B);
    void addContactJoints(const PairRules& rules, dContact* contacts, int n);
    PairFinder pairs_;
    FieldObject* createMesh(const Mesh& mesh, int kind, double x, double y);
    void insert(std::unique_ptr<FieldObject> object);
    // Ids are small and dense: a direct index for the contact callback.
    std::vector<FieldObject*> byId_;
    void createSprites(FieldObject& o);
    void destroyObject(FieldObject& o);
};

// The one field of the process (its world is made on first use).
PhysicsField& field();

// What the field needs from the rest of the game; the game actor, the play
// state and the scoring fill these in. The defaults keep the field usable on
// its own (tests, tools).
struct PlayCounters {
    int backlog = 0;
    int unmatchedShots = 0;
};
PlayCounters& playCounters();

struct FieldHooks {
    void (*scoreMatch)(int count, int largestDelay) = nullptr;
    void (*scoreBonus)(int points) = nullptr;
    int (*nextColour)(int exclude) = nullptr;
    void (*dropCrystal)(int x, int y) = nullptr;
    bool (*tutorialLevel)() = nullptr;
    // The magnet's pictures follow its body (angle in radians).
    void (*magnetAngle)(float angle) = nullptr;
    // Tutorial arrows follow their ball (centre in pixels).
    void (*moveArrow)(Actor* arrow, int x, int y) = nullptr;
};
FieldHooks& fieldHooks();
int fieldNextColour(int exclude);

// Tint of the colour types 0..7.
void ballTint(int type, int& r, int& g, int& b);
