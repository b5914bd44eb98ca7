#include "cutter/prjbrg.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "core/host.h"
#include "core/params.h"
#include "surfaces/allsrf.h"
#include "cutter/projection.h"
#include "tools/toolcache.h"

namespace {

constexpr i32 PRJ_TOOLS = 10;

struct PrjState {
    i32 avail = 0;
    i32 use = 0;
    i32 ntool = 0;
    i32 id[PRJ_TOOLS] = {};
    f32 diameter[PRJ_TOOLS] = {};
    f32 corner[PRJ_TOOLS] = {};
    bool ready[PRJ_TOOLS] = {};
    ProjectionLibrary* lib = nullptr;
    // The shared segment result and the walk over it.
    PrjSegResult* result = nullptr;
    size_t seg = 0, pt = 0;
    bool at_start = true;
} prj;

ProjectionLibrary& library() { return prj.lib ? *prj.lib : vant_library(); }

PrjSegResult& shared_result()
{
    static PrjSegResult result;
    prj.result = &result;
    return result;
}

// Unit 3-D direction from a to b; false when they coincide.
bool direction(const f32* a, const f32* b, f32* d)
{
    for (i32 k = 0; k < 3; ++k) d[k] = b[k] - a[k];
    f32 len = 0;
    i32 st = 0;
    v3unit(d, len, st);
    return st == 0;
}

}  // namespace

// A library that cannot be used on this machine is never marked available:
// each road would otherwise be taken and fail at the library's first call.
void prj_set_avail(i32 value) { prj.avail = value != 0 && library().available() ? 1 : 0; }
i32 prj_get_avail() { return prj.avail; }
void prj_set_use(i32 value) { prj.use = prj.avail != 0 && value != 0 ? 1 : 0; }
// The surface switches of the triangle model (SRKON, SRKOFF), which sit below
// the bridge, set the use flag through this hook.
[[maybe_unused]] const bool USE_HANDED_DOWN = (SRKUSE = prj_set_use, true);
i32 prj_get_use() { return prj.use; }

void prj_set_library(ProjectionLibrary* lib)
{
    prj.lib = lib;
    prj.avail = prj.use = 0;
    prj.ntool = 0;
    if (prj.result) prj.result->pieces.clear();
    prj.seg = prj.pt = 0;
    prj.at_start = true;
}

void prj_add_tool(i32 projector, const f32& diameter, const f32& corner, i32& status)
{
    status = 0;
    if (prj.ntool >= PRJ_TOOLS) {
        status = -1;
        return;
    }
    prj.id[prj.ntool] = projector;
    prj.diameter[prj.ntool] = diameter;
    prj.corner[prj.ntool] = corner;
    prj.ready[prj.ntool] = false;
    ++prj.ntool;
}

i32 prj_tool_index()
{
    f32 taper = 0, d = 0, r = 0;
    GTTAPA(CURTOL, taper);
    if (!eqval0(taper)) return -1;
    GTDIAM(CURTOL, d);
    GTCRNR(CURTOL, r);
    const f32 limit = 1.1f * pwr(PRTTOL);
    f32 best_d = limit, best_r = limit;
    i32 index = -1;
    for (i32 k = 0; k < prj.ntool; ++k) {
        const f32 dd = std::fabs(prj.diameter[k] - d), dr = std::fabs(prj.corner[k] - r);
        // A later entry must be strictly nearer in both values.
        if (dd < best_d && dr < best_r) {
            index = prj.id[k];
            best_d = dd;
            best_r = dr;
        }
    }
    return index;
}

i32 prj_vertical(i32 index, const f32* point, f32& height, f32* contact, f32* vec, f32* normal, i32& kind,
                 i32& code)
{
    PrjVert v{};
    if (library().vertical(index, point, v) != 0) return 1;
    height = v.height;
    for (i32 k = 0; k < 3; ++k) contact[k] = v.contact[k], vec[k] = v.vec[k], normal[k] = v.normal[k];
    kind = v.kind;
    code = v.code;
    return 0;
}

i32 prj_diagonal(i32 index, const f32* from, const f32* to, f32& travel, f32* contact, f32* vec, f32* normal,
                 f32* extra)
{
    // Coinciding points give no direction to project along: nothing is met.
    f32 d[3];
    if (!direction(from, to, d)) return 1;
    PrjDiag g{};
    if (library().diagonal(index, from, d, g) != 0) return 1;
    travel = g.travel;
    for (i32 k = 0; k < 3; ++k) contact[k] = g.contact[k], vec[k] = g.vec[k], normal[k] = g.normal[k];
    extra[0] = g.extra[0];
    extra[1] = g.extra[1];
    return 0;
}

