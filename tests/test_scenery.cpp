// The scenery around the field and the magnet's pictures: where the gate
// halves, guns and rewards land, what each animation reports to the game and
// how often, and the bounds of the magnet's flares and flicker.
#include <array>
#include <cmath>
#include <map>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "frame/random.h"
#include "game/game_pictures.h"
#include "game/game_sound.h"
#include "game/level.h"
#include "game/magnet.h"
#include "game/scenery.h"
#include "gfx/testing/recording_device.h"
#include "gfx/gfx.h"
#include "gfx/particles.h"
#include "gfx/texture_bank.h"
#include "res/picture_pack.h"
#include "test_support.h"

namespace {

// Blank pictures whose sizes tell the tests which one was picked.
std::map<std::string, std::unique_ptr<PicturePack>> g_packs;
std::vector<std::string> g_sounds;

void sizeOf(const std::string& name, int& w, int& h) {
    w = 800, h = 600;
    if (name.rfind("gate/gate_", 0) == 0) {
        w = 100 + 10 * std::stoi(name.substr(10, 2)), h = 540;  // gate_03_l is 130 wide
    } else if (name.rfind("gate/spawngun_", 0) == 0) {
        w = 65, h = 47;
    } else if (name.rfind("lock//lock_", 0) == 0) {
        w = 166, h = 150;
    } else if (name == "flare") {
        w = h = 512;
    } else if (name == "last_gate_left" || name == "last_gate_right") {
        w = 170, h = 283;
    } else if (name.find("_gold") != std::string::npos) {
        w = 40, h = 30;
    } else if (name.rfind("bonusplates", 0) == 0) {
        w = 34, h = 38;
    }
}

PicturePack* testPack(const std::string& name) {
    auto& slot = g_packs[name];
    if (!slot) {
        slot = std::make_unique<PicturePack>();
        int w = 0, h = 0;
        sizeOf(name, w, h);
        slot->createBlankIn("test", name, w, h);
    }
    return slot.get();
}

std::string pictureOf(const PckSprite& s) {
    for (const auto& [name, pack] : g_packs)
        if (pack.get() == s.pack) return name;
    return "";
}

struct Reports : Actor {
    int onNotify(int id, int msg, int a, int b) override {
        got.push_back({id, msg, a, b});
        return 1;
    }
    std::vector<std::array<int, 4>> got;
};

class SceneryTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        auto d = std::make_unique<RecordingDevice>();
        dev = d.get();
        Gfx_InstallDevice(std::move(d));
        ASSERT_TRUE(Gfx_InitDevice());
        loadAllEffectsFrom(std::string(VM_TEST_DATA_DIR) + "/fx/");
        ASSERT_FALSE(effectCache().empty());
        setGamePackLoader(testPack);
        g_sounds.clear();
        setGameSoundSpy([](const std::string& n) { g_sounds.push_back(n); });
        resetLevelParams();
        parseSpawnGunTable("72 728 100 80 720 110 72 728 100 72 728 100 72 728 100 72 728 100 72 728 100 "
                           "90 710 120 72 728 100 72 728 100 72 728 100 72 728 100");
        vmSeed(7);
        reports = new Reports;
        scenery = std::make_unique<LevelScenery>(reports, 42);
    }
    void TearDown() override {
        scenery.reset();
        if (magnet) {
            mergeNewActors();
            magnet->kill();
            purgeDeadActors();
            magnet = nullptr;
        }
        EngineTest::TearDown();
        setGameSoundSpy(nullptr);
        setGamePackLoader(nullptr);
        g_packs.clear();
        resetLevelParams();
        particleSystem().reset();
        clearEffectCache();
        Gfx_Shutdown();
        textureBank().clear();
    }
    static void tick(int n = 1) {
        for (int i = 0; i < n; ++i) {
            mergeNewActors();
            updateActors();
            mergeNewActors();
            purgeDeadActors();
            advanceTickCount();
        }
    }
    Magnet* makeMagnet() {
        magnet = new Magnet;
        magnet->setOwner(reports, 7);
        magnet->meterSwitch = [this](bool on) { meter.push_back(on); };
        return magnet;
    }
    size_t reportCount() const { return reports->got.size(); }

    RecordingDevice* dev = nullptr;
    Reports* reports = nullptr;
    std::unique_ptr<LevelScenery> scenery;
    Magnet* magnet = nullptr;
    std::vector<bool> meter;
};

