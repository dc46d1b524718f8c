// What the layers above the frame may ask of the operating system: the clock,
// an error box, a web page, minimising the window, whole-file reads and
// writes and the game's data folder. Only the frame, the renderer and the
// sound reach the platform itself; everything else comes through here.
#pragma once

#include <cstdint>
#include <string>

namespace sys {

// Milliseconds since start; never wraps.
uint64_t ticksMs();
// A modal error box (on the terminal when there is no display). Text and
// caption are UTF-8: the box may come before the language's code page.
void showError(const std::string& text, const std::string& caption = "Error");
bool openWebPage(const std::string& url);
void minimiseWindow();

bool fileExists(const std::string& path);
bool readFile(const std::string& path, std::string& out);
// Replaces a file's content atomically: a crash leaves the old or the new file.
bool writeFileAtomic(const std::string& path, const std::string& content);
// Converts "\" separators from Windows-style data into "/".
std::string normalizeSeparators(std::string path);

// The folder holding vm_game.ini, or empty when none is found.
std::string locateGameData();
// Makes it the working directory so relative data paths ("./pic/") hold.
bool enterGameData();

}  // namespace sys
