// Pieces of a 3-D pocket carried onto the part surfaces: each needed point
// projected with the tool along its normal (given, or the map grid's), the
// points that straight neighbours make unnecessary skipped, and points added
// where the surface bends between two projected points.
#include "cleanup/lansrf.h"

#include <cmath>
#include <vector>

#include "cleanup/mapgrid.h"
#include "core/host.h"
#include "cutter/loccom.h"
#include "cutter/locdir.h"
#include "cutter/prjbrg.h"
#include "pocket/pkmath.h"
#include "pocket/pokarr.h"
#include "pocket/pokvals.h"

namespace {

// A point's z at or above this marks it as not projected.
constexpr f64 NOT_PROJECTED = 1.0e9;

struct SrfPts {
    std::vector<f64> p;  // 3 a point
    std::vector<f64> n;  // 3 a point
    bool done(i32 i) const { return p[3 * static_cast<size_t>(i) + 2] < NOT_PROJECTED; }
    const f64* at(i32 i) const { return &p[3 * static_cast<size_t>(i)]; }
};

f64 tool_radius() { return 0.5 * static_cast<f64>(LOCDIA); }

// Height of node (i, j) for the normals; a node without surface, or outside
// the grid, takes the height h given.
f64 nrm_height(i32 i, i32 j, f64 h)
{
    if (i < 0 || j < 0 || i >= map_grid.nx || j >= map_grid.ny) return h;
    const f32 v = map_grid.h[static_cast<size_t>(j) * static_cast<size_t>(map_grid.nx) + static_cast<size_t>(i)];
    return v > -1.0e7f && v < 1.0e7f ? static_cast<f64>(v) : h;
}

// Projects input point i into the work points (world coordinates).
void lan_pt_on_srf(const pokarr& in, SrfPts& w, i32 i, i32 local)
{
    const size_t k = 3 * static_cast<size_t>(i);
    const f64 pt[3] = {in.x[i] + (local ? pokorigin[0] : 0.0), in.y[i] + (local ? pokorigin[1] : 0.0),
                       (in.dims >= 3 ? in.z[i] : 0.0) + (local ? pokorigin[2] : 0.0)};
    f64 nrm[3] = {0.0, 0.0, 1.0}, q[3];
    const i32 with = in.dims == 4 ? 1 : 0;
    if (with)
        for (i32 m = 0; m < 3; ++m) nrm[m] = in.vec[k + m];
    i32 st = 0;
    srf_proj_pt(with, pt, q, nrm, st);
    for (i32 m = 0; m < 3; ++m) {
        w.p[k + m] = st == 0 ? q[m] : 1.0e10;
        w.n[k + m] = st == 0 ? nrm[m] : -2.0;
    }
}

// Whether the middle point between b and its neighbours need not be
// projected: keep 0 then.
void lan_skip_mid(const SrfPts& w, i32 a, i32 b, i32 c, i32& keep)
{
    keep = 1;
    if (!w.done(a) || !w.done(b) || !w.done(c)) return;
    const f64* pb = w.at(b);
    const f64* pc = w.at(c);
    const f64 cell = map_grid.cell;
    // "Within 3 cells" is measured between the projected points in space,
    // heights included: on a steep piece two points close in plan may lie
    // far apart on the surface, and the middle point between them is then
    // projected rather than skipped.
    const f64 d2 = (pb[0] - pc[0]) * (pb[0] - pc[0]) + (pb[1] - pc[1]) * (pb[1] - pc[1]) +
                   (pb[2] - pc[2]) * (pb[2] - pc[2]);
    if (d2 > 9.0 * cell * cell) return;
    f32 fa[3], fb[3], fc[3];
    for (i32 m = 0; m < 3; ++m) {
        fa[m] = static_cast<f32>(w.at(a)[m]);
        fb[m] = static_cast<f32>(pb[m]);
        fc[m] = static_cast<f32>(pc[m]);
    }
    f32 dist = 0.0f;
    i32 st = 0;
    p3tol(fa, fb, fc, dist, st);
    if (st != 0 || dist <= 2.0 * tool_radius()) keep = 0;
}

// One refinement position j (of 16) between known positions lo and hi:
// kept (status 1) when its projection lands farther than the tool radius
// from the interpolated point.
void lan_refine(i32 with, f64 (*pt)[3], f64 (*nr)[3], bool* kept, i32 lo, i32 hi, i32 j, i32& status)
{
    const f64 t = static_cast<f64>(j - lo) / static_cast<f64>(hi - lo);
    f64 p[3], n[3], l = 0.0;
    for (i32 m = 0; m < 3; ++m) {
        p[m] = pt[lo][m] + t * (pt[hi][m] - pt[lo][m]);
        n[m] = nr[lo][m] + t * (nr[hi][m] - nr[lo][m]);
    }
    if (!pk_unit3(n, l)) n[0] = n[1] = 0.0, n[2] = 1.0;
    f64 q[3];
    i32 st = 0;
    srf_proj_pt(with, p, q, n, st);
    status = 0;
    const bool far = st == 0 && std::sqrt((q[0] - p[0]) * (q[0] - p[0]) + (q[1] - p[1]) * (q[1] - p[1]) +
                                          (q[2] - p[2]) * (q[2] - p[2])) > tool_radius();
    for (i32 m = 0; m < 3; ++m) {
        pt[j][m] = far ? q[m] : p[m];
        nr[j][m] = n[m];
    }
    kept[j] = far;
    if (far) status = 1;
}

// The points between projected points a and b (consecutive input points)
// that the surface's bend asks for, in order, into out.
void refine_gap(i32 with, const SrfPts& w, i32 a, i32 b, std::vector<f64>& op, std::vector<f64>& on)
{
    f64 pt[17][3], nr[17][3];
    bool kept[17] = {false}, known[17] = {false};
    for (i32 m = 0; m < 3; ++m) {
        pt[0][m] = w.at(a)[m];
        pt[16][m] = w.at(b)[m];
        nr[0][m] = w.n[3 * static_cast<size_t>(a) + m];
        nr[16][m] = w.n[3 * static_cast<size_t>(b) + m];
    }
    known[0] = known[16] = true;
    for (i32 step : {8, 4, 2, 1})
        for (i32 j = step; j < 16; j += 2 * step) {
            if (known[j]) continue;
            i32 st = 0;
            lan_refine(with, pt, nr, kept, j - step, j + step, j, st);
            known[j] = true;
        }
    for (i32 j = 1; j < 16; ++j)
        if (kept[j]) {
            op.insert(op.end(), pt[j], pt[j] + 3);
            on.insert(on.end(), nr[j], nr[j] + 3);
        }
}

// Appends a point (less the origin when local) with its normal.
bool put(pokarr& a, const f64* p, const f64* n, i32 local)
{
    const f64 q[3] = {p[0] - (local ? pokorigin[0] : 0.0), p[1] - (local ? pokorigin[1] : 0.0),
                      p[2] - (local ? pokorigin[2] : 0.0)};
    i32 ierr = 0;
    pokarr_add_pnt_nrm(q, n, a, ierr);
    return ierr == 0;
}

}  // namespace

