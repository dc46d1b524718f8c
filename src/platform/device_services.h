// What the drawing and sound back ends need from the window system, so that
// only the platform speaks to SDL itself.
#pragma once

#include <functional>
#include <string>

namespace platform {

// True when an OpenGL context is current on this thread.
bool glContextCurrent();
// Whether the current context waits for the display before showing a frame.
void setVsync(bool on);

// The audio subsystem, opened and closed in pairs; false with the reason.
bool openAudio(std::string& why);
void closeAudio();
// The audio driver in use ("disk", "pulseaudio", ...); empty when none.
std::string audioDriverName();
// Runs open with the audio subsystem's own messages silenced, and returns its result.
bool withAudioLogSilenced(const std::function<bool()>& open);

}  // namespace platform
