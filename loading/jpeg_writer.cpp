#include "loading/jpeg_writer.h"

#include <csetjmp>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>

namespace loading {

namespace {

struct JpegErrors {
    jpeg_error_mgr manager;
    std::jmp_buf escape;
};

void leave_encoder(j_common_ptr info) {
    (*info->err->output_message)(info);
    std::longjmp(reinterpret_cast<JpegErrors*>(info->err)->escape, 1);
}

bool encodable(int width, int height, int components) {
    return (components == 1 || components == 3) && width > 0 && height > 0 &&
           width <= JPEG_MAX_DIMENSION && height <= JPEG_MAX_DIMENSION;
}

// Encodes through `info`, whose destination is set by `set_destination`; the rows come from
// `fill_row` into `row`, which holds one row.
bool encode(jpeg_compress_struct& info, JpegErrors& errors, int width, int height, int components,
            JpegSettings settings,
            const std::function<void(jpeg_compress_struct&)>& set_destination,
            const std::function<void(int, uint8_t*)>& fill_row, std::vector<uint8_t>& row) {
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = leave_encoder;
    if (setjmp(errors.escape) != 0) {
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_create_compress(&info);
    set_destination(info);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = components;
    info.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&info);
    // The integer transform is the same on every machine; the float one need not be.
    info.dct_method = JDCT_ISLOW;
    jpeg_set_quality(&info, settings.quality, TRUE);
    if (settings.progressive) jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        fill_row(static_cast<int>(info.next_scanline), row.data());
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

}  // namespace

std::vector<uint8_t> encode_jpeg(const uint8_t* samples, int width, int height, int components,
                                 JpegSettings settings) {
    if (samples == nullptr || !encodable(width, height, components)) return {};
    const size_t row_bytes = static_cast<size_t>(width) * static_cast<size_t>(components);
    std::vector<uint8_t> row(row_bytes);
    jpeg_compress_struct info{};
    JpegErrors errors{};
    unsigned char* out = nullptr;
    unsigned long out_size = 0;
    const bool ok = encode(
        info, errors, width, height, components, settings,
        [&](jpeg_compress_struct& i) { jpeg_mem_dest(&i, &out, &out_size); },
        [&](int y, uint8_t* r) {
            std::memcpy(r, samples + static_cast<size_t>(y) * row_bytes, row_bytes);
        },
        row);
    std::vector<uint8_t> bytes;
    if (ok && out != nullptr) bytes.assign(out, out + out_size);
    std::free(out);
    return bytes;
}

bool write_jpeg(std::FILE* file, int width, int height, int components, JpegSettings settings,
                const std::function<void(int y, uint8_t* row)>& fill_row) {
    if (file == nullptr || !encodable(width, height, components)) return false;
    std::vector<uint8_t> row(static_cast<size_t>(width) * static_cast<size_t>(components));
    jpeg_compress_struct info{};
    JpegErrors errors{};
    return encode(
        info, errors, width, height, components, settings,
        [&](jpeg_compress_struct& i) { jpeg_stdio_dest(&i, file); }, fill_row, row);
}

}  // namespace loading
