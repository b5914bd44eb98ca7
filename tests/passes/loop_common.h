// Runs of the pass loops and the tool path they write, read back from the
// host's own list store.
#pragma once

#include <functional>
#include <map>

#include "blocks/marker.h"
#include "blocks/movement.h"
#include "blocks/tech.h"
#include "core/modflg.h"
#include "passes/pasloop.h"
#include "passes/retract.h"
#include "passes/updown.h"
#include "passes/pastab.h"
#include "passes/paslin.h"
#include "tests/passes/common.h"

namespace lp {

using pt::buf;

struct Pt {
    double x, y, z;
};

// The strings written: a line to a first point followed by a string block
// of the further points is one written pass string; lone lines (links,
// resumed moves) are not. Arcs are counted.
struct Path {
    std::vector<std::vector<Pt>> strings;
    int arcs = 0;
    std::map<i32, int> types;
};

inline Path written()
{
    Path p;
    const auto& l = norak::main_list();
    std::vector<Pt> pending;
    bool have_line = false, started = false;
    Pt last{0, 0, 0};
    for (const auto& e : l.elems) {
        const auto& w = e.words;
        if (w.empty()) continue;
        const i32 type = w[0];
        ++p.types[type];
        auto pt3 = [&](size_t k) { return Pt{wrd2r(w[k]), wrd2r(w[k + 1]), wrd2r(w[k + 2])}; };
        if (type == 2 || type == 22 || type == 222) {
            pending.assign(1, pt3(2));
            last = pending[0];
            have_line = true;
            started = true;
        } else if (type == 7 || type == 27 || type == 227) {
            const size_t rec = type == 7 ? 4 : 7;
            // Without a line before it the string goes on from the last point.
            std::vector<Pt> s = have_line ? pending : std::vector<Pt>{last};
            for (size_t k = 1; k + rec <= w.size(); k += rec) s.push_back(pt3(k + 1));
            if (have_line || started) p.strings.push_back(s);
            last = s.back();
            have_line = false;
        } else if (type == 3 || type == 23 || type == 223 || type == 33) {
            ++p.arcs;
            have_line = false;
        }
    }
    return p;
}

// Every point the tool path list moves to, in order (line and string
// points, arc ends).
inline std::vector<Pt> moves()
{
    std::vector<Pt> out;
    for (const auto& e : norak::main_list().elems) {
        const auto& w = e.words;
        if (w.empty()) continue;
        auto pt3 = [&](size_t k) { return Pt{wrd2r(w[k]), wrd2r(w[k + 1]), wrd2r(w[k + 2])}; };
        const i32 t = w[0];
        if (t == 2 || t == 22 || t == 222)
            out.push_back(pt3(2));
        else if (t == 7 || t == 27 || t == 227) {
            const size_t rec = t == 7 ? 4 : 7;
            for (size_t k = 1; k + rec <= w.size(); k += rec) out.push_back(pt3(k + 1));
        } else if (t == 3 || t == 23 || t == 223)
            out.push_back(pt3(7));
    }
    return out;
}

inline void clearlist()
{
    i32 st = 0;
    ltop();
    lclrnw(st);
}

// A fresh run: the module state of a procedure start and an empty tool path.
inline void fresh_run()
{
    tp_mrkr_fin(1);
    tp_mrkr_init();
    i32 udw[28] = {};
    UDINIT(udw[0], udw + 1, udw[25], udw[26], udw[27]);  // up/down off, no points kept
    MOVCLR();
    TPMACH = 23;  // a machine that moves on three axes at once
    TECHCL();
    RSTMOV();
    NPASS = 0;
    NBKUP = 0;
    std::memset(&PASOUT, 0, sizeof PASOUT);
    std::memset(DSP8, 0, sizeof DSP8);
    std::memset(PRM9, 0, sizeof PRM9);  // no record read: plain output, no spline fitting
    std::memset(UPW2, 0, sizeof UPW2);
    // Heights: clearance plane 100, 10 above a point, the clearance switch on;
    // vertical approaches from 2 above the target.
    std::memset(HEI8, 0, sizeof HEI8);
    HEI8[HEI8_CLEARANCE] = r2wrd(100.0f);
    HEI8[HEI8_INCR] = r2wrd(10.0f);
    HEI8[HEI8_RETRACT] = 1;
    HFLINI();
    LNKPAR = LnkPar{1, 5.0f, 5.0f, {1, 1}, 2.0f, pwr(PRTTOL), 0, 0, 0, 1, 0, 0, 10.0f, 0, 0};
}

// CLIMIT, adjlim when the passes cross the chain, then SURM1.
inline i32 run_surm1()
{
    i32 st = 0, work = 0;
    CLIMIT(st);
    if (st < 0) return st;
    if (SRFGEO.CUTFLP == 1) adjlim(st);
    if (st < 0) return st;
    SURM1(work, st);
    return st;
}

}  // namespace lp
