; Automatic mode: runs the stored part program block by block. The main loop calls
; AutoModePoll once per pass (call-table entry 26); the start key calls AutoStartKey (entry 25)
; in automatic mode. A run is a sequence of phases kept in AU_STATE; each pass does what the
; phase allows without waiting and returns, so the keys, displays and lamps keep running.
; See firmware/AUTO.md for the meaning of the blocks.

; ------------------------------------------------------------------------ hooks
AutoModePoll:
        MOV     R1,M[BASE0+ED_ACTIVE]       ; a block number typed after N ends with the
        JNZ     AutoModePollRun             ; entry (cancelled by C or an address key)
        MOV     M[BASE0+AU_NSEL],R1
AutoModePollRun:
        CALL    [AutoRun]
        JMP     [AutoLamps]

; Start key in automatic mode: begins a run at the block shown, goes on after a single
; block, resumes after a hold, or resumes a stopped block toward the end point it had. An
; error shown from before goes (error 01 stays while the machine is not ready).
AutoStartKey:
        CALL    [ClearEntryError]
        CALL    [SetDirty]
        MOV     R1,M[BASE0+AU_STATE]
        JZ      AutoStartRun
        CMP     R1,#ST_WAIT
        JZ      AutoStartNext
        MOV     R1,M[BASE0+AU_HOLD]
        JNZ     [AutoResume]
        JMP     [STACK]                     ; already running
AutoStartNext:
        MOV     R1,#ST_BLOCK
        MOV     M[BASE0+AU_STATE],R1
        JMP     [STACK]
AutoStartRun:
        CALL    [CheckMoveAllowed]          ; error 01 when the machine is not ready
        JNZ     AutoStartDone
        CALL    [CheckReferenced]           ; error 07 before a reference return
        JNZ     AutoStartDone
        MOV     R1,M[BASE0+AU_RESUME]       ; the stopped block, still shown: resumed
        JZ      AutoStartFresh
        MOV     R2,M[BASEX+CELL_BLOCK]
        MOV     R0,M[BASE0+AU_BLOCK]
        CMP     R0,R2
        JNZ     AutoStartFresh
        ZERO    R0
        MOV     M[BASE0+AU_RESUME],R0
        MOV     M[BASE0+AU_HOLD],R0
        MOV     M[BASE0+AU_STATE],R1
        MOV     R0,M[BASE0+TICKS]           ; a dwell counts on from now
        MOV     M[BASE0+AU_LAST],R0
        MOV     R0,M[BASEX+CELL_FEED]       ; at the feed shown, typed after the stop
        MOV     M[BASE0+AU_RATE],R0
        MOV     R2,M[BASE0+BK_G]
        JZ      AutoStartResume             ; a rapid keeps its rate
        MOV     M[BASE0+AU_MOVE_RATE],R0
        TEST    R0
        JNZ     AutoStartResume
        CMP     R1,#ST_MOVING               ; a feed move still to make needs a feed
        JC      AutoStartResume
        MOV     R0,#ERR_BLOCK
        JMP     [RunError]
AutoStartResume:
        CMP     R1,#ST_MOVING
        JNZ     AutoStartDone
        JMP     [AutoMove]                  ; the chord being cut, from where the axes stand
AutoStartFresh:
        ZERO    R0
        MOV     M[BASE0+AU_RESUME],R0
        MOV     R1,M[BASEX+CELL_BLOCK]      ; the block shown, unless it is no block start
        CALL    [IsBlockStart]
        JZ      AutoStartAt
        ZERO    R1
AutoStartAt:
        MOV     M[BASE0+AU_BLOCK],R1
        CALL    [ReadPositions]
        MOV     M[BASE0+AU_PX_H],R0
        MOV     M[BASE0+AU_PX_L],R1
        MOV     M[BASE0+AU_PZ_H],R2
        MOV     M[BASE0+AU_PZ_L],R3
        MOV     R1,#1                       ; a run begins in linear motion
        MOV     M[BASE0+AU_G],R1
        MOV     R1,M[BASEX+CELL_FEED]       ; at the feed shown
        MOV     M[BASE0+AU_RATE],R1
        ZERO    R1
        MOV     M[BASE0+AU_HOLD],R1
        MOV     M[BASE0+AU_EX],R1
        MOV     R1,#ST_BLOCK
        MOV     M[BASE0+AU_STATE],R1
