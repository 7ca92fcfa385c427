; Modes and manual operation: mode keys, jog axis selection, jog, reference return, stop.

; Manual mode. Leaving the automatic mode stops any motion.
KeyManual:
        MOV     R1,M[BASE0+MODE]
        CMP     R1,#MODE_MANUAL
        JZ      KeyManualSame
        CALL    [MotionAbort]
        MOV     R1,#MODE_MANUAL
        MOV     M[BASE0+MODE],R1
KeyManualSame:
        JMP     [SetDirty]

; Automatic mode: the jog axis is released; the start key calls the interpreter's hook.
KeyAuto:
        MOV     R1,M[BASE0+MODE]
        CMP     R1,#MODE_AUTO
        JZ      KeyAutoSame
        CALL    [MotionAbort]
        ZERO    R1
        MOV     M[BASE0+JOG_AXIS],R1
        MOV     M[BASE0+HOMING],R1
        MOV     R1,#MODE_AUTO
        MOV     M[BASE0+MODE],R1
KeyAutoSame:
        JMP     [SetDirty]

KeyStart:
        MOV     R1,M[BASE0+MODE]
        CMP     R1,#MODE_AUTO
        JNZ     KeyWrongMode
        CALL    M[CT_AUTO_START]
        JMP     [STACK]
KeyWrongMode:
        MOV     R0,#ERR_MODE
        JMP     [ShowError]

; Jog axis selection in manual mode: X (k0x35) or Z (k0x36); the lit one releases it.
KeyAxisX:
        MOV     R2,#TYPE_X
        JMP     KeyAxis
KeyAxisZ:
        MOV     R2,#TYPE_Z
KeyAxis:
        MOV     R1,M[BASE0+MODE]
        CMP     R1,#MODE_MANUAL
        JNZ     KeyWrongMode
        MOV     R1,M[BASE0+JOG_AXIS]
        CMP     R1,R2
        JNZ     KeyAxisSet
        ZERO    R2
KeyAxisSet:
        MOV     M[BASE0+JOG_AXIS],R2
        MOV     R1,M[BASE1+IO_JOG]          ; counts from before the selection are dropped
        TEST    R2
        JZ      KeyAxisDone
        MOV     M[BASE0+SELECT],R2          ; the Digit row follows the jogged axis
        CALL    [EntryCancel]
KeyAxisDone:
        JMP     [SetDirty]

; Reference return: X at rapid rate to the reference point, then Z (PollHome); when both are
; there the machine is referenced.
KeyHome:
        MOV     R1,M[BASE0+MODE]
        CMP     R1,#MODE_MANUAL
        JNZ     KeyWrongMode
        CALL    [CheckMoveAllowed]
        JNZ     KeyHomeDone
        MOV     R1,#HOME_X
        MOV     M[BASE0+HOMING],R1
        CALL    [ReadPositions]
        MOV     M[BASE0+MV_Z_H],R2
        MOV     M[BASE0+MV_Z_L],R3
        MOV     R1,M[BASE0+REF_X_H]
        MOV     M[BASE0+MV_X_H],R1
        MOV     R1,M[BASE0+REF_X_L]
        MOV     M[BASE0+MV_X_L],R1
        MOV     R1,M[BASE0+RAPID_RATE]
        MOV     M[BASE0+MV_RATE],R1
        CALL    [MoveTo]
KeyHomeDone:
        JMP     [SetDirty]

; Once per main-loop pass: the reference return goes on when an axis has arrived.
PollHome:
        MOV     R1,M[BASE0+HOMING]
        JZ      PollHomeIdle
        CALL    [MotionIdle]
        JNZ     PollHomeIdle
        MOV     R1,M[BASE0+HOMING]
        CMP     R1,#HOME_X
        JNZ     PollHomeDone
        MOV     R1,#HOME_Z
        MOV     M[BASE0+HOMING],R1
        CALL    [ReadPositions]
        MOV     M[BASE0+MV_X_H],R0
        MOV     M[BASE0+MV_X_L],R1
        MOV     R1,M[BASE0+REF_Z_H]
        MOV     M[BASE0+MV_Z_H],R1
        MOV     R1,M[BASE0+REF_Z_L]
        MOV     M[BASE0+MV_Z_L],R1
        MOV     R1,M[BASE0+RAPID_RATE]
        MOV     M[BASE0+MV_RATE],R1
        JMP     [MoveTo]
