// The meeting of the passes of two surfaces that follow each other in a
// chain: the pass value of one surface at which a tool placed at the end of
// the other surface's pass touches it too.
#pragma once

#include "core/words.h"

// One surface of a meeting: its loaded buffer, which parameter the passes
// hold fixed (pcode 1 u, 2 v), the pass value, the side (+1 keeps the
// normal) and the along limits (start, end, the span a step may take).
struct MetSrf {
    const f64* buf;
    i32 pcode;
    f32 pass;
    i32 side;
    f32 along[3];
};

// Mode 0: the second surface moves to meet the end of the first's pass;
// mode 1: the first moves to meet the start of the second's. The moving
// pass value is written back and the along values of the meeting come out
// (first's, second's). A surface that cannot be reached by a three-axis
// tool next to the edge gets the under-cut warning and nothing moves.
// Status 0.
void PASMET(const i32& mode, MetSrf& first, MetSrf& second, f32& along1, f32& along2, i32& status);
// A meeting: the tool on the sampled surface (tip and axis), the points
// and normals (turned to their sides) of both surfaces there.
struct MetRes {
    f32 tool[3], axis[3];
    f32 spnt[3], snrm[3];  // the sampled surface
    f32 mpnt[3], mnrm[3];  // the target surface
};

// The probing solver: over the along fraction t of the sampled surface s
// (its pass end in mode 0, its start in mode 1) the tool placed on s is
// projected onto the target surface m along m's normal; the nearest meeting
// of the two tool positions is accepted below the square root of 2 times
// the tool radius, one within a tenth of the diameter or on flat ground
// preferred among those. m's pass value, the along values of both, the
// meeting and the distance out; status 0, -1 when no meeting is accepted
// (m keeps its pass value).
void METSLV(const i32& mode, const MetSrf& s, MetSrf& m, f32& salong, f32& malong, MetRes& res, f32& best,
            i32& status);
