// Composition: sequences (SSC_Complex, SlideShow, SlideShowFX) and parallel
// groups (SSC_Dual), plus the holder links that keep their ownership safe.
#include <algorithm>

#include "anim/commands.h"
// FXSprite, held by value in SlideShowFX, destroys its emitters inline.
#include "gfx/particles.h"

namespace {
class BusyScope {
public:
    explicit BusyScope(bool& flag) : flag_(flag) { flag_ = true; }
    ~BusyScope() { flag_ = false; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    bool& flag_;
};
}  // namespace

// ---- holder links ----

void CommandHolder::hold(CommandHolder* holder, SlideShowCommand* child) { child->holder_ = holder; }

void CommandHolder::dispose(SlideShowCommand* child) {
    child->holder_ = nullptr;
    child->kill();
}

SlideShowCommand::~SlideShowCommand() {
    // Only reached while held when the registry is torn down wholesale (or a
    // held command was killed behind its holder's back): let the holder drop
    // its pointer rather than touch freed memory later.
    if (holder_) holder_->forgetChild(this);
}

// ---- SSC_Dual ----

SSC_Dual::SSC_Dual(SlideShowLongCommand* a, SlideShowLongCommand* b, SlideShowLongCommand* c)
    : first(a), second(b), third(c) {
    SlideShowLongCommand* children[] = {first, second, third};
    for (int i = 0; i < 3; ++i) {
        if (!children[i]) continue;
        children[i]->setOwner(this, i);
        hold(this, children[i]);
    }
}

SSC_Dual::~SSC_Dual() {
    for (SlideShowLongCommand* child : {first, second, third})
        if (child) dispose(child);
}

bool SSC_Dual::start() {
    pending = 0;
    for (SlideShowLongCommand* child : {first, second, third})
        if (child) child->target = target;
    // The first child's length governs the group.
    if (first) {
        if (second) second->setLength(first->length);
        if (third) third->setLength(first->length);
    }
    bool allFinished = true;
    for (SlideShowLongCommand* child : {first, second, third}) {
        if (!child) continue;  // a missing child counts as finished
        if (!child->start()) {
            ++pending;
            allFinished = false;
        }
    }
    return allFinished;
}

int SSC_Dual::onNotify(int, int, int, int) {
    // Guarded so that a stray report after completion cannot report twice.
    if (pending > 0 && --pending == 0) notifyOwner(0, 0, 0);
    return 1;
}

void SSC_Dual::stop() {
    for (SlideShowLongCommand* child : {first, second, third})
        if (child) child->stop();
}

void SSC_Dual::forgetChild(SlideShowCommand* child) {
    if (first && static_cast<SlideShowCommand*>(first) == child) first = nullptr;
    if (second && static_cast<SlideShowCommand*>(second) == child) second = nullptr;
    if (third && static_cast<SlideShowCommand*>(third) == child) third = nullptr;
}

// ---- SSC_Complex ----

SSC_Complex::~SSC_Complex() {
    // Unlike stop(), also disposes of the queue of a sequence that never
    // started, so nothing it was given outlives it.
    stop();
    killQueued();
}

void SSC_Complex::enqueue(SlideShowCommand* command) {
    if (!command) return;
    hold(this, command);
    queue.push_back(command);
    if (!current) startSequence();
}

bool SSC_Complex::start() { return startSequence(); }

bool SSC_Complex::startSequence() {
    if (busy_) return current == nullptr;  // the run further up the stack takes the queue
    BusyScope scope(busy_);
    onStart();
    runQueue();
    return current == nullptr;
}

void SSC_Complex::runQueue() {
    while (!current && !queue.empty()) {
        SlideShowCommand* child = queue.front();
        queue.pop_front();
        child->setOwner(this, 0);
        child->target = target;
        onChildStart(child);
        // Marked running before it starts: an instant child may report to
        // the owner, which may stop or feed this sequence from there.
        current = child;
        const bool finished = child->start();
        // If current changed meanwhile, whoever changed it disposed of child.
        if (finished && current == child) {
            current = nullptr;
            dispose(child);
        }
    }
}

int SSC_Complex::onNotify(int, int msg, int a, int b) {
    if (a != 0) {
        notifyOwner(msg, a, b);
        return 1;
    }
    if (!current) return 1;  // nothing running, so nothing can have finished
    SlideShowCommand* done = current;
    current = nullptr;
    dispose(done);
    if (busy_) return 1;  // a run on the stack carries on with the queue
    {
        BusyScope scope(busy_);
        runQueue();
    }
    if (!current) onFinished();
    return 1;
}

void SSC_Complex::stop() {
    if (!current) return;
    SlideShowCommand* running = current;
    current = nullptr;
    running->stop();
    dispose(running);
    killQueued();
}

void SSC_Complex::onFinished() { notifyOwner(0, 0, 0); }

void SSC_Complex::killQueued() {
    while (!queue.empty()) {
        SlideShowCommand* queued = queue.front();
        queue.pop_front();
        dispose(queued);
    }
}

void SSC_Complex::forgetChild(SlideShowCommand* child) {
    if (current == child) {
        current = nullptr;
        return;
    }
    queue.erase(std::remove(queue.begin(), queue.end(), child), queue.end());
}

// ---- sprite-owning sequences ----

SlideShow::SlideShow() { target = &sprite; }

SlideShow::~SlideShow() { stop(); }

SlideShowFX::SlideShowFX() { target = &sprite; }

SlideShowFX::~SlideShowFX() { stop(); }
