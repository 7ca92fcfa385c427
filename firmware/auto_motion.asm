; Motion of a block: a line is one chord, a quarter circle ARC_CHORDS chords. Each chord is a
; MoveTo, so both axes arrive together; the next chord of an arc is given as soon as both axes
; are within the creep zone of the current one, so that the tool keeps its speed, and the
; last chord ends exactly on the programmed point, which is checked.

; Starts the block's motion. -> C set and R0 = error code when it cannot run; otherwise
; Z set when the block has no motion.
StartMotion:
        MOV     R0,M[BASE0+BK_HAS]
        JNZ     StartMotionGo
        JMP     [STACK]                     ; Z set, C clear
StartMotionGo:
        MOV     R6,#AXIS_X                  ; the end point within the travel limits (a
        MOV     R0,M[BASE0+BK_X_H]          ; quarter circle stays inside the box of its
        MOV     R1,M[BASE0+BK_X_L]          ; end points)
        CALL    [InsideLimit]
        JNZ     StartMotionOut
        MOV     R6,#AXIS_Z
        MOV     R0,M[BASE0+BK_Z_H]
        MOV     R1,M[BASE0+BK_Z_L]
        CALL    [InsideLimit]
        JNZ     StartMotionOut
        MOV     R2,M[BASE0+BK_X_H]
        MOV     R3,M[BASE0+BK_X_L]
        MOV     R0,M[BASE0+AU_PX_H]
        MOV     R1,M[BASE0+AU_PX_L]
        SUB     R2/3,R0/1
        MOV     M[BASE0+AU_DX_H],R2
        MOV     M[BASE0+AU_DX_L],R3
        MOV     R2,M[BASE0+BK_Z_H]
        MOV     R3,M[BASE0+BK_Z_L]
        MOV     R0,M[BASE0+AU_PZ_H]
        MOV     R1,M[BASE0+AU_PZ_L]
        SUB     R2/3,R0/1
        MOV     M[BASE0+AU_DZ_H],R2
        MOV     M[BASE0+AU_DZ_L],R3
        MOV     R1,#1
        MOV     M[BASE0+AU_CHORD],R1
        MOV     M[BASE0+AU_CHORDS],R1
        MOV     R2,M[BASE0+RAPID_RATE]
        MOV     R1,M[BASE0+BK_G]
        JZ      StartMotionRate             ; G0
        MOV     R2,M[BASE0+AU_RATE]
        JZ      StartMotionNoFeed
        CMP     R1,#2                       ; C or Z: G2, G3
        JA      StartMotionRate
        CALL    [ArcSetup]
        JC      StartMotionFailed
        MOV     R2,M[BASE0+AU_RATE]
StartMotionRate:
        MOV     M[BASE0+AU_MOVE_RATE],R2
        CALL    [ChordTarget]
        CALL    [AutoMove]
        MOV     R0,#1                       ; Z and C clear
StartMotionFailed:
        JMP     [STACK]
StartMotionOut:
        MOV     R0,#ERR_LIMIT
        CMP     R0,#0                       ; C: 0 is below the code
        JMP     [STACK]
StartMotionNoFeed:
        MOV     R0,#ERR_BLOCK
        CMP     R0,#0                       ; C: 0 is below the code
        JMP     [STACK]

; A quarter circle from the programmed position to the block's end point: the X way (a
; diameter) is twice the Z way, to within a step. G2 turns clockwise and G3 counter-clockwise
; as the plot shows the path (Z to the right, X downward). Seen from the centre, the start
; lies along one axis and the end along the other; which one depends on the turn.
; -> C set and R0 = ERR_ARC when the ways do not make a quarter circle.
ArcSetup:
        MOV     R0,M[BASE0+AU_DX_H]
        MOV     R1,M[BASE0+AU_DX_L]
        CALL    [Abs32]
        TEST    R0
        JNZ     ArcSetupBad                 ; X way beyond 65535
        MOV     R4,R1
        MOV     R0,M[BASE0+AU_DZ_H]
        MOV     R1,M[BASE0+AU_DZ_L]
        CALL    [Abs32]
        TEST    R0
        JNZ     ArcSetupBad
        TEST    R1
        JZ      ArcSetupBad
        JS      ArcSetupBad                 ; Z way beyond 32767
        SLL     R1
        BUS     R1,R4                       ; 2 |Z way| - |X way|: -1, 0 or 1
        INC     R1
        CMP     R1,#2                       ; C above 2
        JC      ArcSetupBad
        MOV     R0,M[BASE0+AU_DX_H]         ; sign bit: the ways have opposite signs
        XOR     R0,M[BASE0+AU_DZ_H]
        MOV     R1,M[BASE0+BK_G]
        CMP     R1,#3
        JNZ     ArcSetupSide
        INV     R0
