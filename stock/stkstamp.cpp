#include "stock/stkstamp.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "core/prcwrd.h"
#include "core/host.h"
#include "stock/optwords.h"
#include "stock/stkgrid.h"
#include "stock/stkimage.h"
#include "stock/stkpeak.h"

StkSweep stk_sweep = {0, -100000.0f, {}};

namespace {

constexpr f64 DEG = M_PI / 180.0;
constexpr f32 NO_TOP = -100000.0f;

// What one placement does to a cell.
enum Op {
    MEAS1,  // measure against the first height
    CUT1,   // measure against the first height and cut it
    MEAS2,  // measure against the second height
    LIFT1,  // lift the tool onto the first height
    LIFT2,  // lift the tool onto the second height
    TOP,    // the highest contact of the tool surface, whatever its height
    PEEK1,  // MEAS1 passing over the cells whose block cannot reach the tool
};

struct Acc {
    f32 max = 0.0f, sum = 0.0f;  // deepest cut, sum of the cuts
    f32 z = 0.0f;                // tip height of the lift operations
    f64 contact = 0.0;           // TOP: the highest tip height touching stock
    bool found = false;          // TOP: a cell with stock lies under the tool
};

// Applies the operation to one cell at tool surface height s (the tip at
// z_tip for the lift operations, v the image value); answers whether stock
// was found (a cut deeper than 0).
template <int OP>
inline bool apply(StkCell& c, f32 s, f32 v, i32 move, Acc& a)
{
    if constexpr (OP == LIFT1 || OP == LIFT2) {
        const f32 H = OP == LIFT1 ? c.h1 : c.h2;
        if (H < STK_EMPTY && v < STK_EMPTY && H - v > a.z) a.z = H - v;
        return false;
    } else {
        const f32 H = OP == MEAS2 ? c.h2 : c.h1;
        if (!(H < STK_EMPTY)) return false;
        if (H > stk_sweep.top) stk_sweep.top = H;
        if constexpr (OP == TOP) {
            if (s < STK_EMPTY) {
                const f64 t = f64(H) - s;
                if (!a.found || t > a.contact) a.contact = t;
                a.found = true;
            }
            return false;
        } else {
            const f32 depth = H - s;
            if (!(depth > 0.0f && depth < STK_EMPTY)) return false;
            a.sum += depth;
            if (depth > a.max) a.max = depth;
            if constexpr (OP == CUT1) {
                c.h1 = s;
                c.move = move;
            }
            return true;
        }
    }
}

// Where the current image lies over the cells with its axis at (px, py):
// the cell nearest the axis and that cell's offset from the axis in image
// steps, truncated (cell cx + i is taken with the image at ix + 8i).
struct Anchor {
    i32 cx, cy, ix, iy;
    bool ok;  // false: too far off the grid to be addressed
};

Anchor anchor(f64 px, f64 py)
{
    const StkGrid& g = stk_grid;
    const f64 x = px - g.box[0], y = py - g.box[1];
    // The nearest cell is floor(offset + 0.5), not (offset + 0.5) truncated:
    // truncation toward zero gives cell 0 for an axis up to 1.5 cells left of
    // (or below) the grid's minimum, so the image would be laid a cell off
    // and cut the cells at the rim with the heights of the wrong ring. Both
    // agree for an axis at or past the minimum.
    Anchor an{stk_cell_round(x / g.cell), stk_cell_round(y / g.cell), 0, 0, false};
    const f64 e = (f64(stk_img.diam) * 0.5) / stk_img.k8;  // the image step
    const f64 ox = (f64(an.cx) * g.cell - x) / e, oy = (f64(an.cy) * g.cell - y) / e;
    if (!(std::fabs(ox) < 1.0e6 && std::fabs(oy) < 1.0e6)) return an;
    an.ix = static_cast<i32>(ox), an.iy = static_cast<i32>(oy);
    an.ok = true;
    return an;
}

// Whether the image placed at `an` gives cell (gc, gr) a height.
bool image_takes(const Anchor& an, i32 gc, i32 gr)
{
    if (!an.ok) return false;
    const i64 ic = std::abs(an.ix + 8 * (i64(gc) - an.cx)), ir = std::abs(an.iy + 8 * (i64(gr) - an.cy));
    if (ic > stk_img.k8 || ir > stk_img.k8) return false;
    return stk_img.image[ir * stk_img.n + ic] < STK_EMPTY;
}

// The first cell (column c0, row r0) of the image's window around an anchor
// and its image offsets (ic0, ir0, in eighths of a cell): k cells each side,
// one fewer on the side the axis leans away from.
struct Window {
    i32 c0, ic0, r0, ir0;
};
Window window_at(const Anchor& an, i32 k8)
{
    const i32 k = k8 / 8;
    Window w{an.cx - k, an.ix - k8, an.cy - k, an.iy - k8};
    if (an.ix < 0) w.c0 += 1, w.ic0 += 8;
    if (an.iy < 0) w.r0 += 1, w.ir0 += 8;
    return w;
}

// The current image at a point: the window of cells around the axis, each
// taken with the image value at its offset (in eighths of a cell).
template <int OP>
void place(StkCell* cells, const f32* p, f32 z, i32 move, Acc& a)
{
    const StkGrid& g = stk_grid;
    const f32* img = stk_img.image;
    const i32 k8 = stk_img.k8, n = stk_img.n;
    const Anchor an = anchor(p[0], p[1]);
    if (!an.ok) return;
    const Window w = window_at(an, k8);
    const i32 c0 = w.c0, ic0 = w.ic0, r0 = w.r0, ir0 = w.ir0;
    for (i32 gr = r0, ir = ir0; ir < n && gr < g.ny; ++gr, ir += 8) {
        if (gr < 0 || ir < -k8) continue;
        const f32* row = img + static_cast<size_t>(std::abs(ir)) * n;
        StkCell* crow = cells + static_cast<size_t>(gr) * g.nx;
        for (i32 gc = c0, ic = ic0; ic < n && gc < g.nx; ++gc, ic += 8) {
            if (gc < 0 || ic < -k8) continue;
            const f32 v = row[std::abs(ic)];
            apply<OP>(crow[gc], v + z, v, move, a);
        }
    }
}

// What a measure passing over blocks works with: the peaks, the bounds of
// the current image, and for a sweep the blocks around the move (by0 rows
// of bw from bx0) that may hold stock above the tool's lowest point over it.
// A block column of a placement: its first and last step.
struct PeekCol {
    i32 q0, q1;
};
struct PeekRun {
    StkPeaks* peaks = nullptr;
    const StkPeaks::Bounds* bounds = nullptr;
    i32 bx0 = 0, by0 = 0, bw = 0, bh = 0;
    std::vector<char> hot;
    // A placement's block columns, and those of a block row that can reach
    // the tool; kept between placements: no allocation once grown.
    std::vector<PeekCol> cols, live;
};
PeekRun peek;

// Floor and ceiling of a / b for b > 0.
i32 floor_div(i32 a, i32 b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }
i32 ceil_div(i32 a, i32 b) { return -floor_div(-a, b); }

// The smallest |v0 + 8 q| for q from qa to qb.
i32 least_abs(i32 v0, i32 qa, i32 qb)
{
    const i32 a = v0 + 8 * qa, b = v0 + 8 * qb;
    if (a >= 0) return a;
    if (b <= 0) return -b;
    return 0;
}

// place<MEAS1> over the cells of the blocks that can reach the tool surface:
// the same cells in the same order (rows along X, then up), less those of a
// block whose peak lies at or below the lowest surface the image can put
// over it (its lowest entry at the block's least distance from the axis),
// where no cell can hold stock above the tool.
void place_peek(StkCell* cells, const f32* p, f32 z, i32 move, Acc& a)
{
    const StkGrid& g = stk_grid;
    const f32* img = stk_img.image;
    const i32 k8 = stk_img.k8, n = stk_img.n;
    const Anchor an = anchor(p[0], p[1]);
    if (!an.ok) return;
    const Window w = window_at(an, k8);
    const i32 c0 = w.c0, ic0 = w.ic0, r0 = w.r0, ir0 = w.ir0;
    // The steps q of the window that place() takes: column c0 + q with
    // image column ic0 + 8 q inside both the grid and the image.
    const i32 qa = std::max({0, -c0, ceil_div(-k8 - ic0, 8)});
    const i32 qb = std::min(g.nx - 1 - c0, floor_div(n - 1 - ic0, 8));
    const i32 ra = std::max({0, -r0, ceil_div(-k8 - ir0, 8)});
    const i32 rb = std::min(g.ny - 1 - r0, floor_div(n - 1 - ir0, 8));
    if (qa > qb || ra > rb) return;
    const StkPeaks::Bounds& b = *peek.bounds;
    const size_t rings = b.ring.size();
    const i32 ca = c0 + qa, cb = c0 + qb;
    const i32 ba = ca >> StkPeaks::SHIFT, bb = cb >> StkPeaks::SHIFT;
    if (peek.cols.size() < static_cast<size_t>(bb - ba + 1)) {
        peek.cols.resize(static_cast<size_t>(bb - ba + 1));
        peek.live.resize(peek.cols.size());
    }
    PeekCol* col = peek.cols.data();
    for (i32 bc = ba; bc <= bb; ++bc) {
        PeekCol& x = col[bc - ba];
        x.q0 = std::max(qa, (bc << StkPeaks::SHIFT) - c0);
        x.q1 = std::min(qb, ((bc + 1) << StkPeaks::SHIFT) - 1 - c0);
    }
    const f32 lowest = b.ring[0] + z;  // the lowest tool surface anywhere
    const i32 brb = (r0 + rb) >> StkPeaks::SHIFT;
    for (i32 br = (r0 + ra) >> StkPeaks::SHIFT; br <= brb; ++br) {
        const i32 s0 = std::max(ra, (br << StkPeaks::SHIFT) - r0);
        const i32 s1 = std::min(rb, ((br + 1) << StkPeaks::SHIFT) - 1 - r0);
        const f64 ir_min = least_abs(ir0, s0, s1);
        // The block columns of this block row that can reach the tool.
        i32 live = 0;
        for (i32 bc = ba; bc <= bb; ++bc) {
            const PeekCol& x = col[bc - ba];
            const f32 top = peek.peaks->peak(bc, br);
            if (!(top > lowest)) continue;
            const f64 ic_min = least_abs(ic0, x.q0, x.q1);
            const size_t r = static_cast<size_t>(std::sqrt(ic_min * ic_min + ir_min * ir_min));
            const f32 v = r < rings ? b.ring[r] : std::numeric_limits<f32>::infinity();
            const f32 s = v + z;  // the lowest tool surface over the block
            if (top > s) peek.live[static_cast<size_t>(live++)] = x;
        }
        for (i32 q = s0; q <= s1 && live > 0; ++q) {
            const i32 gr = r0 + q, ir = ir0 + 8 * q;
            const f32* row = img + static_cast<size_t>(std::abs(ir)) * n;
            StkCell* crow = cells + static_cast<size_t>(gr) * g.nx;
            for (i32 l = 0; l < live; ++l) {
                const PeekCol& x = peek.live[static_cast<size_t>(l)];
                for (i32 qq = x.q0; qq <= x.q1; ++qq) {
                    const f32 v = row[std::abs(ic0 + 8 * qq)];
                    apply<MEAS1>(crow[c0 + qq], v + z, v, move, a);
                }
            }
        }
    }
}

// The move as the rows walk it.
struct Move {
    f64 p0[3], d[3];  // start and displacement
    f64 u[2], nrm[2]; // unit direction in XY and its left normal
    f64 dist;         // length in XY
    i32 major;        // 0 along X, 1 along Y
    i32 a;            // slope row
    i32 k8;           // profile columns across the outer radius
    f64 fwd;          // the profile's offset is taken forwards (1), or backwards going down (-1)
    i32 steps;        // step count for the engagement flags (0: none kept)
    bool flags;       // the engagement is recorded
    Anchor end[2];    // the image as the end stamps place it at the start and the end
};

// The tool's height over its tip at distance r from the axis (< ro): the
// level row of the profile table, between the two columns around r.
f64 tool_height(f64 r, f64 ro)
{
    const i32 k8 = stk_img.k8;
    const f32* row = stk_img.profile;  // slope 0
    const f64 q = r / ro * k8;
    i32 j = static_cast<i32>(q);
    f64 w = q - j;
    if (j >= k8) j = k8, w = 0.0;
    const f64 h0 = row[2 * j + 1], h1 = j < k8 ? row[2 * j + 3] : h0;
    if (h0 < STK_EMPTY && h1 < STK_EMPTY) return h0 + w * (h1 - h0);
    if (w >= 0.5 && h1 < STK_EMPTY) return h1;
    return h0;
}

// One row of the sweep: the line of the lowest points of the tool at a
// lateral offset, from `s` over the displacement of the move. The row is
// walked one cell at a time along the major axis, taking in each column (or
// row) of the grid the cell nearest to the line; the walk reaches one cell
// past either end of the row. A cell is cut only where its centre lies
// under the tool at some point of the move, and then to the lowest envelope
// of the tool at the cell's own lateral offset (its own row through the
// profile table), so that what it gets does not depend on which of the
// rows reached it. Past the ends of its own row the end stamps cover it,
// save the cells under the tool standing at an end that its sampled image
// leaves out (near the rim, within an image step of the outer radius): the
// row cuts those to the tool's own height there.
template <int OP>
void walk(StkCell* cells, const Move& mv, const f32* prow, const f64* s, f64 ro, i32 move, Acc& a)
{
    const StkGrid& g = stk_grid;
    const i32 M = mv.major, m = 1 - M;
    const f64 gM = g.box[M], gm = g.box[m], cell = g.cell;
    const i32 nM = M == 0 ? g.nx : g.ny, nm = M == 0 ? g.ny : g.nx;
    const f64 sM = s[M], dM = mv.d[M];
    const f64 lo = std::fmin(sM, sM + dM) - cell, hi = std::fmax(sM, sM + dM) + cell;
    i32 c_lo = stk_cell_round(std::ceil((lo - gM) / cell - 1.0e-9));
    i32 c_hi = stk_cell_round(std::floor((hi - gM) / cell + 1.0e-9));
    if (c_lo < 0) c_lo = 0;
    if (c_hi > nM - 1) c_hi = nM - 1;
    const f64 ro2 = ro * ro, cols = mv.k8 / ro, inv_dist = 1.0 / mv.dist;
    const i32 last = std::min(mv.steps, STK_STEPS_MAX);
    // The row's minor coordinate in cells, advancing by a fixed step a cell.
    const f64 step = mv.d[m] / dM;
    const f64 m0 = (s[m] + (gM + c_lo * cell - sM) * step - gm) / cell + 0.5;
    for (i32 c = c_lo; c <= c_hi; ++c) {
        const f64 cM = gM + c * cell;
        const f64 mcell = m0 + (c - c_lo) * step;
        if (!(mcell >= 0.0 && mcell < nm)) continue;
        const i32 cm = static_cast<i32>(mcell);
        if constexpr (OP == PEEK1) {
            // A cell of a block that cannot reach the tool over the move is
            // passed over (a cell outside the blocks looked at is taken).
            const i32 bi = ((M == 0 ? c : cm) >> StkPeaks::SHIFT) - peek.bx0;
            const i32 bj = ((M == 0 ? cm : c) >> StkPeaks::SHIFT) - peek.by0;
            if (bi >= 0 && bj >= 0 && bi < peek.bw && bj < peek.bh && !peek.hot[static_cast<size_t>(bj) * peek.bw + bi])
                continue;
        }
        const f64 x = (M == 0 ? cM : gm + cm * cell) - mv.p0[0], y = (M == 0 ? gm + cm * cell : cM) - mv.p0[1];
        const f64 lat = x * mv.nrm[0] + y * mv.nrm[1];
        const f64 along = x * mv.u[0] + y * mv.u[1];
        const f64 past = along < 0.0 ? along : (along > mv.dist ? along - mv.dist : 0.0);
        if (lat * lat + past * past >= ro2) continue;
        // The profile at the cell's offset, between the two columns around it.
        const f64 q = std::fabs(lat) * cols;
        i32 j = static_cast<i32>(q);
        f64 w = q - j;
        if (j >= mv.k8) j = mv.k8, w = 0.0;
        const f32* p0 = prow + 2 * j;
        const f32* p1 = j < mv.k8 ? p0 + 2 : p0;
        f64 f = p0[0], h = p0[1];
        if (!(p0[1] < STK_EMPTY) || !(p1[1] < STK_EMPTY)) {
            if (w >= 0.5 && p1[1] < STK_EMPTY) f = p1[0], h = p1[1];
            if (!(h < STK_EMPTY)) continue;
        } else {
            f += w * (p1[0] - f), h += w * (p1[1] - h);
        }
        f64 t = (along - mv.fwd * f) * inv_dist;
        const i32 idx = M == 0 ? cm * g.nx + c : c * g.nx + cm;
        if (t < 0.0 || t > 1.0) {
            const i32 at = t < 0.0 ? 0 : 1;
            const f64 b = at == 0 ? along : along - mv.dist;  // along the move from that end
            const f64 r2 = lat * lat + b * b;
            if (r2 >= ro2) continue;
            if (image_takes(mv.end[at], M == 0 ? c : cm, M == 0 ? cm : c)) continue;
            h = tool_height(std::sqrt(r2), ro);
            if (!(h < STK_EMPTY)) continue;
            t = at;
        }
        const f32 z = static_cast<f32>(mv.p0[2] + h + t * mv.d[2]);
        if (apply<OP>(cells[idx], z, 0.0f, move, a) && mv.flags) {
            i32 st = stk_cell_round(t * mv.steps);
            st = st < 0 ? 0 : (st > last ? last : st);
            stk_sweep.flags[st] = 1;
        }
    }
}

template <int OP>
void rows(StkCell* cells, const Move& mv, i32 move, Acc& a)
{
    const f64 ro = f64(stk_img.diam) * 0.5, cell = stk_grid.cell;
    const i32 k8 = stk_img.k8, n = stk_img.n;
    const f64 stretch = mv.dist / std::fabs(mv.d[mv.major]);
    i32 m = static_cast<i32>(2.0 * (ro / cell * stretch + 1.0));
    if (m < 3) m = 2;
    const f32* prow = stk_img.profile + 2 * static_cast<size_t>(mv.a) * n;
    for (i32 i = -m; i <= m; ++i) {
        const f64 l = i * ro / m;
        i32 j = stk_cell_round(std::fabs(l) * k8 / ro);
        if (j > k8) j = k8;
        const f64 f = prow[2 * j], h = prow[2 * j + 1];
        if (!(h < STK_EMPTY)) continue;
        const f64 s[2] = {mv.p0[0] + l * mv.nrm[0] + mv.fwd * f * mv.u[0],
                          mv.p0[1] + l * mv.nrm[1] + mv.fwd * f * mv.u[1]};
        walk<OP>(cells, mv, prow, s, ro, move, a);
    }
}

void place_op(i32 op, StkCell* cells, const f32* p, f32 z, i32 move, Acc& a)
{
    switch (op) {
    case MEAS1: place<MEAS1>(cells, p, z, move, a); break;
    case CUT1: place<CUT1>(cells, p, z, move, a); break;
    case MEAS2: place<MEAS2>(cells, p, z, move, a); break;
    case LIFT1: place<LIFT1>(cells, p, z, move, a); break;
    case LIFT2: place<LIFT2>(cells, p, z, move, a); break;
    case PEEK1: place_peek(cells, p, z, move, a); break;
    default: place<TOP>(cells, p, z, move, a); break;
    }
}

void rows_op(i32 op, StkCell* cells, const Move& mv, i32 move, Acc& a)
{
    switch (op) {
    case MEAS1: rows<MEAS1>(cells, mv, move, a); break;
    case CUT1: rows<CUT1>(cells, mv, move, a); break;
    case MEAS2: rows<MEAS2>(cells, mv, move, a); break;
    case PEEK1: rows<PEEK1>(cells, mv, move, a); break;
    default: rows<TOP>(cells, mv, move, a); break;
    }
}

bool ready() { return stk_cells() != nullptr && stk_img.image != nullptr && stk_img.profile != nullptr; }

// The blocks a sweep's rows may reach (the cells within the outer radius
// of the move, a margin of two cells around them) marked where their peak
// lies above the lowest tool surface over the move: the tip's lower end
// plus the lowest height of the move's profile row or of the level row.
// The rows compute each surface height as (start Z + h) + t dZ with t from
// 0 to 1, which is never below (start Z + lowest h) + min(0, dZ) in the
// same arithmetic. False when no block is marked: the rows find nothing.
bool peek_blocks(const Move& mv, const f32* p0, const f32* p1)
{
    const StkGrid& g = stk_grid;
    const f64 reach = f64(stk_img.diam) * 0.5 + 2.0 * g.cell;
    auto block = [&](f64 v, f64 origin, i32 n) {
        f64 q = std::floor((v - origin) / g.cell);
        q = q < 0.0 ? 0.0 : (q > n - 1 ? n - 1 : q);
        return static_cast<i32>(q) >> StkPeaks::SHIFT;
    };
    const i32 x0 = block(std::fmin(p0[0], p1[0]) - reach, g.box[0], g.nx);
    const i32 x1 = block(std::fmax(p0[0], p1[0]) + reach, g.box[0], g.nx);
    const i32 y0 = block(std::fmin(p0[1], p1[1]) - reach, g.box[1], g.ny);
    const i32 y1 = block(std::fmax(p0[1], p1[1]) + reach, g.box[1], g.ny);
    peek.bx0 = x0, peek.by0 = y0, peek.bw = x1 - x0 + 1, peek.bh = y1 - y0 + 1;
    peek.hot.assign(static_cast<size_t>(peek.bw) * peek.bh, 0);
    const f64 lowest = mv.p0[2] + f64(peek.bounds->row[static_cast<size_t>(mv.a)]);
    const f32 z = static_cast<f32>(lowest + std::fmin(0.0, mv.d[2]));
    bool any = false;
    for (i32 j = y0; j <= y1; ++j)
        for (i32 i = x0; i <= x1; ++i) {
            const bool h = peek.peaks->peak(i, j) > z;
            peek.hot[static_cast<size_t>(j - y0) * peek.bw + (i - x0)] = h;
            any = any || h;
        }
    return any;
}

// What a sweep gives back.
struct SweepOut {
    Acc move, end;  // over the rows, at the end point
};

// The sweep: rows with op_rows, the end point with op_end; the engagement
// per step when `flags`.
void sweep(i32 op_rows, i32 op_end, bool flags, const f32* p0, const f32* p1, i32 move, SweepOut& o)
{
    StkCell* cells = stk_cells();
    const StkGrid& g = stk_grid;
    const f64 ro = f64(stk_img.diam) * 0.5, cell = g.cell;
    stk_sweep.steps = 0;
    stk_sweep.top = NO_TOP;
    auto below = [&](i32 c, f64 lim) { return f64(p0[c]) + ro < lim && f64(p1[c]) + ro < lim; };
    auto above = [&](i32 c, f64 lim) { return f64(p0[c]) - ro > lim && f64(p1[c]) - ro > lim; };
    if (below(0, g.box[0]) || above(0, g.box[3]) || below(1, g.box[1]) || above(1, g.box[4])) return;

    Move mv{};
    for (i32 k = 0; k < 3; ++k) mv.p0[k] = p0[k], mv.d[k] = f64(p1[k]) - p0[k];
    mv.flags = flags;
    mv.dist = std::hypot(mv.d[0], mv.d[1]);
    bool vertical = mv.d[0] == 0.0 && mv.d[1] == 0.0;
    f64 slope = 0.0;
    if (!vertical) {
        slope = std::atan(std::fabs(mv.d[2]) / mv.dist) / DEG;
        vertical = stk_cell_round(slope) >= 90;
    }
    auto clear_flags = [&](i32 steps) {
        mv.steps = steps;
        stk_sweep.steps = steps;
        std::memset(stk_sweep.flags, 0, std::min(static_cast<size_t>(steps) + 2, sizeof stk_sweep.flags));
    };
    // A vertical or a short move clears its flags too, not only a move whose
    // rows are walked: the contact point (mode 1) and the free length (mode
    // 2) are read from flags 0 to the step count after every sweep, and flags
    // left there by the sweep before would give this move the earlier
    // move's contact, and the holder stage a free length it never had.
    if (vertical) {
        if (flags) clear_flags(0);
        if (mv.d[2] >= 0.0) return;  // up: nothing is stamped
    } else if (std::fabs(mv.d[0]) <= cell && std::fabs(mv.d[1]) <= cell) {
        // One step in every mode; the flags are kept only where they are read.
        if (flags) clear_flags(1);
        else mv.steps = stk_sweep.steps = 1;
    } else {
        mv.u[0] = mv.d[0] / mv.dist, mv.u[1] = mv.d[1] / mv.dist;
        mv.nrm[0] = -mv.u[1], mv.nrm[1] = mv.u[0];
        mv.a = stk_cell_round(slope);  // 0 to 89: 90 and above went as vertical
        mv.k8 = stk_img.k8;
        mv.fwd = mv.d[2] < 0.0 ? -1.0 : 1.0;
        mv.major = std::fabs(mv.d[0]) >= std::fabs(mv.d[1]) ? 0 : 1;
        mv.end[0] = anchor(p0[0], p0[1]), mv.end[1] = anchor(p1[0], p1[1]);
        if (flags) {
            const f64 s = std::floor(std::fabs(mv.d[mv.major]) / cell);
            clear_flags(s > STK_STEPS_MAX ? STK_STEPS_MAX : static_cast<i32>(s));
        }
        if (op_rows != PEEK1 || peek_blocks(mv, p0, p1)) rows_op(op_rows, cells, mv, move, o.move);
    }
    // The end point.
    place_op(op_end, cells, p1, p1[2], move, o.end);
    if (flags && o.end.sum > 0.0f) stk_sweep.flags[std::min(mv.steps, STK_STEPS_MAX)] = 1;
}

}  // namespace

