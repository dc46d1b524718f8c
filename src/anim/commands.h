// Animation commands: small actors that change one sprite (their target) over
// a number of logic ticks (80 ticks = 1 s) or at once. They are composed in
// sequence by SSC_Complex (and the sprite-owning SlideShow / SlideShowFX) and
// side by side by SSC_Dual; there is no loop construct: an owner loops by
// putting an SSC_Msg at the end of a sequence and re-feeding it on receipt.
//
// Notification protocol (Actor::onNotify): a = 0 means "the child with this
// id has finished"; SSC_Msg sends (0, message, param) with a non-zero message.
//
// Commands are always heap-allocated and disposed of with kill(); a command
// handed to a sequence or a dual belongs to it from then on.
#pragma once

#include <cstdint>
#include <deque>
#include <string>

#include "scene/actor.h"
#include "scene/sprite.h"

class PicturePack;
class SlideShowCommand;

// Implemented by whatever owns commands (sequences and duals). Held commands
// keep a link back so that whichever side is destroyed first leaves the other
// without a dangling pointer, in any teardown order.
class CommandHolder {
public:
    virtual ~CommandHolder() = default;

protected:
    friend class SlideShowCommand;
    // The held command is being destroyed while still held.
    virtual void forgetChild(SlideShowCommand* child) = 0;
    static void hold(CommandHolder* holder, SlideShowCommand* child);
    // Drops the hold and kills the command.
    static void dispose(SlideShowCommand* child);
};

class SlideShowCommand : public Actor {
public:
    ~SlideShowCommand() override;
    // Returns true when the command has already finished (instant commands).
    virtual bool start() = 0;
    virtual void stop() {}

    Sprite* target = nullptr;  // not owned

private:
    friend class CommandHolder;
    CommandHolder* holder_ = nullptr;
};

// A command that lasts `length` ticks. Virtual base of every timed command so
// that sequences and duals can hold any of them through it.
class SlideShowLongCommand : public SlideShowCommand {
public:
    void update() override;
    bool start() override;
    void stop() override;
    virtual void apply(int s, int n) = 0;
    // Captures the start values; runs inside start().
    virtual void begin() {}

    void setLength(int n) { length = n; }

    int32_t step = 0;       // 0 idle, 1..length running, length + 1 finished
    int32_t length = 0;     // ticks; must be at least 1 before start()
    int32_t startTick = 0;  // tick counter minus one at start()

protected:
    // Integer interpolation over the current step: a on the first tick, b on
    // the last.
    int lin(int a, int b) const;
};

// ---- timed commands ----

class SSC_Wait : public virtual SlideShowLongCommand {
public:
    explicit SSC_Wait(int ticks) { setLength(ticks); }
    void apply(int, int) override {}
};

class SSC_Appear : public virtual SlideShowLongCommand {
public:
    void begin() override;
    void apply(int s, int n) override;
    double value = 0.0;
};

class SSC_Dissapear : public virtual SlideShowLongCommand {
public:
    void begin() override;
    void apply(int s, int n) override;
    double value = 255.0;
};

class SSC_AlphaFromTo : public virtual SlideShowLongCommand {
public:
    SSC_AlphaFromTo(float alphaFrom, float alphaTo) : from(alphaFrom), to(alphaTo), value(alphaFrom) {}
    void begin() override;
    void apply(int s, int n) override;
    float from, to, value;
};

class SSC_RotateFromTo : public virtual SlideShowLongCommand {
public:
    SSC_RotateFromTo(double radiansFrom, double radiansTo) : from(radiansFrom), to(radiansTo) {}
    void begin() override;
    void apply(int s, int n) override;
    double from, to, value = 0.0;
};

class SSC_ScaleFromTo : public virtual SlideShowLongCommand {
public:
    SSC_ScaleFromTo(double factorFrom, double factorTo)
        : from(factorFrom), to(factorTo), value(factorFrom) {}
    void begin() override;
    void apply(int s, int n) override;
    double from, to, value;
};

class SSC_MorphTo : public virtual SlideShowLongCommand {
public:
    SSC_MorphTo(int toX, int toY) : x1(toX), y1(toY) {}
    void begin() override;
    void apply(int s, int n) override;
    int32_t x0 = 0, x1, y0 = 0, y1;
};

class SSC_PositionMorph : public virtual SlideShowLongCommand {
public:
    SSC_PositionMorph(int byX, int byY) : dx_(byX), dy_(byY) {}
    void begin() override;
    void apply(int s, int n) override;
    int32_t x0 = 0, x1 = 0, y0 = 0, y1 = 0;

private:
    int32_t dx_, dy_;
};

// Fast start, slowing towards the end.
class SSC_DamperedMorphTo : public virtual SlideShowLongCommand {
public:
    SSC_DamperedMorphTo(int toX, int toY) : x1(toX), y1(toY) {}
    void begin() override;
    void apply(int s, int n) override;
    int32_t x0 = 0, x1, y0 = 0, y1;
};

// A move whose progress follows ease(s/n).
class SSC_SpeedyMorph : public virtual SlideShowLongCommand {
public:
    SSC_SpeedyMorph(int toX, int toY) : x1(toX), y1(toY) {}
    void begin() override;
    void apply(int s, int n) override;
    virtual double ease(double t) const = 0;
    int32_t x0 = 0, x1, y0 = 0, y1;
};

