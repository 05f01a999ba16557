// Lays a plan's colour as brush strokes. The plane is cut into strokes: the cells of jittered
// points on a grid whose spacing shrinks with the layer, measured in a metric stretched 3.2
// times along the form canvas's stroke direction, so each cell is an elongated dab lying along
// the form. Each stroke takes one colour, sampled from the plan's two colour images (blended by
// alpha) at two points along its axis ("shift" y widens them), with a small per-stroke change of
// value and warmth, and tinted a little by the plan colour fg_color. A stroke is laid where its
// centre lies in this plan's part of the form canvas (every stroke when "fon" is set); elsewhere
// the colour canvas stays. Strokes keep crisp edges; the colour image's content is kept at the
// scale of the strokes.
//
// Parameters:
//
//   float4 atr1;
//   float alpha;
//   float4 shift;
//   float fon;
//   float facture;
//   float surface;
//   float layer;
//   float3 fg_color;
//   float3 bg_color;
//   sampler2D texSampler0;
//   sampler2D texSampler1;
//   sampler2D texSampler2;
//   sampler2D texSampler3;
//   sampler2D texSampler4;
//   sampler2D texSampler5;
//   sampler2D texSampler6;
//
//
// Registers:
//
//   Name         Reg   Size
//   ------------ ----- ----
//   atr1         c0       1
//   alpha        c1       1
//   shift        c2       1
//   fon          c3       1
//   facture      c4       1
//   surface      c5       1
//   layer        c6       1
//   fg_color     c7       1
//   bg_color     c8       1
//   texSampler0  s0       1
//   texSampler1  s1       1
//   texSampler2  s2       1
//   texSampler3  s3       1
//   texSampler4  s4       1
//   texSampler5  s5       1
//   texSampler6  s6       1
//

    ps_3_0
    def c21, 1, 0.5, -1, 0
    def c22, -0.007, 0.014, 0.3125, -1.5  // cell size = 0.017 - 0.009 * layer; 1 / 3.2
    def c23, 2, -1, 37.17, 11.3               // per-layer seed
    def c24, 0.1031, 0.1030, 0.0973, 33.33    // hash
    def c25, 0.8, 0.1, 1e9, 0.2               // jitter, far, region width
    def c26, 0.3, 0.59, 0.11, 1.12            // luminance, saturation
    def c27, 0.1, 0.04, 0.3, 0.8              // value and warmth jitter, tint
    def c28, 0.4, 0.9, 0, 0
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
    dsx r0.x, v0.x
    dsy r0.y, v0.y
    abs r0.xy, r0
    rcp r0.z, r0.y
    mul r0.z, r0.z, r0.x            // height / width
    mad r0.w, c6.x, c22.x, c22.y    // cell size C (width units)
    rcp r2.w, r0.w
    mov r1.x, v0.x
    mul r1.y, v0.y, r0.z
    mul r1.xy, r1, r2.w             // g: position in cells
    // bend the cell grid with two crossed ripples, so stroke edges curve as a brush's do
    mad r4.xy, r1.yx, c30.xy, c30.zw
    mad r4.xy, r1, c32, r4
    frc r4.xy, r4
    mad r4.xy, r4, c31.x, c31.y
    sincos r5.x, r4.x
    sincos r5.y, r4.y
    mad r1.xy, r5, c31.z, r1
    // stroke direction d = (cos t, sin t) from the doubled angle of the form canvas
    texld r3, v0, s2
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
    mul r7.xy, r6, c22.z            // along, shortened
    mov r8.x, -r6.y                 // across
    mov r8.y, r6.x
    add r9.xy, r1, c22.w            // first of the 4 x 4 cells around g
    frc r10.xy, r9
    add r9.xy, r9, -r10
    mad r11.x, c6.x, c23.z, c23.w
    mov r12.x, c25.z                // nearest distance
    mov r13, c21.w                  // nearest point (xy) and its hash (zw)
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
            dp2add r20.x, r20, r20, c21.w
            add r20.y, r20.x, -r12.x
            mov r21.xy, r18
            mov r21.zw, r17.xxxy
            cmp r12.x, r20.y, r12.x, r20.x
            cmp r13, r20.y, r13, r21
            add r14.x, r14.x, c21.x
        endrep
        add r14.y, r14.y, c21.x
    endrep
    // the stroke's centre in texture units
    mul r22.xy, r13, r0.w
    rcp r22.z, r0.z
    mul r22.y, r22.y, r22.z
    // is the centre in this plan's part of the form canvas?
    texld r23, r22, s2
    add r23.x, r23.w, -c6.x
    add r23.x, r23_abs.x, -c25.w
    cmp r23.y, r23.x, c21.x, c21.w  // 1: outside
    add r23.z, c21.x, -c3.x
    mul r23.y, r23.y, r23.z
    // colour: two samples along the stroke's axis
    add r24.x, c2.y, c28.x
    mul r24.x, r24.x, r0.w
    mul r24.xy, r6, r24.x
    mul r24.y, r24.y, r22.z
    add r25.xy, r22, r24
    add r26.xy, r22, -r24
    texld r27, r25, s0
    texld r28, r25, s1
    lrp r29, c1.x, r28, r27
    texld r27, r26, s0
    texld r28, r26, s1
    lrp r30, c1.x, r28, r27
    add r29, r29, r30
    mul r29, r29, c21.y
    // per-stroke value and warmth, a little more saturation, the plan's tint
    add r31.xy, r13.zwzw, -c21.y
    mad r31.x, r31.x, c27.x, c21.x
    mul r29.xyz, r29, r31.x
    mad r29.x, r31.y, c27.y, r29.x
    mad r29.z, r31.y, -c27.y, r29.z
    dp3 r31.z, r29, c26
    add r29.xyz, r29, -r31.z
    mad r29.xyz, r29, c26.w, r31.z
    mad r31.xyz, c7, c28.x, c27.w
    lrp r31.xyz, c27.z, r31, c21.x
    mul_sat r29.xyz, r29, r31
    mov r29.w, c21.x
    texld r30, v0, s3
    lrp r0, r23.y, r30, r29
    mov oC0, r0
