#include "edit/alter/project.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "blocks/format.h"
#include "blocks/listacc.h"
#include "blocks/listdsp.h"
#include "blocks/movement.h"
#include "blocks/readers.h"
#include "blocks/tech.h"
#include "core/codedio.h"
#include "core/seggeo.h"
#include "core/host.h"
#include "core/intchk.h"
#include "core/names.h"
#include "core/progress.h"
#include "core/records.h"
#include "cutter/linntb.h"
#include "cutter/loccom.h"
#include "edit/alter/motion.h"
#include "edit/alter/state.h"
#include "edit/alter/zmove.h"
#include "edit/support.h"
#include "passes/milbf.h"
#include "passes/retract.h"
#include "passes/services.h"
#include "tools/toolcache.h"

f32 PRCSTP[3] = {0, 0, 0};

namespace {

constexpr f32 ZUP[3] = {0, 0, 1};
// Positioning buffers of one segment: points (and normals) and strings.
constexpr i32 POS_POINTS = 3000, POS_STRINGS = 25;
// Room of the output arrays at their opening; at most 1000 NURBS points.
constexpr i32 OUT_START = 50, NURBS_POINTS = 1000;
constexpr f32 NURBS_CHORD = 0.01f;
constexpr i32 LIST_MARK_REGION = 14;

void copy3(f32* to, const f32* from) { std::memcpy(to, from, 3 * sizeof(f32)); }

// ------------------------------------------------------------ resampling

// The in-plane axes of an arc's plane code: 1 X and Y, 2 X and Z, 3 Y and Z.
void plane_axes(const i32 plane, int& a, int& b, int& c)
{
    a = plane == 3 ? 1 : 0;
    b = plane == 1 ? 1 : 2;
    c = plane == 1 ? 2 : plane == 2 ? 1 : 0;
}

// Room for count vectors in the host array; false when it cannot grow.
f32* vectors_for(const i32 handle, i32& capacity, const i32 count, i32& status)
{
    void* base = nullptr;
    if (count > capacity) {
        base = resize_array(count - capacity, handle, status);
        if (status < 0 || !base) return nullptr;
        capacity = count;
    } else {
        mmcptr(handle, base);
    }
    return static_cast<f32*>(base);
}

// The points of a string of lines (count k + 1, the start first).
bool string_points(const i32 type, const i32 size, const f32* start, const f32* svec, std::vector<f32>& pts,
                   std::vector<f32>& vec, f32* end, f32* evec)
{
    pts.assign(start, start + 3);
    vec.assign(svec, svec + 3);
    i32 records = 1;
    for (i32 k = 0; k < records; ++k) {
        i32 number = 0, st = 0;
        f32 p[3], v[3];
        RDBT2(AM_LIST, type, size, records, number, p, v, st);
        if (st < 0) return false;
        pts.insert(pts.end(), p, p + 3);
        vec.insert(vec.end(), v, v + 3);
        copy3(end, p);
        copy3(evec, v);
    }
    return true;
}

// The points of an arc: its start, the stepped points at the end's height
// (plane 1; the third co-ordinate of the start in the other planes) with
// vector (0, 0, 1), and its end.
bool arc_points(const i32 type, const i32 n, const f32* start, const f32* svec, std::vector<f32>& pts,
                std::vector<f32>& vec, f32* end, f32* evec, i32& plane, f32& radius, f32* centre)
{
    i32 number = 0, st = 0;
    f32 sweep = 0, step = 0;
    RDBT3(AM_LIST, type, number, plane, sweep, step, centre, end, evec, st);
    if (st < 0) return false;
    int a = 0, b = 1, c = 2;
    plane_axes(plane, a, b, c);
    const f32 da = start[a] - centre[0], db = start[b] - centre[1];
    // The radius is the start's distance from the centre: the block holds
    // a step where the radius would be, and for an arc whose ends lie on
    // its circle the two agree.
    radius = std::hypot(da, db);
    f32 angle = sweep / static_cast<f32>(n < 1 ? 1 : n);
    // An arc handed over whole (n = 1, as the deletion worker does) has its
    // subdivision settled by its radius: the step is held to the one whose
    // chord stays within the chord tolerance of the curves (0.01), so that
    // it is followed along its circle, not cut straight from its start to
    // its end. A caller that divides the sweep itself (the walk against the
    // contour) keeps its own count. The host's subdivision then takes the
    // arc's angle and that step, as for every other arc the module divides.
    if (n <= 1 && radius > 0.005f) {
        const f32 chord = std::acos(1.0f - 0.01f / radius);
        if (chord > 0.0f && chord < std::fabs(angle)) angle = std::copysign(chord, sweep);
    }
    i32 steps = 1;
    setdel_nc(sweep, angle, steps);
    if (steps < 1) steps = 1;
    angle = sweep / static_cast<f32>(steps);
    pts.assign(start, start + 3);
    vec.assign(svec, svec + 3);
    for (i32 k = 1; k < steps; ++k) {
        const f32 t = angle * static_cast<f32>(k), cs = std::cos(t), sn = std::sin(t);
        f32 p[3];
        p[a] = centre[0] + da * cs - db * sn;
        p[b] = centre[1] + da * sn + db * cs;
        p[c] = plane == 1 ? end[2] : start[c];
        pts.insert(pts.end(), p, p + 3);
        vec.insert(vec.end(), ZUP, ZUP + 3);
    }
    pts.insert(pts.end(), end, end + 3);
    vec.insert(vec.end(), evec, evec + 3);
    return true;
}

// The points of a NURBS block: its curve turned into a polyline within the
// chord tolerance, at most 1000 points, every vector (0, 0, 1).
bool nurbs_points(i32 size, std::vector<f32>& pts, std::vector<f32>& vec, f32* end, f32* evec)
{
    i32 number = 0, k = 0, n = 0, st = 0;
    // The curve is read into buffers the block's size can fill, whatever
    // its number of control points: only the polyline made of it is held
    // to 1000 points.
    const i32 room = std::max(size, NURBS_POINTS);
    std::vector<f32> knots(static_cast<size_t>(room) + 20), ctrl(3 * static_cast<size_t>(room));
    RDBT5(AM_LIST, static_cast<i32>(knots.size()), room, number, k, n, knots.data(), ctrl.data(), st);
    if (st < 0 || k < 2 || n < k) return false;
    std::vector<f64> dk(knots.begin(), knots.begin() + k + n), dc(3 * static_cast<size_t>(n));
    for (i32 j = 0; j < n; ++j) {
        const f64 w[3] = {ctrl[3 * j], ctrl[3 * j + 1], ctrl[3 * j + 2]};
        madw2m(w, &dc[3 * static_cast<size_t>(j)]);
    }
    i32 made = 0;
    dam_ini();
    evbcre_bsp(k, n, dk.data(), dc.data(), -1, 3, made, st);
    const i32 curve = made;  // a curve of the block's own order
    std::vector<f64> poly(3 * NURBS_POINTS);
    i32 count = 0;
    if (st >= 0) crvpld2(curve, NURBS_CHORD, NURBS_POINTS, count, poly.data(), st);
    if (curve != 0) evbfre(curve);
    dam_end();
    if (st < 0 || count < 1) return false;
    pts.clear();
    vec.clear();
    for (i32 j = 0; j < count; ++j) {
        f64 w[3];
        madm2w(&poly[3 * static_cast<size_t>(j)], w);
        for (int c = 0; c < 3; ++c) pts.push_back(static_cast<f32>(w[c]));
        vec.insert(vec.end(), ZUP, ZUP + 3);
    }
    copy3(end, &pts[pts.size() - 3]);
    copy3(evec, ZUP);
    return true;
}

}  // namespace

