#include "cutter/locpnt.h"

#include <cmath>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

#include "cutter/congeo.h"
#include "cutter/frames.h"
#include "cutter/loccom.h"
#include "cutter/planar.h"
#include "cutter/under.h"
#include "core/host.h"
#include "core/params.h"
#include "core/proc.h"
#include "cutter/refrec.h"
#include "cutter/roads.h"
#include "surfaces/qtside.h"
#include "surfaces/trimodel.h"
#include "tools/toolcache.h"

i32 LOCLST[2] = {-1, -1};
i32 LOCNRM = 1;
f64 LOCNTS = 0.0, LOCNGT = 0.0, LOCNEX = 0.0, LOCNCT = 0.0;

namespace {

// The contact limit: the message, shown once per surface while the host
// keeps bad surfaces, the surface entered among them; status -1.
void overflow(i32 surface_id, const f32* point, i32& status)
{
    // The message's four pieces are joined end to end, as the host's text
    // builder joins texts, nothing put between them, with the surface's id
    // and the point's X and Y filled in.
    char text[256];
    std::snprintf(text, sizeof text, "LOCPNT, TOO MANY TRIANGLES UNDER TOOL  ID=%dUSE A SMALLER TOOL OR INCREASE TOLERANCE X=%f Y=%f",
                  surface_id, point[0], point[1]);
    if (!get_flag_badsrf()) {
        userrc(text, 0);
    } else if (find_id_in_buf_badsrf(surface_id) == -1) {
        userrc(text, 0);
        i32 st = 0;
        put_id_in_buf_badsrf(surface_id, st);
        redraw_badsrf();
    }
    status = -1;
}

// Road 1: classifies a recorded contact before its winner test and keeps the
// alternative normal Na (with its mark ma) from the node normals, or from
// the tool side on a border edge; edge contacts of class 2 go to the list.
void smooth_classify(bool E, bool& Ep, f32 zz, f32 ztip, f32 B, f32 tol, const i32* ent, i32 surface, const f32* pc,
                     const f32* point, f32 D2, f32 r2, f32 e, f32 L2, const f32* tn, const f32* nrmk, f32* Na,
                     i32& ma, bool& pending, bool& classified, const f32* frame)
{
    const bool classify = std::fabs(zz - B) < 2.1f * tol ? !(E && !Ep) : zz >= B;
    if (!classify) return;
    Ep = E;
    classified = true;
    f32 n[3];
    i32 m = 0, cs = 0;
    i32 bc = 0;
    if (E) BRDCLS(ent, pc, tol, bc, frame);
    if (E && (bc == 1 || bc == 2)) {
        // The grown tool with its tip where it touched, before the
        // allowance (ztip): only there does its surface pass through pc
        // (with the tip at zz its corner centre would stand e too high).
        f32 tp[3] = {point[0], point[1], ztip};
        CNTNRM(D2, r2, LOCTAP, e, L2, tp, pc, n, cs);
        if (bc == 1) {
            m = 1;
        } else {
            CRSLST(1, surface, zz, tol, n, cs);
            SMTNRM(tn, pc, ent, nrmk, n, cs, frame);
            pending = true;
        }
    } else {
        SMTNRM(tn, pc, ent, nrmk, n, cs, frame);
        pending = false;
    }
    const i32 ori = trgori(ent);
    if (eqvald(zz, B)) {
        const bool better = E ? (ori != 2 && ori != -2 && (n[2] >= Na[2] || (m == 1 && ma == 0))) : n[2] >= Na[2];
        if (!better) return;
    } else if (!(zz > B)) {
        return;
    }
    for (i32 j = 0; j < 3; ++j) Na[j] = n[j];
    if (E) ma = m;
}

// Blocks of BLK consecutive list positions, summed up from the gathering's
// notes when the examination first reaches them: the highest top
// (+infinity when a top is not a number) and the surface all entries share
// (-1 when they differ). A block whose entries would all be passed over one
// by one is passed over at once.
constexpr i32 BLK = 16;
struct Blocks {
    std::vector<f32> top;
    std::vector<i32> srf;
    std::vector<unsigned> seen;  // the drop that summed the block up
    unsigned drop = 0;
    // Starts a drop over n list positions.
    void begin(i32 n)
    {
        const size_t nb = static_cast<size_t>(n / BLK);
        if (nb > top.size()) top.resize(nb), srf.resize(nb), seen.resize(nb, 0);
        if (++drop == 0) std::fill(seen.begin(), seen.end(), 0), drop = 1;
    }
    // Block b (positions b * BLK onwards) from the notes.
    [[gnu::always_inline]] inline void sum(i32 b, const ElmSide& side)
    {
        if (seen[b] == drop) return;
        seen[b] = drop;
        const f32* t = side.top + static_cast<size_t>(b) * BLK;
        const i32* s = side.srf + static_cast<size_t>(b) * BLK;
        f32 hi = t[0];
        bool nan = false, one = true;
        for (i32 j = 0; j < BLK; ++j) {
            nan |= t[j] != t[j];
            hi = t[j] > hi ? t[j] : hi;
            one &= s[j] == s[0];
        }
        top[b] = nan ? std::numeric_limits<f32>::infinity() : hi;
        srf[b] = one ? s[0] : -1;
    }
};
Blocks blocks;

// One drop: the point, the tool and the contact arrays of the caller, the
// floor the point starts from, the winner so far and the tool grown for
// the surface of the entry last examined.
struct Drop {
    enum { SKIP = 0, GO = 1, ABORT = -1 };
    // The entry under examination: its list entry, triangle and surface
    // record and class, the allowance and tolerance, the top of the
    // triangle, its vertices, the contact of the grown tool (point, radius,
    // height cap, type), the triangle's normal, the contact height and the
    // height before the floor, and what the segment positioning needs.
    struct Cand {
        const i32* le;
        const i32* ent;
        i32 srfno;
        const i32* rec;
        i32 cls;
        f32 e, tu, top;
        f32 v[3][3];
        f32 pc[3], rc, hx;
        i32 t;
        // The grown tool's own contact and its tip's height there, before
        // the allowance and before the contact is carried to the tool's
        // own shape: where that tool's surface passes through the contact.
        f32 gpc[3], gz;
        f32 nz, tn[3], zz, z0;
        bool steep, parallel;
        f32 h, nr[3];
    };

