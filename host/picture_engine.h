#pragma once
// The painting engine as the shared run (host/saver_run.h) drives it.
#include "gfx/render_device.h"
#include "picture/picture.h"

namespace host {

struct PictureEngine {
    picture::StartResult start(const picture::Settings& settings, gfx::WindowHandle window,
                               int width, int height, bool full_screen) {
        picture::settings() = settings;
        return picture::start_picture(window, width, height, full_screen);
    }
    void step() { picture::picture_step(); }
    RenderDevice* device() { return picture::picture_device(); }
    void stop() { picture::stop_picture(); }
    uint32_t still_ms() { return picture::still_ms(); }
    float frame_rate() { return picture::settings().frame_rate; }
};

}  // namespace host
