// Display recorder of the tool path display: registered display blocks with
// their attributes, points and pen strokes, the status-line field texts, the
// tool figure's moves, the views, the B-spline services the display uses and
// the simulation recording. Nothing is drawn; tests and the picture read what
// was kept.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <set>

#include "core/host.h"
#include "platform/norak/curvecalls.h"
#include "platform/norak/geometry.h"
#include "platform/norak/state.h"

namespace norak {
namespace {
using P3 = std::array<f32, 3>;

struct Curve {
    i32 k = 0, n = 0;
    std::vector<f64> knots, points;
    bool live = false;
};

struct TpDisplay {
    std::vector<DisplayBlock> blocks;
    // The keys of the blocks kept, each at most once (a block registered
    // again replaces the earlier one): a new key is told without a walk
    // over every block, thousands in a fine run.
    std::set<std::pair<i32, i32>> keys;
    i32 open = -1;  // index of the open display block, -1 none
    P3 pen{0, 0, 0};
    bool pen_known = false, lifted = true;
    i32 font = 4, colour = 7, pen_no = 1;
    bool blank = false, fast = false;
    // The next pen move follows an arc or a spline.
    bool arc = false;
    f32 arcdef[7] = {};
    i32 arcplane = 1;
    std::map<std::pair<i32, i32>, std::string> fields;
    std::vector<Recorded> recording;
    std::vector<std::array<f32, 9>> views{{1, 0, 0, 0, 1, 0, 0, 0, 1}};  // view 1: top
    std::vector<Curve> curves;
    i32 shown = 0;  // blocks the module reported as displayed
    std::vector<Registered> log;
};
TpDisplay& D() { return ext_state<TpDisplay>("tpdisplay"); }

DisplayBlock* open_block()
{
    TpDisplay& d = D();
    return d.open >= 0 && d.open < static_cast<i32>(d.blocks.size()) ? &d.blocks[static_cast<size_t>(d.open)] : nullptr;
}

void keep_attrs()
{
    if (DisplayBlock* b = open_block()) {
        b->font = D().font;
        b->colour = D().colour;
        b->pen = D().pen_no;
    }
}

// Takes the blocks of one key out of the blocks kept (the key set is the
// caller's).
void erase_blocks(TpDisplay& d, i32 key1, i32 key2)
{
    auto same = [&](const DisplayBlock& b) { return b.key1 == key1 && b.key2 == key2; };
    d.blocks.erase(std::remove_if(d.blocks.begin(), d.blocks.end(), same), d.blocks.end());
}

void open_new(i32 key1, i32 key2, bool drill)
{
    TpDisplay& d = D();
    if (!d.keys.insert({key1, key2}).second) erase_blocks(d, key1, key2);
    DisplayBlock b;
    b.key1 = key1;
    b.key2 = key2;
    b.drill = drill;
    b.font = d.font;
    b.colour = d.colour;
    b.pen = d.pen_no;
    d.blocks.push_back(b);
    d.open = static_cast<i32>(d.blocks.size()) - 1;
    d.log.push_back({key1, key2, 0});
    d.arc = false;
}

// Points of the pending arc from the pen to p (p itself excluded).
void arc_points(const P3& from, const P3& to, std::vector<P3>& out)
{
    TpDisplay& d = D();
    const f32* a = d.arcdef;
    const int u = d.arcplane == 2 ? 0 : d.arcplane == 1 ? 0 : 1;
    const int v = d.arcplane == 2 ? 2 : d.arcplane == 1 ? 1 : 2;
    const int w = 3 - u - v;
    const f64 step = std::fabs(a[2]) > 1e-6 ? std::fabs(a[2]) : M_PI / 18;
    const int n = std::clamp(static_cast<int>(std::ceil(std::fabs(a[1]) / step)), 1, 720);
    for (int k = 1; k < n; ++k) {
        const f64 t = static_cast<f64>(a[0]) + a[1] * k / n;
        P3 p;
        p[static_cast<size_t>(u)] = static_cast<f32>(a[3] + a[6] * std::cos(t));
        p[static_cast<size_t>(v)] = static_cast<f32>(a[4] + a[6] * std::sin(t));
        p[static_cast<size_t>(w)] = static_cast<f32>(from[static_cast<size_t>(w)] +
                                                     (to[static_cast<size_t>(w)] - from[static_cast<size_t>(w)]) * k / n);
        out.push_back(p);
    }
}

Curve* curve_of(i32 id)
{
    auto& c = D().curves;
    return id >= 1 && id <= static_cast<i32>(c.size()) && c[static_cast<size_t>(id - 1)].live ? &c[static_cast<size_t>(id - 1)]
                                                                                           : nullptr;
}

i32 record(const char* what, std::vector<f64> values)
{
    if (ext_state<std::string>("refused_recording") == what) return -1;
    D().recording.push_back({what, std::move(values)});
    return 0;
}
}  // namespace

const std::vector<DisplayBlock>& display_blocks() { return D().blocks; }

void refuse_recording(const std::string& what) { ext_state<std::string>("refused_recording") = what; }

std::string status_field(i32 line, i32 field)
{
    auto it = D().fields.find({line, field});
    return it == D().fields.end() ? "" : it->second;
}

void keep_status_field(i32 line, i32 field, const std::string& text) { D().fields[{line, field}] = text; }

i32 view_count() { return static_cast<i32>(D().views.size()); }

const std::vector<Recorded>& recording() { return D().recording; }

i32 blocks_displayed() { return D().shown; }
i32 blocks_flushed() { return ext_state<i32>("blocks_flushed"); }

const std::vector<Registered>& display_log() { return D().log; }
i32 registrations() { return static_cast<i32>(D().log.size()); }
i32 key_seen_at() { return H().key_seen; }

void set_display_blank(i32 blank) { D().blank = blank != 0; }

void delete_display_of_procedure(i32 number)
{
    TpDisplay& d = D();
    d.blocks.erase(std::remove_if(d.blocks.begin(), d.blocks.end(), [&](const DisplayBlock& b) { return b.key1 == number; }),
                   d.blocks.end());
    constexpr i32 lo = std::numeric_limits<i32>::min(), hi = std::numeric_limits<i32>::max();
    d.keys.erase(d.keys.lower_bound({number, lo}), d.keys.upper_bound({number, hi}));
    d.open = -1;
}

}  // namespace norak

