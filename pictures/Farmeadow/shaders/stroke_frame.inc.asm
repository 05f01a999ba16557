// The frame of the strokes at a pixel, from the form canvas sampled there (r5: doubled angle of
// the flow in xy, its length 1 - 0.7 detail) and the layer in r2.w.
// Out: r6.xy the flow (cos, sin) in width units, r7.xy across it, r2.x the detail (0..1),
// r2.y the layer's seed, r2.z the broadest cell size (width units). Uses r9, r10.
    mad r9.xy, r5, c33.w, -c33.x    // doubled angle vector
    dp2add r9.z, r9, r9, c34.y
    rsq r9.w, r9.z
    mul r9.xy, r9, r9.w             // unit
    mul r9.z, r9.z, r9.w            // its length
    add r9.z, c33.x, -r9.z
    mul_sat r2.x, r9.z, c27.y       // detail
    add r10.x, c33.x, r9.x          // half angle: cos = sqrt((1 + c) / 2), sin by sign
    add r10.y, c33.x, -r9.x
    mul r10.xy, r10, c33.z
    max r10.xy, r10, c34.y          // never below 0 (rounding)
    rsq r10.z, r10.x
    mul r6.x, r10.x, r10.z
    rsq r10.w, r10.y
    mul r6.y, r10.y, r10.w
    cmp r6.y, r9.y, r6.y, -r6.y
    mov r7.x, -r6.y
    mov r7.y, r6.x
    // layer in steps of 1/8, so an 8-bit layer and the exact one give the same strokes
    mad r9.x, r2.w, c28.z, c28.w
    frc r9.y, r9.x
    add r9.x, r9.x, -r9.y           // 0 .. 8
    mul r2.y, r9.x, c26.z           // seed
    mul r9.x, r9.x, c34.x
    mad r2.z, r9.x, c28.x, c28.y    // broadest cell
