#include "game/field.h"

#include <ode/ode.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "anim/commands.h"
#include "frame/random.h"
#include "frame/settings.h"
#include "game/game_pictures.h"
#include "game/game_sound.h"
#include "game/object_cmd.h"
#include "res/picture_pack.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr dReal kSubStep = 1.0 / 300.0;
constexpr dReal kInfiniteFriction = 3.4028235e38;
// Smallest magnet mass: a zero or negative MagnetMass from a levels file
// would hand the solver an invalid mass.
constexpr float kMinMagnetMass = 0.01f;

struct OdeLibrary {
    OdeLibrary() { dInitODE2(0); }
};

const int kTints[8][3] = {{255, 102, 102}, {25, 33, 252},  {19, 209, 12},   {252, 250, 55},
                          {253, 59, 214},  {255, 163, 167}, {31, 240, 240}, {174, 174, 174}};

float massFactor(int type) {
    switch (type) {
        case 10:
        case 12:
        case 13:
            return 0.5f;
        default:
            return 0.1f;
    }
}

PlayCounters g_counters;
FieldHooks g_hooks;

}  // namespace

PlayCounters& playCounters() { return g_counters; }
FieldHooks& fieldHooks() { return g_hooks; }

int fieldNextColour(int exclude) {
    if (g_hooks.nextColour) return g_hooks.nextColour(exclude);
    const int n = level::ColorsMax();
    int c = vmRand() % n;
    for (int i = 0; i < 5 && n > 1 && c == exclude; ++i) c = vmRand() % n;
    return c;
}

void ballTint(int type, int& r, int& g, int& b) {
    const int* t = kTints[std::clamp(type, 0, 7)];
    r = t[0];
    g = t[1];
    b = t[2];
}

// ---------------------------------------------------------------- objects

double FieldObject::x() const { return body ? dBodyGetPosition(body)[0] : 0.0; }
double FieldObject::y() const { return body ? dBodyGetPosition(body)[1] : 0.0; }
double FieldObject::speed() const {
    if (!body) return 0.0;
    const dReal* v = dBodyGetLinearVel(body);
    return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
}

FieldObject::~FieldObject() {
    // Stopping the sequence first drops the queued object commands, which
    // hold a pointer to this object, before the purge deletes them.
    if (commandQueue) {
        commandQueue->stop();
        commandQueue->kill();
    }
    if (effect) {
        effect->stop();
        effect->sprite.clearEffects();
        effect->kill();
    }
    if (arrow) arrow->kill();
    overlay.reset();
    glow.reset();
    shadow.reset();
    if (body) {
        // Links and constraints go with the body (the world outlives levels,
        // so joints left in limbo would pile up).
        for (int i = dBodyGetNumJoints(body) - 1; i >= 0; --i) {
            dJointID j = dBodyGetJoint(body, i);
            if (dJointGetType(j) != dJointTypeContact) dJointDestroy(j);
        }
        dBodyDestroy(body);
    }
    if (geom) dGeomDestroy(geom);
    if (meshData) dGeomTriMeshDataDestroy(meshData);
}

PairRules pairRules(const FieldObject& a, const FieldObject& b) {
    PairRules r;
    r.magnetPair = a.kind == kKindMagnet || b.kind == kKindMagnet;
    r.wallPair = a.kind == kKindWalls || b.kind == kKindWalls;
    r.specialPair = a.special() || b.special();
    r.connectable = !r.specialPair && a.kind == kKindBall && b.kind == kKindBall &&
                    (a.type == b.type || ((a.type == kBonusBall || b.type == kBonusBall) &&
                                          (a.activity != 0.0f || b.activity != 0.0f)));
    r.mu = r.specialPair ? 0.0 : kInfiniteFriction;
    r.bounce = (r.wallPair || r.magnetPair || r.connectable) ? 0.0 : 1.0;
    return r;
}

// ---------------------------------------------------------------- field

PhysicsField& field() {
    static PhysicsField instance;
    return instance;
}

PhysicsField::PhysicsField() {
    static OdeLibrary library;
    world = dWorldCreate();
    contactGroup = dJointGroupCreate(0);
}

