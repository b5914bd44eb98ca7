// Tool entities for tests: a milling tool (or another type) stored in the
// stand-in host as the tool library keeps it, made the current tool.
#pragma once

#include <cstring>

#include "core/host.h"
#include "tools/toolcache.h"

namespace tooldefs {

// Header of 22 words (version, type, ..., words of the record), then the
// record: diameter, corner radius, cut length, clearance length, taper angle.
inline i32 make_tool(i32 type, f32 d, f32 r, f32 l, f32 taper_deg, i32 version = 700)
{
    i32 w[22 + 12];
    std::memset(w, 0, sizeof w);
    w[0] = version;
    w[1] = type;
    w[21] = 12;
    const f32 rec[12] = {d, r, l, l + 10.0f, taper_deg, 100.0f, l + 20.0f, 0, 0, 0, 0, 0};
    for (i32 k = 0; k < 12; ++k) w[22 + k] = r2wrd(rec[k]);
    i32 id = 0, status = 0;
    const i32 cls = 20, etype = 1, n = 34;
    estore(cls, etype, id, status);
    eputn(n, w);
    eclose();
    TLCCLR();  // ids are reused after a host reset
    return id;
}

inline i32 use_mill(f32 d, f32 r, f32 l = 30.0f, f32 taper_deg = 0.0f)
{
    CURTOL = make_tool(2, d, r, l, taper_deg);
    return CURTOL;
}

}  // namespace tooldefs