    // arguments
    i32 mode, tool_type;
    f32* point;
    f32 tol;
    i32& ntri;
    f32& z;
    f32* normal;
    i32 capacity;
    i32& count;
    const LocRes& res;
    i32& status;
    // bounds of the drop
    f32 Rz = 0, Tp = 0, T15 = 0;
    i32 k = 0;
    bool limited = false;
    f32 zl = 0, B = 0, B0 = 0, hr = -1.0e10f;
    i32 M = 0;
    bool axis = false;
    f32 orig[3] = {0, 0, 0};
    // the floor rule
    f32 hs = 0;
    i32 segst = -1;
    bool hs_done = false, floored = false;
    f32 zlo = 0, zhi = 0;
    bool F23 = false;
    f32 nrm_preset[3] = {0, 0, 1};
    // the smoothed-normal and border roads
    bool smooth = false, border = false;
    f32 Hadd = 0;
    const f32* nrmk = nullptr;
    f32 Na[3] = {0, 0, 1};
    i32 ma = 0;
    bool classified = false, pending = false, Ep = false;
    // Da is the axis distance of the contact handled before; the first
    // contact of a drop has none before it and compares with 0, so its
    // outline move asks only that the tool have a flat part.
    f32 Dw = 1.0e10f, Da = 0.0f, Q[2] = {0.0f, 0.0f};
    bool brd_win = false;
    i32 Rr = 1, Ss = 0;
    // the gathering
    i32 m = 0, part = 0, check = 0, other = 0;
    f64 pxy[2] = {0, 0};
    // the winner
    bool winner = false;
    i32 win_code = 0, win_ori = 0, win_type = 0, win_cls = 0;
    i32 win_at = 0;  // the winner's own contact
    bool class5_won = false, kept_last = false, note = false;
    bool direct = false;  // contact 0 holds a height written directly, with no winner
    // the examination
    const i32* lst = nullptr;
    const i32* idx = nullptr;
    ElmSide side{};
    bool noted = false, quick = false;
    i32 flags = 0, prev_srf = -1;
    bool surfchg = false;
    bool near1 = true;  // class-1-near switch
    i32 retry = 0;
    ElmRun run{};
    LocClass row{};
    f32 D2 = 0, r2 = 0, L2 = 0, Re = 0, prev_e = 0;
    i32 prev_code = 0;  // the class code of the surface last seen
    BallCap cap{};      // the bound of the ball's box estimate for r2
    i32 prev_kind = 0, prev_cls = 0;  // the kind code and class of the surface last seen
    // The index beside the tree the gathering walked (null in tool-axis
    // mode or without notes): the entries' boxes, read there.
    const QtSide* qs = nullptr;

    // The box of a listed entry from the index beside the tree, into box;
    // false for a turned copy, without the index, or for an entry the
    // index does not cover.
    [[gnu::always_inline]] inline bool side_box(const i32* le, i32* box) const
    {
        const i32 node = le[ELM_NODE];
        if (!qs || node < 0 || node >= QT_NODES) return false;
        const i32 f = qs->first[node], k = le[ELM_INDEX];
        if (k < 0 || k >= qs->first[node + 1] - f) return false;
        const size_t i = static_cast<size_t>(f + k);
        box[0] = qs->x0[i], box[1] = qs->y0[i], box[2] = qs->x1[i], box[3] = qs->y1[i];
        return true;
    }

    // Would the vertex bound pass over an entry of the surface last seen
    // whose top plus allowance is h, leaving the other-surface note as it
    // is? Then the examination can pass over it unread.
    [[gnu::always_inline]] inline bool passed_over(f32 h) const
    {
        if (surfchg && !(h <= B - Rz)) return false;
        const f32 H = h + Hadd;
        if (H > B) return false;
        return !(H > B - Tp) || !(prev_code == 1 && yields());
    }

    // Does the winner give way to a contact of class code 1 at its height?
    // When it lies on a check surface, or (a mend of the reversed-contact
    // rule) on a triangle wound downward: a level top meeting a wall that
    // leans a little outward-down reaches the wall's height at their shared
    // edge, and were the top passed over there as no higher than the
    // reversed wall, the wall would govern and the height that exists would
    // be refused. So a class-1 entry that can tie is examined, as the tie
    // of the winner test lets it win.
    [[gnu::always_inline]] inline bool yields() const { return winner && (win_code == 2 || win_ori == -1); }

    // Is the entry at list position p one of a ball's surface just seen
    // whose box bound stands too low, so that admit would pass it over?
    // Then it is passed over here as admit does it (counted, the
    // other-surface note taken), without admit's reading of its surface.
    // Only with the index array the identity (no sort), where positions
    // and entries are one and the notes' pass has been tested.
    [[gnu::always_inline]] inline bool passed_by_box(i32 p)
    {
        if (prev_kind != 1 || ELMSRT || probing() || side.srf[p] != prev_srf) return false;
        if (prev_cls == SCL_BARE && class5_won) return false;
        const i32* le = lst + static_cast<size_t>(p) * ELM_WORDS;
        i32 box[4];
        if (!side_box(le, box)) return false;
        const f32 top = wrd2r(le[ELM_TOP]);
        f32 Hc = 0;
        if (!ball_near_cap(pxy, box, top, cap, Hc)) return false;
        const f32 H = Hc + prev_e + Hadd;
        if (H > B || (H > B - Tp && prev_code == 1 && yields())) return false;
        if (!run.triangle(le)) return false;
        LOCNEX += 1.0;
        if (surfchg && top + prev_e > B - Rz) {
            note = true;
            surfchg = false;
        }
        return true;
    }

