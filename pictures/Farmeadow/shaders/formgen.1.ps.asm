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
    def c20, 256, 0.00390625, 0.5, -0.5
    def c21, 0.72, -0.42, 0.01, 2
    def c22, 0.12, 0.18, 14, 3.1415927
    def c23, 0.6, 2.5, 0.9, 6.2831853
    def c24, 0.45, 0.5, 0.25, 0.1
    def c25, 5, 2.8125, 0, 1
    def c26, 76.8, 40, 0, 0
    dcl_texcoord v0.xy
    dcl_2d s0
    dcl_2d s1
    dcl_2d s2
    // a third of the facture, filtered between its texels: a smooth stroke-shaped noise n
    mad r0.xy, v0, c26.x, c26.y
    frc r1.xy, r0
    add r0.xy, r0, -r1
    add r0.xy, r0, c20.z
    mul r0.xy, r0, c20.y
    texld r2, r0, s2
    add r3.xy, r0, c20.yzzz
    mov r3.y, r0.y
    texld r3, r3, s2
    add r4.xy, r0, c20.zyzz
    mov r4.x, r0.x
    texld r4, r4, s2
    add r5.xy, r0, c20.y
    texld r5, r5, s2
    lrp r6.x, r1.x, r3.x, r2.x
    lrp r6.y, r1.x, r5.x, r4.x
    lrp r7.x, r1.y, r6.y, r6.x      // n
    add r7.y, r7.x, c20.w           // n - 0.5
    // coverage: below an edge that lowers with the layer; layer 0 covers all
    mad r8.x, c5.x, c21.y, c21.x
    add r8.y, -c5.x, c21.z
    cmp r8.y, r8.y, c25.w, c25.z
    mad r8.x, r8.y, c21.w, r8.x
    add r8.z, c1.x, c20.w
    mad r8.x, r8.z, c22.x, r8.x
    mad r8.x, r7.y, c22.y, r8.x
    add r8.x, r8.x, -v0.y
    mul_sat r9.w, r8.x, c22.z
    // direction: doubled angle pi * sat((layer - 0.6) * 2.5), swayed by the noise
    add r8.x, c5.x, -c23.x
    mul_sat r8.x, r8.x, c23.y
    mul r8.x, r8.x, c22.w
    add r8.y, c2.x, c20.z
    mul r8.y, r8.y, r7.y
    mad r8.x, r8.y, c23.z, r8.x
    add r8.z, r8.x, -c22.w          // keep it in [-pi, pi]
    cmp r8.z, r8.z, c25.w, c25.z
    mad r8.x, r8.z, -c23.w, r8.x
    sincos r10.xy, r8.x
    mad r9.xy, r10, c20.z, c20.z
    // thickness
    texld r11, v0, s0
    mul r12.xy, v0, c25
    frc r12.xy, r12
    texld r12, r12, s1
    add r11.x, r11.z, c20.w
    mul r11.x, r11.x, c3.x
    add r12.x, r12.x, c20.w
    mul r12.x, r12.x, c3.y
    mad r13.x, r7.y, c23.x, c24.x
    mad r13.x, r11.x, c24.z, r13.x
    mad r9.z, r12.x, c24.w, r13.x
    mov oC0, r9
