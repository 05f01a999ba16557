#pragma once
// The one image object: a render target of one mip level in A8R8G8B8 that can be sampled,
// drawn into and filled from decoded pixels. Width or height 0 means it holds no image.
#include <cstdint>

#include "gfx/platform.h"

class RenderDevice;

// How a texture is sampled: point, or linear but with point magnification at the picture's
// working size.
enum class TextureFilter { point, linear };
// How coordinates outside the texture are taken.
enum class TextureAddress { wrap, clamp, mirror };

class Texture {
  public:
    // Made by RenderDevice::new_texture; freeing it with `delete` destroys it.
    explicit Texture(RenderDevice* device) : device_(device) {}
    ~Texture();
    Texture(const Texture&) = delete;
    Texture& operator=(const Texture&) = delete;

    // Creates an empty render target; the texture must hold no platform objects.
    bool create(int width, int height, TextureFilter filter, TextureAddress address);
    // Replaces the image by `pixels`: width x height pixels of red, green, blue, alpha, the top
    // row first. The buffer is changed in place (red and blue exchanged) and stays the caller's.
    // A failed upload (larger than the card's largest texture, say) leaves the texture empty:
    // width and height 0.
    bool upload(uint8_t* pixels, int width, int height, TextureFilter filter,
                TextureAddress address);
    // Filling from image files and image banks: loading/texture_loading.h.

    // Copies the whole current render target 0 into this texture with linear filtering.
    void copy_from_target();

    // Around a device reset: release keeps size and kinds; restore recreates an empty target
    // of the stored size with point filtering and clamped addressing.
    void release_resources();
    void restore();
    // Releases the platform objects and takes the texture off the device's list.
    void destroy();

    gfx::platform::Surface* surface() const { return surface_; }
    gfx::platform::TextureObject* handle() const { return texture_; }
    RenderDevice* device() const { return device_; }
    int width() const { return width_; }
    int height() const { return height_; }
    TextureFilter filter_kind() const { return filter_kind_; }
    TextureAddress address_kind() const { return address_kind_; }

    // Whether the platform texture is held.
    bool holds_image() const { return texture_ != nullptr; }

  private:
    friend class RenderDevice;
    void release_objects();
    bool fill(uint8_t* pixels, int width, int height, TextureFilter filter, TextureAddress address);

    RenderDevice* device_ = nullptr;
    gfx::platform::TextureObject* texture_ = nullptr;
    gfx::platform::Surface* surface_ = nullptr;
    TextureFilter filter_kind_ = TextureFilter::point;
    TextureAddress address_kind_ = TextureAddress::wrap;
    int width_ = 0;
    int height_ = 0;
};
