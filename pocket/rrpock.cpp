// The pocket offset driver: the contours read in, the pocket loops offset
// inward level by level, the islands outward, pocket and island offsets
// merged into common loops, end rows for the cutting, and the cutting.
#include "pocket/rrpock.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "cleanup/clrcut.h"
#include "cleanup/mapgrid.h"
#include "core/host.h"
#include "core/progress.h"
#include "core/util.h"
#include "pocket/cntload.h"
#include "pocket/comlup.h"
#include "pocket/lanes.h"
#include "pocket/looptest.h"
#include "pocket/luptab.h"
#include "pocket/oneoff.h"
#include "pocket/pkgeom.h"
#include "pocket/pokvals.h"
#include "tools/toolcache.h"

namespace {

// A merge record: island row, pocket row, state (0, or -2 once retired).
struct Record {
    i32 island, pocket, state;
};

// What one run keeps between its stages.
struct Run {
    f64 r0 = 0.0, r = 0.0, s = 0.0;
    i32 keys = 1;      // contour keys K
    i32 islands = 0;   // live islands
    bool flag_ils = true, flag_lan = true, flag_rev = false;
    bool retry = false;
    // The merge records live in a vector that grows as the table does (no
    // host array of 1,000 records to open, grow and close: nothing of them
    // is handed to the host).
    std::vector<Record> records;
    std::vector<i32> marks;
    bool cross_failed = false;  // the island merge's crossing test failed (-1)
    f64* allow = nullptr;       // the allowances handed to the driver
};

// The last row of a key and sub-key (searched backwards) with its loop.
i32 last_row(i32 key, i32 subkey, pokarr& loop, i32& status)
{
    i32 row = 0, st = 0;
    pokarr_free(loop);
    pokarr_init(pk_dims(), loop);
    lup_find(0, 0, key, subkey, row, loop, st);
    if (st != 0) status = 11;
    return row;
}

f64 merge_distance(i32 a, i32 b)
{
    const f64 va = lup_row(a).value, vb = lup_row(b).value;
    if (va > 0.0 && vb > 0.0) return std::min(va, vb);
    return va > 0.0 ? va : vb;
}

i32 mark(Run& run, i32 row)
{
    if (row >= static_cast<i32>(run.marks.size())) run.marks.resize(static_cast<size_t>(row) + 1, 0);
    return run.marks[static_cast<size_t>(row)];
}

void set_mark(Run& run, i32 row, i32 v)
{
    mark(run, row);
    run.marks[static_cast<size_t>(row)] = v;
}

// "lanpok": the pocket loops of level i - 1 offset by d.
void lanpok(Run& run, f64 d, i32 i, bool& made, i32& status)
{
    status = 0;
    made = false;
    bool area_test = true, outward = false;
    f64 limit = i == 1 ? d * d : pkoff.min_area;
    if (i == 1 && d < 0.0) {
        area_test = false;
        outward = true;
        d = -d;
    }
    const i32 K = run.keys;
    pokarr loop;
    pokarr_init(pk_dims(), loop);
    for (i32 k = 1; k <= K && status == 0; ++k) {
        const i32 row = last_row(k, i - 1, loop, status);
        if (status != 0 || row == 0) continue;
        const f64 prev = i == 1 ? d : lup_row(row).value;
        loop.direction = 0;
        pokarr_area(loop);
        i32 st = 0;
        if (area_test && loop.area <= limit) {
            lup_add_ref(i, k, row, st);
            if (st != 0) status = st;
            continue;
        }
        const i32 out = outward ? 1 : 0;
        oneoff_pokarr(0, loop, 0, -1, run.r, d, prev, row, i, k, run.keys, out, run.retry ? 1 : 0, st);
        if (st == 13) st = 1;
        // A negative status (the grid walk refused) is a failure too: it
        // ends the stage and the run instead of counting as an offset made.
        if (st == 9 || st == 10 || st == 11 || st == 15 || st == 21 || st < 0) {
            status = st;
            break;
        }
        if (st == 1 && run.retry && i >= 2) {
            std::vector<f64> tries;
            if (d < run.r)
                tries = {0.6 * d};
            else
                tries = {std::max(0.6 * std::min(d, prev), 0.98 * run.r), 0.98 * run.r};
            for (f64 t : tries) {
                if (st != 1) break;
                pokarr_free(loop);
                pokarr_init(pk_dims(), loop);
                lup_get_pokarr(row, loop, st);
                if (st != 0) {
                    st = 11;
                    break;
                }
                oneoff_pokarr(0, loop, 0, -1, run.r, t, prev, row, i, k, run.keys, out, 0, st);
                if (st == 13) st = 1;
            }
            if (st == 9 || st == 10 || st == 11 || st == 15 || st == 21 || st < 0) {
                status = st;
                break;
            }
        }
        if (st != 1) {
            made = true;
            continue;
        }
        lup_add_ref(i, k, row, st);
        if (st > 1) status = st;
    }
    pokarr_free(loop);
}

// "lanile": the islands' loops of pass j - 1 offset outward by d.
void lanile(Run& run, f64 d, i32 j, i32& status)
{
    status = 0;
    pokarr loop;
    pokarr_init(pk_dims(), loop);
    for (i32 n = 1; n <= pk_nisland && status == 0; ++n) {
        const i32 key = 10000 + n;
        const i32 row = last_row(key, j - 1, loop, status);
        if (status != 0) break;
        if (row == 0) continue;
        f64 dist = d + (j == 1 && run.allow && key - 1 < PK_NALLOW ? run.allow[key - 1] : 0.0);
        const i32 out = dist < 0.0 ? 1 : 0;
        dist = std::fabs(dist);
        lup_row(row).value = dist;
        i32 st = 0;
        oneoff_pokarr(0, loop, 1, -1, run.r, dist, dist, row, j, key, run.keys, out, 0, st);
        if (st == 1 && j == 1) {
            if (clr_kind == 0)
                usmsgc("ATTENTION : ONE ISLAND WAS IGNORED PROBABLY BECAUSE IT IS TOO SMALL | TO THE CURRENT OFFSET "
                       "AND TOOL DIAMETER.");
            continue;
        }
        if (st == 1) {
            eroutc("[lanile] SECOND ISLAND OFFSET HAS FAILED. THIS ISLAND WILL BE GOUGED", 0);
            status = 11;
            break;
        }
        if (st != 0) status = st;
    }
    pokarr_free(loop);
}

// An earlier row of the key with sub-key -2.
bool earlier_minus2(i32 key, i32 before)
{
    for (i32 k = 1; k < before; ++k)
        if (lup_row(k).key == key && lup_row(k).subkey == -2) return true;
    return false;
}

// A clockwise common loop of a pocket loop and an island's offset is the
// piece of the island's offset outside the pocket loop: nothing to cut
// there (sub-key 0).
void drop_clockwise(i32 r)
{
    pokarr q;
    pokarr_init(pk_dims(), q);
    i32 e = 0;
    lup_get_pokarr(r, q, e);
    q.direction = 0;
    pokarr_area(q);
    if (e == 0 && q.direction == -1) lup_row(r).subkey = 0;
    pokarr_free(q);
}

// The merge scan words of "ilscom": for a row added by a merge, the first
// island key still to merge it with (a host array grown with the table).
struct ScanWords {
    i32 handle = -1, size = 0;
    void open(i32 n, i32& status)
    {
        void* base = nullptr;
        size = n > 0 ? n : 1;
        MM_OPEN_ARRAY(4, size, handle, base, status);
        if (status != 0) handle = -1;
    }
    void set(i32 row, i32 value, i32& status)
    {
        void* base = nullptr;
        if (row >= size) {
            const i32 more = row - size + 100;
            MM_RESIZE_ARRAY(handle, more, base, status);
            if (status != 0) return;
            size += more;
        }
        mmcptr(handle, base);
        static_cast<i32*>(base)[row] = value;
    }
    i32 get(i32 row) const
    {
        void* base = nullptr;
        if (row < 0 || row >= size) return 0;
        mmcptr(handle, base);
        return static_cast<const i32*>(base)[row];
    }
    void close(i32& status)
    {
        i32 st = 0;
        if (handle >= 0) MM_CLOSE(handle, st);
        if (status == 0) status = st;
    }
};

// What one island pair's merge works with.
struct IlsPair {
    i32 p = 1;          // island pass
    i32 a = 0, b = 0;   // island keys
    i32 ra = 0, rb = 0; // their offsets' rows
    i32 big = 0;        // row of the largest common loop
    bool added = false; // a re-merge added rows
};

// The first vertex of `of` that lup_inside decides against `in`: 1 inside,
// 0 outside, -1 none decided; -2 on failure.
i32 first_decided(const pokarr& of, const pokarr& in)
{
    i32 ans = 0, st = 0;
    lup_first_side(of, in, ans, st);
    if (st != 0) return -2;
    return ans == 2 ? -1 : ans;
}

// Island j inside the merged loop r is retired unless a pocket loop (a row
// of sub-key p with an inherited word) holds it inside r. Status -1 when
// the crossing test fails.
void retire_inside(Run& run, const IlsPair& m, i32 r, const pokarr& lr, i32& status)
{
    pokarr lj, lk;
    pokarr_init(pk_dims(), lj);
    pokarr_init(pk_dims(), lk);
    for (i32 j = 10001; j <= 10000 + pk_nisland && status == 0; ++j) {
        const i32 rj = last_row(j, m.p, lj, status);
        if (status != 0 || rj == 0 || rj == m.ra || rj == m.rb || rj == r) continue;
        if (first_decided(lj, lr) != 1) continue;
        i32 cross = 0;
        pk_arr_int(102, lj, lr, cross);
        if (cross < 0) {
            status = -1;
            run.cross_failed = true;
            break;
        }
        if (cross != 0) continue;
        bool keep = false;
        for (i32 k = 1; k <= run.keys; ++k) {
            i32 rk = 0, st = 0;
            pokarr_free(lk);
            pokarr_init(pk_dims(), lk);
            lup_find(2, 0, k, m.p, rk, lk, st);
            if (st != 0 || rk == 0) continue;
            const i32 v = first_decided(lj, lk);
            bool holds = v != 0;
            if (v == 0 && j > m.a && j > m.b) {
                i32 self = 0;
                pk_arr_int(102, lj, lj, self);
                holds = self == 1;
            }
            if (!holds) continue;
            keep = first_decided(lk, lr) == 1;
            break;
        }
        if (!keep) lup_row(rj).subkey = 0;
    }
    pokarr_free(lj);
    pokarr_free(lk);
}

// A pocket loop r that a merge added (inherited word set) merged with the
// islands from its scan word on.
void remerge(Run& run, IlsPair& m, ScanWords& words, i32 r, const pokarr& lr, i32& status)
{
    pokarr lj;
    pokarr_init(pk_dims(), lj);
    for (i32 j = std::max(words.get(r), 10001); j <= 10000 + pk_nisland && status == 0; ++j) {
        const i32 rj = last_row(j, m.p, lj, status);
        if (status != 0 || rj == 0 || rj == m.rb) continue;
        const i32 first = lup_count + 1, parent = lup_row(r).parent, jparent = lup_row(rj).parent;
        i32 outrow = 0, lastrow = 0, st = 0;
        comlup_pokarr(0, lr, lj, parent, merge_distance(r, rj), m.p, r, rj, 0, 0, run.keys, outrow, lastrow, st);
        if (st == 10 || st == 11 || st == 15) {
            status = st;
            break;
        }
        if (st == 2 || st == 3) {
            lup_row(r).subkey = 0;
            break;
        }
        if (st == 0) {
            i32 res = 0, e = 0;
            lup_inside(lr.x[0], lr.y[0], lj, res, e);
            if (e != 0) {
                status = 11;
                break;
            }
            if (res == 0) continue;
            lup_row(r).subkey = 0;
            break;
        }
        lup_row(r).subkey = 0;
        m.added = true;
        for (i32 q = first; q <= lup_count && status == 0; ++q) {
            lup_row(q).inherited = lup_row(r).inherited;
            // The loop stands in r's place in the loop tree, so it takes r's
            // tags too, not the rows r and j the builder tags it with: r is
            // retired here (sub-key 0), and a loop related only to r and the
            // island would lose its relation to the ring of islands it lies
            // in (the tree search compares tags), and with it its tour. A
            // hole of a ring of islands merged with a further island keeps
            // its place so.
            lup_row(q).tag1 = lup_row(r).tag1;
            lup_row(q).tag2 = lup_row(r).tag2;
            if (q == first) lup_row(q).key = lup_row(r).key;
            words.set(q, j + 1, status);
            drop_clockwise(q);
        }
        const i32 np = lup_row(first).parent;
        for (i32 q = 1; q <= lup_count; ++q)
            if (lup_row(q).inherited != 0 && (lup_row(q).inherited == parent || lup_row(q).inherited == jparent))
                lup_row(q).inherited = np;
        break;
    }
    pokarr_free(lj);
}

// The rows a merge of islands added: pocket loops merged with the further
// islands, islands inside a merged loop retired.
void merged_rows(Run& run, IlsPair& m, ScanWords& words, i32 first, i32& status)
{
    pokarr lr;
    pokarr_init(pk_dims(), lr);
    for (i32 r = first; r <= lup_count && status == 0; ++r) {
        pokarr_free(lr);
        pokarr_init(pk_dims(), lr);
        i32 e = 0;
        lup_get_pokarr(r, lr, e);
        if (e != 0) {
            status = 11;
            break;
        }
        if (lup_row(r).inherited != 0 && lup_row(r).subkey >= 1)
            remerge(run, m, words, r, lr, status);
        else
            retire_inside(run, m, r, lr, status);
    }
    pokarr_free(lr);
}

// After a merge of islands a and b into new rows: their rows retired, the
// inherited words and (pass 2) the parents moved to the largest loop.
void after_merge(Run& run, const IlsPair& m)
{
    --run.islands;
    const i32 pa = lup_row(m.ra).parent, pb = lup_row(m.rb).parent;
    lup_row(m.ra).subkey = 0;
    lup_row(m.rb).subkey = 0;
    if (m.added)
        for (i32 q = 1; q <= lup_count; ++q)
            if (lup_row(q).inherited != 0 && (lup_row(q).inherited == pa || lup_row(q).inherited == pb))
                lup_row(q).inherited = lup_row(m.big).parent;
    if (m.p != 2) return;
    if (!earlier_minus2(m.a, m.ra)) lup_row(m.ra).subkey = -2;
    if (!earlier_minus2(m.b, m.rb)) lup_row(m.rb).subkey = -2;
    for (i32 q = 1; q <= lup_count; ++q) {
        LupRow& row = lup_row(q);
        if (row.subkey != 1) continue;
        if (row.key == m.a || row.key == m.b) {
            lup_row(row.key == m.a ? m.ra : m.rb).parent = q;
            row.parent = m.big;
        } else if (row.parent == m.ra || row.parent == m.rb) {
            row.parent = m.big;
        }
    }
}

// One pair of islands' offsets merged when they meet; true when merged
// into new rows (the same island a is then scanned again).
bool merge_pair(Run& run, IlsPair& m, ScanWords& words, bool many, i32& status)
{
    pokarr la, lb;
    pokarr_init(pk_dims(), la);
    pokarr_init(pk_dims(), lb);
    bool merged = false;
    m.ra = last_row(m.a, m.p, la, status);
    m.rb = last_row(m.b, m.p, lb, status);
    // A missing row (a or b without an offset of this pass) moves on to the
    // next island before any box is taken: the boxes are compared only for
    // two rows that both exist, and are never read unfilled.
    if (status != 0 || m.ra == 0 || m.rb == 0) {
        pokarr_free(la);
        pokarr_free(lb);
        return false;
    }
    i32 st = 0;
    f64 ba[4] = {}, bb[4] = {};
    if (many) {
        lup_box(m.ra, -1, la, ba, st);
        if (st == 0) lup_box(m.rb, -1, lb, bb, st);
        if (st != 0) status = st;
    }
    // Boxes that touch within the tolerance overlap: only a clear gap on
    // one side keeps the pair apart.
    const bool overlap =
        gevald(ba[2], bb[0]) && gevald(bb[2], ba[0]) && gevald(ba[3], bb[1]) && gevald(bb[3], ba[1]);
    const bool apart = many && status == 0 && !overlap;
    if (status == 0 && !apart) {
        const bool input = m.a <= 10000 + pk_isl_skip && m.b <= 10000 + pk_isl_skip;
        // The common loops of two loops are their union only when both run
        // counter-clockwise. Every island offset in the table runs clockwise:
        // those of the input islands, those of islands the pocket offset
        // turned out at level 1, and a union merged earlier (turned back
        // below). So both loops are turned for every pair; turning only the
        // input islands' loops would hand a clockwise loop to the union and
        // build the islands' difference instead.
        pokarr_reverse(la);
        pokarr_reverse(lb);
        const i32 first = lup_count + 1;
        i32 outrow = 0, lastrow = 0;
        comlup_pokarr(0, la, lb, lup_row(m.ra).parent, merge_distance(m.ra, m.rb), m.p, m.ra, m.rb, input ? 1 : 2, 0,
                      run.keys, outrow, lastrow, st);
        if (st == 10 || st == 11 || st == 15) status = st;
        if (st == 3) {
            run.islands -= 2;
            lup_row(m.ra).subkey = 0;
            lup_row(m.rb).subkey = 0;
            if (m.p == 2 && !earlier_minus2(m.a, m.ra)) lup_row(m.ra).subkey = -2;
            if (m.p == 2 && !earlier_minus2(m.b, m.rb)) lup_row(m.rb).subkey = -2;
        }
        if (st == 1 && status == 0) {
            // The union (key a) is turned back to run clockwise like every
            // island offset: the next pair of island a, the merge with the
            // pocket loops and the cutting all take it as an island's offset.
            // The holes of the union are pocket loops under keys of their own
            // and keep their counter-clockwise run.
            m.big = lastrow;
            m.added = false;
            i32 e = 0;
            for (i32 k = outrow; k <= lastrow && k >= 1; ++k)
                if (lup_row(k).key == m.a) lup_reverse(k, e);
            for (i32 q = first; q <= lup_count && status == 0; ++q) words.set(q, m.b + 1, status);
            if (status == 0) merged_rows(run, m, words, first, status);
            if (status == 0) after_merge(run, m);
            merged = true;
        }
    }
    pokarr_free(la);
    pokarr_free(lb);
    return merged;
}

// "ilscom": island offsets of pass p that meet are merged into one.
void ilscom(Run& run, i32 p, i32& status)
{
    status = 0;
    ScanWords words;
    words.open(2 * lup_count, status);
    if (status != 0) return;
    const bool many = run.islands > 20;
    const i32 last = 10000 + pk_nisland;
    for (i32 a = 10001; a < last && run.islands > 0 && status == 0; ++a) {
        for (i32 b = a + 1; b <= last && run.islands > 0 && status == 0; ++b) {
            IlsPair m;
            m.p = p;
            m.a = a;
            m.b = b;
            i32 ra = 0;
            {
                pokarr la;
                pokarr_init(pk_dims(), la);
                ra = last_row(a, p, la, status);
                pokarr_free(la);
            }
            if (status != 0 || ra == 0) break;
            if (merge_pair(run, m, words, many, status)) b = a;  // the same a again from a + 1
        }
    }
    words.close(status);
}

// A pocket loop (row a) found in an island's offset (row b): 0 when it is
// to be retired in full; 1 when only partly (a loop inherited from a merge
// whose island is not a thin second offset apart from it inside the same
// ancestor: row a's sub-key becomes 0, or -2 from 2 on, when the island is
// a first offset unrelated to it and the loop lies outside the island's
// parent loop); -1 when a side test fails.
void partial_retire(i32 ra, i32 rb, const pokarr& pa, const pokarr& pb, f64 D, i32& partial)
{
    partial = 0;
    LupRow& A = lup_row(ra);
    if (A.inherited == 0) return;
    const bool related = lup_tree_find(ra, rb, 0) != 0;
    bool all = lup_row(rb).subkey == 2 && lup_row(rb).parent != A.inherited && !related;
    pokarr q;
    pokarr_init(pk_dims(), q);
    i32 side = 0, st = 0;
    if (all) {
        const i32 anc = A.parent >= 1 && lup_row(A.parent).inherited != 0 ? A.parent : A.inherited;
        lup_get_pokarr(anc, q, st);
        if (st == 0) lup_side(q, pb, -1, merge_distance(anc, rb), side, st);
        // An ancestor loop that cannot be loaded, or a side test that fails,
        // is a failed side test, as for the island's parent below: the scan
        // ends with it rather than retire the loop in part on no answer.
        if (st != 0 && st != 2) {
            partial = -1;
            pokarr_free(q);
            return;
        }
        all = st == 0 && side == 1;
    }
    if (!all) {
        partial = 1;
        const i32 bp = lup_row(rb).parent;
        if (lup_row(rb).subkey == 1 && !related && bp >= 1) {
            pokarr_free(q);
            pokarr_init(pk_dims(), q);
            st = 0;
            lup_get_pokarr(bp, q, st);
            if (st == 0) lup_side(q, pa, -1, A.value, side, st);
            if (st != 0 && st != 2)
                partial = -1;
            else if (side != 1)
                A.subkey = A.subkey < 2 ? 0 : -2;
        }
    }
    pokarr_free(q);
}

// The row that is `child`'s parent (when there is one) takes `parent` as
// its parent.
void parent_takes(i32 child, i32 parent)
{
    if (child >= 1 && child <= lup_count) lup_row(child).parent = parent;
}

// Second island pass, a pocket loop merged with island j's offset (row b)
// into new rows from `first`: the records of row b get state -2 (unless an
// earlier row of key j has sub-key -2), every first-level row of key j or
// under row b hangs under the first new row, and row b under the last such
// row of key j. Row b so becomes the end of the island's own chain: the
// cutting takes the island's first pass, at the island's allowance, as its
// last tour, one thin step inside the pocket's tour beside it.
void second_pass_merged(Run& run, i32 j, i32 rb, i32 first)
{
    if (!earlier_minus2(j, rb))
        for (Record& rec : run.records)
            if (rec.island == rb) rec.state = -2;
    i32 lastj = 0;
    for (i32 r = 1; r <= lup_count; ++r) {
        LupRow& row = lup_row(r);
        if (row.subkey != 1 || !(row.key == j || row.parent == rb)) continue;
        row.parent = first;
        if (row.key == j) lastj = r;
    }
    if (lastj != 0) lup_row(rb).parent = lastj;
}

// Nothing left of a pocket loop (row a of key k) and an island's offset
// (row b). Read as two rules: row a's sub-key (0, or -2 from 2 on) and,
// whatever that sub-key was, the island's parent row hanging under row a's
// parent, as in the full retirement; row b is marked. The re-parenting is
// not tied to a sub-key of 2 or more: with both loops gone, the row that
// hung under the island would otherwise keep a parent that no longer leads
// to a live loop, whatever level row a had reached.
void both_vanished(Run& run, i32 k, i32 ra, i32 rb)
{
    const i32 sk = lup_row(ra).subkey;
    lup_row(ra).subkey = sk >= 2 && !earlier_minus2(k, ra) ? -2 : 0;
    parent_takes(lup_row(rb).parent, lup_row(ra).parent);
    set_mark(run, rb, 1);
}

// The end of "lancom" for the rows it marked: an island's offset (mark 1)
// still live is retired; a retired pocket loop (mark 2) whose parent still
// has a live loop of another branch ends there.
void retire_marked(Run& run)
{
    for (i32 r = 1; r <= lup_count && r < static_cast<i32>(run.marks.size()); ++r) {
        if (run.marks[static_cast<size_t>(r)] == 1 && lup_row(r).subkey >= 1) {
            bool neg = false;
            for (i32 q = 1; q < r; ++q) neg = neg || (lup_row(q).key == lup_row(r).key && lup_row(q).subkey < 0);
            lup_row(r).subkey = neg ? 0 : -lup_row(r).subkey;
            --run.islands;
        }
    }
    for (i32 r = 1; r <= lup_count; ++r) {
        const LupRow& row = lup_row(r);
        if (mark(run, r) != 2 || row.subkey >= 0 || row.parent < 1 || row.parent > lup_count ||
            row.key == lup_row(row.parent).key)
            continue;
        for (i32 q = 1; q <= lup_count; ++q)
            if (q != r && lup_row(q).parent == row.parent && mark(run, q) != 2 && lup_row(q).subkey > 0) {
                lup_row(r).subkey = 0;
                break;
            }
    }
}

// "lancom": the pocket loops of level i merged with the islands' offsets of
// pass p. No genealogy of the merged loops (fathers, segment records) is
// kept: it would be kept only under a switch nothing in the system sets, and
// nothing reads it.
void lancom(Run& run, i32 i, i32 p, i32& status)
{
    status = 0;
    run.records.clear();
    run.marks.assign(static_cast<size_t>(lup_count) + 2, 0);
    i32 m = 0;
    bool at_once = false;  // a failed end row or search: the stage returns as it stands
    pokarr pa, pb;
    pokarr_init(pk_dims(), pa);
    pokarr_init(pk_dims(), pb);
    for (i32 k = 1; k <= run.keys && run.islands > 0 && status == 0; ++k) {
        i32 ra = last_row(k, i, pa, status);
        // A failed search of a pocket loop returns 11 at once, leaving the
        // island rows of the table as they stand (no record pass).
        if (status != 0) {
            at_once = true;
            break;
        }
        if (ra == 0) continue;
        for (i32 n = 1; n <= pk_nisland && status == 0; ++n) {
            const i32 j = 10000 + n;
            const i32 rb = last_row(j, p, pb, status);
            if (status != 0 || rb == 0) continue;
            bool seen = false;
            for (const Record& r : run.records) seen = seen || (r.island == rb && r.pocket == ra);
            if (seen) continue;
            const f64 D = merge_distance(ra, rb);
            if (run.flag_rev) pokarr_reverse(pb);
            i32 K = run.keys, outrow = 0, lastrow = 0, st = 0;
            const i32 first = lup_count + 1;
            comlup_pokarr(0, pa, pb, lup_row(ra).parent, D, i, ra, rb, 0, run.retry ? 1 : 0, K, outrow, lastrow, st);
            run.keys = K;
            if (st == 10 || st == 11 || st == 15) {
                status = st;
                break;
            }
            if (st == 1) {
                const i32 inh = lup_row(ra).inherited;
                const size_t held = run.records.size();
                for (i32 r = first; r <= lup_count; ++r) {
                    if (inh) lup_row(r).inherited = inh;
                    // the records of row a hold for each new row in its place
                    for (size_t q = 0; q < held; ++q)
                        if (run.records[q].pocket == ra)
                            run.records.push_back({run.records[q].island, r, run.records[q].state});
                    run.records.push_back({rb, r, 0});
                    drop_clockwise(r);
                }
                lup_row(ra).subkey = 0;
                set_mark(run, rb, 1);
                if (p == 2) second_pass_merged(run, j, rb, first);
                ra = last_row(k, i, pa, status);
                if (status != 0) at_once = true;  // as a failed first search
                if (status != 0 || ra == 0) break;
                n = 0;  // the islands again from the first
                continue;
            }
            if (st == 3) {
                both_vanished(run, k, ra, rb);
                if (i == 1 && p == 1) ++m;
                continue;
            }
            // Status 2 (the pair's further offset vanished in part) puts the
            // pocket loop in the island's offset; with nothing in common
            // (status 0) the side test tells.
            bool lies_in = st == 2;
            if (!lies_in) {
                i32 side = 0, ss = 0;
                lup_side(pb, pa, -1, D, side, ss);
                if (ss != 0) {
                    status = 11;
                    break;
                }
                lies_in = side == 1 || side == 2;
            }
            if (!lies_in) continue;
            i32 partial = 0;
            partial_retire(ra, rb, pa, pb, D, partial);
            if (partial < 0) {
                status = 11;
                break;
            }
            if (partial == 1) continue;
            // Another live pocket loop at level 1; an island's offset is no
            // pocket loop that carries the pocket on, and counting one would
            // leave this key's loop without its end row. When the loop of key 1
            // goes, the keys above it move down one (k follows, so that the
            // key moved into its place is taken next).
            bool other = false;
            if (i == 1)
                for (i32 r = pk_nisland + 1; r <= lup_count; ++r) {
                    LupRow& row = lup_row(r);
                    if (r == ra || r == rb || row.subkey <= 0 || row.key > 10000) continue;
                    other = true;
                    if (lup_row(ra).key == 1 && row.key >= 2 && row.key <= 9999 && --row.key == k) --k;
                }
            if (i >= 2 && rb > 1)
                for (i32 r = 1; r < rb; ++r)
                    if (lup_row(r).subkey > 0 && lup_row(r).parent == rb) lup_row(r).parent = lup_row(ra).parent;
            parent_takes(lup_row(rb).parent, lup_row(ra).parent);
            set_mark(run, rb, 1);
            if (i == 1 && !other) {
                i32 e = 0;
                lup_add_ref(1, k, ra, e);
                if (e != 0) {
                    status = e;
                    at_once = true;
                    break;
                }
            } else {
                lup_row(ra).subkey = -lup_row(ra).subkey;
                if (lup_row(ra).parent == 1)
                    lup_row(ra).parent = -1;
                else
                    set_mark(run, ra, 2);
            }
            if (i == 1 && p == 1) ++m;
            break;  // the pocket loop is retired: next key
        }
    }
    pokarr_free(pa);
    pokarr_free(pb);
    if (at_once) return;
    for (const Record& r : run.records) {
        if (lup_row(r.island).subkey > 0) --run.islands;
        lup_row(r.island).subkey = r.state;
    }
    // A stage that failed (a common-loop status 10, 11 or 15, a failed side
    // test) ends here with its own status: the check for every key retired
    // (14) would put a status over the failure that stopped the stage.
    if (status != 0) return;
    if (m >= run.keys) {
        status = 14;
        return;
    }
    retire_marked(run);
}

}  // namespace

