#include "game/game.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "frame/log.h"
#include "frame/settings.h"
#include "frame/system.h"
#include "game/field.h"
#include "game/game_pictures.h"
#include "game/game_sound.h"
#include "game/level.h"
#include "game/reports.h"
#include "game/magnet.h"
#include "game/scenery.h"
#include "gfx/particles.h"
#include "players/highscores.h"
#include "players/players.h"
#include "scene/input.h"
#include "sound/sound.h"

namespace {

Game* g_game = nullptr;

constexpr int kIdleTicks = 400;
constexpr int kBannerLayer = 400;
constexpr int kBannerY = 269;
constexpr uint32_t kShootingLockMs = 1000;
// The game's reports to the screen dispatcher.
constexpr int kMsgDisableMenu = report::DisableMenu;
constexpr int kMsgEnableMenu = report::EnableMenu;
constexpr int kMsgTip = report::Tip;
constexpr int kMsgTipSecond = report::TipSecond;
constexpr int kMsgGameEnded = report::GameEnded;

uint32_t nowMs() { return static_cast<uint32_t>(sys::ticksMs()); }

// The field reaches the game through plain function pointers.
void hookScoreMatch(int count, int lastDelay) {
    if (g_game) g_game->scoring->scoreMatch(count, lastDelay);
}
void hookScoreBonus(int n) {
    if (g_game) g_game->scoring->scoreBonus(n);
}
int hookNextColour(int exclude) { return g_game ? g_game->nextColourFor(exclude) : 0; }
void hookDropCrystal(int x, int y) {
    if (g_game) g_game->dropCrystal(x, y);
}
bool hookTutorialLevel() { return g_game && g_game->tutorialLevel() != 0; }
void hookMagnetAngle(float a) {
    if (g_game) g_game->magnet->setAngle(a);
}
void hookMoveArrow(Actor* arrow, int x, int y) {
    if (auto* a = dynamic_cast<Arrow*>(arrow)) a->moveTo(x, y);
}

int pixelX(const FieldObject& o) { return static_cast<int>(o.x() * kPixelsPerUnit); }
int pixelY(const FieldObject& o) { return static_cast<int>(o.y() * kPixelsPerUnit); }

}  // namespace

// ---------------------------------------------------------------- Arrow

Arrow::Arrow(int x, int y, Direction dir, bool big) : targetX(x), targetY(y) {
    pointsUp = dir == kUp || (dir == kAuto && y > 300);
    picture.setPicture(gamePack(big ? "arrowbig" : "arrow"), 0);
    picture.setLayer(kLayer);
    picture.centreHotSpot();
    if (pointsUp) picture.setAngle(std::numbers::pi_v<float>);
    picture.setAlpha(0);
    place();
}

Arrow::~Arrow() = default;

void Arrow::moveTo(int x, int y) {
    targetX = x;
    targetY = y;
    place();
}

void Arrow::setShown(bool on) {
    shown = on ? 1 : 0;
    picture.setVisible(on);
}

void Arrow::update() {
    ++bob;
    if (alpha < 255) alpha = std::min(255, bob * 255 / kFadeTicks);
    picture.setAlpha(alpha);
    place();
}

void Arrow::place() {
    const int offset = static_cast<int>(std::floor(std::sin(bob / 10.0) * 10.0));
    const int w = picture.width(), h = picture.height();
    // The tip sits 20 pixels from the target: above it pointing down, below
    // it pointing up (the picture turned about its centre).
    const int y = pointsUp ? targetY + 20 + offset : targetY - 20 - h + offset;
    picture.setPosition(targetX - w / 2, y);
}

// ---------------------------------------------------------------- Game

Game& Game::instance() {
    if (!g_game) g_game = new Game();
    return *g_game;
}

Game* Game::existing() { return g_game; }

void Game::release() {
    if (!g_game) return;
    Game* game = g_game;
    game->teardown();
    game->kill();
}

