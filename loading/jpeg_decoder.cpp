#include "loading/jpeg_decoder.h"

#include <algorithm>
#include <bit>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include "loading/row_reducer.h"

namespace {

// The standard error manager with a recovery point: a fatal error writes the library's message
// and returns to the recovery point instead of ending the process. Running out of data, at the
// end of the file or of a data segment, is fatal too, so a truncated file (or a tiny one whose
// header claims a huge image) gives no image instead of grey rows.
struct RecoveringErrors {
    jpeg_error_mgr manager;
    void (*default_emit)(j_common_ptr, int) = nullptr;
    std::jmp_buf recovery;
};

[[noreturn]] void fail_decode(j_common_ptr info) {
    (*info->err->output_message)(info);
    auto* errors = reinterpret_cast<RecoveringErrors*>(info->err);
    std::longjmp(errors->recovery, 1);
}

void emit_message(j_common_ptr info, int level) {
    if (level < 0 &&
        (info->err->msg_code == JWRN_JPEG_EOF || info->err->msg_code == JWRN_HIT_MARKER))
        fail_decode(info);
    reinterpret_cast<RecoveringErrors*>(info->err)->default_emit(info, level);
}

// Legitimate progressive images have about ten scans; a crafted file with thousands of tiny
// scans would make the decoder walk the whole image for each of them.
constexpr int kMaxScans = 500;
// The decoder's own working memory (progressive images keep every coefficient of the whole
// image, whatever the output scale); beyond it the decode fails before allocating.
constexpr long kMaxWorkingMemory = 256L << 20;
// The library's reduced scales are n/8 of each side.
constexpr unsigned kScaleDenominator = 8;

void limit_scans(j_common_ptr info) {
    auto* decompress = reinterpret_cast<j_decompress_ptr>(info);
    if (decompress->input_scan_number > kMaxScans) {
        std::fprintf(stderr, "Progressive JPEG image has more than %d scans\n", kMaxScans);
        std::longjmp(reinterpret_cast<RecoveringErrors*>(info->err)->recovery, 1);
    }
}

// Everything a decode touches lives here, outside the function that sets the recovery point,
// so it stays valid after a jump back.
struct JpegDecode {
    jpeg_decompress_struct info{};
    RecoveringErrors errors{};
    jpeg_progress_mgr progress{};
    loading::PixelBuffer pixels;
    loading::PixelBuffer rows;  // the rows the library writes before they are copied out
    std::optional<loading::RowReducer> reducer;  // below the library's smallest scale
    int width = 0;
    int height = 0;
    bool created = false;
};

// Expands one row of `components` bytes a pixel to RGBA with alpha 0.
void expand_row(const unsigned char* in, unsigned char* out, size_t pixels, int components) {
    for (size_t i = 0; i < pixels; ++i, out += 4) {
        if (components == 1) {
            out[0] = out[1] = out[2] = in[i];
        } else {
            out[0] = in[3 * i];
            out[1] = in[3 * i + 1];
            out[2] = in[3 * i + 2];
        }
        out[3] = 0;
    }
}

// Copies `pixels` RGBA pixels with their alpha set to 0, two pixels a word.
// Where the target is 16-byte aligned, whole 16-byte blocks are stored around the cache: the
// decoded image is written once and not read again here.
void copy_clearing_alpha(const unsigned char* from, unsigned char* to, size_t pixels) {
    constexpr uint64_t kKeepColour =
        std::endian::native == std::endian::little ? 0x00FFFFFF00FFFFFFull : 0xFFFFFF00FFFFFF00ull;
    size_t start = 0;
#if defined(__SSE2__)
    if ((reinterpret_cast<uintptr_t>(to) & 15) == 0) {
        const __m128i keep = _mm_set1_epi32(0x00FFFFFF);
        for (; start + 4 <= pixels; start += 4) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + 4 * start));
            _mm_stream_si128(reinterpret_cast<__m128i*>(to + 4 * start), _mm_and_si128(v, keep));
        }
        _mm_sfence();
    }
#endif
    from += 4 * start;
    to += 4 * start;
    pixels -= start;
    const size_t pairs = pixels / 2;
    for (size_t i = 0; i < pairs; ++i) {
        uint64_t w;
        std::memcpy(&w, from + 8 * i, 8);
        w &= kKeepColour;
        std::memcpy(to + 8 * i, &w, 8);
    }
    if (pixels % 2 != 0) {
        std::memcpy(to + 8 * pairs, from + 8 * pairs, 3);
        to[8 * pairs + 3] = 0;
    }
}

// The largest scale n/8 (n from 8 down to 1) at which both sides fit `max_side`; 0 when none.
unsigned fitting_scale(JDIMENSION width, JDIMENSION height, int max_side) {
    const uint64_t longer = width > height ? width : height;
    for (unsigned n = kScaleDenominator; n >= 1; --n)
        if ((longer * n + kScaleDenominator - 1) / kScaleDenominator <=
            static_cast<uint64_t>(max_side))
            return n;
    return 0;
}

