#include "passes/orient.h"

#include <cmath>
#include <string>

#include "core/host.h"
#include "core/params.h"
#include "core/records.h"
#include "core/ptwarn.h"

namespace {

constexpr f32 ZUP[3] = {0.0f, 0.0f, 1.0f};

f32 dot(const f32* a, const f32* b) { return static_cast<f32>(f64(a[0]) * b[0] + f64(a[1]) * b[1] + f64(a[2]) * b[2]); }

// The message of a tool position the surface orientation does not allow,
// after the name of the routine that reports it.
std::string no_position(const char* who)
{
    return std::string(who) + ",CALCULATING THE TOOL POSITION ACCORDING TO THE SURFACE ORIENTATION|       IS NOT POSSIBLE";
}

// The normal from the tangents of the surface point record, made unit;
// false (status negative) when the tangents give no direction.
bool bldnrm(const f32* sp, const i32& nsrc, f32* normal, i32& status)
{
    status = 0;
    if (nsrc == 0) return true;
    if (nsrc == 1)
        v3cros(sp + 3, sp + 6, normal);
    else
        v3cros(sp + 6, sp + 3, normal);
    f32 len = 0;
    v3unit(normal, len, status);
    return status >= 0;
}

// Index of the coordinate along the rotary axis, -1 for a kind not served.
i32 rotidx()
{
    switch (RAXN[0]) {
    case 1: return 0;
    case 2: return 1;
    case 5: return 2;
    default: return -1;
    }
}

void rotref(f32* p)
{
    for (i32 k = 0; k < 3; ++k) p[k] = wrd2r(NPT1[NPT1_ORIGIN + k]);
}

// v with its component along the rotary axis removed, made unit; when that
// cannot be done the position is reported impossible in the name of routine
// `who` and the answer is false.
bool offrot(f32* v, const char* who, i32& status)
{
    const i32 k = rotidx();
    if (k < 0) {
        status = -1;
    } else {
        v[k] = 0.0f;
        f32 len = 0;
        v3unit(v, len, status);
    }
    if (status < 0) eroutc(no_position(who).c_str(), 0);
    return status >= 0;
}

// Places the tool with the unit axis v: the normal and the point are turned
// into the frame of v, placed there and turned back. With undercut_ok the
// under-cut status counts as a success.
void inframe(const f32& d, const f32& r, const f32& a, const f32* sp, const f32* normal, const f32* v, bool undercut_ok,
             const char* zero_msg, f32* pos, i32& status)
{
    f32 m[9];
    const f32 org[3] = {0, 0, 0};
    zsys3(org, v, m, status);
    if (status < 0) {
        eroutc(zero_msg, 0);
        status = -1;
        return;
    }
    f32 lsp[9], ln[3], lpos[3];
    m3vec(m, sp, lsp);
    for (i32 k = 3; k < 9; ++k) lsp[k] = sp[k];
    m3vec(m, normal, ln);
    TLTIPO(d, r, a, lsp, 0, ln, lpos, status);
    if (status < 0 && !(undercut_ok && status == -2)) return;
    f32 mt[9];
    m3tpos(m, mt);
    m3vec(mt, lpos, pos);
    for (i32 k = 0; k < 3; ++k) pos[3 + k] = v[k];
    status = 0;
}

// Position of the torus for the axis v (no taper): corner centre on the
// normal, the flat radius across v.
void torpos(const f32& r, f32 f, const f32* sp, const f32* normal, const f32* v, f32* pos)
{
    f32 w[3] = {0, 0, 0};
    if (f != 0.0f) {
        const f32 nv = dot(normal, v);
        for (i32 k = 0; k < 3; ++k) w[k] = normal[k] - nv * v[k];
        f32 len = 0;
        i32 st = 0;
        v3unit(w, len, st);
        // An axis along the normal within rounding leaves no direction
        // across it: the flat bottom lies on the point.
        if (st < 0 || len < 1.0e-5f) {
            w[0] = w[1] = w[2] = 0;
            f = 0;
        }
    }
    for (i32 k = 0; k < 3; ++k) pos[k] = sp[k] + r * normal[k] - r * v[k] + f * w[k];
    for (i32 k = 0; k < 3; ++k) pos[3 + k] = v[k];
}

// The tool's reference point q, the surface point or for a ball end (f = 0)
// the ball's centre, and u, the direction to it from the rotary axis's origin.
void from_axis(const f32& r, f32 f, const f32* sp, const f32* normal, f32* q, f32* u)
{
    f32 ref[3];
    for (i32 k = 0; k < 3; ++k) q[k] = f != 0.0f ? sp[k] : sp[k] + r * normal[k];
    rotref(ref);
    for (i32 k = 0; k < 3; ++k) u[k] = q[k] - ref[k];
}

// Places the tool with the unit axis w: the torus for a flat radius f, else
// the ball's tip r below its centre q.
void place_on(const f32& r, f32 f, const f32* sp, const f32* normal, const f32* q, const f32* w, f32* pos)
{
    if (f != 0.0f) {
        torpos(r, f, sp, normal, w, pos);
        return;
    }
    for (i32 k = 0; k < 3; ++k) {
        pos[k] = q[k] - r * w[k];
        pos[3 + k] = w[k];
    }
}

f64 sqrt0(f64 x) { return x <= 0.000001 ? 0.0 : std::sqrt(x); }


// Places the four-axis tool with the axis v turned off the rotary axis (when
// that cannot be done it is reported in the name of routine `who`). An
// under-cut in the axis frame is kept as a position, with or without lead and
// tilt.
void in_axis_frame(const f32& d, const f32& r, const f32& a, const f32* sp, const f32* normal, f32* v,
                   const char* who, f32* pos, i32& status)
{
    if (!offrot(v, who, status)) return;
    inframe(d, r, a, sp, normal, v, true, "TOL4P1,THE ROTATION AXIS IS A ZEROED  VECTOR!", pos, status);
}

// The axis v leaned from the normal by lead and tilt (degrees) about the
// direction of motion; when that cannot be done the text is posted, status -1.
bool leaned(const f32* normal, const f32* dir, const f32& lead, const f32& tilt, f32* v, const char* failed,
            i32& status)
{
    rot_2rang(normal, dir, radian(lead), radian(tilt), v, status);
    if (status >= 0) return true;
    eroutc(failed, 0);
    status = -1;
    return false;
}

using Plain4 = void (*)(const f32&, const f32&, const f32&, const f32*, const i32&, f32*, f32*, i32&);
using Leaned4 = void (*)(const f32&, const f32&, const f32&, const f32*, const f32*, const f32*, const f32&,
                         const f32&, f32*, i32&);

// A four-axis position: the normal built, then the plain placement when lead
// and tilt are zero, else the leaned one.
void four_axis(Plain4 plain, Leaned4 lean, const f32& d, const f32& r, const f32& a, const f32* sp, const i32& nsrc,
               const f32* dir, f32* normal, const f32& lead, const f32& tilt, f32* pos, i32& status)
{
    if (!bldnrm(sp, nsrc, normal, status)) return;
    if (eqval0(lead) && eqval0(tilt))
        plain(d, r, a, sp, 0, normal, pos, status);
    else
        lean(d, r, a, sp, dir, normal, lead, tilt, pos, status);
}
}  // namespace

