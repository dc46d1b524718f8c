#include "game/scenery.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "frame/random.h"
#include "game/game_pictures.h"
#include "game/game_sound.h"
#include "game/level.h"
#include "scene/actor.h"

namespace {

// Torch positions of the backgrounds that have torches (0, 2 and 4).
bool torchPositions(int back, int xy[2][2]) {
    static const int kTorches[3][2][2] = {{{237, 113}, {563, 113}}, {{218, 212}, {599, 212}}, {{184, 95}, {634, 97}}};
    const int row = back == 0 ? 0 : back == 2 ? 1 : back == 4 ? 2 : -1;
    if (row < 0) return false;
    for (int t = 0; t < 2; ++t)
        for (int k = 0; k < 2; ++k) xy[t][k] = kTorches[row][t][k];
    return true;
}

constexpr int kLayerLandscape = 98;
constexpr int kLayerLastGate = 99;
constexpr int kLayerBack = 100;
constexpr int kLayerGold = 119;
constexpr int kLayerMask = 120;
constexpr int kLayerGate = 150;
constexpr int kLayerSpawnGun = 199;
constexpr int kLayerFront = 200;
constexpr int kLayerPlate = 343;
constexpr int kLayerPlateGlow = 344;
constexpr int kLayerPlateFrame = 345;
constexpr int kLayerWall = 346;
constexpr int kLayerPanelBack = 348;
constexpr int kLayerPanel = 350;
constexpr int kLayerComic = 570;

constexpr int kMaskAlpha = 192;
constexpr int kGateY = 30;

std::string twoDigits(int n) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%d%d", (n / 10) % 10, n % 10);
    return buf;
}

SlideShow* newShow(int layer) {
    auto* s = new SlideShow;
    s->sprite.setLayer(layer);
    return s;
}

SlideShowFX* newEffect(int layer) {
    auto* s = new SlideShowFX;
    s->sprite.setLayer(layer);
    return s;
}

// Stops whatever the sequence was doing and shows the picture (or nothing)
// opaque at (x, y).
void place(SlideShow* s, PicturePack* picture, int x, int y) {
    s->stop();
    s->sprite.setPicture(picture, 0);
    s->sprite.setPosition(x, y);
    s->sprite.setAlpha(255);
    s->sprite.setVisible(true);
}

// A horizontal mirror that stays on the rectangle the picture would cover
// unmirrored.
void mirror(SlideShow* s) {
    s->sprite.setScaleAboutCentre(true);
    s->sprite.setScale(-1.0f, 1.0f);
}

void clearEffect(SlideShowFX* fx) {
    fx->stop();
    fx->sprite.clearEffects();
}

void startEffect(SlideShowFX* fx, const char* file, int x, int y) {
    clearEffect(fx);
    fx->sprite.setPosition(x, y);
    fx->sprite.addEffect(file);
    fx->sprite.setEmitting(true);
}

}  // namespace

const char* backgroundName(int back) { return kBackgroundNames[std::clamp(back, 0, kBackgrounds - 1)]; }

int goldCount(int back) { return back >= 0 && back < kBackgrounds ? kGoldCount[back] : 0; }

void goldPosition(int back, int i, int& x, int& y) {
    x = y = 0;
    if (i < 0 || i >= goldCount(back)) return;
    x = kGoldPlaces[back][i].x;
    y = kGoldPlaces[back][i].y;
}

// ---- FlashingShow ----

void FlashingShow::startFlashing() {
    flashing = true;
    if (!current && queue.empty()) onFinished();
}

void FlashingShow::stopFlashing() {
    flashing = false;
    stop();
    sprite.setAlpha(255);
}

void FlashingShow::onFinished() {
    if (!flashing) return;
    enqueue(timed<SSC_AlphaFromTo>(40, 255.0f, 96.0f));
    enqueue(timed<SSC_AlphaFromTo>(40, 96.0f, 255.0f));
}

// ---- LevelScenery ----