ArcSetupSide:
        ZERO    R1                          ; 0: X follows the sine, Z one minus the cosine
        TEST    R0
        JS      ArcSetupSet
        INC     R1                          ; 1: Z follows the sine
ArcSetupSet:
        MOV     M[BASE0+AU_ARC],R1
        MOV     R1,#ARC_CHORDS
        MOV     M[BASE0+AU_CHORDS],R1
        TEST    R1                          ; C clear
        JMP     [STACK]
ArcSetupBad:
        MOV     R0,#ERR_ARC
        CMP     R0,#0                       ; C: 0 is below the code
        JMP     [STACK]

; AU_TX, AU_TZ := the end of chord AU_CHORD: the block's end point for the last chord,
; otherwise the point of the quarter circle at AU_CHORD x 5.625 degrees, that is the
; programmed position plus each way times the sine or one minus the cosine.
ChordTarget:
        MOV     R1,M[BASE0+AU_CHORD]
        MOV     R0,M[BASE0+AU_CHORDS]
        CMP     R1,R0
        JNZ     ChordTargetArc
        MOV     R0,M[BASE0+BK_X_H]
        MOV     M[BASE0+AU_TX_H],R0
        MOV     R0,M[BASE0+BK_X_L]
        MOV     M[BASE0+AU_TX_L],R0
        MOV     R0,M[BASE0+BK_Z_H]
        MOV     M[BASE0+AU_TZ_H],R0
        MOV     R0,M[BASE0+BK_Z_L]
        MOV     M[BASE0+AU_TZ_L],R0
        JMP     [STACK]
ChordTargetArc:
        MOV     R6,M[BASEX+R1+(ArcSine-RAM_ORIGIN)]
        MOV     R2,#ARC_CHORDS
        BUS     R2,R1
        MOV     R7,M[BASEX+R2+(ArcSine-RAM_ORIGIN)]
        SUB     R7,#ARC_ONE                 ; one minus the cosine
        MOV     R0,M[BASE0+AU_ARC]
        JZ      ChordTargetX
        MOV     R0,R6
        MOV     R6,R7
        MOV     R7,R0
ChordTargetX:                               ; R6: fraction of the X way, R7: of the Z way
        MOV     R0,M[BASE0+AU_DX_H]
        MOV     R1,M[BASE0+AU_DX_L]
        MOV     R4,R6
        CALL    [ScaleWay]
        MOV     R2,M[BASE0+AU_PX_H]
        MOV     R3,M[BASE0+AU_PX_L]
        ADD     R0/1,R2/3
        MOV     M[BASE0+AU_TX_H],R0
        MOV     M[BASE0+AU_TX_L],R1
        MOV     R0,M[BASE0+AU_DZ_H]
        MOV     R1,M[BASE0+AU_DZ_L]
        MOV     R4,R7
        CALL    [ScaleWay]
        MOV     R2,M[BASE0+AU_PZ_H]
        MOV     R3,M[BASE0+AU_PZ_L]
        ADD     R0/1,R2/3
        MOV     M[BASE0+AU_TZ_H],R0
        MOV     M[BASE0+AU_TZ_L],R1
        JMP     [STACK]

