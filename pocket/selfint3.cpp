// The self-intersection run of loops with heights: walks from crossing to
// crossing found on the way, each crossing recorded once, so that a loop that
// crosses itself in plan becomes loops free of crossings.
#include "pocket/selfint3.h"

#include <algorithm>
#include <cmath>

#include "core/host.h"
#include "pocket/crossing.h"
#include "pocket/pkgeom.h"
#include "pocket/pkmath.h"
#include "pocket/pokvals.h"

PkCrossCopy pkcross;

namespace {

// Hits of each recorded crossing in the current walk; sides walked.
i32 hits[PK3_MAX];
i32 left1[PK3_MAX], left2[PK3_MAX];

// Crossings the current walk met and did not take (a touch, a tangent
// contact, a crossing at the walk's very start), each with the segment it
// lies on. The search of the walk drops them: a crossing not taken is
// stepped past, not met again at once from the same point, which would hold
// the walk at it until its guard ran out.
struct Passed {
    i32 count = 0;
    i32 seg[PK3_MAX];
    f64 x[PK3_MAX], y[PK3_MAX];
} passed;

bool was_passed(i32 seg, const f64* p)
{
    for (i32 k = 0; k < passed.count; ++k) {
        const f64 q[2] = {passed.x[k], passed.y[k]};
        if (passed.seg[k] == seg && pk_eqpt2(p, q)) return true;
    }
    return false;
}

// Remembers a crossing passed over; false when the list is full.
bool pass_over(i32 seg, const f64* p)
{
    if (passed.count >= PK3_MAX) return false;
    passed.seg[passed.count] = seg;
    passed.x[passed.count] = p[0];
    passed.y[passed.count] = p[1];
    ++passed.count;
    return true;
}

// A crossing is known by its segment pair and its place in plan: the heights
// of its two branches may differ, and the walk meets it on either.
bool same_point(const f64* a, const f64* b) { return pk_eqpt2(a, b) != 0; }

// Height of a point on segment `seg` (an arc: its centre's).
f64 height_on(const pokarr& a, i32 seg, f64 x, f64 y)
{
    if (a.dims < 3 || seg < 1 || seg >= a.count) return 0.0;
    if (pk_arc_at(a.x[seg])) return seg + 2 < a.count ? a.z[seg + 2] : 0.0;
    f64 p[3] = {x, y, 0.0}, v[3];
    i32 flat = 0, st = 0;
    pk_get_seg(a, seg, p, v, flat, st);
    return p[2];
}

// Kind of a point on a segment: 0 at its start, 1 at its end, -99 inside.
f64 kind_on(const PkSegDesc& d, const f64* p)
{
    if (pk_eqpt2(p, d.s)) return 0.0;
    if (pk_eqpt2(p, d.e)) return 1.0;
    return -99.0;
}

void publish()
{
    pkcross.count = pkingo.count;
    for (i32 k = 0; k < pkingo.count; ++k) {
        pkcross.seg1[k] = left1[k] ? -pkingo.ingo[k] : pkingo.ingo[k];
        pkcross.seg2[k] = left2[k] ? -pkingo.ingo1[k] : pkingo.ingo1[k];
        pkcross.x[k] = pkingo.xing[k];
        pkcross.y[k] = pkingo.ying[k];
        pkcross.z[k] = pkingo.zing[k];
    }
}

// Normal of a loop with normals at the point (x, y, z) of segment `seg`: a
// point at one of the segment's ends takes that entry's normal as it stands,
// a point inside it the segment's blend of the two; (0, 0, 1) without
// normals. The walk's loops are pieces of the source and carry its normals:
// the tool's tilt along the loop is read from them.
void normal_on(const pokarr& a, i32 seg, f64 x, f64 y, f64 z, f64* v)
{
    v[0] = v[1] = 0.0;
    v[2] = 1.0;
    if (a.dims != 4 || seg < 1 || seg >= a.count) return;
    const i32 s = seg - 1, e = pk_arc_at(a.x[seg]) && seg + 3 < a.count ? seg + 3 : seg;
    const f64 p[2] = {x, y};
    for (i32 k : {s, e}) {
        const f64 q[2] = {a.x[k], a.y[k]};
        if (!pk_eqpt2(p, q)) continue;
        for (int c = 0; c < 3; ++c) v[c] = a.vec[3 * k + c];
        return;
    }
    f64 at[3] = {x, y, z};
    i32 flat = 0, st = 0;
    pk_get_seg(a, seg, at, v, flat, st);
    if (st != 0) {
        v[0] = v[1] = 0.0;
        v[2] = 1.0;
    }
}

// Appends the head of arc `seg` (when it is one) and the point (x, y, z),
// unless the point repeats the last one; in a loop with normals the point
// takes the normal of segment `nseg` there.
bool append_to(const pokarr& src, i32 seg, f64 x, f64 y, f64 z, pokarr& w, i32 nseg)
{
    i32 st = 0;
    const f64 p[3] = {x, y, z};
    if (w.count > 0) {
        const f64 q[3] = {w.x[w.count - 1], w.y[w.count - 1], w.dims >= 3 ? w.z[w.count - 1] : 0.0};
        if (pk_eqpt3(p, q)) return true;
    }
    if (seg >= 1 && seg < src.count && pk_arc_at(src.x[seg])) {
        pokarr_append_part(3, src, seg, w, st);
        if (st != 0) return false;
    }
    f64 v[3];
    normal_on(src, nseg, x, y, z, v);
    pokarr_insert_pnt(p, v, w, w.count, st);
    return st == 0;
}

// A vertical step of the source (its ends apart in height only) has nothing
// to cross in plan and the walk steps over it, but its end keeps its height:
// appended here, the loop steps there rather than ramping to the next point.
bool keep_step(const pokarr& src, i32 seg, const PkSegDesc& d, pokarr& result)
{
    if (d.arc || src.dims < 3 || !pk_eqpt2(d.s, d.e)) return true;
    return append_to(src, -1, d.e[0], d.e[1], src.z[seg], result, seg);
}

// Position of X along the piece W from P (distance, or the arc's fraction).
f64 along(const PkSegDesc& w, const f64* p, const f64* q, const f64* x)
{
    if (!w.arc) return std::hypot(x[0] - p[0], x[1] - p[1]);
    f64 f = 0.0;
    pk_arc_frac_xy(w.r, w.dir, w.c[0], w.c[1], p[0], p[1], q[0], q[1], x[0], x[1], f);
    return f;
}

}  // namespace

