; The motion core. Each axis has a record (AXIS_X on channel 0, AXIS_Z on channel 1) with its
; 32-bit position, its target and the rate limit of the move. The main loop (or the
; interpreter) sets targets; the timer interrupt moves the axes and reports their positions.
;
; Braking: the channels step at floor(10000 / rate) + 1 steps per step, an interrupt comes
; every 1010 steps. With r steps left the rate is 4 * (r - 24) at most, so the steps of one
; interval stay well below r; within 24 steps of the target the axis creeps at rate 8, which
; makes at most one step per interval, and the channel is stopped on the interval that finds
; r = 0. So a move ends exactly on its target.

; R6 = axis record, R0:R1 = target, R2 = rate (1..2047; 0 counts as 1, more as 2047).
; The caller masks the interrupt.
MoveAxis:
        MOV     M[BASEX+R6+AX_TGT_H],R0
        MOV     M[BASEX+R6+AX_TGT_L],R1
        TEST    R2
        JNZ     MoveAxisRate
        INC     R2
MoveAxisRate:
        CMP     R2,#RATE_MAX                ; C when the rate exceeds the largest
        JNC     MoveAxisRateFits
        MOV     R2,#RATE_MAX
MoveAxisRateFits:
        MOV     M[BASEX+R6+AX_VMAX],R2
        MOV     R2,#1
        MOV     M[BASEX+R6+AX_BUSY],R2
        JMP     [STACK]

; Both axes to MV_X, MV_Z in a straight line; the longer way at MV_RATE, the other at the
; proportional rate, so that both arrive together.
MoveTo:
        CALL    [ReadPositions]
        MOV     R4,M[BASE0+MV_X_H]
        MOV     R5,M[BASE0+MV_X_L]
        SUB     R4/5,R0/1                   ; way of X
        MOV     R0/1,R2/3
        MOV     R6,M[BASE0+MV_Z_H]
        MOV     R7,M[BASE0+MV_Z_L]
        SUB     R6/7,R0/1                   ; way of Z
        MOV     R0/1,R4/5
        TEST    R0
        JNS     MoveToXAbs
        CALL    [Neg32]
MoveToXAbs:
        MOV     R4,R0
        MOV     R5,R1
        MOV     R0/1,R6/7
        TEST    R0
        JNS     MoveToZAbs
        CALL    [Neg32]
MoveToZAbs:
        MOV     R6,R0
        MOV     R7,R1
MoveToScale:                                ; both ways into 15 bits, keeping their ratio
        MOV     R0,R4
        OR      R0,R6
        JNZ     MoveToHalve
        MOV     R0,R5
        OR      R0,R7
        JNS     MoveToScaled
MoveToHalve:
        SRL     R4
        SRR     R5
        SRL     R6
        SRR     R7
        JMP     MoveToScale
MoveToScaled:
        MOV     R2,M[BASE0+MV_RATE]
        MOV     M[BASE0+TEMP0],R2           ; rate of X
        MOV     M[BASE0+TEMP1],R2           ; rate of Z
        CMP     R5,R7                       ; C when Z's way is the shorter
        JC      MoveToXLonger
        TEST    R7
        JZ      MoveToStart                 ; neither axis has a way to go
        MOV     R0,R2
        MUL     R0,R5 -> R0,R1
        MOV     R2,R7
        CALL    [Div32]
        MOV     M[BASE0+TEMP0],R1
        JMP     MoveToStart
MoveToXLonger:
        MOV     R0,R2
        MUL     R0,R7 -> R0,R1
        MOV     R2,R5
        CALL    [Div32]
        MOV     M[BASE0+TEMP1],R1
MoveToStart:
        CALL    [IntOff]
        MOV     R6,#AXIS_X
        MOV     R0,M[BASE0+MV_X_H]
        MOV     R1,M[BASE0+MV_X_L]
        MOV     R2,M[BASE0+TEMP0]
        CALL    [MoveAxis]
        MOV     R6,#AXIS_Z
        MOV     R0,M[BASE0+MV_Z_H]
        MOV     R1,M[BASE0+MV_Z_L]
        MOV     R2,M[BASE0+TEMP1]
        CALL    [MoveAxis]
        JMP     [IntOn]

