// Wavy brush bands between two colours: the demo program of the sample picture.
//
// Parameters:
//
//   float4 fg_color;
//   float4 bg_color;
//   float bands;
//
//
// Registers:
//
//   Name         Reg   Size
//   ------------ ----- ----
//   fg_color     c0       1
//   bg_color     c1       1
//   bands        c2       1
//

    ps_3_0
    def c3, 6.2831853, -3.1415927, 0.5, 1
    def c4, 2.5, 0.012, 0, 0
    dcl_texcoord v0.xy
    mul r0.x, v0.y, c4.x            // wobble phase along the height
    frc r0.x, r0.x
    mad r0.x, r0.x, c3.x, c3.y      // into [-pi, pi]
    sincos r1.y, r0.x
    mad r0.y, r1.y, c4.y, v0.x      // u plus a small wobble
    mul r0.y, r0.y, c2.x            // number of bands across
    frc r0.y, r0.y
    mad r0.y, r0.y, c3.x, c3.y
    sincos r2.y, r0.y
    mad r2.y, r2.y, c3.z, c3.z      // band profile 0..1
    lrp r3, r2.y, c0, c1
    mov r3.w, c3.w
    mov oC0, r3
