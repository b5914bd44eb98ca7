#include "surfaces/allsrf.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/host.h"
#include "core/intchk.h"
#include "core/progress.h"
#include "surfaces/mesh.h"
#include "surfaces/srfbuf.h"
#include "surfaces/srfchk.h"
#include "surfaces/srflist.h"
#include "surfaces/svap.h"
#include "surfaces/trimodel.h"

AllStats ALLSTA = {0, 0, 0, 0, 0};
i32 NUVARR[4] = {-1, 0, 0, 0};
i32 SRKPRJ = 0;
void (*SRKUSE)(i32 value) = nullptr;

namespace {

constexpr i32 APX_MAX = 2 * SRFLST_MAX;  // surfaces of one model
// Approximation work arrays: one per surface, handle and check word:
// words nn, nt, then nn nodes, nn normals (f32 x 3) and nt triangles.
i32 apx_work[APX_MAX][2];
bool apx_ready = [] {
    for (auto& w : apx_work) w[0] = -1, w[1] = 0;
    return true;
}();
// Temporary entities of the approximation.
std::vector<i32> APXTMP;
void (*HOOKS[8])(i32&) = {nullptr};

f64 g_buf[SB_CAP];

void poll() { CHKINT(); }

bool keep_mesh(i32 k, const SvapMesh& m)
{
    i32 nn = static_cast<i32>(m.xyz.size() / 3), nt = static_cast<i32>(m.tri.size() / 3);
    if (static_cast<long long>(2) + 6LL * nn + 3LL * nt > 0x7fffffff / 4) return false;
    void* base = nullptr;
    i32 st = 0;
    MM_OPEN_ARRAY(4, 2 + 6 * nn + 3 * nt, apx_work[k][0], base, st);
    if (st != 0) {
        apx_work[k][0] = -1;
        return false;
    }
    apx_work[k][1] = hdlchk(apx_work[k][0]);
    i32* w = static_cast<i32*>(base);
    w[0] = nn;
    w[1] = nt;
    std::memcpy(w + 2, m.xyz.data(), m.xyz.size() * 4);
    std::memcpy(w + 2 + 3 * nn, m.nrm.data(), m.nrm.size() * 4);
    std::memcpy(w + 2 + 6 * nn, m.tri.data(), m.tri.size() * 4);
    return true;
}

const i32* work_of(i32 k)
{
    if (apx_work[k][0] < 0 || apx_work[k][1] != hdlchk(apx_work[k][0])) return nullptr;
    void* b = nullptr;
    mmcptr(apx_work[k][0], b);
    return static_cast<const i32*>(b);
}

void close_work(i32 k, i32& status)
{
    if (apx_work[k][0] < 0) return;
    i32 st = 0;
    MM_CLOSE(apx_work[k][0], st);
    if (st != 0) {
        eroutc("[allsrf] CLOSE DYNAMIC MEMORY ERROR", 0);
        status = st;
    }
    apx_work[k][0] = -1;
    apx_work[k][1] = 0;
}

}  // namespace

void allbad(const i32& id)
{
    i32 st = 0;
    put_id_in_buf_badsrf(id, st);
    user1c("[allsrf] SURFACE IS NOT APPROXIMATED AND GOES TO THE BAD SURFACES: ", id);
}

