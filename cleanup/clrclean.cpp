// The contour-cleaning pass: the cut first offsets into the current polygon
// buffer, and the nested clearings of the cleaning core.
#include "cleanup/clrclean.h"

#include <cmath>
#include <utility>

#include "cleanup/clrout.h"
#include "core/host.h"
#include "core/modflg.h"
#include "cutter/locdir.h"
#include "pocket/clrpok.h"
#include "pocket/luptab.h"
#include "pocket/polbuf.h"
#include "pocket/pokvals.h"
#include "tools/toolcache.h"

i32 clr_nest_mode = 1;

namespace {

ClrNestResult g_nest;

// Room of one nested clearing's output.
constexpr i32 NEST_LOOPS = 1000, NEST_POINTS = 7000;

// The points of polygon k of the current buffer as float pairs.
bool buffer_polygon(i32 k, std::vector<f32>& xy, i32& status)
{
    i32 n = 0;
    polbuf_get_np(k, n, status);
    if (status != 0) return false;
    xy.assign(2 * static_cast<size_t>(n > 0 ? n : 0), 0.0f);
    for (i32 j = 1; j <= n; ++j) {
        polbuf_get_point(k, j, xy[2 * static_cast<size_t>(j - 1)], xy[2 * static_cast<size_t>(j - 1) + 1], status);
        if (status != 0) return false;
    }
    return true;
}

// Writes float pairs into polygon k of the current buffer.
void buffer_put(i32 k, const std::vector<f32>& xy, i32& status)
{
    const i32 m = static_cast<i32>(xy.size() / 2);
    for (i32 j = 1; j <= m && status == 0; ++j)
        polbuf_put_point(k, j, xy[2 * static_cast<size_t>(j - 1)], xy[2 * static_cast<size_t>(j - 1) + 1], status);
    if (status == 0) polbuf_set_np(k, m, status);
}

}  // namespace

void clr_clean_contours(const f32& dist, i32& status)
{
    status = 0;
    f32 D = 0.0f, c = 0.0f, limit = 0.0f;
    GTDIAM(CURTOL, D);
    GTCRNR(CURTOL, c);
    f32 dn = D - 2.0f * dist, cn = c - dist;
    if (!(dn > 0.0f)) dn = 0.0f;
    if (!(cn > 0.0f)) cn = 0.0f;
    i32 sw = 0;
    MFLGT2(sw, limit);
    if (sw != 0) {
        STDIAM(dn);
        STCRNR(cn);
    }
    i32 st = 0, n = 0;
    bool above = false;
    polbuf_set_vals(1.0f, 0.0f, st);
    // A buffer that cannot take its values fails the pass as it came (the
    // tool's diameter and corner are put back below all the same).
    if (st != 0) status = st;
    pokarr loop;
    pokarr_init(2, loop);
    std::vector<f32> xy;
    for (i32 row = lup_count; clr_cut_mark >= 1 && row >= clr_cut_mark && status == 0; --row) {
        const LupRow& r = lup_row(row);
        if (r.key == 9999 || r.subkey != 1) continue;
        lup_get_pokarr(row, loop, st);
        if (st != 0) {
            status = st;  // the copy's failure, as it came
            break;
        }
        if (loop.count < 1) continue;
        ++n;
        if (sw != 0 && loop.count > 1) {
            // where the narrowed tool stands at the loop's first point: the
            // tool placed at one point of the plane (LOCSEG, the point form
            // of the positioning; LOCPTD here answers only whether a lane
            // point is usable, not the height)
            f32 p[3] = {static_cast<f32>(loop.x[0] + pokorigin[0]), static_cast<f32>(loop.y[0] + pokorigin[1]), 0.0f};
            f32 pos[3], nrm[3];
            LOCSEG(p, pos, nrm, st);
            if (st < 0) {
                status = st;
                break;
            }
            if (st == 0 && limit < pos[2]) above = true;
        }
        clr_tour_xy(loop, dist, xy);
        buffer_put(n, xy, status);
    }
    pokarr_free(loop);
    if (status == 0) polbuf_set_npol(n, status);
    if (status == 0 && clr_nest_mode != 1) clr_clean_core(dist, status);
    if (status == 0) status = above ? 2 : (n == 0 ? 1 : 0);
    STDIAM(D);
    STCRNR(c);
}

