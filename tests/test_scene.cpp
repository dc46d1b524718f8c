// Actors, reports, mouse zones, input dispatch, and the sprite draw list.
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "frame/errors.h"
#include "platform/event.h"
#include "res/picture_pack.h"
#include "test_support.h"

namespace {
std::vector<std::string> g_log;

class LoggingActor : public Actor {
public:
    explicit LoggingActor(std::string n) : name(std::move(n)) {}
    ~LoggingActor() override { g_log.push_back("~" + name); }
    void update() override {
        g_log.push_back("update " + name);
        if (onUpdate) onUpdate(this);
    }
    int onZoneEvent(int event, int value) override {
        g_log.push_back(name + " zone " + std::to_string(event) + "/" + std::to_string(value));
        return 1;
    }
    int onKey(int code) override {
        g_log.push_back(name + " key " + std::to_string(code));
        return consumeKeys;
    }
    std::string name;
    std::function<void(LoggingActor*)> onUpdate;
    int consumeKeys = 1;
};

// One logic tick in the frame step's order.
void tick() {
    mergeNewActors();
    updateActors();
    mergeNewActors();
    purgeDeadActors();
}

class SceneTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        g_log.clear();
    }
};

class TestSprite : public Sprite {
public:
    explicit TestSprite(std::string n, int w = 10, int h = 10) : name(std::move(n)) {
        rs.width = w;
        rs.height = h;
    }
    void draw(const Rect&) override { Gfx_DrawQuad(x, y, name, 0, 0, rs.width, rs.height, &rs); }
    void getRect(Rect& r) const override {
        r.left = static_cast<int>(x);
        r.top = static_cast<int>(y);
        r.right = r.left + rs.width - 1;
        r.bottom = r.top + rs.height - 1;
    }
    std::string name;
};

std::vector<std::string> drawOrder() {
    std::vector<std::string> names;
    for (Sprite* s = drawHead(); s; s = s->next) names.push_back(static_cast<TestSprite*>(s)->name);
    return names;
}

void moveMouse(int x, int y) { inputTranslatorHook(platform::pointerMove(x, y)); }
// A left press or release; held: whether the left button is held afterwards.
void leftButton(bool down, bool held) {
    inputTranslatorHook(platform::pointerButton(platform::PointerButton::Left, down, 0, 0, {.left = held}));
}
}  // namespace

TEST_F(SceneTest, ActorsJoinTheNextTickAndDieAtThePurge) {
    auto* a = new LoggingActor("a");
    a->onUpdate = [](LoggingActor* self) {
        if (self->name == "a" && tickCount() == 0) {
            auto* child = new LoggingActor("child");
            (void)child;
        }
    };
    tick();  // a is updated and creates child, which waits for the next tick
    EXPECT_EQ(g_log, (std::vector<std::string>{"update a"}));
    g_log.clear();
    advanceTickCount();
    auto* victim = new LoggingActor("victim");
    auto* killer = new LoggingActor("killer");
    killer->onUpdate = [victim](LoggingActor*) { victim->kill(); };
    mergeNewActors();
    // killer comes after victim in the array, so victim still updates once.
    tick();
    EXPECT_EQ(g_log, (std::vector<std::string>{"update a", "update child", "update victim", "update killer",
                                                "~victim"}));
    g_log.clear();
    // A self-kill inside update() is deleted in the same frame step.
    killer->onUpdate = nullptr;
    a->onUpdate = [](LoggingActor* self) { self->kill(); };
    tick();
    EXPECT_EQ(g_log.back(), "~a");
    EXPECT_FALSE(purgePending());
}

