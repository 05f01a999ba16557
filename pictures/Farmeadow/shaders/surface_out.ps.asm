// The paint's relief: the same strokes as the colour (cells of jittered points stretched along
// the form canvas's direction, spaced by the layer on top), each given its own thickness, bristle
// grooves running along it and a ridge where it meets its neighbours; the factures' brush marks
// (blended between paintings by alpha) are added by "bump1" x. The result moves from the previous
// surface by 1 - 0.3 "bump2" x, so old paint shows faintly through. Writes relief height (red),
// paint thickness (green) and the facture (blue).
//
// Parameters:
//
//   float4 atr1;
//   float alpha;
//   float3 bump1;
//   float2 bump2;
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
//   bump1        c2       1
//   bump2        c3       1
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
    def c21, 1, 0.5, -1, 0
    def c22, -0.007, 0.014, 0.3125, -1.5  // as the colour strokes
    def c23, 2, -1, 37.17, 11.3
    def c24, 0.1031, 0.1030, 0.0973, 33.33
    def c25, 0.8, 0.1, 1e9, 3.0               // grooves per cell across
    def c26, 6.2831853, -3.1415927, 5, 0.3
    def c27, 0.3, 0.09, 0.07, 0.02
    def c30, 0.37, 0.29, 0.13, 0.61           // ripples: cycles per cell, phase
    def c31, 6.2831853, -3.1415927, 0.15, 0   // 2 pi, -pi, bend in cells
    def c32, 0.23, -0.17, 0, 0                // ripples run at a slant
    defi i0, 4, 0, 0, 0
    dcl_texcoord v0.xy
    dcl_2d s0
    dcl_2d s1
    dcl_2d s2
    dcl_2d s3
    dcl_2d s4
    dcl_2d s5
    dcl_2d s6
    dcl_2d s7
    dsx r0.x, v0.x
    dsy r0.y, v0.y
    abs r0.xy, r0
    rcp r0.z, r0.y
    mul r0.z, r0.z, r0.x
    texld r3, v0, s0
    mad r0.w, r3.w, c22.x, c22.y    // cell size of the layer on top
    rcp r2.w, r0.w
    mov r1.x, v0.x
    mul r1.y, v0.y, r0.z
    mul r1.xy, r1, r2.w
    // bend the cell grid with two crossed ripples, so stroke edges curve as a brush's do
    mad r4.xy, r1.yx, c30.xy, c30.zw
    mad r4.xy, r1, c32, r4
    frc r4.xy, r4
    mad r4.xy, r4, c31.x, c31.y
    sincos r5.x, r4.x
    sincos r5.y, r4.y
    mad r1.xy, r5, c31.z, r1
    mad r11.x, r3.w, c23.z, c23.w
    mad r3.xy, r3, c23.x, c23.y
    dp2add r4.x, r3, r3, c21.w
    rsq r4.x, r4.x
    mul r3.xy, r3, r4.x
    add r4.x, c21.x, r3.x
    add r4.y, c21.x, -r3.x
    mul r4.xy, r4, c21.y
    rsq r5.x, r4.x
    mul r6.x, r4.x, r5.x
    rsq r5.y, r4.y
    mul r6.y, r4.y, r5.y
    cmp r6.y, r3.y, r6.y, -r6.y
    mul r7.xy, r6, c22.z
    mov r8.x, -r6.y
    mov r8.y, r6.x
    add r9.xy, r1, c22.w
    frc r10.xy, r9
    add r9.xy, r9, -r10
    mov r12.xy, c25.z               // nearest and second distance
    mov r13, c21.w                  // nearest: hash xy, across z
    mov r14, c21.w
    rep i0
        mov r14.x, c21.w
        rep i0
            add r15.xy, r9, r14
            add r16.xy, r15, r11.x
            mul r16.xyz, r16.xyxw, c24
            frc r16.xyz, r16
            add r17.xyz, r16.yzxw, c24.w
            dp3 r17.x, r16, r17
            add r16.xyz, r16, r17.x
            add r17.xy, r16.x, r16.yzzw
            mul r17.xy, r17, r16.zyzw
            frc r17.xy, r17
            mad r18.xy, r17, c25.x, c25.y
            add r18.xy, r18, r15
            add r19.xy, r1, -r18
            dp2add r20.x, r19, r7, c21.w
            dp2add r20.y, r19, r8, c21.w
            mov r21.xy, r17
            mov r21.z, r20.y
            dp2add r20.x, r20, r20, c21.w
            add r20.y, r20.x, -r12.x
            min r20.z, r12.y, r20.x
            cmp r12.y, r20.y, r20.z, r12.x
            cmp r12.x, r20.y, r12.x, r20.x
            cmp r13, r20.y, r13, r21
            add r14.x, r14.x, c21.x
        endrep
        add r14.y, r14.y, c21.x
    endrep
    // grooves along the stroke
    mad r22.x, r13.z, c25.w, r13.y
    frc r22.x, r22.x
    mad r22.x, r22.x, c26.x, c26.y
    sincos r23.y, r22.x
    mad r23.y, r23.y, c21.y, c21.y
    // ridge at the stroke's edge
    rsq r24.x, r12.x
    mul r24.x, r24.x, r12.x
    rsq r24.y, r12.y
    mul r24.y, r24.y, r12.y
    add r24.z, r24.y, -r24.x
    mul_sat r24.z, r24.z, c26.z
    add r24.z, c21.x, -r24.z
    // factures
    texld r25, v0, s4
    texld r26, v0, s5
    lrp r27.x, c1.x, r25.z, r26.z
    texld r25, v0, s6
    texld r26, v0, s7
    lrp r27.y, c1.x, r25.z, r26.z
    add r27.x, r27.x, r27.y
    mad r27.x, r27.x, c21.y, -c21.y
    // height
    mad r28.y, r13.x, c27.y, c27.x  // thickness of the stroke
    mad r28.x, r23.y, c27.z, r28.y
    mad r28.x, r24.z, c27.w, r28.x
    mul r27.y, c2.x, c26.w
    mad r28.x, r27.x, r27.y, r28.x
    add r28.z, r27.x, c21.y
    mov r28.w, c21.x
    texld r29, v0, s2
    mad r30.x, c3.x, -c26.w, c21.x
    lrp r31, r30.x, r28, r29
    mov oC0, r31