using namespace norak;

void ncd_register_block(i32 key1, i32 key2) { open_new(key1, key2, false); }

void ncd_add_registered_drill_block(i32 key1, i32 key2)
{
    // A drill block adds to the display of its tool path block.
    DisplayBlock* b = open_block();
    if (b && b->key1 == key1 && b->key2 == key2) {
        b->drill = true;
        return;
    }
    open_new(key1, key2, true);
}

void ncd_delete_blocks(i32, const i32* table)
{
    TpDisplay& d = D();
    erase_blocks(d, table[1], table[2]);
    d.keys.erase({table[1], table[2]});
    d.open = -1;
}

i32 ncd_add_registered_block(const f32* point)
{
    DisplayBlock* b = open_block();
    if (!b) return 3;
    b->points.push_back({point[0], point[1], point[2]});
    if (!D().log.empty()) ++D().log.back().points;
    return 0;
}

i32 ncd_move_to(const f32* point)
{
    TpDisplay& d = D();
    DisplayBlock* b = open_block();
    const P3 p{point[0], point[1], point[2]};
    if (b) {
        // What is drawn while the attributes are set is hidden or rapid.
        b->blank = b->blank || d.blank;
        b->fast = b->fast || d.fast;
        if (d.pen_known) {
            if (d.lifted || b->strokes.empty()) b->strokes.push_back({d.pen});
            if (d.arc) arc_points(d.pen, p, b->strokes.back());
            b->strokes.back().push_back(p);
        }
    }
    d.arc = false;
    d.pen = p;
    d.pen_known = true;
    d.lifted = false;
    return b ? 0 : 1;
}

void moveto(const f32* point)
{
    TpDisplay& d = D();
    d.pen = {point[0], point[1], point[2]};
    d.pen_known = true;
    d.lifted = true;
}

i32 ncd_attr_list_to_int(i32 mask, i32 colour, i32 font, i32 pen)
{
    return (mask & ~0xFFFF) | ((colour & 0xFF) << 8) | ((font & 0xF) << 4) | (pen & 0xF);
}

void ncd_add_drill_attrs(i32 attrs)
{
    if (DisplayBlock* b = open_block()) b->drill_attrs = attrs;
}

