// A plain warm canvas ground. Loaded with the other programs and kept ready; no pass draws
// with it.
//
// Parameters:
//
// Registers:
//

    ps_3_0
    def c0, 0.82, 0.76, 0.64, 1
    mov oC0, c0
