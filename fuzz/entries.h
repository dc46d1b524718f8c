// One entry point per reader of files a user may edit or a download may
// damage. Each feeds the bytes to the reader as the game does and checks
// what must hold whatever the input; a broken promise stops the process
// (so the fuzzer reports it and the corpus replay fails).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

void fuzzIniText(const uint8_t* data, size_t size);
void fuzzFrameMap(const uint8_t* data, size_t size);
void fuzzPicture(const uint8_t* data, size_t size);
void fuzzJpeg(const uint8_t* data, size_t size);
void fuzzTga(const uint8_t* data, size_t size);
void fuzzEffect(const uint8_t* data, size_t size);
void fuzzTexts(const uint8_t* data, size_t size);
void fuzzMeshLists(const uint8_t* data, size_t size);
void fuzzTipStatus(const uint8_t* data, size_t size);

// The entry point of a target by its name ("ini", "map", ...), or null.
using FuzzEntry = void (*)(const uint8_t*, size_t);
FuzzEntry fuzzEntry(const std::string& target);
