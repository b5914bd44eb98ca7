// Stock procedures of the session and the picture of the stock: a stock
// procedure (code 52, the raw stock; 53, the reference surface) becomes a
// row of the host's procedure table with its generic table, a block of one
// height or the heights of part surfaces sampled cell by cell; after the
// session the stock grid the module left with the host is drawn as a
// grey-scale PNG height map.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/norak/geometry.h"
#include "platform/norak/session.h"
#include "platform/norak/state.h"

namespace norak {
namespace {

constexpr f64 NO_HEIGHT = 1.0e10;  // a cell the stock does not cover

// Whether the session described stock procedures.
struct SessionStock {
    i32 rows = 0;           // stock procedures described, rows 1 on of level 1
    f64 bottom = -1.0e30;   // the lowest bottom of the raw stocks (code 52); none: far below
    bool raw = false;       // a raw stock was described
};

std::array<f64, 6> need_box(const json& d, const std::string& w)
{
    const json& b = need(d, "box", w);
    if (!b.is_array() || b.size() != 6) throw session_error(w + ".box: six numbers were expected");
    std::array<f64, 6> box{};
    for (size_t k = 0; k < 6; ++k) {
        if (!b[k].is_number()) throw session_error(w + ".box: six numbers were expected");
        box[k] = b[k].get<f64>();
    }
    if (!(box[3] > box[0] && box[4] > box[1] && box[5] >= box[2]))
        throw session_error(w + ".box: the maximum must lie above the minimum");
    return box;
}

// The highest point of the surface over each cell centre, found on a dense
// net of triangles in (u, v) (triangles outside the trim loops left out).
void sample_surface(i32 id, const std::array<f64, 6>& box, f64 cell, i32 nx, i32 ny, std::vector<f64>& z,
                    const std::string& w)
{
    const std::vector<f64> b = surface_doubles(id);
    if (b.empty() || !buffer_sound(b.data()))
        throw session_error(w + ".surfaces: entity " + std::to_string(id) + " is no surface loaded before it");
    const std::vector<std::vector<f64>> loops = trim_polygons(b.data(), 1.0e-3);
    const f64 u0 = b[SB_LIM], us = b[SB_LIM + 1], v0 = b[SB_LIM + 3], vs = b[SB_LIM + 4];
    constexpr int N = 200;
    std::vector<std::array<f64, 3>> p(size_t((N + 1) * (N + 1)));
    std::vector<char> ok(p.size(), 0);
    for (int j = 0; j <= N; ++j)
        for (int i = 0; i <= N; ++i) {
            SrfEval e{};
            const size_t k = size_t(j * (N + 1) + i);
            if (eval_full(b.data(), u0 + us * i / N, v0 + vs * j / N, e) < 0) continue;
            p[k] = {e.p[0], e.p[1], e.p[2]};
            ok[k] = 1;
        }
    auto inside = [&](f64 u, f64 v) {
        for (size_t l = 0; l < loops.size(); ++l) {
            const i32 at = point_in_poly(loops[l].data(), loops[l].size() / 2, 2, u, v, 0.0);
            if ((l == 0) != (at != 3)) return false;  // outside the outer loop, or inside a hole
        }
        return true;
    };
    auto triangle = [&](const std::array<f64, 3>& a, const std::array<f64, 3>& c, const std::array<f64, 3>& d) {
        const f64 den = (c[1] - d[1]) * (a[0] - d[0]) + (d[0] - c[0]) * (a[1] - d[1]);
        if (std::fabs(den) < 1e-14) return;
        const i32 i0 = std::max(0, i32(std::ceil((std::min({a[0], c[0], d[0]}) - box[0]) / cell)));
        const i32 i1 = std::min(nx - 1, i32(std::floor((std::max({a[0], c[0], d[0]}) - box[0]) / cell)));
        const i32 j0 = std::max(0, i32(std::ceil((std::min({a[1], c[1], d[1]}) - box[1]) / cell)));
        const i32 j1 = std::min(ny - 1, i32(std::floor((std::max({a[1], c[1], d[1]}) - box[1]) / cell)));
        for (i32 jj = j0; jj <= j1; ++jj)
            for (i32 ii = i0; ii <= i1; ++ii) {
                const f64 x = box[0] + ii * cell, y = box[1] + jj * cell;
                const f64 la = ((c[1] - d[1]) * (x - d[0]) + (d[0] - c[0]) * (y - d[1])) / den;
                const f64 lc = ((d[1] - a[1]) * (x - d[0]) + (a[0] - d[0]) * (y - d[1])) / den;
                const f64 ld = 1.0 - la - lc;
                if (la < -1e-9 || lc < -1e-9 || ld < -1e-9) continue;
                f64& h = z[size_t(jj) * size_t(nx) + size_t(ii)];
                const f64 at = la * a[2] + lc * c[2] + ld * d[2];
                if (h >= NO_HEIGHT || at > h) h = at;
            }
    };
    for (int j = 0; j < N; ++j)
        for (int i = 0; i < N; ++i) {
            const size_t k00 = size_t(j * (N + 1) + i), k10 = k00 + 1, k01 = k00 + N + 1, k11 = k01 + 1;
            if (!ok[k00] || !ok[k10] || !ok[k01] || !ok[k11]) continue;
            if (!loops.empty() && !inside(u0 + us * (i + 0.5) / N, v0 + vs * (j + 0.5) / N)) continue;
            triangle(p[k00], p[k10], p[k11]);
            triangle(p[k00], p[k11], p[k01]);
        }
}

// A stock procedure: the generic table of its stock (format 3, a block of
// height "top"; format 1, full rows of the surfaces' heights) and its row.
void load_stock_procedure(const json& d, const std::string& w)
{
    const i32 code = need_int(d, "code", w);
    if (code != 52 && code != 53) throw session_error(w + ".code: 52 or 53 was expected");
    const std::array<f64, 6> box = need_box(d, w);
    std::vector<GenValue> t;
    if (d.contains("top")) {
        t = {{1, 3}, {1, 0}, {1, 0}, {1, 0}, {1, 0}, {1, 1000000}, {1, 1000000}, {1, 0}, {1, 0}, {1, 0}, {1, 0},
             {2, need_num(d, "top", w)}};
        for (f64 v : box) t.push_back({2, v});
    } else {
        const f64 cell = d.contains("cell") ? need_num(d, "cell", w) : 0.25;
        if (!(cell > 0.0)) throw session_error(w + ".cell: a size above 0 was expected");
        const f64 fx = std::floor((box[3] - box[0]) / cell + 0.5) + 1, fy = std::floor((box[4] - box[1]) / cell + 0.5) + 1;
        if (fx * fy > 4.0e6) throw session_error(w + ": more than 4,000,000 cells");
        const i32 nx = i32(fx), ny = i32(fy);
        std::vector<f64> z(size_t(nx) * size_t(ny), NO_HEIGHT);
        const json& s = need(d, "surfaces", w);
        if (!s.is_array() || s.empty()) throw session_error(w + ".surfaces: a list of surface ids was expected");
        for (const json& id : s) {
            if (!id.is_number_integer()) throw session_error(w + ".surfaces: a list of surface ids was expected");
            sample_surface(id.get<i32>(), box, cell, nx, ny, z, w);
        }
        t = {{1, 1}, {1, 0}, {1, 0}, {1, 0}, {1, 0}, {1, f64(nx)}, {1, f64(ny)}};
        for (f64 v : box) t.push_back({2, v});
        for (f64 h : z) t.push_back({2, h});
        t.push_back({2, 0.0});
        t.push_back({2, 0.0});
    }
    SessionStock& ss = ext_state<SessionStock>("session_stock");
    if (code == 52) ss.bottom = ss.raw ? std::min(ss.bottom, box[2]) : box[2], ss.raw = true;
    ProcRow r;
    r.code = code;
    r.table = add_gen_table(t);
    for (int k = 0; k < 6; ++k) r.box[k] = f32(box[size_t(k)]);
    if (d.contains("ucs")) r.ucs = need_int(d, "ucs", w);
    // Row 0 stands for the level's start (where the stock is marked valid
    // when a grid is opened), so the first stock procedure is row 1.
    set_proc_row(1, ++ext_state<SessionStock>("session_stock").rows, r);
}

struct StockKinds {
    StockKinds() { register_entity_kind("stock_procedure", load_stock_procedure); }
} stock_kinds;

// ---- the PNG file: 8-bit grey, stored (uncompressed) deflate blocks

std::uint32_t crc32_of(const unsigned char* p, size_t n, std::uint32_t c = 0xffffffffu)
{
    for (size_t k = 0; k < n; ++k) {
        c ^= p[k];
        for (int b = 0; b < 8; ++b) c = (c >> 1) ^ (0xedb88320u & (0u - (c & 1u)));
    }
    return c;
}

void put32(std::vector<unsigned char>& o, std::uint32_t v)
{
    for (int s = 24; s >= 0; s -= 8) o.push_back(static_cast<unsigned char>(v >> s));
}

void chunk(std::vector<unsigned char>& o, const char* type, const std::vector<unsigned char>& data)
{
    put32(o, static_cast<std::uint32_t>(data.size()));
    const size_t at = o.size();
    o.insert(o.end(), type, type + 4);
    o.insert(o.end(), data.begin(), data.end());
    put32(o, crc32_of(&o[at], o.size() - at) ^ 0xffffffffu);
}

std::vector<unsigned char> png_grey(const std::vector<unsigned char>& pix, std::uint32_t w, std::uint32_t h)
{
    std::vector<unsigned char> raw;  // each row: filter 0, then its pixels
    for (std::uint32_t j = 0; j < h; ++j) {
        raw.push_back(0);
        raw.insert(raw.end(), pix.begin() + std::ptrdiff_t(j * w), pix.begin() + std::ptrdiff_t((j + 1) * w));
    }
    std::vector<unsigned char> z{0x78, 0x01};
    for (size_t at = 0; at < raw.size() || at == 0; at += 65535) {
        const size_t n = std::min<size_t>(65535, raw.size() - at);
        z.push_back(at + n >= raw.size() ? 1 : 0);
        z.push_back(static_cast<unsigned char>(n));
        z.push_back(static_cast<unsigned char>(n >> 8));
        z.push_back(static_cast<unsigned char>(~n));
        z.push_back(static_cast<unsigned char>(~n >> 8));
        z.insert(z.end(), raw.begin() + std::ptrdiff_t(at), raw.begin() + std::ptrdiff_t(at + n));
        if (n == 0) break;
    }
    std::uint32_t a = 1, b = 0;
    for (unsigned char c : raw) a = (a + c) % 65521, b = (b + a) % 65521;
    put32(z, (b << 16) | a);
    std::vector<unsigned char> o{0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    std::vector<unsigned char> ihdr;
    put32(ihdr, w);
    put32(ihdr, h);
    ihdr.insert(ihdr.end(), {8, 0, 0, 0, 0});
    chunk(o, "IHDR", ihdr);
    chunk(o, "IDAT", z);
    chunk(o, "IEND", {});
    return o;
}
}  // namespace

bool session_stock_procedures() { return ext_state<SessionStock>("session_stock").rows > 0; }

std::string write_stock_picture(const std::string& dir)
{
    i32 handle = -1, nx = 0, ny = 0, ncells = 0;
    f32 box[6] = {}, cell = 0.0f;
    set_get_stock_vars(1, handle, nx, ny, ncells, box, cell);
    void* base = nullptr;
    if (handle >= 0) mmcptr(handle, base);
    if (!base || nx < 1 || ny < 1 || std::int64_t(nx) * ny != ncells || ncells > 16000000) return {};
    // The cells as the host's stock simulation reads them: 16 bytes, the
    // stock's top as the real at byte 8.
    std::vector<f32> top(static_cast<size_t>(ncells));
    const unsigned char* c = static_cast<const unsigned char*>(base);
    // A cell whose top lies at or below the raw stock's bottom (the lowest
    // min Z of the session's raw stocks; the grid itself keeps no Z) holds
    // no stock either: the tool went through the block there (the ball of
    // cavity_stock.json reaches Z -35.75 below a block ending at -30) and
    // the cell keeps the depth the tool reached. It is drawn black like a
    // cell no stock covers, for what a user reads in the picture is whether
    // material is left, and there none is; drawn grey it would look like
    // the deepest floor of stock still standing.
    const f32 bottom = f32(std::max(ext_state<SessionStock>("session_stock").bottom, -1.0e30));
    f32 lo = 1.0e30f, hi = -1.0e30f;
    for (size_t k = 0; k < top.size(); ++k) {
        std::memcpy(&top[k], c + 16 * k + 8, sizeof(f32));
        if (!(top[k] < 1.0e9f) || !(top[k] > bottom)) {
            top[k] = 1.0e10f;
            continue;
        }
        lo = std::min(lo, top[k]);
        hi = std::max(hi, top[k]);
    }
    // Each cell a square of pixels, the image at least 400 pixels wide; the
    // highest stock white, the lowest dark grey, no stock black; north up.
    const std::uint32_t s = std::uint32_t(std::clamp((400 + nx - 1) / nx, 1, 8)), w = std::uint32_t(nx) * s, h = std::uint32_t(ny) * s;
    std::vector<unsigned char> pix(size_t(w) * h, 0);
    for (std::uint32_t y = 0; y < h; ++y)
        for (std::uint32_t x = 0; x < w; ++x) {
            const f32 v = top[size_t(ny - 1 - i32(y / s)) * size_t(nx) + x / s];
            if (!(v < 1.0e9f)) continue;
            pix[size_t(y) * w + x] = static_cast<unsigned char>(hi > lo ? 40.0f + 215.0f * (v - lo) / (hi - lo) : 255.0f);
        }
    const std::vector<unsigned char> png = png_grey(pix, w, h);
    const std::string path = dir + "/stock.png";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f) std::fwrite(png.data(), 1, png.size(), f);
    return end_file(f, path);
}

}  // namespace norak