LevelScenery::LevelScenery(Actor* reportTo, int reportId) : reportTo_(reportTo), reportId_(reportId) {
    background = newShow(kLayerBack);
    foreground = newShow(kLayerFront);
    mask = newShow(kLayerMask);
    gateLeft = newShow(kLayerGate);
    gateRight = newShow(kLayerGate);
    spawnGunLeft = newShow(kLayerSpawnGun);
    spawnGunRight = newShow(kLayerSpawnGun);
    panel = newShow(kLayerPanel);
    panelBack = newShow(kLayerPanelBack);
    plate = newShow(kLayerPlate);
    plateGlow = new FlashingShow;
    plateGlow->sprite.setLayer(kLayerPlateGlow);
    plateFrame = newShow(kLayerPlateFrame);
    wall = newShow(kLayerWall);
    comic = newShow(kLayerComic);
    for (int i = 0; i < kMaxGold; ++i) {
        gold[i] = newShow(kLayerGold);
        goldEffect[i] = newEffect(kGoldEffectLayer);
    }
    for (SlideShowFX*& t : torches) t = newEffect(kTorchLayer);
    lastGateLeft = newShow(kLayerLastGate);
    lastGateRight = newShow(kLayerLastGate);
    lastLandscape = newShow(kLayerLandscape);
    effect = newEffect(kEffectLayer);
    // The sequences whose reports the game counts.
    for (SSC_Complex* s : {static_cast<SSC_Complex*>(wall), static_cast<SSC_Complex*>(comic),
                           static_cast<SSC_Complex*>(effect)})
        s->setOwner(reportTo_, reportId_);
    mirror(gateRight);
    mirror(spawnGunRight);
}

LevelScenery::~LevelScenery() {
    removeSideArrows();
    SSC_Complex* all[] = {background, foreground, mask,  gateLeft,     gateRight,     spawnGunLeft,  spawnGunRight,
                          panel,      panelBack,  plate, plateGlow,    plateFrame,    wall,          comic,
                          torches[0], torches[1], effect, lastGateLeft, lastGateRight, lastLandscape};
    for (SSC_Complex* s : all) {
        s->setOwner(nullptr, 0);
        s->kill();
    }
    for (int i = 0; i < kMaxGold; ++i) {
        gold[i]->kill();
        goldEffect[i]->kill();
    }
}

void LevelScenery::setup(int newDoor, int newBack) {
    back = std::clamp(newBack, 0, kBackgrounds - 1);
    door = std::clamp(newDoor, 0, 15);
    const std::string name = backgroundName(back);

    place(background, gamePack("fon/" + name + "_back"), 0, 0);
    place(foreground, gamePack("fon/" + name + "_front"), 0, 0);
    place(mask, gamePack("fon/common_mask"), 0, 0);
    mask->sprite.setAlpha(kMaskAlpha);

    place(panel, gamePack("panel_info"), 0, 0);
    place(panelBack, gamePack("panel_info_back"), 131, 27);
    place(plateFrame, gamePack("panel_info_bonus_sq"), 736, -20);
    place(plate, nullptr, 747, -11);
    plateGlow->stopFlashing();
    place(plateGlow, nullptr, 747, -11);
    plateShown = 0;

    PicturePack* gate = gamePack("gate/gate_" + twoDigits(door + 1) + "_l");
    place(gateLeft, gate, 0, kGateY);
    gateWidth = gateLeft->sprite.width();
    gateLeft->sprite.setPosition(400 - gateWidth, kGateY);
    place(gateRight, gate, 400, kGateY);

    if (level::BallsSpawnMiss() != 0) {
        PicturePack* gun = spawnGunPack(level::SpawnGunNo());
        place(spawnGunLeft, gun, 0, 0);
        place(spawnGunRight, gun, 0, 0);
        const int w = spawnGunLeft->sprite.width(), h = spawnGunLeft->sprite.height();
        spawnGunLeft->sprite.setPosition(spawnGunLeftX(back) - w / 2, spawnGunY(back) - h / 2);
        spawnGunRight->sprite.setPosition(spawnGunRightX(back) - w / 2, spawnGunY(back) - h / 2);
    } else {
        place(spawnGunLeft, nullptr, 0, 0);
        place(spawnGunRight, nullptr, 0, 0);
    }

    const bool last = back == 7;
    place(lastGateLeft, last ? gamePack("last_gate_left") : nullptr, 227, 137);
    place(lastGateRight, last ? gamePack("last_gate_right") : nullptr, 397, 137);
    place(lastLandscape, last ? gamePack("last_landscape") : nullptr, 245, 145);

    // Rewards of the previous level (and a finished campaign's comic) never
    // carry over into the next one.
    stopPictures();
}