bool run_decode(JpegDecode& d, const unsigned char* data, size_t size, int max_side) {
    if (setjmp(d.errors.recovery) != 0) return false;
    jpeg_create_decompress(&d.info);
    d.created = true;
    d.info.mem->max_memory_to_use = kMaxWorkingMemory;
    d.progress.progress_monitor = limit_scans;
    d.info.progress = &d.progress;
    jpeg_mem_src(&d.info, data, static_cast<unsigned long>(size));
    jpeg_read_header(&d.info, TRUE);
    d.width = static_cast<int>(d.info.image_width);
    d.height = static_cast<int>(d.info.image_height);

    // The library's default output is grey or RGB for the images taken here; it converts
    // straight to RGBA rows (same samples), whose alpha is then cleared.
    const bool direct =
        d.info.out_color_space == JCS_GRAYSCALE || d.info.out_color_space == JCS_RGB;
    const int components = d.info.num_components;
    if (!direct && components != 1 && components != 3) return false;
    if (direct) d.info.out_color_space = JCS_EXT_RGBA;
    // The largest scale n/8 that fits; below 1/8, whole blocks of the 1/8 rows are averaged.
    unsigned scale = fitting_scale(d.info.image_width, d.info.image_height, max_side);
    size_t factor = 1;
    if (scale == 0) {
        scale = 1;
        const size_t longer = (std::max(d.info.image_width, d.info.image_height) + 7) / 8;
        factor = (longer + static_cast<size_t>(max_side) - 1) / static_cast<size_t>(max_side);
    }
    if (factor > kScaleDenominator) {
        std::fprintf(stderr, "JPEG image of %d x %d is too large: sides above %d are not used\n",
                     d.width, d.height, max_side);
        return false;
    }
    d.info.scale_num = scale;
    d.info.scale_denom = kScaleDenominator;
    jpeg_calc_output_dimensions(&d.info);
    const size_t width = d.info.output_width;
    const size_t out_width = loading::RowReducer::reduced(width, factor);
    const size_t out_height = loading::RowReducer::reduced(d.info.output_height, factor);
    if (out_width != d.info.image_width || out_height != d.info.image_height)
        std::fprintf(stderr,
                     "JPEG image of %d x %d is decoded at %zu x %zu: sides above %d are not used\n",
                     d.width, d.height, out_width, out_height, max_side);
    const size_t bytes = loading::image_byte_count(out_width, out_height, 4);
    if (bytes == 0) return false;
    jpeg_start_decompress(&d.info);
    if (!direct && d.info.output_components != components) return false;

    d.pixels = loading::allocate_bytes(bytes);
    if (!d.pixels) return false;
    const size_t stride = width * 4;
    // The library writes a few rows at a time into a small buffer that stays in the cache, then
    // they are copied out. The rows start 4 bytes past a 16-byte boundary: for aligned rows the
    // library's converters store around the cache, which would make the copy read memory.
    // A reduced image goes through one more row, which the reducer averages into the result.
    constexpr size_t kRowOffset = 4;
    constexpr JDIMENSION kMaxRows = 4;
    const size_t pitch = (stride + 15) / 16 * 16;
    d.rows = loading::allocate_bytes(kRowOffset + pitch * (kMaxRows + 1));
    if (!d.rows) return false;
    unsigned char* reduced_row = d.rows.get() + kRowOffset + pitch * kMaxRows;
    if (factor > 1) d.reducer.emplace(width, d.info.output_height, factor, d.pixels.get());
    while (d.info.output_scanline < d.info.output_height) {
        const size_t first = d.info.output_scanline;
        JDIMENSION n = 1;
        if (direct) {
            const JDIMENSION left = d.info.output_height - d.info.output_scanline;
            if (d.info.rec_outbuf_height > 1) n = static_cast<JDIMENSION>(d.info.rec_outbuf_height);
            if (n > kMaxRows) n = kMaxRows;
            if (n > left) n = left;
        }
        JSAMPROW rows[kMaxRows];
        for (JDIMENSION i = 0; i < n; ++i) rows[i] = d.rows.get() + kRowOffset + pitch * i;
        const JDIMENSION got = jpeg_read_scanlines(&d.info, rows, n);
        for (JDIMENSION i = 0; i < got; ++i) {
            unsigned char* to = d.reducer ? reduced_row : d.pixels.get() + stride * (first + i);
            if (direct) {
                copy_clearing_alpha(rows[i], to, width);
            } else {
                expand_row(rows[i], to, width, components);
            }
            if (d.reducer) d.reducer->add(reduced_row);
        }
    }
    jpeg_finish_decompress(&d.info);
    d.width = static_cast<int>(out_width);
    d.height = static_cast<int>(out_height);
    return true;
}

bool run_header(JpegDecode& d, const unsigned char* data, size_t size) {
    if (setjmp(d.errors.recovery) != 0) return false;
    jpeg_create_decompress(&d.info);
    d.created = true;
    jpeg_mem_src(&d.info, data, static_cast<unsigned long>(size));
    jpeg_read_header(&d.info, TRUE);
    d.width = static_cast<int>(d.info.image_width);
    d.height = static_cast<int>(d.info.image_height);
    return true;
}

void recover_from_errors(JpegDecode& d) {
    d.info.err = jpeg_std_error(&d.errors.manager);
    d.errors.manager.error_exit = fail_decode;
    d.errors.default_emit = d.errors.manager.emit_message;
    d.errors.manager.emit_message = emit_message;
}

}  // namespace

bool loading::jpeg_image_size(const unsigned char* data, size_t size, int& width, int& height) {
    JpegDecode d;
    recover_from_errors(d);
    const bool ok = run_header(d, data, size);
    if (d.created) jpeg_destroy_decompress(&d.info);
    width = d.width;
    height = d.height;
    return ok;
}

loading::PixelBuffer loading::decode_jpeg(const unsigned char* data, size_t size, int& width,
                                          int& height, int max_side) {
    JpegDecode d;
    recover_from_errors(d);
    const bool ok = run_decode(d, data, size, max_side);
    if (d.created) jpeg_destroy_decompress(&d.info);
    if (d.width != 0 || d.height != 0) {
        width = d.width;
        height = d.height;
    }
    if (!ok) return nullptr;
    return std::move(d.pixels);
}
