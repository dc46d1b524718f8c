#include "gfx/window_icon.h"

#include "frame/app.h"
#include "frame/errors.h"
#include "gfx/texture_bank.h"
#include "platform/platform.h"

bool Gfx_LoadWindowIcon(const std::string& path) {
    // Kept for the whole run: the record points at it.
    static platform::WindowIcon icon;
    AppRecord* app = appRecord();
    if (!app) return false;
    Image image;
    std::string why;
    if (!decodeImageFile(path, image, &why)) {
        debugCheck(false, "Window icon %s not used: %s", path.c_str(), why.empty() ? "it is missing" : why.c_str());
        return false;
    }
    icon.width = image.width;
    icon.height = image.height;
    icon.argb = std::move(image.pixels);
    app->icon = &icon;
    return true;
}
