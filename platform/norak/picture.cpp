// The picture of what the session displayed: the part surfaces as their
// parameter lines and the tool path as the module's display registered it,
// in a top view and an oblique view, rapid, feed and link moves told apart; and the saved surface
// approximations of the part as an ASCII STL file.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "core/host.h"
#include "platform/norak/geometry.h"
#include "platform/norak/norak.h"
#include "platform/norak/state.h"

namespace norak {

namespace {

struct P3 {
    double x, y, z;
};
// A polyline with its kind: 0 surface, 1 feed, 2 rapid, 3 link.
struct Line {
    int kind;
    std::vector<P3> pts;
};

f32 rw(i32 w) { return wrd2r(w); }

void surfaces(std::vector<Line>& out)
{
    for (const auto& [id, e] : entities()) {
        if (e.cls != ESRF_CLASS) continue;
        std::vector<f64> b = surface_doubles(id);
        if (b.empty() || !buffer_sound(b.data())) continue;
        const f64 u0 = b[SB_LIM], us = b[SB_LIM + 1], v0 = b[SB_LIM + 3], vs = b[SB_LIM + 4];
        for (int dir = 0; dir < 2; ++dir)
            for (int i = 0; i <= 10; ++i) {
                Line l{0, {}};
                for (int k = 0; k <= 40; ++k) {
                    const f64 a = i / 10.0, c = k / 40.0;
                    const f64 u = u0 + us * (dir ? a : c), v = v0 + vs * (dir ? c : a);
                    f64 o[12];
                    i32 st = 0;
                    evsrfd(b.data(), u, v, 0, o, st);
                    if (st >= 0) l.pts.push_back({o[0], o[1], o[2]});
                }
                if (l.pts.size() > 1) out.push_back(l);
            }
    }
}

// The tool path as the module's display registered it: each registered
// display block's pen strokes, told apart by its line attributes (the rapid
// font, or the fast-blank attribute: rapid; the rapid colour with another
// font, the moves at maximum or rapid feed over the part: link; any other:
// feed). Hidden blocks are left out.
void displayed(std::vector<Line>& out)
{
    for (const auto& b : display_blocks()) {
        if (b.blank) continue;
        const int kind = b.font == 5 || b.fast ? 2 : b.colour == 2 ? 3 : 1;
        for (const auto& s : b.strokes) {
            if (s.size() < 2) continue;
            Line l{kind, {}};
            for (const auto& p : s) l.pts.push_back({p[0], p[1], p[2]});
            if (!out.empty() && out.back().kind == kind && !out.back().pts.empty()) {
                const P3& e = out.back().pts.back();
                if (e.x == l.pts[0].x && e.y == l.pts[0].y && e.z == l.pts[0].z) {
                    out.back().pts.insert(out.back().pts.end(), l.pts.begin() + 1, l.pts.end());
                    continue;
                }
            }
            out.push_back(std::move(l));
        }
    }
}

std::string svg(const std::string& path, const std::vector<Line>& lines)
{
    // Two views side by side: top (x, y) and oblique (turned 30 degrees,
    // z up).
    auto top = [](const P3& p) { return std::pair<double, double>{p.x, -p.y}; };
    auto obl = [](const P3& p) {
        const double c = std::cos(M_PI / 6), s = std::sin(M_PI / 6);
        return std::pair<double, double>{(p.x - p.y) * c, -((p.x + p.y) * s * 0.5 + p.z)};
    };
    double box[2][4];
    for (int v = 0; v < 2; ++v) box[v][0] = box[v][1] = 1e300, box[v][2] = box[v][3] = -1e300;
    for (const auto& l : lines)
        for (const auto& p : l.pts)
            for (int v = 0; v < 2; ++v) {
                auto q = v ? obl(p) : top(p);
                box[v][0] = std::min(box[v][0], q.first), box[v][1] = std::min(box[v][1], q.second);
                box[v][2] = std::max(box[v][2], q.first), box[v][3] = std::max(box[v][3], q.second);
            }
    const double W = 600, H = 600, pad = 20;
    std::FILE* f = std::fopen(path.c_str(), "w");
    if (!f) return end_file(f, path);
    std::fprintf(f, "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%g\" height=\"%g\">\n", 2 * W, H + 40);
    std::fprintf(f, "<rect width=\"100%%\" height=\"100%%\" fill=\"white\"/>\n");
    std::fprintf(f, "<text x=\"20\" y=\"20\" font-size=\"14\">TOP VIEW</text><text x=\"%g\" y=\"20\" font-size=\"14\">OBLIQUE VIEW</text>\n", W + 20);
    std::fprintf(f, "<text x=\"20\" y=\"%g\" font-size=\"12\" fill=\"#1f4fd6\">feed</text>"
                    "<text x=\"70\" y=\"%g\" font-size=\"12\" fill=\"#d62728\">rapid</text>"
                    "<text x=\"120\" y=\"%g\" font-size=\"12\" fill=\"#2ca02c\">link</text>"
                    "<text x=\"160\" y=\"%g\" font-size=\"12\" fill=\"#999999\">surfaces</text>\n",
                 H + 30, H + 30, H + 30, H + 30);
    static const char* style[4] = {"stroke=\"#bbbbbb\" stroke-width=\"0.6\"", "stroke=\"#1f4fd6\" stroke-width=\"0.8\"",
                                   "stroke=\"#d62728\" stroke-width=\"0.8\" stroke-dasharray=\"4,3\"",
                                   "stroke=\"#2ca02c\" stroke-width=\"1\""};
    static const char* cls[4] = {"surface", "feed", "rapid", "link"};
    for (int v = 0; v < 2; ++v) {
        const double sx = (W - 2 * pad) / std::max(1e-9, box[v][2] - box[v][0]);
        const double sy = (H - 2 * pad) / std::max(1e-9, box[v][3] - box[v][1]);
        const double s = std::min(sx, sy);
        for (const auto& l : lines) {
            std::fprintf(f, "<polyline class=\"%s\" fill=\"none\" %s points=\"", cls[l.kind], style[l.kind]);
            for (const auto& p : l.pts) {
                auto q = v ? obl(p) : top(p);
                std::fprintf(f, "%.2f,%.2f ", v * W + pad + (q.first - box[v][0]) * s, 30 + pad + (q.second - box[v][1]) * s);
            }
            std::fprintf(f, "\"/>\n");
        }
    }
    std::fprintf(f, "</svg>\n");
    return end_file(f, path);
}

// Appends v as printf's "%g" writes it. The STL file carries every node of
// the model three times, tens of megabytes at fine tolerances: the standard
// library's formatting of a precision (the same digits and form as "%g")
// costs a fraction of printf's. A value that is not finite goes through
// printf itself, whose spelling of it the file has always had.
void put_g(std::string& out, double v)
{
    char b[48];
    if (std::isfinite(v)) {
        const auto r = std::to_chars(b, b + sizeof b, v, std::chars_format::general, 6);
        out.append(b, r.ptr);
    } else {
        const int n = std::snprintf(b, sizeof b, "%g", v);
        out.append(b, static_cast<size_t>(n));
    }
}

// " x y z" of three values, each as "%g" writes it, then the line's end.
void put_g3(std::string& out, double x, double y, double z)
{
    for (double v : {x, y, z}) {
        out += ' ';
        put_g(out, v);
    }
    out += '\n';
}

std::string stl(const std::string& path)
{
    std::FILE* f = nullptr;
    for (const auto& [id, e] : entities()) {
        if (e.cls != 4 || e.type != 3 || e.words.size() < 16 || e.words[0] != 4301) continue;
        const i32 nn = e.words[6], nt = e.words[7];
        if (nn < 0 || nt < 0 || e.words.size() < size_t(16 + 6 * nn + 3 * nt)) continue;
        if (!f) f = std::fopen(path.c_str(), "w");
        if (!f) return end_file(f, path);
        auto node = [&](i32 k) { return P3{rw(e.words[size_t(16 + 3 * k)]), rw(e.words[size_t(17 + 3 * k)]), rw(e.words[size_t(18 + 3 * k)])}; };
        std::fprintf(f, "solid surface%d\n", e.words[1]);
        // The facets of a surface are built as text and written in pieces
        // of about 64 KB.
        std::string text;
        text.reserve(1 << 16);
        for (i32 t = 0; t < nt; ++t) {
            const size_t b = size_t(16 + 6 * nn + 3 * t);
            const P3 a = node(e.words[b] - 1), c = node(e.words[b + 1] - 1), d = node(e.words[b + 2] - 1);
            double n[3] = {(c.y - a.y) * (d.z - a.z) - (c.z - a.z) * (d.y - a.y), (c.z - a.z) * (d.x - a.x) - (c.x - a.x) * (d.z - a.z),
                           (c.x - a.x) * (d.y - a.y) - (c.y - a.y) * (d.x - a.x)};
            const double l = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
            if (l > 0) n[0] /= l, n[1] /= l, n[2] /= l;
            text += "  facet normal";
            put_g3(text, n[0], n[1], n[2]);
            text += "    outer loop\n";
            for (const P3& q : {a, c, d}) {
                text += "      vertex";
                put_g3(text, q.x, q.y, q.z);
            }
            text += "    endloop\n  endfacet\n";
            if (text.size() >= (1 << 16) - 512) {
                std::fwrite(text.data(), 1, text.size(), f);
                text.clear();
            }
        }
        std::fwrite(text.data(), 1, text.size(), f);
        std::fprintf(f, "endsolid surface%d\n", e.words[1]);
    }
    return f ? end_file(f, path) : "";
}

}  // namespace

std::string write_picture(const std::string& dir)
{
    std::vector<Line> lines;
    surfaces(lines);
    displayed(lines);
    const std::string picture = svg(dir + "/toolpath.svg", lines);
    const std::string model = stl(dir + "/model.stl");
    return picture.empty() ? model : picture;
}

}  // namespace norak