// ------------------------------------------------------------ next crossing

namespace {

// Whether P is a crossing of the copy whose two branches are both walked.
bool both_walked(const f64* p)
{
    for (i32 k = 0; k < pkcross.count; ++k) {
        const f64 q[2] = {pkcross.x[k], pkcross.y[k]};
        if (pkcross.seg1[k] < 0 && pkcross.seg2[k] < 0 && pk_eqpt2(p, q)) return true;
    }
    return false;
}

}  // namespace

// The known-crossing tests compare points in plan: a crossing of a loop on
// the surfaces has a height on each of its branches, and the copy holds the
// first branch's only, so a compare in space would miss the same crossing
// met along its second branch.
void pk_known_cross1(i32 s, const f64* p, i32& known)
{
    known = 0;
    s = std::abs(s);
    for (i32 k = 0; k < pkcross.count; ++k) {
        const f64 q[2] = {pkcross.x[k], pkcross.y[k]};
        if ((std::abs(pkcross.seg1[k]) == s || std::abs(pkcross.seg2[k]) == s) && pk_eqpt2(p, q)) {
            known = 1;
            return;
        }
    }
}

void pk_known_cross3(const pokarr& a, i32 sa, i32 sb, const f64* p, i32& known)
{
    known = 0;
    if (pkcross.count == 0) return;
    auto adjust = [&](i32 s) {
        PkSegDesc d;
        s = std::abs(s);
        if (!pk_seg_desc(a, s, d)) return s;
        if (pk_eqpt2(p, d.s)) return pk_seg_step(a, s, 2);
        if (pk_eqpt2(p, d.e)) return pk_seg_step(a, s, 1);
        return s;
    };
    const i32 x = adjust(sa), y = adjust(sb);
    for (i32 k = 0; k < pkcross.count; ++k) {
        i32 c[4] = {std::abs(pkcross.seg1[k]), std::abs(pkcross.seg2[k]), std::abs(pkcross.seg1[k]), std::abs(pkcross.seg2[k])};
        auto has = [&](i32 s) { return std::find(c, c + 4, s) != c + 4; };
        // A point at a vertex may be recorded on either neighbour, so each
        // segment is found by its adjusted number or its own. Each test keeps
        // to its own segment: a widening that let b's own number stand in for
        // a would call a crossing of b with a third segment known to the pair,
        // and the answer would hang on the order of the two arguments.
        const bool has_a = has(x) || has(std::abs(sa)), has_b = has(y) || has(std::abs(sb));
        const f64 q[2] = {pkcross.x[k], pkcross.y[k]};
        if (has_a && has_b && pk_eqpt2(p, q)) {
            known = 1;
            return;
        }
    }
}

