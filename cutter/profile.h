// Horizontal travel of the tool to one triangle: the edge tests of a
// corner-radius tool and the radius profile of a tapered tool, in a frame
// where the tool's axis is the z axis through the origin, its tip at z = 0
// and the travel along +x.
#pragma once

#include "core/words.h"

// ------------------------------------------------------- edge tests
void EDGTRV(f64 tol, const f64* s, const f64* e, f64 L, f64 W, f64 rc, f64& dist, f64* point, i32& status);
// Travel (dist, point) of the tool (radius W, corner rc) to the triangle v (nine values) by its edges: status 0 met
// within L, 1 beyond, 2 missed.
void TRGTRV(const f64& tol, const f64* v, const f64& L, const f64& W, const f64& rc, f64& dist, f64* point,
            i32& status);
// The edge's sampled search below (EDGDST, EDGZON, EDGTOR, EDGBAL) is kept as
// routines of its own, each tested through itself, though EDGTRV no longer
// calls it: EDGTRV takes the exact minimum of the travel over the edge, which
// the sampled search can miss (it can settle on a point that is not the first
// touched). The routines stay so the search can be run beside the exact
// minimum and checked against it.
// Travel of the tool (W, corner rc; rc2 unused) to the edge's point s + t d; status -1 where the point lies outside
// the tool's section.
void EDGDST(const f64* s, const f64* d, f64 t, f64 rc, f64 rc2, f64 W, f64& value, i32& status);
// Parameter range of the edge s + t d within the corner's height band 0..rc; status -1 for a level edge.
void EDGZON(const f64* s, const f64* d, f64 rc, f64 W, f64* range, i32& status);
// Parameter t of least travel of the tool (W, rc) on the edge s + t d, 0 <= t <= len, by a sampled search to tol;
// status -1 none.
void EDGTOR(f64 tol, const f64* s, f64 len, const f64* d, f64 rc, f64 W, f64& t, i32& status);
// Parameter t where a ball of radius rc, centre at height rc on the axis, travelling along +x meets the line s + t d;
// status -1 none.
void EDGBAL(const f64* s, const f64* d, f64 rc, f64& t, i32& status);

// ------------------------------------------------------- tool profile
extern f64 PRHCRN, PRRFLT, PRRCRN, PRHFLK, PRANGL, PRRNOM, PRCOSA, PRSINA, PRTANA, PRLENG, PRRTOP, PRALLW, PRRMAX;

// Sets the tapered profile for diameter d, corner r, taper a (radians), allowance e, cut length l; -1 for a tool that
// cannot be.
i32 PRFSET(f64 d, f64 r, f64 a, f64 e, f64 l);
// Radius of the profile's top (PRRTOP).
f64 PRFRTP();
// Radius of the profile at height h above the tip.
f64 PRFRAD(f64 h);
// Vertices (nine values) followed by the unit normal (three values).
void PRFTRI(const f64& tolerance, const f64* vn, const f64& lt, f64& travel, f64* contact, i32& status);
// Travel of the profile to the triangle vn: its face, else the best of its edges; status 0 met within lt, 1 beyond,
// else missed.
void PRFTRV(f64 tolerance, const f64* vn, f64 lt, f64& travel, f64* contact, i32& status);
// Travel of the profile to the face of the triangle vn where the flank or the corner touches it inside; status 0 met,
// 1 beyond lt, -1 none.
void PRFFAC(const f64* vn, f64 lt, f64& travel, f64* contact, i32& status);
// Travel of the profile to the edge va-vb within lt and its contact; status 0 met, 1 beyond, 2 missed.
void PRFEDG(f64 tolerance, const f64* va, const f64* vb, f64 lt, f64& travel, f64* contact, i32& status);
// Parameter s of least travel along the edge va + s e (0..length) by a sampled search to tolerance; status -1 none.
void PRFSRC(f64 tolerance, const f64* va, f64 length, const f64* e, f64& s, i32& status);
// Narrows range to the part of the edge (y, z of its start and direction) inside the profile's section; status -1
// none.
void PRFCLP(const f64* va_yz, const f64* e_yz, f64* range, i32& status);
// Travel of the profile to the point p; -1 where p lies outside the section.
i32 PRFVTX(f64 tolerance, const f64* p, f64& travel);

// Horizontal travel to one triangle (float interface of the travel).
void TRVCNT(const f32* u1, const f32* u2, const f32* u3, const i32* entry, const f32* a, const f32* b, const f32& z,
            const i32& dircls, const f64* m, const f64* mt, const i32& kind, const i32& zero_r, const f32& tolerance,
            const f32& d, const f32& r, f32* position, f32* contact, f32& travel, i32& status);
