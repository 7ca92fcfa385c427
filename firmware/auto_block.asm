; Reading a block of the block table (entry i at PROG_TABLE + 2i: first word hi, second lo).

; Reads the block at AU_BLOCK into the BK_ variables: its end point (absolute, the 45-degree
; line completed), its functions, its dwell and its motion; S and F take effect here.
; AU_NEXT becomes the index of the entry after the block.
; -> C set and R0 = error code when the block cannot be run.
ReadBlock:
        ZERO    R0
        MOV     M[BASE0+BK_HAS],R0
        MOV     M[BASE0+BK_XCH],R0
        MOV     M[BASE0+BK_ZCH],R0
        MOV     M[BASE0+BK_DWELL],R0
        MOV     M[BASE0+BK_W],R0
        MOV     R0,#NO_FUNCTION
        MOV     M[BASE0+BK_M],R0
        MOV     M[BASE0+BK_T],R0
        MOV     R0,M[BASE0+AU_G]
        MOV     M[BASE0+BK_G],R0
        MOV     R0,M[BASE0+AU_PX_H]         ; an axis not named stays where it is
        MOV     M[BASE0+BK_X_H],R0
        MOV     R0,M[BASE0+AU_PX_L]
        MOV     M[BASE0+BK_X_L],R0
        MOV     R0,M[BASE0+AU_PZ_H]
        MOV     M[BASE0+BK_Z_H],R0
        MOV     R0,M[BASE0+AU_PZ_L]
        MOV     M[BASE0+BK_Z_L],R0

        MOV     R1,M[BASE0+AU_BLOCK]
        MOV     R2,M[BASEX+USED_ENTRIES]
        BUS     R2,R1                       ; entries from the block to the program's end
        JC      ReadBad
        MOV     M[BASE0+AU_LEFT],R2
        SLL     R1
        MOV     R0,M[BASE0+PROG_TABLE]
        ADD     R1,R0
        DEC     R1
        MOV     M[BASE0+AU_PTR],R1
ReadEntry:
        MOV     R1,M[BASE0+AU_LEFT]
        JZ      ReadBad                     ; the program ends inside the block
        DEC     R1
        MOV     M[BASE0+AU_LEFT],R1
        MOV     R7,M[BASE0+AU_PTR]
        MOV     R4,M[R7++]
        MOV     R5,M[R7++]
        MOV     M[BASE0+AU_PTR],R7
        MOV     M[BASE0+AU_HI],R4
        MOV     R6,R4
        AND     R6,#ENTRY_TYPE
        CMP     R6,#(TYPE_X << 8)
        JZ      [EntryX]
        CMP     R6,#(TYPE_Z << 8)
        JZ      [EntryZ]
        CMP     R6,#(TYPE_G << 8)
        JZ      [EntryG]
        CMP     R6,#(TYPE_M << 8)
        JZ      [EntryM]
        CMP     R6,#(TYPE_S << 8)
        JZ      [EntryS]
        CMP     R6,#(TYPE_T << 8)
        JZ      [EntryT]
        CMP     R6,#(TYPE_P << 8)
        JZ      [EntryP]
        CMP     R6,#(TYPE_F << 8)
        JZ      [EntryF]
ReadBad:
        MOV     R0,#ERR_BLOCK
        CMP     R0,#0                       ; C: 0 is below the code
        JMP     [STACK]
EntryDone:
        MOV     R4,M[BASE0+AU_HI]
        JNS     ReadEntry
        MOV     R1,M[BASE0+AU_PTR]          ; the entry after the block
        MOV     R0,M[BASE0+PROG_TABLE]
        BUS     R1,R0
        INC     R1
        SRL     R1
        MOV     M[BASE0+AU_NEXT],R1
        CALL    [Complete45]
        JC      ReadBad
        MOV     R0,M[BASE0+BK_W]            ; a "w" point without P dwells the default time
        JZ      ReadDone
        MOV     R0,M[BASE0+BK_DWELL]
        JNZ     ReadDone
        MOV     R0,#DWELL_DEFAULT
        MOV     M[BASE0+BK_DWELL],R0
