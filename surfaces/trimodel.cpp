#include "surfaces/trimodel.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "surfaces/qtcell.h"
#include "surfaces/qtside.h"
#include "core/host.h"

i32 QTNODE[QT_NODES * QT_ROW];
i32 QTBOX[4];
i32 TRIMDL[TRIMDL_N];
TrmPos TRMPOS = {nullptr, nullptr, nullptr, nullptr};

namespace {

// Moves on whenever the live model is released (also when a new one is
// started) or replaced by another.
i32 generation = 0;

constexpr i32 STG_WORDS = 5;      // staged triangle: three node numbers, record number, node of the tree
constexpr i32 SRF_STEP = 16;      // surface records are added 16 at a time


void model_reset()
{
    ++generation;
    for (i32 w = 0; w < TRIMDL_N; ++w) TRIMDL[w] = 0;
    TRIMDL[TM_SRFHDL] = TRIMDL[TM_NODHDL] = TRIMDL[TM_NRMHDL] = TRIMDL[TM_STGHDL] = -1;
    for (i32 n = 0; n < QT_NODES; ++n) {
        i32* row = qtrow(n);
        row[QT_COUNT] = 0;
        row[QT_HANDLE] = -1;
        row[QT_CHECK] = 0;
        for (i32 k = QT_XMAX; k <= QT_ZMIN; ++k) row[k] = r2wrd(QT_UNSET);
    }
    for (i32 k = 0; k < 4; ++k) QTBOX[k] = 0;
    qt_side_drop();
}

// The table holds closed handles from the library's load on.
const bool model_ready = (model_reset(), true);

void ensure_ready() { (void)model_ready; }

void* base_of(i32 handle, i32 check)
{
    if (handle < 0) return nullptr;
    if (check != hdlchk(handle)) {
        eroutc("TRIMDL, CHECK WORD OF A MODEL ARRAY IS WRONG", 0);
        return nullptr;
    }
    void* b = nullptr;
    mmcptr(handle, b);
    return b;
}

// Opens an array when closed or grows it to hold `need` elements; capacity
// grows by half of itself, at least by `step`.
bool reserve(i32 hw, i32 cw, i32 capw, i32 elsize, i32 need, i32 step, const char* who)
{
    if (need <= TRIMDL[capw] && TRIMDL[hw] >= 0) return true;
    i32 status = 0;
    void* b = nullptr;
    if (TRIMDL[hw] < 0) {
        i32 cap = need > step ? need : step;
        MM_OPEN_ARRAY(elsize, cap, TRIMDL[hw], b, status);
        if (status != 0) {
            erou1c(who, hval(cap), " ELEMENTS: DYNAMIC MEMORY ERROR");
            return false;
        }
        TRIMDL[cw] = hdlchk(TRIMDL[hw]);
        TRIMDL[capw] = cap;
        return true;
    }
    i32 cap = TRIMDL[capw];
    i32 add = cap / 2 > step ? cap / 2 : step;
    if (static_cast<std::int64_t>(cap) + add < need) add = need - cap;
    if (static_cast<std::int64_t>(cap) + add > 0x7fffffff / elsize) {
        erou1c(who, hval(need), " ELEMENTS: ARRAY TOO LARGE");
        return false;
    }
    MM_RESIZE_ARRAY(TRIMDL[hw], add, b, status);
    if (status != 0) {
        erou1c(who, hval(cap + add), " ELEMENTS: DYNAMIC MEMORY ERROR");
        return false;
    }
    TRIMDL[capw] = cap + add;
    return true;
}

void close_array(i32 hw, i32& status)
{
    if (TRIMDL[hw] < 0) return;
    i32 st = 0;
    MM_CLOSE(TRIMDL[hw], st);
    if (st != 0) {
        eroutc("FRETRI,Close dynamic memory error", 0);
        status = st;
    }
    TRIMDL[hw] = -1;
}

// Keeps the bounds of a node: largest xmax, smallest xmin, largest ymax,
// smallest ymin of its triangle boxes (units), and the Z range.
void widen(i32* row, i32 w, f32 v, bool larger)
{
    f32 cur = wrd2r(row[w]);
    if (cur > 1.0e9f || (larger ? v > cur : v < cur)) row[w] = r2wrd(v);
}

void note_bounds(i32* row, const i32* entry, f32 zlo, f32 zhi)
{
    widen(row, QT_XMAX, static_cast<f32>(entry[TRG_BOX + 2] * 0.001), true);
    widen(row, QT_XMIN, static_cast<f32>(entry[TRG_BOX] * 0.001), false);
    widen(row, QT_YMAX, static_cast<f32>(entry[TRG_BOX + 3] * 0.001), true);
    widen(row, QT_YMIN, static_cast<f32>(entry[TRG_BOX + 1] * 0.001), false);
    widen(row, QT_ZMAX, zhi, true);
    widen(row, QT_ZMIN, zlo, false);
}

i32 floor_k(f64 v) { return static_cast<i32>(std::floor(v * 1000.0)); }
i32 ceil_k(f64 v) { return static_cast<i32>(std::ceil(v * 1000.0)); }

}  // namespace

