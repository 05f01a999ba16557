// Composition of a new painting: the background and every plan's form into the form canvas, each
// plan's colour into the colour canvas, then the relief of the form canvas and its soft filters.
#include <algorithm>

#include "gfx/render_device.h"
#include "gfx/shader.h"
#include "gfx/texture.h"
#include "picture/clock.h"
#include "picture/passes.h"
#include "picture/picture_state.h"

namespace {

using picture::Colour;
using picture::Picture;

// a × x + b × y, component by component, padded with 0 to four floats.
template <size_t N>
std::array<float, 4> blend(float a, const std::array<float, N>& x, float b,
                           const std::array<float, N>& y) {
    std::array<float, 4> out{};
    for (size_t i = 0; i < N && i < 4; ++i) out[i] = a * x[i] + b * y[i];
    return out;
}

// Mixing values [4k, 4k + 4) as one colour, blended from the previous set by t'.
std::array<float, 4> mixing_colour(const picture::Plan& plan, int k, float t_prime) {
    std::array<float, 4> out{};
    for (int i = 0; i < 4; ++i)
        out[i] = (1.0f - t_prime) * plan.previous_mixing()[4 * k + i] +
                 t_prime * plan.mixing()[4 * k + i];
    return out;
}

void background_pass(Picture& picture) {
    const picture::ProgramSet& programs = picture.programs;
    const float t = picture.timeline.t;
    const float t_prime = picture.mix_value();
    picture::Plan& first = *picture.plans[0];
    if (picture::usable(programs.visual)) {
        picture::bind_textures(programs.visual, {first.form(0), first.form(1)});
        programs.visual->set_param("alpha", t);
        programs.visual->set_param("beta", 0.0f);
        picture::draw_full(picture, programs.visual);
        picture.form_mix->copy_from_target();
    }
    Shader* background = programs.background;
    if (!picture::usable(background)) return;
    picture::bind_textures(background,
                           {picture.grain, picture.form_mix, picture.last_plan().incoming_form()});
    static const char* const kNames[4] = {"f1", "f2", "f3", "f4"};
    for (int k = 0; k < 4; ++k) {
        const std::array<float, 4> f =
            blend(t_prime, picture.timeline.background[k], 1.0f - t_prime,
                  picture.timeline.previous_background[k]);
        background->set_param(kNames[k], f.data());
    }
    background->set_param("atr1", picture::kAtr1);
    background->set_param("alpha", t);
    if (picture.device.set_target(picture.form_canvas)) {
        picture::draw_full(picture, background);
        picture.device.restore_default_target();
    }
}

// Draws `program` into `target` made the render target, then returns to the default target.
void draw_into(Picture& picture, Texture* target, Shader* program) {
    if (!picture.device.set_target(target)) return;
    picture::draw_full(picture, program);
    picture.device.restore_default_target();
}

}  // namespace

void picture::bind_textures(Shader* program, std::initializer_list<Texture*> textures) {
    int slot = 0;
    for (Texture* texture : textures) program->set_texture(slot++, texture);
}

void picture::draw_full(Picture& picture, Shader* program) {
    picture.device.set_shader(program);
    picture.device.draw_quad(-1.0f, -1.0f, 1.0f, 1.0f);
}

void picture::filter_pass(Picture& picture, Texture* texture, float radius,
                          const std::array<float, 4>& mask, float delta) {
    Shader* filter = picture.programs.filter;
    if (!usable(filter) || texture == nullptr || texture->width() <= 0) return;
    const float width = static_cast<float>(texture->width());
    const float d = delta != 0.0f ? delta / width : 1.0f / width;
    bind_textures(filter, {texture, picture.form_canvas});
    filter->set_param("_pass", 0.0f);
    filter->set_param("alpha", radius);
    filter->set_param("delta", d);
    filter->set_param("scale", 1.0f);
    filter->set_param("mask", mask.data());
    draw_full(picture, filter);
    texture->copy_from_target();
    filter->set_param("_pass", 1.0f);
    draw_full(picture, filter);
    texture->copy_from_target();
}

void picture::relief_pass(Picture& picture, Texture* source, Texture* destination, float s,
                          float m) {
    Shader* deriv = picture.programs.deriv;
    if (!usable(deriv) || destination == nullptr) return;
    bind_textures(deriv, {source, destination});
    deriv->set_param("s", s);
    deriv->set_param("m", m);
    draw_full(picture, deriv);
    destination->copy_from_target();
}