i32 stk_tool_at(const i32& mode, f32* point, const i32& move, f32& max_depth, f32& sum_depth)
{
    max_depth = sum_depth = 0.0f;
    const bool lift = mode == 2 || mode == 3;
    // Without a grid or an image nothing is measured or cut, and a lifted
    // point stays where it was.
    if (!ready()) return lift ? 1 : 0;
    StkCell* cells = stk_cells();
    Acc a;
    if (lift) {
        const f32 z0 = point[2];
        a.z = z0;
        place_op(mode == 2 ? LIFT1 : LIFT2, cells, point, 0.0f, move, a);
        point[2] = a.z;
        max_depth = z0 - a.z;
        return 1;
    }
    place_op(mode == 1 ? CUT1 : (mode == 4 ? MEAS2 : MEAS1), cells, point, point[2], move, a);
    max_depth = a.max;
    sum_depth = a.sum;
    return 0;
}

void stk_tool_drop(const f32* xy, f32* point, i32& status)
{
    point[0] = xy[0], point[1] = xy[1], point[2] = NO_TOP;
    f32 a = 0.0f, b = 0.0f;
    static const i32 LIFT = 2, NOMOVE = 0;
    stk_tool_at(LIFT, point, NOMOVE, a, b);
    status = point[2] <= NO_TOP ? 1 : 0;
}