f32* block_to_points(f32* end_point, f32* end_vector, const f32* start_point, const f32* start_vector,
                     const i32& vector_array, i32& vector_capacity, const i32& n, i32& count, i32& plane,
                     f32& radius, f32* centre, i32& status)
{
    count = 0;
    status = 0;
    i32 size = 0, type = 0, cls = 0;
    TPBLKH(AM_LIST, size, type, cls, status);
    if (status < 0) return nullptr;
    std::vector<f32> pts, vec;
    bool ok = true;
    if (bt_line(type) || bt_string(type)) {
        ok = string_points(type, size, start_point, start_vector, pts, vec, end_point, end_vector);
    } else if (bt_arc(type)) {
        ok = arc_points(type, n, start_point, start_vector, pts, vec, end_point, end_vector, plane, radius, centre);
    } else if (bt_nurbs(type)) {
        ok = nurbs_points(size, pts, vec, end_point, end_vector);
    }
    lclos();
    if (!ok) {
        status = -1;
        return nullptr;
    }
    const i32 k = static_cast<i32>(pts.size() / 3);
    if (k < 1) return nullptr;
    f32* v = vectors_for(vector_array, vector_capacity, k, status);
    if (!v) return nullptr;
    auto* out = static_cast<f32*>(DM_ALLOC(k * 3 * static_cast<i32>(sizeof(f32))));
    if (!out) {
        status = -1;
        return nullptr;
    }
    std::memcpy(out, pts.data(), pts.size() * sizeof(f32));
    std::memcpy(v, vec.data(), vec.size() * sizeof(f32));
    count = k;
    return out;
}

