#include "scene/sprite.h"

#include "frame/errors.h"
#include "gfx/particles.h"
#include "scene/actor.h"

namespace {
Sprite* g_head = nullptr;
Sprite* g_tail = nullptr;
int g_count = 0;
const Rect kScreenClip{0, 0, 799, 599};
}  // namespace

// ---- draw list ----

void link(Sprite* sprite, Sprite* hint) {
    if (!g_head) {
        g_head = g_tail = sprite;
        sprite->next = sprite->prev = nullptr;
        return;
    }
    Sprite* start = hint ? hint : g_head;
    if (start->prev && start->prev->layer > sprite->layer) start = g_head;
    Sprite* at = start;
    while (at && at->layer < sprite->layer) at = at->next;
    if (!at) {
        sprite->prev = g_tail;
        sprite->next = nullptr;
        g_tail->next = sprite;
        g_tail = sprite;
        return;
    }
    sprite->next = at;
    sprite->prev = at->prev;
    if (at->prev)
        at->prev->next = sprite;
    else
        g_head = sprite;
    at->prev = sprite;
}

Sprite* unlink(Sprite* sprite) {
    Sprite* hint = sprite->prev ? sprite->prev : sprite->next;
    if (sprite->prev)
        sprite->prev->next = sprite->next;
    else if (g_head == sprite)
        g_head = sprite->next;
    if (sprite->next)
        sprite->next->prev = sprite->prev;
    else if (g_tail == sprite)
        g_tail = sprite->prev;
    sprite->next = sprite->prev = nullptr;
    return hint;
}

Sprite* drawHead() { return g_head; }
Sprite* drawTail() { return g_tail; }
int spriteCount() { return g_count; }

void drawFrame() {
    Gfx_Clear(0);
    if (!Gfx_BeginScene()) return;
    for (Sprite* s = g_head; s; s = s->next)
        if (s->visible) s->draw(kScreenClip);
    if (Actor* overlay = gameActor()) overlay->drawOverlay();
    Gfx_EndScene();
}

void checkDrawList() {
    int reference = 0;
    bool haveReference = false;
    int backward = 0;
    for (Sprite* s = g_tail; s; s = s->prev) {
        if (!haveReference && s->layer != 0) {
            reference = s->layer;
            haveReference = true;
        }
        if (haveReference && s->layer > reference) internalError("The chain of sprites is not ordered!");
        ++backward;
    }
    if (backward != g_count) internalError("Number of sprites mismatches to the count of them!");
    int forward = 0;
    for (Sprite* s = g_head; s; s = s->next) ++forward;
    if (forward != g_count) internalError("Number of sprites mismatches to the count of them!");
}

// ---- Sprite ----

Sprite::Sprite() {
    if (++g_count > kMaxSprites) {
        --g_count;  // the object never exists, so the count must not keep it
        internalError("Too many sprites! Possibly error!");
    }
    link(this, nullptr);
    visible = 1;
}

Sprite::~Sprite() {
    unlink(this);
    --g_count;
    zone.detach();
}

void Sprite::refresh() {
    if (!zone.zone) return;
    Rect r;
    getRect(r);
    setZoneRect(zone.zone, r.left, r.top, r.right, r.bottom);
    setZonePriority(zone.zone, layer);
}

void Sprite::setPosition(float nx, float ny) {
    if (nx == x && ny == y) return;
    x = nx;
    y = ny;
    refresh();
}

void Sprite::setPosition(int nx, int ny) {
    const float fx = static_cast<float>(nx), fy = static_cast<float>(ny);
    if (fx == x && fy == y) return;
    x = fx;
    y = fy;
    refresh();
}

void Sprite::setAlpha(int a) {
    if (rs.alpha == a) return;
    rs.alpha = a;
    refresh();
}

void Sprite::setColour(int r, int g, int b) {
    if (rs.red == r && rs.green == g && rs.blue == b) return;
    rs.red = r;
    rs.green = g;
    rs.blue = b;
    refresh();
}

void Sprite::setLayer(int n) {
    if (layer == n) return;
    layer = n;
    link(this, unlink(this));
    refresh();
}

