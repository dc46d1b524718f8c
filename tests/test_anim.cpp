#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "anim/commands.h"
#include "gfx/particles.h"
#include "res/picture_pack.h"
#include "scene/actor.h"
#include "scene/sprite.h"

namespace {

using Report = std::array<int, 4>;  // id, msg, a, b

class Recorder : public Actor {
public:
    int onNotify(int id, int msg, int a, int b) override {
        got.push_back({id, msg, a, b});
        if (onReport) onReport(msg, a, b);
        return 1;
    }
    std::vector<Report> got;
    std::function<void(int, int, int)> onReport;
};

class AnimTest : public ::testing::Test {
protected:
    void SetUp() override {
        destroyAllActors();
        resetTickCount();
        rec = new Recorder;
        for (int i = 0; i < 8; ++i) pack.addFrame(i * 10, 0, 10, 10);
    }
    void TearDown() override {
        destroyAllActors();
        resetTickCount();
    }
    // One logic tick as the frame step runs it.
    static void tick(int n = 1) {
        for (int i = 0; i < n; ++i) {
            mergeNewActors();
            advanceTickCount();
            updateActors();
            mergeNewActors();
            purgeDeadActors();
        }
    }
    static size_t actorCount() { return liveActors().size() + newActors().size(); }
    // Starts a timed command directly, as an owner outside a sequence does.
    template <class C>
    C* run(C* cmd, int length, Sprite* on) {
        cmd->setLength(length);
        cmd->target = on;
        cmd->setOwner(rec, 5);
        EXPECT_FALSE(cmd->start());
        return cmd;
    }

    Recorder* rec = nullptr;
    PckSprite sprite;
    PckSprite sprite2;
    PicturePack pack;
};

TEST_F(AnimTest, AlphaCommandsReachTheEndValueOnTheLastTickAndReportOnce) {
    sprite.setAlpha(7);
    run(new SSC_Appear, 4, &sprite);
    EXPECT_EQ(sprite.rs.alpha, 7) << "start() applies nothing";
    std::vector<int> alphas;
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(rec->got.empty());
        tick();
        alphas.push_back(sprite.rs.alpha);
    }
    EXPECT_EQ(alphas, (std::vector<int>{63, 127, 191, 255}));
    tick(3);
    EXPECT_EQ(rec->got, (std::vector<Report>{{5, 0, 0, 0}}));

    alphas.clear();
    run(new SSC_Dissapear, 4, &sprite);
    run(new SSC_AlphaFromTo(100.0f, 200.0f), 4, &sprite2);
    std::vector<int> alphas2;
    for (int i = 0; i < 4; ++i) {
        tick();
        alphas.push_back(sprite.rs.alpha);
        alphas2.push_back(sprite2.rs.alpha);
    }
    EXPECT_EQ(alphas, (std::vector<int>{191, 127, 63, 0}));
    EXPECT_EQ(alphas2, (std::vector<int>{125, 150, 175, 200}));
}

TEST_F(AnimTest, RotateAndScaleWorkAboutTheCentre) {
    sprite.setPicture(&pack, 0);
    run(new SSC_RotateFromTo(0.0, 2.0), 4, &sprite);
    EXPECT_FLOAT_EQ(sprite.rs.hotX, 5.0f);
    EXPECT_FLOAT_EQ(sprite.rs.hotY, 5.0f);
    run(new SSC_ScaleFromTo(1.0, 3.0), 2, &sprite2);
    EXPECT_EQ(sprite2.rs.scaleAboutCentre, 1);
    tick();
    EXPECT_FLOAT_EQ(sprite.rs.angle, 0.5f);
    EXPECT_FLOAT_EQ(sprite2.rs.scaleX, 2.0f);
    EXPECT_FLOAT_EQ(sprite2.rs.scaleY, 2.0f);
    tick(3);
    EXPECT_FLOAT_EQ(sprite.rs.angle, 2.0f);
    EXPECT_FLOAT_EQ(sprite2.rs.scaleX, 3.0f);
}

