; The table area (AMT image, 0x7000..0x7FFF): constant tables of the firmware.

; Characters and their codes: character in the low byte, code in the high byte. The letter
; codes 1..8 are the type codes of the block table; the firmware maps key characters through it.
        .org    0x7000
CharTable:
        .word   '>' | (1 << 8), '<' | (2 << 8), '#' | (3 << 8)
        .word   'X' | (1 << 8), 'U' | (0x41 << 8), 'Z' | (2 << 8), 'W' | (0x42 << 8)
        .word   'G' | (3 << 8), 'M' | (4 << 8), 'S' | (5 << 8), 'T' | (6 << 8)
        .word   'P' | (7 << 8), 'F' | (8 << 8)
        .word   '0' | (0 << 8), '1' | (1 << 8), '2' | (2 << 8), '3' | (3 << 8), '4' | (4 << 8)
        .word   '5' | (5 << 8), '6' | (6 << 8), '7' | (7 << 8), '8' | (8 << 8), '9' | (9 << 8)
CharTableEnd:

; Handler of each push-button code 0..63 (0: the key does nothing).
        .org    0x7020
KeyHandlers:
        .word   0, 0, 0, 0, 0, 0, 0, 0                                          ; 0x00
        .word   0, KeyAddress, KeyAddress, KeyAddress                           ; 0x08 X Z F
        .word   KeyAddress, KeyAddress, KeyAddress, 0                           ;      M S T
        .word   0, KeyAddress, KeyAddress, KeyDigit                             ; 0x10 P G 0
        .word   KeyDigit, KeyDigit, KeyDigit, 0                                 ;      1 2 3
        .word   0, KeyDigit, KeyDigit, KeyDigit                                 ; 0x18 4 5 6
        .word   KeyDigit, KeyDigit, KeyDigit, 0                                 ;      7 8 9
        .word   0, AutoKeyN, 0, 0, 0, 0, KeyMinus, 0                            ; 0x20 N -
        .word   0, KeyManual, AutoKeyHold, KeyAuto, 0, 0, KeyHome, 0            ; 0x28
        .word   0, 0, AutoKeySingle, KeyStart, 0, KeyAxisX, KeyAxisZ, 0         ; 0x30
        .word   0, KeyClear, 0, 0, 0, AutoKeyStop, AutoKeyEnter, 0              ; 0x38 C * 

; Character of each push-button code 0..63 (0: none).
        .org    0x7060
KeyChars:
        .word   0, 0, 0, 0, 0, 0, 0, 0                                          ; 0x00
        .word   0, 'X', 'Z', 'F', 'M', 'S', 'T', 0                              ; 0x08
        .word   0, 'P', 'G', '0', '1', '2', '3', 0                              ; 0x10
        .word   0, '4', '5', '6', '7', '8', '9', 0                              ; 0x18
        .fill   32, 0                                                           ; 0x20..0x3F

; 10^5 .. 10^1 as pairs, high word first.
        .org    0x70A0
Powers10:
        .word   100000 >> 16, 100000 & 0xFFFF
        .word   0, 10000, 0, 1000, 0, 100, 0, 10

; What "*" does with a value, by the selected type code.
        .org    0x70B0
EnterHandlers:
        .word   EnterOutOfRange                                                 ; 0
        .word   EnterAxis, EnterAxis                                            ; X Z
        .word   EnterG, EnterSmall, EnterSpeed, EnterSmall                      ; G M S T
        .word   EnterStored, EnterFeed                                          ; P F

; Defaults restored when the RAM contents were lost: pairs of (offset from 0x4000, value),
; ended by 0xFFFF.
        .org    0x70C0
