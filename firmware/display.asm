; Indicators, lamps and the output port. The panel is notified only when a word changes, so
; the words are written freely; the work of converting values is done only when DIRTY is set
; (by the keys, the entry, and the interrupt routine after each position report).

UpdateDisplay:
        MOV     R1,M[BASE0+DIRTY]
        JNZ     UpdateDisplayGo
        JMP     [STACK]
UpdateDisplayGo:
        ZERO    R1
        MOV     M[BASE0+DIRTY],R1

        ; Podacha: the feed, four digits.
        MOV     R1,M[BASEX+CELL_FEED]
        CMP     R1,#(9999)
        JNC     ShowFeedFits
        MOV     R1,#(9999)
ShowFeedFits:
        ZERO    R0
        MOV     R2,#(6)
        CALL    [ToDecimal]
        MOV     M[BASE1+IO_IND_FEED],R1

        ; Kadr: the block index, three digits. Bits 12..15 are not shown; they are kept 1 so
        ; that the first write after power-on differs from the register's 0 and the panel
        ; shows (and decodes) the block once.
        MOV     R1,M[BASEX+CELL_BLOCK]
        ZERO    R0
        MOV     R2,#(6)
        CALL    [ToDecimal]
        OR      R1,#0xF000
        MOV     M[BASE1+IO_IND_BLOCK],R1

        ; Digit row: an error, the value being composed, or the selected address.
        MOV     R1,M[BASE0+ERROR]
        JZ      ShowRowNoError
        MOV     R0,#ERROR_SIGN_ROW
        OR      R1,#0xFF00
        JMP     [ShowRowWrite]
ShowRowNoError:
        MOV     R1,M[BASE0+ED_ACTIVE]
        JZ      ShowRowValue
        MOV     R2,M[BASE0+ED_COUNT]
        JNZ     ShowRowDigits
        INC     R2                          ; a value with no digit yet shows 0
ShowRowDigits:
        MOV     R5,M[BASE0+ED_NEG]
        MOV     R0,M[BASE0+ED_VALUE_H]
        MOV     R1,M[BASE0+ED_VALUE_L]
        JMP     ShowRowConvert
ShowRowValue:
        CALL    [SelectedValue]             ; R0:R1 signed, R5 = 1 for a position
        MOV     R4,R5                       ; positions show in display units (halved)
        ZERO    R5
        TEST    R0
        JNS     ShowRowPositive
        INC     R5
        CALL    [Neg32]
ShowRowPositive:
        TEST    R4
        JZ      ShowRowWhole
        SRL     R0
        SRR     R1
ShowRowWhole:
        CALL    [Fits6]
        JC      ShowRowOverflow
        MOV     R2,#1
ShowRowConvert:
        MOV     M[BASE0+TEMP1],R5
        CALL    [ToDecimal]                      ; R0 = two digits, R1 = four digits
        MOV     R5,M[BASE0+TEMP1]
        AND     R0,#0x00FF
        OR      R0,#IND_UNUSED
        TEST    R5
        JNZ     ShowRowWrite
        OR      R0,#IND_PLUS
ShowRowWrite:
        MOV     M[BASE1+IO_IND_SIGN],R0
        MOV     M[BASE1+IO_IND_DIGITS],R1
        JMP     [STACK]
ShowRowOverflow:
        MOV     R0,#0xFFEE                  ; more than six digits: EEEEEE
        MOV     R1,#0xEEEE
        JMP     ShowRowWrite

; R0:R1 = magnitude -> C set when it has more than six digits.
Fits6:
        MOV     R2,#0x000F
        MOV     R3,#0x423F                  ; 999999
        CMP     R2/3,R0/1                   ; C when 999999 < value
        JMP     [STACK]

; -> R0:R1 = the value of the selected address (signed), R5 = 1 for X and Z.
SelectedValue:
        ZERO    R5
        MOV     R2,M[BASE0+SELECT]
        CMP     R2,#TYPE_X
        JZ      SelectedX
        CMP     R2,#TYPE_Z
        JZ      SelectedZ
        CMP     R2,#TYPE_S
        JZ      SelectedSpeed
        CMP     R2,#TYPE_F
        JZ      SelectedFeed
        SLL     R2
        MOV     R0,M[BASEX+R2+VALUES]
        MOV     R1,M[BASEX+R2+(VALUES+1)]
        JMP     [STACK]