void clear_string_buffers(f32* points, f32* normals, i32* counts)
{
    std::memset(points, 0, sizeof(f32) * 3 * POS_POINTS);
    std::memset(normals, 0, sizeof(f32) * 3 * POS_POINTS);
    std::memset(counts, 0, sizeof(i32) * POS_STRINGS);
}

void clear_projection_arrays()
{
    for (const i32 slot : {TA_OUTPTS, TA_OUTVEC, TA_STRINGS}) {
        void* base = nullptr;
        mmcptr(trim_state.arrays[slot], base);
        if (base) std::memset(base, 0, static_cast<size_t>(slot == TA_STRINGS ? 4 : 12) * OUT_START);
    }
}

void mark_gouge_point(const f32* point, const f32& height)
{
    f64 w[6] = {point[0], point[1], point[2], point[0], point[1], height};
    i32 id = 0, st = 0;
    for (const i32 kind : {1, 2}) {
        dbdnew(kind, 1, 6 * kind, reinterpret_cast<const i32*>(w), id, st);
        if (st < 0) continue;
        i32 colour = 2, pen = kind == 1 ? 3 : 1;
        eattc(id, 2, "CO", colour);
        eattc(id, 2, "PE", pen);
        edisp(id, 1);
    }
}

namespace {

// The projection's output: points, vectors and per-string counts in the
// host arrays of the alterations' state, grown before every addition.
struct Output {
    i32 cap = 0, capstr = 0, npts = 0, nstr = 0;
    f32* pts() const { return base<f32>(TA_OUTPTS); }
    f32* vecs() const { return base<f32>(TA_OUTVEC); }
    i32* cnt() const { return base<i32>(TA_STRINGS); }
    template <class T> T* base(const i32 slot) const
    {
        void* b = nullptr;
        mmcptr(trim_state.arrays[slot], b);
        return static_cast<T*>(b);
    }
    bool open(i32& status)
    {
        for (const i32 slot : {TA_OUTPTS, TA_OUTVEC, TA_STRINGS}) {
            void* b = nullptr;
            MM_OPEN_ARRAY(slot == TA_STRINGS ? 4 : 12, OUT_START, trim_state.arrays[slot], b, status);
            if (status < 0) {
                eroutc("project_on_surf, DYNAMIC MEMORY PROBLEM, CHECK DISK SPACE", 0);
                return false;
            }
        }
        cap = capstr = OUT_START;
        clear_projection_arrays();
        return true;
    }
    void close()
    {
        for (const i32 slot : {TA_OUTPTS, TA_OUTVEC, TA_STRINGS}) {
            i32 st = 0;
            if (trim_state.arrays[slot] >= 0) MM_CLOSE(trim_state.arrays[slot], st);
        }
    }
    // Room for n more points and s more strings.
    bool room(const i32 n, const i32 s, i32& status)
    {
        if (npts + n > cap) {
            const i32 more = npts + n - cap;
            if (!resize_array(more, trim_state.arrays[TA_OUTPTS], status) ||
                !resize_array(more, trim_state.arrays[TA_OUTVEC], status))
                return false;
            cap += more;
        }
        if (nstr + s > capstr) {
            const i32 more = nstr + s - capstr;
            if (!resize_array(more, trim_state.arrays[TA_STRINGS], status)) return false;
            for (i32 k = capstr; k < capstr + more; ++k) cnt()[k] = 0;
            capstr += more;
        }
        return true;
    }
    bool empty() const { return npts == 0; }
    const f32* last() const { return pts() + 3 * (npts - 1); }
    void start()
    {
        cnt()[nstr++] = 0;
    }
    void add(const f32* p, const f32* v)
    {
        if (nstr == 0) start();
        copy3(pts() + 3 * npts, p);
        copy3(vecs() + 3 * npts, v);
        ++npts;
        ++cnt()[nstr - 1];
    }
    void drop_last()
    {
        --npts;
        --cnt()[nstr - 1];
    }
};

// One segment positioned: its strings of tool points and normals.
struct Positioned {
    std::vector<f32> xyz = std::vector<f32>(3 * POS_POINTS), nrm = std::vector<f32>(3 * POS_POINTS);
    std::vector<i32> flg = std::vector<i32>(POS_POINTS), len = std::vector<i32>(POS_STRINGS);
    i32 nst = 0, tot = 0;
    const f32* p(i32 k) const { return &xyz[3 * static_cast<size_t>(k)]; }
    const f32* n(i32 k) const { return &nrm[3 * static_cast<size_t>(k)]; }
};

// The state of one projection call.
struct Projection {
    i32 option = 4;
    f32 tol = 0.01f, offset = 0.0f;
    const f32* P = nullptr;  // input points
    const f32* V = nullptr;  // input vectors
    i32 count = 0;
    Output out;
    bool warned = false;
    bool any_below = false;

