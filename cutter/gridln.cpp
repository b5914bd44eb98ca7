#include "cutter/gridln.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "cutter/congeo.h"
#include "cutter/frames.h"
#include "cutter/loccom.h"
#include "cutter/locpnt.h"
#include "cutter/planar.h"
#include "core/host.h"
#include "cutter/uphooks.h"
#include "surfaces/srfbuf.h"
#include "surfaces/trimodel.h"
#include "tools/toolcache.h"

namespace {

// Height of an empty cell.
constexpr f32 EMPTY = 1.0e6f;

// The diagnostics' drawing of a kept segment (relative to the point px, py):
// a temporary figure and a line entity.
void draw_segment(const f32* A, const f32* B, f32 px, f32 py)
{
    const f32 a[3] = {A[0] + px, A[1] + py, A[2]}, b[3] = {B[0] + px, B[1] + py, B[2]};
    i32 fig = 0, id = 0, st = 0;
    gfgtmp(fig);
    figopa(fig);
    moveto(a[0], a[1], a[2]);
    drawto(b[0], b[1], b[2]);
    figcls();
    LINE(id, a, b, st);
}

}  // namespace

i32 GRDDBG = 0;

void GRDFRE(i32& handle)
{
    // The host numbers its arrays from 0: handle 0 is an array like any
    // other, and left open it would be lost; only a negative handle names
    // none.
    if (handle >= 0) {
        i32 st = 0;
        MM_CLOSE(handle, st);
    }
    handle = -1;
}

void GRDSEG(const i32& mode, const f32* input, const f32& tolerance, i32& count, i32& handle, i32& status)
{
    count = 0;
    handle = -1;
    status = 0;
    // The grid lines run through the cells' second heights (the reference
    // surface of the stock), not the stock top that cutting lowers.
    // Without a stock grid there are no lines: no segments, and the caller
    // answers that nothing lies under the tool.
    const StkCell* cells = CUTHKS.cells();
    if (!cells) return;
    const f32 R = LOCDIA * 0.5f;
    const f32 px = input[0], py = input[1];
    f32 xmin = px, xmax = px, ymin = py, ymax = py;
    if (mode == 1) {
        xmin = std::fmin(input[0], input[3]), xmax = std::fmax(input[0], input[3]);
        ymin = std::fmin(input[1], input[4]), ymax = std::fmax(input[1], input[4]);
    }
    xmin -= R, xmax += R, ymin -= R, ymax += R;
    const StkGrid& g = *CUTHKS.grid;
    const f32 gx0 = g.box[0], gy0 = g.box[1], gx1 = g.box[3], gy1 = g.box[4];
    if (xmax < gx0 || xmin > gx1 || ymax < gy0 || ymin > gy1) return;
    xmin = std::fmax(xmin, gx0), ymin = std::fmax(ymin, gy0);
    xmax = std::fmin(xmax, gx1), ymax = std::fmin(ymax, gy1);
    i32 i0 = static_cast<i32>((xmin - gx0) / g.cell), j0 = static_cast<i32>((ymin - gy0) / g.cell);
    i32 i1 = static_cast<i32>((xmax - gx0) / g.cell) + 1, j1 = static_cast<i32>((ymax - gy0) / g.cell) + 1;
    if (i1 > g.nx - 1) i1 = g.nx - 1;
    if (j1 > g.ny - 1) j1 = g.ny - 1;
    const i32 cap = 4 * (i1 - i0 + 1) * (j1 - j0 + 1);
    void* b = nullptr;
    MM_OPEN_ARRAY(6 * 4, cap, handle, b, status);
    if (status != 0) {
        handle = -1;
        return;
    }
    f32* seg = static_cast<f32*>(b);
    const f32 level = mode == 1 ? input[6] : -1.0e30f;
    // The line work array (the nodes of one grid line) is the call's own
    // vector rather than a host array: it is released on every road out,
    // a stop's unwinding included, where a host array would stay open.
    std::vector<f32> line;
    auto flush = [&]() {
        // Drop interior nodes on a straight run of equal height steps: a node
        // goes when the step to it equals the step from it to the next (the
        // nodes equally spaced, it then lies on the line of its two
        // neighbours; compared with the step before the previous node, a
        // node at a kink would go and the segment cut the corner).
        const i32 n = static_cast<i32>(line.size() / 3);
        std::vector<f32> kept;
        for (i32 k = 0; k < n; ++k) {
            if (k > 0 && k < n - 1) {
                f32 s0 = line[3 * k + 2] - line[3 * (k - 1) + 2], s1 = line[3 * (k + 1) + 2] - line[3 * k + 2];
                if (eqval(s0, s1)) continue;
            }
            kept.insert(kept.end(), line.begin() + 3 * k, line.begin() + 3 * k + 3);
        }
        for (size_t k = 3; k < kept.size(); k += 3) {
            const f32* A = &kept[k - 3];
            const f32* B = &kept[k];
            f32 top = std::fmax(A[2], B[2]);
            if (!(top < EMPTY) || (mode == 1 && !(top > level))) continue;
            if (count >= cap) break;
            for (i32 c = 0; c < 3; ++c) seg[6 * count + c] = A[c], seg[6 * count + 3 + c] = B[c];
            ++count;
            if (GRDDBG) draw_segment(A, B, px, py);
        }
        line.clear();
    };
    auto node = [&](i32 i, i32 j) {
        line.push_back(gx0 + static_cast<f32>(i) * g.cell - px);
        line.push_back(gy0 + static_cast<f32>(j) * g.cell - py);
        f32 h = cells[i + g.nx * j].h2;
        line.push_back(h >= EMPTY ? 1.0e10f : h);
    };
    for (i32 j = j0; j <= j1; ++j) {
        for (i32 i = i0; i <= i1; ++i) node(i, j);
        flush();
    }
    for (i32 i = i0; i <= i1; ++i) {
        for (i32 j = j0; j <= j1; ++j) node(i, j);
        flush();
        if (i > i0) {
            for (i32 a = i, c = j1; a <= i1 && c >= j0; ++a, --c) node(a, c);
            flush();
        }
        if (i < i1) {
            for (i32 a = i, c = j1; a >= i0 && c >= j0; --a, --c) node(a, c);
            flush();
        }
    }
}