Defaults:
        .word   REPORT_EVERY, DEF_REPORT_EVERY
        .word   JOG_STEP, DEF_JOG_STEP, JOG_STEP_FAST, DEF_JOG_STEP_FAST
        .word   JOG_RATE, DEF_JOG_RATE, JOG_RATE_FAST, DEF_JOG_RATE_FAST
        .word   RAPID_RATE, DEF_RAPID_RATE
        .word   REF_X_H, DEF_REF_X >> 16, REF_X_L, DEF_REF_X & 0xFFFF
        .word   REF_Z_H, DEF_REF_Z >> 16, REF_Z_L, DEF_REF_Z & 0xFFFF
        .word   LIM_X_MIN_H, DEF_LIM_X_MIN >> 16 & 0xFFFF, LIM_X_MIN_H + 1, DEF_LIM_X_MIN & 0xFFFF
        .word   LIM_X_MIN_H + 2, DEF_LIM_X_MAX >> 16, LIM_X_MIN_H + 3, DEF_LIM_X_MAX & 0xFFFF
        .word   LIM_Z_MIN_H, DEF_LIM_Z_MIN >> 16 & 0xFFFF, LIM_Z_MIN_H + 1, DEF_LIM_Z_MIN & 0xFFFF
        .word   LIM_Z_MIN_H + 2, DEF_LIM_Z_MAX >> 16, LIM_Z_MIN_H + 3, DEF_LIM_Z_MAX & 0xFFFF
        .word   REFERENCED, 0               ; the position is not known any more
        .word   FAULT_PC, 0, FAULT_CODE, 0
        .word   VALUES + 6, 0, VALUES + 7, 0, VALUES + 8, 0, VALUES + 9, 0      ; G M
        .word   VALUES + 12, 0, VALUES + 13, 0, VALUES + 14, 0, VALUES + 15, 0  ; T P
        .word   CELL_BLOCK, 0, CELL_SPEED, 0, CELL_FEED, 0
        .word   CELL_X, DEF_REF_X >> 16, CELL_X + 1, DEF_REF_X & 0xFFFF
        .word   CELL_Z, DEF_REF_Z >> 16, CELL_Z + 1, DEF_REF_Z & 0xFFFF
        .word   0xFFFF

; Words that never change, written at every start: pairs of (offset from 0x4000, value),
; ended by 0xFFFF.
Fixed:
        .word   0x0000, 0xE350, 0x0001, Spurious    ; jump slots of the request lines
        .word   0x0002, 0xE350, 0x0003, Spurious
        .word   0x0004, 0xE350, 0x0005, Spurious
        .word   0x0006, 0xE350, 0x0007, TimerIsr
        .word   0x0008, 0xE350, 0x0009, Spurious
        .word   PROG_TABLE, RAM_ORIGIN + PROG_AREA + 4
        .word   0xFFFF

; The ranges a kept RAM must respect (BatteryCheck): 16-bit settings as (offset, lowest,
; highest), ended by 0xFFFF ...
SettingRanges:
        .word   REPORT_EVERY, 1, 100
        .word   JOG_STEP, 1, 10000, JOG_STEP_FAST, 1, 10000
        .word   JOG_RATE, 1, RATE_MAX, JOG_RATE_FAST, 1, RATE_MAX, RAPID_RATE, 1, RATE_MAX
        .word   REFERENCED, 0, 1
        .word   CELL_FEED, 0, FEED_MAX
        .word   USED_ENTRIES, 0, PROG_ENTRIES_MAX
        .word   VALUES + 6, 0, 0, VALUES + 7, 0, 99       ; G, M, T: two decimal digits
        .word   VALUES + 8, 0, 0, VALUES + 9, 0, 99
        .word   VALUES + 12, 0, 0, VALUES + 13, 0, 99
        .word   0xFFFF
; ... and the high words of the 32-bit ones, which must lie within +-2^24 steps.
SettingWide:
        .word   REF_X_H, REF_Z_H, LIM_X_MIN_H, LIM_X_MIN_H + 2, LIM_Z_MIN_H, LIM_Z_MIN_H + 2
        .word   CELL_X, CELL_Z, VALUES + 14
        .word   0xFFFF

; The transient state zeroed at every start: (first offset, words), ended by 0xFFFF.
VolatileRanges:
        .word   TICKS, REPORT_COUNT - TICKS + 1
        .word   JOG_FAST, OUT_FUNC - JOG_FAST + 1
        .word   LAMPS_EXTRA, LIMITS - LAMPS_EXTRA   ; move block, axis records, run, line
        .word   LIMIT_ARM, 0x100 - LIMIT_ARM        ; limit entry, rate tracking
        .word   0xFFFF
