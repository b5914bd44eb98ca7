// The gatherings of the triangles under the tool: at a point (elm2nd) and
// along a straight move (elm2n2), with the side notes of the last point
// gathering that the drop reads.
#include "cutter/under.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "cutter/elmlist.h"
#include "cutter/congeo.h"
#include "cutter/frames.h"
#include "cutter/loccom.h"
#include "cutter/locpnt.h"
#include "cutter/planar.h"
#include "cutter/qtreach.h"
#include "surfaces/qtside.h"
#include "core/params.h"
#include "core/proc.h"
#include "tools/toolcache.h"

#include "core/host.h"

// Beside the list of the last point gathering (valid until another
// gathering): per entry its top, surface record and class pass; where the
// last winner stands in the list.
namespace {
std::vector<f32> side_top;
std::vector<i32> side_srf;
std::vector<unsigned char> side_pass;
i32 side_count = -1;  // entries described, -1 none
i32 side_last = -1;
bool side_class5 = false;
i32 side_lst[2] = {-1, -1};  // the last winner the position was sought for

void side_begin()
{
    side_count = -1;
    side_class5 = false;
    side_last = -1;
    side_lst[0] = LOCLST[0], side_lst[1] = LOCLST[1];
}

// Makes room for the notes of entries 0..n-1.
[[gnu::always_inline]] inline void side_room(size_t n)
{
    if (n > side_top.size()) {
        const size_t m = n > side_top.size() * 2 + 1024 ? n : side_top.size() * 2 + 1024;
        side_top.resize(m);
        side_srf.resize(m);
        side_pass.resize(m);
    }
}

// The class pass of a class: 2 for check and part surfaces, else 1.
[[gnu::always_inline]] inline unsigned char side_pass_of(i32 cls)
{
    return (cls == SCL_CHECK || cls == SCL_PART) ? 2 : 1;
}

// Writes the notes of entry `at`, for which room has been made: its top,
// surface and class pass (of class cls).
[[gnu::always_inline]] inline void side_put(i32 at, f32 top, i32 srf, unsigned char pass, i32 cls)
{
    side_top[at] = top;
    side_srf[at] = srf;
    side_pass[at] = pass;
    if (cls == SCL_BARE) side_class5 = true;
}

// Notes list entry `at` (the entries come in list order).
[[gnu::always_inline]] inline void side_add(i32 at, i32 node, i32 k, f32 top, i32 srf, i32 cls)
{
    side_room(static_cast<size_t>(at) + 1);
    side_put(at, top, srf, side_pass_of(cls), cls);
    if (side_last < 0 && node == LOCLST[0] && k == LOCLST[1]) side_last = at;
}

// Notes the entries k0..k1-1 of a node, all of surface srf (of class cls)
// with the tops top[0..], listed from position at on.
[[gnu::always_inline]] inline void side_run(i32 at, i32 node, i32 k0, i32 k1, const f32* top, i32 srf, i32 cls)
{
    const i32 n = k1 - k0;
    side_room(static_cast<size_t>(at + n));
    const unsigned char pass = side_pass_of(cls);
    for (i32 j = 0; j < n; ++j) {
        side_top[at + j] = top[j];
        side_srf[at + j] = srf;
        side_pass[at + j] = pass;
    }
    if (cls == SCL_BARE) side_class5 = true;
    if (side_last < 0 && node == LOCLST[0] && LOCLST[1] >= k0 && LOCLST[1] < k1) side_last = at + (LOCLST[1] - k0);
}

void side_end(i32 count) { side_count = count; }

// Keys written when asked (elm_keys): the list positions of the last point
// gathering's entries whose estimate was shown unable to raise the best,
// each with the tool it was to be estimated for (a row of `later_tools`),
// and the point's thousandths.
struct LaterKey {
    i32 pos, tool;
};
struct LaterTool {
    f32 e, R, Rc;
    i32 kind;
};
std::vector<LaterKey> later_keys;
std::vector<LaterTool> later_tools;
f64 later_pxy[2] = {0.0, 0.0};

void later_drop()
{
    later_keys.clear();
    later_tools.clear();
}

// The model generation the cells in ELMCLS were gathered over: cells of a
// model no longer live are never reused, their counts need not match the
// nodes of the model now live.
i32 cells_generation = -1;

// True when ELMCLS holds the cells of the model now live.
bool cells_live() { return cells_generation == trm_generation(); }
}  // namespace