AutoStartDone:
        JMP     [STACK]

; Ends the run where it is: the block shown stays the one a new start begins with. A block
; stopped after it was read is remembered (AU_RESUME), so that start resumes it.
AutoEndRun:
        MOV     R0,M[BASE0+AU_STATE]
        JNZ     AutoEndRunGo
        JMP     [STACK]
AutoEndRunGo:
        ZERO    R1
        CMP     R0,#ST_TOOL                 ; phases tool .. dwell
        JA      AutoEndRunMark
        CMP     R0,#ST_DWELL
        JC      AutoEndRunMark
        MOV     R1,R0
AutoEndRunMark:
        MOV     M[BASE0+AU_RESUME],R1
        ZERO    R0
        MOV     M[BASE0+AU_STATE],R0
        MOV     M[BASE0+AU_HOLD],R0
        MOV     M[BASE0+OUT_FUNC],R0        ; a request not yet strobed is withdrawn
        JMP     [MotionAbort]

; Key frame lamps of the interpreter, only in automatic mode: start while running, hold,
; single block.
AutoLamps:
        ZERO    R2
        MOV     R1,M[BASE0+MODE]
        CMP     R1,#MODE_AUTO
        JNZ     AutoLampsWrite
        MOV     R1,M[BASE0+AU_SINGLE]
        JZ      AutoLampsHold
        OR      R2,#LAMP_SINGLE
AutoLampsHold:
        MOV     R1,M[BASE0+AU_HOLD]
        JZ      AutoLampsStart
        OR      R2,#LAMP_HOLD
        JMP     AutoLampsWrite
AutoLampsStart:
        MOV     R1,M[BASE0+AU_STATE]
        JZ      AutoLampsWrite
        CMP     R1,#ST_WAIT
        JZ      AutoLampsWrite
        OR      R2,#LAMP_START
AutoLampsWrite:
        MOV     M[BASE0+LAMPS_EXTRA],R2
        JMP     [STACK]

; ------------------------------------------------------------------------ block display
; The current block: BlockIndexCell first, then the Kadr digits, so that the panel, which
; decodes when the Kadr word changes, reads the new block. Kadr is written as the display
; pass writes it (bits 12..15 kept 1), so that the next pass finds it unchanged.
ShowBlock:
        MOV     R1,M[BASE0+AU_BLOCK]
        MOV     M[BASEX+CELL_BLOCK],R1
        ZERO    R0
        MOV     R2,#(6)
        CALL    [ToDecimal]
        OR      R1,#0xF000
        MOV     M[BASE1+IO_IND_BLOCK],R1
        JMP     [STACK]

; R1 = entry index -> Z set when a block begins there: an entry of the program that is the
; first one or follows the end of a block. R1 is kept; uses R0, R2, R3.
IsBlockStart:
        MOV     R2,M[BASEX+USED_ENTRIES]
        CMP     R1,R2                       ; C or Z when the index is beyond the program
        JBE     IsBlockStartNo
        TEST    R1
        JZ      IsBlockStartYes
        MOV     R2,R1
        SLL     R2
        MOV     R3,M[BASE0+PROG_TABLE]
        ADD     R2,R3
        DEC     R2
        DEC     R2
        MOV     R0,M[R2]                    ; first word of the entry before
        JNS     IsBlockStartNo
IsBlockStartYes:
        ZERO    R0
        JMP     [STACK]
IsBlockStartNo:
        MOV     R0,#1
        JMP     [STACK]

; ------------------------------------------------------------------------ keys
; The interpreter's keys come through the key table like all others: N, hold, single block,
; and "*" and stop, which pass on to the entry and to the stop of the manual functions.

; Stop: the run ends; the axes stop where they are.
AutoKeyStop:
        CALL    [AutoEndRun]
        JMP     [KeyStop]

AutoKeysDone:
        JMP     [STACK]

; N: the digits that follow, entered with "*", choose the block a run starts from.
AutoKeyN:
        CALL    [AutoKeyCheck]
        JNZ     AutoKeysDone
        MOV     R1,M[BASE0+AU_STATE]
        JNZ     [AutoKeyRefused]            ; not during a run
        CALL    [ClearEntryError]
        CALL    [EntryStart]
        MOV     R0,#1
        MOV     M[BASE0+AU_NSEL],R0
        JMP     [SetDirty]

