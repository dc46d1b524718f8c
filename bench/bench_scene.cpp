// Engine baseline: the actor pass, the purge, re-layering, the draw-list
// check and the hover pass at the sizes the game reaches.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "platform/event.h"
#include "scene/actor.h"
#include "scene/input.h"
#include "scene/sprite.h"

namespace {
class CountingActor : public Actor {
public:
    void update() override { ++updates; }
    int updates = 0;
};

class BoxSprite : public Sprite {
public:
    void draw(const Rect&) override {}
    void getRect(Rect& r) const override {
        r.left = static_cast<int>(x);
        r.top = static_cast<int>(y);
        r.right = r.left + 31;
        r.bottom = r.top + 31;
    }
};

void BM_ActorUpdatePass(benchmark::State& state) {
    destroyAllActors();
    for (int i = 0; i < 10000; ++i) new CountingActor;
    mergeNewActors();
    for (auto _ : state) updateActors();
    state.SetItemsProcessed(state.iterations() * 10000);
    destroyAllActors();
}
BENCHMARK(BM_ActorUpdatePass);

void BM_ActorPurge(benchmark::State& state) {
    destroyAllActors();
    for (int i = 0; i < 9000; ++i) new CountingActor;
    mergeNewActors();
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<Actor*> doomed;
        for (int i = 0; i < 1000; ++i) doomed.push_back(new CountingActor);
        mergeNewActors();
        for (Actor* a : doomed) a->kill();
        state.ResumeTiming();
        purgeDeadActors();
    }
    destroyAllActors();
}
BENCHMARK(BM_ActorPurge);

void BM_SpriteRelayer(benchmark::State& state) {
    std::vector<std::unique_ptr<BoxSprite>> sprites;
    for (int i = 0; i < kMaxSprites; ++i) {
        sprites.push_back(std::make_unique<BoxSprite>());
        sprites.back()->setLayer(i % 50);
    }
    int n = 0;
    for (auto _ : state) {
        // Move a sprite between neighbouring layers, as animations do.
        BoxSprite& s = *sprites[static_cast<size_t>(n * 7919) % sprites.size()];
        s.setLayer((s.layer + 1) % 50);
        ++n;
    }
}
BENCHMARK(BM_SpriteRelayer);

void BM_CheckDrawList(benchmark::State& state) {
    std::vector<std::unique_ptr<BoxSprite>> sprites;
    for (int i = 0; i < kMaxSprites; ++i) {
        sprites.push_back(std::make_unique<BoxSprite>());
        sprites.back()->setLayer(i % 50);
    }
    for (auto _ : state) checkDrawList();
}
BENCHMARK(BM_CheckDrawList);

void BM_HoverPass(benchmark::State& state) {
    destroyAllActors();
    resetInput();
    setInputMode(1);
    std::vector<std::unique_ptr<BoxSprite>> sprites;
    auto* handler = new CountingActor;
    for (int i = 0; i < 64; ++i) {
        sprites.push_back(std::make_unique<BoxSprite>());
        sprites.back()->setLayer(i);
        sprites.back()->setPosition((i % 8) * 100, (i / 8) * 75);
        sprites.back()->attachZone(0x7, handler, i);
    }
    int n = 0;
    for (auto _ : state) {
        const int x = (n * 37) % 800, y = (n * 53) % 600;
        inputTranslatorHook(platform::pointerMove(x, y));
        InputEvent e;
        while (popInput(e)) {
        }
        ++n;
    }
    sprites.clear();
    resetInput();
    destroyAllActors();
}
BENCHMARK(BM_HoverPass);
}  // namespace