namespace {
// stk_move_sweep with its operations along the rows and at the end point
// (peek: the measures of the first height that pass over blocks).
void move_sweep(bool peeks, const i32& cut, const i32& mode, const f32* p0, const f32* p1, const i32& move,
                f32& max_depth, f32& end_depth, f32& top, f32& volume, f32& end_volume, f32* point, f32& length,
                i32& status)
{
    max_depth = end_depth = volume = end_volume = length = 0.0f;
    top = NO_TOP;
    stk_sweep.top = NO_TOP;
    for (i32 k = 0; k < 3; ++k) point[k] = p1[k];
    status = 0;
    // Without a grid or an image the sweep fails rather than report a move
    // through no stock.
    if (!ready()) {
        status = -1;
        return;
    }
    const i32 meas1 = peeks ? PEEK1 : MEAS1;
    const i32 op_rows = cut != 0 ? CUT1 : (mode == 3 ? MEAS2 : meas1);
    const i32 op_end = mode == 3 ? MEAS2 : (cut != 0 ? CUT1 : meas1);
    const bool flags = mode == 1 || mode == 2;
    SweepOut o;
    sweep(op_rows, op_end, flags, p0, p1, move, o);
    const f32 c2 = stk_grid.cell * stk_grid.cell;
    max_depth = std::max(o.move.max, o.end.max);
    end_depth = o.end.max;
    volume = (o.move.sum + o.end.sum) * c2;
    end_volume = o.end.sum * c2;
    top = stk_sweep.top;
    if (!flags) return;
    // Where the tool first meets stock (mode 1), or the first free stretch (mode 2).
    const i32 sn = std::min(stk_sweep.steps, STK_STEPS_MAX);
    const i32 steps = stk_sweep.steps;
    auto at_step = [&](i32 s) {
        if (steps <= 0 || s >= sn) {
            for (i32 k = 0; k < 3; ++k) point[k] = p1[k];
            return;
        }
        for (i32 k = 0; k < 3; ++k) point[k] = static_cast<f32>((f64(steps - s) * p0[k] + f64(s) * p1[k]) / steps);
    };
    if (mode == 1) {
        i32 s = 0;
        while (s <= sn && !stk_sweep.flags[s]) ++s;
        at_step(s);
    } else {
        i32 s0 = 0;
        while (s0 <= sn && stk_sweep.flags[s0]) ++s0;
        if (s0 > sn) s0 = sn;
        // No flagged step after the free one: the free length runs to the
        // last step.
        i32 s1 = s0 + 1;
        while (s1 <= sn && !stk_sweep.flags[s1]) ++s1;
        if (s1 > sn) s1 = sn;
        const f64 dM = std::max(std::fabs(f64(p1[0]) - p0[0]), std::fabs(f64(p1[1]) - p0[1]));
        const f64 dist = std::hypot(f64(p1[0]) - p0[0], f64(p1[1]) - p0[1]);
        length = dM > 0.0 ? static_cast<f32>((s1 - s0) * f64(stk_grid.cell) * dist / dM) : 0.0f;
        at_step(s0);
    }
}

// Makes the peaks and the current image's bounds those of the measures that
// pass over blocks; false when they cannot be used (the plain measure then
// gives the same answers).
bool peek_with(StkPeaks& peaks)
{
    if (!ready() || !peaks.ready()) return false;
    peek.peaks = &peaks;
    peek.bounds = peaks.bounds();
    return peek.bounds != nullptr;
}
}  // namespace

