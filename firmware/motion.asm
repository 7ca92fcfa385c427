; The motion core. Each axis has a record (AXIS_X on channel 0, AXIS_Z on channel 1) with its
; 32-bit position, its target and the rate limit of the move. The main loop (or the
; interpreter) sets targets; the timer interrupt moves the axes and reports their positions.
;
; Braking: the channels step at floor(10000 / rate) + 1 steps per step, an interrupt comes
; every 1010 steps. With r steps left the rate is 4 * (r - 24) at most, so the steps of one
; interval stay well below r; within 24 steps of the target the axis creeps at rate 8, which
; makes at most one step per interval, and the channel is stopped on the interval that finds
; r = 0. So a move ends exactly on its target.
;
; Lines: when both axes move, the axis with the longer way leads at the move's rate and brakes
; by itself; the other follows it. Every interrupt adds the leader's counted steps times the
; shorter way to an accumulator, whose quotient by the longer way is the number of steps the
; follower should have made (exactly, in integers); what it owes (LN_ERR) plus the leader's
; expected steps of the next interval times the ratio of the ways gives the follower's steps
; for the next interval, turned into a rate through RateTable. So the follower never drifts:
; each interval corrects the last one, and the tool stays within a few steps of the line.

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
        MOV     R3,M[BASEX+R6+AX_VMAX]      ; another rate: its tracking starts afresh
        CMP     R3,R2
        JZ      MoveAxisSameRate
        ZERO    R3
        MOV     M[BASEX+R6+AX_TRACK],R3
MoveAxisSameRate:
        MOV     M[BASEX+R6+AX_VMAX],R2
        MOV     R2,#1
        MOV     M[BASEX+R6+AX_BUSY],R2
        ZERO    R2                          ; the axis moves on its own now
        MOV     M[BASE0+LN_ON],R2
        JMP     [STACK]

; Both axes to MV_X, MV_Z in a straight line: the longer way leads at MV_RATE, the other
; follows it (LineTrack, FollowRate). A move of one axis is a plain MoveAxis.
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
        CALL    [Abs32]
        MOV     M[BASE0+MV_DIST_X_H],R0
        MOV     M[BASE0+MV_DIST_X_L],R1
        MOV     R0/1,R6/7
        CALL    [Abs32]
        MOV     M[BASE0+MV_DIST_Z_H],R0
        MOV     M[BASE0+MV_DIST_Z_L],R1
        MOV     R4,M[BASE0+MV_DIST_X_H]
        MOV     R5,M[BASE0+MV_DIST_X_L]
        MOV     R2,R0
        OR      R2,R1
        JZ      MoveToSingle                ; no way on Z
        MOV     R2,R4
        OR      R2,R5
        JZ      MoveToSingle                ; no way on X
        MOV     R6,#AXIS_X                  ; R6 leads, R7 follows
        MOV     R7,#AXIS_Z
        CMP     R4/5,R0/1                   ; C when the X way is the shorter
        JNC     MoveToLead
        MOV     R6,#AXIS_Z
        MOV     R7,#AXIS_X
        MOV     R2,R0
        MOV     R3,R1
        MOV     R0,R4
        MOV     R1,R5
        MOV     R4,R2
        MOV     R5,R3
MoveToLead:                                 ; R4:R5 longer way, R0:R1 shorter way
        MOV     M[BASE0+MV_LEAD],R6
        MOV     M[BASE0+MV_FOLL],R7
        MOV     M[BASE0+MV_N_H],R4
        MOV     M[BASE0+MV_N_L],R5
        MOV     M[BASE0+MV_M_H],R0
        MOV     M[BASE0+MV_M_L],R1
MoveToScale:                                ; both ways into 15 bits for the ratio
        TEST    R4
        JNZ     MoveToHalve
        TEST    R5
        JNS     MoveToScaled
MoveToHalve:
        SRL     R4
        SRR     R5
        SRL     R0
        SRR     R1
        JMP     MoveToScale