void GRDDRP(const f32* point, const f32& tolerance, const f32* segs, i32 count, f32* result, i32& status)
{
    result[2] = -1.0e10f;
    status = 0;
    f32 R = LOCDIA * 0.5f, r = LOCCRN, reach = 1.0e-4f + R;
    const i32 kind = LOCKND > 10 ? LOCKND - 10 : LOCKND;
    if (LOCTPF) {
        f32 rf = static_cast<f32>(CGRFLT);
        if (eqval0(rf)) rf = 0.0f;
        R = rf + LOCCRN;
        reach = static_cast<f32>(1.0e-4 + CGRTOP);
    }
    bool found = false;
    i32 measured = 0;
    for (i32 k = 0; k < count; ++k) {
        const f32* A = segs + 6 * k;
        const f32* B = A + 3;
        if (std::fmax(A[2], B[2]) < result[2] + 1.0e-4f) continue;
        f32 u[2] = {B[0] - A[0], B[1] - A[1]};
        if (v2unit(u) != 0) continue;
        f64 d = -(f64(u[1]) * A[0] - f64(u[0]) * A[1]);
        if (std::fabs(d) > reach) continue;
        ++measured;
        PlnEdge e{};
        e.e[0] = u[0], e.e[1] = u[1];
        e.len = std::hypot(f64(B[0]) - A[0], f64(B[1]) - A[1]);
        e.c = d;
        f32 con[3], z = -1.0e10f, aux = 0;
        i32 st = -1;
        auto shape = [&](i32 sh, f32 Rm, f32 rm) {
            f64 dd = d;
            if (sh == 1)
                PLEBAL(A, B, e, Rm, dd, con, z, aux, st);
            else if (sh == 2)
                PLEFLT(A, B, e, Rm, dd, con, z, aux, st);
            else
                PLETOR(A, B, e, Rm, rm, dd, con, z, aux, st);
        };
        if (LOCTPF) {
            f32 z2 = 0;
            i32 cs = 0;
            const f32 rad = static_cast<f32>(CGRTOP);
            CONSEG(A, B, rad, con, z, z2, cs);
            if (cs == 10) {
                // The top: an end of the rim's radius and rounding, whose tip
                // lies the rounding below the cut length (as in the planar
                // contact's edge road). The height where the flank ends,
                // CGLENE, would put the tool lower by CGALLW (1 - sin a)
                // under an allowance, into the segment.
                const f32 rt = static_cast<f32>(CGRTOP), ra = static_cast<f32>(CGALLW);
                shape(eqval0(ra) ? 2 : 3, rt, ra);
                if (st >= 0) z -= static_cast<f32>(CGLENG - CGALLW);
            } else if (cs == -10) {
                // Below the flank the corner touches the segment, as in the
                // planar contact's edge road. The flank's cone, carried on
                // below the corner, would stand the tool too high there, and
                // the status taken as no contact would let the corner pass
                // through the segment.
                shape(kind, R, r);
            } else {
                st = 0;
            }
        } else {
            shape(kind, R, r);
        }
        // A corner-radius end that reaches no point of the segment within
        // its radius answers the height -1.0e10: no candidate, or the point
        // would be reported found at that height.
        if (st < 0 || z < -1.0e9f) continue;
        if (!found || z > result[2]) {
            result[0] = point[0];
            result[1] = point[1];
            result[2] = z;
            found = true;
        }
    }
    if (!found) status = 1;
    if (GRDDBG) std::printf("trigt on %d from %d\n", measured, count);
}

void LINNET_ON_GRID_LINES(const f32* point, const f32& tolerance, f32* result, i32& status)
{
    if (eqval0(tolerance)) {
        userrc("[LINNET_ON_GRID_LINES]ALGORITHM CANNOT WORK WITH ZERO TOLERANCE", 0);
        status = -1;
        return;
    }
    result[0] = point[0];
    result[1] = point[1];
    result[2] = -1.0e10f;
    // A tool with a negative value (not a milling cutter) skips the drop
    // and is answered as a failure, -1: the lines give no height for it,
    // and 1 would tell the caller that nothing lies under a tool that was
    // never measured. The tool's values are written back as on every end.
    if (!LOCTOL(LOCOFA, LOCOFB)) {
        status = -1;
        LOCRST();
        return;
    }
    LOCKDA = LOCKDB = LOCKND;
    for (i32 k = 0; k < 3; ++k) LOCSP1[k] = LOCSP2[k] = point[k];
    LOCSGM = 0;
    LOCSW1 = LOCSW2 = LOCSW3 = 0.0f;
    i32 count = 0, handle = -1;
    status = 0;
    GRDSEG(0, point, tolerance, count, handle, status);
    if (status == 0 && count > 0) {
        void* b = nullptr;
        mmcptr(handle, b);
        GRDDRP(point, tolerance, static_cast<const f32*>(b), count, result, status);
    } else if (status == 0) {
        status = 1;
    }
    if (handle >= 0) GRDFRE(handle);
    LOCRST();
}
