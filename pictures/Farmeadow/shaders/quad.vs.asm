// The full-screen quad of every pass: clip-space position and texture coordinate passed through.
//
// Parameters:
//
// Registers:
//
    vs_3_0
    dcl_position v0
    dcl_texcoord v1
    dcl_position o0
    dcl_texcoord o1
    mov o0, v0
    mov o1, v1
