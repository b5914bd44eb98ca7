// Cutter-on-triangle contact kernel in double precision: how far a cutter
// standing at a reference point travels along a direction before it first
// touches one triangle (negative when it overlaps the triangle already).
// Two variants over their own state blocks: the tapered cutter (lower corner
// part, conical flank, upper rim, all grown by an offset) and the cylindrical
// cutter (flat, torus or ball end).
#pragma once

#include <cmath>
#include <functional>

#include "core/words.h"

// Shape codes of the kernel's working part (KrnBlk::SHPTYP, LOWTYP, UPPTYP,
// TOLTYP): a torus end, a flat end, a ball end; TOLTYP KS_CONE marks the
// tapered cutter with its cone.
constexpr i32 KS_TORUS = 0, KS_FLAT = 1, KS_BALL = 2, KS_CONE = 3;

// State block of one variant of the kernel.
struct KrnBlk {
    bool tapered;
    // The working part: outer radius, corner radius, ring (the radius of
    // the circle of corner centres), shape code (KS_TORUS, KS_FLAT,
    // KS_BALL), tip and corner-centre points.
    f64 TOLRAD, CRNRAD, RNGRAD;
    // r squared and (R - r) squared, filled by the vertex contact before
    // its searches, which use them at every step.
    f64 CRNSQR = 0, RNGSQR = 0;
    i32 SHPTYP;
    f64 CUTTIP[3], CRNCEN[3];
    // Tapered: lower part, upper rim, flank (radii and heights of the two
    // tangent circles, height of the apex).
    f64 LOWRAD, LOWCRN, LOWRNG;
    i32 LOWTYP;
    f64 LOWTIP[3], LOWCEN[3];
    f64 UPPRAD, UPPCRN, UPPRNG;
    i32 UPPTYP;
    f64 UPPTIP[3], UPPCEN[3];
    f64 LOWTNR, LOWTNZ, UPPTNR, UPPTNZ, APEXZZ;
    // The single part's shape or KS_CONE; the part selected (0 lower, 1 upper).
    i32 TOLTYP, PRTSEL;
    // The cone angle of the previous call and its trigonometry; the offset.
    f64 LSTANG = -1.0, SINANG, SINSQR, COSANG, TANANG, SINHLF, COSHLF, OFFSET;
    // Per call: the move, its class and sense; the triangle's normal and
    // edges; the cutter point on the plane, the contact's cutter and
    // triangle points and their difference; the cutter normal, the crease
    // flag and the crease's second normal.
    f64 MOVDIR[3];
    i32 DIRCLS, DIRSNS;
    f64 TRINRM[3], TRIED1[3], TRIED2[3], PLNPNT[3], TOLCNT[3], TRICNT[3], DISPLC[3], CUTNRM[3], CNTNR2[3];
    i32 CRSFLG;
    // Vertex and edge contacts: the feature's points and edge, the sweep
    // plane, the corner-circle search's basis, the lateral offset and the
    // last corner point.
    f64 FEATPA[3], FEATPB[3], EDGVEC[3], SWPNRM[3], SWPOFF, BASVC1[3], BASVC2[3], LATOFF, CRCPNT[3];
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
// Given the length of travel that counts (`span`), the floor also knows the
// move's ends: over that travel the cutter never dips below its tip at the
// far end, nor reaches along the move past its rim at either end, so a
// triangle wholly below that tip or wholly beyond those rims can only be met
// outside the travel that counts. The cutter swept over that travel is
// convex (its body, open upward, moved along a segment), so a triangle whose
// own plane has the whole sweep strictly above it is not met either.
struct SweepFloor {
    bool on = false;
    f64 p[3] = {0, 0, 0};
    f64 hx = 0, hy = 0;  // the move's horizontal unit direction
    f64 fall = 0;        // descent per unit run along the move
    f64 grad = 0;        // length of the floor's gradient, sqrt(1 + fall^2)
    f64 ring = 0, r = 0, R = 0;
    f64 base = 0;        // the floor straight under the flat ring's rear
    f64 low = -HUGE_VAL;   // the tip's height at the end of the travel that counts
    f64 front = HUGE_VAL;  // run along the move of the cutter's rim at that end
    f64 rear = -HUGE_VAL;  // and behind the start
    f64 d[3] = {0, 0, 0};  // the move's direction
    f64 span = HUGE_VAL;   // the travel that counts (not finite: the whole line)
    // True when no point of the triangle (three corners, nine values) can
    // meet the cutter anywhere along the travel that counts (the line).
    bool clears(const f64* tri) const;
    // True when the whole sweep lies strictly above the triangle's plane.
    bool under_plane(const f64* tri) const;
};
// The floor of TRICNB's cutter (radius and corner with any offset added)
// swept along the unit direction dir from the tip p, over the travel from 0
// to span (the whole line when span is not finite); not on for a level or
// vertical dir.
SweepFloor TRICNB_floor(const f64* p, f64 radius, f64 corner, const f64* dir, f64 span = HUGE_VAL);

// Root of f between t0 and t1 by a safeguarded secant search.
f64 SRCH1D(f64 t0, f64 t1, const std::function<f64(f64)>& f);
