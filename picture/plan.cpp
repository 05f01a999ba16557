#include "picture/plan.h"

#include <cstdint>

#include "gfx/render_device.h"
#include "gfx/shader.h"
#include "gfx/texture.h"
#include "loading/texture_loading.h"
#include "picture/passes.h"
#include "picture/picture_state.h"
#include "picture/random.h"

namespace {

// Red, green, blue, 0 to 240, used divided by 256.
constexpr int kPalette[picture::kPaletteSize][3] = {
    {160, 10, 0},    {224, 48, 0},    {160, 80, 0},    {208, 80, 0},    {144, 224, 48},
    {224, 224, 48},  {240, 224, 48},  {192, 0, 64},    {144, 16, 64},   {32, 96, 64},
    {96, 96, 64},    {144, 96, 64},   {112, 112, 64},  {160, 128, 64},  {240, 128, 64},
    {144, 144, 64},  {96, 112, 0},    {80, 160, 64},   {224, 160, 64},  {144, 176, 64},
    {160, 176, 64},  {240, 176, 64},  {32, 192, 64},   {176, 208, 64},  {16, 80, 80},
    {208, 96, 80},   {0, 112, 80},    {80, 160, 80},   {240, 176, 80},  {128, 208, 80},
    {240, 144, 0},   {0, 112, 96},    {240, 112, 96},  {128, 160, 0},   {160, 240, 96},
    {96, 112, 112},  {112, 128, 112}, {128, 128, 112}, {240, 176, 112}, {128, 192, 112},
    {16, 112, 128},  {144, 192, 128}, {144, 240, 128}, {96, 128, 144},  {208, 0, 16},
    {32, 128, 160},  {240, 0, 16},    {32, 176, 160},  {224, 224, 160}, {208, 240, 160},
    {144, 128, 176}, {96, 144, 192},  {176, 144, 192}, {176, 192, 192}, {192, 240, 192},
    {144, 48, 208},  {16, 96, 208},   {112, 96, 208},  {112, 240, 208}, {240, 240, 208},
    {96, 64, 224},   {112, 64, 224},  {224, 96, 16},   {240, 96, 16},   {96, 176, 224},
    {176, 192, 224}, {192, 112, 16},  {240, 112, 16},  {16, 128, 240},  {144, 128, 240},
    {32, 160, 240},  {128, 160, 240}, {80, 176, 240},  {16, 192, 240},  {240, 192, 240},
    {80, 144, 16},   {96, 240, 240},  {208, 240, 240}, {240, 144, 16},  {144, 160, 16},
    {224, 160, 16},  {96, 176, 16},   {240, 208, 16},  {96, 224, 16},   {128, 112, 32},
    {208, 112, 32},  {192, 144, 32},  {112, 176, 32},  {240, 208, 32},  {240, 64, 48},
};

// A random number for an image choice.
int random_choice(picture::Random& random) {
    return random.next() + 1;
}

int& count_of(picture::Picture& picture, int kind) {
    return kind == picture::kColourKind ? picture.colour_count : picture.facture_count;
}

void draw_mixing_values(picture::Random& random, std::array<float, 16>& values) {
    for (float& v : values) v = static_cast<float>(random.next()) * picture::kRandomScale;
}

}  // namespace

int picture::reduce_image_number(int n, int count) {
    const int64_t m = count < 0 ? 1 : int64_t{count} + 1;
    return static_cast<int>(int64_t{n} % m);
}

picture::Rgb picture::palette_colour(uint32_t index) {
    const int* c = kPalette[index % kPaletteSize];
    constexpr float kScale = 0.00390625f;
    return {static_cast<float>(c[0]) * kScale, static_cast<float>(c[1]) * kScale,
            static_cast<float>(c[2]) * kScale};
}

int picture::choose_numbered_image(Picture& picture, Texture* texture, int n, int previous,
                                   int kind, bool* loaded) {
    if (loaded) *loaded = false;
    if (n < 0) n = random_choice(picture.random);
    if (kind == kNumberOnlyKind) return static_cast<int>(static_cast<uint32_t>(n) % kPaletteSize);
    if (kind != kColourKind && kind != kFactureKind) return 0;
    int& count = count_of(picture, kind);
    // Every number from 0 to the count is tried at most once before giving up.
    for (int64_t tries = 0; tries <= int64_t{count}; ++tries) {
        n = picture::reduce_image_number(n, count);
        int width = 0, height = 0;
        loading::load_bank_texture(picture.data, *texture, n, kind, width, height, count);
        if (width != 0 && height != 0) {
            if (loaded) *loaded = true;
            return n;
        }
        if (n < previous) {
            n = n - 1;
        } else {
            n = n + 1;
        }
        if (n == -1) n = previous;
    }
    return picture::reduce_image_number(n, count);
}

