// Shared helpers of the pocket tests: a fresh engine, loops built from lines
// and arcs, dense chords of a loop, random loops, and GEOS as the oracle.
#pragma once

#include <geos_c.h>
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "cleanup/mapgrid.h"
#include "core/modflg.h"
#include "platform/norak/norak.h"
#include "pocket/luptab.h"
#include "pocket/pkgeom.h"
#include "pocket/pokarr.h"
#include "pocket/pokmain.h"
#include "pocket/pokvals.h"
#include "pocket/selfint.h"
#include "tests/common/hostreset.h"

namespace pk {

// A fresh host and pocket engine.
inline void fresh()
{
    DELREL();
    pkdm_rel_all();
    i32 st = 0;
    POKREL(1, st);
    lup_box_close();
    hostreset::empty_host();
    pkvals_reset();
    lup_reset();
    map_grid_clear();
    set_grid_mode(1);
    MFLST3(0);  // contours loaded without arc fitting
}

struct P {
    f64 x, y;
};

// A loop built entry by entry: points and arcs (marker, radius and
// direction, centre, end).
struct Loop {
    std::vector<f64> x, y;
    Loop& pt(f64 px, f64 py)
    {
        x.push_back(px);
        y.push_back(py);
        return *this;
    }
    // An arc from the last point about (cx, cy) to (ex, ey); the radius is
    // the distance of the last point from the centre.
    Loop& arc(f64 ex, f64 ey, f64 cx, f64 cy, i32 dir)
    {
        f64 r = std::hypot(x.back() - cx, y.back() - cy);
        x.insert(x.end(), {PK_ARC_MARK, r, cx, ex});
        y.insert(y.end(), {0.0, static_cast<f64>(dir), cy, ey});
        return *this;
    }
    Loop& close() { return pt(x.front(), y.front()); }
    i32 n() const { return static_cast<i32>(x.size()); }
};

// A pool pocket array holding the loop.
inline pokarr make(const Loop& l, i32 dims = 2)
{
    pokarr a;
    i32 st = 0;
    pokarr_init_dyn(dims, l.n() > 0 ? l.n() : 1, a, st);
    for (i32 k = 0; k < l.n(); ++k) {
        a.x[k] = l.x[static_cast<size_t>(k)];
        a.y[k] = l.y[static_cast<size_t>(k)];
        if (dims >= 3) a.z[k] = 0.0;
        if (dims == 4) {
            a.vec[3 * k] = a.vec[3 * k + 1] = 0.0;
            a.vec[3 * k + 2] = 1.0;
        }
    }
    a.count = l.n();
    return a;
}

inline Loop square(f64 x0, f64 y0, f64 s, bool ccw = true)
{
    Loop l;
    if (ccw)
        l.pt(x0, y0).pt(x0 + s, y0).pt(x0 + s, y0 + s).pt(x0, y0 + s).close();
    else
        l.pt(x0, y0).pt(x0, y0 + s).pt(x0 + s, y0 + s).pt(x0 + s, y0).close();
    return l;
}

// The loop as points, arcs cut into chords of at most `step` radians, at
// least `least` of them (each chord then cut into `mult` equal parts).
inline std::vector<P> dense(const pokarr& a, f64 step = 0.01, i32 mult = 1, i32 least = 1)
{
    std::vector<P> out;
    for (i32 k = 0; k < a.count; ++k) {
        if (pk_arc_at(a.x[k]) && k + 3 < a.count && k > 0) {
            f64 r = a.x[k + 1], cx = a.x[k + 2], cy = a.y[k + 2];
            i32 dir = a.y[k + 1] < 0.0 ? -1 : 1;
            f64 sw = pk_arc_sweep(dir, cx, cy, a.x[k - 1], a.y[k - 1], a.x[k + 3], a.y[k + 3]);
            f64 as = std::atan2(a.y[k - 1] - cy, a.x[k - 1] - cx);
            i32 n = std::max(static_cast<i32>(std::ceil(sw / step)), least) * mult;
            for (i32 m = 1; m < n; ++m) {
                long double t = as + dir * static_cast<long double>(sw) * m / n;
                out.push_back({static_cast<f64>(cx + r * std::cos(t)), static_cast<f64>(cy + r * std::sin(t))});
            }
            out.push_back({a.x[k + 3], a.y[k + 3]});
            k += 3;
            continue;
        }
        out.push_back({a.x[k], a.y[k]});
    }
    return out;
}

// Signed area of a closed point list.
inline long double shoelace(const std::vector<P>& p)
{
    long double s = 0.0L;
    for (size_t k = 0; k + 1 < p.size(); ++k)
        s += static_cast<long double>(p[k].x) * p[k + 1].y - static_cast<long double>(p[k + 1].x) * p[k].y;
    return s / 2.0L;
}

// Signed area of a pocket array from its own area and direction.
inline f64 signed_area(pokarr& a)
{
    a.direction = 0;
    pokarr_area(a);
    return a.area * a.direction;
}

// ------------------------------------------------------------------ GEOS

struct Geos {
    GEOSContextHandle_t h;
    Geos() : h(GEOS_init_r()) {}
    ~Geos() { GEOS_finish_r(h); }
    Geos(const Geos&) = delete;