void ncd_update_current_attrs(const i32* attrs)
{
    D().font = attrs[0];
    D().colour = attrs[1];
    D().pen_no = attrs[2];
    keep_attrs();
}

void setlf(const i32& font)
{
    D().font = font;
    keep_attrs();
}
void setclr(const i32& colour)
{
    D().colour = colour;
    keep_attrs();
}
void setpen(const i32& pen)
{
    D().pen_no = pen;
    keep_attrs();
}

void ncd_update_fast_blank_attribute(i32 on) { D().fast = on != 0; }

void ncd_update_arc_def(const f32* def, i32 plane)
{
    TpDisplay& d = D();
    std::memcpy(d.arcdef, def, sizeof d.arcdef);
    d.arcplane = plane;
    d.arc = true;
    if (DisplayBlock* b = open_block()) ++b->arcs;
}

void dparca(const i32&, const f32* arc, const i32& plane)
{
    // The arc from its start angle through its sweep, drawn as one stroke.
    TpDisplay& d = D();
    const int u = plane == 3 ? 1 : 0, v = plane == 1 ? 1 : 2, w = 3 - u - v;
    P3 start{0, 0, 0}, end{0, 0, 0};
    start[static_cast<size_t>(u)] = static_cast<f32>(arc[3] + arc[6] * std::cos(arc[0]));
    start[static_cast<size_t>(v)] = static_cast<f32>(arc[4] + arc[6] * std::sin(arc[0]));
    start[static_cast<size_t>(w)] = arc[5];
    end[static_cast<size_t>(u)] = static_cast<f32>(arc[3] + arc[6] * std::cos(arc[0] + arc[1]));
    end[static_cast<size_t>(v)] = static_cast<f32>(arc[4] + arc[6] * std::sin(arc[0] + arc[1]));
    end[static_cast<size_t>(w)] = arc[5];
    moveto(start.data());
    ncd_update_arc_def(arc, plane);
    ncd_move_to(end.data());
    (void)d;
}

void setdel(const f32& angle, const f32& step, i32& steps)
{
    const f64 s = std::fabs(step);
    steps = s > 1e-6 ? std::clamp(static_cast<i32>(std::ceil(std::fabs(angle) / s - 1e-6)), 1, 3600) : 1;
}
void setdel_nc(const f32& angle, const f32& step, i32& steps) { setdel(angle, step, steps); }

i32 ncd_update_spline_def(i32 k, i32 n, const f64*, const f64*)
{
    if (k < 2 || n < k) return 1;
    if (DisplayBlock* b = open_block()) ++b->splines;
    return 0;
}

void ncd_open_registered_tool_path(const f32* home)
{
    D().open = -1;
    moveto(home);
}
void ncd_update_current_vptr(i32) {}

i32 ncs_table_initialized() { return ext_state<i32>("ncs_table_init"); }
void ncs_table_init() { ext_state<i32>("ncs_table_init") = 1; }
void ncs_table_set_table_id(i32 id) { ext_state<i32>("ncs_table_id") = id; }
i32 ncs_table_get_table_id() { return ext_state<i32>("ncs_table_id"); }
void rdrint_int() { ++D().shown; }
void gstlgn2(const char* name) { ext_state<std::string>("tool_name") = std::string(name, strnlen(name, 20)); }
const std::string& norak::status_tool_name() { return ext_state<std::string>("tool_name"); }

void figmvx(const i32& figure, const f32* matrix, const f32* point, const f32&, const i32&)
{
    Host& h = H();
    if (figure < 1 || figure > static_cast<i32>(h.figures.size()) || h.figures[static_cast<size_t>(figure - 1)].deleted) {
        note("internal: FIGURE " + std::to_string(figure) + " DOES NOT EXIST");
        return;
    }
    Figure& f = h.figures[static_cast<size_t>(figure - 1)];
    std::memcpy(f.point, point, sizeof f.point);
    std::memcpy(f.rows, matrix, sizeof f.rows);
    // The columns of the orientation are the figure's axes.
    f.moves.push_back({point[0], point[1], point[2], matrix[2], matrix[5], matrix[8]});
}