; "*": after N the value is the block number (the index of its first entry); otherwise the
; ordinary entry.
AutoKeyEnter:
        MOV     R2,M[BASE0+AU_NSEL]
        JZ      [KeyEnter]
        ZERO    R2
        MOV     M[BASE0+AU_NSEL],R2
        MOV     R2,M[BASE0+ED_ACTIVE]
        JZ      AutoKeysDone
        MOV     R0,M[BASE0+ED_COUNT]
        JZ      AutoKeyNoBlock              ; N and no digits
        MOV     R0,M[BASE0+ED_VALUE_H]
        OR      R0,M[BASE0+ED_NEG]
        JNZ     AutoKeyNoBlock
        MOV     R1,M[BASE0+ED_VALUE_L]
        CALL    [IsBlockStart]
        JNZ     AutoKeyNoBlock
        CALL    [EntryCancel]
        MOV     M[BASE0+AU_BLOCK],R1
        ZERO    R0                          ; a chosen block starts afresh
        MOV     M[BASE0+AU_RESUME],R0
        CALL    [ShowBlock]
        JMP     [SetDirty]
AutoKeyNoBlock:
        CALL    [EntryCancel]
        MOV     R0,#ERR_RANGE
        JMP     [ShowError]

; Hold: the axes stop where they are; in a run, pressed again (or start) they go on to the
; same point. Outside automatic mode it stops the axes like the stop key (feed hold).
AutoKeyHold:
        MOV     R0,M[BASE0+MODE]
        CMP     R0,#MODE_AUTO
        JNZ     [KeyStop]
        MOV     R1,M[BASE0+AU_STATE]
        JZ      AutoKeysDone
        CMP     R1,#ST_WAIT
        JZ      AutoKeysDone
        MOV     R1,M[BASE0+AU_HOLD]
        JNZ     AutoResume
        MOV     R1,#1
        MOV     M[BASE0+AU_HOLD],R1
        JMP     [MotionAbort]
AutoResume:
        ZERO    R1
        MOV     M[BASE0+AU_HOLD],R1
        MOV     R1,M[BASE0+TICKS]           ; the dwell counts on from now
        MOV     M[BASE0+AU_LAST],R1
        MOV     R1,M[BASE0+AU_STATE]
        CMP     R1,#ST_MOVING
        JNZ     AutoKeysDone
        JMP     [AutoMove]                  ; the chord being cut, from where the axes stand

; Single block on/off.
AutoKeySingle:
        CALL    [AutoKeyCheck]
        JNZ     AutoKeysDone
        MOV     R1,M[BASE0+AU_SINGLE]
        XOR     R1,#1
        MOV     M[BASE0+AU_SINGLE],R1
        JMP     [STACK]

; -> Z set in automatic mode; otherwise error 02 is shown.
AutoKeyCheck:
        MOV     R0,M[BASE0+MODE]
        CMP     R0,#MODE_AUTO
        JNZ     AutoKeyRefused
        JMP     [STACK]
AutoKeyRefused:
        MOV     R0,#ERR_MODE
        CALL    [ShowError]
        MOV     R0,#1
        JMP     [STACK]

; ------------------------------------------------------------------------ the run
; One pass of the run. It ends when the mode changes or the machine is not ready (the axes
; are stopped then, so an arrival would be no arrival); while held nothing goes on.
AutoRun:
        MOV     R1,M[BASE0+AU_STATE]
        JNZ     AutoRunActive
        JMP     [STACK]
AutoRunActive:
        MOV     R1,M[BASE0+MODE]
        CMP     R1,#MODE_AUTO
        JNZ     [AutoEndRun]
        MOV     R1,M[BASE0+ALARM]
        AND     R1,#ALARM_NOT_READY
        JNZ     [AutoEndRun]
        MOV     R1,M[BASE0+AU_HOLD]
        JZ      AutoRunPhase
        JMP     [STACK]

