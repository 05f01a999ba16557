#include "tools/picture_generators.h"

#include "pictures/Farmeadow/generators/canvas_grain.h"
#include "pictures/Farmeadow/generators/facture.h"
#include "pictures/Farmeadow/generators/image_encoding.h"
#include "pictures/Farmeadow/generators/landscape.h"
#include "pictures/Farmeadow/generators/signature.h"

namespace {

const kit::PictureGenerators kFarmeadow = {
    "Farmeadow",
    "meadow",
    48,
    32,
    [](int i) { return farmeadow::encode_jpeg(farmeadow::make_landscape(i), 90); },
    [](int i) { return farmeadow::encode_jpeg(farmeadow::make_facture(i), 92); },
    [] { return farmeadow::encode_jpeg(farmeadow::make_canvas_grain(), 95); },
    [] { return farmeadow::encode_tga(farmeadow::make_signature()); },
};

const kit::PictureGenerators* const kPictures[] = {&kFarmeadow};

}  // namespace

const kit::PictureGenerators* kit::generators_for(const std::string& picture) {
    for (const PictureGenerators* g : kPictures)
        if (picture == g->picture) return g;
    return nullptr;
}

const kit::PictureGenerators& kit::sample_generators() {
    return kFarmeadow;
}
