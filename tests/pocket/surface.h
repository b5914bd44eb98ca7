// Shared set-up of the tests of pockets on the surfaces: a part meshed from
// a height field, a 3-D pocket over it, an empty tool path and the written
// straight moves read back.
#pragma once

#include <array>
#include <functional>
#include <vector>

#include "blocks/marker.h"
#include "blocks/movement.h"
#include "blocks/tech.h"
#include "cleanup/clrset.h"
#include "cleanup/mapgrid.h"
#include "core/host.h"
#include "core/params.h"
#include "cutter/loccom.h"
#include "pocket/luptab.h"
#include "pocket/pokmain.h"
#include "surfaces/trimodel.h"
#include "tests/common/meshes.h"
#include "tests/common/tooldefs.h"
#include "tests/pocket/common.h"

namespace pksrf {

using namespace pk;

using Field = std::function<f64(f64, f64)>;

inline f64 flat(f64, f64) { return 5.0; }
inline f64 tilted(f64 x, f64) { return 5.0 + 0.36397 * x; }
inline f64 bowl(f64 x, f64 y) { return 20.0 - 0.002 * ((x - 50.0) * (x - 50.0) + (y - 40.0) * (y - 40.0)); }

// The part: the field meshed over [-20, 120] x [-20, 100] in 1-unit cells.
inline void part(const Field& f)
{
    FRETRI();
    ASSERT_EQ(meshes::build({meshes::grid(-20, -20, 120, 100, 140, 120, f)}), 0);
}

// A 3-D pocket: the rectangle [x0, x0 + w] x [y0, y0 + h] as its outer
// contour in the main arrays and the loop table, side step `step`.
inline void pocket(f32 x0, f32 y0, f32 w, f32 h, f64 step)
{
    const f32 allow[1] = {0.0f};
    i32 st = 0;
    tooldefs::use_mill(10.0f, 5.0f);  // a ball of radius 5
    clr_set_params(1, 1, 0.0f, 0.01f, 1, allow, st);
    ASSERT_EQ(st, 0);
    pokdim = 3;
    pokpar.pokdim = 3;
    const std::vector<f32> pts = {x0, y0, 0, x0 + w, y0, 0, x0 + w, y0 + h, 0, x0, y0 + h, 0, x0, y0, 0};
    clr_add_contour(1, 5, pts.data(), st);
    ASSERT_EQ(st, 0);
    POKCPY(1000, 1, 5, st);
    ASSERT_EQ(st, 0);
    lup_count = 1;
    lup_row(1).key = 1;
    lup_row(1).start = 1;
    lup_row(2).start = 6;
    pkoff.step = step;
}

inline void reset() { fresh(); }

// The positioning over the whole triangle model with a vertical tool.
inline void positioning_on()
{
    MACTYP = 0;
    LOCAXM = 0;
    STPFLG(0x3F);
}

// A fresh engine, the part of field f, the 3-D pocket [10, 90] x [10, 70]
// at side step 4 and its map grid.
inline void surface_pocket(const Field& f)
{
    reset();
    part(f);
    pocket(10, 10, 80, 60, 4.0);
    i32 st = 0;
    map_setup(nullptr, st);
    ASSERT_EQ(st, 0);
}


// An empty tool path for the moves to be written into.
inline void empty_path()
{
    tp_mrkr_fin(1);
    tp_mrkr_init();
    MOVCLR();
    TPMACH = 23;  // a machine that moves on three axes at once
    TECHCL();
    RSTMOV();
    i32 st = 0;
    ltop();
    lclrnw(st);
}

// The end points of the straight moves written, in order.
inline std::vector<std::array<f64, 3>> lines_written()
{
    std::vector<std::array<f64, 3>> out;
    for (const auto& e : norak::main_list().elems)
        if (e.words.size() >= 5 && e.words[0] == 2)
            out.push_back({wrd2r(e.words[2]), wrd2r(e.words[3]), wrd2r(e.words[4])});
    return out;
}

}  // namespace pksrf
