// Actors: every object with behaviour over time. The registry gives each live
// actor one update() per logic tick and deletes killed actors only at the
// purge, so an actor may kill itself (or be killed) from anywhere.
#pragma once

#include <cstdint>
#include <vector>

class Actor;

// Visitor handed to Actor::describe; only its first operation is ever called.
class ActorVisitor {
public:
    virtual ~ActorVisitor() = default;
    virtual void visit(const char* className, Actor* actor, int arg, int reserved) = 0;
};

class Actor {
public:
    Actor();
    virtual ~Actor();
    virtual int onZoneEvent(int event, int value);
    virtual int onKey(int code);
    virtual void update();
    virtual int onNotify(int id, int msg, int a, int b);
    virtual void describe(ActorVisitor* visitor, int arg);
    virtual void drawOverlay();

    void setOwner(Actor* newOwner, int id);
    int notifyOwner(int msg, int a, int b);
    void kill();

    int32_t dead = 0;
    Actor* owner = nullptr;
    int32_t ownerId = 0;

    Actor(const Actor&) = delete;
    Actor& operator=(const Actor&) = delete;
};

// Registry.
void mergeNewActors();
void updateActors();
void purgeDeadActors();
// While the purge runs (a destructor walking it), the live list holds null
// slots and duplicates: a walk from there skips the nulls.
const std::vector<Actor*>& liveActors();
const std::vector<Actor*>& newActors();
bool purgePending();
// Deletes every actor (dead or alive) and empties the registry; for shutdown
// of a test fixture, never during a tick.
void destroyAllActors();

// Logic tick counter (advanced by the frame clock).
int32_t tickCount();
void advanceTickCount();
void resetTickCount();
