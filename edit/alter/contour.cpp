#include "edit/alter/contour.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "core/host.h"
#include "core/names.h"
#include "core/records.h"
#include "edit/alter/state.h"
#include "pocket/cntlst.h"
#include "tools/toolcache.h"

namespace {
// Length of segment k (from 1).
f64 seg_length(const f64* p, i32 k)
{
    const f64* a = p + 2 * (k - 1);
    return std::hypot(a[2] - a[0], a[3] - a[1]);
}
}  // namespace

f64 contour_length(const f64* points, const i32& n, const i32& first_seg, const i32& last_seg,
                   const f64& first_frac, const f64& last_frac)
{
    if (n < 2 || first_seg < 1 || first_seg > n || last_seg < 1 || last_seg > n) return -1.0;
    const i32 a = first_seg == n ? 1 : first_seg, b = last_seg == n ? 1 : last_seg;
    if (a == b) {
        const f64 len = seg_length(points, a);
        if (first_frac < last_frac) return (last_frac - first_frac) * len;
        // Both on one segment, the first not before the last: the way goes
        // forward round the whole polygon back to that segment.
        f64 perimeter = 0;
        for (i32 k = 1; k < n; ++k) perimeter += seg_length(points, k);
        return perimeter - (first_frac - last_frac) * len;
    }
    f64 total = (1.0 - first_frac) * seg_length(points, a);
    for (i32 k = a % (n - 1) + 1; k != b; k = k % (n - 1) + 1) total += seg_length(points, k);
    return total + last_frac * seg_length(points, b);
}

i32 CNTDEF[2 * (CNT_ITEMS + 1)], CNTOFF[2 * (CNT_ITEMS + 1)];

namespace {
const char* const CANNOT = "WARNING: CANNOT CALCULATE OFFSET FOR THE SELECTED CONTOUR.";

// The polygon of a contour definition within the tolerance, closed (the
// last point repeats the first); empty when none. The host turns the
// definition into points itself (`dfcpol`). The pocket package's polygon
// buffers are filled by that same call (`polbuf_from_contour` reads the
// definition through `dfcpol` too), so they would only carry the same
// points through one more copy: none are opened and no buffer can fail to
// open.

std::vector<f64> definition_polygon(const i32* def, f64 tol)
{
    std::vector<f32> p(2 * 20000);
    i32 n = 0;
    dfcpol(def, tol, 20000, p.data(), n);
    std::vector<f64> out;
    for (i32 k = 0; k < n; ++k) out.insert(out.end(), {p[2 * k], p[2 * k + 1]});
    if (out.size() >= 2 && (out[0] != out[out.size() - 2] || out[1] != out[out.size() - 1]))
        out.insert(out.end(), {out[0], out[1]});
    return out;
}

}  // namespace

void cgp1_io(const i32& mode, f64& value)
{
    if (mode == 1) {
        value = 0.1;
        i32 words[3] = {0, 0, 0}, count = 3, st = 0;
        mdgetn("CGP1", words, count, st);
        // A stored value that is no tolerance (not finite, not positive)
        // leaves the default: the contour definition could not use it.
        if (st == 0 && count == 2) {
            f64 v = 0;
            std::memcpy(&v, words, sizeof v);
            if (std::isfinite(v) && v > 0) value = v;
        }
    } else if (mode == 2) {
        i32 words[2];
        std::memcpy(words, &value, sizeof value);
        i32 st = 0;
        mdputn("CGP1", RK_WORDS, 2, words, st);
    }
}

void contour_figure_delete()
{
    if (trim_state.figure != 0) figdel(trim_state.figure);
    trim_state.figure = 0;
}

void contour_entity_release()
{
    // Only an entity made for the selection is deleted: a contour the user
    // picked whole is part geometry and stays.
    if (trim_state.contour_made != 0 && trim_state.contour != 0) {
        i32 st = 0;
        edelet(trim_state.contour, st);
    }
    trim_state.contour = 0;
    trim_state.contour_made = 0;
}

namespace {
// The plane of a contour defined in the view's plane: the view's rotation
// made a plane, and the transformation that carries a tool path point
// (given in the work plane) into it. False with the warning when the work
// plane's matrix cannot be read.
bool contour_plane(TrimState& t)
{
    f32 rot[9];
    gtvrot(rot);
    f64 r[9], view[12] = {}, work[12];
    for (int k = 0; k < 9; ++k) r[k] = rot[k];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) view[4 * i + j] = r[3 * i + j];
    i32 st = 0, wp = 0;
    trchkd(-2, r, t.plane_id, st);
    gswpld(1, 1, wp);
    if (st >= 0) trgetd(wp, work, st);
    if (st < 0) {
        usmsgc(CANNOT);
        return false;
    }
    m3crtd(view, work, t.plane);
    return true;
}

