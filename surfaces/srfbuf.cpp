#include "surfaces/srfbuf.h"
#include "core/entity.h"

#include <cmath>
#include <cstring>

bool SRFBOK(const f64* buf)
{
    if (!buf || buf[SB_TAG] != SB_MAGIC) return false;
    f64 k = buf[SB_KIND], len = buf[SB_LEN];
    if (k != 1.0 && k != 2.0 && k != 3.0) return false;
    if (!(len >= SB_DATA && len <= SB_CAP)) return false;
    f64 t = buf[SB_TRIM];
    if (t != 0.0 && !(t >= SB_DATA && t < len)) return false;
    return buf[SB_LIM + 2] > 0.0 && buf[SB_LIM + 5] > 0.0;
}

void LDSRFB(const i32& id, f64* buf)
{
    i32 status = 0;
    LDSRFB(id, buf, status);
}

void LDSRFB(const i32& id, f64* buf, i32& status)
{
    buf[SB_TAG] = 0.0;
    i32 cls = 0, type = 0, len = 0;
    eopen(id, cls, type, len, status);
    if (status == 0 && cls == ESRF_CLASS && len > 2 * SB_CAP) {
        eclose();
        user1c("LDSRFB, SURFACE ENTITY LARGER THAN THE SURFACE BUFFER: ", id);
        status = -1;
        return;
    }
    if (status != 0 || cls != ESRF_CLASS || len < 2 * SB_DATA || len % 2 != 0) {
        if (status == 0) eclose();
        user1c("LDSRFB, NOT A SURFACE ENTITY: ", id);
        status = -1;
        return;
    }
    egetd(len / 2, buf);
    eclose();
    if (!SRFBOK(buf) || buf[SB_LEN] != len / 2) {
        buf[SB_TAG] = 0.0;
        eroutc("LDSRFB, BAD FORMAT OF SURFACE ENTITY", 0);
        status = -1;
        return;
    }
    status = 0;
}

void SBDLIM(const i32& mode, f64* buf, f64* lim, i32& status)
{
    status = -1;
    if (!SRFBOK(buf)) return;
    if (mode == 1) {
        for (int k = 0; k < 6; ++k) lim[k] = buf[SB_LIM + k];
    } else if (mode == 2) {
        if (!(lim[2] > 0.0) || !(lim[5] > 0.0)) return;
        for (int k = 0; k < 6; ++k) buf[SB_LIM + k] = lim[k];
    } else {
        return;
    }
    status = 0;
}

void SBFLIM(const i32& mode, f64* buf, f32* lim, i32& status)
{
    f64 d[6];
    for (int k = 0; k < 6; ++k) d[k] = mode == 2 ? f64(lim[k]) : 0.0;
    SBDLIM(mode, buf, d, status);
    if (status == 0 && mode == 1)
        for (int k = 0; k < 6; ++k) lim[k] = static_cast<f32>(d[k]);
}

void SBFMTX(const i32& mode, f64* buf, f32* origin, f32* matrix, i32& status)
{
    status = -1;
    if (!SRFBOK(buf)) return;
    if (mode == 1) {
        if (buf[SB_FRAME] != 1.0) return;
        for (int k = 0; k < 3; ++k) origin[k] = static_cast<f32>(buf[SB_ORIGIN + k]);
        for (int k = 0; k < 9; ++k) matrix[k] = static_cast<f32>(buf[SB_MATRIX + k]);
    } else if (mode == 2) {
        buf[SB_FRAME] = 1.0;
        for (int k = 0; k < 3; ++k) buf[SB_ORIGIN + k] = origin[k];
        for (int k = 0; k < 9; ++k) buf[SB_MATRIX + k] = matrix[k];
    } else {
        return;
    }
    status = 0;
}

void SBFPRM(const i32& mode, f64* buf, f32& value, i32& status)
{
    status = -1;
    if (!SRFBOK(buf) || buf[SB_SCALE] == 0.0) return;
    if (mode == 1) value = static_cast<f32>(buf[SB_OFFSET] * buf[SB_SCALE]);
    else if (mode == 2) buf[SB_OFFSET] = value / buf[SB_SCALE];
    else return;
    status = 0;
}

void SBDUVR(const i32& mode, const f64* buf, f64& umin, f64& umax, f64& vmin, f64& vmax, i32& status)
{
    status = -1;
    if (mode != 1 || !SRFBOK(buf)) return;
    umin = buf[SB_LIM];
    umax = buf[SB_LIM] + buf[SB_LIM + 1];
    vmin = buf[SB_LIM + 3];
    vmax = buf[SB_LIM + 3] + buf[SB_LIM + 4];
    status = 0;
}

