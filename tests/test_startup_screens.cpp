// The logos, the title with its loading bar and gates, the comic and the
// credits, driven tick by tick with input through the real zones.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "anim/commands.h"
#include "frame/app.h"
#include "frame/clock.h"
#include "frame/settings.h"
#include "game_support.h"
#include "gfx/particles.h"
#include "platform/event.h"
#include "res/picture_pack.h"
#include "screens/pictures.h"
#include "screens/startup_screens.h"
#include "sound/sound.h"
#include "sound/sound_backend.h"
#include "ui/buttons.h"

namespace {

// Every sample "loads"; plays and music orders are logged.
class SoundLog : public SoundBackend {
public:
    struct Log {
        std::vector<std::string> played;
        std::vector<std::string> loaded;
        std::vector<int> orders;
    };
    explicit SoundLog(std::shared_ptr<Log> log) : log_(std::move(log)) {}
    bool start() override { return true; }
    void stop() override {}
    SoundHandle loadSample(const std::string& path) override {
        paths_[next_] = path;
        log_->loaded.push_back(path);
        return next_++;
    }
    void freeSample(SoundHandle) override {}
    void playSample(SoundHandle h) override { log_->played.push_back(paths_[h]); }
    SoundHandle loadLoop(const std::string&) override { return 0; }
    void freeLoop(SoundHandle) override {}
    void playLoop(SoundHandle) override {}
    void stopLoop(SoundHandle) override {}
    SoundHandle loadMusic(const std::string&) override { return 1; }
    void freeMusic(SoundHandle) override {}
    void playMusic(SoundHandle) override {}
    void setMusicOrder(SoundHandle, int order) override { log_->orders.push_back(order); }
    void setMusicVolume(int) override {}
    void setEffectsVolume(int) override {}
    void pause() override {}
    void resume() override {}

private:
    std::shared_ptr<Log> log_;
    std::map<SoundHandle, std::string> paths_;
    SoundHandle next_ = 1;
};

// Frames of the sizes the real pictures have; nothing is read from disk.
void sizedLoad(PicturePack& pack, const std::string& name, bool, int frames, int perRow) {
    int w = 52, h = 52;
    if (name.rfind("fon/", 0) == 0 || name == "_mm_bkg" || name.rfind("_logo", 0) == 0) w = 800, h = 600;
    if (name == "title_gate_left") w = 342, h = 450;
    if (name == "load_bar") w = 348, h = 32;
    if (name == "coin") w = 10, h = 12;
    if (name == "black") w = 8, h = 8;
    if (name == "credits_plate") w = 520, h = 420;
    if (name.rfind("menu//Buttons_", 0) == 0) w = 240, h = 56;
    pack.textureName = name;
    for (int i = 0; i < std::max(frames, 1); ++i) pack.addFrame((i % perRow) * w, (i / perRow) * h, w, h);
}

int count(const std::vector<std::string>& paths, const std::string& name) {
    return static_cast<int>(std::count_if(paths.begin(), paths.end(), [&](const std::string& p) {
        return p.find("/" + name + ".") != std::string::npos;
    }));
}

}  // namespace

class StartupTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        resetPicturesForTests();
        setPictureLoadFunction(sizedLoad);
        particleSystem().reset();
        clearEffectCache();
        Sound_ResetForTests();
        Sound_InstallBackend(std::make_unique<SoundLog>(sound));
        Sound_Init();
        engineStart();
        rec = new ReportRecorder;
    }
    void TearDown() override {
        engineStop();
        GameTest::TearDown();
        Sound_ResetForTests();
        particleSystem().reset();
        clearEffectCache();
        setPictureLoadFunction(nullptr);
        resetPicturesForTests();
    }

    // A left click at (x, y) as the window would send it.
    static void clickAt(int x, int y) {
        using namespace platform;
        runEventHooks(pointerMove(x, y));
        runEventHooks(pointerButton(PointerButton::Left, true, x, y, {.left = true}));
        runEventHooks(pointerButton(PointerButton::Left, false, x, y, {}));
        dispatchInput();
    }
    static void pressKey(platform::Key k) {
        runEventHooks(platform::keyEvent(true, k));
        runEventHooks(platform::keyEvent(false, k));
        dispatchInput();
    }

    // Whether the actor still exists and has not been killed; never reads a
    // deleted one.
    static bool alive(const Actor* a) {
        for (const auto* list : {&liveActors(), &newActors()})
            for (Actor* x : *list)
                if (x == a) return x->dead == 0;
        return false;
    }

    std::shared_ptr<SoundLog::Log> sound = std::make_shared<SoundLog::Log>();
    ReportRecorder* rec = nullptr;
};

