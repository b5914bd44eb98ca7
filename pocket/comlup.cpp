// Common loops of two loops: the two orderings of their crossings and the
// walks from crossing to crossing.
#include "pocket/comlup.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <numeric>
#include <utility>

#include "core/host.h"
#include "pocket/looptest.h"
#include "pocket/luptab.h"
#include "pocket/oneoff.h"
#include "pocket/pkclean.h"
#include "pocket/pkgeom.h"
#include "pocket/pkmath.h"
#include "pocket/pokvals.h"

i32 comlup_offset_flag = 0;

ComlupLists::ComlupLists()
    : baseg(LUP_CROSS_MAX10 + 2), bbseg(LUP_CROSS_MAX10 + 2), rank(LUP_CROSS_MAX10 + 2), bx(LUP_CROSS_MAX10 + 2),
      by(LUP_CROSS_MAX10 + 2)
{
}

namespace {

ComlupStore collection, second;

// Distance of a point from the start of B's segment (squared for a straight
// one; the angle for an arc).
f64 b_dist(const pokarr& b, i32 seg, f64 x, f64 y)
{
    PkSegDesc d;
    if (!pk_seg_desc(b, seg, d)) return 0.0;
    if (!d.arc) return (x - d.s[0]) * (x - d.s[0]) + (y - d.s[1]) * (y - d.s[1]);
    return pk_arc_sweep(d.dir, d.c[0], d.c[1], d.s[0], d.s[1], x, y);
}

// Two neighbouring crossings (cyclically in A's order) whose heights on A
// and B both differ by more than the threshold become touches: swept
// backwards round the list from the first crossing without a jump, then
// forwards from it to the end. The marks live beside the ranks rather than
// as 10,000 added to them, so that no rank is taken for a mark.
void drop_height_jumps(CrossTable& t, i32 n, f64 threshold)
{
    std::vector<char> jump(static_cast<size_t>(n), 0);
    i32 first = -1;
    for (i32 k = 0; k < n; ++k) {
        jump[static_cast<size_t>(k)] = std::fabs(t.h2[k] - t.h1[k]) > threshold;
        if (!jump[static_cast<size_t>(k)] && first < 0) first = k;
    }
    if (first < 0) first = 0;
    auto touch = [&](i32 k) { t.bseg[k] = -std::abs(t.bseg[k]); };
    auto marked = [&](i32 k) { return jump[static_cast<size_t>((k % n + n) % n)] != 0; };
    for (i32 s = 1; s <= n; ++s) {
        const i32 k = ((first - s) % n + n) % n, before = (k - 1 + n) % n;
        if (marked(k) && marked(before)) {
            touch(k);
            touch(before);
        }
    }
    for (i32 k = first; k < n; ++k) {
        const i32 after = (k + 1) % n;
        if (marked(k) && marked(after)) {
            touch(k);
            touch(after);
        }
    }
}

void store_clear(ComlupStore& s)
{
    pokarr_free(s.pts);
    pokarr_init(pk_dims(), s.pts);
    s.counts.clear();
    s.dirs.clear();
}

}  // namespace

ComlupStore& comlup_collection() { return collection; }
ComlupStore& comlup_second() { return second; }

void comlup_sort(i32 n, const i32* aseg, const i32* bseg, const f64* x, const f64* y, const pokarr& b, i32* oaseg,
                 i32* obseg, f64* ox, f64* oy)
{
    std::vector<i32> idx(static_cast<size_t>(n));
    std::vector<f64> dist(static_cast<size_t>(n));
    for (i32 k = 0; k < n; ++k) {
        idx[static_cast<size_t>(k)] = k;
        dist[static_cast<size_t>(k)] = b_dist(b, std::abs(bseg[k]), x[k], y[k]);
    }
    // Order along B: by B segment, then by the distance from that segment's
    // start. The sort is stable, the same result as an insertion sort run
    // from the last entry to the first that moves an entry only past a
    // strictly larger neighbour: crossings at one place on B (equal segment
    // and distance) keep their order along A.
    std::stable_sort(idx.begin(), idx.end(), [&](i32 p, i32 q) {
        i32 sp = std::abs(bseg[p]), sq = std::abs(bseg[q]);
        if (sp != sq) return sp < sq;
        return dist[static_cast<size_t>(p)] < dist[static_cast<size_t>(q)];
    });
    for (i32 k = 0; k < n; ++k) {
        i32 j = idx[static_cast<size_t>(k)];
        oaseg[k] = std::abs(aseg[j]);
        obseg[k] = std::abs(bseg[j]);
        ox[k] = x[j];
        oy[k] = y[j];
    }
}