MoveToScaled:
        MOV     R2,#0xFFFF                  ; equal ways
        CMP     R1,R5
        JZ      MoveToRatio
        MOV     R0,R1
        ZERO    R1
        MOV     R2,R5
        CALL    [Div32]
        MOV     R2,R1
MoveToRatio:
        MOV     M[BASE0+MV_RATIO],R2
        CALL    [IntOff]
        MOV     R6,M[BASE0+MV_LEAD]
        CALL    [MoveTarget]
        MOV     R2,M[BASE0+MV_RATE]
        CALL    [MoveAxis]
        MOV     R6,M[BASE0+MV_FOLL]
        CALL    [MoveTarget]
        MOV     R2,#RATE_MAX
        CALL    [MoveAxis]
        MOV     R0,M[BASE0+MV_LEAD]
        MOV     M[BASE0+LN_LEAD],R0
        MOV     R0,M[BASE0+MV_FOLL]
        MOV     M[BASE0+LN_FOLL],R0
        MOV     R0,M[BASE0+MV_RATIO]
        MOV     M[BASE0+LN_RATIO],R0
        MOV     R0,M[BASE0+MV_M_H]
        MOV     M[BASE0+LN_M_H],R0
        MOV     R0,M[BASE0+MV_M_L]
        MOV     M[BASE0+LN_M_L],R0
        MOV     R0,M[BASE0+MV_N_H]
        MOV     R1,M[BASE0+MV_N_L]
        MOV     R2,#(8)
MoveToTimes256:
        SLL     R1
        SLR     R0
        DEC     R2
        JNZ     MoveToTimes256
        MOV     M[BASE0+LN_N8_H],R0
        MOV     M[BASE0+LN_N8_L],R1
        ZERO    R0
        MOV     M[BASE0+LN_ACC_H],R0
        MOV     M[BASE0+LN_ACC_L],R0
        MOV     M[BASE0+LN_ERR],R0
        INC     R0
        MOV     M[BASE0+LN_ON],R0
        JMP     [IntOn]
MoveToSingle:
        CALL    [IntOff]
        MOV     R6,#AXIS_X
        CALL    [MoveTarget]
        MOV     R2,M[BASE0+MV_RATE]
        CALL    [MoveAxis]
        MOV     R6,#AXIS_Z
        CALL    [MoveTarget]
        MOV     R2,M[BASE0+MV_RATE]
        CALL    [MoveAxis]
        JMP     [IntOn]

; R6 = axis record -> R0:R1 = its target in the move command block.
MoveTarget:
        CMP     R6,#AXIS_X
        JNZ     MoveTargetZ
        MOV     R0,M[BASE0+MV_X_H]
        MOV     R1,M[BASE0+MV_X_L]
        JMP     [STACK]
MoveTargetZ:
        MOV     R0,M[BASE0+MV_Z_H]
        MOV     R1,M[BASE0+MV_Z_L]
        JMP     [STACK]

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
        MOV     M[BASE0+LN_ON],R0
        MOV     M[BASEX+R6+AX_TRACK],R0
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
        MOV     R3,#LIM_X_MIN_H
        CALL    [InitAxis]
        MOV     R6,#AXIS_Z
        MOV     R0,#COUNTER_Z_ADDR
        MOV     R1,#(PERIPH_OFS+IO_RATE_Z)
        MOV     R2,#CELL_Z
        MOV     R3,#LIM_Z_MIN_H
InitAxis:
        MOV     M[BASEX+R6+AX_COUNTER],R0
        MOV     M[BASEX+R6+AX_RATEREG],R1
        MOV     M[BASEX+R6+AX_CELL],R2
        MOV     M[BASEX+R6+AX_LIMITS],R3
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