void pk_next_cross3(i32 mode, i32 seg, i32 first_chunk, const PkSegDesc& w, const f64* p, const f64* q,
                    const f64* guide, const pokarr& a, i32 start_seg, i32 end_seg, const f64* r, const PkBox& box,
                    i32& other, i32& chunk, f64* x, i32& found)
{
    // No guide points: the crossings are sought by the pair routine below,
    // which carries no guide. The end segment is read nowhere: it would only
    // steer the pick codes and the rule on the start segment's last
    // neighbour, and that rule goes by where the crossing lies (below).
    (void)guide;
    (void)end_seg;
    i32 in_chunk = chunk;
    const i32 special_seg = other;  // the special segment comes in `other`
    found = 0;
    other = 0;
    chunk = 0;
    bool skip = false, known_check = false, special = false;
    i32 limit = 0, check_first = seg;
    if (mode >= 6) {
        mode -= 10;
        skip = true;
        limit = in_chunk;
    }
    if (mode == -3) {
        mode = 0;
        known_check = true;
        check_first = in_chunk;
    } else {
        if (mode > 2) {
            mode -= 2;
            known_check = true;
        }
        if (mode > 1) {
            mode -= 1;
            special = true;
        }
    }
    PkSegDesc piece = w;  // W from P to Q
    piece.s[0] = p[0];
    piece.s[1] = p[1];
    piece.e[0] = q[0];
    piece.e[1] = q[1];
    f64 xl, yl, xh, yh;
    pk_desc_box(piece, xl, yl, xh, yh);
    i32 next = seg >= 1 ? pk_seg_step(a, seg, 1) : -1, prev = seg >= 1 ? pk_seg_step(a, seg, 2) : -1;
    f64 best = 0.0;
    for (i32 c = first_chunk < 0 ? 0 : first_chunk; c < box.count; ++c) {
        if (c != first_chunk && !pk_box_ovl2(box.xmin[c], box.ymin[c], box.xmax[c], box.ymax[c], xl, yl, xh, yh)) continue;
        for (i32 k = box.start[c]; k < box.start[c + 1] && k < a.count;) {
            i32 kn = k;
            bool karc = pk_arc_at(a.x[k]);
            k += karc ? 4 : 1;
            if (kn == seg || (skip && kn <= limit)) continue;
            if (c == first_chunk && mode == 0 && seg >= 1 && kn < seg) continue;
            PkSegDesc kd;
            if (!pk_seg_desc(a, kn, kd)) continue;
            bool neighbour = kn == next || kn == prev;
            if (neighbour && !kd.arc && !w.arc) continue;
            f64 bx[4];
            pk_desc_box(kd, bx[0], bx[1], bx[2], bx[3]);
            if (!pk_box_ovl2(bx[0], bx[1], bx[2], bx[3], xl, yl, xh, yh)) continue;
            // The crossings of W with k, by one pair routine for every kind
            // of the two, in plan: the straight pair by the 2-D intersection
            // with the lower-numbered segment first, a straight piece and an
            // arc by LINCIRC with both its candidates (the look at the arc's
            // other crossing made at once), two arcs along W both ways. A loop
            // along surfaces crosses itself in plan with its two branches at
            // heights that differ by the chord error, so an exact meeting in
            // space would miss nearly every crossing; each branch keeps its
            // own height (height_on) and the walk steps at the crossing where
            // they differ. For the same reason the straight pair is met in
            // plan in every dimension mode, never by the intersection of two
            // lines in space (which meets them only where they share a
            // plane): two branches that cross in plan at different heights
            // cross here in a pocket on the surfaces as in a plane pocket.
            // The straight working line is the piece from P to Q itself, not
            // the whole segment bounded by them: P lies on the segment (a
            // crossing snapped onto it) or at its start, so the two lines
            // differ by round-off only.
            // The pick and exclude codes, the guide directions and the second
            // look at an arc's other crossing are not used: those codes
            // choose one of an arc's two candidates per call and look again
            // for the other, and the guides settle an overlap of two straight
            // pieces in space. The pair routine answers both candidates of a
            // pair in one call, each with its touch flag, and the walk's list
            // of crossings passed over stands in for the exclusions; in plan
            // the guides have nothing to settle. The end segment, which only
            // steers those codes, is read nowhere. The mode of a straight/arc
            // pair is kept: 2 (a tangent point is a crossing) with the
            // special flag where k or seg is the special segment, or for a
            // piece off the loop below -1; 3 with the skip flag; else 1. A
            // straight W snaps a joint candidate to its own end point.
            // Where a loop wraps, its last segment and its first share the
            // closing joint: they are neighbours as much as two segments whose
            // numbers differ by one, so `neighbour` takes the wrapped step.
            f64 pts[2][2];
            i32 touch[2];
            const bool at_special = special && special_seg != 0 && (kn == special_seg || seg == special_seg);
            const i32 lc_mode = skip ? 3 : (at_special || seg < -1 ? 2 : 1);
            i32 n = pk_pair_cross(piece, kd, seg < kn, neighbour, pts, touch, lc_mode, 2);
            for (i32 m = 0; m < n; ++m) {
                const f64* X = pts[m];
                bool at_p = pk_eqpt2(X, p) != 0;
                if (at_p && known_check) {
                    i32 known = 0;
                    pk_known_cross3(a, check_first, kn, X, known);
                    if (known) continue;
                    if (special && !both_walked(X)) continue;
                }
                // With seg -3 and a point R, a crossing at P that is R too is
                // not taken; nothing more is read of R. No walk of this module
                // passes seg -3 or R (delups always names W's own segment),
                // and the pair routine gives both crossings of an arc in one
                // call, so the second look at an arc from R has nothing left
                // to find, and no limit on the crossed segment is set.
                if (at_p && r && seg == -3 && pk_eqpt2(X, r)) continue;
                // a crossing the walk passed over is not met again
                if (known_check && was_passed(kn, X)) continue;
                // The joints of W's segment with its neighbours: X at P that is
                // also the end of the segment before, X at Q that is also the
                // start of the one after. An arc neighbour that crosses W
                // again away from their joint is a real crossing, at P too.
                if (neighbour && ((kn == prev && at_p && pk_eqpt2(X, kd.e)) ||
                                  (kn == next && pk_eqpt2(X, q) && pk_eqpt2(X, kd.s))))
                    continue;
                // On the walk's start segment a crossing at P with the array's
                // last segment is the loop's closing joint or the crossing the
                // walk set out from: dropped. Elsewhere along W a crossing with
                // the last segment is a real one and stays: leaving the last
                // segment out of the search, right for the walk from the
                // loop's start (whose start segment it joins), would lose it
                // on a walk that sets out from a middle segment. The rule goes
                // by where the crossing lies, so it holds alike for a straight
                // W and an arc W and whatever the kind of the walk's end
                // segment: only the joint at P is no crossing.
                if (seg == start_seg && kn == pk_seg_last(a) && at_p) continue;
                f64 pos = along(piece, p, q, X);
                if (found && pos > best) continue;
                best = pos;
                x[0] = X[0];
                x[1] = X[1];
                x[2] = height_on(a, seg, X[0], X[1]);
                other = kn;
                chunk = c;
                found = 1;
            }
        }
    }
}