void picture::Plan::paint() {
    Picture& picture = picture_;
    const ProgramSet& programs = picture.programs;
    const PictureConfig& config = picture.config;
    RenderDevice& device = picture.device;
    if (picture.plan_work == nullptr) {
        picture.plan_work = device.new_texture();
        picture.plan_work->create(picture.work_width, picture.work_height, TextureFilter::point,
                                  TextureAddress::clamp);
    }
    form_generator_ = programs.formgen[index_];
    const float t = picture.timeline.t;
    const float t_prime = picture.mix_value();

    if (usable(programs.visual)) {
        bind_textures(programs.visual, {form(0), form(1)});
        programs.visual->set_param("alpha", t);
        programs.visual->set_param("beta", 0.0f);
        draw_into(picture, picture.form_mix, programs.visual);
        // The facture mix draws with the same blend values.
        bind_textures(programs.visual, {factures_[0], factures_[1]});
        draw_into(picture, picture.facture_mix, programs.visual);
    }

    const float layer =
        static_cast<float>(index_) / static_cast<float>(config.plans < 2 ? 1 : config.plans - 1);
    Texture* work = picture.plan_work;
    if (usable(form_generator_)) {
        bind_textures(form_generator_, {picture.form_mix, picture.grain, picture.facture_mix});
        form_generator_->set_param("atr1", kAtr1);
        static const char* const kNames[4] = {"f1", "f2", "f3", "f4"};
        for (int k = 0; k < 4; ++k)
            form_generator_->set_param(kNames[k], mixing_colour(*this, k, t_prime).data());
        form_generator_->set_param("layer", layer);
        draw_into(picture, work, form_generator_);
    }

    if (config.silhouette != 0.0f && usable(programs.silhouette)) {
        Shader* silhouette = programs.silhouette;
        bind_textures(silhouette, {work});
        silhouette->set_param("s", config.silhouette);
        silhouette->set_param("layer", layer);
        silhouette->set_param("atr1", kAtr1);
        draw_full(picture, silhouette);
        work->copy_from_target();
    }
    const float scale = static_cast<float>(work->width()) * 0.00048828125f;
    if (config.fltr1 != 0.0f) filter_pass(picture, work, 16.0f, {0, 0, 1, 0}, config.fltr1 * scale);
    if (config.fltr2 != 0.0f) filter_pass(picture, work, 2.0f, {1, 1, 0, 1}, config.fltr2 * scale);

    if (Shader* out = programs.formgen_out; usable(out)) {
        // The plan's own colour images (as colorgen gets them) let the form follow the picture.
        bind_textures(out, {picture.form_canvas, picture.form_mix, work, picture.grain,
                            picture.colour_image, picture.facture_mix, colours_[1], colours_[0]});
        out->set_param("atr1", kAtr1);
        out->set_param("patr1", kAtr1);
        out->set_param("alpha", 0.7f);
        out->set_param("beta", t);
        out->set_param("layer", layer);
        out->set_param("time", static_cast<float>(picture.clock.now()));
        out->set_param("dev", 0.0f);
        draw_full(picture, out);
        picture.form_canvas->copy_from_target();
    }

    if (config.bgcolor < 2) return;
    Shader* colorgen = programs.colorgen;
    if (!usable(colorgen)) return;
    bind_textures(colorgen, {colours_[1], colours_[0], picture.form_canvas, picture.colour_canvas,
                             picture.facture_mix, picture.form_mix, picture.grain});
    colorgen->set_param("atr1", kAtr1);
    colorgen->set_param("alpha", t);
    colorgen->set_param("shift", config.bump0, config.bloor, config.fltr1, config.fltr2);
    colorgen->set_param("fon", layer == 0.0f ? 1.0f : 0.0f);
    colorgen->set_param("facture", config.bump1);
    colorgen->set_param("surface", config.bump0);
    colorgen->set_param("layer", layer);
    colorgen->set_param("fg_color", blend(t, colour_b_[0], 1.0f - t, colour_b_[1]).data());
    colorgen->set_param("bg_color", blend(t, colour_a_[0], 1.0f - t, colour_a_[1]).data());
    draw_full(picture, colorgen);
    picture.colour_canvas->copy_from_target();
}

void picture::compose_plans(Picture& picture) {
    PictureConfig& config = picture.config;
    config.plans = std::min(config.plans, kMaxPlans);
    for (int i = 0; i < config.plans; ++i) {
        if (i == 0) background_pass(picture);
        picture.plans[i]->paint();
    }
    if (config.bgcolor >= 2) {
        relief_pass(picture, picture.form_canvas, picture.colour_canvas, 0.0016f, 7.0f);
        filter_pass(picture, picture.colour_canvas, 300.0f, {0, 0, 0, 1}, 5.0f);
        filter_pass(picture, picture.colour_canvas, 100.0f, {0, 0, 0, 1}, 1.0f);
        return;
    }
    const bool several = config.plans >= 2;
    Texture* destination = picture.timeline.phase_flag
                               ? (several ? picture.last_plan().colour(0) : picture.spare[0])
                               : (several ? picture.last_plan().colour(1) : picture.spare[1]);
    relief_pass(picture, picture.form_canvas, destination, 0.0016f, 7.0f);
    filter_pass(picture, destination, 50.0f, {0, 0, 0, 1}, 1.0f);
}