PhysicsField::~PhysicsField() {
    // The process-wide field ends at exit, after the actor registry may have
    // deleted the balls' sequences: let the objects go without touching them.
    for (auto& entry : objects) (void)entry.second.release();
}

void PhysicsField::setupWorld() {
    // The previous level's objects live in the old space: they go first.
    clear();
    dWorldSetERP(world, 0.7);
    dWorldSetCFM(world, 0.0);
    dWorldSetGravity(world, 0, level::GlobalGravity(), 0);
    dWorldSetQuickStepNumIterations(world, iterations);
    if (space) dSpaceDestroy(space);
    // The space keeps the geometries, their boxes and its list order; the
    // pairs come from pairs_, which walks that order without testing all.
    space = dSimpleSpaceCreate(nullptr);
    if (contactGroup) dJointGroupDestroy(contactGroup);
    contactGroup = dJointGroupCreate(0);
    backlogTurn = 0;
    freeTurn = 0;
}

void PhysicsField::readThresholds() {
    thresholds.wallBall = getIniInt("Debug", "WallBallThreshold", 10);
    thresholds.wallBonus = getIniInt("Debug", "WallBonusThreshold", 10);
    thresholds.magnetBall = getIniInt("Debug", "MagnetBallThreshold", 10);
    thresholds.magnetBonus = getIniInt("Debug", "MagnetBonusThreshold", 10);
    thresholds.ballBall = getIniInt("Debug", "BallBallThreshold", 10);
    thresholds.ballBonus = getIniInt("Debug", "BallBonusThreshold", 10);
}

FieldObject* PhysicsField::createMesh(const Mesh& mesh, int kind, double x, double y) {
    auto obj = std::make_unique<FieldObject>();
    FieldObject& o = *obj;
    o.id = nextId;
    o.kind = kind;
    o.radius = 1.0f;
    o.type = -1;
    o.mesh = mesh;
    o.body = dBodyCreate(world);
    dBodySetPosition(o.body, x, y, 0);
    dBodySetLinearVel(o.body, 0, 0, 0);
    if (kind == kKindMagnet) {
        dMass m;
        dMassSetBox(&m, 1, 1, 2, 1);
        dMassAdjust(&m, std::max(kMinMagnetMass, level::MagnetMass()));
        dBodySetMass(o.body, &m);
        o.joint = dJointCreateBall(world, nullptr);
        dJointAttach(o.joint, o.body, nullptr);
        dJointSetBallAnchor(o.joint, x, y, 0);
    } else {
        o.joint = dJointCreateFixed(world, nullptr);
        dJointAttach(o.joint, o.body, nullptr);
        dJointSetFixed(o.joint);
    }
    dBodySetData(o.body, reinterpret_cast<void*>(static_cast<intptr_t>(o.id)));
    o.meshData = dGeomTriMeshDataCreate();
    static_assert(sizeof(dTriIndex) == sizeof(uint32_t));
    dGeomTriMeshDataBuildSingle(o.meshData, o.mesh.vertices.data(), 3 * sizeof(float),
                                o.mesh.vertexCount(), o.mesh.indices.data(),
                                static_cast<int>(o.mesh.indices.size()), 3 * sizeof(dTriIndex));
    o.geom = dCreateTriMesh(space, o.meshData, nullptr, nullptr, nullptr);
    dGeomSetData(o.geom, &o);
    o.reach.build(o.mesh);
    dGeomTriMeshEnableTC(o.geom, dSphereClass, 0);
    dGeomTriMeshEnableTC(o.geom, dBoxClass, 0);
    dGeomSetBody(o.geom, o.body);
    dBodySetAutoDisableFlag(o.body, 1);
    createSprites(o);
    FieldObject* raw = obj.get();
    insert(std::move(obj));
    ++nextId;
    return raw;
}

void PhysicsField::insert(std::unique_ptr<FieldObject> object) {
    const auto id = static_cast<size_t>(object->id);
    if (byId_.size() <= id) byId_.resize(id + 1, nullptr);
    byId_[id] = object.get();
    objects[object->id] = std::move(object);
}