// The quad a sprite draws through the renderer: its four corners.
std::vector<Vertex> drawnQuad(RecordingDevice* dev, Sprite& s) {
    dev->draws.clear();
    Gfx_SetSink(nullptr);
    EXPECT_TRUE(Gfx_BeginScene());
    s.draw(Rect{0, 0, 800, 600});
    Gfx_EndScene();
    for (const auto& d : dev->draws)
        if (d.call == RecordingDevice::Call::Batch && d.vertices.size() >= 4)
            return {d.vertices.begin(), d.vertices.begin() + 4};
    return {};
}

}  // namespace

TEST_F(SceneryTest, GateHalvesMeetAtTheCentreAndTheRightOneIsMirroredInPlace) {
    scenery->setup(2, 0);
    EXPECT_EQ(pictureOf(scenery->gateLeft->sprite), "gate/gate_03_l");
    const int centre = kScreenWidth / 2;
    const int gw = scenery->gateWidth;
    ASSERT_GT(gw, 0);
    EXPECT_EQ(gw, scenery->gateLeft->sprite.width()) << "a half is as wide as its picture";
    EXPECT_EQ(scenery->gateLeft->sprite.x, centre - gw);
    EXPECT_EQ(scenery->gateRight->sprite.x, centre);
    EXPECT_EQ(scenery->gateRight->sprite.y, scenery->gateLeft->sprite.y);
    EXPECT_GT(scenery->gateLeft->sprite.layer, scenery->background->sprite.layer);

    const auto left = drawnQuad(dev, scenery->gateLeft->sprite);
    const auto right = drawnQuad(dev, scenery->gateRight->sprite);
    ASSERT_EQ(left.size(), 4u);
    ASSERT_EQ(right.size(), 4u);
    // The left half covers its width up to the centre; its mirror the same
    // width after it, the picture's left edge (u 0) drawn at the far right.
    EXPECT_FLOAT_EQ(std::min(left[0].x, left[1].x), centre - gw);
    EXPECT_FLOAT_EQ(std::max(left[0].x, left[1].x), centre);
    EXPECT_FLOAT_EQ(std::min(right[0].x, right[1].x), centre);
    EXPECT_FLOAT_EQ(std::max(right[0].x, right[1].x), centre + gw);
    EXPECT_FLOAT_EQ(right[0].x, centre + gw);
    EXPECT_LT(right[0].u, right[1].u);
    EXPECT_FLOAT_EQ(right[0].y, left[0].y);

    // Out-of-range level values are clamped.
    scenery->setup(40, -3);
    EXPECT_EQ(scenery->door, 15);
    EXPECT_EQ(scenery->back, 0);
    EXPECT_EQ(pictureOf(scenery->gateLeft->sprite), "gate/gate_16_l");
    EXPECT_EQ(pictureOf(scenery->background->sprite), "fon/first_back");
}

