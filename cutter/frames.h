// Frame transforms of a tilted tool axis, contact points on the tool, segment
// heights, normals between two points, and the contact geometry shared by the
// drops (surface normal at a contact, flank on an edge, frame along a move).
#pragma once

#include "core/words.h"

// Sets the rotation taking the axis onto +Z (and its inverse) unless point and axis match the last ones.
void FRMSET(const f32* point, const f32* axis);
// Turns p in place into the frame of the tool at point with the given axis.
void FRMROT(const f32* point, const f32* axis, f32* p);
// Turns p in place back from the tool's frame set last.
void FRMBCK(f32* p);
// Copies the triangle's entry into copy as seen in the tool's frame (normal turned and made upward, plane constant,
// box in thousandths, also given in box); its three turned vertices go into corners.
void TRGROT(const f32* point, const f32* axis, const f32* nodes, const i32* entry, i32* copy, i32* box,
            f32* corners);
// Contact of a tool (diameter d, corner r, taper a) with tip at tip on a face of normal n; status 1 steep, 2 flat
// (contact at tip), -2 overhang, -3 steeper than the taper.
void CNTTIP(const f32& d, const f32& r, const f32& a, const f32* tip, const f32* n, f32* contact, i32& status);
// Height z of the segment p1-p2 over q, along its longer plan extent; status 1 and the lower end where it has no plan
// extent.
void ZONSEG(const f32* p1, const f32* p2, const f32* q, f32& z, i32& status);
// Unit normal n at q blended from na at p1 and nb at p2, the nearer end weighing more; status nonzero where the blend
// is the zero vector.
void NRMINT(const f32* p1, const f32* p2, const f32* na, const f32* nb, const f32* q, f32* n, i32& status);
// Turns v into w: code 0 by the matrix m, 2 or -2 a half turn about Z, 3 or -4 and 4 or -3 the two quarter turns, any
// other as is.
void V3QTRN(const i32& code, const f64* m, const f64* v, f64* w);
// Tip height of a tool (radius R, corner r) on axis ax that touches point q; -1e10 where q lies outside the tool.
f32 TORTIP(const f32* ax, const f32* q, const f32& R, const f32& r);
// Highest tip height of the tool (axis ax, R, r) touching segment p1-p2 (direction u), the point in best; status 1 at
// the higher end.
f32 SEGTOR(const f32* p1, const f32* p2, const f32* u, const f32* ax, const f32& R, const f32& r, f32* best,
           i32& status);

// Surface normal at contact for the tool (d, r, taper a, allowance e, length l) at tool_point; status 2 where it
// cannot be told (normal +Z).
void CNTNRM(const f32& d, const f32& r, const f32& a, const f32& e, const f32& l, const f32* tool_point,
            const f32* contact, f32* normal, i32& status);
// Cone tip height z where the flank touches p0-p1 (tool frame), the point in contact, z2 the edge's height at the
// flank's top; status -10 corner, 10 top.
void CONSEG(const f32* p0, const f32* p1, const f32& rad, f32* contact, f32& z, f32& z2, i32& status);
// Frame (rows u, v, w) whose w runs from p0 to p1; status nonzero where the two points meet.
void DIRFRM(const f32* p0, const f32* p1, f32* frame, i32& status);
