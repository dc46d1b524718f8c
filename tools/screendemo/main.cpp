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
#include "platform/winmsg.h"
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

void send(uint32_t message, uintptr_t w, intptr_t l) {
    intptr_t result = 0;
    runMessageHooks(nullptr, message, w, l, &result);
}

intptr_t pointParam(int x, int y) { return static_cast<intptr_t>((y << 16) | (x & 0xFFFF)); }

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

void Stage::moveTo(int x, int y) { send(platform::WM_MOUSEMOVE, 0, pointParam(x, y)); }

void Stage::click(int x, int y) {
    moveTo(x, y);
    send(platform::WM_LBUTTONDOWN, platform::MK_LBUTTON, pointParam(x, y));
    send(platform::WM_LBUTTONUP, 0, pointParam(x, y));
}

void Stage::rightClick(int x, int y) {
    moveTo(x, y);
    send(platform::WM_RBUTTONDOWN, platform::MK_RBUTTON, pointParam(x, y));
    send(platform::WM_RBUTTONUP, 0, pointParam(x, y));
}

void Stage::key(int virtualKey) {
    send(platform::WM_KEYDOWN, static_cast<uintptr_t>(virtualKey), 1);
    send(platform::WM_KEYUP, static_cast<uintptr_t>(virtualKey), static_cast<intptr_t>(0xC0000001u));
}

void Stage::type(const std::string& cp1252) {
    for (unsigned char c : cp1252) send(platform::WM_CHAR, c, 1);
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