; Each phase either waits (returns) or sets the next phase and comes back here.
AutoRunPhase:
        MOV     R1,M[BASE0+AU_STATE]
        CMP     R1,#ST_BLOCK
        JZ      [PhaseBlock]
        CMP     R1,#ST_TOOL
        JZ      [PhaseTool]
        CMP     R1,#ST_FUNC
        JZ      [PhaseFunc]
        CMP     R1,#ST_MOVE
        JZ      [PhaseMove]
        CMP     R1,#ST_MOVING
        JZ      [PhaseMoving]
        CMP     R1,#ST_DWELL
        JZ      [PhaseDwell]
        CMP     R1,#ST_END
        JZ      [PhaseEnd]
        JMP     [STACK]                     ; ST_WAIT: the start key goes on

; R1 = the next phase.
NextPhase:
        MOV     M[BASE0+AU_STATE],R1
        JMP     AutoRunPhase

; R0 = error code: shown, and the run ends at the current block, which starts afresh.
RunError:
        CALL    [ShowError]
        CALL    [AutoEndRun]
        ZERO    R0
        MOV     M[BASE0+AU_RESUME],R0
        JMP     [STACK]

PhaseBlock:
        CALL    [ShowBlock]
        CALL    [ReadBlock]
        JC      RunError
        MOV     R1,#ST_TOOL
        JMP     NextPhase

PhaseTool:
        MOV     R5,M[BASE0+BK_T]
        CMP     R5,#NO_FUNCTION
        JZ      PhaseToolDone
        MOV     R4,#FUNC_T
        CALL    [Exchange]
        JZ      PhaseToolDone
        JMP     [STACK]
PhaseToolDone:
        MOV     R1,#ST_FUNC
        JMP     NextPhase

PhaseFunc:
        MOV     R5,M[BASE0+BK_M]
        CMP     R5,#NO_FUNCTION
        JZ      PhaseFuncDone
        MOV     R4,#FUNC_M
        CALL    [Exchange]
        JZ      PhaseFuncDone
        JMP     [STACK]
PhaseFuncDone:
        MOV     R1,#ST_MOVE
        JMP     NextPhase

PhaseMove:
        CALL    [StartMotion]
        JC      RunError
        JZ      PhaseMovingDone             ; the block has no motion
        MOV     R1,#ST_MOVING
        MOV     M[BASE0+AU_STATE],R1
        JMP     [STACK]

PhaseMoving:
        CALL    [MotionStep]
        JC      RunError
        JZ      PhaseMovingDone
        JMP     [STACK]
PhaseMovingDone:
        MOV     R1,M[BASE0+TICKS]
        MOV     M[BASE0+AU_LAST],R1
        MOV     R1,M[BASE0+BK_DWELL]
        MOV     M[BASE0+AU_DWELL],R1
        MOV     R1,#ST_DWELL
        JMP     NextPhase

; Dwell: counted in timer interrupts, not while held.
PhaseDwell:
        MOV     R2,M[BASE0+TICKS]
        MOV     R1,R2
        MOV     R3,M[BASE0+AU_LAST]
        BUS     R2,R3                       ; interrupts since the last look
        MOV     M[BASE0+AU_LAST],R1
        MOV     R3,M[BASE0+AU_DWELL]
        CMP     R3,R2                       ; C when more are left than have passed
        JC      PhaseDwellWait
        MOV     R1,#ST_END
        JMP     NextPhase
PhaseDwellWait:
        BUS     R3,R2
        MOV     M[BASE0+AU_DWELL],R3
        JMP     [STACK]

; M30 ends the program and shows block 0 again; otherwise the next block is shown, and in
; single-block mode the run waits for start before it.
PhaseEnd:
        MOV     R1,M[BASE0+BK_M]
        CMP     R1,#M_END
        JZ      PhaseEndProgram
        MOV     R1,M[BASE0+AU_NEXT]
        MOV     M[BASE0+AU_BLOCK],R1
        CALL    [ShowBlock]
        MOV     R1,#ST_BLOCK
        MOV     R2,M[BASE0+AU_SINGLE]
        JZ      NextPhase
        MOV     R1,#ST_WAIT
        JMP     NextPhase
PhaseEndProgram:
        ZERO    R1
        MOV     M[BASE0+AU_BLOCK],R1
        MOV     M[BASE0+AU_STATE],R1
        JMP     [ShowBlock]
