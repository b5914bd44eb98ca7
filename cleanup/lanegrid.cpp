// Pocket arrays carried onto the surface map grid: each point put on the
// grid under it, and between two points the path over the triangles filled
// in where it crosses a cell edge or diagonal.
#include <algorithm>
#include <cmath>
#include <vector>

#include "cleanup/mapcell.h"
#include "cleanup/mapgrid.h"
#include "core/host.h"
#include "pocket/pkgeom.h"
#include "pocket/pokarr.h"
#include "pocket/pokvals.h"

namespace {

struct GPoint {
    f64 p[3];
    f64 n[3];
};

// The array's points in grid coordinates, arcs cut into chords whose
// sagitta stays under a tenth of a cell: an arc's marker and data entries
// are no points to map (the marker's 1.0e25 lies on no cell), and the
// chords follow the arc on the grid as its points would.
std::vector<GPoint> grid_points(const pokarr& a, const f64* off)
{
    std::vector<GPoint> v;
    const f64 tol = 0.1 * map_grid.cell;
    auto put = [&](f64 x, f64 y, f64 z) { v.push_back({{x + off[0], y + off[1], z + off[2]}, {0.0, 0.0, 1.0}}); };
    for (i32 k = 0; k < a.count; ++k) {
        const f64 z = a.dims >= 3 ? a.z[k] : 0.0;
        if (pk_arc_at(a.x[k]) && k > 0 && k + 3 < a.count) {
            const f64 r = a.x[k + 1], cx = a.x[k + 2], cy = a.y[k + 2];
            const i32 dir = a.y[k + 1] < 0.0 ? -1 : 1;
            const f64 sx = a.x[k - 1], sy = a.y[k - 1];
            const f64 sw = pk_arc_sweep(dir, cx, cy, sx, sy, a.x[k + 3], a.y[k + 3]);
            const f64 half = r > tol ? std::acos(1.0 - tol / r) : 0.5;
            const i32 n = std::max(1, static_cast<i32>(std::ceil(sw / (2.0 * std::max(half, 1.0e-3)))));
            const f64 a0 = std::atan2(sy - cy, sx - cx);
            for (i32 m = 1; m < n; ++m) {
                const f64 t = a0 + dir * sw * m / n;
                put(cx + r * std::cos(t), cy + r * std::sin(t), z);
            }
            put(a.x[k + 3], a.y[k + 3], a.dims >= 3 ? a.z[k + 3] : 0.0);
            k += 3;
            continue;
        }
        if (pk_arc_at(a.x[k])) continue;
        put(a.x[k], a.y[k], z);
    }
    return v;
}

// Puts g on the grid under it with the triangle's normal; false on a
// mapping failure (said by the index search). Every mode drops the points
// straight down, not onto the nearest point of the surface: the contours
// and lanes handed over are plan geometry (at height 0 or their drawn
// height), and a nearest projection from there would move them in plan on
// a slope (by the height gap times the slope's sine), so that the pocket
// and its lanes would no longer be the ones given. The pieces of a 3-D
// offset (modes 0 and 2) lie on the grid already, and the drop leaves them
// where they are.
bool drop(GPoint& g)
{
    i32 i = 0, j = 0, t = 0, st = 0;
    grid_height(g.p, g.p[2], g.n, i, j, t, st);
    return st == 0;
}

// Parameters in (0, 1) at which the straight path a-b crosses the grid's
// vertical and horizontal node lines and the cells' diagonals.
void crossings(const f64* a, const f64* b, std::vector<f64>& ts)
{
    const f64 s = map_grid.cell;
    const f64 ua = (a[0] - map_grid.x0) / s, va = (a[1] - map_grid.y0) / s;
    const f64 ub = (b[0] - map_grid.x0) / s, vb = (b[1] - map_grid.y0) / s;
    auto lines = [&](f64 p, f64 q) {
        if (std::fabs(q - p) < 1.0e-12) return;
        const f64 lo = std::min(p, q), hi = std::max(p, q);
        for (f64 k = std::ceil(lo); k <= hi; k += 1.0) {
            const f64 t = (k - p) / (q - p);
            if (t > 1.0e-9 && t < 1.0 - 1.0e-9) ts.push_back(t);
            if (ts.size() > static_cast<size_t>(GRID_LANE_MAX)) return;
        }
    };
    lines(ua, ub);
    lines(va, vb);
    lines(ua - va, ub - vb);
    std::sort(ts.begin(), ts.end());
}

f64 dist3(const f64* a, const f64* b)
{
    return std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) + (a[2] - b[2]) * (a[2] - b[2]));
}

