#include "pictures/Farmeadow/generators/image_encoding.h"

#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

namespace farmeadow {

namespace {

struct JpegErrors {
    jpeg_error_mgr manager;
    std::jmp_buf escape;
};

void leave_encoder(j_common_ptr info) {
    (*info->err->output_message)(info);
    std::longjmp(reinterpret_cast<JpegErrors*>(info->err)->escape, 1);
}

}  // namespace

std::vector<uint8_t> encode_jpeg(const Image& image, int quality) {
    if ((image.channels != 1 && image.channels != 3) || image.width <= 0 || image.height <= 0)
        return {};
    jpeg_compress_struct info{};
    JpegErrors errors{};
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = leave_encoder;
    unsigned char* out = nullptr;
    unsigned long out_size = 0;
    if (setjmp(errors.escape) != 0) {
        jpeg_destroy_compress(&info);
        std::free(out);
        return {};
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &out, &out_size);
    info.image_width = static_cast<JDIMENSION>(image.width);
    info.image_height = static_cast<JDIMENSION>(image.height);
    info.input_components = image.channels;
    info.in_color_space = image.channels == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&info);
    // The integer transform is the same on every machine; the float one need not be.
    info.dct_method = JDCT_ISLOW;
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    const size_t row_bytes = static_cast<size_t>(image.width) * image.channels;
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<unsigned char*>(image.pixels.data()) +
                       static_cast<size_t>(info.next_scanline) * row_bytes;
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::vector<uint8_t> bytes(out, out + out_size);
    std::free(out);
    return bytes;
}

std::vector<uint8_t> encode_tga(const Image& image) {
    if (image.channels != 4 || image.width <= 0 || image.height <= 0 || image.width > 65535 ||
        image.height > 65535)
        return {};
    std::vector<uint8_t> bytes(18, 0);
    bytes[2] = 2;  // uncompressed true colour
    bytes[12] = static_cast<uint8_t>(image.width & 0xFF);
    bytes[13] = static_cast<uint8_t>(image.width >> 8);
    bytes[14] = static_cast<uint8_t>(image.height & 0xFF);
    bytes[15] = static_cast<uint8_t>(image.height >> 8);
    bytes[16] = 32;
    bytes[17] = 0x28;  // 8 alpha bits, top row first
    bytes.reserve(18 + image.pixels.size());
    for (size_t i = 0; i < image.pixels.size(); i += 4) {
        bytes.push_back(image.pixels[i + 2]);
        bytes.push_back(image.pixels[i + 1]);
        bytes.push_back(image.pixels[i]);
        bytes.push_back(image.pixels[i + 3]);
    }
    return bytes;
}

}  // namespace farmeadow