bool PhysicsField::buildLevel() {
    readThresholds();
    nextId = 0;
    failedMesh.clear();
    const LevelParams& p = levelParams();
    Mesh mesh;
    if (!parseMesh(p.MagnetVertices, p.MagnetIndices, mesh)) {
        failedMesh = "Magnet";
        return false;
    }
    magnet = createMesh(mesh, kKindMagnet, kMagnetCentreXPx / kPixelsPerUnit,
                        kMagnetCentreYPx / kPixelsPerUnit);
    if (!parseMesh(p.WallVertices, p.WallIndices, mesh)) {
        failedMesh = "Wall";
        return false;
    }
    walls = createMesh(mesh, kKindWalls, 0, 0);
    std::vector<InitialBall> balls;
    if (!parseBalls(p.BallsVertices, p.BallsIndices, p.ColorsMax, balls)) {
        failedMesh = "Balls";
        return false;
    }
    for (const InitialBall& b : balls) createBall(b.type, b.x, b.y, 0, 0);
    return true;
}

FieldObject* PhysicsField::createBall(int type, float x, float y, float vy, float vx) {
    int id = nextId;
    if (x == 0.0f && y == 0.0f) autoPlacement(level::BallsInitialSpawn(), id, x, y);
    nextId = id;
    auto obj = std::make_unique<FieldObject>();
    FieldObject& o = *obj;
    o.id = id;
    o.kind = kKindBall;
    o.radius = level::ballRadius();
    o.type = type;
    o.body = dBodyCreate(world);
    dBodySetPosition(o.body, x, y, 0);
    dBodySetLinearVel(o.body, vx, vy, 0);
    dQuaternion q;
    dQFromAxisAndAngle(q, 0, 0, 1, (vmRand() % 360) * kPi / 360.0);
    dBodySetQuaternion(o.body, q);
    dMass m;
    dMassSetSphere(&m, 1, o.radius);
    dMassAdjust(&m, 0.38 * ((type == 8 || type == 9) ? 0.1 : massFactor(type)));
    dBodySetMass(o.body, &m);
    o.joint = dJointCreatePlane2D(world, nullptr);
    dJointAttach(o.joint, o.body, nullptr);
    dBodySetData(o.body, reinterpret_cast<void*>(static_cast<intptr_t>(o.id)));
    o.geom = dCreateSphere(space, o.radius);
    dGeomSetData(o.geom, &o);
    dGeomSetBody(o.geom, o.body);
    dBodySetAutoDisableFlag(o.body, 1);
    o.glowPhase = 0.0f;
    o.glowSpeed = static_cast<float>(vmRand() % 10 + 10) / 1000.0f;
    FieldObject* raw = obj.get();
    insert(std::move(obj));
    ++nextId;
    createSprites(*raw);
    buildBallPictures(*raw);
    startEnergyEffect(*raw);
    return raw;
}

FieldObject* PhysicsField::find(int32_t id) {
    return id >= 0 && static_cast<size_t>(id) < byId_.size() ? byId_[static_cast<size_t>(id)] : nullptr;
}

void PhysicsField::destroyObject(FieldObject& o) {
    for (int32_t partner : o.linkSet)
        if (FieldObject* p = find(partner)) p->linkSet.erase(o.id);
    if (&o == magnet) magnet = nullptr;
    if (&o == walls) walls = nullptr;
}

void PhysicsField::leaveCollisions(FieldObject& ball) {
    if (ball.joint) {
        dJointDestroy(ball.joint);
        ball.joint = nullptr;
    }
    if (ball.geom) {
        dGeomDestroy(ball.geom);
        ball.geom = nullptr;
    }
}

void PhysicsField::setFireballMass(FieldObject& ball) {
    if (!ball.body) return;
    dMass m;
    dMassSetSphere(&m, 1, ball.radius);
    dMassAdjust(&m, 0.38);
    dBodySetMass(ball.body, &m);
}

void PhysicsField::destroyMarked() {
    std::vector<int32_t> ids;
    for (auto& [id, o] : objects)
        if (o->kind == kKindMarked) ids.push_back(id);
    for (int32_t id : ids) {
        auto it = objects.find(id);
        destroyObject(*it->second);
        byId_[static_cast<size_t>(id)] = nullptr;
        objects.erase(it);
    }
}

