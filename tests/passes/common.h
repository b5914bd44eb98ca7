// Test surfaces, tools and the pass set-up shared by the pass tests.
#pragma once

#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "blocks/marker.h"
#include "core/host.h"
#include "core/params.h"
#include "core/records.h"
#include "passes/ncevs.h"
#include "passes/onepas.h"
#include "core/params.h"
#include "passes/pasdat.h"
#include "passes/srfgeo.h"
#include "platform/norak/norak.h"
#include "surfaces/srfbuf.h"
#include "tests/common/hostreset.h"
#include "tests/passes/checker.h"
#include "tests/surfaces/shapes.h"
#include "tools/toolcache.h"

namespace pt {

constexpr i32 BALL = 101, FLAT = 102, TORUS = 103, TAPER = 104;

inline const char* TOOLS =
    R"({"kind":"tool","id":101,"type":"MILL","name":"BALL 10","diameter":10,"corner_radius":5},)"
    R"({"kind":"tool","id":102,"type":"MILL","name":"FLAT 10","diameter":10,"corner_radius":0},)"
    R"({"kind":"tool","id":103,"type":"MILL","name":"TORUS 10 R2","diameter":10,"corner_radius":2},)"
    R"({"kind":"tool","id":104,"type":"MILL","name":"TAPER 10 R1 10DEG","diameter":10,"corner_radius":1,"taper":10})";

inline chk::Tool tool_of(i32 id)
{
    switch (id) {
    case BALL: return {10, 5, 0};
    case FLAT: return {10, 0, 0};
    case TORUS: return {10, 2, 0};
    default: return {10, 1, 10};
    }
}

// A plane rising 20 degrees in x: 100 x 80.
inline std::string tilted_plane(int id)
{
    std::ostringstream s;
    s << R"({"kind":"plane_patch","id":)" << id
      << R"(,"origin":[0,0,5],"u_axis":[1,0,0.36397],"v_axis":[0,1,0],"u":[0,100],"v":[0,80]})";
    return s.str();
}

// The top of a horizontal cylinder of radius rc about the x axis, x from 0
// to 100, 50 degrees each side of the top; u along x, v the angle.
inline std::string top_cylinder(int id, double rc = 40, double a0 = -50, double a1 = 50)
{
    std::ostringstream s;
    s << R"({"kind":"revolution","id":)" << id << R"(,"origin":[0,0,0],"axis":[1,0,0],"ref":[0,0,1],"angle":[)" << a0
      << "," << a1 << R"(],"profile":{"degree":1,"count":2,"knots":[0,0,1,1],"points":[[)" << rc << ",0,0],[" << rc
      << ",0,100]]}}";
    return s.str();
}

// A convex cap over 100 x 80, one bicubic patch holding the quadratic
// z = 13.6 + 48.2u - 40u^2 + 22.4v - 19.2v^2 - 6.4uv exactly (x = 100u, y = 80v).
inline std::string dome(int id)
{
    const double b2[4] = {0, 0, 1.0 / 3, 1};
    std::ostringstream s;
    s.precision(17);
    s << R"({"kind":"nurbs_surface","id":)" << id
      << R"(,"degree":[3,3],"counts":[4,4],"u_knots":[0,0,0,0,1,1,1,1],"v_knots":[0,0,0,0,1,1,1,1],"points":[)";
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 4; ++i) {
            const double z = 13.6 + 48.2 * i / 3 - 40 * b2[i] + 22.4 * j / 3 - 19.2 * b2[j] - 6.4 * (i / 3.0) * (j / 3.0);
            s << (i + j ? "," : "") << "[" << 100.0 * i / 3 << "," << 80.0 * j / 3 << "," << z << "]";
        }
    s << "]}";
    return s.str();
}

inline void host(const std::vector<std::string>& surfaces)
{
    hostreset::empty_host();
    std::string ents = TOOLS;
    for (const auto& e : surfaces) ents += "," + e;
    norak::load_session_text(R"({"entities":[)" + ents + "]}");
    chk::described().clear();
    for (const auto& e : surfaces) {
        const nlohmann::json d = nlohmann::json::parse(e);
        if (d.contains("id")) chk::described()[d["id"].get<int>()] = d;
    }
    TLTINI();
}

