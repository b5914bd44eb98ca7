#include "cutter/roads.h"

#include <cmath>
#include <vector>

#include "core/host.h"
#include "core/params.h"
#include "cutter/congeo.h"
#include "cutter/frames.h"
#include "cutter/loccom.h"
#include "cutter/linnetn.h"
#include "cutter/locpnt.h"
#include "cutter/movstw.h"
#include "cutter/under.h"
#include "surfaces/trimodel.h"

i32 DRPBRD = 0, DRPKRN = 0, DRPEDS = 0;
i32 BRDINS = 0, BRDFLG = 0, BRDRGN = 0, BRDKND = 0;
f32 BRDDIA = 0.0f, BRDCRN = 0.0f;

namespace {

// The region of the border road.
struct Region {
    std::vector<i32> counts, words;
    std::vector<f32> xy;
} region;

// The edge-contact list: a host array of 20-byte records.
struct CrsRec {
    i32 surface;
    f32 height;
    f32 normal[3];
};
i32 crs_handle = -1, crs_count = 0, crs_cap = 0;
CrsRec* crs_base = nullptr;

void crs_close()
{
    if (crs_handle >= 0) {
        i32 st = 0;
        MM_CLOSE(crs_handle, st);
    }
    crs_handle = -1;
    crs_base = nullptr;
    crs_count = crs_cap = 0;
}

f64 cross2(const f32* a, const f32* b) { return f64(a[0]) * b[1] - f64(a[1]) * b[0]; }

// Unit XY direction from a to b; zero when they coincide.
void unit_from(const f32* a, const f32* b, f32* u)
{
    u[0] = b[0] - a[0];
    u[1] = b[1] - a[1];
    if (v2unit(u) != 0) u[0] = u[1] = 0.0f;
}

// Distance in XY from q to the segment a-b and its nearest point F.
f32 foot2(const f32* a, const f32* b, const f32* q, f32* F)
{
    const f64 ux = f64(b[0]) - a[0], uy = f64(b[1]) - a[1], l2 = ux * ux + uy * uy;
    f64 t = l2 > 0.0 ? ((q[0] - f64(a[0])) * ux + (q[1] - f64(a[1])) * uy) / l2 : 0.0;
    t = t < 0.0 ? 0.0 : (t > 1.0 ? 1.0 : t);
    F[0] = static_cast<f32>(a[0] + t * ux);
    F[1] = static_cast<f32>(a[1] + t * uy);
    return static_cast<f32>(std::hypot(f64(q[0]) - F[0], f64(q[1]) - F[1]));
}

// The three vertices of a triangle entry; turned into the tool's frame at
// the point frame (the drop's point as handed in) in tool-axis mode, where
// the drop's points and contacts lie: compared with vertices as stored, a
// point in the tool's frame would fall in the outline of some other place.
void vertices(const i32* tri, f32 v[3][3], const f32* frame)
{
    for (i32 j = 0; j < 3; ++j) {
        const f32* nd = nodept(LOCNDB, tri[TRG_NODE + j]);
        v[j][0] = nd[0], v[j][1] = nd[1], v[j][2] = nd[2];
        if (frame) FRMROT(frame, LOCTAX, v[j]);
    }
}

// Most doublings of the free-border step: past them the step spans any part.
constexpr i32 FRE_STEPS = 60;

}  // namespace

bool drp_smooth()
{
    if (DRPBRD) return true;
    if (MOVSTW != 3) return false;
    const i32 code = nu_sgcd_get_code();
    return code == 34 || code == 38 || code == 48;
}

void brd_set_region(i32 npol, const i32* counts, const f32* xy, const i32* words)
{
    region = Region{};
    if (!counts || !xy || npol < 1) return;
    i32 total = 0;
    for (i32 k = 0; k < npol; ++k) {
        region.counts.push_back(counts[k]);
        region.words.push_back(words ? words[k] : 0);
        total += counts[k] > 0 ? counts[k] : 0;
    }
    region.xy.assign(xy, xy + 2 * static_cast<size_t>(total));
}