// ----------------------------------------------------------------- records

// The walk's record of its crossings keeps, per crossing, the sides it has
// been left by: left2 when the walk left along the second branch, left1
// along the first (the signs of the published copy). A crossing met for the
// first time is recorded and left along its second branch; met again, it is
// left along the branch the walk did not come by, and a side left before
// means the walk is going round again: quiet only on the first hit at the
// walk's own start, else status 1 to the walk. A crossing flag carried by
// the walk would have to say the same thing, but the walk gives it no start
// value and no rule that sets it, so the side marks stand in its place. The
// marks stay set from walk to walk: a later walk sets out only from a
// crossing whose first branch no walk has left by, and a branch walked once
// is never walked again, so no loop is made twice.
i32 ckintr(i32 i, i32 j, const f64* x, f64 zi, f64 zj, f64 ki, f64 kj, const f64* start, i32& entry)
{
    PkIngo& t = pkingo;
    for (i32 k = 0; k < t.count; ++k) {
        bool pair = (std::abs(t.ingo[k]) == i && std::abs(t.ingo1[k]) == j) ||
                    (std::abs(t.ingo[k]) == j && std::abs(t.ingo1[k]) == i);
        const f64 q[3] = {t.xing[k], t.ying[k], t.zing[k]};
        if (!pair || !same_point(x, q)) continue;
        ++hits[k];
        entry = k;
        // Met again: the walk leaves on the branch it did not come by. Each
        // entry says which of its two branches a walk has already left by,
        // in place of a sign on each segment number, a crossing flag and a
        // test of the pair's order: a walk that would leave again by a
        // branch already walked answers 1, unless it is back at its own
        // start on its first meeting, so every branch of every crossing is
        // walked once and no walk retraces another. The hit counters only
        // tell that first meeting.
        bool arrive_first = std::abs(t.ingo[k]) == i;
        i32& left = arrive_first ? left2[k] : left1[k];
        if (left) {
            if (same_point(x, start) && hits[k] == 1) return 0;
            if (gncalw()) eroutc("[ckintr] INTERSECTION POINT ALREADY ENCOUNTERED", 0);
            return 1;
        }
        left = 1;
        return 0;
    }
    if (t.count >= PK3_MAX) {
        if (gncalw()) eroutc("[ckintr] TOO MANY INTERSECTION POINTS", 0);
        return -1;
    }
    i32 k = t.count++;
    t.ingo[k] = i;
    t.ingo1[k] = j;
    t.u1[k] = ki;
    t.u2[k] = kj;
    t.xing[k] = x[0];
    t.ying[k] = x[1];
    t.zing[k] = zi;
    t.z2[k] = zj;
    hits[k] = 1;
    left1[k] = 0;
    left2[k] = 1;  // met on its first branch, the walk goes on along the second
    entry = k;
    return 0;
}

