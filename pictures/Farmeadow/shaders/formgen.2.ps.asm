// Form of the near plan: the meadow in front. It lies low in the picture below a ragged edge (the
// tops of the grass), its strokes stand upright and sway strongly with a fine stroke-shaped
// noise, like grass blades, and the paint is thick, so the relief catches the light most here.
// Writes direction (doubled angle), thickness and coverage.
//
// Parameters:
//
//   float4 atr1;
//   float4 f1;
//   float4 f2;
//   float4 f3;
//   float4 f4;
//   float layer;
//   sampler2D texSampler0;
//   sampler2D texSampler1;
//   sampler2D texSampler2;
//
//
// Registers:
//
//   Name         Reg   Size
//   ------------ ----- ----
//   atr1         c0       1
//   f1           c1       1
//   f2           c2       1
//   f3           c3       1
//   f4           c4       1
//   layer        c5       1
//   texSampler0  s0       1
//   texSampler1  s1       1
//   texSampler2  s2       1
//

    ps_3_0
    #define EDGE_NOISE 0.2
    #define EDGE_SHARPNESS 40
    #define SWAY 1.9
    #define THICKNESS 0.55
    #define NOISE_SCALE 115.2
    include "formgen.inc.asm"
