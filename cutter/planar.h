// Planar contact: the tool dropped vertically onto one triangle, face first,
// then its edges, in single precision.
#pragma once

#include <cmath>

#include "core/words.h"

// Edge record: unit XY direction, XY length, line constant (signed distance
// of the tool axis from the edge's line).
// Kept in double precision: the half-chord sqrt(R^2 - c^2) of a nearly
// tangent edge loses every digit of a single-precision c.
struct PlnEdge {
    f64 e[2];
    f64 len;
    f64 c;
};

// Unit 2-D vector in place with its length; status -1 for a zero vector.
void V2NRMS(f32* v, f32& length, i32& status);
// V2NRMS expanded where the gathering's inner loop calls it: a vector whose
// squared length is below 1e-12 has no direction; a unit component beyond
// 1 - 1e-13 is taken as lying on that axis.
[[gnu::always_inline]] inline void v2nrms(f32* v, f32& length, i32& status)
{
    status = -1;
    length = 0.0f;
    constexpr f64 no_direction = 1.0e-12;
    f64 x = v[0], y = v[1], q = x * x + y * y;
    if (q < no_direction) return;
    f64 l = std::sqrt(q);
    f64 ux = x / l, uy = y / l;
    constexpr f64 on_axis = 1.0 - 1.0e-13;
    if (ux > on_axis || ux < -on_axis) {
        ux = ux > 0 ? 1.0 : -1.0;
        uy = 0.0;
    } else if (uy > on_axis || uy < -on_axis) {
        uy = uy > 0 ? 1.0 : -1.0;
        ux = 0.0;
    }
    v[0] = static_cast<f32>(ux);
    v[1] = static_cast<f32>(uy);
    length = static_cast<f32>(l);
    status = 0;
}

// The edges of the triangle of nine vertex values (three corners, x y z
// each) about no axis yet: edge k runs from corner k to corner k + 1, its unit
// XY direction, XY length and the status of its normalisation in est[k] (-1
// for an edge without XY extent); the line constants are left to the solver.
void pln_edges(const f32* verts, PlnEdge* edges, i32* est);

// The tool (kind, diameter d, corner radius r) dropped vertically at
// point's XY onto the triangle u1 u2 u3 of the model entry: the tip height,
// the contact, the nearest edge's distance and the contact's type (0 face,
// 3 and 4 edge, 5 face near an edge; negative: no contact).
void PLNCNT(const f32* u1, const f32* u2, const f32* u3, const i32* entry, f32* point, const i32& kind,
            const i32& flag, const i32& retry, const f32& tolerance, const f32& d, const f32& r, f32& z_out,
            f32* contact, f32& edge_distance, f32& aux, i32& status);
// The solution of PLNCNT for the triangle about the tool axis: the face
// road (the end's contact point on the plane), else the edge road; a
// retry of an orientation-2 triangle takes the face road too.
void PLNSOL(const i32& orientation, f32* point, const f32* rr, const i32& kind, const i32& flag, const f32* verts,
            PlnEdge* edges, const i32* edge_status, const f32* nd, f32* contact, const i32& retry,
            f32& edge_distance, f32& aux, i32& status);
// Status 0 where the tool axis lies inside the triangle (every edge's line constant of one sign), 1 outside; flag
// widens the margin.
void PLNAXI(const i32& flag, const PlnEdge* edges, i32& status);
// Edge reach test: status 2 where the edge enters the disc of radius R about the axis, with its nearest distance d
// and height aux there.
void PLENRP(const f32* va, const f32* vb, const PlnEdge& edge, const f32& R, f64& d, f32& aux, i32& status);
// Ball end of radius R dropped onto the edge va-vb: tip height z, contact, nearest distance d and height aux; status
// 2 hit, -1 out of reach.
void PLEBAL(const f32* va, const f32* vb, const PlnEdge& edge, const f32& R, f64& d, f32* contact, f32& z, f32& aux,
            i32& status);
// Flat end of radius R dropped onto the edge va-vb: z the edge's highest point under it, contact, d and aux as
// PLEBAL.
void PLEFLT(const f32* va, const f32* vb, const PlnEdge& edge, const f32& R, f64& d, f32* contact, f32& z, f32& aux,
            i32& status);
// Corner-radius end (R, corner r) dropped onto the edge va-vb by SEGTOR: z, contact, d and aux as PLEBAL.
void PLETOR(const f32* va, const f32* vb, const PlnEdge& edge, const f32& R, const f32& r, f64& d, f32* contact,
            f32& z, f32& aux, i32& status);
