; The timer interrupt, every 1010 steps (vector 139 -> RAM 0x4006 -> TimerIsr). Request entry
; saves only the PC and does not mask further requests, so the routine saves the flags and
; every register it touches and restores them before returning.

TimerIsr:
        MOV     [STACK],[F020]
        MOV     [STACK],[F000]
        MOV     [STACK],[F001]
        MOV     [STACK],[F002]
        MOV     [STACK],[F003]
        MOV     [STACK],[F004]
        MOV     [STACK],[F005]
        MOV     [STACK],[F006]
        MOV     [STACK],[F007]
        MOV     [STACK],[F009]
        MOV     R1,M[BASE0+TICKS]
        INC     R1
        MOV     M[BASE0+TICKS],R1

        MOV     R1,M[BASE1+IO_COUNT_X]      ; both counters at once, so that the line
        MOV     R2,M[BASE1+IO_COUNT_Z]      ; tracking compares steps of the same interval
        MOV     M[BASE0+(AXIS_X+AX_DELTA)],R1
        MOV     M[BASE0+(AXIS_Z+AX_DELTA)],R2
        MOV     R6,#AXIS_X
        CALL    [CountAxis]
        MOV     R6,#AXIS_Z
        CALL    [CountAxis]

        ZERO    R9                          ; the axes may move while the machine is ready
        MOV     R1,M[BASE1+IO_PORT_IN]      ; and the channels are on
        AND     R1,#IN_READY
        JZ      IsrAxes
        MOV     R1,M[BASE1+IO_PORT_OUT]
        AND     R1,#OUT_ENABLE
        JZ      IsrAxes
        INC     R9
        MOV     R1,M[BASE0+LN_ON]
        JZ      IsrAxes
        CALL    [LineTrack]                 ; a line: the leader first, the follower after it
        INC     R9                          ; 2: the leader's rate is only worked out
        MOV     R6,M[BASE0+LN_LEAD]
        CALL    [ServiceAxis]
        DEC     R9
        MOV     R6,M[BASE0+LN_FOLL]
        CALL    [ServiceAxis]
        MOV     R6,M[BASE0+LN_LEAD]         ; and written just after the follower's, so that
        MOV     R4,M[BASEX+R6+AX_RATE]      ; both change at the same step
        MOV     R3,M[BASEX+R6+AX_RATEREG]
        MOV     M[BASEX+R3],R4
        JMP     IsrReports
IsrAxes:
        MOV     R6,#AXIS_X
        CALL    [ServiceAxis]
        MOV     R6,#AXIS_Z
        CALL    [ServiceAxis]

IsrReports:
        MOV     R1,M[BASE0+REPORT_NOW]      ; positions to the cells every REPORT_EVERY
        JNZ     IsrReport                   ; interrupts, and at once when an axis arrives
        MOV     R1,M[BASE0+REPORT_COUNT]
        DEC     R1
        MOV     M[BASE0+REPORT_COUNT],R1
        JNZ     IsrDone
IsrReport:
        MOV     R1,M[BASE0+REPORT_EVERY]
        MOV     M[BASE0+REPORT_COUNT],R1
        ZERO    R1
        MOV     M[BASE0+REPORT_NOW],R1
        MOV     R6,#AXIS_X
        CALL    [ReportAxis]
        MOV     R6,#AXIS_Z
        CALL    [ReportAxis]
IsrDone:
        MOV     [F009],[STACK]
        MOV     [F007],[STACK]
        MOV     [F006],[STACK]
        MOV     [F005],[STACK]
        MOV     [F004],[STACK]
        MOV     [F003],[STACK]
        MOV     [F002],[STACK]
        MOV     [F001],[STACK]
        MOV     [F000],[STACK]
        MOV     [F020],[STACK]
        JMP     [STACK]

; Request lines 5, 6 and 7 have no source on this board; a request returns at once.
Spurious:
        JMP     [STACK]
