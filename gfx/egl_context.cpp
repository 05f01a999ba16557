#include "gfx/egl_context.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace gfx::egl {

namespace {

uint32_t read_hex_file(const std::string& path) {
    std::ifstream in(path);
    std::string text;
    if (!(in >> text)) return 0;
    char* end = nullptr;
    const unsigned long v = std::strtoul(text.c_str(), &end, 16);
    return end && *end == '\0' ? static_cast<uint32_t>(v & 0xFFFF) : 0;
}

bool has_extension(const char* list, const char* name) {
    if (!list) return false;
    const std::string all = std::string(" ") + list + " ";
    return all.find(std::string(" ") + name + " ") != std::string::npos;
}

}  // namespace

void Context::read_pci_ids(void* egl_device) {
    vendor_id_ = device_id_ = 0;
    if (!egl_device) return;
    auto query = reinterpret_cast<PFNEGLQUERYDEVICESTRINGEXTPROC>(
        eglGetProcAddress("eglQueryDeviceStringEXT"));
    if (!query) return;
    const char* exts = query(static_cast<EGLDeviceEXT>(egl_device), EGL_EXTENSIONS);
    if (!has_extension(exts, "EGL_EXT_device_drm")) return;
    const char* file = query(static_cast<EGLDeviceEXT>(egl_device), EGL_DRM_DEVICE_FILE_EXT);
    if (!file) return;
    std::string node(file);
    const size_t slash = node.rfind('/');
    if (slash != std::string::npos) node = node.substr(slash + 1);
    const std::string base = "/sys/class/drm/" + node + "/device/";
    vendor_id_ = read_hex_file(base + "vendor");
    device_id_ = read_hex_file(base + "device");
}

bool Context::create_context(bool for_window, std::string& error) {
    if (!eglBindAPI(EGL_OPENGL_API)) {
        error = "no desktop OpenGL on this EGL display";
        return false;
    }
    const EGLint config_attribs[] = {EGL_RENDERABLE_TYPE,
                                     EGL_OPENGL_BIT,
                                     EGL_SURFACE_TYPE,
                                     for_window ? EGL_WINDOW_BIT : 0,
                                     EGL_RED_SIZE,
                                     8,
                                     EGL_GREEN_SIZE,
                                     8,
                                     EGL_BLUE_SIZE,
                                     8,
                                     EGL_NONE};
    EGLConfig config = nullptr;
    EGLint count = 0;
    if (!eglChooseConfig(display_, config_attribs, &config, 1, &count) || count < 1) {
        if (for_window) {
            error = "no EGL config for a window";
            return false;
        }
        config = nullptr;  // EGL_NO_CONFIG_KHR
    }
    config_ = config;
    const EGLint context_attribs[] = {EGL_CONTEXT_MAJOR_VERSION,
                                      3,
                                      EGL_CONTEXT_MINOR_VERSION,
                                      3,
                                      EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                      EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
                                      EGL_NONE};
    context_ = eglCreateContext(display_, config, EGL_NO_CONTEXT, context_attribs);
    if (!context_) {
        error = "no OpenGL 3.3 core context";
        return false;
    }
    return true;
}