    // The segment's own point at q's XY.
    void own(i32 i, const f32* q, f32* o, f32* v) const
    {
        i32 flat = 0;
        f32 z = 0;
        SEGPRM(P + 3 * i, P + 3 * (i + 1), V + 3 * i, V + 3 * (i + 1), q, z, v, flat);
        o[0] = q[0], o[1] = q[1], o[2] = z;
    }
    // The segment's height at q's XY by the line through its ends.
    void own_line(i32 i, const f32* q, f32* o) const
    {
        f64 t = 0;
        o[0] = q[0], o[1] = q[1], o[2] = 0;
        line_z_at_xy(P + 3 * i, P + 3 * (i + 1), o, t);
    }
    void segment_unprojected(i32 i);
    void segment_start(i32 i, const Positioned& s);
    void bridge(i32 i, const f32* a, const f32* b);
    void follow(i32 i, const Positioned& s);
    void compare(i32 i, const Positioned& s);
    void segment_end(i32 i, const Positioned& s);
};

void Projection::segment_unprojected(const i32 i)
{
    const f32* a = P + 3 * i;
    if (out.empty() || eqpt3(out.last(), a) == 0) {
        out.start();
        out.add(a, ZUP);
        out.add(a + 3, ZUP);
    } else {
        out.add(a + 3, V + 3 * (i + 1));
    }
}

// The start of a positioned segment: joined to the output's last point, or
// from point i at its own height over to the first positioned XY.
void Projection::segment_start(const i32 i, const Positioned& s)
{
    const f32* a = P + 3 * i;
    if (!out.empty() && eqpt3(out.last(), s.p(0)) != 0) {
        out.drop_last();
        return;
    }
    const bool joined = !out.empty() && eqpt2(out.last(), a) != 0;
    if (!joined) out.start();
    if (eqpt2(s.p(0), a) != 0) return;
    if (out.empty() || eqpt3(out.last(), a) == 0) out.add(a, V + 3 * i);
    f32 o[3], v[3];
    own(i, s.p(0), o, v);
    out.add(o, v);
}

// Across a gap between two positioned strings: the segment's own height at
// the XY of the string's last point and of the next string's first.
void Projection::bridge(const i32 i, const f32* a, const f32* b)
{
    f32 o[3];
    own_line(i, a, o);
    out.add(o, ZUP);
    own_line(i, b, o);
    out.add(o, ZUP);
}

// Option 4: the positioned strings, their gaps bridged.
void Projection::follow(const i32 i, const Positioned& s)
{
    i32 at = 0;
    for (i32 k = 0; k < s.nst; ++k) {
        if (k > 0) bridge(i, s.p(at - 1), s.p(at));
        for (i32 j = 0; j < s.len[static_cast<size_t>(k)]; ++j, ++at) out.add(s.p(at), s.n(at));
    }
}

void Projection::segment_end(const i32 i, const Positioned& s)
{
    // A segment that leaves the surfaces before its end goes on at its own
    // height to its end point, as it crosses a gap between two positioned
    // strings: otherwise the output would run straight from the last point
    // on the surfaces to wherever the next segment or the path after the
    // region begins, across the surfaces' edge and through what lies there.
    const f32* b = P + 3 * (i + 1);
    const f32* q = s.p(s.tot - 1);
    if (eqpt2(q, b) != 0) return;
    f32 o[3];
    own_line(i, q, o);
    if (eqpt3(out.last(), o) == 0) out.add(o, ZUP);
    out.add(b, V + 3 * (i + 1));
}

}  // namespace

