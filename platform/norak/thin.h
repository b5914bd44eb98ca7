// Polyline thinning shared by the host's single and double precision
// thinning services.
#pragma once

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "core/host.h"

namespace norak {

// Distance of point p from the segment a-b in dim coordinates, computed in
// double precision.
template <class T>
f64 seg_distance(const T* a, const T* b, const T* p, i32 dim)
{
    f64 ab2 = 0, t = 0;
    for (i32 k = 0; k < dim; ++k) {
        const f64 d = f64(b[k]) - f64(a[k]);
        ab2 += d * d;
        t += (f64(p[k]) - f64(a[k])) * d;
    }
    t = ab2 > 0 ? std::clamp(t / ab2, 0.0, 1.0) : 0.0;
    f64 s = 0;
    for (i32 k = 0; k < dim; ++k) {
        const f64 q = f64(a[k]) + t * (f64(b[k]) - f64(a[k])) - f64(p[k]);
        s += q * q;
    }
    return std::sqrt(s);
}

// Marks the points of a polyline (n points of dim coordinates) to keep so
// that every dropped point lies within tol of the chord between its kept
// neighbours; the two ends are always kept.
template <class T>
std::vector<char> thin_keep(const T* pts, i32 n, i32 dim, f64 tol)
{
    std::vector<char> keep(static_cast<size_t>(n), 0);
    keep[0] = keep[static_cast<size_t>(n - 1)] = 1;
    std::vector<std::pair<i32, i32>> stack{{0, n - 1}};
    while (!stack.empty()) {
        auto [i, j] = stack.back();
        stack.pop_back();
        f64 worst = -1;
        i32 w = -1;
        for (i32 k = i + 1; k < j; ++k) {
            const f64 d = seg_distance(pts + i * dim, pts + j * dim, pts + k * dim, dim);
            if (d > worst) worst = d, w = k;
        }
        if (w >= 0 && worst > tol) {
            keep[static_cast<size_t>(w)] = 1;
            stack.push_back({i, w});
            stack.push_back({w, j});
        }
    }
    return keep;
}

}  // namespace norak
