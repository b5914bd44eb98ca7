// The current tool: its id word, the cache that holds one tool's data loaded
// from the part's tool entities, and the typed accessors over it.
//
// Accessor rule: the answer is preset to -1 (-1.0); a tool id other than the
// cached one reloads the cache first; a failed reload leaves the cache empty
// and the answer -1; an override (ST...) changes the cache only and lasts
// until the next reload. Only technology edits are written back, by SGTOOL
// or TLCACH in mode 6.
#pragma once

#include "core/words.h"

// ------------------------------------------------ entity layouts of the library
// Entity classes.
constexpr i32 EC_TOOL = 20, EC_HOLDER = 21, EC_TECH = 22, EC_TOOLTAB = 23, EC_DICT = 24;

// Tool types.
constexpr i32 TT_DRILL = 1, TT_MILL = 2, TT_LATHE = 3, TT_PUNCH = 4, TT_AGIE = 5, TT_CHARM = 6, TT_MAKINO = 7,
              TT_LDRILL = 8, TT_THREAD = 9, TT_GROOVE = 10;
constexpr i32 NTTYPE = 10;

// Tool header: the first words of a tool entity; the per-type record follows.
constexpr i32 TH_VERS = 0;   // record version
constexpr i32 TH_TYPE = 1;   // tool type
constexpr i32 TH_NAME = 2;   // 20 characters
constexpr i32 TH_TEXT = 7;   // 20 characters
constexpr i32 TH_HOLD = 12;  // holder entity, 0 none
constexpr i32 TH_HMOD = 13;  // holder use: 0 none, 1 holder ignored, 2 and above in use
constexpr i32 TH_SYMB = 14;  // symbol master, 0: the type's
constexpr i32 TH_NTEC = 15;  // technology cases
constexpr i32 TH_TECH = 16;  // 5 technology entities, 0 none
constexpr i32 TH_NREC = 21;  // words of the per-type record
constexpr i32 TLHDR_N = 22;
constexpr i32 TLREC_N = 24;  // most words of a per-type record
constexpr i32 TLTEC_N = 5;   // technology cases
constexpr i32 TLVERS = 700;  // record version written by this module
constexpr i32 TLVOLD = 591;  // mill records of this version or older carry no taper

// MILL record (reals).
constexpr i32 ML_DIAMTR = 0, ML_CRNRRD = 1, ML_CUTLNG = 2, ML_CLRLNG = 3, ML_TAPANG = 4, ML_LIFLNG = 5,
              ML_LNGTHN = 6, MLREC_N = 12;
// DRILL and LATHE-DRILL record (reals).
constexpr i32 DR_DIAMTR = 0, DR_CLRLNG = 1, DR_CUTLNG = 2, DR_TIPANG = 3, DRREC_N = 4;
// PUNCH record: shape (integer, 1 round), diameter, length, width.
constexpr i32 PN_SHAPE = 0, PN_DIAMTR = 1, PN_LENGTH = 2, PN_WIDTH = 3, PNREC_N = 4;
// LATHE, THREAD and GROOVE record (reals).
constexpr i32 LT_NOSERD = 0, LT_WIDTH = 1, LT_LENGTH = 2, LTREC_N = 3;
// AGIE record: generator, flushing, offset (integers), angle (real).
constexpr i32 AG_GNRTOR = 0, AG_SFLUSH = 1, AG_OFFSET = 2, AG_PANGLE = 3, AGREC_N = 4;
// CHARMILLE record: G codes 1 to 5, offset, two register numbers (integers).
constexpr i32 CH_GCODE = 0, CH_OFFSET = 5, CH_CREGST = 6, CH_AREGST = 7, CHREC_N = 8;
// MAKINO record: cutting condition, offset (integers).
constexpr i32 MK_CUTCND = 0, MK_OFFSET = 1, MKREC_N = 2;

// Technology entity: spindle speed (integer), cutting speed, feed (reals;
// a feed below 0 is not set).
constexpr i32 TC_SPIN = 0, TC_VLOC = 1, TC_FEED = 2, TCREC_N = 3;

// Holder record: step count, four arrays of 12 reals per step (lower and
// upper diameter, cone length, step length), two integers (drop the first
// step; extension count). The entity adds the holder's 20-character name.
constexpr i32 HD_NSTEP = 0, HD_LOWER = 1, HD_UPPER = 13, HD_CONE = 25, HD_STEP = 37, HD_DROP = 49, HD_EXTN = 50,
              HLDREC_N = 51, HD_NAME = 51, HLDENT_N = 56, HD_MAXS = 12;

