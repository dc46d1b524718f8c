#include "game/bonuses.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "anim/commands.h"
#include "frame/random.h"
#include "game/cannon.h"
#include "game/field.h"
#include "game/game_pictures.h"
#include "game/game_sound.h"
#include "game/level.h"
#include "game/object_cmd.h"
#include "res/picture_pack.h"

namespace {

constexpr int kBonusPoints = 1000;
constexpr int kBombPoints = 50;
constexpr int kDegaussTicks = 1280;
constexpr int kCrystalLayer = 315;
// The reach of the area bonuses for a ball of standard size, in pixels.
constexpr double kBonusRadiusPx = 156.0;
constexpr double kRocketHalfWidthPx = 52.0;
// Balls blown away by a bonus go one after another: a tick per tenth of a
// field unit of distance.
constexpr double kDelayTicksPerUnit = 10.0;
constexpr double kScreenBottom = 600.0;

// A crystal falls for at most this long; one that reaches the gun's band
// beside the gun falls on to the bottom edge and is gone.
constexpr int kCrystalFallTicks = 450;
constexpr double kCrystalLostY = 590.0;
constexpr int kCrystalMissedTicks = 15;  // falling on after a miss
constexpr int kCrystalCaughtTicks = 20;  // fading out after a catch
constexpr double kCrystalDrop = 50.0;    // the first fall: its height over this, upwards

// A rating banner flies off diagonally from the screen's middle, shrinking:
// fast for a few ticks, then at a third of the speed while it fades.
constexpr float kScreenCentreX = 400.0f;
constexpr float kBannerSpeed = 6.0f;
constexpr int kBannerFastTicks = 12;
constexpr float kBannerShrinkTicks = 55.0f;
constexpr int kBannerFadeTicks = 45;
constexpr double kBannerFadeAlpha = 196.0;

void dispose(SlideShowCommand* show) {
    if (!show) return;
    show->stop();
    show->kill();
}

SlideShow* makePicture(Actor* owner, PicturePack* pack, int layer) {
    auto* show = new SlideShow;
    show->setOwner(owner, 0);
    show->sprite.setPicture(pack, 0);
    show->sprite.setLayer(layer);
    return show;
}

double distance(const FieldObject& b, double px, double py) { return std::hypot(b.x() - px, b.y() - py); }

int delayFor(double units) { return static_cast<int>(std::floor(kDelayTicksPerUnit * units)); }

// Balls the area bonuses act on: live ordinary or bonus balls.
bool plainBall(const FieldObject& b) { return b.kind == kKindBall && !b.special(); }

}  // namespace

// ---------------------------------------------------------------- bonus step

const char* bonusSound(int kind) {
    static const char* const kSounds[kBonusKindCount] = {
        "bonus_bomb",    "bonus_ink",       "bonus_rocket",         "bonus_degauss",
        "bonus_fireball", "bonus_lightning", "bonus_lightning_mega", "bonus_fireball_mega"};
    return kind >= 0 && kind < kBonusKindCount ? kSounds[kind] : "";
}

double bonusRadius() { return kBonusRadiusPx * level::ballSizeFactor() / kPixelsPerUnit; }
double rocketHalfWidth() { return kRocketHalfWidthPx * level::ballSizeFactor() / kPixelsPerUnit; }

