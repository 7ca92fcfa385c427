; The KV-74 controller firmware: program memory, table area and RAM image in one build.
; Variants: -D SERVICE (V0), -D FINE_JOG (V2), -D SETUP (V3); see README.md.

        .include "defs.inc"
        .include "auto.inc"
        .include "vectors.asm"
        .include "main.asm"
        .include "keys.asm"
        .include "modes.asm"
        .include "entry.asm"
        .include "display.asm"
        .include "motion.asm"
        .include "isr.asm"
        .include "arith.asm"
        .include "auto.asm"
        .include "auto_block.asm"
        .include "auto_motion.asm"
        .include "auto_func.asm"
        .include "boot.asm"
        .include "faults.asm"
        .include "tables.asm"
        .include "auto_tables.asm"
        .include "motion_tables.asm"
        .include "ram.asm"
        .include "program.asm"

        .image  0x0000, 16384
        .image  0x7000, 8192
        .image  0x4000, 8192
