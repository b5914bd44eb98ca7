// The exact clearance of a general tool of revolution over the triangles:
// a flat, ball, corner-radius or tapered tool, enlarged by an allowance, is
// placed with its lowest point at a given point, and the smallest signed
// distance between its surface and a triangle (positive: clearance, negative:
// how deep the tool reaches into the part) is measured in double precision,
// with the two points that realise it.
//
// The tool solid is convex and its signed distance is split among six
// elements, each the nearest part of the surface over its own region of
// space: the shank (CYL), the rounding of the junction of flank and shank
// (OFS), the flank cone (CON), the corner torus (TOR), the flat bottom (BOT)
// and the ball (SPH). A triangle is measured first over its face (the
// nearest point inside the triangle), then, when the face gives nothing, over
// its edges and, for a tapered tool, its vertices; the recorder of each
// element keeps its smallest distance, and the smallest of the six wins.
#pragma once

#include "core/words.h"

// Element slots, in the order in which the results are compared; the region
// code of an element is its slot plus one.
enum CntSlot : i32 { CYL = 0, OFS = 1, CON = 2, TOR = 3, BOT = 4, SPH = 5, CNT_SLOTS = 6 };

// Tool shapes and the tapered tool's sub-shapes.
constexpr i32 SHP_FLAT = 1, SHP_BALL = 2, SHP_TORUS = 3, SHP_TAPER = 4;
// 5 flat bottom; 6 the bisectors of bottom and top corner cross before the
// axis; 7 ball tip below the flank's top; 8 ball tip above it, below the top
// bisector's apex; 9 ball tip above that (no element is measured).
constexpr i32 SUB_FLAT = 5, SUB_SHORT = 6, SUB_BALL = 7, SUB_HIGHBALL = 8, SUB_NONE = 9;

// Result of one element: F 1 while empty, D the signed distance, P the
// triangle point, Q the tool-surface point facing it.
struct CntRes {
    i32 F;
    f64 D;
    f64 P[3];
    f64 Q[3];
};

// The solver's state: the tool model kept between calls, its derived
// geometry, the reference points and element results of one triangle, and
// the scratch of the face, edge and point cases. Heights are above the lowest
// point of the enlarged tool; R' and r' are the radii enlarged by the offset.
struct CntSol {
    // Tool model.
    f64 TDIAM, TCRAD, THEIGH, TANGLE, TOFFS;  // D, r, L, a (radians), offset e
    i32 TOOLOK;                              // 1 once a model is stored
    i32 SHAPE, SUBSHP;
    // Derived radii.
    f64 RADEFF;  // R' (tapered: top radius + e)
    f64 CRNEFF;  // r'
    f64 FLATR;   // radius of the corner-centre circle (flat bottom)
    f64 CYLRAD;  // shank radius
    f64 TORRAD;  // tube radius of the corner torus
    f64 SPHRAD;  // ball radius
    f64 BOTOFF;  // height of the bottom element's centre above the bottom
    f64 OFSRAD;  // rounding of the flank's top edge (the offset)
    // Tapered tool.
    f64 TANA, SINA, COSA, SINA2, COSA2, HALFB, SINB, COSB, TANB;
    f64 CRNHGT;  // corner centres
    f64 BISLOW;  // bisector of the bottom corner on the axis
    f64 TOPHGT;  // top of the flank
    f64 TOPRAD;  // radius of the flank's top, without e
    f64 BISTOP;  // bisector of flank and shank on the axis
    f64 APEXHT;  // apex of the enlarged flank cone
    f64 BISXHT, BISXRD, BISXAP, BLRTOP;  // sub-shape 6: crossing of the bisectors
    // Separating cones: apex heights, slopes (radius per height), apexes.
    f64 VCHGT[5], VCSLOP[5], VCAPEX[5][3];
    // Reference points of one call.
    f64 TIPPNT[3];
    f64 AXPNT[6][3];
    f64 APXPNT[3];
    f64 TRIVRT[3][3];
    CntRes RES[CNT_SLOTS];
    // Face case.
    f64 TRINML[3];  // plane normal, |x| + |y| + |z| = 1, pointing down
    f64 CRNCTR[3];  // point of a tool circle facing the triangle (TOR, OFS)
    f64 FCAXA[3], FCAXB[3], FCCIRC[3], FCXRAD, FCRAD;
    i32 FCREGN;
    // Edge and point cases.
    f64 EDGLO[3], EDGHI[3];  // the current edge's lower and higher end
    i32 EDGFLG;              // 1 when the edge recorded an accepted point
    f64 RTCOEF[3];           // coefficients of the circle search's function
    f64 EDGPNT[3], EDGPAR, EDGPR2;
    f64 CIRCTR[3], CIRRAD;
    i32 NCNSOL;  // crossings with a cone: 0, 1, 2, or 3 (the line lies on it)
    f64 CNSOLA[3], CNSOLB[3];
    i32 CONIDX;
};

extern CntSol CNTSOL;

// Takes the tool (D, r, L, a, e) for the exact road: 1 when the road takes
// it, 0 for a tapered tool of sub-shape 8 or 9 (the drop serves it).
i32 CNTSET(const i32& kind, const f64* tool);
// Classifies the tool of the state block and derives its geometry.
void CNTCLS();
// Signed distance between the tool (D, r, L, a, e), lowest point at point,
// and one triangle (three vertices); points: tool-surface point, then the
// triangle point. 1.0e26 when no element was measured.
void CNTSLV(const f64* tool, const f64* point, const f64* triangle, f64& distance, f64* points);

// Smallest signed distance between the current tool, tip at point, and the
// triangles under it, enlarged by each surface's allowance; the two points
// that realise it and the unit direction from the part point to the tool
// point (z not negative). 1000.0 and a zero direction when nothing is nearer.
void LOCGEN(const f32* point, const f32& tolerance, f32* tool_point, f32* part_point, f32& distance,
            f32* direction, i32& status);
