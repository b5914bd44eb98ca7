// The host's procedure tables of another tool path of the part, as loaded by
// update_tp_flags with mode 2: the flags that the open tool path's own tables
// take from its blocks, which a stored tool path does not offer.
#pragma once

#include "core/words.h"

// Row `row` (from 1, in the order of get_tp_proc_ids) of the loaded tables:
// the procedure's "G" flag (its geometry changed since it was stored) and
// its sub-procedure count. Status -1 (both 0) when no other tool path's
// tables are loaded or past their last row.
void get_tp_proc_flags(i32 row, i32& gflag, i32& subprocs, i32& status);
