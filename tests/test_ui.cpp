// Buttons, toggles, sliders and the flashing picture, driven through the real
// input translator, zone dispatch and logic ticks.
#include <algorithm>
#include <array>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/event.h"
#include "res/picture_pack.h"
#include "sound/sound.h"
#include "sound/sound_backend.h"
#include "test_support.h"
#include "ui/buttons.h"

namespace {

// Every file "loads"; plays are logged by file path.
class PlayLog : public SoundBackend {
public:
    explicit PlayLog(std::shared_ptr<std::vector<std::string>> played) : played_(std::move(played)) {}
    bool start() override { return true; }
    void stop() override {}
    SoundHandle loadSample(const std::string& path) override {
        // Only "ui_*" files exist.
        if (path.find("ui_") == std::string::npos) return 0;
        paths_[next_] = path;
        return next_++;
    }
    void freeSample(SoundHandle) override {}
    void playSample(SoundHandle h) override { played_->push_back(paths_[h]); }
    SoundHandle loadLoop(const std::string&) override { return 0; }
    void freeLoop(SoundHandle) override {}
    void playLoop(SoundHandle) override {}
    void stopLoop(SoundHandle) override {}
    SoundHandle loadMusic(const std::string&) override { return 0; }
    void freeMusic(SoundHandle) override {}
    void playMusic(SoundHandle) override {}
    void setMusicOrder(SoundHandle, int) override {}
    void setMusicVolume(int) override {}
    void setEffectsVolume(int) override {}
    void pause() override {}
    void resume() override {}

private:
    std::shared_ptr<std::vector<std::string>> played_;
    std::map<SoundHandle, std::string> paths_;
    SoundHandle next_ = 1;
};

// A pack of `frames` frames of w x h, stacked vertically.
void fillPack(PicturePack& pack, int frames, int w, int h) {
    pack.clearFrames();
    for (int i = 0; i < frames; ++i) pack.addFrame(0, i * h, w, h);
}

class UiTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        setInputMode(1);
        Sound_ResetForTests();
        Sound_InstallBackend(std::make_unique<PlayLog>(played));
        Sound_Init();
        fillPack(buttonPack, 3, 100, 40);
        owner = new ReportRecorder;
    }
    void TearDown() override {
        EngineTest::TearDown();
        Sound_ResetForTests();
    }

    static void moveTo(int x, int y, bool held = false) {
        inputTranslatorHook(platform::pointerMove(x, y, {.left = held}));
        dispatchInput();
    }
    static void press() {
        inputTranslatorHook(platform::pointerButton(platform::PointerButton::Left, true, 0, 0, {.left = true}));
        dispatchInput();
    }
    static void release() {
        inputTranslatorHook(platform::pointerButton(platform::PointerButton::Left, false, 0, 0, {}));
        dispatchInput();
    }
    static void tick(int n = 1) {
        for (int i = 0; i < n; ++i) {
            mergeNewActors();
            updateActors();
            mergeNewActors();
            purgeDeadActors();
        }
    }
    int plays(const std::string& name) const {
        int n = 0;
        for (const auto& p : *played)
            if (p.find(name) != std::string::npos) ++n;
        return n;
    }
    size_t clicks() const { return owner->reports.size(); }

    // A button at (100, 100), 100 x 40, reporting to `owner` as id 7.
    Button* makeButton() {
        auto* b = new Button(&buttonPack, 100, 100, 5);
        b->setOwner(owner, 7);
        b->setHoverSound("ui_hover");
        b->setClickSound("ui_click");
        tick();
        return b;
    }

    std::shared_ptr<std::vector<std::string>> played = std::make_shared<std::vector<std::string>>();
    PicturePack buttonPack;
    ReportRecorder* owner = nullptr;
};

// ---- Button ----

TEST_F(UiTest, ButtonHoverPressClickAndLeave) {
    Button* b = makeButton();
    PckSprite* s = b->sprite();
    EXPECT_EQ(s->x, 100.0f);
    EXPECT_EQ(s->y, 100.0f);
    EXPECT_EQ(s->layer, 5);
    EXPECT_EQ(s->frame, 0);

    moveTo(150, 120);
    EXPECT_EQ(s->frame, 1);
    EXPECT_EQ(plays("ui_hover"), 1);
    moveTo(160, 125);  // still on it: no second hover sound
    EXPECT_EQ(plays("ui_hover"), 1);

    press();
    EXPECT_EQ(s->frame, 2);
    EXPECT_TRUE(owner->reports.empty());
    release();
    ASSERT_EQ(clicks(), 1u);
    EXPECT_EQ(owner->reports[0], (std::array<int, 4>{7, 0, 4, 0}));
    EXPECT_EQ(plays("ui_click"), 1);
    EXPECT_EQ(s->frame, 1);

    moveTo(10, 10);
    EXPECT_EQ(s->frame, 0);
    EXPECT_EQ(b->hovered, 0);
}

