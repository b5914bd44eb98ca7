// The contour services of the part surfaces: the surfaces a contour's loop
// bounds, the contours a geometry entity stands for, a curve's placement in
// a frame, and the arc entity of the debug drawings.
#include "surfaces/cntsrf.h"

#include <cmath>
#include <vector>

#include "core/host.h"

namespace {

// Chord tolerance of a contour's polygon and the border's tolerance of the
// test whether a surface lies within it.
constexpr f64 LOOP_TOL = 0.01;

// The closed polygon of a contour definition (x, y pairs); empty when it
// has fewer than three points.
std::vector<f64> contour_polygon(const i32* def)
{
    std::vector<f32> pts;
    i32 n = -2;
    for (i32 cap = 1024; n == -2 && cap <= (1 << 22); cap *= 4) {
        pts.assign(2 * static_cast<size_t>(cap), 0.0f);
        dfcpol(def, LOOP_TOL, cap, pts.data(), n);
    }
    if (n < 3) return {};
    return std::vector<f64>(pts.begin(), pts.begin() + 2 * n);
}

// Whether every point of the surface's border lies within the polygon.
bool bounded(i32 id, const std::vector<f64>& poly)
{
    i32 nloops = 0, total = 0, st = 0;
    trsgdp_ini(id, nloops, total, st);
    bool inside = st == 0 && nloops > 0 && total > 0;
    std::vector<f64> uv(2 * static_cast<size_t>(inside ? total : 0)), xyz(3 * uv.size() / 2);
    const i32 n = static_cast<i32>(poly.size() / 2);
    for (i32 k = 0; k < nloops && inside; ++k) {
        i32 count = 0;
        trsgdp2(k, total, count, uv.data(), xyz.data(), st);
        inside = st == 0;
        for (i32 m = 0; m < count && inside; ++m) {
            i32 answer = 3;
            inpold(LOOP_TOL, poly.data(), n, 1, &xyz[3 * static_cast<size_t>(m)], answer);
            inside = answer == 1 || answer == 2;
        }
    }
    trsgdp_free();
    return inside;
}

}  // namespace

void LOPSRF(const i32* def, const i32& mode, const i32& position)
{
    (void)position;  // the contour's place in its list: the gathering does not depend on it
    if (mode != 1) {
        eroutc("LOPSRF, WRONG MODE", 0);
        return;
    }
    if (!def || dfdgoc(def) == 0) return;
    const std::vector<f64> poly = contour_polygon(def);
    if (poly.empty()) return;
    const i32 count = elstcls(ESRF_CLASS, nullptr, 0);
    std::vector<i32> ids(static_cast<size_t>(count > 0 ? count : 0));
    if (count > 0) elstcls(ESRF_CLASS, ids.data(), count);
    for (i32 id : ids) {
        i32 at = 0;
        slfind(id, at);
        if (at == 0 && bounded(id, poly)) pkspsh(id);
    }
}

void PLFGNG(const i32& id, i32& count, i32& status)
{
    i32 cls = 0, type = 0, len = 0;
    count = 0;
    eopen(id, cls, type, len, status);
    if (status != 0) {
        eroutc("PLFGNG, NO SUCH ENTITY", 0);
        status = -1;
        return;
    }
    eclose();
    status = 0;
    if (cls == 2 && type >= 1 && type <= 3) {
        count = 1;
        return;
    }
    if (cls == ESRF_CLASS && (type == ESRF_PLAIN || type == ESRF_TRIMMED)) {
        i32 nloops = 0, total = 0, st = 0;
        trsgdp_ini(id, nloops, total, st);
        trsgdp_free();
        if (st == 0 && nloops > 0) {
            count = nloops;
            return;
        }
    }
    eroutc("PLFGNG, NOT A CURVE OR SURFACE", 0);
    status = -2;
}

void DBDPTW(const i32& mode, const i32& id, const i32& frame, f64* vec, i32& status)
{
    status = -1;
    if (mode != 1 && mode != 2) {
        eroutc("DBDPTW, WRONG MODE", 0);
        return;
    }
    if (frame != 1 && frame != 2) {
        eroutc("DBDPTW, WRONG FRAME", 0);
        return;
    }
    f64 p[3] = {vec[0], vec[1], vec[2]};
    if (mode == 2 && frame == 2) madw2m(vec, p);
    crvplc(mode, id, p, status);
    if (status != 0) {
        eroutc("DBDPTW, NOT A CURVE ENTITY", 0);
        status = -1;
        return;
    }
    if (mode == 1) {
        if (frame == 2)
            madm2w(p, vec);
        else
            for (int k = 0; k < 3; ++k) vec[k] = p[k];
    }
}

void DBSARC(const f32* rec, i32& id, i32& status)
{
    const f64 centre[3] = {rec[0], rec[1], rec[2]}, up[3] = {0.0, 0.0, 1.0};
    crarc(centre, up, rec[3], rec[4], rec[5], id, status);
    if (status != 0) {
        eroutc("DBSARC, BAD ARC RECORD", 0);
        id = 0;
        status = -1;
    }
}