TEST_F(SceneTest, EarlierKillGetsNoUpdateAndPurgeChainsThroughDestructors) {
    auto* first = new LoggingActor("first");
    auto* second = new LoggingActor("second");
    first->onUpdate = [second](LoggingActor*) { second->kill(); };
    tick();
    EXPECT_EQ(g_log, (std::vector<std::string>{"update first", "~second"}));

    // A destructor that kills an actor earlier in the array: it stays until
    // the next purge, which must still happen without a fresh kill.
    g_log.clear();
    struct Chain : LoggingActor {
        Actor* other = nullptr;
        Chain() : LoggingActor("chain") {}
        ~Chain() override {
            if (other) other->kill();
        }
    };
    auto* chain = new Chain;
    mergeNewActors();
    chain->other = first;
    first->onUpdate = nullptr;
    chain->kill();
    purgeDeadActors();
    EXPECT_EQ(first->dead, 1);
    EXPECT_TRUE(purgePending());
    purgeDeadActors();
    EXPECT_EQ(g_log, (std::vector<std::string>{"~chain", "~first"}));
}

TEST_F(SceneTest, ReportsTravelUpThroughTransparentActors) {
    auto* grandparent = new ReportRecorder;
    auto* parent = new Actor;
    auto* child = new Actor;
    parent->setOwner(grandparent, 7);
    child->setOwner(parent, 3);
    child->notifyOwner(0, 4, 9);
    ASSERT_EQ(grandparent->reports.size(), 1u);
    EXPECT_EQ(grandparent->reports[0], (std::array<int, 4>{7, 0, 4, 9}));
    auto* lone = new Actor;
    EXPECT_EQ(lone->notifyOwner(0, 1, 2), 0);  // no owner: nothing happens
}

TEST_F(SceneTest, ZonesClickThroughPriorityAndOpacity) {
    auto& upper = *new LoggingActor("upper");
    auto& lower = *new LoggingActor("lower");
    TestSprite top("top", 100, 100), bottom("bottom", 100, 100);
    top.setLayer(10);
    bottom.setLayer(5);
    top.attachZone(ZE_LeftDown | ZF_Opaque, &upper, 1);
    bottom.attachZone(0x1FF, &lower, 2);
    setInputMode(3);
    moveMouse(50, 50);
    dispatchInput();
    g_log.clear();
    leftButton(true, true);
    dispatchInput();
    EXPECT_EQ(g_log, (std::vector<std::string>{"upper zone 8/1"}));
    EXPECT_TRUE(leftButtonDown);

    // The upper zone does not subscribe to release: it does not block it.
    g_log.clear();
    leftButton(false, false);
    dispatchInput();
    EXPECT_EQ(g_log, (std::vector<std::string>{"lower zone 16/2"}));
    EXPECT_FALSE(leftButtonDown);

    // A disabled zone gets nothing and keeps its inside state.
    bottom.zone.zone->flags |= ZF_Disabled;
    g_log.clear();
    leftButton(false, false);
    moveMouse(500, 500);
    dispatchInput();
    EXPECT_TRUE(g_log.empty());
    EXPECT_TRUE(bottom.zone.zone->flags & ZF_Inside);
}

TEST_F(SceneTest, HoverPassEntersLeavesAndIsBlockedByOpaqueZones) {
    auto& upper = *new LoggingActor("upper");
    auto& lower = *new LoggingActor("lower");
    auto& enterOnly = *new LoggingActor("enterOnly");
    TestSprite top("top", 50, 50), bottom("bottom", 200, 200), third("third", 200, 200);
    top.setLayer(10);
    bottom.setLayer(5);
    third.setLayer(1);
    top.attachZone(ZE_Move | ZE_Enter | ZE_Leave | ZF_Opaque, &upper, 0);
    bottom.attachZone(ZE_Move | ZE_Enter | ZE_Leave, &lower, 0);
    third.attachZone(ZE_Enter, &enterOnly, 0);
    setInputMode(1);
    moveMouse(10, 10);  // under the opaque top zone
    dispatchInput();
    EXPECT_EQ(g_log, (std::vector<std::string>{"upper zone 2/0", "upper zone 1/0"}));
    g_log.clear();
    moveMouse(100, 100);  // off the top zone, onto the lower ones
    moveMouse(101, 100);
    dispatchInput();
    EXPECT_EQ(g_log, (std::vector<std::string>{"upper zone 4/0", "lower zone 2/0", "lower zone 1/0",
                                                "enterOnly zone 2/0", "lower zone 1/0"}));
    // Back under the opaque zone: the lower zone is left, the enter-only zone
    // is never told anything again.
    g_log.clear();
    moveMouse(10, 10);
    dispatchInput();
    EXPECT_EQ(g_log, (std::vector<std::string>{"upper zone 2/0", "upper zone 1/0", "lower zone 4/0"}));
}

