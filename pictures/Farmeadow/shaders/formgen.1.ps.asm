// Form of the middle plan: the fields. It lies below an edge shaped by the facture and f1, soft
// so that field meets sky in a broken line, and its strokes run level across the stripes of the
// fields, swayed moderately by the facture and f2. The paint is of middling thickness. Writes
// direction (doubled angle), thickness and coverage.
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
    #define EDGE_NOISE 0.18
    #define EDGE_SHARPNESS 14
    #define SWAY 0.9
    #define THICKNESS 0.45
    #define NOISE_SCALE 76.8
    include "formgen.inc.asm"
