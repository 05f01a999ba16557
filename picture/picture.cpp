#include "picture/picture.h"

#include <cstdio>
#include <utility>

#include "gfx/render_device.h"
#include "gfx/texture.h"
#include "loading/data_file.h"
#include "loading/texture_loading.h"
#include "picture/clock.h"
#include "picture/passes.h"
#include "picture/timeline.h"
#include "picture/work_size.h"

namespace {

using picture::Picture;

Texture* new_target(Picture& picture, int width, int height) {
    Texture* texture = picture.device.new_texture();
    texture->create(width, height, TextureFilter::point, TextureAddress::clamp);
    return texture;
}

// Loads a random facture into `texture`, stepping to the next number past those that do not
// load; every number is tried at most once.
void load_facture(Picture& picture, Texture* texture, int n) {
    for (int64_t tries = 0; tries <= int64_t{picture.facture_count}; ++tries) {
        n = picture::reduce_image_number(n, picture.facture_count);
        int width = 0, height = 0;
        loading::load_bank_texture(picture.data, *texture, n, picture::kFactureKind, width, height,
                                   picture.facture_count);
        if (width != 0 && height != 0) return;
        ++n;
    }
}

bool load_image_file(Picture& picture, Texture* texture, const char* path) {
    int width = 0, height = 0;
    return loading::load_texture(picture.data, *texture, path, width, height);
}

// The images loaded once: the four factures (number 1), the canvas grain and the signature.
void load_fixed_images(Picture& picture) {
    for (Texture* facture : picture.facture_images) load_facture(picture, facture, 1);
    load_image_file(picture, picture.grain, "data/shaders/oil3.jpg");
    load_image_file(picture, picture.signature, "data/shaders/sig3.tga");
}

// A device reset leaves every texture empty, loaded images and paintings alike. The picture
// reloads its fixed images and starts its timeline over as at start-up, so the frame paints a
// new painting instead of crossfading empty images; the measured frame rate is kept.
void start_over_after_reset(Picture& picture) {
    picture.resets_seen = picture.device.reset_count();
    load_fixed_images(picture);
    for (int i = 0; i < picture.plan_count(); ++i) picture.plans[i]->forget_images();
    const picture::Timeline before = picture.timeline;
    picture.timeline = {};
    picture.timeline.frame_rate = before.frame_rate;
    picture.output_toggle = false;
}

// The timeline's first frame-rate estimate: the host's rate, kept within sense.
float first_rate_estimate(float host_rate) {
    if (!(host_rate >= 1.0f)) return host_rate > 0.0f ? 1.0f : 60.0f;  // NaN and <= 0: 60
    return host_rate > 1000.0f ? 1000.0f : host_rate;
}

// The slot a new painting chooses into, by the direction the transition turned to.
int incoming_slot(const picture::Timeline& timeline) {
    return timeline.direction < 0 ? 0 : 1;
}

// The image the first painting fades in over starts black.
void clear_to_black(Picture& picture, Texture* texture) {
    if (!picture.device.set_target(texture)) return;
    picture.device.clear(0.0f, 0.0f, 0.0f);
    picture.device.restore_default_target();
}

// The targets a painting only works in: it writes each before reading it, so nothing of theirs
// outlives the painting. They are let go once it is done and made again, empty, for the next.
// So are the images the next painting writes before it reads them (the form slot and the
// facture pair it chooses into), and the plans' bank images, which it loads again.
void release_scratch(Picture& picture) {
    for (Texture* texture : {picture.plan_work, picture.form_mix, picture.facture_mix})
        if (texture) texture->release_resources();
    picture.forms[1 - incoming_slot(picture.timeline)]->release_resources();
    picture.pair1_previous->release_resources();
    picture.pair2_previous->release_resources();
    for (int i = 0; i < picture.plan_count(); ++i) picture.plans[i]->let_go_of_images();
    gfx::return_free_memory();
}

void restore_scratch(Picture& picture) {
    for (Texture* texture : {picture.plan_work, picture.form_mix, picture.facture_mix})
        if (texture && !texture->holds_image()) texture->restore();
}

// The work target a new painting is built in: a render target of the back buffer's size that
// stands in for it until the painting is done. The painting's passes need alpha where the window
// may have none, and the back buffer may be the window itself; the crossfade alone goes there.
// It is made for each painting and let go after it. Without it (no memory for it) the painting
// is built in the back buffer.
Texture* begin_work_target(Picture& picture) {
    RenderDevice& device = picture.device;
    const gfx::platform::PresentParameters& params = device.present_parameters();
    Texture* work = device.new_texture();
    if (!work->create(static_cast<int>(params.back_buffer_width),
                      static_cast<int>(params.back_buffer_height), TextureFilter::point,
                      TextureAddress::clamp) ||
        !device.set_target(work)) {
        std::fprintf(stderr, "Picture: no work target; the painting is built in the back buffer\n");
        delete work;
        return nullptr;
    }
    device.clear(0.0f, 0.0f, 0.0f);  // as the frame clears the back buffer
    device.set_default_target(work);
    return work;
}

void end_work_target(Picture& picture, Texture* work) {
    picture.device.set_default_target(nullptr);
    picture.device.restore_back_buffer();
    delete work;
}

void set_colour_pairs(Picture& picture) {
    picture::Plan& first = *picture.plans[0];
    picture.first_colours[0] = first.colour(0);
    picture.first_colours[1] = first.colour(1);
    if (picture.plan_count() >= 2) {
        picture.last_colours[0] = picture.last_plan().colour(0);
        picture.last_colours[1] = picture.last_plan().colour(1);
    } else {
        picture.last_colours[0] = picture.spare[0];
        picture.last_colours[1] = picture.spare[1];
    }
}

void start_new_painting(Picture& picture) {
    picture::Timeline& timeline = picture.timeline;
    picture::set_phase_step(timeline, picture.settings.speed);
    restore_scratch(picture);

    // Turn the page: the incoming slots, the facture pairs and the spare image.
    const int slot = incoming_slot(timeline);
    for (int i = 0; i < picture.plan_count(); ++i) {
        picture.plans[i]->set_incoming(slot);
        picture.plans[i]->take_back_images();
    }
    Texture* const* f = picture.facture_images;
    picture.pair1_current = f[slot];
    picture.pair1_previous = f[1 - slot];
    picture.pair2_current = f[2 + slot];
    picture.pair2_previous = f[3 - slot];
    picture.spare_current = picture.spare[slot];
    timeline.phase_flag = slot == 0 ? 1 : 0;
    set_colour_pairs(picture);

    timeline.previous_background = timeline.background;
    for (picture::Colour& colour : timeline.background)
        for (float& c : colour) c = static_cast<float>(picture.random.next()) * (1.0f / 32767.0f);

    for (int i = 0; i < picture.plan_count(); ++i) {
        picture.plans[i]->choose_image(picture::kColourKind, -1);
        picture.plans[i]->choose_image(picture::kFormKind, -1);
        picture.plans[i]->choose_image(picture::kFactureKind, -1);
    }
    if (picture.plan_count() < 2)
        timeline.background_index = picture::choose_numbered_image(
            picture, picture.spare_current, -1, timeline.background_index,
            picture.config.bgcolor % 2 != 0 ? picture::kColourKind : picture::kNumberOnlyKind);

    for (Texture* facture : {picture.pair1_current, picture.pair2_current}) {
        load_facture(picture, facture, picture.random.next() + 1);
        if (!facture->holds_image()) facture->restore();
        picture::relief_pass(picture, facture, facture, -0.0016f, 7.0f);
    }
    for (int i = 0; i < picture.plan_count(); ++i) picture.plans[i]->new_mix();
    picture::compose_plans(picture);
    if (picture.config.fltrform != 0.0f)
        picture::filter_pass(picture, picture.form_canvas, 10.0f, {1, 1, 1, 1},
                             picture.config.fltrform * 1.5f);
}

}  // namespace

