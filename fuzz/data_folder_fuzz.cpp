// A whole data folder, damaged: the small test picture's three banks are written once, and each
// input flips bytes of their files and cuts them short (fuzz/damaged_files.h; the files are those
// of "data/Base1", "data/Base3" and "data/Base4"); then the picture starts headless at 48 x 32
// and paints until two new paintings or 12 frames have gone by.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "fuzz/damaged_files.h"
#include "picture/clock.h"
#include "picture/picture.h"
#include "picture/picture_state.h"
#include "tests/picture/small_picture.h"

namespace {

struct Pristine {
    std::string root;
    fuzzing::PristineFiles files;
};

std::string write_small_picture() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "bw-fuzz-folder-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    const picture_test::SmallPicture files =
        picture_test::small_picture("PLANS=3 BGCOLOR=2 SILHOUETTE=1 FLTR1=1 FLTRFORM=1");
    std::string error;
    if (!loading::write_program_bank(pattern + "/data/Base3", files.programs, error) ||
        !loading::write_image_bank(pattern + "/data/Base1", files.colours, error) ||
        !loading::write_image_bank(pattern + "/data/Base4", files.factures, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        std::abort();
    }
    return pattern;
}

Pristine& pristine() {
    static Pristine p = [] {
        const std::string root = write_small_picture();
        return Pristine{root, fuzzing::PristineFiles(root + "/data")};
    }();
    return p;
}

uint32_t frame_time = 0;
uint32_t fixed_ticks() {
    return 4321;
}
uint32_t frame_clock() {
    return frame_time;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("LP_NUM_THREADS", "0", 1);  // llvmpipe's worker threads only slow a fuzzer down
    pristine();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Pristine& p = pristine();
    p.files.write_damaged(data, size);
    picture::Settings settings;
    settings.data_folder = p.root;
    settings.delay = 0;
    settings.speed = 2000;
    frame_time = 0;
    picture::StartedPicture started =
        picture::start_picture(settings, {fixed_ticks, frame_clock}, 0, 48, 32, false);
    if (started.result == picture::StartResult::started) {
        int paintings = 0;
        for (int frame = 0; frame < 12 && paintings < 2; ++frame) {
            frame_time += 16;
            picture::draw_frame(*started.picture);
            paintings += started.picture->timeline.new_painting ? 1 : 0;
        }
    }
    return 0;
}
