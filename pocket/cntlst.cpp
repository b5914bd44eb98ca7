// The contour list: loading, refilling by criteria, keeping one contour,
// kinds, counts, orientation; and the 2-D line intersection.
#include "pocket/cntlst.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/host.h"
#include "core/params.h"
#include "pocket/findreg.h"
#include "pocket/pokvals.h"
#include "pocket/region.h"
#include "surfaces/cntsrf.h"
#include "surfaces/srfbuf.h"

ContourList CNTLST = {};

namespace {

// The contour the refill is having the host delete (-1: none).
i32 deleting = -1;

// Deletes the contour with the order number from the list (the host's
// deletion callback): its definition leaves the element buffer and the
// following contours move up one place. The contour the refill asked about
// goes when it carries the number: order numbers need not be unique (the
// host numbers the contours it appends after the highest), and the first
// contour carrying it may be one the refill has just kept.
void delete_by_order(i32 order)
{
    ContourList& c = CNTLST;
    i32 k = 0;
    if (deleting >= 0 && deleting < c.count && c.order[deleting] == order)
        k = deleting;
    else
        while (k < c.count && c.order[k] != order) ++k;
    if (k >= c.count) return;
    const i32* d = cnt_def(k);
    i32 len = d ? dfcgld(d) : 0, end = 0;
    for (i32 m = 0; m < c.count; ++m) {
        const i32* e = cnt_def(m);
        if (e) end = std::max(end, c.pos[m] - 1 + dfcgld(e));
    }
    if (d && len > 0 && end <= CNT_ELEMS) {
        i32 from = c.pos[k] - 1 + len;
        std::memmove(c.elems + 2 * (c.pos[k] - 1), c.elems + 2 * from, static_cast<size_t>(2 * (end - from)) * sizeof(i32));
    }
    for (i32 m = k; m + 1 < c.count; ++m) {
        c.first[m] = c.first[m + 1];
        c.last[m] = c.last[m + 1];
        c.pos[m] = c.pos[m + 1] - len;
        c.kind[m] = c.kind[m + 1];
        c.order[m] = c.order[m + 1];
        c.selected[m] = c.selected[m + 1];
        std::memcpy(c.host[m], c.host[m + 1], sizeof c.host[m]);
    }
    --c.count;
}

// A first-element vector that is (0, 0, 0) within the host's tolerance: the
// contour is a solid's loop.
bool null_vector(const f64* v)
{
    const f64 zero[3] = {0.0, 0.0, 0.0};
    return eqptd(3, v, zero) != 0;
}

// Elements of list contour k (head included).
i32 elements_of(i32 k)
{
    const i32* d = cnt_def(k);
    return d ? dfcgld(d) : 0;
}

void refill(i32 kind, i32& changed, bool contour_set, bool solids)
{
    ContourList& c = CNTLST;
    changed = 0;
    set_pdel_callback(delete_by_order);
    i32 selected = 0;
    for (i32 k = 0; k < c.count; ++k)
        if (c.selected[k] && (contour_set || c.kind[k] == (kind == 2 ? 2 : 1))) ++selected;
    i32 rest = c.count - selected;
    i32 n = c.count, mask = 0, list = 0, type = kind == 2 ? 2 : 1;
    num_cont_gs(2, n);
    geomask_id_init(mask);
    geotype_gs(2, type);
    multi_cnt_lst_init_mulcnt(list);
    pkt_set_to_main(&c.count, c.first, c.last, c.pos, c.kind, c.order, c.selected);
    if (!contour_set) {
        prf_set_to_main(&c.count, c.first, c.last, c.pos, c.kind, c.order, c.selected);
        arrows_buf_set_to_main(&c.host[0][0]);
    }
    cntbuf_set_to_main(c.elems, CNT_ELEMS, c.geom, c.work);
    i32 st = 0;
    if (solids) {
        ncs_explode_solbuf_to_wfbuf(st);
        fill_cnt_buf(st);
        i32 v = 0;
        crit_gs_change(0, 1, v);
        if (v) msg_mdls(320, 30);
    }
    geomsk_search_curves(mask, st);
    find_cont_by_crit(kind == 2 ? 2 : 1, st);
    i32 found = 0;
    get_num_cnt(found);
    if (found != selected || (found == 0 && rest == 0)) changed = 1;
    // The contours of the wanted kind are checked. The contour set holds
    // closed contours only (kind 2, and the solid loops and solids of kinds
    // 3 and 4, closed too), so there every selected contour is of the wanted
    // kind, as the count of the selected ones above takes them.
    for (i32 k = 0; k < c.count;) {
        bool wanted = contour_set || c.kind[k] == (kind == 2 ? 2 : 1);
        if (!c.selected[k] || !wanted) {
            ++k;
            continue;
        }
        const i32* d = cnt_def(k);
        i32 ne = d ? dfdgnc(d) : 0, f = 0, l = 0;
        // The work buffer holds one contour of up to CNT_LOOP_MAX elements,
        // its head included; a longer contour (the element buffer holds
        // them) is read where it stands instead of being copied past the
        // buffer's end.
        const i32* w = d;
        if (d && ne > 0 && ne + 1 <= CNT_LOOP_MAX) {
            std::memcpy(c.work, d, static_cast<size_t>(2 * (ne + 1)) * sizeof(i32));
            w = c.work;
        }
        f64 v[3];
        i32 s1 = 0, s2 = 0;
        if (ne > 0) {
            dfdget(w, 1, 1, f, v, s1);
            dfdget(w, 1, ne, l, v, s2);
        }
        // Every contour but an open one is closed (the solid loops and solids
        // of kinds 3 and 4 too): one whose first and last elements are the
        // same entity counts that element once.
        if (c.kind[k] != CNT_OPEN && ne > 1 && f == l) --ne;
        bool match = false;
        for (i32 m = 0; m < found && !match; ++m) match = compare_cnt(w, ne, f, l, m) == 1;
        if (match) {
            ++k;
            continue;
        }
        changed = 1;
        i32 active = 0;
        chk_crit_gs(1, active);
        if (active != 0) {
            ++k;
            continue;
        }
        i32 order = c.order[k], before = c.count;
        deleting = k;
        if (contour_set)
            pktdel_by_OrderNum(order);
        else
            prfdel_by_OrderNum(order);
        deleting = -1;
        // A host that deleted nothing leaves the contour in place: the check
        // goes on with the next one rather than ask about this one forever.
        if (c.count >= before) ++k;
    }
    multi_lst_destroy(list);
    geomask_id_rls(mask);
}

}  // namespace