picture::StartedPicture picture::start_picture(const Settings& settings, Clocks clocks,
                                               gfx::WindowHandle window, int width, int height,
                                               bool full_screen) {
    StartedPicture made;
    made.picture = std::make_unique<Picture>(settings, std::move(clocks));
    Picture& picture = *made.picture;
    RenderDevice& device = picture.device;
    if (device.create(window, width, height, 60, full_screen) !=
        RenderDevice::CreateResult::created) {
        return {StartResult::no_device, nullptr};
    }
    const WorkSize size =
        work_size(width, height, device.max_texture_size(), gfx::video_memory_mb());
    picture.work_width = size.width;
    picture.work_height = size.height;
    device.set_work_size(size.width, size.height);

    picture.timeline.frame_rate = first_rate_estimate(settings.frame_rate);
    picture.seed = picture.clock.tick_count();
    picture.random = Random(picture.seed);

    picture.form_canvas = new_target(picture, size.width, size.height);
    picture.colour_canvas = new_target(picture, size.width, size.height);
    picture.output_a = new_target(picture, size.width, size.height);
    picture.output_b = new_target(picture, size.width, size.height);
    picture.colour_image = new_target(picture, size.width, size.height);
    picture.surface_image = new_target(picture, size.width, size.height);
    picture.form_mix = new_target(picture, 1024, 1024);
    picture.facture_mix = new_target(picture, 256, 256);
    for (Texture*& facture : picture.facture_images) facture = device.new_texture();
    for (Texture*& form : picture.forms) form = device.new_texture();
    picture.grain = device.new_texture();
    picture.spare[0] = device.new_texture();
    picture.spare[1] = device.new_texture();
    picture.signature = device.new_texture();
    load_fixed_images(picture);
    picture.pair1_current = picture.facture_images[0];
    picture.pair1_previous = picture.facture_images[1];
    picture.pair2_current = picture.facture_images[2];
    picture.pair2_previous = picture.facture_images[3];

    // The parameter file decides the plans; without it, or without a plan, nothing can paint.
    int32_t text_size = 0;
    loading::ByteBuffer text = loading::load_data_file(
        picture.data, parameter_file_path(settings.picture_name), text_size);
    if (!text) {
        std::fprintf(stderr, "Picture: no parameter file \"%s\"; nothing to paint\n",
                     parameter_file_path(settings.picture_name).c_str());
        return {StartResult::no_parameters, nullptr};
    }
    picture.config =
        parse_picture_config(text.get(), static_cast<size_t>(text_size), settings.picture_name);
    if (picture.config.plans < 1) {
        std::fprintf(stderr, "Picture: \"%s\" asks for %d plans; at least 1 is needed\n",
                     parameter_file_path(settings.picture_name).c_str(), picture.config.plans);
        return {StartResult::no_parameters, nullptr};
    }
    load_program_set(device, picture.data, picture.config, picture.programs);
    for (int i = 0; i < picture.config.plans; ++i)
        picture.plans[i] = std::make_unique<Plan>(picture, i);
    set_colour_pairs(picture);
    picture.started = true;
    made.result = StartResult::started;
    return made;
}

