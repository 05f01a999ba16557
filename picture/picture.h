#pragma once
// The dynamic picture: an oil painting that the graphics device paints, repaints and crossfades
// without end. A host makes a picture once its window exists, draws its frames, and drops it at
// exit. Each picture owns everything it runs on (device, data root, clocks, random numbers,
// images, plans and timeline), so several may run in one process; dropping it destroys its device
// and everything made on it. The engine knows nothing of
// windows or command lines.
#include <cstdint>
#include <functional>
#include <memory>

#include "gfx/platform.h"
#include "picture/clock.h"
#include "picture/picture_state.h"
#include "picture/settings.h"

namespace picture {

// Results of start_picture().
enum class StartResult {
    started,
    no_device,      // the graphics device could not be made (the device has told the user)
    no_parameters,  // the parameter file is missing or unusable: the process ends with -1
};

struct StartedPicture {
    StartResult result = StartResult::no_device;
    std::unique_ptr<Picture> picture;  // null unless started
};

// Makes a picture: creates its graphics device on `window` (0: headless) with a back buffer of
// width x height, fixes the working size, opens the data root `settings.data_folder`, loads the
// picture and its programs, and creates the plans. `clocks` seed the random numbers and run the
// picture clock.
StartedPicture start_picture(const Settings& settings, Clocks clocks, gfx::WindowHandle window,
                             int width, int height, bool full_screen);

// One frame of the picture (the timeline, a new painting when one is due, the crossfade), drawn
// between the device's begin_frame/clear and end_frame/present.
void picture_step(Picture& picture);

// One whole frame: the device's begin_frame, a black clear, picture_step(), then `over` (what a
// host draws over the frame or reads from it), end_frame and present.
void draw_frame(Picture& picture, const std::function<void(RenderDevice&)>& over = {});

// How long the picture stays as the last frame showed it, in milliseconds (0: the next frame
// differs). A host need draw no frame meanwhile, except to repair its window.
uint32_t still_ms(Picture& picture);

}  // namespace picture