; -> R0 = 0 and Z set when both axes stand at their targets.
MotionIdle:
        MOV     R0,M[BASE0+(AXIS_X+AX_BUSY)]
        OR      R0,M[BASE0+(AXIS_Z+AX_BUSY)]
        JMP     [STACK]

; Both axes stop where they are.
MotionAbort:
        CALL    [IntOff]
        MOV     R6,#AXIS_X
        CALL    [StopAxis]
        MOV     R6,#AXIS_Z
        CALL    [StopAxis]
        JMP     [IntOn]

; -> R0:R1 = X, R2:R3 = Z, read together.
ReadPositions:
        CALL    [IntOff]
        MOV     R0,M[BASE0+(AXIS_X+AX_POS_H)]
        MOV     R1,M[BASE0+(AXIS_X+AX_POS_L)]
        MOV     R2,M[BASE0+(AXIS_Z+AX_POS_H)]
        MOV     R3,M[BASE0+(AXIS_Z+AX_POS_L)]
        JMP     [IntOn]

; R6 = axis record: its channel stops and its target becomes its position. Interrupt masked
; (or called by the interrupt routine).
StopAxis:
        ZERO    R0
        MOV     M[BASEX+R6+AX_BUSY],R0
        MOV     M[BASEX+R6+AX_RATE],R0
        MOV     R1,M[BASEX+R6+AX_RATEREG]
        MOV     M[BASEX+R1],R0
        MOV     R0,M[BASEX+R6+AX_POS_H]
        MOV     M[BASEX+R6+AX_TGT_H],R0
        MOV     R0,M[BASEX+R6+AX_POS_L]
        MOV     M[BASEX+R6+AX_TGT_L],R0
        JMP     [STACK]

; Boot: the records get their channel, the position from the cells, and stand still.
InitAxes:
        MOV     R6,#AXIS_X
        MOV     R0,#COUNTER_X_ADDR
        MOV     R1,#(PERIPH_OFS+IO_RATE_X)
        MOV     R2,#CELL_X
        MOV     R3,#OUT_X_MOVING
        CALL    [InitAxis]
        MOV     R6,#AXIS_Z
        MOV     R0,#COUNTER_Z_ADDR
        MOV     R1,#(PERIPH_OFS+IO_RATE_Z)
        MOV     R2,#CELL_Z
        MOV     R3,#OUT_Z_MOVING
InitAxis:
        MOV     M[BASEX+R6+AX_COUNTER],R0
        MOV     M[BASEX+R6+AX_RATEREG],R1
        MOV     M[BASEX+R6+AX_CELL],R2
        MOV     M[BASEX+R6+AX_MOVEBIT],R3
        MOV     R1,M[R0]                    ; whatever the counter still holds is dropped
        MOV     R0,M[BASEX+R2]
        MOV     R1,M[BASEX+R2+0001]
        MOV     M[BASEX+R6+AX_POS_H],R0
        MOV     M[BASEX+R6+AX_POS_L],R1
        MOV     M[BASEX+R6+AX_TGT_H],R0
        MOV     M[BASEX+R6+AX_TGT_L],R1
        ZERO    R0
        MOV     M[BASEX+R6+AX_BUSY],R0
        MOV     M[BASEX+R6+AX_RATE],R0
        MOV     M[BASEX+R6+AX_VMAX],R0
        JMP     [STACK]

; Both positions to their cells, X first.
ReportBoth:
        MOV     R6,#AXIS_X
        CALL    [WriteCell]
        MOV     R6,#AXIS_Z
        JMP     [WriteCell]

; R6 = axis record: its position to its cell if it changed since the last report.
ReportAxis:
        MOV     R0,M[BASEX+R6+AX_POS_H]
        MOV     R1,M[BASEX+R6+AX_POS_L]
        MOV     R2,M[BASEX+R6+AX_REP_H]
        MOV     R3,M[BASEX+R6+AX_REP_L]
        CMP     R0/1,R2/3
        JNZ     WriteCell
        JMP     [STACK]

