#pragma once
// What the host hands the engine when it makes a picture.
#include <string>

namespace picture {

// The picture built into this program: it names the settings key and the data folder.
inline constexpr const char kPictureName[] = "Farmeadow";

// The data folder below which every data file and bank is read, the picture painted from it
// (its parameter file and programs are "data/shaders/<name>/"), the user's SPEED and DELAY
// (floats as stored, no range check), and the rate at which the host draws the frames that
// move: the timeline's first estimate of the frame rate.
struct Settings {
    std::string data_folder = ".";
    std::string picture_name = kPictureName;
    float speed = 20.0f;
    float delay = 7.0f;
    float frame_rate = 60.0f;
};

}  // namespace picture