; Interrupt routine, R6 = axis record: the steps counted in the interval (AX_DELTA) are added
; to the position.
CountAxis:
        MOV     R1,M[BASEX+R6+AX_DELTA]
        SIGN    R0,R1
        MOV     R2,M[BASEX+R6+AX_POS_H]
        MOV     R3,M[BASEX+R6+AX_POS_L]
        ADD     R0/1,R2/3
        MOV     M[BASEX+R6+AX_POS_H],R0
        MOV     M[BASEX+R6+AX_POS_L],R1
        JMP     [STACK]

; Interrupt routine, R6 = axis record, R9 = 1 while the axes may move: the rate for the next
; interval.
ServiceAxis:
        MOV     R0,M[BASEX+R6+AX_POS_H]
        MOV     R1,M[BASEX+R6+AX_POS_L]
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
        MOV     R0,M[BASE0+LN_ON]           ; the follower of a line, while the leader moves
        JZ      ServiceOwn
        MOV     R0,M[BASE0+LN_FOLL]
        CMP     R0,R6
        JNZ     ServiceOwn
        MOV     R0,M[BASE0+LN_LEAD]
        MOV     R0,M[BASEX+R0+AX_BUSY]
        JNZ     [FollowRate]
ServiceOwn:
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
        JC      ServiceCruise
ServiceUntracked:
        ZERO    R0                          ; braking: the rate tracking starts afresh
        MOV     M[BASEX+R6+AX_TRACK],R0     ; at the next cruise
        JMP     ServiceSign
ServiceCruise:
        CMP     R4,#CREEP_RATE              ; Z: creeping, at most a step per interval
        JZ      ServiceCreep
        MOV     R4,R3
        CMP     R3,#FEED_MAX                ; C above the fastest feed: the plain rate
        JC      ServiceUntracked
        CMP     R3,#(TRACK_MIN-1)           ; C from the lowest tracked rate on
        JNC     ServiceUntracked
        JMP     [TrackRate]
ServiceCreep:
        MOV     R4,R3
        JMP     ServiceUntracked
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

; Interrupt routine, a line under way: the follower's debt LN_ERR grows by the steps it should
; have made for the leader's steps of the last interval and shrinks by those it made.
; The accumulator stays below the longer way; the quotient is below 256 (at most ADVANCE_MAX
; leader steps). Uses R0..R7.
LineTrack:
        MOV     R0,M[BASE0+LN_LEAD]
        MOV     R4,M[BASEX+R0+AX_DELTA]
        JNS     LineTrackLead
        CPL     R4
LineTrackLead:
        MOV     R0,M[BASE0+LN_FOLL]
        MOV     R5,M[BASEX+R0+AX_DELTA]
        JNS     LineTrackFoll
        CPL     R5
LineTrackFoll:
        MOV     R0,M[BASE0+LN_M_L]
        MUL     R0,R4 -> R0,R1
        MOV     R2,M[BASE0+LN_ACC_H]
        MOV     R3,M[BASE0+LN_ACC_L]
        ADD     R2/3,R0/1
        MOV     R0,M[BASE0+LN_M_H]
        MUL     R0,R4 -> R0,R1
        ADD     R2,R1
        MOV     R0,M[BASE0+LN_N8_H]         ; accumulator / longer way, bit by bit
        MOV     R1,M[BASE0+LN_N8_L]
        ZERO    R4
        MOV     R7,#(8)
LineTrackBit:
        SRL     R0
        SRR     R1
        SLL     R4
        CMP     R2/3,R0/1                   ; C when the accumulator is below
        JC      LineTrackNext
        SUB     R2/3,R0/1
        INC     R4
LineTrackNext:
        DEC     R7
        JNZ     LineTrackBit
        MOV     M[BASE0+LN_ACC_H],R2
        MOV     M[BASE0+LN_ACC_L],R3
        MOV     R0,M[BASE0+LN_ERR]
        ADD     R0,R4
        BUS     R0,R5
        MOV     M[BASE0+LN_ERR],R0
        JMP     [STACK]

