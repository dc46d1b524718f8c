// Composed test scenes of the generated pictures (see scenes.cpp).
#pragma once

#include <string>

// Writes <prefix><scene>.png for every scene; 1 when a picture is missing.
int renderScenes(const std::string& picDir, const std::string& prefix);