void elm_side_drop()
{
    side_count = -1;
    later_drop();
}

bool elm_side(i32 count, ElmSide& v)
{
    if (side_count < 0 || side_count != count || side_lst[0] != LOCLST[0] || side_lst[1] != LOCLST[1]) return false;
    v.top = side_top.data();
    v.srf = side_srf.data();
    v.pass = side_pass.data();
    v.last = side_last;
    v.quick = !side_class5;
    return true;
}

namespace {

// Reported kind of a class: 1 part, 2 check, 3 other part; 0 not admitted.
[[gnu::always_inline]] inline i32 admitted(i32 cls, i32 flags, f32& e, i32& kind)
{
    LocClass row;
    if (!loc_class(cls, flags, row)) return 0;
    e = row.e, kind = row.kind;
    return row.reported;
}

// Walks entries 0..n-1 of a node through the index beside the tree, in the
// node's order: a node or run whose box misses the square sq, or whose
// tops all stand below low, is passed over; the entries of a run within
// the square are handed on without testing their boxes; the others are
// tested one by one (counted in LOCNTS). take(k, i) gets the entry's index
// in the node and in the index; false from it ends the walk with false.
// A run that meets the square is first offered whole to bulk(run, k0, k1,
// i0, inside) (entries k0..k1-1, index i0 onwards; inside: the run lies
// within the square): 1 when it listed those whose boxes meet the square
// as take would have, 0 when take must see them one by one, -1 to end
// with false.
template <class Take, class Bulk>
[[gnu::always_inline]] inline bool index_walk(const QtSide* qs, i32 node, i32 n, const i32* sq, f32 low, Take&& take,
                                              Bulk&& bulk)
{
    const i32 f = qs->first[node];
    const i32* nb = &qs->nbox[static_cast<size_t>(node) * 4];
    if (nb[2] < sq[0] || nb[0] > sq[2] || nb[3] < sq[1] || nb[1] > sq[3]) return true;
    const bool all = nb[0] >= sq[0] && nb[2] <= sq[2] && nb[1] >= sq[1] && nb[3] <= sq[3];
    i32 run = qs->runs[node];
    for (i32 k0 = 0; k0 < n; k0 += QS_RUN, ++run) {
        if (qs->rtop[run] < low) continue;
        const i32 k1 = k0 + QS_RUN < n ? k0 + QS_RUN : n;
        bool inside = all;
        if (!all) {
            const i32* rb = &qs->rbox[static_cast<size_t>(run) * 4];
            if (rb[2] < sq[0] || rb[0] > sq[2] || rb[3] < sq[1] || rb[1] > sq[3]) continue;
            inside = rb[0] >= sq[0] && rb[2] <= sq[2] && rb[1] >= sq[1] && rb[3] <= sq[3];
            if (!inside) LOCNTS += k1 - k0;
        }
        const i32 b = bulk(run, k0, k1, f + k0, inside);
        if (b < 0) return false;
        if (b > 0) continue;
        for (i32 k = k0; k < k1; ++k) {
            const i32 i = f + k;
            if (!inside && !(qs->x1[i] >= sq[0] && qs->x0[i] <= sq[2] && qs->y1[i] >= sq[1] && qs->y0[i] <= sq[3]))
                continue;
            if (!take(k, i)) return false;
        }
    }
    return true;
}

// Walks the gathered cells that hold entries, handing step(node, base, n)
// each one's node, its first entry and its entry count. false when the
// model's surface arrays are gone (reported for routine, status set) or
// when step asks to stop.
template <class Step>
bool each_cell(const char* routine, i32& status, Step&& step)
{
    for (i32 row = 0; row < ELMNCL; ++row) {
        const i32* r = ELMCLS + row * QC_ROW;
        if (r[QT_COUNT] <= 0) continue;
        const i32 node = r[QC_NODE];
        const i32* base = qtnbas(node);
        if (!base) continue;
        if (!arrays_open(routine, status)) return false;
        if (!step(node, base, r[QT_COUNT])) return false;
    }
    return true;
}

}  // namespace

