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
// The list-level table "BLSK": word 0 the level at which the last sub-list
// was opened, word L the number of the block it was opened from at level L
// (words 1 and 2 name the display block).
constexpr i32 BLSK_LEVEL = 0;
// Notes that the last sub-list was opened from block `number` at list level
// `level`; a level outside the table is not noted (its word would lie past
// the table).
inline void blsk_note(i32 level, i32 number)
{
    if (level < 1 || level >= BLSK_N) return;
    BLSK[BLSK_LEVEL] = level;
    BLSK[level] = number;
}
// Number of the current tool path in the part's tool path table; handed
// with the counter when the stock simulation is invalidated.
constexpr i32 CLP1_SIM = 0, CLP1_NUMBER = 0;
constexpr i32 CLP1_TOOLPATH = 1;              // id of the current tool path; the listings' selector
constexpr i32 CLP1_COLOUR = 2, CLP1_PEN = 3;
constexpr i32 CLP1_LEVEL = 4;                 // level number of the current tool path
// The machine values "PRM9"; technology parameters by their codes.
constexpr i32 PRM9_FEED = 0;                  // feed (real; parameter 1)
constexpr i32 PRM9_SPEED = 1;                 // cutting speed (real; parameter 10)
constexpr i32 PRM9_SPMODE = 2;                // speed mode 1 or 2 (parameter 9)
constexpr i32 PRM9_PCT2 = 3, PRM9_PCT3 = 4;   // feed percentages of the feed modes 2 and 3
constexpr i32 PRM9_PCT25 = 5, PRM9_PCT26 = 6; // feed percentages of the feed modes 25 and 26
constexpr i32 PRM9_SPIN = 7;                  // spindle speed (parameter 2)
constexpr i32 PRM9_DIR = 8;                   // spindle direction: 1 positive, 2 negative, other off
constexpr i32 PRM9_COOL = 9;                  // coolant (parameter 3)
constexpr i32 PRM9_P9 = 10;                   // parameter 9's integer
constexpr i32 PRM9_TOOL = 11;                 // id of the current tool (parameter 100)
constexpr i32 PRM9_SHOWTOOL = 12;             // show the tool during execution; to the block writers the normals flag
constexpr i32 PRM9_P51 = 13;                  // parameter 51 (real)
constexpr i32 PRM9_P52 = 14, PRM9_P53 = 15;   // parameters 52 and 53
constexpr i32 PRM9_COMP = 16;                 // compensation (parameter 54): 0 none in use
constexpr i32 PRM9_UCS = 17;                  // the coordinate system (parameter 55)
constexpr i32 PRM9_P56 = 18;                  // parameter 56
constexpr i32 PRM9_P57 = 19, PRM9_P58 = 20;   // parameters 57 and 58 (reals)
constexpr i32 PRM9_MAXF = 21;                 // maximum feed (real; parameter 59, feed mode 27)
constexpr i32 PRM9_FIT = 22;                  // 1 fits point chains; 2 set by multi-axis and drilling work
constexpr i32 NPT1_MACHINE = 2;               // machine kind (below)
constexpr i32 NPT1_ORIGIN = 3;                // 3 reals
constexpr i32 NPT1_HOME = 6;                  // 3 reals
constexpr i32 NPT1_FRAME = 9;                 // 9 reals
constexpr i32 NPT1_VIEWPAR = 18;              // the view parameter (real)
constexpr i32 NPT1_VIEW = 19;                 // view number of the machine system
constexpr i32 NPT1_UCS = 20;                  // id of the coordinate system
constexpr i32 COOR_FRAME = 0;                 // 9 reals
constexpr i32 COOR_ORIGIN = 9;                // 3 reals, machine coordinates
// Machine kinds, word NPT1_MACHINE of a tool path header.
constexpr i32 MACH_PUNCH = 12, MACH_PUNCHX = 13;  // punch, punch with indexing
constexpr i32 MACH_MILL25 = 22, MACH_MILL3 = 23, MACH_MILLPOS = 24, MACH_MILL4 = 25, MACH_MILL5 = 26;  // milling
constexpr i32 MACH_LATHE = 31;
constexpr i32 MACH_WIRE_FIRST = 61, MACH_WIRE_LAST = 79;  // wire machines
constexpr i32 MACH_AGIE = 62, MACH_CHARMILLE = 63, MACH_MAKINO = 65;  // the wire machines of three makers
// A milling machine (2.5 to 5 axes).
inline bool mach_mill(i32 m) { return m >= MACH_MILL25 && m <= MACH_MILL5; }
// A punch machine, with or without indexing.
inline bool mach_punch(i32 m) { return m == MACH_PUNCH || m == MACH_PUNCHX; }
// A wire machine.
inline bool mach_wire(i32 m) { return m >= MACH_WIRE_FIRST && m <= MACH_WIRE_LAST; }
// A wire machine as the tool path editor tells them: kind 80 counts with them.
inline bool mach_wire_edit(i32 m) { return m >= MACH_WIRE_FIRST && m <= 80; }
// Words of the display record "DSP8".
constexpr i32 DSP8_POS = 0, DSP8_AXIS = 3;    // shown tool position and axis
constexpr i32 DSP8_NORMAL = 6, DSP8_PREV = 9, DSP8_PREVAXIS = 12, DSP8_FONT = 15, DSP8_COLOUR = 16, DSP8_PEN = 17,
              DSP8_UCS = 34;
