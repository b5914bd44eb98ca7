// A fresh host and module state for the tests of the surface-milling
// procedure's callbacks: two plane patches side by side, a ball tool and a
// conic tool, a MILL 3X machine.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "blocks/geoslot.h"
#include "core/codedio.h"
#include "frame/defrel.h"
#include "core/host.h"
#include "core/params.h"
#include "frame/callbacks.h"
#include "core/records.h"
#include "passes/services.h"
#include "passes/srfgeo.h"
#include "platform/norak/norak.h"
#include "surfaces/srflist.h"
#include "tools/toolcache.h"
#include "tests/common/hostreset.h"

namespace proct {

inline const char* ENTITIES = R"(
  {"kind": "plane_patch", "id": 11, "origin": [0, 0, 0], "u_axis": [50, 0, 0], "v_axis": [0, 40, 0]},
  {"kind": "plane_patch", "id": 12, "origin": [50, 0, 0], "u_axis": [50, 0, 0], "v_axis": [0, 40, 0]},
  {"kind": "plane_patch", "id": 13, "origin": [0, 0, -5], "u_axis": [100, 0, 0], "v_axis": [0, 40, 0]},
  {"kind": "tool", "id": 101, "type": "MILL", "name": "BALL 10", "diameter": 10, "corner_radius": 5},
  {"kind": "tool", "id": 102, "type": "MILL", "name": "CONE 8", "diameter": 8, "corner_radius": 1, "taper": 10}
)";

// Resets host and module; replies are a JSON array text.
inline void fresh(const std::string& replies = "[]", i32 machine = 23)
{
    hostreset::empty_host();
    norak::load_session_text(std::string("{\"entities\": [") + ENTITIES + "], \"replies\": " + replies + "}");
    PRCCLR();
    std::memset(&SRFGEO, 0, sizeof SRFGEO);
    MACTYP = 2;
    std::memset(PRM9, 0, sizeof PRM9);
    std::memset(NPT1, 0, sizeof NPT1);
    std::memset(EDA2, 0, sizeof EDA2);
    std::memset(HEI8, 0, sizeof HEI8);
    std::memset(CLP1, 0, sizeof CLP1);
    std::memset(TLER, 0, sizeof TLER);
    PRM9[PRM9_TOOL] = 101;
    NPT1[NPT1_MACHINE] = machine;
    PRCGUS[0] = PRCGUS[1] = 0;
    i32 st = 0;
    reset_geom_slots(st);
    nc_surf_init(1, 1);
    SRMHOOK = nullptr;
    NPASS = 0;
}

// Two picked surfaces with their limit and corner records.
inline void two_surfaces()
{
    SrfGeo& g = SRFGEO;
    g.NSRF = 2;
    g.CUTFLP = 1;
    for (i32 i = 0; i < 2; ++i) {
        g.SRFIDS[i] = 11 + i;
        g.SRFUID[i] = euid(11 + i);
        g.SRFSID[i] = i == 0 ? 1 : -1;
        g.SRFLNK[i] = 1;
        g.LIMREC[i][0] = 1 + i;
        for (i32 w = 1; w < 5; ++w) g.LIMREC[i][w] = r2wrd(0.25f * w + i);
        for (i32 w = 0; w < 5; ++w) g.LIMORG[i][w] = g.LIMREC[i][w] + (w == 0 ? 0 : 7);
        g.CRNREC[i][0] = 0;
        for (i32 w = 1; w < 9; ++w) g.CRNREC[i][w] = r2wrd(0.125f * w);
    }
    g.GEODEF = 1;
    i32 n = 2, st = 0;
    nc_surf_list_count(2, 0, n, st);
    nc_surf_put(n, g.SRFIDS, g.SRFSID, st);
}

// A procedure set up with its defaults (relations and words).
inline void new_procedure()
{
    i32 st = 0;
    PRCINI(1, st);
    ASSERT_EQ(st, 0);
}

}  // namespace proct
