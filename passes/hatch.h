// Hatch lines over one trimmed surface: lines of constant second coordinate
// in the turned frame of its trim boundary, spaced by the pass loop's side
// step, cut to the trimmed region, chained one way or zigzag (joined along
// the boundary) into a hatch path, and milled piece by piece.
#pragma once

#include "core/words.h"

// Crossings a hatch line may have.
constexpr i32 HATMAX = 7000;

// Hatch state: direction (+1 or -1: sort sense along a line and walking
// sense along the boundary), zigzag word (1 zigzag), cos and sin of the turn.
// The polygon set and the tolerance are accepted and not used.
void HATSET(const i32& dir, const i32& zig, const i32& hpol, const f32& tol, const f32& cs, const f32& sn);
// Creates the hatch lines between the two levels and the hatch path. Status
// 0, -1 on failure (reported), -2 when no line meets the region.
void HATCRE(const i32& hpol, const f64& start, const f64& end, const i32& nloops, i32& status);
// The lines and the path; 0, -1 or -2 as HATCRE.
i32 HATLIN(const f32* pol, const f64& start, const f64& end, const i32& nloops);
// The first line at or above y (y moves up by the trimming tolerance while a
// line has an odd crossing count) up to the upper level; 0 with the
// crossings, else -1 (count nonzero: too many crossings).
i32 CLR_MAKE_HATCH(const f32* pol, const i32& nloops, const f64& upper, const i32& dir, i32& count, f64& y);
// The last line at or below y, stepping down towards the previous level p
// and not below the lower level; 0 with level out (p when none is left
// above p), else -1.
i32 NCR_CRE(const f32* pol, const i32& nloops, const f64& lower, f64& level, const i32& dir, i32& count, f64 y,
            const f64& p);
// Pairing flags of the crossings of one line: +1 for loops at an even depth
// of nesting (the outer boundary), -1 at an odd one (holes).
void HATPAR(const i32& count, const i32* loops, i32* flags);
// The level after y: one side step of the surface's pass parameter turned
// into the frame; mode 2 puts the pass parameter back. Status of the step.
void HATNXT(const i32& mode, const f32& cs, const f32& sn, f64& y, i32& status);
// Chains the stored pieces from the record head into the hatch path; q the
// last-but-one level, end the end level, counts the vertices of each loop.
i32 HATCHN(const f32* pol, const f64& q, const f64& end, const i32* counts, const i32& head);
// Closes the hatch path.
void HATREL(i32& status);
// Mills the hatch path piece by piece. Status 0, or -1 when a piece could
// not be milled (the failing routine has reported it).
void PSLOOP(i32& status);
// Mills the next piece of the hatch path with the surface in buf (side sign
// side), through the pass arrays of hpar; first is set on the first call.
// Status 0 a piece was handed to the pass strings, 1 none was left,
// negative failure.
void trmlin(i32& hpar, const f64* buf, const i32& side, const i32& first, i32& status);
// Walk over the hatch path: to its head, the node's kind, u and v, to the
// next node, past the last node.
void HLNRWD();
// The current node's kind, u and v into out (nothing past the last node).
void HLNPNT(f32* out);
// Moves to the next node (past the last: the end).
void HLNNXT();
// True past the last node.
bool HLNEND();
// Smallest and largest y of the stretch of loop `loop` walked from segment
// a to segment b in direction d, starting from the two levels y1 and y2.
void LOPRNG(const f32* pol, const i32& a, const i32& b, const i32& d, const i32& loop, const f32& y1,
            const f32& y2, f32& ymin, f32& ymax);
// The module's integer array of count entries (base out) and its closing.
i32 IARROP(const i32& count, i32*& base);
// Closes the module's integer array; -1 when the host could not close it, else 0.
i32 IARRCL();
// Hatch direction for the angle: +1 and no extra angle when the start level
// lies below the end level, else -1, pi and the levels taken again.
void HATDIR(const f32& angle, i32& dir, f32& extra, f32& start, f32& end);
// Cosine and sine of an angle, each snapped onto 0, 1 or -1 when it equals
// one of them.
void HATCSN(const f32& angle, f32& c, f32& s);