i32* srfbas() { ensure_ready(); return static_cast<i32*>(base_of(TRIMDL[TM_SRFHDL], TRIMDL[TM_SRFCHK])); }
f32* nodbas() { ensure_ready(); return static_cast<f32*>(base_of(TRIMDL[TM_NODHDL], TRIMDL[TM_NODCHK])); }
f32* nrmbas() { ensure_ready(); return static_cast<f32*>(base_of(TRIMDL[TM_NRMHDL], TRIMDL[TM_NRMCHK])); }

i32* qtnbas(i32 node)
{
    ensure_ready();
    if (node < 0 || node >= QT_NODES) return nullptr;
    const i32* row = qtrow(node);
    return static_cast<i32*>(base_of(row[QT_HANDLE], row[QT_CHECK]));
}

void SRKGET(const i32& handle, const i32& i, i32* record)
{
    void* b = nullptr;
    mmcptr(handle, b);
    if (!b) return;
    std::memcpy(record, static_cast<i32*>(b) + static_cast<size_t>(i - 1) * SRF_WORDS, SRF_WORDS * sizeof(i32));
}

void TRMOPN(i32& status)
{
    ensure_ready();
    FRETRI(status);
    status = 0;
    TRIMDL[TM_STATE] = 1;
}

void TRMSRF(const i32* record, const i32& nn, const f32* xyz, const f32* nrm, const i32& nt, const i32* tri,
            i32& status)
{
    ensure_ready();
    status = -1;
    if (TRIMDL[TM_STATE] != 1) {
        eroutc("TRMSRF, THE MODEL IS NOT BEING ASSEMBLED", 0);
        return;
    }
    if (nn < 0 || nt < 0 || (nn > 0 && !xyz) || (nt > 0 && !tri)) {
        eroutc("TRMSRF, WRONG NODE OR TRIANGLE COUNT", 0);
        return;
    }
    for (i32 k = 0; k < 3 * nt; ++k)
        if (tri[k] < 1 || tri[k] > nn) {
            erou2c("TRMSRF, NODE NUMBER OUT OF RANGE:", hval(tri[k]), hval(k / 3 + 1), " (TRIANGLE)");
            return;
        }
    for (i32 k = 0; k < 3 * nn; ++k)
        if (!std::isfinite(xyz[k]) || std::fabs(xyz[k]) > TRM_MAXC) {
            erou1c("TRMSRF, NODE COORDINATE OUT OF RANGE AT NODE", hval(k / 3 + 1));
            return;
        }
    i32 nsrf = TRIMDL[TM_NSRF], nnod = TRIMDL[TM_NNOD], nstg = TRIMDL[TM_NSTG];
    if (static_cast<std::int64_t>(nnod) + nn > 0x7fffffff / 12 || static_cast<std::int64_t>(nstg) + nt > 0x7fffffff / 20) {
        eroutc("TRMSRF, MODEL TOO LARGE", 0);
        return;
    }
    if (!reserve(TM_SRFHDL, TM_SRFCHK, TM_SRFCAP, SRF_WORDS * 4, nsrf + 1, SRF_STEP, "TRMSRF, SRFKEY")) return;
    i32 nodcap = TRIMDL[TM_NODCAP];
    if (!reserve(TM_NODHDL, TM_NODCHK, TM_NODCAP, 12, nnod + nn, 1024, "TRMSRF, NODKEY")) return;
    // The normals follow the nodes' capacity.
    if (TRIMDL[TM_NRMHDL] < 0) {
        void* b = nullptr;
        MM_OPEN_ARRAY(12, TRIMDL[TM_NODCAP], TRIMDL[TM_NRMHDL], b, status);
        if (status != 0) {
            eroutc("TRMSRF, NRMKEY: DYNAMIC MEMORY ERROR", 0);
            status = -1;
            return;
        }
        TRIMDL[TM_NRMCHK] = hdlchk(TRIMDL[TM_NRMHDL]);
    } else if (TRIMDL[TM_NODCAP] > nodcap) {
        void* b = nullptr;
        MM_RESIZE_ARRAY(TRIMDL[TM_NRMHDL], TRIMDL[TM_NODCAP] - nodcap, b, status);
        if (status != 0) {
            eroutc("TRMSRF, NRMKEY: DYNAMIC MEMORY ERROR", 0);
            status = -1;
            return;
        }
    }
    status = -1;
    if (!reserve(TM_STGHDL, TM_STGCHK, TM_STGCAP, STG_WORDS * 4, nstg + nt, 1024, "TRMSRF, TRIANGLES")) return;

    i32* srf = srfbas();
    f32* nod = nodbas();
    f32* nrm_out = nrmbas();
    i32* stg = static_cast<i32*>(base_of(TRIMDL[TM_STGHDL], TRIMDL[TM_STGCHK]));
    if (!srf || !nod || !nrm_out || !stg) return;

    std::memcpy(srf + static_cast<size_t>(nsrf) * SRF_WORDS, record, SRF_WORDS * sizeof(i32));
    std::memcpy(nod + static_cast<size_t>(nnod) * 3, xyz, static_cast<size_t>(nn) * 3 * sizeof(f32));
    f32* nr = nrm_out + static_cast<size_t>(nnod) * 3;
    if (nrm) {
        std::memcpy(nr, nrm, static_cast<size_t>(nn) * 3 * sizeof(f32));
    } else {
        // Area-weighted normals of the surface's own triangles.
        std::vector<f64> acc(static_cast<size_t>(nn) * 3, 0.0);
        for (i32 t = 0; t < nt; ++t) {
            const i32* v = tri + 3 * t;
            const f32* a = xyz + 3 * (v[0] - 1);
            const f32* b = xyz + 3 * (v[1] - 1);
            const f32* c = xyz + 3 * (v[2] - 1);
            f64 e1[3] = {f64(b[0]) - a[0], f64(b[1]) - a[1], f64(b[2]) - a[2]};
            f64 e2[3] = {f64(c[0]) - a[0], f64(c[1]) - a[1], f64(c[2]) - a[2]};
            f64 n[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2], e1[0] * e2[1] - e1[1] * e2[0]};
            for (i32 k = 0; k < 3; ++k)
                for (i32 j = 0; j < 3; ++j) acc[static_cast<size_t>(v[k] - 1) * 3 + j] += n[j];
        }
        for (i32 k = 0; k < nn; ++k) {
            f64* a = &acc[static_cast<size_t>(k) * 3];
            f64 l = std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]);
            if (l > 0) {
                nr[3 * k] = static_cast<f32>(a[0] / l);
                nr[3 * k + 1] = static_cast<f32>(a[1] / l);
                nr[3 * k + 2] = static_cast<f32>(a[2] / l);
            } else {
                nr[3 * k] = 0, nr[3 * k + 1] = 0, nr[3 * k + 2] = 1;
            }
        }
    }
    i32* s = stg + static_cast<size_t>(nstg) * STG_WORDS;
    for (i32 t = 0; t < nt; ++t, s += STG_WORDS) {
        s[0] = tri[3 * t] + nnod;
        s[1] = tri[3 * t + 1] + nnod;
        s[2] = tri[3 * t + 2] + nnod;
        s[3] = nsrf + 1;
        s[4] = -1;
    }
    TRIMDL[TM_NSRF] = nsrf + 1;
    TRIMDL[TM_NNOD] = nnod + nn;
    TRIMDL[TM_NSTG] = nstg + nt;
    status = 0;
}

