#pragma once
// An OpenGL 3.3 core context over EGL: headless (no surface) on a surfaceless or device
// platform, or on an X11 window.
#include <cstdint>
#include <string>

namespace gfx::egl {

class Context {
  public:
    Context() = default;
    ~Context() { close(); }
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;

    // A context without a surface: a hardware EGL device first, then the surfaceless platform,
    // then any other device. Leaves it current.
    bool open_headless(std::string& error);
    // A context drawing into the X11 window `window` (an X11 Window id); leaves it current.
    bool open_window(uintptr_t window, std::string& error);
    void close();

    bool make_current();
    // Shows the window surface (no-op without one); interval 1 = wait for one refresh.
    void swap_buffers();
    bool has_window() const { return surface_ != nullptr; }
    void window_size(int& width, int& height) const;

    // PCI identifiers of the device where the platform tells them, else 0.
    uint32_t vendor_id() const { return vendor_id_; }
    uint32_t device_id() const { return device_id_; }

  private:
    bool create_context(bool for_window, std::string& error);
    void read_pci_ids(void* egl_device);

    void* display_ = nullptr;    // EGLDisplay
    void* context_ = nullptr;    // EGLContext
    void* surface_ = nullptr;    // EGLSurface of the window
    void* config_ = nullptr;     // EGLConfig
    void* x_display_ = nullptr;  // Display* of our own X connection
    uint32_t vendor_id_ = 0;
    uint32_t device_id_ = 0;
};

}  // namespace gfx::egl