namespace {

// Stage 3: the triangle model from the kept meshes, a surface record each
// (part surfaces first, reversed where their normal flag is negative); work
// counts the surfaces entered. st: the model's status.
void model_of(i32 n, const i32& npart, const i32* pids, const i32* pnrms, const i32* cids, const i32* cnrms,
              const i32& amode, const f32& tol, f32 side, const std::vector<i32>& svap, i32& work, i32& st)
{
    for (i32 k = 0; k < n && st == 0; ++k) {
        const i32* w = work_of(k);
        if (!w) continue;
        i32 id = k < npart ? pids[k] : cids[k - npart];
        i32 flag = k < npart ? (pnrms ? pnrms[k] : 1) : (cnrms ? cnrms[k - npart] : 1);
        flag = flag < 0 ? -1 : 1;
        i32 nn = w[0], nt = w[1];
        std::vector<f32> nrm;
        const f32* x = reinterpret_cast<const f32*>(w + 2);
        const f32* nr = x + 3 * static_cast<size_t>(nn);
        std::vector<i32> tri(w + 2 + 6 * static_cast<size_t>(nn), w + 2 + 6 * static_cast<size_t>(nn) + 3 * static_cast<size_t>(nt));
        nrm.assign(nr, nr + 3 * static_cast<size_t>(nn));
        if (flag < 0) {
            // reversed: the other winding and the other normals
            for (size_t t = 0; t < tri.size(); t += 3) std::swap(tri[t + 1], tri[t + 2]);
            for (f32& c : nrm) c = -c;
        }
        i32 rec[SRF_WORDS] = {0};
        rec[SRF_CLASS] = k < npart ? SCL_MACHINED : SCL_CHECK;
        rec[SRF_NRMFLG] = flag;
        rec[SRF_AMODE] = amode;
        rec[SRF_TOL] = r2wrd(tol);
        rec[SRF_SIDE] = r2wrd(side);
        rec[SRF_SVAP] = svap[static_cast<size_t>(k)];
        rec[SRF_NODE1] = TRIMDL[TM_NNOD] + 1;
        rec[SRF_NNOD] = nn;
        rec[SRF_NTRG] = nt;
        rec[SRF_ID] = id;
        rec[SRF_KIND] = k < npart ? 0 : 1;
        rec[SRF_INDEX] = k + 1;
        rec[SRF_SAVCLS] = -1;
        TRMSRF(rec, nn, x, nrm.data(), nt, tri.data(), st);
        i32 cst = 0;
        close_work(k, cst);
        if (st == 0) {
            ++work;
            ALLSTA.triangles += nt;
            ALLSTA.nodes += nn;
        }
        PRGCNT(4, 0);
        PRGSTG(6, 3);
    }
}

}  // namespace