SelectedX:
        MOV     R2,#CELL_X
        JMP     SelectedCell
SelectedZ:
        MOV     R2,#CELL_Z
SelectedCell:
        INC     R5
        CALL    [IntOff]                    ; the interrupt routine writes the cells
        MOV     R0,M[BASEX+R2]
        MOV     R1,M[BASEX+R2+0001]
        JMP     [IntOn]
SelectedSpeed:
        MOV     R1,M[BASEX+CELL_SPEED]
        SIGN    R0,R1
        JMP     [STACK]
SelectedFeed:
        ZERO    R0
        MOV     R1,M[BASEX+CELL_FEED]
        JMP     [STACK]

; Lamps and output port, every pass; each word is written only when it changes.
UpdateOutputs:
        CALL    [PollHome]
OutputsKeyLamps:
        MOV     R2,M[BASE0+LAMPS_EXTRA]
        MOV     R1,M[BASE0+MODE]
        CMP     R1,#MODE_AUTO
        JNZ     OutputsNotAuto
        OR      R2,#LAMP_AUTO
OutputsNotAuto:
        CMP     R1,#MODE_MANUAL
        JNZ     OutputsKeyWrite
        OR      R2,#LAMP_MANUAL
        MOV     R1,M[BASE0+HOMING]
        JZ      OutputsNotHoming
        OR      R2,#LAMP_HOME
OutputsNotHoming:
        MOV     R1,M[BASE0+JOG_AXIS]
        CMP     R1,#TYPE_X
        JNZ     OutputsNotX
        OR      R2,#LAMP_JOG_X
OutputsNotX:
        CMP     R1,#TYPE_Z
        JNZ     OutputsKeyWrite
        OR      R2,#LAMP_JOG_Z
OutputsKeyWrite:
        MOV     R1,M[BASE0+LAMPS_KEY]
        CMP     R1,R2
        JZ      OutputsSigLamps
        MOV     M[BASE0+LAMPS_KEY],R2
        MOV     M[BASE1+IO_KEY_LAMPS],R2

OutputsSigLamps:
        MOV     R3,M[BASE0+SELECT]
        AND     R3,#0x000F
        MOV     R2,M[BASEX+R3+MASKS]        ; letter lamp: bit 15 - type code
        AND     R2,#SIG_LETTERS
        MOV     R0,M[BASE0+ALARM]
        MOV     R3,R0
        AND     R3,#ALARM_BATTERY
        JZ      OutputsNoBattery
        OR      R2,#SIG_BATTERY
OutputsNoBattery:
        AND     R0,#ALARM_NOT_READY
        OR      R0,M[BASE0+ERROR]
        JZ      OutputsSigWrite
        OR      R2,#SIG_ATTENTION
OutputsSigWrite:
        MOV     R1,M[BASE0+LAMPS_SIG]
        CMP     R1,R2
        JZ      OutputsPort
        MOV     M[BASE0+LAMPS_SIG],R2
        MOV     M[BASE1+IO_SIG_LAMPS],R2

OutputsPort:
        MOV     R2,M[BASE0+OUT_FUNC]
        AND     R2,#OUT_FUNC_MASK
        MOV     R1,M[BASE0+ALARM]
        AND     R1,#ALARM_NOT_READY
        JZ      OutputsEnabled
        OR      R2,#OUT_ALARM
        JMP     OutputsMoving
OutputsEnabled:
        OR      R2,#OUT_ENABLE
OutputsMoving:
        MOV     R1,M[BASE0+OUT_PORT]
        CMP     R1,R2
        JZ      OutputsDone
        MOV     M[BASE0+OUT_PORT],R2
        MOV     M[BASE1+IO_PORT_OUT],R2
OutputsDone:
        JMP     [STACK]