    void start();
    void floor_rule();
    bool gather();
    bool examine();
    i32 scan(i32 p, i32 pass, i32 p0, i32 pm);
    [[gnu::always_inline]] inline i32 one(Cand& q, i32 p, bool early, i32 pass);
    [[gnu::always_inline]] inline i32 admit(Cand& q, i32 p, bool early, i32 pass);
    [[gnu::always_inline]] inline i32 contact(Cand& q);
    // The border road's inside test is pending: it runs on every triangle
    // whose vertices are read, so no triangle is passed over unread.
    bool probing() const { return border && BRDINS == 0 && (LOCTPF || LOCOFA != 0.0f); }
    // The triangle's vertices, in the tool's frame in tool-axis mode.
    void vertices(Cand& q) const;
    // The point whose tool frame the drop works in, for the roads' helpers
    // that read the triangles themselves; none outside tool-axis mode.
    const f32* frame() const { return axis ? orig : nullptr; }
    [[gnu::always_inline]] inline i32 on_segment(Cand& q);
    [[gnu::always_inline]] inline i32 filter(Cand& q);
    [[gnu::always_inline]] inline i32 take(Cand& q, i32 p);
    void end_rule();
};

// The drop's bounds; in tool-axis mode the point in the tool's frame, the
// preset normal too.
void Drop::start()
{
    Rz = LOCDIA / 22.0f > tol ? LOCDIA / 22.0f : tol;
    Tp = 5.0f * tol, T15 = 1.5f * tol;
    k = mode % 10;
    limited = mode >= 10;
    zl = point[2];
    B = limited ? zl - tol : -1.0e10f;
    B0 = B;
    hr = -1.0e10f;
    count = 0;
    ntri = 0;
    status = 0;
    M = MACTYP;
    axis = LOCAXM != 0;
    orig[0] = point[0], orig[1] = point[1], orig[2] = point[2];
    if (axis) {
        i32 st = 0;
        NRMINT(LOCSP1, LOCSP2, LOCAN1, LOCAN2, point, normal, st);
        FRMROT(orig, LOCTAX, point);
        FRMROT(orig, LOCTAX, normal);
    }
}

// The floor the drop starts from: the height of the reference segment (and
// its normal) under the point where a segment is followed, the switched-off
// roads' set-up.
void Drop::floor_rule()
{
    hs = point[2];
    segst = -1;
    if (!axis && (LOCSGM || M == 2 || M == 3 || M == 14)) {
        ZONSEG(LOCSP1, LOCSP2, point, hs, segst);
        i32 st = 0;
        NRMINT(LOCSP1, LOCSP2, LOCSN1, LOCSN2, point, normal, st);
        hs_done = true;
        if (LOCSGM) {
            B = hs;
        } else if (M == 2 || M == 3) {
            hr = hs;
            if (LOCSW3 == 0.0f || eqval(LOCSW3, LOCSW2)) {
                B = hs;
                floored = true;
            }
        }
    }
    if (axis && M == 2) {
        hs = point[2];
        segst = 0;
    }
    zlo = LOCSP1[2] < LOCSP2[2] ? LOCSP1[2] : LOCSP2[2];
    zhi = LOCSP1[2] < LOCSP2[2] ? LOCSP2[2] : LOCSP1[2];
    F23 = (M == 2 || M == 3) && !axis;
    for (i32 j = 0; j < 3; ++j) nrm_preset[j] = normal[j], Na[j] = normal[j];
    // The switched-off roads: the smoothed normal (road 1) with its wider
    // bounds, and the border road (road 2), which takes road 1 with it.
    smooth = drp_smooth(), border = DRPBRD != 0;
    Hadd = smooth ? 2.1f * tol : 0.0f;
    nrmk = smooth ? nrmbas() : nullptr;
    if (border) {
        BRDINS = (LOCTPF || LOCOFA != 0.0f) ? 0 : 1;
        BRDFLG = 0;
    }
}

// The triangles under the tool; false (status set) when the point lies
// beyond the grid or the gathering fails.
bool Drop::gather()
{
    // The point's XY goes into the grid's words in thousandths just below: a
    // point beyond what a word holds would wrap there (an undefined
    // conversion) and gather the triangles of some other place, so it is
    // refused first, with a message and status -1.
    if (!elm_fits(orig, 0.0)) {
        eroutc("LOCPNT, POINT BEYOND THE TRIANGLE GRID", 0);
        status = -1;
        return false;
    }
    i32 ixy[2] = {static_cast<i32>(orig[0] * 1000.0f), static_cast<i32>(orig[1] * 1000.0f)};
    i32 st = 0;
    f32 bz = 0;
    // The gathering is handed the point as it came, not as turned into the
    // tool's frame above: it turns the point into that frame itself (and
    // gathers the cells about the unturned point), so a point turned here
    // would be turned twice.
    f32 gp[3] = {orig[0], orig[1], orig[2]};
    elm2nd(tool_type & 1, gp, ixy, tol, ELMCAP, ntri, m, bz, part, check, other, st);
    if (st < 0) {
        status = st;
        return false;
    }
    LOCNGT += ntri;
    // The box bound measures from the point's thousandths as they are, not
    // truncated: truncated toward zero, the nearest distance to a box could
    // come out up to a thousandth and a half too long, the estimate too low,
    // and a triangle the tool touches would be passed over.
    pxy[0] = f64(point[0]) * 1000.0, pxy[1] = f64(point[1]) * 1000.0;
    return true;
}

// The examination of the gathered entries: the last winner and the
// gathering's best estimate first, then the rest; a first pass over part
// surfaces, a second over check and other part surfaces. False when the
// drop ends with a failure (status set).
bool Drop::examine()
{
    lst = elmlst();
    idx = elmidx();
    // Lists refused for a wrong check word (said by elmbase): the drop fails
    // rather than read the entries through nothing.
    if (!lst || !idx) {
        status = -1;
        return false;
    }
    // The gathering's notes beside its list: where the last winner
    // stands, the tops, surfaces and class passes of the entries.
    noted = !axis && elm_side(ntri, side);
    qs = noted ? qt_side() : nullptr;
    i32 p0 = -1;
    if (!LOCNRM && tool_type <= 1 && !axis) {
        if (noted) {
            p0 = side.last;
        } else {
            for (i32 p = 0; p < ntri; ++p) {
                const i32* le = lst + static_cast<size_t>(idx[p]) * ELM_WORDS;
                if (le[ELM_NODE] == LOCLST[0] && le[ELM_INDEX] == LOCLST[1]) {
                    p0 = p;
                    break;
                }
            }
        }
    }
    const i32 pm = m - 1;
    if (p0 == pm) p0 = -1;
    flags = LOCFLG;
    // An entry whose class the pass does not take, or of the surface
    // just seen whose top stands too low for the height reached (and,
    // after a change of surface, too low for the other-surface note),
    // is passed over without reading its triangle: the examination below
    // would drop it with nothing changed.
    quick = noted && side.quick;
    // The second pass looks at check and other part surfaces only: it
    // is skipped when the gathering listed none.
    const i32 passes = (check || other) ? 2 : 1;
    if (quick) blocks.begin(ntri);
    Cand q;
    for (i32 pass = 0; pass < passes; ++pass) {
        if (pass == 1 && count == 0) near1 = false;
        for (i32 slot = -2; slot < ntri; ++slot) {
            i32 p;
            bool early = false;
            if (slot == -2) {
                if (p0 < 0) continue;
                p = p0, early = true;
            } else if (slot == -1) {
                if (pm < 0 || pm >= ntri) continue;
                p = pm, early = true;
            } else {
                // Where the scan stops, every test below up to admit has
                // been made and has not passed the entry over. Only for a
                // ball, whose box bound passes most entries over there:
                // for the other tools it would stop at every entry examined.
                const bool scanned =
                    quick && prev_kind == 1 && !surfchg && !probing() && !(limited && B > zl + 0.1f * tol);
                if (scanned) {
                    slot = scan(slot, pass, p0, pm);
                    if (slot >= ntri) break;
                    p = slot;
                    if (one(q, p, false, pass) == ABORT) return false;
                    continue;
                }
                p = slot;
                if (quick && !probing() && p % BLK == 0 && p + BLK <= ntri) {
                    // A whole block passed over: the tests below, for its
                    // highest top and its one surface.
                    if (limited && !border && B > zl + 0.1f * tol) break;
                    const i32 b = p / BLK;
                    blocks.sum(b, side);
                    if (blocks.srf[b] == prev_srf && passed_over(blocks.top[b] + prev_e)) {
                        slot += BLK - 1;
                        continue;
                    }
                }
                if (p == p0 || p == pm) continue;
            }
            // Once B stands above the limit every further triangle is
            // skipped. B only rises during a drop, but for the border road's
            // tie, which lowers it: outside that road the pass ends at once.
            if (limited && B > zl + 0.1f * tol) {
                if (!border) break;
                continue;
            }
            if (noted && !early) {
                const unsigned char bit = pass == 0 ? 1 : 2;
                if (!(side.pass[p] & bit)) continue;
                if (quick && !probing() && side.srf[p] == prev_srf && passed_over(side.top[p] + prev_e)) continue;
                if (quick && passed_by_box(p)) continue;
            }
            if (one(q, p, early, pass) == ABORT) return false;
        }
    }
    return true;
}

// The entry at list position p through admit, its contact, the segment
// positioning, the filter and the winner test; ABORT when the drop fails.
i32 Drop::one(Cand& q, i32 p, bool early, i32 pass)
{
    i32 go = admit(q, p, early, pass);
    if (go == GO) go = contact(q);
    if (go == GO) go = on_segment(q);
    if (go == GO) go = filter(q);
    if (go == GO) go = take(q, p);
    return go;
}

// The list positions from p on that the examination would pass over one by
// one (with the surface just seen, the best height and the other-surface
// note standing still meanwhile): the blocks and entries the tests of the
// notes pass over, the early entries, and a ball's entries whose box bound
// stands too low (counted as examined, as admit counts them). The first
// position that needs the examination's own tests, ntri when none. The
// same tests as there, in the same order, on the values held here.
i32 Drop::scan(i32 p, i32 pass, i32 p0, i32 pm)
{
    const unsigned char bit = pass == 0 ? 1 : 2;
    const f32 Bl = B, BT = B - Tp, e = prev_e, add = Hadd;
    const bool cond = prev_code == 1 && yields();
    const bool by_box = prev_kind == 1 && !ELMSRT && !(prev_cls == SCL_BARE && class5_won);
    const i32 srf0 = prev_srf, n = ntri;
    const f32* top = side.top;
    const i32* srf = side.srf;
    const unsigned char* pas = side.pass;
    // passed_over without a pending other-surface note
    auto low = [&](f32 h) {
        const f32 H = h + add;
        return !(H > Bl) && (!cond || !(H > BT));
    };
    f64 counted = 0.0;
    for (; p < n; ++p) {
        if (p % BLK == 0 && p + BLK <= n) {
            const i32 b = p / BLK;
            blocks.sum(b, side);
            if (blocks.srf[b] == srf0 && low(blocks.top[b] + e)) {
                p += BLK - 1;
                continue;
            }
        }
        if (p == p0 || p == pm || !(pas[p] & bit)) continue;
        if (srf[p] != srf0) break;
        if (low(top[p] + e)) continue;
        if (!by_box) break;
        const i32* le = lst + static_cast<size_t>(p) * ELM_WORDS;
        i32 box[4];
        f32 Hc = 0;
        if (!side_box(le, box) || !ball_near_cap(pxy, box, wrd2r(le[ELM_TOP]), cap, Hc) || !low(Hc + e)) break;
        if (!run.triangle(le)) break;
        counted += 1.0;
    }
    LOCNEX += counted;
    return p;
}

// The entry at list position p: skipped when the pass does not take its
// class, its bounds stand too low or the estimate says so; the tool grown
// for its surface when the surface changes.
i32 Drop::admit(Cand& q, i32 p, bool early, i32 pass)
{
    const i32 at = idx[p];
    q.le = lst + static_cast<size_t>(at) * ELM_WORDS;
    q.ent = run.triangle(q.le);
    // An entry whose triangle cannot be had (its node's array or the turned
    // copies gone) is passed over, not read from nothing.
    if (!q.ent) return SKIP;
    LOCNEX += 1.0;
    // The triangle itself is read only once its contact is sought: its
    // surface comes from the gathering's notes and its box from the index
    // beside the tree, which the gathering has just walked (the same words).
    q.srfno = noted ? side.srf[at] : q.ent[TRG_SRF];
    q.rec = srfrec(LOCSRB, q.srfno);
    q.cls = q.rec[0];
    const bool second = q.cls == SCL_CHECK || q.cls == SCL_PART;
    if ((pass == 0) == second) return SKIP;
    if (q.cls == SCL_IGNORED || (q.cls == SCL_BARE && class5_won)) return SKIP;
    if (!loc_class(q.cls, flags, row)) return SKIP;
    q.e = row.e;
    q.tu = q.cls == SCL_CHECK ? LOCTL2 : tol;
    if (q.srfno != prev_srf) {
        const GrownTool g = loc_grown(q.e);
        D2 = g.d, r2 = g.r, L2 = g.l;
        STDIAM(D2);
        STCRNR(r2);
        STCUTL(L2);
        if (LOCTPF) {
            TAPOFS(D2, L2, q.e, r2);
            TAPRTP(Re);
        } else {
            Re = D2 * 0.5f;
        }
        cap = ball_cap(r2);
        if (prev_srf != -1) surfchg = true;
        prev_srf = q.srfno;
        prev_e = q.e;
        prev_code = row.code;
        prev_kind = row.kind;
        prev_cls = q.cls;
    }
    q.top = wrd2r(q.le[ELM_TOP]);
    // The border road's axis test takes the vertices in the tool's frame,
    // where the point already stands in tool-axis mode: the outline of the
    // unturned vertices about the turned point would mean nothing, and about
    // the point itself would be the outline along the vertical, not along
    // the tool's axis. Without tool-axis mode the frames are one. It runs
    // once the vertices are read, before the bounds may pass the triangle
    // over: a low triangle under the axis still counts.
    if (probing()) {
        vertices(q);
        if (PTINTR(point, q.v[0], q.v[1], q.v[2]) != 0) BRDINS = 1;
    }
    if (surfchg && q.top + q.e > B - Rz) {
        note = true;
        surfchg = false;
    }
    if (!early) {
        auto bound = [&](f32 H) {
            if (H > B) return true;
            if (H > B - Tp) return row.code == 1 && yields();
            return false;
        };
        if (!bound(q.top + q.e + Hadd)) return SKIP;
        i32 qbox[4];
        const i32* box = side_box(q.le, qbox) ? qbox : q.ent + TRG_BOX;
        // A ball's box bound too low, shown without the roots of the estimate.
        f32 Hc = 0;
        if (row.kind == 1 && ball_near_cap(pxy, box, q.top, cap, Hc) && !bound(Hc + q.e + Hadd)) return SKIP;
        f32 Hb = 0;
        i32 bs = 0;
        trgest(pxy, box, q.top, 2, Re, r2, row.kind, Hb, bs);
        if (bs < 0) {
            status = bs;
            return ABORT;
        }
        if (bs == 1) return SKIP;
        if (!bound(Hb + q.e + Hadd)) return SKIP;
    }
    return GO;
}

// The contact of the grown tool with the triangle, the allowance added, and
// the floor against which the segment positioning and the filter measure it.
void Drop::vertices(Cand& q) const
{
    for (i32 j = 0; j < 3; ++j) {
        const f32* nd = nodept(LOCNDB, q.ent[TRG_NODE + j]);
        q.v[j][0] = nd[0], q.v[j][1] = nd[1], q.v[j][2] = nd[2];
        if (axis) FRMROT(orig, LOCTAX, q.v[j]);
    }
}

i32 Drop::contact(Cand& q)
{
    vertices(q);
    // Contact with the grown tool.
    f32 wp[3] = {point[0], point[1], point[2]};
    f32 zc = 0;
    q.rc = 0, q.hx = -1.0e10f;
    q.t = 0;
    const i32 dzero = eqval0(D2) ? 1 : 0;
    // A mend of the planar contact for the sharp tip: the point
    // tool's wider face margin (a point near an edge takes the
    // edge's height) holds for a needle only; a cone whose tip
    // has no diameter meets the edges with its flank, exactly.
    const i32 needle = dzero && !LOCTPF ? 1 : 0;
    PLNCNT(q.v[0], q.v[1], q.v[2], q.ent, wp, row.kind, needle, retry, tol, D2, r2, zc, q.pc, q.rc, q.hx, q.t);
    LOCNCT += 1.0;
    if (q.t < 0 || q.t == 1 || q.t == 2) return SKIP;
    q.nz = wrd2r(q.ent[TRG_NRM + 2]);
    q.tn[0] = wrd2r(q.ent[TRG_NRM]), q.tn[1] = wrd2r(q.ent[TRG_NRM + 1]), q.tn[2] = q.nz;
    q.zz = zc;
    q.gz = zc;
    q.gpc[0] = q.pc[0], q.gpc[1] = q.pc[1], q.gpc[2] = q.pc[2];
    // The normal whose Z decides here is the triangle's own: on a face all
    // but level the enlarged tool's height less its allowance is the tool's
    // own, whatever normal the drop was handed.
    if (smooth || q.e == 0.0f || dzero || ((LOCSGM || F23) && 2.0f * r2 < D2 && q.nz > 0.999f)) {
        q.zz += q.e;
    } else {
        f32 tp[3] = {point[0], point[1], q.zz};
        f32 sn[3];
        i32 cs = 0;
        CNTNRM(D2, r2, LOCTAP, q.e, L2, tp, q.pc, sn, cs);
        q.zz += q.e;
        tp[2] = q.zz;
        CNTTIP(LOCDIA, LOCCRN, LOCTAP, tp, sn, q.pc, cs);
    }
    point[2] = q.zz;
    q.z0 = q.zz;
    q.steep = (F23 && !LOCSGM) ? q.nz < 0.0015f : eqval0(q.nz) != 0;
    q.parallel = false;
    q.h = hs;
    // The reference normal is the normal the drop was set up with (the
    // segment's normal at the point), not what the output cell holds by now.
    q.nr[0] = nrm_preset[0], q.nr[1] = nrm_preset[1], q.nr[2] = nrm_preset[2];
    if (LOCSGM || F23) {
        if (q.cls == SCL_PART && M == 2 && REFSWT && LOCDIA * 0.5f > LOCSW3) {
            for (i32 j = 1; j <= 2; ++j) {
                f32 rp[3], rn[3];
                // A record serves when it lies within the tolerance of the
                // point as it stands now, at the contact's height: the
                // records hold points at their heights, and the point as
                // handed in (at whatever height the caller passed) would
                // match none.
                if (REFGET(q.rec[SRF_INDEX], j, rp, rn) && dist3(rp, point) <= tol) {
                    q.nr[0] = rn[0], q.nr[1] = rn[1], q.nr[2] = rn[2];
                    q.h = rp[2];
                    break;
                }
            }
        }
        f32 cp = std::fabs(q.nr[0] * q.tn[0] + q.nr[1] * q.tn[1] + q.nr[2] * q.tn[2]);
        f32 dz = q.zz - q.h;
        if (!q.steep) dz = std::fabs(dz * q.nz);
        if (q.nz > 0.095f && dz > T15) cp = 0.0f;
        if (F23 && q.zz <= q.h) q.zz = q.h;
        q.parallel = (row.code == 1 && (cp > 0.985f || eqval(cp, 0.985f))) ||
                   (q.cls == SCL_PART && (cp >= 0.993f || eqval(cp, 0.993f)));
    }
    return GO;
}

// Segment positioning: the contact taken to the segment's height where it
// lies close above it; heights above the segment written directly.
i32 Drop::on_segment(Cand& q)
{
    const bool segpos = LOCSGM || (axis && M == 2);
    if (segpos && segst >= 0) {
        if ((q.nz < 0.77f && q.zz <= q.h + 1.25f * tol) || (q.nz >= 0.77f && q.zz <= q.h + 0.1f * tol)) {
            q.zz = q.h;
            q.rc = Re;
        } else if (row.code != 2) {
            f32 tp[3] = {point[0], point[1], q.h}, qt[3];
            i32 cs = 0;
            CNTTIP(D2, r2, LOCTAP, tp, q.nr, qt, cs);
            f32 dx = qt[0] - q.pc[0], dy = qt[1] - q.pc[1], d2 = dx * dx + dy * dy;
            f32 g = q.nr[0] * q.tn[0] + q.nr[1] * q.tn[1] + q.nr[2] * q.tn[2];
            if (((cs >= 0 || cs == -2) && d2 < 2.0f * T15 * T15 && q.nz < 0.707f) ||
                (q.zz > q.h + tol && cs >= 0 && d2 < D2 * D2 * 0.125f && q.nz < 0.173f && g < 0.99f &&
                 (D2 - tol) * (D2 - tol) < 2.0f * d2 / (1.0f - g))) {
                q.zz = q.h;
                q.rc = Re;
            }
        }
        bool to_filter = false;
        if (LOCSGM && row.code == 2) {
            if (q.zz < zlo || eqval(q.zz, zlo)) return SKIP;
            if (q.zz > zhi) to_filter = true;
        }
        if (!to_filter) {
            if (near1 && q.zz > B) {
                // The height is written as the result directly.
                if (!winner && !direct) {
                    // Contact 0 becomes the reference. Contacts
                    // recorded before it did not win; the first
                    // gives way, and the count grows only from
                    // 0, so no entry is left unset.
                    if (capacity < 1) { overflow(q.rec[SRF_ID], orig, status); return ABORT; }
                    res.cz[0] = q.zz;
                    res.ckind[0] = 0;
                    res.cpos[0] = -1;
                    for (i32 j = 0; j < 3; ++j) res.cpt[j] = q.pc[j];
                    if (count == 0) count = 1;
                    // The height written is the drop's answer from here on,
                    // as a later write's is: B rises to it, so a later
                    // direct write keeps the highest and the end rule keeps
                    // it. Left at the floor, the end rule would put the
                    // segment's height over contact 0 whenever nothing won
                    // (segment positioning runs only where it does so), and
                    // the tool would stand below a triangle it touches.
                    B = q.zz;
                    direct = true;
                } else if (res.cpos[0] == -1) {
                    res.cz[0] = q.zz;
                    B = q.zz;
                } else {
                    res.cz[win_at] = q.zz;
                    B = q.zz;
                }
                return SKIP;
            }
            if (segst == 1) {
                f32* lower = LOCSP1[2] <= LOCSP2[2] ? LOCSP1 : LOCSP2;
                if (q.zz > lower[2]) lower[2] = q.zz;
                return SKIP;
            }
        }
    }
    return GO;
}

// The acceptance filter: a contact near the tool's outline or too little
// above the floor is dropped.
i32 Drop::filter(Cand& q)
{
    // Acceptance filter.
    kept_last = F23 && q.steep;
    bool record = (B <= B0 && !kept_last) || LOCTPF ||
                  (!(F23 || (LOCSGM && (M == 11 || M == 12 || M == 13))) &&
                   ((q.cls != SCL_CHECK && q.cls != SCL_PART) || (q.cls == SCL_PART && LOCTCD != 2 && !q.parallel)));
    if (!record) {
        f32 d = Re < tol + 1.0e-4f ? 2.0f * q.tu : Re - q.rc;
        bool nearc = (q.steep || q.t == 4 || q.t == 5) && d <= q.tu;
        if (q.cls == SCL_MACHINED && !nearc) near1 = false;
        if (nearc) return SKIP;
        if (hr <= B0) hr = B;
        f32 vv;
        if (q.t != 0 && q.t != 5 && d > q.tu)
            vv = q.z0 - hr;
        else
            vv = q.steep ? d : std::fabs((q.z0 - hr) * q.nz);
        if (q.cls != SCL_MACHINED && vv <= q.tu) return SKIP;
        if (q.hx > -1.0e10f && (q.t == 0 || q.t == 5) && std::fabs(q.z0 - hr) * q.nz <= q.tu) return SKIP;
    }
    return GO;
}

// The contact recorded; the smoothed normal and the border road; the
// winner when it stands highest.
i32 Drop::take(Cand& q, i32 p)
{
    if (count >= capacity) { overflow(q.rec[SRF_ID], orig, status); return ABORT; }
    res.cz[count] = q.zz;
    res.ckind[count] = q.steep ? 2 : 0;
    res.cpos[count] = p + 1;
    if (!border)
        for (i32 j = 0; j < 3; ++j) res.cpt[3 * count + j] = q.pc[j];
    ++count;
    const bool E = q.t == 3 || q.t == 4;  // a contact on an edge
    if (smooth)
        smooth_classify(E, Ep, q.zz, q.gz, B, tol, q.ent, q.rec[SRF_ID], q.pc, point, D2, r2, q.e, L2, q.tn, nrmk, Na, ma,
                        pending, classified, frame());
    if (border) {
        // Near the axis: on an edge with the alternative normal
        // vertical, the contact moves onto the outline.
        const bool vertical_na = eqval(Na[2], 1.0f) && eqval0(Na[0]) && eqval0(Na[1]);
        bool near = false;
        if (E && row.kind != 1 && row.kind != 11 && (r2 == 0.0f || D2 * 0.5f - r2 > Da) && vertical_na) {
            if (PTINTR(point, q.v[0], q.v[1], q.v[2]) == 0) {
                TRIEDP(1, q.v[0], q.v[1], q.v[2], point, q.pc);
            } else {
                // The contact under the axis: the point's X and Y; its Z
                // stays the contact's own, on the triangle (the point's
                // current Z is the tip's, above it by the allowance).
                q.pc[0] = point[0];
                q.pc[1] = point[1];
            }
            near = true;
        }
        Da = dist_xy(q.pc, point);
        // The tie is dropped: against the lowered height the contact wins
        // by height, and the region state below counts it so. Only an equal
        // height that wins the winner test itself is a tie win.
        if (brd_win && (eqvald(q.zz, B) || (near && eqval(q.zz, B) && Da < Dw)) && (!E || Da < Dw)) {
            B = q.zz - 1.0f;
            Dw = Da;
        }
    }
    // Winner.
    bool wins, tie = false;
    if (eqvald(q.zz, B)) {
        wins = row.code == 1 && yields();
        tie = true;
    } else {
        wins = q.zz > B;
    }
    if (!wins) return SKIP;
    if (border) {
        if (E) {
            Dw = Da;
            i32 bc = 0;
            BRDCLS(q.ent, q.pc, tol, bc, frame());
            BRDFLG = bc == 1 || bc == 2 ? 1 : 0;
        } else {
            Dw = 1.0e10f;
            BRDFLG = 0;
        }
        for (i32 j = 0; j < 3; ++j) res.cpt[j] = q.pc[j];
        BRDKND = row.kind;
        BRDDIA = D2;
        BRDCRN = r2;
        brd_win = E;
        i32 fl = 0;
        if (!tie) {
            BRDRGN = 2;
            Ss = 0;
            Rr = 1;
        } else if (Ss == 0) {
            if (PTINRG(q.pc, fl) == 0 && (Rr == 0 || PTINRG(Q, fl) == 0)) {
                BRDRGN = 0;
                Ss = 0;
            } else {
                BRDRGN = 1;
                Ss = 1;
            }
        }
        Q[0] = q.pc[0];
        Q[1] = q.pc[1];
        if (tie) Rr = 0;
    }
    B = q.zz;
    win_at = count - 1;
    if (axis) {
        // The tool-side normal of the grown tool where it touched: its tip
        // at the contact's height before the allowance (z less e; the
        // segment positioning may since have set z to the segment), its own
        // contact point. Only there does its surface pass through the
        // contact: with the tip at z its corner centre stands e too high and
        // the normal leans toward the axis; and the contact carried to the
        // tool's own shape is, for a flat end, its sharp rim, which has no
        // one normal.
        f32 tp[3] = {point[0], point[1], q.gz};
        i32 cs = 0;
        CNTNRM(D2, r2, LOCTAP, q.e, L2, tp, q.gpc, normal, cs);
    } else {
        for (i32 j = 0; j < 3; ++j) normal[j] = q.tn[j];
    }
    LOCLST[0] = q.le[ELM_NODE];
    LOCLST[1] = q.le[ELM_INDEX];
    winner = true;
    win_code = row.code;
    win_ori = trgori(q.ent);
    win_type = (q.t >= 3) ? 0 : q.t;
    win_cls = q.cls;
    if (q.cls == SCL_BARE) {
        class5_won = true;
        B = q.top;
    }
    return GO;
}

// The end rule (no winner: the floor as the reference contact, or no
// contact), the status, the smoothed normal of several edge contacts, the
// border road's last word and the point back out of the tool's frame.
void Drop::end_rule()
{
    // The segment's height stands in for a drop that found nothing. A height
    // written directly with no winner is found, above that floor: it stands
    // as a winner's would (status 0, z = B, contact 0 kept), for with the
    // segment's height put over it the tool would stand below the triangle
    // that gave it.
    if (!winner && !direct) {
        bool reference = floored || LOCSGM || kept_last || (hs_done && LOCTCD == 0) || (axis && M == 2);
        if (reference) {
            status = 0;
            res.cz[0] = hs;
            res.ckind[0] = 0;
            res.cpos[0] = -1;
            f32 tp[3] = {point[0], point[1], hs};
            i32 cs = 0;
            const f32 zero = 0.0f;
            CNTTIP(LOCDIA, LOCCRN, zero, tp, nrm_preset, res.cpt, cs);
            count = 1;
            B = hs;
        } else {
            status = 1;
        }
    } else {
        status = 0;
    }
    z = B;
    if (status == 1 && k == 3 && ntri > 0) status = 4;
    if (status >= 0 && note) status += 10;
    if (smooth) {
        // The edge contacts of several surfaces near the top: the highest
        // record's normal. Records left by an earlier classification go.
        // The resolution leaves rn unwritten when it fails (an empty list,
        // as after a refused append): it starts at zero, so the test below
        // never reads an unset value and keeps the normal as it was.
        f32 rn[3] = {0, 0, 0};
        i32 cs = 0;
        // The list answers into its own cell: the drop's status (0, 1, 4, 10
        // and above) is what the caller reads, and the list's 1, 2 or -1 only
        // choose the normal.
        if (pending) {
            CRSLST(2, 0, 0.0f, tol, rn, cs);
            const f32 g = Na[0] * rn[0] + Na[1] * rn[1] + Na[2] * rn[2];
            if (cs == 2 || (cs == 1 && g < 0.5f))
                for (i32 j = 0; j < 3; ++j) Na[j] = rn[j];
        } else if (crslst_count() > 0) {
            CRSLST(2, 0, 0.0f, tol, rn, cs);
        }
        // With no contact classified the alternative normal holds only its
        // preset: the drop's own normal stands.
        if (classified)
            for (i32 j = 0; j < 3; ++j) normal[j] = Na[j];
    }
    // The free-border test is handed contact point 0 and the point as the
    // drop holds them, in the tool's frame in tool-axis mode, and turns the
    // triangles it reads into that frame: a contact in the tool's frame
    // measured against the point as handed in, or against the vertices as
    // stored, would step toward some other place and test wrong outlines.
    if (border && BRDINS == 0 && BRDFLG == 1 && LOCOFA != 0.0f)
        BRDFLG = FREBRD(res.cpt, point, ntri, elmlst(), elmidx(), frame()) == 1 ? 1 : 0;
    // "No last winner" is read as no winner in this drop: LOCLST may still
    // name a triangle won at an earlier point, which the next drop has no
    // reason to try first when this one found nothing to win.
    LOCNRM = (count == 0 || !winner) ? 1 : 0;
    // The point leaves with the drop's height, outside tool-axis mode too,
    // not with the height of the last contact examined: that one need not
    // have won, and a caller reading the point back reads the answer.
    point[2] = B;
    if (axis) {
        FRMSET(orig, LOCTAX);
        FRMBCK(point);
    }
}

}  // namespace

