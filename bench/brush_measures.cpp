// brush_measures PAINTING [SOURCE]: three figures of a painting's brushwork, for comparing
// programs on the same paintings (not a test: the figures are read by a person).
//
//   repeat   how strongly one period stands out of the luminance's spectrum at the scale of
//            strokes (periods of 12 to 64 pixels): the highest ratio of a frequency's power to
//            the mean power of its neighbourhood, averaged over overlapping 256 x 256 windows.
//            A ripple, a tiled texture or a grid of cells gives a sharp peak (tens); strokes
//            of differing length, width and direction give none (a few).
//   shapes   whether the source's shapes are still there at a quarter of full size: the
//            normalised correlation of the luminance gradient vectors of painting and source
//            (the source stretched to the painting's size), 1 when every edge is where it was.
//   relief   how strongly the strokes' relief and edges show: the luminance's detail finer than
//            16 pixels, its gradient's mean strength (per thousand) over the pixels where it is
//            clearly directed (a structure tensor over 7 x 7 pixels with a coherence above 0.6).
//            A blur has no such detail, and noise or a filter's grain is not directed.
//   breaks   whether that detail is separate strokes: the per cent of directed pixels where the
//            pattern 2 pixels ahead and 2 behind along its own direction differs by more than
//            twice its gradient (a stroke's end, or its edge against another). A ripple or a
//            streak runs on unbroken.
//   crisp    how many pixels per thousand lie on a crisp edge between flat paint: a step of at
//            least 6 % in luminance within two pixels, with a range under 3 % over three pixels
//            on either side. A blur has no steps, noise no flat sides.
//
// A blurred photograph scores well on shapes but not on strokes; noise or a filter's grain
// neither on shapes nor on strokes; a regular pattern fails repeat.
#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <string>
#include <vector>

#include "loading/image_files.h"
#include "loading/whole_file.h"

namespace {

constexpr int kMaxSide = 8192;
constexpr double kPi = 3.14159265358979323846;

struct Grey {
    int width = 0, height = 0;
    std::vector<float> v;
    float at(int x, int y) const {
        x = std::clamp(x, 0, width - 1);
        y = std::clamp(y, 0, height - 1);
        return v[static_cast<size_t>(y) * width + x];
    }
};

bool read_luminance(const std::string& path, Grey& out) {
    const loading::ImageFormat format = loading::image_format_for_path(path);
    size_t size = 0;
    const loading::ByteBuffer bytes = loading::read_whole_file(path, size);
    if (format == loading::ImageFormat::kUnknown || !bytes) {
        std::fprintf(stderr, "brush_measures: can't read \"%s\"\n", path.c_str());
        return false;
    }
    int w = 0, h = 0;
    const loading::PixelBuffer pixels =
        loading::decode_image(format, bytes.get(), size, path, w, h);
    if (!pixels || w < 16 || h < 16 || w > kMaxSide || h > kMaxSide) {
        std::fprintf(stderr, "brush_measures: \"%s\" is not an image of 16 to 8192 pixels a side\n",
                     path.c_str());
        return false;
    }
    out.width = w;
    out.height = h;
    out.v.resize(static_cast<size_t>(w) * h);
    const unsigned char* p = pixels.get();
    for (size_t i = 0; i < out.v.size(); ++i, p += 4)
        out.v[i] = (0.299f * p[0] + 0.587f * p[1] + 0.114f * p[2]) / 255.0f;
    return true;
}

Grey bilinear(const Grey& g, int width, int height) {
    Grey out{width, height, std::vector<float>(static_cast<size_t>(width) * height)};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const double sx = (x + 0.5) * g.width / width - 0.5;
            const double sy = (y + 0.5) * g.height / height - 0.5;
            const int x0 = static_cast<int>(std::floor(sx)), y0 = static_cast<int>(std::floor(sy));
            const float fx = static_cast<float>(sx - x0), fy = static_cast<float>(sy - y0);
            const float top = g.at(x0, y0) * (1 - fx) + g.at(x0 + 1, y0) * fx;
            const float bottom = g.at(x0, y0 + 1) * (1 - fx) + g.at(x0 + 1, y0 + 1) * fx;
            out.v[static_cast<size_t>(y) * width + x] = top * (1 - fy) + bottom * fy;
        }
    return out;
}

Grey quarter(const Grey& g) {
    const int w = g.width / 4, h = g.height / 4;
    Grey out{w, h, std::vector<float>(static_cast<size_t>(w) * h)};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            float sum = 0;
            for (int j = 0; j < 4; ++j)
                for (int i = 0; i < 4; ++i) sum += g.at(4 * x + i, 4 * y + j);
            out.v[static_cast<size_t>(y) * w + x] = sum / 16;
        }
    return out;
}