i32 prj_diagonal(i32 index, const f32* from, const f32* to, f32& travel)
{
    f32 contact[3], vec[3], normal[3], extra[2];
    return prj_diagonal(index, from, to, travel, contact, vec, normal, extra);
}

void prj_segment(i32 index, const f32* start, const f32* end)
{
    PrjSegResult& r = shared_result();
    for (i32 k = 0; k < prj.ntool; ++k)
        if (prj.id[k] == index && !prj.ready[k]) {
            library().prepare(index);
            prj.ready[k] = true;
        }
    r.pieces.clear();
    library().segment(index, start, end, r);
    prj.seg = prj.pt = 0;
    prj.at_start = true;
}

// The walk over the result is "first (or next) segment, then next point
// while it answers": the first segment call leaves the walk before the
// segment's first point, so that the next-point call answers that point.
// Were the first point current already, the walk would pass it over.
i32 prj_seg_first()
{
    PrjSegResult& r = shared_result();
    prj.seg = 0;
    prj.pt = 0;
    prj.at_start = true;
    return r.pieces.empty() ? 0 : 1;
}

i32 prj_seg_next()
{
    PrjSegResult& r = shared_result();
    if (prj.seg < r.pieces.size()) ++prj.seg;
    prj.pt = 0;
    prj.at_start = true;
    return prj.seg < r.pieces.size() ? 1 : 0;
}

i32 prj_pt_next()
{
    PrjSegResult& r = shared_result();
    if (prj.seg >= r.pieces.size()) return 0;
    const std::vector<PrjPoint>& piece = r.pieces[prj.seg];
    size_t p = prj.at_start ? 0 : prj.pt + 1;
    while (p < piece.size() && piece[p].deleted) ++p;
    prj.at_start = false;
    prj.pt = p;
    if (p >= piece.size()) return 0;
    return piece[p].valid ? 1 : 0;
}

void prj_pt_read(f32* pos, f32* words, f32& word, f32* v1, f32* v2, i32& code2, i32& code1)
{
    PrjSegResult& r = shared_result();
    if (prj.seg >= r.pieces.size() || prj.pt >= r.pieces[prj.seg].size()) return;
    const PrjPoint& q = r.pieces[prj.seg][prj.pt];
    for (i32 k = 0; k < 3; ++k) pos[k] = q.pos[k], v1[k] = q.v1[k], v2[k] = q.v2[k];
    words[0] = q.words[0];
    words[1] = q.words[1];
    word = q.word;
    code2 = q.code2;
    code1 = q.code1;
}

void prj_lane_on_srf(const f32* points, const f32* second, i32 n, i32 index, const f32& tolerance, i32& count,
                     i32& handle, i32& status)
{
    status = 0;
    count = 0;
    handle = -1;
    std::vector<f32> out;
    if (library().lane(index, tolerance, points, second, n, out) != 0) {
        status = -1;
        return;
    }
    // Consecutive points that are exactly equal go; then the thinning.
    std::vector<f32> kept;
    for (size_t k = 0; k + 2 < out.size(); k += 3) {
        const size_t m = kept.size();
        if (m >= 3 && kept[m - 3] == out[k] && kept[m - 2] == out[k + 1] && kept[m - 1] == out[k + 2]) continue;
        kept.insert(kept.end(), out.begin() + static_cast<long>(k), out.begin() + static_cast<long>(k) + 3);
    }
    // The library's own polyline thinning is not at hand here: the host's
    // thinning stands in with the same tolerance (two points or fewer have
    // nothing to thin).
    i32 np = static_cast<i32>(kept.size() / 3);
    if (np > 2) {
        const i32 dim = 3, pardim = 0;
        const f32 thin = 0.002f;
        dilula(np, kept.data(), dim, nullptr, pardim, thin);
    }
    // A lane of no points gets its array too (of no points): the caller
    // closes the handle it is given, and a handle of -1 would have it report
    // a memory fault where there is none.
    void* base = nullptr;
    MM_OPEN_ARRAY(4, 3 * np, handle, base, status);
    if (status != 0) {
        handle = -1;
        status = -1;
        return;
    }
    if (np > 0) std::memcpy(base, kept.data(), sizeof(f32) * 3 * static_cast<size_t>(np));
    count = np;
}
