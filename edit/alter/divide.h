// DIVIDE BY TOOL of the alterations: a procedure whose blocks change the
// tool part-way becomes consecutive procedures, one per tool, with the feeds
// of the later ones scaled by per-tool percentages of the machining-parameter
// block, labels "j of N name", and the running numbers of the procedures
// after them renumbered.
#pragma once

#include "core/words.h"

// Tool changes the division can take: the tool-factor and label tables hold
// ten entries, one per resulting procedure.
constexpr i32 DIVISION_MAX = 10;

// One entry of the tool-factor table: the tool and the percentages of
// technology parameters 1 and 6 (-1, 100, 100 when unset).
struct ToolFactor {
    i32 tool, first, second;
};
extern ToolFactor DIVTFT[DIVISION_MAX];
// The labels of the resulting procedures, 20 characters and a zero each.
extern char DIVLBL[DIVISION_MAX][21];

// Divides procedure `procedure` (its number among the procedures of the main
// list). Status 1 when a division was made, -1 when a tool is not in the
// per-tool table (or the copy or a split failed); unchanged when there is
// nothing to divide.
void divide_by_tool(const i32& procedure, i32& status);
// Positions the list at the procedure's second tool-change block (a
// technology block of code 100) and remembers it in list mark 9: found 1 and
// the tool it sets; found 0 when the sub-list holds fewer. Status -1 on a
// list failure.
void find_tool_split(const i32& procedure, i32& found, i32& tool, i32& status);
// Makes procedure + 1 a copy of the procedure, directly behind it. Status
// -1 when no copy can be made.
void COPY_CURRENT_PROC(const i32& procedure, i32& status);
// Cuts the procedure after its first tool and its copy before its split
// block. Status -1 on a list failure.
void split_proc_at_tool(const i32& procedure, i32& status);
// Empties the tool-factor table.
void reset_tool_factors();
// Stores the factors of the tool as entry `index` by the machining-parameter
// block's mode word; answers the tool's index in the per-tool table (mode
// 5), 0 (mode 4) or -1 (not found, or another mode).
i32 store_tool_factors(const i32& tool, const i32& index);
// The labels "j of N name" of the n + 1 procedures from p0 on.
void make_division_labels(const i32& n, const i32& p0);
// The technology of procedure p, the i-th of the division (status negative
// on a list failure).
void set_division_technology(const i32& p, const i32& i, i32& status);
// Reads the tool, feed and parameter 6 of the procedure.
void read_proc_technology(const i32& procedure, i32& status);
// Renumbers the running numbers of the procedures after p0 that share its key.
void renumber_proc_sequence(const i32& p0);
