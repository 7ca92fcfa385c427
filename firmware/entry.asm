; Composing a value on the Digit row and entering it into the selected address.
; Up to six digits; "-" toggles the sign; "*" enters; C cancels, or acknowledges an error.

; 0..9: start a value or append a digit; a seventh digit is ignored. After a key refused in
; this mode (error 02) nothing is typed until C or an address key, so that no digit goes to
; an address the operator did not mean.
KeyDigit:
        MOV     R0,M[BASE0+ERROR]
        CMP     R0,#ERR_MODE
        JZ      KeyLocked
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

KeyLocked:
        JMP     [STACK]

; "-": toggle the sign of the value being composed (starting one if none is).
KeyMinus:
        MOV     R0,M[BASE0+ERROR]
        CMP     R0,#ERR_MODE
        JZ      KeyLocked
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
        MOV     R0,M[BASE0+ED_COUNT]
        JZ      KeyEnterIncomplete          ; a sign without digits is no value
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
KeyEnterIncomplete:
        CALL    [EntryCancel]
        JMP     [EnterOutOfRange]

; Entry handlers: R0:R1 = the signed value, R2 = the type code.

; X, Z in manual mode: move the axis there at the rapid rate (value in display units, two
; steps each); after G50 / G51 the value becomes the axis's minimum / maximum travel limit
; instead. A move needs the machine ready (01), referenced (07) and the target within the
; limits (08).
EnterAxis:
        MOV     R3,M[BASE0+MODE]
        CMP     R3,#MODE_MANUAL
        JNZ     EnterWrongMode
        MOV     R3,M[BASE0+HOMING]
        JNZ     EnterWrongMode
        SLL     R1
        SLR     R0                          ; display units to steps
        MOV     R6,#AXIS_X
        CMP     R2,#TYPE_X
        JZ      EnterAxisRecord
        MOV     R6,#AXIS_Z
EnterAxisRecord:
        MOV     R3,M[BASE0+LIMIT_ARM]
        JNZ     EnterLimit
        MOV     R2,R0
        MOV     R3,R1
        CALL    [CheckMoveAllowed]
        JNZ     EnterAxisDone
        CALL    [CheckReferenced]
        JNZ     EnterAxisDone
        MOV     R0,R2
        MOV     R1,R3
        CALL    [CheckLimit]
        JNZ     EnterAxisDone
        MOV     R2,M[BASE0+RAPID_RATE]
        CALL    [IntOff]
        CALL    [MoveAxis]
        CALL    [IntOn]
EnterAxisDone:
        JMP     [STACK]
EnterWrongMode:
        MOV     R0,#ERR_MODE
        JMP     [ShowError]

; R6 = axis record, R0:R1 = the limit in steps, R3 = ARM_MIN or ARM_MAX. A limit that would
; put the minimum above the maximum or leave the reference point outside is refused (03),
; so that a reference return always ends within the limits.
EnterLimit:
        MOV     R7,M[BASEX+R6+AX_LIMITS]
        CMP     R3,#ARM_MIN
        JZ      EnterLimitSet
        INC     R7
        INC     R7
EnterLimitSet:
        MOV     R4,M[BASEX+R7]              ; the old limit, kept if refused
        MOV     R5,M[BASEX+R7+0001]
        MOV     M[BASE0+TEMP0],R4
        MOV     M[BASE0+TEMP1],R5
        MOV     M[BASEX+R7],R0
        MOV     M[BASEX+R7+0001],R1
        MOV     M[BASE0+TEMP2],R7
        ZERO    R0
        MOV     M[BASE0+LIMIT_ARM],R0
        MOV     R7,M[BASEX+R6+AX_LIMITS]
        MOV     R3,#REF_X_H
        CMP     R6,#AXIS_X
        JZ      EnterLimitCheck
        MOV     R3,#REF_Z_H
EnterLimitCheck:
        CALL    [LimitsOrdered]
        JZ      [SetDirty]
        MOV     R7,M[BASE0+TEMP2]
        MOV     R4,M[BASE0+TEMP0]
        MOV     R5,M[BASE0+TEMP1]
        MOV     M[BASEX+R7],R4
        MOV     M[BASEX+R7+0001],R5
        JMP     EnterOutOfRange

; S: the spindle speed cell, a signed word.
EnterSpeed:
        MOV     R3,R1
        SIGN    R2,R3                       ; R2 = the high word R0 must have
        CMP     R2,R0
        JNZ     EnterOutOfRange
        MOV     M[BASEX+CELL_SPEED],R1
        JMP     [SetDirty]

; F: the feed cell, 0..FEED_MAX; not while a program runs (its feed stays what it shows).
EnterFeed:
        MOV     R3,M[BASE0+AU_STATE]
        JNZ     EnterWrongMode
        TEST    R0
        JNZ     EnterOutOfRange
        CMP     R1,#FEED_MAX
        JC      EnterOutOfRange             ; above the fastest feed
        MOV     M[BASEX+CELL_FEED],R1
        JMP     [SetDirty]

; G: 0..99, kept in VALUES; G50 and G51 arm the entry of a travel limit, any other G disarms.
EnterG:
        TEST    R0
        JNZ     EnterOutOfRange
        CMP     R1,#(99)
        JC      EnterOutOfRange
        ZERO    R3
        CMP     R1,#G_LIMIT_MIN
        JNZ     EnterGMax
        MOV     R3,#ARM_MIN
EnterGMax:
        CMP     R1,#G_LIMIT_MAX
        JNZ     EnterGArm
        MOV     R3,#ARM_MAX
EnterGArm:
        MOV     M[BASE0+LIMIT_ARM],R3
        JMP     EnterStored

; M, T: 0..99, kept in VALUES.
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
