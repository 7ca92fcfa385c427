; Start-up. Reached from word 0 at power-on and from the fault routine after the operator has
; pressed C. Leaves the interrupt running and enters the main loop.

        .org    0x1953
Boot:
        MOV     R0,#INT_MASK_BIT
        MOV     [F03B],R0                   ; no interrupt until everything is set up
        MOV     R0,#RAM_ORIGIN
        MOV     [F010],R0                   ; BASE0
        MOV     R0,#PERIPH_BASE
        MOV     [F011],R0                   ; BASE1
        MOV     R0,#STACK_INIT
        MOV     [F012],R0                   ; stack pointer

        ZERO    R1
        MOV     M[BASE1+IO_TIMER_RUN],R1    ; timer stopped
        MOV     M[BASE1+IO_RATE_X],R1       ; both channels idle
        MOV     M[BASE1+IO_RATE_Z],R1
        MOV     M[BASE1+IO_MARK],R1         ; marks disarmed
        MOV     R1,#OUT_ALARM
        MOV     M[BASE1+IO_PORT_OUT],R1     ; channels off until the state is known

        CALL    [ClearVolatile]
        CALL    [BatteryCheck]
        CALL    [InitVolatile]
        CALL    [InitAxes]
        CALL    [BlankDisplays]
        CALL    [ReportBoth]
        MOV     R1,M[BASEX+CELL_SPEED]      ; speed and feed cells written once, so that
        MOV     M[BASEX+CELL_SPEED],R1      ; the panel shows them
        MOV     R1,M[BASEX+CELL_FEED]
        MOV     M[BASEX+CELL_FEED],R1

        MOV     R1,#TIMER_PERIODIC
        MOV     M[BASE1+IO_TIMER_MODE],R1
        ZERO    R1
        MOV     M[BASE1+IO_TIMER_INHIBIT],R1
        MOV     R1,#TIMER_RELOAD
        MOV     M[BASE1+IO_TIMER_RELOAD],R1 ; loads the count and starts the timer
        CALL    [IntOn]
        JMP     [MainLoop]

; Every word of transient state is zeroed at every start, whatever the RAM held: the motion
; state (axis records, the line, the move block, the rate tracking), the interpreter's run
; and the keyboard entry. Only the persistent settings survive, and BatteryCheck vets them.
ClearVolatile:
        MOV     R2,#(VolatileRanges-1)
        ZERO    R0
ClearVolatileRange:
        MOV     R1,M[R2++]                  ; first offset, 0xFFFF ends the list
        CMP     R1,#0xFFFF
        JZ      ClearVolatileDone
        MOV     R3,M[R2++]                  ; words
ClearVolatileWord:
        MOV     M[BASEX+R1],R0
        INC     R1
        DEC     R3
        JNZ     ClearVolatileWord
        JMP     ClearVolatileRange
ClearVolatileDone:
        JMP     [STACK]

; The state that every start begins with: manual mode, X selected, the lamp shadows unlike
; anything written, the build's jog steps and rates. The persistent settings (feed, speed,
; stored values, limits) are kept.
InitVolatile:
        MOV     R0,#MODE_MANUAL
        MOV     M[BASE0+MODE],R0
        MOV     R0,#TYPE_X
        MOV     M[BASE0+SELECT],R0
        MOV     R0,M[BASE0+REPORT_EVERY]
        MOV     M[BASE0+REPORT_COUNT],R0
        MOV     R0,#IND_BLANK               ; the shadows differ from anything written,
        MOV     M[BASE0+LAMPS_KEY],R0       ; so the first pass writes every lamp word
        MOV     M[BASE0+LAMPS_SIG],R0
        MOV     M[BASE0+OUT_PORT],R0
        MOV     R0,#1
        MOV     M[BASE0+DIRTY],R0
        MOV     R1,#BUILD_OPTIONS_ADDR
        MOV     R1,M[R1]
        MOV     R0,R1
        AND     R0,#OPT_FINE_JOG
        JZ      InitVolatileSetup
        MOV     R0,#FINE_JOG_STEP
        MOV     M[BASE0+JOG_STEP],R0
        MOV     R0,#FINE_JOG_STEP_FAST
        MOV     M[BASE0+JOG_STEP_FAST],R0
InitVolatileSetup:
        AND     R1,#OPT_SETUP
        JZ      InitVolatileDone
        MOV     R0,#SETUP_RATE
        MOV     M[BASE0+RAPID_RATE],R0
        MOV     M[BASE0+JOG_RATE_FAST],R0
InitVolatileDone:
        JMP     [STACK]

; The RAM is battery-backed. The words that never change (jump slots, block-table address,
; bit masks) are written at every start. The settings are kept when the signature is right
; and every one lies in its range (SettingsValid); otherwise the RAM contents were lost (a
; flat battery leaves 0xFFFF, a failing one anything): the settings and the watched cells get
; their defaults back, a program header out of range empties the program, and BATTERY
; lights until C.
BatteryCheck:
        MOV     R2,#(Fixed-1)
        CALL    [StorePairs]
        MOV     R2,#MASKS                   ; the bit masks and their complements
        MOV     R3,#0x8000