inline std::vector<f64>& buf()
{
    static std::vector<f64> b(SB_CAP);
    return b;
}

// The largest component of the pass strings' tool axes along the coordinate.
inline double largest_axis_component(int coordinate)
{
    double worst = 0;
    for (int k = 0; k < PASSTR.PSNPNT; ++k)
        worst = std::max(worst, std::fabs(f64(PASSTR.PSVECS[k][coordinate])));
    return worst;
}

// Side of a surface whose normal at the middle points up.
inline i32 upside(i32 id)
{
    i32 st = 0;
    LDSRFB(id, buf().data(), st);
    f32 u0, u1, v0, v1, e[9], n[3];
    SBFUVR(1, buf().data(), u0, u1, v0, v1, st);
    evsrfn(buf().data(), 0.5f * (u0 + u1), 0.5f * (v0 + v1), 2, e, n, st);
    return n[2] >= 0 ? 1 : -1;
}

// Runs the case over the four-axis set-up (the cylinder about X on top and
// the tilted plane, the rotary axis' origin at zero): about X and about Y,
// for the axis variants 1 and 4, on each surface. The case gets the
// coordinate across the rotary axis. A fatal failure ends the runs.
inline void each_four_axis_case(const std::function<void(i32 rotary, i32 across, i32 sub, i32 id)>& run)
{
    host({top_cylinder(1), tilted_plane(2)});
    for (i32 k = 0; k < 3; ++k) NPT1[NPT1_ORIGIN + k] = r2wrd(0.0f);
    for (const i32 rotary : {1, 2}) {
        RAXN[0] = rotary;
        const i32 across = rotary == 1 ? 0 : 1;
        for (i32 sub : {1, 4})
            for (i32 id : {1, 2}) {
                run(rotary, across, sub, id);
                if (::testing::Test::HasFatalFailure()) return;
            }
    }
    RAXN[0] = 0;
}

// Parameters of a run: axis mode, tolerance, lead and working tilt.
inline void params(i32 axmode, f32 tol, f32 lead = 0, f32 tilt = 0)
{
    std::memset(PRCPAR, 0, sizeof PRCPAR);
    pw(AXSMOD) = axmode;
    pw(AXSSUB) = 1;
    pw(STPMOD) = 1;
    pw(GCHMOD) = 1;
    pw(ALLPAS) = 1;
    pw(CLNFLG) = 2;
    pw(UDSWCH) = 1;
    pw(TLTREF) = 1;
    pw(MAXPAS) = 99999;
    pws(PRTTOL, tol);
    pws(WRKTOL, tol);
    pws(RLXTOL, 1.5f * tol);
    pws(AXSTRN, 5.0f);
    pws(LEADAN, lead);
    pws(TILTAN, tilt);
    pws(TLTCMP, tilt);
    MACTYP = MACTYP_SURFACES;
    SRFEVL = 1;
}

