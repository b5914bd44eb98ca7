// The rows of the procedure list: each procedure's status column, the
// procedure of a pick, the highlighting of a procedure's blocks and the rows
// themselves.
#pragma once

#include "core/words.h"

// The 19-character status column of the procedure at row k of the procedure
// tables: state letter, G, M, blank and optimizer letters, the
// transformation's name and the procedure-type name.
void PRCCLW(const i32& k, char* column);
// The procedure of a pick: row 0 a pick in the graphics (its key block),
// another row a line of the list (rows per entry, first index shown on the
// top row). index: 1 to the count, count + 1 below the last, -1 none;
// block: the key's block number, -1 none.
void PCKPGT(const i32& row, const i32& per, const i32& first, const i32& top, i32& index, i32& block);
// Highlights the blocks of the procedure at an index (all of them, or count
// blocks) unless it is blanked.
void PRCATT(const i32& mode, const i32& index, const i32& window, const i32& count);
// The rows of the procedure list from first to last: status column, tool,
// comment, coordinate system and, with colour, the procedure's colour; ids
// receive each row's entry id (its procedure number, 0 past the list).
void MLTTLS(const i32& first, const i32& last, i32* ids, const i32& colour);