TEST_F(AnimTest, IntegerMovesShowBothEnds) {
    run(new SSC_MorphTo(100, 0), 5, &sprite);
    std::vector<int> xs;
    for (int i = 0; i < 5; ++i) {
        tick();
        xs.push_back(static_cast<int>(sprite.x));
    }
    EXPECT_EQ(xs, (std::vector<int>{0, 25, 50, 75, 100}));

    // Length 1 shows the start position only, and finishes.
    rec->got.clear();
    sprite.setPosition(30, 40);
    run(new SSC_MorphTo(100, 0), 1, &sprite);
    tick();
    EXPECT_EQ(sprite.x, 30.0f);
    EXPECT_EQ(sprite.y, 40.0f);
    EXPECT_EQ(rec->got.size(), 1u);

    // Relative move, captured at start; negative steps truncate toward zero.
    sprite.setPosition(5.9f, 5.0f);
    run(new SSC_PositionMorph(10, -21), 3, &sprite);
    tick(2);
    EXPECT_EQ(sprite.x, 10.0f);
    EXPECT_EQ(sprite.y, -5.0f);
    tick();
    EXPECT_EQ(sprite.x, 15.0f);
    EXPECT_EQ(sprite.y, -16.0f);
}

TEST_F(AnimTest, EasedMovesAtHalfTime) {
    PckSprite a, b, c;
    run(new SSC_DamperedMorphTo(100, 200), 2, &a);
    run(new SSC_SpeedDownTo(100, 200), 2, &b);
    run(new SSC_SpeedUpTo(100, 200), 2, &c);
    tick();
    EXPECT_EQ(a.x, 29.0f);
    EXPECT_EQ(a.y, 58.0f);
    EXPECT_EQ(b.x, 70.0f);
    EXPECT_EQ(b.y, 141.0f);
    EXPECT_EQ(c.x, 25.0f);
    EXPECT_EQ(c.y, 50.0f);
    tick();
    for (PckSprite* s : {&a, &b, &c}) {
        EXPECT_EQ(s->x, 100.0f);
        EXPECT_EQ(s->y, 200.0f);
    }
}

