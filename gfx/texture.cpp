#include "gfx/texture.h"

#include <cstring>
#include <utility>

#include "gfx/render_device.h"

namespace p = gfx::platform;

Texture::~Texture() {
    destroy();
}

void Texture::release_objects() {
    if (surface_) {
        p::release(surface_);
        surface_ = nullptr;
    }
    if (texture_) {
        p::release(texture_);
        texture_ = nullptr;
    }
}

bool Texture::create(int width, int height, TextureFilter filter_kind,
                     TextureAddress address_kind) {
    if (!device_ || !device_->platform_device()) return false;
    if (width <= 0 || height <= 0) return false;
    if (texture_ || surface_) return false;  // must be empty
    p::TextureObject* texture = nullptr;
    if (p::failed(p::create_texture(device_->platform_device(), static_cast<uint32_t>(width),
                                    static_cast<uint32_t>(height),
                                    p::TexturePool::render_target_default, &texture)))
        return false;
    texture_ = texture;
    p::Surface* surface = nullptr;
    if (p::failed(p::get_surface_level(texture_, 0, &surface))) return false;
    surface_ = surface;
    width_ = width;
    height_ = height;
    filter_kind_ = filter_kind;
    address_kind_ = address_kind;
    return true;
}

bool Texture::upload(uint8_t* pixels, int width, int height, TextureFilter filter_kind,
                     TextureAddress address_kind) {
    if (!device_ || !device_->platform_device()) return false;
    if (!fill(pixels, width, height, filter_kind, address_kind)) {
        // Whatever was held is gone: the texture is empty, so that nobody takes it as loaded.
        release_objects();
        width_ = 0;
        height_ = 0;
        return false;
    }
    return true;
}

bool Texture::fill(uint8_t* pixels, int width, int height, TextureFilter filter_kind,
                   TextureAddress address_kind) {
    release_objects();
    if (!pixels) return false;
    if (!create(width, height, filter_kind, address_kind)) return false;

    const size_t row_bytes = static_cast<size_t>(width) * 4;
    const size_t size = row_bytes * static_cast<size_t>(height);
    // Red and blue change places: the memory order of A8R8G8B8 is blue, green, red, alpha.
    for (size_t i = 0; i < size; i += 4) std::swap(pixels[i], pixels[i + 2]);

    p::TextureObject* staging = nullptr;
    if (p::failed(p::create_texture(device_->platform_device(), static_cast<uint32_t>(width),
                                    static_cast<uint32_t>(height), p::TexturePool::system_memory,
                                    &staging)))
        return false;
    void* bits = nullptr;
    int32_t pitch = 0;
    p::Result last = p::lock_rect(staging, &bits, pitch);
    if (!p::failed(last)) {
        if (pitch == static_cast<int32_t>(row_bytes)) {
            std::memcpy(bits, pixels, size);
        } else if (pitch > static_cast<int32_t>(row_bytes)) {
            for (int y = 0; y < height; ++y)
                std::memcpy(static_cast<uint8_t*>(bits) + static_cast<size_t>(y) * pitch,
                            pixels + y * row_bytes, row_bytes);
        }
        p::unlock_rect(staging);
        p::add_dirty_rect(texture_);
        last = p::update_texture(device_->platform_device(), staging, texture_);
    }
    p::release(staging);
    return !p::failed(last);
}

void Texture::copy_from_target() {
    if (!surface_ || !device_ || !device_->platform_device()) return;
    p::Device* device = device_->platform_device();
    p::Surface* target = nullptr;
    if (p::failed(p::get_render_target(device, &target)) || !target) return;
    // A copy at the same size takes every pixel whole: point sampling gives the same pixels as
    // linear at a fraction of the cost.
    uint32_t width = 0, height = 0;
    const bool same_size = !p::failed(p::get_surface_size(target, width, height)) &&
                           static_cast<int>(width) == width_ && static_cast<int>(height) == height_;
    p::stretch_rect(device, target, surface_, !same_size);
    p::release(target);
}

void Texture::release_resources() {
    release_objects();
}

void Texture::restore() {
    if (width_ > 0 && height_ > 0)
        create(width_, height_, TextureFilter::point, TextureAddress::clamp);
}

void Texture::destroy() {
    release_objects();
    if (device_) device_->forget(this);
}
