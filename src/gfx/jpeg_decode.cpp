// JPEG pictures through libjpeg-turbo. The header is read first, and a
// picture past the caps is refused before any pixel buffer exists; the
// library's own memory is capped too, and so is the number of scans of a
// progressive file (each scan costs a pass over the whole picture).
#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <string>
#include <utility>

#include "gfx/texture_bank.h"

// After the standard headers: it uses size_t and FILE without declaring them.
#include <jpeglib.h>

namespace {

constexpr long kMaxLibraryMemory = 256L << 20;
constexpr int kMaxScans = 100;

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void errorExit(j_common_ptr cinfo) {
    auto* e = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, e->message);
    std::longjmp(e->jump, 1);
}

void silent(j_common_ptr) {}  // warnings of a damaged file are not printed

void countScans(j_common_ptr cinfo) {
    auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (d->is_decompressor && d->progressive_mode && d->input_scan_number > kMaxScans) {
        auto* e = reinterpret_cast<ErrorManager*>(cinfo->err);
        std::snprintf(e->message, sizeof e->message, "more than %d scans", kMaxScans);
        std::longjmp(e->jump, 1);
    }
}

bool fail(std::string* why, const std::string& reason) {
    if (why) *why = reason;
    return false;
}

// Everything the decoding touches, reached through one pointer that never
// changes, so that a library error's jump back clobbers nothing.
struct Decoding {
    jpeg_decompress_struct cinfo{};
    ErrorManager err{};
    jpeg_progress_mgr progress{};
    const uint8_t* data = nullptr;
    size_t size = 0;
    Image* out = nullptr;
    std::string* why = nullptr;
};

// The decoding proper, kept free of objects with destructors: a library
// error jumps out of it. Returns 0 on success, 1 for a library error, 2 for
// a size past the caps (why set by the check).
int decode(Decoding* d) {
    if (setjmp(d->err.jump)) return 1;
    jpeg_create_decompress(&d->cinfo);
    d->cinfo.mem->max_memory_to_use = kMaxLibraryMemory;
    d->cinfo.progress = &d->progress;
    jpeg_mem_src(&d->cinfo, d->data, static_cast<unsigned long>(d->size));
    jpeg_read_header(&d->cinfo, TRUE);
    if (!imageSizeAllowed(d->cinfo.image_width, d->cinfo.image_height, d->why)) return 2;
    d->cinfo.out_color_space = JCS_EXT_BGRA;  // ARGB in a little-endian word
    jpeg_start_decompress(&d->cinfo);
    Image& out = *d->out;
    out.width = static_cast<int>(d->cinfo.output_width);
    out.height = static_cast<int>(d->cinfo.output_height);
    out.pixels.assign(static_cast<size_t>(out.width) * static_cast<size_t>(out.height), 0);
    while (d->cinfo.output_scanline < d->cinfo.output_height) {
        JSAMPROW row = reinterpret_cast<JSAMPROW>(&out.pixels[static_cast<size_t>(d->cinfo.output_scanline) *
                                                             static_cast<size_t>(out.width)]);
        jpeg_read_scanlines(&d->cinfo, &row, 1);
    }
    jpeg_finish_decompress(&d->cinfo);
    return 0;
}

}  // namespace

bool isJpeg(const uint8_t* data, size_t size) {
    return size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF;
}

bool decodeJpeg(const uint8_t* data, size_t size, Image& out, std::string* why) {
    if (!isJpeg(data, size)) return fail(why, "not a JPEG file");
    if (size > kMaxImageFileBytes) return fail(why, "the JPEG file is larger than the game takes");
    Image image;
    Decoding d;
    d.cinfo.err = jpeg_std_error(&d.err.pub);
    d.err.pub.error_exit = errorExit;
    d.err.pub.output_message = silent;
    d.progress.progress_monitor = countScans;
    d.data = data;
    d.size = size;
    d.out = &image;
    d.why = why;
    const int result = decode(&d);
    jpeg_destroy_decompress(&d.cinfo);
    if (result == 1) return fail(why, std::string("the JPEG file is damaged (") + d.err.message + ")");
    if (result == 2) return false;
    // Every pixel of a JPEG is opaque: the library fills alpha with 0xFF.
    out = std::move(image);
    return true;
}