void TLTIPO(const f32& d, const f32& r, const f32& a, const f32* sp, const i32& nsrc, f32* normal, f32* pos,
            i32& status)
{
    status = 0;
    const f64 arad = radian(a);
    const f64 dd = a != 0.0f ? r * (1.0 - std::sin(arad)) / std::cos(arad) : f64(r);
    const f32 f = static_cast<f32>(0.5 * d - dd);
    if (nsrc != 0) {
        if (MACTYP == MACTYP_ONESURF) {
            normal[0] = 0, normal[1] = 0, normal[2] = 1;
        } else {
            i32 st = 0;
            if (!bldnrm(sp, nsrc, normal, st)) {
                WRNPNT("WARNING: NORMAL TO SURFACE IS UNDEFINED AT:", 3, sp, " ");
                status = -1;
                return;
            }
        }
    }
    f32 m[3] = {normal[0], normal[1], normal[2]};
    if (std::fabs(1.0f - std::fabs(m[2])) <= 0.000005f && f != 0.0f) {
        m[0] = m[1] = 0.0f;
        m[2] = normal[2] < 0 ? -1.0f : 1.0f;
    }
    if (std::fabs(m[2]) < 0.05f) status = 1;
    if (m[2] < -0.0001f) status = -2;
    if (a != 0.0f) {
        const f32 cz = static_cast<f32>(std::cos(radian(90.0f - a)));
        if (ltval(m[2], cz)) {
            m[2] = cz;
            f32 len = 0;
            i32 st = 0;
            v3unit(m, len, st);
            if (status != -2) status = -1;
        }
    }
    for (i32 k = 0; k < 3; ++k) pos[k] = sp[k] + r * m[k];
    f32 h[3] = {m[0], m[1], m[2]};
    f32 len = 0;
    i32 st = 0;
    v2unit(h, len, st);
    if (st < 0) {
        if (status == 0) status = 2;
        for (i32 k = 0; k < 3; ++k) pos[k] = sp[k];
        if (m[2] < 0) pos[2] -= 2.0f * r;
        return;
    }
    pos[0] += f * h[0];
    pos[1] += f * h[1];
    pos[2] -= r;
}