ReadDone:
        TEST    R0                          ; C clear
        JMP     [STACK]

; X and Z: R4 = hi, R5 = lo of the entry.
EntryX:
        MOV     R6,#BK_X_H
        MOV     R7,#AU_PX_H
        MOV     R3,#1
        MOV     R2,#BK_XCH
        JMP     EntryAxis
EntryZ:
        MOV     R6,#BK_Z_H
        MOV     R7,#AU_PZ_H
        MOV     R3,#2
        MOV     R2,#BK_ZCH
; R6 = the end point, R7 = the programmed position, R2 = the 45-degree flag (offsets),
; R3 = the axis bit of BK_HAS.
EntryAxis:
        MOV     R0,M[BASE0+BK_HAS]
        OR      R0,R3
        MOV     M[BASE0+BK_HAS],R0
        MOV     R0,R4
        AND     R0,#ENTRY_FLAGS
        CMP     R0,#ENTRY_FLAGS
        JNZ     EntryAxisFlag
        MOV     R0,#1                       ; "w": a dwell point
        MOV     M[BASE0+BK_W],R0
        ZERO    R0
EntryAxisFlag:
        MOV     M[BASEX+R2],R0
        CALL    [EntryNumber]
        SLL     R1                          ; display units to steps
        SLR     R0
        MOV     R3,R4
        AND     R3,#ENTRY_L
        JZ      EntryAxisSet
        MOV     R2,M[BASEX+R7]              ; L: a way from the programmed position
        MOV     R3,M[BASEX+R7+0001]
        ADD     R0/1,R2/3
EntryAxisSet:
        MOV     M[BASEX+R6],R0
        MOV     M[BASEX+R6+0001],R1
        JMP     EntryDone

; G0 rapid, G1 line, G2 and G3 quarter circles; it holds until another G.
EntryG:
        CALL    [BcdValue]
        JC      ReadBad
        TEST    R0
        JNZ     ReadBad
        CMP     R1,#3                       ; C above 3
        JC      ReadBad
        MOV     M[BASE0+BK_G],R1
        MOV     M[BASE0+AU_G],R1
        JMP     EntryDone

; M and T: 0..99, one of each per block; kept as the packed-decimal byte sent out.
EntryM:
        CALL    [BcdValue]
        JC      ReadBad
        MOV     R6,#BK_M
        JMP     EntryFunction
EntryT:
        CALL    [BcdValue]
        JC      ReadBad
        MOV     R6,#BK_T
EntryFunction:
        TEST    R0
        JNZ     ReadBad
        CMP     R1,#(99)
        JC      ReadBad
        MOV     R0,M[BASEX+R6]
        CMP     R0,#NO_FUNCTION
        JNZ     ReadBad                     ; a second one in the block
        MOV     R7,M[BASE0+AU_PTR]
        MOV     R0,M[R7]                    ; below 100: the second word is the byte
        MOV     M[BASEX+R6],R0
        JMP     EntryDone

; S: spindle speed 0..32767, written to the speed cell at once.
EntryS:
        CALL    [BcdValue]
        JC      ReadBad
        TEST    R0
        JNZ     ReadBad
        TEST    R1
        JS      ReadBad
        MOV     M[BASEX+CELL_SPEED],R1
        CALL    [SetDirty]
        JMP     EntryDone

; P: dwell after the block's motion, in timer interrupts (0..65535).
EntryP:
        CALL    [EntryNumber]
        TEST    R0
        JNZ     ReadBad
        MOV     M[BASE0+BK_DWELL],R1
        JMP     EntryDone

; F: feed 1..FEED_MAX, written to the feed cell at once; the rate of the longer axis of later
; G1..G3 motion.
EntryF:
        CALL    [EntryNumber]
        TEST    R0
        JNZ     [ReadBad]
        TEST    R1
        JZ      [ReadBad]
        CMP     R1,#FEED_MAX
        JC      [ReadBad]
        MOV     M[BASEX+CELL_FEED],R1
        MOV     M[BASE0+AU_RATE],R1
        CALL    [SetDirty]
        JMP     [EntryDone]