// Everything that touches the process-wide field, hooks and input happens
// here, at once: a released game waits for the purge while the next game
// may already be running.
void Game::teardown() {
    if (tornDown) return;
    tornDown = 1;
    if (current) current->leave();
    current = nullptr;
    removeArrows();
    field().clear();
    if (g_game == this) {
        unwireHooks();
        g_game = nullptr;
    }
    if (gameActor() == this) setGameActor(nullptr);
    zone.detachZone();
    // Banners and cards it owns may outlive it while they fade; their last
    // report must not reach a game that is gone. Run from the destructor, this
    // walk meets the list half compacted by the purge: empty slots included.
    for (auto* list : {&liveActors(), &newActors()})
        for (Actor* a : *list)
            if (a && a != this && a->owner == this) a->setOwner(nullptr, 0);
}

Game::Game() {
    g_game = this;
    for (GameState* s : std::initializer_list<GameState*>{&preStart, &physics, &map, &gameover, &nextLevel,
                                                           &gameWinState, &meshEditor})
        s->game = this;
    scenery = std::make_unique<LevelScenery>(this, kSceneryId);
    ramp = new CannonRamp;
    cannon = new Cannon;
    magnet = new Magnet;
    magnet->setOwner(this, kMagnetId);
    scoring = new Scoring;
    lives = new LifeCounter;
    meter = new ValueMeter;
    timer = new LevelTimer;
    magnet->meterSwitch = [this](bool on) {
        if ((meter->shown != 0) != on) meter->toggle();
    };
    colours.gun = cannon;
    crystals.gun = cannon;
    crystals.scoreCrystal = [this](int n) { scoring->scoreCrystal(n); };
    scoring->ratingBanner = [](int m) { new Bonus(gamePack(messagePicture(m)), kBannerLayer, kBannerY, 1.0f); };
    scoring->groupBanner = [](int m, const std::string& sound, int delay) {
        new DelayedBonusWithSound(gamePack(messagePicture(m)), kBannerLayer, kBannerY, sound, delay);
    };
    bonusScoring.addSilent = [this](int n) { scoring->addSilent(n); };
    bonusScoring.scoreBonus = [this](int n) { scoring->scoreBonus(n); };
    bonusScoring.nextColour = [this](int exclude) { return colours.nextColour(exclude); };
    wireHooks();

    // The field's clicks reach the game through one zone under everything.
    zone.setLayer(0);
    zone.attachZone(ZE_Move | ZE_Enter | ZE_Leave | ZE_LeftDown | ZE_LeftUp | ZE_RightDown | ZE_RightUp, this, 0);
    setGameActor(this);

    readTuning();
    level = 1;
    episode = player::UserTutorialStatus() == 1 ? 1 : 0;
    labels = std::make_unique<HudLabels>();
    int n;
    if (player::GameSession() != 0) {
        n = clampProgress(player::UserProgress());
    } else {
        setUserScore(0);
        setUserLife(3);
        n = episode * 10 + level;
    }
    setLevel(n);
    scoring->set(player::UserScore());
    lives->set(player::UserLife());
    setGameSession(1);
    colours.nextBall = colours.nextColour(-1);
    colours.advanceColours(1);
}

Game::~Game() {
    teardown();
    scenery.reset();
    for (Actor* a : std::initializer_list<Actor*>{ramp, cannon, magnet, scoring, lives, meter, timer}) {
        a->setOwner(nullptr, 0);
        a->kill();
    }
}

void Game::wireHooks() {
    FieldHooks& h = fieldHooks();
    h.scoreMatch = hookScoreMatch;
    h.scoreBonus = hookScoreBonus;
    h.nextColour = hookNextColour;
    h.dropCrystal = hookDropCrystal;
    h.tutorialLevel = hookTutorialLevel;
    h.magnetAngle = hookMagnetAngle;
    h.moveArrow = hookMoveArrow;
}

void Game::unwireHooks() { fieldHooks() = FieldHooks{}; }

int Game::onZoneEvent(int event, int value) {
    idleCountdown = kIdleTicks;
    timer->setActive(true);
    if (!paused()) {
        if (event == ZE_Move) {
            mouseX = mousePosition.x;
            cannon->moveTo(mouseX);
        }
        if (current) current->onMouse(event, value);
    }
    return 0;
}

