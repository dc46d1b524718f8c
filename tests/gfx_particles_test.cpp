#include <cmath>
#include <numbers>

#include "frame/settings.h"
#include "gfx_support.h"
#include "res/picture_pack.h"
#include "scene/sprite.h"

namespace {

class ParticleTest : public GfxTest {
protected:
    void SetUp() override {
        GfxTest::SetUp();
        vmSeed(12345);
        particlesEnableDrawing();
    }
    void effect(const std::string& name, const std::string& text) {
        writeText("fx/" + name, text);
        loadAllEffectsFrom(folder + "fx/");
    }
    // One simulation step of exactly three logic ticks.
    void step(float dt = 0.0375f) {
        particlesSetFrameTime(dt);
        particlesAdvance();
    }
    std::vector<const Particle*> live() const {
        std::vector<const Particle*> out;
        for (int i = 0; i < veParticleSystem::kPoolSize; ++i)
            if (particleSystem().particle(i).live()) out.push_back(&particleSystem().particle(i));
        return out;
    }
    std::vector<RecordingDevice::Draw> meshDraws() const {
        std::vector<RecordingDevice::Draw> out;
        for (const auto& d : dev->draws)
            if (d.call == RecordingDevice::Call::Mesh) out.push_back(d);
        return out;
    }
};

}  // namespace

TEST_F(ParticleTest, BareEmitterUsesEveryDefault) {
    effect("bare.fx", "Emitter\n");
    const auto& defs = effectCache().at("bare.fx");
    ASSERT_EQ(defs.size(), 1u);
    const EmitterDef& d = defs[0];
    EXPECT_FLOAT_EQ(d.emitInterval, 0.01f);
    EXPECT_EQ(d.particlesPerEmit, 1);
    EXPECT_FLOAT_EQ(d.scatterA, 60);
    EXPECT_FLOAT_EQ(d.life, 5);
    EXPECT_EQ(d.lifeVariation, 100);
    EXPECT_FLOAT_EQ(d.velocity, 300);
    EXPECT_EQ(d.spinVariation, 100);
    EXPECT_EQ(d.sizeCurve.keys->size(), 3u);
    EXPECT_EQ(d.textureId, 0);

    FXSprite sprite;
    sprite.setPosition(400, 300);
    sprite.addEffect("bare.fx");
    EXPECT_EQ(sprite.layer, 1000000);
    ASSERT_EQ(sprite.effects.size(), 1u);
    for (int i = 0; i < 10; ++i) step();
    const auto ps = live();
    EXPECT_GE(ps.size(), 8u);  // one per step; lives are 0..10 s
    EXPECT_LE(ps.size(), 10u);
    for (const Particle* p : ps) {
        EXPECT_GE(p->life, 0.0f);
        EXPECT_LT(p->life, 10.0f);
        // Down, turned one way by 0..59 whole degrees.
        const double turn = std::atan2(-p->dirX, p->dirY) * 180.0 / std::numbers::pi;
        EXPECT_GE(turn, -1e-3);
        EXPECT_LT(turn, 59.001);
        EXPECT_EQ(p->layer, 1000000);
        EXPECT_GT(p->offsetY, 0.0f);
        EXPECT_FLOAT_EQ(p->originX, 400);
    }
    // The newest particle is near its birth: small, red.
    const Particle* young = ps.back();
    EXPECT_NEAR(young->sizeNow, 0.2f, 0.05f);
    EXPECT_GT(young->rgba[0], 0.9f);
}

TEST_F(ParticleTest, CurvesSampleForwardAndASingleKeyIgnoresTime) {
    Curve c;
    c.set({{0.0f, 0.0f}, {0.5f, 10.0f}, {1.0f, 0.0f}});
    c.scale = 2.0f;
    EXPECT_FLOAT_EQ(c.sample(0.25f), 10.0f);
    EXPECT_EQ(c.cursor, 1u);
    EXPECT_FLOAT_EQ(c.sample(0.75f), 10.0f);
    EXPECT_EQ(c.cursor, 2u);
    EXPECT_FLOAT_EQ(c.sample(1.0f), 0.0f);

    effect("size.fx", "Emitter SizeOverLife 1 7 0.5 PartLifeTime 1 PartRandomness 0\n");
    FXSprite sprite;
    sprite.addEffect("size.fx");
    for (int i = 0; i < 20; ++i) {
        step();
        for (const Particle* p : live()) EXPECT_FLOAT_EQ(p->sizeNow, 7.0f);
    }
}