TEST_F(SceneryTest, OpenGateSlidesEverythingOutAndTheNextSetupPutsItBack) {
    mutableLevelParams().BallsSpawnMiss = 10;
    mutableLevelParams().SpawnGunNo = 2;
    scenery->setup(0, 1);
    // Guns from row 1 of the table, integer halves of a 65 x 47 picture.
    EXPECT_EQ(pictureOf(scenery->spawnGunLeft->sprite), "gate/spawngun_03_l");
    EXPECT_EQ(scenery->spawnGunLeft->sprite.x, 80 - 32);
    EXPECT_EQ(scenery->spawnGunLeft->sprite.y, 110 - 23);
    EXPECT_EQ(scenery->spawnGunRight->sprite.x, 720 - 32);
    EXPECT_EQ(scenery->spawnGunRight->sprite.rs.scaleX, -1.0f);
    EXPECT_EQ(scenery->mask->sprite.rs.alpha, 192);

    scenery->openGate();
    EXPECT_EQ(g_sounds, std::vector<std::string>{"doors_open"});
    tick(50);
    EXPECT_EQ(scenery->spawnGunLeft->sprite.x, 80 - 97);
    EXPECT_EQ(scenery->spawnGunLeft->sprite.y, 110 - 70);
    EXPECT_EQ(scenery->spawnGunRight->sprite.x, 720 + 32);
    EXPECT_EQ(scenery->spawnGunRight->sprite.y, 110 - 70);
    tick(50);
    // Open, both halves are off the screen.
    EXPECT_EQ(scenery->gateLeft->sprite.x, -scenery->gateWidth);
    EXPECT_EQ(scenery->gateRight->sprite.x, kScreenWidth);
    EXPECT_EQ(scenery->mask->sprite.rs.alpha, 0);
    EXPECT_TRUE(reports->got.empty()) << "opening the gate reports nothing";

    scenery->setup(0, 1);
    EXPECT_EQ(scenery->gateLeft->sprite.x, kScreenWidth / 2 - scenery->gateWidth);
    EXPECT_EQ(scenery->gateRight->sprite.x, kScreenWidth / 2);
    EXPECT_EQ(scenery->mask->sprite.rs.alpha, 192);
    EXPECT_EQ(scenery->spawnGunLeft->sprite.x, 80 - 32);

    // No spawning: no guns at all.
    mutableLevelParams().BallsSpawnMiss = 0;
    scenery->setup(0, 1);
    EXPECT_EQ(scenery->spawnGunLeft->sprite.pack, nullptr);
    EXPECT_EQ(scenery->spawnGunRight->sprite.pack, nullptr);
}

TEST_F(SceneryTest, TheLastBackgroundAddsItsGreatGateWhichOpensOutwards) {
    scenery->setup(0, 7);
    EXPECT_EQ(pictureOf(scenery->lastGateLeft->sprite), "last_gate_left");
    EXPECT_EQ(scenery->lastGateRight->sprite.x, 397);
    EXPECT_EQ(scenery->lastLandscape->sprite.layer, 98);
    EXPECT_EQ(scenery->lastLandscape->sprite.x, 245);
    scenery->openDoors();
    tick(100);
    EXPECT_EQ(scenery->lastGateLeft->sprite.x, 227 - 170);
    EXPECT_EQ(scenery->lastGateRight->sprite.x, 397 + 170);
    scenery->setup(0, 3);
    EXPECT_EQ(scenery->lastGateLeft->sprite.pack, nullptr);
    EXPECT_EQ(scenery->lastLandscape->sprite.pack, nullptr);
}

TEST_F(SceneryTest, RevealGoldOnABackgroundWithoutGoldRevealsNothing) {
    scenery->setup(0, 11);
    EXPECT_EQ(scenery->revealGold(), -1);
    scenery->revealAllGold();
    for (int i = 0; i < kMaxGold; ++i) EXPECT_EQ(scenery->gold[i]->sprite.pack, nullptr);
    EXPECT_TRUE(scenery->effect->sprite.effects.empty()) << "no rain without a reward";
    scenery->hideGold(-1);  // what the between-level state passes on
    scenery->hideAllGold();
    tick(70);
    EXPECT_TRUE(reports->got.empty());

    scenery->setup(0, 9);
    for (int k = 0; k < 5; ++k) EXPECT_EQ(scenery->revealGold(), 0);
}

