// "PATH" as the registry hands it over: terminated or not, short or too long for its buffer.
#include "host/registry_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Case {
    const char* name;
    std::string bytes;  // what the registry wrote into the buffer
    size_t buffer_size;
    bool more_data;
    bool fits;
    std::string text;
};

TEST(RegistryText, EndsAtItsTerminatorOrItsSizeAndNeverOverrunsTheBuffer) {
    const std::string full(256, 'a');
    const Case cases[] = {
        {"terminated", std::string("C:\\data\0", 8), 256, false, true, "C:\\data"},
        {"without its NUL", "C:\\data", 256, false, true, "C:\\data"},
        {"NULs inside", std::string("C:\\a\0junk\0", 10), 256, false, true, "C:\\a"},
        {"255 characters and NUL", std::string(255, 'a') + '\0', 256, false, true,
         std::string(255, 'a')},
        {"256 characters, no NUL", full, 256, false, false, ""},
        {"longer than the buffer", "", 256, true, false, ""},
        {"empty", "", 256, false, true, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const host::RegistryText out =
            host::registry_text(c.bytes.data(), c.bytes.size(), c.buffer_size, c.more_data);
        EXPECT_EQ(out.text.has_value(), c.fits);
        EXPECT_EQ(out.too_long, !c.fits);
        if (c.fits) {
            EXPECT_EQ(*out.text, c.text);
        }
    }
}

}  // namespace