i32 PTINRG(const f32* point, i32& flag)
{
    i32 count = 0;
    flag = 0;
    size_t at = 0;
    for (size_t k = 0; k < region.counts.size(); ++k) {
        const i32 n = region.counts[k];
        if (n < 1) continue;
        i32 ans = 3;
        const i32 kind = 1;
        inpol(region.xy.data() + 2 * at, n, kind, point, ans);
        at += static_cast<size_t>(n);
        if (ans == 1) {
            ++count;
            flag = region.words[k] != 0 ? 1 : 0;
        } else if (ans != 3 && region.words[k] == 0) {
            ++count;
            flag = 0;
        }
    }
    return count % 2 == 1 ? 1 : 0;
}

void SMTNRM(const f32* fallback, const f32* point, const i32* triangle, const f32* node_normals, f32* normal,
            i32& status, const f32* frame)
{
    status = 0;
    for (i32 k = 0; k < 3; ++k) normal[k] = fallback[k];
    // A model without node normals has nothing to blend: the fallback.
    if (!node_normals) return;
    f32 m[3][3];
    f32 V[3][3];
    vertices(triangle, V, frame);
    for (i32 j = 0; j < 3; ++j) {
        const f32* s = node_normals + 3 * static_cast<size_t>(triangle[TRG_NODE + j] - 1);
        const f32 sg = ltval(s[2], 0.0f) ? -1.0f : 1.0f;
        for (i32 k = 0; k < 3; ++k) m[j][k] = sg * s[k];
    }
    if (m[0][2] > 1.5f && m[1][2] > 1.5f && m[2][2] > 1.5f) return;
    for (i32 j = 0; j < 3; ++j)
        if (m[j][2] > 1.0f) m[j][2] = 0.0f;
    // In tool-axis mode the node normals, read and marked as stored, are
    // turned into the tool's frame with the vertices: the blend is the
    // drop's normal there, beside the tool-side normals of the frame.
    if (frame)
        for (i32 j = 0; j < 3; ++j) FRMROT(frame, LOCTAX, m[j]);
    // Weights: the areas of the triangles the point makes with each edge.
    f32 a[3][3];
    for (i32 j = 0; j < 3; ++j)
        for (i32 k = 0; k < 3; ++k) a[j][k] = V[j][k] - point[k];
    auto area = [](const f32* p, const f32* q, f32& w) {
        f32 c[3];
        v3cros(p, q, c);
        f32 len = 0;
        i32 st = 0;
        const bool zero = (p[0] == 0 && p[1] == 0 && p[2] == 0) || (q[0] == 0 && q[1] == 0 && q[2] == 0) ||
                          (c[0] == 0 && c[1] == 0 && c[2] == 0);
        if (zero) {
            w = 0.0f;
            return true;
        }
        v3unit(c, len, st);
        w = len;
        return st == 0;
    };
    f32 w1 = 0, w2 = 0, w3 = 0;
    if (!area(a[0], a[1], w3) || !area(a[1], a[2], w1) || !area(a[2], a[0], w2)) return;
    f32 e1[3] = {V[0][0] - V[1][0], V[0][1] - V[1][1], V[0][2] - V[1][2]};
    f32 e2[3] = {V[0][0] - V[2][0], V[0][1] - V[2][1], V[0][2] - V[2][2]};
    f32 c[3], A = 0;
    i32 st = 0;
    v3cros(e1, e2, c);
    v3unit(c, A, st);
    if (st != 0 || eqval0(A)) return;
    for (i32 j = 0; j < 3; ++j) {
        f32 len = 0;
        i32 us = 0;
        v3unit(m[j], len, us);
        if (us != 0) m[j][0] = m[j][1] = m[j][2] = 0.0f;
    }
    f32 n[3];
    for (i32 k = 0; k < 3; ++k) n[k] = (w1 * m[0][k] + w2 * m[1][k] + w3 * m[2][k]) / A;
    f32 len = 0;
    v3unit(n, len, st);
    if (st != 0 || eqval0(len)) return;
    for (i32 k = 0; k < 3; ++k) normal[k] = n[k];
}