; R4 = hi, R5 = lo -> R0:R1 = the entry's signed 24-bit number.
EntryNumber:
        MOV     R0,R4
        AND     R0,#0x00FF
        MOV     R1,R5
        CMP     R0,#0x007F                  ; C when the sign bit 7 is set
        JNC     EntryNumberDone
        OR      R0,#0xFF00
EntryNumberDone:
        JMP     [STACK]

; R4 = hi, R5 = lo -> R0:R1 = the six packed-decimal digits as a number; C set when a digit
; is above 9. Uses R2..R7.
BcdValue:
        AND     R4,#0x00FF
        MOV     R6,#(8)
BcdValueAlign:                              ; the 24 bits to the top of R4:R5
        SLL     R5
        SLR     R4
        DEC     R6
        JNZ     BcdValueAlign
        ZERO    R0
        ZERO    R1
        MOV     R6,#(6)
BcdValueDigit:
        ZERO    R7
        SLL     R5
        SLR     R4
        SLR     R7
        SLL     R5
        SLR     R4
        SLR     R7
        SLL     R5
        SLR     R4
        SLR     R7
        SLL     R5
        SLR     R4
        SLR     R7
        CMP     R7,#(9)                     ; C above 9
        JC      BcdValueBad
        CALL    [Times10]
        ADD     R1,R7
        ADDC    R0
        DEC     R6
        JNZ     BcdValueDigit
        TEST    R0                          ; C clear
BcdValueBad:
        JMP     [STACK]

; The 45-degree line: an X entry with "+\" or "-/" moves Z by half its way (X is a
; diameter), a Z entry with the flag moves X by twice its way; "+\" towards plus, "-/"
; towards minus. -> C set when the block also names the other axis.
Complete45:
        MOV     R4,M[BASE0+BK_XCH]
        JZ      Complete45Z
        MOV     R0,M[BASE0+BK_HAS]
        AND     R0,#2
        JNZ     Complete45Bad
        MOV     R2,M[BASE0+BK_X_H]
        MOV     R3,M[BASE0+BK_X_L]
        MOV     R0,M[BASE0+AU_PX_H]
        MOV     R1,M[BASE0+AU_PX_L]
        SUB     R2/3,R0/1
        MOV     R0/1,R2/3
        CALL    [Abs32]
        SRL     R0
        SRR     R1
        MOV     R6,#BK_Z_H
        MOV     R7,#AU_PZ_H
        JMP     Complete45Apply
Complete45Z:
        MOV     R4,M[BASE0+BK_ZCH]
        JZ      Complete45None
        MOV     R0,M[BASE0+BK_HAS]
        AND     R0,#1
        JNZ     Complete45Bad
        MOV     R2,M[BASE0+BK_Z_H]
        MOV     R3,M[BASE0+BK_Z_L]
        MOV     R0,M[BASE0+AU_PZ_H]
        MOV     R1,M[BASE0+AU_PZ_L]
        SUB     R2/3,R0/1
        MOV     R0/1,R2/3
        CALL    [Abs32]
        SLL     R1
        SLR     R0
        MOV     R6,#BK_X_H
        MOV     R7,#AU_PX_H
; R0:R1 = the other axis's way, R4 = the flag, R6 = its end point, R7 = its programmed
; position.
Complete45Apply:
        CMP     R4,#ENTRY_MINUS45
        JNZ     Complete45Plus
        CALL    [Neg32]
Complete45Plus:
        MOV     R2,M[BASEX+R7]
        MOV     R3,M[BASEX+R7+0001]
        ADD     R0/1,R2/3
        MOV     M[BASEX+R6],R0
        MOV     M[BASEX+R6+0001],R1
        MOV     R0,#3
        MOV     M[BASE0+BK_HAS],R0
Complete45None:
        TEST    R0                          ; C clear
        JMP     [STACK]
Complete45Bad:
        CMP     R0,#0                       ; C: 0 is below R0
        JMP     [STACK]

; R0:R1 := |R0:R1|. Uses R2, R3.
Abs32:
        TEST    R0
        JNS     Abs32Done
        JMP     [Neg32]
Abs32Done:
        JMP     [STACK]