namespace {

// Fills a triangle entry from its nodes; false for a degenerate triangle.
bool make_entry(const f32* nod, const i32* s, i32* e, f32& zlo, f32& zhi)
{
    const f32* a = nod + 3 * static_cast<size_t>(s[0] - 1);
    const f32* b = nod + 3 * static_cast<size_t>(s[1] - 1);
    const f32* c = nod + 3 * static_cast<size_t>(s[2] - 1);
    f64 e1[3] = {f64(b[0]) - a[0], f64(b[1]) - a[1], f64(b[2]) - a[2]};
    f64 e2[3] = {f64(c[0]) - a[0], f64(c[1]) - a[1], f64(c[2]) - a[2]};
    f64 n[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2], e1[0] * e2[1] - e1[1] * e2[0]};
    f64 l = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    f64 l1 = std::sqrt(e1[0] * e1[0] + e1[1] * e1[1] + e1[2] * e1[2]);
    f64 l2 = std::sqrt(e2[0] * e2[0] + e2[1] * e2[1] + e2[2] * e2[2]);
    // Degenerate: no area against its sides (collinear or repeated nodes).
    if (!(l > 1.0e-12 * (l1 * l2)) || l == 0.0) return false;
    i32 ori = 1;
    for (f64& v : n) v /= l;
    if (n[2] < 0.0) {
        ori = -1;
        for (f64& v : n) v = -v;
    }
    e[TRG_FLAGS] = trgflg(ori);
    e[TRG_NODE] = s[0];
    e[TRG_NODE + 1] = s[1];
    e[TRG_NODE + 2] = s[2];
    for (i32 k = 0; k < 3; ++k) e[TRG_NRM + k] = r2wrd(static_cast<f32>(n[k]));
    f64 d = -(n[0] * a[0] + n[1] * a[1] + n[2] * a[2]);
    e[TRG_PLANE] = r2wrd(static_cast<f32>(d));
    f64 xlo = std::fmin(a[0], std::fmin(b[0], c[0])), xhi = std::fmax(a[0], std::fmax(b[0], c[0]));
    f64 ylo = std::fmin(a[1], std::fmin(b[1], c[1])), yhi = std::fmax(a[1], std::fmax(b[1], c[1]));
    // The box holds the triangle: lower bounds down, upper bounds up.
    e[TRG_BOX] = floor_k(xlo);
    e[TRG_BOX + 1] = floor_k(ylo);
    e[TRG_BOX + 2] = ceil_k(xhi);
    e[TRG_BOX + 3] = ceil_k(yhi);
    e[TRG_SRF] = s[3];
    zlo = std::fmin(a[2], std::fmin(b[2], c[2]));
    zhi = std::fmax(a[2], std::fmax(b[2], c[2]));
    return true;
}