picture::Plan::Plan(Picture& picture, int index) : picture_(picture), index_(index) {
    for (int i = 0; i < 4; ++i) previous_mixing_[4 * i + 3] = 1.0f;
    RenderDevice& device = picture.device;
    colours_[0] = device.new_texture();
    colours_[1] = device.new_texture();
    factures_[0] = device.new_texture();
    factures_[1] = device.new_texture();
    incoming_ = 0;
    form_generator_ = picture.programs.formgen[index];

    const uint64_t seed = picture.seed;
    colour_b_[0] = colour_b_[1] = palette_colour(static_cast<uint32_t>(seed % kPaletteSize));
    const uint64_t shifted = static_cast<uint64_t>(static_cast<double>(seed) + 543.23);
    colour_a_[0] = colour_a_[1] = palette_colour(static_cast<uint32_t>(shifted % kPaletteSize));
    draw_mixing_values(picture_.random, mixing_);
    choose_image(kColourKind, -1);
    choose_image(kFormKind, -1);
    choose_image(kFactureKind, -1);
}

void picture::Plan::set_incoming(int slot) {
    incoming_ = slot & 1;
}

Texture* picture::Plan::form(int slot) const {
    return picture_.forms[slot & 1];
}

void picture::Plan::capture_form(Texture* texture) {
    Shader* visual = picture_.programs.visual;
    if (!texture->holds_image())
        texture->create(1024, 1024, TextureFilter::point, TextureAddress::clamp);
    visual->set_texture(0, picture_.form_canvas);
    visual->set_texture(1, picture_.form_canvas);
    visual->set_param("alpha", 0.0f);
    visual->set_param("beta", 0.0f);
    draw_full(picture_, visual);
    texture->copy_from_target();
}

bool picture::Plan::colours_from_bank() const {
    const PictureConfig& config = picture_.config;
    const bool relief_target =
        config.bgcolor < 2 && config.plans >= 2 && index_ == config.plans - 1;
    return config.bgcolor % 2 != 0 && !relief_target;
}

int picture::Plan::choose_into(Texture* const (&slots)[2], int (&numbers)[2], int n, int previous,
                               int kind) {
    bool loaded = false;
    const int chosen =
        choose_numbered_image(picture_, slots[incoming_], n, previous, kind, &loaded);
    if (loaded)
        numbers[incoming_] = chosen;
    else
        take_back(slots[incoming_], numbers[incoming_], kind);
    return chosen;
}

int picture::Plan::choose_image(int kind, int n) {
    const PictureConfig& config = picture_.config;
    switch (kind) {
        case kColourKind:
            colour_index_ = choose_into(colours_, colour_numbers_, n, colour_index_,
                                        config.bgcolor % 2 != 0 ? kColourKind : kNumberOnlyKind);
            return colour_index_;
        case kFormKind:
            if (n < 0) n = random_choice(picture_.random);
            n = picture::reduce_image_number(n, picture_.form_count);
            if (config.bump0 != 0.0f) {
                if (!usable(picture_.programs.visual))
                    n = 0;
                else if (index_ == 0)  // every plan's capture would be the same: the first makes it
                    capture_form(incoming_form());
            }
            form_index_ = n;
            if (config.fltrsurf != 0.0f && index_ == 0)
                filter_pass(picture_, incoming_form(), 10.0f, {1, 1, 1, 0}, config.fltrsurf);
            return form_index_;
        case kFactureKind:
            if (n < 0) n = random_choice(picture_.random);
            facture_index_ =
                choose_into(factures_, facture_numbers_, n, facture_index_, kFactureKind);
            return facture_index_;
        default:
            return 0;
    }
}

void picture::Plan::let_go_of_images() {
    for (int slot = 0; slot < 2; ++slot) {
        if (colours_from_bank() && colour_numbers_[slot] >= 0) colours_[slot]->release_resources();
        if (facture_numbers_[slot] >= 0) factures_[slot]->release_resources();
    }
}

void picture::Plan::take_back(Texture* texture, int number, int kind) {
    if (texture->holds_image()) return;
    if (number >= 0) {
        int width = 0, height = 0;
        loading::load_bank_texture(picture_.data, *texture, number, kind, width, height,
                                   count_of(picture_, kind));
        if (texture->holds_image()) return;
    }
    texture->restore();  // what an emptied texture reads: an empty target of its size
}

void picture::Plan::take_back_images() {
    const int outgoing = 1 - incoming_;
    take_back(colours_[outgoing], colour_numbers_[outgoing], kColourKind);
    take_back(factures_[outgoing], facture_numbers_[outgoing], kFactureKind);
}

void picture::Plan::forget_images() {
    colour_numbers_[0] = colour_numbers_[1] = -1;
    facture_numbers_[0] = facture_numbers_[1] = -1;
}

void picture::Plan::new_mix() {
    Rgb& b = colour_b_[incoming_];
    Rgb& a = colour_a_[incoming_];
    b = palette_colour(static_cast<uint32_t>(facture_index_) * static_cast<uint32_t>(form_index_));
    a = palette_colour(static_cast<uint32_t>(colour_index_) * static_cast<uint32_t>(form_index_));
    previous_mixing_ = mixing_;
    draw_mixing_values(picture_.random, mixing_);
}