void PhysicsField::clear() {
    objects.clear();
    byId_.clear();
    magnet = nullptr;
    walls = nullptr;
    if (contactGroup) dJointGroupEmpty(contactGroup);
}

// ---------------------------------------------------------------- per tick

void PhysicsField::contact(const PairFinder::Pair& pair) {
    FieldObject* A = static_cast<FieldObject*>(pair.data1);
    FieldObject* B = static_cast<FieldObject*>(pair.data2);
    // An object whose geometry went during this walk is out of it.
    if (!A || !B || A->geom != pair.g1 || B->geom != pair.g2) return;
    dGeomID o1 = pair.g1, o2 = pair.g2;
    dBodyID b1 = A->body, b2 = B->body;
    if (!b1 || !b2) return;
    // A ball nowhere near the walls' or the magnet's triangles cannot touch
    // them: most of the field, most of the time.
    if (A->meshData && !B->meshData && !sphereMayTouchMesh(o2, o1, A->reach)) return;
    if (B->meshData && !A->meshData && !sphereMayTouchMesh(o1, o2, B->reach)) return;
    const PairRules rules = pairRules(*A, *B);
    if (rules.magnetPair && rules.wallPair) return;

    dContact contacts[4];
    const int n = dCollide(o1, o2, 4, &contacts[0].geom, sizeof(dContact));
    if (n < 1) return;
    const bool linked = dAreConnectedExcluding(b1, b2, dJointTypeContact) != 0;

    if (rules.specialPair) {
        if (A->special())
            touchEffect(*A, *B);
        else
            touchEffect(*B, *A);
    }
    if (rules.connectable && !linked && tryLink(*A, *B)) return;

    playCollisionSound(rules, *A, *B, linked);
    if (!linked) settleAfterTouch(*A, *B);
    addContactJoints(rules, contacts, n);
}

// One sound per kind of collision and step, above the pair's threshold.
void PhysicsField::playCollisionSound(const PairRules& rules, const FieldObject& A, const FieldObject& B, bool linked) {
    if (rules.wallPair) {
        const FieldObject& other = A.kind == kKindWalls ? B : A;
        const double speed = other.speed();
        if (!wallSoundDone) {
            if (rules.specialPair && speed > thresholds.wallBonus) {
                playGameSound("collision_wall_bonus");
                wallSoundDone = 1;
            } else if (!rules.specialPair && speed > thresholds.wallBall) {
                playGameSound("collision_wall_ball");
                wallSoundDone = 1;
            }
        }
    } else if (rules.magnetPair) {
        const FieldObject& other = A.kind == kKindMagnet ? B : A;
        const double speed = other.speed();
        if (!magnetSoundDone) {
            if (rules.specialPair && speed > thresholds.magnetBonus) {
                playGameSound("collision_magnet_bonus");
                magnetSoundDone = 1;
            } else if (!rules.specialPair && speed > thresholds.magnetBall) {
                playGameSound("collision_magnet_ball");
                magnetSoundDone = 1;
            }
        }
    } else if (!linked && !ballSoundDone) {
        const double speed = std::max(A.speed(), B.speed());
        if (rules.specialPair && speed > thresholds.ballBonus) {
            playGameSound("collision_ball_bonus");
            ballSoundDone = 1;
        } else if (!rules.specialPair && speed > thresholds.ballBall) {
            playGameSound("collision_ball_ball");
            ballSoundDone = 1;
        }
    }
}

// Something in flight that touches anything loses its activity (the glow of a
// shot): a plain ball at once, a special slowly unless its release says otherwise.
void PhysicsField::settleAfterTouch(FieldObject& A, FieldObject& B) {
    for (FieldObject* o : {&A, &B}) {
        if (o->activity <= 0.0f) continue;
        if (!o->special())
            o->activityRate = -1.0f;
        else if (o->freeState == 1)
            o->activityRate = 0.0f;
        else if (o->freeState == 2)
            o->activityRate = -1.0f;
        else
            o->activityRate = -0.03f;
    }
}

