// Listing expansion: includes, definitions and macros give the same tokens as the listing written
// out; every bad use is one clear message naming its line, in the included file where it is.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "shadercode/assembler.h"
#include "shadercode/listing_preprocessor.h"

namespace sc = shadercode;

namespace {

struct Files {
    std::map<std::string, std::string> text;
    sc::IncludeReader reader() const {
        return [this](const std::string& name, std::string& out) {
            auto found = text.find(name);
            if (found == text.end()) return false;
            out = found->second;
            return true;
        };
    }
};

std::vector<uint32_t> tokens_of(const std::string& listing) {
    std::vector<uint32_t> tokens;
    std::string error;
    EXPECT_TRUE(sc::assemble_shader(listing, {}, tokens, error)) << error;
    return tokens;
}

// The expansion's text, or "error: ..." when it fails.
std::string expand(const std::string& listing, const Files& files = {}) {
    sc::ExpandedListing out;
    std::string error;
    if (!sc::expand_listing(listing, "main.asm", files.reader(), out, error))
        return "error: " + error;
    return out.text;
}

}  // namespace

TEST(ListingPreprocessor, IncludesDefinitionsAndMacrosAssembleAsWrittenOut) {
    Files files;
    files.text["consts.inc.asm"] = "// the constants\n    def c20, HALF, 1, 0, 0\n";
    files.text["blend.inc.asm"] = "    include \"consts.inc.asm\"\n    MIX(r1, c20.x)\n";
    const std::string listing =
        "// Parameters: HALF stays in comments\n"
        "    ps_3_0\n"
        "    #define HALF 0.5\n"
        "    #define ONE c20.y  ; a comment after a definition\n"
        "    #define MIX(to, w) lrp to, w, r0, ONE \\n mul_sat to, to, w\n"
        "    dcl_texcoord v0.xy\n"
        "    mov r0, v0.xyxy\n"
        "    include \"blend.inc.asm\"\n"
        "    #undef ONE\n"
        "    mov oC0, r1  // ONEs and HALFWAY are other words\n";
    const std::string written =
        "    ps_3_0\n"
        "    dcl_texcoord v0.xy\n"
        "    mov r0, v0.xyxy\n"
        "    def c20, 0.5, 1, 0, 0\n"
        "    lrp r1, c20.x, r0, c20.y\n"
        "    mul_sat r1, r1, c20.x\n"
        "    mov oC0, r1\n";
    const std::string expanded = expand(listing, files);
    EXPECT_EQ(tokens_of(expanded), tokens_of(written)) << expanded;
    EXPECT_NE(expanded.find("// Parameters: HALF stays in comments\n"), std::string::npos);
    EXPECT_NE(expanded.find("// ONEs and HALFWAY are other words"), std::string::npos);

    // A definition may use an earlier one and be redefined; a name is only a whole word.
    EXPECT_EQ(expand("#define A 1\n#define B A, A\nX B AB\n#define A 2\nA B\n"),
              "X 1, 1 AB\n2 1, 1\n");
}

TEST(ListingPreprocessor, BadUsesAreOneMessageWithTheirLine) {
    Files files;
    files.text["self.inc.asm"] = "\n    include \"self.inc.asm\"\n";
    files.text["bad.inc.asm"] = "    mov r0, c0\n    frob r0, r1\n";
    files.text["deep.inc.asm"] = "    include \"deep.inc.asm\"\n";
    EXPECT_EQ(expand("ps_3_0\n include \"none.asm\"\n", files),
              "error: line 2: can't read included \"none.asm\"");
    EXPECT_EQ(expand("include \"self.inc.asm\"\n", files),
              "error: self.inc.asm:2: \"self.inc.asm\" includes itself");
    EXPECT_EQ(expand("include none.asm\n"), "error: line 1: include needs one name in quotes");
    EXPECT_EQ(expand("#pragma x\n"), "error: line 1: unknown directive \"#pragma\"");
    EXPECT_EQ(expand("#define\n"), "error: line 1: #define needs a name");
    EXPECT_EQ(expand("#define M(a, b) add a, a, b\nM(r0)\n"),
              "error: line 2: M takes 2 arguments, not 1");
    EXPECT_EQ(expand("#define M(a) mov a, c0\nM r0\n"), "error: line 2: M needs its arguments");
    EXPECT_EQ(expand("#define M(a mov a, c0\n"), "error: line 1: #define M: no ')'");

    // Nesting is bounded even without a cycle of names the reader could see.
    int depth = 0;
    sc::IncludeReader endless = [&depth](const std::string&, std::string& out) {
        out = "include \"level" + std::to_string(++depth) + "\"\n";
        return true;
    };
    sc::ExpandedListing out;
    std::string error;
    EXPECT_FALSE(sc::expand_listing("include \"level0\"\n", "main.asm", endless, out, error));
    EXPECT_NE(error.find("nested more than 8 deep"), std::string::npos) << error;

    // The assembler's "line N" becomes the line in the file it came from.
    sc::ExpandedListing listing;
    ASSERT_TRUE(sc::expand_listing("ps_3_0\n\ninclude \"bad.inc.asm\"\n", "main.asm",
                                   files.reader(), listing, error))
        << error;
    std::vector<uint32_t> tokens;
    ASSERT_FALSE(sc::assemble_shader(listing.text, {}, tokens, error));
    EXPECT_EQ(listing.locate(error).rfind("bad.inc.asm:2: ", 0), 0u) << listing.locate(error);
}