void m3axis(const f32* axis, const f32& angle, f32* m)
{
    f64 a[3] = {axis[0], axis[1], axis[2]};
    const f64 l = std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]);
    if (l > 1e-12)
        for (f64& c : a) c /= l;
    const f64 c = std::cos(angle), s = std::sin(angle), t = 1 - c;
    const f64 r[9] = {t * a[0] * a[0] + c,        t * a[0] * a[1] - s * a[2], t * a[0] * a[2] + s * a[1],
                      t * a[0] * a[1] + s * a[2], t * a[1] * a[1] + c,        t * a[1] * a[2] - s * a[0],
                      t * a[0] * a[2] - s * a[1], t * a[1] * a[2] + s * a[0], t * a[2] * a[2] + c};
    for (int k = 0; k < 9; ++k) m[k] = static_cast<f32>(r[k]);
}

void m3def(const i32& axis, const f32& angle, f32* m)
{
    const f32 e[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    m3axis(e[std::clamp(axis, 1, 3) - 1], angle, m);
}

void updax(const f32* origin, const f32* axis, const f32&)
{
    char b[160];
    std::snprintf(b, sizeof b, "display: rotary axis at %g %g %g along %g %g %g", double(origin[0]), double(origin[1]),
                  double(origin[2]), double(axis[0]), double(axis[1]), double(axis[2]));
    note(b);
}

void trchk(const f32* matrix, i32& view)
{
    auto& v = D().views;
    for (size_t k = 0; k < v.size(); ++k) {
        bool same = true;
        for (int c = 0; c < 9; ++c) same = same && std::fabs(v[k][static_cast<size_t>(c)] - matrix[c]) < 1e-4f;
        if (same) {
            view = static_cast<i32>(k) + 1;
            return;
        }
    }
    // Rows that are not orthonormal fit no view.
    for (int r = 0; r < 3; ++r) {
        const f32* a = matrix + 3 * r;
        if (std::fabs(a[0] * a[0] + a[1] * a[1] + a[2] * a[2] - 1.0f) > 1e-3f) {
            view = -3;
            return;
        }
    }
    std::array<f32, 9> m;
    std::copy(matrix, matrix + 9, m.begin());
    v.push_back(m);
    view = static_cast<i32>(v.size());
}

void trget(const i32& view, f32* matrix)
{
    auto& v = D().views;
    const size_t k = view >= 1 && view <= static_cast<i32>(v.size()) ? static_cast<size_t>(view - 1) : 0;
    std::copy(v[k].begin(), v[k].end(), matrix);
}

void setwv(const i32& view)
{
    H().settings.view = view;
    note("display: working view " + std::to_string(view));
}
void wvputc(const char*, const f32&) {}
void wvsave() { note("display: working view " + std::to_string(H().settings.view) + " saved"); }
void setuap(const i32&, const f32&) {}

void norak::refuse_curve_call(const std::string& routine, i32 n) { arm_refusal("curve_refusals", routine, n); }

i32 norak::live_curves()
{
    return static_cast<i32>(std::count_if(D().curves.begin(), D().curves.end(), [](const Curve& c) { return c.live; }));
}

void evbcre_bsp(const i32& k, const i32& n, const f64* knots, const f64* points, const i32&, const i32&, i32& curve,
                i32& status)
{
    curve = 0;
    status = -1;
    if (due_refusal("curve_refusals", "evbcre_bsp", "curve: evbcre_bsp refused")) return;
    if (k < 2 || k > 16 || n < k || n > 100000) return;
    for (i32 i = 1; i < n + k; ++i)
        if (!(knots[i] >= knots[i - 1])) return;
    if (!(knots[n] > knots[k - 1])) return;
    Curve c;
    c.k = k;
    c.n = n;
    c.knots.assign(knots, knots + n + k);
    c.points.assign(points, points + 3 * n);
    c.live = true;
    D().curves.push_back(std::move(c));
    curve = static_cast<i32>(D().curves.size());
    status = 0;
}

void crvpld2(const i32& curve, const f32& tol, const i32& capacity, i32& count, f64* points, i32& status)
{
    count = 0;
    status = -1;
    if (due_refusal("curve_refusals", "crvpld2", "curve: crvpld2 refused")) return;
    Curve* c = curve_of(curve);
    if (!c || capacity < 2) return;
    // Even steps over the curve's range, as many as the tolerance asks for
    // the length of its control polygon, within the capacity.
    f64 len = 0;
    for (i32 i = 1; i < c->n; ++i) {
        f64 s = 0;
        for (int a = 0; a < 3; ++a) s += std::pow(c->points[size_t(3 * i + a)] - c->points[size_t(3 * i - 3 + a)], 2);
        len += std::sqrt(s);
    }
    const f64 t0 = c->knots[size_t(c->k - 1)], t1 = c->knots[size_t(c->n)];
    i32 m = static_cast<i32>(std::ceil(std::sqrt(len / std::max<f64>(tol, 1e-6)))) + 1;
    m = std::clamp(m, 2, capacity);
    for (i32 j = 0; j < m; ++j) {
        const f64 u = t0 + (t1 - t0) * j / (m - 1);
        bspline_point(c->k, c->n, c->knots.data(), c->points.data(), u, points + 3 * j);
    }
    count = m;
    status = 0;
}

void evbget_bsp(const i32& curve, i32& k, i32& n, f64* knots, f64* points, const i32& capacity, i32& status)
{
    status = -1;
    Curve* c = curve_of(curve);
    if (!c || c->n > capacity || c->n + c->k > capacity + 16) return;
    k = c->k;
    n = c->n;
    std::copy(c->knots.begin(), c->knots.end(), knots);
    std::copy(c->points.begin(), c->points.end(), points);
    status = 0;
}

void evbfre(const i32& curve)
{
    if (curve > CUBIC_CURVES) {  // a cubic curve object of the spline services
        i32 handle = curve;
        evbfre(handle);
        return;
    }
    if (Curve* c = curve_of(curve)) {
        c->live = false;
        c->knots.clear();
        c->points.clear();
    }
}

void evbrng(const i32& curve, f64& t0, f64& t1, i32& status)
{
    status = -1;
    Curve* c = curve_of(curve);
    if (!c) return;
    t0 = c->knots[size_t(c->k - 1)];
    t1 = c->knots[size_t(c->n)];
    status = 0;
}

void evbcrv(const i32& curve, const f64& t, f64* point, i32& status)
{
    status = -1;
    Curve* c = curve_of(curve);
    if (!c || !(t >= c->knots[size_t(c->k - 1)]) || !(t <= c->knots[size_t(c->n)])) return;
    bspline_point(c->k, c->n, c->knots.data(), c->points.data(), t, point);
    status = 0;
}

void cptcrv2(const i32& curve, const f64* p, f64& t, f64* closest, f64& dist2, i32& status)
{
    status = -1;
    if (norak::call_fails("cptcrv2")) return;
    Curve* c = curve_of(curve);
    if (!c) return;
    auto d2 = [&](f64 u, f64* q) {
        bspline_point(c->k, c->n, c->knots.data(), c->points.data(), u, q);
        return (q[0] - p[0]) * (q[0] - p[0]) + (q[1] - p[1]) * (q[1] - p[1]) + (q[2] - p[2]) * (q[2] - p[2]);
    };
    // Every knot span sampled, then the bracket around the nearest sample
    // narrowed by golden section.
    std::vector<f64> ts;
    for (i32 s = c->k - 1; s < c->n; ++s) {
        const f64 a = c->knots[size_t(s)], b = c->knots[size_t(s + 1)];
        if (b > a)
            for (i32 j = 0; j < 16; ++j) ts.push_back(a + (b - a) * j / 16.0);
    }
    ts.push_back(c->knots[size_t(c->n)]);
    f64 q[3], best = 1e300;
    size_t bi = 0;
    for (size_t i = 0; i < ts.size(); ++i) {
        const f64 v = d2(ts[i], q);
        if (v < best) best = v, bi = i;
    }
    f64 lo = ts[bi > 0 ? bi - 1 : 0], hi = ts[std::min(bi + 1, ts.size() - 1)];
    const f64 g = 0.5 * (std::sqrt(5.0) - 1.0);
    f64 x1 = hi - g * (hi - lo), x2 = lo + g * (hi - lo), f1 = d2(x1, q), f2 = d2(x2, q);
    for (i32 j = 0; j < 80 && hi - lo > 1e-15; ++j) {
        if (f1 < f2) {
            hi = x2, x2 = x1, f2 = f1;
            x1 = hi - g * (hi - lo), f1 = d2(x1, q);
        } else {
            lo = x1, x1 = x2, f1 = f2;
            x2 = lo + g * (hi - lo), f2 = d2(x2, q);
        }
    }
    t = 0.5 * (lo + hi);
    dist2 = d2(t, q);
    if (best < dist2) t = ts[bi], dist2 = d2(t, q);
    std::copy(q, q + 3, closest);
    status = 0;
}

namespace {
// Inserts the knot t into a B-spline of order k (n control points of dim
// coordinates, n + k knots) once (Boehm); n grows by one.
void insert_knot(i32 k, i32& n, f64* U, f64* P, i32 dim, f64 t)
{
    const i32 p = k - 1;
    i32 s = k - 1;
    while (s < n - 1 && U[s + 1] <= t) ++s;
    std::vector<f64> Q(static_cast<size_t>((n + 1) * dim));
    for (i32 i = 0; i <= n; ++i)
        for (i32 d = 0; d < dim; ++d) {
            f64 v;
            if (i <= s - p)
                v = P[i * dim + d];
            else if (i >= s + 1)
                v = P[(i - 1) * dim + d];
            else {
                const f64 a = (t - U[i]) / (U[i + p] - U[i]);
                v = (1.0 - a) * P[(i - 1) * dim + d] + a * P[i * dim + d];
            }
            Q[static_cast<size_t>(i * dim + d)] = v;
        }
    for (i32 j = n + k; j > s + 1; --j) U[j] = U[j - 1];
    U[s + 1] = t;
    ++n;
    std::copy(Q.begin(), Q.end(), P);
}

i32 multiplicity(const f64* U, i32 count, f64 t)
{
    i32 m = 0;
    for (i32 i = 0; i < count; ++i) m += U[i] == t ? 1 : 0;
    return m;
}
}  // namespace

void bcrtrme(const i32& k, i32& n, f64* knots, f64* points, const i32& dim, const f64& t0, const f64& t1,
             i32& status)
{
    status = -1;
    if (k < 2 || n < k || dim < 1 || !(t0 < t1) || !(t0 >= knots[k - 1]) || !(t1 <= knots[n])) return;
    // Each end made a knot of multiplicity k - 1 inside the range: the
    // curve there is a control point, and the piece between stands alone.
    for (const f64 t : {t0, t1})
        if (t > knots[k - 1] && t < knots[n])
            for (i32 m = multiplicity(knots, n + k, t); m < k - 1; ++m) insert_knot(k, n, knots, points, dim, t);
    i32 first = 0, last = n - 1;
    if (t0 > knots[k - 1]) {
        while (knots[first] != t0) ++first;
        first -= 1;
    }
    if (t1 < knots[n]) {
        last = 0;
        while (knots[last] != t1) ++last;
        last -= 1;
    }
    std::vector<f64> U;
    for (i32 i = 0; i < k; ++i) U.push_back(t0);
    for (i32 i = 0; i < n + k; ++i)
        if (knots[i] > t0 && knots[i] < t1) U.push_back(knots[i]);
    for (i32 i = 0; i < k; ++i) U.push_back(t1);
    const i32 count = last - first + 1;
    if (count < k || static_cast<i32>(U.size()) != count + k) return;
    std::copy(points + first * dim, points + (last + 1) * dim, points);
    std::copy(U.begin(), U.end(), knots);
    n = count;
    status = 0;
}

void srfdds(f32& tol) { tol = H().settings.display_tolerance; }

i32 mrm_tpmov(const f32* p, i32 number) { return record("move", {p[0], p[1], p[2], f64(number)}); }
i32 mrm_feed(f32 feed) { return record("feed", {feed}); }
i32 mrm_spin(f32 speed, i32 mode, i32 spindle) { return record("spin", {speed, f64(mode), f64(spindle)}); }
i32 mrm_cool(i32 code) { return record("cool", {f64(code)}); }
i32 mrm_org(const f32* o, i32 view, f32 value) { return record("org", {o[0], o[1], o[2], f64(view), value}); }
i32 mrm_tppar(const f32* v, i32 symbol, const f32* p, i32 tool)
{
    return record("tool", {v[0], v[1], v[2], v[3], v[4], f64(symbol), p[0], p[1], p[2], f64(tool)});
}
i32 mrm_tptype(i32 machine, const char*) { return record("type", {f64(machine)}); }
i32 mrm_ijk(const f32* d) { return record("ijk", {d[0], d[1], d[2]}); }
