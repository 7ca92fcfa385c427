; 32-bit helpers and the interrupt mask. A pair Rh/Rl holds Rh * 65536 + Rl.

; R0:R1 := -R0:R1. Uses R2, R3.
Neg32:
        ZERO    R2
        ZERO    R3
        SUB     R2/3,R0/1
        MOV     R0/1,R2/3
        JMP     [STACK]

; R0:R1 := R0:R1 * 10. Uses R2, R3.
Times10:
        SLL     R1
        SLR     R0
        MOV     R2,R0
        MOV     R3,R1                       ; 2x
        SLL     R1
        SLR     R0
        SLL     R1
        SLR     R0                          ; 8x
        ADD     R0/1,R2/3
        JMP     [STACK]

; R0:R1 / R2 -> R1 = quotient, R0 = remainder. R0 must be below R2 on entry (the quotient
; fits one word). Uses R3.
Div32:
        MOV     R3,#(16)
Div32Loop:
        SLL     R1
        SLR     R0
        JC      Div32Subtract               ; a 17-bit remainder exceeds any divisor
        CMP     R0,R2                       ; flags of R2 - R0
        JC      Div32Subtract
        JZ      Div32Subtract
        JMP     Div32Next
Div32Subtract:
        BUS     R0,R2
        INC     R1
Div32Next:
        DEC     R3
        JNZ     Div32Loop
        JMP     [STACK]

; R0:R1 = value 0..999999, R2 = number of low digits always shown (1..6)
; -> R0 = digits 5, 4 and R1 = digits 3..0 in packed decimal; zeros in front of the first
;    significant digit and above the kept digits are 0xF (blank). Uses R2..R7.
ToDecimal:
        MOV     M[BASE0+BCD_KEEP],R2
        MOV     R2,#1
        MOV     M[BASE0+BCD_LEAD],R2
        MOV     R2,R0
        MOV     R3,R1                       ; the value left, R2:R3
        ZERO    R4
        ZERO    R5                          ; the digits, R4:R5
        MOV     R6,#(Powers10-1)
        MOV     R7,#(5)                     ; position of the digit being made
ToDecimalDigit:
        SLL     R5
        SLR     R4
        SLL     R5
        SLR     R4
        SLL     R5
        SLR     R4
        SLL     R5
        SLR     R4
        MOV     R0,M[R6++]
        MOV     R1,M[R6++]                  ; 10 ^ position
ToDecimalCount:
        CMP     R2/3,R0/1                   ; C when the value is below the power
        JC      ToDecimalMade
        SUB     R2/3,R0/1
        INC     R5
        JMP     ToDecimalCount
ToDecimalMade:
        MOV     R0,M[BASE0+BCD_LEAD]
        JZ      ToDecimalNext
        MOV     R0,R5
        AND     R0,#0x000F
        JNZ     ToDecimalSignificant
        MOV     R0,M[BASE0+BCD_KEEP]
        CMP     R0,R7                       ; C when the position is below the kept ones
        JC      ToDecimalNext
        OR      R5,#0x000F
        JMP     ToDecimalNext
ToDecimalSignificant:
        ZERO    R0
        MOV     M[BASE0+BCD_LEAD],R0
ToDecimalNext:
        DEC     R7
        JNZ     ToDecimalDigit
        SLL     R5
        SLR     R4
        SLL     R5
        SLR     R4
        SLL     R5
        SLR     R4
        SLL     R5
        SLR     R4
        OR      R5,R3                       ; units
        MOV     R0,R4
        MOV     R1,R5
        JMP     [STACK]

; Mask and unmask the timer interrupt. Only the flags change.
IntOff:
        MOV     [STACK],[F000]
        MOV     R0,#INT_MASK_BIT
        MOV     [F03B],R0
        MOV     [F000],[STACK]
        JMP     [STACK]
IntOn:
        MOV     [STACK],[F000]
        ZERO    R0
        MOV     [F03B],R0
        MOV     [F000],[STACK]
        JMP     [STACK]
