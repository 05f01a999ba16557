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
    def c2, 0.001953125, 0.998046875, 0, 0  // weights that show one image alone to 8 bits
    dcl_texcoord v0.xy
    dcl_2d s0
    dcl_2d s1
    // Held paintings show one image: read only that one (a frame's whole cost is its reads).
    if_lt c0.x, c2.x
        texld r2, v0, s0
    else
        if_gt c0.x, c2.y
            texld r2, v0, s1
        else
            texld r0, v0, s0
            texld r1, v0, s1
            lrp r2, c0.x, r1, r0
        endif
    endif
    mov oC0, r2
