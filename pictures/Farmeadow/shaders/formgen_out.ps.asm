// Lays a plan's form over the form canvas: where the plan's coverage passes a threshold made
// ragged by the facture, the canvas takes the plan's stroke direction and layer, and its paint
// thickness moves towards the plan's by "alpha"; elsewhere the canvas stays.
//
// Parameters:
//
//   float4 atr1;
//   float4 patr1;
//   float alpha;
//   float layer;
//   float time;
//   float dev;
//   sampler2D texSampler0;
//   sampler2D texSampler1;
//   sampler2D texSampler2;
//   sampler2D texSampler3;
//   sampler2D texSampler4;
//   sampler2D texSampler5;
//
//
// Registers:
//
//   Name         Reg   Size
//   ------------ ----- ----
//   atr1         c0       1
//   patr1        c1       1
//   alpha        c2       1
//   layer        c3       1
//   time         c4       1
//   dev          c5       1
//   texSampler0  s0       1
//   texSampler1  s1       1
//   texSampler2  s2       1
//   texSampler3  s3       1
//   texSampler4  s4       1
//   texSampler5  s5       1
//

    ps_3_0
    def c20, 1.5, 0.84375, 0.5, 0.3
    def c21, 1, 0, 0, 0
    dcl_texcoord v0.xy
    dcl_2d s0
    dcl_2d s1
    dcl_2d s2
    dcl_2d s3
    dcl_2d s4
    dcl_2d s5
    texld r0, v0, s0                // canvas
    texld r1, v0, s2                // plan
    mul r2.xy, v0, c20
    frc r2.xy, r2
    texld r2, r2, s5                // facture, tiled
    add r3.x, r2.x, -c20.z
    mad r3.x, r3.x, c20.w, c20.z    // threshold 0.5 +- 0.15
    add r3.x, r1.w, -r3.x
    cmp r3.y, r3.x, c21.x, c21.y    // covered: 1
    lrp r4.z, c2.x, r1.z, r0.z
    mov r4.xy, r1
    mov r4.w, c3.x
    lrp r5, r3.y, r4, r0
    mov oC0, r5