// ---------------------------------------------------------------- logos

TEST_F(StartupTest, ALogoLastsItsFullTimeWhateverThePlayerDoesAndReportsOnce) {
    auto* logo = new CLogoScreen(pictureByName("_logo1"), 400);
    logo->setOwner(rec, 7);
    EXPECT_EQ(logo->picture.layer, 400);
    EXPECT_EQ(logo->picture.x, 0);
    EXPECT_EQ(logo->picture.rs.alpha, 255);
    for (int i = 0; i < 161; ++i) {
        tick();
        clickAt(400, 300);
        pressKey(platform::Key::Escape);
        pressKey(platform::Key::Space);
    }
    EXPECT_EQ(logo->phase, CLogoScreen::kShowing);
    EXPECT_EQ(logo->picture.rs.alpha, 255);
    tick();  // the 162nd
    EXPECT_EQ(logo->phase, CLogoScreen::kFading);
    EXPECT_EQ(logo->picture.rs.alpha, 255);
    run(20);
    EXPECT_EQ(logo->picture.rs.alpha, 191);  // (1 - 0.25) * 255
    run(19);
    EXPECT_EQ(logo->picture.rs.alpha, 12);  // (1 - (39/40)^2) * 255
    EXPECT_TRUE(rec->reports.empty());
    tick();  // the 40th fading tick
    EXPECT_EQ(logo->picture.rs.alpha, 0);
    EXPECT_EQ(logo->phase, CLogoScreen::kDone);
    EXPECT_TRUE(rec->reports.empty());
    tick();  // 162 + 40 + 1
    ASSERT_EQ(rec->reports.size(), 1u);
    EXPECT_EQ(rec->reports[0], (std::array<int, 4>{7, 0, 0, 0}));
    EXPECT_FALSE(alive(logo));
    run(3);
    EXPECT_EQ(rec->reports.size(), 1u);
}

// ---------------------------------------------------------------- title

class TitleTest : public StartupTest {
protected:
    TitleScreenv2* makeTitle() {
        auto* t = new TitleScreenv2;
        t->setOwner(rec, 3);
        return t;
    }
    // Runs the title up to the moment "clickhere" shows.
    TitleScreenv2* openedTitle() {
        TitleScreenv2* t = makeTitle();
        EXPECT_TRUE(runUntil([&] { return t->phase == TitleScreenv2::kWaiting; }, 400));
        return t;
    }
};

