#include "picture/program_set.h"

#include <cstdio>

#include "gfx/render_device.h"
#include "gfx/shader.h"
#include "loading/data_file.h"
#include "loading/data_root.h"
#include "picture/pass_table.h"

namespace {

// A new program on the device loaded from the data file `path`; false when the file is missing
// or does not load (the program object is kept either way).
bool load_into(loading::DataRoot& root, Shader* program, const std::string& path) {
    int32_t size = 0;
    loading::ByteBuffer bytes = loading::load_data_file(root, path, size);
    return bytes && size > 0 && program->load(bytes.get(), static_cast<size_t>(size), path);
}

// A name the passes set that the loaded program does not declare would be dropped without a
// word by Shader::set_param; say so once, when the program loads.
void check_names(const Shader* program, const picture::PassProgram& entry,
                 const std::string& file) {
    if (!picture::usable(program)) return;
    std::vector<std::string> params, samplers;
    for (const auto* list : {&program->vertex_constants(), &program->pixel_constants()})
        for (const Shader::Constant& c : *list) params.push_back(c.name);
    for (const Shader::Sampler& s : program->pixel_samplers()) samplers.push_back(s.name);
    const std::string missing = picture::undeclared_names(entry, params, samplers);
    if (!missing.empty())
        std::fprintf(stderr, "Picture: program \"%s\" does not declare what its passes set:%s\n",
                     file.c_str(), missing.c_str());
}

// The slot of the program set that holds the table's program `file`; null for the form
// generators, which have one slot per plan.
Shader* picture::ProgramSet::*slot_of(const char* file) {
    using picture::ProgramSet;
    struct Slot {
        const char* file;
        Shader* ProgramSet::*slot;
    };
    static constexpr Slot kSlots[] = {
        {"paint.bsf", &ProgramSet::paint},           {"formgen_out.bsf", &ProgramSet::formgen_out},
        {"background.bsf", &ProgramSet::background}, {"filter.bsf", &ProgramSet::filter},
        {"color.bsf", &ProgramSet::color},           {"visual.bsf", &ProgramSet::visual},
        {"color_out.bsf", &ProgramSet::color_out},   {"surface_out.bsf", &ProgramSet::surface_out},
        {"colorgen.bsf", &ProgramSet::colorgen},     {"silhouette.bsf", &ProgramSet::silhouette},
        {"deriv.bsf", &ProgramSet::deriv},
    };
    for (const Slot& s : kSlots)
        if (std::string_view(s.file) == file) return s.slot;
    return nullptr;
}

}  // namespace

bool picture::usable(const Shader* program) {
    return program != nullptr && program->loaded();
}

Shader* picture::load_named_program(RenderDevice& device, loading::DataRoot& root,
                                    const std::string& picture_name, const std::string& file_name) {
    Shader* program = device.new_shader();
    if (load_into(root, program, "data/shaders/" + picture_name + "/" + file_name)) return program;
    delete program;
    program = device.new_shader();
    if (load_into(root, program, "data/shaders/" + file_name)) return program;
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

void picture::load_program_set(RenderDevice& device, loading::DataRoot& root,
                               const PictureConfig& config, ProgramSet& set) {
    destroy_program_set(set);
    const std::string& name = config.name;
    for (const PassProgram& entry : pass_table()) {
        if (Shader* ProgramSet::*slot = slot_of(entry.file)) {
            set.*slot = load_named_program(device, root, name, entry.file);
            check_names(set.*slot, entry, entry.file);
            continue;
        }
        for (int i = 0; i < config.plans && i < kMaxPlans; ++i) {
            Shader* program = device.new_shader();
            if (load_into(root, program,
                          "data/shaders/" + name + "/formgen." + std::to_string(i) + ".bsf")) {
                set.formgen[i] = program;
                check_names(program, entry, "formgen." + std::to_string(i) + ".bsf");
                continue;
            }
            delete program;
            if (i > 0) {
                set.formgen[i] = set.formgen[i - 1];
            } else {
                set.formgen[0] = device.new_shader();
                load_into(root, set.formgen[0], "data/shaders/" + name + "/formgen.bsf");
                check_names(set.formgen[0], entry, "formgen.bsf");
            }
        }
    }
}