using Complex = std::complex<double>;

// In-place radix-2 transform of n = 2^k values spaced by `stride`.
void fft(Complex* a, int n, int stride) {
    for (int i = 1, j = 0; i < n; ++i) {
        int bit = n >> 1;
        for (; j & bit; bit >>= 1) j ^= bit;
        j ^= bit;
        if (i < j) std::swap(a[i * stride], a[j * stride]);
    }
    for (int len = 2; len <= n; len <<= 1) {
        const double angle = -2 * kPi / len;
        const Complex step(std::cos(angle), std::sin(angle));
        for (int i = 0; i < n; i += len) {
            Complex w(1);
            for (int k = 0; k < len / 2; ++k, w *= step) {
                Complex& u = a[(i + k) * stride];
                Complex& v = a[(i + k + len / 2) * stride];
                const Complex t = v * w;
                v = u - t;
                u += t;
            }
        }
    }
}

double repeat_figure(const Grey& g) {
    constexpr int n = 256, hop = 128;
    std::vector<double> power(n * n, 0.0);
    std::vector<Complex> window(n * n);
    int windows = 0;
    for (int y0 = 0; y0 + n <= g.height; y0 += hop)
        for (int x0 = 0; x0 + n <= g.width; x0 += hop) {
            double mean = 0;
            for (int y = 0; y < n; ++y)
                for (int x = 0; x < n; ++x) mean += g.at(x0 + x, y0 + y);
            mean /= n * n;
            for (int y = 0; y < n; ++y)
                for (int x = 0; x < n; ++x) {
                    const double hann =
                        0.25 * (1 - std::cos(2 * kPi * x / n)) * (1 - std::cos(2 * kPi * y / n));
                    window[y * n + x] = (g.at(x0 + x, y0 + y) - mean) * hann;
                }
            for (int y = 0; y < n; ++y) fft(&window[y * n], n, 1);
            for (int x = 0; x < n; ++x) fft(&window[x], n, n);
            for (int i = 0; i < n * n; ++i) power[i] += std::norm(window[i]);
            ++windows;
        }
    if (windows == 0) return 0;
    auto at = [&](int kx, int ky) { return power[((ky + n) % n) * n + (kx + n) % n]; };
    double best = 0;
    for (int ky = -n / 2 + 1; ky < n / 2; ++ky)
        for (int kx = 0; kx < n / 2; ++kx) {
            const double r = std::hypot(kx, ky);
            if (r < n / 64.0 || r > n / 12.0) continue;  // periods of 12 to 64 pixels
            double sum = 0;
            int count = 0;
            for (int j = -4; j <= 4; ++j)
                for (int i = -4; i <= 4; ++i) {
                    if (std::abs(i) <= 1 && std::abs(j) <= 1) continue;
                    if (std::hypot(kx + i, ky + j) < 1.5) continue;  // keep the mean out
                    sum += at(kx + i, ky + j);
                    ++count;
                }
            const double mean = sum / std::max(count, 1);
            if (mean > 0) best = std::max(best, at(kx, ky) / mean);
        }
    return best;
}

double shapes_figure(const Grey& painting, const Grey& source) {
    const Grey a = quarter(painting);
    const Grey b = quarter(bilinear(source, painting.width, painting.height));
    double cross = 0, aa = 0, bb = 0;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x) {
            auto sobel = [x, y](const Grey& g, double& gx, double& gy) {
                gx = (g.at(x + 1, y - 1) + 2 * g.at(x + 1, y) + g.at(x + 1, y + 1)) -
                     (g.at(x - 1, y - 1) + 2 * g.at(x - 1, y) + g.at(x - 1, y + 1));
                gy = (g.at(x - 1, y + 1) + 2 * g.at(x, y + 1) + g.at(x + 1, y + 1)) -
                     (g.at(x - 1, y - 1) + 2 * g.at(x, y - 1) + g.at(x + 1, y - 1));
            };
            double ax, ay, bx, by;
            sobel(a, ax, ay);
            sobel(b, bx, by);
            cross += ax * bx + ay * by;
            aa += ax * ax + ay * ay;
            bb += bx * bx + by * by;
        }
    return aa > 0 && bb > 0 ? cross / std::sqrt(aa * bb) : 0;
}

