// Coarse to fine: the broadest strokes cover the canvas; the strokes of half and a quarter of
// their size are laid over them where the form canvas's detail asks for them (per stroke, so
// the finer strokes thin out where the detail fades). Only pixels with enough detail search
// the finer sizes. Out: the winning stroke in r24 (as r3), r25 (as r4), its cell size in r26.x.
    // A finer stroke that wins at this pixel (r3.x past the threshold c25.z) replaces the one so far.
    #define TAKE_FINER add r27.x, r3.x, -c25.z \n cmp r24, r27.x, r3, r24 \n cmp r25, r27.x, r4, r25 \n cmp r26.x, r27.x, r8.x, r26.x
    #define LEVEL c30
    include "stroke_level.inc.asm"
    mov r24, r3
    mov r25, r4
    mov r26.x, r8.x
    if_gt r2.x, c31.w
        #define LEVEL c31
        include "stroke_level.inc.asm"
        TAKE_FINER
        if_gt r2.x, c32.w
            #define LEVEL c32
            include "stroke_level.inc.asm"
            TAKE_FINER
        endif
    endif
    #undef LEVEL
    #undef TAKE_FINER