bool open_node(i32 node, i32 cap)
{
    i32* row = qtrow(node);
    void* b = nullptr;
    i32 st = 0;
    MM_OPEN_ARRAY(TRG_WORDS * 4, cap, row[QT_HANDLE], b, st);
    if (st != 0) {
        erou1c("qt_insert, DYNAMIC MEMORY ERROR AT NODE", hval(node));
        row[QT_HANDLE] = -1;
        return false;
    }
    row[QT_CHECK] = hdlchk(row[QT_HANDLE]);
    return true;
}

// Capacity of the node arrays is not kept in the row: an array holds
// exactly its count when built in one go, and qt_insert grows it in steps
// tracked here.
i32 node_cap[QT_NODES];

}  // namespace

void TRMCLS(i32& status)
{
    ensure_ready();
    status = -1;
    if (TRIMDL[TM_STATE] != 1) {
        eroutc("TRMCLS, THE MODEL IS NOT BEING ASSEMBLED", 0);
        return;
    }
    i32 nnod = TRIMDL[TM_NNOD], nstg = TRIMDL[TM_NSTG];
    f32* nod = nodbas();
    i32* stg = static_cast<i32*>(base_of(TRIMDL[TM_STGHDL], TRIMDL[TM_STGCHK]));
    // Tree box over every node.
    if (nnod > 0 && nod) {
        f64 xlo = nod[0], xhi = nod[0], ylo = nod[1], yhi = nod[1];
        for (i32 k = 1; k < nnod; ++k) {
            xlo = std::fmin(xlo, nod[3 * k]);
            xhi = std::fmax(xhi, nod[3 * k]);
            ylo = std::fmin(ylo, nod[3 * k + 1]);
            yhi = std::fmax(yhi, nod[3 * k + 1]);
        }
        QTBOX[0] = floor_k(xlo) - 1;
        QTBOX[1] = floor_k(ylo) - 1;
        QTBOX[2] = ceil_k(xhi) + 1;
        QTBOX[3] = ceil_k(yhi) + 1;
    }
    // First pass: the node of every triangle, and the counts.
    i32 cnt[QT_NODES] = {0};
    i32 ndeg = 0;
    i32 e[TRG_WORDS];
    for (i32 t = 0; t < nstg && stg; ++t) {
        i32* s = stg + static_cast<size_t>(t) * STG_WORDS;
        f32 zlo, zhi;
        if (!make_entry(nod, s, e, zlo, zhi)) {
            s[4] = -1;
            ++ndeg;
            continue;
        }
        i32 node = 0, count = 0, cell[4];
        qt_find_cell(e + TRG_BOX, nullptr, node, 0, count, nullptr, cell);
        s[4] = node;
        ++cnt[node];
    }
    for (i32 n = 0; n < QT_NODES; ++n) {
        if (cnt[n] == 0) continue;
        i32* row = qtrow(n);
        if (row[QT_HANDLE] >= 0) continue;  // filled by qt_insert already: grown below
        if (!open_node(n, cnt[n])) return;
        node_cap[n] = cnt[n];
    }
    // Second pass: entries in staging order.
    i32 ntrg = 0;
    for (i32 t = 0; t < nstg && stg; ++t) {
        i32* s = stg + static_cast<size_t>(t) * STG_WORDS;
        if (s[4] < 0) continue;
        f32 zlo, zhi;
        make_entry(nod, s, e, zlo, zhi);
        i32 node = 0, index = 0, st = 0;
        qt_insert(e, node, index, st);
        if (st != 0) return;
        note_bounds(qtrow(node), e, zlo, zhi);
        ++ntrg;
    }
    TRIMDL[TM_NTRG] += ntrg;
    TRIMDL[TM_NDEG] += ndeg;
    i32 st = 0;
    close_array(TM_STGHDL, st);
    TRIMDL[TM_NSTG] = 0;
    TRIMDL[TM_STGCAP] = 0;
    TRIMDL[TM_STATE] = 2;
    status = 0;
}

