#pragma once
// One layer of the picture: two slots each of facture and colour images, of the form (a capture
// of the form canvas that every plan shares) and of the two plan colours, and sixteen mixing
// values that its form generator receives as four colours. At every new painting the plan
// chooses new images into its incoming slots and draws new mixing values; while the painting is
// made the old and new slots are blended by the transition value.
//
// Between paintings nothing reads the slots: images that came from the bank as they are held
// only by their numbers and are loaded again when the next painting starts.
#include <array>
#include <cstdint>

class RenderDevice;
class Shader;
class Texture;

namespace picture {

struct Picture;

using Rgb = std::array<float, 3>;

// Image kinds of choose_image() and choose_numbered_image().
inline constexpr int kColourKind = 0;
inline constexpr int kFormKind = 1;
inline constexpr int kFactureKind = 2;
inline constexpr int kNumberOnlyKind = -1;  // no image is read; a number modulo 90

// n modulo (count + 1) with a signed remainder, as image numbers are reduced; a count below 0
// is taken as 0.
int reduce_image_number(int n, int count);

inline constexpr int kPaletteSize = 90;
// The built-in palette's colour `index` (taken modulo the palette size), scaled by 1/256.
Rgb palette_colour(uint32_t index);

// Chooses image `n` (or a random one when n < 0) of the set of `kind` into `texture`, stepping
// away from `previous` past numbers that do not load. Gives the chosen number, and in `loaded`
// whether its image was loaded. When no number loads within count + 1 tries the texture is left
// as it was and the last number tried is given.
int choose_numbered_image(Picture& picture, Texture* texture, int n, int previous, int kind,
                          bool* loaded = nullptr);

class Plan {
  public:
    // Creates the plan's four textures and its first choices and colours.
    Plan(Picture& picture, int index);
    Plan(const Plan&) = delete;
    Plan& operator=(const Plan&) = delete;

    // Kind 0 colour, 1 form, 2 facture; n a number or -1 for random. Gives the chosen number.
    int choose_image(int kind, int n);
    // New plan colours from the chosen numbers and sixteen new mixing values.
    void new_mix();
    // Points the incoming references at slot 0 or slot 1.
    void set_incoming(int slot);
    // Draws this plan's form and lays it over the form canvas (and colour canvas).
    void paint();
    // Once a painting is done: lets go of the images that came from the bank as they are.
    void let_go_of_images();
    // When a new painting starts, after set_incoming: loads the outgoing slot's images again.
    void take_back_images();
    // After a device reset emptied every texture: no slot holds a bank image any more.
    void forget_images();

    int index() const { return index_; }
    Texture* form(int slot) const;
    Texture* facture(int slot) const { return factures_[slot & 1]; }
    Texture* colour(int slot) const { return colours_[slot & 1]; }
    Texture* incoming_form() const { return form(incoming_); }
    Texture* incoming_facture() const { return factures_[incoming_]; }
    Texture* incoming_colour() const { return colours_[incoming_]; }
    const Rgb& colour_a(int slot) const { return colour_a_[slot & 1]; }
    const Rgb& colour_b(int slot) const { return colour_b_[slot & 1]; }
    const std::array<float, 16>& mixing() const { return mixing_; }
    const std::array<float, 16>& previous_mixing() const { return previous_mixing_; }
    int colour_index() const { return colour_index_; }
    int form_index() const { return form_index_; }
    int facture_index() const { return facture_index_; }

  private:
    void capture_form(Texture* texture);
    // Whether the colour slots hold bank images as they are: not when colours are numbers
    // only, nor when the composition draws its relief into the last plan's colours.
    bool colours_from_bank() const;
    // Chooses image `n` of `kind` into the incoming slot of `slots`, noting its number in
    // `numbers`; a slot left empty by a failed choice gets its earlier image back.
    int choose_into(Texture* const (&slots)[2], int (&numbers)[2], int n, int previous, int kind);
    void take_back(Texture* texture, int number, int kind);

    Picture& picture_;
    Texture* factures_[2] = {};
    Texture* colours_[2] = {};
    // The bank number of each slot's image, -1 for none.
    int colour_numbers_[2] = {-1, -1};
    int facture_numbers_[2] = {-1, -1};
    int incoming_ = 0;
    Rgb colour_a_[2] = {};
    Rgb colour_b_[2] = {};
    std::array<float, 16> mixing_{};
    std::array<float, 16> previous_mixing_{};
    int colour_index_ = 0;
    int form_index_ = 0;
    int facture_index_ = 0;
    Shader* form_generator_ = nullptr;
    int index_ = 0;
};

}  // namespace picture