TEST_F(SceneryTest, EveryGoldPictureHasAPlaceOnScreenAndNoPlaceLacksAPicture) {
    for (int b = 0; b < kBackgrounds; ++b) {
        const int count = goldCount(b);
        ASSERT_GE(count, 0) << b;
        ASSERT_LE(count, kMaxGold) << b;
        for (int k = 0; k < kMaxGold; ++k) {
            const GoldPlace p = kGoldPlaces[b][k];
            if (k < count) {
                EXPECT_TRUE(p.x > 0 && p.x < 800 && p.y > 0 && p.y < 600) << b << "/" << k;
            } else {
                EXPECT_TRUE(p.x == 0 && p.y == 0) << "background " << b << " places gold " << k << " it has no picture for";
            }
        }
        // Every picture the reward can show, named after its background, at its place.
        scenery->setup(0, b);
        scenery->revealAllGold();
        int shown = 0;
        for (int k = 0; k < kMaxGold; ++k) {
            const PckSprite& g = scenery->gold[k]->sprite;
            if (!g.pack) continue;
            ++shown;
            EXPECT_EQ(pictureOf(g), std::string("fon/") + kBackgroundNames[b] + "_gold0" + std::to_string(k + 1));
            EXPECT_EQ(g.x, kGoldPlaces[b][k].x) << b << "/" << k;
            EXPECT_EQ(g.y, kGoldPlaces[b][k].y) << b << "/" << k;
        }
        EXPECT_EQ(shown, count) << b;
        scenery->hideAllGold();
        tick(70);
    }
}

TEST_F(SceneryTest, RevealedGoldShowsWithTorchesExplosionAndRainAndFadesAway) {
    scenery->setup(0, 0);
    const int i = scenery->revealGold();
    ASSERT_GE(i, 0);
    ASSERT_LT(i, 5);
    int shown = 0;
    for (int k = 0; k < kMaxGold; ++k) shown += scenery->gold[k]->sprite.pack != nullptr;
    EXPECT_EQ(shown, 1);
    const PckSprite& g = scenery->gold[i]->sprite;
    int x = 0, y = 0;
    goldPosition(0, i, x, y);
    EXPECT_EQ(pictureOf(g), "fon/first_gold0" + std::to_string(i + 1));
    EXPECT_EQ(g.x, x);
    EXPECT_EQ(g.y, y);
    EXPECT_GT(g.layer, scenery->background->sprite.layer) << "the gold shows on the background";
    EXPECT_EQ(g.rs.alpha, 255);
    ASSERT_FALSE(scenery->goldEffect[i]->sprite.effects.empty());
    EXPECT_EQ(scenery->goldEffect[i]->sprite.effects[0]->x, x + 20);
    EXPECT_EQ(scenery->goldEffect[i]->sprite.effects[0]->y, y + 15);
    ASSERT_FALSE(scenery->torches[0]->sprite.effects.empty());
    EXPECT_EQ(scenery->torches[0]->sprite.effects[0]->x, 237);
    EXPECT_EQ(scenery->torches[1]->sprite.effects[0]->x, 563);
    ASSERT_FALSE(scenery->effect->sprite.effects.empty());
    EXPECT_TRUE(scenery->effect->sprite.effects[0]->emitting);

    scenery->hideGold(i);
    EXPECT_FALSE(scenery->torches[0]->sprite.effects[0]->emitting);
    EXPECT_FALSE(scenery->effect->sprite.effects[0]->emitting);
    EXPECT_FALSE(scenery->goldEffect[i]->sprite.effects[0]->emitting);
    tick(30);
    EXPECT_GT(g.rs.alpha, 0);
    EXPECT_LT(g.rs.alpha, 255);
    tick(32);
    EXPECT_EQ(g.pack, nullptr);

    // All of them: the last background has two, whatever its table lists.
    scenery->setup(0, 7);
    scenery->revealAllGold();
    EXPECT_NE(scenery->gold[0]->sprite.pack, nullptr);
    EXPECT_NE(scenery->gold[1]->sprite.pack, nullptr);
    EXPECT_EQ(scenery->gold[2]->sprite.pack, nullptr);
    EXPECT_TRUE(scenery->torches[0]->sprite.effects.empty()) << "background 7 has no torches";
    // A new level starts without the old rewards.
    scenery->setup(0, 2);
    EXPECT_EQ(scenery->gold[0]->sprite.pack, nullptr);
    EXPECT_TRUE(scenery->effect->sprite.effects.empty());
}