TEST_F(TitleTest, PicturesFadeInThenOneLoadingStepAndCoinPerTickThenTheGatesOpen) {
    TitleScreenv2* t = makeTitle();
    const PckSprite& bar = t->loadBar->sprite;
    const float barLeft = bar.x, barTop = bar.y;
    const float barRight = bar.x + static_cast<float>(bar.width()), barBottom = bar.y + static_cast<float>(bar.height());
    ASSERT_GT(barRight, barLeft);
    run(20);
    for (SlideShow* s : {t->back, t->leftGate, t->rightGate, t->front, t->loadBar}) {
        EXPECT_EQ(s->sprite.rs.alpha, 127);
    }
    run(19);
    EXPECT_EQ(t->phase, TitleScreenv2::kFadingIn);
    tick();
    EXPECT_EQ(t->phase, TitleScreenv2::kLoading);
    EXPECT_EQ(t->loadBar->sprite.rs.alpha, 255);

    // New packs per loading tick: the coin itself comes first; the title's
    // own pictures are not loaded twice.
    const std::map<int, int> created = {{0, 7},   {5, 5},   {10, 14}, {15, 5}, {20, 5},
                                        {25, 33}, {28, 20}, {30, 27}, {34, 27}};
    std::vector<float> coinX;
    size_t mostSoundsInAStep = 0;
    for (int step = 0; step <= 34; ++step) {
        const int before = picturesCreated();
        const size_t soundsBefore = sound->loaded.size();
        tick();
        mostSoundsInAStep = std::max(mostSoundsInAStep, sound->loaded.size() - soundsBefore);
        if (created.count(step)) {
            EXPECT_EQ(sound->loaded.size(), soundsBefore) << "step " << step;
        }
        const auto it = created.find(step);
        EXPECT_EQ(picturesCreated() - before, it == created.end() ? 0 : it->second) << "step " << step;
        if (step < 34) {
            const PckSprite& coin = t->coins[static_cast<size_t>(step)]->sprite;
            EXPECT_EQ(coin.pack, pictureByName("coin")) << step;
            // Coins fill the loading bar from its left end, each inside it.
            EXPECT_GE(coin.x, barLeft) << step;
            EXPECT_LE(coin.x + static_cast<float>(coin.width()), barRight) << step;
            EXPECT_GE(coin.y, barTop) << step;
            EXPECT_LE(coin.y + static_cast<float>(coin.height()), barBottom) << step;
            EXPECT_EQ(coin.y, t->coins[0]->sprite.y) << step;
            coinX.push_back(coin.x);
            EXPECT_EQ(t->coins[static_cast<size_t>(step) + 1]->sprite.pack, nullptr);
            EXPECT_EQ(t->phase, TitleScreenv2::kLoading);
        }
    }
    ASSERT_GE(coinX.size(), 2u);
    EXPECT_GT(coinX[1], coinX[0]);
    for (size_t i = 1; i < coinX.size(); ++i) EXPECT_EQ(coinX[i] - coinX[i - 1], coinX[1] - coinX[0]) << "evenly";
    EXPECT_FALSE(effectCache().empty());  // the last step reads the effects
    // Every sound effect is decoded during the loading, a few in each step
    // that loads no pictures, and none waits for its first play in a game.
    std::vector<std::string> effects;
    findFiles(effects, Sound_Path(), ".ogg");
    ASSERT_GT(effects.size(), 35u);
    for (const std::string& path : effects) {
        std::string folder, name, ext;
        splitPath(path, folder, name, ext);
        EXPECT_EQ(count(sound->loaded, name), 1) << name;
    }
    EXPECT_LE(mostSoundsInAStep, (effects.size() + 25) / 26);
    EXPECT_EQ(t->phase, TitleScreenv2::kOpening);
    EXPECT_EQ(t->loadBar->sprite.pack, nullptr);
    for (SlideShow* c : t->coins) EXPECT_EQ(c->sprite.pack, nullptr);
    EXPECT_EQ(count(sound->played, "doors_open"), 1);

    run(79);
    EXPECT_EQ(t->phase, TitleScreenv2::kOpening);
    EXPECT_EQ(t->clickButton, nullptr);
    EXPECT_GT(t->leftGate->sprite.x, -342);
    tick();  // the gates' 80th tick
    ASSERT_EQ(t->phase, TitleScreenv2::kWaiting);
    ASSERT_NE(t->clickButton, nullptr);
    EXPECT_EQ(t->clickButton->pack, buttonPicture(btn::clickhere));
    // It takes the loading bar's place, over the gates and the front picture.
    EXPECT_EQ(t->clickButton->sprite()->x, barLeft);
    EXPECT_EQ(t->clickButton->sprite()->y, barTop);
    EXPECT_GT(t->clickButton->sprite()->layer, t->front->sprite.layer);
    EXPECT_GT(t->clickButton->sprite()->layer, t->leftGate->sprite.layer);
    EXPECT_EQ(t->clickButton->ownerId, TitleScreenv2::kButtonId);
    EXPECT_EQ(t->leftGate->sprite.x, -342);
    EXPECT_EQ(t->rightGate->sprite.x, 800);
    for (SlideShow* s : {t->leftGate, t->rightGate, t->front}) EXPECT_EQ(s->sprite.pack, nullptr);
    EXPECT_EQ(t->back->sprite.pack, backPicture(11));
    EXPECT_TRUE(rec->reports.empty());
    EXPECT_EQ(count(sound->played, "doors_open"), 1);
}