void Sprite::setVisible(bool v) {
    visible = v ? 1 : 0;
    refresh();
}

void Sprite::setScale(float sx, float sy) {
    rs.scaleX = sx;
    rs.scaleY = sy;
}
void Sprite::setScaleAboutCentre(bool on) { rs.scaleAboutCentre = on ? 1 : 0; }
void Sprite::setAngle(float radians) { rs.angle = radians; }
void Sprite::setHotSpot(float hx, float hy) {
    rs.hotX = hx;
    rs.hotY = hy;
}
void Sprite::centreHotSpot() {
    rs.hotX = static_cast<float>(rs.width) * 0.5f;
    rs.hotY = static_cast<float>(rs.height) * 0.5f;
}
int Sprite::width() const { return rs.width; }
int Sprite::height() const { return rs.height; }

void Sprite::attachZone(int flags, Actor* handler, int value) {
    zone.attach(flags, handler, layer, value);
    refresh();
}

void Sprite::detachZone() { zone.detach(); }

// ---- GroupSprite ----

GroupSprite::GroupSprite(int w, int h) {
    rs.width = w;
    rs.height = h;
}

// The children are drawn at their own places in the draw list; drawing them
// here too would blend every translucent child twice.
void GroupSprite::draw(const Rect&) {}

void GroupSprite::getRect(Rect& out) const {
    // Groups never carry a zone; report the nominal box at the position.
    out.left = static_cast<int32_t>(x);
    out.top = static_cast<int32_t>(y);
    out.right = out.left + rs.width - 1;
    out.bottom = out.top + rs.height - 1;
}

void GroupSprite::placeChild(const Child& c) {
    const int ix = static_cast<int>(x), iy = static_cast<int>(y);
    int cx, cy;
    if (rs.scaleAboutCentre) {
        const int w2 = rs.width / 2, h2 = rs.height / 2;
        cx = static_cast<int>(static_cast<float>(c.dx - w2) * rs.scaleX + static_cast<float>(ix + w2));
        cy = static_cast<int>(static_cast<float>(c.dy - h2) * rs.scaleY + static_cast<float>(iy + h2));
    } else {
        cx = static_cast<int>(static_cast<float>(c.dx) * rs.scaleX + static_cast<float>(ix));
        cy = static_cast<int>(static_cast<float>(c.dy) * rs.scaleY + static_cast<float>(iy));
    }
    c.sprite->setPosition(cx, cy);
}

void GroupSprite::setPosition(int nx, int ny) {
    Sprite::setPosition(nx, ny);
    for (const Child& c : children) placeChild(c);
}

void GroupSprite::setScale(float sx, float sy) {
    Sprite::setScale(sx, sy);
    for (const Child& c : children) {
        placeChild(c);
        c.sprite->setScale(sx, sy);
    }
}

void GroupSprite::setAlpha(int a) {
    Sprite::setAlpha(a);
    for (const Child& c : children) c.sprite->setAlpha(a);
}

void GroupSprite::setColour(int r, int g, int b) {
    Sprite::setColour(r, g, b);
    for (const Child& c : children) c.sprite->setColour(r, g, b);
}

void GroupSprite::setVisible(bool v) {
    Sprite::setVisible(v);
    for (const Child& c : children) c.sprite->setVisible(v);
}

void GroupSprite::setAngle(float radians) {
    Sprite::setAngle(radians);
    for (const Child& c : children) c.sprite->setAngle(radians);
}

void GroupSprite::centreHotSpot() {
    Sprite::centreHotSpot();
    for (const Child& c : children)
        c.sprite->setHotSpot(rs.hotX - static_cast<float>(c.dx), rs.hotY - static_cast<float>(c.dy));
}

void GroupSprite::setHotSpot(float hx, float hy) {
    // Same convention as centreHotSpot: the point stays fixed on screen, so
    // each child receives it relative to its own corner.
    Sprite::setHotSpot(hx, hy);
    for (const Child& c : children)
        c.sprite->setHotSpot(hx - static_cast<float>(c.dx), hy - static_cast<float>(c.dy));
}

