// Ogg Vorbis writing (libvorbisenc) and reading (libvorbisfile) of float audio.
#pragma once

#include <string>
#include <vector>

namespace sfx {

// Interleaved samples in [-1, 1]. Writes through a temporary file so a
// half-written effect is never left behind. Returns false on any failure.
bool writeOgg(const std::string& path, const std::vector<float>& interleaved, int channels, int rate,
              float quality);

struct Decoded {
    int channels = 0;
    int rate = 0;
    std::vector<float> interleaved;
};
bool readOgg(const std::string& path, Decoded& out);

}  // namespace sfx