// ------------------------------------------------------------- one walk

namespace {

// Whether the walk along segment seg (d its description) takes the crossing
// X with segment `other`, and the heights and kinds of X on both branches.
bool take_crossing(const pokarr& src, i32 seg, const PkSegDesc& d, i32 other, const f64* X, bool first_step, i32 last,
                   f64& za, f64& zb, f64& ka, f64& kb)
{
    PkSegDesc od;
    pk_seg_desc(src, other, od);
    za = height_on(src, seg, X[0], X[1]);
    zb = height_on(src, other, X[0], X[1]);
    ka = kind_on(d, X);
    kb = kind_on(od, X);
    f64 ain[2], aout[2], bin[2], bout[2];
    pk_dirs_at(src, seg, d, X, ain, aout);
    pk_dirs_at(src, other, od, X, bin, bout);
    if (first_step && ka == 0.0) return false;
    const f64 c0[2] = {src.x[0], src.y[0]};
    if (pk_eqpt2(X, c0) && ((seg == 1 && other == last) || (seg == last && other == 1))) return false;
    // tangent branches: passed over, and remembered so that the next
    // step does not take the contact either
    // Tangency in plan: the crossing was met in plan, and two branches
    // that run together in plan at different slopes meet along a
    // stretch, not at a point, so their climb does not make them cross.
    f64 cr = pk_cross_mag(2, aout, bout), dt = pk_dot2(aout[0], aout[1], bout[0], bout[1]);
    if (std::fabs(cr) < 1e-6 && !(dt <= -0.98 && std::fabs(pk_cross_mag(2, ain, bin)) < 1e-6)) return false;
    if (ka != -99.0 || kb != -99.0) {
        i32 res = 0;
        chkjunc(1, ain, aout, bin, bout, res);
        return res == 0;
    }
    return true;
}

}  // namespace