// The outputs of a gathering that has listed nothing yet.
static inline void elm_reset(i32& count, i32& best, f32& best_z, i32& part_seen, i32& check_seen, i32& other_seen,
                             i32& status)
{
    status = 0;
    count = 0;
    best = 1;
    best_z = 0.0f;
    part_seen = check_seen = other_seen = 0;
}

// The tool's square in the grid about ixy (half-width the radius in mode 2, else the reach), the
// cells it meets gathered (unless mode 1), and in tool-axis mode the point turned into the axis's
// frame (turned; ixy and the square follow it). A point or a reach the grid's words cannot hold is
// refused before any of it is computed, with a message: false, status -1. Its thousandths would
// wrap in the conversion to a word (undefined), and the square would gather another place's cells.
static inline bool elm_square(i32 mode, f32* point, i32* ixy, f32 radius, i32* sq, f32* turned, i32& status)
{
    const f64 reach = elm_reach();
    if (!elm_fits(point, mode == 2 ? f64(radius) : reach)) {
        eroutc("elm2nd, POINT OR TOOL BEYOND THE TRIANGLE GRID", 0);
        status = -1;
        return false;
    }
    LOCRCH = static_cast<f32>(reach);
    i32 h = mode == 2 ? static_cast<i32>(radius * 1000.0f + 1.0f) : static_cast<i32>(LOCRCH * 1000.0f + 1.0f);
    sq[0] = ixy[0] - h, sq[1] = ixy[1] - h, sq[2] = ixy[0] + h, sq[3] = ixy[1] + h;
    if (mode != 1 || !cells_live()) {
        i32 st = 0;
        if (LOCAXM)
            qt_collect_axis(sq, point, ELMNCL, ELMCLS, st);
        else
            qt_collect_cells(sq, ELMNCL, ELMCLS, st);
        if (st < 0) {
            status = st;
            return false;
        }
        cells_generation = trm_generation();
    }
    turned[0] = point[0], turned[1] = point[1], turned[2] = point[2];
    if (LOCAXM) {
        f32 keep[3] = {point[0], point[1], point[2]};
        FRMROT(keep, LOCTAX, turned);
        // Turned in place: the caller gets the point back in the tool's frame.
        point[0] = turned[0], point[1] = turned[1], point[2] = turned[2];
        if (!elm_fits(turned, mode == 2 ? f64(radius) : reach)) {
            eroutc("elm2nd, POINT OR TOOL BEYOND THE TRIANGLE GRID", 0);
            status = -1;
            return false;
        }
        ixy[0] = static_cast<i32>(turned[0] * 1000.0f);
        ixy[1] = static_cast<i32>(turned[1] * 1000.0f);
        sq[0] = ixy[0] - h, sq[1] = ixy[1] - h, sq[2] = ixy[0] + h, sq[3] = ixy[1] + h;
    }
    return true;
}

i32 ELMSRT = 0;

void elm_keys()
{
    if (later_keys.empty()) return;
    i32* lst = elmlst();
    if (lst)
        for (const LaterKey& w : later_keys) {
            i32* le = lst + static_cast<size_t>(w.pos) * ELM_WORDS;
            const i32* ent = elmtrg(le);
            if (!ent) continue;
            const LaterTool& t = later_tools[static_cast<size_t>(w.tool)];
            const f32 zmax = wrd2r(le[ELM_TOP]);
            f32 est = zmax;
            i32 st = 0;
            trgest(later_pxy, ent + TRG_BOX, zmax, 1, t.R, t.Rc, t.kind, est, st);
            le[ELM_KEY] = r2wrd(est + t.e);
        }
    later_drop();
}

void elm_sort(i32 count)
{
    elm_keys();
    const i32* lst = elmlst();
    i32* idx = elmidx();
    if (!lst || !idx) return;
    elm_index_changed();
    auto key = [&](i32 i) { return wrd2r(lst[static_cast<size_t>(i) * ELM_WORDS + ELM_KEY]); };
    // Insertion by key: an entry moves ahead only of those lower by more
    // than the margin, so equal keys keep the list's order.
    for (i32 i = 1; i < count; ++i) {
        const i32 v = idx[i];
        const f32 k = key(v);
        i32 j = i;
        for (; j > 0 && key(idx[j - 1]) < k - 1.0e-4f; --j) idx[j] = idx[j - 1];
        idx[j] = v;
    }
}

