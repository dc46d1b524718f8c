#include "oggio.h"

#include <vorbis/codec.h>
#include <vorbis/vorbisenc.h>
#include <vorbis/vorbisfile.h>

#include <cstdio>
#include <functional>

namespace sfx {

namespace {

bool writePage(std::FILE* f, const ogg_page& page) {
    return std::fwrite(page.header, 1, static_cast<size_t>(page.header_len), f) ==
               static_cast<size_t>(page.header_len) &&
           std::fwrite(page.body, 1, static_cast<size_t>(page.body_len), f) == static_cast<size_t>(page.body_len);
}

// A stream serial number from the file name keeps the output reproducible.
int serialFor(const std::string& path) {
    uint32_t h = 2166136261u;
    for (unsigned char c : path.substr(path.find_last_of('/') + 1)) h = (h ^ c) * 16777619u;
    return static_cast<int>(h & 0x7FFFFFFF);
}

}  // namespace

bool writeOgg(const std::string& path, const std::vector<float>& interleaved, int channels, int rate,
              float quality) {
    if (channels <= 0 || interleaved.size() % static_cast<size_t>(channels) != 0) return false;
    const std::string tmp = path + ".tmp";
    std::FILE* f = std::fopen(tmp.c_str(), "wb");
    if (!f) return false;

    vorbis_info vi;
    vorbis_info_init(&vi);
    bool ok = vorbis_encode_init_vbr(&vi, channels, rate, quality) == 0;
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    vorbis_comment_add_tag(&vc, "ENCODER", "vellmoor sfxgen");
    vorbis_dsp_state vd;
    vorbis_block vb;
    ogg_stream_state os;
    if (ok) {
        vorbis_analysis_init(&vd, &vi);
        vorbis_block_init(&vd, &vb);
        ogg_stream_init(&os, serialFor(path));

        ogg_packet header, comments, codebooks;
        vorbis_analysis_headerout(&vd, &vc, &header, &comments, &codebooks);
        ogg_stream_packetin(&os, &header);
        ogg_stream_packetin(&os, &comments);
        ogg_stream_packetin(&os, &codebooks);
        ogg_page page;
        while (ok && ogg_stream_flush(&os, &page) != 0) ok = writePage(f, page);

        auto drain = [&]() {
            ogg_packet packet;
            while (ok && vorbis_analysis_blockout(&vd, &vb) == 1) {
                vorbis_analysis(&vb, nullptr);
                vorbis_bitrate_addblock(&vb);
                while (ok && vorbis_bitrate_flushpacket(&vd, &packet)) {
                    ogg_stream_packetin(&os, &packet);
                    while (ok && ogg_stream_pageout(&os, &page) != 0) ok = writePage(f, page);
                }
            }
        };

        const size_t frames = interleaved.size() / static_cast<size_t>(channels);
        const size_t chunk = 4096;
        for (size_t start = 0; ok && start < frames; start += chunk) {
            const size_t n = std::min(chunk, frames - start);
            float** buf = vorbis_analysis_buffer(&vd, static_cast<int>(n));
            for (size_t i = 0; i < n; ++i)
                for (int c = 0; c < channels; ++c)
                    buf[c][i] = interleaved[(start + i) * static_cast<size_t>(channels) + static_cast<size_t>(c)];
            vorbis_analysis_wrote(&vd, static_cast<int>(n));
            drain();
        }
        vorbis_analysis_wrote(&vd, 0);
        drain();
        while (ok && ogg_stream_flush(&os, &page) != 0) ok = writePage(f, page);

        ogg_stream_clear(&os);
        vorbis_block_clear(&vb);
        vorbis_dsp_clear(&vd);
    }
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
    ok = (std::fclose(f) == 0) && ok;
    if (!ok || std::rename(tmp.c_str(), path.c_str()) != 0) {
        std::remove(tmp.c_str());
        return false;
    }
    return true;
}

bool readOgg(const std::string& path, Decoded& out) {
    OggVorbis_File vf;
    if (ov_fopen(path.c_str(), &vf) != 0) return false;
    const vorbis_info* vi = ov_info(&vf, -1);
    out.channels = vi->channels;
    out.rate = static_cast<int>(vi->rate);
    out.interleaved.clear();
    int section = 0;
    bool ok = true;
    for (;;) {
        float** pcm = nullptr;
        const long n = ov_read_float(&vf, &pcm, 4096, &section);
        if (n == 0) break;
        if (n < 0) {
            ok = false;
            break;
        }
        for (long i = 0; i < n; ++i)
            for (int c = 0; c < out.channels; ++c) out.interleaved.push_back(pcm[c][i]);
    }
    ov_clear(&vf);
    return ok;
}

}  // namespace sfx
