#pragma once
// What "picture build" generates for a picture's data root, chosen by the picture's name: its
// numbered colour images and factures, canvas grain and signature, each encoded as the banks
// store it. A new picture adds its generators here; nothing in the saver changes.
#include <cstdint>
#include <string>
#include <vector>

namespace kit {

struct PictureGenerators {
    const char* picture;      // the picture they belong to
    const char* colour_stem;  // colour image keys are "<stem>NNN"
    int colour_images;
    int factures;
    std::vector<uint8_t> (*colour_image)(int index);  // JPEG
    std::vector<uint8_t> (*facture)(int index);       // JPEG
    std::vector<uint8_t> (*canvas_grain)();           // JPEG
    std::vector<uint8_t> (*signature)();              // TGA
};

// The generators of `picture`, or null when it has none of its own.
const PictureGenerators* generators_for(const std::string& picture);
// The sample picture's, which serve a picture without generators of its own.
const PictureGenerators& sample_generators();

}  // namespace kit