// Closes the gathering: the side index ends at count, and a list that holds entries gets its
// index array, as large as the list (sorted by key under the switch). false (status set, count
// 0) when that array cannot be had.
static inline bool elm_close(i32& capacity, i32& count, i32& status)
{
    side_end(count);
    if (count < 1) return true;
    if (!identity_index(capacity, count, status)) return false;
    if (ELMSRT) elm_sort(count);
    return true;
}

// The tool of a surface's allowance e: its reach R (the radius, or the
// tapered tool's reach), whether that reach is nil, and the corner reach Rc.
static inline void surface_tool(f32 e, f32& R, i32& rzero, f32& Rc)
{
    const GrownTool g = loc_grown(e);
    f32 d2 = g.d, r2 = g.r, l2 = g.l;
    STDIAM(d2);
    STCRNR(r2);
    STCUTL(l2);
    if (LOCTPF) {
        TAPOFS(d2, l2, e, r2);
        TAPRTP(R);
    } else {
        R = d2 * 0.5f;
    }
    rzero = eqval0(R) ? 1 : 0;
    Rc = e + LOCCRN;
}

// True when the triangle (its turned corners, or its vertices in the node)
// lies beyond the tool's reach R about the turned point.
[[gnu::always_inline]] static inline bool beyond_reach(const f32* turned, f32 R, i32 rzero, const i32* ent,
                                                       const f32* corners)
{
    const f32* v0 = corners ? corners : nodept(CNTNDB, ent[TRG_NODE]);
    const f32* v1 = corners ? corners + 3 : nodept(CNTNDB, ent[TRG_NODE + 1]);
    const f32* v2 = corners ? corners + 6 : nodept(CNTNDB, ent[TRG_NODE + 2]);
    f32 ed[9] = {v1[0] - v0[0], v1[1] - v0[1], 0, v2[0] - v1[0], v2[1] - v1[1], 0, v0[0] - v2[0], v0[1] - v2[1], 0};
    i32 es[3];
    f32 len;
    for (i32 j = 0; j < 3; ++j) v2nrms(ed + 3 * j, len, es[j]);
    f32 vv[9] = {v0[0], v0[1], v0[2], v1[0], v1[1], v1[2], v2[0], v2[1], v2[2]};
    i32 res = 0;
    trg_reach(turned, R, vv, rzero, ed, es, res);
    return res == 1;
}

// The highest of a triangle's vertices in the node.
static inline f32 node_top(const i32* ent)
{
    return maxf(nodept(CNTNDB, ent[TRG_NODE])[2],
                maxf(nodept(CNTNDB, ent[TRG_NODE + 1])[2], nodept(CNTNDB, ent[TRG_NODE + 2])[2]));
}

// The seen bit of a reported surface kind: 1 part, 2 check, 4 any other.
static inline i32 seen_bit_of(i32 reported) { return reported == 1 ? 1 : (reported == 2 ? 2 : 4); }
// Notes the kinds listed (bit 1 part, 2 check, 4 other part).
static inline void note_seen(i32 seen, i32& part_seen, i32& check_seen, i32& other_seen)
{
    if (seen & 1) part_seen = 1;
    if (seen & 2) check_seen = 1;
    if (seen & 4) other_seen = 1;
}

// A list refused for a wrong check word (said by elmbase): the gathering
// fails (status -1, count 0) instead of writing through no address.
static inline bool list_refused(i32& count, i32& status)
{
    status = -1;
    count = 0;
    return false;
}

// Stores a turned entry as copy `count` of the copies' list. The list is
// fetched (cpy null) after being made as large as the list: gatherings
// outside tool-axis mode grow the list alone. False (status set, count 0)
// when it cannot be had.
static inline bool put_copy(f32*& cpy, i32 capacity, i32& count, const i32* copy, i32& status)
{
    if (!cpy) {
        if (!copies_fit(capacity, count, status)) return false;
        cpy = static_cast<f32*>(elmbase(ELMCPY));
        if (!cpy) return list_refused(count, status);
    }
    std::memcpy(cpy + static_cast<size_t>(count) * TRG_WORDS, copy, TRG_WORDS * sizeof(i32));
    return true;
}

