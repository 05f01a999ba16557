// The paint's relief, in the same strokes as the colour: the form canvas on top (flow, detail and
// layer) gives the strokes exactly as "colorgen" laid them (see the stroke listings). Each stroke
// is a body of paint, thickest in its middle, rounded across and thinning to its ends, with a
// low ridge where its edge pushed the paint; bristle grooves run along it, a few to a dozen by
// its size, wavering with the facture (blended between paintings by alpha) read in the stroke's
// own frame, stretched along it; the factures' marks are added by "bump1" x. Where no stroke
// reaches, the paint is scraped thin. The result moves from the previous surface by
// 1 - 0.3 "bump2" x, so old paint shows faintly through. Writes relief height (red), paint
// thickness (green) and the facture (blue).
//
// Parameters:
//
//   float4 atr1;
//   float alpha;
//   float3 bump1;
//   float2 bump2;
//   sampler2D texSampler0;
//   sampler2D texSampler1;
//   sampler2D texSampler2;
//   sampler2D texSampler3;
//   sampler2D texSampler4;
//   sampler2D texSampler5;
//   sampler2D texSampler6;
//   sampler2D texSampler7;
//
//
// Registers:
//
//   Name         Reg   Size
//   ------------ ----- ----
//   atr1         c0       1
//   alpha        c1       1
//   bump1        c2       1
//   bump2        c3       1
//   texSampler0  s0       1
//   texSampler1  s1       1
//   texSampler2  s2       1
//   texSampler3  s3       1
//   texSampler4  s4       1
//   texSampler5  s5       1
//   texSampler6  s6       1
//   texSampler7  s7       1
//


    ps_3_0
    include "strokes.def.inc.asm"
    def c35, 2.5, 0.3, 0.2, 0.3       // end taper, rounding across, ground, body
    def c36, 0.05, 0.02, 5, 0.85        // grooves, edge ridge, edge fall, ridge place
    def c37, 1, 150, 2, 0.3         // grooves across: 1 + 150 cell + 2 priority; facture
    def c38, 0.05, 0.12, 6.2831853, -3.1415927  // facture read along, across; 2 pi, -pi
    def c39, 0.3, 2, 0.4, 0.8           // previous surface (times bump2), groove waver, thickness
    def c40, 0.75, 0.25, 6, 0            // edge base and weight, ridge sharpness
    def c41, 1.7, 0.5, 1.6, -0.2        // finer grooves: how many more, depth; depth by facture
    def c42, 0.75, 0.25, 0, 0           // paint of a stroke size: 0.25 + 0.75 of the broadest's
    dcl_texcoord v0.xy
    dcl_2d s0
    dcl_2d s1
    dcl_2d s2
    dcl_2d s3
    dcl_2d s4
    dcl_2d s5
    dcl_2d s6
    dcl_2d s7
    dsx r0.x, v0.x
    dsy r0.y, v0.y
    abs r0.xy, r0
    rcp r0.z, r0.y
    mul r0.z, r0.z, r0.x            // height / width
    mov r1.x, v0.x
    mul r1.y, v0.y, r0.z            // the pixel in width units
    texld r5, v0, s0                // form canvas: flow, detail and the layer on top
    mov r2.w, r5.w
    include "stroke_frame.inc.asm"
    include "stroke_sizes.inc.asm"
    // the stroke's frame: u along, v across, d2 = u^4 + v^2 (1 at its edge)
    mul r27.x, r24.y, r24.y
    mul r27.x, r27.x, r27.x
    mad r27.x, r24.z, r24.z, r27.x
    // the facture in the stroke's frame, stretched along it
    mad r28.xy, r24.yzzw, c38.xy, r25.zwzw
    frc r28.xy, r28
    texld r29, r28, s4
    texld r30, r28, s5
    lrp r31.x, c1.x, r29.z, r30.z
    // bristle grooves along the stroke: N across it and a finer set 1.7 times as many, their
    // depth changing along the stroke with the facture
    mad r28.z, r26.x, c37.y, c37.x
    mad r28.z, r24.w, c37.z, r28.z
    mul r28.z, r28.z, r24.z
    mad r28.z, r31.x, c39.y, r28.z
    mul r28.z, r28.z, c33.z
    mad r28.w, r28.z, c41.x, r25.w
    frc r28.zw, r28
    mad r28.zw, r28, c38.z, c38.w
    sincos r29.y, r28.z
    sincos r12.y, r28.w
    mad r29.y, r12.y, c41.y, r29.y
    mad_sat r12.x, r31.x, c41.z, c41.w
    mul r29.y, r29.y, r12.x
    // body: thick in the middle, thinning to the ends, rounded across, its own thickness
    add r30.x, c33.x, -r24_abs.y
    mul_sat r30.x, r30.x, c35.x
    mul r30.y, r24.z, r24.z
    mad r30.y, r30.y, -c35.y, c33.x
    mul r30.z, r30.x, r30.y
    add r30.w, r25.z, -c33.z
    mad r30.w, r30.w, c39.z, c39.w
    mul r30.z, r30.z, r30.w
    rcp r12.z, r2.z
    mul r12.z, r26.x, r12.z
    mad r12.z, r12.z, c42.x, c42.y  // finer strokes, thinner paint
    mul r30.z, r30.z, r12.z
    // its edge: full inside, falling over the outer fifth, to scraped paint beyond
    add r31.y, c33.x, -r27.x
    mul_sat r31.y, r31.y, c36.z
    mad r31.z, r31.y, c40.y, c40.x
    mul r31.z, r31.z, r30.z         // thickness
    // height
    mad r10.x, r31.z, c35.w, c35.z
    mul r10.y, r29.y, r30.z
    mul r10.y, r10.y, r31.y
    mad r10.x, r10.y, c36.x, r10.x
    add r10.z, r27.x, -c36.w
    mul_sat r10.z, r10_abs.z, c40.z
    add r10.z, c33.x, -r10.z
    mad r10.x, r10.z, c36.y, r10.x
    add r10.w, r31.x, -c33.z
    mul r10.w, r10.w, c2.x
    mul r10.w, r10.w, r31.y
    mad r10.x, r10.w, c37.w, r10.x
    mov r10.y, r31.z
    mov r10.z, r31.x
    mov r10.w, c33.x
    texld r11, v0, s2
    mad r12.x, c3.x, -c39.x, c33.x
    lrp r13, r12.x, r10, r11
    mov oC0, r13
