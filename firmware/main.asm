; The main loop. Its first word is a one-word call, so that a test can replace it.

        .org    0x0100
MainLoop:
        CALL    M[CT_AUTO_POLL]
        CALL    [PollKeys]
        CALL    [CheckReady]
        CALL    [PollJog]
        CALL    [UpdateOutputs]
        CALL    [UpdateDisplay]
        JMP     [MainLoop]

; Input 8 is the machine's ready signal. When it drops, motion stops (the interrupt routine
; stops the axes by itself), the channels are switched off and ATTENTION lights with error 01
; until the signal is back and the operator has pressed C.
CheckReady:
        MOV     R1,M[BASE1+IO_PORT_IN]
        AND     R1,#IN_READY
        JZ      NotReady
        JMP     [STACK]
NotReady:
        MOV     R1,M[BASE0+ALARM]
        MOV     R2,R1
        AND     R2,#ALARM_NOT_READY
        JZ      NotReadyNew
        JMP     [STACK]
NotReadyNew:
        OR      R1,#ALARM_NOT_READY
        MOV     M[BASE0+ALARM],R1
        ZERO    R1
        MOV     M[BASE0+HOMING],R1
        CALL    [MotionAbort]
        MOV     R0,#ERR_NOT_READY
        CALL    [ShowError]
        JMP     [STACK]
