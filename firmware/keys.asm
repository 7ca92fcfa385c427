; Keyboard: word 33 is read once per main-loop pass. A push-button code (below 112) is taken
; by the read; a jog code (112 and above) stays while its toggle is down and only tells
; whether uskor is down. Push-button codes are dispatched through KeyHandlers; a handler gets
; the code in R1 and returns to the main loop.

PollKeys:
        MOV     R1,M[BASE1+IO_KEYBOARD]
        JZ      PollKeysDone
        CMP     R1,#(KEY_JOG_FIRST)         ; flags of 112 - code
        JC      PollJogCode                 ; code above 112
        CMP     R1,#(KEY_TABLE_SIZE)
        JBE     PollKeysDone                ; 64..112: no key has such a code
        MOV     R2,M[BASEX+R1+(KeyHandlers-RAM_ORIGIN)]
        JZ      PollKeysDone
        JMP     [R2]
PollKeysDone:
        JMP     [STACK]
PollJogCode:
        ZERO    R2
        CMP     R1,#(KEY_JOG_FAST)
        JA      PollJogSlow                 ; 113..123
        INC     R2
PollJogSlow:
        MOV     M[BASE0+JOG_FAST],R2
        JMP     [STACK]

; R0 = a character -> R0 = its code from the character table at 0x7000, 0xFFFF if absent.
CharCode:
        MOV     R3,#(CharTable-1)
        MOV     R4,#(CharTableEnd-CharTable)
CharCodeNext:
        MOV     R2,M[R3++]
        AND     R2,#0x00FF
        CMP     R2,R0
        JZ      CharCodeFound
        DEC     R4
        JNZ     CharCodeNext
        MOV     R0,#0xFFFF
        JMP     [STACK]
CharCodeFound:
        ZERO    R0
        MOVB    R0L,M[R3]H
        JMP     [STACK]

; R1 = key code -> R0 = the code of the key's character (its digit, or its address type).
KeyCode:
        MOV     R0,M[BASEX+R1+(KeyChars-RAM_ORIGIN)]
        JMP     [CharCode]

; X Z G M S T P F: select what the Digit row shows.
KeyAddress:
        CALL    [KeyCode]
        MOV     M[BASE0+SELECT],R0
        CALL    [ClearEntryError]
        JMP     [EntryCancel]

SetDirty:
        MOV     R0,#1
        MOV     M[BASE0+DIRTY],R0
        JMP     [STACK]