TEST_F(ParticleTest, CyclesEmitThreeTimesThenPause) {
    for (int i = 0; i < 10; ++i) step();  // the clock has been running a while
    effect("cycle.fx",
           "Emitter UseCycle 1 EmitsPerCycle 3 EmitInterval 0.1 CycleInterval 1 "
           "PartLifeTime 100 PartRandomness 0\n");
    FXSprite sprite;
    sprite.addEffect("cycle.fx");
    std::vector<float> emissions;
    size_t count = 0;
    for (int i = 0; i < 60; ++i) {
        const float before = particleSystem().clock();
        step();
        if (live().size() > count) emissions.push_back(before);
        count = live().size();
    }
    ASSERT_GE(emissions.size(), 5u);
    EXPECT_GT(emissions[1] - emissions[0], 0.1f);
    EXPECT_LT(emissions[1] - emissions[0], 0.14f);
    EXPECT_GT(emissions[2] - emissions[1], 0.1f);
    EXPECT_NEAR(emissions[3] - emissions[2], 0.8f, 0.04f);
    EXPECT_GT(emissions[4] - emissions[3], 0.1f);
    EXPECT_NEAR(emissions[3] - emissions[0], 1.0f, 0.1f);
}

TEST_F(ParticleTest, BurstsRepeatOneParticleWithGrowingDelays) {
    effect("burst.fx",
           "Emitter BurstSize 4 BurstDelay 0.05 UseCycle 1 SingleEmit 1 CycleInterval 10 "
           "PartLifeTime 5 PartRandomness 0\n");
    FXSprite sprite;
    sprite.setPosition(10, 20);
    sprite.addEffect("burst.fx");
    step();
    auto ps = live();
    ASSERT_EQ(ps.size(), 4u);
    EXPECT_FLOAT_EQ(ps[0]->startDelay, 0.0f);
    EXPECT_NEAR(ps[1]->startDelay, 0.05f - 0.0375f, 1e-5);
    EXPECT_NEAR(ps[2]->startDelay, 0.10f - 0.0375f, 1e-5);
    EXPECT_NEAR(ps[3]->startDelay, 0.15f - 0.0375f, 1e-5);
    for (const Particle* p : ps) {
        EXPECT_FLOAT_EQ(p->dirX, ps[0]->dirX);
        EXPECT_FLOAT_EQ(p->speed.scale, ps[0]->speed.scale);
    }
    for (int i = 0; i < 10; ++i) step();
    EXPECT_EQ(live().size(), 4u);  // single emit: nothing more
    // Each copy runs the same path 0.05 s behind the one before.
    ps = live();
    EXPECT_NEAR(ps[0]->age - ps[1]->age, 0.05f, 1e-4);
    EXPECT_NEAR(ps[1]->age - ps[2]->age, 0.05f, 1e-4);
}

TEST_F(ParticleTest, HugeMassFreezesAParticleWhileItStillAges) {
    effect("frozen.fx", "Emitter PartMass 1 1000000 0 PartLifeTime 10 PartRandomness 0 ScatterAngle 0 0\n");
    FXSprite sprite;
    sprite.addEffect("frozen.fx");
    step();
    const Particle& first = *live().front();
    for (int i = 0; i < 40; ++i) step();
    EXPECT_FLOAT_EQ(first.offsetX, 0.0f);
    EXPECT_FLOAT_EQ(first.offsetY, 0.0f);
    EXPECT_GT(first.age, 1.5f);
    EXPECT_GT(first.rgba[1], 0.2f);  // red turning green
}

TEST_F(ParticleTest, UnknownWordsAreReportedOneTokenAtATime) {
    effect("u.fx", "Emitter Bogus 1 2 Velocity 50 Texture spark.png\n");
    const std::string prefix = "Sprite: error while reading emmiter u.fx, string: ";
    EXPECT_EQ(debugLog().substr(0, debugLog().find("DUvad")),
              prefix + "Bogus, laststring:Emitter\n" + prefix + "1, laststring:Bogus\n" + prefix + "2, laststring:1\n");
    const EmitterDef& d = effectCache().at("u.fx").at(0);
    EXPECT_FLOAT_EQ(d.velocity, 50);
    EXPECT_EQ(d.texture, "spark.png");
    EXPECT_EQ(d.textureId, 1);

    // Reading stops at a value that does not parse.
    effect("stop.fx", "Emitter Velocity fast Emitter\n");
    EXPECT_EQ(effectCache().at("stop.fx").size(), 1u);
    // An unknown effect gives no emitters.
    FXSprite sprite;
    sprite.addEffect("nothing.fx");
    EXPECT_TRUE(sprite.effects.empty());
}