bool Context::open_headless(std::string& error) {
    close();
    const char* client_exts = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    auto query_devices =
        reinterpret_cast<PFNEGLQUERYDEVICESEXTPROC>(eglGetProcAddress("eglQueryDevicesEXT"));
    auto query_device_string = reinterpret_cast<PFNEGLQUERYDEVICESTRINGEXTPROC>(
        eglGetProcAddress("eglQueryDeviceStringEXT"));

    std::vector<EGLDeviceEXT> hardware, software;
    if (query_devices && has_extension(client_exts, "EGL_EXT_platform_device")) {
        EGLint n = 0;
        if (query_devices(0, nullptr, &n) && n > 0) {
            std::vector<EGLDeviceEXT> all(static_cast<size_t>(n));
            if (query_devices(n, all.data(), &n)) {
                all.resize(static_cast<size_t>(n));
                for (EGLDeviceEXT d : all) {
                    const char* exts =
                        query_device_string ? query_device_string(d, EGL_EXTENSIONS) : nullptr;
                    (has_extension(exts, "EGL_EXT_device_drm") ? hardware : software).push_back(d);
                }
            }
        }
    }

    auto try_display = [&](EGLDisplay display, EGLDeviceEXT device) {
        if (display == EGL_NO_DISPLAY) return false;
        EGLint major = 0, minor = 0;
        if (!eglInitialize(display, &major, &minor)) return false;
        display_ = display;
        std::string why;
        if (!create_context(false, why) ||
            !eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, context_)) {
            if (context_) eglDestroyContext(display_, context_);
            context_ = nullptr;
            eglTerminate(display_);
            display_ = nullptr;
            return false;
        }
        read_pci_ids(device);
        return true;
    };

    for (EGLDeviceEXT d : hardware)
        if (try_display(eglGetPlatformDisplay(EGL_PLATFORM_DEVICE_EXT, d, nullptr), d)) return true;
    if (has_extension(client_exts, "EGL_MESA_platform_surfaceless") &&
        try_display(
            eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr),
            nullptr))
        return true;
    for (EGLDeviceEXT d : software)
        if (try_display(eglGetPlatformDisplay(EGL_PLATFORM_DEVICE_EXT, d, nullptr), d)) return true;
    error = "no EGL display with OpenGL 3.3 core";
    return false;
}

bool Context::open_window(uintptr_t window, std::string& error) {
    close();
    Display* x = XOpenDisplay(nullptr);
    if (!x) {
        error = "cannot open the X display";
        return false;
    }
    x_display_ = x;
    EGLDisplay display = eglGetPlatformDisplay(EGL_PLATFORM_X11_KHR, x, nullptr);
    EGLint major = 0, minor = 0;
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, &major, &minor)) {
        error = "no EGL display on X11";
        close();
        return false;
    }
    display_ = display;
    if (!create_context(true, error)) {
        close();
        return false;
    }
    Window native = static_cast<Window>(window);
    surface_ =
        eglCreatePlatformWindowSurface(display_, static_cast<EGLConfig>(config_), &native, nullptr);
    if (!surface_) {
        error = "cannot make an EGL surface on the window";
        close();
        return false;
    }
    if (!make_current()) {
        error = "cannot make the window context current";
        close();
        return false;
    }
    eglSwapInterval(display_, 1);
    return true;
}

void Context::close() {
    if (display_) {
        eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        if (surface_) eglDestroySurface(display_, surface_);
        if (context_) eglDestroyContext(display_, context_);
        // The surfaceless and device displays are shared by the process: leave them
        // initialised (terminating and re-initialising them repeatedly leaks in some drivers).
        if (x_display_) eglTerminate(display_);
    }
    surface_ = context_ = display_ = config_ = nullptr;
    if (x_display_) {
        XCloseDisplay(static_cast<Display*>(x_display_));
        x_display_ = nullptr;
    }
}

bool Context::make_current() {
    if (!display_ || !context_) return false;
    EGLSurface s = surface_ ? static_cast<EGLSurface>(surface_) : EGL_NO_SURFACE;
    return eglMakeCurrent(display_, s, s, context_) == EGL_TRUE;
}

void Context::swap_buffers() {
    if (display_ && surface_) eglSwapBuffers(display_, surface_);
}

void Context::window_size(int& width, int& height) const {
    width = height = 0;
    if (!display_ || !surface_) return;
    EGLint w = 0, h = 0;
    eglQuerySurface(display_, surface_, EGL_WIDTH, &w);
    eglQuerySurface(display_, surface_, EGL_HEIGHT, &h);
    width = w;
    height = h;
}

}  // namespace gfx::egl