TEST_F(SceneryTest, LossAnimationsAndTheComicReportOnceEach) {
    scenery->setup(0, 0);
    scenery->rockFall();
    EXPECT_FALSE(scenery->effect->sprite.effects.empty());
    tick(4);
    EXPECT_EQ(reportCount(), 0u);
    tick(2);
    ASSERT_EQ(reportCount(), 1u);
    EXPECT_EQ(reports->got[0], (std::array<int, 4>{42, 0, 1, 0}));

    scenery->wallDown();
    const PckSprite& w = scenery->wall->sprite;
    EXPECT_EQ(w.y, -800);
    EXPECT_GT(w.layer, scenery->gold[0]->sprite.layer) << "the wall comes down over the gold";
    tick(79);
    EXPECT_EQ(reportCount(), 1u);
    tick(2);
    EXPECT_EQ(reportCount(), 2u);
    EXPECT_EQ(w.y, 0);
    EXPECT_EQ(w.rs.alpha, 255);

    scenery->wallUp();
    tick(25);
    EXPECT_EQ(reportCount(), 3u);
    EXPECT_EQ(w.y, -800);
    EXPECT_EQ(w.rs.alpha, 0);

    scenery->showComic();
    EXPECT_EQ(pictureOf(scenery->comic->sprite), "fon//comix_1");
    EXPECT_GT(scenery->comic->sprite.layer, w.layer) << "the comic shows over the wall";
    tick(100);
    EXPECT_EQ(reportCount(), 4u);
    EXPECT_EQ(scenery->comic->sprite.rs.alpha, 255);
    EXPECT_EQ(g_sounds, (std::vector<std::string>{"rock_fall", "wall_down", "wall_up"}));
}

TEST_F(SceneryTest, BonusPlateSlidesInFlashesAndIsParkedAgain) {
    mutableLevelParams().LvlBonus = 3;
    scenery->setup(0, 0);
    EXPECT_EQ(scenery->plateFrame->sprite.y, -20);
    scenery->hideBonusPlate();  // not shown: stays parked
    tick(21);
    EXPECT_EQ(scenery->plateFrame->sprite.y, -20);
    scenery->showBonusPlate();
    EXPECT_EQ(scenery->plateShown, 1);
    EXPECT_EQ(pictureOf(scenery->plate->sprite), "bonusplates//bonus_plate_3");
    EXPECT_EQ(pictureOf(scenery->plateGlow->sprite), "bonusplates//bonus_plate_glow_3");
    // The play state asks every tick; the plate still arrives on time.
    for (int t = 0; t < 21; ++t) {
        scenery->showBonusPlate();
        tick();
    }
    EXPECT_EQ(scenery->plate->sprite.y, 50);
    EXPECT_EQ(scenery->plateFrame->sprite.y, 41);
    int lowest = 255;
    for (int t = 0; t < 200; ++t) {
        tick();
        lowest = std::min(lowest, scenery->plateGlow->sprite.rs.alpha);
    }
    EXPECT_LT(lowest, 128) << "the glow keeps flashing";
    for (int t = 0; t < 21; ++t) {
        scenery->hideBonusPlate();
        tick();
    }
    EXPECT_EQ(scenery->plateShown, 0);
    EXPECT_EQ(scenery->plate->sprite.y, -11);
    EXPECT_EQ(scenery->plateGlow->sprite.y, -11);
    EXPECT_EQ(scenery->plateFrame->sprite.y, -20);
    tick(100);
    EXPECT_EQ(scenery->plateGlow->sprite.rs.alpha, 255);
    scenery->showBonusPlate();
    scenery->setup(0, 0);
    EXPECT_EQ(scenery->plateShown, 0);
    EXPECT_EQ(scenery->plateFrame->sprite.y, -20);
}

