// Sharpens the outline of a plan's coverage (alpha): an unsharp mask against the four
// neighbours two pixels away, then a contrast about one half, both growing with "s".
// Direction and thickness pass through.
//
// Parameters:
//
//   float s;
//   float layer;
//   float4 atr1;
//   sampler2D texSampler0;
//
//
// Registers:
//
//   Name         Reg   Size
//   ------------ ----- ----
//   s            c0       1
//   layer        c1       1
//   atr1         c2       1
//   texSampler0  s0       1
//

    ps_3_0
    def c20, 2, 0, 0.25, 0.5
    def c21, 4, 1, 3, 0
    dcl_texcoord v0.xy
    dcl_2d s0
    dsx r0.x, v0.x
    dsy r0.y, v0.y
    abs r0.xy, r0
    mul r0.xy, r0, c20.x
    texld r1, v0, s0
    add r2.xy, v0, r0.xwzw
    mov r2.y, v0.y
    texld r3, r2, s0
    add r2.x, v0.x, -r0.x
    texld r4, r2, s0
    add r2.xy, v0, r0.wyzw
    mov r2.x, v0.x
    texld r5, r2, s0
    add r2.y, v0.y, -r0.y
    texld r6, r2, s0
    add r7.x, r3.w, r4.w
    add r7.x, r7.x, r5.w
    add r7.x, r7.x, r6.w
    mul r7.x, r7.x, c20.z           // mean of the neighbours
    add r7.y, r1.w, -r7.x
    mul r7.z, c0.x, c21.z
    mad_sat r7.w, r7.y, r7.z, r1.w  // unsharp
    add r7.w, r7.w, -c20.w
    mad r7.z, c0.x, c21.x, c21.y
    mad_sat r1.w, r7.w, r7.z, c20.w // contrast
    mov oC0, r1