void TL3POS(const f32& d, const f32& r, const f32& a, const f32* sp, const i32& nsrc, f32* normal, f32* pos,
            i32& status, i32& warn)
{
    TLTIPO(d, r, a, sp, nsrc, normal, pos, status);
    if (status == -2 && warn != 0) {
        WRNPNT("WARNING: THERE IS AN UNDER-CUT AT:", 3, sp, " ");
        warn = 0;
    }
    if (status == -1 && warn != 0 && a > 0.0f) {
        WRNPNT("WARNING: THE TOOL GOUGES THE SURFACE AT:", 3, sp, "|DUE TO LARGE TAPER ANGLE");
        msg_mdls(320, 40);
        warn = 0;
    }
}

void TL5POS(const f32& d, const f32& r, const f32& a, const f32* sp, const i32& nsrc, const f32* dir, f32* normal,
            const f32& lead, const f32& tilt, f32* pos, i32& status)
{
    if (!bldnrm(sp, nsrc, normal, status)) return;
    if (eqval0(lead) && eqval0(tilt)) {
        for (i32 k = 0; k < 3; ++k) {
            pos[k] = sp[k];
            pos[3 + k] = normal[k];
        }
        status = 0;
        return;
    }
    TL5PN1(d, r, a, sp, dir, normal, lead, tilt, pos, status);
}

void TL4SPO(const f32& d, const f32& r, const f32& a, const f32* sp, const i32& nsrc, const f32* dir, f32* normal,
            const f32& lead, const f32& tilt, f32* pos, i32& status)
{
    four_axis(TOL4PT, TOL4P1B, d, r, a, sp, nsrc, dir, normal, lead, tilt, pos, status);
}

void TL4APO(const f32& d, const f32& r, const f32& a, const f32* sp, const i32& nsrc, const f32* dir, f32* normal,
            const f32& lead, const f32& tilt, f32* pos, i32& status)
{
    four_axis(TOL4P1, TL4PN1, d, r, a, sp, nsrc, dir, normal, lead, tilt, pos, status);
}

