#include "edit/support.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>

#include "blocks/format.h"
#include "blocks/geoslot.h"
#include "blocks/listacc.h"
#include "blocks/procblk.h"
#include "core/codedio.h"
#include "core/host.h"
#include "core/records.h"
#include "edit/alter/motion.h"
#include "edit/proctab.h"
#include "surfaces/allsrf.h"
#include "surfaces/trimodel.h"
#include "tools/toolcache.h"

// Until a procedure's context is read (the whole tool path has none): the
// defaults of EDTCTX.
EditContext EDTCX = {0, 2.0f, 0.1f, 0.1f, 0.0f, 0.0f, 0.0f, 1, 0, 0, 1, 1.0f, 0.0f, 0};
i32 PRCKWD = 1;
i32 EDTRDW = 0;
i32 MDLFRE = 0;

namespace {

// Reads one value of the item (group 25, code) of the current definition
// block; false when the block has no such item.
template <class T>
bool item(i32 code, i32 type, T& value)
{
    i32 words[64] = {0};
    i32 count = 64, st = 0;  // the area's capacity: an expression item fills 24 words
    TPGETC(AM_LIST, GR_LOCAL, code, count, type, words, st);
    if (st != 0 || count < 1) return false;
    std::memcpy(&value, words, sizeof value);
    return true;
}

// ------------------------------------------------------------ model store

// The store: two snapshot slots, the models that were live when a slot was
// got (put back when that slot's model is dropped) and the surface set.
// A copy that cannot be allocated leaves its slot or the set empty, which
// every reader takes for nothing saved: std::bad_alloc is caught at each
// store operation, because only a stop is caught above the editor and any
// other exception would end the host's process. The comparisons and the
// release of a model read the live words in place, so that making room for
// a snapshot is the only allocation that can fail.
struct MDLSTO {
    std::optional<ModelSnapshot> slot[2];
    std::vector<ModelSnapshot> parked;
    std::unique_ptr<SurfaceSet> set;
};
MDLSTO& store()
{
    static MDLSTO s;
    return s;
}

ModelSnapshot take_live()
{
    ModelSnapshot s;
    s.block.assign(TRIMDL, TRIMDL + TRIMDL_N);
    s.header.assign(QTBOX, QTBOX + 4);
    s.tree.assign(QTNODE, QTNODE + QT_NODES * QT_ROW);
    return s;
}

// Two states name the same model when they share their open arrays.
bool same(const i32* block_a, const i32* tree_a, const i32* block_b, const i32* tree_b)
{
    for (i32 w : {TM_SRFHDL, TM_NODHDL, TM_NRMHDL, TM_STGHDL})
        if (block_a[w] != block_b[w]) return false;
    for (i32 n = 0; n < QT_NODES; ++n)
        if (tree_a[n * QT_ROW + QT_HANDLE] != tree_b[n * QT_ROW + QT_HANDLE]) return false;
    return true;
}
bool same(const ModelSnapshot& a, const ModelSnapshot& b)
{
    return same(a.block.data(), a.tree.data(), b.block.data(), b.tree.data());
}
bool same_as_live(const ModelSnapshot& s) { return same(TRIMDL, QTNODE, s.block.data(), s.tree.data()); }

void put_live(const ModelSnapshot& s)
{
    const bool other = !same_as_live(s);
    std::copy(s.block.begin(), s.block.end(), TRIMDL);
    std::copy(s.header.begin(), s.header.end(), QTBOX);
    std::copy(s.tree.begin(), s.tree.end(), QTNODE);
    // Another model is live: what was kept beside the last one goes.
    if (other) trm_replaced();
}

// A state holds a model when a model array or a quadtree node array is open.
bool holds(const i32* block, const i32* tree)
{
    if (block[TM_STATE] != 0 || block[TM_SRFHDL] >= 0 || block[TM_NODHDL] >= 0 || block[TM_NRMHDL] >= 0 ||
        block[TM_STGHDL] >= 0)
        return true;
    for (i32 n = 0; n < QT_NODES; ++n)
        if (tree[n * QT_ROW + QT_HANDLE] >= 0) return true;
    return false;
}
bool holds(const ModelSnapshot& s) { return holds(s.block.data(), s.tree.data()); }
bool holds_live() { return holds(TRIMDL, QTNODE); }

// Whether some slot or parked state other than `except` names the model
// (the live one when m is null).
bool kept_elsewhere(const ModelSnapshot* m, const ModelSnapshot* except)
{
    MDLSTO& st = store();
    auto names = [&](const ModelSnapshot& s) { return m ? same(s, *m) : same_as_live(s); };
    for (auto& s : st.slot)
        if (s && &*s != except && names(*s)) return true;
    for (auto& p : st.parked)
        if (&p != except && names(p)) return true;
    return false;
}

// Exchanges the live state with the words of the snapshot.
void swap_live(ModelSnapshot& s)
{
    std::swap_ranges(s.block.begin(), s.block.end(), TRIMDL);
    std::swap_ranges(s.header.begin(), s.header.end(), QTBOX);
    std::swap_ranges(s.tree.begin(), s.tree.end(), QTNODE);
}

// Frees the arrays of a model that is not live: it is made live for the
// release, and the live state is put back (the snapshot is left empty).
void free_model(ModelSnapshot& m)
{
    swap_live(m);
    trm_replaced();
    i32 st = 0;
    FRETRI(st);
    ++MDLFRE;
    swap_live(m);
    trm_replaced();
}

// Whether some slot or parked state shares an open array with the live model.
bool live_named()
{
    auto shares = [&](const ModelSnapshot& s) {
        for (i32 w : {TM_SRFHDL, TM_NODHDL, TM_NRMHDL, TM_STGHDL}) {
            const size_t k = static_cast<size_t>(w);
            if (TRIMDL[w] >= 0 && TRIMDL[w] == s.block[k]) return true;
        }
        for (i32 n = 0; n < QT_NODES; ++n) {
            const i32 h = qtrow(n)[QT_HANDLE];
            if (h >= 0 && h == s.tree[static_cast<size_t>(n * QT_ROW + QT_HANDLE)]) return true;
        }
        return false;
    };
    MDLSTO& st = store();
    for (auto& s : st.slot)
        if (s && shares(*s)) return true;
    for (auto& p : st.parked)
        if (shares(p)) return true;
    return false;
}

// Leaves the store's model to the store: the live handles are closed
// without releasing their arrays, then the live state is emptied.
void detach_live()
{
    for (i32 w : {TM_SRFHDL, TM_NODHDL, TM_NRMHDL, TM_STGHDL}) TRIMDL[w] = -1;
    for (i32 n = 0; n < QT_NODES; ++n) qtrow(n)[QT_HANDLE] = -1;
    FRETRI();
}

// Forgets every slot and parked state that names the live model (its
// arrays are gone).
void forget_live()
{
    MDLSTO& st = store();
    for (auto& s : st.slot)
        if (s && same_as_live(*s)) s.reset();
    st.parked.erase(std::remove_if(st.parked.begin(), st.parked.end(), [&](const ModelSnapshot& p) { return same_as_live(p); }),
                    st.parked.end());
}

}  // namespace