void SBFUVR(const i32& mode, const f64* buf, f32& umin, f32& umax, f32& vmin, f32& vmax, i32& status)
{
    f64 a = 0, b = 0, c = 0, d = 0;
    SBDUVR(mode, buf, a, b, c, d, status);
    if (status != 0) return;
    umin = static_cast<f32>(a);
    umax = static_cast<f32>(b);
    vmin = static_cast<f32>(c);
    vmax = static_cast<f32>(d);
}

i32 CHKRVL(const f64* buf)
{
    if (!SRFBOK(buf)) {
        eroutc("CHKRVL - BAD FORMAT OF SURFACE BUFFER", 0);
        return 0;
    }
    if (buf[SB_KIND] != 3.0 || buf[SB_FRAME] != 1.0) return 0;
    const f64* z = buf + SB_MATRIX + 6;
    constexpr f64 tol = 1e-6;
    if (std::fabs(z[0]) > tol || std::fabs(z[1]) > tol) return 0;
    return z[2] > 0 ? 1 : -1;
}

namespace {
// A scratch buffer for the helpers that look at one surface.
f64 g_scratch[SB_CAP];
}  // namespace

void SRFPRS(const i32& mode, const i32& id, f32* values, i32& status)
{
    status = -1;
    if (mode != 1) return;
    LDSRFB(id, g_scratch, status);
    if (status != 0) return;
    values[0] = static_cast<f32>(g_scratch[SB_LIM]);
    values[1] = static_cast<f32>(g_scratch[SB_LIM + 1]);
    values[2] = static_cast<f32>(g_scratch[SB_LIM + 3]);
    values[3] = static_cast<f32>(g_scratch[SB_LIM + 4]);
}

void DBDSRX(const i32& mode, const i32& id, f64* values, i32& status)
{
    status = -1;
    if (mode != 1) return;
    LDSRFB(id, g_scratch, status);
    if (status != 0) return;
    if (g_scratch[SB_TRIM] != 0.0) {
        f32 box[6];
        trsbox(id, box, status);
        for (int k = 0; k < 6; ++k) values[k] = box[k];
        return;
    }
    srfbox(g_scratch, values, status);
}

void DBDUCS(const i32& mode, const i32& id, f32* origin, f32* matrix, f32& real, i32* name, i32& integer, i32& status)
{
    status = -1;
    if (mode != 1) return;
    i32 cls = 0, type = 0, len = 0, st = 0;
    eopen(id, cls, type, len, st);
    if (st != 0) return;
    if (cls != EC_UCS || type != ET_UCS) {
        eclose();
        return;
    }
    eskipi(3);
    egetr(1, &real);
    egetr(3, origin);
    egetr(9, matrix);
    egeti(2, name);
    egeti(1, &integer);
    eclose();
    status = 0;
}

void DBRVAL(const i32& mode, const i32& id, f32& value, i32& status)
{
    status = -1;
    if (mode != 1) return;
    i32 cls = 0, type = 0, len = 0, st = 0;
    eopen(id, cls, type, len, st);
    if (st != 0) return;
    if (cls != EC_PLANE || type != ET_PLANE || len < 4) {
        eclose();
        return;
    }
    eskipr(3);
    egetr(1, &value);
    eclose();
    status = 0;
}

void GCPT0(i32& id, const f32* point, i32& status)
{
    estore(1, 1, id, status);
    if (status != 0) {
        userrc("GCPT0: ERROR IN ESTORE", 0);
        if (status >= 0) status = -1;
        return;
    }
    f64 p[3] = {point[0], point[1], point[2]};
    eputd(3, p);
    eclose();
}

void LINE(i32& id, const f32* p1, const f32* p2, i32& status)
{
    estore(2, 1, id, status);
    if (status != 0) {
        userrc("LINE: ERROR IN ESTORE", 0);
        if (status >= 0) status = -1;
        return;
    }
    f64 p[6] = {p1[0], p1[1], p1[2], p2[0], p2[1], p2[2]};
    eputd(6, p);
    eclose();
}

void REJPCK(const i32& mode, i32& count)
{
    if (count > 0) pksrej(count);
    count = 0;
}

void PSHSRF(const i32& count, const i32* uids, const f32* refs)
{
    for (i32 k = 0; k < count; ++k) {
        i32 id = euid2id(uids[k]);
        if (id > 0) pkspsh(id);
    }
}
