// The filling of the pocket's map grid from the part's triangle model.
#include <algorithm>
#include <chrono>
#include <cmath>

#include "cleanup/mapgrid.h"
#include "core/host.h"
#include "pocket/luptab.h"
#include "pocket/pokmain.h"
#include "pocket/pokvals.h"
#include "surfaces/trimodel.h"

namespace {

f64 g_fill_seconds = 0.0;

// Most nodes a grid may hold; a finer cell is coarsened to stay within it.
constexpr f64 MAP_MOST_NODES = 4.0e6;

// The XY box of the pocket's contours in world coordinates; false when
// the main arrays hold no point.
bool contour_box(f64* lo, f64* hi)
{
    const i32 last = lup_row(lup_count + 1).start - 1;
    lo[0] = lo[1] = 1.0e30;
    hi[0] = hi[1] = -1.0e30;
    for (i32 k = 1; k <= last; ++k) {
        f64 p[3] = {0.0, 0.0, 0.0};
        pokmain_point(k, p);
        if (p[0] > 1.0e20) continue;  // an arc's data entries
        for (i32 c = 0; c < 2; ++c) {
            lo[c] = std::min(lo[c], p[c] + pokorigin[c]);
            hi[c] = std::max(hi[c], p[c] + pokorigin[c]);
        }
    }
    return last >= 1 && lo[0] <= hi[0];
}

// Raises the nodes that triangle (a, b, c) lies over to its height there.
void raise_nodes(const f32* a, const f32* b, const f32* c)
{
    MapGrid& g = map_grid;
    const f64 ax = a[0], ay = a[1], bx = b[0], by = b[1], cx = c[0], cy = c[1];
    const f64 det = (bx - ax) * (cy - ay) - (cx - ax) * (by - ay);
    if (std::fabs(det) < 1.0e-14) return;  // seen edge-on from above
    const f64 xlo = std::min({ax, bx, cx}), xhi = std::max({ax, bx, cx});
    const f64 ylo = std::min({ay, by, cy}), yhi = std::max({ay, by, cy});
    const i32 i0 = std::max(0, static_cast<i32>(std::ceil((xlo - g.x0) / g.cell - 1.0e-9)));
    const i32 i1 = std::min(g.nx - 1, static_cast<i32>(std::floor((xhi - g.x0) / g.cell + 1.0e-9)));
    const i32 j0 = std::max(0, static_cast<i32>(std::ceil((ylo - g.y0) / g.cell - 1.0e-9)));
    const i32 j1 = std::min(g.ny - 1, static_cast<i32>(std::floor((yhi - g.y0) / g.cell + 1.0e-9)));
    const f64 e = -1.0e-9;  // nodes on an edge belong to both triangles
    for (i32 j = j0; j <= j1; ++j) {
        const f64 y = g.y0 + j * g.cell;
        for (i32 i = i0; i <= i1; ++i) {
            const f64 x = g.x0 + i * g.cell;
            const f64 wb = ((x - ax) * (cy - ay) - (cx - ax) * (y - ay)) / det;
            const f64 wc = ((bx - ax) * (y - ay) - (x - ax) * (by - ay)) / det;
            const f64 wa = 1.0 - wb - wc;
            if (wa < e || wb < e || wc < e) continue;
            const f32 z = static_cast<f32>(wa * a[2] + wb * b[2] + wc * c[2]);
            f32& h = g.h[static_cast<size_t>(j) * static_cast<size_t>(g.nx) + static_cast<size_t>(i)];
            if (z > h) h = z;
        }
    }
}

// Lays every triangle of the model over the grid; the number of nodes
// that got a height.
long long fill_from_model()
{
    const f32* nodes = nodbas();
    if (!nodes) return 0;
    for (i32 node = 0; node < QT_NODES; ++node) {
        const i32 n = qtrow(node)[QT_COUNT];
        const i32* e = n > 0 ? qtnbas(node) : nullptr;
        if (!e) continue;
        for (i32 k = 0; k < n; ++k, e += TRG_WORDS) {
            const f32* a = nodes + 3 * static_cast<size_t>(e[TRG_NODE] - 1);
            const f32* b = nodes + 3 * static_cast<size_t>(e[TRG_NODE + 1] - 1);
            const f32* c = nodes + 3 * static_cast<size_t>(e[TRG_NODE + 2] - 1);
            raise_nodes(a, b, c);
        }
    }
    long long with = 0;
    for (f32 h : map_grid.h)
        if (h > -1.0e7f) ++with;
    return with;
}

}  // namespace

f64 map_setup_seconds() { return g_fill_seconds; }

void map_setup(const f64* allow, i32& status)
{
    status = 0;
    g_fill_seconds = 0.0;
    if (pokdim == 2) return;
    f64 lo[2], hi[2];
    if (TRIMDL[TM_STATE] != 2 || TRIMDL[TM_NTRG] < 1 || !contour_box(lo, hi)) {
        eroutc("[map_setup] NO PART SURFACES FOR THE MAP GRID", 0);
        status = 21;
        return;
    }
    f64 cell = pkoff.step > 0.0 ? pkoff.step / 8.0 : pokpar.radius / 4.0;
    if (!(cell > 0.0)) cell = 0.01 * std::max(hi[0] - lo[0], hi[1] - lo[1]);
    if (!(cell > 0.0)) cell = 1.0;
    f64 grow = 0.0;
    for (i32 k = 0; allow && k < lup_count; ++k) {
        const i32 key = lup_row(k + 1).key;
        const i32 at = key - 1;
        if (at >= 0 && at < PK_NALLOW) grow = std::max(grow, std::fabs(allow[at]));
    }
    grow += std::max(pokpar.radius, 0.0);
    auto sides = [&](f64 c, f64& nx, f64& ny) {
        nx = std::ceil((hi[0] - lo[0] + 2.0 * grow) / c) + 7.0;
        ny = std::ceil((hi[1] - lo[1] + 2.0 * grow) / c) + 7.0;
    };
    f64 nx = 0.0, ny = 0.0;
    sides(cell, nx, ny);
    while (nx * ny > MAP_MOST_NODES) {
        cell *= 1.25;
        sides(cell, nx, ny);
    }
    const auto t0 = std::chrono::steady_clock::now();
    MapGrid& g = map_grid;
    g = MapGrid{};
    g.nx = static_cast<i32>(nx);
    g.ny = static_cast<i32>(ny);
    g.cell = cell;
    g.x0 = lo[0] - grow - 3.0 * cell;
    g.y0 = lo[1] - grow - 3.0 * cell;
    g.h.assign(static_cast<size_t>(g.nx) * static_cast<size_t>(g.ny), MAP_NO_SURFACE);
    const long long with = fill_from_model();
    g_fill_seconds = std::chrono::duration<f64>(std::chrono::steady_clock::now() - t0).count();
    if (with == 0) {
        eroutc("[map_setup] NO PART SURFACES FOR THE MAP GRID", 0);
        map_grid_clear();
        status = 21;
    }
}