namespace {

// Targets of one lightning bolt and of the mega one.
constexpr size_t kLightningTargets = 5;
constexpr size_t kMegaLightningTargets = 10;
// The field's bottom edge in field units: the rocket clears upwards from it.
constexpr double kFieldBottom = 9.0;

void scoreBonus(const BonusScoring& scoring, int n) {
    if (scoring.scoreBonus)
        scoring.scoreBonus(n);
    else if (fieldHooks().scoreBonus)
        fieldHooks().scoreBonus(n);
}

// Every plain ball within the bonus radius goes, the nearest first.
void bombArea(PhysicsField& f, const BonusScoring& scoring, double px, double py) {
    const double R = bonusRadius();
    for (auto& [bid, bp] : f.objects) {
        FieldObject& B = *bp;
        if (B.visited || !plainBall(B)) continue;
        const double d = distance(B, px, py);
        if (d >= R) continue;
        B.visited = 1;
        destroyBall(B, delayFor(d), 0);
        scoreBonus(scoring, kBombPoints);
    }
}

// Every plain ball within the bonus radius takes the gun's next colour.
void inkArea(PhysicsField& f, const BonusScoring& scoring, double px, double py) {
    const int c = scoring.nextColour ? scoring.nextColour(-1) : fieldNextColour(-1);
    // No colour left to paint with: nothing to recolour.
    if (c < 0 || c >= kMaxColours) return;
    const double R = bonusRadius();
    for (auto& [bid, bp] : f.objects) {
        FieldObject& B = *bp;
        if (B.visited || !plainBall(B) || B.type == kBonusBall) continue;
        const double d = distance(B, px, py);
        if (d < R) recolourBall(B, c, delayFor(d));
    }
}

// The column above and below the bonus ball is cleared.
void rocketColumn(PhysicsField& f, double px) {
    const double half = rocketHalfWidth();
    for (auto& [bid, bp] : f.objects) {
        FieldObject& B = *bp;
        if (B.visited || !plainBall(B) || B.type == kBonusBall) continue;
        if (std::fabs(B.x() - px) >= half) continue;
        B.visited = 1;
        // From the bottom edge upwards: the lowest ball goes first.
        destroyBall(B, std::max(0, delayFor(kFieldBottom - B.y())), 3);
    }
}

// Bolts from the bonus ball to balls drawn at random.
void lightningStrikes(PhysicsField& f, bool mega, double px, double py) {
    std::vector<FieldObject*> targets;
    for (auto& [bid, bp] : f.objects) {
        FieldObject& B = *bp;
        if (!B.visited && B.kind == kKindBall && !B.special() && B.type != kBonusBall && !B.dying)
            targets.push_back(&B);
    }
    for (size_t i = 1; i < targets.size(); ++i)
        std::swap(targets[i], targets[static_cast<size_t>(vmRand()) % (i + 1)]);
    const size_t count = std::min(mega ? kMegaLightningTargets : kLightningTargets, targets.size());
    for (size_t i = 0; i < count; ++i) {
        FieldObject& B = *targets[i];
        const int delay = delayFor(distance(B, px, py));
        const auto fx = static_cast<float>(px), fy = static_cast<float>(py);
        if (mega)
            strikeBallMega(B, fx, fy, delay);
        else
            strikeBall(B, fx, fy, delay);
    }
}

}  // namespace

void fireBonuses(PhysicsField& f, const BonusScoring& scoring) {
    f.clearVisited();
    // Bonuses fired here may trigger others only through their balls'
    // sequences (a later tick), so the map does not change under the loop.
    for (auto& [id, jp] : f.objects) {
        FieldObject& J = *jp;
        if (J.visited || J.type != kBonusBall || !J.bonusTriggered) continue;
        const double px = J.x(), py = J.y();
        J.visited = 1;
        const int k = level::LvlBonus();
        if (scoring.addSilent) scoring.addSilent(kBonusPoints);
        J.bonusKind = k;
        if (k == kBonusFireball)
            fireballBonusBall(J, 1);
        else if (k == kBonusMegaFireball)
            megaFireballBonusBall(J, 1);
        else
            explodeBonusBall(J, 1);  // also a level with an unknown kind: the ball still goes
        if (*bonusSound(k)) playGameSound(bonusSound(k));

        switch (k) {
            case kBonusBomb: bombArea(f, scoring, px, py); break;
            case kBonusInk: inkArea(f, scoring, px, py); break;
            case kBonusRocket: rocketColumn(f, px); break;
            case kBonusDegauss:
                for (auto& [bid, bp] : f.objects)
                    if (!bp->visited && bp->kind == kKindMagnet) degauss(*bp, kDegaussTicks);
                break;
            case kBonusLightning:
            case kBonusMegaLightning: lightningStrikes(f, k == kBonusMegaLightning, px, py); break;
            default: break;  // the fireballs work through the ball's own sequence
        }
    }
}

// ---------------------------------------------------------------- crystals

CatchBand gunCatchBand(const Cannon* gun) {
    CatchBand band;
    const double s = level::ballSizeFactor();
    PicturePack* middle = gamePack("gun_middle");
    band.line = kScreenBottom - (frameCount(middle) > 0 ? middle->frameHeight(0) - 10 : -10) * s;
    if (!gun || !gun->sideLeft || !gun->sideRight) return band;
    band.left = static_cast<int>(std::floor(gun->sideLeft->sprite.x));
    band.right = static_cast<int>(std::ceil(gun->sideRight->sprite.x + s * gun->sideRight->sprite.width()));
    return band;
}

CBonusPlus::CBonusPlus(int px, int py, Crystals* list) : home(list) {
    static const char* const kSuffix[6] = {"_red", "2_white", "3_brown", "3_green", "3_red", "3_white"};
    picture = makePicture(this, gamePack(std::string("balls//prizm") + kSuffix[vmRand() % 6]), kCrystalLayer);
    effect = new SlideShowFX;
    effect->setOwner(this, 1);
    effect->sprite.setLayer(kCrystalLayer + 1);
    x = px;
    y = py;
    vx = (vmRand() % 200) / 100.0 - 1.0;
    vy = -y / kCrystalDrop;
    playGameSound("spawn_crystal");
    place();
}