; ServiceAxis for the follower of a line, R3 = its way left (0xFFFF when far), R5 = 1 towards
; minus: the steps of the next interval are the leader's expected steps times the ratio plus
; the debt, at most the way left but one; RateTable turns them into a rate (R4). The last
; step is made at the creep rate, so the follower never passes its target.
FollowRate:
        MOV     R0,M[BASE0+LN_LEAD]
        MOV     R1,M[BASEX+R0+AX_RATE]
        JNS     FollowRateLead
        CPL     R1
FollowRateLead:
        MOV     R1,M[BASEX+R1+(AdvanceTable-RAM_ORIGIN)]
        MOV     R0,M[BASE0+LN_RATIO]
        MUL     R0,R1 -> R0,R1              ; R0: the follower's share, in sixteenths
        MOV     R1,M[BASE0+LN_ERR]
        SLL     R1
        SLL     R1
        SLL     R1
        SLL     R1
        ADD     R0,R1
        ZERO    R4
        TEST    R0
        JS      FollowRateSet               ; ahead of the line: wait
        ADD     R0,#(8)
        SRL     R0
        SRL     R0
        SRL     R0
        SRL     R0
        DEC     R3                          ; a window of one interval may hold one step
        JZ      FollowRateLast              ; more than the rate's average
        CMP     R0,R3                       ; C when more than the way left but one
        JNC     FollowRateWay
        MOV     R0,R3
FollowRateWay:
        CMP     R0,#ADVANCE_MAX
        JNC     FollowRateFits
        MOV     R0,#ADVANCE_MAX
FollowRateFits:
        MOV     R4,M[BASEX+R0+(RateTable-RAM_ORIGIN)]
FollowRateSet:
        JMP     [ServiceSign]
FollowRateLast:                             ; the last step: at the creep rate, a step at
        TEST    R0                          ; most per interval
        JZ      FollowRateSet
        MOV     R4,#CREEP_RATE
        JMP     [ServiceSign]

; ServiceAxis at cruise, R3 = the move's rate v (TRACK_MIN..FEED_MAX), R5 = 1 towards minus:
; the channels step only every whole number of steps (floor(10000 / rate) + 1), v / 10000 too
; slow (1 % at v = 100, 9 % at 1000), so the rate is chosen anew every interval to make the
; steps the axis owes:
; v x 1010 / 10000 per interval (v x 6619 / 65536) less the steps it made. Measured over a
; move the axis runs at v steps per 10,000 processor steps. Uses R0..R4.
TrackRate:
        MOV     R0,M[BASEX+R6+AX_TRACK]
        JNZ     TrackRateOn
        INC     R0                          ; the first interval at cruise: nothing owed
        MOV     M[BASEX+R6+AX_TRACK],R0
        ZERO    R2
        MOV     M[BASEX+R6+AX_FRAC],R2
        JMP     TrackRateAdd
TrackRateOn:
        MOV     R1,M[BASEX+R6+AX_DELTA]     ; steps made in the last interval
        JNS     TrackRateMade
        CPL     R1
TrackRateMade:
        MOV     R2,M[BASEX+R6+AX_OWE]
        BUS     R2,R1
TrackRateAdd:                               ; R2 = steps owed
        MOV     R0,#(TRACK_PER_RATE)
        MUL     R0,R3 -> R0,R1              ; v x 6619: whole steps R0, fraction R1
        MOV     R3,M[BASEX+R6+AX_FRAC]
        ADD     R3,R1
        ADDC    R2
        ADD     R2,R0
        MOV     M[BASEX+R6+AX_FRAC],R3
        MOV     M[BASEX+R6+AX_OWE],R2
        SLL     R3                          ; half a step or more: one more
        ADDC    R2
        ZERO    R4
        TEST    R2
        JS      TrackRateSet                ; ahead: wait an interval
        CMP     R2,#ADVANCE_MAX
        JNC     TrackRateFits
        MOV     R2,#ADVANCE_MAX
TrackRateFits:
        MOV     R4,M[BASEX+R2+(RateTable-RAM_ORIGIN)]
TrackRateSet:
        JMP     [ServiceSign]
