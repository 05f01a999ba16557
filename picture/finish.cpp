// Finishing a painting: the surface pass lays the factures' relief over the form, the colour
// pass colours it, the paint pass lights it as oil paint into the painting's work target, and the
// signature goes into the bottom right corner. The result is kept in one of the two output images;
// every frame the screen shows the crossfade of the two.
#include "gfx/render_device.h"
#include "gfx/shader.h"
#include "gfx/texture.h"
#include "picture/passes.h"
#include "picture/picture_state.h"

namespace {

using picture::Picture;

void surface_pass(Picture& picture) {
    Shader* program = picture.programs.surface_out;
    if (!picture::usable(program)) return;
    const picture::PictureConfig& config = picture.config;
    const float t_prime = picture.mix_value();
    // The four factures in phase order.
    picture::bind_textures(
        program, {picture.form_canvas, picture.form_canvas, picture.surface_image, picture.grain,
                  picture.pair1_current, picture.pair1_previous, picture.pair2_current,
                  picture.pair2_previous});
    program->set_param("atr1", picture::kAtr1);
    program->set_param("alpha", t_prime);
    program->set_param("bump1", config.bump1, config.bump2, t_prime);
    program->set_param("bump2", config.bump2, t_prime);
    picture::draw_full(picture, program);
    picture.surface_image->copy_from_target();
}

void colour_pass(Picture& picture) {
    Shader* program = picture.programs.color_out;
    if (!picture::usable(program)) return;
    const picture::PictureConfig& config = picture.config;
    const float t = picture.timeline.t;
    const picture::Plan& first = *picture.plans[0];
    const bool canvas = config.bgcolor > 1;
    const float a = canvas ? picture.mix_value() : t;
    Texture* colours[2] = {picture.colour_canvas, picture.colour_canvas};
    if (!canvas) {
        colours[0] = first.colour(0);
        colours[1] = first.colour(1);
    }
    picture::bind_textures(
        program,
        {picture.surface_image, colours[0], colours[1], picture.last_colours[0],
         picture.last_colours[1], picture.colour_image, picture.form_canvas, picture.form_canvas});
    program->set_param("atr1", picture::kAtr1);
    program->set_param("alpha", t);
    program->set_param("shift", config.dist, config.bump0, a, 0.0f);
    program->set_param("bump", config.bump0, a, 0.0f);
    program->set_param("surface", 0.0f);
    const picture::Rgb& b0 = first.colour_b(0);
    const picture::Rgb& b1 = first.colour_b(1);
    const picture::Rgb& a0 = first.colour_a(0);
    const picture::Rgb& a1 = first.colour_a(1);
    program->set_param("fg_color", t * b1[0] + (1 - t) * b0[0], t * b1[1] + (1 - t) * b0[1],
                       t * b1[2] + (1 - t) * b0[2]);
    program->set_param("bg_color", t * a1[0] + (1 - t) * a0[0], t * a1[1] + (1 - t) * a0[1],
                       t * a1[2] + (1 - t) * a0[2]);
    program->set_param("a", a);
    picture::draw_full(picture, program);
    picture.colour_image->copy_from_target();
}

void paint_pass(Picture& picture) {
    Shader* program = picture.programs.paint;
    if (!picture::usable(program)) return;
    const float tex = picture.config.tex;
    const float t = picture.timeline.t;
    const float t_prime = picture.mix_value();
    picture::bind_textures(program, {picture.colour_image, picture.surface_image,
                                     picture.form_canvas, picture.form_canvas, picture.grain});
    program->set_param("alpha", t);
    program->set_param("beta", 0.3f, tex, t_prime);
    program->set_param("gamma", tex, t_prime);
    // The seventh fixed pass parameter is 0.
    program->set_param("param", picture.timeline.p0, picture.timeline.p1, 0.0f, 0.7f - 0.3f * tex);
    program->set_param("atr1", picture::kAtr1);
    program->set_param("patr1", picture::kAtr1);
    program->set_param("time", t_prime);
    picture.device.set_shader(program);
    picture.device.draw_quad(-1.0f, 1.0f, 1.0f, -1.0f);  // upside down
}

void signature_pass(Picture& picture) {
    Shader* visual = picture.programs.visual;
    if (!picture::usable(visual)) return;
    picture::bind_textures(visual, {picture.signature, picture.signature});
    visual->set_param("alpha", 0.0f);
    visual->set_param("beta", 0.0f);
    picture.device.set_shader(visual);
    picture.device.set_blend(RenderDevice::Blend::alpha);
    picture.device.draw_rect(0.8f, 0.0f, 0.2f, 0.1f);
    picture.device.set_blend(RenderDevice::Blend::off);
}

}  // namespace

void picture::finish_painting(Picture& picture) {
    surface_pass(picture);
    colour_pass(picture);
    paint_pass(picture);
    signature_pass(picture);
    (picture.output_toggle ? picture.output_b : picture.output_a)->copy_from_target();
    picture.output_toggle = !picture.output_toggle;
}

void picture::crossfade(Picture& picture, Texture* first, Texture* second, float weight) {
    Shader* visual = picture.programs.visual;
    if (!usable(visual)) return;
    bind_textures(visual, {first, second});
    visual->set_param("alpha", weight);
    visual->set_param("beta", 0.0f);
    draw_full(picture, visual);
}
