// Internal errors: consistency failures of the engine that can only come from
// a programming error. They are exceptions so tests can catch them; the entry
// point reports them and stops the program.
#pragma once

#include <stdexcept>
#include <string>

class InternalError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

[[noreturn]] void internalError(const std::string& message);

// Loader diagnostics ("PCK: ERROR PIC: %s", ...): kept in a small in-memory
// log that tests and developers can read, and printed on stderr the first
// time each distinct message comes up; the player is not interrupted.
void debugCheck(bool condition, const char* format, ...) __attribute__((format(printf, 2, 3)));
const std::string& debugLog();
void clearDebugLog();
// Whether new messages go to stderr too (on unless a tool turns it off).
void printDiagnostics(bool on);
