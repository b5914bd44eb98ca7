#include "cutter/travel.h"

#include <cmath>
#include <cstring>

#include "cutter/congeo.h"
#include "cutter/frames.h"
#include "cutter/kernel.h"
#include "cutter/loccom.h"
#include "cutter/locpnt.h"
#include "cutter/profile.h"
#include "cutter/under.h"
#include "core/host.h"
#include "surfaces/trimodel.h"
#include "tools/toolcache.h"

i32 TRVHDL = -1, TRVCHK = 0, TRVCNT_N = 0, TRVCAP = 0;

namespace {

// The last answer of TRVFST.
i32 last_found = -1;
f64 last_lo = 0.0, last_hi = 0.0;
i32 last_node = -1, last_index = -1;

TrvEnt* base()
{
    if (TRVHDL < 0 || TRVCHK != hdlchk(TRVHDL)) return nullptr;
    void* b = nullptr;
    mmcptr(TRVHDL, b);
    return static_cast<TrvEnt*>(b);
}

void put(TrvEnt& e, f64 t, const f64* p, i32 node, i32 index)
{
    e.t = t;
    for (i32 k = 0; k < 3; ++k) e.p[k] = p ? p[k] : 0.0;
    e.node = node;
    e.index = index;
}

// Opens a gap of n entries after entry `after`.
void insert_after(TrvEnt* b, i32 after, f64 t, const f64* p, i32 node, i32 index)
{
    std::memmove(b + after + 2, b + after + 1, static_cast<size_t>(TRVCNT_N - after - 1) * sizeof(TrvEnt));
    put(b[after + 1], t, p, node, index);
    ++TRVCNT_N;
}

}  // namespace

const TrvEnt* trvbas() { return base(); }

void TRVOPN(i32& status)
{
    void* b = nullptr;
    MM_OPEN_ARRAY(static_cast<i32>(sizeof(TrvEnt)), TRV_STEP, TRVHDL, b, status);
    if (status != 0) {
        TRVHDL = -1;
        return;
    }
    TRVCHK = hdlchk(TRVHDL);
    TRVCAP = TRV_STEP;
    TRVCNT_N = 0;
    last_found = -1;
}

void TRVCLS(i32& status)
{
    status = 0;
    if (TRVHDL < 0) return;
    MM_CLOSE(TRVHDL, status);
    TRVHDL = -1;
    TRVCAP = 0;
    TRVCNT_N = 0;
}

void TRVINI(f64 t0, f64 t1)
{
    TrvEnt* b = base();
    if (!b) return;
    // An entry names its triangle by the quadtree node and the index within
    // the node's array; the sentinels name none, (-1, -1), since index 0 of
    // node 0 is a real triangle.
    put(b[0], -1.0e10, nullptr, -1, -1);
    put(b[1], t0, nullptr, -1, -1);
    put(b[2], t1, nullptr, -1, -1);
    put(b[3], 1.0e10, nullptr, -1, -1);
    TRVCNT_N = 4;
    last_found = -1;
}

void TRVADD(f64 lo, f64 hi, const f64* p_lo, const f64* p_hi, i32 node, i32 index, i32& status)
{
    status = 0;
    if (!(lo < hi)) return;
    if (TRVCNT_N + 2 > TRVCAP) {
        // The growth is tested: on a failure nothing is merged, so that no
        // entry is written past the array, and the caller ends the travel.
        void* nb = nullptr;
        MM_RESIZE_ARRAY(TRVHDL, TRV_STEP, nb, status);
        if (status != 0) {
            eroutc("TRVADD, DYNAMIC MEMORY ERROR", 0);
            status = -1;
            return;
        }
        TRVCAP += TRV_STEP;
    }
    TrvEnt* b = base();
    if (!b) {
        status = -1;
        return;
    }
    // The searches stop before the last sentinel: an end at +1.0e10 or
    // beyond lies in the blocked stretch that the sentinel closes, so
    // nothing is ever put after the sentinel and it stays the last entry.
    i32 i = 0, j = 0;
    while (i + 1 < TRVCNT_N - 1 && b[i + 1].t <= lo) ++i;
    j = i;
    while (j + 1 < TRVCNT_N - 1 && b[j + 1].t <= hi) ++j;
    const bool iodd = i % 2 == 1, jodd = j % 2 == 1;
    if (i == j) {
        if (iodd) {
            insert_after(b, i, lo, p_lo, node, index);
            insert_after(b, i + 1, hi, p_hi, node, index);
        }
        return;
    }
    if (j == i + 1) {
        if (iodd)
            put(b[j], lo, p_lo, node, index);
        else
            put(b[j], hi, p_hi, node, index);
        return;
    }
    const i32 k = j - i;
    if (jodd) insert_after(b, j, hi, p_hi, node, index);
    i32 s = i + 1;
    if (iodd) {
        insert_after(b, i, lo, p_lo, node, index);
        s = i + 2;
    }
    std::memmove(b + s, b + s + k, static_cast<size_t>(TRVCNT_N - s - k) * sizeof(TrvEnt));
    TRVCNT_N -= k;
}

