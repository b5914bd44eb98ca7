#include "passes/srfgeo.h"

#include <cstring>

#include "frame/host.h"
#include "frame/params.h"

SrfGeo SRFGEO;

void INIGEO()
{
    for (auto& r : SRFGEO.PCKRNG) { r[0] = 0; r[1] = -1; }
    if (MACTYP != 14) SRFGEO.SIDFIG = 0;
    SRFGEO.CUTFIG[0] = SRFGEO.CUTFIG[1] = 0;
}

// Deletes the procedure's geometry: its surface lists and the arrows shown.
void DELGEO()
{
    i32 zero = 0, status = 0;
    if (MACTYP == 14) {
        for (i32 list = 0; list < 3 && status == 0; ++list) nc_surf_count(2, list, zero, status);
        if (status == 0) SRFGEO.CUTFIG[0] = SRFGEO.CUTFIG[1] = 0;
        return;
    }
    if (SRFGEO.NSRF > 0) SRFGEO.SIDFIG = 0;
    nc_surf_count(2, 1, zero, status);
    if (status == 0) SRFGEO.CUTFIG[0] = SRFGEO.CUTFIG[1] = 0;
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
    if (MACTYP != 14) {
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
    if (MACTYP != 14) {
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
