// Colours the surface: the colour canvas (blended by "a" when it is two images), its saturation
// raised by "shift" x (the picture's distance value) and its value moved gently by the soft
// relief of the forms kept in the colour canvas's alpha, so the broad forms swell a little.
//
// Parameters:
//
//   float4 atr1;
//   float alpha;
//   float4 shift;
//   float4 bump;
//   float surface;
//   float3 fg_color;
//   float3 bg_color;
//   float a;
//   sampler2D texSampler0;
//   sampler2D texSampler1;
//   sampler2D texSampler2;
//   sampler2D texSampler3;
//   sampler2D texSampler4;
//   sampler2D texSampler5;
//   sampler2D texSampler6;
//   sampler2D texSampler7;
//
//
// Registers:
//
//   Name         Reg   Size
//   ------------ ----- ----
//   atr1         c0       1
//   alpha        c1       1
//   shift        c2       1
//   bump         c3       1
//   surface      c4       1
//   fg_color     c5       1
//   bg_color     c6       1
//   a            c7       1
//   texSampler0  s0       1
//   texSampler1  s1       1
//   texSampler2  s2       1
//   texSampler3  s3       1
//   texSampler4  s4       1
//   texSampler5  s5       1
//   texSampler6  s6       1
//   texSampler7  s7       1
//

    ps_3_0
    def c20, 0.3, 0.59, 0.11, 1
    def c21, 0.5, 0.16, 0, 0
    dcl_texcoord v0.xy
    dcl_2d s0
    dcl_2d s1
    dcl_2d s2
    dcl_2d s3
    dcl_2d s4
    dcl_2d s5
    dcl_2d s6
    dcl_2d s7
    texld r0, v0, s1
    texld r1, v0, s2
    lrp r2, c7.x, r1, r0
    dp3 r3.x, r2, c20
    add r4.xyz, r2, -r3.x
    add r3.y, c20.w, c2.x
    mad r4.xyz, r4, r3.y, r3.x
    add r3.z, r2.w, -c21.x
    mad r3.z, r3.z, c21.y, c20.w
    mul_sat r4.xyz, r4, r3.z
    mov r4.w, c20.w
    mov oC0, r4
