// Constants of the brush strokes that "colorgen" lays and "surface_out" gives relief; both
// programs include this and the stroke listings, so colour and relief lie in the same strokes.
//
// c24: hash multipliers and offset
// c25: centre jitter (0.1 .. 0.9 of a cell), 2 + priority for a stroke that covers the pixel,
//      4x4 cells from 1.5 before the pixel
// c26: 1 / half-length of a stroke (cells) 0.95 .. 0.65 by its hash, 1 / half-width 2.1 .. 2.9
// c27: 1 / 0.7 (detail from the form canvas: |direction| = 1 - 0.7 detail); turn of a stroke
//      off the flow, up to 0.25 radians either way
// c28: cell size of the broadest strokes: 0.024 - 0.004 layer (width units); layer steps of 1/8
// c29: detail spread of a level's threshold; width change along a stroke, up to 35 % either way
// c30..c32: per size (broadest, half, quarter): size, least detail of its strokes (plus up to
//      0.3 by a stroke's hash), key of a pixel outside every stroke, least detail searched
// c33: 1, 0, 1/2, 2; c34: 1/8, a tiny number, 1/3
// i0: the 4 x 4 cells searched
    def c24, 0.1031, 0.1030, 0.0973, 33.33
    def c25, 0.8, 0.1, 2, -1.5
    def c26, -0.3, 0.8, 0.95, 2.1
    def c27, 0, 1.4285714, 0.5, -0.25
    def c28, -0.004, 0.024, 8, 0.5
    def c29, 0.3, 0.5, 0.7, 0.35
    def c30, 1, -10, 0, -10
    def c31, 0.5, 0.3, -1e6, 0.3
    def c32, 0.25, 0.6, -1e6, 0.6
    def c33, 1, 0, 0.5, 2
    def c34, 0.125, 1e-6, 0.33333333, 0
    defi i0, 4, 0, 0, 0