TEST_F(UiTest, PressMoveOffReleaseDoesNotClickAndForgetsThePress) {
    Button* b = makeButton();
    PckSprite* s = b->sprite();
    moveTo(150, 120);
    press();
    moveTo(400, 400, true);
    EXPECT_EQ(s->frame, 0);
    release();
    EXPECT_EQ(clicks(), 0u);
    EXPECT_EQ(s->frame, 0);

    // Back on it with the mouse button up: hover, not pressed; a release
    // alone does not click.
    moveTo(150, 120);
    EXPECT_EQ(b->pressed, 0);
    EXPECT_EQ(s->frame, 1);
    release();
    EXPECT_EQ(clicks(), 0u);
    EXPECT_EQ(plays("ui_click"), 0);
}

TEST_F(UiTest, PressMoveOffAndBackWithTheButtonHeldClicksOnce) {
    Button* b = makeButton();
    PckSprite* s = b->sprite();
    moveTo(150, 120);
    press();
    moveTo(400, 400, true);
    moveTo(150, 120, true);
    EXPECT_EQ(s->frame, 2);               // pressed look again
    EXPECT_EQ(plays("ui_hover"), 1);      // the return is not a fresh hover
    release();
    EXPECT_EQ(clicks(), 1u);
    EXPECT_EQ(plays("ui_click"), 1);
}

TEST_F(UiTest, DisabledButtonIsInertUntilReenabled) {
    Button* b = makeButton();
    PckSprite* s = b->sprite();
    b->enabled = 0;
    moveTo(150, 120);
    EXPECT_EQ(s->frame, 0);
    EXPECT_EQ(plays("ui_hover"), 0);
    press();
    EXPECT_EQ(s->frame, 0);
    release();
    EXPECT_EQ(clicks(), 0u);

    b->enabled = 1;
    press();
    EXPECT_EQ(s->frame, 2);
    release();
    EXPECT_EQ(clicks(), 1u);
    EXPECT_EQ(plays("ui_hover"), 0);  // it came under the pointer while pressed

    // Disabling a hovered button drops the hover look at its next event.
    b->enabled = 0;
    moveTo(155, 120);
    moveTo(10, 10);
    EXPECT_EQ(s->frame, 0);
    EXPECT_EQ(b->hovered, 0);
}

TEST_F(UiTest, ButtonHidesPressesFromZonesBelowAndDiesWithItsPicture) {
    // Catches the presses that reach the screen beneath the button.
    struct Catcher : ReportRecorder {
        int onZoneEvent(int event, int) override {
            events.push_back(event);
            return 1;
        }
        std::vector<int> events;
    };
    auto* catcher = new Catcher;
    PckSprite floor;
    floor.setPicture(&buttonPack, 0);
    floor.setPosition(0, 0);
    floor.setScale(8.0f, 15.0f);  // 800 x 600
    floor.attachZone(ZE_LeftDown | ZE_LeftUp, catcher, 0);

    Button* b = makeButton();
    const int sprites = spriteCount();
    moveTo(150, 120);
    press();
    release();
    EXPECT_TRUE(catcher->events.empty());
    EXPECT_EQ(clicks(), 1u);

    b->kill();
    tick();
    EXPECT_EQ(spriteCount(), sprites - 1);
    // Its zone went with it: the press now reaches the zone below.
    press();
    release();
    EXPECT_EQ(catcher->events, (std::vector<int>{ZE_LeftDown, ZE_LeftUp}));
    EXPECT_EQ(clicks(), 1u);
}

// ---- ButtonFlag ----

TEST_F(UiTest, ToggleFlipsOnReleaseInsideAndAnimatesFrameByFrame) {
    PicturePack flagPack;
    fillPack(flagPack, 4, 50, 50);
    auto* t = new ButtonFlag(&flagPack, 0, 3);
    t->setOwner(owner, 2);
    t->setHoverSound("ui_hover");
    t->setClickSound("ui_click");
    PckSprite* s = t->sprite();
    s->setPosition(200, 200);
    tick(5);  // the opening backwards run ends on "off"
    EXPECT_EQ(s->frame, 0);

    // Enter and press change nothing: no hover look, no sound, no flip.
    moveTo(220, 220);
    press();
    EXPECT_EQ(s->frame, 0);
    EXPECT_EQ(plays("ui_hover"), 0);
    release();
    EXPECT_EQ(t->checked, 1);
    ASSERT_EQ(owner->reports.size(), 1u);
    EXPECT_EQ(owner->reports[0], (std::array<int, 4>{2, 0, 0, 0}));
    EXPECT_EQ(plays("ui_click"), 1);
    std::vector<int> frames;
    for (int i = 0; i < 5; ++i) {
        tick();
        frames.push_back(s->frame);
    }
    EXPECT_EQ(frames, (std::vector<int>{0, 1, 2, 3, 3}));

    // Pressed elsewhere, released inside: flips back.
    moveTo(10, 10);
    press();
    moveTo(220, 220, true);
    release();
    EXPECT_EQ(t->checked, 0);
    frames.clear();
    for (int i = 0; i < 4; ++i) {
        tick();
        frames.push_back(s->frame);
    }
    EXPECT_EQ(frames, (std::vector<int>{3, 2, 1, 0}));

    // Pressed inside, released outside: nothing.
    press();
    moveTo(10, 10, true);
    release();
    EXPECT_EQ(t->checked, 0);

    t->enabled = 0;
    moveTo(220, 220);
    press();
    release();
    EXPECT_EQ(t->checked, 0);
    EXPECT_EQ(owner->reports.size(), 2u);
}

