#include "game/between_levels.h"

#include "game/game.h"
#include "game/game_pictures.h"
#include "game/game_sound.h"
#include "game/level.h"
#include "game/magnet.h"
#include "game/scenery.h"
#include "gfx/particles.h"
#include "players/players.h"
#include "scene/input.h"

namespace {

MapScreenMaker g_mapScreenMaker = nullptr;

constexpr int kBannerLayer = 400;
constexpr int kBannerY = 250;

// A countdown that fires once, on the report that takes it from 1 to 0.
bool countDown(int32_t& countdown) { return countdown > 0 && --countdown == 0; }

BonusSpoiler* showBanner(Game& game, int message) {
    auto* banner = new BonusSpoiler(gamePack(messagePicture(message)), kBannerLayer, kBannerY);
    banner->setOwner(&game, Game::kSpoilerId);
    return banner;
}

void dropBanner(BonusSpoiler*& banner) {
    if (banner) banner->leave();
    banner = nullptr;
}

// The level number that follows n by the rule of Game::advanceLevel.
int followingLevel(int episode, int level) {
    if (level < levelsInEpisode(episode)) return episode * 10 + level + 1;
    int e = episode + 1, l = 1;
    if (e > episodes() + 1) {
        e = episodes();
        l = levelsInEpisode(episodes()) - 1;
    }
    return e * 10 + l;
}

}  // namespace

void setMapScreenMaker(MapScreenMaker maker) { g_mapScreenMaker = maker; }

// ---------------------------------------------------------------- GS_PreStart

void GS_PreStart::enter() {
    countdown = 1;
    game->startLevel();
}

void GS_PreStart::onStateNotify(int, int, int, int) {
    if (!countDown(countdown)) return;
    game->gameNew();
    game->setState(&game->physics);
}

// ---------------------------------------------------------------- GS_NextLevel

void GS_NextLevel::enter() {
    Game& g = *game;
    banner = nullptr;
    goldPicture = -1;
    phase = 0;
    countdown = 0;
    lastOfEpisode = g.isLastOfEpisode();
    setUserProgress(followingLevel(g.episode, g.level));
    if (g.tutorialLevel() != 0 && !lastOfEpisode) {
        // Tutorial levels follow each other without banner or map.
        g.gameWin();
        g.magnet->reset();
        g.cannon->retract(mousePosition.x);
        g.advanceLevel();
        g.setState(&g.preStart);
        return;
    }
    g.gameWin();
    countdown = 2;
}

void GS_NextLevel::leave() { dropBanner(banner); }

void GS_NextLevel::onStateNotify(int, int, int, int) {
    if (!countDown(countdown)) return;
    Game& g = *game;
    switch (phase) {
        case 0:
            playGameSound("magnit_explode");
            g.magnet->vanish();
            g.scenery->openGate();
            countdown = 2;
            phase = 1;
            break;
        case 1:
            if (lastOfEpisode) {
                g.lives->add(1);
                g.scenery->revealAllGold();
                banner = showBanner(g, kMsgStageDone);
            } else {
                goldPicture = g.scenery->revealGold();
                banner = showBanner(g, kMsgLevelDone);
            }
            phase = 2;
            break;
        case 3:
            banner = nullptr;
            g.setState(g.isGameOver() ? static_cast<GameState*>(&g.gameWinState) : &g.map);
            break;
        default: break;
    }
}

void GS_NextLevel::onMouse(int event, int) {
    if (event != ZE_LeftUp || phase != 2) return;
    Game& g = *game;
    playGameSound("button_click");
    if (!lastOfEpisode)
        g.scenery->hideGold(goldPicture);
    else if (!g.isGameOver())
        g.scenery->hideAllGold();
    dropBanner(banner);
    phase = 3;
    countdown = 1;
}

// ---------------------------------------------------------------- GS_Gameover

void GS_Gameover::enter() {
    Game& g = *game;
    countdown = 0;
    g.cannon->retract(mousePosition.x);
    g.magnet->reset();
    banner = showBanner(g, g.outOfLives() ? kMsgGameOver : kMsgTryAgain);
    phase = 2;
}

void GS_Gameover::leave() { dropBanner(banner); }

void GS_Gameover::onMouse(int event, int) {
    if (event != ZE_LeftUp || phase != 2) return;
    playGameSound("button_click");
    phase = 3;
    countdown = 2;
    dropBanner(banner);
    game->scenery->wallUp();
}

void GS_Gameover::onStateNotify(int, int, int, int) {
    if (phase != 3 || !countDown(countdown)) return;
    Game& g = *game;
    if (g.outOfLives())
        g.finishGame();
    else
        g.setState(&g.preStart);
}

// ---------------------------------------------------------------- GS_Map

void GS_Map::enter() {
    killAllParticles();
    screen = nullptr;
    Game& g = *game;
    if (!g_mapScreenMaker) {
        onStateNotify(0, 0, 0, 0);
        return;
    }
    Actor* map = g_mapScreenMaker(g);
    // The tutorial's map ends at once, from inside its constructor.
    if (g.current == this && !map->dead) screen = map;
}

void GS_Map::leave() { screen = nullptr; }

void GS_Map::onStateNotify(int id, int, int, int) {
    // Only the map screen (id 0) ends the map; late reports of the scenery
    // or the magnet must not skip it.
    if (id != 0) return;
    Game& g = *game;
    screen = nullptr;
    killAllParticles();
    if (g.isGameOver()) {
        g.finishGame();
    } else {
        g.advanceLevel();
        g.setState(&g.preStart);
    }
}

// ---------------------------------------------------------------- GS_GameWin

void GS_GameWin::enter() {
    game->scenery->openDoors();
    phase = 0;
    countdown = 0;
}

void GS_GameWin::onMouse(int event, int) {
    if (event != ZE_LeftUp) return;
    Game& g = *game;
    if (phase == 0) {
        playGameSound("button_click");
        g.scenery->hideAllGold();
        countdown = 1;
        g.scenery->showComic();
        phase = 1;
    } else if (phase == 3) {
        killAllParticles();
        g.finishGame();
    }
}

void GS_GameWin::onStateNotify(int, int, int, int) {
    if (countDown(countdown) && phase == 1) phase = 3;
}
