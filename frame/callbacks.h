// The surface-milling procedure's eleven callbacks of the procedure driver.
#pragma once

#include "frame/words.h"

void PRCDEF(const i32& proc, const i32& defonly, const i32& moved, const i32& copied, const i32& append,
            const i32& back, i32& reread, i32& enddef, i32& status);
void PRCEXE(const i32& mode, i32& status);
void PRCPRM(const i32& code, const i32& medium, i32& position, i32& status);
void PRCGEO(const i32& code, const i32& medium, i32& position, i32& status);
void block_read_tavrek(const i32& medium, const i32& type, const i32& version, const i32& old515, i32& remaining,
                       i32& status);
void PRCCHG(i32& changed, i32& geometry, i32& status);
void PRCINI(const i32& mode, i32& status);
void PRCSRF(const i32& mode, const i32& arg, i32& result, i32& status);
void PRCNRM(const i32& capacity, i32& count, f32* points, i32& dirs_present, f32* dirs, i32& normals_present,
            f32* normals, i32& status);
void PRCTRN(i32& status);
void PRCUPD(const i32& arg, i32& result);