TEST_F(ParticleTest, ParticlesFollowTheirEmitterAndOutliveIt) {
    effect("trail.fx", "Emitter BindToEmitter 1 PartLifeTime 10 PartRandomness 0 Velocity 100\n");
    auto sprite = std::make_unique<FXSprite>();
    sprite->setPosition(100, 100);
    sprite->addEffect("trail.fx");
    step();
    sprite->setPosition(200, 150);
    step();
    for (const Particle* p : live()) EXPECT_FLOAT_EQ(p->originX, 200);
    const size_t n = live().size();
    sprite->clearEffects();
    EXPECT_TRUE(particleSystem().instances().empty());
    sprite->setPosition(300, 300);
    const float before = live().front()->offsetY;
    step();
    EXPECT_EQ(live().size(), n);
    for (const Particle* p : live()) {
        EXPECT_EQ(p->source, nullptr);
        EXPECT_FLOAT_EQ(p->originX, 200);
    }
    EXPECT_GT(live().front()->offsetY, before);
    sprite.reset();
    step();
    EXPECT_EQ(live().size(), n);
}

TEST_F(ParticleTest, ThePoolHoldsThreeThousandAndDropsTheRest) {
    effect("flood.fx", "Emitter ParticlesPerEmit 4000 PartLifeTime 50 PartRandomness 0\n");
    FXSprite sprite;
    sprite.addEffect("flood.fx");
    step();
    EXPECT_EQ(particleSystem().liveCount(), 3000);
    step();
    EXPECT_EQ(particleSystem().liveCount(), 3000);
    killAllParticles();
    EXPECT_EQ(particleSystem().liveCount(), 0);
    EXPECT_FLOAT_EQ(sprite.effects[0]->nextEmission, 0.0f);
    // Killed particles are not drawn even before the next simulation step.
    ASSERT_TRUE(Gfx_BeginScene());
    Gfx_DrawParticles(2000000);
    Gfx_EndScene();
    EXPECT_TRUE(meshDraws().empty());
}

TEST_F(ParticleTest, BatchesDrawOncePerFrameAtTheFirstEffectSpriteAboveThem) {
    writeSolidPng("particles/a.png", 4, 4);
    effect("low.fx", "Emitter Texture a.png PartLifeTime 50 PartRandomness 0\n");
    effect("dark.fx", "Emitter IsUseDarkShading 1 PartLifeTime 50 PartRandomness 0\n");
    FXSprite low, high;
    low.setLayer(5);
    high.setLayer(10);
    low.addEffect("low.fx");
    high.addEffect("dark.fx");
    step();
    step();
    ASSERT_EQ(particleSystem().groups().size(), 2u);

    ASSERT_TRUE(Gfx_BeginScene());
    Gfx_DrawParticles(7);
    auto draws = meshDraws();
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0].blendFlags, 0u);  // additive
    EXPECT_NE(draws[0].texture, 0u);
    EXPECT_EQ(draws[0].count, 4);  // two particles, two triangles each
    Gfx_DrawParticles(12);
    Gfx_DrawParticles(12);
    draws = meshDraws();
    ASSERT_EQ(draws.size(), 2u);
    EXPECT_EQ(draws[1].blendFlags, kBlendAlpha);
    EXPECT_EQ(draws[1].texture, 0u);
    EXPECT_EQ(draws[1].firstIndex, 12);
    Gfx_EndScene();

    ASSERT_TRUE(Gfx_BeginScene());
    Gfx_DrawParticles(20);
    EXPECT_EQ(meshDraws().size(), 4u);
    Gfx_EndScene();
}