void TRVFST(f64& t_lo, f64& t_hi, f64* p_lo, f64* p_hi, i32& status)
{
    t_lo = 1.0e10;
    t_hi = -1.0e10;
    last_found = -1;
    status = -1;
    last_node = last_index = -1;
    const TrvEnt* b = base();
    for (i32 k = 2; b && k < TRVCNT_N; k += 2) {
        if (b[k].t < 0.0) continue;
        t_lo = b[k - 1].t;
        t_hi = b[k].t;
        for (i32 j = 0; j < 3; ++j) {
            p_lo[j] = b[k - 1].p[j];
            p_hi[j] = b[k].p[j];
        }
        last_node = b[k].node;
        last_index = b[k].index;
        last_found = 0;
        status = 0;
        break;
    }
    last_lo = t_lo;
    last_hi = t_hi;
}

void TRVRNG(f64& t_first, f64& t_last, i32& status)
{
    const TrvEnt* b = base();
    if (!b || TRVCNT_N < 4) {
        status = -1;
        return;
    }
    t_first = b[1].t;
    t_last = b[TRVCNT_N - 2].t;
    status = 0;
}

void TRVGET(f64& t_lo, f64& t_hi, i32& found)
{
    t_lo = last_lo;
    t_hi = last_hi;
    found = last_found;
}

void TRVTRI(i32& node, i32& index)
{
    node = last_node;
    index = last_index;
}

namespace {

struct SrfTool {
    f32 e = 0, d = 0, r = 0, l = 0, rtop = 0, zp = 0;
    i32 kind = 0, zero = 0, pass = 0;
};

// The surface's class as the positioning admits it, into the tool's
// allowance, kind and pass (the class code of the drop).
bool class_of(i32 cls, i32 flags, SrfTool& t)
{
    LocClass row;
    if (!loc_class(cls, flags, row)) return false;
    t.e = row.e, t.kind = row.kind, t.pass = row.code;
    return true;
}

}  // namespace

namespace {

// One travel of the tool along a segment: the arguments, the segment and
// its frame, the tool grown for the surface of the triangle at hand, and
// the contact kept so far (mode 1) or the blocked stretches (mode 4).
struct Travel {
    enum { SKIP = 0, STOP = 1, ABORT = -1 };
    i32 mode, gather;
    const f32* p1;
    const f32* p2;
    f32 z, tolerance;
    i32& count;
    f32* position;
    f32* contact;
    f32* normal;
    i32& status;
    f64 a = 0;
    f32 u[2] = {0, 0};
    f64 uxy = 0;
    bool m4 = false;
    const f32* A = nullptr;
    const f32* B = nullptr;
    // Mode 4: the segment, its class and the travel list.
    f64 d[3] = {0, 0, 0}, Ad[3] = {0, 0, 0}, len = 0, cxy = 0;
    i32 segcls = 0;  // 0 horizontal, 1 vertical, 2 inclined
    f64 wdir[3] = {0, 0, 0}, wp1 = 0;
    // Mode 1: the turn that takes the travel direction onto +x.
    f64 M[9] = {0}, Mt[9] = {0};
    i32 dircls = 0;
    // The examination.
    i32 flags = 0;
    SrfTool tool{};
    i32 prev_id = -1;
    f64 H = -1.0e10;
    // Mode 1: the contact kept.
    f64 best = 1.0e10;
    bool found = false;
    i32 kept_pass = 0, kept_ori = 0;