void PTNSEG(const f32* a, const f32* b, const f32* point, const f32& tolerance, i32& status)
{
    // The distance from the segment with its position code, read as the
    // strings' projection onto a segment codes it: a degenerate segment
    // fails, a point whose foot falls before or beyond the segment's ends
    // (code 3 or more) is not on it, however near an end.
    status = 0;
    f32 foot[3];
    i32 code = 0;
    const f64 d = segfoot(point, a, b, foot, code);
    if (code < 0) {
        status = -1;
        return;
    }
    if (code >= 3) return;
    status = d <= tolerance ? 1 : 0;
}

void BRDCLS(const i32* triangle, const f32* point, const f32& tolerance, i32& cls, const f32* frame)
{
    // A failed distance on the last edge tested answers -1 rather than 0, so
    // that a caller can tell it from a point off the border; both are no
    // border to the drop, which takes 1 and 2 alone.
    cls = 0;
    const i32 edges = (triangle[TRG_FLAGS] >> 8) & 0xFF, verts = (triangle[TRG_FLAGS] >> 16) & 0xFF;
    f32 V[3][3];
    vertices(triangle, V, frame);
    auto code = [](i32 byte, i32 k) { return (byte >> (4 - 2 * k)) & 3; };
    if (edges) {
        for (i32 k = 0; k < 3; ++k) {
            if (code(edges, k) != 1) continue;
            i32 st = 0;
            PTNSEG(V[k], V[(k + 1) % 3], point, tolerance, st);
            if (st == 1) {
                cls = 1;
                return;
            }
            cls = st < 0 ? -1 : 0;
        }
    }
    if (verts) {
        for (i32 k = 0; k < 3; ++k)
            if (code(verts, k) == 1 && eqpt3(V[k], point)) {
                cls = 1;
                return;
            }
        if (edges)
            for (i32 k = 0; k < 3; ++k) {
                if (code(edges, k) != 2) continue;
                i32 st = 0;
                PTNSEG(V[k], V[(k + 1) % 3], point, tolerance, st);
                cls = st == 1 ? 2 : (st < 0 ? -1 : 0);
                if (st == 1) return;
            }
    }
}

i32 crslst_count() { return crs_count; }

void CRSLST(const i32& mode, const i32& surface_id, const f32& height, const f32& tolerance, f32* normal,
            i32& status)
{
    status = 0;
    if (mode == 1) {
        if (crs_count == crs_cap) {
            void* b = nullptr;
            i32 st = 0;
            if (!crs_base) {
                MM_OPEN_ARRAY(20, 5, crs_handle, b, st);
            } else {
                MM_RESIZE_ARRAY(crs_handle, 5, b, st);
            }
            if (st != 0 || !b) {
                status = -1;
                return;
            }
            crs_base = static_cast<CrsRec*>(b);
            crs_cap += 5;
        }
        CrsRec& r = crs_base[crs_count++];
        r.surface = surface_id;
        r.height = height;
        for (i32 k = 0; k < 3; ++k) r.normal[k] = normal[k];
        return;
    }
    if (mode != 2) {
        status = -1;
        return;
    }
    if (crs_count < 1) {
        status = -1;
        crs_close();
        return;
    }
    const f32 band = 2.1f * tolerance;
    i32 top = crs_count - 1;
    for (i32 k = crs_count - 1; k >= 0; --k)
        if (crs_base[k].height > crs_base[top].height) top = k;
    status = 1;
    i32 first = -1;
    for (i32 k = crs_count - 1; k >= 0; --k) {
        if (crs_base[top].height - crs_base[k].height > band) continue;
        if (first < 0) {
            first = k;
        } else if (crs_base[k].surface != crs_base[first].surface) {
            status = 2;
            break;
        }
    }
    for (i32 k = 0; k < 3; ++k) normal[k] = crs_base[top].normal[k];
    crs_close();
}

i32 PTINTR(const f32* point, const f32* v1, const f32* v2, const f32* v3)
{
    f32 d[3][2];
    const f32* V[3] = {v1, v2, v3};
    for (i32 k = 0; k < 3; ++k) unit_from(point, V[k], d[k]);
    const f64 c[3] = {cross2(d[0], d[1]), cross2(d[1], d[2]), cross2(d[2], d[0])};
    i32 answer = 1, sign = 0;
    for (i32 k = 0; k < 3; ++k) {
        const f32 ck = static_cast<f32>(c[k]);
        if (eqval0(ck)) {
            answer = 2;
            continue;
        }
        const i32 s = c[k] > 0.0 ? 1 : -1;
        if (sign == 0)
            sign = s;
        else if (s != sign)
            return 0;
    }
    return answer;
}

