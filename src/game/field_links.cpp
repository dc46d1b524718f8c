// Ball links (permanent joints between touching balls of one colour) and the
// match search that explodes groups of three or more.
#include <ode/ode.h>

#include <cmath>
#include <deque>
#include <vector>

#include "frame/random.h"
#include "game/field.h"
#include "game/game_sound.h"
#include "game/object_cmd.h"

void PhysicsField::clearVisited() {
    for (auto& [id, o] : objects) o->visited = 0;
}

bool PhysicsField::tryLink(FieldObject& a, FieldObject& b) {
    // Links never close a cycle: refuse when b is already in a's group.
    clearVisited();
    std::deque<FieldObject*> queue{&a};
    while (!queue.empty()) {
        FieldObject* t = queue.front();
        queue.pop_front();
        if (t == &b) return false;
        if (t->visited) continue;
        t->visited = 1;
        for (int32_t id : t->linkSet)
            if (FieldObject* p = find(id)) queue.push_back(p);
    }
    if (!connectSoundDone) {
        connectSoundDone = 1;
        playGameSound("collision_connect");
    }
    dJointID joint = dJointCreateBall(world, nullptr);
    dJointAttach(joint, a.body, b.body);

    const double ax = a.x(), ay = a.y(), bx = b.x(), by = b.y();
    const double ra = a.radius, rb = b.radius;
    const double d = std::hypot(bx - ax, by - ay);
    double px = (ax + bx) / 2, py = (ay + by) / 2;
    // Overlapping circles: anchor on one of their intersection points. Two
    // centres in one spot have no direction; the midpoint stands then.
    if (d < ra + rb && d > 1e-9) {
        const double ux = (bx - ax) / d, uy = (by - ay) / d;
        const double along = (d * d - rb * rb + ra * ra) / (2 * d);
        const double k = (d + ra - rb) * (d - ra + rb) * (ra + rb - d) * (ra + rb + d);
        const double h = k > 0 ? std::sqrt(k) / (2 * d) : 0.0;
        px = ax + along * ux + h * uy;
        py = ay + along * uy - h * ux;
    }
    dJointSetBallAnchor(joint, px, py, 0);
    a.linkSet.insert(b.id);
    b.linkSet.insert(a.id);
    return true;
}

void PhysicsField::touchEffect(FieldObject& s, FieldObject& other) {
    switch (s.type) {
        case kFree0:
        case kFree1: {
            if (other.linkSet.empty() || other.dying) return;
            const int colours = level::ColorsMax();
            auto draw = [&] { return s.type == kFree0 ? vmRand() % colours : fieldNextColour(-1); };
            int c = draw();
            for (int i = 1; i < 5 && c == other.type; ++i) c = draw();
            recolourBall(other, c, 0);
            return;
        }
        case kFireball:
        case kMegaFireball:
            if (other.kind == kKindBall && (other.type < 8 || other.type == kBonusBall))
                destroyBall(other, 1, s.type == kFireball ? 1 : 5);
            return;
        default:
            return;
    }
}

void PhysicsField::findMatches() {
    std::vector<int32_t> ids;
    ids.reserve(objects.size());
    for (auto& [id, o] : objects) ids.push_back(id);
    std::deque<FieldObject*> queue;
    for (int32_t rid : ids) {
        FieldObject* R = find(rid);
        if (!R || R->activity <= 0.0f) continue;
        clearVisited();
        const int colour = R->type;
        int count = 0;
        queue.assign(1, R);
        while (!queue.empty()) {
            FieldObject* t = queue.front();
            queue.pop_front();
            if (t->visited || (t->type != colour && t->type != kBonusBall)) continue;
            count += t->type == kBonusBall ? 2 : 1;
            t->visited = 1;
            for (int32_t id : t->linkSet)
                if (FieldObject* p = find(id)) queue.push_back(p);
        }
        if (count <= 2) continue;

        const double rx = R->x(), ry = R->y();
        std::vector<std::pair<FieldObject*, int>> members;
        for (auto& [id, o] : objects)
            if (o->visited)
                members.emplace_back(o.get(), static_cast<int>(10.0 * std::hypot(o->x() - rx, o->y() - ry)));
        FieldObject* farthest = nullptr;
        int largest = -1;
        for (auto& [o, delay] : members) {
            if (delay > largest) {
                largest = delay;
                farthest = o;
            }
        }
        for (auto& [o, delay] : members) destroyBall(*o, delay, 0);
        if (count > 4 && farthest) farthest->dropCrystal = 1;
        const bool tutorial = fieldHooks().tutorialLevel && fieldHooks().tutorialLevel();
        if (!tutorial && fieldHooks().scoreMatch) fieldHooks().scoreMatch(count, largest);
        playCounters().backlog -= level::BallsSpawnMiss();
        playCounters().unmatchedShots -= 1;
    }
}

void PhysicsField::unlinkAll(FieldObject& ball) {
    if (ball.body) {
        for (int i = dBodyGetNumJoints(ball.body) - 1; i >= 0; --i) {
            dJointID j = dBodyGetJoint(ball.body, i);
            if (dJointGetType(j) == dJointTypeBall) dJointDestroy(j);
        }
    }
    for (int32_t partner : ball.linkSet)
        if (FieldObject* p = find(partner)) p->linkSet.erase(ball.id);
    ball.linkSet.clear();
}
