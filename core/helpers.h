// Small routines the engines of several subsystems share.
#pragma once

#include "core/words.h"

void WRNPNT(const char* text1, const i32& n, const f32* point, const char* text2);
void SEGPRM(const f32* p1, const f32* p2, const f32* v1, const f32* v2, const f32* q, f32& z, f32* v, i32& flat);
void SEGPRD(const f64* p1, const f64* p2, const f64* v1, const f64* v2, const f64* q, f64& z, f64* v, i32& flat);
// Puts the point strings of B in front of those of A, joining where they
// meet. Capacities of points count floats (three per point).
void MRGGST(const i32& join, const i32& attr, const i32& acap, f32* apts, f32* avec, i32* aint, const i32& ascap,
            i32& ascount, i32* alens, const i32& bcap, f32* bpts, f32* bvec, i32* bint, const i32& spare,
            i32& bscount, i32* blens, i32& status);
void ARCSTP(const f32& length, f32& step, i32& n);
void SETTLN(const i32& id);
void MCHSWP(const i32& mode, i32& status);
void HGTTRN(i32& status);
// Origin used by WRNPNT when no tool path is open.
extern f32 WRNORG[3];