// One list entry of the node's k-th triangle, keyed by its top plus the
// allowance e.
static inline void put_entry(i32* le, i32 node, i32 k, f32 top, f32 e)
{
    le[ELM_NODE] = node;
    le[ELM_INDEX] = k;
    le[ELM_KEY] = r2wrd(top + e);
    le[ELM_TOP] = r2wrd(top);
}

namespace {

// One gathering at a point: the tool's square, the point (turned in
// tool-axis mode) and its thousandths, the running best estimate, the tool
// of the surface at hand, and the list being written.
struct PointGathering {
    i32& capacity;
    i32& count;
    i32& status;
    const i32* sq;
    const f32* turned;
    const f32* at;  // the point as handed in
    const f64* pxy;
    const i32 flags = LOCFLG;
    f32 B = -1.0e10f;
    i32 best_pos = 0;
    // The surface whose tool is at hand (its id), its allowance, reach,
    // nil-reach flag, corner reach, kind code and reported kind.
    i32 cached = -1;
    f32 e = 0, R = 0, Rc = 0;
    i32 kind = 0, reported = 0, rzero = 0;
    // The surface record last looked up, its class and class pass, and
    // whether its entries go on (admitted, its tool at hand): one record
    // looked up once for a row of its entries. Only a record of another
    // number can change the surface at hand, so the answer holds until then.
    i32 memo_srf = -1, memo_cls = 0;
    unsigned char memo_pass = 1;
    bool memo_go = false;
    i32* lst = elmlst();
    f32* cpy = nullptr;  // the turned copies' list, fetched by the first copy stored
    // Entries may be written below `limit` with no growth and no test of
    // the list's address: the capacity while the list has an address, else 0.
    i32 limit = lst ? capacity : 0;
    i32 seen = 0;      // the kinds listed: bit 1 part, 2 check, 4 other part
    i32 seen_bit = 0;  // the bit of the surface at hand
    BallCap far_cap{}; // the bound of a ball's estimate at the box's farthest corner
    i32 tool_row = -1; // its row of later_tools, -1 while none
    i32 want_k = -1;   // the last winner's index when its node is walked, else -1
    const QtSide* qs = nullptr;

