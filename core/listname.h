// Names that listings print and the file names they are written under: the
// machine-type names, the four kinds of text blocks, the listing file names
// made from the current part file, and the procedure-type tests.
#pragma once

#include "core/words.h"

// The 10-character name of a machine type, "UNKNOWN   " for a code without one.
void MCHTNM(const i32& code, char* name);
// Kind of a text block (1 message, 2 sequence code, 3 code without sequence,
// 4 user block name; outside 1-4 it is taken from the marker character) and
// its marker character, short label (4), prompt (18) and menu label (19).
void MSGENT(i32& kind, char& marker, char* label, char* prompt, char* menu);
// The file name of a listing: the part file name without its path, the
// tool path name (kinds 1, 2) or the MACSYS name (3, 4) and the suffix;
// kinds 1, 3 and 5 ask before a file is replaced. Status 0, -3 no name, -1
// the user keeps the old file.
void CRTPNM(const i32& kind, const char* suffix, const i32& slen, char* name, i32& length, i32& plen, i32& status);
// CRTPNM answering the path as a text of at most 255 characters and its
// end byte (256 bytes); status as CRTPNM's, -3 also for a longer path.
void CRTPN2(const i32& kind, const char* suffix, const i32& slen, char* path, i32& length, i32& plen, i32& status);
// 1 for the procedure types without movements of their own (GO, message,
// copy, user and transformation procedures: 10, 11, 12, 19, 20, 26, 39 to 42).
i32 ISMTYP(const i32& code);
// 1 for the dynamic procedure type 55.
i32 ISDYNM(const i32& code);