const i32* cnt_def(i32 k)
{
    if (k < 0 || k >= CNTLST.count) return nullptr;
    i32 p = CNTLST.pos[k];
    if (p < 1 || p > CNT_ELEMS) return nullptr;
    return CNTLST.elems + 2 * (p - 1);
}

void get_crit_contours(const i32& kind, i32& changed) { refill(kind, changed, false, false); }
void cntset_by_crit(i32& changed) { refill(2, changed, true, false); }
void cntset_by_crit_sol(i32& changed) { refill(2, changed, true, true); }

void set_contour_kinds()
{
    ContourList& c = CNTLST;
    i32 p = 1;
    for (i32 k = 0; k < c.count; ++k) {
        c.pos[k] = p;
        const i32* d = cnt_def(k);
        if (!d) break;
        c.kind[k] = dfdgoc(d) ? CNT_CLOSED : CNT_OPEN;
        i32 id = 0, st = 0;
        f64 v[3] = {0, 0, 0};
        dfdget(d, 1, 1, id, v, st);
        if (st == 0 && ncs_id_is_not_solid(id) == 0)
            c.kind[k] = CNT_SOLID;
        else if (st == 0 && null_vector(v))
            c.kind[k] = CNT_SOLID_LOOP;
        p += dfcgld(d);
    }
}

i32 num_closed_contours()
{
    i32 n = 0;
    for (i32 k = 0; k < CNTLST.count; ++k) n += CNTLST.kind[k] == CNT_CLOSED ? 1 : 0;
    return n;
}

i32 num_open_contours()
{
    i32 n = 0;
    for (i32 k = 0; k < CNTLST.count; ++k) n += CNTLST.kind[k] == CNT_OPEN ? 1 : 0;
    return n;
}

void copy_contour_def(i32* def, i32& orientation, i32& status)
{
    status = 0;
    orientation = 1;
    const i32 bytes = 36000;
    i32* block = static_cast<i32*>(DM_ALLOC(bytes));
    // No block, or a definition longer than the block holds (4500 elements;
    // the element buffer holds more): no orientation and -1, rather than a
    // copy past the block's end.
    if (!block) {
        status = -1;
        return;
    }
    i32 n = dfcgld(def);
    if (n < 1 || 2 * n > bytes / 4) {
        DM_FREE(block, bytes);
        status = -1;
        return;
    }
    std::memcpy(block, def, static_cast<size_t>(2 * n) * sizeof(i32));
    bool rewritten = false;
    i32 id = 0, st = 0;
    f64 v[3] = {0, 0, 0};
    dfdget(block, 1, 1, id, v, st);
    if (st == 0 && null_vector(v) && ncs_id_is_not_solid(id) == 0) {
        // The block holds CNT_LOOP_MAX elements, its head among them: the
        // loop may explode into one element fewer, so that a host that
        // writes the head and `capacity` elements stays within it.
        i32 ne = 0;
        ncs_explode_loop_to_wfbuf(block, CNT_LOOP_MAX - 1, ne, st);
        if (st != 0) {
            DM_FREE(block, bytes);
            status = st;
            return;
        }
        if (ne != dfdgnc(def)) {
            dfdput(block, ne, st);
            rewritten = st == 0;
        }
    }
    // The tolerance of the orientation polygon: a tenth of the procedure's
    // part tolerance, the machining tolerance the rest of the module chains
    // its curves by; 0.001 when none is set (not above 0), so that a
    // procedure without one still gets a fine polygon.
    const f64 part = pwr(PRTTOL);
    f64 tol = part > 0.0 ? 0.1 * part : 0.001;
    Region reg;
    reg_init(2, &reg, status);
    if (status == 0) {
        crtpol(tol, 1, block, &reg, status);
        if (status == 0) {
            i32 np = 0;
            const f32* p = reg_points(&reg, 0, np);
            i32 a = p ? polccw(p, np) : -1;
            if (a < 0)
                status = -1;
            else
                orientation = a == 1 ? -1 : 1;
        }
        i32 s2 = 0;
        reg_release(&reg, s2);
    }
    DM_FREE(block, bytes);
    if (status == 0 && rewritten) status = 1;
}