void Game::update() {
    if (dead) return;
    if (idleCountdown > 0) {
        magnet->wake();
        if (--idleCountdown == 0) {
            timer->setActive(false);
            magnet->sleep();
        }
    }
    if (!paused() && current) current->tick();
    meter->show(field().countBalls(), level::MaxBalls());
}

int Game::onNotify(int id, int msg, int a, int b) {
    if (current) current->onStateNotify(id, msg, a, b);
    return 1;
}

void Game::drawOverlay() {
    if (current) current->drawOverlay();
}

void Game::setState(GameState* state) {
    if (current) current->leave();
    current = state;
    if (current) current->enter();
}

void Game::setLevel(int n) {
    level = n % 10;
    episode = n / 10;
    colours.reset();
    labels->setLevelLabel(episode, level);
    if (episode == 1) setUserTutorialStatus(1);
    setUserProgress(n);
}

void Game::advanceLevel() {
    if (level < levelsInEpisode(episode)) {
        ++level;
    } else {
        level = 1;
        ++episode;
        // Past the end of the campaign: stay on its last levels.
        if (episode > episodes() + 1) {
            episode = episodes();
            level = levelsInEpisode(episodes()) - 1;
        }
    }
    setLevel(levelNumber());
}

bool Game::isLastOfEpisode() const { return level == levelsInEpisode(episode); }

bool Game::isLastLevel() const { return isLastOfEpisode() && episode == episodes(); }

bool Game::isGameOver() const { return isLastLevel() || outOfLives(); }
bool Game::outOfLives() const { return lives->total() < 1; }

void Game::startGame() {
    mouseX = 400;
    colours.nextBall = colours.nextColour(-1);
    colours.advanceColours(1);
    if (labels->debug1) labels->showBuildTag();
    setState(&preStart);
    if (paused()) {
        pausedFlag = 0;
        if (current) current->resume();
    }
}

void Game::startLevel() {
    Sound_SetMusicOrder((levelNumber() - 1) % 2 + 1);
    loadLevel(levelNumber(), variant);
    timer->setLimit(level::Time());
    scenery->setup(level::Door(), level::Back());
    magnetType = std::clamp(level::Magnet(), 0, kMaxMagnetType);
    magnet->setMagnet(magnetType);
    if (labels->debug1) labels->showBuildTag();
    cannon->appear(mousePosition.x);
    scoring->startLevel();
    setUserScore(scoring->total());
    setUserLife(lives->total());
    labels->setLevelName(level::LevelName());
}

void Game::gameNew() {
    playGameSound("game_new");
    notifyOwner(kMsgEnableMenu, 0, 0);
    magnet->activate();
    timer->setLimit(level::Time());
    timer->clear();
    timer->start();
    const bool tutorial = episode == 0 && level != 0;
    if (!tutorial) {
        auto* card = new BonusLevelSpoiler(gamePack(messagePicture(kMsgLevel)), kBannerLayer, 0, gamePack("level_no"),
                                           levelNumber());
        card->leave();
    }
}

void Game::gameWin() {
    scenery->removeSideArrows();
    cannon->retract(mousePosition.x);
    notifyOwner(kMsgDisableMenu, 0, 0);
    playGameSound("game_win");
    Sound_SetMusicOrder(3);
    scenery->hideBonusPlate();
    timer->stop();
    magnet->spinOut();
}

void Game::gameEnd() {
    scenery->removeSideArrows();
    notifyOwner(kMsgDisableMenu, 0, 0);
    playGameSound("game_end");
    Sound_SetMusicOrder(4);
    scenery->hideBonusPlate();
    timer->stop();
    scoring->revertLevel();
    lives->add(-1);
    scenery->rockFall();
}

void Game::restartLevel() {
    if (current != &physics) return;
    scenery->removeSideArrows();
    scoring->revertLevel();
    magnet->vanish();
    cannon->retract(mousePosition.x);
    magnet->stopEffect();
    scenery->hideBonusPlate();
    setState(&preStart);
}

void Game::finishGame() {
    insertHighScore(player::Name(), scoring->total());
    setGameSession(0);
    notifyOwner(kMsgGameEnded, 0, 0);
}

