// Sprites: everything drawn. Every sprite is in one intrusive draw list kept
// sorted by layer; a frame walks it once from the lowest layer to the highest.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gfx/gfx.h"
#include "gfx/particles.h"
#include "scene/input.h"

class Actor;

// What a picture sprite asks of its picture: the texture and where each
// frame lies in it. The picture packs of res are such pictures; the scene
// reads no files and knows nothing more of them.
class SpritePicture {
public:
    virtual ~SpritePicture() = default;
    virtual const std::string& texture() const = 0;
    virtual int frameCount() const = 0;
    virtual int frameWidth(int i) const = 0;
    virtual int frameHeight(int i) const = 0;
    virtual int frameX(int i) const = 0;
    virtual int frameY(int i) const = 0;
};

struct Rect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
};

constexpr int kMaxSprites = 2000;

class Sprite {
public:
    Sprite();
    virtual void refresh();
    virtual ~Sprite();
    virtual void draw(const Rect& clip) = 0;
    virtual void getRect(Rect& out) const = 0;
    virtual void setPosition(float nx, float ny);
    virtual void setPosition(int nx, int ny);
    virtual void setAlpha(int a);
    virtual void setColour(int r, int g, int b);
    virtual void setLayer(int n);
    virtual void setVisible(bool v);
    virtual void setScale(float sx, float sy);
    virtual void setScaleAboutCentre(bool on);
    virtual void setAngle(float radians);
    virtual void setHotSpot(float hx, float hy);
    virtual void centreHotSpot();
    virtual int width() const;
    virtual int height() const;

    void attachZone(int flags, Actor* handler, int value);
    void detachZone();

    Sprite* next = nullptr;
    Sprite* prev = nullptr;
    float x = 0.0f;
    float y = 0.0f;
    int32_t layer = 0;
    int32_t visible = 1;
    ZoneHandle zone;
    SpriteParams rs;

    Sprite(const Sprite&) = delete;
    Sprite& operator=(const Sprite&) = delete;
};

// Draw list.
void link(Sprite* sprite, Sprite* hint);
Sprite* unlink(Sprite* sprite);
Sprite* drawHead();
Sprite* drawTail();
int spriteCount();
void drawFrame();
void checkDrawList();

// A set of sprites moved, faded and scaled as one; does not own its children.
class GroupSprite : public Sprite {
public:
    GroupSprite(int w, int h);
    using Sprite::setPosition;
    void draw(const Rect& clip) override;
    void getRect(Rect& out) const override;
    void setPosition(int nx, int ny) override;
    void setScale(float sx, float sy) override;
    void setAlpha(int a) override;
    void setColour(int r, int g, int b) override;
    void setVisible(bool v) override;
    void setAngle(float radians) override;
    void centreHotSpot() override;
    void setHotSpot(float hx, float hy) override;

    void addChild(Sprite* child, int dx, int dy);
    void setChildOffset(Sprite* child, int dx, int dy);
    void clearChildren();

    struct Child {
        Sprite* sprite;
        int32_t dy;
        int32_t dx;
    };
    std::vector<Child> children;

private:
    void placeChild(const Child& c);
};

// One frame of a picture pack.
class PckSprite : public Sprite {
public:
    PckSprite() = default;
    void draw(const Rect& clip) override;
    void getRect(Rect& out) const override;
    int width() const override;
    int height() const override;

    void setPicture(const SpritePicture* newPack, int newFrame);
    void setFrame(int newFrame);

    const SpritePicture* pack = nullptr;
    int32_t frame = 0;
    int32_t srcX = 0, srcY = 0, frameW = 0, frameH = 0;
    std::string textureName;
};

// Carries particle effects; the particles themselves belong to the system.
class FXSprite : public Sprite {
public:
    FXSprite() = default;
    ~FXSprite() override;
    using Sprite::setPosition;
    void draw(const Rect& clip) override;
    void getRect(Rect& out) const override;
    void setPosition(int nx, int ny) override;
    void setLayer(int n) override;
    void setScale(float sx, float sy) override;

    void addEffect(const std::string& file);
    void clearEffects();
    void setTint(int r, int g, int b, int a);
    void setEmitting(bool on);

    std::vector<std::unique_ptr<EmitterInstance>> effects;
};