// The core keeps of its surface work only the orientation of the
// polygons: it sits behind a switch that nothing in the module sets, and
// the following of the polygons over the part surfaces (the rebuilt
// triangle model, the tool positions along the segments, the joints
// between surfaces) is left out.
void clr_clean_core(const f32& dist, i32& status)
{
    (void)dist;
    status = 0;
    i32 n = 0, outer = -1;
    polbuf_get_npol(n, status);
    if (status != 0) return;
    // the largest polygon runs counter-clockwise, the others clockwise
    f32 best = -1.0f;
    std::vector<std::vector<f32>> pols(static_cast<size_t>(n > 0 ? n : 0));
    for (i32 k = 1; k <= n; ++k) {
        std::vector<f32>& xy = pols[static_cast<size_t>(k - 1)];
        if (!buffer_polygon(k, xy, status)) return;
        f32 area = 0.0f;
        plarea(xy.data(), static_cast<i32>(xy.size() / 2), area);
        if (std::fabs(area) > best) {
            best = std::fabs(area);
            outer = k;
        }
    }
    for (i32 k = 1; k <= n; ++k) {
        std::vector<f32>& xy = pols[static_cast<size_t>(k - 1)];
        const i32 m = static_cast<i32>(xy.size() / 2);
        const i32 cw = polccw(xy.data(), m);
        if (cw < 0 || (cw == 1) == (k != outer)) continue;
        for (i32 a = 0, b = m - 1; a < b; ++a, --b) {
            std::swap(xy[2 * static_cast<size_t>(a)], xy[2 * static_cast<size_t>(b)]);
            std::swap(xy[2 * static_cast<size_t>(a) + 1], xy[2 * static_cast<size_t>(b) + 1]);
        }
        buffer_put(k, xy, status);
        if (status != 0) return;
    }
    if (clr_nest_mode != 3) return;
    for (i32 k = 1; k <= n && status == 0; ++k) clr_nest_clear(k, status);
}

// The polygon is cleared as it stands in the buffer: the buffer holds the
// pocket's own plane coordinates (its two values 1 and 0, no turn), which
// are those of the work plane, so there is nothing to turn.
void clr_nest_clear(i32 k, i32& status)
{
    std::vector<f32> xy;
    if (!buffer_polygon(k, xy, status)) return;
    const i32 count = static_cast<i32>(xy.size() / 2);
    const i32 mode = pokpar.cut_mode == 1 ? 1 : (pokpar.cut_mode == -2 ? 2 : 0);
    const f32 side = static_cast<f32>(pokpar.side), none = 0.0f, allow = 0.0f;
    const f64 extra = pokpar.extra;
    std::vector<i32> counts(NEST_LOOPS);
    std::vector<f32> pts(2 * static_cast<size_t>(NEST_POINTS));
    i32 nloops = NEST_LOOPS;
    clr_nest_mode = 1;
    clrpok(mode, 0, none, side, 1, &count, xy.data(), &allow, nloops, counts.data(), pts.data(), status);
    clr_nest_mode = 3;
    pokpar.extra = extra;
    if (status != 0) return;
    i32 at = 0;
    for (i32 l = 0; l < nloops; ++l) {
        g_nest.counts.push_back(counts[static_cast<size_t>(l)]);
        g_nest.points.insert(g_nest.points.end(), pts.begin() + 2 * at, pts.begin() + 2 * (at + counts[static_cast<size_t>(l)]));
        at += counts[static_cast<size_t>(l)];
    }
}

const ClrNestResult& clr_nest_result() { return g_nest; }

void clr_nest_result_clear()
{
    g_nest.counts.clear();
    g_nest.points.clear();
}