void Game::pauseGame() {
    timer->pause();
    cannon->pause();
    crystals.pause();
    pausedFlag = 1;
    if (current) current->pause();
}

void Game::resumeGame() {
    timer->resume();
    cannon->resume();
    for (int side = 0; side < 2; ++side)
        if (Actor* a = scenery->sideArrow(side))
            if (auto* arrow = dynamic_cast<Arrow*>(a)) arrow->setShown(scenery->sideArrowsEnabled != 0);
    crystals.resume();
    pausedFlag = 0;
    if (current) current->resume();
}

void Game::dropCrystal(int x, int y) { crystals.dropCrystal(x, y); }

void Game::collectCrystals() { crystals.collectCrystals(); }

void Game::requestTip(int n) {
    if (const int status = tipStatusIndex(n); status >= 0) setTipStatus(status, 1);
    if (n == 27) {
        scenery->sideArrowsEnabled = 1;
        for (int side = 0; side < 2; ++side)
            if (auto* arrow = dynamic_cast<Arrow*>(scenery->sideArrow(side))) arrow->setShown(true);
    }
    notifyOwner(n == 22 || n == 26 || n == 31 ? kMsgTipSecond : kMsgTip, n, 0);
}

Arrow* Game::markBall(FieldObject& ball) {
    if (!ball.arrow) ball.arrow = new Arrow(pixelX(ball), pixelY(ball), Arrow::kAuto);
    hintX = pixelX(ball);
    hintY = pixelY(ball);
    return static_cast<Arrow*>(ball.arrow);
}

bool Game::placeArrows() {
    PhysicsField& f = field();
    const int colour = colours.loadedColour;
    bool found = false;
    f.clearVisited();
    for (auto& [id, o] : f.objects) {
        FieldObject& start = *o;
        if (!start.isBall() || start.type != colour || start.dying || start.visited) continue;
        // The linked group of this colour around the ball.
        std::vector<FieldObject*> group{&start};
        start.visited = 1;
        for (size_t i = 0; i < group.size(); ++i)
            for (int32_t linked : group[i]->linkSet)
                if (FieldObject* b = f.find(linked); b && !b->visited && !b->dying && b->type == colour) {
                    b->visited = 1;
                    group.push_back(b);
                }
        if (group.size() < 2) continue;
        found = true;
        for (FieldObject* b : group) {
            if (b->arrow) continue;
            markBall(*b);
            const int side = LevelScenery::sideArrowSide(pixelX(*b));
            if (!scenery->sideArrow(side)) {
                auto* big = new Arrow(LevelScenery::sideArrowX(side), LevelScenery::sideArrowY(), Arrow::kUp, true);
                big->setShown(scenery->sideArrowsEnabled != 0);
                scenery->setSideArrow(side, big);
            }
        }
    }
    f.clearVisited();
    return found;
}

void Game::removeArrows() {
    for (auto& [id, o] : field().objects)
        if (o->arrow) {
            o->arrow->kill();
            o->arrow = nullptr;
        }
}

// ---------------------------------------------------------------- GS_Physics

void GS_Physics::fieldStep(const BonusScoring& scoring) {
    PhysicsField& f = field();
    f.step();
    f.constrainRotation();
    f.damp();
    f.pullToMagnet();
    f.updateActivity(1.0f / 80.0f);
    f.syncSprites();
    f.findMatches();
    fireBonuses(f, scoring);
    f.destroyMarked();
}

void GS_Physics::enter() {
    std::fill(std::begin(tipShown), std::end(tipShown), 0);
    PhysicsField& f = field();
    f.setupWorld();
    f.readThresholds();
    if (!f.buildLevel()) {
        game->meshEditor.meshName = f.failedMesh == "Magnet" ? "Magnet" : f.failedMesh == "Wall" ? "Wall" : "Balls";
        game->setState(&game->meshEditor);
        return;
    }
    game->advanceColours(1);
    lastMs = nowMs = ::nowMs();
    playMs = 0;
    playCounters() = PlayCounters{};
    backlog = unmatchedShots = 0;
    lastShotResult = 0;
    freeBalls = FreeBallRelease{};
    ended = 0;
    pendingReports = 0;
}

