// Small routines the engines of several subsystems share.
#pragma once

#include "core/words.h"

void WRNPNT(const char* text1, const i32& n, const f32* point, const char* text2);
void SEGPRM(const f32* p1, const f32* p2, const f32* v1, const f32* v2, const f32* q, f32& z, f32* v, i32& flat);
void SEGPRD(const f64* p1, const f64* p2, const f64* v1, const f64* v2, const f64* q, f64& z, f64* v, i32& flat);
void ARCSTP(const f32& length, f32& step, i32& n);
void MCHSWP(const i32& mode, i32& status);
void HGTTRN(i32& status);
// Origin used by WRNPNT when no tool path is open.
extern f32 WRNORG[3];
