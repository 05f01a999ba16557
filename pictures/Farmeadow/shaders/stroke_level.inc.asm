// One size of strokes at a pixel: the strokes whose centres are jittered in the 4 x 4 cells
// around it (cell size LEVEL.x times the broadest, r2.z), each an elongated dab along the flow
// (r6, r7), turned a little and sized by its own hash. Of the strokes that cover the pixel and
// whose detail threshold (LEVEL.y, spread by the stroke's hash) the pixel's detail r2.x passes,
// the one of highest priority wins; when none does, the nearest stroke in the dab's own metric
// (key LEVEL.z minus its distance), so the broadest size always covers the canvas.
// In: r1.xy the pixel in width units, r2 (detail, seed, broadest cell), r6, r7.
// Out: r3 = (key, along -1..1, across -1..1, priority): key 2 or more when a stroke covers the
// pixel; r4 = (centre in width units, two hashes); r8.x the cell size. Uses r9, r10, r12..r23.
    mul r8.x, r2.z, LEVEL.x
    rcp r8.y, r8.x
    mul r10.xy, r1, r8.y            // the pixel in cells
    add r9.xy, r10, c25.w
    frc r9.zw, r9.xyxy
    add r9.xy, r9, -r9.zwzw         // first of the 4 x 4 cells
    add r8.z, r2.y, LEVEL.x         // seed of the layer and size
    mov r3, c30.zzzz
    mov r3.x, c31.z                 // nothing yet
    mov r4, c33.yyyy
    mov r12, c33.yyyy
    rep i0
        mov r12.x, c33.y
        rep i0
            add r13.xy, r9, r12
            add r14.xy, r13, r8.z
            mul r14.xyz, r14.xyxw, c24
            frc r14.xyz, r14
            add r15.xyz, r14.yzxw, c24.w
            dp3 r15.x, r14, r15
            add r14.xyz, r14, r15.x
            add r15.xyz, r14.xxyw, r14.yzzw
            mul r15.xyz, r15, r14.zyxw
            frc r15.xyz, r15            // jitter x, y; priority
            mad r16.xy, r15, c25.x, c25.y
            add r16.xy, r16, r13        // centre in cells
            mov r16.zw, r15.xyxy
            add r17.xy, r10, -r16
            mad r17.z, r15.x, c27.z, c27.w
            mad r18.xy, r17.z, r7, r6   // the stroke's own direction, turned a little
            mad r19.xy, -r17.z, r6, r7
            dp2add r20.x, r17, r18, c33.y
            dp2add r20.y, r17, r19, c33.y
            mad r21.x, r15.z, c26.x, c26.z      // 1 / half-length
            mad r21.y, r15.y, c26.y, c26.w      // 1 / half-width
            mul r20.xy, r20, r21        // along and across, -1..1 inside
            mad r21.z, r15.x, c29.z, -c29.w     // narrower towards one end
            mad r21.z, r20.x, r21.z, c33.x
            mul r20.y, r20.y, r21.z
            mul r21.x, r20.x, r20.x
            mul r21.x, r21.x, r21.x
            mad r21.x, r20.y, r20.y, r21.x      // u^4 + v^2: a flat brush's dab
            add r21.y, c33.x, -r21.x
            mad r21.z, r15.y, c29.x, LEVEL.y
            add r21.z, r2.x, -r21.z
            min r21.y, r21.y, r21.z     // covers the pixel and its detail passes
            add r22.x, r15.z, c25.z
            add r22.y, LEVEL.z, -r21.x
            cmp r22.x, r21.y, r22.x, r22.y      // key
            mov r22.yz, r20.xxyw
            mov r22.w, r15.z
            add r23.x, r22.x, -r3.x
            cmp r3, r23.x, r22, r3
            cmp r4, r23.x, r16, r4
            add r12.x, r12.x, c33.x
        endrep
        add r12.y, r12.y, c33.x
    endrep
    mul r4.xy, r4, r8.x             // centre in width units