; R6 = axis record: its position to its cell, high word first (the low word notifies the
; panel), and remembered as reported.
WriteCell:
        MOV     R0,M[BASEX+R6+AX_POS_H]
        MOV     R1,M[BASEX+R6+AX_POS_L]
        MOV     M[BASEX+R6+AX_REP_H],R0
        MOV     M[BASEX+R6+AX_REP_L],R1
        MOV     R2,M[BASEX+R6+AX_CELL]
        MOV     M[BASEX+R2],R0
        MOV     M[BASEX+R2+0001],R1
        MOV     R0,#1
        MOV     M[BASE0+DIRTY],R0
        JMP     [STACK]

; Interrupt routine, R6 = axis record, R9 = 1 while the axes may move.
; The counter is read first and the rate written last, about 40 steps later.
ServiceAxis:
        MOV     R2,M[BASEX+R6+AX_COUNTER]
        MOV     R1,M[R2]                    ; steps since the last look, read and clear
        SIGN    R0,R1
        MOV     R2,M[BASEX+R6+AX_POS_H]
        MOV     R3,M[BASEX+R6+AX_POS_L]
        ADD     R0/1,R2/3
        MOV     M[BASEX+R6+AX_POS_H],R0
        MOV     M[BASEX+R6+AX_POS_L],R1
        MOV     R4,M[BASEX+R6+AX_BUSY]
        JZ      ServiceStill
        TEST    R9
        JZ      [StopAxis]
        MOV     R2,M[BASEX+R6+AX_TGT_H]
        MOV     R3,M[BASEX+R6+AX_TGT_L]
        SUB     R2/3,R0/1                   ; the way left
        JZ      ServiceArrived
        ZERO    R5                          ; 1 for a way towards minus
        TEST    R2
        JNS     ServiceAbs
        INC     R5
        MOV     R0/1,R2/3
        CALL    [Neg32]
        MOV     R2,R0
        MOV     R3,R1
ServiceAbs:
        TEST    R2
        JZ      ServiceNear
        MOV     R3,#0xFFFF                  ; far away: any large way does
ServiceNear:
        MOV     R4,#CREEP_RATE
        CMP     R3,#CREEP_ZONE              ; C when the way exceeds the creep zone
        JNC     ServiceLimit
        BUS     R3,#CREEP_ZONE
        MOV     R4,#RATE_MAX
        CMP     R3,#DECEL_LIMIT             ; C when far beyond the braking distance
        JC      ServiceLimit
        MOV     R4,R3
        SLL     R4
        SLL     R4
        CMP     R4,#CREEP_RATE              ; C when above the creep rate
        JC      ServiceLimit
        MOV     R4,#CREEP_RATE
ServiceLimit:
        MOV     R3,M[BASEX+R6+AX_VMAX]
        CMP     R4,R3                       ; C when the move's rate is lower
        JNC     ServiceSign
        MOV     R4,R3
ServiceSign:
        TEST    R5
        JZ      ServiceTurn
        CPL     R4
ServiceTurn:
        MOV     R3,M[BASEX+R6+AX_RATE]      ; a reversal stands still for one interval, so
        JZ      ServiceWrite                ; that the counter never turns while it holds steps
        XOR     R3,R4
        JNS     ServiceWrite
        ZERO    R4
ServiceWrite:
        MOV     R3,M[BASEX+R6+AX_RATE]
        CMP     R3,R4
        JZ      ServiceDone
        MOV     M[BASEX+R6+AX_RATE],R4
        MOV     R3,M[BASEX+R6+AX_RATEREG]
        MOV     M[BASEX+R3],R4
ServiceDone:
        JMP     [STACK]
ServiceArrived:
        ZERO    R4
        MOV     M[BASEX+R6+AX_BUSY],R4
        INC     R4
        MOV     M[BASE0+REPORT_NOW],R4
ServiceStill:
        ZERO    R4
        JMP     ServiceWrite