// ---- Slider ----

class SliderTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        fillPack(knob, 2, 20, 30);
        fillPack(track, 1, 220, 10);
        fillPack(stepPack, 3, 30, 30);
    }
    Slider* makeSlider(PicturePack* trackPack) {
        auto* sl = new Slider(&knob, trackPack, &stepPack, &stepPack, 100, 300, 10);
        sl->setOwner(owner, 4);
        sl->setClickSound("ui_click");
        sl->setHoverSound("ui_hover");
        tick();
        return sl;
    }
    PckSprite* knobSprite(Slider* sl) { return &sl->knobShow->sprite; }
    PicturePack knob, track, stepPack;
};

TEST_F(SliderTest, LayoutAndValueMapping) {
    Slider* sl = makeSlider(&track);
    EXPECT_EQ(sl->range, 200);
    EXPECT_EQ(sl->trackX, 100);
    EXPECT_EQ(sl->knobY, 285);
    EXPECT_EQ(sl->knobHalfWidth, 10);
    EXPECT_EQ(knobSprite(sl)->layer, 11);
    EXPECT_EQ(sl->trackShow->sprite.layer, 9);
    EXPECT_EQ(sl->trackShow->sprite.y, 295.0f);
    EXPECT_EQ(sl->rightButton->sprite()->x, 310.0f);
    EXPECT_EQ(sl->leftButton->sprite()->x, 80.0f);
    EXPECT_EQ(sl->leftButton->sprite()->y, 285.0f);

    sl->setValue(50);
    EXPECT_EQ(knobSprite(sl)->x, 200.0f);
    EXPECT_EQ(knobSprite(sl)->y, 285.0f);
    sl->setValue(130);
    EXPECT_EQ(sl->value, 100);
    EXPECT_EQ(knobSprite(sl)->x, 300.0f);
    sl->setValue(-4);
    EXPECT_EQ(sl->value, 0);
    EXPECT_EQ(owner->reports.size(), 3u);
    EXPECT_EQ(owner->reports[0], (std::array<int, 4>{4, 0, 0, 0}));

    // Moving the track start and shrinking the travel takes effect at the
    // next setValue.
    sl->adjustTrack(5, 15);
    EXPECT_EQ(knobSprite(sl)->x, 100.0f);
    sl->setValue(50);
    EXPECT_EQ(sl->range, 180);
    EXPECT_EQ(knobSprite(sl)->x, 195.0f);
}

TEST_F(SliderTest, StepButtonsAddAndSubtractTenWithinBounds) {
    Slider* sl = makeSlider(&track);
    sl->setValue(95);
    owner->reports.clear();
    auto clickAt = [](int x, int y) {
        moveTo(x, y);
        press();
        release();
    };
    clickAt(320, 300);  // right step button
    EXPECT_EQ(sl->value, 100);
    clickAt(325, 300);
    EXPECT_EQ(sl->value, 100);
    clickAt(85, 300);  // left step button
    EXPECT_EQ(sl->value, 90);
    EXPECT_EQ(owner->reports.size(), 3u);
}