    // Looks the surface record up, unless it is the one last seen.
    [[gnu::always_inline]] inline bool surface(i32 srfno)
    {
        if (srfno == memo_srf) return memo_go;
        const i32* rec = srfrec(CNTSRB, srfno);
        memo_srf = srfno;
        memo_cls = rec[0];
        memo_pass = side_pass_of(memo_cls);
        memo_go = false;
        if (memo_cls == SCL_IGNORED) return false;
        if (rec[9] != cached) {
            // A surface left out keeps the kind reported for the surface
            // whose tool is at hand.
            const i32 rep = admitted(memo_cls, flags, e, kind);
            if (!rep) return false;
            reported = rep;
            surface_tool(e, R, rzero, Rc);
            cached = rec[9];
            seen_bit = seen_bit_of(reported);
            far_cap = kind == 1 ? ball_cap(Rc) : BallCap{};
            tool_row = -1;
        }
        memo_go = true;
        return true;
    }
    // The row of later_tools for the surface at hand, added when first needed.
    i32 later_tool()
    {
        if (tool_row < 0) {
            tool_row = static_cast<i32>(later_tools.size());
            later_tools.push_back({e, R, Rc, kind});
        }
        return tool_row;
    }
    // Room for one more entry: the lists opened or grown when full. False
    // (status set, count 0) when they cannot be had or have no address.
    bool room();
    // Notes entry `count` (of node's index k, top zmax, surface srfno).
    [[gnu::always_inline]] inline void note(i32 k, f32 zmax, i32 srfno)
    {
        side_put(count, zmax, srfno, memo_pass, memo_cls);
        if (k == want_k) side_last = count, want_k = -1;
        seen |= seen_bit;
    }
    // Before a node's n entries are walked: room in the notes, and where
    // the last winner may stand.
    void node_start(i32 node, i32 n)
    {
        side_room(static_cast<size_t>(count) + static_cast<size_t>(n));
        want_k = side_last < 0 && node == LOCLST[0] ? LOCLST[1] : -1;
    }
    [[gnu::always_inline]] inline bool take(i32 node, i32 k, const i32* ent, const i32* box, i32 srfno, f32 zmax,
                                            const f32* corners, const i32* copy);
    bool each_entry(i32 node, const i32* base, i32 n);
    i32 bulk(i32 node, i32 run, i32 k0, i32 k1, i32 i0, bool inside);
};

bool PointGathering::room()
{
    if (count >= capacity) {
        if (!grow_lists(LOCAXM != 0, capacity, count, status)) return false;
        lst = elmlst();
        cpy = nullptr;
    }
    if (!lst) return list_refused(count, status);
    limit = capacity;
    return true;
}

// One entry whose box meets the square, in list order: admitted by its
// class, given its key (with the reach test when the key could raise the
// best), and listed. corners and copy: the turned vertices and the turned
// entry in tool-axis mode, else null (the entry in its node). False when
// the lists cannot grow.
bool PointGathering::take(i32 node, i32 k, const i32* ent, const i32* box, i32 srfno, f32 zmax,
                          const f32* corners, const i32* copy)
{
    if (!surface(srfno)) return true;
    f32 est = zmax;
    // A ball's key that its bound without roots shows unable to reach the
    // best less a thousandth changes nothing here: it is estimated when
    // asked, and until then the list holds top plus allowance for it.
    bool later = false;
    if (B - e <= zmax) {
        f32 Y = 0;
        if (!corners && ball_far_cap(pxy, box, zmax, R, far_cap, Y) && !(Y + e > B - 0.001f)) {
            later = true;
        } else {
            i32 st = 0;
            trgest(pxy, box, zmax, 1, R, Rc, kind, est, st);
        }
    }
    const f32 key = est + e;
    if (!later && key > B - 0.001f) {
        // The box alone shows most triangles reached, sparing the read of
        // their vertices; the turned ones carry no box that holds them.
        if ((corners || !trg_within(pxy, box, R, rzero)) && beyond_reach(turned, R, rzero, ent, corners))
            return true;
        B = key;
        best_pos = count + 1;
    }
    // Append, opening or growing the lists.
    if (count >= limit && !room()) return false;
    i32* le = lst + static_cast<size_t>(count) * ELM_WORDS;
    // a turned entry is listed as its copy, the others by node and index
    if (copy && !put_copy(cpy, capacity, count, copy, status)) return false;
    le[ELM_NODE] = copy ? -1 : node;
    le[ELM_INDEX] = copy ? count : k;
    le[ELM_KEY] = r2wrd(key);
    le[ELM_TOP] = r2wrd(zmax);
    if (later) later_keys.push_back({count, later_tool()});
    note(k, zmax, srfno);
    ++count;
    return true;
}

// The entries of one row, each box tested against the square: in tool-axis
// mode the turned boxes, else the stored ones.
bool PointGathering::each_entry(i32 node, const i32* base, i32 n)
{
    LOCNTS += n;
    for (i32 k = 0; k < n; ++k) {
        const i32* ent = base + static_cast<size_t>(k) * TRG_WORDS;
        i32 copy[TRG_WORDS];
        f32 corners[9];
        const i32* box = ent + TRG_BOX;
        i32 tbox[4];
        if (LOCAXM) {
            TRGROT(at, LOCTAX, CNTNDB, ent, copy, tbox, corners);
            box = tbox;
        }
        if (!(box[2] >= sq[0] && box[0] <= sq[2] && box[3] >= sq[1] && box[1] <= sq[3])) continue;
        const f32 zmax = LOCAXM ? maxf(corners[2], maxf(corners[5], corners[8])) : node_top(ent);
        if (!take(node, k, ent, box, ent[TRG_SRF], zmax, LOCAXM ? corners : nullptr, LOCAXM ? copy : nullptr))
            return false;
    }
    return true;
}

// A run of entries all of the surface whose tool is at hand, whose tops all
// stand below the running best less the allowance (no estimate) and whose
// keys cannot reach the best less a thousandth (no reach test): those whose
// boxes meet the square are listed as they come, keyed by top plus
// allowance. 1 when listed so, 0 when the entries go one by one.
i32 PointGathering::bulk(i32 node, i32 run, i32 k0, i32 k1, i32 i0, bool inside)
{
    const i32 srfno = qs->rsrf[run];
    if (srfno <= 0) return 0;
    const i32* rec = srfrec(CNTSRB, srfno);
    const i32 cls = rec[0];
    if (cls == SCL_IGNORED) return 1;
    if (rec[9] != cached) return 0;
    const f32 rtop = qs->rtop[run];
    if (!(rtop < B - e) || !(rtop + e <= B - 0.001f)) return 0;
    const i32 n = k1 - k0;
    // A refused list (no address) goes to the entry road, which fails the gathering.
    if (count + n > limit) return 0;
    i32* le = lst + static_cast<size_t>(count) * ELM_WORDS;
    const f32* top = &qs->top[static_cast<size_t>(i0)];
    i32 m = 0;
    if (inside) {
        for (i32 j = 0; j < n; ++j, le += ELM_WORDS) put_entry(le, node, k0 + j, top[j], e);
        side_run(count, node, k0, k1, top, srfno, cls);
        if (want_k >= k0 && want_k < k1) want_k = -1;
        m = n;
    } else {
        for (i32 j = 0; j < n; ++j) {
            const i32 i = i0 + j;
            if (!(qs->x1[i] >= sq[0] && qs->x0[i] <= sq[2] && qs->y1[i] >= sq[1] && qs->y0[i] <= sq[3])) continue;
            put_entry(le, node, k0 + j, top[j], e);
            le += ELM_WORDS;
            side_add(count + m, node, k0 + j, top[j], srfno, cls);
            ++m;
        }
    }
    if (m > 0) seen |= seen_bit;
    count += m;
    return 1;
}

}  // namespace

