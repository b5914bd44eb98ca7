#include "passes/srfgeo.h"

#include <cstring>
#include <utility>

#include "core/host.h"
#include "core/params.h"
#include "passes/geodef.h"
#include "surfaces/sidearw.h"

SrfGeo SRFGEO;

void INIGEO()
{
    for (auto& r : SRFGEO.PCKRNG) { r[0] = 0; r[1] = -1; }
    if (MACTYP != MACTYP_ONESURF) SRFGEO.SIDFIG = 0;
    SRFGEO.CUTFIG[0] = SRFGEO.CUTFIG[1] = 0;
}

// Deletes the procedure's geometry: its surface lists and the arrows shown.
void DELGEO()
{
    i32 zero = 0, status = 0;
    if (MACTYP == MACTYP_ONESURF) {
        // The first list that cannot be deleted ends the release, arrows
        // included: as for the other machining types, the cut-direction
        // arrows go only with the surface lists they belong to, and stay
        // shown while a list of the geometry stays.
        for (i32 list = 0; list < 3 && status == 0; ++list) nc_surf_count(2, list, zero, status);
        if (status == 0) ARWDEL(2, SRFGEO.CUTFIG);
        return;
    }
    if (SRFGEO.NSRF > 0) ARWDEL(1, &SRFGEO.SIDFIG);
    nc_surf_count(2, 1, zero, status);
    if (status == 0) ARWDEL(2, SRFGEO.CUTFIG);
}

void GEOKEY(const i32& mode, i32& value)
{
    if (mode == 1) value = SRFGEO.GEOKWD;
    else SRFGEO.GEOKWD = value;
}

void SAVGEO()
{
    GeoSav& s = SRFGEO.GEOSAV;
    i32 n = 1;
    if (MACTYP != MACTYP_ONESURF) {
        s.count = SRFGEO.NSRF;
        for (i32 i = 0; i < SRFGEO.NSRF; ++i) {
            s.ids[i] = SRFGEO.SRFIDS[i];
            s.uids[i] = SRFGEO.SRFUID[i];
            s.sides[i] = SRFGEO.SRFSID[i];
        }
        n = SRFGEO.NSRF;
    }
    for (i32 i = 0; i < n && i < MAXSRF; ++i) {
        s.links[i] = SRFGEO.SRFLNK[i];
        for (i32 w = 0; w < LIMR_N; ++w) s.lim[w][i] = SRFGEO.LIMREC[i][w];
    }
}

void CHGGEO(i32& changed)
{
    const GeoSav& s = SRFGEO.GEOSAV;
    i32 n = 1;
    if (MACTYP != MACTYP_ONESURF) {
        if (s.count != SRFGEO.NSRF) { changed = 1; return; }
        for (i32 i = 0; i < SRFGEO.NSRF; ++i)
            if (s.ids[i] != SRFGEO.SRFIDS[i] || s.sides[i] != SRFGEO.SRFSID[i]) { changed = 1; return; }
        n = SRFGEO.NSRF;
    }
    for (i32 i = 0; i < n && i < MAXSRF; ++i) {
        const i32* r = SRFGEO.LIMREC[i];
        bool diff = s.lim[0][i] != r[0] || s.links[i] != SRFGEO.SRFLNK[i];
        for (i32 w = 1; w < LIMR_N && !diff; ++w) diff = neval(wrd2r(s.lim[w][i]), wrd2r(r[w])) != 0;
        if (diff) { changed = 1; return; }
    }
}

void LIMKND(i32& kind)
{
    i32 same = 0;
    for (i32 i = 0; i < SRFGEO.NSRF; ++i)
        if (eqval(limr(SRFGEO.LIMREC[i], LR_FST), limr(SRFGEO.LIMREC[i], LR_FEND))) ++same;
    if (same == 0) kind = 0;
    else kind = same == SRFGEO.NSRF ? 1 : -1;
}

void GLMDIR(const i32& i, i32& code) { code = SRFGEO.LIMREC[i - 1][LR_CODE]; }

void GLMVAL(const i32& i, f32* values)
{
    for (i32 w = 0; w < 4; ++w) values[w] = limr(SRFGEO.LIMREC[i - 1], w + 1);
}

// ------------------------------------------------ limit and corner records

TrmBox TRMANA[MAXSRF];

