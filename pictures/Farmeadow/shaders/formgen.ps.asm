// Form of a plan at any layer (the fallback generator): the layer decides where the plan lies
// (layer 0 everywhere, later layers ever lower in the picture, their upper edge shaped by the
// facture and f1) and how its strokes run (level at the back, upright at the front, swayed by
// the facture and f2); the paint thickness comes from the facture, the remembered form and the
// grain, weighted by f3. Writes direction (doubled angle), thickness and coverage.
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
    #define SWAY 1.3
    #define THICKNESS 0.45
    #define NOISE_SCALE 76.8
    include "formgen.inc.asm"
