// The cut tours of the first offsets as float polygons, last row first and
// each polygon from its last point back, arcs cut into chords.
#include "cleanup/clrout.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/host.h"
#include "pocket/luptab.h"
#include "pocket/pkclean.h"
#include "pocket/pkgeom.h"
#include "pocket/pkmath.h"
#include "pocket/pokvals.h"

i32 clr_cut_mark = 0;

void clr_tour_xy(const pokarr& loop, const f32& tol, std::vector<f32>& xy)
{
    xy.clear();
    std::vector<f64> x(loop.x, loop.x + loop.count), y(loop.y, loop.y + loop.count);
    i32 n = loop.count;
    pk_del_colin_xy(1, x.data(), y.data(), n);
    auto put = [&](f64 px, f64 py) {
        xy.push_back(static_cast<f32>(px + pokorigin[0]));
        xy.push_back(static_cast<f32>(py + pokorigin[1]));
    };
    for (i32 k = n - 1; k >= 0;) {
        const auto u = static_cast<size_t>(k);
        if (k >= 4 && pk_arc_at(x[u - 3])) {
            // the arc from its end back to its start, as chords
            const f64 rad = x[u - 2], cx = x[u - 1], cy = y[u - 1];
            const i32 dir = y[u - 2] < 0.0 ? -1 : 1;
            put(x[u], y[u]);
            const f64 sweep = pk_arc_sweep(dir, cx, cy, x[u - 4], y[u - 4], x[u], y[u]);
            // a radius at or below half the tolerance gives one chord
            const f64 half = pk_arcos(rad > 0.0 ? 1.0 - tol / rad : -1.0);
            const f64 step = std::max(2.0 * half, 0.0001);
            const i32 m = std::max(1, static_cast<i32>(std::ceil(sweep / step - 1e-9)));
            const f64 a0 = std::atan2(y[u] - cy, x[u] - cx);
            for (i32 j = 1; j < m; ++j) {
                const f64 a = a0 - dir * sweep * j / m;
                put(cx + rad * std::cos(a), cy + rad * std::sin(a));
            }
            k -= 4;
            continue;
        }
        put(x[u], y[u]);
        --k;
    }
}

// The work arrays of a loop are the module's own growable arrays, not
// 7000-point static arrays with host arrays for longer loops: a loop of any
// length is read the same way, no host array is opened or closed here, and
// a memory failure ends the run as the module's memory failures do. Status
// -1 is the failure to read a taken row back from the main arrays.
void clr_output(const f32& tol, i32 max_points, f32* points, i32& npol, i32* counts, i32& status)
{
    const i32 room = npol;
    npol = 0;
    status = 0;
    i32 written = 0;
    if (clr_cut_mark < 1) {
        status = 1;
        return;
    }
    pokarr loop;
    pokarr_init(2, loop);
    std::vector<f32> xy;
    for (i32 row = lup_count; row >= clr_cut_mark && status == 0; --row) {
        const LupRow& r = lup_row(row);
        if (r.key == 9999 || r.subkey != 1) continue;
        i32 st = 0, np = 0;
        lup_np(row, np);
        if (np < 1) continue;
        lup_get_pokarr(row, loop, st);
        if (st != 0) {
            // a taken row that cannot be read back is a lost cut tour: a
            // failure, not a row passed over in silence
            status = -1;
            break;
        }
        if (loop.count < 1) continue;
        if (npol == room) {
            status = -10;
            break;
        }
        // The polygon is counted first and its points written while there
        // is room: a polygon that does not fit stays in the output with the
        // points written, and the status tells that points are missing.
        clr_tour_xy(loop, tol, xy);
        const i32 m = static_cast<i32>(xy.size() / 2);
        const i32 fit = std::min(m, max_points - written);
        std::copy(xy.begin(), xy.begin() + 2 * fit, points + 2 * written);
        written += fit;
        counts[npol] = fit;
        ++npol;
        if (fit < m) {
            status = -11;
            break;
        }
    }
    pokarr_free(loop);
    if (status == 0 && npol == 0) status = 1;
}
