// The libraries under the platform print on their own: SDL through its log,
// ALSA's configuration parser straight to stderr whenever SDL probes a sound
// card that is not there. This hands both to whoever keeps the program's log.
#pragma once

namespace platform {

enum class LibrarySeverity { Error, Warning, Info, Debug };

// source is "SDL" or "ALSA"; text has no line break at its end.
using LibraryLogSink = void (*)(LibrarySeverity severity, const char* source, const char* text);

// Installs sink for SDL's log output and for ALSA's errors (when libasound is
// on the system). SDL keeps filtering by its own priorities: with detail
// false its defaults stand (critical messages only, for most categories);
// with true every category passes down to verbose.
void routeLibraryLogs(LibraryLogSink sink, bool detail);

}  // namespace platform