CBonusPlus::~CBonusPlus() {
    if (home) home->forget(this);
    dispose(picture);
    dispose(effect);
}

void CBonusPlus::place() {
    picture->sprite.setPosition(static_cast<float>(x), static_cast<float>(y));
    picture->sprite.setAlpha(alpha);
}

void CBonusPlus::move() {
    x += vx;
    vy += g;
    y += vy;
}

void CBonusPlus::update() {
    if (frozen || dead) return;
    // The picture plays over and over.
    const int frames = frameCount(picture->sprite.pack);
    if (frames > 1) picture->sprite.setFrame((picture->sprite.frame + 1) % frames);
    switch (state) {
        case kNew:
            state = kFalling;
            break;
        case kFalling: {
            if (++ticks > kCrystalFallTicks) {
                state = kMissed;
                ticks = 0;
            }
            move();
            const CatchBand band = home ? gunCatchBand(home->gun) : CatchBand{};
            if (state == kFalling && y > band.line) {
                ticks = 0;
                const int x0 = static_cast<int>(x);
                const int x1 = x0 + picture->sprite.width();
                if (band.left <= band.right && x1 >= band.left && x0 <= band.right)
                    catchCrystal();
                else if (y > kCrystalLostY)
                    state = kMissed;
            }
            break;
        }
        case kMissed:
            move();
            if (++ticks >= kCrystalMissedTicks) state = kFinished;
            break;
        case kCaught: {
            ++ticks;
            const double k = static_cast<double>(ticks) / kCrystalCaughtTicks;
            alpha = std::max(0, static_cast<int>(std::floor((1.0 - k * k) * 255.0)));
            if (ticks >= kCrystalCaughtTicks) state = kFinished;
            break;
        }
        default:
            break;
    }
    place();
    if (state == kFinished) finish();
}

void CBonusPlus::catchCrystal() {
    if (state == kCaught || state == kFinished) return;
    playGameSound("catch_crystal");
    if (home && home->scoreCrystal) home->scoreCrystal(value);
    effect->sprite.clearEffects();
    effect->sprite.addEffect("fx_bonusdrop.fx");
    effect->sprite.setPosition(static_cast<int>(x), static_cast<int>(y));
    state = kCaught;
    ticks = 0;
}

void CBonusPlus::finish() {
    effect->sprite.setEmitting(false);
    if (home) home->forget(this);
    home = nullptr;
    kill();
}

Crystals::~Crystals() {
    for (CBonusPlus* c : list_) c->home = nullptr;
}

CBonusPlus* Crystals::dropCrystal(int x, int y) {
    auto* c = new CBonusPlus(x, y, this);
    list_.push_back(c);
    return c;
}

void Crystals::collectCrystals() {
    // catchCrystal leaves the crystal in the list until it has faded.
    const std::vector<CBonusPlus*> now = list_;
    for (CBonusPlus* c : now)
        if (c->state == CBonusPlus::kNew || c->state == CBonusPlus::kFalling) c->catchCrystal();
}

void Crystals::pause() {
    for (CBonusPlus* c : list_) c->frozen = 1;
}

void Crystals::resume() {
    for (CBonusPlus* c : list_) c->frozen = 0;
}

void Crystals::forget(CBonusPlus* crystal) { list_.erase(std::remove(list_.begin(), list_.end(), crystal), list_.end()); }

// ---------------------------------------------------------------- banners

int32_t Bonus::nextDirection = 0;

Bonus::Bonus(PicturePack* pic, int layer, int atY, float speed) {
    picture = makePicture(this, pic, layer);
    picture->sprite.setScaleAboutCentre(true);
    x = kScreenCentreX - static_cast<float>(picture->sprite.width()) / 2.0f;
    y = static_cast<float>(atY);
    const int d = nextDirection;
    nextDirection = (nextDirection + 1) % 4;
    const float v = kBannerSpeed * speed;
    vx = (d == 0 || d == 3) ? v : -v;
    vy = (d == 0 || d == 1) ? v : -v;
    place();
}

Bonus::~Bonus() { dispose(picture); }

void Bonus::place() {
    picture->sprite.setPosition(x, y);
    picture->sprite.setScale(scale, scale);
    picture->sprite.setAlpha(alpha);
}

void Bonus::update() {
    if (dead) return;
    auto shrink = [this] {
        ++shrinkTicks;
        const float k = static_cast<float>(shrinkTicks) / kBannerShrinkTicks;
        scale = std::max(0.0f, 1.0f - k * k);
    };
    switch (phase) {
        case 0:
            phase = 1;
            break;
        case 1:
            shrink();
            x += vx;
            y += vy;
            if (shrinkTicks >= kBannerFastTicks) phase = 2;
            break;
        case 2: {
            shrink();
            x += vx / 3.0f;
            y += vy / 3.0f;
            const double k = static_cast<double>(fadeTicks) / kBannerFadeTicks;
            alpha = static_cast<int>(std::floor((1.0 - k * k) * kBannerFadeAlpha));
            if (++fadeTicks >= kBannerFadeTicks) phase = 3;
            break;
        }
        default:
            kill();
            return;
    }
    place();
}