    bool open();
    void leave(i32 s);
    bool grown(const i32* rec, i32 pass);
    i32 horizontal(const i32* ent, const f32* const* v, i32 ori, i32 pass);
    i32 along(const i32* le, const i32* ent, const f32* const* v);
    void finish();
};

// The segment and its travel frame; mode 4 opens the travel list. False
// when the travel ends here (status set).
bool Travel::open()
{
    if (mode == 3) {
        userrc("[LOCPNTH] MODE 3 NOT SOPPORTED", 0);
        status = -1;
        return false;
    }
    a = LOCTAP;
    u[0] = p2[0] - p1[0], u[1] = p2[1] - p1[1];
    uxy = std::sqrt(f64(u[0]) * u[0] + f64(u[1]) * u[1]);
    const i32 ust = v2unit(u);
    m4 = mode == 4;
    // The travel runs from p1 toward p2 in both modes. The horizontal travel
    // does not start from the lower end: its direction u and frame M point
    // from p1 to p2 whatever the ends' heights, so a start at p2 (for p1
    // above p2, as the clean-up's moves fall from z + 10 to z - 10) would
    // put every contact behind the start and report a blocked move free.
    A = p1;
    B = p2;
    for (i32 k = 0; k < 3; ++k) Ad[k] = A[k];
    i32 st = 0;
    if (m4) {
        TRVOPN(st);
        if (st != 0) {
            status = st;
            return false;
        }
        for (i32 k = 0; k < 3; ++k) d[k] = f64(B[k]) - A[k];
        len = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
        if (len == 0.0) {
            TRVCLS(st);
            status = -1;
            return false;
        }
        for (f64& c : d) c /= len;
        segcls = eqvl0d(d[2]) ? 0 : (ust < 0 ? 1 : 2);
        if (segcls != 1) cxy = uxy / len;
        TRVINI(-0.1 * len, len);
        f32 frame[9];
        DIRFRM(p1, p2, frame, st);
        for (i32 k = 0; k < 3; ++k) wdir[k] = frame[6 + k];
        wp1 = wdir[0] * p1[0] + wdir[1] * p1[1] + wdir[2] * p1[2];
    } else {
        const f64 rows[9] = {u[0], u[1], 0.0, -u[1], u[0], 0.0, 0.0, 0.0, 1.0};
        for (i32 k = 0; k < 9; ++k) M[k] = rows[k];
        for (i32 r = 0; r < 3; ++r)
            for (i32 c = 0; c < 3; ++c) Mt[3 * r + c] = M[3 * c + r];
        // Quarter turns only for a move exactly along an axis: a direction
        // within the host's tolerance of one (up to 0.0045 rad away) would
        // travel along the axis instead of the segment. A move without XY
        // length keeps u = (0, 0) and falls in class 2: its travel has length
        // 0, so it finds only what the tool touches where it stands. (The
        // turn M built from u = (0, 0) would put every vertex on the tool's
        // axis.)
        if (u[1] == 0.0f)
            dircls = u[0] > 0.0f ? 1 : 2;
        else if (u[0] == 0.0f)
            dircls = u[1] > 0.0f ? 3 : 4;
    }
    return true;
}

// The status, and the travel list closed in mode 4.
void Travel::leave(i32 s)
{
    status = s;
    if (m4) {
        i32 cs = 0;
        TRVCLS(cs);
    }
}

// The tool grown for the triangle's surface when the surface changes; false
// when the surface's class is not taken in this pass.
bool Travel::grown(const i32* rec, i32 pass)
{
    SrfTool t = tool;
    if (!class_of(rec[SRF_CLASS], flags, t) || t.pass != pass) return false;
    if (rec[SRF_ID] != prev_id) {
        tool = t;
        // The tool grown as the drop grows it, also in length: for a negative
        // allowance a tapered tool's cut length shrinks by (1 - sin a) e, not
        // by e, so that the travel and the drop measure one tool and a
        // position the one finds free the other does not find cutting.
        const GrownTool g = loc_grown(tool.e);
        tool.d = g.d, tool.r = g.r, tool.l = g.l;
        STDIAM(tool.d);
        STCRNR(tool.r);
        STCUTL(tool.l);
        tool.zero = eqval0(tool.d * 0.5f) ? 1 : 0;
        if (LOCTPF) {
            PRFSET(tool.d, tool.r, a, tool.e, tool.l);
            tool.rtop = static_cast<f32>(PRFRTP());
        }
        tool.zp = z - tool.e;
        prev_id = rec[SRF_ID];
    } else {
        tool.pass = t.pass;
    }
    return true;
}

// Mode 1: the horizontal travel against one triangle; the nearest contact
// kept (STOP when it lies at the start).
i32 Travel::horizontal(const i32* ent, const f32* const* v, i32 ori, i32 pass)
{
    f32 pos[3], con[3];
    f32 trv = static_cast<f32>(best);
    i32 ts = 0;
    TRVCNT(v[0], v[1], v[2], ent, A, B, tool.zp, dircls, M, Mt, tool.kind, tool.zero, tolerance, tool.d,
           tool.r, pos, con, trv, ts);
    if (ts != 0) return SKIP;
    if (con[2] > z + tool.r) con[2] = z + tool.r;
    f32 nrm[3] = {0, 0, 1};
    if (!tool.zero) {
        i32 ns = 0;
        CNTNRM(tool.d, tool.r, LOCTAP, tool.e, tool.l, pos, con, nrm, ns);
        pos[2] = z;
        CNTTIP(LOCDIA, LOCCRN, LOCTAP, pos, nrm, con, ns);
    } else {
        pos[2] = z;
    }
    bool take;
    if (!eqvald(f64(trv), best))
        take = trv < best;
    else
        take = pass == 1 && found && (kept_pass == 2 || kept_ori < 0);
    if (!take) return SKIP;
    best = trv;
    for (i32 j = 0; j < 3; ++j) {
        normal[j] = nrm[j];
        position[j] = pos[j];
        contact[j] = con[j];
    }
    found = true;
    kept_pass = pass;
    kept_ori = ori;
    return best < 0.001 && eqvl0d(best) ? STOP : SKIP;
}

// Mode 4: the stretch of the segment that one triangle blocks, added to the
// travel list (triangles that cannot touch the free range are skipped).
i32 Travel::along(const i32* le, const i32* ent, const f32* const* v)
{
    i32 st = 0;
        f64 t1 = 0, t2 = 0;
    TRVRNG(t1, t2, st);
    if (st < 0) {
        leave(st);
        return ABORT;
    }
    const f32 top = std::fmax(v[0][2], std::fmax(v[1][2], v[2][2]));
    if ((segcls == 1 || (segcls == 2 && p1[2] > p2[2])) && top + tool.e < H) return SKIP;
    if (segcls != 1) {
        // Along-XY distances of the nodes against the range of the
        // free stretches in XY, widened by the tool's reach. The node's
        // distance along the 3-D direction's XY part is divided by that
        // part's length: undivided it would fall short of the XY distance
        // the range is measured in, and a triangle ahead of the range's
        // start would be passed over.
        const f64 w = LOCTPF ? tool.rtop : tool.d * 0.5;
        const f64 lo = cxy * t1 - w, hi = cxy * t2 + w;
        i32 below = 0, above = 0;
        for (i32 j = 0; j < 3; ++j) {
            f64 q = ((v[j][0] - Ad[0]) * d[0] + (v[j][1] - Ad[1]) * d[1]) / cxy;
            below += q <= lo;
            above += q >= hi;
        }
        if (below == 3 || above == 3) return SKIP;
    }
    f64 tri[9];
    for (i32 j = 0; j < 3; ++j)
        for (i32 c = 0; c < 3; ++c) tri[3 * j + c] = v[j][c];
    f64 wsum = 0;
    for (i32 j = 0; j < 3; ++j) wsum += wdir[0] * v[j][0] + wdir[1] * v[j][1] + wdir[2] * v[j][2];
    const bool back_first = wsum - 3.0 * wp1 < 0.0 && segcls != 1;
    const f64 sg = back_first ? -1.0 : 1.0;
    f64 d1[3] = {sg * d[0], sg * d[1], sg * d[2]}, d2[3] = {-d1[0], -d1[1], -d1[2]};
    const f64 P[3] = {Ad[0], Ad[1], Ad[2] - tool.e};
    const f64 D = LOCDIA, rc = LOCCRN, ta = LOCTAP, h = LOCCUT, off = tool.e;
    f64 ta_, ca_[3], pa_[3];
    i32 ks = 0;
    TRICNA(tri, P, D, rc, ta, h, off, d1, ta_, ca_, pa_, ks);
    if (ks != 0) return SKIP;
    pa_[2] += tool.e;
    ca_[2] += tool.e;
    if (d1[2] < 0.0 && ta_ > 0.0) H = std::fmax(H, pa_[2]);
    f64 tb_ = -1.0e6, cb_[3] = {0, 0, 0}, pb_[3];
    if (ta_ < 0.0 && segcls != 1) {
        TRICNA(tri, P, D, rc, ta, h, off, d2, tb_, cb_, pb_, ks);
        if (ks != 0) return SKIP;
        pb_[2] += tool.e;
        cb_[2] += tool.e;
        if (d2[2] < 0.0 && tb_ > 0.0) H = std::fmax(H, pb_[2]);
    }
    f64 lo = sg * ta_, hi = -sg * tb_;
    const f64* plo = ca_;
    const f64* phi = cb_;
    if (lo > hi) std::swap(lo, hi), std::swap(plo, phi);
    TRVADD(lo, hi, plo, phi, le[ELM_NODE], le[ELM_INDEX], st);
    if (st < 0) {
        leave(st);
        return ABORT;
    }
    return SKIP;
}

// Mode 4: the first free stretch's start as the position, its contact and
// the normal of the tool there.
void Travel::finish()
{
    f64 tl, th, pl[3], ph[3];
    i32 st = 0;
    TRVFST(tl, th, pl, ph, st);
    normal[0] = normal[1] = 0.0f;
    normal[2] = 1.0f;
    if (tl > th) return leave(-1);
    for (i32 k = 0; k < 3; ++k) {
        position[k] = static_cast<f32>(Ad[k] + th * d[k]);
        contact[k] = static_cast<f32>(ph[k]);
    }
    if (eqvald(th, len)) return leave(1);
    if (contact[2] > position[2] + tool.r) contact[2] = position[2] + tool.r;
    if (!tool.zero) {
        i32 ns = 0;
        CNTNRM(tool.d, tool.r, LOCTAP, tool.e, tool.l, position, contact, normal, ns);
    }
    leave(0);
}

}  // namespace

