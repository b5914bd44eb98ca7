// Offset of one loop along the surfaces of the map grid: each segment's
// offset sampled by walks across it over the triangles, the pieces joined
// at the loop's corners as the plane offset joins them (squared off or met
// at one point on the open side, cut at their crossing on the other), and
// the loop carried onto the grid.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <vector>

#include "cleanup/mapgrid.h"
#include "pocket/lupoff.h"
#include "pocket/pkmath.h"
#include "pocket/pokarr.h"
#include "pocket/pokvals.h"

f64 pk3_sample_step = 0.5;
f64 pk3_min_seg = 1.0e-4;
f64 pk3_point_tol = 1.0e-4;
f64 pk3_join_tol = 1.0e-3;
f64 pk3_append_min = 1.0e-8;
f64 pk3_thin2 = 1.0e-3;
i32 pk3_repair = 1;
f64 pk3_step_factor = 0.1;

namespace {

struct V3 {
    f64 p[3];
};

// Thrown to leave the offset with a status.
struct Fail {
    i32 status;
};

f64 dot(const f64* a, const f64* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// A walk of `len` from p along (mode 0) or across (mode 1) direction d; the
// end and the last walking direction. Answers 0, or -2 for a walk that
// stopped short: its end is kept as the walk left it; any other status ends
// the offset with it.
i32 walk(i32 mode, const f64* p, const f64* d, f64 len, f64* end, f64* wdir)
{
    f64 rec[12] = {p[0], p[1], p[2], 0, 0, 0, 0, 0, 1, 0, 0, 0};
    i32 st = 0;
    seg_on_grid(mode, rec, d, len, nullptr, st);
    if (st != 0 && st != -2) throw Fail{st};
    for (i32 k = 0; k < 3; ++k) {
        end[k] = rec[3 + k];
        if (wdir) wdir[k] = rec[9 + k];
    }
    return st;
}

// The offset walk from the point at t on p-q, end and walking direction;
// `whole` is false for a walk that answered -2.
struct Sample {
    f64 t;
    f64 e[3];
    f64 w[3];
    bool whole;
};

Sample sample(const f64* p, const f64* q, const f64* d, f64 t, f64 r)
{
    Sample s;
    s.t = t;
    const f64 a[3] = {p[0] + t * (q[0] - p[0]), p[1] + t * (q[1] - p[1]), p[2] + t * (q[2] - p[2])};
    s.whole = walk(1, a, d, r, s.e, s.w) == 0;
    return s;
}

// The walks between two samples where their directions part, up to 16
// parts between them. A walk that answered -2 (cut short, so its last
// direction says nothing of the surface) is not refined: no walks are put
// in beside it. The grid walk as built answers only 0, -1 and -3, so this
// is the walk's documented status kept for a walker that stops short.
void refine(const f64* p, const f64* q, const f64* d, f64 r, const Sample& a, const Sample& b, i32 depth,
            std::vector<V3>& out)
{
    if (depth < 4 && a.whole && b.whole && dot(a.w, b.w) < 0.9995) {
        const Sample m = sample(p, q, d, 0.5 * (a.t + b.t), r);
        refine(p, q, d, r, a, m, depth + 1, out);
        out.push_back({{m.e[0], m.e[1], m.e[2]}});
        refine(p, q, d, r, m, b, depth + 1, out);
    }
}

// The offset piece of the segment p-q (unit direction d, length len).
std::vector<V3> piece3d(const f64* p, const f64* q, const f64* d, f64 len, f64 r)
{
    const i32 n = std::max(1, static_cast<i32>(std::ceil(len / pk3_sample_step)));
    std::vector<V3> out;
    Sample prev = sample(p, q, d, 0.0, r);
    out.push_back({{prev.e[0], prev.e[1], prev.e[2]}});
    for (i32 k = 1; k <= n; ++k) {
        const Sample s = sample(p, q, d, static_cast<f64>(k) / n, r);
        refine(p, q, d, r, prev, s, 0, out);
        out.push_back({{s.e[0], s.e[1], s.e[2]}});
        prev = s;
    }
    return out;
}

// Crossing in plan of a-b and c-d: parameters on both.
bool cross2(const f64* a, const f64* b, const f64* c, const f64* d, f64& s, f64& t)
{
    const f64 ux = b[0] - a[0], uy = b[1] - a[1], vx = d[0] - c[0], vy = d[1] - c[1];
    const f64 den = ux * vy - uy * vx;
    if (std::fabs(den) < 1.0e-14) return false;
    const f64 wx = c[0] - a[0], wy = c[1] - a[1];
    s = (wx * vy - wy * vx) / den;
    t = (wx * uy - wy * ux) / den;
    return s >= 0.0 && s <= 1.0 && t >= 0.0 && t <= 1.0;
}

// The points that join piece A (of direction a) to piece B (of direction
// b) at a corner of the loop whose surface normal is n: squared off by r
// (two points) or met at one point on the open side. On the other side the
// pieces overlap; the loop they make is cut out afterwards.
void join(std::vector<V3>& A, std::vector<V3>& B, const f64* a, const f64* b, const f64* n, f64 r)
{
    f64 c[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
    f64 t = dot(c, n), d = dot(a, b);
    if (std::fabs(t) < 0.033) t = 0.0;
    if (d >= 0.9999) return;  // straight on
    if (t < 0.0) return;
    const f64 nb[3] = {-b[0], -b[1], -b[2]};
    f64 x1[3], x2[3];
    if (d < -0.08) {
        walk(0, A.back().p, a, r, x1, nullptr);
        walk(0, B.front().p, nb, r, x2, nullptr);
        A.push_back({{x1[0], x1[1], x1[2]}});
        A.push_back({{x2[0], x2[1], x2[2]}});
        return;
    }
    const f64 L = r * std::sqrt((1.0 - d) / (1.0 + d));
    walk(0, A.back().p, a, L, x1, nullptr);
    walk(0, B.front().p, nb, L, x2, nullptr);
    A.push_back({{0.5 * (x1[0] + x2[0]), 0.5 * (x1[1] + x2[1]), 0.5 * (x1[2] + x2[2])}});
}

f64 plan_area(const std::vector<V3>& p, size_t a, size_t b, const f64* x)
{
    // the closed polygon x, p[a..b], x
    f64 s = 0.0;
    const f64* prev = x;
    for (size_t k = a; k <= b + 1; ++k) {
        const f64* q = k <= b ? p[k].p : x;
        s += prev[0] * q[1] - q[0] * prev[1];
        prev = q;
    }
    return 0.5 * s;
}

// Cuts out the loops that the overlapping pieces of the inner side of
// corners make: a crossing of two segments no farther apart along the loop
// than 10 r + 2 whose loop turns against the whole loop.
void drop_reversed_loops(std::vector<V3>& p, f64 r)
{
    if (p.size() < 4) return;
    const f64 whole = plan_area(p, 1, p.size() - 1, p[0].p);
    const f64 reach = 10.0 * r + 2.0;
    for (size_t i = 0; i + 3 < p.size(); ++i) {
        f64 acc = 0.0;
        for (size_t j = i + 2; j + 1 < p.size() && acc <= reach; ++j) {
            acc += std::hypot(p[j].p[0] - p[j - 1].p[0], p[j].p[1] - p[j - 1].p[1]);
            f64 s = 0.0, t = 0.0;
            if (!cross2(p[i].p, p[i + 1].p, p[j].p, p[j + 1].p, s, t)) continue;
            V3 x;
            for (i32 k = 0; k < 3; ++k) x.p[k] = p[i].p[k] + s * (p[i + 1].p[k] - p[i].p[k]);
            if (plan_area(p, i + 1, j, x.p) * whole >= 0.0) continue;
            p.erase(p.begin() + static_cast<std::ptrdiff_t>(i) + 1, p.begin() + static_cast<std::ptrdiff_t>(j) + 1);
            p.insert(p.begin() + static_cast<std::ptrdiff_t>(i) + 1, x);
            j = i + 1;  // look again from the cut
            acc = 0.0;
        }
    }
}

// The loop's vertices (pocket coordinates) as the offset walks them: side
// below 0 takes them in reverse, so that the walks always go to the right
// of the way taken.
std::vector<V3> vertices(const pokarr& loop, i32 side)
{
    std::vector<V3> v;
    for (i32 k = 0; k < loop.count; ++k) {
        const i32 m = side < 0 ? loop.count - 1 - k : k;
        V3 p{{loop.x[m], loop.y[m], loop.dims >= 3 ? loop.z[m] : 0.0}};
        if (!v.empty()) {
            const f64* q = v.back().p;
            if (std::sqrt((p.p[0] - q[0]) * (p.p[0] - q[0]) + (p.p[1] - q[1]) * (p.p[1] - q[1]) +
                          (p.p[2] - q[2]) * (p.p[2] - q[2])) < pk3_min_seg)
                continue;  // merged into the next segment
        }
        v.push_back(p);
    }
    return v;
}

// The joined offset of the closed polygon v.
std::vector<V3> offset_polygon(const std::vector<V3>& v, f64 r)
{
    const size_t m = v.size() - 1;  // segments; v[m] repeats v[0]
    std::vector<std::vector<V3>> pieces(m);
    std::vector<std::array<f64, 3>> dirs(m);
    for (size_t s = 0; s < m; ++s) {
        f64 d[3] = {v[s + 1].p[0] - v[s].p[0], v[s + 1].p[1] - v[s].p[1], v[s + 1].p[2] - v[s].p[2]}, len = 0.0;
        pk_unit3(d, len);
        dirs[s] = {d[0], d[1], d[2]};
        pieces[s] = piece3d(v[s].p, v[s + 1].p, d, len, r);
    }
    for (size_t s = 0; s < m; ++s) {
        const size_t u = (s + 1) % m;
        f64 n[3] = {0.0, 0.0, 1.0}, z = 0.0;
        const f64 g[3] = {v[s + 1].p[0] + pokorigin[0], v[s + 1].p[1] + pokorigin[1], 0.0};
        i32 i = 0, j = 0, tri = 0, st = 0;
        grid_height(g, z, n, i, j, tri, st);
        if (st != 0) throw Fail{st};
        join(pieces[s], pieces[u], dirs[s].data(), dirs[u].data(), n, r);
    }
    // start in the middle of the longest piece, away from the corners
    size_t first = 0;
    for (size_t k = 1; k < m; ++k)
        if (pieces[k].size() > pieces[first].size()) first = k;
    const auto mid = pieces[first].begin() + static_cast<std::ptrdiff_t>(pieces[first].size() / 2);
    std::vector<V3> out(mid, pieces[first].end());
    for (size_t k = 1; k < m; ++k) {
        const auto& p = pieces[(first + k) % m];
        out.insert(out.end(), p.begin(), p.end());
    }
    out.insert(out.end(), pieces[first].begin(), mid + 1);
    drop_reversed_loops(out, r);
    // once more from the far side, for a corner at the loop's start
    const size_t h = out.size() / 2;
    std::vector<V3> turned(out.begin() + static_cast<std::ptrdiff_t>(h), out.end());
    turned.insert(turned.end(), out.begin() + 1, out.begin() + static_cast<std::ptrdiff_t>(h) + 1);
    drop_reversed_loops(turned, r);
    return turned;
}

}  // namespace

std::vector<std::array<f64, 3>> lup_append3d(const std::vector<std::array<f64, 3>>& pts)
{
    // repeats: within 1e-6 of the last kept point in every coordinate, while
    // the left-out run's squared length stays below the append threshold
    std::vector<std::array<f64, 3>> kept;
    f64 run = 0.0;
    for (const auto& p : pts) {
        if (!kept.empty()) {
            const auto& k = kept.back();
            const f64 dx = p[0] - k[0], dy = p[1] - k[1], dz = p[2] - k[2];
            if (std::fabs(dx) < 1.0e-6 && std::fabs(dy) < 1.0e-6 && std::fabs(dz) < 1.0e-6) {
                const f64 g = dx * dx + dy * dy + dz * dz;
                if (run + g < pk3_append_min) {
                    run += g;
                    continue;
                }
            }
        }
        run = 0.0;
        kept.push_back(p);
    }
    // points where the way goes straight on: the cross of the directions in
    // and out below 0.0005 with a dot not below 0
    std::vector<std::array<f64, 3>> out;
    for (size_t i = 0; i < kept.size(); ++i) {
        if (!out.empty() && i + 1 < kept.size()) {
            f64 u[3], v[3], lu = 0.0, lv = 0.0;
            for (i32 c = 0; c < 3; ++c) {
                u[c] = kept[i][static_cast<size_t>(c)] - out.back()[static_cast<size_t>(c)];
                v[c] = kept[i + 1][static_cast<size_t>(c)] - kept[i][static_cast<size_t>(c)];
            }
            pk_unit3(u, lu);
            pk_unit3(v, lv);
            if (lu > 0.0 && lv > 0.0) {
                const f64 cx = u[1] * v[2] - u[2] * v[1], cy = u[2] * v[0] - u[0] * v[2], cz = u[0] * v[1] - u[1] * v[0];
                if (std::sqrt(cx * cx + cy * cy + cz * cz) < 0.0005 && dot(u, v) >= 0.0) continue;
            }
        }
        out.push_back(kept[i]);
    }
    return out;
}

namespace {

// Writes the points into the result by the append rule and closes it.
void write(const std::vector<V3>& pts, pokarr& result)
{
    std::vector<std::array<f64, 3>> in;
    in.reserve(pts.size());
    for (const V3& p : pts) in.push_back({p.p[0], p.p[1], p.p[2]});
    const std::vector<std::array<f64, 3>> keep = lup_append3d(in);
    // A result that cannot grow ends the offset with the array's own status
    // (only the thinning and the smoothing answer 11).
    i32 ierr = 0;
    pokarr_clear(result, static_cast<i32>(keep.size()) + 1, ierr);
    if (ierr != 0) throw Fail{ierr};
    const f64 up[3] = {0.0, 0.0, 1.0};
    for (const auto& p : keep) {
        pokarr_add_pnt_nrm(p.data(), up, result, ierr);
        if (ierr != 0) throw Fail{ierr};
    }
    if (result.count > 0) {
        const f64 first[3] = {result.x[0], result.y[0], result.z[0]};
        pokarr_add_pnt_nrm(first, up, result, ierr);
        if (ierr != 0) throw Fail{ierr};
    }
}

}  // namespace

void lup_offset3d(const i32& side, const f64& distance, const pokarr& loop, pokarr& result, i32& status)
{
    status = 0;
    i32 ierr = 0;
    pokarr_clear(result, 1, ierr);
    if (loop.storage == PKS_EMPTY || loop.count < 1) {
        status = 1;
        return;
    }
    if ((loop.storage == PKS_STATIC && loop.count > PK_STATIC_MAX) || (loop.dims != 3 && loop.dims != 4)) {
        status = 11;
        return;
    }
    try {
        std::vector<V3> v = vertices(loop, side);
        if (v.size() < 4) {
            status = 1;
            return;
        }
        // closed: the last vertex repeats the first
        const f64* a = v.front().p;
        const f64* b = v.back().p;
        if (std::fabs(a[0] - b[0]) + std::fabs(a[1] - b[1]) + std::fabs(a[2] - b[2]) > pk3_point_tol)
            v.push_back(v.front());
        std::vector<V3> off = offset_polygon(v, distance);
        if (side < 0) std::reverse(off.begin(), off.end());  // the loop's own sense again
        write(off, result);
        if (result.count < 4) {
            status = 1;
            return;
        }
        // the chords between the walked points carried onto the surface
        lan_on_grid(0, result, nullptr, status);
        if (status != 0) return;
        // the final mapping: thinned, and carried onto the grid with a step
        f64 step = pk3_step_factor * distance;
        if (step > 0.5 * map_grid.cell) step = 0.5 * map_grid.cell;
        // The loop is thinned to the minimum segment length and closed, then
        // carried onto the grid with the step.
        if (step > pk3_point_tol) {
            pokarr_dilul(result, pk3_min_seg, nullptr, ierr);
            if (ierr != 0) throw Fail{11};
            if (result.count < 3) {
                result.count = 0;  // too few points for a loop: an empty result
                status = 1;
                return;
            }
            result.x[result.count - 1] = result.x[0];
            result.y[result.count - 1] = result.y[0];
            result.z[result.count - 1] = result.z[0];
        } else {
            step = pk3_point_tol;
        }
        // No corner smoothing against the contour offset parameter and no
        // second thinning follow here. The corners were already joined as
        // the plane offset joins them (squared off, met at one point, or cut
        // at their crossing), so no spike is left for a smoothing to take
        // out. Nor is the thinned loop thinned again with the step: points a
        // step apart are too few for a curved surface, and a bowl's offset
        // thinned so no longer keeps its distance along the surface (the
        // mapping below fills in only the fold crossings between the points
        // it is given); the loop goes to the mapping as thinned once.
        // The loop carried onto the grid with the step, whatever the repair
        // switch says: the thinned chords would otherwise cut through the
        // surface where it folds. The repair that the switch asks for (the
        // fold crossings between consecutive points put in) is what this
        // mapping fills in, so there is nothing more for it to run.
        lan_on_grid(2, result, &step, status);
        if (status != 0) return;
        status = result.count < 3 ? 1 : 0;
    } catch (const Fail& f) {
        status = f.status;
    }
}
