#pragma once
// The painter's signature: a cursive name drawn as anti-aliased pen strokes in a light paint
// colour on a transparent ground.
#include "pictures/Farmeadow/generators/image_encoding.h"

namespace farmeadow {

inline constexpr int kSignatureWidth = 256;
inline constexpr int kSignatureHeight = 64;

// An RGBA image of kSignatureWidth x kSignatureHeight, top row first; alpha is the ink.
Image make_signature();

}  // namespace farmeadow