void LevelScenery::stopPictures() {
    for (int i = 0; i < kMaxGold; ++i) {
        place(gold[i], nullptr, 0, 0);
        clearEffect(goldEffect[i]);
    }
    for (SlideShowFX* t : torches) clearEffect(t);
    clearEffect(effect);
    place(comic, nullptr, 0, 0);
}

// ---- bonus plate ----

// The play state asks every tick; only a change of state moves the plate.
void LevelScenery::showBonusPlate() {
    if (plateShown) return;
    const std::string n = std::to_string(level::LvlBonus());
    plate->stop();
    plate->enqueue(new SSC_SetPck(gamePack("bonusplates//bonus_plate_" + n), 0));
    plate->enqueue(timed<SSC_DamperedMorphTo>(20, 747, 50));
    plateGlow->stopFlashing();
    plateGlow->enqueue(new SSC_SetPck(gamePack("bonusplates//bonus_plate_glow_" + n), 0));
    plateGlow->enqueue(timed<SSC_DamperedMorphTo>(20, 747, 50));
    plateGlow->startFlashing();
    plateFrame->stop();
    plateFrame->enqueue(timed<SSC_DamperedMorphTo>(20, 736, 41));
    plateShown = 1;
}

void LevelScenery::hideBonusPlate() {
    if (!plateShown) return;
    plate->stop();
    plate->enqueue(timed<SSC_DamperedMorphTo>(20, 747, -11));
    plateGlow->stopFlashing();
    plateGlow->enqueue(timed<SSC_DamperedMorphTo>(20, 747, -11));
    plateFrame->stop();
    plateFrame->enqueue(timed<SSC_DamperedMorphTo>(20, 736, -20));
    plateShown = 0;
}

// ---- a lost level ----

void LevelScenery::rockFall() {
    playGameSound("rock_fall");
    startEffect(effect, "fx_rockfall.fx", 0, 0);
    effect->enqueue(new SSC_Wait(5));
    effect->enqueue(new SSC_Msg(1, 0));
}

void LevelScenery::wallDown() {
    playGameSound("wall_down");
    place(wall, gamePack("wall"), 0, -800);
    wall->enqueue(timed<SSC_MorphTo>(80, 0, 0));
    wall->enqueue(new SSC_Msg(1, 0));
}

void LevelScenery::wallUp() {
    playGameSound("wall_up");
    wall->stop();
    wall->enqueue(new SSC_Dual(timed<SSC_MorphTo>(20, 0, -800), new SSC_Dissapear));
    wall->enqueue(new SSC_Msg(1, 0));
}

// ---- a won level ----

void LevelScenery::openGate() {
    playGameSound("doors_open");
    mask->stop();
    mask->enqueue(timed<SSC_AlphaFromTo>(100, static_cast<float>(kMaskAlpha), 0.0f));
    gateLeft->stop();
    gateLeft->enqueue(timed<SSC_DamperedMorphTo>(100, -gateWidth, kGateY));
    gateRight->stop();
    gateRight->enqueue(timed<SSC_DamperedMorphTo>(100, 800, kGateY));
    // The guns move out by one picture width and up by one picture height.
    const int w = spawnGunLeft->sprite.width(), h = spawnGunLeft->sprite.height();
    spawnGunLeft->stop();
    spawnGunLeft->enqueue(timed<SSC_DamperedMorphTo>(50, spawnGunLeftX(back) - 3 * w / 2, spawnGunY(back) - 3 * h / 2));
    spawnGunRight->stop();
    spawnGunRight->enqueue(timed<SSC_DamperedMorphTo>(50, spawnGunRightX(back) + w / 2, spawnGunY(back) - 3 * h / 2));
}

