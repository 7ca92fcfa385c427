; Composing a value on the Digit row and entering it into the selected address.
; Up to six digits; "-" toggles the sign; "*" enters; C cancels, or acknowledges an error.

; 0..9: start a value or append a digit; a seventh digit is ignored.
KeyDigit:
        CALL    [ClearEntryError]
        CALL    [KeyCode]
        MOV     R5,R0                       ; the digit
        MOV     R1,M[BASE0+ED_ACTIVE]
        JNZ     KeyDigitAppend
        CALL    [EntryStart]
KeyDigitAppend:
        MOV     R1,M[BASE0+ED_COUNT]
        CMP     R1,#(6)
        JBE     KeyDigitFull                ; six digits already
        INC     R1
        MOV     M[BASE0+ED_COUNT],R1
        MOV     R0,M[BASE0+ED_VALUE_H]
        MOV     R1,M[BASE0+ED_VALUE_L]
        CALL    [Times10]
        ZERO    R2
        MOV     R3,R5
        ADD     R0/1,R2/3
        MOV     M[BASE0+ED_VALUE_H],R0
        MOV     M[BASE0+ED_VALUE_L],R1
KeyDigitFull:
        JMP     [SetDirty]

; "-": toggle the sign of the value being composed (starting one if none is).
KeyMinus:
        CALL    [ClearEntryError]
        MOV     R1,M[BASE0+ED_ACTIVE]
        JNZ     KeyMinusToggle
        CALL    [EntryStart]
KeyMinusToggle:
        MOV     R1,M[BASE0+ED_NEG]
        XOR     R1,#1
        MOV     M[BASE0+ED_NEG],R1
        JMP     [SetDirty]

; C: cancel the value being composed; without one, acknowledge the error and the battery
; message. Error 01 stays while the machine is still not ready.
KeyClear:
        MOV     R1,M[BASE0+ED_ACTIVE]
        JZ      KeyClearError
        JMP     [EntryCancel]
KeyClearError:
        MOV     R1,M[BASE0+ALARM]
        AND     R1,#ALARM_NOT_READY         ; the battery message goes in any case
        MOV     R2,M[BASE1+IO_PORT_IN]
        AND     R2,#IN_READY
        JZ      KeyClearKeep
        ZERO    R1
        MOV     M[BASE0+ERROR],R1
KeyClearKeep:
        MOV     M[BASE0+ALARM],R1
        JMP     [SetDirty]

; Errors 02 and 03 are about the last entry; a new entry clears them.
ClearEntryError:
        MOV     R0,M[BASE0+ERROR]
        CMP     R0,#ERR_NOT_READY
        JZ      ClearEntryErrorKeep
        ZERO    R0
        MOV     M[BASE0+ERROR],R0
ClearEntryErrorKeep:
        JMP     [STACK]

; Begins a new value (R5 is kept).
EntryStart:
        MOV     R0,#1
        MOV     M[BASE0+ED_ACTIVE],R0
        ZERO    R0
        MOV     M[BASE0+ED_NEG],R0
        MOV     M[BASE0+ED_COUNT],R0
        MOV     M[BASE0+ED_VALUE_H],R0
        MOV     M[BASE0+ED_VALUE_L],R0
        JMP     [STACK]

; Drops the value being composed (R0, R1 are kept).
EntryCancel:
        ZERO    R2
        MOV     M[BASE0+ED_ACTIVE],R2
        MOV     R2,#1
        MOV     M[BASE0+DIRTY],R2
        JMP     [STACK]

; "*": enter the composed value into the selected address.
KeyEnter:
        MOV     R1,M[BASE0+ED_ACTIVE]
        JNZ     KeyEnterGo
        JMP     [STACK]
KeyEnterGo:
        MOV     R0,M[BASE0+ED_VALUE_H]
        MOV     R1,M[BASE0+ED_VALUE_L]
        MOV     R2,M[BASE0+ED_NEG]
        JZ      KeyEnterSigned
        CALL    [Neg32]
KeyEnterSigned:
        CALL    [EntryCancel]
        MOV     R2,M[BASE0+SELECT]
        MOV     R3,M[BASEX+R2+(EnterHandlers-RAM_ORIGIN)]
        JMP     [R3]

; Entry handlers: R0:R1 = the signed value, R2 = the type code.

; X, Z in manual mode: move the axis there. The value is in display units, half a step each.
EnterAxis:
        MOV     R3,M[BASE0+MODE]
        CMP     R3,#MODE_MANUAL
        JNZ     EnterWrongMode
        MOV     R3,M[BASE0+HOMING]
        JNZ     EnterWrongMode
        MOV     M[BASE0+TEMP0],R2
        MOV     R2,R0                       ; CheckMoveAllowed uses R0
        MOV     R3,R1
        CALL    [CheckMoveAllowed]
        JNZ     EnterAxisDone
        SLL     R3
        SLR     R2                          ; display units to steps
        MOV     R0,R2
        MOV     R1,R3
        MOV     R2,M[BASE0+RAPID_RATE]
        MOV     R6,#AXIS_X
        MOV     R3,M[BASE0+TEMP0]
        CMP     R3,#TYPE_X
        JZ      EnterAxisGo
        MOV     R6,#AXIS_Z
EnterAxisGo:
        CALL    [IntOff]
        CALL    [MoveAxis]
        CALL    [IntOn]
EnterAxisDone:
        JMP     [STACK]
EnterWrongMode:
        MOV     R0,#ERR_MODE
        JMP     [ShowError]

; S: the spindle speed cell, a signed word.
EnterSpeed:
        MOV     R3,R1
        SIGN    R2,R3                       ; R2 = the high word R0 must have
        CMP     R2,R0
        JNZ     EnterOutOfRange
        MOV     M[BASEX+CELL_SPEED],R1
        JMP     [SetDirty]

; F: the feed cell, 0..FEED_MAX.
EnterFeed:
        TEST    R0
        JNZ     EnterOutOfRange
        CMP     R1,#FEED_MAX
        JC      EnterOutOfRange             ; above the fastest feed
        MOV     M[BASEX+CELL_FEED],R1
        JMP     [SetDirty]

; G, M, T: 0..99, kept in VALUES.
EnterSmall:
        TEST    R0
        JNZ     EnterOutOfRange
        CMP     R1,#(99)
        JC      EnterOutOfRange
; P: any value of six digits, kept in VALUES.
EnterStored:
        SLL     R2
        MOV     M[BASEX+R2+VALUES],R0
        MOV     M[BASEX+R2+(VALUES+1)],R1
        JMP     [SetDirty]

EnterOutOfRange:
        MOV     R0,#ERR_RANGE
        JMP     [ShowError]

; R0 = error code -> shown on the Digit row with ATTENTION lit, until C or a new entry.
ShowError:
        MOV     M[BASE0+ERROR],R0
        ZERO    R0
        MOV     M[BASE0+ED_ACTIVE],R0
        JMP     [SetDirty]
