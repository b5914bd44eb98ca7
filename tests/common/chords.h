// Chords of the strings of positions against the reference drop: lines
// across the hemisphere on a plate are turned into strings, and the straight
// segment between consecutive output points is sampled every tol / 10 and
// compared with the reference tip height there, vertically and across the
// reference surface (the distance from the segment's point to the surface of
// reference tip heights).
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

#include "dropref.h"
#include "meshes.h"
#include "cutter/linnetn.h"

namespace chords {

struct Figures {
    double above = 0, below = 0;      // vertical gaps, segment above / below the reference
    double above_n = 0, below_n = 0;  // the same across the reference surface
    double below_at[2] = {0, 0};      // where the largest vertical gap below lies
    double below_slope = 0;           // the reference's slope there (degrees)
    double below_n_at[2] = {0, 0};    // where the largest gap below across the surface lies
    long samples = 0, points = 0, searched = 0;  // searched: samples measured across the surface
    int lines = 0;
    void merge(const Figures& o)
    {
        above = std::max(above, o.above), above_n = std::max(above_n, o.above_n);
        if (o.below_n > below_n) below_n = o.below_n, below_n_at[0] = o.below_n_at[0], below_n_at[1] = o.below_n_at[1];
        if (o.below > below) below = o.below, below_at[0] = o.below_at[0], below_at[1] = o.below_at[1],
                             below_slope = o.below_slope;
        samples += o.samples, points += o.points, searched += o.searched, lines += o.lines;
    }
};

// The model of the measurement: a hemisphere of radius 20 on a 60 x 60
// plate, about 8,000 triangles.
inline std::vector<meshes::Mesh> model() { return meshes::hemisphere_on_plate(20.0, 30.0, 8000); }

// Line k of a set: 40 long, at a random angle, through a point within 8 of
// the middle; the same set for a seed whatever is measured of it.
inline void line(unsigned seed, int k, f32* a, f32* b)
{
    std::mt19937 g(seed + 7919u * static_cast<unsigned>(k));
    std::uniform_real_distribution<double> u(0.0, 6.283185307179586), off(-8.0, 8.0);
    double ang = u(g), cx = off(g), cy = off(g);
    a[0] = static_cast<f32>(cx - 20 * std::cos(ang)), a[1] = static_cast<f32>(cy - 20 * std::sin(ang)), a[2] = 0;
    b[0] = static_cast<f32>(cx + 20 * std::cos(ang)), b[1] = static_cast<f32>(cy + 20 * std::sin(ang)), b[2] = 0;
}

// Strings of the current tool along a-b; false when the call fails.
inline bool strings(const f32* a, const f32* b, f32 tol, std::vector<f32>& xyz, std::vector<i32>& len, i32& nst)
{
    const i32 cap = 30000, maxs = 50, restart = 1, line3d = 0, mode = 2;
    xyz.assign(cap, 0.0f), len.assign(maxs + 1, 0);
    i32 tot = 0, status = 0;
    LINNETN(restart, line3d, a, b, tol, 0.0f, 0.0f, cap, mode, xyz.data(), nullptr, nullptr, nullptr, nst, maxs,
            len.data(), tot, status);
    return status == 0 && nst >= 1;
}

// Measures the chords of one line's strings; `every` samples the segments
// every tol / every.
inline bool measure(const dropref::Buckets& bk, const dropref::Tool& ref, const f32* a, const f32* b, f32 tol,
                    Figures& fig, double every = 10.0)
{
    std::vector<f32> xyz;
    std::vector<i32> len;
    i32 nst = 0;
    if (!strings(a, b, tol, xyz, len, nst)) return false;
    ++fig.lines;
    const double h = 1e-3;       // step of the slope's differences
    const double margin = 0.25;  // reach of the search across the surface
    i32 at = 0;
    for (i32 s = 0; s < nst; ++s) {
        fig.points += len[s];
        for (i32 k = at; k + 1 < at + len[s]; ++k) {
            const f32* p = &xyz[3 * k];
            const f32* q = &xyz[3 * k + 3];
            const double l = std::hypot(q[0] - p[0], q[1] - p[1]);
            const int n = std::max(1, static_cast<int>(std::ceil(l / (tol / every))));
            // Stretches of 200 samples share their candidate triangles.
            dropref::Buckets::Stretch st;
            for (int j = 0; j <= n; ++j) {
                const double w = double(j) / n;
                const double P[2] = {p[0] + w * (q[0] - p[0]), p[1] + w * (q[1] - p[1])};
                if (j % 200 == 0) {
                    const double w1 = std::min(1.0, double(j + 200) / n);
                    const double Q[2] = {p[0] + w1 * (q[0] - p[0]), p[1] + w1 * (q[1] - p[1])};
                    st = bk.stretch(ref, P, Q, margin + h);
                }
                const double z = p[2] + w * (q[2] - p[2]);
                const double zr = bk.drop_along(ref, P, st);
                // Across the surface: the distance from the chord's point to
                // the reference surface, sought along the XY direction of its
                // slope; the vertical gap bounds it where that is small.
                double c = 1.0, gap = std::fabs(z - zr), dn = gap;
                if (gap > 0.8 * tol) {
                    ++fig.searched;
                    const double Px[2] = {P[0] + h, P[1]}, Py[2] = {P[0], P[1] + h};
                    const double gx = (bk.drop_along(ref, Px, st) - zr) / h;
                    const double gy = (bk.drop_along(ref, Py, st) - zr) / h;
                    const double gl = std::sqrt(gx * gx + gy * gy);
                    c = 1.0 / std::sqrt(1.0 + gl * gl);
                    if (gl > 1e-9) {
                        const double ux = gx / gl, uy = gy / gl, span = std::min(gap, margin);
                        auto dist2 = [&](double sv) {
                            const double Q[2] = {P[0] + sv * ux, P[1] + sv * uy};
                            const double dz = bk.drop_along(ref, Q, st) - z;
                            return sv * sv + dz * dz;
                        };
                        // Coarse samples, then golden section around the least.
                        const int nc = 8;
                        int kb = nc / 2;
                        double fb = gap * gap;
                        for (int kk = 0; kk <= nc; ++kk) {
                            double f2 = dist2(-span + 2 * span * kk / nc);
                            if (f2 < fb) fb = f2, kb = kk;
                        }
                        double x0 = -span + 2 * span * std::max(kb - 1, 0) / nc;
                        double x1 = -span + 2 * span * std::min(kb + 1, nc) / nc;
                        const double gr = 0.6180339887498949;
                        double xc = x1 - gr * (x1 - x0), xe = x0 + gr * (x1 - x0), fc = dist2(xc), fe = dist2(xe);
                        while (x1 - x0 > 1e-7) {
                            if (fc < fe) x1 = xe, xe = xc, fe = fc, xc = x1 - gr * (x1 - x0), fc = dist2(xc);
                            else x0 = xc, xc = xe, fc = fe, xe = x0 + gr * (x1 - x0), fe = dist2(xe);
                        }
                        dn = std::sqrt(std::min({fb, fc, fe}));
                    }
                }
                const double an = z > zr ? dn : 0.0, bn = z < zr ? dn : 0.0;
                ++fig.samples;
                fig.above = std::max(fig.above, z - zr);
                fig.above_n = std::max(fig.above_n, an);
                if (bn > fig.below_n) fig.below_n = bn, fig.below_n_at[0] = P[0], fig.below_n_at[1] = P[1];
                if (zr - z > fig.below) {
                    fig.below = zr - z, fig.below_at[0] = P[0], fig.below_at[1] = P[1];
                    fig.below_slope = std::acos(c) * 57.29577951308232;
                }
            }
        }
        at += len[s];
    }
    return true;
}

inline void print(const char* what, const Figures& f)
{
    std::printf("%s: %d lines, %ld points, %ld samples (%ld across); vertical gap above %.3g, below %.3g (at %.2f %.2f, "
                "slope %.1f deg); across the surface above %.3g, below %.3g (at %.2f %.2f)\n",
                what, f.lines, f.points, f.samples, f.searched, f.above, f.below, f.below_at[0], f.below_at[1], f.below_slope,
                f.above_n, f.below_n, f.below_n_at[0], f.below_n_at[1]);
}

}  // namespace chords
