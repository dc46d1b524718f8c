// Decoding and level measures shared by the sound data tests.
#pragma once

#include <vorbis/vorbisfile.h>

#include <cmath>
#include <string>
#include <vector>

struct DecodedSound {
    bool ok = false;
    int channels = 0;
    long rate = 0;
    std::vector<float> mono;  // channels averaged
};

inline DecodedSound decodeOgg(const std::string& path) {
    DecodedSound d;
    OggVorbis_File vf;
    if (ov_fopen(path.c_str(), &vf) != 0) return d;
    d.channels = ov_info(&vf, -1)->channels;
    d.rate = ov_info(&vf, -1)->rate;
    int section = 0;
    d.ok = true;
    for (;;) {
        float** pcm = nullptr;
        const long n = ov_read_float(&vf, &pcm, 4096, &section);
        if (n == 0) break;
        if (n < 0) {
            d.ok = false;
            break;
        }
        for (long i = 0; i < n; ++i) {
            float s = 0.0f;
            for (int c = 0; c < d.channels; ++c) s += pcm[c][i];
            d.mono.push_back(s / static_cast<float>(d.channels));
        }
    }
    ov_clear(&vf);
    return d;
}

inline double dbfs(double v) { return v > 0.0 ? 20.0 * std::log10(v) : -200.0; }

inline double peakDb(const std::vector<float>& s) {
    double p = 0.0;
    for (float x : s) p = std::max(p, static_cast<double>(std::fabs(x)));
    return dbfs(p);
}

inline double rmsDb(const std::vector<float>& s) {
    if (s.empty()) return -200.0;
    double sum = 0.0;
    for (float x : s) sum += static_cast<double>(x) * x;
    return dbfs(std::sqrt(sum / static_cast<double>(s.size())));
}