TEST_F(SceneTest, ZoneIdsSkipUsedOnesAndRemovedZonesDropEvents) {
    const int fixed = createZone(1, 0, 0x4FFFFFFF);
    const int automatic = createZone(1, 0, 0);
    EXPECT_EQ(automatic, 0x50000000);
    EXPECT_EQ(createZone(1, 0, fixed), fixed);  // replaces, does not duplicate
    int count = 0;
    for (MouseZone* z = zoneListHead(); z; z = z->next) ++count;
    EXPECT_EQ(count, 2);

    auto& handler = *new LoggingActor("h");
    {
        TestSprite s("s", 100, 100);
        s.attachZone(ZE_LeftDown, &handler, 5);
        setInputMode(1);
        leftButton(true, false);
    }  // the sprite and its zone are gone before dispatch
    dispatchInput();
    EXPECT_TRUE(g_log.empty());
    removeZone(fixed);
    removeZone(automatic);

    // A zone made with the id of a sprite's zone takes its place: the sprite
    // lets go of the old one, and leaving later does not take the new one.
    int taken = 0;
    {
        TestSprite s("s", 100, 100);
        s.attachZone(ZE_LeftDown, &handler, 5);
        taken = s.zone.zone->id;
        EXPECT_EQ(createZone(1, 0, taken), taken);
        EXPECT_EQ(s.zone.zone, nullptr);
        EXPECT_EQ(s.zone.handler, nullptr);
    }
    EXPECT_NE(findZone(taken), nullptr);
    removeZone(taken);
}

TEST_F(SceneTest, KeyboardGoesToFocusFirstAndQueueDropsNewestWhenFull) {
    auto& dispatcher = *new LoggingActor("dispatcher");
    auto& edit = *new LoggingActor("edit");
    setKeyboardHandler(&dispatcher);
    EXPECT_THROW(setKeyboardHandler(&edit), InternalError);
    setInputMode(2);
    setKeyboardFocus(&edit);
    edit.consumeKeys = 0;  // the edit box does not want Escape
    inputTranslatorHook(platform::keyEvent(true, platform::Key::Escape));
    inputTranslatorHook(platform::keyEvent(false, platform::letterKey('A')));
    inputTranslatorHook(platform::textEvent('a'));
    inputTranslatorHook(platform::makeEvent(platform::EventType::Wheel));  // no key, nothing queued
    dispatchInput();
    EXPECT_EQ(g_log, (std::vector<std::string>{"edit key 283", "dispatcher key 283", "edit key 577",
                                                "dispatcher key 577", "edit key 97", "dispatcher key 97"}));
    EXPECT_THROW(releaseKeyboardFocus(&dispatcher), InternalError);
    EXPECT_EQ(keyboardFocus(), &edit);
    releaseKeyboardFocus(&edit);

    for (int i = 0; i < 300; ++i) pushInput(KeyboardSource, i);
    EXPECT_EQ(pendingInputCount(), kInputQueueSize - 1);
    InputEvent first;
    ASSERT_TRUE(popInput(first));
    EXPECT_EQ(first.code, 0);  // the oldest survive, the newest were dropped
}