namespace {

// Options 3 and 5: the motion where it lies at or above the surfaces, the
// surfaces where it lies below, the crossings between.
void Projection::compare(const i32 i, const Positioned& s)
{
    const f32* a = P + 3 * i;
    const f32* b = a + 3;
    auto gouge = [&](const f32* q, const f32 height) {
        any_below = true;
        if (option != 5) return;
        if (!warned) usmsgc("WARNING: GOUGING!! (marked in red points) ");
        warned = true;
        mark_gouge_point(q, height);
    };
    if (eqpt2(a, b) != 0) {
        // A vertical segment, taken in its own direction: an end below the
        // surface is replaced by the surface point. A plunge through the
        // surface therefore stops on it, and a rise through it starts there;
        // taking the upper end after the surface point whatever the direction
        // would send a plunge back up to its start and down again.
        const f32* q = s.p(0);
        const bool a_below = ltval(a[2], q[2]) != 0, b_below = ltval(b[2], q[2]) != 0;
        if (a_below || b_below) gouge(q, std::fmin(a[2], b[2]));
        if (a_below) out.add(q, s.n(0));
        else if (out.empty() || eqpt3(out.last(), a) == 0) out.add(a, V + 3 * i);
        if (!b_below) out.add(b, V + 3 * (i + 1));
        else if (!a_below) out.add(q, s.n(0));
        return;
    }
    f64 pown[3] = {0, 0, 0}, psrf[3] = {0, 0, 0};
    bool have = false, was_below = false;
    i32 at = 0;
    for (i32 k = 0; k < s.nst; ++k) {
        if (k > 0) {
            bridge(i, s.p(at - 1), s.p(at));
            have = false;
        }
        for (i32 j = 0; j < s.len[static_cast<size_t>(k)]; ++j, ++at) {
            const f32* q = s.p(at);
            f32 o[3], v[3];
            own(i, q, o, v);
            const bool below = geval(o[2], q[2]) == 0;
            const f64 cown[3] = {o[0], o[1], o[2]}, csrf[3] = {q[0], q[1], q[2]};
            if (have && below != was_below) {
                f64 pa[3], pb[3], d = 0;
                i32 st = 0;
                dminll(pown, cown, psrf, csrf, pa, pb, d, st);
                if (st >= 0) {
                    const f32 x[3] = {static_cast<f32>(0.5 * (pa[0] + pb[0])), static_cast<f32>(0.5 * (pa[1] + pb[1])),
                                      static_cast<f32>(0.5 * (pa[2] + pb[2]))};
                    out.add(x, ZUP);
                }
            }
            if (below) {
                gouge(q, o[2]);
                out.add(q, s.n(at));
            } else {
                out.add(o, v);
            }
            std::memcpy(pown, cown, sizeof pown);
            std::memcpy(psrf, csrf, sizeof psrf);
            have = true;
            was_below = below;
        }
    }
}

// Removes the region's motions from the block in list mark 14 up to the
// last block (other blocks stay); the cursor ends before the region.
bool remove_region(const i32 last_block, i32& status)
{
    TPTOP(LIST_MARK_REGION, status);
    if (status < 0) return false;
    i32 level = 0;
    gtlstn(1, level);
    while (true) {
        i32 number = 0, type = 0;
        f32 p[3], n[3];
        next_motion(1, number, type, p, n, status);
        if (status < 0) return false;
        const i32 key[3] = {2, level, number};
        ncd_delete_blocks(1, key);
        i32 before = 0, after = 0;
        lgtpos(before);
        TPDELB(-1, status);
        if (status < 0) return false;
        lgtpos(after);
        if (number != last_block) continue;
        // The cursor stands on the block that followed: back before it.
        if (after == before) TPJUMP(-1, status);
        if (status == -2 || status == 1) status = 0;
        return status >= 0;
    }
}

// The new motions joined to the path before them.
i32 join_start(Projection& pr, i32& continuing, i32& status)
{
    const f32* f0 = pr.out.pts();
    i32 first_flag = 0;
    if (trim_state.mode != SEL_ALL && continuing == 0) {
        if (gtval(pr.P[2], f0[2]) != 0) {
            if (eqpt2(pr.P, f0) != 0) MOVLN3(1, f0, ZUP, status);
            else first_flag = 1;
        }
        return first_flag;
    }
    continuing = 0;
    for (i32 k = 0; k < 3; ++k) DSP8[k] = r2wrd(PRCSTP[k]);
    STPV01(4);
    // The end-of-string link of a three-axis path (dimension code 1), in
    // mode 3 (the modes that act all move alike).
    STREND(1, MOVST.point, ZUP, 3, ALTPDF.zup, status);
    const f32 over[3] = {f0[0], f0[1], f0[2] + LNKPAR.safety};
    if (status >= 0) MOVLIN(1, over, ZUP, status);
    if (status >= 0) MOVLN3(1, f0, ZUP, status);
    return first_flag;
}

// Writes the new motions in place of the region's.
void write_region(Projection& pr, i32& continuing, const i32 last_block, i32& status)
{
    if (!remove_region(last_block, status)) return;
    // The writers stand where the region began.
    copy3(MOVST.point, pr.P);
    copy3(MOVST.axis, ZUP);
    copy3(MOVST.normal, ZUP);
    MOVST.closed = 0;
    MOVST.restart = 1;
    const i32 first_flag = join_start(pr, continuing, status);
    if (status < 0) return;
    const f32* end = pr.P + 3 * (pr.count - 1);
    // The region's last point is joined only when the output does not end
    // there already: the same point twice would write a move of no length.
    if (trim_state.mode != SEL_ALL && trim_state.at_end == 0 && eqpt2(pr.out.last(), end) != 0 &&
        eqpt3(pr.out.last(), end) == 0 && pr.out.room(1, 0, status))
        pr.out.add(end, pr.V + 3 * (pr.count - 1));
    if (status < 0) return;
    if (trim_state.at_end != 0) {
        STPV01(1);
        PTAMCH(status);
        if (status < 0) return;
    }
    if (trim_state.mode == SEL_PICK || trim_state.at_end != 0) TECHST.status[1] = 2;
    MILBF2(13, 2, first_flag, pr.out.pts(), pr.out.vecs(), nullptr, pr.out.nstr, pr.out.cnt(), 2, 5, 6, 2, status);
    if (status >= 0 && (trim_state.mode == SEL_ALL || trim_state.at_end != 0)) HLDDSP(1, status);
}

// Positions the tool along every segment and builds the output. False on
// a failure (status set).
bool project_segments(Projection& pr, i32& status)
{
    Positioned s;
    const i32 step = pr.count * 5 / 100;
    for (i32 i = 0; i + 1 < pr.count; ++i) {
        clear_string_buffers(s.xyz.data(), s.nrm.data(), s.len.data());
        s.nst = s.tot = 0;
        LINNTB(1, 0, pr.P + 3 * i, pr.P + 3 * (i + 1), pr.tol, pr.offset, pr.offset, 3 * POS_POINTS, 0, 5,
               s.xyz.data(), s.nrm.data(), s.flg.data(), s.nst, POS_STRINGS, s.len.data(), s.tot, status);
        if (status < 0) return false;
        if (trim_state.interrupt == 0) {
            i32 hit = 0;
            SPCHIT(hit);
            if (hit != 0) INTMNU(1);
        }
        if (!pr.out.room(s.tot > 0 ? 2 * s.tot + 6 + 2 * s.nst : 2, s.nst + 2, status)) return false;
        if (s.tot < 1) {
            pr.segment_unprojected(i);
        } else {
            pr.segment_start(i, s);
            if (pr.option == 4) pr.follow(i, s);
            else pr.compare(i, s);
            pr.segment_end(i, s);
        }
        if (step > 10 && i % step == 0) {
            PRGCNT(2, i);
            PRGPCT(4);
        }
    }
    return true;
}

}  // namespace

