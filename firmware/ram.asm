; The RAM image (0x4000..0x4FFF): what the battery-backed RAM holds when the controller is
; switched on. Words not placed here are 0.

; Jump slots of the request vectors 136..139 and of call-table entry 160.
        .org    0x4000
        JMP     [Spurious]                  ; request line 5
        JMP     [Spurious]                  ; request line 6
        JMP     [Spurious]                  ; request line 7
        JMP     [TimerIsr]                  ; timer
        JMP     [Spurious]                  ; spare

; Persistent variables (the volatile ones are set by every boot).
        .org    RAM_ORIGIN + RAM_SIGNATURE
        .word   SIGNATURE_OK
        .org    RAM_ORIGIN + REPORT_EVERY
        .word   DEF_REPORT_EVERY
        .word   DEF_JOG_STEP, DEF_JOG_STEP_FAST
        .word   DEF_JOG_RATE, DEF_JOG_RATE_FAST
        .word   DEF_RAPID_RATE
        .org    RAM_ORIGIN + REF_X_H
        .word   DEF_REF_X >> 16, DEF_REF_X & 0xFFFF
        .word   DEF_REF_Z >> 16, DEF_REF_Z & 0xFFFF
        .org    RAM_ORIGIN + LIMITS
        .word   DEF_LIM_X_MIN >> 16 & 0xFFFF, DEF_LIM_X_MIN & 0xFFFF
        .word   DEF_LIM_X_MAX >> 16, DEF_LIM_X_MAX & 0xFFFF
        .word   DEF_LIM_Z_MIN >> 16 & 0xFFFF, DEF_LIM_Z_MIN & 0xFFFF
        .word   DEF_LIM_Z_MAX >> 16, DEF_LIM_Z_MAX & 0xFFFF
        .word   1                           ; REFERENCED: the tool stands at the reference point
        .org    RAM_ORIGIN + PROG_TABLE
        .word   RAM_ORIGIN + PROG_AREA + 4  ; 0x45A7, the block table

; Watched cells: block index, speed and feed start at 0; the tool stands at the reference point.
        .org    RAM_ORIGIN + CELL_X
        .word   DEF_REF_X >> 16, DEF_REF_X & 0xFFFF
        .word   DEF_REF_Z >> 16, DEF_REF_Z & 0xFFFF

; One-bit masks, bit 15 first, and their complements.
        .org    RAM_ORIGIN + MASKS
        .word   0x8000, 0x4000, 0x2000, 0x1000, 0x0800, 0x0400, 0x0200, 0x0100
        .word   0x0080, 0x0040, 0x0020, 0x0010, 0x0008, 0x0004, 0x0002, 0x0001
        .word   0x7FFF, 0xBFFF, 0xDFFF, 0xEFFF, 0xF7FF, 0xFBFF, 0xFDFF, 0xFEFF
        .word   0xFF7F, 0xFFBF, 0xFFDF, 0xFFEF, 0xFFF7, 0xFFFB, 0xFFFD, 0xFFFE
