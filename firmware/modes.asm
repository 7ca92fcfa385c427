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

; Reference return: both axes at rapid rate to the reference point, in a straight line.
KeyHome:
        MOV     R1,M[BASE0+MODE]
        CMP     R1,#MODE_MANUAL
        JNZ     KeyWrongMode
        CALL    [CheckMoveAllowed]
        JNZ     KeyHomeDone
        MOV     R1,M[BASE0+REF_X_H]
        MOV     M[BASE0+MV_X_H],R1
        MOV     R1,M[BASE0+REF_X_L]
        MOV     M[BASE0+MV_X_L],R1
        MOV     R1,M[BASE0+REF_Z_H]
        MOV     M[BASE0+MV_Z_H],R1
        MOV     R1,M[BASE0+REF_Z_L]
        MOV     M[BASE0+MV_Z_L],R1
        MOV     R1,M[BASE0+RAPID_RATE]
        MOV     M[BASE0+MV_RATE],R1
        CALL    [MoveTo]
        MOV     R1,#1
        MOV     M[BASE0+HOMING],R1
KeyHomeDone:
        JMP     [SetDirty]

; Stop: both axes stop where they are.
KeyStop:
        CALL    [MotionAbort]
        ZERO    R1
        MOV     M[BASE0+HOMING],R1
        JMP     [SetDirty]

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
; towards plus. Counts made while the machine is not ready or during the reference return
; are dropped.
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
        ADD     R0/1,R2/3
        MOV     R2,M[BASE0+TEMP0]
        CALL    [MoveAxis]
        JMP     [IntOn]
