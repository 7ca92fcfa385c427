; The stored part programs: five areas of 502 words and a sixth with its header only. An area
; starts with four header words: 0x8600, the program number (packed decimal), 0xACAB and the
; number of entries used; the entries follow in block-table form. The first area's entries,
; from 0x45A7 on, are the block table that the panel decodes.
;
; The stored program (the same in areas 1..5) is in part.blk; coordinates are in steps, like
; the position cells.

        .org    RAM_ORIGIN + PROG_AREA
        .word   0x8600, 0x0001, 0xACAB, (Program1End - Program1) / 2
Program1:
        .include "part.blk"
Program1End:

        .org    RAM_ORIGIN + PROG_AREA + PROG_AREA_WORDS
        .word   0x8600, 0x0002, 0xACAB, (Program2End - Program2) / 2
Program2:
        .include "part.blk"
Program2End:

        .org    RAM_ORIGIN + PROG_AREA + 2 * PROG_AREA_WORDS
        .word   0x8600, 0x0003, 0xACAB, (Program3End - Program3) / 2
Program3:
        .include "part.blk"
Program3End:

        .org    RAM_ORIGIN + PROG_AREA + 3 * PROG_AREA_WORDS
        .word   0x8600, 0x0004, 0xACAB, (Program4End - Program4) / 2
Program4:
        .include "part.blk"
Program4End:

        .org    RAM_ORIGIN + PROG_AREA + 4 * PROG_AREA_WORDS
        .word   0x8600, 0x0005, 0xACAB, (Program5End - Program5) / 2
Program5:
        .include "part.blk"
Program5End:

        .org    RAM_ORIGIN + PROG_AREA + 5 * PROG_AREA_WORDS
        .word   0x8600, 0x0099, 0xACAB, 0   ; spare area, header only
