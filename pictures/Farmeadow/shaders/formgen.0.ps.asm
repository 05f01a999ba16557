// Form of the far plan: sky, hills and the far fields. Its strokes lie long and level, swaying
// only a little with a broad stroke-shaped noise, so clouds and the horizon are laid in wide
// horizontal sweeps; it covers the whole picture. The paint is thin (the weave shows through),
// thicker where the facture and f3 say. Writes direction (doubled angle), thickness and coverage.
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
    #define EDGE_NOISE 0.14
    #define EDGE_SHARPNESS 25
    #define SWAY 0.5
    #define THICKNESS 0.35
    #define NOISE_SCALE 44.8
    include "formgen.inc.asm"