void allsrf(const i32& mode, const i32& npart, const i32* pids, const i32* pnrms, const i32& nchk, const i32* cids,
            const i32* cnrms, const i32& amode, const f32& tol, const f32& maxside, const i32& option, i32& work,
            i32& status)
{
    (void)apx_ready;
    status = 0;
    work = 0;
    ALLSTA = {0, 0, 0, 0, 0};
    if (amode < 1 || amode > 3) {
        eroutc("[allsrf] WRONG APPROXIMATION MODE", 0);
        status = -1;
        return;
    }
    if (!(tol > 0.0f) || !(tol < 1.0e6f)) {
        eroutc("[allsrf] WRONG TOLERANCE", 0);
        status = -1;
        return;
    }
    if (amode == 3 && !(maxside > 0.0f)) {
        eroutc("[allsrf] WRONG APPROXIMATION LENGTH", 0);
        status = -1;
        return;
    }
    if (npart < 0 || nchk < 0 || npart + nchk > APX_MAX || (npart > 0 && !pids) || (nchk > 0 && !cids)) {
        erou1c("[allsrf] NUMBER OF SURFACES IS LIMITED TO ", APX_MAX);
        status = -1;
        return;
    }
    if (TRMPOS.approx) TRMPOS.approx(amode, maxside);
    const f32 side = amode == 3 ? maxside : 0.0f;

    i32 st = 0;
    FRETRI(st);
    allfre(st);
    const i32 n = npart + nchk;
    PRGINI();
    PRGSHW(6);

    // stage 1: the patches of every surface
    std::vector<i32> patches(static_cast<size_t>(n), 0), bad(static_cast<size_t>(n), 0), svap(static_cast<size_t>(n), 0),
        stamp(static_cast<size_t>(n), 0);
    for (i32 k = 0; k < n; ++k) {
        i32 id = k < npart ? pids[k] : cids[k - npart];
        LDSRFB(id, g_buf, st);
        if (st != 0 || SRFCHK(g_buf) != SCK_SOUND) {
            bad[static_cast<size_t>(k)] = 1;
            continue;
        }
        stamp[static_cast<size_t>(k)] = srf_stamp(g_buf);
        lin_svap_find(id, amode, tol, side, stamp[static_cast<size_t>(k)], svap[static_cast<size_t>(k)]);
        i32 p = 1;
        if (g_buf[SB_TRIM] == 0.0) {
            f64 nu = g_buf[SB_LIM + 1] / g_buf[SB_LIM + 2], nv = g_buf[SB_LIM + 4] / g_buf[SB_LIM + 5];
            p = static_cast<i32>(std::max(1.0, std::min(nu, 256.0) + 0.5)) * static_cast<i32>(std::max(1.0, std::min(nv, 256.0) + 0.5));
        }
        patches[static_cast<size_t>(k)] = p;
        for (i32 j = 0; j < p; ++j) {
            PRGCNT(3, 0);
            PRGSTG(6, 1);
        }
    }

    // stage 2: the mesh of every surface, or its saved approximation
    i32 total = PRGSTA.total;
    PRGINI();
    PRGCNT(1, total);
    long long modelled = 0;  // triangles kept for the model so far
    for (i32 k = 0; k < n; ++k) {
        i32 id = k < npart ? pids[k] : cids[k - npart];
        SvapMesh m;
        if (!bad[static_cast<size_t>(k)] && svap[static_cast<size_t>(k)] > 0) {
            lin_svap_load(svap[static_cast<size_t>(k)], m, st);
            if (st == 0) ++ALLSTA.reused;
            else svap[static_cast<size_t>(k)] = 0;
        }
        if (!bad[static_cast<size_t>(k)] && svap[static_cast<size_t>(k)] == 0) {
            LDSRFB(id, g_buf, st);
            SrfMesh sm;
            SRFMSH(g_buf, id, tol, side, sm, poll, st);
            if (st != 0) {
                bad[static_cast<size_t>(k)] = 1;
            } else {
                ++ALLSTA.meshed;
                m.xyz = std::move(sm.xyz);
                m.nrm = std::move(sm.nrm);
                m.tri = std::move(sm.tri);
                lin_svap_save(id, amode, tol, side, stamp[static_cast<size_t>(k)], m, svap[static_cast<size_t>(k)], st);
                // option 2: kept for this model only, deleted with the work arrays
                if (st == 0 && option == 2) APXTMP.push_back(svap[static_cast<size_t>(k)]);
                if (st != 0) svap[static_cast<size_t>(k)] = 0;
            }
        }
        if (!bad[static_cast<size_t>(k)]) modelled += static_cast<long long>(m.tri.size() / 3);
        if (bad[static_cast<size_t>(k)]) {
            allbad(id);
            ++ALLSTA.bad;
        } else if (modelled > ALL_MAXTRG) {
            user1c("[allsrf] THE TRIANGLE MODEL IS LIMITED TO ", ALL_MAXTRG, " TRIANGLES");
            status = -1;
            allfre(st);
            PRGEND();
            return;
        } else if (!keep_mesh(k, m)) {
            erou1c("[allsrf] DYNAMIC MEMORY ERROR, SURFACE ", id);
            status = -1;
            allfre(st);
            PRGEND();
            return;
        }
        for (i32 j = 0; j < patches[static_cast<size_t>(k)]; ++j) {
            PRGCNT(4, 0);
            PRGSTG(6, 2);
        }
    }
    if (ALLSTA.bad > 0) redraw_badsrf();

    // stage 3: the triangle model
    PRGINI();
    PRGCNT(1, n);
    TRMOPN(st);
    model_of(n, npart, pids, pnrms, cids, cnrms, amode, tol, side, svap, work, st);
    if (st == 0) TRMCLS(st);
    PRGEND();
    if (st != 0) {
        eroutc("[allsrf] THE TRIANGLE MODEL CANNOT BE BUILT", 0);
        FRETRI(st);
        status = -1;
        return;
    }
    if (work == 0 && n > 0) {
        userrc("[allsrf] NO SURFACE COULD BE APPROXIMATED", 0);
        status = -1;
        return;
    }
    // Every surface class of the model is positioned over, the grid roads
    // are not.
    if (TRMPOS.classes) TRMPOS.classes(0x3F);
}

void allrst()
{
    (void)apx_ready;
    for (auto& w : apx_work) w[0] = -1, w[1] = 0;
    if (TRMPOS.reset) TRMPOS.reset();
}

void allfre(i32& status)
{
    (void)apx_ready;
    status = 0;
    i32 st = 0;
    if (TRMPOS.release) TRMPOS.release(st);
    if (st != 0) status = st;
    for (i32 k = 0; k < APX_MAX; ++k) close_work(k, status);
    for (i32 id : APXTMP) {
        st = 0;
        edelet(id, st);
    }
    APXTMP.clear();
    for (auto h : HOOKS)
        if (h) {
            st = 0;
            h(st);
            if (st != 0) status = st;
        }
}