// Fills in the path from a to b (both on the grid) into out, b excluded;
// false when it needs more points than a lane walk holds.
// The path is the one over the triangles in the vertical plane of a-b: its
// bends are exactly where the plan segment crosses a node line or a
// diagonal, so these crossings dropped onto the grid are the whole path.
// Two walkers stepping across the triangles toward each other would not
// keep to that plane: a direction made tangent to a sloping triangle turns
// in plan, so they drift apart on a slope, need a meeting rule to join up
// and can miss each other; the crossings give the same bends on the plane
// of the segment and always arrive at b.
bool fill_path(const GPoint& a, const GPoint& b, const f64* step, std::vector<GPoint>& out, bool& mapped)
{
    std::vector<f64> ts;
    crossings(a.p, b.p, ts);
    if (ts.size() > static_cast<size_t>(GRID_LANE_MAX)) return false;
    const f64 len = std::hypot(b.p[0] - a.p[0], b.p[1] - a.p[1]);
    f64 prev = -1.0;
    for (f64 t : ts) {
        if (prev >= 0.0 && (t - prev) * len < 1.0e-9) continue;
        prev = t;
        GPoint g{{a.p[0] + t * (b.p[0] - a.p[0]), a.p[1] + t * (b.p[1] - a.p[1]), 0.0}, {0.0, 0.0, 1.0}};
        if (!drop(g)) {
            mapped = false;
            return true;
        }
        // With a merging step every filled-in point closer than it to the
        // point kept before or to b is left out, not only the first one after
        // a walker's start: the crossings come as densely at every node line
        // as at the start, and neighbouring filled-in points closer than the
        // step are what the merging is for.
        if (step && (dist3(g.p, out.back().p) < *step || dist3(g.p, b.p) < *step)) continue;
        out.push_back(g);
    }
    return true;
}

// Writes the points back into the array (less the offset).
void write_back(const std::vector<GPoint>& pts, const f64* off, pokarr& arr, i32& status)
{
    i32 ierr = 0;
    pokarr_clear(arr, static_cast<i32>(pts.size()), ierr);
    if (ierr != 0) {
        status = 11;
        return;
    }
    for (const GPoint& g : pts) {
        const f64 q[3] = {g.p[0] - off[0], g.p[1] - off[1], g.p[2] - off[2]};
        if (arr.dims == 4)
            pokarr_add_pnt_nrm(q, g.n, arr, ierr);
        else if (arr.dims == 2 || arr.dims == 3)
            pokarr_add_pnt(q, arr, ierr);
        else
            ierr = -1;
        if (ierr != 0) {
            status = 11;
            return;
        }
    }
}

}  // namespace

void lan_on_grid(const i32& mode, pokarr& arr, const f64* step, i32& status)
{
    status = 0;
    if (arr.count < 1) return;
    if (!grid_usable(status)) return;
    const f64 zero[3] = {0.0, 0.0, 0.0};
    // Mode 3 takes its points in grid coordinates; every mode gives them
    // back in pocket coordinates.
    std::vector<GPoint> in = grid_points(arr, mode == 3 ? zero : pokorigin), out;
    if (in.empty()) return;
    out.reserve(in.size() * 4);
    if (!drop(in[0])) {
        status = -1;
        return;
    }
    out.push_back(in[0]);
    for (size_t k = 1; k < in.size(); ++k) {
        GPoint b = in[k];
        if (!drop(b)) {
            status = -1;
            return;
        }
        const GPoint a = out.back();
        if (std::hypot(b.p[0] - a.p[0], b.p[1] - a.p[1]) > 1.0e-6) {
            bool mapped = true;
            if (!fill_path(a, b, step, out, mapped)) {
                eroutc("[lan_on_grid] UNABLE TO PROJECT SEGMENT", 0);
                status = -1;
                return;
            }
            if (!mapped) {
                status = -1;
                return;
            }
        }
        out.push_back(b);
    }
    write_back(out, pokorigin, arr, status);
}
