// Lays a plan's form over the form canvas: where the plan's coverage passes a threshold made
// ragged by the facture, the canvas takes the plan's layer, its paint thickness moves towards the
// plan's by "alpha", and its stroke direction follows the plan's colour image (of its two, the
// one "beta" weights more): a structure tensor of the colour over a 3 x 3 grid of taps 0.006
// widths apart gives the direction of its edges, which the strokes take where the image is
// clearly directed, and the plan's own direction where it is flat or only textured. The
// tensor's energy, mostly its directed part, is the detail the strokes must keep; it shortens
// the direction vector (length 1 - 0.7 detail). Elsewhere the canvas stays.
//
// Parameters:
//
//   float4 atr1;
//   float4 patr1;
//   float alpha;
//   float layer;
//   float time;
//   float dev;
//   float beta;
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
//   patr1        c1       1
//   alpha        c2       1
//   layer        c3       1
//   time         c4       1
//   dev          c5       1
//   beta         c6       1
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
    def c20, 1.5, 0.84375, 0.5, 0.3
    def c21, 1, 0, 0, 0
    def c22, -1, 0, 1, 0.006        // tap offsets; tap spacing in widths
    def c23, 2, -1, 2, -0.1        // doubled angle coding; detail = sat(2 sqrt(energy) - 0.1)
    def c24, 4, -1.6, 8, 1.001      // confidence: sat(4 coherence - 1.6 (1 + layer)) sat(8 energy)
    def c25, 0.7, 0.5, 1e-6, 0
    #define TAP(at, offset, image) mad r5.xy, r4, offset, v0 \n texldl at, r5, image
    #define TAPS(image) TAP(r7, c22.xx, image) \n TAP(r8, c22.yx, image) \n TAP(r9, c22.zx, image) \n TAP(r10, c22.xy, image) \n TAP(r11, c22.yy, image) \n TAP(r12, c22.zy, image) \n TAP(r13, c22.xz, image) \n TAP(r14, c22.yz, image) \n TAP(r15, c22.zz, image)
    #define BLOCK(a, b, c, d) add r16.xyz, b, d \n add r17.xyz, a, c \n add r18.xyz, r16, -r17 \n add r16.xyz, c, d \n add r17.xyz, a, b \n add r19.xyz, r16, -r17 \n dp3 r20.x, r18, r18 \n dp3 r20.y, r19, r19 \n dp3 r20.z, r18, r19 \n add r21.xyz, r21, r20
    dcl_texcoord v0.xy
    dcl_2d s0
    dcl_2d s1
    dcl_2d s2
    dcl_2d s3
    dcl_2d s4
    dcl_2d s5
    dcl_2d s6
    dcl_2d s7
    texld r0, v0, s0                // canvas
    texld r1, v0, s2                // plan
    mul r2.xy, v0, c20
    frc r2.xy, r2
    texld r2, r2, s5                // facture, tiled
    add r3.x, r2.x, -c20.z
    mad r3.x, r3.x, c20.w, c20.z    // threshold 0.5 +- 0.15
    add r3.x, r1.w, -r3.x
    cmp r3.y, r3.x, c21.x, c21.y    // covered: 1
    // taps of the colour image, as far apart down as across in pixels
    dsx r4.x, v0.x
    dsy r4.y, v0.y
    abs r4.xy, r4
    rcp r4.z, r4.x
    mul r4.z, r4.z, r4.y
    mov r4.x, c22.w
    mul r4.y, c22.w, r4.z
    mov r5.zw, c21.y
    mov r21, c21.y
    if_ne r3.y, c21.y
        // at a new painting beta is 0 or 1 to a thousandth: the image it weights is enough
        if_gt c6.x, c20.z
            TAPS(s7)
        else
            TAPS(s6)
        endif
        // structure tensor (xx, yy, xy) summed over the four 2 x 2 blocks
        BLOCK(r7, r8, r10, r11)
        BLOCK(r8, r9, r11, r12)
        BLOCK(r10, r11, r13, r14)
        BLOCK(r11, r12, r14, r15)
    endif
    add r22.x, r21.x, r21.y         // energy
    add r22.y, r21.x, -r21.y
    add r22.z, r21.z, r21.z         // (xx - yy, 2 xy): the gradient's doubled angle
    dp2add r22.w, r22.yzzw, r22.yzzw, c25.z
    rsq r23.x, r22.w
    mul r23.y, r22.w, r23.x         // its length
    mul r24.xy, r22.yzzw, -r23.x    // the edge's doubled angle
    add r23.z, r22.x, c25.z
    rcp r23.z, r23.z
    mul r23.z, r23.y, r23.z         // coherence
    mad r23.z, r23.z, c24.x, c24.y
    mad_sat r23.z, c3.x, c24.y, r23.z   // nearer plans keep their own direction more (grass)
    mul_sat r23.w, r22.x, c24.z
    mul r23.z, r23.z, r23.w         // confidence
    // the plan's own direction where the image is flat
    mad r25.xy, r1, c23.x, c23.y
    dp2add r25.z, r25, r25, c25.z
    rsq r25.z, r25.z
    mul r25.xy, r25, r25.z
    add r25.w, c24.w, -r23.z
    mul r25.xy, r25, r25.w
    mad r25.xy, r24, r23.z, r25
    dp2add r25.z, r25, r25, c25.z
    rsq r25.z, r25.z
    mul r25.xy, r25, r25.z
    // detail shortens it
    mul r26.y, r23.y, c25.x
    mad r26.y, r22.x, c20.w, r26.y
    add r26.y, r26.y, c25.z         // 0.3 energy + 0.7 its directed part: edges, not texture
    rsq r26.x, r26.y
    mul r26.x, r26.x, r26.y
    mad_sat r26.x, r26.x, c23.z, c23.w
    mad r26.x, r26.x, -c25.x, c21.x
    mul r25.xy, r25, r26.x
    mad r4.xy, r25, c25.y, c25.y
    lrp r4.z, c2.x, r1.z, r0.z
    mov r4.w, c3.x
    lrp r5, r3.y, r4, r0
    mov oC0, r5
