ps_3_0
dcl_texcoord0_centroid v0
dcl_2d s0
defi i0, 2, 0, 1, 0
loop aL, i0
(!p0.x) add_sat r0, -r1_abs.x, v[aL + 1]
endloop
texld r0, v0, s0.wzyx
mov oC0, r0
