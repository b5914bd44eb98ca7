// Cutter-on-triangle contact kernel in double precision: how far a cutter
// standing at a reference point travels along a direction before it first
// touches one triangle (negative when it overlaps the triangle already).
// Two variants over their own state blocks: the tapered cutter (lower corner
// part, conical flank, upper rim, all grown by an offset) and the cylindrical
// cutter (flat, torus or ball end).
#pragma once

#include <functional>

#include "core/words.h"

// Shape codes of the kernel's working part (KrnBlk::shp, lowtyp, upptyp,
// toltyp): a torus end, a flat end, a ball end; toltyp KS_CONE marks the
// tapered cutter with its cone.
constexpr i32 KS_TORUS = 0, KS_FLAT = 1, KS_BALL = 2, KS_CONE = 3;

// State block of one variant of the kernel.
struct KrnBlk {
    bool tapered;
    // The working part: radius, corner, ring, shape code (KS_TORUS, KS_FLAT, KS_BALL),
    // tip and corner-centre points.
    f64 R, r, rng;
    i32 shp;
    f64 tip[3], cen[3];
    // Tapered: lower part, upper rim, flank.
    f64 lowR, lowr, lowrng;
    i32 lowtyp;
    f64 lowtip[3], lowcen[3];
    f64 uppR, uppr, upprng;
    i32 upptyp;
    f64 upptip[3], uppcen[3];
    f64 lowtnr, lowtnz, upptnr, upptnz, apexzz;
    i32 toltyp, prtsel;
    f64 lstang = -1.0, sina, sin2, cosa, tana, sinhlf, coshlf, offset;
    // Per call.
    f64 movdir[3];
    i32 dircls, dirsns;
    f64 trinrm[3], tried1[3], tried2[3], plnpnt[3], tolcnt[3], tricnt[3], displc[3], cutnrm[3], cntnr2[3];
    i32 crsflg;
    // Vertex and edge contacts.
    f64 featpa[3], featpb[3], edgvec[3], swpnrm[3], swpoff, basvc1[3], basvc2[3], latoff, crcpnt[3];
};

extern KrnBlk CNTKRA;  // tapered variant
extern KrnBlk CNTKRB;  // cylindrical variant

// Tapered variant: D diameter, rc corner, a cone half-angle (below 0.0001:
// no cone), h height of the flank's top, off offset on every side.
void TRICNA(const f64* tri, const f64* p, const f64& d, const f64& rc, const f64& a, const f64& h, const f64& off,
            const f64* dir, f64& travel, f64* contact, f64* position, i32& status);
// Cylindrical variant: radius and corner with any offset added.
void TRICNB(const f64* tri, const f64* p, const f64& radius, const f64& corner, const f64* dir, f64& travel,
            f64* contact, f64* position, i32& status);

// The underside of the cylindrical variant's cutter swept along the whole
// line through p in a downward direction, as a floor under which no point of
// the cutter passes: each point's height plus its run along the move times
// the move's descent per unit run is constant along the move, and over the
// cutter it is least at the rear of the underside. A triangle wholly under
// that floor, or wholly beside the cutter's reach, is never touched, so the
// kernel could find no contact on it. Built for the cutter TRICNB is given
// (the same corner classes); `on` is false for a direction the kernel
// would turn level or vertical, which the floor does not model.
struct SweepFloor {
    bool on = false;
    f64 p[3] = {0, 0, 0};
    f64 hx = 0, hy = 0;  // the move's horizontal unit direction
    f64 fall = 0;        // descent per unit run along the move
    f64 grad = 0;        // length of the floor's gradient, sqrt(1 + fall^2)
    f64 ring = 0, r = 0, R = 0;
    f64 base = 0;        // the floor straight under the flat ring's rear
    // True when no point of the triangle (three corners, nine values) can
    // meet the cutter anywhere along the line.
    bool clears(const f64* tri) const;
};
// The floor of TRICNB's cutter (radius and corner with any offset added)
// swept along dir from the tip p; not on for a level or vertical dir.
SweepFloor TRICNB_floor(const f64* p, f64 radius, f64 corner, const f64* dir);

// Root of f between t0 and t1 by a safeguarded secant search.
f64 SRCH1D(f64 t0, f64 t1, const std::function<f64(f64)>& f);