// ------------------------------------------------------------ the cache
struct TlCache {
    i32 id;                       // tool whose data is held, -1 none
    i32 hdr[TLHDR_N];             // its header
    i32 rec[TLREC_N];             // its per-type record
    i32 tech[TLTEC_N][TCREC_N];   // technology cases 1 to 5
    i32 tdirty[TLTEC_N];          // cases edited since the load
    i32 hold[HLDREC_N];           // its holder record, no steps when none
    f32 LIFLNG;                   // tool life of a milling tool in hours, -1.0 for others
};
extern TlCache TLCBLK;

// The one word that names the current tool (-1: none).
extern i32 CURTOL;
// Makes the tool id current without loading it.
void SETTLN(const i32& id);
// Technology case of the current tool (1 to 5), chosen by the machining type.
extern i32 TLTCAS;

// Loads the tool into the cache: mode 3 plain load, mode 6 first writes the
// edited technology of the cached tool back into its entities. The current
// tool id stays. Status nonzero on failure.
void TLCACH(const i32& mode, const i32& id, i32& status);
// As TLCACH, and the tool becomes the current tool.
void SGTOOL(const i32& mode, const i32& id, i32& status);
// Reloads and makes current the tool of a template read; status 0 on success.
void RLDTOL(i32 id, i32& status);
// Empties the cache (the library may have changed under it).
void TLCCLR();
// At procedure start: loads the tool-type tables (library index "SYT2", the
// tools of each type, the cycle names) and empties the cache.
void TLTINI();

// Milling tools (-1.0 for another type).
void GTDIAM(const i32& id, f32& value);  // the diameter
void GTDIAD(const i32& id, f64& value);  // the diameter in double precision
void GTCRNR(const i32& id, f32& value);  // the corner radius
void GTCUTL(const i32& id, f32& value);  // the cutting length
void GTCLRL(const i32& id, f32& value);  // the clearance length
void GTTAPA(const i32& id, f32& value);  // 0 for records of the oldest versions
void GTMREC(const i32& id, f32* values);  // the 12 values of the MILL record
void STDIAM(const f32& value);  // sets the cached mill's diameter
void STCRNR(const f32& value);  // sets the cached mill's corner radius
void STCUTL(const f32& value);  // sets the cached mill's cutting length

// Every tool.
void GTTTYP(const i32& id, i32& type);  // -1 when it cannot be loaded
void GTTSIZ(const i32& id, f32& size);  // the diameter (a punch's length unless round; 10 for wire), -1 none
void GTTNAM(const i32& id, char* name, const i32& length);  // blank-padded, upper case
void GTTNMC(const i32& id, char* name);                     // NUL-terminated, at most 19 characters
void GTTTXT(const i32& id, char* text);                     // 20 characters, blank-padded
void GTSYMM(const i32& id, i32& symbol);  // display symbol, the type's own when unset; -1 no tool

// Technology of the current case (case 1 when the case is out of range).
void GTSPIN(const i32& id, i32& value);
void GTVLOC(const i32& id, f32& value);  // the cutting speed
void GTFEED(const i32& id, f32& value);  // below 0: not set
void STSPIN(const i32& value);  // sets the cached case's spindle speed
void STVLOC(const f32& value);  // sets the cached case's cutting speed
void STFEED(const f32& value);  // sets the cached case's feed

// Drilling tools (types 1 and 8).
void GTDRDI(const i32& id, f32& value);
void GTDRCL(const i32& id, f32& value);  // the clearance length
void GTDRCU(const i32& id, f32& value);  // the cutting length
void GTDRTA(const i32& id, f32& value);  // the tip angle

// Wire tools (-1 for another type).
void GTAGGN(const i32& id, i32& value);
void GTAGFL(const i32& id, i32& value);  // type 5: the flushing word
void GTAGOF(const i32& id, i32& value);  // type 5: the offset number
void GTAGPA(const i32& id, f32& value);  // type 5: the angle
void GTMKCC(const i32& id, i32& value);  // type 7: the cutting condition
void GTMKOF(const i32& id, i32& value);  // type 7: the offset number
void GTCHGC(const i32& id, i32* codes);  // 5 G codes
void GTCHOF(const i32& id, i32& value);  // type 6: the offset number
void GTCHCR(const i32& id, i32& value);  // type 6: the C register
void GTCHAR(const i32& id, i32& value);  // type 6: the A register

// ----------------------------------------------------- entities read directly
// Header of a tool entity and its holder; holder and holder use 0 on failure.
void RDTOOL(const i32& id, i32* header, i32& holder, i32& hmode, i32& status);
// Holder record: mode 1 reads the holder entity, mode 2 writes it.
void HLDREC(const i32& mode, const i32& holder, i32* record, i32& status);
// The same over the holder area.
extern i32 HLDARA[HLDREC_N];
// HLDREC over HLDARA.
void dbdholdr(const i32& mode, const i32& holder, i32& status);
// The holder record of a tool (no steps when it has none).
void RDTHLD(const i32& id, i32* record, i32& status);
