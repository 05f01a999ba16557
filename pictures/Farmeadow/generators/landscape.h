#pragma once
// Landscape studies of the farm meadow: sky and clouds, far hills gone blue with distance, a band
// of trees and hedges, fields in stripes and a flowering meadow in front. Each study number gives
// its own composition, season and light; the same number always gives the same pixels.
#include "pictures/Farmeadow/generators/image_encoding.h"

namespace farmeadow {

inline constexpr int kLandscapeWidth = 1024;
inline constexpr int kLandscapeHeight = 768;

enum class Season { kSpring, kSummer, kAutumn, kWinter };
enum class Light { kMorning, kNoon, kEvening, kOvercast };

// Study `number` (0, 1, 2 ...): seasons cycle with the number, light with the number / 4, and
// the composition is drawn from the number's own random stream.
Season landscape_season(int number);
Light landscape_light(int number);

// An RGB image of width x height (the bank's studies are kLandscapeWidth x kLandscapeHeight).
Image make_landscape(int number, int width = kLandscapeWidth, int height = kLandscapeHeight);

}  // namespace farmeadow