void GroupSprite::addChild(Sprite* child, int dx, int dy) {
    child->setPosition(static_cast<int>(x) + dx, static_cast<int>(y) + dy);
    children.push_back(Child{child, dy, dx});
}

void GroupSprite::setChildOffset(Sprite* child, int dx, int dy) {
    for (Child& c : children) {
        if (c.sprite == child) {
            c.dx = dx;
            c.dy = dy;
            return;
        }
    }
}

void GroupSprite::clearChildren() { children.clear(); }

// ---- PckSprite ----

void PckSprite::draw(const Rect&) {
    if (!pack || frameW <= 0) return;
    Gfx_DrawQuad(x, y, textureName, srcX, srcY, frameW, frameH, &rs);
}

void PckSprite::getRect(Rect& out) const {
    if (!pack) {
        out = Rect{0, 0, -1, -1};
        return;
    }
    out.left = static_cast<int32_t>(x);
    out.top = static_cast<int32_t>(y);
    out.right = out.left + static_cast<int32_t>(static_cast<float>(frameW) * rs.scaleX);
    out.bottom = out.top + static_cast<int32_t>(static_cast<float>(frameH) * rs.scaleY);
}

int PckSprite::width() const { return pack ? pack->frameWidth(0) : 0; }
int PckSprite::height() const { return pack ? pack->frameHeight(0) : 0; }

void PckSprite::setPicture(const SpritePicture* newPack, int newFrame) {
    if (newPack == pack && newFrame == frame) return;
    pack = newPack;
    frame = newFrame;
    if (pack) {
        rs.width = pack->frameWidth(0);
        rs.height = pack->frameHeight(0);
        srcX = pack->frameX(frame);
        srcY = pack->frameY(frame);
        frameW = pack->frameWidth(frame);
        frameH = pack->frameHeight(frame);
        textureName = pack->texture();
    } else {
        rs.width = rs.height = 0;
        srcX = srcY = frameW = frameH = 0;
        textureName.clear();
    }
    refresh();
}

void PckSprite::setFrame(int newFrame) {
    if (newFrame == frame) return;
    frame = newFrame;
    if (pack) {
        srcX = pack->frameX(frame);
        srcY = pack->frameY(frame);
        frameW = pack->frameWidth(frame);
        frameH = pack->frameHeight(frame);
    }
    refresh();
}

// ---- FXSprite ----

FXSprite::~FXSprite() { clearEffects(); }

void FXSprite::draw(const Rect&) { Gfx_DrawParticles(layer); }

void FXSprite::getRect(Rect& out) const { out = Rect{0, 0, -1, -1}; }

void FXSprite::setPosition(int nx, int ny) {
    Sprite::setPosition(nx, ny);
    for (auto& e : effects) e->setPosition(nx, ny);
}

void FXSprite::setLayer(int n) {
    Sprite::setLayer(n);
    for (auto& e : effects) e->setLayer(n);
}

void FXSprite::setScale(float sx, float sy) {
    Sprite::setScale(sx, sy);
    for (auto& e : effects) e->setScale(sx, sy);
}

void FXSprite::addEffect(const std::string& file) {
    if (layer == 0) setLayer(1000000);  // effects float above everything unless given a layer
    for (auto& instance : createEffectInstances(file)) {
        instance->setLayer(layer);
        effects.push_back(std::move(instance));
    }
    const int ix = static_cast<int>(x), iy = static_cast<int>(y);
    for (auto& e : effects) e->setPosition(ix, iy);
}

void FXSprite::clearEffects() { effects.clear(); }

void FXSprite::setTint(int r, int g, int b, int a) {
    setColour(r, g, b);
    setAlpha(a);
    for (auto& e : effects)
        e->setTint(static_cast<float>(r) / 255.0f, static_cast<float>(g) / 255.0f,
                   static_cast<float>(b) / 255.0f, static_cast<float>(a) / 255.0f);
}

void FXSprite::setEmitting(bool on) {
    for (auto& e : effects) e->setEmitting(on);
}
