#pragma once
// The painting engine as the shared run (host/saver_run.h) drives it: the picture of a window
// run, made at start and dropped at stop.
#include <functional>
#include <memory>
#include <utility>

#include "gfx/render_device.h"
#include "picture/picture.h"

namespace host {

class PictureEngine {
  public:
    // The clocks every picture of this engine runs on.
    explicit PictureEngine(picture::Clocks clocks = picture::system_clocks())
        : clocks_(std::move(clocks)) {}

    picture::StartResult start(const picture::Settings& settings, gfx::WindowHandle window,
                               int width, int height, bool full_screen) {
        picture_.reset();  // one device at a time
        picture::StartedPicture made =
            picture::start_picture(settings, clocks_, window, width, height, full_screen);
        picture_ = std::move(made.picture);
        return made.result;
    }
    // One whole frame, with `over` drawn over it; nothing before start.
    void draw_frame() {
        if (picture_) picture::draw_frame(*picture_, over);
    }
    RenderDevice* device() { return picture_ ? &picture_->device : nullptr; }
    void stop() { picture_.reset(); }
    uint32_t still_ms() { return picture_ ? picture::still_ms(*picture_) : 0; }
    float frame_rate() const { return picture_ ? picture_->settings.frame_rate : 60.0f; }

    // Drawn over every frame after the painting (the frame rate, say).
    std::function<void(RenderDevice&)> over;

  private:
    picture::Clocks clocks_;
    std::unique_ptr<picture::Picture> picture_;
};

}  // namespace host
