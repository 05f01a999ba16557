#pragma once
// Building a ".bsf" program from two assembly listings in the style a shader compiler writes:
//
//   // Parameters:
//   //
//   //   float alpha;
//   //   float3 fg_color;
//   //   sampler2D texSampler0;
//   //
//   // Registers:
//   //
//   //   Name         Reg   Size
//   //   ------------ ----- ----
//   //   alpha        c0       1
//   //   fg_color     c1       1
//   //   texSampler0  s0       1
//   //
//       ps_2_0
//       ...
//
// A constant's component count comes from its declared type (float, float2..float4, and the
// half forms), its register from its Registers row; samplers take their s# from their row.
// Only the comment block before the first instruction is read.
#include <string>
#include <string_view>
#include <vector>

#include "shadercode/assembler.h"
#include "shadercode/bsf_file.h"

namespace shadercode {

struct ListingTables {
    std::vector<BsfConstant> constants;  // in Registers row order
    std::vector<BsfSampler> samplers;    // in Registers row order
};

// Reads the Parameters and Registers blocks. On failure returns false with
// "line N: message" in `error`.
bool read_listing_tables(std::string_view listing, ListingTables& out, std::string& error);

// Assembles both listings and takes their tables. On failure returns false with
// "vertex shader: line N: message" (or "pixel shader: ...") in `error`.
bool build_bsf(std::string_view vertex_listing, std::string_view pixel_listing,
               const AssembleOptions& options, BsfFile& out, std::string& error);

}  // namespace shadercode