void LOCPNTH(const i32& mode, const i32& gather, const f32* p1, const f32* p2, const f32& z, const f32& tolerance,
             i32& count, f32* position, f32* contact, f32* normal, i32& status)
{
    Travel w{mode, gather, p1, p2, z, tolerance, count, position, contact, normal, status};
    if (!w.open()) return;
    i32 ps = 0, cs = 0, os = 0, st = 0;
    elm2n2(gather, w.A, w.B, z, ELMCAP, count, ps, cs, os, st);
    if (st < 0) return w.leave(st);
    if (count == 0) {
        if (w.m4) {
            f64 tl, th, pl[3], ph[3];
            i32 fs;
            TRVFST(tl, th, pl, ph, fs);
        }
        return w.leave(1);
    }
    const i32* lst = elmlst();
    const i32* idx = elmidx();
    // Lists refused for a wrong check word (said by elmbase): a failure, not
    // a read through nothing.
    if (!lst || !idx) return w.leave(-1);
    w.flags = LOCFLG;
    for (i32 pass = 1; pass <= 2; ++pass) {
        for (i32 i = 0; i < count; ++i) {
            const i32* le = lst + static_cast<size_t>(idx[i]) * ELM_WORDS;
            const i32* ent = elmtrg(le);
            if (!ent) continue;
            if (!w.grown(srfrec(LOCSRB, ent[TRG_SRF]), pass)) continue;
            const f32* v[3];
            for (i32 j = 0; j < 3; ++j) v[j] = nodept(LOCNDB, ent[TRG_NODE + j]);
            if (!w.m4) {
                if (w.horizontal(ent, v, trgori(ent), pass) == Travel::STOP) break;
                continue;
            }
            if (w.along(le, ent, v) == Travel::ABORT) return;
        }
    }
    if (!w.m4) {
        status = w.found ? 0 : 1;
        return;
    }
    w.finish();
}

void LINNETH(i32 mode, const f32* p1, const f32* p2, const f32& z, const f32& tolerance, const f32& allowance_a,
             const f32& allowance_b, f32* position, f32* contact, f32* normal, i32& status)
{
    const bool travel = mode == 3 || mode == 4;
    status = 1;
    if (eqval0(tolerance)) {
        char text[133] = {0};
        msg_get(316, 30, text, 132);
        userrc(text, 0);
        status = -1;
        return;  // nothing was read from the tool cache
    }
    // A tool that is not a milling tool gives no travel: status -1, nothing
    // written. (Status 1 would tell the caller that nothing stands in the
    // way up to the move's end.)
    if (!loc_model_and_tool(allowance_a, allowance_b)) {
        status = -1;
        return;
    }
    const i32 m = travel ? mode : 1;
    const f32 h = travel ? (p1[2] < p2[2] ? p1[2] : p2[2]) : z;
    static const i32 gather = 0;
    i32 count = 0;
    LOCPNTH(m, gather, p1, p2, h, tolerance, count, position, contact, normal, status);
    LOCRST();
}