void TRIEDP(i32 mode, const f32* v1, const f32* v2, const f32* v3, const f32* P, f32* q)
{
    const f32* V[3] = {v1, v2, v3};
    f32 a[3][2], d[2];
    for (i32 k = 0; k < 3; ++k) unit_from(V[k], P, a[k]);
    unit_from(q, P, d);
    auto mark = [&](const f32* x, const f32* y) {
        const f64 p = cross2(x, d), r = cross2(d, y);
        return (p > 0.0 && r > 0.0) || (p < 0.0 && r < 0.0);
    };
    const bool f12 = mark(a[0], a[1]), f23 = mark(a[1], a[2]), f31 = mark(a[2], a[0]);
    const i32 marks = (f12 ? 1 : 0) + (f23 ? 1 : 0) + (f31 ? 1 : 0);
    if (marks >= 2) {
        i32 i = 0, j = 1;
        if (f12 && f23)
            i = 0, j = 1;
        else if (f12 && f31)
            i = 0, j = 2;
        else
            i = 1, j = 2;
        f32 u[2], w[2];
        unit_from(V[i], q, u);
        unit_from(q, V[j], w);
        if (eqval0(static_cast<f32>(cross2(u, w)))) i = j;
        f32 F[2];
        const f32 g = foot2(V[i], V[(i + 1) % 3], q, F);
        if (F[0] == q[0] && F[1] == q[1]) return;
        f32 e[2];
        unit_from(q, F, e);
        const f32 cs = static_cast<f32>(f64(d[0]) * e[0] + f64(d[1]) * e[1]);
        const f32 t = eqval0(cs) ? g : g / cs;
        if (t > 0.0f) {
            q[0] += t * d[0];
            q[1] += t * d[1];
        }
        return;
    }
    f32 best = 10000.0f, F[2];
    if (mode == 1) {
        for (i32 k = 0; k < 3; ++k) {
            const f32 g = foot2(V[k], V[(k + 1) % 3], P, F);
            if (g < best) {
                best = g;
                q[0] = F[0];
                q[1] = F[1];
            }
        }
        return;
    }
    const i32 k = f12 ? 0 : (f23 ? 1 : 2);
    const f32 g = foot2(V[k], V[(k + 1) % 3], q, F);
    if (g < best) {
        q[0] = F[0];
        q[1] = F[1];
    }
}

i32 FREBRD(const f32* contact, const f32* point, i32 ntri, const i32* entries, const i32* index, const f32* frame)
{
    const i32 last[ELM_WORDS] = {LOCLST[0], LOCLST[1], 0, 0};
    const i32* win = elmtrg(last);
    // Lists refused for a wrong check word (said by elmbase) give no
    // entries: no border, rather than a read through nothing.
    if (!win || (ntri > 0 && (!entries || !index))) return 0;
    f32 V[3][3];
    vertices(win, V, frame);
    f32 q[2] = {contact[0], contact[1]};
    TRIEDP(2, V[0], V[1], V[2], point, q);
    f32 s = dist_xy(contact, q);
    if (s == 0.0f) {
        const f32 least = 0.01f * pwr(PRTTOL);
        s = least <= 0.0001f ? 0.0001f : least;
    } else {
        s *= 0.5f;
    }
    f32 u[2];
    unit_from(contact, point, u);
    // Doubling the step until q leaves the winning triangle's edge lines;
    // a direction along such a line never leaves it: bounded.
    i32 steps = 0;
    do {
        q[0] = contact[0] + s * u[0];
        q[1] = contact[1] + s * u[1];
        s *= 2.0f;
        if (++steps > FRE_STEPS) return 0;
    } while (PTINTR(q, V[0], V[1], V[2]) == 2);
    for (i32 p = 0; p < ntri; ++p) {
        const i32* t = elmtrg(entries + static_cast<size_t>(index[p]) * ELM_WORDS);
        if (!t) continue;
        f32 W[3][3];
        vertices(t, W, frame);
        if (PTINTR(q, W[0], W[1], W[2]) != 0) return 0;
    }
    return 1;
}
