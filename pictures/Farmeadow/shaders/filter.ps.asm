// One direction of a separable Gaussian blur: "_pass" 0 blurs across, 1 down. The blur reaches
// "alpha" steps of "delta" (texture coordinates) to either side, taken with nine taps whose
// spacing is capped at 3.75 pixels, so a wide radius costs no more than a narrow one. Only the
// channels set in "mask" take the blurred value; the others pass through.
//
// Parameters:
//
//   float _pass;
//   float alpha;
//   float delta;
//   float scale;
//   float4 mask;
//   sampler2D texSampler0;
//   sampler2D texSampler1;
//
//
// Registers:
//
//   Name         Reg   Size
//   ------------ ----- ----
//   _pass        c0       1
//   alpha        c1       1
//   delta        c2       1
//   scale        c3       1
//   mask         c4       1
//   texSampler0  s0       1
//   texSampler1  s1       1
//

    ps_3_0
    def c20, -4, 1, -0.18034, 0.25        // first tap, one, -log2(e)/8, 1/4
    def c21, 3.75, 0, 0, 0                 // widest tap spacing in pixels
    defi i0, 9, 0, 0, 0
    dcl_texcoord v0.xy
    dcl_2d s0
    dcl_2d s1
    dsx r0.x, v0.x                  // one pixel across and down, in texture units
    dsy r0.y, v0.y
    abs r0.xy, r0
    mul r1.x, c1.x, c2.x            // spacing: alpha * delta / 4 ...
    mul r1.x, r1.x, c20.w
    mul r1.y, r0.x, c21.x           // ... at most 3.75 pixels
    min r1.x, r1.x, r1.y
    rcp r1.z, r0.x                  // the same spacing in pixels down: times width / height
    mul r1.z, r1.z, r0.y
    mul r1.w, r1.x, r1.z
    add r2.x, c20.y, -c0.x          // step per tap: across for pass 0, down for pass 1
    mul r2.x, r2.x, r1.x
    mul r2.y, c0.x, r1.w
    mov r3, c21.y                   // weighted sum
    mov r4.x, c21.y                 // sum of weights
    mov r5.x, c20.x                 // tap index k = -4 .. 4
    rep i0
        mad r6.xy, r5.x, r2, v0
        texld r7, r6, s0
        mul r6.z, r5.x, r5.x        // weight exp(-k*k/8)
        mul r6.z, r6.z, c20.z
        exp r6.w, r6.z
        mad r3, r7, r6.w, r3
        add r4.x, r4.x, r6.w
        add r5.x, r5.x, c20.y
    endrep
    rcp r4.x, r4.x
    mul r3, r3, r4.x
    mul r3, r3, c3.x
    texld r7, v0, s0
    lrp r8, c4, r3, r7
    mov oC0, r8
