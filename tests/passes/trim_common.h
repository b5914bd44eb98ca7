// Helpers of the trimmed-surface tests: polygon sets built by hand, an own
// point-in-region test and the crossings of a line with a region computed
// independently of the module.
#pragma once

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "core/words.h"

namespace trm {

using Loop = std::vector<std::pair<double, double>>;

// A polygon set: per loop its point count (the first point repeated), then
// the points.
inline std::vector<f32> polset(const std::vector<Loop>& loops)
{
    std::vector<f32> s;
    for (const Loop& l : loops) {
        s.push_back(static_cast<f32>(l.size() + 1));
        for (size_t k = 0; k <= l.size(); ++k) {
            s.push_back(static_cast<f32>(l[k % l.size()].first));
            s.push_back(static_cast<f32>(l[k % l.size()].second));
        }
    }
    return s;
}

// Distance of p from the boundary of a loop.
inline double border(const Loop& l, double x, double y)
{
    double best = 1e300;
    for (size_t i = 0; i < l.size(); ++i) {
        const auto a = l[i], b = l[(i + 1) % l.size()];
        const double dx = b.first - a.first, dy = b.second - a.second, l2 = dx * dx + dy * dy;
        const double t = l2 > 0 ? std::clamp(((x - a.first) * dx + (y - a.second) * dy) / l2, 0.0, 1.0) : 0.0;
        best = std::min(best, std::hypot(a.first + t * dx - x, a.second + t * dy - y));
    }
    return best;
}

// Inside the region of the loops (even-odd over all of them).
inline bool inside(const std::vector<Loop>& loops, double x, double y)
{
    bool in = false;
    for (const Loop& l : loops)
        for (size_t i = 0, j = l.size() - 1; i < l.size(); j = i++) {
            const double xi = l[i].first, yi = l[i].second, xj = l[j].first, yj = l[j].second;
            if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) in = !in;
        }
    return in;
}

// Inside, or within tol of the boundary.
inline bool within(const std::vector<Loop>& loops, double x, double y, double tol)
{
    if (inside(loops, x, y)) return true;
    for (const Loop& l : loops)
        if (border(l, x, y) <= tol) return true;
    return false;
}

// The stretches of the line of second coordinate y inside the region, as
// pairs of first coordinates (for a line meeting no vertex).
inline std::vector<std::pair<double, double>> stretches(const std::vector<Loop>& loops, double y)
{
    std::vector<double> xs;
    for (const Loop& l : loops)
        for (size_t i = 0; i < l.size(); ++i) {
            const auto a = l[i], b = l[(i + 1) % l.size()];
            if ((a.second > y) != (b.second > y)) xs.push_back(a.first + (y - a.second) / (b.second - a.second) * (b.first - a.first));
        }
    std::sort(xs.begin(), xs.end());
    std::vector<std::pair<double, double>> out;
    for (size_t k = 0; k + 1 < xs.size(); k += 2) out.push_back({xs[k], xs[k + 1]});
    return out;
}

// A rounded rectangle (corner radius r, n points per corner), counter-clockwise.
inline Loop rounded(double u0, double u1, double v0, double v1, double r, int n = 8)
{
    Loop l;
    const double cx[4] = {u1 - r, u1 - r, u0 + r, u0 + r}, cy[4] = {v0 + r, v1 - r, v1 - r, v0 + r};
    for (int c = 0; c < 4; ++c)
        for (int k = 0; k <= n; ++k) {
            const double a = (c * 90.0 - 90.0 + 90.0 * k / n) * M_PI / 180.0;
            l.push_back({cx[c] + r * std::cos(a), cy[c] + r * std::sin(a)});
        }
    return l;
}

// A circle of n points, clockwise (a hole).
inline Loop circle(double cu, double cv, double r, int n = 48)
{
    Loop l;
    for (int k = 0; k < n; ++k) {
        const double a = -2.0 * M_PI * k / n;
        l.push_back({cu + r * std::cos(a), cv + r * std::sin(a)});
    }
    return l;
}

// The loops as session text ("loops":[...]).
inline std::string loops_json(const std::vector<Loop>& loops)
{
    std::ostringstream s;
    s.precision(9);
    s << "\"loops\":[";
    for (size_t k = 0; k < loops.size(); ++k) {
        s << (k ? "," : "") << "{\"points\":[";
        for (size_t i = 0; i < loops[k].size(); ++i)
            s << (i ? "," : "") << "[" << loops[k][i].first << "," << loops[k][i].second << "]";
        s << "]}";
    }
    s << "]";
    return s.str();
}

// A surface description with loops added before its closing brace.
inline std::string trimmed(const std::string& surface, const std::vector<Loop>& loops)
{
    return surface.substr(0, surface.rfind('}')) + "," + loops_json(loops) + "}";
}

}  // namespace trm