void stk_move_sweep(const i32& cut, const i32& mode, const f32* p0, const f32* p1, const i32& move, f32& max_depth,
                    f32& end_depth, f32& top, f32& volume, f32& end_volume, f32* point, f32& length, i32& status)
{
    move_sweep(false, cut, mode, p0, p1, move, max_depth, end_depth, top, volume, end_volume, point, length, status);
}

void stk_move_depth(const i32& mode, const f32* p0, const f32* p1, StkPeaks& peaks, f32& max_depth, f32& end_depth,
                    f32& volume, f32& end_volume, f32* point, f32& length, i32& status)
{
    f32 top = 0.0f;
    static const i32 NO_CUT = 0, NO_MOVE = 0;
    move_sweep(peek_with(peaks), NO_CUT, mode, p0, p1, NO_MOVE, max_depth, end_depth, top, volume, end_volume,
               point, length, status);
}

void stk_tool_depth(const f32* point, StkPeaks& peaks, f32& max_depth, f32& sum_depth)
{
    if (!peek_with(peaks)) {
        f32 p[3] = {point[0], point[1], point[2]};
        static const i32 MEASURE = 0, NOMOVE = 0;
        stk_tool_at(MEASURE, p, NOMOVE, max_depth, sum_depth);
        return;
    }
    Acc a;
    place_peek(stk_cells(), point, point[2], 0, a);
    max_depth = a.max;
    sum_depth = a.sum;
}

