// Resource loading: descrambling throughput against memcpy of the same bytes, and a numbered
// image read from its bank (read, descramble, decode) against plain libjpeg-turbo decoding of
// the same JPEG from memory.
#include <benchmark/benchmark.h>
#include <jpeglib.h>
#include <stdlib.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "loading/bank_images.h"
#include "loading/bank_packing.h"
#include "loading/data_root.h"
#include "loading/descramble_stream.h"
#include "loading/jpeg_writer.h"

namespace {

constexpr int kWidth = 1024;
constexpr int kHeight = 768;

// A photograph-like 1024 x 768 colour image (smooth shapes with grain), JPEG quality 90.
std::vector<unsigned char> make_jpeg() {
    std::vector<unsigned char> rgb(static_cast<size_t>(kWidth) * kHeight * 3);
    uint32_t noise = 12345;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            noise ^= noise << 13;
            noise ^= noise >> 17;
            noise ^= noise << 5;
            const double grain = static_cast<double>(noise & 15) - 7.5;
            unsigned char* p = rgb.data() + (static_cast<size_t>(y) * kWidth + x) * 3;
            const double base[3] = {128 + 90 * std::sin(x * 0.011) * std::cos(y * 0.007),
                                    128 + 80 * std::sin((x + y) * 0.005),
                                    128 + 70 * std::cos(x * 0.003 - y * 0.013)};
            for (int c = 0; c < 3; ++c)
                p[c] = static_cast<unsigned char>(std::clamp(base[c] + grain, 0.0, 255.0));
        }
    }
    return loading::encode_jpeg(rgb.data(), kWidth, kHeight, 3, {90});
}

const std::vector<unsigned char>& test_jpeg() {
    static const std::vector<unsigned char> jpeg = make_jpeg();
    return jpeg;
}

// A data folder with the image as record 1 of the colour-image bank.
const std::string& data_root() {
    static const std::string root = [] {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "bw-loading-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) std::abort();
        std::string error;
        if (!loading::write_image_bank(pattern + "/data/Base1", {{"one", test_jpeg(), false}},
                                       error))
            std::abort();
        return pattern;
    }();
    return root;
}

void BM_Descramble(benchmark::State& state) {
    std::vector<unsigned char> bytes(static_cast<size_t>(state.range(0)), 0x5A);
    for (auto _ : state) {
        loading::descramble_record(1, bytes.data(), bytes.size());
        benchmark::DoNotOptimize(bytes.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_Descramble)->Arg(200 << 10)->Arg(4 << 20);

void BM_MemcpyBaseline(benchmark::State& state) {
    std::vector<unsigned char> from(static_cast<size_t>(state.range(0)), 0x5A);
    std::vector<unsigned char> to(from.size());
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), from.size());
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_MemcpyBaseline)->Arg(200 << 10)->Arg(4 << 20);

void BM_LoadBankImage_1024x768(benchmark::State& state) {
    loading::DataRoot root(data_root());
    state.counters["jpeg_bytes"] = static_cast<double>(test_jpeg().size());
    for (auto _ : state) {
        int width = 0, height = 0, count = 0;
        loading::PixelBuffer pixels =
            loading::load_bank_image(root, 1, loading::kColourImages, width, height, count);
        if (!pixels || width != kWidth) state.SkipWithError("no image");
        benchmark::DoNotOptimize(pixels.get());
    }
}
BENCHMARK(BM_LoadBankImage_1024x768)->Unit(benchmark::kMillisecond);

// Plain libjpeg-turbo: memory source, default output (RGB), one scanline at a time.
void BM_LibjpegDecodeBaseline_1024x768(benchmark::State& state) {
    const std::vector<unsigned char>& jpeg = test_jpeg();
    for (auto _ : state) {
        jpeg_decompress_struct info{};
        jpeg_error_mgr errors{};
        info.err = jpeg_std_error(&errors);
        jpeg_create_decompress(&info);
        jpeg_mem_src(&info, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
        jpeg_read_header(&info, TRUE);
        jpeg_start_decompress(&info);
        const size_t stride = static_cast<size_t>(info.output_width) * info.output_components;
        auto* out = static_cast<unsigned char*>(std::malloc(stride * info.output_height));
        while (info.output_scanline < info.output_height) {
            JSAMPROW row = out + stride * info.output_scanline;
            jpeg_read_scanlines(&info, &row, 1);
        }
        jpeg_finish_decompress(&info);
        jpeg_destroy_decompress(&info);
        benchmark::DoNotOptimize(out);
        std::free(out);
    }
}
BENCHMARK(BM_LibjpegDecodeBaseline_1024x768)->Unit(benchmark::kMillisecond);

}  // namespace
