// Default relations of a new procedure's parameters, the height symbols and
// their shift between absolute and relative Z, the template flags, the
// re-selection of a surface list after a template read and the criteria texts.
#pragma once

#include "core/words.h"

void DEFREL(i32& status);
// Scallop companion of a scallop height h over the tool's corner radius.
void RELPAS(const f32& h, f32& out);
void RELCHK();
void RELSYM(i32& status);
// Items of the part heights registered as symbols 3301 and 3302.
extern i32 PHGITM[2][24];

// Shift flags: max and min part height, the two height items, clearance
// codes 11, 12 (436 with the alternate flag) and 205.
extern i32 HGTFLS[7];
extern i32 HGTALT, HGTNOC, HGTSTS;
void HGTFLG(const i32* flags);
void HGTSHF(const i32& mode, const f32& z, i32& status);
void HGTSH2(const i32& mode, const f32& z, i32& status);
void RELSHF(const i32& mode, const i32& code, const f32& z, i32& status);
// Height shifts of the parameter menu: mode 1 relative, 2 absolute, over
// the Z of the tool path origin.
void HGTNPT(const i32& mode);
void TPLSHF();

// Template-read flags of kinds 0 to 3 (0 part list, 1 part-2 list).
void TPLFST(const i32& kind, const i32& value);
void TPLFCL();
i32 TPLFGT(const i32& kind);
void TPLRDF(i32& any, i32& part, i32& part2, i32& status);
void TPLCLR();
i32 TPLACT();
// Re-selects a surface list by its criteria after a template read.
void SRFREC(const i32& kind, const i32& keep, i32& status);
// Surfaces defined: part list, part-2 list.
extern i32 SRFDEF[2];

// Criteria texts read back from a procedure block.
constexpr i32 CRTTXL = 10000;
extern char CRTTXT[4][CRTTXL];
void CRTTXC();
void CRTTXR(const i32& medium, const i32& code, const i32& count, i32& status);
