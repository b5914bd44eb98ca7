// The contour set of one pocket: read from the offset loop table, cleaned,
// oriented, fitted with arcs and registered as the first loops; islands
// dropped on the way leave their allowances with the islands that remain.
#include "pocket/cntload.h"

#include <vector>

#include "cleanup/mapgrid.h"
#include "core/modflg.h"
#include "pocket/arcfit.h"
#include "pocket/luptab.h"
#include "pocket/pkclean.h"
#include "pocket/pkgeom.h"
#include "pocket/pokmain.h"
#include "pocket/pokvals.h"

namespace {

// The contour set: working contours, backups of fitted ones, their states
// (1 changed by fitting, 0 unchanged, -1 dropped), levels and input keys.
struct ContourSet {
    std::vector<pokarr> cnt, backup;
    std::vector<i32> state, level, key;
    i32 n = 0;
};
ContourSet g_set;

bool present(i32 i) { return g_set.state[static_cast<size_t>(i)] >= 0 && g_set.cnt[static_cast<size_t>(i)].count > 0; }

void drop(i32 i)
{
    pokarr_free(g_set.cnt[static_cast<size_t>(i)]);
    pokarr_init(2, g_set.cnt[static_cast<size_t>(i)]);
    g_set.state[static_cast<size_t>(i)] = -1;
}

// Rebuilds the return half of a there-and-back contour of m points.
void there_and_back(pokarr& a, i32 m, i32& st)
{
    std::vector<f64> x(a.x, a.x + m), y(a.y, a.y + m);
    a.count = m;
    for (i32 k = m - 1; k >= 1 && st == 0; --k) {
        // an arc block ends at k: written from its end back to its start
        if (k >= 4 && pk_arc_at(x[static_cast<size_t>(k - 3)])) {
            const auto u = static_cast<size_t>(k);
            const f64 z = 0.0;
            pokarr_add_arc(x[u - 4], y[u - 4], &z, x[u - 1], y[u - 1], x[u - 2], static_cast<i32>(-y[u - 2]), a, st);
            k -= 3;
            continue;
        }
        const f64 p[3] = {x[static_cast<size_t>(k - 1)], y[static_cast<size_t>(k - 1)], 0.0};
        pokarr_add_pnt(p, a, st);
    }
}

}  // namespace

// The contour set lives in the module's own growable arrays, not in host
// arrays: nothing of it is handed to the host, so no host status can come
// back and 15 is not answered from here (a lack of memory ends the run as
// it does everywhere in the module); the caller's test of the status stays
// for the set's contract.
void pk_contours_alloc(i32& status)
{
    status = 0;
    pk_contours_free();
    g_set.n = lup_count;
    g_set.cnt.resize(static_cast<size_t>(g_set.n));
    g_set.backup.resize(static_cast<size_t>(g_set.n));
    for (i32 i = 0; i < g_set.n; ++i) {
        pokarr_init(pk_dims(), g_set.cnt[static_cast<size_t>(i)]);
        pokarr_init(2, g_set.backup[static_cast<size_t>(i)]);
    }
    g_set.state.assign(static_cast<size_t>(g_set.n), 0);
    g_set.level.assign(static_cast<size_t>(g_set.n), 1);
    g_set.key.assign(static_cast<size_t>(g_set.n), 0);
}

void pk_contours_free()
{
    for (pokarr& a : g_set.cnt) pokarr_free(a);
    for (pokarr& a : g_set.backup) pokarr_free(a);
    g_set = ContourSet{};
}