    GEOSCoordSequence* seq(const std::vector<P>& p)
    {
        GEOSCoordSequence* s = GEOSCoordSeq_create_r(h, static_cast<unsigned>(p.size()), 2);
        for (size_t k = 0; k < p.size(); ++k) GEOSCoordSeq_setXY_r(h, s, static_cast<unsigned>(k), p[k].x, p[k].y);
        return s;
    }
    GEOSGeometry* line(const std::vector<P>& p) { return GEOSGeom_createLineString_r(h, seq(p)); }
    GEOSGeometry* ring(const std::vector<P>& p) { return GEOSGeom_createLinearRing_r(h, seq(p)); }
    GEOSGeometry* polygon(const std::vector<P>& p) { return GEOSGeom_createPolygon_r(h, ring(p), nullptr, 0); }
    GEOSGeometry* point(f64 x, f64 y) { return GEOSGeom_createPointFromXY_r(h, x, y); }
    f64 area(const GEOSGeometry* g)
    {
        double a = 0.0;
        GEOSArea_r(h, g, &a);
        return a;
    }
    f64 distance(const GEOSGeometry* a, const GEOSGeometry* b)
    {
        double d = 0.0;
        GEOSDistance_r(h, a, b, &d);
        return d;
    }
    void free(GEOSGeometry* g) { GEOSGeom_destroy_r(h, g); }
    // The points of a geometry (a point, multipoint or collection of points).
    std::vector<P> points(const GEOSGeometry* g)
    {
        std::vector<P> out;
        i32 n = GEOSGetNumGeometries_r(h, g);
        for (i32 k = 0; k < n; ++k) {
            const GEOSGeometry* e = GEOSGetGeometryN_r(h, g, k);
            if (GEOSGeomTypeId_r(h, e) != GEOS_POINT) continue;
            double x = 0, y = 0;
            GEOSGeomGetX_r(h, e, &x);
            GEOSGeomGetY_r(h, e, &y);
            out.push_back({x, y});
        }
        return out;
    }
};

// ------------------------------------------------------------ random loops

// A random closed loop of n vertices in the box [-s, s]^2 (it crosses
// itself); about a third of its segments are arcs of sweep below `maxsweep`.
inline Loop random_loop(std::mt19937& g, i32 n, f64 s, f64 arcshare = 0.33, f64 maxsweep = 2.6)
{
    std::uniform_real_distribution<f64> u(-s, s), f(0.0, 1.0), sw(0.2, maxsweep);
    Loop l;
    std::vector<P> v;
    for (i32 k = 0; k < n; ++k) v.push_back({u(g), u(g)});
    l.pt(v[0].x, v[0].y);
    for (i32 k = 1; k <= n; ++k) {
        P q = v[static_cast<size_t>(k % n)];
        P p = {l.x.back(), l.y.back()};
        f64 d = std::hypot(q.x - p.x, q.y - p.y);
        if (f(g) < arcshare && d > 1e-3) {
            f64 th = sw(g);  // sweep of the arc
            i32 dir = f(g) < 0.5 ? 1 : -1;
            f64 r = d / (2.0 * std::sin(th / 2.0));
            f64 mx = (p.x + q.x) / 2, my = (p.y + q.y) / 2, h = r * std::cos(th / 2.0);
            f64 nx = -(q.y - p.y) / d, ny = (q.x - p.x) / d;  // left normal of p->q
            // centre on the left for a counter-clockwise arc below a half turn
            f64 cx = mx + dir * h * nx, cy = my + dir * h * ny;
            l.arc(q.x, q.y, cx, cy, dir);
        } else {
            l.pt(q.x, q.y);
        }
    }
    return l;
}

// A random simple loop: a star about the origin of n vertices at radii in
// [r0, r1] (counter-clockwise), some segments arcs bulging by at most `bulge`
// of their chord.
inline Loop random_star(std::mt19937& g, i32 n, f64 r0, f64 r1, f64 arcshare = 0.0, f64 bulge = 0.1)
{
    std::uniform_real_distribution<f64> rr(r0, r1), f(0.0, 1.0), jit(-0.3, 0.3);
    std::vector<P> v;
    for (i32 k = 0; k < n; ++k) {
        f64 a = (k + 0.5 + jit(g)) * 2.0 * M_PI / n, r = rr(g);
        v.push_back({r * std::cos(a), r * std::sin(a)});
    }
    Loop l;
    l.pt(v[0].x, v[0].y);
    for (i32 k = 1; k <= n; ++k) {
        P q = v[static_cast<size_t>(k % n)];
        P p = {l.x.back(), l.y.back()};
        f64 d = std::hypot(q.x - p.x, q.y - p.y);
        if (f(g) < arcshare && d > 1e-3) {
            f64 b = bulge * d * f(g) + 1e-3 * d;  // sagitta
            f64 r = (d * d / 4 + b * b) / (2 * b);
            i32 dir = f(g) < 0.5 ? 1 : -1;
            f64 mx = (p.x + q.x) / 2, my = (p.y + q.y) / 2, h = r - b;
            f64 nx = -(q.y - p.y) / d, ny = (q.x - p.x) / d;
            l.arc(q.x, q.y, mx + dir * h * nx, my + dir * h * ny, dir);
        } else {
            l.pt(q.x, q.y);
        }
    }
    return l;
}

}  // namespace pk