void stk_move(const i32& cut, const i32& mode, const f32* p0, const f32* p1, const i32& move, f32& max_depth,
              f32& end_depth, f32& volume, f32& end_volume, f32* point, f32& length, i32& status)
{
    f32 top = 0.0f;
    stk_move_sweep(cut, mode, p0, p1, move, max_depth, end_depth, top, volume, end_volume, point, length, status);
}

void stk_move_top(const f32* p0, const f32* p1, f32& top_move, f32& top_end, i32& status)
{
    constexpr f32 DEEP = -200000.0f;
    top_move = top_end = DEEP;
    status = 1;
    if (!ready()) return;
    // The move at tip height 0: the highest contact over the cells is the
    // height at which the tool clears the stock. Measured from -200000.0 in
    // single precision, the heights would come back in steps of 1/64.
    const f32 q0[3] = {p0[0], p0[1], 0.0f}, q1[3] = {p1[0], p1[1], 0.0f};
    SweepOut o;
    stk_sweep.top = NO_TOP;
    const bool point = p0[0] == p1[0] && p0[1] == p1[1];
    if (point) {
        place_op(TOP, stk_cells(), q1, 0.0f, 0, o.end);
    } else {
        sweep(TOP, TOP, false, q0, q1, 0, o);
        // The tool at the start clears the stock under it as well: the rows
        // begin at its lowest points, and the half behind them is met here.
        place_op(TOP, stk_cells(), q0, 0.0f, 0, o.move);
    }
    if (o.end.found) top_end = static_cast<f32>(o.end.contact);
    const bool found = o.move.found || o.end.found;
    if (!found) return;
    f64 t = o.end.found ? o.end.contact : o.move.contact;
    if (o.move.found && o.move.contact > t) t = o.move.contact;
    top_move = static_cast<f32>(t);
    if (point) top_end = top_move;
    status = 0;
}