void project_on_surf(const i32& surfaces, i32& continuing, const i32&, const i32& last_block, i32& status)
{
    Projection pr;
    pr.option = zqa(ZQA_PROJOPT);
    pr.tol = ALTPDF.srftol;
    pr.offset = zqar(ZQA_SRFOFF);
    f32 diameter = 0;
    GTDIAM(PRM9[PRM9_TOOL], diameter);
    if (eqval0(diameter) != 0) diameter = 10.0f;
    const f32 dists[2] = {0.0f, 0.0f};
    SETMOC(1, diameter, 0.5f * diameter, dists, ALTPDF.zup, pr.tol, 0.0f, 0.0f, 1, surfaces, 0, HEI8 + HEI8_ABSOLUTE,
           HEI8 + HEI8_INCR);
    const i32 clearance = HEI8[HEI8_CLEARANCE];
    UITSET(1);
    i32 st = 0;
    if (!pr.out.open(st)) {
        pr.out.close();
        status = st;
        return;
    }
    LOCSET(-1, ZUP, ZUP, 1, 0.0f, pr.tol);
    void* base = nullptr;
    mmcptr(trim_state.arrays[TA_POINTS], base);
    pr.P = static_cast<const f32*>(base);
    mmcptr(trim_state.arrays[TA_VECTORS], base);
    pr.V = static_cast<const f32*>(base);
    pr.count = pr.P && pr.V ? trim_state.npoints : 0;
    const bool shown = pr.count * 5 / 100 > 10;
    if (shown) {
        PRGINI();
        PRGCNT(1, pr.count);
        PRGSHW(4);
    }
    // Without the reference surfaces' model in the store the positioning
    // would stand on whatever model is live (the procedure's own surfaces):
    // nothing is projected and the path stays as it was.
    if (MDLRST() == 0) {
        eroutc("project_on_surf, NO MODEL OF THE REFERENCE SURFACES", 0);
        status = -1;
    } else if (!project_segments(pr, st)) {
        status = st;
    } else if (pr.out.nstr == 0) {
        status = 1;
    } else {
        UITSET(0);
        if (pr.option != 5) write_region(pr, continuing, last_block, st);
        if (st < 0) status = st;
    }
    HEI8[HEI8_CLEARANCE] = clearance;
    UITSET(1);
    if (shown) PRGCLR();
    pr.out.close();
}