// ------------------------------------------------------------ edit context

void EDTLNK()
{
    i32 kind = 0, fac = 0, len = 0;
    switch (EDTCX.code) {
    case 5: case 9: case 14: case 35: case 36: case 37: kind = 17, fac = 48, len = 49; break;
    case 27: case 48: case 56: kind = 230, fac = 266, len = 234; break;
    case 34: case 38: kind = 349, fac = 353, len = 354; break;
    default: return;
    }
    item(kind, DT_INT, EDTCX.linkkind);
    item(fac, DT_REAL, EDTCX.linkfac);
    item(len, DT_REAL, EDTCX.linklen);
}

i32 PRCKND(const i32& query)
{
    switch (EDTCX.code) {
    case 5: case 14: case 27: case 34: case 38: case 48: case 56: return 1;
    case 9: case 35: case 36: case 37:
        if (query != 0) item(82, DT_INT, PRCKWD);
        return PRCKWD == 1 ? 1 : 0;
    default: return 0;
    }
}

void EDTCTX(const i32& procedure, i32& status)
{
    EditContext& c = EDTCX;
    c = EditContext{};
    c.zup = 2.0f;
    c.linktol = 0.1f;
    c.tol2 = 0.1f;
    c.srfkind = 1;
    c.linkkind = 1;
    c.linkfac = 1.0f;
    i32 count = 1;
    TPGETN(AM_LIST, GR_LEAD, 34, count, DT_INT, &c.code, status);
    if (status < 0) return;
    item(16, DT_REAL, c.zup);
    if (!item(58, DT_REAL, c.linktol)) item(57, DT_REAL, c.linktol);
    item(25, DT_REAL, c.tol2);
    GTDIAM(PRM9[PRM9_TOOL], c.diameter);
    c.linklen = c.diameter;
    EDTLNK();
    c.onsurf = PRCKND(1);
    if (c.onsurf == 0 || proc_marked(procedure)) {
        c.linkkind = 1;
        c.onsurf = 0;
    }
    c.side = c.diameter * 0.33333334f;
    item(298, DT_REAL, c.side);
    c.side2 = c.side;
    item(59, DT_REAL, c.side2);
    item(63, DT_INT, c.srfkind);
    // The part and check offsets are real expression items: read as reals,
    // or an offset of 0.5 would reach the positioning as its bit pattern.
    item(55, DT_REAL, c.linka);
    item(56, DT_REAL, c.linkb);
    SRFSET();
    status = 0;
}