// The geometry of a chain of surfaces, each with its side and the limit
// layout `mode`, and the pass table as the limits give it.
inline void chain(const std::vector<i32>& ids, const std::vector<i32>& sides, i32 mode = 4)
{
    std::memset(&SRFGEO, 0, sizeof SRFGEO);
    std::memset(&PASTAB, 0, sizeof PASTAB);
    SRFGEO.NSRF = static_cast<i32>(ids.size());
    SRFGEO.CUTFLP = 1;
    for (size_t k = 0; k < ids.size(); ++k) {
        SRFGEO.SRFIDS[k] = ids[k];
        SRFGEO.SRFSID[k] = sides[k];
        SRFGEO.SRFLNK[k] = k == 0 ? 1 : 0;
        i32 st = 0;
        LDSRFB(ids[k], buf().data(), st);
        f32 u0, u1, v0, v1, lim[6];
        SBFUVR(1, buf().data(), u0, u1, v0, v1, st);
        LIMSET(mode, u0, u1, v0, v1, SRFGEO.LIMREC[k], SRFGEO.CRNREC[k]);
        std::memcpy(SRFGEO.LIMORG[k], SRFGEO.LIMREC[k], sizeof SRFGEO.LIMREC[k]);
        SBFLIM(1, buf().data(), lim, st);
        const i32* l = SRFGEO.LIMREC[k];
        PASTAB.PCODE[k] = l[LR_CODE];
        PASTAB.PSTART[k] = limr(l, LR_FST);
        PASTAB.PEND[k] = limr(l, LR_FEND);
        PASTAB.ASTART[k] = limr(l, LR_SST);
        PASTAB.AEND[k] = limr(l, LR_SEND);
        PASTAB.PCUR[k] = PASTAB.PSTART[k];
        PASTAB.USTEP[k] = std::fabs(lim[2]);
        PASTAB.VSTEP[k] = std::fabs(lim[5]);
    }
}

// One pass over surface i at the fraction t of its stepping range.
inline i32 onepass(i32 i, f32 t, i32 rev = 0)
{
    const i32 x = i - 1;
    PASTAB.PCUR[x] = PASTAB.PSTART[x] + t * (PASTAB.PEND[x] - PASTAB.PSTART[x]);
    RSTPAS();
    i32 st = 0, sign = 0, nearf = 0;
    PASSGN(i, sign, st);
    LDSRFB(SRFGEO.SRFIDS[x], buf().data(), st);
    SURPAS(3, i, buf().data(), nearf, rev, st);
    return st;
}

// Worst findings of a check of all pass positions and chords.
struct Findings {
    double touch = 0;      // largest |smallest distance| at a position
    double gouge = 0;      // deepest cut (positive) at a position
    double chord_air = 0;  // largest gap of a chord point above the surface
    double chord_cut = 0;  // deepest cut of a chord point
    int points = 0;
};

inline void unit(double* a)
{
    const double l = std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]);
    for (int k = 0; k < 3; ++k) a[k] /= l;
}

// Checks every position of the pass strings against the sampled surface;
// three-axis when `vertical`, else with the written tool axes.
inline Findings check_passes(const chk::Surface& s, const chk::Tool& t, bool vertical)
{
    Findings f;
    const PasStr& p = PASSTR;
    auto axis_of = [&](int k, double* a) {
        if (vertical) {
            a[0] = 0, a[1] = 0, a[2] = 1;
        } else {
            for (int c = 0; c < 3; ++c) a[c] = p.PSVECS[k][c];
            unit(a);
        }
    };
    int k0 = 0;
    for (int str = 0; str < p.PSNSTR; ++str) {
        const int n = p.PSSLEN[str];
        for (int k = k0; k < k0 + n; ++k) {
            double pos[3] = {p.PSPNTS[k][0], p.PSPNTS[k][1], p.PSPNTS[k][2]}, a[3];
            axis_of(k, a);
            const double d = chk::mindist(s, t, pos, a);
            f.touch = std::max(f.touch, std::fabs(d));
            f.gouge = std::max(f.gouge, -d);
            ++f.points;
            if (k + 1 >= k0 + n) continue;
            double b[3];
            axis_of(k + 1, b);
            // The chord sampled along its length, not only at its middle.
            for (double w : {0.25, 0.5, 0.75}) {
                double c[3], ca[3];
                for (int q = 0; q < 3; ++q) {
                    c[q] = p.PSPNTS[k][q] + w * (p.PSPNTS[k + 1][q] - p.PSPNTS[k][q]);
                    ca[q] = a[q] + w * (b[q] - a[q]);
                }
                unit(ca);
                const double dc = chk::mindist(s, t, c, ca);
                f.chord_air = std::max(f.chord_air, dc);
                f.chord_cut = std::max(f.chord_cut, -dc);
            }
        }
        k0 += n;
    }
    return f;
}

}  // namespace pt