TEST_F(SliderTest, DragFollowsThePointerAndReleaseOnTheKnobEndsIt) {
    Slider* sl = makeSlider(&track);
    // A press on the bare track does nothing.
    moveTo(250, 300);
    press();
    release();
    EXPECT_EQ(sl->dragging, 0);
    EXPECT_EQ(plays("ui_click"), 0);

    moveTo(110, 300);
    EXPECT_EQ(knobSprite(sl)->frame, 1);
    EXPECT_EQ(plays("ui_hover"), 1);
    press();
    EXPECT_EQ(sl->dragging, 1);
    EXPECT_EQ(plays("ui_click"), 1);
    owner->reports.clear();

    moveTo(160, 300, true);
    tick();
    EXPECT_EQ(sl->value, 25);  // (160 - 10 - 100) * 100 / 200
    EXPECT_EQ(knobSprite(sl)->x, 150.0f);
    tick();  // reported every tick while dragging, changed or not
    EXPECT_EQ(owner->reports.size(), 2u);

    moveTo(400, 300, true);  // beyond the end of the travel
    tick();
    EXPECT_EQ(sl->value, 100);
    EXPECT_EQ(knobSprite(sl)->x, 300.0f);

    moveTo(305, 300, true);  // back onto the knob
    tick();
    owner->reports.clear();
    release();
    EXPECT_EQ(sl->dragging, 0);
    EXPECT_EQ(plays("ui_click"), 2);
    EXPECT_EQ(knobSprite(sl)->frame, 0);
    EXPECT_EQ(owner->reports.size(), 1u);
    tick();
    EXPECT_EQ(owner->reports.size(), 1u);

    // Disabled: the knob cannot be grabbed.
    sl->enabled = 0;
    press();
    EXPECT_EQ(sl->dragging, 0);
    release();
}

TEST_F(SliderTest, DragReleasedOutsideEveryZoneEndsAtTheNextTick) {
    Slider* sl = makeSlider(&track);
    moveTo(110, 300);
    press();
    moveTo(700, 50, true);
    const int frameBefore = knobSprite(sl)->frame;
    release();
    EXPECT_EQ(sl->dragging, 1);  // nothing saw the release yet
    owner->reports.clear();
    tick();
    EXPECT_EQ(sl->dragging, 0);
    EXPECT_EQ(sl->value, 100);
    EXPECT_EQ(knobSprite(sl)->x, 300.0f);
    EXPECT_EQ(owner->reports.size(), 1u);
    EXPECT_EQ(plays("ui_click"), 1);  // the grab only
    EXPECT_EQ(knobSprite(sl)->frame, frameBefore);
    EXPECT_TRUE(sl->knobShow->current == nullptr && sl->knobShow->queue.empty());
    tick();
    EXPECT_EQ(owner->reports.size(), 1u);
}

TEST_F(SliderTest, TrackNoWiderThanTheKnobKeepsTheKnobAtTheStart) {
    for (int width : {20, 12}) {
        PicturePack narrow;
        fillPack(narrow, 1, width, 10);
        Slider* sl = makeSlider(&narrow);
        EXPECT_EQ(sl->range, width - 20);
        sl->setValue(50);
        EXPECT_EQ(sl->value, 50);
        EXPECT_EQ(knobSprite(sl)->x, 100.0f);

        moveTo(110, 300);
        press();
        ASSERT_EQ(sl->dragging, 1);
        moveTo(180, 300, true);
        tick();
        EXPECT_EQ(sl->value, 50);
        EXPECT_EQ(knobSprite(sl)->x, 100.0f);
        moveTo(40, 300, true);
        tick();
        EXPECT_EQ(knobSprite(sl)->x, 100.0f);
        release();
        tick();
        EXPECT_EQ(sl->dragging, 0);
        EXPECT_EQ(sl->value, 50);
        sl->kill();
        tick();
    }
}

TEST_F(SliderTest, KillingTheSliderTakesItsPartsAlong) {
    const int before = spriteCount();
    Slider* sl = makeSlider(&track);
    EXPECT_GT(spriteCount(), before);
    sl->kill();
    tick();
    EXPECT_EQ(spriteCount(), before);
    EXPECT_EQ(liveActors().size(), 1u);  // the owner only
    moveTo(320, 300);
    press();
    release();
    tick();
}

// ---- FlashingSprite ----

TEST_F(UiTest, FlashingSpriteFadesInAndOutForeverAndReportsNothing) {
    auto* f = new FlashingSprite;
    f->setOwner(owner, 1);
    f->show->sprite.setPicture(&buttonPack, 0);
    PckSprite& s = f->show->sprite;
    // A second up, a second down, again and again.
    std::vector<int> alpha;
    for (int i = 0; i < 480; ++i) {
        tick();
        alpha.push_back(s.rs.alpha);
    }
    EXPECT_EQ(alpha[0], 3);
    for (int i = 1; i < 79; ++i) EXPECT_GT(alpha[i], alpha[i - 1]) << i;
    EXPECT_GE(*std::max_element(alpha.begin(), alpha.begin() + 100), 251);
    EXPECT_LT(alpha[140], alpha[100]);
    EXPECT_EQ(std::count(alpha.begin(), alpha.end(), 0), 3);
    EXPECT_GT(alpha[220], alpha[180]);  // the second cycle fades in again
    EXPECT_TRUE(owner->reports.empty());

    const int sprites = spriteCount();
    f->kill();
    tick();
    EXPECT_EQ(spriteCount(), sprites - 1);
    EXPECT_EQ(liveActors().size(), 1u);
}

}  // namespace
