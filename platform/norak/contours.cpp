// Polygons and contours of the stand-in host: nesting, area and turning of
// polygons, the touch test, contour definitions over the curve entities,
// polyline curves, and the selection of contours by criteria (from the
// contours a session or test declares as found).
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "core/host.h"
#include "platform/norak/geometry.h"
#include "platform/norak/state.h"

namespace norak {
namespace {

struct CritState {
    std::vector<std::vector<i32>> found;  // criteria contours: (curve id, reversed) pairs
    CntDelFn del = nullptr;
    bool deletes = true;  // a deletion by order number calls the module back
    i32* count = nullptr;
    i32 *first = nullptr, *last = nullptr, *pos = nullptr, *kind = nullptr, *order = nullptr, *selected = nullptr;
    i32* elems = nullptr;
    i32 capacity = 0;
    i32 last_found = 0;  // contours found by the last search
    std::vector<size_t> last_index;  // which criteria contours they were
};
CritState& C() { return ext_state<CritState>("contours"); }

// Points of one curve element in the element's direction (x, y, z), arcs
// cut into chords within tol.
bool curve_points(i32 id, i32 reversed, f64 tol, std::vector<f64>& out)
{
    f64 t0 = 0.0, t1 = 0.0;
    i32 st = 0;
    crvrng(id, t0, t1, st);
    if (st != 0) return false;
    const Entity& e = H().entities[id];
    i32 n = 1;
    if (e.type == CRV_ARC) {
        std::vector<f64> d(e.words.size() / 2);
        std::memcpy(d.data(), e.words.data(), d.size() * 8);
        f64 r = d[9], sweep = std::fabs(t1 - t0) * M_PI / 180.0;
        f64 c = tol > 0.0 && tol < 2.0 * r ? 1.0 - tol / r : -1.0;
        f64 step = 2.0 * std::acos(std::clamp(c, -1.0, 1.0));
        n = step > 0.0 ? static_cast<i32>(std::ceil(sweep / step)) : 1;
        n = std::clamp(n, 1, 720);
    } else if (e.type == CRV_BSPLINE) {
        n = 32;
    }
    std::vector<f64> pts;
    for (i32 k = 0; k <= n; ++k) {
        f64 t = t0 + (t1 - t0) * k / n, o[6];
        evcrv(id, t, o, st);
        if (st != 0) return false;
        pts.insert(pts.end(), {o[0], o[1], o[2]});
    }
    if (reversed)
        for (size_t a = 0, b = pts.size() / 3 - 1; a < b; ++a, --b)
            for (int c2 = 0; c2 < 3; ++c2) std::swap(pts[3 * a + c2], pts[3 * b + c2]);
    out = pts;
    return true;
}

// The chained points of a definition; false for a bad one.
bool chain(const i32* def, f64 tol, std::vector<f64>& xyz)
{
    xyz.clear();
    if (!def || def[0] < 1) return false;
    // A contour defined in a view's plane gives its points in that view's
    // coordinates (the view's axes are the rows of its matrix).
    f32 view[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    if (def[1] > 0) trget(def[1], view);
    for (i32 k = 0; k < def[0]; ++k) {
        std::vector<f64> p;
        if (!curve_points(def[2 + 2 * k], def[3 + 2 * k], tol, p)) return false;
        if (def[1] > 0)
            for (size_t m = 0; m + 2 < p.size(); m += 3) {
                const f64 w[3] = {p[m], p[m + 1], p[m + 2]};
                for (int r = 0; r < 3; ++r) p[m + r] = view[3 * r] * w[0] + view[3 * r + 1] * w[1] + view[3 * r + 2] * w[2];
            }
        for (size_t m = 0; m < p.size() / 3; ++m) {
            size_t n = xyz.size() / 3;
            if (n > 0 && std::fabs(xyz[3 * n - 3] - p[3 * m]) < 1e-9 && std::fabs(xyz[3 * n - 2] - p[3 * m + 1]) < 1e-9)
                continue;
            xyz.insert(xyz.end(), {p[3 * m], p[3 * m + 1], p[3 * m + 2]});
        }
    }
    return !xyz.empty();
}

bool closes(const i32* def)
{
    std::vector<f64> p;
    if (!chain(def, 0.01, p) || p.size() < 9) return false;
    size_t n = p.size() / 3;
    return std::hypot(p[0] - p[3 * n - 3], p[1] - p[3 * n - 2]) < 1e-4;
}

f64 area2(const f32* pts, i32 n)
{
    f64 s = 0.0;
    for (i32 k = 0; k < n; ++k) {
        i32 j = (k + 1) % n;
        s += static_cast<f64>(pts[2 * k]) * pts[2 * j + 1] - static_cast<f64>(pts[2 * j]) * pts[2 * k + 1];
    }
    return s / 2.0;
}

// A curve entity of the type whose words hold the doubles d; its id.
i32 add_curve(i32 type, const std::vector<f64>& d)
{
    Entity e;
    e.cls = CRV_CLASS;
    e.type = type;
    e.words.resize(d.size() * 2);
    std::memcpy(e.words.data(), d.data(), d.size() * 8);
    return add_entity(e);
}

}  // namespace

void set_crit_contours(const std::vector<std::vector<i32>>& contours) { C().found = contours; }
void set_crit_deletes(bool on) { C().deletes = on; }

}  // namespace norak

using namespace norak;

void polson(const i32& n, const i32* counts, const f32* pts, i32* sons, i32& work, i32& status)
{
    status = 0;
    work = 0;
    std::vector<size_t> start(static_cast<size_t>(std::max(n, 0)) + 1, 0);
    for (i32 k = 0; k < n; ++k) start[static_cast<size_t>(k) + 1] = start[static_cast<size_t>(k)] + std::max(counts[k], 0);
    for (i32 i = 0; i < n; ++i) {
        i32* row = sons + static_cast<size_t>(i) * (n + 1);
        row[0] = 0;
        std::vector<f64> xy;
        for (size_t m = start[static_cast<size_t>(i)]; m < start[static_cast<size_t>(i) + 1]; ++m)
            xy.insert(xy.end(), {pts[2 * m], pts[2 * m + 1]});
        for (i32 j = 0; j < n; ++j) {
            if (j == i || counts[j] < 1) continue;
            const f32* q = pts + 2 * start[static_cast<size_t>(j)];
            if (point_in_poly(xy.data(), xy.size() / 2, 2, q[0], q[1], 0.0) == 1) row[++row[0]] = j;
        }
    }
}

void plarea(const f32* pts, const i32& n, f32& area) { area = n >= 3 ? static_cast<f32>(area2(pts, n)) : 0.0f; }

i32 polccw(const f32* pts, const i32& n)
{
    if (n < 3) return -1;
    f64 a = area2(pts, n);
    if (std::fabs(a) < 1e-12) return -1;
    return a > 0.0 ? 0 : 1;
}

void tchptpol(const i32& mode, const f64& tol, const f64* pts, const i32& n, const f64* p, i32& answer)
{
    answer = 0;
    i32 edges = mode == 2 ? n : n - 1;
    for (i32 k = 0; k < edges; ++k) {
        i32 j = (k + 1) % n;
        f64 ax = pts[2 * k], ay = pts[2 * k + 1], dx = pts[2 * j] - ax, dy = pts[2 * j + 1] - ay;
        f64 l2 = dx * dx + dy * dy, s = l2 > 0.0 ? std::clamp(((p[0] - ax) * dx + (p[1] - ay) * dy) / l2, 0.0, 1.0) : 0.0;
        if (std::hypot(ax + s * dx - p[0], ay + s * dy - p[1]) <= std::fabs(tol)) {
            answer = 1;
            return;
        }
    }
}

i32 dfcgld(const i32* def) { return def && def[0] > 0 ? 1 + def[0] : 1; }
i32 dfdgnc(const i32* def) { return def && def[0] > 0 ? def[0] : 0; }
i32 dfdgoc(const i32* def) { return closes(def) ? 1 : 0; }

void dfdget(const i32* def, const i32&, const i32& k, i32& id, f64* vec, i32& status)
{
    status = -1;
    id = 0;
    vec[0] = vec[1] = vec[2] = 0.0;
    if (!def || k < 1 || k > def[0]) return;
    id = def[2 * k];
    // An element naming a surface stands for the loops of a face: it has no
    // direction of its own, so its vector is (0, 0, 0).
    auto e = H().entities.find(id);
    if (e != H().entities.end() && e->second.cls == ESRF_CLASS) {
        status = 0;
        return;
    }
    f64 t0 = 0.0, t1 = 0.0, o[6];
    i32 st = 0;
    crvrng(id, t0, t1, st);
    if (st == 0) evcrv(id, def[2 * k + 1] ? t1 : t0, o, st);
    if (st != 0) {
        id = 0;
        return;
    }
    f64 sign = def[2 * k + 1] ? -1.0 : 1.0, l = std::sqrt(o[3] * o[3] + o[4] * o[4] + o[5] * o[5]);
    if (l > 0.0)
        for (int c = 0; c < 3; ++c) vec[c] = sign * o[3 + c] / l;
    status = 0;
}

void dfcpol(const i32* def, const f64& tol, const i32& capacity, f32* pts, i32& n)
{
    std::vector<f64> p;
    n = 0;
    if (!chain(def, tol > 0.0 ? tol : 0.01, p)) return;
    i32 m = static_cast<i32>(p.size() / 3);
    if (m > capacity) {
        n = -2;
        return;
    }
    for (i32 k = 0; k < m; ++k) {
        pts[2 * k] = static_cast<f32>(p[3 * k]);
        pts[2 * k + 1] = static_cast<f32>(p[3 * k + 1]);
    }
    n = m;
}

void crcmpl(const i32& n, const f64* pts, i32& id, i32& status)
{
    id = 0;
    status = -1;
    if (n < 2 || alloc_fails()) return;
    std::vector<f64> d{1.0, f64(n), 0.0, 0.0};
    for (i32 k = 1; k <= n - 2; ++k) d.push_back(k);
    d.insert(d.end(), {f64(n - 1), f64(n - 1)});
    for (i32 k = 0; k < n; ++k) d.insert(d.end(), {pts[3 * k], pts[3 * k + 1], pts[3 * k + 2], 1.0});
    id = add_curve(CRV_BSPLINE, d);
    status = 0;
}

void crvplc(const i32& mode, const i32& id, f64* point, i32& status)
{
    status = -1;
    auto it = H().entities.find(id);
    if (it == H().entities.end() || it->second.cls != CRV_CLASS || (mode != 1 && mode != 2)) return;
    Entity& e = it->second;
    std::vector<f64> d(e.words.size() / 2);
    std::memcpy(d.data(), e.words.data(), d.size() * 8);
    // where the x of the placement point and of every point moving with it lie
    std::vector<size_t> at;
    switch (e.type) {
    case CRV_LINE: at = {0, 3}; break;
    case CRV_ARC: at = {0}; break;
    case CRV_BSPLINE: {
        if (d.size() < 2) return;
        const size_t p = static_cast<size_t>(d[0]), n = static_cast<size_t>(d[1]), base = 2 + n + p + 1;
        for (size_t k = 0; k < n; ++k) at.push_back(base + 4 * k);
        break;
    }
    default: return;
    }
    if (at.empty() || d.size() < at.back() + 3) return;
    if (mode == 1) {
        for (size_t c = 0; c < 3; ++c) point[c] = d[at[0] + c];
        status = 0;
        return;
    }
    const f64 by[3] = {point[0] - d[at[0]], point[1] - d[at[0] + 1], point[2] - d[at[0] + 2]};
    for (size_t a : at)
        for (size_t c = 0; c < 3; ++c) d[a + c] += by[c];
    std::memcpy(e.words.data(), d.data(), d.size() * 8);
    status = 0;
}

void crarc(const f64* centre, const f64* normal, const f64& radius, const f64& a0, const f64& a1, i32& id,
           i32& status)
{
    id = 0;
    status = -1;
    const f64 ln = std::sqrt(normal[0] * normal[0] + normal[1] * normal[1] + normal[2] * normal[2]);
    if (!(radius > 0.0) || !(ln > 0.0) || !std::isfinite(a0) || !std::isfinite(a1) || alloc_fails()) return;
    const f64 n[3] = {normal[0] / ln, normal[1] / ln, normal[2] / ln};
    // the plane's x axis: the world x axis laid into the plane (y when the
    // normal runs nearly along x), its y axis the normal across it
    f64 r[3] = {1, 0, 0};
    if (std::fabs(n[0]) > 0.9) r[0] = 0, r[1] = 1;
    const f64 dot = r[0] * n[0] + r[1] * n[1] + r[2] * n[2];
    f64 x[3] = {r[0] - dot * n[0], r[1] - dot * n[1], r[2] - dot * n[2]};
    const f64 lx = std::sqrt(x[0] * x[0] + x[1] * x[1] + x[2] * x[2]);
    for (f64& v : x) v /= lx;
    const f64 y[3] = {n[1] * x[2] - n[2] * x[1], n[2] * x[0] - n[0] * x[2], n[0] * x[1] - n[1] * x[0]};
    const std::vector<f64> d = {centre[0], centre[1], centre[2], x[0], x[1], x[2], y[0], y[1], y[2], radius, a0, a1};
    id = add_curve(CRV_ARC, d);
    status = 0;
}

// ------------------------------------------------------- selection by criteria

void set_pdel_callback(CntDelFn fn) { C().del = fn; }
void num_cont_gs(const i32& mode, i32& n)
{
    if (mode == 1) n = C().count ? *C().count : 0;
}
void geomask_id_init(i32& id) { id = 1; }
void geomask_id_rls(const i32&) {}
void geotype_gs(const i32&, i32&) {}
void multi_cnt_lst_init_mulcnt(i32& list) { list = 1; }
void multi_lst_destroy(const i32&) {}

void pkt_set_to_main(i32* count, i32* first, i32* last, i32* pos, i32* kind, i32* order, i32* selected)
{
    CritState& c = C();
    c.count = count;
    c.first = first;
    c.last = last;
    c.pos = pos;
    c.kind = kind;
    c.order = order;
    c.selected = selected;
}

void prf_set_to_main(i32* count, i32* first, i32* last, i32* pos, i32* kind, i32* order, i32* selected)
{
    pkt_set_to_main(count, first, last, pos, kind, order, selected);
}

void arrows_buf_set_to_main(i32*) {}

void cntbuf_set_to_main(i32* elems, const i32& capacity, i32*, i32*)
{
    C().elems = elems;
    C().capacity = capacity;
}

void geomsk_search_curves(const i32&, i32& status) { status = 0; }

void find_cont_by_crit(const i32& kind, i32& status)
{
    CritState& c = C();
    status = 0;
    c.last_found = 0;
    c.last_index.clear();
    if (!c.count || !c.elems) {
        status = -1;
        return;
    }
    for (size_t f = 0; f < c.found.size(); ++f) {
        const std::vector<i32>& pairs = c.found[f];
        std::vector<i32> def{static_cast<i32>(pairs.size() / 2), 0};
        def.insert(def.end(), pairs.begin(), pairs.end());
        bool closed = closes(def.data());
        if ((kind == 2) != closed) continue;
        ++c.last_found;
        c.last_index.push_back(f);
        // Listed already (the same curves): marked selected.
        i32 at = -1, next = 1, next_order = 1;
        for (i32 k = 0; k < *c.count; ++k) {
            const i32* d = c.elems + 2 * (c.pos[k] - 1);
            if (d[0] == def[0] && std::equal(def.begin() + 2, def.end(), d + 2)) at = k;
            next = std::max(next, c.pos[k] + 1 + d[0]);
            next_order = std::max(next_order, c.order[k] + 1);
        }
        if (at >= 0) {
            c.selected[at] = 1;
            continue;
        }
        i32 k = *c.count;
        if (k >= 700 || next - 1 + static_cast<i32>(def.size() / 2) > c.capacity) {
            status = -1;
            return;
        }
        std::copy(def.begin(), def.end(), c.elems + 2 * (next - 1));
        c.first[k] = 0;
        c.last[k] = -1;
        c.pos[k] = next;
        c.kind[k] = closed ? 2 : 1;
        c.order[k] = next_order;
        c.selected[k] = 1;
        ++*c.count;
    }
}

void get_num_cnt(i32& n) { n = C().last_found; }

i32 compare_cnt(const i32* work, const i32& n, const i32& first, const i32& last, const i32& index)
{
    const CritState& c = C();
    if (index < 0 || static_cast<size_t>(index) >= c.last_index.size()) return 0;
    const std::vector<i32>& pairs = c.found[c.last_index[static_cast<size_t>(index)]];
    i32 m = static_cast<i32>(pairs.size() / 2);
    // A closed contour that starts and ends on the same curve has that curve
    // once; an open contour has no closing curve and counts every element.
    std::vector<i32> def{m, 0};
    def.insert(def.end(), pairs.begin(), pairs.end());
    if (m > 1 && pairs[0] == pairs[2 * (m - 1)] && closes(def.data())) --m;
    (void)work;
    return m == n && pairs[0] == first && pairs[pairs.size() - 2] == last ? 1 : 0;
}

void prfdel_by_OrderNum(const i32& order)
{
    if (C().del && C().deletes) C().del(order);
}
void pktdel_by_OrderNum(const i32& order) { prfdel_by_OrderNum(order); }

void ncs_explode_solbuf_to_wfbuf(i32& status) { status = 0; }
void fill_cnt_buf(i32& status) { status = 0; }
void ncs_explode_loop_to_wfbuf(i32* def, const i32&, i32& n, i32& status)
{
    n = def ? def[0] : 0;
    status = 0;
}
void dfdput(const i32*, const i32&, i32& status) { status = 0; }

i32 gncalw() { return 1; }
