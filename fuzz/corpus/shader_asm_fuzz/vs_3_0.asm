vs_3_0  // version
; comment
dcl_position v0
dcl_texcoord0 v1
dcl_position o0
dcl_texcoord1 o1.xy
dcl_2d s0
def c0, 1.0f, 0, -0.5, 1024
defi i0, 4, 0, 1, 0
defb b0, true
mova a0.x, v1.x
add_sat r0, -v0_abs.xyz, c[a0.x + 12]
setp_gt p0, r0.x, c0.y
(!p0.x) mov r0.y, c0.w
loop aL, i0
  add r1, r1, c[aL + 3]
endloop
if b0
  call l1
else
  callnz l1, !b0
endif
rep i0
if_lt r0.x, c0.x
 break_ge r0.y, c0.z
endif
breakp p0.y

endrep
texldl r2, v1, s0
sincos r3.xy, r0.x
mov o0, v0
mov o1.xy, r2
ret
label l1
mov r5.rgba, c0.xyzw
ret
