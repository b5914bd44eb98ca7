// The surface-milling geometry: the chain of picked part surfaces with their
// sides, limit and corner records, connection flags and the bookkeeping of
// the definition. Surfaces are indexed from 0 in chain order.
#pragma once

#include "core/words.h"

constexpr i32 MAXSRF = 120;  // part surfaces of one procedure
constexpr i32 LIMR_N = 5;    // words of a limit record
constexpr i32 CRNR_N = 9;    // words of a corner record

// Words of a limit record (from 0): parameter code of the first range (1 u,
// 2 v), then the first range's start and end and the second range's start
// and end, as reals.
constexpr i32 LR_CODE = 0, LR_FST = 1, LR_FEND = 2, LR_SST = 3, LR_SEND = 4;
// Corner record: word 0 is 1 when the four (u, v) corners that follow are
// held here rather than derived from the limit record.
constexpr i32 CR_HELD = 0;

struct GeoSav {
    i32 count;
    i32 ids[MAXSRF], uids[MAXSRF], sides[MAXSRF], links[MAXSRF];
    i32 lim[LIMR_N][MAXSRF];
};

struct SrfGeo {
    i32 NSRF;
    i32 SRFIDS[MAXSRF];
    i32 SRFUID[MAXSRF];
    i32 SRFSID[MAXSRF];           // +1 keep the normal, -1 reversed
    f32 SRFPNT[MAXSRF][9];        // point and two tangents
    f32 SRFNRM[MAXSRF][3];
    i32 CUTFLP;                   // cut direction of a chain: 1 as set up, 2 the other parameter
    i32 SRFLNK[MAXSRF];           // surface i continues surface i-1
    i32 LIMREC[MAXSRF][LIMR_N];
    i32 CRNREC[MAXSRF][CRNR_N];
    i32 LIMORG[MAXSRF][LIMR_N];   // limit records as the set-up computed them
    i32 GEOKWD;                   // geometry key word
    i32 GEODEF;                   // 1 once a pick of the surfaces has ended
    i32 PCKRNG[4][2];             // pick-stack ranges of the lists
    i32 SIDFIG;                   // side-arrow figure
    i32 CUTFIG[2];                // cut-direction arrows
    i32 SRFFIG[MAXSRF][6];        // corner points and arrows of each surface
    GeoSav GEOSAV;
    f32 SRFDLT[MAXSRF];
    f32 STCBLK[26];               // start-corner block
};
extern SrfGeo SRFGEO;

// Limit record words as reals.
inline f32 limr(const i32* rec, i32 w) { return wrd2r(rec[w]); }

// Empties the pick-stack ranges and forgets the cut-direction arrows (and, but for machining type 14, the side-arrow
// figure).
void INIGEO();
// Deletes the side arrows (when surfaces are picked), empties the surface list and deletes the cut-direction arrows;
// for machining type 14 its three part lists are emptied and the cut-direction arrows deleted.
void DELGEO();
// The geometry key word: mode 1 get, else set.
void GEOKEY(const i32& mode, i32& value);
// Keeps the surface choice (ids, sides, links) and limit records, to tell a change by CHGGEO.
void SAVGEO();
// Sets changed to 1 where the surfaces, sides, links or limit records differ from those SAVGEO kept (left as is
// otherwise).
void CHGGEO(i32& changed);
// kind 0 when no surface's first range is a single value, 1 when every one is, -1 when some are.
void LIMKND(i32& kind);
// Parameter code of the first range (1 u, 2 v) of surface i (from 1).
void GLMDIR(const i32& i, i32& code);
// The four range values of surface i's limit record (from 1): first start, end, second start, end.
void GLMVAL(const i32& i, f32* values);

// ------------------------------------------------ limit and corner records
// The trimmed-surface analysis, per surface: the box of the trim boundary
// (umin, umax, vmin, vmax) and for each box corner (0 (umin,vmin), 1
// (umax,vmin), 2 (umin,vmax), 3 (umax,vmax)) a u-first point (on the side
// u = const, the lowest or highest in v) and a v-first point (on the side
// v = const, the lowest or highest in u), each (u, v).
struct TrmBox {
    f32 box[4];
    f32 ufirst[4][2];
    f32 vfirst[4][2];
};
extern TrmBox TRMANA[MAXSRF];

// Stores v as real word w of a limit record.
inline void limput(i32* rec, i32 w, f32 v) { rec[w] = r2wrd(v); }

// Clearing before a new pick: side arrows, surface markers and the
// cut-direction arrows (machining type 14: the part list). Status negative
// on failure.
void CLRGEO(i32& status);
// Limit record from a surface's ranges by mode 0..7 (4: u first; 1 turns
// the first range, 2 the second); corner word 0 cleared.
void LIMSET(const i32& mode, const f32& umin, const f32& umax, const f32& vmin, const f32& vmax, i32* lim, i32* crn);
// (u, v) from the values along the first and second range of parameter code code (1: first is u).
void PARPAIR(const i32& code, const f32& first, const f32& second, f32* pair);
// (u, v) of corner k (0..3) of a surface.
void SRFCNR(const i32& code, const i32* lim, const i32* crn, const i32& k, f32* pair);
void CNRSWP1(i32* crn);  // corners 0 <-> 1, 2 <-> 3
void CNRSWP2(i32* crn);  // corners 0 <-> 2, 1 <-> 3
// The same for trimmed surface i from its trimmed-surface analysis.
void TRMSET(const i32& i, const i32& mode, i32* lim, i32* crn);
// TRMSET for code 1 u first, else v first.
void TRMREC(const i32& i, const i32& code, i32* lim, i32* crn);
// TRMREC with lim's own code, each range then turned to run as in the surface's original limit record (corners
// swapped with it); i from 0.
void TRMORI(const i32& i, i32* lim, i32* crn);