TEST_F(SceneTest, NewSpritesGoBeneathTheirLayerAndRelayeringFollowsTheOldNeighbour) {
    {
        TestSprite a("a"), b("b"), c("c");
        EXPECT_EQ(drawOrder(), (std::vector<std::string>{"c", "b", "a"}));
    }
    TestSprite p("P"), q("Q"), r("R");
    p.setLayer(1);
    q.setLayer(5);
    r.setLayer(9);
    EXPECT_EQ(drawOrder(), (std::vector<std::string>{"P", "Q", "R"}));
    {
        TestSprite n("N");
        n.setLayer(5);
        EXPECT_EQ(drawOrder(), (std::vector<std::string>{"P", "N", "Q", "R"}));
    }
    TestSprite q2("Q2");
    q2.setLayer(5);  // lands before Q: list P, Q2, Q, R
    EXPECT_EQ(drawOrder(), (std::vector<std::string>{"P", "Q2", "Q", "R"}));
    r.setLayer(5);  // search starts at R's old neighbour Q
    EXPECT_EQ(drawOrder(), (std::vector<std::string>{"P", "Q2", "R", "Q"}));
    p.setLayer(9);
    EXPECT_EQ(drawOrder(), (std::vector<std::string>{"Q2", "R", "Q", "P"}));
    EXPECT_NO_THROW(checkDrawList());
    EXPECT_EQ(spriteCount(), 4);
}

TEST_F(SceneTest, DrawListChecksAndTheSpriteLimit) {
    std::vector<std::unique_ptr<TestSprite>> sprites;
    for (int i = 0; i < kMaxSprites; ++i) sprites.push_back(std::make_unique<TestSprite>("s"));
    EXPECT_THROW(TestSprite("overflow"), InternalError);
    EXPECT_EQ(spriteCount(), kMaxSprites);
    sprites.pop_back();
    EXPECT_NO_THROW(sprites.push_back(std::make_unique<TestSprite>("again")));
    sprites.clear();

    TestSprite a("a"), b("b");
    a.setLayer(3);
    b.setLayer(7);
    b.layer = 1;  // corrupt the order behind the list's back
    EXPECT_THROW(checkDrawList(), InternalError);
    b.layer = 7;
    a.next = nullptr;  // break the forward chain
    EXPECT_THROW(checkDrawList(), InternalError);
    a.next = &b;
}

TEST_F(SceneTest, FrameDrawsVisibleSpritesInLayerOrderThenTheOverlay) {
    struct Overlay : Actor {
        void drawOverlay() override { Gfx_DrawQuad(0, 0, "overlay", 0, 0, 1, 1, nullptr); }
    };
    TestSprite back("back"), front("front"), hidden("hidden");
    back.setLayer(1);
    front.setLayer(2);
    hidden.setVisible(false);
    auto& clicker = *new LoggingActor("clicker");
    hidden.attachZone(ZE_LeftDown, &clicker, 0);
    auto* overlay = new Overlay;
    setGameActor(overlay);
    drawFrame();
    EXPECT_EQ(sink.textures(), (std::vector<std::string>{"back", "front", "overlay"}));
    EXPECT_EQ(sink.calls.front().kind, "clear");
    EXPECT_EQ(sink.calls.back().kind, "end");
    // A hidden sprite still receives clicks.
    setInputMode(1);
    leftButton(true, false);
    dispatchInput();
    EXPECT_EQ(g_log, (std::vector<std::string>{"clicker zone 8/0"}));
    // A scene that cannot begin draws and presents nothing.
    sink.calls.clear();
    sink.sceneOk = false;
    drawFrame();
    EXPECT_EQ(sink.calls.size(), 2u);
    setGameActor(nullptr);
}

TEST_F(SceneTest, UnchangedValuesDoNotRefileOrRefresh) {
    auto& h = *new LoggingActor("h");
    TestSprite s("s", 20, 20);
    s.attachZone(ZE_LeftDown, &h, 0);
    s.setPosition(5, 5);
    MouseZone* z = s.zone.zone;
    z->x = 999;  // if a refresh happened, the rectangle would be restored
    s.setPosition(5, 5);
    s.setAlpha(255);
    s.setColour(255, 255, 255);
    s.setLayer(0);
    EXPECT_EQ(z->x, 999);
    s.setAlpha(10);
    EXPECT_EQ(z->x, 5);
    EXPECT_EQ(z->w, 20);
    s.setLayer(40);
    EXPECT_EQ(z->priority, 40);
}