PollHomeDone:
        ZERO    R1
        MOV     M[BASE0+HOMING],R1
        INC     R1
        MOV     M[BASE0+REFERENCED],R1
        JMP     [SetDirty]
PollHomeIdle:
        JMP     [STACK]

; Stop: both axes stop where they are.
KeyStop:
        CALL    [MotionAbort]
        ZERO    R1
        MOV     M[BASE0+HOMING],R1
        JMP     [SetDirty]

; -> Z flag set (R0 = 0) when the machine is referenced; otherwise error 07 is shown (R0 = 1).
CheckReferenced:
        MOV     R0,M[BASE0+REFERENCED]
        JZ      CheckReferencedNo
        ZERO    R0
        JMP     [STACK]
CheckReferencedNo:
        MOV     R0,#ERR_NOT_HOMED
        CALL    [ShowError]
        MOV     R0,#1
        JMP     [STACK]

; R6 = axis record, R0:R1 = target -> Z flag set when it lies within the axis's travel limits;
; otherwise error 08 is shown. R0:R1 and R6 are kept; uses R2..R5, R7.
CheckLimit:
        CALL    [InsideLimit]
        JNZ     CheckLimitOut
        JMP     [STACK]
CheckLimitOut:
        MOV     R0,#ERR_LIMIT
        CALL    [ShowError]
        MOV     R0,R4
        MOV     R1,R5
        MOV     R2,#1                       ; Z clear
        JMP     [STACK]

; The same without the error: Z set when within the limits.
InsideLimit:
        MOV     R4,R0
        MOV     R5,R1
        CALL    [ClampLimit]
        CMP     R4/5,R0/1
        JNZ     InsideLimitOut
        JMP     [STACK]
InsideLimitOut:
        MOV     R0,R4
        MOV     R1,R5
        MOV     R2,#1                       ; Z clear
        JMP     [STACK]

; R6 = axis record, R0:R1 = target -> R0:R1 within the axis's limits (the nearer limit when
; beyond one). Uses R2, R3, R7.
ClampLimit:
        MOV     R7,M[BASEX+R6+AX_LIMITS]
        MOV     R2,M[BASEX+R7]
        MOV     R3,M[BASEX+R7+0001]
        SUB     R2/3,R0/1                   ; minimum - target
        TEST    R2
        JS      ClampLimitMax
        MOV     R0,M[BASEX+R7]
        MOV     R1,M[BASEX+R7+0001]
        JMP     [STACK]
ClampLimitMax:
        MOV     R2,M[BASEX+R7+0002]
        MOV     R3,M[BASEX+R7+0003]
        SUB     R2/3,R0/1                   ; maximum - target
        TEST    R2
        JNS     ClampLimitDone
        MOV     R0,M[BASEX+R7+0002]
        MOV     R1,M[BASEX+R7+0003]
ClampLimitDone:
        JMP     [STACK]

; R7 = offset of an axis's limits, R3 = offset of its reference point -> Z set (R0 = 0) when
; minimum <= reference point <= maximum. The values lie within +-2^24 steps. Uses R0, R1, R4,
; R5.
LimitsOrdered:
        MOV     R0,M[BASEX+R7]
        MOV     R1,M[BASEX+R7+0001]
        MOV     R4,M[BASEX+R3]
        MOV     R5,M[BASEX+R3+0001]
        SUB     R4/5,R0/1                   ; reference - minimum
        JS      LimitsDisordered
        MOV     R0,M[BASEX+R3]
        MOV     R1,M[BASEX+R3+0001]
        MOV     R4,M[BASEX+R7+0002]
        MOV     R5,M[BASEX+R7+0003]
        SUB     R4/5,R0/1                   ; maximum - reference
        JS      LimitsDisordered
        ZERO    R0
        JMP     [STACK]
LimitsDisordered:
        MOV     R0,#1                       ; Z clear
        JMP     [STACK]

; -> Z flag set (R0 = 0) when a move may start; otherwise error 01 is shown (R0 = 1).
CheckMoveAllowed:
        MOV     R0,M[BASE0+ALARM]
        AND     R0,#ALARM_NOT_READY
        JNZ     CheckMoveRefused
        JMP     [STACK]