void LevelScenery::openDoors() {
    playGameSound("doors_open");
    const int w = lastGateLeft->sprite.width();
    lastGateLeft->stop();
    lastGateLeft->enqueue(timed<SSC_DamperedMorphTo>(100, 227 - w, 137));
    lastGateRight->stop();
    lastGateRight->enqueue(timed<SSC_DamperedMorphTo>(100, 397 + w, 137));
}

void LevelScenery::lightTorches() {
    int xy[2][2];
    if (!torchPositions(back, xy)) return;
    for (int t = 0; t < 2; ++t) startEffect(torches[t], "fx_torch.fx", xy[t][0], xy[t][1]);
}

void LevelScenery::putOutTorches() {
    for (SlideShowFX* t : torches) t->sprite.setEmitting(false);
}

void LevelScenery::showGold(int i) {
    int x = 0, y = 0;
    goldPosition(back, i, x, y);
    place(gold[i], gamePack("fon/" + std::string(backgroundName(back)) + "_gold" + twoDigits(i + 1)), x, y);
    const int cx = x + gold[i]->sprite.width() / 2, cy = y + gold[i]->sprite.height() / 2;
    startEffect(goldEffect[i], "fx_explode.fx", cx, cy);
}

int LevelScenery::revealGold() {
    const int count = goldCount(back);
    // rand() mod 0 has no answer: a background without gold shows nothing.
    if (count == 0) return -1;
    const int i = vmRand() % count;
    lightTorches();
    showGold(i);
    startEffect(effect, "fx_rain.fx", 0, 0);
    return i;
}

void LevelScenery::revealAllGold() {
    const int count = goldCount(back);
    if (count == 0) return;
    lightTorches();
    for (int i = 0; i < count; ++i) showGold(i);
    startEffect(effect, "fx_rain.fx", 0, 0);
}

void LevelScenery::fadeGold(int i) {
    gold[i]->stop();
    gold[i]->enqueue(timed<SSC_Dissapear>(60));
    gold[i]->enqueue(new SSC_SetPck(nullptr, 0));
    goldEffect[i]->sprite.setEmitting(false);
}

void LevelScenery::hideGold(int i) {
    putOutTorches();
    if (i >= 0 && i < goldCount(back)) fadeGold(i);
    effect->sprite.setEmitting(false);
}

void LevelScenery::hideAllGold() {
    putOutTorches();
    for (int i = 0; i < goldCount(back); ++i) fadeGold(i);
    effect->sprite.setEmitting(false);
}

void LevelScenery::showComic() {
    place(comic, gamePack("fon//comix_1"), 0, 0);
    comic->sprite.setAlpha(0);
    comic->enqueue(timed<SSC_Appear>(60));
    comic->enqueue(new SSC_Msg(1, 0));
}

// ---- side arrows ----

int LevelScenery::sideArrowSide(int targetX) {
    // Equally near to both goes left.
    return std::abs(targetX - sideArrowX(1)) < std::abs(targetX - sideArrowX(0)) ? 1 : 0;
}

void LevelScenery::setSideArrow(int side, Actor* arrow) {
    if (side != 0 && side != 1) return;
    if (sideArrows[side] && sideArrows[side] != arrow) sideArrows[side]->kill();
    sideArrows[side] = arrow;
    if (sideArrows[1 - side]) {
        sideArrows[1 - side]->kill();
        sideArrows[1 - side] = nullptr;
    }
}

void LevelScenery::removeSideArrows() {
    for (Actor*& a : sideArrows) {
        if (a) a->kill();
        a = nullptr;
    }
}