TEST_F(AnimTest, FrameCommandsFlipThroughEveryFrame) {
    auto frames = [&](SSC_FrameMorph* cmd) {
        cmd->target = &sprite;
        cmd->start();
        std::vector<int> shown;
        for (int i = 0; i < cmd->length; ++i) {
            tick();
            shown.push_back(sprite.frame);
        }
        EXPECT_EQ(sprite.pack, &pack);
        return shown;
    };
    auto* down = new SSC_FrameMorph(&pack, 5, 2);
    EXPECT_EQ(down->length, 4);
    EXPECT_EQ(frames(down), (std::vector<int>{5, 4, 3, 2}));
    EXPECT_EQ(frames(new SSC_Forward(&pack)), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(frames(new SSC_Backward(&pack)), (std::vector<int>{7, 6, 5, 4, 3, 2, 1, 0}));
}

TEST_F(AnimTest, IdleSlideShowRunsInstantCommandsInsideEnqueue) {
    auto* show = new SlideShow;
    show->setOwner(rec, 1);
    show->enqueue(new SSC_Move(10, 20));
    show->enqueue(new SSC_SetAlpha(0));
    show->enqueue(new SSC_SetLayer(3));
    show->enqueue(new SSC_SetPck(&pack, 2));
    EXPECT_EQ(show->sprite.x, 10.0f);
    EXPECT_EQ(show->sprite.y, 20.0f);
    EXPECT_EQ(show->sprite.rs.alpha, 0);
    EXPECT_EQ(show->sprite.layer, 3);
    EXPECT_EQ(show->sprite.srcX, 20);
    EXPECT_EQ(show->current, nullptr);
    EXPECT_TRUE(show->queue.empty());
    tick();
    EXPECT_TRUE(rec->got.empty());
    EXPECT_EQ(actorCount(), 2u) << "the finished commands are purged";
}

TEST_F(AnimTest, SequenceForwardsMessagesAndStartsTheNextCommandInTheSameTick) {
    auto* show = new SlideShow;
    show->setOwner(rec, 9);
    show->enqueue(new SSC_Wait(2));
    show->enqueue(new SSC_Msg(1, 7));
    auto* appear = new SSC_Appear;
    appear->setLength(3);
    show->enqueue(appear);
    tick();
    EXPECT_TRUE(rec->got.empty());
    tick();
    EXPECT_EQ(rec->got, (std::vector<Report>{{9, 0, 1, 7}}));
    EXPECT_EQ(show->current, appear);
    EXPECT_GE(appear->step, 1);
    tick(5);
    EXPECT_EQ(show->sprite.rs.alpha, 255);
    EXPECT_EQ(rec->got.size(), 1u) << "a top-level SlideShow does not report completion";
    EXPECT_EQ(show->current, nullptr);
    EXPECT_EQ(actorCount(), 2u);
}

// A nested sequence that fills itself when started, the way game commands do.
class SelfFilling : public SSC_Complex {
public:
    explicit SelfFilling(std::function<void(SSC_Complex*)> fill) : fill_(std::move(fill)) {}
    void onStart() override { fill_(this); }

private:
    std::function<void(SSC_Complex*)> fill_;
};

TEST_F(AnimTest, NestedSequencesReportCompletionAndForwardMessages) {
    auto* outer = new SSC_Complex;
    outer->target = &sprite;
    outer->setOwner(rec, 4);
    outer->enqueue(new SelfFilling([](SSC_Complex* self) {
        self->enqueue(new SSC_Wait(2));
        self->enqueue(new SSC_Msg(3, 8));
        self->enqueue(new SSC_Move(5, 6));
    }));
    outer->enqueue(new SSC_Wait(2));
    tick();
    EXPECT_TRUE(rec->got.empty());
    EXPECT_EQ(sprite.x, 0.0f);
    tick();
    EXPECT_EQ(rec->got, (std::vector<Report>{{4, 0, 3, 8}})) << "re-sent under the outer sequence's id";
    EXPECT_EQ(sprite.x, 5.0f);
    tick(3);
    EXPECT_EQ(rec->got, (std::vector<Report>{{4, 0, 3, 8}, {4, 0, 0, 0}}));
    EXPECT_EQ(actorCount(), 2u);

    // A nested sequence that finishes inside its start is dropped quietly.
    rec->got.clear();
    outer->enqueue(new SelfFilling([](SSC_Complex* self) { self->enqueue(new SSC_Move(7, 8)); }));
    EXPECT_EQ(sprite.x, 7.0f);
    EXPECT_EQ(outer->current, nullptr);
    tick();
    EXPECT_TRUE(rec->got.empty());
    EXPECT_EQ(actorCount(), 2u);
}

TEST_F(AnimTest, DualRunsEveryChildForTheFirstChildsLength) {
    auto* move = new SSC_MorphTo(100, 0);
    move->setLength(4);
    auto* appear = new SSC_Appear;
    appear->setLength(10);
    auto* dual = new SSC_Dual(move, appear, new SSC_Wait(50));
    dual->target = &sprite;
    dual->setOwner(rec, 3);
    EXPECT_FALSE(dual->start());
    EXPECT_EQ(dual->pending, 3);
    EXPECT_EQ(appear->length, 4);
    tick();
    EXPECT_EQ(sprite.rs.alpha, 63);
    tick(2);
    EXPECT_TRUE(rec->got.empty());
    tick();
    EXPECT_EQ(sprite.x, 100.0f);
    EXPECT_EQ(sprite.rs.alpha, 255);
    EXPECT_EQ(rec->got, (std::vector<Report>{{3, 0, 0, 0}}));
    dual->kill();
    tick(2);
    EXPECT_EQ(actorCount(), 1u) << "the dual disposes of its children";
}

TEST_F(AnimTest, StopKillsRunningAndQueuedAndALaterEnqueueStartsAfresh) {
    auto* show = new SlideShow;
    show->setOwner(rec, 1);
    show->enqueue(new SSC_Dual(new SSC_Wait(5), new SSC_Appear));
    show->enqueue(new SSC_Move(50, 50));
    show->enqueue(new SSC_Msg(1, 0));
    tick(2);
    const int alpha = show->sprite.rs.alpha;
    show->stop();
    EXPECT_EQ(show->current, nullptr);
    EXPECT_TRUE(show->queue.empty());
    tick(2);
    EXPECT_EQ(actorCount(), 2u);
    tick(10);
    EXPECT_EQ(show->sprite.rs.alpha, alpha);
    EXPECT_EQ(show->sprite.x, 0.0f);
    EXPECT_TRUE(rec->got.empty());

    show->enqueue(new SSC_Wait(1));
    show->enqueue(new SSC_Move(9, 9));
    EXPECT_EQ(show->sprite.x, 0.0f);
    tick();
    EXPECT_EQ(show->sprite.x, 9.0f);
}

TEST_F(AnimTest, OwnerCanRefeedOrStopTheSequenceFromAMessage) {
    // The looping idiom: every message 1 queues the next cycle.
    auto* show = new SlideShow;
    show->setOwner(rec, 1);
    auto cycle = [show] {
        auto* appear = new SSC_Appear;
        appear->setLength(2);
        show->enqueue(appear);
        show->enqueue(new SSC_Msg(1, 0));
    };
    rec->onReport = [&](int, int a, int) {
        if (a == 1) cycle();
    };
    cycle();
    tick(10);
    EXPECT_EQ(rec->got.size(), 5u);
    EXPECT_LE(actorCount(), 5u) << "finished cycles do not pile up";

    // Stopping from inside a message drops what was queued behind it.
    show->stop();
    rec->got.clear();
    rec->onReport = [show](int, int a, int) {
        if (a != 2) return;
        show->stop();
        show->enqueue(new SSC_Move(9, 9));
    };
    show->enqueue(new SSC_Wait(1));
    show->enqueue(new SSC_Msg(2, 0));
    show->enqueue(new SSC_Move(50, 50));
    tick();
    EXPECT_EQ(show->sprite.x, 9.0f);
    tick(2);
    EXPECT_EQ(show->sprite.x, 9.0f);
    EXPECT_EQ(actorCount(), 2u);
}

TEST_F(AnimTest, SlideShowFXClearsItsEffectsAndIgnoresPictureCommands) {
    auto* fx = new SlideShowFX;
    fx->sprite.effects.push_back(std::make_unique<EmitterInstance>(EmitterDef{}));
    fx->enqueue(new SSC_SetPck(&pack, 1));
    fx->enqueue(new SSC_Wait(2));
    fx->enqueue(new SSC_FXDone);
    tick();
    EXPECT_EQ(fx->sprite.effects.size(), 1u);
    tick();
    EXPECT_TRUE(fx->sprite.effects.empty());
}

TEST_F(AnimTest, TearingDownTheRegistryInAnyOrderIsSafe) {
    // Children built before their dual sit earlier in the registry; killing
    // a holder in the same purge as its children must not touch freed memory.
    auto* show = new SlideShow;
    show->enqueue(new SSC_Dual(new SSC_Wait(5), new SSC_Appear));
    show->enqueue(new SSC_Wait(3));
    auto* idle = new SSC_Complex;
    idle->queue.push_back(new SSC_Wait(1));
    tick();
    show->kill();
    idle->kill();
    tick(2);
    EXPECT_EQ(actorCount(), 1u);

    auto* again = new SlideShow;
    again->enqueue(new SSC_Dual(new SSC_Wait(5), new SSC_Appear));
    tick();
    destroyAllActors();
    EXPECT_EQ(actorCount(), 0u);
}

}  // namespace
