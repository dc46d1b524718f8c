#include "scene/actor.h"

#include <algorithm>

namespace {
std::vector<Actor*> g_live;
std::vector<Actor*> g_new;
bool g_purgeFlag = false;
int32_t g_tickCount = 0;
}  // namespace

Actor::Actor() { g_new.push_back(this); }
Actor::~Actor() = default;
int Actor::onZoneEvent(int, int) { return 0; }
int Actor::onKey(int) { return 0; }
void Actor::update() {}
int Actor::onNotify(int, int msg, int a, int b) {
    notifyOwner(msg, a, b);
    return 1;
}
void Actor::describe(ActorVisitor* visitor, int arg) {
    if (visitor) visitor->visit("Actor", this, arg, 0);
}
void Actor::drawOverlay() {}

void Actor::setOwner(Actor* newOwner, int id) {
    owner = newOwner;
    ownerId = id;
}

int Actor::notifyOwner(int msg, int a, int b) {
    if (!owner) return 0;
    return owner->onNotify(ownerId, msg, a, b);
}

void Actor::kill() {
    g_purgeFlag = true;
    dead = 1;
}

void mergeNewActors() {
    if (g_new.empty()) return;
    g_live.insert(g_live.end(), g_new.begin(), g_new.end());
    g_new.clear();
}

void updateActors() {
    // Over the array as it was when the pass began: actors created meanwhile
    // wait in the new list. Indexing stays valid because nothing shrinks
    // the live list outside the purge.
    const size_t count = g_live.size();
    for (size_t i = 0; i < count; ++i) {
        Actor* actor = g_live[i];
        if (actor->dead == 0) actor->update();
    }
}

void purgeDeadActors() {
    if (!g_purgeFlag) return;
    // Compacts in one walk. A destructor may kill further actors: later ones
    // are deleted in this same walk; earlier ones keep the flag set so the
    // next purge takes them.
    g_purgeFlag = false;
    size_t write = 0;
    for (size_t read = 0; read < g_live.size(); ++read) {
        Actor* actor = g_live[read];
        if (actor->dead == 1) {
            g_live[read] = nullptr;
            delete actor;
        } else {
            g_live[write++] = actor;
        }
    }
    g_live.resize(write);
    g_purgeFlag = false;
    for (Actor* actor : g_live)
        if (actor->dead == 1) g_purgeFlag = true;
    for (Actor* actor : g_new)
        if (actor->dead == 1) g_purgeFlag = true;
}

const std::vector<Actor*>& liveActors() { return g_live; }
const std::vector<Actor*>& newActors() { return g_new; }
bool purgePending() { return g_purgeFlag; }

void destroyAllActors() {
    // Destructors may create or kill actors; loop until both lists stay empty.
    for (int guard = 0; guard < 64 && (!g_live.empty() || !g_new.empty()); ++guard) {
        std::vector<Actor*> all;
        all.swap(g_live);
        all.insert(all.end(), g_new.begin(), g_new.end());
        g_new.clear();
        for (Actor* actor : all) delete actor;
    }
    g_purgeFlag = false;
}

int32_t tickCount() { return g_tickCount; }
void advanceTickCount() { ++g_tickCount; }
void resetTickCount() { g_tickCount = 0; }