BatteryMask:
        MOV     M[BASEX+R2],R3
        MOV     R4,R3
        INV     R4
        MOV     M[BASEX+R2+(INV_MASKS-MASKS)],R4
        INC     R2
        SRL     R3
        JNZ     BatteryMask
        CALL    [SettingsValid]
        JNZ     BatteryLost
        JMP     [STACK]
BatteryLost:
        MOV     R2,#(Defaults-1)
        CALL    [StorePairs]
        MOV     R1,M[BASEX+USED_ENTRIES]
        CMP     R1,#PROG_ENTRIES_MAX        ; C when more entries than the areas hold
        JNC     BatteryProgram
        ZERO    R1
        MOV     M[BASEX+USED_ENTRIES],R1
BatteryProgram:
        MOV     R1,#SIGNATURE_OK
        MOV     M[BASE0+RAM_SIGNATURE],R1
        MOV     R1,#ALARM_BATTERY
        MOV     M[BASE0+ALARM],R1
        JMP     [STACK]

; R2 = address of a list - 1: pairs (offset from 0x4000, value), 0xFFFF ends it; each value
; is stored at its offset.
StorePairs:
        MOV     R3,M[R2++]
        CMP     R3,#0xFFFF
        JZ      StorePairsDone
        MOV     R4,M[R2++]
        MOV     M[BASEX+R3],R4
        JMP     StorePairs
StorePairsDone:
        JMP     [STACK]

; -> Z set (R0 = 0) when the signature is right and every setting the firmware relies on lies
; in its range: the 16-bit ones of SettingRanges, the 32-bit positions, reference points and
; limits within +-2^24 steps, and each axis's minimum <= reference point <= maximum.
SettingsValid:
        MOV     R1,M[BASE0+RAM_SIGNATURE]
        CMP     R1,#SIGNATURE_OK
        JNZ     SettingsBad
        MOV     R2,#(SettingRanges-1)
SettingsRange:
        MOV     R3,M[R2++]                  ; offset, 0xFFFF ends the list
        CMP     R3,#0xFFFF
        JZ      SettingsWide
        MOV     R1,M[BASEX+R3]
        MOV     R4,M[R2++]                  ; lowest
        CMP     R4,R1                       ; C when the lowest is above the value
        JC      SettingsBad
        MOV     R4,M[R2++]                  ; highest
        CMP     R1,R4                       ; C when the value is above the highest
        JC      SettingsBad
        JMP     SettingsRange
SettingsWide:
        MOV     R2,#(SettingWide-1)
SettingsWideNext:
        MOV     R3,M[R2++]                  ; offset of a high word, 0xFFFF ends the list
        CMP     R3,#0xFFFF
        JZ      SettingsOrder
        MOV     R1,M[BASEX+R3]
        ADD     R1,#0x0100                  ; 0xFF00..0x00FF -> 0..0x01FF
        CMP     R1,#0x01FF                  ; C above
        JC      SettingsBad
        JMP     SettingsWideNext
SettingsOrder:
        MOV     R7,#LIM_X_MIN_H
        MOV     R3,#REF_X_H
        CALL    [LimitsOrdered]
        JNZ     SettingsBad
        MOV     R7,#LIM_Z_MIN_H
        MOV     R3,#REF_Z_H
        JMP     [LimitsOrdered]
SettingsBad:
        MOV     R0,#1                       ; Z clear
        JMP     [STACK]

; Indicator words to blank, so that the first display pass redraws every group. (Kadr is not
; blanked: each change of it makes the panel decode a block into its trace.)
BlankDisplays:
        MOV     R1,#IND_BLANK
        MOV     M[BASE1+IO_IND_FEED],R1
        MOV     M[BASE1+IO_IND_SIGN],R1
        MOV     M[BASE1+IO_IND_DIGITS],R1
        JMP     [STACK]

; The build's options (see defs.inc).
        .org    BUILD_OPTIONS_ADDR
BuildOptions:
        .word   OPTIONS_FINE_JOG | OPTIONS_SETUP

.ifdef SERVICE
; Service build: a lamp test before the ordinary start. All digits show 8, every frame and
; signal lamp is lit for about 130,000 steps (the output port is not touched), then the boot
; runs as usual.
        .org    0x1C3D
ServiceEntry:
        MOV     R0,#INT_MASK_BIT
        MOV     [F03B],R0
        MOV     R0,#PERIPH_BASE
        MOV     [F011],R0
        MOV     R1,#0x8888
        MOV     M[BASE1+IO_IND_FEED],R1
        MOV     M[BASE1+IO_IND_BLOCK],R1
        MOV     M[BASE1+IO_IND_DIGITS],R1
        MOV     R1,#0xF888
        MOV     M[BASE1+IO_IND_SIGN],R1
        MOV     R1,#0xFFFF                  ; lamps only: the output port stays as it is
        MOV     M[BASE1+IO_KEY_LAMPS],R1
        MOV     M[BASE1+IO_SIG_LAMPS],R1
        MOV     R2,#(0)
ServiceWait:
        DEC     R2
        JNZ     ServiceWait                 ; 65536 passes of 2 steps
        ZERO    R1
        MOV     M[BASE1+IO_KEY_LAMPS],R1
        JMP     [Boot]
.endif