double crisp_figure(const Grey& g) {
    constexpr float kStep = 0.06f, kFlat = 0.03f;
    long edges = 0;
    auto flat = [&](int x, int y, int dx, int dy) {
        float lo = 2, hi = -1;
        for (int k = 0; k < 3; ++k) {
            const float v = g.at(x + k * dx, y + k * dy);
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
        return hi - lo <= kFlat;
    };
    for (int y = 4; y < g.height - 4; ++y)
        for (int x = 4; x < g.width - 4; ++x) {
            bool edge = false;
            for (int d = 0; d < 2 && !edge; ++d) {
                const int dx = d == 0 ? 1 : 0, dy = 1 - dx;
                if (std::fabs(g.at(x + dx, y + dy) - g.at(x - dx, y - dy)) < kStep) continue;
                edge = flat(x - 4 * dx, y - 4 * dy, dx, dy) && flat(x + 2 * dx, y + 2 * dy, dx, dy);
            }
            edges += edge;
        }
    return 1000.0 * static_cast<double>(edges) /
           (static_cast<double>(g.width - 8) * (g.height - 8));
}

// Mean of a box of (2r+1)^2 around every pixel, by running sums.
Grey box(const Grey& g, int r) {
    Grey rows = g, out = g;
    for (int y = 0; y < g.height; ++y) {
        double sum = 0;
        for (int x = -r - 1; x < r; ++x) sum += g.at(x, y);
        for (int x = 0; x < g.width; ++x) {
            sum += g.at(x + r, y) - g.at(x - r - 1, y);
            rows.v[static_cast<size_t>(y) * g.width + x] = static_cast<float>(sum / (2 * r + 1));
        }
    }
    for (int x = 0; x < g.width; ++x) {
        double sum = 0;
        for (int y = -r - 1; y < r; ++y) sum += rows.at(x, y);
        for (int y = 0; y < g.height; ++y) {
            sum += rows.at(x, y + r) - rows.at(x, y - r - 1);
            out.v[static_cast<size_t>(y) * g.width + x] = static_cast<float>(sum / (2 * r + 1));
        }
    }
    return out;
}

struct StrokeFigures {
    double relief = 0;  // mean gradient strength of the directed fine detail, per thousand
    double breaks = 0;  // per cent of the directed detail that breaks along its own direction
};

StrokeFigures stroke_figures(const Grey& g) {
    Grey fine = g, xx = g, yy = g, xy = g;
    const Grey broad = box(g, 8);
    for (size_t i = 0; i < fine.v.size(); ++i) fine.v[i] = g.v[i] - broad.v[i];
    for (int y = 0; y < g.height; ++y)
        for (int x = 0; x < g.width; ++x) {
            const float gx = 0.5f * (fine.at(x + 1, y) - fine.at(x - 1, y));
            const float gy = 0.5f * (fine.at(x, y + 1) - fine.at(x, y - 1));
            const size_t i = static_cast<size_t>(y) * g.width + x;
            xx.v[i] = gx * gx;
            yy.v[i] = gy * gy;
            xy.v[i] = gx * gy;
        }
    xx = box(xx, 3);
    yy = box(yy, 3);
    xy = box(xy, 3);
    double strength = 0;
    long directed = 0, broken = 0;
    for (int y = 0; y < g.height; ++y)
        for (int x = 0; x < g.width; ++x) {
            const size_t i = static_cast<size_t>(y) * g.width + x;
            const double energy = xx.v[i] + yy.v[i];
            const double spread = std::hypot(xx.v[i] - yy.v[i], 2.0 * xy.v[i]);
            if (energy <= 1e-8 || spread < 0.6 * energy) continue;
            strength += std::sqrt(energy);
            ++directed;
            // along the detail (across its gradient): the same pattern 2 pixels ahead and
            // behind within a stroke; a different one where a stroke ends or meets another
            const double angle = 0.5 * std::atan2(2.0 * xy.v[i], xx.v[i] - yy.v[i]);
            const int dx = static_cast<int>(std::lround(-2 * std::sin(angle)));
            const int dy = static_cast<int>(std::lround(2 * std::cos(angle)));
            const double jump = std::fabs(fine.at(x + dx, y + dy) - fine.at(x - dx, y - dy));
            broken += jump > 2.0 * std::sqrt(energy);
        }
    StrokeFigures out;
    out.relief = 1000.0 * strength / static_cast<double>(g.v.size());
    out.breaks =
        directed > 0 ? 100.0 * static_cast<double>(broken) / static_cast<double>(directed) : 0;
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: brush_measures PAINTING.png [SOURCE image]\n");
        return 2;
    }
    Grey painting, source;
    if (!read_luminance(argv[1], painting)) return 1;
    std::printf("repeat %.1f\n", repeat_figure(painting));
    if (argc == 3) {
        if (!read_luminance(argv[2], source)) return 1;
        std::printf("shapes %.3f\n", shapes_figure(painting, source));
    }
    const StrokeFigures strokes = stroke_figures(painting);
    std::printf("relief %.1f\nbreaks %.1f\ncrisp %.1f\n", strokes.relief, strokes.breaks,
                crisp_figure(painting));
    return 0;
}