void elm2nd(const i32& mode, f32* point, i32* ixy, const f32& radius, i32& capacity, i32& count, i32& best,
            f32& best_z, i32& part_seen, i32& check_seen, i32& other_seen, i32& status)
{
    elm_reset(count, best, best_z, part_seen, check_seen, other_seen, status);
    later_drop();
    i32 sq[4];
    f32 turned[3];
    const f32 at[3] = {point[0], point[1], point[2]};  // as handed in (turned in place below)
    if (!elm_square(mode, point, ixy, radius, sq, turned, status)) return;
    // The keys are estimated from the point's thousandths as they are, not
    // truncated as the square is (as the drop's box bound does).
    const f64 pxy[2] = {f64(turned[0]) * 1000.0, f64(turned[1]) * 1000.0};
    side_begin();
    later_pxy[0] = pxy[0], later_pxy[1] = pxy[1];
    PointGathering g{capacity, count, status, sq, turned, at, pxy};
    // The entries from the index beside the tree: a node or a run of entries
    // whose box misses the square is passed over, one that lies within it is
    // listed without testing its entries one by one. The entries listed and
    // their order are those of the test entry by entry.
    g.qs = LOCAXM ? nullptr : qt_side();
    const QtSide* qs = g.qs;
    auto indexed = [&](i32 node, const i32* base, i32 n) -> bool {
        return index_walk(
            qs, node, n, sq, -std::numeric_limits<f32>::infinity(),
            [&](i32 k, i32 i) {
                const i32 box[4] = {qs->x0[i], qs->y0[i], qs->x1[i], qs->y1[i]};
                return g.take(node, k, base + static_cast<size_t>(k) * TRG_WORDS, box, qs->srf[i], qs->top[i],
                              nullptr, nullptr);
            },
            [&](i32 run, i32 k0, i32 k1, i32 i0, bool inside) { return g.bulk(node, run, k0, k1, i0, inside); });
    };
    const bool walked = each_cell("elm2nd", status, [&](i32 node, const i32* base, i32 n) {
        g.node_start(node, n);
        // A row copied before the model grew names no more entries than the
        // node holds; the index covers them all.
        return qs && n <= qs->first[node + 1] - qs->first[node] ? indexed(node, base, n)
                                                                : g.each_entry(node, base, n);
    });
    note_seen(g.seen, part_seen, check_seen, other_seen);
    if (!walked || !elm_close(capacity, count, status)) return;
    best_z = g.B;
    best = g.best_pos;
}