TEST_F(SceneryTest, SideArrowsKeepOneSideAndDieWithTheScenery) {
    EXPECT_EQ(LevelScenery::sideArrowSide(120), 0);
    EXPECT_EQ(LevelScenery::sideArrowSide(520), 1);
    auto* a = new Actor;
    auto* b = new Actor;
    scenery->setSideArrow(0, a);
    scenery->setSideArrow(0, a);
    EXPECT_EQ(a->dead, 0);
    scenery->setSideArrow(1, b);
    EXPECT_EQ(a->dead, 1);
    EXPECT_EQ(scenery->sideArrow(1), b);
    scenery.reset();
    EXPECT_EQ(b->dead, 1);
}

TEST_F(SceneryTest, MagnetAppearsCentredAndReportsOnce) {
    makeMagnet()->setMagnet(23);
    EXPECT_EQ(pictureOf(magnet->locks[0]->sprite), "lock//lock_23");
    EXPECT_EQ(magnet->width, 166);
    EXPECT_EQ(magnet->height, 150);
    for (SlideShow* lock : magnet->locks) {
        EXPECT_EQ(lock->sprite.x, Magnet::kCentreX - magnet->width / 2);
        EXPECT_EQ(lock->sprite.y, Magnet::kCentreY - magnet->height / 2);
        EXPECT_FLOAT_EQ(lock->sprite.rs.hotX, static_cast<float>(magnet->width / 2));
        EXPECT_EQ(lock->sprite.layer, Magnet::kLockLayer);
    }
    // The flares keep their centre on the magnet's even while scaled.
    const PckSprite& f = magnet->flareShows[0]->sprite;
    EXPECT_EQ(f.pack, nullptr);
    EXPECT_FLOAT_EQ(f.rs.hotX, 256);
    EXPECT_FLOAT_EQ(f.rs.scaleX, 0.1f);
    EXPECT_FALSE(magnet->effect->sprite.effects.empty());
    EXPECT_TRUE(magnet->effect->sprite.effects[0]->emitting);
    tick(19);
    EXPECT_EQ(reportCount(), 0u);
    tick(2);
    ASSERT_EQ(reportCount(), 1u);
    EXPECT_EQ(reports->got[0], (std::array<int, 4>{7, 0, 1, 0}));
    EXPECT_EQ(magnet->locks[0]->sprite.rs.alpha, 255);
    EXPECT_EQ(magnet->locks[1]->sprite.rs.alpha, 0);
    tick(50);
    EXPECT_EQ(reportCount(), 1u);

    // Magnet 0 has no picture, but still appears (and reports).
    magnet->setMagnet(0);
    EXPECT_EQ(magnet->locks[0]->sprite.pack, nullptr);
    EXPECT_EQ(magnet->width, 0);
    tick(25);
    EXPECT_EQ(reportCount(), 2u);
    EXPECT_FALSE(magnet->effect->sprite.effects.empty());
}

