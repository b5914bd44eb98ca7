// Default relations of a new procedure's parameters, the height symbols and
// their shift between absolute and relative Z, the template flags, the
// re-selection of a surface list after a template read and the criteria texts.
#pragma once

#include "core/words.h"

// Gives every registered relation its default expression and limits (the
// height symbols theirs), then rechecks the clearance relations.
void DEFREL(i32& status);
// Scallop companion of a scallop height h over the tool's corner radius.
void RELPAS(const f32& h, f32& out);
void RELCHK();  // re-evaluates the clearance relations 366 and 3303, a note for each changed
// Registers the height symbols: the part's max and min Z (3301, 3302), the
// clearance height, point and distance (366, 3303, 3304).
void RELSYM(i32& status);
// Items of the part heights registered as symbols 3301 and 3302.
extern i32 PHGITM[2][24];

// Shift flags: max and min part height, the two height items, clearance
// codes 11, 12 (436 with the alternate flag) and 205.
extern i32 HGTFLS[7];
extern i32 HGTALT, HGTNOC, HGTSTS;
void HGTFLG(const i32* flags);  // sets the shift flags, the alternate flag off
// Shifts the flagged heights by z: mode 1 to relative (z subtracted), else to
// absolute; status kept in HGTSTS.
void HGTSHF(const i32& mode, const f32& z, i32& status);
void HGTSH2(const i32& mode, const f32& z, i32& status);  // HGTSHF over the part heights only
// Shifts one relation's value by z (mode 1 subtracted, else added) and
// writes it back as its expression text.
void RELSHF(const i32& mode, const i32& code, const f32& z, i32& status);
// Height shifts of the parameter menu: mode 1 relative, 2 absolute, over
// the Z of the tool path origin.
void HGTNPT(const i32& mode);
void TPLSHF();  // the heights of a template read made relative to the template's origin

// Template-read flags of kinds 0 to 3 (0 part list, 1 part-2 list).
void TPLFST(const i32& kind, const i32& value);
void TPLFCL();                 // clears the four flags
i32 TPLFGT(const i32& kind);   // the flag of a kind, 0 out of range
// Clears the list flags; during a template operation sets any and the
// part or part2 answer of each flag that was set.
void TPLRDF(i32& any, i32& part, i32& part2, i32& status);
void TPLCLR();  // clears the host's template flag of the running operation
i32 TPLACT();   // 1 while a tool path template is created or managed
// Re-selects a surface list by its criteria after a template read.
void SRFREC(const i32& kind, const i32& keep, i32& status);
// Surfaces defined: part list, part-2 list.
extern i32 SRFDEF[2];

// Criteria texts read back from a procedure block.
constexpr i32 CRTTXL = 10000;
extern char CRTTXT[4][CRTTXL];
void CRTTXC();  // clears the texts
// Reads a criteria text segment (codes 20210 to 20214) into its text;
// another code is passed over.
void CRTTXR(const i32& medium, const i32& code, const i32& count, i32& status);