void lup_min_isl_dist(i32 psub, i32 isub, i32 keys, i32 islands, const f64& d2, f64& dist)
{
    dist = 1.0e10;
    if (islands == 0) return;
    struct Poly {
        std::vector<f64> x, y;
        f64 box[4];
    };
    auto gather = [&](i32 k0, i32 k1, i32 sub, std::vector<Poly>& out) {
        pokarr l;
        pokarr_init(pk_dims(), l);
        for (i32 k = k0; k <= k1; ++k) {
            i32 st = 0;
            const i32 row = last_row(k, sub, l, st);
            if (st != 0 || row == 0) continue;
            Poly q;
            lup_polyline(l, q.x, q.y);
            if (q.x.empty()) continue;
            q.box[0] = *std::min_element(q.x.begin(), q.x.end());
            q.box[1] = *std::min_element(q.y.begin(), q.y.end());
            q.box[2] = *std::max_element(q.x.begin(), q.x.end());
            q.box[3] = *std::max_element(q.y.begin(), q.y.end());
            out.push_back(std::move(q));
        }
        pokarr_free(l);
    };
    std::vector<Poly> isl, pock;
    gather(10001, 10000 + pk_nisland, isub, isl);
    gather(1, keys, psub, pock);
    // d2 and the side value make the margin of the distance search: only a
    // distance below 2 x d2 can lower d2, so vertices farther than that
    // (with the side value to spare) are not measured
    const f64 margin = 2.0 * d2 + pkoff.side;
    for (const Poly& i : isl)
        for (const Poly& p : pock) {
            if (keys > 20) {
                const f64 gx = std::max({i.box[0] - p.box[2], p.box[0] - i.box[2], 0.0});
                const f64 gy = std::max({i.box[1] - p.box[3], p.box[1] - i.box[3], 0.0});
                if (std::hypot(gx, gy) > dist) continue;
            }
            for (i32 dir = 0; dir < 2; ++dir) {
                const Poly& u = dir == 0 ? i : p;
                const Poly& v = dir == 0 ? p : i;
                i32 seg = 0, word = 0;
                f64 t = 0.0, fx = 0.0, fy = 0.0, d = 0.0;
                lup_min_dist(margin, u.x.data(), u.y.data(), static_cast<i32>(u.x.size()), v.x.data(), v.y.data(),
                             static_cast<i32>(v.x.size()), seg, t, fx, fy, d, word);
                if (d < 1.0e7) dist = std::min(dist, d);  // 1.0e7: none within the margin
            }
        }
}

