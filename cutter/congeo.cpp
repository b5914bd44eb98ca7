#include "cutter/congeo.h"

#include "core/host.h"
#include "surfaces/trimodel.h"
#include "tools/toolcache.h"

f64 CGCOTA, CGRCRN, CGRTP2, CGZAPX, CGCOT2, CGRTOP, CGTANA;
f32 CGAXIS[3];
f64 CGANGL, CGALLW, CGCOMP, CGLENE, CGLENG, CGRFLT, CGSINA, CGCOSA;

const i32* LOCSRB;
const f32* LOCNDB;
const i32* CNTSRB;
const f32* CNTNDB;

void TAPSET(const i32& tool_id)
{
    f32 d = 0, r = 0, l = 0, deg = 0;
    GTDIAM(tool_id, d);
    GTCRNR(tool_id, r);
    GTCUTL(tool_id, l);
    GTTAPA(tool_id, deg);
    f64 a = radian(deg), R = d * 0.5;
    CGANGL = a;
    CGSINA = std::sin(a);
    CGCOSA = std::cos(a);
    CGTANA = std::tan(a);
    CGCOTA = std::tan(PI * 0.5 - a);
    CGCOT2 = CGCOTA * CGCOTA;
    CGCOMP = PI * 0.5 - a;
    CGAXIS[0] = static_cast<f32>(CGCOSA);
    CGAXIS[1] = 0.0f;
    CGAXIS[2] = static_cast<f32>(CGSINA);
    CGRCRN = R + r * (1.0 - CGSINA) * CGTANA;
    CGRTP2 = R + l * CGTANA;
    // Asked for a tool without taper, the geometry has no apex: 0 stands in
    // for R / tan a rather than an infinity that later sums would carry.
    CGZAPX = CGTANA != 0.0 ? R / CGTANA : 0.0;
    CGRTOP = R + l * CGTANA;
    CGALLW = 0.0;
    CGLENE = l;
    CGLENG = l;
    // At a right-angled taper cos a is 0 and (1 - sin a) / cos a is 0 / 0;
    // it tends to 0 (it is about cos a / 2), so R, its limit, stands in.
    CGRFLT = CGCOSA != 0.0 ? R - r * (1.0 - CGSINA) / CGCOSA : R;
}

void TAPOFS(const f32& d, const f32& l, const f32& e, const f32& r)
{
    f64 R = d * 0.5, ee = e > 0.0f ? f64(e) : 0.0;
    CGRCRN = R + r * (1.0 - CGSINA) * CGTANA;
    CGRTOP = R + l * CGTANA - (1.0 / CGCOSA - 1.0) * ee;
    CGRTP2 = CGRTOP - (1.0 - CGCOSA) * ee;
    // The angle is the one TAPSET left; when that tool had no taper there is
    // no apex for the enlarged tool either, and 0 stands in for R' / tan a as
    // it does there, rather than an infinity that later sums would carry.
    CGZAPX = CGTANA != 0.0 ? R / CGTANA : 0.0;
    CGALLW = ee;
    CGLENE = l - ee * CGSINA;
    CGLENG = l;
    CGRFLT = R - r * (1.0 - CGSINA) / CGCOSA;
}

void TAPAXS(f32* axis)
{
    for (i32 k = 0; k < 3; ++k) axis[k] = CGAXIS[k];
}
void TAPRTP(f32& value) { value = static_cast<f32>(CGRTOP); }
void TAPRFL(f32& value) { value = static_cast<f32>(CGRFLT); }
void TAPALW(f32& value) { value = static_cast<f32>(CGALLW); }
void TAPLEN(f32& value) { value = static_cast<f32>(CGLENE); }

namespace {

void fetch(const i32& sh, const i32& nh, const i32*& srf, const f32*& nod, i32& status)
{
    void* a = nullptr;
    void* b = nullptr;
    mmcptr(sh, a);
    mmcptr(nh, b);
    srf = static_cast<const i32*>(a);
    nod = static_cast<const f32*>(b);
    status = 0;  // a closed model gives null bases: nothing lies under the tool
}

}  // namespace

void LOCPTR(const i32& surface_handle, const i32& node_handle, i32& status)
{
    fetch(surface_handle, node_handle, LOCSRB, LOCNDB, status);
}

void CNTPTR(const i32& surface_handle, const i32& node_handle, i32& status)
{
    fetch(surface_handle, node_handle, CNTSRB, CNTNDB, status);
}