void allhook(void (*release)(i32& status))
{
    for (auto& h : HOOKS)
        if (h == release) return;
    for (auto& h : HOOKS)
        if (!h) {
            h = release;
            return;
        }
    eroutc("allhook, NO ROOM FOR ANOTHER RELEASE ROUTINE", 0);
}

void rstnuv()
{
    NUVARR[0] = -1;
    NUVARR[1] = NUVARR[2] = NUVARR[3] = 0;
}

void elnuv(i32& status)
{
    status = 0;
    if (NUVARR[0] >= 0) {
        MM_CLOSE(NUVARR[0], status);
        if (status != 0) eroutc("elnuv,Close dynamic memory error", 0);
    }
    rstnuv();
}

void RSTTRI()
{
    TRIMDL[TM_NODHDL] = TRIMDL[TM_NRMHDL] = -1;
    TRIMDL[TM_NODCHK] = TRIMDL[TM_NRMCHK] = 0;
    TRIMDL[TM_NNOD] = TRIMDL[TM_NODCAP] = 0;
}

void FRESRF(i32& handle)
{
    if (handle < 0) return;
    i32 st = 0, h = handle;
    MM_CLOSE(handle, st);
    if (st != 0) {
        eroutc("FRESRF,CANT CLOSE ARRAY SRFKEY!", 0);
        return;
    }
    if (h == TRIMDL[TM_SRFHDL]) {
        // the model's own array: the model keeps no surface records
        TRIMDL[TM_SRFHDL] = -1;
        TRIMDL[TM_SRFCHK] = TRIMDL[TM_NSRF] = TRIMDL[TM_SRFCAP] = 0;
    }
}

// ------------------------------------------------------------ surface records

namespace {
i32* record(i32 k) { return srfbas() + static_cast<size_t>(k) * SRF_WORDS; }
i32 nrec() { return srfbas() ? TRIMDL[TM_NSRF] : 0; }
}  // namespace

void SRKFND(const i32& id, i32& recno)
{
    recno = -1;
    for (i32 k = 0; k < nrec(); ++k)
        if (record(k)[SRF_ID] == id) {
            recno = k + 1;
            return;
        }
}

void SRKSTA(const i32* states, i32& status)
{
    status = 0;
    for (i32 k = 0; k < nrec(); ++k) {
        i32 idx = record(k)[SRF_INDEX];
        if (idx >= 1) record(k)[SRF_CLASS] = states[idx - 1];
    }
}

void SRKON(i32& status)
{
    status = 0;
    for (i32 k = 0; k < nrec(); ++k)
        if (record(k)[SRF_CLASS] == SCL_CHECK) record(k)[SRF_CLASS] = SCL_ACTIVE;
    SRKPRJ = 1;
    if (SRKUSE) SRKUSE(1);
}

void SRKOFF(i32& status)
{
    status = 0;
    for (i32 k = 0; k < nrec(); ++k) {
        i32* r = record(k);
        if (r[SRF_SAVCLS] >= 0) {
            r[SRF_CLASS] = r[SRF_SAVCLS];
            r[SRF_SAVCLS] = -1;
        }
        if (r[SRF_CLASS] == SCL_ACTIVE) r[SRF_CLASS] = SCL_CHECK;
    }
    SRKPRJ = 0;
    if (SRKUSE) SRKUSE(0);
}

namespace {
void narrow(const i32* ids, i32 n, bool listed)
{
    for (i32 k = 0; k < nrec(); ++k) {
        i32* r = record(k);
        bool in = false;
        for (i32 j = 0; j < n && !in; ++j) in = ids[j] == r[SRF_ID];
        if (in != listed) continue;
        if (r[SRF_SAVCLS] < 0) r[SRF_SAVCLS] = r[SRF_CLASS];
        r[SRF_CLASS] = SCL_IGNORED;
    }
}
}  // namespace

void SRKCLR(const i32* ids, const i32& n) { narrow(ids, n, false); }
void SRKCLI(const i32* ids, const i32& n) { narrow(ids, n, true); }
