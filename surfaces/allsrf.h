// Approximation of the part and check surfaces by triangles: patches,
// meshing and assembly into the triangle model; the model's release and the
// surface-record services.
#pragma once

#include "core/words.h"
#include "surfaces/trimodel.h"

// Further SRFKEY words (word 0 class, 9 id and 16 index are the model's).
constexpr i32 SRF_NRMFLG = 1;   // normal flag of the surface: 1, or -1 reversed
constexpr i32 SRF_AMODE = 2;    // approximation mode
constexpr i32 SRF_TOL = 3;      // tolerance (f32)
constexpr i32 SRF_SIDE = 4;     // side limit of mode 3 (f32)
constexpr i32 SRF_SVAP = 5;     // saved approximation entity
constexpr i32 SRF_NODE1 = 6;    // first node in NODKEY
constexpr i32 SRF_NNOD = 7;     // nodes
constexpr i32 SRF_NTRG = 8;     // triangles
constexpr i32 SRF_KIND = 10;    // 0 part surface, 1 check surface
constexpr i32 SRF_SAVCLS = 17;  // class kept while narrowed (SRKCLR, SRKCLI, SRKON), -1 none

// Statistics of the last allsrf: surfaces triangulated, taken from saved
// approximations, put into the bad-surface buffer; triangles and nodes.
struct AllStats {
    i32 meshed, reused, bad, triangles, nodes;
};
extern AllStats ALLSTA;

// mode 1. Part surfaces (ids, normal flags) and check surfaces (ids, normal
// flags); approximation mode 1 to 3, chordal tolerance, side limit of mode 3,
// option word (2: new approximations are temporary entities that allfre
// deletes; otherwise they stay saved for reuse), work word (the number of
// surfaces modelled on return). Mode 3 limits every triangle side.
void allsrf(const i32& mode, const i32& npart, const i32* pids, const i32* pnrms, const i32& nchk, const i32* cids,
            const i32* cnrms, const i32& amode, const f32& tol, const f32& maxside, const i32& option, i32& work,
            i32& status);

// Puts the surface into the bad-surface buffer with the bad-surface message
// "[allsrf] SURFACE IS NOT APPROXIMATED AND GOES TO THE BAD SURFACES: " id.
void allbad(const i32& id);

// The approximation work arrays and the positioning arrays: allrst marks
// them closed, allfre closes them, deletes the temporary entities and runs
// the release hooks. "[allsrf] CLOSE DYNAMIC MEMORY ERROR" on failure.
void allrst();
// Runs the positioning release, closes the work arrays, deletes the temporary entities and runs the release hooks;
// status the last failure.
void allfre(i32& status);
// A routine allfre runs (stock nets); at most 8, each once.
void allhook(void (*release)(i32& status));

// The (u, v) pair array: its handle and check word, count and capacity.
extern i32 NUVARR[4];
// Marks the (u, v) pair array closed and empty.
void rstnuv();
// Closes the (u, v) pair array (said on failure) and marks it closed.
void elnuv(i32& status);

// Marks NODKEY and NRMKEY closed without closing them.
void RSTTRI();
// Frees the SRFKEY array of the handle.
void FRESRF(i32& handle);

// Surface records.
void SRKFND(const i32& id, i32& recno);
// Sets each modelled surface's class to states[index - 1] (its surface index from 1).
void SRKSTA(const i32* states, i32& status);
// Makes every check surface active and switches the projector use on.
void SRKON(i32& status);
// Gives the narrowed surfaces back their kept class, active surfaces back to check surfaces, and switches the
// projector use off.
void SRKOFF(i32& status);
// Every surface not among the n ids is ignored, its class kept for SRKOFF.
void SRKCLR(const i32* ids, const i32& n);
// Every surface among the n ids is ignored, its class kept for SRKOFF.
void SRKCLI(const i32* ids, const i32& n);
// Projector use switched by SRKON and SRKOFF.
extern i32 SRKPRJ;
// The projection library's use switch, set by SRKON with 1 and by SRKOFF with
// 0; the cutter location hands it down when the module is loaded (none:
// nothing is switched).
extern void (*SRKUSE)(i32 value);
