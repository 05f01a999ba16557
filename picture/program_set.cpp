#include "picture/program_set.h"

#include "gfx/render_device.h"
#include "gfx/shader.h"
#include "loading/data_file.h"

namespace {

// A new program on the device loaded from the data file `path`; false when the file is missing
// or does not load (the program object is kept either way).
bool load_into(Shader* program, const std::string& path) {
    int32_t size = 0;
    loading::ByteBuffer bytes = loading::load_data_file(path, size);
    return bytes && size > 0 && program->load(bytes.get(), static_cast<size_t>(size), path);
}

}  // namespace

bool picture::usable(const Shader* program) {
    return program != nullptr && program->loaded();
}

Shader* picture::load_named_program(RenderDevice& device, const std::string& picture_name,
                                    const std::string& file_name) {
    Shader* program = device.new_shader();
    if (load_into(program, "data/shaders/" + picture_name + "/" + file_name)) return program;
    delete program;
    program = device.new_shader();
    if (load_into(program, "data/shaders/" + file_name)) return program;
    delete program;
    return nullptr;
}

void picture::destroy_program_set(ProgramSet& set) {
    // Form generator slots may share a program: free each distinct one once.
    for (int i = 0; i < kMaxPlans; ++i) {
        Shader* p = set.formgen[i];
        if (!p) continue;
        for (int j = i; j < kMaxPlans; ++j)
            if (set.formgen[j] == p) set.formgen[j] = nullptr;
        delete p;
    }
    for (Shader** p :
         {&set.paint, &set.formgen_out, &set.background, &set.filter, &set.color, &set.visual,
          &set.color_out, &set.surface_out, &set.colorgen, &set.silhouette, &set.deriv}) {
        delete *p;
        *p = nullptr;
    }
}

void picture::load_program_set(RenderDevice& device, const PictureConfig& config, ProgramSet& set) {
    destroy_program_set(set);
    const std::string& name = config.name;
    set.paint = load_named_program(device, name, "paint.bsf");
    for (int i = 0; i < config.plans && i < kMaxPlans; ++i) {
        Shader* program = device.new_shader();
        if (load_into(program, "data/shaders/" + name + "/formgen." + std::to_string(i) + ".bsf")) {
            set.formgen[i] = program;
            continue;
        }
        delete program;
        if (i > 0) {
            set.formgen[i] = set.formgen[i - 1];
        } else {
            set.formgen[0] = device.new_shader();
            load_into(set.formgen[0], "data/shaders/" + name + "/formgen.bsf");
        }
    }
    struct Named {
        Shader* ProgramSet::*slot;
        const char* file;
    };
    static constexpr Named kNamed[] = {
        {&ProgramSet::formgen_out, "formgen_out.bsf"}, {&ProgramSet::background, "background.bsf"},
        {&ProgramSet::filter, "filter.bsf"},           {&ProgramSet::color, "color.bsf"},
        {&ProgramSet::visual, "visual.bsf"},           {&ProgramSet::color_out, "color_out.bsf"},
        {&ProgramSet::surface_out, "surface_out.bsf"}, {&ProgramSet::colorgen, "colorgen.bsf"},
        {&ProgramSet::silhouette, "silhouette.bsf"},   {&ProgramSet::deriv, "deriv.bsf"},
    };
    for (const Named& n : kNamed) set.*n.slot = load_named_program(device, name, n.file);
}