// The offset polygon of the contour defined (step of a contour in either
// plane: for one in any plane the work plane is then the contour's). False
// with the warning when none can be made.
bool offset_polygon(TrimState& t, const f32& contour_offset, const i32& side, std::vector<f64>& poly)
{
    const bool plane = t.mode == SEL_PLANE;
    i32 orient = 1, st = 0;
    copy_contour_def(CNTDEF, orient, st);
    if (st < 0) {
        usmsgc(CANNOT);
        return false;
    }
    f32 diameter = 0;
    GTDIAM(PRM9[PRM9_TOOL], diameter);
    // A negative diameter means that no tool of a known type is current:
    // it is taken as 0, so the contour is offset by the contour offset
    // alone instead of by a radius that would move it the wrong way.
    if (diameter < 0) diameter = 0;
    const f64 dist = (side == 1 ? 1.0 : -1.0) * (diameter * 0.5 + contour_offset) * orient;
    if (std::fabs(dist) <= 0.001) {
        poly = definition_polygon(CNTDEF, ALTPDF.contol);
    } else {
        CNTOFF[0] = CNTOFF[1] = 0;
        dfcof2(CNTDEF, 0, dist, CNT_ITEMS, CNTOFF, st);
        // A failed offset is told in either plane: a contour left without
        // a polygon and without a word would only show blank FORWARD rows.
        if (st < 0 || dfdgnc(CNTOFF) < 1) {
            usmsgc(plane && st >= 0 ? "OFFSET CANNOT BE DEFINED" : CANNOT);
            return false;
        }
        poly = definition_polygon(CNTOFF, ALTPDF.contol);
        dfcgnr(-2, -1, 0, CNTOFF);
    }
    // Fewer than four points with the closing repeat enclose nothing: no
    // inside to walk against, so such a polygon is refused as no polygon.
    if (poly.size() / 2 < 4) {
        usmsgc(CANNOT);
        return false;
    }
    return true;
}
}  // namespace

bool offset_contour(const f32& contour_offset, const i32& side, const i32& select, i32& n, f64& length,
                    i32& status)
{
    TrimState& t = trim_state;
    const bool plane = t.mode == SEL_PLANE;
    f64 tol = 0.1;
    cgp1_io(1, tol);
    if (select == 1) {
        // The definition is started with its tolerance only. The multi-pick
        // mode (`setmf`) is a host call here but is left alone: `dfdc` takes
        // the contour's picks itself. The other set-up calls of a contour
        // definition (`dfd1cg`, `dfdsrs`, `gsplgc`) are not among the host
        // calls this module has, and the definition this host makes needs
        // none of them.
        slclr();
        dfdini();
        dfdtol(2, tol);
        // A contour in any plane is defined in the plane of the view; the
        // work plane the definition takes is put back after it.
        i32 work = 0;
        if (plane) {
            gswpld(1, 1, work);
            gscntv(2, 1);
        }
        dfdc(4, 0, CNT_ITEMS, CNTDEF, status);
        if (plane) gswpld(2, 1, work);
        // A contour not defined gives no polygon whatever its plane: the
        // plane is made only for a defined one, so that no plane is made
        // (and no warning about it shown) for a definition given up.
        if (status < 0) return false;
        if (plane && !contour_plane(t)) return false;
        // The contour's entity, and whether the host made it for this
        // definition: such an entity goes with the selection, so the one
        // made for the contour this one replaces goes now.
        contour_entity_release();
        dfdgid(CNTDEF, t.contour);
        t.contour_made = status == 1 ? 1 : 0;
        MNUCLR();
    }
    // The offset of a contour in any plane is made in its plane, the work
    // plane put back on every way out.
    i32 work = 0;
    if (plane) {
        gswpld(1, 1, work);
        i32 own = t.plane_id;
        gswpld(2, 1, own);
    }
    std::vector<f64> poly;
    const bool made = offset_polygon(t, contour_offset, side, poly);
    if (!made) {
        if (plane) gswpld(2, 1, work);
        return false;
    }
    const i32 m = static_cast<i32>(poly.size() / 2);
    contour_figure_delete();
    // The figure is drawn while the contour's plane is the work plane: the
    // points are coordinates in that plane and land on the contour only
    // there. It is a plain figure (moves and draws in colour 2) rather than
    // the pocket package's curve drawing, which would need a polygon buffer.
    i32 figure = 0;
    gfgtmp(figure);
    figopa(figure, 2);
    moveto(static_cast<f32>(poly[0]), static_cast<f32>(poly[1]), 0.0f);
    for (i32 k = 1; k < m; ++k) drawto(static_cast<f32>(poly[2 * k]), static_cast<f32>(poly[2 * k + 1]), 0.0f);
    figcls();
    if (plane) gswpld(2, 1, work);
    t.figure = figure;
    // The polygon is kept by the alteration state itself, which releases
    // it with the selection; the caller is told only whether there is one.
    t.polygon = poly;
    t.inplane = plane ? 1 : 0;
    t.npoly = n = m;
    t.length = length = contour_length(t.polygon.data(), m, 1, m - 1, 0.0, 1.0);
    return true;
}
