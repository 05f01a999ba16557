#pragma once
// The paint passes: full-screen quads through the picture's programs. A result is kept by
// drawing straight into a texture made the render target, or by drawing into the back buffer
// and copying it into a texture. A pass whose program is missing does nothing.
#include <array>
#include <initializer_list>

class Shader;
class Texture;

namespace picture {

struct Picture;

// Separable blur of `texture` through "filter.bsf" (pass 0, then pass 1) over the channels of
// `mask`, radius `radius`, step delta / width (1 / width for delta 0).
void filter_pass(Picture& picture, Texture* texture, float radius, const std::array<float, 4>& mask,
                 float delta);
// Relief of `source` into `destination` through "deriv.bsf" with step s and strength m.
void relief_pass(Picture& picture, Texture* source, Texture* destination, float s, float m);

// The background and every plan into the form canvas (and the colour canvas), then the relief
// and its soft filters.
void compose_plans(Picture& picture);

// Surface, colour, paint and signature passes into the back buffer, kept in output_a and
// output_b in turn.
void finish_painting(Picture& picture);

// The two output images blended by `weight` (0 shows `first` alone) into the back buffer.
void crossfade(Picture& picture, Texture* first, Texture* second, float weight);

// Helpers the passes share.
// Binds samplers 0.. of `program` in order.
void bind_textures(Shader* program, std::initializer_list<Texture*> textures);
// Draws a full quad into the current target with `program`.
void draw_full(Picture& picture, Shader* program);

}  // namespace picture
