// The body the form generators share; each plan's listing defines its constants first:
// EDGE_NOISE and EDGE_SHARPNESS (how much the noise shapes the plan's upper edge, and how sharp
// it is), SWAY (how far the noise turns the strokes), THICKNESS (the paint's base thickness) and
// NOISE_SCALE (the stroke-shaped noise's frequency: a third of the facture at 44.8).
    def c20, 256, 0.00390625, 0.5, -0.5
    def c21, 0.72, -0.42, 0.01, 2
    def c22, 0.12, EDGE_NOISE, EDGE_SHARPNESS, 3.1415927
    def c23, 0.6, 2.5, SWAY, 6.2831853
    def c24, THICKNESS, 0.5, 0.25, 0.1
    def c25, 5, 2.8125, 0, 1
    def c26, NOISE_SCALE, 40, 0, 0
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
