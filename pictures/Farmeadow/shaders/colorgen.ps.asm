// Lays a plan's colour as brush strokes that follow the picture. The form canvas gives, at each
// pixel, the flow of the colour image (along its edges; the plan's own direction where the image
// is flat) and how much detail it holds; strokes of three sizes are laid coarse to fine along
// that flow (see the stroke listings), so broad strokes fill the flat sky and fields and fine
// ones keep the shapes. Each stroke takes one colour, sampled from the plan's two colour images
// (blended by alpha) at its centre, with a small per-stroke change of value and warmth, and
// tinted a little by the plan colour fg_color. A stroke is laid where its centre lies in this
// plan's part of the form canvas (every stroke when "fon" is set); elsewhere the colour canvas
// stays. Strokes keep crisp edges; "surface_out" gives the same strokes their relief.
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
    def c36, 0.1, 0.04, 0.3, 0.8              // value and warmth jitter, tint
    def c37, 0.4, 0.2, 0, 0                   // tint weight, region width
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
    include "stroke_sizes.inc.asm"
    // the stroke's centre in texture units
    mov r27.x, r25.x
    mul r27.y, r25.y, r0.w
    // is the centre in this plan's part of the form canvas?
    texld r28, r27, s2
    add r28.x, r28.w, -c6.x
    add r28.x, r28_abs.x, -c37.y
    cmp r28.y, r28.x, c33.x, c33.y  // 1: outside
    add r28.z, c33.x, -c3.x
    mul r28.y, r28.y, r28.z
    // one colour: the colour images at the centre
    texld r29, r27, s0
    texld r30, r27, s1
    lrp r13, c1.x, r30, r29
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
    lrp r0, r28.y, r30, r13
    mov oC0, r0
