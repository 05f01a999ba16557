// Blends two images by alpha: 0 shows the first alone, 1 the second alone. The blend keeps the
// images' alpha, so the signature can be laid over the painting with alpha blending.
//
// Parameters:
//
//   float alpha;
//   float beta;
//   sampler2D texSampler0;
//   sampler2D texSampler1;
//
//
// Registers:
//
//   Name         Reg   Size
//   ------------ ----- ----
//   alpha        c0       1
//   beta         c1       1
//   texSampler0  s0       1
//   texSampler1  s1       1
//

    ps_3_0
    dcl_texcoord v0.xy
    dcl_2d s0
    dcl_2d s1
    texld r0, v0, s0
    texld r1, v0, s1
    lrp r2, c0.x, r1, r0
    mov oC0, r2