void UITSET(const i32& value)
{
    i32 word = value == 1 ? 1 : 0, st = 0;
    mdputn("UITR", 3, 1, &word, st);
}

void EDTMRK(const i32& mode, i32& status)
{
    status = 0;
    if (mode == 2) {
        i32 answer = 0;
        lmark(1, 9, answer);
        if (answer < 0) status = -1;
        return;
    }
    TPTOP(9, status);
    ncd_go_last_added_block();
}

void EDTRDF() { EDTRDW = 1; }

void BLKCNT(const i32& count)
{
    char text[64];
    i32 length = 0;
    mktx1c("NUMBER OF BLOCKS =", count, "I", text, 40, length);
    if (length < 0) length = 0;
    while (length < 31) text[length++] = ' ';
    text[31] = '\0';
    i32 state = 1;
    modmc(text, state);
}

void FEDRNG(i32& first, i32& last, i32& status)
{
    first = -1;
    last = -1;
    i32 answer = 0;
    lmark(1, 8, answer);
    if (answer < 1) {
        status = -1;
        return;
    }
    lacces(2, answer);
    const bool opened = answer >= 0;
    status = opened ? 0 : -1;
    while (status >= 0) {
        i32 number = 0, type = 0;
        f32 p[3], n[3];
        next_motion(1, number, type, p, n, status);
        if (status < 0) break;
        if (first < 0) first = number;
        last = number;
        if (!(wrd2r(PRM9[PRM9_FEED]) > EDTFED)) break;
        i32 jst = 0;
        TPJUMP(1, jst);
        if (jst < 0) break;
    }
    i32 st = 0;
    TPTOP(8, st);
    // A list that cannot be read from its start stays a failure.
    status = !opened || st < 0 ? -1 : 0;
}

// ------------------------------------------------------------ model store

void MDLPUT(const i32& slot)
{
    if (slot < 0 || slot > 1) return;
    MDLSTO& st = store();
    if (st.slot[slot] && holds(*st.slot[slot]) && !same_as_live(*st.slot[slot]) &&
        !kept_elsewhere(&*st.slot[slot], &*st.slot[slot])) {
        // The model the slot held would be lost: free it first.
        ModelSnapshot old = std::move(*st.slot[slot]);
        st.slot[slot].reset();
        free_model(old);
    }
    st.slot[slot].reset();
    try {
        st.slot[slot] = take_live();
    } catch (const std::bad_alloc&) {
        // No room for the copy: the slot stays empty and the model live.
        st.slot[slot].reset();
    }
}

