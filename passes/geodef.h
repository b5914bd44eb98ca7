// Definition of the surface-milling geometry: picking the chain of part
// surfaces or the trimmed surface, their set-up and the cut direction, the
// limits, the start corner and the width point, the surface markers, the
// common edge of trimmed surfaces and the final retract. Surfaces are
// counted from 0 in chain order unless said otherwise. Status 0 success,
// -1 leave, -2 escape (one step back), other negative values failures
// already reported.
#pragma once

#include "core/words.h"

// ----------------------------------------------------------------- picking
// Pick of the chain of part surfaces. repick starts a new pick; flip turns
// the milling side of the chain over; tol is the machining tolerance;
// defined becomes 1 on every way out past the pick.
void PCKSRS(const i32& repick, const i32& flip, const f32& tol, i32& defined, i32& status);
// Pick of one trimmed surface.
void PCKTRM(i32& status);
// Orders count new surfaces so that those that continue the chain from the
// previous surface come first, in chain order; count becomes their number.
void CHNORD(const i32& previd, const i32& prevuid, const i32* prevlim, const i32* prevcrn, i32* ids, i32* uids,
            i32* entries, i32& count, i32& status);
void SIDFLP(i32& status);  // turns the milling side of the chain over
void SIDPRP(i32& status);  // side flags of the chain agree with the first surface

// ---------------------------------------------------- set-up, cut direction
// Set-up of surface i: -1 the single trimmed surface, 0 the first, 1 the
// first two, 2 or more surface i after surface i-1.
void SRFSET(const i32& i, i32& status);
void DIR_TWO_SURF(const i32& id0, const i32& id1, i32* lim0, i32* lim1, i32* crn0, i32* crn1, i32& status);
void DIR_NEXT_SURF(const i32& previd, const i32* prevlim, const i32* prevcrn, const i32& id, i32* lim, i32* crn,
                   i32& status);
// n points (xyz) along a parameter line of the loaded surface from (u0, v0),
// the parameter (1 u, 2 v) advancing by step.
void SMPLIN(const f64* buf, const f32& u0, const f32& v0, const f32& step, const i32& code, const i32& n, f32* pts);
// Sums of squared distances of ten points to ten reference points, in the
// same and in the reversed order (1.0e10 both for a degenerate line).
void SMPCMP(const f32* ref, const f32* pts, f32& same, f32& reversed);
// The boundary line of the loaded surface that matches the ten reference
// points best, as the limit mode that starts the second range there.
void EDGMTC(const f32* ref, const f64* buf, const f32& umin, const f32& umax, const f32& vmin, const f32& vmax,
            f32& best, i32& index);
// Shows the cut direction of surface 0 and, when ask is set, lets the user
// confirm or turn it; changed becomes 1 when it was turned.
void CUTDIR(const i32& ask, i32& changed, i32& status);
void CUTASK(const i32& index, const i32& code, const i32& ask, i32& chosen, i32* slots, i32& status);
void SRFALL(i32& status);  // markers of every surface again

// ------------------------------------------------------------------ limits
void SETLIM(i32& status);
void LIMPNT(const i32& k, const i32& end, const f32& u, const f32& v, i32& status);
void PARLIM(i32& status);
void LIMPRM(const i32& k, const i32& end, i32& status);
void ALLLIM(i32& status);
void LIMRST(const i32& i, const i32& show, i32& status);
// First range from (first lo, first hi) and second range from (second lo,
// second hi), each turned the way the set-up of surface i runs.
void LIMFRM(const i32& i, const f64* ranges, i32& status);
void LIMFIT(const i32& i, const f32& p0, const f32& p1, const f32& p2, const f32& p3, const i32& all, i32& status);
void WIDFIT(const i32& mode, const i32& i, const i32& j, const f32& tol, i32& status);
// Nearest point to a point in space on the parameter line at the edge value
// of the second parameter, the first parameter running from..to.
void EDGNRS(const f32* point, const f64* buf, const i32& code, const f32& edge, const f32& from, const f32& to,
            f32& best, f32* bestpt);
// The trim boundary's point on the parameter line at the edge value of the
// second parameter nearest to a point in space: its first parameter (code)
// and the distance (1.0e15 when the line meets no boundary).
void EDGTRM(const f32* point, const i32& id, const f64* buf, const i32& code, const f32& edge, f32& best, f32& dist,
            i32& status);
void TRMBND(const i32& i, const f32* pts, const i32& count, const i32& id);
void width_trm(const i32& i, f32& p0, f32& p1, f32& p2, f32& p3, i32* lim, i32* crn);
void TRMLIM(const i32& redo, i32& status);
void SRFCRN(const i32& kind, const i32& i, const i32& j, const f32& tol, i32& connected, i32& status);

// ----------------------------------------------- start corner, width point
void STCORN(i32& changed, i32& status);
void CRNNEAR(const f32& x, const f32& y, const f32& z, f32* corner, i32& status);
void STCSET(i32& changed, i32& status);
bool STCREV1();
bool STCREV2();
void CRNSTO(f32 (*evals)[9], f32 (*uvs)[2]);
void GETCRN(f32& u0, f32& v0, f32& u2, f32& v2);
void PCKWID(i32& widdef, const f32& tol, i32& status);
// Width-point dialog: two points picked on surface id with their (u, v).
void WIDPNT(const i32& id, f32* pt1, f32* pt2, i32& adjust, f32* uv1, i32& mode1, f32* uv2, i32& mode2,
            i32& status);

// ----------------------------------------------------------------- markers
constexpr i32 SLOT_PNT = 0;  // first of the four corner point ids of a slot
constexpr i32 SLOT_ARW = 4;  // first of its two arrow figures
void SRFDSP(const i32& id, const i32& slot, const i32* lim, const i32* crn, i32& status);
void FIGCLR();
void FIGDEL(const i32& slot);
void FIGDAL();
// Final retract after the passes of an execution.
void ENDRET(i32& status);

// ------------------------------------------------ common edge of surfaces
void CMNEDG(const i32& mode, const i32& ida, const i32& idb, const i32& ia, const i32& ib, i32* lima, i32* limb,
            i32* crna, i32* crnb, i32& status);
void dir_close_dm(i32& handle, i32& status);
void PLY3D(const i32& id, const f32* uv, const i32& count, i32& handle, i32& status);
void DIRPLN(const i32& which, const i32& id, const i32& code, const f32* point, const f32* dir, i32& mode,
            i32& status);
