#include "frame/system.h"

#include "platform/data_location.h"
#include "platform/platform.h"

namespace sys {

uint64_t ticksMs() { return platform::current().ticks64(); }
void showError(const std::string& text, const std::string& caption) {
    platform::current().messageBox(text, caption, platform::MB_ICONERROR_ | platform::MB_UTF8_);
}
bool openWebPage(const std::string& url) { return platform::current().openUrl(url); }
void minimiseWindow() { platform::current().minimizeWindow(); }

bool fileExists(const std::string& path) { return platform::fileExists(path); }
bool readFile(const std::string& path, std::string& out) { return platform::readFile(path, out); }
bool writeFileAtomic(const std::string& path, const std::string& content) {
    return platform::writeFileAtomic(path, content);
}
std::string normalizeSeparators(std::string path) { return platform::normalizeSeparators(std::move(path)); }

std::string locateGameData() { return ::locateGameData(); }
bool enterGameData() { return ::enterGameData(); }

}  // namespace sys