i32 MDLGET(const i32& slot)
{
    if (slot < 0 || slot > 1) return 0;
    MDLSTO& st = store();
    if (!st.slot[slot]) return 0;
    if (holds_live() && !same_as_live(*st.slot[slot]) && !kept_elsewhere(nullptr, nullptr)) {
        // The live model is put back when this slot is dropped. One that
        // cannot be kept is released now, counted like every model the
        // store frees, so that its owner builds it again instead of
        // reading arrays nobody holds any more.
        try {
            st.parked.push_back(take_live());
        } catch (const std::bad_alloc&) {
            i32 fst = 0;
            FRETRI(fst);
            ++MDLFRE;
        }
    }
    put_live(*st.slot[slot]);
    return 1;
}

void MDLREL(const i32& slot)
{
    if (slot >= 0 && slot <= 1) store().slot[slot].reset();
}

bool MDLHAS(const i32& slot) { return slot >= 0 && slot <= 1 && store().slot[slot].has_value(); }

void MDLSAV() { MDLPUT(0); }
i32 MDLRST() { return MDLGET(0); }

void MDLDRP(const i32& slot)
{
    if (MDLGET(slot) == 0) return;
    MDLREL(slot);
    forget_live();
    i32 st = 0;
    FRETRI(st);
    ++MDLFRE;
    MDLSTO& s = store();
    if (!s.parked.empty()) {
        put_live(s.parked.back());
        s.parked.pop_back();
    }
}

void SRFSNW(const i32& n1, const i32& n2, const i32* ids1, const i32* flags1, const i32* ids2, const i32* flags2)
{
    store().set.reset();
    try {
        auto set = std::make_unique<SurfaceSet>();
        set->count1 = n1 > 0 ? n1 : 0;
        set->count2 = n2 > 0 ? n2 : 0;
        auto copy = [](std::vector<i32>& to, const i32* from, i32 n) {
            if (from && n > 0) to.assign(from, from + n);
            else to.assign(static_cast<size_t>(n > 0 ? n : 0), 0);
        };
        copy(set->ids1, ids1, set->count1);
        copy(set->flags1, flags1, set->count1);
        copy(set->ids2, ids2, set->count2);
        copy(set->flags2, flags2, set->count2);
        store().set = std::move(set);
    } catch (const std::bad_alloc&) {
        // No room for the set: none, which every reader counts as 0 surfaces.
        store().set.reset();
    }
}

namespace {
// One group of the surface set as read from a geometry entity.
struct SurfaceGroup {
    i32 count = 0;
    std::vector<i32> ids, flags;
};

// Reads a group through the host's items: count, unique ids (else the ids
// themselves), side flags. Items missing leave the group empty or zero flags.
void read_group(i32 geom, i32 ncount, i32 nuids, i32 nids, i32 nflags, SurfaceGroup& g)
{
    i32 n = 0, st = 0;
    gs_param(3, geom, 9, 0, ncount, &n, st);
    if (st != 0 || n <= 0) return;
    const size_t room = static_cast<size_t>(std::max(n, GS_PARAM_MAX));
    std::vector<i32> uids(room, 0), ids(room, 0), flags(room, 0);
    gs_param(3, geom, 9, 0, nuids, uids.data(), st);
    if (st < 0) return;
    if (st == 1) {
        gs_param(3, geom, 9, 0, nids, ids.data(), st);
        if (st < 0) return;
        if (st == 1) eroutc("problem with surfaces", 0);
    } else {
        ncs_update_surfaces(n, uids.data(), ids.data(), st);
        if (st < 0) return;
    }
    gs_param(3, geom, 9, 0, nflags, flags.data(), st);
    if (st != 0) std::fill(flags.begin(), flags.end(), 0);
    g.count = n;
    g.ids.assign(ids.begin(), ids.begin() + n);
    g.flags.assign(flags.begin(), flags.begin() + n);
}
}  // namespace