void CLRGEO(i32& status)
{
    status = 0;
    if (MACTYP == MACTYP_ONESURF) {
        i32 zero = 0;
        nc_surf_count(2, 0, zero, status);
        if (status < 0) return;
    } else if (SRFGEO.NSRF > 0) {
        ARWDEL(1, &SRFGEO.SIDFIG);
    }
    FIGDAL();
    ARWDEL(2, SRFGEO.CUTFIG);
}

void LIMSET(const i32& mode, const f32& umin, const f32& umax, const f32& vmin, const f32& vmax, i32* lim, i32* crn)
{
    crn[CR_HELD] = 0;
    if (mode < 0 || mode > 7) return;
    const bool ufirst = (mode & 4) != 0;
    f32 f0 = ufirst ? umin : vmin, f1 = ufirst ? umax : vmax;
    f32 s0 = ufirst ? vmin : umin, s1 = ufirst ? vmax : umax;
    if (mode & 1) std::swap(f0, f1);
    if (mode & 2) std::swap(s0, s1);
    lim[LR_CODE] = ufirst ? 1 : 2;
    limput(lim, LR_FST, f0);
    limput(lim, LR_FEND, f1);
    limput(lim, LR_SST, s0);
    limput(lim, LR_SEND, s1);
}

void PARPAIR(const i32& code, const f32& first, const f32& second, f32* pair)
{
    pair[0] = code == 1 ? first : second;
    pair[1] = code == 1 ? second : first;
}

void SRFCNR(const i32& code, const i32* lim, const i32* crn, const i32& k, f32* pair)
{
    if (k < 0 || k > 3) return;
    if ((MACTYP == MACTYP_SURFACES || MACTYP == MACTYP_ONESURF) && crn[CR_HELD] == 0) {
        f32 f = limr(lim, (k & 1) ? LR_FEND : LR_FST);
        f32 s = limr(lim, (k & 2) ? LR_SEND : LR_SST);
        PARPAIR(code, f, s, pair);
        return;
    }
    pair[0] = wrd2r(crn[1 + 2 * k]);
    pair[1] = wrd2r(crn[2 + 2 * k]);
}

namespace {
void swap_corners(i32* crn, i32 a, i32 b)
{
    std::swap(crn[1 + 2 * a], crn[1 + 2 * b]);
    std::swap(crn[2 + 2 * a], crn[2 + 2 * b]);
}
}  // namespace

void CNRSWP1(i32* crn)
{
    swap_corners(crn, 0, 1);
    swap_corners(crn, 2, 3);
}

void CNRSWP2(i32* crn)
{
    swap_corners(crn, 0, 2);
    swap_corners(crn, 1, 3);
}

void TRMSET(const i32& i, const i32& mode, i32* lim, i32* crn)
{
    if (mode < 0 || mode > 7 || i < 0 || i >= MAXSRF) return;
    const TrmBox& t = TRMANA[i];
    LIMSET(mode, t.box[0], t.box[1], t.box[2], t.box[3], lim, crn);
    crn[CR_HELD] = 1;
    const i32 code = lim[LR_CODE];
    for (i32 k = 0; k < 4; ++k) {
        // The box corner of corner k: u at umax sets bit 0, v at vmax bit 1.
        const bool fmax = ((k & 1) != 0) != ((mode & 1) != 0);
        const bool smax = ((k & 2) != 0) != ((mode & 2) != 0);
        const bool umax = code == 1 ? fmax : smax, vmax = code == 1 ? smax : fmax;
        const f32* p = code == 1 ? t.ufirst[(umax ? 1 : 0) + (vmax ? 2 : 0)] : t.vfirst[(umax ? 1 : 0) + (vmax ? 2 : 0)];
        crn[1 + 2 * k] = r2wrd(p[0]);
        crn[2 + 2 * k] = r2wrd(p[1]);
    }
}

void TRMREC(const i32& i, const i32& code, i32* lim, i32* crn) { TRMSET(i, code == 1 ? 4 : 0, lim, crn); }

void TRMORI(const i32& i, i32* lim, i32* crn)
{
    if (i < 0 || i >= MAXSRF) return;
    TRMREC(i, lim[LR_CODE], lim, crn);
    const i32* org = SRFGEO.LIMORG[i];
    if (limr(org, LR_FST) > limr(org, LR_FEND)) {
        std::swap(lim[LR_FST], lim[LR_FEND]);
        CNRSWP1(crn);
    }
    if (limr(org, LR_SST) > limr(org, LR_SEND)) {
        std::swap(lim[LR_SST], lim[LR_SEND]);
        CNRSWP2(crn);
    }
}
