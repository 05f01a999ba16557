// The parameter file's parser over arbitrary text: no terminator, keys cut short, numbers of
// any length or form.
#include <cstddef>
#include <cstdint>

#include "picture/picture_config.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const picture::PictureConfig config = picture::parse_picture_config(data, size, "Farmeadow");
    volatile int plans = config.plans;
    (void)plans;
    return 0;
}