TEST_F(ParticleTest, SquaresTurnWithSpinAndColoursRound) {
    effect("sq.fx",
           "Emitter SizeOverLife 1 5 0 SpinOverLife 1 0 0 SpinVariation 0 Velocity 0 "
           "PartColor 1 0.5 0.25 1 2 0 PartLifeTime 50 PartRandomness 0 ReColor 1\n");
    FXSprite sprite;
    sprite.setLayer(3);
    sprite.setPosition(100, 50);
    sprite.addEffect("sq.fx");
    step();
    ASSERT_TRUE(Gfx_BeginScene());
    Gfx_DrawParticles(3);
    Gfx_EndScene();
    auto draws = meshDraws();
    ASSERT_EQ(draws.size(), 1u);
    const auto& v = draws[0].vertices;
    ASSERT_EQ(v.size(), 4u);
    EXPECT_NEAR(v[0].x, 95, 1e-4);
    EXPECT_NEAR(v[0].y, 45, 1e-4);
    EXPECT_NEAR(v[1].x, 105, 1e-4);
    EXPECT_NEAR(v[1].y, 45, 1e-4);
    EXPECT_NEAR(v[2].x, 95, 1e-4);
    EXPECT_NEAR(v[2].y, 55, 1e-4);
    EXPECT_NEAR(v[3].x, 105, 1e-4);
    EXPECT_FLOAT_EQ(v[3].u, 1); EXPECT_FLOAT_EQ(v[3].v, 1);
    EXPECT_EQ(v[0].colour, 0xFF8040FFu);
    // The mesh indices run 4k, 4k+1, 4k+3, 4k, 4k+3, 4k+2.
    ASSERT_GE(dev->meshIndices.size(), 12u);
    EXPECT_EQ(std::vector<uint16_t>(dev->meshIndices.begin() + 6, dev->meshIndices.begin() + 12),
              (std::vector<uint16_t>{4, 5, 7, 4, 7, 6}));

    // A tint recolours new particles of recolouring emitters; alpha stays.
    sprite.setTint(0, 255, 0, 10);
    killAllParticles();
    step();
    ASSERT_EQ(live().size(), 1u);
    EXPECT_FLOAT_EQ(live()[0]->rgba[0], 0);
    EXPECT_FLOAT_EQ(live()[0]->rgba[1], 1);
    EXPECT_FLOAT_EQ(live()[0]->rgba[3], 2);
}

TEST_F(ParticleTest, NothingIsDrawnBeforeTheFirstAdvanceOrWithoutSteps) {
    particleSystem().reset();
    effect("bare.fx", "Emitter PartLifeTime 50 PartRandomness 0\n");
    FXSprite sprite;
    sprite.addEffect("bare.fx");
    step(0.01f);  // below the 0.03 s step: nothing simulated
    EXPECT_EQ(particleSystem().liveCount(), 0);
    step(0.025f);
    EXPECT_EQ(particleSystem().liveCount(), 1);
    ASSERT_TRUE(Gfx_BeginScene());
    Gfx_DrawParticles(2000000);
    Gfx_EndScene();
    EXPECT_TRUE(meshDraws().empty());  // drawing not enabled yet
    particlesEnableDrawing();
    ASSERT_TRUE(Gfx_BeginScene());
    Gfx_DrawParticles(2000000);
    Gfx_EndScene();
    EXPECT_EQ(meshDraws().size(), 1u);
}

TEST_F(ParticleTest, SettingsNameTheFoldersAndLiveUpdateRereadsEffects) {
    writeText("vm_game.ini", "[Game]\nFXSystemPath=" + folder + "fx\nPicturesPath=" + folder +
                                 "pic\n[Debug]\npsLiveUpdate=1\n");
    ASSERT_TRUE(selectIniFile(folder + "vm_game.ini", false));
    readEngineSettings();
    textureBank().setParticleFolder("");  // from the pictures folder
    writeSolidPng("pic/particles/p.png", 2, 2);
    writeSolidPng("pic/logo.png", 10, 4);
    writeText("fx/live.fx", "Emitter Velocity 10\n");
    loadAllEffects();
    EXPECT_EQ(effectCache().count("live.fx"), 1u);

    PicturePack logo;
    logo.load("logo", false, 1, 1);
    EXPECT_EQ(logo.width, 10u);
    EXPECT_EQ(textureBank().particleTextureId("p.png"), 1);
    EXPECT_NE(textureBank().textureById(1), nullptr);

    // Live update: the file is read again on every start of the effect.
    writeText("fx/live.fx", "Emitter Velocity 20 Emitter\n");
    FXSprite sprite;
    sprite.addEffect("live.fx");
    ASSERT_EQ(sprite.effects.size(), 2u);
    EXPECT_FLOAT_EQ(sprite.effects[0]->def.velocity, 20);
    resetSettingsForTests();
}