void pk_fit_contour_arcs(const i32& mode, i32& status)
{
    status = 0;
    const i32 n = g_set.n;
    for (i32 i = 0; i < n && status == 0; ++i) {
        if (!present(i)) continue;
        pokarr& a = g_set.cnt[static_cast<size_t>(i)];
        const auto u = static_cast<size_t>(i);
        const bool l3 = g_set.level[u] == 3;
        g_set.state[u] = 1;
        i32 st = 0;
        pk_split_arcs(a, st);
        if (st != 0) {
            // the split of a half-turn arc could not grow the contour
            status = 11;
            break;
        }
        const i32 m = l3 ? (a.count - 1) / 2 + 1 : a.count;
        // The contour's points go to a pocket array of their own size (the
        // pool's buffers are reused from contour to contour) rather than to
        // one work array of 7,000 points grown for longer contours.
        pokarr pts;
        pokarr_init(2, pts);
        pokarr_copy_range(m, a, 0, pts, st);
        i32 size = m, keep = 1;
        // The contour tolerance is the segment tolerance the contour was
        // just repaired with (the offset parameters' word, at least 0.001):
        // the pocket tolerance stays 0 in the area clearing, and a fit
        // within 0 would keep every contour as it is.
        if (st == 0) pk_fit_arcs(pkoff.seg_tol, pts, 1, &size, mode, keep, st);
        // Work room that cannot be had fails the load (11), for an island
        // as for the outer contour: dropping the island instead would leave
        // the pocket to be cut through it, and 16 would tell the user that
        // the outer contour has too few points, which it has not (11 is the
        // status of a fitting work array that cannot be had).
        if (st != 0) {
            pokarr_free(pts);
            status = 11;
            break;
        }
        if (keep != 0) {
            g_set.state[u] = 0;
        } else {
            pokarr_copy(a, g_set.backup[u], st);
            if (st != 0) {
                // Without its backup the fit could not be undone should it
                // cross another contour (the contour would come back empty
                // and be lost): the contour keeps its own points.
                g_set.state[u] = 0;
                st = 0;
            } else {
                pokarr_copy_range(size, pts, 0, a, st);
                if (l3 && st == 0) there_and_back(a, size, st);
                a.direction = 0;
                if (st != 0) status = 11;
            }
        }
        pokarr_free(pts);
        if (status == 0 && a.count < 3) {
            if (i == 0) status = 16;
            else drop(i);
        }
    }
    // fitting may not make two contours cross: the changed one gets its
    // points back and is tested again. The list holds the contours from the
    // last down to the second (counted from 0: n - 1 down to 1), so the
    // second is popped first and the outer contour only meets the others as
    // their partner: every pair is still compared.
    std::vector<i32> list;
    std::vector<char> on(static_cast<size_t>(n), 0);
    for (i32 i = n - 1; i >= 1 && status == 0; --i) {
        list.push_back(i);
        on[static_cast<size_t>(i)] = 1;
    }
    auto restore = [&](i32 i) {
        const auto u = static_cast<size_t>(i);
        i32 st = 0;
        pokarr_free(g_set.cnt[u]);
        pokarr_init(2, g_set.cnt[u]);
        pokarr_move(g_set.backup[u], g_set.cnt[u], st);
        pokarr_init(2, g_set.backup[u]);
        g_set.state[u] = 0;
    };
    while (!list.empty() && n > 1 && status == 0) {
        const i32 k = list.back();
        list.pop_back();
        on[static_cast<size_t>(k)] = 0;
        if (!present(k)) continue;
        for (i32 j = 0; j < n; ++j) {
            if (j == k || !present(j)) continue;
            const i32 lk = g_set.level[static_cast<size_t>(k)], lj = g_set.level[static_cast<size_t>(j)];
            if ((lk == 2 && (lj == 2 || lj == 3)) || (lk == 3 && lj == 2)) continue;
            if (g_set.state[static_cast<size_t>(k)] != 1 && g_set.state[static_cast<size_t>(j)] != 1) continue;
            i32 st = 0;
            pk_arr_int(100, g_set.cnt[static_cast<size_t>(k)], g_set.cnt[static_cast<size_t>(j)], st);
            // Any answer but 0 counts as a crossing: a test that failed
            // cannot vouch for the fitted pair, so its unfitted form comes
            // back as for a crossing found.
            if (st == 0) continue;
            if (g_set.state[static_cast<size_t>(k)] == 1) {
                restore(k);
                if (!on[static_cast<size_t>(k)]) {
                    list.push_back(k);
                    on[static_cast<size_t>(k)] = 1;
                }
                break;
            }
            restore(j);
            if (j < k && !on[static_cast<size_t>(j)]) {
                list.push_back(j);
                on[static_cast<size_t>(j)] = 1;
            }
        }
    }
    for (pokarr& b : g_set.backup) {
        pokarr_free(b);
        pokarr_init(2, b);
    }
}