void PhysicsField::addContactJoints(const PairRules& rules, dContact* contacts, int n) {
    for (int i = 0; i < n; ++i) {
        dContact& c = contacts[i];
        c.surface.mode = dContactBounce;
        c.surface.mu = rules.mu;
        c.surface.bounce = rules.bounce;
        c.surface.bounce_vel = 0;
        if (!rules.specialPair) maxDepthLastStep = std::max(maxDepthLastStep, static_cast<double>(c.geom.depth));
        dJointID j = dJointCreateContact(world, contactGroup, &c);
        dJointAttach(j, dGeomGetBody(c.geom.g1), dGeomGetBody(c.geom.g2));
        ++contactsLastStep;
    }
}

void PhysicsField::step() {
    wallSoundDone = magnetSoundDone = ballSoundDone = connectSoundDone = 0;
    contactsLastStep = 0;
    maxDepthLastStep = 0;
    if (!space) return;
    for (int i = 0; i < 3; ++i) {
        for (const PairFinder::Pair& pair : pairs_.find(space)) contact(pair);
        dWorldQuickStep(world, kSubStep);
        dJointGroupEmpty(contactGroup);
    }
}

void PhysicsField::constrainRotation() {
    for (auto& [id, o] : objects) {
        if (!o->body) continue;
        const dReal* q = dBodyGetQuaternion(o->body);
        const dReal norm = std::sqrt(q[0] * q[0] + q[3] * q[3]);
        if (norm > 0) {
            dQuaternion r = {q[0] / norm, 0, 0, q[3] / norm};
            dBodySetQuaternion(o->body, r);
        }
        const dReal* w = dBodyGetAngularVel(o->body);
        dBodySetAngularVel(o->body, 0, 0, w[2]);
    }
}

void PhysicsField::damp() {
    for (auto& [id, o] : objects) {
        if (!o->body) continue;
        const dReal* v = dBodyGetLinearVel(o->body);
        const double s = std::sqrt(v[0] * v[0] + v[1] * v[1]);
        double e = 1.0;
        if (o->isBall() && o->special()) {
            if (s > 100)
                e = 0.9;
            else if (s < 10.0 * o->activity)
                e = 1.5;
        }
        dBodySetLinearVel(o->body, e * v[0], e * v[1], 0);
        const dReal* w = dBodyGetAngularVel(o->body);
        dBodySetAngularVel(o->body, 0.95 * w[0], 0.95 * w[1], 0.95 * w[2]);
    }
}

void PhysicsField::pullToMagnet() {
    FieldObject* m = nullptr;
    for (auto& [id, o] : objects)
        if (o->kind == kKindMagnet) {
            m = o.get();
            break;
        }
    if (!m || !m->body) return;
    const dReal* p = dBodyGetPosition(m->body);
    const int g = level::MagnetGravity();
    const double f1 = g * static_cast<double>(m->forceScale);
    const int g2 = (g >= 1 && g <= 9) ? 10 : g;
    const double f2 = g2 * static_cast<double>(m->forceScale);
    for (auto& [id, o] : objects) {
        if (!o->isBall() || o->special() || !o->body) continue;
        const double f = o->activity == 0.0f ? f1 : f2;
        const dReal* b = dBodyGetPosition(o->body);
        const double dx = p[0] - b[0], dy = p[1] - b[1];
        const double d = std::sqrt(dx * dx + dy * dy);
        if (d <= 1e-9) continue;
        dBodyAddForce(o->body, f * dx / d, f * dy / d, 0);
    }
}

void PhysicsField::updateActivity(float dt) {
    for (auto& [id, o] : objects) {
        if (o->activityRate != 0.0f) o->activity = std::max(0.0f, o->activity + o->activityRate * dt);
        if (o->isBall() && o->special() && o->activity <= 0.0f) destroyBall(*o, 0, 0);
        if (o->glow) o->glow->setAngle(o->glowAngle);
        o->glowAngle -= 0.03141593f;
    }
}

// ---------------------------------------------------------------- spawning