void elm2n2(const i32& mode, const f32* a, const f32* b, const f32& z_ref, i32& capacity, i32& count,
            i32& part_seen, i32& check_seen, i32& other_seen, i32& status)
{
    status = 0;
    count = 0;
    part_seen = check_seen = other_seen = 0;
    later_drop();
    const f64 reach = elm_reach();
    if (!elm_fits(a, reach) || !elm_fits(b, reach)) {
        eroutc("elm2n2, POINT OR TOOL BEYOND THE TRIANGLE GRID", 0);
        status = -1;
        return;
    }
    LOCRCH = static_cast<f32>(reach);
    const f64 h = std::trunc(reach * 1000.0 + 1.0);
    const f64 ax = std::trunc(f64(a[0]) * 1000.0), ay = std::trunc(f64(a[1]) * 1000.0);
    const f64 bx = std::trunc(f64(b[0]) * 1000.0), by = std::trunc(f64(b[1]) * 1000.0);
    const i32 sq[4] = {static_cast<i32>(std::fmin(ax, bx) - h), static_cast<i32>(std::fmin(ay, by) - h),
                       static_cast<i32>(std::fmax(ax, bx) + h), static_cast<i32>(std::fmax(ay, by) + h)};
    if (mode == 0 || !cells_live()) {
        i32 st = 0;
        qt_collect_cells(sq, ELMNCL, ELMCLS, st);
        if (st < 0) {
            status = st;
            return;
        }
        cells_generation = trm_generation();
    }
    side_count = -1;
    const i32 flags = LOCFLG;
    i32* lst = elmlst();
    // The entry k of a node whose box meets the tool's box: listed when
    // admitted and its top reaches z_ref less its allowance.
    LocClassTable classes;
    classes.fill(flags);
    auto take = [&](i32 node, i32 k, i32 srf, f32 zmax) __attribute__((always_inline)) -> bool {
        const i32* rec = srfrec(CNTSRB, srf);
        LocClass row;
        if (!classes.get(rec[0], row)) return true;
        const f32 e = row.e;
        const i32 reported = row.reported;
        if (z_ref - e > zmax) return true;
        if (capacity == 0 || count >= capacity) {
            if (!grow_lists(false, capacity, count, status)) return false;
            lst = elmlst();
        }
        if (!lst) return list_refused(count, status);
        i32* le = lst + static_cast<size_t>(count) * ELM_WORDS;
        le[ELM_NODE] = node;
        le[ELM_INDEX] = k;
        le[ELM_KEY] = r2wrd(zmax);
        le[ELM_TOP] = r2wrd(zmax);
        note_seen(seen_bit_of(reported), part_seen, check_seen, other_seen);
        ++count;
        return true;
    };
    // From the index beside the tree: a node or run the box misses, or
    // whose tops all stand below z_ref less the largest allowance, is passed
    // over; one within the box is taken without testing each entry's box.
    const QtSide* qs = qt_side();
    f32 emax = LOCOFA > LOCOFB ? LOCOFA : LOCOFB;
    if (emax < 0.0f) emax = 0.0f;
    const f32 zlow = z_ref - emax;
    const bool walked = each_cell("elm2n2", status, [&](i32 node, const i32* base, i32 n) {
        if (qs && n <= qs->first[node + 1] - qs->first[node])
            // The index's surface numbers and tops are the entries' own, so
            // an entry is judged without reading it; a run of one surface
            // that the flags do not admit, or whose highest top stands
            // below z_ref less that surface's allowance, goes at once: each
            // of its entries would be passed over.
            return index_walk(
                qs, node, n, sq, zlow, [&](i32 k, i32 i) { return take(node, k, qs->srf[i], qs->top[i]); },
                [&](i32 run, i32, i32, i32, bool) {
                    const i32 rs = qs->rsrf[static_cast<size_t>(run)];
                    if (rs == 0) return 0;
                    LocClass row;
                    if (!classes.get(srfrec(CNTSRB, rs)[0], row)) return 1;
                    return z_ref - row.e > qs->rtop[static_cast<size_t>(run)] ? 1 : 0;
                });
        LOCNTS += n;
        for (i32 k = 0; k < n; ++k) {
            const i32* ent = base + static_cast<size_t>(k) * TRG_WORDS;
            const i32* box = ent + TRG_BOX;
            if (!(box[2] >= sq[0] && box[0] <= sq[2] && box[3] >= sq[1] && box[1] <= sq[3])) continue;
            if (!take(node, k, ent[TRG_SRF], node_top(ent))) return false;
        }
        return true;
    });
    if (!walked) return;
    if (count < 1) return;
    if (!identity_index(capacity, count, status)) return;
}