void stk_move_cross(const f32* pa, const f32* pb, const f32& z, f32* point, i32& status)
{
    status = 0;
    const f32* lo = pa[2] <= pb[2] ? pa : pb;
    const f32* hi = lo == pa ? pb : pa;
    const f64 dxy = std::hypot(f64(hi[0]) - lo[0], f64(hi[1]) - lo[1]);
    // The probe count kept finite and within an integer, also without a grid
    // or for a move of no sense; the bisection takes its log anyway.
    const f64 cell = stk_grid.cell > 0.0f ? stk_grid.cell : 1.0;
    const f64 nn = std::floor(2.0 * dxy / cell);
    const i32 n = nn < 1.0 ? 1 : (nn > 1.0e6 ? 1000000 : static_cast<i32>(nn));
    // A probe: the tool dropped at step m of n from the lower end.
    struct Probe {
        f32 xy[2];
        f32 h;
    };
    auto probe = [&](i32 m) {
        Probe p{{static_cast<f32>((f64(n - m) * lo[0] + f64(m) * hi[0]) / n),
                 static_cast<f32>((f64(n - m) * lo[1] + f64(m) * hi[1]) / n)},
                0.0f};
        f32 dropped[3];
        i32 st = 0;
        stk_tool_drop(p.xy, dropped, st);
        p.h = dropped[2];
        return p;
    };
    // The probes at the two ends of the bracket are kept: the crossing is
    // interpolated between the last probe at or below z and the last one
    // above it. The last two probes taken can lie on the same side of z
    // (below, then two above), and a line through them would reach z only
    // outside the bracket.
    i32 a = 0, b = n, m = 0;
    Probe low{}, high{}, cur{};
    bool have_low = false;
    do {
        m = (a + b) / 2;
        cur = probe(m);
        if (cur.h <= z)
            a = m, low = cur, have_low = true;
        else
            b = m, high = cur;
    } while (b - a > 1);
    point[2] = z;
    if (m == 0) {
        point[0] = lo[0], point[1] = lo[1];
        return;
    }
    if (m >= n - 1 && cur.h <= z) {
        point[0] = hi[0], point[1] = hi[1];
        status = 1;
        return;
    }
    if (!have_low) low = probe(0);  // the bracket still starts at the lower end
    if (high.h == low.h) {
        point[0] = low.xy[0], point[1] = low.xy[1];
        return;
    }
    f64 t = (f64(z) - low.h) / (f64(high.h) - low.h);
    t = t < 0.0 ? 0.0 : (t > 1.0 ? 1.0 : t);
    point[0] = static_cast<f32>(low.xy[0] + t * (f64(high.xy[0]) - low.xy[0]));
    point[1] = static_cast<f32>(low.xy[1] + t * (f64(high.xy[1]) - low.xy[1]));
}