namespace {

// The island stages of the first level with islands: the islands offset,
// merged with each other and with the pocket loops; for runs of several
// levels a second, thin island pass.
//
// Any status other than 0 from a stage ends the run with it, a negative one
// too: the stages give 0 on success (an island too small to offset in pass 1
// counts as done and gives 0), so a negative status is a host failure in
// the middle of a stage (a refused array, a failed table read). The loop
// table is then only partly updated, and going on to the next stage or level
// would merge and cut loops in an unknown state; the run stops and the
// caller reports the status.
void island_passes(Run& run, i32 i, i32 levels, i32& status)
{
    lanile(run, run.r0, 1, status);
    // The crossing flag speaks of the merge just made only: a flag left from
    // the first pass would pass over a host failure (-1) of the second.
    run.cross_failed = false;
    if (status == 0 && run.islands >= 2 && run.flag_ils) ilscom(run, 1, status);
    // A failed crossing test of the island merge (-1) ends that merge only:
    // the run goes on with the islands as they stand.
    if (status == -1 && run.cross_failed) status = 0;
    if (status == 0 && run.flag_lan) lancom(run, i, 1, status);
    if (status != 0 || levels <= 1) return;
    f64 d2 = 0.2 * (run.r != 0.0 ? std::min(run.s, run.r) : run.s);
    if (pokdim == 2) {
        f64 md = 1.0e10;
        lup_min_isl_dist(i, 1, run.keys, run.islands, d2, md);
        if (0.5 * md < d2) d2 = 0.5 * md;
    }
    if (d2 < 0.013) d2 = std::max(0.013, pkoff.side);
    lanile(run, d2, 2, status);
    run.cross_failed = false;
    if (status == 0 && run.islands >= 2 && run.flag_ils) ilscom(run, 2, status);
    if (status == -1 && run.cross_failed) status = 0;
    if (status == 0 && run.flag_lan) lancom(run, i, 2, status);
}

// One level of offsets: the pocket loops, then the islands' stages; made
// is false when the pocket loops gave no offset at all.
void one_level(Run& run, i32 i, i32 levels, f64* allow, bool& islands_done, bool& made, i32& status)
{
    const f64 d = i == 1 ? run.r0 + allow[0] : run.s;
    const i32 before = pk_nisland;
    lanpok(run, d, i, made, status);
    if (status != 0 || !made) return;
    if (i == 1) {
        // islands the pocket offset turned out of the outer contour
        for (i32 n = before + 1; n <= pk_nisland; ++n)
            if (n + 9999 < PK_NALLOW) allow[n + 9999] = -d;
        run.islands = pk_nisland;
    }
    if (run.islands <= 0) return;
    if (i > 1 && run.flag_lan) {
        lancom(run, i, 2, status);
        if (status != 0) return;
    }
    if (islands_done) return;
    islands_done = true;
    island_passes(run, i, levels, status);
}

}  // namespace

