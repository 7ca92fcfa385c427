; Handlers of request line 1, bad address and invalid instruction, at their fixed addresses,
; and of a call through an unused call-table entry. The common routine masks the interrupt,
; puts the bases and the stack back, stops both channels, reports the positions, shows
; "E" with the fault number and the saved address on the Digit row, lights ATTENTION, waits
; for the key C and starts again through the boot code.

        .org    0x1CF2
FaultLine1:
        MOV     R5,#FAULT_LINE1
        JMP     [FaultCommon]

        .org    0x1D04
FaultBadAddress:
        MOV     R5,#FAULT_BAD_ADDRESS
        JMP     [FaultCommon]

        .org    0x1D1C
FaultInvalid:
        MOV     R5,#FAULT_INVALID
FaultCommon:
        MOV     R0,#INT_MASK_BIT
        MOV     [F03B],R0
        MOV     R0,#RAM_ORIGIN
        MOV     [F010],R0
        MOV     R0,#PERIPH_BASE
        MOV     [F011],R0
        MOV     R0,[F012]                   ; the saved address, if the stack pointer is in RAM
        MOV     R4,#0xFFFF
        CMP     R0,#RAM_ORIGIN
        JA      FaultNoAddress              ; below RAM
        CMP     R0,#0x4FFF
        JC      FaultNoAddress              ; above RAM
        MOV     R4,M[R0]
FaultNoAddress:
        MOV     R0,#STACK_INIT
        MOV     [F012],R0
        ZERO    R1
        MOV     M[BASE1+IO_RATE_X],R1
        MOV     M[BASE1+IO_RATE_Z],R1
        MOV     R1,#OUT_ALARM
        MOV     M[BASE1+IO_PORT_OUT],R1
        MOV     M[BASE0+OUT_PORT],R1
        MOV     M[BASE0+FAULT_PC],R4
        MOV     M[BASE0+FAULT_CODE],R5

        MOV     R6,#AXIS_X
        MOV     R2,#COUNTER_X_ADDR
        MOV     R7,#CELL_X
        CALL    [SettleAxis]
        MOV     R6,#AXIS_Z
        MOV     R2,#COUNTER_Z_ADDR
        MOV     R7,#CELL_Z
        CALL    [SettleAxis]

        MOV     R0,M[BASE0+FAULT_CODE]
        OR      R0,#FAULT_SIGN_ROW
        MOV     M[BASE1+IO_IND_SIGN],R0
        MOV     R0,M[BASE0+FAULT_PC]
        MOV     M[BASE1+IO_IND_DIGITS],R0
        ZERO    R0
        MOV     M[BASE1+IO_KEY_LAMPS],R0
        MOV     R1,#SIG_ATTENTION
        MOV     R0,M[BASE0+ALARM]
        AND     R0,#ALARM_BATTERY
        JZ      FaultLamps
        OR      R1,#SIG_BATTERY
FaultLamps:
        MOV     M[BASE1+IO_SIG_LAMPS],R1
FaultWait:
        MOV     R1,M[BASE1+IO_KEYBOARD]
        CMP     R1,#KEY_C
        JNZ     FaultWait
        JMP     [Boot]

; A call through a call-table entry that leads nowhere.
BadCall:
        MOV     R5,#FAULT_BAD_CALL
        JMP     [FaultCommon]

; R6 = axis record, R2 = its counter's address, R7 = its cell: the steps left in the counter
; are added to the position, which goes to the cell, high word first.
SettleAxis:
        MOV     R1,M[R2]
        SIGN    R0,R1
        MOV     R2,M[BASEX+R6+AX_POS_H]
        MOV     R3,M[BASEX+R6+AX_POS_L]
        ADD     R0/1,R2/3
        MOV     M[BASEX+R6+AX_POS_H],R0
        MOV     M[BASEX+R6+AX_POS_L],R1
        MOV     M[BASEX+R7],R0
        MOV     M[BASEX+R7+0001],R1
        JMP     [STACK]
