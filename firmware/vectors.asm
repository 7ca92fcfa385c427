; Word 0: the first instruction. Words 0..255: the call table of the one-word CALL M[dd], which
; also holds the request vectors. Entries without a routine lead to BadCall.

        .org    0x0000
.ifdef SERVICE
        JMP     [ServiceEntry]
.else
        JMP     [Boot]
.endif

        .org    0x0002
        .fill   14, BadCall                 ; 2..15
        .word   MoveTo                      ; 16
        .word   MotionIdle                  ; 17
        .word   MotionAbort                 ; 18
        .word   ReadPositions               ; 19
        .word   IntOff                      ; 20
        .word   IntOn                       ; 21
        .word   ShowError                   ; 22
        .word   ToDecimal                        ; 23
        .word   Div32                       ; 24
        .word   AutoStartKey                ; 25
        .word   AutoModePoll                ; 26
        .fill   136 - 27, BadCall           ; 27..135
        .word   0x4000                      ; 136 request line 5, through the RAM jump slots
        .word   0x4002                      ; 137 request line 6
        .word   0x4004                      ; 138 request line 7
        .word   0x4006                      ; 139 timer
        .fill   160 - 140, BadCall          ; 140..159
        .word   0x4008                      ; 160 spare RAM jump slot
        .fill   191 - 161, BadCall          ; 161..190
        .word   FaultLine1                  ; 191 request line 1
        .fill   239 - 192, BadCall          ; 192..238
        .word   FaultBadAddress             ; 239 bad address
        .fill   255 - 240, BadCall          ; 240..254
        .word   FaultInvalid                ; 255 invalid instruction