void SRFSET()
{
    try {
        // The procedure flags are read by the block routine that the frame's
        // RDPFLG wraps: the frame lies above the editor.
        i32 st = 0;
        get_proc_flags(st);
        SurfaceGroup part, check;
        std::vector<i32> geoms(NSLOTS, 0);
        i32 count = 0;
        find_geom_buf(GSLOTS, count, geoms.data(), st);
        if (st < 0) count = 0;
        for (i32 k = 0; k < count; ++k) {
            i32 kind = 0;
            get_geom_type(geoms[static_cast<size_t>(k)], kind, st);
            if (st < 0) continue;
            // Part surfaces are stored under 10004 by the procedure writer; 10001
            // is taken as well.
            if (kind == 10001 || kind == 10004) read_group(geoms[static_cast<size_t>(k)], 43, 308, 246, 247, part);
            else if (kind == 10002) read_group(geoms[static_cast<size_t>(k)], 44, 309, 245, 248, check);
        }
        SRFSNW(part.count, check.count, part.ids.data(), part.flags.data(), check.ids.data(), check.flags.data());
    } catch (const std::bad_alloc&) {
        // No room to read the surfaces: no set, as when it cannot be copied.
        store().set.reset();
    }
}

void SRFCNT(i32& n1, i32& n2)
{
    const SurfaceSet* s = store().set.get();
    n1 = s ? s->count1 : 0;
    n2 = s ? s->count2 : 0;
}

void SRFGT1(i32* ids, i32* flags)
{
    const SurfaceSet* s = store().set.get();
    if (!s) return;
    std::copy(s->ids1.begin(), s->ids1.end(), ids);
    std::copy(s->flags1.begin(), s->flags1.end(), flags);
}

void SRFGT2(i32* ids, i32* flags)
{
    const SurfaceSet* s = store().set.get();
    if (!s) return;
    std::copy(s->ids2.begin(), s->ids2.end(), ids);
    std::copy(s->flags2.begin(), s->flags2.end(), flags);
}

void model_leave_live()
{
    // A model no slot could keep (its copy found no room) is released here,
    // or nothing would hold its arrays any more.
    if (!holds_live() || live_named()) {
        detach_live();
    } else {
        FRETRI();
        ++MDLFRE;
    }
}

void model_free_live()
{
    if (!holds_live()) return;
    if (live_named()) {
        detach_live();
        return;
    }
    FRETRI();
    ++MDLFRE;
}

i32 GAPMDL()
{
    if (MDLGET(1) == 1) return 1;
    // The build releases the live model: one the store still names stays
    // there, another is freed and counted.
    model_free_live();
    allrst();
    try {
        i32 n1 = 0, n2 = 0;
        SRFCNT(n1, n2);
        std::vector<i32> ids1(static_cast<size_t>(n1) + 1), fl1(static_cast<size_t>(n1) + 1),
            ids2(static_cast<size_t>(n2) + 1), fl2(static_cast<size_t>(n2) + 1);
        SRFGT1(ids1.data(), fl1.data());
        SRFGT2(ids2.data(), fl2.data());
        const f32 tol = EDTCX.srfkind == 2 ? EDTCX.side2 : EDTCX.linktol;
        i32 work = 0, st = 0;
        allsrf(1, n1, ids1.data(), fl1.data(), n2, ids2.data(), fl2.data(), EDTCX.srfkind, tol, EDTCX.side, 2, work,
               st);
    } catch (const std::bad_alloc&) {
        // No room for the surface lists: no model, so the ends of the gap
        // count as off the surfaces and the links are vertical.
        return 1;
    }
    MDLPUT(1);
    EDTRDF();
    return 1;
}
