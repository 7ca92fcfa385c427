; Table of the interpreter in the table area: sin(i x 5.625 degrees) x 0x8000, i = 0..16,
; the points of a quarter circle cut into ARC_CHORDS chords.
        .org    0x7200
ArcSine:
        .word   0, 3212, 6393, 9512, 12540, 15447, 18205, 20788, 23170
        .word   25330, 27246, 28899, 30274, 31357, 32138, 32610, 32768