void LOCPNT(const i32& mode, const i32& tool_type, f32* point, const f32& tolerance, i32& ntri, f32& z,
            f32* normal, const i32& capacity, i32& count, const LocRes& res, i32& status)
{
    Drop d{mode, tool_type, point, tolerance, ntri, z, normal, capacity, count, res, status};
    d.start();
    d.floor_rule();
    if (!d.gather()) return;
    if (ntri > 0 && !(d.k == 2 && !d.other) && !d.examine()) return;
    d.end_rule();
}

bool loc_model_and_tool(const f32& allowance_a, const f32& allowance_b)
{
    i32 st = 0;
    CNTPTR(TRIMDL[TM_SRFHDL], TRIMDL[TM_NODHDL], st);
    if (st >= 0) LOCPTR(TRIMDL[TM_SRFHDL], TRIMDL[TM_NODHDL], st);
    // Without the model's addresses the tool was not read yet: writing the
    // context's tool back here would put the previous call's values into the
    // cache in place of the current tool's.
    if (st < 0) return false;
    if (!LOCTOL(allowance_a, allowance_b)) {
        LOCRST();
        return false;
    }
    return true;
}

bool LOCTOL(const f32& allowance_a, const f32& allowance_b)
{
    f32 d = 0, r = 0, l = 0, deg = 0;
    GTDIAM(CURTOL, d);
    GTCRNR(CURTOL, r);
    GTCUTL(CURTOL, l);
    GTTAPA(CURTOL, deg);
    LOCDIA = d, LOCCRN = r, LOCCUT = l;
    LOCTAP = static_cast<f32>(radian(deg));
    if (d < 0.0f || r < 0.0f || l < 0.0f || deg < 0.0f) return false;
    LOCZDI = eqval0(LOCDIA) ? 1 : 0;
    LOCTPF = gtval(LOCTAP, 0.0f) ? 1 : 0;
    f64 ca = 1.0, sa = 0.0;
    i32 t = 0;
    if (LOCTPF) {
        TAPSET(CURTOL);
        ca = std::cos(f64(LOCTAP));
        sa = std::sin(f64(LOCTAP));
        t = 10;
    }
    LOCOFA = allowance_a;
    LOCOFB = allowance_b;
    f32 f = static_cast<f32>(LOCDIA - 2.0 * (1.0 - sa) * LOCCRN / ca);
    const bool ball = eqval0(f) != 0;
    LOCKND = t + (ball ? 1 : (eqval0(LOCCRN) ? 2 : 3));
    f32 ra = LOCCRN + allowance_a, rb = LOCCRN + allowance_b;
    if (ra < 0.0f) ra = 0.0f;
    if (rb < 0.0f) rb = 0.0f;
    LOCKDA = t + (ball ? 1 : (eqval0(ra) ? 2 : 3));
    LOCKDB = t + (ball ? 1 : (eqval0(rb) ? 2 : 3));
    return true;
}

void LOCRST()
{
    STDIAM(LOCDIA);
    STCRNR(LOCCRN);
    STCUTL(LOCCUT);
}
