// Module flags that live for one procedure, the hold of the retract-on-stop
// switch and the message box that gathers up to two lines of messages. The
// display of the block at the list position is in blocks/listdsp.h.
#pragma once

#include "core/records.h"
#include "core/words.h"


i32* MFLBLK();
void MFLST1(i32 value);
i32 MFLGT0();  // the block-display counter
void MFLCNT(i32 value);  // the display's own advance of the counter
void MFLGT1(i32& result);
void MFLGT3(i32& result);
void MFLGT2(i32& iresult, f32& rresult);
void MFLGS1(i32 mode, i32& value);
void MFLGS2(i32 mode, f32& value);
void MFLGS3(const i32& mode, i32& value);
void HFLINI();
void HFLSET(const i32& state);
void HFLGET(i32& result);
// Resets the flags at the start of a procedure.
void MFLRST();

void MSGBOX(const i32& mode, const i32& severity, const i32& length, const char* text);
void MSGBXT(const i32& mode, const i32& severity, const char* text);
