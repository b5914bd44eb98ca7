// Mesh generators for tests and benchmarks, fed straight into the triangle
// model's assembly: a hemisphere on a plate, random triangles, a terrain.
#pragma once

#include <cmath>
#include <cstdint>
#include <random>
#include <initializer_list>
#include <vector>

#include "surfaces/trimodel.h"

namespace meshes {

struct Mesh {
    std::vector<f32> xyz;  // nodes
    std::vector<i32> tri;  // triples of node numbers from 1, counter-clockwise seen from outside
    i32 cls = 1;           // surface class
    i32 id = 1;            // surface id
    i32 nnod() const { return static_cast<i32>(xyz.size() / 3); }
    i32 ntri() const { return static_cast<i32>(tri.size() / 3); }
    i32 node(f64 x, f64 y, f64 z)
    {
        xyz.push_back(static_cast<f32>(x));
        xyz.push_back(static_cast<f32>(y));
        xyz.push_back(static_cast<f32>(z));
        return nnod();
    }
    void add(i32 a, i32 b, i32 c) { tri.insert(tri.end(), {a, b, c}); }
};

// One triangle (x y z of its three corners, counter-clockwise seen from
// outside) as a surface of class cls and id.
inline Mesh triangle(std::initializer_list<f64> v, i32 cls = 1, i32 id = 1)
{
    Mesh m;
    auto it = v.begin();
    for (int k = 0; k < 3; ++k, it += 3) m.node(it[0], it[1], it[2]);
    m.add(1, 2, 3);
    m.cls = cls;
    m.id = id;
    return m;
}

// Regular grid over [x0, x1] x [y0, y1] with nx x ny cells, two triangles a
// cell, heights from f.
template <class F>
inline Mesh grid(f64 x0, f64 y0, f64 x1, f64 y1, i32 nx, i32 ny, F f)
{
    Mesh m;
    for (i32 j = 0; j <= ny; ++j)
        for (i32 i = 0; i <= nx; ++i) {
            f64 x = x0 + (x1 - x0) * i / nx, y = y0 + (y1 - y0) * j / ny;
            m.node(x, y, f(x, y));
        }
    auto id = [&](i32 i, i32 j) { return j * (nx + 1) + i + 1; };
    for (i32 j = 0; j < ny; ++j)
        for (i32 i = 0; i < nx; ++i) {
            m.add(id(i, j), id(i + 1, j), id(i + 1, j + 1));
            m.add(id(i, j), id(i + 1, j + 1), id(i, j + 1));
        }
    return m;
}

// Upper hemisphere of radius r about the origin with nlat rings and nlon
// meridians (2 nlat nlon - nlon triangles), nodes on the sphere.
inline Mesh hemisphere(f64 r, i32 nlat, i32 nlon)
{
    Mesh m;
    const f64 pi = 3.14159265358979323846;
    i32 pole = m.node(0, 0, r);
    for (i32 i = 1; i <= nlat; ++i) {
        f64 th = 0.5 * pi * i / nlat;  // from the pole
        for (i32 k = 0; k < nlon; ++k) {
            f64 ph = 2 * pi * k / nlon;
            f64 s = std::sin(th), c = std::cos(th);
            if (i == nlat) c = 0.0;
            m.node(r * s * std::cos(ph), r * s * std::sin(ph), r * c);
        }
    }
    auto id = [&](i32 i, i32 k) { return 1 + (i - 1) * nlon + (k % nlon) + 1; };
    for (i32 k = 0; k < nlon; ++k) m.add(pole, id(1, k), id(1, k + 1));
    for (i32 i = 1; i < nlat; ++i)
        for (i32 k = 0; k < nlon; ++k) {
            m.add(id(i, k), id(i + 1, k), id(i + 1, k + 1));
            m.add(id(i, k), id(i + 1, k + 1), id(i, k + 1));
        }
    return m;
}

// Largest distance of the hemisphere's facets inside the sphere.
inline f64 hemisphere_sag(f64 r, i32 nlat, i32 nlon)
{
    const f64 pi = 3.14159265358979323846;
    f64 a = 0.5 * pi / nlat, b = pi / nlon;
    // A quad's corners span at most a in latitude and 2b in longitude: its
    // circumscribed circle bounds the chord depth.
    f64 half = std::sqrt((a / 2) * (a / 2) + b * b);
    return r * (1.0 - std::cos(half)) * 1.05;
}

// A hemisphere of radius r on a square plate of half-side h, about ntarget
// triangles in all (about a fifth in the plate).
inline std::vector<Mesh> hemisphere_on_plate(f64 r, f64 h, i32 ntarget, i32* nlat_out = nullptr,
                                             i32* nlon_out = nullptr)
{
    i32 nplate = static_cast<i32>(std::sqrt(ntarget * 0.2 / 2));
    if (nplate < 2) nplate = 2;
    i32 nhemi = ntarget - 2 * nplate * nplate;
    i32 nlat = static_cast<i32>(std::sqrt(nhemi / 8.0));
    if (nlat < 2) nlat = 2;
    i32 nlon = 4 * nlat;
    std::vector<Mesh> out;
    out.push_back(grid(-h, -h, h, h, nplate, nplate, [](f64, f64) { return 0.0; }));
    out.back().id = 1;
    out.push_back(hemisphere(r, nlat, nlon));
    out.back().id = 2;
    if (nlat_out) *nlat_out = nlat;
    if (nlon_out) *nlon_out = nlon;
    return out;
}

// n random triangles in [0, size]^2 x [0, zsize], sides up to `side`.
inline Mesh random_triangles(i32 n, f64 size, f64 zsize, f64 side, std::uint32_t seed)
{
    std::mt19937 g(seed);
    std::uniform_real_distribution<f64> u(0.0, 1.0);
    Mesh m;
    for (i32 t = 0; t < n; ++t) {
        f64 cx = u(g) * size, cy = u(g) * size, cz = u(g) * zsize;
        i32 a = m.node(cx, cy, cz);
        i32 b = m.node(cx + (u(g) - 0.5) * side, cy + (u(g) - 0.5) * side, cz + (u(g) - 0.5) * side);
        i32 c = m.node(cx + (u(g) - 0.5) * side, cy + (u(g) - 0.5) * side, cz + (u(g) - 0.5) * side);
        m.add(a, b, c);
    }
    return m;
}

// A terrain over [0, size]^2: a sum of waves on an n x n grid.
inline Mesh terrain(f64 size, i32 n)
{
    return grid(0, 0, size, size, n, n, [size](f64 x, f64 y) {
        f64 u = x / size * 6.283185307179586, v = y / size * 6.283185307179586;
        return 0.08 * size * std::sin(2 * u) * std::cos(3 * v) + 0.03 * size * std::sin(7 * u + 5 * v) +
               0.01 * size * std::cos(13 * u - 11 * v);
    });
}

// Builds the triangle model from the meshes; the status of the assembly.
inline i32 build(const std::vector<Mesh>& ms)
{
    i32 status = 0;
    TRMOPN(status);
    if (status != 0) return status;
    i32 index = 0;
    for (const Mesh& m : ms) {
        i32 rec[SRF_WORDS] = {0};
        rec[SRF_CLASS] = m.cls;
        rec[SRF_ID] = m.id;
        rec[SRF_INDEX] = ++index;
        i32 nn = m.nnod(), nt = m.ntri();
        TRMSRF(rec, nn, m.xyz.data(), nullptr, nt, m.tri.data(), status);
        if (status != 0) return status;
    }
    TRMCLS(status);
    return status;
}

// The triangles of the meshes as one list of corner coordinates, nine a triangle
// (the form the reference drop takes).
inline std::vector<double> soup(const std::vector<Mesh>& ms)
{
    std::vector<double> t;
    for (const auto& m : ms)
        for (size_t k = 0; k < m.tri.size(); ++k)
            for (int j = 0; j < 3; ++j) t.push_back(m.xyz[3 * (m.tri[k] - 1) + j]);
    return t;
}

}  // namespace meshes
