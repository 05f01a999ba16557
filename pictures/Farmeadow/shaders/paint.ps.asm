// Lights the painting as oil paint. The height is the surface's relief plus the canvas weave
// where the paint is thin; its slope over one pixel each way gives the normal. A raking light,
// whose direction drifts with "param" x and y, shades the relief about the flat colour (so flat
// paint keeps its colour), hollows darken, the ridges facing the light catch a gloss ("beta" x),
// and the weave tints thin paint. "param" w sets the relief's strength. Drawn upside down: up on
// the screen is +v here.
//
// Parameters:
//
//   float alpha;
//   float3 beta;
//   float2 gamma;
//   float4 param;
//   float4 atr1;
//   float4 patr1;
//   float time;
//   sampler2D texSampler0;
//   sampler2D texSampler1;
//   sampler2D texSampler2;
//   sampler2D texSampler3;
//   sampler2D texSampler4;
//
//
// Registers:
//
//   Name         Reg   Size
//   ------------ ----- ----
//   alpha        c0       1
//   beta         c1       1
//   gamma        c2       1
//   param        c3       1
//   atr1         c4       1
//   patr1        c5       1
//   time         c6       1
//   texSampler0  s0       1
//   texSampler1  s1       1
//   texSampler2  s2       1
//   texSampler3  s3       1
//   texSampler4  s4       1
//

    ps_3_0
    def c20, 1, 0.5, 0, 0.25
    def c21, 5, 2.8125, 0.8, 6            // weave tiles, thick paint hides it, slope gain
    def c22, 1.4, -0.45, 1.0, 0.55        // light from the upper left, drifting
    def c23, 0.6, 1.1, 3, 0.15            // light height, shading, hollows
    def c24, 40, 1, 0.97, 0.9             // gloss exponent and colour
    def c25, 0.93, 0.14, 0.1, 0
    dcl_texcoord v0.xy
    dcl_2d s0
    dcl_2d s1
    dcl_2d s2
    dcl_2d s3
    dcl_2d s4
    dsx r0.x, v0.x
    dsy r0.y, v0.y
    abs r0.xy, r0
    mov r0.zw, c20.z
    // height at the pixel and its four neighbours: relief + weave * thinness * 0.1
    texld r1, v0, s1
    mul r2.xy, v0, c21
    frc r2.xy, r2
    texld r2, r2, s4
    mad r3.x, r1.y, -c21.z, c20.x
    mul r3.x, r3.x, c25.z
    add r3.y, r2.x, -c20.y
    mad r4.x, r3.y, r3.x, r1.x      // centre
    add r5.xy, v0, r0.xzzw          // right
    texld r6, r5, s1
    mul r5.xy, r5, c21
    frc r5.xy, r5
    texld r7, r5, s4
    add r7.x, r7.x, -c20.y
    mad r4.y, r7.x, r3.x, r6.x
    add r5.xy, v0, -r0.xzzw         // left
    texld r6, r5, s1
    mul r5.xy, r5, c21
    frc r5.xy, r5
    texld r7, r5, s4
    add r7.x, r7.x, -c20.y
    mad r4.z, r7.x, r3.x, r6.x
    add r5.xy, v0, r0.zyzw          // up
    texld r6, r5, s1
    mul r5.xy, r5, c21
    frc r5.xy, r5
    texld r7, r5, s4
    add r7.x, r7.x, -c20.y
    mad r4.w, r7.x, r3.x, r6.x
    add r5.xy, v0, -r0.zyzw         // down
    texld r6, r5, s1
    mul r5.xy, r5, c21
    frc r5.xy, r5
    texld r7, r5, s4
    add r7.x, r7.x, -c20.y
    mad r5.w, r7.x, r3.x, r6.x
    // normal
    mul r8.x, c3.w, c21.w
    add r9.x, r4.z, -r4.y
    add r9.y, r5.w, -r4.w
    mul r9.xy, r9, r8.x
    mov r9.z, c20.x
    nrm r10.xyz, r9
    // light
    add r11.xy, c3, -c20.y
    mad r11.xy, r11, c22.xzzw, c22.ywzw
    mov r11.z, c23.x
    nrm r12.xyz, r11
    dp3 r13.x, r10, r12
    add r13.x, r13.x, -r12.z
    mad r13.x, r13.x, c23.y, c20.x  // shading about the flat colour
    // hollows: below the neighbours' mean
    add r14.x, r4.y, r4.z
    add r14.x, r14.x, r4.w
    add r14.x, r14.x, r5.w
    mul r14.x, r14.x, c20.w
    add r14.x, r14.x, -r4.x
    mul_sat r14.x, r14.x, c23.z
    mad r13.x, r14.x, -c23.w, r13.x
    // gloss on the ridges that face the light, above the flat sheen
    add r15.xyz, r12, c20.zzxw
    nrm r16.xyz, r15
    dp3_sat r17.x, r10, r16
    pow r17.y, r17.x, c24.x
    pow r17.z, r16.z, c24.x
    add r17.y, r17.y, -r17.z
    max r17.y, r17.y, c20.z
    mul r17.y, r17.y, c1.x
    mad r17.w, r1.x, c20.x, c20.y
    mul r17.y, r17.y, r17.w
    // colour, the weave in thin paint, light
    texld r18, v0, s0
    mad r19.x, r2.x, c25.y, c25.x
    mad r19.z, r1.y, -c21.z, c20.x
    lrp r19.y, r19.z, r19.x, c20.x
    mul r18.xyz, r18, r19.y
    mul r18.xyz, r18, r13.x
    mad_sat r18.xyz, c24.yzww, r17.y, r18
    mov r18.w, c20.x
    mov oC0, r18