bool d3ds_running() { return prj_get_use() != 0; }

void grid_cell_nrm(i32 i, i32 j, f64* normal, f64 wu, f64 wv)
{
    const f64 w = wu * wv;
    if (wu < 0.001 || wv < 0.001 || i >= map_grid.nx - 1 || j >= map_grid.ny - 1 || i < 0 || j < 0) return;
    // A neighbour without surface (MAP_NO_SURFACE, or any height beyond
    // 1e7 either way) takes the node's own height, so the difference across
    // it is half the slope rather than a jump to the marker; a node that has
    // no surface itself gives 0.0 for that height, as the marker's value
    // would tilt the normal flat on its side.
    const f64 h = nrm_height(i, j, 0.0);
    const f64 c = map_grid.cell;
    f64 n[3] = {-(nrm_height(i + 1, j, h) - nrm_height(i - 1, j, h)) / (2.0 * c),
                -(nrm_height(i, j + 1, h) - nrm_height(i, j - 1, h)) / (2.0 * c), 1.0},
        l = 0.0;
    pk_unit3(n, l);
    for (i32 m = 0; m < 3; ++m) normal[m] += w * n[m];
}

void grid_nrm_at(const f64* p, f64* normal, i32& status)
{
    status = 0;
    normal[0] = normal[1] = 0.0;
    normal[2] = 1.0;
    if (!grid_usable(status)) return;
    const f64 u = (p[0] - map_grid.x0) / map_grid.cell, v = (p[1] + 0.001 - map_grid.y0) / map_grid.cell;
    const f64 iu = std::floor(u), iv = std::floor(v);
    f64 fu = u - iu, fv = v - iv;
    if (fu < 0.002) fu = 0.0;
    if (fv < 0.002) fv = 0.0;
    const i32 i = static_cast<i32>(iu), j = static_cast<i32>(iv);
    f64 s[3] = {0.0, 0.0, 0.0}, l = 0.0;
    grid_cell_nrm(i, j, s, 1.0 - fu, 1.0 - fv);
    grid_cell_nrm(i + 1, j, s, fu, 1.0 - fv);
    grid_cell_nrm(i, j + 1, s, 1.0 - fu, fv);
    grid_cell_nrm(i + 1, j + 1, s, fu, fv);
    if (pk_unit3(s, l))
        for (i32 m = 0; m < 3; ++m) normal[m] = s[m];
}