CheckMoveRefused:
        MOV     R0,#ERR_NOT_READY
        CALL    [ShowError]
        MOV     R0,#1
        JMP     [STACK]

; Jog: while a jog axis is selected the panel counts the jog toggles (word 31 is 0x4008 or
; 0x4010). Each count moves the axis by JOG_STEP (JOG_STEP_FAST with uskor), counts up
; towards plus. A jog only ever moves the way it was asked: its target stops at the limit it
; goes towards, and an axis at or beyond that limit does not move (beyond the other one it
; may move back towards the range). Counts made while the machine is not ready or during the
; reference return are dropped.
PollJog:
        MOV     R1,M[BASE0+JOG_AXIS]
        JNZ     PollJogAxis
        JMP     [STACK]
PollJogAxis:
        MOV     R3,M[BASE1+IO_JOG]          ; counts since the last look (read and clear)
        JNZ     PollJogCounted
        JMP     [STACK]
PollJogCounted:
        MOV     R0,M[BASE0+ALARM]
        AND     R0,#ALARM_NOT_READY
        OR      R0,M[BASE0+HOMING]
        JZ      PollJogMove
        JMP     [STACK]
PollJogMove:
        MOV     R4,M[BASE0+JOG_STEP]
        MOV     R2,M[BASE0+JOG_RATE]
        MOV     R0,M[BASE0+JOG_FAST]
        JZ      PollJogNormal
        MOV     R4,M[BASE0+JOG_STEP_FAST]
        MOV     R2,M[BASE0+JOG_RATE_FAST]
PollJogNormal:
        MOV     M[BASE0+TEMP0],R2
        ZERO    R5
        TEST    R3
        JNS     PollJogUp
        INC     R5
        CPL     R3
PollJogUp:
        MUL     R3,R4 -> R2,R3              ; the way, R2:R3
        MOV     R0/1,R2/3
        TEST    R5
        JZ      PollJogSigned
        CALL    [Neg32]
PollJogSigned:
        MOV     R6,#AXIS_X
        MOV     R2,M[BASE0+JOG_AXIS]
        CMP     R2,#TYPE_X
        JZ      PollJogX
        MOV     R6,#AXIS_Z
PollJogX:
        CALL    [IntOff]
        MOV     R2,M[BASEX+R6+AX_BUSY]      ; add to the target while moving,
        JNZ     PollJogFromTarget           ; to the position when still
        MOV     R2,M[BASEX+R6+AX_POS_H]
        MOV     R3,M[BASEX+R6+AX_POS_L]
        JMP     PollJogAdd
PollJogFromTarget:
        MOV     R2,M[BASEX+R6+AX_TGT_H]
        MOV     R3,M[BASEX+R6+AX_TGT_L]
PollJogAdd:
        ADD     R0/1,R2/3                   ; the target asked for
        MOV     R7,M[BASEX+R6+AX_LIMITS]
        TEST    R5
        JNZ     PollJogMinus
        MOV     R4,M[BASEX+R7+0002]         ; towards plus: at most the maximum
        MOV     R5,M[BASEX+R7+0003]
        SUB     R4/5,R0/1                   ; maximum - target
        JNS     PollJogPlusFits
        MOV     R0,M[BASEX+R7+0002]
        MOV     R1,M[BASEX+R7+0003]
PollJogPlusFits:
        SUB     R2/3,R0/1                   ; start - target: below 0 to move
        JNS     PollJogNone
        JMP     PollJogGo
PollJogMinus:
        MOV     R4,M[BASEX+R7]              ; towards minus: at least the minimum
        MOV     R5,M[BASEX+R7+0001]
        SUB     R4/5,R0/1                   ; minimum - target
        JS      PollJogMinusFits
        MOV     R0,M[BASEX+R7]
        MOV     R1,M[BASEX+R7+0001]
PollJogMinusFits:
        SUB     R2/3,R0/1                   ; start - target: above 0 to move
        JS      PollJogNone
        JZ      PollJogNone
PollJogGo:
        MOV     R2,M[BASE0+TEMP0]
        CALL    [MoveAxis]
PollJogNone:
        JMP     [IntOn]