void delups(i32 start_seg, i32 end_seg, const f64* start, f64 z1, f64 z2, const pokarr& src, const PkBox& box,
            pokarr& result, i32& status)
{
    status = 0;
    pokarr_clear(result, src.count + 8, status);
    if (status != 0) {
        status = 11;
        return;
    }
    for (i32 k = 0; k < PK3_MAX; ++k) hits[k] = 0;
    passed.count = 0;
    if (src.dims != 3) eroutc("[delups] ONLY 3D ARRAYS SUPPORTED BY DELUPS", 0);
    const f64 S[3] = {start[0], start[1], z1};
    if (!append_to(src, -1, S[0], S[1], z1, result, start_seg)) {
        status = 11;
        return;
    }
    f64 P[3] = {start[0], start[1], z1};
    i32 seg = start_seg, last = pk_seg_last(src);
    const f64 s0[2] = {src.x[0], src.y[0]};
    bool first_step = true, from_crossing = start_seg != 1 || !pk_eqpt2(start, s0), ended = false;
    for (i32 guard = 0; guard < 4 * src.count + 4 * PK3_MAX; ++guard) {
        PkSegDesc d;
        if (!pk_seg_desc(src, seg, d)) {
            status = 2;
            return;
        }
        // Points are compared in plan here as in the search: the crossings
        // are met in plan, with each branch at its own height, so the walk's
        // current point and its start carry the walked branch's height and a
        // compare in space would miss them on the other branch.
        if (pk_eqpt2(P, d.e)) {  // nothing left of this segment
            if (!keep_step(src, seg, d, result)) {
                status = 11;
                return;
            }
            if (seg == end_seg && !from_crossing) {
                ended = true;
                break;
            }
            seg = seg >= last ? 1 : pk_seg_step(src, seg, 1);
            continue;
        }
        publish();
        i32 other = 0, chunk = 0, found = 0;
        f64 X[3];
        // The search starts at the first chunk, not at the chunk of the
        // walk's segment: a walk crosses segments before its own as well as
        // after it, and the chunk boxes keep the search short either way.
        pk_next_cross3(3, seg, 0, d, P, d.e, nullptr, src, start_seg, end_seg, nullptr, box, other, chunk, X, found);
        if (!found) {
            if (!append_to(src, seg, d.e[0], d.e[1], height_on(src, seg, d.e[0], d.e[1]), result, seg)) {
                status = 11;
                return;
            }
            P[0] = d.e[0];
            P[1] = d.e[1];
            first_step = false;
            if (seg == end_seg && !from_crossing) {
                ended = true;
                break;
            }
            seg = seg >= last ? 1 : pk_seg_step(src, seg, 1);
            continue;
        }
        f64 za = 0.0, zb = 0.0, ka = 0.0, kb = 0.0;
        if (!take_crossing(src, seg, d, other, X, first_step, last, za, zb, ka, kb)) {
            // stepped past: the walk goes on along its segment from where it is
            if (!pass_over(other, X)) {
                status = 2;
                return;
            }
            continue;
        }
        if (from_crossing && pk_eqpt2(X, S)) {
            // back at the walk's start: the closing below adds it
            if (seg >= 1 && pk_arc_at(src.x[seg])) {
                i32 s2 = 0;
                pokarr_append_part(3, src, seg, result, s2);
                if (s2 != 0) status = 11;
            }
            ended = true;
            break;
        }
        if (!append_to(src, seg, X[0], X[1], za, result, seg)) {
            status = 11;
            return;
        }
        P[0] = X[0];
        P[1] = X[1];
        first_step = false;
        i32 entry = -1;
        i32 r = ckintr(seg, other, X, za, zb, ka, kb, S, entry);
        if (r < 0) {
            status = 1;
            return;
        }
        if (pokdim == 2 && !pk_eqval(za, zb) && !append_to(src, -1, X[0], X[1], zb, result, other)) {
            status = 11;
            return;
        }
        // A crossing walked before ends the walk as a failure, except at the
        // walk's own start, where the walk has come round and simply ends.
        if (r == 1 && !pk_eqpt2(X, S)) {
            status = 2;
            return;
        }
        if (pk_eqpt2(X, S)) {
            // the walk from the loop's start is back at it through a crossing
            // (its start lies on a later segment): the loop is closed
            ended = true;
            break;
        }
        seg = other;
    }
    // A walk that neither reached its end segment nor came back to its start
    // ran out of its guard: it went round without end, which is a failure,
    // not a loop.
    if (!ended) {
        status = 2;
        return;
    }
    // close on the start point: the second height, then the first
    if (!append_to(src, -1, S[0], S[1], z2, result, end_seg) ||
        (!pk_eqval(z1, z2) && !append_to(src, -1, S[0], S[1], z1, result, start_seg)))
        status = 11;
}