void picture::picture_step(Picture& picture) {
    // A paint message may arrive while start-up waits (a modal error box runs the window's
    // messages): nothing is painted before the plans exist.
    if (!picture.started) return;
    if (picture.device.reset_count() != picture.resets_seen) start_over_after_reset(picture);
    if (picture.timeline.paintings == 0) clear_to_black(picture, picture.output_b);
    const float delay = picture.settings.delay;
    const bool new_painting = advance_timeline(picture.timeline, picture.clock, delay);
    Texture* work = nullptr;
    if (new_painting) {
        work = begin_work_target(picture);
        start_new_painting(picture);
    }
    advance_motion(picture.timeline);
    if (new_painting) {
        finish_painting(picture);
        end_work_target(picture, work);
        release_scratch(picture);
        start_hold(picture.timeline, picture.clock);  // the hold starts once the painting is done
    }
    const picture::Timeline& timeline = picture.timeline;
    crossfade(picture, picture.output_a, picture.output_b, 1.0f - timeline.t * timeline.fade);
}

uint32_t picture::still_ms(Picture& picture) {
    return still_ms(picture.timeline, picture.clock, picture.settings.delay);
}

void picture::draw_frame(Picture& picture, const std::function<void(RenderDevice&)>& over) {
    RenderDevice& device = picture.device;
    device.begin_frame();
    device.clear(0, 0, 0);
    picture_step(picture);
    if (over) over(device);
    device.end_frame();
    device.present();
}
