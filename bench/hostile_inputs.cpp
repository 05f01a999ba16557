// hostile_inputs DIR: writes the hostile images that bench/hostile-memory feeds to the saver and
// the kit. Every file is written in a stream, never held whole:
//   jpeg-claims-23170.jpg  an 8 x 8 baseline JPEG whose frame header claims 23170 x 23170
//   jpeg-16384.jpg         a valid 16384 x 16384 baseline colour JPEG
//   png-zero-23000.png     a valid 23000 x 23000 RGB PNG of zero rows
//   tga-rle-23170.tga      a valid 23170 x 23170 24-bit run-length TGA
//   dds-claims-23170.dds   a DDS header claiming 23170 x 23170 RGBA, with 64 bytes of pixels
#include <png.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "loading/jpeg_writer.h"

namespace {

constexpr int kClaimedSide = 23170;  // 23170^2 x 4 bytes is just under 2 GiB

bool write_file(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

bool jpeg_claims(const std::string& path) {
    std::vector<unsigned char> bytes =
        loading::encode_jpeg(std::vector<uint8_t>(64, 90).data(), 8, 8, 1);
    for (size_t i = 2; i + 9 < bytes.size(); ++i) {
        if (bytes[i] != 0xFF || bytes[i + 1] != 0xC0) continue;
        bytes[i + 5] = bytes[i + 7] = kClaimedSide >> 8;
        bytes[i + 6] = bytes[i + 8] = kClaimedSide & 0xFF;
        return write_file(path, bytes);
    }
    return false;
}

bool jpeg_large(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    constexpr size_t kRow = size_t(16384) * 3;
    const bool ok = loading::write_jpeg(f, 16384, 16384, 3, {}, [](int y, uint8_t* s) {
        for (size_t i = 0; i < kRow; ++i)
            s[i] = static_cast<unsigned char>((i / 3 / 64 + static_cast<size_t>(y) / 64) * 9);
    });
    return std::fclose(f) == 0 && ok;
}

bool png_zero_rows(const std::string& path) {
    constexpr int kSide = 23000;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, f);
    png_set_IHDR(png, info, kSide, kSide, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_filter(png, 0, PNG_FILTER_NONE);
    png_write_info(png, info);
    std::vector<unsigned char> row(static_cast<size_t>(kSide) * 3, 0);
    for (int y = 0; y < kSide; ++y) png_write_row(png, row.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(f) == 0;
}

bool tga_run_length(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    unsigned char header[18] = {0, 0, 10};
    header[12] = header[14] = kClaimedSide & 0xFF;
    header[13] = header[15] = kClaimedSide >> 8;
    header[16] = 24;
    header[17] = 0x20;
    std::fwrite(header, 1, sizeof header, f);
    const uint64_t pixels = uint64_t{kClaimedSide} * kClaimedSide;
    const unsigned char packet[4] = {0xFF, 40, 80, 120};  // 128 pixels of one colour
    for (uint64_t done = 0; done < pixels; done += 128) std::fwrite(packet, 1, sizeof packet, f);
    return std::fclose(f) == 0;
}

bool dds_claims(const std::string& path) {
    std::vector<unsigned char> bytes(128 + 64, 0);
    auto put = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<unsigned char>(v >> (8 * i));
    };
    put(0, 0x20534444);
    put(4, 124);
    put(12, kClaimedSide);
    put(16, kClaimedSide);
    put(76, 32);
    put(80, 0x41);
    put(88, 32);
    return write_file(path, bytes);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: hostile_inputs DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    const bool ok =
        jpeg_claims(dir + "/jpeg-claims-23170.jpg") && jpeg_large(dir + "/jpeg-16384.jpg") &&
        png_zero_rows(dir + "/png-zero-23000.png") && tga_run_length(dir + "/tga-rle-23170.tga") &&
        dds_claims(dir + "/dds-claims-23170.dds");
    if (!ok) std::fprintf(stderr, "hostile_inputs: can't write into \"%s\"\n", dir.c_str());
    return ok ? 0 : 1;
}
