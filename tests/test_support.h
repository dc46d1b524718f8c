// Shared fixture pieces: a clean engine for every test and a drawing sink
// that records what a frame asked for.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "frame/app.h"
#include "frame/clock.h"
#include "gfx/gfx.h"
#include "scene/actor.h"
#include "scene/engine.h"
#include "scene/input.h"
#include "scene/sprite.h"

struct RecordedDraw {
    std::string kind;  // "quad", "particles", "clear", "begin", "end"
    float x = 0, y = 0;
    std::string texture;
    int layer = 0;
};

class RecordingSink : public GfxSink {
public:
    void clear(uint32_t) override { calls.push_back({"clear"}); }
    bool beginScene() override {
        calls.push_back({"begin"});
        return sceneOk;
    }
    void endScene() override { calls.push_back({"end"}); }
    void drawQuad(float x, float y, const std::string& textureName, int, int, int, int,
                  const SpriteParams*) override {
        RecordedDraw d{"quad", x, y, textureName, 0};
        calls.push_back(d);
    }
    void drawParticles(int layer) override {
        RecordedDraw d{"particles"};
        d.layer = layer;
        calls.push_back(d);
    }
    std::vector<std::string> textures() const {
        std::vector<std::string> out;
        for (const auto& c : calls)
            if (c.kind == "quad") out.push_back(c.texture);
        return out;
    }
    std::vector<RecordedDraw> calls;
    bool sceneOk = true;
};

// Collects the reports (id, msg, a, b) its children send.
class ReportRecorder : public Actor {
public:
    int onNotify(int id, int msg, int a, int b) override {
        reports.push_back({id, msg, a, b});
        return 1;
    }
    std::vector<std::array<int, 4>> reports;
};

// n logic ticks as the frame step runs them: new actors merged, one update
// each, the purge, the queued input delivered, the tick counted.
inline void runLogicTicks(int n = 1) {
    for (int i = 0; i < n; ++i) {
        mergeNewActors();
        updateActors();
        mergeNewActors();
        purgeDeadActors();
        dispatchInput();
        advanceTickCount();
    }
}

// Resets every process-wide engine state the scene and frame keep.
inline void resetEngineState() {
    destroyAllActors();
    resetInput();
    resetClockForTests();
    resetCursorForTests();
    resetFrameForTests();
    connectSceneToFrame();  // the frame steps the scene even without engineStart()
    installKeyboardModule();
    resetTickCount();
}

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetEngineState();
        Gfx_SetSink(&sink);
    }
    void TearDown() override {
        destroyAllActors();
        Gfx_SetSink(nullptr);
        resetEngineState();
    }
    RecordingSink sink;
};
