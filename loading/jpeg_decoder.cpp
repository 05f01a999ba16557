#include "loading/jpeg_decoder.h"

#include <csetjmp>
#include <cstdio>
// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

namespace {

// The standard error manager with a recovery point: a fatal error writes the library's message
// and returns to the recovery point instead of ending the process. Running out of data is fatal
// too, so a truncated file gives no image instead of grey rows.
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
    if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF) fail_decode(info);
    reinterpret_cast<RecoveringErrors*>(info->err)->default_emit(info, level);
}

// Everything a decode touches lives here, outside the function that sets the recovery point,
// so it stays valid after a jump back.
struct JpegDecode {
    jpeg_decompress_struct info{};
    RecoveringErrors errors{};
    loading::PixelBuffer pixels;
    loading::PixelBuffer row;  // one row of the library's own output, when it is not RGBA
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

bool run_decode(JpegDecode& d, const unsigned char* data, size_t size) {
    if (setjmp(d.errors.recovery) != 0) return false;
    jpeg_create_decompress(&d.info);
    d.created = true;
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
    jpeg_calc_output_dimensions(&d.info);
    const size_t bytes = loading::image_byte_count(d.info.output_width, d.info.output_height, 4);
    if (bytes == 0) return false;
    jpeg_start_decompress(&d.info);
    if (!direct && d.info.output_components != components) return false;

    d.pixels = loading::allocate_bytes(bytes);
    if (!d.pixels) return false;
    const size_t width = d.info.output_width;
    const size_t stride = width * 4;
    if (!direct) {
        d.row = loading::allocate_bytes(width * static_cast<size_t>(components));
        if (!d.row) return false;
    }
    while (d.info.output_scanline < d.info.output_height) {
        unsigned char* out = d.pixels.get() + stride * d.info.output_scanline;
        if (direct) {
            JSAMPROW rows[4];
            const JDIMENSION left = d.info.output_height - d.info.output_scanline;
            int n = d.info.rec_outbuf_height < 4 ? d.info.rec_outbuf_height : 4;
            if (n < 1) n = 1;
            if (static_cast<JDIMENSION>(n) > left) n = static_cast<int>(left);
            for (int i = 0; i < n; ++i) rows[i] = out + stride * static_cast<size_t>(i);
            const JDIMENSION got = jpeg_read_scanlines(&d.info, rows, static_cast<JDIMENSION>(n));
            for (size_t i = 3; i < stride * got; i += 4) out[i] = 0;
        } else {
            JSAMPROW row = d.row.get();
            if (jpeg_read_scanlines(&d.info, &row, 1) == 1) expand_row(row, out, width, components);
        }
    }
    jpeg_finish_decompress(&d.info);
    return true;
}

}  // namespace

loading::PixelBuffer loading::decode_jpeg(const unsigned char* data, size_t size, int& width,
                                          int& height) {
    JpegDecode d;
    d.info.err = jpeg_std_error(&d.errors.manager);
    d.errors.manager.error_exit = fail_decode;
    d.errors.default_emit = d.errors.manager.emit_message;
    d.errors.manager.emit_message = emit_message;
    const bool ok = run_decode(d, data, size);
    if (d.created) jpeg_destroy_decompress(&d.info);
    if (d.width != 0 || d.height != 0) {
        width = d.width;
        height = d.height;
    }
    if (!ok) return nullptr;
    return std::move(d.pixels);
}