TEST_F(TitleTest, NothingLeavesTheTitleBeforeTheGatesHaveOpened) {
    TitleScreenv2* t = makeTitle();
    // The button comes where the loading bar is.
    const PckSprite& bar = t->loadBar->sprite;
    const int buttonX = static_cast<int>(bar.x) + bar.width() / 2, buttonY = static_cast<int>(bar.y) + bar.height() / 2;
    for (int i = 0; i < 400; ++i) {
        tick();
        const int phase = t->phase;
        if (phase == TitleScreenv2::kWaiting) break;
        clickAt(400, 300);
        clickAt(buttonX, buttonY);
        t->skip();
        EXPECT_EQ(t->phase, phase);
    }
    EXPECT_EQ(t->phase, TitleScreenv2::kWaiting);
    EXPECT_TRUE(rec->reports.empty());
    EXPECT_EQ(count(sound->played, "button_click"), 0);
}

TEST_F(TitleTest, AKeyOnceClickHereShowsLeavesLikeAClickWithOneReportAtOnce) {
    TitleScreenv2* t = openedTitle();
    Button* button = t->clickButton;
    ASSERT_NE(button, nullptr);
    t->skip();
    ASSERT_EQ(rec->reports.size(), 1u);
    EXPECT_EQ(rec->reports[0], (std::array<int, 4>{3, 0, 0, 0}));
    EXPECT_EQ(t->phase, TitleScreenv2::kLeaving);
    EXPECT_TRUE(button->dead);
    EXPECT_EQ(t->clickButton, nullptr);
    EXPECT_EQ(count(sound->played, "button_click"), 1);
    // The effect flares in the middle of the screen.
    EXPECT_FALSE(t->effect->sprite.effects.empty());
    EXPECT_EQ(t->effect->sprite.x, 400);
    EXPECT_EQ(t->effect->sprite.y, 300);
    // Clicks now fall through the fading picture to the screen below.
    ASSERT_NE(t->back->sprite.zone.zone, nullptr);
    EXPECT_EQ(t->back->sprite.zone.zone->flags & 0x7FF, 511);

    // Later keys and clicks change nothing; the picture fades for 80 ticks.
    t->skip();
    clickAt(400, 300);
    run(40);
    EXPECT_EQ(t->back->sprite.rs.alpha, 127);
    run(39);
    EXPECT_TRUE(alive(t));
    EXPECT_EQ(t->back->sprite.rs.alpha, 3);
    tick();
    EXPECT_FALSE(alive(t));
    EXPECT_EQ(rec->reports.size(), 1u);
    EXPECT_EQ(count(sound->played, "button_click"), 1);
    run(2);
}

TEST_F(TitleTest, AClickOnThePictureOrOnTheButtonLeavesOnce) {
    TitleScreenv2* t = openedTitle();
    clickAt(400, 200);  // the picture
    EXPECT_EQ(t->phase, TitleScreenv2::kLeaving);
    EXPECT_EQ(rec->reports.size(), 1u);
    run(90);
    EXPECT_FALSE(alive(t));

    auto* second = new ReportRecorder;
    t = openedTitle();
    t->setOwner(second, 3);
    const PckSprite* b = t->clickButton->sprite();
    clickAt(static_cast<int>(b->x) + 120, static_cast<int>(b->y) + 28);
    EXPECT_EQ(t->phase, TitleScreenv2::kLeaving);
    ASSERT_EQ(second->reports.size(), 1u);  // the button hid the click from the picture
    // The button's own click sound and the title's.
    EXPECT_EQ(count(sound->played, "button_click"), 3);
}

// ---------------------------------------------------------------- comic