DelayedBonusWithSound::DelayedBonusWithSound(PicturePack* pic, int bannerLayer, int atY, const std::string& sound,
                                             int delay)
    : pack(pic), layer(bannerLayer), y(atY) {
    sequence = new SlideShow;
    sequence->setOwner(this, 1);
    if (delay > 0) sequence->enqueue(new SSC_Wait(delay));
    sequence->enqueue(new SSC_Sound(sound));
    sequence->enqueue(new SSC_Msg(1, 0));
}

DelayedBonusWithSound::~DelayedBonusWithSound() { dispose(sequence); }

int DelayedBonusWithSound::onNotify(int id, int msg, int a, int) {
    if (id == 1 && msg == 0 && a == 1 && !dead) {
        new Bonus(pack, layer, y, 1.0f);
        kill();
    }
    return 1;
}

BonusSpoiler::BonusSpoiler(PicturePack* pic, int layer, int atY) {
    picture = makePicture(this, pic, layer);
    picture->sprite.setScaleAboutCentre(true);
    picture->sprite.setPosition(kScreenCentreX - static_cast<float>(picture->sprite.width()) / 2.0f,
                                static_cast<float>(atY));
    picture->sprite.setAlpha(255);
}

BonusSpoiler::~BonusSpoiler() { dispose(picture); }

void BonusSpoiler::leave() {
    if (phase != 1) return;
    phase = 2;
    shrink = 0;
    leaveScale = scale;
}

int BonusSpoiler::onNotify(int id, int msg, int a, int b) {
    // Its own picture's reports pass on; anything else tells it to leave.
    if (id == 0 && msg == 0) return notifyOwner(msg, a, b);
    leave();
    return 1;
}

void BonusSpoiler::update() {
    if (dead) return;
    constexpr double kHalfPi = 1.5707963267948966;
    if (phase == 1) {
        scale = static_cast<float>(1.0 - std::sin(t / 80.0 * kHalfPi) * 0.5);
        if (dir > 0 && t >= 80)
            dir = -1;
        else if (dir < 0 && t <= 0)
            dir = 1;
        t += dir;
    } else if (phase == 2) {
        ++shrink;
        scale = leaveScale * static_cast<float>(45 - shrink) / 45.0f;
        if (shrink >= 45) phase = 3;
    } else {
        picture->enqueue(new SSC_Msg(1, 0));
        kill();
        return;
    }
    picture->sprite.setScale(scale, scale);
}

BonusLevelSpoiler::BonusLevelSpoiler(PicturePack* pic, int layer, int, PicturePack* digits, int levelNumber) {
    auto add = [&](PicturePack* pack, int frame) {
        SlideShow* s = makePicture(this, pack, layer);
        s->sprite.setPicture(pack, frame);
        pictures.push_back(s);
        return s;
    };
    SlideShow* title = add(pic, 0);
    const int w = title->sprite.width(), h = title->sprite.height();
    title->sprite.setPosition(-w, 300 - h);
    auto* in = new SSC_MorphTo(400 - w / 2, 300 - h);
    in->setLength(kSlideTicks);
    title->enqueue(in);

    const int number = std::max(0, levelNumber);
    std::vector<SlideShow*> row;
    if (number / 100 % 10 != 0) row.push_back(add(digits, number / 100 % 10));
    row.push_back(add(digits, number / 10 % 10));
    row.push_back(add(gamePack("level_line"), 0));
    row.push_back(add(digits, number % 10));
    int total = 0;
    for (SlideShow* s : row) total += s->sprite.width();
    int at = 400 - total / 2;
    for (SlideShow* s : row) {
        s->sprite.setPosition(800 + (at - (400 - total / 2)), 300);
        auto* slide = new SSC_MorphTo(at, 300);
        slide->setLength(kSlideTicks);
        s->enqueue(slide);
        at += s->sprite.width();
    }
    leave();
}

BonusLevelSpoiler::~BonusLevelSpoiler() {
    for (SlideShow* s : pictures) dispose(s);
}

void BonusLevelSpoiler::leave() {
    if (leaving) return;
    leaving = 1;
    count = kLeaveTicks;
}

void BonusLevelSpoiler::update() {
    if (dead || !leaving) return;
    --count;
    alpha = std::clamp(static_cast<int>(std::floor(count / static_cast<double>(kLeaveTicks) * 1255.0)), 0, 255);
    for (SlideShow* s : pictures) s->sprite.setAlpha(alpha);
    if (count <= 0) kill();
}