TEST_F(SceneTest, GroupsMoveAndScaleTheirChildren) {
    TestSprite child("child");
    GroupSprite group(100, 50);
    group.addChild(&child, 10, 20);
    group.setPosition(100, 200);
    EXPECT_EQ(child.x, 110);
    EXPECT_EQ(child.y, 220);
    group.setPosition(300.0f, 300.0f);  // the float overload moves the group only
    EXPECT_EQ(child.x, 110);
    group.setScaleAboutCentre(true);
    group.setScale(2.0f, 2.0f);
    // (dx - w/2) * s + x + w/2 = (10 - 50) * 2 + 300 + 50
    EXPECT_EQ(child.x, 270);
    EXPECT_EQ(child.y, (20 - 25) * 2 + 300 + 25);
    EXPECT_EQ(child.rs.scaleX, 2.0f);
    group.setAlpha(7);
    EXPECT_EQ(child.rs.alpha, 7);
    group.centreHotSpot();
    EXPECT_EQ(child.rs.hotX, 50 - 10);
    EXPECT_EQ(child.rs.hotY, 25 - 20);
    // A child is drawn once, at its own place in the draw list.
    drawFrame();
    EXPECT_EQ(sink.textures(), (std::vector<std::string>{"child"}));
}

// A picture that is not a picture pack: two frames side by side in a strip
// whose frames can be widened after the sprite took one.
class Strip : public SpritePicture {
public:
    const std::string& texture() const override { return name; }
    int frameCount() const override { return 2; }
    int frameWidth(int i) const override { return i == 0 ? w : 8; }
    int frameHeight(int) const override { return 8; }
    int frameX(int i) const override { return i == 0 ? 0 : w; }
    int frameY(int) const override { return 4; }
    std::string name = "strip.png";
    int w = 16;
};

TEST_F(SceneTest, PictureSpritesAskTheirPictureOnlyThroughItsFrames) {
    Strip strip;
    PckSprite pic;
    pic.setPicture(&strip, 1);
    EXPECT_EQ(pic.textureName, "strip.png");
    EXPECT_EQ(pic.srcX, 16);
    EXPECT_EQ(pic.srcY, 4);
    EXPECT_EQ(pic.frameW, 8);
    // The sprite's size is frame 0's as the picture says now.
    strip.w = 24;
    EXPECT_EQ(pic.width(), 24);
    pic.setFrame(0);
    EXPECT_EQ(pic.frameW, 24);
    pic.setFrame(1);
    EXPECT_EQ(pic.srcX, 24);
    drawFrame();
    EXPECT_EQ(sink.textures(), std::vector<std::string>{"strip.png"});
    pic.setPicture(nullptr, 0);
    EXPECT_EQ(pic.width(), 0);
    EXPECT_TRUE(pic.textureName.empty());
}

TEST_F(SceneTest, PictureSpritesCopyFramesAndEffectSpritesFloatUp) {
    PicturePack pack;
    pack.textureName = "./pic//test.png";
    pack.addFrame(0, 0, 32, 16);
    pack.addFrame(32, 0, 8, 8);
    PckSprite pic;
    Rect r;
    pic.getRect(r);
    EXPECT_EQ(r.right, -1);  // no pack: covers no pixel
    drawFrame();
    EXPECT_TRUE(sink.textures().empty());
    pic.setPicture(&pack, 1);
    EXPECT_EQ(pic.width(), 32);  // frame 0's size, whatever frame is shown
    EXPECT_EQ(pic.frameW, 8);
    pic.setPosition(10, 10);
    pic.setScale(2.0f, 2.0f);
    pic.getRect(r);
    EXPECT_EQ(r.right, 10 + 16);
    pic.setFrame(0);
    EXPECT_EQ(pic.srcX, 0);
    EXPECT_EQ(pic.frameW, 32);

    FXSprite fx;
    EXPECT_EQ(fx.layer, 0);
    fx.addEffect("fx_missing.fx");
    EXPECT_EQ(fx.layer, 1000000);
    fx.getRect(r);
    EXPECT_EQ(r.right, -1);
}