TEST_F(StartupTest, TheComicFadesInFromHalfAndOkWorksEvenWhileItFadesIn) {
    auto* comic = new CComixScreen(100);
    comic->setOwner(rec, 12);
    EXPECT_EQ(Sound_MusicOrder(), getIniInt("Sound", "story1", 0));
    ASSERT_FALSE(sound->orders.empty());
    EXPECT_EQ(sound->orders.back(), 6);
    PckSprite* ok = comic->okButton->sprite();
    EXPECT_EQ(ok->x, 400 - 120);
    EXPECT_EQ(ok->y, 520);
    EXPECT_EQ(ok->rs.alpha, 0);
    EXPECT_TRUE(comic->torches.burning());
    tick();
    EXPECT_EQ(comic->page.rs.alpha, 131);
    EXPECT_EQ(ok->rs.alpha, 131);
    run(38);
    EXPECT_EQ(comic->page.rs.alpha, 252);
    EXPECT_EQ(comic->phase, CComixScreen::kFadingIn);
    tick();
    EXPECT_EQ(comic->page.rs.alpha, 255);
    EXPECT_EQ(comic->phase, CComixScreen::kShown);
    run(200);
    EXPECT_TRUE(rec->reports.empty());  // the page waits for OK

    // A second comic, dismissed at its third tick.
    auto* early = new ReportRecorder;
    comic->kill();
    run(1);
    comic = new CComixScreen(100);
    comic->setOwner(early, 12);
    ok = comic->okButton->sprite();
    run(3);
    EXPECT_EQ(comic->page.rs.alpha, 137);
    const int okX = static_cast<int>(ok->x) + ok->width() / 2, okY = static_cast<int>(ok->y) + ok->height() / 2;
    clickAt(okX, okY);
    EXPECT_EQ(comic->phase, CComixScreen::kFadingOut);
    EXPECT_FALSE(comic->torches.burning());
    EXPECT_EQ(count(sound->played, "button_click"), 1);
    tick();
    EXPECT_EQ(comic->page.rs.alpha, 127);
    EXPECT_EQ(ok->rs.alpha, 127);
    clickAt(okX, okY);  // a second OK changes nothing
    run(12);
    EXPECT_EQ(comic->page.rs.alpha, 7);
    EXPECT_TRUE(early->reports.empty());
    tick();
    ASSERT_EQ(early->reports.size(), 1u);
    EXPECT_EQ(early->reports[0], (std::array<int, 4>{12, 0, 0, 0}));
    EXPECT_FALSE(alive(comic));
    run(3);
    EXPECT_EQ(early->reports.size(), 1u);
}

TEST_F(StartupTest, TheComicLeavesNoParticlesBehind) {
    loadAllEffects();
    auto* comic = new CComixScreen(100);
    comic->setOwner(rec, 12);
    for (int i = 0; i < 60; ++i) {
        tick();
        particleSystem().setFrameTime(1.0f / 80.0f);
        particleSystem().advance();
    }
    ASSERT_GT(particleSystem().liveCount(), 0);  // the torches burn
    comic->onNotify(CComixScreen::kOkId, 0, 4, 0);
    run(30);
    EXPECT_FALSE(alive(comic));
    EXPECT_EQ(rec->reports.size(), 1u);
    EXPECT_EQ(particleSystem().liveCount(), 0);
}

// ---------------------------------------------------------------- credits

TEST_F(StartupTest, TheCreditsIgnoreClicksUntilFullyShownThenFadeOutAndReportOnce) {
    auto* credits = new CreditsScreen(pictureByName("_mm_bkg"), pictureByName("credits_plate"), 400);
    credits->setOwner(rec, 5);
    EXPECT_EQ(credits->plate.x, 400 - 260);
    EXPECT_EQ(credits->plate.y, 300 - 210);
    EXPECT_EQ(credits->plate.rs.alpha, 0);
    EXPECT_TRUE(credits->torches.burning());
    tick();
    EXPECT_EQ(credits->plate.rs.alpha, 130);
    for (int i = 2; i < 50; ++i) {
        clickAt(400, 300);  // the plate
        clickAt(20, 20);    // the backdrop
        tick();
    }
    EXPECT_EQ(credits->plate.rs.alpha, 253);
    EXPECT_EQ(credits->phase, CreditsScreen::kFadingIn);
    tick();
    EXPECT_EQ(credits->plate.rs.alpha, 255);
    EXPECT_EQ(credits->phase, CreditsScreen::kShown);
    run(100);
    EXPECT_EQ(credits->phase, CreditsScreen::kShown);
    clickAt(20, 580);  // the backdrop counts too
    EXPECT_EQ(credits->phase, CreditsScreen::kFadingOut);
    tick();
    EXPECT_EQ(credits->plate.rs.alpha, 245);
    clickAt(400, 300);
    run(24);
    EXPECT_EQ(credits->plate.rs.alpha, 5);
    EXPECT_EQ(credits->backdrop.rs.alpha, 255);
    EXPECT_TRUE(rec->reports.empty());
    tick();
    ASSERT_EQ(rec->reports.size(), 1u);
    EXPECT_EQ(rec->reports[0], (std::array<int, 4>{5, 0, 0, 0}));
    EXPECT_FALSE(alive(credits));
    run(3);
    EXPECT_EQ(rec->reports.size(), 1u);
}
