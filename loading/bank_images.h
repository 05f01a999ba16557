#pragma once
// Numbered images: scrambled JPEG records 1 to the record count in the image banks
// "<data folder>/data/Base1" of a data root (colour images), "Base2" (forms) and "Base4"
// (factures).
#include <cstddef>

#include "loading/pixel_buffer.h"

namespace loading {

class DataRoot;

enum ImageKind : int { kColourImages = 0, kFormImages = 1, kFactureImages = 2 };

// Image `n` of bank `kind` decoded to RGBA pixels, rows from the top as the JPEG stores them.
// The record read is n mod (count + 1), record 1 in place of 0, so every n >= 0 names a record.
// `image_count` receives the bank's record count whenever the bank is open, also when the
// record then fails. Gives null for a kind outside 0 to 2, a bank that cannot be opened, a
// negative n, an empty record and a record that does not decode (with libjpeg's message).
// Sides above `max_side` are decoded at a
// reduced scale (decode_jpeg).
PixelBuffer load_bank_image(DataRoot& root, int n, int kind, int& width, int& height,
                            int& image_count, int max_side = kLargestImageSide);

// The descrambled bytes of the record that load_bank_image(n, kind) decodes, and their count in
// `size`; null where load_bank_image gives null before decoding.
ByteBuffer load_bank_record(DataRoot& root, int n, int kind, size_t& size, int& image_count);

}  // namespace loading
