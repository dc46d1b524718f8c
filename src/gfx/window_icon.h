// The main window's icon, for window managers that do not take it from the
// desktop entry.
#pragma once

#include <string>

// Decodes the picture and makes it the application record's class icon,
// which the window takes when it is made. False (with a line on the log)
// when it does not decode; the window then has the system's icon.
bool Gfx_LoadWindowIcon(const std::string& path);