; R0:R1 = a way (|way| below 65536), R4 = fraction 0..ARC_ONE -> R0:R1 = way x fraction,
; rounded. Uses R2, R3, R5.
ScaleWay:
        MOV     R5,R0
        CALL    [Abs32]
        MUL     R1,R4 -> R0,R1
        ADD     R1,#0x4000
        ADDC    R0
        SLL     R1
        SLR     R0                          ; R0 = (product + half) / 0x8000
        MOV     R1,R0
        ZERO    R0
        TEST    R5
        JNS     ScaleWayDone
        JMP     [Neg32]
ScaleWayDone:
        JMP     [STACK]

; The axes to AU_TX, AU_TZ at AU_MOVE_RATE, from where they stand.
AutoMove:
        MOV     R0,M[BASE0+AU_TX_H]
        MOV     M[BASE0+MV_X_H],R0
        MOV     R0,M[BASE0+AU_TX_L]
        MOV     M[BASE0+MV_X_L],R0
        MOV     R0,M[BASE0+AU_TZ_H]
        MOV     M[BASE0+MV_Z_H],R0
        MOV     R0,M[BASE0+AU_TZ_L]
        MOV     M[BASE0+MV_Z_L],R0
        MOV     R0,M[BASE0+AU_MOVE_RATE]
        MOV     M[BASE0+MV_RATE],R0
        JMP     [MoveTo]

; One look at the motion under way. -> Z set when the last chord has ended on its point
; (the programmed position moves there); C set and R0 = ERR_LOST when the axes stand still
; elsewhere, the move having been cut short.
MotionStep:
        MOV     R1,M[BASE0+AU_CHORD]
        MOV     R0,M[BASE0+AU_CHORDS]
        CMP     R1,R0
        JZ      MotionStepLast
        MOV     R6,#AXIS_X
        CALL    [AxisNear]
        JNZ     MotionStepWait
        MOV     R6,#AXIS_Z
        CALL    [AxisNear]
        JNZ     MotionStepWait
        MOV     R1,M[BASE0+AU_CHORD]
        INC     R1
        MOV     M[BASE0+AU_CHORD],R1
        CALL    [ChordTarget]
        CALL    [AutoMove]
MotionStepWait:
        MOV     R0,#1                       ; Z and C clear
        JMP     [STACK]
MotionStepLast:
        CALL    [MotionIdle]
        JNZ     MotionStepWait
        CALL    [ReadPositions]
        MOV     R4,M[BASE0+AU_TX_H]
        MOV     R5,M[BASE0+AU_TX_L]
        CMP     R4/5,R0/1
        JNZ     MotionStepLost
        MOV     R0/1,R2/3
        MOV     R4,M[BASE0+AU_TZ_H]
        MOV     R5,M[BASE0+AU_TZ_L]
        CMP     R4/5,R0/1
        JNZ     MotionStepLost
        MOV     R0,M[BASE0+BK_X_H]
        MOV     M[BASE0+AU_PX_H],R0
        MOV     R0,M[BASE0+BK_X_L]
        MOV     M[BASE0+AU_PX_L],R0
        MOV     R0,M[BASE0+BK_Z_H]
        MOV     M[BASE0+AU_PZ_H],R0
        MOV     R0,M[BASE0+BK_Z_L]
        MOV     M[BASE0+AU_PZ_L],R0
        ZERO    R0                          ; Z set, C clear
        JMP     [STACK]
MotionStepLost:
        MOV     R0,#ERR_LOST
        CMP     R0,#0                       ; C: 0 is below the code
        JMP     [STACK]

; R6 = axis record -> Z set when the axis is within the creep zone of its target.
AxisNear:
        CALL    [IntOff]
        MOV     R2,M[BASEX+R6+AX_TGT_H]
        MOV     R3,M[BASEX+R6+AX_TGT_L]
        MOV     R0,M[BASEX+R6+AX_POS_H]
        MOV     R1,M[BASEX+R6+AX_POS_L]
        CALL    [IntOn]
        SUB     R2/3,R0/1
        MOV     R0/1,R2/3
        CALL    [Abs32]
        TEST    R0
        JNZ     AxisNearNo
        CMP     R1,#CREEP_ZONE              ; C beyond the creep zone
        JC      AxisNearNo
        ZERO    R0
        JMP     [STACK]
AxisNearNo:
        MOV     R0,#1
        JMP     [STACK]