constexpr i32 DSP8_FIGPOS = 18, DSP8_FIGAXIS = 21;  // position and axis of the tool figure
constexpr i32 DSP8_FIGMAT = 24;                     // orientation matrix of the tool figure (9 reals)
constexpr i32 DSP8_ROTANG = 33;                     // tool rotation angle (real)
// Words of the modal state "DSM4", by the technology parameter that sets each.
constexpr i32 DSM4_FEED = 0;     // feed (real; parameter 1): -1 fast, -2 maximum feed, below -2 rapid feed
constexpr i32 DSM4_SPIN = 1;     // spindle speed signed by the spindle direction (parameter 2)
constexpr i32 DSM4_COOL = 2;     // coolant code (parameter 3)
constexpr i32 DSM4_P4 = 3;       // parameter 4's value
constexpr i32 DSM4_P5 = 4;       // parameter 5's value when machine value word 12 is nonzero, else 0
constexpr i32 DSM4_TOOL = 5;     // current tool number (parameter 100)
constexpr i32 DSM4_SPEED = 6;    // cutting speed signed by the spindle direction (real; parameter 10)
constexpr i32 DSM4_P51 = 7;      // parameter 51's value (real)
constexpr i32 DSM4_NIBBLE = 8;   // nibbling value (parameter 52)
constexpr i32 DSM4_PUNCH = 9;    // punch value (parameter 53)
constexpr i32 DSM4_P54 = 10;     // parameter 54's value (real)
constexpr i32 DSM4_P56 = 11;     // parameter 56's value
constexpr i32 DSM4_P57 = 12, DSM4_P58 = 13;  // parameters 57 and 58's values (reals)
constexpr i32 DSM4_FEED2 = 14;   // second feed value (real; parameter 59), shown like the feed
// Words of the list record "LSP2": the movement writers' last position and
// their move-written flag.
constexpr i32 LSP2_POS = 0, LSP2_AXIS = 3, LSP2_NORMAL = 6;  // last position, tool axis and normal (reals)
constexpr i32 LSP2_SET9 = 9, LSP2_SET10 = 10;  // set to 1 where the GO editor starts its motions; read by no routine
constexpr i32 LSP2_MOVED = 11;                 // move-written flag (cleared: the next move is the first)
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
constexpr i32 EDA2_SAVED = 13;   // set at save time for a blank request or display mode 3, cleared to execute
constexpr i32 EDA2_CRIT = 14;    // geometry by criteria
constexpr i32 EDA2_BYCRIT = 15;  // the host's geometry-by-criteria answer at the save
constexpr i32 EDA2_PCHG = 16, EDA2_GCHG = 17;  // changed flags of the last save
constexpr i32 EDA2_BLKFAIL = 18; // writing the procedure-definition block failed
constexpr i32 EDA2_PENDING = 19; // changed and not executed since: cleared by every execution

// "UPW2" holds two reals: word 0 the frequent-backup switch (1.0 off, 2.0
// on), word 1 the passes between backups (1 to 99,999).
constexpr i32 UPW2_SWITCH = 0, UPW2_PASSES = 1;
constexpr f32 UPW2_OFF = 1.0f, UPW2_ON = 2.0f;
// "TLER" holds the tool display mode: 0 display, 1 trace, 2 no display,
// 3 blank motions, 4 no fast display.
constexpr i32 TLER_MODE = 0;
constexpr i32 TLER_SHOW = 0, TLER_TRACE = 1, TLER_HIDE = 2, TLER_BLANK = 3, TLER_NOFAST = 4;
constexpr i32 RAXN_AXIS = 0;     // "RAXN": code of the rotary axis (1 A, 2 Y, else Z)
constexpr i32 RAXN_FIRST = 1, RAXN_SECOND = 4;  // the rotation-axes block's two 3-real groups
constexpr i32 RAXN_INT = 7, RAXN_REAL = 8;      // and its last two values
// The transformation record "TRS1": flag (1: a tool path transformation is
// active), 3x3 matrix, translation.
constexpr i32 TRS1_ON = 0, TRS1_MATRIX = 1, TRS1_SHIFT = 10;
// "WRMB", the wire-machining record, filled from a wire tool.
constexpr i32 WRMB_GEN = 0;      // generator (cutting condition for the MAKINO kind)
constexpr i32 WRMB_ANGLE = 1;    // taper angle (real)
constexpr i32 WRMB_OFFSET = 2, WRMB_FLUSH = 3;
constexpr i32 WRMB_WORD4 = 4;    // not filled from a wire tool; its change calls for a recompute
constexpr i32 WRMB_GENFLAG = 6;  // seven generator flags, words 6 to 12
constexpr i32 WRMB_MODES = 13;   // four pairs of mode flags, words 13 to 20
constexpr i32 WRMB_REGS = 21;    // six register values, words 21 to 26
constexpr i32 WRMB_AREG = 26;    // the A register, over the last of them
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
// leaves the area as it was. The area's size goes with the read, so that a
// stored record larger than the area is refused (and the area kept) instead
// of being written past its end.
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
