// The NURBS blocks of the tool path list, read back and evaluated on their
// own (de Boor), for the tests of the spline output and the twirl entry.
#pragma once

#include <cmath>
#include <vector>

#include "tests/passes/loop_common.h"

namespace nr {

using lp::Pt;

struct Nurbs {
    int k = 0, n = 0;
    std::vector<double> u, p;  // knots, control points
    Pt at(double t) const
    {
        // de Boor on the clamped cubic.
        int s = k - 1;
        while (s < n - 1 && t >= u[size_t(s + 1)]) ++s;
        std::vector<double> d(3 * size_t(k));
        for (int j = 0; j < k; ++j)
            for (int c = 0; c < 3; ++c) d[size_t(3 * j + c)] = p[size_t(3 * (s - k + 1 + j) + c)];
        for (int r = 1; r < k; ++r)
            for (int j = k - 1; j >= r; --j) {
                const int i = s - k + 1 + j;
                const double den = u[size_t(i + k - r)] - u[size_t(i)];
                const double a = den > 0 ? (t - u[size_t(i)]) / den : 0;
                for (int c = 0; c < 3; ++c) d[size_t(3 * j + c)] = (1 - a) * d[size_t(3 * (j - 1) + c)] + a * d[size_t(3 * j + c)];
            }
        return {d[size_t(3 * (k - 1))], d[size_t(3 * (k - 1) + 1)], d[size_t(3 * (k - 1) + 2)]};
    }
    Pt first() const { return {p[0], p[1], p[2]}; }
    Pt last() const { return {p[size_t(3 * n - 3)], p[size_t(3 * n - 2)], p[size_t(3 * n - 1)]}; }
    // Distance from q to the curve: dense samples, then a local search.
    double dist(const Pt& q) const
    {
        auto d = [&](double t) {
            const Pt c = at(t);
            return std::sqrt((c.x - q.x) * (c.x - q.x) + (c.y - q.y) * (c.y - q.y) + (c.z - q.z) * (c.z - q.z));
        };
        const int m = 4000;
        double best = 1e300, bt = 0;
        for (int i = 0; i <= m; ++i)
            if (d(double(i) / m) < best) best = d(double(i) / m), bt = double(i) / m;
        double lo = std::max(0.0, bt - 1.0 / m), hi = std::min(1.0, bt + 1.0 / m);
        for (int i = 0; i < 60; ++i) {
            const double a = lo + (hi - lo) / 3, b = hi - (hi - lo) / 3;
            (d(a) < d(b) ? hi : lo) = d(a) < d(b) ? b : a;
        }
        return std::min(best, d(0.5 * (lo + hi)));
    }
};

inline std::vector<Nurbs> nurbs()
{
    std::vector<Nurbs> out;
    for (const auto& e : norak::main_list().elems) {
        const auto& w = e.words;
        if (w.empty() || w[0] != 5) continue;
        Nurbs b;
        b.k = w[2];
        b.n = w[3];
        size_t at = 4;
        for (int i = 0; i < b.n + b.k; ++i) {
            b.u.push_back(wrd2r(w[at++]));
            if (i < b.n)
                for (int c = 0; c < 3; ++c) b.p.push_back(wrd2r(w[at++]));
        }
        out.push_back(b);
    }
    return out;
}

}  // namespace nr
