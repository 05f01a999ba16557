#pragma once
// The dynamic picture: an oil painting that the graphics device paints, repaints and crossfades
// without end. The host fills the settings, starts the picture once its window exists, calls
// picture_step() once per frame between the device's begin_frame/clear and end_frame/present,
// and stops the picture at exit. The engine knows nothing of windows or command lines.
#include <cstdint>
#include <string>

#include "gfx/platform.h"

class RenderDevice;

namespace picture {

// The picture built into this program: it names the settings key and the data folder.
inline constexpr const char kPictureName[] = "Farmeadow";

// What the host hands the engine: the data folder below which every data file and bank is read,
// and the user's SPEED and DELAY (floats as stored, no range check), and the rate at which the
// host draws the frames that move: the timeline's first estimate of the frame rate.
struct Settings {
    std::string data_folder = ".";
    float speed = 20.0f;
    float delay = 7.0f;
    float frame_rate = 60.0f;
};
Settings& settings();

// Results of start_picture().
enum class StartResult {
    started,
    no_device,      // the graphics device could not be made (the device has told the user)
    no_parameters,  // the parameter file is missing or unusable: the process ends with -1
};

// Creates the graphics device on `window` (0: headless) with a back buffer of width x height,
// fixes the working size, loads the picture and its programs, and creates the plans.
StartResult start_picture(gfx::WindowHandle window, int width, int height, bool full_screen);

// One frame of the picture (the timeline, a new painting when one is due, the crossfade).
void picture_step();

// How long the picture stays as the last frame showed it, in milliseconds (0: the next frame
// differs, or nothing has started). A host need draw no frame meanwhile, except to repair its
// window.
uint32_t still_ms();

// One whole frame as a host without a window draws it: the device's begin_frame, a black clear,
// picture_step(), end_frame and present. Does nothing before start_picture().
void draw_frame();

// The device of the running picture, or null before start_picture().
RenderDevice* picture_device();

// Destroys the device and everything the picture made on it.
void stop_picture();

}  // namespace picture