void pk_load_contours(const f64& value, i32& status)
{
    // No current-loop index is cleared here: the engine keeps none (the
    // stages that walk the loop table carry their row in their own
    // arguments), so there is nothing a stale index could mislead.
    status = 0;
    pk_contours_alloc(status);
    if (status != 0) {
        status = 15;
        return;
    }
    const i32 n = g_set.n;
    std::vector<i32> starts(static_cast<size_t>(n) + 1);
    for (i32 i = 1; i <= n + 1 && n > 0; ++i) starts[static_cast<size_t>(i - 1)] = lup_row(i).start;
    for (i32 i = 0; i < n; ++i) {
        g_set.level[static_cast<size_t>(i)] = lup_row(i + 1).level;
        g_set.key[static_cast<size_t>(i)] = lup_row(i + 1).key;
    }
    // the contours are read from the copies above: the table is emptied
    // now, so that a load that fails leaves no contour rows behind
    lup_reset();
    const std::vector<f64> allow(pokpar.allow, pokpar.allow + PK_NALLOW);
    if (n > 0 && starts[static_cast<size_t>(n)] - 1 > pokmain_capacity()) {
        status = 8;
        pk_contours_free();
        return;
    }
    // No point view of the main arrays is fetched: each contour is read from
    // them by its start and count (POKGPA), and nothing else here reads
    // the arrays.
    i32 total = 0;
    for (i32 i = 0; i < n && status == 0; ++i) {
        const auto u = static_cast<size_t>(i);
        pokarr& a = g_set.cnt[u];
        i32 st = 0;
        POKGPA(starts[u + 1] - starts[u], starts[u], a, st);
        if (st != 0) {
            status = i == 0 ? 2 : 3;
            break;
        }
        const bool l3 = g_set.level[u] == 3;
        pk_del_short(a);
        // The contour is repaired within the pocket's contour offset
        // tolerance: the segment tolerance of the offset parameters, which
        // the driver sets from the side value and the step (at least 0.001)
        // before it loads the contours.
        OFFSEG(1, l3 ? 1 : 0, pkoff.seg_tol, a);
        if (!(a.count > 3 || (a.count == 3 && (l3 || (i == 0 && value < 0.0))))) {
            if (i == 0) {
                status = 16;
                break;
            }
            drop(i);
            continue;
        }
        if (pokdim == 3) {
            // the contour carried onto the surface map grid
            lan_on_grid(1, a, nullptr, st);
            if (st != 0) {
                status = st == 11 ? 11 : 21;
                break;
            }
            pk_del_short(a);
            pk_del_colin(1, 1, a, nullptr);
        }
        a.direction = 0;
        pokarr_area(a);
        if ((i == 0 && a.direction == -1) || (i > 0 && a.direction == 1)) pokarr_reverse(a);
        total += a.count;
        if (total > pokmain_capacity()) status = 8;
    }
    i32 arc_mode = 0;
    MFLGT3(arc_mode);
    if (status == 0 && arc_mode != 0 && pokdim == 2) pk_fit_contour_arcs(arc_mode, status);
    if (status == 0) {
        i32 made = 0;
        for (i32 i = 0; i < n && status == 0; ++i) {
            const auto u = static_cast<size_t>(i);
            if (!present(i)) continue;
            ++made;
            const i32 key = i == 0 ? 1 : made + 9999;
            // An island keeps its own allowance under its new key: after a
            // dropped island the keys close up, and the offset reads each
            // island's allowance by key, so without the move every later
            // island would take the allowance of the one before it. The run
            // that loads again (cmtpk1) starts from the allowances as they
            // stood before the first load.
            if (i > 0) {
                const i32 old = g_set.key[u];
                if (old > 10000 && old - 1 < PK_NALLOW && key - 1 < PK_NALLOW)
                    pokpar.allow[key - 1] = allow[static_cast<size_t>(old - 1)];
            }
            i32 start = 0, st = 0;
            lup_add(0, key, 0, 0, 0, 0.0, g_set.level[u], g_set.cnt[u], start, st);
            // A contour the loop table cannot take (its rows or its point
            // space full, or no memory to put the points) fails the load
            // as points that do not fit, 8, on which the area clearing grows
            // its arrays and tries again, until its attempts run out.
            if (st != 0) status = 8;
        }
    }
    pk_contours_free();
}
