// The procedure tables of the current tool path, one row per procedure, and
// their filling from the procedure blocks of the main list.
#pragma once

#include "core/words.h"

constexpr i32 PRT_MAX = 200;

struct ProcTables {
    i32 count;
    // Rows 1 to count; row 0 is not used.
    i32 type[PRT_MAX + 1];
    i32 number[PRT_MAX + 1];
    i32 state[PRT_MAX + 1];   // 2 or 4 suspended, 3 interrupted
    i32 blank[PRT_MAX + 1];   // 2 blanked, 1 the first state
    i32 manual[PRT_MAX + 1];  // manually changed
    i32 oldver[PRT_MAX + 1];
    i32 table[PRT_MAX + 1];   // kept in "EDA2" word 5
    i32 tool[PRT_MAX + 1];    // below 1: no tool
    i32 ntools[PRT_MAX + 1];
    char toolname[PRT_MAX + 1][21];
    char comment[PRT_MAX + 1][21];
    i32 mark[PRT_MAX + 1];
    i32 cflag[PRT_MAX + 1];
    i32 uflag[PRT_MAX + 1];
    i32 state2[PRT_MAX + 1];  // second state: 2 suspended by its geometry
    i32 gflag[PRT_MAX + 1];   // its geometry changed
    i32 mflag[PRT_MAX + 1];   // moved
    i32 optim[PRT_MAX + 1];   // optimizer state: positive optimized, 3 and 4 its two kinds of rest
    i32 ntrans[PRT_MAX + 1];  // transformations applied
    i32 trhide[PRT_MAX + 1];  // the transformation is shown without parentheses
};
extern ProcTables PRCTAB;

// Fills the tables from the procedure blocks of the main list of the open
// tool path, in list order: function code, number, state (item 81 of group
// 24), manual change (item 21 equal to 2), the comment (text 29), blank state
// 1, the "G" flag from the geometry slots (one holding an entity changed
// since the block was stored); the other words are cleared. The list
// position is kept. Status 0; -1 when the list cannot be read (the tables
// are then empty); more procedures than the tables hold are left out with
// "PRCTBF, MORE THAN 200 PROCEDURES".
void PRCTBF(i32& status);

// The row of a procedure in the tables, -1 when it has none.
i32 proc_row(const i32& procedure);
// Whether the tables mark the procedure as one whose path is no longer the
// computed one: changed by hand, suspended (state 4) or suspended by its
// geometry (second state 2). The editor then warns on start-up and
// reconnects gaps by vertical moves only.
bool proc_marked(const i32& procedure);
