// Keyed parameter records of a procedure: the set that is saved at the end of
// a procedure and read back at its start, and the small name and text records.
// Words are numbered from 0.
#pragma once

#include "core/words.h"

// Record kinds of the host.
constexpr i32 RK_REAL = 1;
constexpr i32 RK_TEXT = 3;
constexpr i32 RK_WORDS = 4;

// Sizes in words.
constexpr i32 BLSK_N = 11, CLP1_N = 6, DSM4_N = 15, DSP8_N = 35, EDA2_N = 20, HEI8_N = 79, LSP2_N = 12,
              PRM9_N = 23, WRMB_N = 27, NPT1_N = 23, PLN1_N = 16, RAXN_N = 9, TLER_N = 1, TRS1_N = 13,
              UPW2_N = 2, COOR_N = 23, PPN4_N = 5, TXT2_N = 17, MCHT_N = 10;
// Records read at the start and never saved; these are their areas.
constexpr i32 TPFO_N = 64, GCY4_N = 64;

extern i32 BLSK[BLSK_N], CLP1[CLP1_N], DSM4[DSM4_N], DSP8[DSP8_N], EDA2[EDA2_N], HEI8[HEI8_N], LSP2[LSP2_N],
    PRM9[PRM9_N], WRMB[WRMB_N], NPT1[NPT1_N], PLN1[PLN1_N], RAXN[RAXN_N], TLER[TLER_N], TRS1[TRS1_N],
    UPW2[UPW2_N], TPFO[TPFO_N], GCY4[GCY4_N], COOR[COOR_N], PPN4[PPN4_N], TXT2[TXT2_N];
extern i32 MCHTBL[MCHT_N];  // the host's machine table (codes 55 to 64)

// Named words (from 0).
constexpr i32 CLP1_COLOUR = 2, CLP1_PEN = 3;
constexpr i32 PRM9_TOOL = 11;                 // id of the current tool
constexpr i32 PRM9_SHOWTOOL = 12;             // show the tool during execution
constexpr i32 NPT1_MACHINE = 2;               // machine kind
constexpr i32 NPT1_ORIGIN = 3;                // 3 reals
constexpr i32 NPT1_HOME = 6;                  // 3 reals
constexpr i32 NPT1_FRAME = 9;                 // 9 reals
constexpr i32 NPT1_VIEW = 19;                 // view number of the machine system
constexpr i32 NPT1_UCS = 20;                  // id of the coordinate system
constexpr i32 COOR_FRAME = 0;                 // 9 reals
constexpr i32 COOR_ORIGIN = 9;                // 3 reals, machine coordinates
constexpr i32 DSP8_POS = 0, DSP8_AXIS = 3;    // shown tool position and axis
// Words of the heights record "HEI8" (79 words): three 24-word height
// items (an expression each, its value in the first word) and seven words.
constexpr i32 HEI8_CLEARANCE = 0;  // clearance plane height (absolute Z)
constexpr i32 HEI8_PLANE2 = 24;    // second plane height (absolute Z), the height of the absolute mode
constexpr i32 HEI8_INCR = 48;      // incremental distance above a point; the lift of a run over check surfaces
constexpr i32 HEI8_ZPLANE = 72;    // the Z-plane value
constexpr i32 HEI8_RETRACT = 73;   // clearance switch: retract to the clearance height (also on a stop)
constexpr i32 HEI8_ZMIN = 74;      // lowest height of string points (the service menu's toggle)
constexpr i32 HEI8_ZMAX = 75;      // highest height of string points; the stock top (1.0e9 or more: none)
constexpr i32 HEI8_ABSOLUTE = 76;  // height mode: 0 incremental, nonzero absolute; strings keep their check-surface runs
constexpr i32 HEI8_CLAMP = 77;     // string heights clamped to ZMIN..ZMAX; cleared before each procedure
constexpr i32 HEI8_AXIS = 78;      // 2: the tool axis turns vertical on the way to and from the clearance plane
// A real word of "HEI8".
inline f32 hei8r(i32 word) { return wrd2r(HEI8[word]); }
// Words of the request record "EDA2".
constexpr i32 EDA2_OPENED = 0;   // an existing procedure is opened
constexpr i32 EDA2_PROC = 1;     // its number
constexpr i32 EDA2_LIST = 2;     // its list number
constexpr i32 EDA2_MOVED = 3;    // the tool path was moved
constexpr i32 EDA2_HELD = 4;     // kept by the host: a definition-only request
constexpr i32 EDA2_TABLE = 5;
constexpr i32 EDA2_SUSPST = 6;   // the procedure was suspended
constexpr i32 EDA2_MANUAL = 7;   // manually changed
constexpr i32 EDA2_OLDVER = 8;
constexpr i32 EDA2_INTR = 9;     // interrupted
constexpr i32 EDA2_BLANK = 10;
constexpr i32 EDA2_NOQUEST = 11; // questions are answered without asking
constexpr i32 EDA2_SUSP = 12;    // execution suspended
constexpr i32 EDA2_CRIT = 14;    // geometry by criteria
constexpr i32 EDA2_PCHG = 16, EDA2_GCHG = 17;  // changed flags of the last save

// "UPW2" holds two reals: word 0 the frequent-backup switch (1.0 off, 2.0
// on), word 1 the passes between backups (1 to 99,999).
constexpr f32 UPW2_OFF = 1.0f, UPW2_ON = 2.0f;
// The passes between backups while frequent backup is on, else 0 (also for
// a count outside 1 to 99,999).
i32 UPWEVR();

// Flag shared with the tool menus, set at the procedure start.
extern i32 TLMFLG;
// User procedure names fetched at the procedure start.
extern char NCFNAM[100 * 8];
extern i32 NCFCNT;
extern i32 NCFMAP[100];

// Reads one record whole into an area of `words` words; a missing record
// leaves the area as it was.
void RDREC(const char* key, i32* data, i32 words, i32& status);
void WRREC(const char* key, i32 kind, const i32* data, i32 words, i32& status);  // writes one record whole

// Writes the module's records back to the host at the end of a procedure
// and releases the tool image, the translation rows and the bad-surface list.
void PUTRECS(i32& status);
// "COOR" from the header record: its frame and its origin in machine
// coordinates, written back.
void COORUP();

void PPNGS(const i32& mode, char* text);  // the procedure's user name (19 characters): mode 1 get, else set
void PPNPUT(i32& status);  // writes "PPN4"
void PPNGET();  // reads "PPN4"
// Texts 1 to 4 of "TXT2": mode 1 gets one blank-padded, else sets it.
void GSTXT1(const i32& mode, char* text);
void GSTXT2(const i32& mode, char* text);  // text 2, as GSTXT1
void GSTXT3(const i32& mode, char* text);  // text 3, as GSTXT1
void GSTXT4(const i32& mode, char* text);  // text 4, as GSTXT1
void PUTTXT(i32& status);  // writes "TXT2"
void EDARST(const i32& flag);  // clears the request record (flag nonzero also writes it)

void TRNREG1(i32& status);  // registers the first table of parameter translation rows
void TRNREG2(i32& status);  // registers the second table of parameter translation rows