void srf_proj_pt(i32 with_nrm, const f64* point, f64* out, f64* normal, i32& status)
{
    status = 0;
    f64 d[3] = {normal[0], normal[1], normal[2]}, l = 0.0;
    if (!with_nrm) {
        grid_nrm_at(point, d, status);
        if (status != 0) return;
    } else if (!pk_unit3(d, l)) {
        d[0] = d[1] = 0.0;
        d[2] = 1.0;
    }
    const f64 cell = map_grid.cell;
    for (i32 round = 0; round < 2; ++round) {
        f32 pos[3], nrm[3];
        i32 ans = 1;
        for (f64 k : {4.0, 40.0}) {
            f32 from[3], to[3];
            for (i32 m = 0; m < 3; ++m) {
                from[m] = static_cast<f32>(point[m] + 0.25 * k * cell * d[m]);
                to[m] = static_cast<f32>(point[m] - k * cell * d[m]);
            }
            LOCMVW(from, to, pos, nrm, ans);
            if (ans == 0) break;
        }
        if (ans != 0) {
            status = -1;
            return;
        }
        for (i32 m = 0; m < 3; ++m) {
            out[m] = pos[m];
            normal[m] = nrm[m];
        }
        const f64 dn = d[0] * nrm[0] + d[1] * nrm[1] + d[2] * nrm[2];
        if (round == 1 || dn >= 0.8) return;
        // a steep touch: once more along the direction tilted to the normal
        for (i32 m = 0; m < 3; ++m) d[m] += 2.0 * nrm[m];
        if (!pk_unit3(d, l)) return;
    }
}

void d3ds_lane_on_srf(i32 local, const pokarr& in, pokarr& out, i32& status)
{
    status = -1;
    const i32 n = in.count;
    if (n < 2 || in.dims != 4 || prj_get_avail() == 0) return;
    const i32 bytes = 12 * n;
    f32* pts = static_cast<f32*>(DM_ALLOC(bytes));
    f32* nrm = static_cast<f32*>(DM_ALLOC(bytes));
    if (!pts || !nrm) {
        eroutc("[d3ds_lane_on_srf] can't allocate memory", 0);
        if (pts) DM_FREE(pts, bytes);
        if (nrm) DM_FREE(nrm, bytes);
        return;
    }
    for (i32 k = 0; k < n; ++k) {
        pts[3 * k] = static_cast<f32>(in.x[k] + (local ? pokorigin[0] : 0.0));
        pts[3 * k + 1] = static_cast<f32>(in.y[k] + (local ? pokorigin[1] : 0.0));
        pts[3 * k + 2] = static_cast<f32>(in.z[k] + (local ? pokorigin[2] : 0.0));
        for (i32 m = 0; m < 3; ++m) nrm[3 * k + m] = static_cast<f32>(in.vec[3 * k + m]);
    }
    const i32 index = prj_tool_index();
    i32 count = 0, handle = -1, st = -1;
    if (index >= 0) prj_lane_on_srf(pts, nrm, n, index, 0.002f, count, handle, st);
    if (index >= 0 && st == 0) {
        void* base = nullptr;
        mmcptr(handle, base);
        const f32* r = static_cast<const f32*>(base);
        status = 0;
        i32 ierr = 0;
        // A result of one point or none is no piece: the output keeps what
        // it held.
        if (r && count > 1) pokarr_clear(out, count, ierr);
        const f64 up[3] = {0.0, 0.0, 1.0};
        for (i32 k = 0; r && count > 1 && k < count && ierr == 0; ++k) {
            const f64 p[3] = {r[3 * k], r[3 * k + 1], r[3 * k + 2]};
            if (!put(out, p, up, local)) ierr = -1;
        }
        if (ierr != 0) status = -1;
        i32 cs = 0;
        MM_CLOSE(handle, cs);
        if (cs != 0) eroutc("DYNAMIC MEMORY PROBLEM, CHECK DISK SPACE", 0);
    }
    DM_FREE(pts, bytes);
    DM_FREE(nrm, bytes);
}