void stk_tool_change(const i32& cut, const f32* record, i32& status)
{
    status = 0;
    f32 p[3] = {record[0], record[1], record[2]};
    const i32 mode = cut != 0 ? 1 : 0;
    static const i32 NOMOVE = 0, SLOT0 = 0;
    f32 a = 0.0f, b = 0.0f;
    stk_tool_at(mode, p, NOMOVE, a, b);
    const f32 D = record[4], R = record[5], L = record[6], T = record[7];
    // A record of no diameter is a tool the stock has no shape for (a tool
    // of another type, a drill of no diameter, a broken mill): the image
    // build refuses it without a word, so the stamping says why it stops.
    if (!(D > 0.0f)) {
        userrc("stk_tool_change, THE TOOL HAS NO SHAPE", 0);
        status = -1;
        return;
    }
    stk_tool_image(SLOT0, D, R, L, T, status);
    if (status != 0) return;
    f32 pct = stk_grid.cell * 200.0f / D;
    const f32 least = wrd2r(CMPBLK[CMP_ENLARGE_PCT]);
    if (least > pct) pct = least;
    // The enlarged copy goes after the holder sections (slot 1 when there
    // are none): built in slot 1 it would overwrite the first section.
    const i32 slot = stk_enlarged_slot();
    stk_tool_image(slot, D * (1.0f + 0.01f * pct), R * (1.0f + 0.005f * pct), L, T, status);
    if (status != 0) return;
    stk_image_select(SLOT0, status);
    if (status != 0) return;
    stk_tool_at(mode, p, NOMOVE, a, b);
}
