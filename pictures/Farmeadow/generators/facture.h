#pragma once
// Factures: greyscale height fields of brush strokes on a mid-grey ground. Each stroke is a
// raised ridge with bristle grooves along its length, heavier paint where the brush touched down
// and ends that thin out; strokes overlap in a flow whose direction and density vary from
// facture to facture (long level strokes, short upright dabs, crossing layers, swirls).
#include "pictures/Farmeadow/generators/image_encoding.h"

namespace farmeadow {

inline constexpr int kFactureSize = 512;

// A grey image of size x size; the same number always gives the same pixels.
Image make_facture(int number, int size = kFactureSize);

}  // namespace farmeadow