void pk_z_range(const pokarr& loop, f64& zmin, f64& zmax)
{
    for (i32 k = 0; k < loop.count; ++k) {
        if (pk_arc_at(loop.x[k])) {
            k += 2;  // the arc's data entries; its end point counts
            continue;
        }
        const f64 z = loop.dims >= 3 ? loop.z[k] : 0.0;
        if (z < zmin) zmin = z;
        if (z > zmax) zmax = z;
    }
}

void pock_dir(i32& status)
{
    status = 0;
    pokarr loop;
    pokarr_init(pokdim == 2 ? 2 : 3, loop);
    f64 fmin = 1.0e10, fmax = -1.0e10, lmin = 1.0e10, lmax = -1.0e10;
    bool first = false;
    for (i32 r = 1; r <= lup_count && status == 0; ++r) {
        const LupRow& row = lup_row(r);
        const bool is_first = !first && row.subkey == 1 && row.parent == 1;
        const bool end_row = row.subkey < 0 && lup_row(r + 1).start == row.start && row.parent > 0;
        if (!is_first && !end_row) continue;
        lup_get_pokarr(is_first ? r : row.parent, loop, status);
        if (status != 0) break;
        if (is_first) {
            pk_z_range(loop, fmin, fmax);
            first = true;
        } else {
            pk_z_range(loop, lmin, lmax);
        }
    }
    pokarr_free(loop);
    if (status != 0) {
        status = 11;
        return;
    }
    // No last loops to compare with (or no first offset): nothing tells
    // which way the levels run, and the direction is kept as it is.
    if (!first || lmin > lmax) return;
    if (gtvald(fmin, lmax) != 0 && pokpar.drv_sw3[1] != 0) {
        pokpar.drv_sw3[1] = 0;
        pokpar.drv_val[1] = -pokpar.drv_val[1];
    } else if (ltvald(fmax, lmin) != 0) {
        pokpar.drv_sw3[1] = 1;
    }
}

