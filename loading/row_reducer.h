#pragma once
// Reduction of an image by a whole factor while its rows arrive one by one, top row first:
// each factor x factor block of RGBA pixels (fewer at the right and bottom edges) becomes its
// average. Only one band of sums is held, never the source image.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace loading {

class RowReducer {
  public:
    // The side of `side` pixels reduced by `factor`.
    static size_t reduced(size_t side, size_t factor) { return (side + factor - 1) / factor; }

    // Writes into `out`: reduced(width) x reduced(height) RGBA pixels.
    RowReducer(size_t width, size_t height, size_t factor, unsigned char* out);
    // Adds the next source row of `width` RGBA pixels.
    void add(const unsigned char* row);

  private:
    size_t width_, height_, factor_, out_width_;
    size_t y_ = 0;
    unsigned char* out_;
    std::vector<uint32_t> sums_;  // per reduced pixel and channel of the current band
};

}  // namespace loading