void lan_on_srf(const i32& local, const i32& smooth, const i32& raw_out, const i32& no_bridge, const pokarr& in,
                pokarr& out, pokarr& raw, i32& status)
{
    status = 0;
    if (d3ds_running()) {
        if (no_bridge)
            status = -1;
        else
            d3ds_lane_on_srf(local, in, raw, status);
        return;
    }
    (void)smooth;  // the smoothing of the collected points is not made
    const i32 n = in.count;
    if (n < 1) return;
    if (!grid_usable(status)) return;
    const i32 with = in.dims == 4 ? 1 : 0;
    SrfPts w;
    w.p.assign(3 * static_cast<size_t>(n), 1.0e10);
    w.n.assign(3 * static_cast<size_t>(n), -2.0);
    for (i32 i = 0; i < n; ++i)
        if (i % 2 == 0 || i == n - 1 || n < 5) lan_pt_on_srf(in, w, i, local);
    if (n > 4)
        for (i32 i = 1; i <= n - 2; i += 2) {
            const i32 a = i == 1 ? 4 : i - 3, b = i == 1 ? 2 : i - 1, c = i == 1 ? 0 : i + 1;
            i32 keep = 1;
            lan_skip_mid(w, a, b, c, keep);
            if (keep) lan_pt_on_srf(in, w, i, local);
        }
    // the projected points in order, with what the bends between them ask for
    std::vector<f64> op, on;
    i32 prev = -1;
    for (i32 i = 0; i < n; ++i) {
        if (!w.done(i)) continue;
        if (prev >= 0 && prev == i - 1) refine_gap(with, w, prev, i, op, on);
        op.insert(op.end(), w.at(i), w.at(i) + 3);
        on.insert(on.end(), &w.n[3 * static_cast<size_t>(i)], &w.n[3 * static_cast<size_t>(i)] + 3);
        prev = i;
    }
    const size_t m = op.size() / 3;
    if (raw_out)
        for (size_t k = 0; k < m; ++k)
            if (!put(raw, &op[3 * k], &on[3 * k], local)) {
                status = 11;
                return;
            }
    if (!raw_out || smooth) {
        const f64 up[3] = {0.0, 0.0, 1.0};
        for (size_t k = 0; k < m; ++k)
            if (!put(out, &op[3 * k], up, local)) {
                status = 11;
                return;
            }
    } else if (&raw != &out) {
        pokarr_copy(raw, out, status);
        if (status != 0) status = 11;
    }
}

void lan_onto_srf(pokarr& piece, const i32& no_bridge, i32& status)
{
    pokarr out, raw;
    pokarr_init(piece.dims, out);
    pokarr_init(piece.dims, raw);
    lan_on_srf(1, 0, 1, no_bridge, piece, out, raw, status);
    if (status == 0 && raw.count == 0) status = -1;
    if (status == 0) pokarr_copy(raw, piece, status);
    pokarr_free(out);
    pokarr_free(raw);
}