void cre_comlups_array(i32 mode, const pokarr& a, const pokarr& b, const f64& distance, i32& count, ComlupLists& l)
{
    bool talk = clr_kind == 0;
    count = 0;
    l.refused = false;
    // Crossings whose heights on A and B lie farther apart than this are
    // height jumps (3-D).
    const f64 threshold = pokpar.side <= 0.5 * distance ? pokpar.side : 0.5 * distance;
    if (a.dims != b.dims) {
        if (talk) eroutc("[cre_comlups_array] DIMENSIONS OF ARRAYS DIFFER", 0);
        count = -1;
        return;
    }
    i32 st = 0;
    // The search walks a copy of A (the walk may nudge it). The closed walk
    // of mode 10 and above keeps that copy for the caller to cut: its table
    // names the nudged loop's segments (a copy of A when A and B are one).
    // A copy the pool refuses is told apart from a search that found too
    // many crossings, so that the caller can fail as a pool failure does
    // rather than take the loop for one it cannot cut.
    pokarr_free(l.loop);
    pokarr_init(a.dims, l.loop);
    pokarr_copy(a, l.loop, st);
    if (st != 0) {
        pokarr_free(l.loop);
        pokarr_init(a.dims, l.loop);
        l.refused = true;
        count = -1;
        return;
    }
    {
        const pokarr& bw = &a == &b ? l.loop : b;
        auto box = std::make_unique<PkBox>();
        pkbox_make(bw, *box);
        lup_intersect(mode < 10 ? 3 : 10, l.loop, bw, *box, l.a, count, st);
    }
    if (mode < 10) {
        pokarr_free(l.loop);
        pokarr_init(a.dims, l.loop);
    }
    if (count <= 0) {
        if (count < 0) count = -1;
        return;
    }
    CrossTable& t = l.a;
    if (mode >= 10) {
        i32 kept = 0;
        for (i32 k = 0; k < count; ++k) {
            if (t.bseg[k] <= 0) continue;
            t.aseg[kept] = t.aseg[k];
            t.bseg[kept] = t.bseg[k];
            t.x[kept] = t.x[k];
            t.y[kept] = t.y[k];
            t.h1[kept] = t.h1[k];
            t.h2[kept] = t.h2[k];
            l.baseg[kept] = t.aseg[kept];
            l.bbseg[kept] = t.bseg[kept];
            ++kept;
        }
        count = kept;
        return;
    }
    comlup_sort(count, t.aseg.data(), t.bseg.data(), t.x.data(), t.y.data(), b, l.baseg.data(), l.bbseg.data(),
                l.bx.data(), l.by.data());
    for (i32 k = 0; k < count; ++k) {
        l.rank[k] = -9999;
        for (i32 m = 0; m < count; ++m)
            if (l.baseg[m] == std::abs(t.aseg[k]) && l.bbseg[m] == std::abs(t.bseg[k]) &&
                pk_eqval0(l.bx[m] - t.x[k]) && pk_eqval0(l.by[m] - t.y[k])) {
                l.rank[k] = t.bseg[k] < 0 ? -(m + 1) : m + 1;
                break;
            }
    }
    if (a.dims != 2) drop_height_jumps(t, count, threshold);
    // Touches leave both lists; the ranks above a removed one move down.
    for (i32 k = 0; k < count;) {
        if (t.bseg[k] >= 0) {
            ++k;
            continue;
        }
        i32 r = l.rank[k] == -9999 ? 0 : std::abs(l.rank[k]);
        for (i32 m = k; m + 1 < count; ++m) {
            t.aseg[m] = t.aseg[m + 1];
            t.bseg[m] = t.bseg[m + 1];
            t.x[m] = t.x[m + 1];
            t.y[m] = t.y[m + 1];
            t.h1[m] = t.h1[m + 1];
            t.h2[m] = t.h2[m + 1];
            l.rank[m] = l.rank[m + 1];
        }
        if (r > 0) {
            for (i32 m = r - 1; m + 1 < count; ++m) {
                l.baseg[m] = l.baseg[m + 1];
                l.bbseg[m] = l.bbseg[m + 1];
                l.bx[m] = l.bx[m + 1];
                l.by[m] = l.by[m + 1];
            }
            for (i32 m = 0; m + 1 < count; ++m)
                if (l.rank[m] != -9999 && std::abs(l.rank[m]) > r) l.rank[m] += l.rank[m] > 0 ? -1 : 1;
        }
        --count;
    }
}

