; A program with known counts for the coverage and profile tests: a loop of 10 calling Parity
; (10 calls from one site, 1 from another), a jump in Parity taken 6 of 11 times, then a spin
; interrupted by the timer every 101 steps.

        .org    0x0000
Reset:
        JMP     [Start]
        .org    139
        .word   Tick                        ; timer request

        .org    0x0100
Start:
        MOV     R0,#0x4500
        MOV     [F012],R0                   ; stack pointer
        MOV     R0,#0x7100
        MOV     [F011],R0                   ; BASE1: BASE1 + 0x8000 + dd = 0xF100 + dd
        MOV     R1,#(10)
Loop:
        CALL    [Parity]
        DEC     R1
        JNZ     Loop
        CALL    [Parity]
        MOV     R1,#1
        MOV     M[BASE1+0x01],R1            ; periodic
        ZERO    R1
        MOV     M[BASE1+0x00],R1            ; reload 0: every 101 steps
        ZERO    R0
        MOV     [F03B],R0                   ; interrupts on
Spin:
        JMP     [Spin]

Parity:
        MOV     R2,R1
        AND     R2,#1
        JZ      Even
        INC     R3
Even:
        JMP     [STACK]

Tick:
        JMP     [STACK]

Table:
        .word   1, 2, 3