bool PhysicsField::spawnPoint(int side, float& x, float& y) const {
    const int b = level::Back();
    // Without the gun picture (headless runs) the guns' drawn size stands in,
    // so the balls still come out of the muzzle and not out of the wall.
    PicturePack* gun = spawnGunPack(level::SpawnGunNo());
    const float w = gun && gun->frameCount() > 0 ? static_cast<float>(gun->frameWidth(0)) : 64.0f;
    const float h = gun && gun->frameCount() > 0 ? static_cast<float>(gun->frameHeight(0)) : 64.0f;
    y = (static_cast<float>(spawnGunY(b)) + h / 2) / kPixelsPerUnit;
    if (side == 0)
        x = (static_cast<float>(spawnGunLeftX(b)) + w / 2) / kPixelsPerUnit;
    else
        x = (static_cast<float>(spawnGunRightX(b)) - w / 2) / kPixelsPerUnit;
    return true;
}

bool PhysicsField::spawnBlocked(float x, float y) const {
    for (const auto& [id, o] : objects) {
        if (!o->isBall() || !o->body) continue;
        const double dx = o->x() - x, dy = o->y() - y;
        if (std::sqrt(dx * dx + dy * dy) < 2.0 * o->radius) return true;
    }
    return false;
}

int PhysicsField::chooseSpawnPoint(int turn, float& x, float& y) const {
    // Both guns are tried from the one whose turn it is; a later free one
    // overrides an earlier, so with both free the other gun fires.
    int chosen = -1;
    for (int i = 0; i < 2; ++i) {
        const int k = (turn + i) % 2;
        float px = 0, py = 0;
        spawnPoint(k, px, py);
        if (spawnBlocked(px, py)) continue;
        chosen = k;
        x = px;
        y = py;
    }
    return chosen;
}

bool PhysicsField::spawnBacklogBall() {
    const int colour = fieldNextColour(-1);
    float x = 0, y = 0;
    const int chosen = chooseSpawnPoint(backlogTurn, x, y);
    if (chosen < 0) return false;
    createBall(colour, x, y, 0.1f, chosen == 0 ? 0.1f : -0.1f);
    --playCounters().backlog;
    ++backlogTurn;
    return true;
}

void PhysicsField::releaseFreeBalls(int n) {
    const int type = level::FreeBallType() == 0 ? 10 : (level::FreeBallType() == 1 ? 9 : 8);
    for (int i = 0; i < std::min(n, 2); ++i) {
        float x = 0, y = 0;
        const int chosen = chooseSpawnPoint(freeTurn, x, y);
        if (chosen < 0) break;
        FieldObject* ball = createBall(type, x, y, 0.1f, chosen == 0 ? 0.1f : -0.1f);
        makeSpecialGlow(*ball);
        ball->freeState = 1;
        ++freeTurn;
    }
}

void PhysicsField::armFreeBalls() {
    for (auto& [id, o] : objects)
        if (o->freeState == 1) o->freeState = 2;
}

// ---------------------------------------------------------------- queries

int PhysicsField::countBalls() const {
    int n = 0;
    for (const auto& [id, o] : objects)
        if (o->kind == kKindBall && o->type >= 0 && o->type < kMaxColours && !o->dying) ++n;
    return n;
}

bool PhysicsField::anyActiveBall() const {
    for (const auto& [id, o] : objects)
        if (!o->special() && o->activity > 0.0f) return true;
    return false;
}

bool PhysicsField::fieldEmpty() const {
    for (const auto& [id, o] : objects)
        if (o->kind == kKindBall && o->type >= 0 && o->type < kMaxColours) return false;
    return true;
}

int PhysicsField::countType(int t) const {
    int n = 0;
    for (const auto& [id, o] : objects)
        if (o->kind == kKindBall && o->type == t) ++n;
    return n;
}

void PhysicsField::presentColours(bool out[kMaxColours]) const {
    std::fill(out, out + kMaxColours, false);
    const int colours = level::ColorsMax();
    for (const auto& [id, o] : objects)
        if (o->kind == kKindBall && !o->dying && o->type >= 0 && o->type < colours && o->type < kMaxColours)
            out[o->type] = true;
}

int PhysicsField::colourCount() const {
    bool present[kMaxColours];
    presentColours(present);
    return static_cast<int>(std::count(present, present + kMaxColours, true));
}