i32 delups3d(const pokarr& src, pokarr* store, i32& made)
{
    made = 0;
    pkingo.count = 0;
    pkcross.count = 0;
    // An array of fewer than two entries has no segment and so no crossing:
    // it comes back whole as the only loop, as a plane array does.
    if (src.count < 2) {
        i32 st = 0;
        pokarr_init(src.dims, store[0]);
        pokarr_copy(src, store[0], st);
        made = 1;
        return st != 0 ? 11 : 0;
    }
    PkBox box;
    pkbox_make(src, box);
    i32 last = pk_seg_last(src);
    const f64 start[2] = {src.x[0], src.y[0]};
    f64 z0 = src.dims >= 3 ? src.z[0] : 0.0;
    i32 st = 0;
    pokarr_init(src.dims, store[0]);
    delups(1, last, start, z0, z0, src, box, store[0], st);
    ++made;
    if (st != 0) return st;
    for (i32 e = 0; e < pkingo.count; ++e) {
        if (left1[e]) continue;
        if (made >= PKINGO_MAX) return 1;
        left1[e] = 1;  // the walk leaves along the first branch
        const f64 x[2] = {pkingo.xing[e], pkingo.ying[e]};
        pokarr_init(src.dims, store[made]);
        delups(std::abs(pkingo.ingo[e]), std::abs(pkingo.ingo1[e]), x, pkingo.zing[e], pkingo.z2[e], src, box,
               store[made], st);
        ++made;
        if (st != 0) return st;
    }
    return 0;
}
