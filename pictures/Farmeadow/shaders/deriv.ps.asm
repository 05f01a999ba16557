// Relief of a height: the height is the blue channel of the first image (a facture's grey, the
// form canvas's paint thickness); its slope along the diagonal, over a step of "s" texture
// units and scaled by "m", is written as an embossed value around 0.5 into alpha. The colour of
// the second image (the destination) is kept, so relief and colour can share one image.
//
// Parameters:
//
//   float s;
//   float m;
//   sampler2D texSampler0;
//   sampler2D texSampler1;
//
//
// Registers:
//
//   Name         Reg   Size
//   ------------ ----- ----
//   s            c0       1
//   m            c1       1
//   texSampler0  s0       1
//   texSampler1  s1       1
//

    ps_3_0
    def c20, 0.5, 0.7, 0, 0
    dcl_texcoord v0.xy
    dcl_2d s0
    dcl_2d s1
    add r0.xy, v0, c0.x             // ahead and behind along the diagonal
    add r1.xy, v0, -c0.x
    texld r2, r0, s0
    texld r3, r1, s0
    add r4.x, r2.z, -r3.z           // slope times strength
    mul r4.x, r4.x, c1.x
    mad_sat r4.w, r4.x, c20.y, c20.x
    texld r5, v0, s1
    mov r5.w, r4.w
    mov oC0, r5