void GS_Physics::leave() {
    game->removeArrows();
    game->labels->clearDebugLine();
    field().clear();
}

void GS_Physics::onStateNotify(int, int, int, int) {
    // Only the reports of the loss animation count; the wall's is the last.
    if (pendingReports > 0 && --pendingReports == 0) game->setState(&game->gameover);
}

void GS_Physics::onMouse(int event, int) {
    if (ended || playMs < kShootingLockMs) return;
    switch (event) {
        case ZE_LeftDown: game->cannon->startCharge(); break;
        case ZE_LeftUp: shoot(); break;
        case ZE_RightUp:
            game->removeArrows();
            game->colours.swapColours();
            if (game->arrowsLevel()) game->placeArrows();
            break;
        default: break;
    }
}

void GS_Physics::shoot() {
    Cannon& gun = *game->cannon;
    if (!gun.canShoot() || field().countBalls() < 1) {
        playGameSound("gun_cant_shoot");
        gun.cancelCharge();
        return;
    }
    game->removeArrows();
    fireLoadedBall(gun, game->colours);
    lastShotResult = 1;
    if (game->arrowsLevel()) game->placeArrows();
}

void GS_Physics::pause() { field().hideAll(); }

void GS_Physics::resume() {
    lastMs = ::nowMs();
    field().showAll();
}

bool GS_Physics::tryTip(int id, bool condition) {
    if (tipShown[id] || game->paused() || !condition) return false;
    tipShown[id] = 1;
    game->requestTip(id + 1);
    return true;
}

void GS_Physics::tips() {
    if (playMs < kShootingLockMs) return;
    Game& g = *game;
    PhysicsField& f = field();
    g.hintX = g.hintY = -1;
    const int t = g.tutorialLevel();
    const bool hints = player::ShowHints() != 0;
    auto firstOfType = [&f](int type) -> FieldObject* {
        for (auto& [id, o] : f.objects)
            if (o->isBall() && o->type == type && !o->dying) return o.get();
        return nullptr;
    };
    auto hintAt = [&g](int x, int y) {
        g.hintX = x;
        g.hintY = y;
    };
    auto hintLoaded = [&g] { g.hintX = g.cannon->muzzleX(), g.hintY = kMuzzleY; };

    if (tryTip(0, t == 1)) return;
    for (int k = 1; k <= 4; ++k)
        if (tryTip(k, t == k + 1)) return;
    if (tryTip(9, t != 0 && g.level == levelsInEpisode(g.episode) && f.fieldEmpty())) return;
    if (t == 1) {
        if (tryTip(20, g.placeArrows())) return;
        if (tryTip(21, lastShotResult == 2)) return;
        hintLoaded();
        if (tryTip(22, true)) return;
    }
    if (t == 2) {
        if (tryTip(24, g.placeArrows())) return;
        if (tryTip(25, lastShotResult == 2)) return;
        if (tipShown[24]) hintAt(200, 50);
        if (tryTip(26, tipShown[24] != 0)) return;
    }
    if (t == 3) {
        if (tryTip(30, lastShotResult == 2)) return;
        if (FieldObject* bonus = firstOfType(kBonusBall)) {
            if (!tipShown[31]) g.markBall(*bonus);
            if (tryTip(31, true)) return;
        }
    }
    if (!hints) return;
    if (t == 0 && firstOfType(kBonusBall)) {
        const int k = level::LvlBonus();
        if (k >= 0 && k <= 7 && player::TipStatus(k) == 0) {
            hintAt(760, 80);
            if (tryTip(10 + k, true)) return;
        }
    }
    if (g.cannon->heat->sprite.rs.alpha > 181 && player::TipStatus(8) == 0) {
        hintLoaded();
        if (tryTip(50, true)) return;
    }
    if (tryTip(51, lastShotResult == 2 && player::TipStatus(9) == 0)) return;
    if (level::BallsSpawnMiss() >= 1 && player::TipStatus(10) == 0) {
        hintAt(spawnGunLeftX(level::Back()) - 25, spawnGunY(level::Back()) - 25);
        if (tryTip(52, true)) return;
    }
    const int freeTypes[3] = {kFree2, kFree1, kFree0};
    for (int i = 0; i < 3; ++i)
        if (FieldObject* ball = firstOfType(freeTypes[i]); ball && player::TipStatus(11 + i) == 0) {
            hintAt(pixelX(*ball), pixelY(*ball));
            if (tryTip(53 + i, true)) return;
        }
    if (g.ballCount > 0.8 * level::MaxBalls() && player::TipStatus(15) == 0) {
        hintAt(400, 269);
        if (tryTip(57, true)) return;
    }
    if (!g.crystals.live().empty() && player::TipStatus(17) == 0) {
        const CBonusPlus* c = g.crystals.live().front();
        hintAt(static_cast<int>(c->x), static_cast<int>(c->y));
        if (tryTip(59, true)) return;
    }
    if (g.timer->threeQuarters()) {
        hintAt(150, 50);
        tryTip(60, true);
    }
}