void cntset_load(const i32& mode, i32& changed)
{
    ContourList& c = CNTLST;
    changed = 0;
    i32 p = 1, g = 1, order = 1;
    for (i32 k = 0; k < c.count; ++k) {
        c.pos[k] = p;
        const i32* d = cnt_def(k);
        if (!d) break;
        // The contour's entry in the procedure geometry's element buffer,
        // which runs beside the list's; a geometry buffer the host left
        // without this entry gives the contour as the list holds it.
        const i32* gd = g >= 1 && g <= CNT_ELEMS ? c.geom + 2 * (g - 1) : nullptr;
        i32 glen = gd ? dfcgld(gd) : 0;
        if (gd && (dfdgnc(gd) < 1 || g - 1 + glen > CNT_ELEMS)) gd = nullptr;
        if (c.last[k] < c.first[k]) {
            i32 before = 0, after = 0;
            sllen(before);
            LOPSRF(gd ? gd : d, 1, p);
            sllen(after);
            c.first[k] = before;
            c.last[k] = after - 1;
        }
        g += glen > 0 ? glen : 1;
        if (mode == 1) {
            c.kind[k] = CNT_OPEN;
            c.order[k] = order;
            i32 id = 0, st = 0, step = 1;
            f64 v[3] = {0, 0, 0};
            dfdget(d, 1, 1, id, v, st);
            if (st == 0 && null_vector(v)) {
                c.kind[k] = ncs_id_is_not_solid(id) == 0 ? CNT_SOLID_LOOP : CNT_CLOSED;
                if (id > 0) {
                    i32 cnt = 1, s2 = 0;
                    PLFGNG(id, cnt, s2);
                    // An entity the host cannot count (failure, or a count
                    // of 0) still takes one order number, so that the next
                    // contour does not share this one's.
                    if (s2 == 0 && cnt > 0) step = cnt;
                }
            }
            order += step;
        }
        p += elements_of(k);
    }
}

void cntset_keep(const i32& k)
{
    ContourList& c = CNTLST;
    i32 pairs[CNT_MAX][2];
    for (i32 m = 0; m < c.count; ++m) {
        pairs[m][0] = c.first[m];
        pairs[m][1] = c.last[m];
    }
    for (i32 m = c.count - 1; m >= 0; --m) {
        if (m == k) continue;
        RMVSRW(pairs, c.count, m + 1);
        pairs[m][0] = 0;
        pairs[m][1] = -1;
    }
    for (i32 m = 0; m < c.count; ++m) {
        c.first[m] = pairs[m][0];
        c.last[m] = pairs[m][1];
    }
}

void cntset_locs()
{
    ContourList& c = CNTLST;
    i32 p = 1;
    for (i32 k = 0; k < c.count; ++k) {
        c.pos[k] = p;
        c.kind[k] = CNT_OPEN;
        c.order[k] = k + 1;
        p += elements_of(k);
    }
}

void lin2x2(const f64* p1, const f64* d1, const f64* p2, const f64* d2, f64& t1, f64& t2, i32& status)
{
    f64 dx = p2[0] - p1[0], dy = p2[1] - p1[1];
    f64 a = d2[0] * d1[1], b = d2[1] * d1[0];
    if (!eqvald(a, b)) {
        f64 det = a - b;
        t1 = (dy * d2[0] - dx * d2[1]) / det;
        t2 = (dy * d1[0] - dx * d1[1]) / det;
        status = 0;
        return;
    }
    f64 c1 = dx * d2[1], c2 = dy * d2[0], c3 = dx * d1[1], c4 = dy * d1[0];
    status = eqvald(c1, c2) || eqvald(c3, c4) ? -2 : -1;
}
