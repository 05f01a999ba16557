#pragma once
// The canvas grain: a plain weave of warp and weft threads as a grey height field that tiles
// seamlessly (its right edge continues into its left, its bottom into its top).
#include "pictures/Farmeadow/generators/image_encoding.h"

namespace farmeadow {

inline constexpr int kGrainSize = 512;
inline constexpr int kGrainThreads = 64;  // threads across one tile, each way

// A grey image of kGrainSize x kGrainSize.
Image make_canvas_grain();

}  // namespace farmeadow
