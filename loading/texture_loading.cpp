#include "loading/texture_loading.h"

#include <cstdio>

#include "gfx/render_device.h"
#include "gfx/texture.h"
#include "loading/bank_images.h"
#include "loading/image_files.h"

namespace {

constexpr TextureFilter kLoadedFilter = TextureFilter::linear;
constexpr TextureAddress kLoadedAddress = TextureAddress::clamp;

// Nothing is drawn larger than the working size, and nothing larger than the card's largest
// texture can be held.
int side_limit(const Texture& texture) {
    const RenderDevice* device = texture.device();
    if (device == nullptr) return loading::kLargestImageSide;
    return loading::image_side_limit(device->max_texture_size(), device->work_width(),
                                     device->work_height());
}

}  // namespace

bool loading::load_texture(DataRoot& root, Texture& texture, const std::string& path, int& width,
                           int& height) {
    PixelBuffer pixels = load_image_file(root, path, width, height, side_limit(texture));
    if (!pixels || width == 0 || height == 0) {
        std::fprintf(stderr, "Texture::load(): \"%s\" gives no image; the texture stays empty\n",
                     path.c_str());
        return false;
    }
    return texture.upload(pixels.get(), width, height, kLoadedFilter, kLoadedAddress);
}

void loading::load_bank_texture(DataRoot& root, Texture& texture, int n, int kind, int& width,
                                int& height, int& image_count) {
    PixelBuffer pixels =
        load_bank_image(root, n, kind, width, height, image_count, side_limit(texture));
    if (!pixels) {
        width = 0;
        height = 0;
        return;
    }
    flip_rows(pixels.get(), width, height);
    texture.upload(pixels.get(), width, height, kLoadedFilter, kLoadedAddress);
}