class SSC_SpeedUpTo : public SSC_SpeedyMorph {
public:
    SSC_SpeedUpTo(int toX, int toY) : SSC_SpeedyMorph(toX, toY) {}
    double ease(double t) const override { return t * t; }
};

class SSC_SpeedDownTo : public SSC_SpeedyMorph {
public:
    SSC_SpeedDownTo(int toX, int toY) : SSC_SpeedyMorph(toX, toY) {}
    double ease(double t) const override;
};

// Flips a picture sprite through the frames from..to, one per tick, both ends
// shown.
class SSC_FrameMorph : public virtual SlideShowLongCommand {
public:
    SSC_FrameMorph(PicturePack* framePack, int fromFrame, int toFrame);
    void apply(int s, int n) override;
    int32_t from, to;
    PicturePack* pack;  // not owned
};

class SSC_Forward : public SSC_FrameMorph {
public:
    explicit SSC_Forward(PicturePack* framePack);
};

class SSC_Backward : public SSC_FrameMorph {
public:
    explicit SSC_Backward(PicturePack* framePack);
};

// ---- instant commands: do their work in start() ----

class SSC_SetAlpha : public SlideShowCommand {
public:
    explicit SSC_SetAlpha(int a) : alpha(a) {}
    bool start() override;
    int32_t alpha;
};

class SSC_SetLayer : public SlideShowCommand {
public:
    explicit SSC_SetLayer(int n) : layer(n) {}
    bool start() override;
    int32_t layer;
};

// Needs a picture sprite as target; a null pack clears the picture.
class SSC_SetPck : public SlideShowCommand {
public:
    SSC_SetPck(PicturePack* framePack, int frameIndex) : frame(frameIndex), pack(framePack) {}
    bool start() override;
    int32_t frame;
    PicturePack* pack;  // not owned
};

class SSC_Move : public SlideShowCommand {
public:
    SSC_Move(int toX, int toY) : x(toX), y(toY) {}
    bool start() override;
    int32_t x, y;
};

// Reports (0, message, param) to the owner; message must be non-zero, since
// 0 means completion.
class SSC_Msg : public SlideShowCommand {
public:
    SSC_Msg(int msg, int parameter) : message(msg), param(parameter) {}
    bool start() override;
    int32_t message, param;
};

// The sound is resolved (and loaded) when the command is built, so playing
// it later costs nothing.
class SSC_Sound : public SlideShowCommand {
public:
    explicit SSC_Sound(const std::string& name);
    bool start() override;
    int32_t sound;  // 0 when the file could not be loaded
};

// Needs an effect sprite as target.
class SSC_FXDone : public SlideShowCommand {
public:
    bool start() override;
};

// ---- composition ----

// Runs two or three timed commands side by side for the first one's length.
class SSC_Dual : public SlideShowCommand, public CommandHolder {
public:
    SSC_Dual(SlideShowLongCommand* a, SlideShowLongCommand* b, SlideShowLongCommand* c = nullptr);
    ~SSC_Dual() override;
    int onNotify(int id, int msg, int a, int b) override;
    bool start() override;
    void stop() override;

    SlideShowLongCommand* first;   // owned
    SlideShowLongCommand* second;  // owned
    SlideShowLongCommand* third;   // owned, may be null
    int32_t pending = 0;

protected:
    void forgetChild(SlideShowCommand* child) override;
};

// A sequence: runs its queued commands one after another, on its own target.
class SSC_Complex : public SlideShowCommand, public CommandHolder {
public:
    ~SSC_Complex() override;
    int onNotify(int id, int msg, int a, int b) override;
    bool start() override;
    void stop() override;
    virtual void onStart() {}
    virtual void onChildStart(SlideShowCommand*) {}
    virtual void onFinished();

    // Appends a command (taking it over) and starts the sequence if it is
    // idle, so instant commands fed to an idle sequence run at once.
    void enqueue(SlideShowCommand* command);

    std::deque<SlideShowCommand*> queue;  // owned
    SlideShowCommand* current = nullptr;  // owned

protected:
    void forgetChild(SlideShowCommand* child) override;

private:
    bool startSequence();
    void runQueue();
    void killQueued();

    // Set while a start or a queue run of this sequence is on the stack;
    // commands enqueued meanwhile (from onStart, or by the owner reacting to
    // an SSC_Msg) are picked up by that run instead of starting a nested one.
    bool busy_ = false;
};

// A timed command made with its length already set, ready for a sequence or
// a dual.
template <class Command, class... Args>
Command* timed(int ticks, Args... args) {
    auto* c = new Command(args...);
    c->setLength(ticks);
    return c;
}

// The animated picture of a screen: a sequence acting on its own PckSprite.
class SlideShow : public SSC_Complex {
public:
    SlideShow();
    ~SlideShow() override;
    void onFinished() override {}

    PckSprite sprite;
};

// The animated effect of a screen: a sequence acting on its own FXSprite.
class SlideShowFX : public SSC_Complex {
public:
    SlideShowFX();
    ~SlideShowFX() override;
    void onFinished() override {}

    FXSprite sprite;
};