namespace {

// Appends the point (x, y) with the height z (kept in 3-D) to the walk.
bool put_point(f64 x, f64 y, f64 z, pokarr& w)
{
    i32 st = 0;
    pokarr_add_vals(x, &y, &z, nullptr, w, st);
    return st == 0;
}

// Appends the entries of loop s from segment `from` up to the start point
// of segment `to` (wrapping past the loop's end), the head of `to` when it is
// an arc, then the point p at height pz. `to` equal to `from` with p beyond
// the first point walks the whole loop round.
bool walk_piece(const pokarr& s, i32 from, i32 to, bool round, f64 px, f64 py, f64 pz, pokarr& w)
{
    i32 st = 0;
    i32 last = pk_seg_last(s);
    auto put_seg = [&](i32 seg) -> bool {
        i32 n = pk_arc_at(s.x[seg]) ? 4 : 1;
        pokarr_append_part(n, s, seg, w, st);
        return st == 0;
    };
    i32 seg = from;
    for (i32 guard = 0; guard <= s.count; ++guard) {
        if (seg == to && !(round && guard == 0)) break;
        if (!put_seg(seg)) return false;
        seg = seg >= last ? 1 : pk_seg_step(s, seg, 1);
    }
    const f64 p[2] = {px, py};
    const f64 lp[2] = {w.x[w.count - 1], w.y[w.count - 1]};
    if (pk_eqpt2(p, lp)) return true;
    if (pk_arc_at(s.x[to])) {
        pokarr_append_part(3, s, to, w, st);
        if (st != 0) return false;
    }
    return put_point(px, py, pz, w);
}

// What the acceptance and registration of a common loop need of the call.
struct Accept {
    i32 kind, subkey, parent, rowa, rowb, keya, keyb, reject_dir;
    f64 distance, minarea, large, areaa, areab;
};

// Whether a cleaned common loop is accepted; a hole is reversed and marked.
// Status 11 when a test failed (the routine ends); other failures reject.
bool accepted(const Accept& c, i32 counter, pokarr& w, bool& hole, i32& status)
{
    hole = false;
    if (c.kind == 0)
        return !(w.direction == c.reject_dir || w.area < c.minarea ||
                 (pkoff.small_loop && (w.area < c.areaa || w.area < c.areab)));
    if (w.area < c.minarea || (w.direction > 0 && w.area < c.large)) return false;
    if (pkoff.small_loop && (w.area < c.areaa || w.area < c.areab)) return false;
    if (w.direction >= 0) return true;
    hole = true;
    pokarr_reverse(w);
    if (c.kind == 2) return true;
    i32 res = 0, st = 0;
    // The island test of a hole: of the two island tests, this builder
    // takes its own (lup_vs_comlup) for plane and 3-D loops alike, and never
    // the offset engine's (lup_vs_loops3d). Both answer the same question
    // with a 2-D and a 3-D branch each; the builder's is the one made for
    // common loops (in 3-D it judges at the first crossing, whose segment
    // pair the crossing table already holds, where the engine's searches
    // all crossings again). Running both on one loop would judge it twice
    // by two crossing searches that may disagree at a touch, and choosing
    // by the loop's kind would split one rule over two tests.
    lup_vs_comlup(w, c.keya, c.keyb, res, st);
    if (st == 11) status = 11;
    if (st != 0 || res == 1) return false;
    if (c.keya == 1 || c.keyb == 1) return true;
    i32 stop = 0;
    lup_vs_loops(counter, w, stop, st);
    if (st == 11) status = 11;
    return st == 0 && stop == 1;
}

// An accepted loop takes row a's key (a new one after the first in kind 0,
// and for a hole) and becomes a row, or goes to the collection store.
void take_loop(const Accept& c, const pokarr& w, bool hole, bool collect, i32& taken, i32& counter, f64& best,
               i32& outrow, i32& lastrow, i32& status)
{
    i32 key = c.keya, sub = c.subkey, par = c.parent, st = 0;
    if (hole && c.subkey < 2) sub = par = 1;
    if (c.kind == 0 ? (taken > 0 || hole) : hole) {
        // A new loop key must stay below 9999, the key that ends a chain of
        // cut pieces (islands follow from 10001): a row keyed past it would
        // be read as a chain's end or as an island. Too many loops fail as a
        // full loop table does, the counter left as it was.
        if (counter >= LUP_KEY_LAST) {
            status = 10;
            return;
        }
        key = ++counter;
    }
    ++taken;
    if (collect) {
        // An empty store takes the walk's kind: a store left 2-D (as it
        // starts, or by a plane pocket before) would drop the heights and
        // normals of a 3-D pocket's walks. The walks of one call are all of
        // A's kind.
        if (collection.counts.empty() && collection.pts.dims != w.dims) {
            pokarr_free(collection.pts);
            pokarr_init(w.dims, collection.pts);
        }
        pokarr_append_part(w.count, w, 0, collection.pts, st);
        if (st != 0) {
            status = 11;
            return;
        }
        collection.counts.push_back(w.count);
        collection.dirs.push_back(hole ? -1 : w.direction);
        return;
    }
    i32 start = 0;
    lup_add(sub, key, par, c.rowa, c.rowb, c.distance, 0, w, start, st);
    if (st != 0) {
        status = st == 10 || st == 15 ? st : 11;
        return;
    }
    if (hole) lup_row(lup_count).inherited = c.parent;
    // The out row is read as the row of the largest loop registered so far
    // (its new row, which is also the last row then); a loop that went to
    // the collection store has no row yet and sets nothing. A crossing has
    // no row of the table, so the only row a walk has is the one it became;
    // the callers read the pair so: the island merge turns the rows from the
    // out row to the out last row back, and the lane stage hands the out
    // last row on as the row of the largest common loop.
    if (w.area > best) {
        best = w.area;
        outrow = lastrow = lup_count;
    }
}

// The collected walks offset once more by the engine (the first with kind
// word 1, the others 2, holes as the call's kind); with the pocket record's
// switch on (the first of its two driver switches, 1 from the set-up), a
// collected walk the engine made nothing of is set aside as it is. Every
// loop of the second collection is then accepted and registered as the
// walks are. Answers the loops the second collection got.
i32 one_more_offset(const Accept& c, i32 dims, i32 island, i32 first_row, i32& counter, f64& best, i32& outrow,
                    i32& lastrow, i32& status)
{
    store_clear(second);
    // The collected walks are taken out of the module store before they are
    // offset: in lane mode the engine's lane merge runs this builder again,
    // which fills and empties that same store and sets the engine's flag
    // back to 0. Walking the store itself would read emptied entries and
    // lose the walks after the current one; the flag is gathered over all.
    ComlupStore walks;
    std::swap(walks, collection);
    pokarr_init(dims, collection.pts);
    i32 flag = comlup_offset_flag;
    i32 at = 0;
    // A failure of the further offset ends both walks below, and no loop
    // taken after it may turn it into 1.
    for (size_t k = 0; k < walks.counts.size() && (status == 0 || status == 1); ++k) {
        pokarr loop;
        pokarr_init(dims, loop);
        i32 st = 0;
        pokarr_copy_range(walks.counts[k], walks.pts, at, loop, st);
        const size_t before = second.counts.size();
        pokarr orig;  // the walk as collected (a window)
        pokarr_init_child(walks.pts, at, walks.counts[k], orig);
        orig.direction = 0;
        pokarr_area(orig);
        i32 hole = walks.dirs[k] < 0 ? c.kind : 0, kw = k == 0 ? 1 : 2, keys = counter;
        if (st == 0) {
            oneoff_pokarr(kw, loop, hole, -1, pkoff.tool_half, c.distance, c.distance, c.parent, c.subkey, c.keya, keys,
                          0, island ? 2 : 0, st);
            counter = keys;
            flag = flag || comlup_offset_flag;
        }
        // Set aside as it is: a walk the further offset made nothing of, when
        // it turns the way the engine keeps (a clockwise walk is one it drops
        // as turned, and stays dropped).
        if ((st == 0 || st == 1) && second.counts.size() == before && pokpar.drv_sw2[0] == 1 && orig.direction > 0) {
            i32 ierr = 0;
            if (second.pts.storage == PKS_EMPTY) pokarr_init(dims, second.pts);
            pokarr_append_part(walks.counts[k], walks.pts, at, second.pts, ierr);
            if (ierr == 0) {
                second.counts.push_back(walks.counts[k]);
                second.dirs.push_back(walks.dirs[k]);
            } else {
                st = 11;
            }
        }
        at += walks.counts[k];
        pokarr_free(loop);
        // The builder answers a full table or a key past the last as they
        // come (10, 15); any other failure of the further offset (a raw
        // offset's own status, a refused grid walk's negative one) is a
        // failure of the builder, 11, which every merge stage stops on,
        // rather than a status those stages take for a merge that worked.
        if (st != 0 && st != 1) status = st == 10 || st == 15 ? st : 11;
    }
    comlup_offset_flag = flag;
    pokarr_free(walks.pts);
    const i32 got = static_cast<i32>(second.counts.size());
    i32 taken = 0;
    for (size_t k = 0, at2 = 0; k < second.counts.size() && (status == 0 || status == 1);
         at2 += static_cast<size_t>(second.counts[k]), ++k) {
        pokarr q;
        pokarr_init(dims, q);
        i32 st = 0;
        pokarr_copy_range(second.counts[k], second.pts, static_cast<i32>(at2), q, st);
        bool hole = false;
        if (st != 0) {
            status = 11;
        } else {
            q.direction = 0;
            pokarr_area(q);
            if (accepted(c, counter, q, hole, status) && (status == 0 || status == 1)) {
                take_loop(c, q, hole, false, taken, counter, best, outrow, lastrow, status);
                if (status == 0 || status == 1) status = 1;
            }
        }
        pokarr_free(q);
    }
    store_clear(second);
    store_clear(collection);
    if ((status == 0 || status == 1) && pkoff.first_loop && lup_count >= first_row) {
        i32 st = 0;
        lup_pick_first(first_row, lup_count, st);
        // A row that cannot be loaded leaves the nearest loop unmarked: a
        // lookup failure of the builder, not a merge that worked.
        if (st != 0) status = 11;
    }
    return got;
}

// The common loop that starts at crossing k: A from k to the next crossing
// j, then B from j to the crossing i that follows j along B, into the walk
// buffer; in 3-D the points carry A's height on A's piece and B's on B's.
// "The crossing point with the height on A, then the height on B" is read
// as the height each piece gives it: a crossing is put in once, at the
// height of the piece it starts or ends (A's at k and j, B's at i), not
// twice as a vertical step.
// Answers i (-1 when j has no successor); false in `ok` on a pool failure.
i32 walk_from(const pokarr& a, const pokarr& b, const ComlupLists& l, i32 n, i32 k, pokarr& w, bool& ok)
{
    const CrossTable& t = l.a;
    ok = true;
    const i32 j = k + 1 < n ? k + 1 : 0;
    if (l.rank[static_cast<size_t>(j)] == -9999) return -1;
    // The crossing that follows j along B: rank(j) + 1, wrapping to 1; of
    // two crossings that share a rank (the same segments, points within
    // 1e-6), the first in A's order.
    const i32 rj = std::abs(l.rank[static_cast<size_t>(j)]);
    i32 want = rj + 1 > n ? 1 : rj + 1, i = -1;
    for (i32 m = 0; m < n && i < 0; ++m)
        if (std::abs(l.rank[static_cast<size_t>(m)]) == want) i = m;
    if (i < 0) return -1;
    i32 st = 0;
    pokarr_clear(w, (a.count + b.count) * 6 / 5 + 8, st);
    ok = st == 0 && put_point(t.x[k], t.y[k], t.h1[k], w);
    // A piece that wraps onto the segment it left goes round the loop.
    const bool round_a = j <= k && t.aseg[j] == t.aseg[k];
    const bool round_b = (want == 1 || i == j) && std::abs(t.bseg[i]) == std::abs(t.bseg[j]);
    ok = ok && walk_piece(a, t.aseg[k], t.aseg[j], round_a, t.x[j], t.y[j], t.h1[j], w);
    ok = ok && walk_piece(b, std::abs(t.bseg[j]), std::abs(t.bseg[i]), round_b, t.x[i], t.y[i], t.h2[i], w);
    if (!ok) return i;
    // The walk is closed on its first entry, crossing k. With the crossings
    // in pairs along both loops i (the successor of j found by its rank
    // along B) is k: the walk ends there already, and copying the first
    // entry onto the last only makes the closing exact (in 3-D at A's height
    // of the crossing, where the walk began). Where they do not pair up so
    // (an odd number left once the touches are removed, say), i is another
    // crossing: a straight step from i back to k closes the walk, so that
    // what is judged and kept is a loop, and B's last piece (an arc, it may
    // be) keeps its own end.
    if (i == k)
        pokarr_copy_entry(w, w.count - 1, 0);
    else
        ok = put_point(t.x[k], t.y[k], t.h1[k], w);
    return i;
}

}  // namespace

