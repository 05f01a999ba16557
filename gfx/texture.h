#pragma once
// The one image object: a render target of one mip level in A8R8G8B8 that can be sampled,
// drawn into and filled from decoded pixels. Width or height 0 means it holds no image.
#include <cstdint>
#include <string>

#include "gfx/platform.h"

class RenderDevice;

class Texture {
  public:
    // Filter kinds: 0 point; 1 linear, but point magnification at the picture's working size.
    static constexpr int kFilterPoint = 0;
    static constexpr int kFilterLinear = 1;
    // Address kinds.
    static constexpr int kAddressWrap = 0;
    static constexpr int kAddressClamp = 1;
    static constexpr int kAddressMirror = 2;

    // Made by RenderDevice::new_texture; freeing it with `delete` destroys it.
    explicit Texture(RenderDevice* device) : device_(device) {}
    ~Texture();
    Texture(const Texture&) = delete;
    Texture& operator=(const Texture&) = delete;

    // Creates an empty render target; the texture must hold no platform objects.
    bool create(int width, int height, int filter_kind, int address_kind);
    // Replaces the image by `pixels`: width x height pixels of red, green, blue, alpha, the top
    // row first. The buffer is changed in place (red and blue exchanged) and stays the caller's.
    // A failed upload (larger than the card's largest texture, say) leaves the texture empty:
    // width and height 0.
    bool upload(uint8_t* pixels, int width, int height, int filter_kind, int address_kind);
    // Image loading (defined by the loading library, which reads and decodes the files).
    // Loads the image file `path` (decoder chosen by its extension) and uploads it with filter
    // kind 1 and address kind 1; width and height receive the decoded size. False when the
    // file could not be read, decoded or uploaded; the texture then keeps what it held (an
    // upload that fails empties it). Sides above the working size (at least 1024) or the card's
    // largest texture are decoded smaller (JPEG, PNG) or refused, with a one-line message.
    bool load(const std::string& path, int& width, int& height);
    // Loads image `n` of image bank `kind` (0 colour images, 1 forms, 2 factures), turned
    // upside down, and uploads it like load(). When no image could be read, width and height
    // are set to 0 and the texture keeps what it held. `image_count` receives the bank's
    // record count whenever the bank is open.
    void load_from_bank(int n, int kind, int& width, int& height, int& image_count);

    // Copies the whole current render target 0 into this texture with linear filtering.
    void copy_from_target();

    // Around a device reset: release keeps size and kinds; restore recreates an empty target
    // of the stored size with filter kind 0 and address kind 1.
    void release_resources();
    void restore();
    // Releases the platform objects and takes the texture off the device's list.
    void destroy();

    gfx::platform::Surface* surface() const { return surface_; }
    gfx::platform::TextureObject* handle() const { return texture_; }
    RenderDevice* device() const { return device_; }
    int width() const { return width_; }
    int height() const { return height_; }
    int filter_kind() const { return filter_kind_; }
    int address_kind() const { return address_kind_; }

    // Whether the platform texture is held.
    bool holds_image() const { return texture_ != nullptr; }

  private:
    friend class RenderDevice;
    void release_objects();
    bool fill(uint8_t* pixels, int width, int height, int filter_kind, int address_kind);

    RenderDevice* device_ = nullptr;
    gfx::platform::TextureObject* texture_ = nullptr;
    gfx::platform::Surface* surface_ = nullptr;
    int filter_kind_ = 0;
    int address_kind_ = 0;
    int width_ = 0;
    int height_ = 0;
};
