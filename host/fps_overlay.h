#pragma once
// "Show frame rate": once a second the rate of the last second goes to standard error and into
// a small label in the bottom left corner, drawn over every frame after the painting with the
// device's own texture and program (built-in bitmap digits, no font files).
#include <cstdint>
#include <string>
#include <vector>

class RenderDevice;
class Shader;
class Texture;

namespace host {

// The label's pixels: `text` (digits, '.', ' ', 'f', 'p', 's'; anything else is left blank) in
// 3 x 5 bitmap glyphs scaled by `scale`, white on a translucent black box, RGBA rows top first.
std::vector<uint8_t> rate_label_pixels(const std::string& text, int scale, int& width, int& height);

class FpsOverlay {
  public:
    // One frame drawn on `device` at `now_ms` (a steady clock): counts it and draws the label
    // into the device's back buffer. Call between the painting's step and the frame's end.
    void frame(RenderDevice& device, int64_t now_ms);
    // The device is about to be destroyed, and with it the label's texture and program.
    void drop();

  private:
    bool prepare(RenderDevice& device);

    RenderDevice* device_ = nullptr;
    Texture* texture_ = nullptr;  // owned by the device
    Shader* shader_ = nullptr;    // owned by the device
    int resets_seen_ = -1;
    bool failed_ = false;  // the program could not be made: the label is left out
    std::string text_ = "-- fps";
    bool text_changed_ = true;
    int label_width_ = 0;
    int label_height_ = 0;
    uint64_t frames_ = 0;
    int64_t since_ms_ = -1;
};

}  // namespace host