namespace {

// The end of every run: the box cache of the loop table closed (a failure
// there becomes the run's status), the entry values of `loops_on` and of
// the caller's cut mode given back.
void finish(i32 mode_in, i32 loops_in, i32& cut_mode, i32& status)
{
    i32 st = 0;
    lup_box_close(st);
    if (st != 0) status = st;
    cut_mode = mode_in;
    pkoff.loops_on = loops_in;
}

}  // namespace

void rrpock(PokPar& par, f64* allow, const f64& radius, i32& cut_mode, const i32& direction, const i32& f,
            const f64& side, const f64& e, i32& status)
{
    status = 0;
    const i32 mode_in = cut_mode, loops_in = pkoff.loops_on;
    Run run;
    run.s = radius;
    // the short-arc rule of the arc conditioning reads the pocket's radius
    // value: kept for the pocket being computed
    pk_radius = radius;
    run.r0 = par.extra;
    i32 levels = 9999;
    if (cut_mode == -1 || cut_mode == -11 || cut_mode == -2 || cut_mode == 1) levels = 1;
    run.flag_ils = cut_mode != -1;
    run.flag_lan = cut_mode != -11;
    run.flag_rev = cut_mode == -2;
    // The radius and the tool half diameter take the diameter in double
    // precision (the single-precision word differs only by its rounding);
    // the corner-radius rule compares the single-precision words.
    f64 D = 0.0;
    f32 Df = 0.0f, cr = 0.0f;
    GTDIAD(CURTOL, D);
    GTDIAM(CURTOL, Df);
    GTCRNR(CURTOL, cr);
    run.r = run.r0 != 0.0 ? run.r0 : D / 2.0;
    const f32 Fs = Df - 2.0f * cr;  // the tool's words in single precision
    const f64 F = static_cast<f64>(Fs);
    if (run.s < F && run.r <= F && F / 2.0 < run.r) run.r = F / 2.0;
    // the offset parameters
    const f64 ex = par.extra;
    pkoff.min_area = ex != 0.0 ? std::min(run.s * run.s, 2.0 * ex * ex) : run.s * run.s;
    pkoff.min_area = std::max(pkoff.min_area, side);
    pkoff.second_area = std::max(ex != 0.0 ? 2.0 * ex * ex : run.s * run.s, pkoff.min_area);
    pkoff.side = side;
    pkoff.step = run.s;
    pkoff.seg_tol = std::max(std::min(side, 0.01 * (ex != 0.0 ? ex : run.s)), 0.001);
    pkoff.end_val = e;
    pkoff.tool_half = D / 2.0;
    pkoff.several = levels > 1 ? 1 : 0;
    if (levels == 1) pkoff.loops_on = 1;
    run.retry = f == 1 && run.r != 0.0 && run.s <= 2.0 * run.r && e + run.s > run.r;
    i32 st = 0;
    map_setup(allow, st);
    if (st != 0) {
        status = st;
        finish(mode_in, loops_in, cut_mode, status);
        return;
    }
    if (gncalw() != 0 && pokdim != 2) {
        i32 dt[6] = {0, 0, 0, 0, 0, 0};
        GETDTM(dt);
        char text[80];
        std::snprintf(text, sizeof text, "start pocket offsets : %d %d %d %d %d %d", dt[0], dt[1], dt[2], dt[3],
                      dt[4], dt[5]);
        shmsgc(text);
    }
    // the contours read in; the islands are counted from the table the
    // loading rebuilt, so that an island the loading dropped (too few
    // points) is not counted and no key scan reaches a key without a row
    pk_load_contours(par.extra, status);
    pk_nisland = lup_count - 1;
    run.islands = pk_nisland;
    run.allow = allow;
    run.keys = 1;
    bool all_levels = status == 0, islands_done = false;
    for (i32 i = 1; i <= levels && status == 0; ++i) {
        // The progress is shown at every level on the surfaces, and in 2-D
        // pockets at levels 1, 11, 21, ...: the first level is shown at once.
        if (levels > 1 && (pokdim != 2 || (i - 1) % 10 == 0)) PRGLOP(i == 1 ? 3 : 4, levels, i);
        bool made = false;
        one_level(run, i, levels, allow, islands_done, made, status);
        if (status == 0 && !made) {
            all_levels = false;
            break;
        }
    }
    if (status == 0 && all_levels) {
        // an end row for every live loop of every contour key
        for (i32 k = 1; k <= run.keys; ++k)
            for (i32 r = lup_count; r >= 1; --r) {
                const LupRow& row = lup_row(r);
                if (row.key != k || row.subkey <= 0) continue;
                i32 start = 0, e2 = 0;
                pokarr none;
                pokarr_init(pk_dims(), none);
                lup_add(-(row.subkey + 1), k, r, r, 0, 0.0, 0, none, start, e2);
                if (e2 != 0) {
                    status = e2;
                    break;
                }
            }
    }
    if (status == 0) {
        // an island's first offset whose parent went: the next live row of
        // that key (also after a level that made no offset)
        for (i32 r = 1; r <= lup_count; ++r) {
            LupRow& row = lup_row(r);
            if (row.key <= 10000 || row.key == 9999 || row.subkey != 1) continue;
            const i32 p = row.parent;
            if (p < 1 || p > lup_count || lup_row(p).subkey != 0) continue;
            for (i32 q = p + 1; q <= lup_count; ++q)
                if (lup_row(q).key == lup_row(p).key && lup_row(q).subkey > 0) {
                    row.parent = q;
                    break;
                }
        }
    }
    if (status == 0 && levels == 1) {
        // one level: the islands' first offsets hang under the first outer offset
        i32 outer = 0;
        for (i32 r = 1; r <= lup_count && outer == 0; ++r)
            if (lup_row(r).key <= 10000 && lup_row(r).subkey == 1) outer = r;
        const i32 last = lup_count;
        for (i32 r = 1; r <= last && status == 0; ++r) {
            LupRow& row = lup_row(r);
            if (row.key > 10000 && row.key != 9999 && row.subkey == 1) {
                row.parent = outer;
                lup_add_ref(2, row.key, r, status);
            } else if (row.key > 10000 && row.subkey == 2) {
                row.subkey = -2;
            }
        }
    }
    if (status == 0) {
        i32 count = 0;
        bool left = false;
        for (i32 r = 1; r <= lup_count; ++r) {
            const LupRow& row = lup_row(r);
            if (row.subkey <= 0) continue;
            if (row.key > 10000 && row.subkey == 2) {
                left = true;
                if (row.parent >= 1 && lup_row(row.parent).subkey > 0) --count;
                continue;
            }
            ++count;
        }
        if (left && gncalw() != 0) eroutc("[rrpock] NOT ALL ISLANDS WILL BE MACHINED", 0);
        if (count != 0 && lup_count > 0 && pokdim != 2) pock_dir(status);
        // a failed direction choice is a failure, not "nothing to machine"
        // No work word of the driver goes to the cutting (nothing there reads
        // or sets one); the selection word 0 cuts every row. The cut mode is
        // the caller's as it came: the driver reads it for its levels and run
        // flags and keeps no other value in it; finish() gives it back.
        if (count != 0 && lup_count > 0 && status == 0)
            clr_cut(0, run.s, direction, cut_mode, status);
        else if (status == 0)
            status = 17;
    }
    finish(mode_in, loops_in, cut_mode, status);
}
