// vm-screendemo: builds one screen of the game over the real data and saves
// what it looks like after its script has run, for looking at screens that
// are hard to reach in play.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "demo.h"
#include "frame/app.h"
#include "frame/clock.h"
#include "frame/settings.h"
#include "game/level.h"
#include "gfx/gfx.h"
#include "gfx/particles.h"
#include "offscreen_renderer.h"
#include "platform/event.h"
#include "players/players.h"
#include "res/texts.h"
#include "scene/actor.h"
#include "scene/engine.h"
#include "scene/input.h"
#include "scene/sprite.h"
#include "screens/pictures.h"

namespace screendemo {

namespace {

struct Entry {
    std::string what;
    Script script;
};

std::map<std::string, Entry>& registry() {
    static std::map<std::string, Entry> r;
    return r;
}

void send(const platform::Event& e) { runEventHooks(e); }

}  // namespace

Registration::Registration(const char* name, const char* what, Script script) {
    registry()[name] = Entry{what, std::move(script)};
}

void Stage::run(int ticks) {
    for (int i = 0; i < ticks; ++i) {
        mergeNewActors();
        updateActors();
        mergeNewActors();
        purgeDeadActors();
        dispatchInput();
        advanceTickCount();
        particlesSetFrameTime(1.0f / 80.0f);
        particlesAdvance();
    }
}

void Stage::moveTo(int x, int y) { send(platform::pointerMove(x, y)); }

void Stage::click(int x, int y) {
    using platform::PointerButton;
    moveTo(x, y);
    send(platform::pointerButton(PointerButton::Left, true, x, y, {.left = true}));
    send(platform::pointerButton(PointerButton::Left, false, x, y, {}));
}

void Stage::rightClick(int x, int y) {
    using platform::PointerButton;
    moveTo(x, y);
    send(platform::pointerButton(PointerButton::Right, true, x, y, {.right = true}));
    send(platform::pointerButton(PointerButton::Right, false, x, y, {}));
}

void Stage::key(platform::Key k) {
    send(platform::keyEvent(true, k));
    send(platform::keyEvent(false, k));
}

void Stage::type(const std::string& cp1252) {
    for (unsigned char c : cp1252) send(platform::textEvent(static_cast<uint8_t>(c)));
}

bool Stage::shot(const std::string& path) {
    drawFrame();
    const bool ok = Gfx_SaveScreenshot(path);
    std::printf("screendemo: %s %s\n", ok ? "wrote" : "could not write", path.c_str());
    ++shots;
    failed = failed || !ok;
    return ok;
}

}  // namespace screendemo

int main(int argc, char** argv) {
    using namespace screendemo;
    const std::string name = argc > 1 ? argv[1] : "--list";
    if (name == "--list" || !registry().count(name)) {
        if (name != "--list") std::fprintf(stderr, "screendemo: no screen called %s\n", name.c_str());
        std::printf("usage: vm-screendemo NAME [out.png]\n");
        for (const auto& [n, e] : registry()) std::printf("  %-24s %s\n", n.c_str(), e.what.c_str());
        return name == "--list" ? 0 : 2;
    }
    if (!startOffscreenRenderer("screendemo")) return 1;
    if (chdir(VM_DATA_DIR) != 0) {
        std::fprintf(stderr, "screendemo: no data folder %s\n", VM_DATA_DIR);
        return 1;
    }
    char scratch[] = "/tmp/vm-screendemo-XXXXXX";
    if (!mkdtemp(scratch)) return 1;
    setDataFolderForTests(scratch);
    if (!selectIniFile("vm_game.ini", true)) {
        std::fprintf(stderr, "screendemo: no vm_game.ini in %s\n", VM_DATA_DIR);
        return 1;
    }
    loadTexts(getIniString("Game", "Localization", "vm_texts.loc"));
    engineStart();
    loadStartup();
    installPictureAccessors();
    loadAllEffects();
    particlesEnableDrawing();

    Stage stage;
    stage.outPath = argc > 2 ? argv[2] : name + ".png";
    registry()[name].script(stage);
    // Scripts that keep pictures of their own take their picture themselves.
    if (stage.shots == 0) stage.shot(stage.outPath);
    const bool ok = !stage.failed;

    destroyAllActors();
    engineStop();
    stopOffscreenRenderer();
    std::system((std::string("rm -rf ") + scratch).c_str());
    return ok ? 0 : 1;
}
