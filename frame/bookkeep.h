// Procedure bookkeeping around an execution: the technology-parameter state
// of the machine, the parameter load and save with the request record, the
// current commands read back from a procedure block, the positions around a
// procedure, block counting and the redisplay of a procedure.
#pragma once

#include "frame/driver.h"
#include "core/words.h"

void INITMC(const i32& set);
void EDA2IO(const i32& mode, const char* key, const i32& count, i32* block, PrcIniFn cb7, i32& status);
void CURCOM(const i32& common, const i32& machine, const i32& display, const i32& heights, const i32& upw,
            const i32& mode, i32& status);
void GETPOS(f32* point, f32* axis, i32& attop, f32* npoint, f32* naxis, i32& atend, i32& status);
void PRCPOS(f32* spoint, f32* saxis, f32* epoint, f32* eaxis, i32& status);
void UPDCMC(i32& status);
void NXTCNT(const i32& cls, const i32& n, i32& status);
void DSPROC(const i32& mode, i32& status);