void TL5PN1(const f32& d, const f32& r, const f32& a, const f32* sp, const f32* dir, const f32* normal,
            const f32& lead, const f32& tilt, f32* pos, i32& status)
{
    f32 v[3];
    if (!leaned(normal, dir, lead, tilt, v, "TL5PN1, UNALBE TO CALCULATE THE LEADING AND TILTING VECTOR", status)) return;
    // An under-cut in the frame of the leaned axis is taken as the four-axis
    // leaned placement takes it: the position turned back and the axis
    // written, status 0. The point stands as a success for the pass line
    // either way, and a position left in the axis frame with no axis would
    // put the tool somewhere else entirely.
    inframe(d, r, a, sp, normal, v, true, "TL5PN1, THE ROTATION AXIS IS A ZEROED  VECTOR!", pos, status);
}

void TL4PN1(const f32& d, const f32& r, const f32& a, const f32* sp, const f32* dir, const f32* normal,
            const f32& lead, const f32& tilt, f32* pos, i32& status)
{
    f32 v[3];
    if (!leaned(normal, dir, lead, tilt, v, "TL4PN1,UNALBE TO CALCULATE THE LEADING AND TILTING VECTOR", status)) return;
    in_axis_frame(d, r, a, sp, normal, v, "TOL4N1", pos, status);
}

void TOL4P1(const f32& d, const f32& r, const f32& a, const f32* sp, const i32& nsrc, f32* normal, f32* pos,
            i32& status)
{
    if (!bldnrm(sp, nsrc, normal, status)) return;
    f32 v[3] = {normal[0], normal[1], normal[2]};
    in_axis_frame(d, r, a, sp, normal, v, "TOL4PT", pos, status);
}

void TOL4PT(const f32& d, const f32& r, const f32& a, const f32* sp, const i32& nsrc, f32* normal, f32* pos,
            i32& status)
{
    if (!bldnrm(sp, nsrc, normal, status)) return;
    const f32 f = 0.5f * d - r;
    f32 q[3], u[3];
    from_axis(r, f, sp, normal, q, u);
    if (!offrot(u, "TOL4PT", status)) return;
    if (dot(u, normal) < 0)
        for (f32& c : u) c = -c;
    place_on(r, f, sp, normal, q, u, pos);
    status = 0;
}

void TOL4P1B(const f32& d, const f32& r, const f32& a, const f32* sp, const f32* dir, const f32* normal,
             const f32& lead, const f32& tilt, f32* pos, i32& status)
{
    const f32 f = 0.5f * d - r;
    f32 q[3], u[3], w[3];
    from_axis(r, f, sp, normal, q, u);
    f32 len = 0;
    v3unit(u, len, status);
    if (status < 0) {
        eroutc(no_position("TOL4P1B").c_str(), 0);
        return;
    }
    if (dot(u, normal) < 0)
        for (f32& c : u) c = -c;
    if (!leaned(u, dir, lead, tilt, w, "TOL4P1B,UNALBE TO CALCULATE THE LEADING AND TILTING VECTOR", status)) return;
    if (!offrot(w, "TOL4P1B", status)) return;
    place_on(r, f, sp, normal, q, w, pos);
    status = 0;
}

void PRPPNT(const f32* a, const f32* b, const f32& side, f32* result)
{
    const f32 dx = a[0] - b[0], dy = a[1] - b[1];
    result[0] = a[0] + (side > 0 ? -dy : dy);
    result[1] = a[1] + (side > 0 ? dx : -dx);
    result[2] = a[2];
}

