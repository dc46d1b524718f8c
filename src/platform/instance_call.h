// A second start of the game, told to the copy that runs. The copy holding
// the instance lock listens on a local socket named after the lock file; a
// start that finds the lock held knocks there instead of opening a window,
// and the running copy brings its own window forward.
#pragma once

#include <string>

namespace platform {

// The running copy. False when the socket cannot be made: the game runs on,
// and a second start then only finds the lock.
bool listenForOtherStarts(const std::string& lockPath);
// Once per pass of the main loop: true when another start of the same user
// knocked since the last call. Never waits.
bool takeOtherStart();
void stopListeningForOtherStarts();

// A second start: knocks at the copy holding the lock. False when nobody
// listens there.
bool knockAtRunningCopy(const std::string& lockPath);

}  // namespace platform
