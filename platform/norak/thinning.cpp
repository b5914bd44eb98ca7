// Polyline thinning that also bounds the length of the kept segments.
#include <cmath>
#include <vector>

#include "core/host.h"

void dladst(i32& n, f32* pts, const i32& dim, f32* par, const i32& pardim, const f32& tol, const f32& maxlen)
{
    if (n <= 2 || dim < 1) return;
    // Thin first, then put back, between kept neighbours farther apart than
    // maxlen, the original points that split them.
    std::vector<f32> orig(pts, pts + static_cast<size_t>(n) * dim);
    std::vector<f32> opar;
    if (par) opar.assign(par, par + static_cast<size_t>(n) * pardim);
    // Mark each point by its index through a parallel parameter column.
    std::vector<f32> idx(static_cast<size_t>(n));
    for (i32 k = 0; k < n; ++k) idx[static_cast<size_t>(k)] = static_cast<f32>(k);
    i32 m = n;
    std::vector<f32> tmp(orig);
    dilula(m, tmp.data(), dim, idx.data(), 1, tol);
    auto dist = [&](i32 a, i32 b) {
        f64 s = 0;
        for (i32 c = 0; c < dim; ++c) {
            f64 d = f64(orig[static_cast<size_t>(a * dim + c)]) - orig[static_cast<size_t>(b * dim + c)];
            s += d * d;
        }
        return std::sqrt(s);
    };
    std::vector<i32> keep;
    for (i32 k = 0; k < m; ++k) {
        i32 cur = static_cast<i32>(idx[static_cast<size_t>(k)]);
        if (!keep.empty() && maxlen > 0.0f) {
            i32 prev = keep.back();
            // Walk the dropped points between: keep the last one within reach.
            while (dist(prev, cur) > maxlen) {
                i32 next = prev + 1;
                for (i32 j = prev + 1; j < cur && dist(prev, j) <= maxlen; ++j) next = j;
                if (next >= cur) break;
                keep.push_back(next);
                prev = next;
            }
        }
        keep.push_back(cur);
    }
    for (size_t k = 0; k < keep.size(); ++k) {
        for (i32 c = 0; c < dim; ++c) pts[k * dim + c] = orig[static_cast<size_t>(keep[k] * dim + c)];
        if (par)
            for (i32 c = 0; c < pardim; ++c) par[k * pardim + c] = opar[static_cast<size_t>(keep[k] * pardim + c)];
    }
    n = static_cast<i32>(keep.size());
}
