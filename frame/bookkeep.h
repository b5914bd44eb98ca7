// Procedure bookkeeping around an execution: the technology-parameter state
// of the machine, the parameter load and save with the request record, the
// current commands read back from a procedure block, the positions around a
// procedure, block counting and the redisplay of a procedure.
#pragma once

#include "frame/driver.h"
#include "core/words.h"

// Clears the technology-parameter state and sets which parameters the
// machine set (1-4, 6, 16-26) uses and how; another set is reported.
void INITMC(const i32& set);
// Mode 1 or 3 loads: the request record, the tool, callback 7 with mode 1,
// the block from its record (mode 3 answers -11 when the tool fails); other
// modes save: callback 7 with the mode, the block and the request record.
void EDA2IO(const i32& mode, const char* key, const i32& count, i32* block, PrcIniFn cb7, i32& status);
// Reads the current commands back from the current procedure block: the
// switches pick the common words, the machine table, the display position,
// the heights and UPW2; mode 2 reads the second set of the global items.
void CURCOM(const i32& common, const i32& machine, const i32& display, const i32& heights, const i32& upw,
            const i32& mode, i32& status);
// The tool position before the current procedure block (the home point at
// the top of the list, attop 1) and the start of the next procedure (atend
// 1 when none follows); the list is left where it was.
void GETPOS(f32* point, f32* axis, i32& attop, f32* npoint, f32* naxis, i32& atend, i32& status);
// The start and end points and axes stored in the current procedure block.
void PRCPOS(f32* spoint, f32* saxis, f32* epoint, f32* eaxis, i32& status);
// Sets the host's attribute words from the current procedure block's
// machine items 10 and 47.
void UPDCMC(i32& status);
// Jumps forward to the n-th block of class cls (a negative n: no message
// when the list ends first).
void NXTCNT(const i32& cls, const i32& n, i32& status);
// Redisplays the current procedure: its display blocks deleted and every
// block of its sub-list drawn again (mode: display type, 1000 + number to
// name the procedure), the tool placed at its start.
void DSPROC(const i32& mode, i32& status);
