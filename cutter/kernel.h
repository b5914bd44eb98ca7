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

// Root of f between t0 and t1 by a safeguarded secant search.
f64 SRCH1D(f64 t0, f64 t1, const std::function<f64(f64)>& f);