i32 trm_generation() { return generation; }

void trm_replaced()
{
    ++generation;
    qt_side_drop();
}

void qt_insert(const i32* entry, i32& node, i32& index, i32& status)
{
    ensure_ready();
    status = 0;
    i32 count = 0, cell[4];
    qt_find_cell(entry + TRG_BOX, nullptr, node, 0, count, nullptr, cell);
    i32* row = qtrow(node);
    i32 n = row[QT_COUNT];
    if (row[QT_HANDLE] < 0) {
        if (!open_node(node, 64)) {
            status = -1;
            return;
        }
        node_cap[node] = 64;
    } else if (n >= node_cap[node]) {
        i32 add = node_cap[node] / 2 > 64 ? node_cap[node] / 2 : 64;
        void* b = nullptr;
        i32 st = 0;
        MM_RESIZE_ARRAY(row[QT_HANDLE], add, b, st);
        if (st != 0) {
            erou1c("qt_insert, DYNAMIC MEMORY ERROR AT NODE", hval(node));
            status = -1;
            return;
        }
        node_cap[node] += add;
    }
    i32* b = qtnbas(node);
    if (!b) {
        status = -1;
        return;
    }
    std::memcpy(b + static_cast<size_t>(n) * TRG_WORDS, entry, TRG_WORDS * sizeof(i32));
    row[QT_COUNT] = n + 1;
    qt_side_drop();
    index = n;
    if (TRIMDL[TM_STATE] == 2) {
        // An entry added to a built model: keep the node's bounds.
        const f32* nod = nodbas();
        f32 zlo = 1.0e30f, zhi = -1.0e30f;
        for (i32 k = 0; k < 3 && nod; ++k) {
            f32 z = nod[3 * static_cast<size_t>(entry[TRG_NODE + k] - 1) + 2];
            zlo = z < zlo ? z : zlo;
            zhi = z > zhi ? z : zhi;
        }
        note_bounds(row, entry, zlo, zhi);
        ++TRIMDL[TM_NTRG];
    }
}

void FRETRI(i32& status)
{
    ensure_ready();
    status = 0;
    close_array(TM_SRFHDL, status);
    close_array(TM_NODHDL, status);
    close_array(TM_NRMHDL, status);
    close_array(TM_STGHDL, status);
    i32 st = 0;
    qt_release_mem(st);
    if (st != 0) status = st;
    st = 0;
    if (TRMPOS.release) TRMPOS.release(st);
    if (st != 0) status = st;
    model_reset();
    for (i32& c : node_cap) c = 0;
}

void FRETRI()
{
    i32 status = 0;
    FRETRI(status);
}
