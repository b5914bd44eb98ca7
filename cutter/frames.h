// Frame transforms of a tilted tool axis, contact points on the tool, segment
// heights, normals between two points, and the contact geometry shared by the
// drops (surface normal at a contact, flank on an edge, frame along a move).
#pragma once

#include "core/words.h"

void FRMSET(const f32* point, const f32* axis);
void FRMROT(const f32* point, const f32* axis, f32* p);
void FRMBCK(f32* p);
void TRGROT(const f32* point, const f32* axis, const f32* nodes, const i32* entry, i32* copy, i32* box,
            f32* corners);
void CNTTIP(const f32& d, const f32& r, const f32& a, const f32* tip, const f32* n, f32* contact, i32& status);
void ZONSEG(const f32* p1, const f32* p2, const f32* q, f32& z, i32& status);
void NRMINT(const f32* p1, const f32* p2, const f32* na, const f32* nb, const f32* q, f32* n, i32& status);
void V3QTRN(const i32& code, const f64* m, const f64* v, f64* w);
f32 TORTIP(const f32* ax, const f32* q, const f32& R, const f32& r);
f32 SEGTOR(const f32* p1, const f32* p2, const f32* u, const f32* ax, const f32& R, const f32& r, f32* best,
           i32& status);

void CNTNRM(const f32& d, const f32& r, const f32& a, const f32& e, const f32& l, const f32* tool_point,
            const f32* contact, f32* normal, i32& status);
void CONSEG(const f32* p0, const f32* p1, const f32& rad, f32* contact, f32& z, f32& z2, i32& status);
void DIRFRM(const f32* p0, const f32* p1, f32* frame, i32& status);
