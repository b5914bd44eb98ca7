// The procedure's surface lists (0 part, 1 check or second part, 2 second
// part) kept by the host, the surface-selection menu, selection by the
// geometry criteria, and the surface checks.
#pragma once

#include "core/words.h"

constexpr i32 SRFLST_MAX = 2000;  // surfaces one list may hold

// mode 1 get, 2 set the count of a list; the list becomes current.
void nc_surf_list_count(const i32& mode, const i32& list, i32& count, i32& status);
// Number of surfaces of a list (the list becomes current).
void nc_surf_srfbuf(const i32& list, i32& count, i32& status);
// The surface-selection menu. define: no surfaces yet (part surfaces are
// picked first); modify: surfaces exist. kind 2 offers the check surfaces.
// changed: 1 when a list differs from what it was on entry. Status 0, -1
// leave, -2 cancel (every list as it was on entry).
void nc_surf_aprx_menu(const i32& define, const i32& modify, const i32& zero, const i32& kind, i32& changed, i32& status);
// Selects into a list the surfaces that match the geometry masks of its kind.
void nc_surf_sel_crit(const i32& list, const i32& flag, i32& status);
// Selects by their geometry masks into lists 0 and 1 (each that has masks).
void nc_geomsk_apply();
// nc_geomsk_apply when bycrit is set; proctype and mode are not read.
void nc_geomsk_refresh(i32 proctype, i32 mode, i32 bycrit);
// Clears the pick list and the selection's handle/count pairs.
void nc_surf_release_lists();
// The seven handle/count pairs of the selection.
extern i32 SRFSEL[7][2];

// Checks the surfaces of the procedure (unique ids): each is loaded into the
// buffer `work`; refs gets 9 reals per surface (point, Su, Sv at the middle of
// its ranges) and nrms 3 (the unit normal, reversed where side[k] is -1 and
// dirflag is set). side[k] becomes 0 for a surface that is missing or bad.
// count: the sound surfaces. Status -1 on a bad buffer.
void TSTSRF(const i32& geomid, i32& count, const i32* uids, f64* work, i32* side, const i32& kind, f32* refs, f32* nrms,
            const i32& dirflag, i32& status);
// Sets the associativity attribute "AS" of the surfaces to arg.
void SRFASO(const i32& geomid, const i32& arg, const i32& count, const i32* uids);
// flag becomes 0 as soon as one surface has attributes "DE" and "SL" both 1.
void SRFATC(const i32& count, const i32* uids, i32& flag);
