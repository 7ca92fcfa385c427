; Functions of a block go to the machine through the handshake sequencer: the function code
; (1 for M, 4 for T) in output bits 8..10 with the request bit 14 announces the exchange, the
; sequencer answers on input bit 14, the data byte (the code as two decimal digits) is
; strobed with bit 13; the sequencer latches it, stays busy for about 2.5 million steps and
; then drops input bit 14. While bits 8..10 are not 0 every port write restarts the exchange,
; so they are cleared as soon as the byte is strobed. Exchanges happen between moves only
; (bit 14 is also the channel enable, and the moving bits change the port).

; R4 = function code in bits 8..10, R5 = data byte. One look at the exchange, begun on the
; first call. -> Z set when it is done. Uses R0..R6.
Exchange:
        MOV     R0,M[BASE0+AU_EX]
        JNZ     ExchangeBusy
        MOV     R0,M[BASE1+IO_PORT_IN]
        AND     R0,#IN_BUSY
        JNZ     ExchangeWait                ; the sequencer is still busy with another
        OR      R4,R5
        MOV     M[BASE0+OUT_FUNC],R4
        CALL    [UpdateOutputs]             ; announce
        MOV     R6,#ANSWER_TRIES
ExchangeAnswer:
        MOV     R0,M[BASE1+IO_PORT_IN]
        AND     R0,#IN_BUSY
        JNZ     ExchangeStrobe
        DEC     R6
        JNZ     ExchangeAnswer
        ZERO    R0                          ; no answer: withdrawn, tried again next pass
        MOV     M[BASE0+OUT_FUNC],R0
        CALL    [UpdateOutputs]
        JMP     ExchangeWait
ExchangeStrobe:
        MOV     R4,M[BASE0+OUT_FUNC]
        OR      R4,#OUT_STROBE
        MOV     M[BASE0+OUT_FUNC],R4
        CALL    [UpdateOutputs]             ; the sequencer latches the byte two steps later,
        ZERO    R0                          ; long before the next port write below
        MOV     M[BASE0+OUT_FUNC],R0
        CALL    [UpdateOutputs]
        MOV     R0,#1
        MOV     M[BASE0+AU_EX],R0
ExchangeWait:
        MOV     R0,#1                       ; Z clear
        JMP     [STACK]
ExchangeBusy:
        MOV     R0,M[BASE1+IO_PORT_IN]
        AND     R0,#IN_BUSY
        JNZ     ExchangeWait
        MOV     M[BASE0+AU_EX],R0           ; 0: done, Z set
        JMP     [STACK]