void comlup_pokarr(const i32& collect, const pokarr& a, const pokarr& b, const i32& parent, const f64& distance,
                   const i32& subkey, i32 rowa, i32 rowb, const i32& kind, i32 island, i32& counter, i32& outrow,
                   i32& lastrow, i32& status)
{
    status = 0;
    comlup_offset_flag = 0;
    i32 keya = rowa >= 1 ? lup_row(rowa).key : -1, keyb = rowb >= 1 ? lup_row(rowb).key : -1;
    bool one_more = pkoff.phase != 0 && !pk_eqval0(pkoff.end_val) && collect == 0;
    f64 minarea = pkoff.side < 0.001 ? pkoff.side : 0.001;
    if (one_more) {
        f64 m = pkoff.end_val * 1.5707963267948966;
        if (minarea < m) minarea = m;
        store_clear(collection);
    }
    pokarr aa = a, bb = b;  // areas of the two loops (windows, owning nothing)
    aa.storage = bb.storage = PKS_CHILD;
    aa.direction = bb.direction = 0;
    pokarr_area(aa);
    pokarr_area(bb);
    i32 reject_dir = 0;
    if (kind == 0 && one_more && rowa >= 1 && rowb >= 1 && lup_row(rowa).inherited > 0 && lup_row(rowa).parent == 1 &&
        keyb > 10000 && lup_tree_find(rowa, rowb, 0) != 0)
        reject_dir = 1;
    if (a.dims != b.dims) {
        eroutc("[comlup_pokarr] DIMENSIONS OF ARRAYS DIFFER", 0);
        return;
    }
    const Accept acc{kind,     subkey,  parent,  rowa,    rowb, keya, keyb, reject_dir, distance,
                     minarea, 0.999 * std::max(aa.area, bb.area), aa.area, bb.area};
    auto lists = std::make_unique<ComlupLists>();
    ComlupLists& l = *lists;
    i32 n = 0;
    cre_comlups_array(0, a, b, distance, n, l);
    // A crossing search that failed (a refused pool, or more crossings than
    // its table holds) knows nothing of where the loops meet: answering
    // "none found" would let the caller take the pair as apart and go on
    // with its side test, so the call fails.
    if (n < 0) status = 11;
    if (n <= 0) return;
    std::vector<char> used(static_cast<size_t>(n), 0);
    // The walk buffer: room for (A's + B's point counts) x 6 / 5 points, and
    // 8 more, so that two small loops still hold a walk's crossing points
    // and an arc's entries without growing the buffer at once (it grows when
    // a walk needs more). No one-coordinate work array is taken: no step of
    // the walk reads one.
    pokarr w;
    pokarr_init_dyn(a.dims, (a.count + b.count) * 6 / 5 + 8, w, status);
    if (status != 0) {
        pokarr_free(w);
        status = 11;
        return;
    }
    f64 best_area = -1.0;
    i32 taken = 0, first_row = lup_count + 1;
    // Every crossing not yet reached starts a walk, and a walk marks the
    // crossing it closes at (and its own start) used, not the crossing j
    // where it leaves A. Two crossing squares so give two walks, from the
    // first crossing and from the second: the two common loops of the pair
    // (in the union's case its outline and the part between), each judged by
    // the acceptance below. Marking j as well would leave one walk of the
    // two and lose the other loop.
    for (i32 k = 0; k < n && status == 0; ++k) {
        if (used[static_cast<size_t>(k)]) continue;
        bool ok = true;
        const i32 i = walk_from(a, b, l, n, k, w, ok);
        if (!ok) {
            status = 11;
            break;
        }
        if (i < 0) continue;
        used[static_cast<size_t>(i)] = 1;
        used[static_cast<size_t>(k)] = 1;
        // Clean the walk.
        pk_del_short(w);
        pk_arc_to_pts(w);
        i32 closed = 1;
        pk_del_colin(closed, 1, w, nullptr);
        pk_del_short(w);
        w.direction = 0;
        pokarr_area(w);
        bool hole = false;
        if (!accepted(acc, counter, w, hole, status)) continue;
        take_loop(acc, w, hole, one_more || collect != 0, taken, counter, best_area, outrow, lastrow, status);
    }
    pokarr_free(w);
    // A failure leaves nothing collected behind: the store holds a pool
    // array, which must not outlive the pool it came from.
    if (status != 0) {
        if (one_more) store_clear(collection);
        return;
    }
    if (taken > 0) status = 1;
    i32 got = 0;
    if (one_more && !collection.counts.empty()) {
        // The walks' status 1 is set back: their loops were only collected,
        // not registered, and the further offset's result (its loops, or
        // status 2 or 3 below) is what this call answers.
        status = 0;
        got = one_more_offset(acc, a.dims, island, first_row, counter, best_area, outrow, lastrow, status);
        if (status > 1) return;
    }
    // A further offset that vanished (the engine's flag) leaves status 2, or
    // 3 when the further offset of the pair left nothing at all.
    if (status == 0 && comlup_offset_flag) status = one_more && got == 0 ? 3 : 2;
}
