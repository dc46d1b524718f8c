#include "game/hud.h"

#include <algorithm>
#include <cstdio>
#include <map>

#include "frame/settings.h"
#include "game/level.h"
#include "res/picture_pack.h"
#include "res/texts.h"

namespace {

PicturePack* loadOnce(const std::string& name, int frames, int columns) {
    static std::map<std::string, std::unique_ptr<PicturePack>> packs;
    auto it = packs.find(name);
    if (it != packs.end()) return it->second.get();
    auto pack = std::make_unique<PicturePack>();
    pack->load(name, false, frames, columns);
    if (name == "font1") pack->trimGlyphs();
    PicturePack* raw = pack.get();
    packs[name] = std::move(pack);
    return raw;
}

HudPackLoader g_loader = nullptr;

void setupLabel(TextLabel& label, int x, int y, int align) {
    label.setFont(hudFont());
    label.setAlign(align);
    label.setLayer(kHudLayer);
    label.setPosition(x, y);
}

}  // namespace

void setHudPackLoader(HudPackLoader loader) { g_loader = loader; }

PicturePack* hudPack(const std::string& name, int frames, int columns) {
    return g_loader ? g_loader(name, frames, columns) : loadOnce(name, frames, columns);
}

PicturePack* hudFont() { return hudPack("font1", 256, 32); }

// ---- LevelTimer ----

namespace {
constexpr int kBarLeft = 131;
constexpr int kBarTop = 27;
constexpr int kBarLayer = 349;
}  // namespace

LevelTimer::LevelTimer() {
    bar.setLayer(kBarLayer);
    bar.setPosition(kBarLeft, kBarTop);
}

void LevelTimer::setLimit(int seconds) {
    // A limit that does not fit the tick counter is as good as none running
    // out; keep it at the largest count rather than wrapping to a short one.
    const uint64_t ticks = seconds > 0 ? static_cast<uint64_t>(seconds) * kTicksPerSecond : 0;
    limit = static_cast<uint32_t>(std::min<uint64_t>(ticks, UINT32_MAX));
    elapsed = 0;
    if (limit != 0) {
        reverse = 0;
        bar.setPicture(hudPack("panel_info_bar", 1, 1), 0);
    } else {
        bar.setPicture(nullptr, 0);
    }
    placeBar();
}

void LevelTimer::clear() {
    elapsed = 0;
    placeBar();
}

bool LevelTimer::expired() const { return limit != 0 && elapsed >= limit; }

bool LevelTimer::threeQuarters() const {
    return limit != 0 && elapsed >= static_cast<uint32_t>(static_cast<uint64_t>(limit) * 3 / 4);
}

void LevelTimer::update() {
    if (!counting()) return;
    if (elapsed < UINT32_MAX) ++elapsed;
    placeBar();
}

void LevelTimer::placeBar() {
    const double f = limit == 0 ? 0.0 : std::min(static_cast<double>(elapsed) / static_cast<double>(limit), 1.0);
    const double width = bar.pack ? static_cast<double>(bar.pack->frameWidth(0)) : 0.0;
    const double shift = reverse ? width * (1.0 - f) : width * f;
    bar.setPosition(static_cast<float>(kBarLeft - shift), static_cast<float>(kBarTop));
}

// ---- ValueMeter ----

namespace {
constexpr int kMeterLayer = 312;
constexpr int kGlowLayer = 313;
constexpr int kMeterFrames = 20;
}  // namespace

ValueMeter::ValueMeter() {
    gem.setPicture(hudPack("brilliant", kMeterFrames, 10), 0);
    gem.setLayer(kMeterLayer);
    gem.centreHotSpot();
    gem.setPosition(static_cast<int>(kMagnetCentreXPx), static_cast<int>(kMagnetCentreYPx));
    glow.setPicture(hudPack("brilliant_glow", 1, 1), 0);
    glow.setLayer(kGlowLayer);
    glow.centreHotSpot();
    glow.setPosition(static_cast<int>(kMagnetCentreXPx), static_cast<int>(kMagnetCentreYPx));
    glow.setAlpha(0);
}

void ValueMeter::flashNow() {
    flash = 255;
    glowScale = 1.0f;
}

int ValueMeter::frameFor(int balls, int maxBalls) {
    if (maxBalls <= 0) return 0;
    const int64_t used = static_cast<int64_t>(std::max(balls, 0)) * 11 / maxBalls;
    return static_cast<int>(std::clamp<int64_t>(kMeterFrames - 1 - used, 0, kMeterFrames - 1));
}

void ValueMeter::show(int balls, int maxBalls) {
    if (shown && maxBalls > 0) {
        gem.setFrame(frameFor(balls, maxBalls));
        const int64_t alpha = static_cast<int64_t>(flash) * std::max(balls, 0) / maxBalls;
        glow.setAlpha(static_cast<int>(std::min<int64_t>(alpha, 255)));
        glow.setScale(glowScale, glowScale);
    } else {
        gem.setFrame(0);
        glow.setAlpha(0);
        glow.setScale(1.0f, 1.0f);
    }
}

void ValueMeter::update() {
    if (flash > 0) flash = std::max(flash - 3, 0);
    glowScale += 0.05f;
}

// ---- HudLabels ----

HudLabels::HudLabels() {
    setupLabel(lives, 190, 15, 2);
    lives.setText(getText("GAMEPLATE_LIFES"));
    setupLabel(levelName, 390, 15, 2);
    setupLabel(levelNumber, 567, 15, 2);
    if (getIniInt("Debug", "dbgstr1", 0) != 0) {
        debug1 = std::make_unique<TextLabel>();
        setupLabel(*debug1, 0, 560, 0);
    }
    if (getIniInt("Debug", "dbgstr2", 0) != 0) {
        debug2 = std::make_unique<TextLabel>();
        setupLabel(*debug2, 0, 580, 0);
    }
}

void HudLabels::setLevelLabel(int episode, int level) {
    levelNumber.setText(getText("GAMEPLATE_LEVEL") + " " + std::to_string(episode) + "-" + std::to_string(level));
    showBuildTag();
}

void HudLabels::setLevelName(const std::string& name) { levelName.setText(name); }

void HudLabels::showBuildTag() {
    if (debug1) debug1->setText(kBuildTag);
}

void HudLabels::debugLine(int balls) {
    if (!debug2) return;
    const LevelParams& p = levelParams();
    char text[256];
    std::snprintf(text, sizeof text,
                  "Balls(%d:%d) R(%d) MF(%d) GF(%d) BnsN(%d) Strt(%d) Mss(%d) T(%d) Gun(%d)", balls, p.MaxBalls,
                  p.BallSize, p.MagnetGravity, p.GlobalGravity, p.LvlBonus, p.StartFreeBall, p.BallsSpawnMiss,
                  p.FreeBallType, p.SpawnGunNo);
    debug2->setText(text);
}

void HudLabels::clearDebugLine() {
    if (debug2) debug2->setText("");
}