TEST_F(SceneryTest, MagnetActivateVanishAndSpinOutDriveMeterEffectsAndReports) {
    makeMagnet()->setMagnet(5);
    tick(25);
    reports->got.clear();
    magnet->activate();
    EXPECT_EQ(meter, std::vector<bool>{true});
    EXPECT_EQ(magnet->active, 1);
    EXPECT_FALSE(magnet->effect->sprite.effects[0]->emitting);

    magnet->setAngle(0.5f);
    EXPECT_FLOAT_EQ(magnet->locks[1]->sprite.rs.angle, 0.5f);
    magnet->spinOut();
    tick(79);
    EXPECT_EQ(reportCount(), 0u);
    tick(3);
    EXPECT_EQ(reportCount(), 2u);
    const float end = static_cast<float>(0.5 - 2 * std::numbers::pi);
    EXPECT_NEAR(magnet->locks[0]->sprite.rs.angle, end, 1e-4);
    EXPECT_NEAR(magnet->locks[1]->sprite.rs.angle, end, 1e-4);

    magnet->sleep();
    tick(10);
    magnet->vanish();
    EXPECT_EQ(meter, (std::vector<bool>{true, false}));
    EXPECT_EQ(magnet->active, 0);
    EXPECT_EQ(magnet->flareShows[0]->sprite.pack, nullptr);
    ASSERT_FALSE(magnet->effect->sprite.effects.empty());
    tick(42);
    EXPECT_EQ(reportCount(), 4u);
    EXPECT_EQ(magnet->locks[0]->sprite.rs.alpha, 0);
    EXPECT_EQ(magnet->locks[1]->sprite.rs.alpha, 0);
    // Vanished: no flicker, and sleeping grows no flares.
    magnet->sleep();
    tick(200);
    EXPECT_EQ(magnet->locks[1]->sprite.rs.alpha, 0);
    EXPECT_EQ(magnet->flareShows[0]->sprite.pack, nullptr);
    EXPECT_EQ(magnet->flareState, 0);

    magnet->reset();
    for (SlideShow* s : {magnet->locks[0], magnet->locks[1], magnet->flareShows[0], magnet->flareShows[1]}) {
        EXPECT_EQ(s->sprite.pack, nullptr);
        EXPECT_EQ(s->sprite.rs.hotX, 0.0f);
        EXPECT_EQ(s->sprite.rs.angle, 0.0f);
    }
    EXPECT_TRUE(magnet->effect->sprite.effects.empty());
}

TEST_F(SceneryTest, FlaresAndFlickerStayInTheirBoundsAndTheFlaresShrinkAwayOnWake) {
    makeMagnet()->setMagnet(12);
    magnet->activate();
    magnet->wake();
    EXPECT_EQ(magnet->flareState, 0) << "waking a magnet without flares changes nothing";
    magnet->sleep();
    EXPECT_EQ(magnet->flareState, 1);
    float biggest = 0.0f;
    int minFlicker = 255, maxFlicker = 0;
    for (int t = 0; t < 3000; ++t) {
        tick();
        const int a = magnet->locks[1]->sprite.rs.alpha;
        ASSERT_GE(a, 0);
        ASSERT_LE(a, 255);
        ASSERT_EQ(a, static_cast<int>(255.0f - magnet->flicker));
        ASSERT_LE(std::fabs(magnet->flickerSpeed), 20.0f);
        minFlicker = std::min(minFlicker, a), maxFlicker = std::max(maxFlicker, a);
        for (int i = 0; i < 2; ++i) {
            const Magnet::Flare& f = magnet->flares[i];
            const PckSprite& s = magnet->flareShows[i]->sprite;
            ASSERT_NE(s.pack, nullptr);
            ASSERT_GE(f.scale, 0.1f);
            ASSERT_LE(f.scale, 2.0f);
            ASSERT_LE(std::fabs(f.scaleSpeed), 0.03f + 1e-6f);
            ASSERT_LE(std::fabs(f.angleSpeed), 0.03f + 1e-6f);
            ASSERT_GE(s.rs.alpha, 64);
            ASSERT_LE(s.rs.alpha, 128);
            ASSERT_FLOAT_EQ(s.rs.scaleX, f.scale);
            biggest = std::max(biggest, f.scale);
        }
    }
    EXPECT_GT(biggest, 0.5f) << "the flares grow while the player is idle";
    EXPECT_LT(minFlicker, maxFlicker) << "the second lock picture flickers";

    magnet->wake();
    EXPECT_EQ(magnet->flareState, 3);
    int t = 0;
    while (magnet->flareState != 0 && t < 400) tick(), ++t;
    ASSERT_EQ(magnet->flareState, 0) << "shrinking never ended";
    EXPECT_LT(magnet->flares[0].scale, 0.15f);
    EXPECT_LT(magnet->flares[1].scale, 0.15f);
    tick();
    EXPECT_EQ(magnet->flareShows[0]->sprite.pack, nullptr);
    EXPECT_EQ(magnet->flareShows[1]->sprite.pack, nullptr);
}
