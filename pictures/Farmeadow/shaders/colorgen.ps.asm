// Lays a plan's colour as brush strokes that follow the picture. The form canvas gives, at each
// pixel, the flow of the colour image (along its edges; the plan's own direction where the image
// is flat) and how much detail it holds; strokes of three sizes are laid coarse to fine along
// that flow (see the stroke listings), so broad strokes fill the flat sky and fields and fine
// ones keep the shapes. Each stroke takes one colour, sampled from the plan's two colour images
// (blended by alpha) along its middle, with a small per-stroke change of value and warmth, and
// tinted a little by the plan colour fg_color. A stroke is laid where it and its centre lie in
// this plan's part of the form canvas (every stroke when "fon" is set); elsewhere the colour
// canvas stays. Strokes keep crisp edges; "surface_out" gives the same strokes their relief.
//
// Parameters:
//
//   float4 atr1;
//   float alpha;
//   float4 shift;
//   float fon;
//   float facture;
//   float surface;
//   float layer;
//   float3 fg_color;
//   float3 bg_color;
//   sampler2D texSampler0;
//   sampler2D texSampler1;
//   sampler2D texSampler2;
//   sampler2D texSampler3;
//   sampler2D texSampler4;
//   sampler2D texSampler5;
//   sampler2D texSampler6;
//
//
// Registers:
//
//   Name         Reg   Size
//   ------------ ----- ----
//   atr1         c0       1
//   alpha        c1       1
//   shift        c2       1
//   fon          c3       1
//   facture      c4       1
//   surface      c5       1
//   layer        c6       1
//   fg_color     c7       1
//   bg_color     c8       1
//   texSampler0  s0       1
//   texSampler1  s1       1
//   texSampler2  s2       1
//   texSampler3  s3       1
//   texSampler4  s4       1
//   texSampler5  s5       1
//   texSampler6  s6       1
//


    ps_3_0
    include "strokes.def.inc.asm"
    def c35, 0.3, 0.59, 0.11, 1.12            // luminance, saturation
    def c36, 0.06, 0.03, 0.3, 0.8             // value and warmth jitter, tint
    def c37, 0.4, 0.2, 0.06, 0.33             // tint weight, region width (centre, pixel); reach
    dcl_texcoord v0.xy
    dcl_2d s0
    dcl_2d s1
    dcl_2d s2
    dcl_2d s3
    dcl_2d s4
    dcl_2d s5
    dcl_2d s6
    dsx r0.x, v0.x
    dsy r0.y, v0.y
    abs r0.xy, r0
    rcp r0.z, r0.y
    mul r0.z, r0.z, r0.x            // height / width
    rcp r0.w, r0.z
    mov r1.x, v0.x
    mul r1.y, v0.y, r0.z            // the pixel in width units
    texld r5, v0, s2                // form canvas: flow and detail
    mov r2.w, c6.x
    include "stroke_frame.inc.asm"
    // strokes only where this plan lies (all of the canvas with "fon"): elsewhere the colour
    // canvas stays, so a plan's strokes end at its edge as its relief does
    add r11.x, r5.w, -c6.x
    add r11.x, r11_abs.x, -c37.z
    add r11.y, c33.x, -c3.x
    mul r11.x, r11.x, r11.y         // above 0: another plan's part
    mov r24, c33.yyyy
    mov r25, c33.yyyy
    mov r26.x, r2.z
    if_le r11.x, c33.y
        include "stroke_sizes.inc.asm"
    endif
    // the stroke's centre in texture units
    mov r27.x, r25.x
    mul r27.y, r25.y, r0.w
    // is the centre in this plan's part of the form canvas (and the pixel)?
    texld r28, r27, s2
    add r17.x, r28.w, -c6.x
    add r17.x, r17_abs.x, -c37.y
    max r17.x, r17.x, r11.x
    cmp r17.y, r17.x, c33.x, c33.y  // 1: outside
    add r17.z, c33.x, -c3.x
    mul r17.y, r17.y, r17.z
    // one colour: the colour images a third of a cell either way of the centre along the flow
    // there, the same for every pixel of the stroke
    mad r12.xy, r28, c33.w, -c33.x
    dp2add r12.z, r12, r12, c34.y
    rsq r12.z, r12.z
    mul r12.x, r12.x, r12.z         // cos of the doubled angle
    add r12.z, c33.x, r12.x
    mad r12.z, r12.z, c33.z, c34.y
    rsq r12.w, r12.z
    mul r14.x, r12.z, r12.w
    add r12.z, c33.x, -r12.x
    mad r12.z, r12.z, c33.z, c34.y
    rsq r12.w, r12.z
    mul r14.y, r12.z, r12.w
    cmp r14.y, r12.y, r14.y, -r14.y // the flow at the centre
    mul r14.z, r26.x, c37.w
    mul r14.xy, r14, r14.z
    mul r14.y, r14.y, r0.w          // in texture units
    add r15.xy, r27, r14
    texld r29, r15, s0
    texld r30, r15, s1
    lrp r13, c1.x, r30, r29
    add r15.xy, r27, -r14
    texld r29, r15, s0
    texld r30, r15, s1
    lrp r16, c1.x, r30, r29
    add r13, r13, r16
    mul r13, r13, c33.z
    // per-stroke value and warmth, a little more saturation, the plan's tint
    add r31.xy, r25.zwzw, -c33.z
    mad r31.x, r31.x, c36.x, c33.x
    mul r13.xyz, r13, r31.x
    mad r13.x, r31.y, c36.y, r13.x
    mad r13.z, r31.y, -c36.y, r13.z
    dp3 r31.z, r13, c35
    add r13.xyz, r13, -r31.z
    mad r13.xyz, r13, c35.w, r31.z
    mad r31.xyz, c7, c37.x, c36.w
    lrp r31.xyz, c36.z, r31, c33.x
    mul_sat r13.xyz, r13, r31
    mov r13.w, c33.x
    texld r30, v0, s3
    lrp r0, r17.y, r30, r13
    mov oC0, r0
