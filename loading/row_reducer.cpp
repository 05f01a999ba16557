#include "loading/row_reducer.h"

#include <algorithm>

loading::RowReducer::RowReducer(size_t width, size_t height, size_t factor, unsigned char* out)
    : width_(width),
      height_(height),
      factor_(factor == 0 ? 1 : factor),
      out_width_(reduced(width, factor_)),
      out_(out),
      sums_(out_width_ * 4, 0) {}

void loading::RowReducer::add(const unsigned char* row) {
    if (y_ >= height_) return;
    for (size_t x = 0; x < width_; ++x, row += 4) {
        uint32_t* sum = &sums_[(x / factor_) * 4];
        for (int k = 0; k < 4; ++k) sum[k] += row[k];
    }
    ++y_;
    if (y_ % factor_ != 0 && y_ != height_) return;
    const size_t rows = (y_ - 1) % factor_ + 1;
    for (size_t x = 0; x < out_width_; ++x, out_ += 4) {
        const size_t columns = std::min(factor_, width_ - x * factor_);
        const uint32_t n = static_cast<uint32_t>(rows * columns);
        for (int k = 0; k < 4; ++k)
            out_[k] = static_cast<unsigned char>((sums_[x * 4 + k] + n / 2) / n);
    }
    std::fill(sums_.begin(), sums_.end(), 0);
}
