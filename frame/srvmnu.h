// The SERVICE menu of the procedure, the edit of the procedure's text, the
// redisplay after a cleared screen and the tool path information texts.
#pragma once

#include "core/names.h"
#include "core/prcwrd.h"
#include "core/words.h"

// Option table words (from 1) and flag words (from 1) of the SERVICE menu.
constexpr i32 SRV_OPTIONS = 9, SRV_FLAGS = 7;
// The flag words the parameter menu fills before the main menu runs.
extern i32 SRVFLG[SRV_FLAGS];

// Runs the SERVICE menu until the user leaves it; status is the last reply.
void SRVMNU(const i32& editing, const i32& whole, i32& printcell, const i32& machine, const i32* options,
            i32* flags, i32& status);
// Edits the procedure's text (first text of "TXT2"); status: characters read or 0.
void TXTEDT(i32& status);
// Six blank-padded 22-character information texts of a tool path (the
// current one when current is nonzero).
void TPHDRF(const i32& tp, const i32& current, char* name, char* size, char* left, char* type, char* level,
            char* macsys);
// The same six texts NUL-terminated for the host menu (23 characters each).
void TPHDRT(const i32& tp, const i32& current, char (*texts)[23]);
