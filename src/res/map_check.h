// Whether a frame map reads whole, for the start-up check of the files the
// game cannot run without (a font whose map is garbage draws no text).
#pragma once

#include <string>

// True when the file is within the size a map may have and lists exactly
// `frames` frames, each "texture x y w h" with four whole numbers, and
// nothing else. Otherwise why not, in words for a message.
bool frameMapReadsWhole(const std::string& path, int frames, std::string* why);