void SCLHT3(const f32& d, const f32& r, const i32& flag1, const i32& flag2, const f32* p1, const f32* p2,
            const f32* dir, f32& height, i32& status)
{
    const f64 D = d, R = r, rb = 0.5 * D, f = 0.5 * (D - 2.0 * R);
    const f64 ex = f64(p2[0]) - p1[0], ey = f64(p2[1]) - p1[1];
    const f64 dxy = std::hypot(ex, ey), dz = std::fabs(f64(p1[2]) - p2[2]);
    if (eqvl0d(dxy) && eqvl0d(dz)) {
        height = 0.0f;
        status = 0;
        return;
    }
    status = -1;
    height = 1000.0f;
    if (dxy > D) return;
    status = 0;
    const f64 hb = rb - sqrt0(rb * rb - dxy * dxy / 4.0);
    height = static_cast<f32>(hb);
    if (flag1 == 1 && flag2 == 1) return;

    struct P2 {
        f64 x, z;
    };
    // Lower intersection of the circles of radius R about c1 and c2.
    auto lowx = [&](P2 c1, P2 c2) {
        const f64 mx = 0.5 * (c1.x + c2.x), mz = 0.5 * (c1.z + c2.z);
        const f64 ax = c2.x - c1.x, az = c2.z - c1.z, l = std::hypot(ax, az);
        f64 nx = 0, nz = -1;
        if (l > 0) {
            nx = -az / l, nz = ax / l;
            if (nz > 0) nx = -nx, nz = -nz;
        }
        const f64 s = sqrt0(R * R - l * l / 4.0);
        return P2{mx + s * nx, mz + s * nz};
    };
    const P2 ch{f, dz + R}, chp{-f, dz + R}, cl{dxy - f, R};
    P2 k{};
    if (dxy <= f + rb && R <= dxy) {
        if (R <= dz) {
            k = {dxy - rb, dz};
        } else {
            const f64 x = dxy - f - sqrt0(R * R - (dz - R) * (dz - R));
            k = x <= f ? P2{x, dz} : lowx(ch, cl);
        }
    } else if (dxy <= f + rb) {
        const f64 s = sqrt0(R * R - dxy * dxy);
        if (dz <= R - s) {
            const f64 x = dxy - f - sqrt0(R * R - (R - dz) * (R - dz));
            k = x <= f ? P2{x, dz} : lowx(chp, cl);
        } else {
            const f64 s2 = sqrt0(R * R - (R - dxy) * (R - dxy));
            k = s2 <= dz ? P2{dxy - rb, dz + R - s2} : lowx(chp, cl);
        }
    } else {
        const f64 e = dxy - rb - f;
        const P2 kk{dxy - rb, dz + R - sqrt0(R * R - e * e)};
        k = kk.z >= R ? kk : lowx(ch, cl);
    }
    f64 ux = dxy, uz = -dz;
    const f64 ul = std::hypot(ux, uz);
    ux /= ul, uz /= ul;
    const P2 t{chp.x + R * uz, chp.z - R * ux};
    const f64 ht = std::fabs((k.x - t.x) * uz - (k.z - t.z) * ux);
    // Blend by how much the direction runs across the line between the positions.
    // Positions that coincide in XY give no line to run across: the
    // direction takes no part (w = 0) rather than a division by nothing.
    f64 w = 0;
    if (dxy > 0) w = std::fabs((f64(dir[0]) * -ey + f64(dir[1]) * ex) / dxy);
    if (eqvald(w, 1.0))
        height = static_cast<f32>(w * hb);
    else
        height = static_cast<f32>(w * hb + (1.0 - w) * ht);
}

void SCLHTA(const f32& d, const f32& r, const i32& flag1, const i32& flag2, const f32* p1, const f32* p2,
            const f32* axis1, const f32* axis2, const f32* mean, f32& height, i32& status)
{
    // The rotation that takes the mean axis to Z: the rows of the frame
    // whose z axis points from the origin along it (a frame with that third
    // row turns the axis onto Z; the heights across the positions do not
    // depend on how the frame turns about it).
    f32 m[9];
    const f32 org[3] = {0, 0, 0};
    zsys3(org, mean, m, status);
    if (status < 0) return;
    f32 q1[3], q2[3];
    m3vec(m, p1, q1);
    m3vec(m, p2, q2);
    const f32 rr = 0.5f * d;
    SCLHT3(d, rr, flag1, flag2, q1, q2, ZUP, height, status);
}

void RNGVAL(const f32& t, const f32* range, f32& result) { result = range[0] + t * (range[1] - range[0]); }

void RNGFRC(const f32& v, const f32* range, f32& result) { result = v / (range[1] - range[0]); }