void GS_Physics::tick() {
    if (ended) return;
    Game& g = *game;
    PhysicsField& f = field();
    nowMs = ::nowMs();
    dtMs = nowMs - lastMs;
    playMs += dtMs;
    lastMs = nowMs;
    freeBalls.beforeStep(f, playMs);
    fieldStep(g.bonusScoring);

    PlayCounters& counters = playCounters();
    if (!f.anyActiveBall()) {
        if (counters.unmatchedShots > 0) {
            counters.unmatchedShots = 0;
            lastShotResult = 2;
            g.scoring->resetCombo();
        }
        if (counters.backlog > 0) f.spawnBacklogBall();
    }
    backlog = counters.backlog;
    unmatchedShots = counters.unmatchedShots;

    tips();
    g.ballCount = f.countBalls();

    if (f.fieldEmpty() && !g.paused()) {
        g.collectCrystals();
        g.setState(&g.nextLevel);
        return;
    }
    if (g.ballCount > level::MaxBalls() || g.timer->expired()) {
        ended = 1;
        pendingReports = 2;
        for (auto& [id, o] : f.objects)
            if (o->effect) o->effect->sprite.clearEffects();
        killAllParticles();
        g.gameEnd();
        g.scenery->wallDown();
        return;
    }
    if (g.ballCount > 0) {
        bool present[8];
        f.presentColours(present);
        const auto colourPresent = [&present](int c) { return c >= 0 && c < 8 && present[c]; };
        if (!colourPresent(g.colours.loadedColour)) {
            g.removeArrows();
            g.advanceColours(1);
            if (g.arrowsLevel()) g.placeArrows();
        }
        if (!colourPresent(g.colours.nextBall)) g.colours.refreshNext();
    }
    if (f.countType(kBonusBall) > 0)
        g.scenery->showBonusPlate();
    else
        g.scenery->hideBonusPlate();
    if (g.ballCount > 0.8 * level::MaxBalls() && !g.meter->isFlashing()) {
        playGameSound("game_warning");
        g.meter->flashNow();
    }
    freeBalls.afterStep(f, g.ballCount);
    g.labels->debugLine(g.ballCount);
}

void FreeBallRelease::beforeStep(PhysicsField& f, uint32_t playMs) {
    if (phase != 0 || playMs <= kDelayMs) return;
    f.releaseFreeBalls(level::StartFreeBall());
    phase = 1;
}

void FreeBallRelease::afterStep(PhysicsField& f, int ballCount) {
    if (phase != 1 || ballCount >= kArmBelowBalls) return;
    f.armFreeBalls();
    phase = 2;
}

void GS_MeshEditor::enter() {
    // No editor ships with the game: the level cannot be played.
    if (const int n = game->levelNumber(); n != toldLevel) {
        toldLevel = n;
        logPrintf(LogLevel::Warning, "vellmoor: level %d-%d \"%s\" cannot be played: its %s list is unusable",
                  n / 10, n % 10, level::LevelName().c_str(), meshName);
    }
    game->setState(&game->gameover);
}
