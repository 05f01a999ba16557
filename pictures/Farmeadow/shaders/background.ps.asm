// The ground of the form canvas: level strokes everywhere (direction stored as the doubled
// angle's cosine and sine, 0.5 meaning 0), a paint thickness drawn from the canvas grain and the
// two remembered forms (weighted by the background colours f1 and f2), and layer 0.
//
// Parameters:
//
//   float4 f1;
//   float4 f2;
//   float4 f3;
//   float4 f4;
//   float4 atr1;
//   float alpha;
//   sampler2D texSampler0;
//   sampler2D texSampler1;
//   sampler2D texSampler2;
//
//
// Registers:
//
//   Name         Reg   Size
//   ------------ ----- ----
//   f1           c0       1
//   f2           c1       1
//   f3           c2       1
//   f4           c3       1
//   atr1         c4       1
//   alpha        c5       1
//   texSampler0  s0       1
//   texSampler1  s1       1
//   texSampler2  s2       1
//

    ps_3_0
    def c20, 1, 0.5, 0, 0.6
    def c21, 5, 2.8125, 0.2, 0.5
    dcl_texcoord v0.xy
    dcl_2d s0
    dcl_2d s1
    dcl_2d s2
    mul r0.xy, v0, c21
    frc r0.xy, r0
    texld r1, r0, s0                // grain, tiled
    texld r2, v0, s1                // the form blended between paintings
    texld r3, v0, s2                // the last plan's newest form
    lrp r4.x, c5.x, r3.z, r2.z
    mul r4.y, c0.x, c20.w
    lrp r5.z, r4.y, r4.x, c21.w     // thickness: remembered form weighted by f1
    add r4.z, r1.x, -c21.w
    mul r4.z, r4.z, c1.y            // grain weighted by f2
    mad r5.z, r4.z, c21.z, r5.z
    mov r5.xyw, c20.xyzz
    mov oC0, r5
