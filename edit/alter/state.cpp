#include "edit/alter/state.h"

#include <cmath>

#include "core/host.h"
#include "core/params.h"
#include "core/records.h"
#include "tools/toolcache.h"

i32 alteration_defaults[ZQA1_N];
AlterDefaults ALTPDF;
TrimState trim_state;

namespace {
// Defaults and accepted ranges of the ten words.
struct WordRule {
    bool real;
    f32 value, low, high;
};
constexpr WordRule RULES[ZQA1_N] = {
    {false, 1, 1, 4},                 // connect
    {false, 3, 1, 3},                 // action
    {false, 1, -2147483647.0f, 2147483647.0f},  // delete option: the menu mends it
    {false, 1, 1, 5},                 // projection
    {false, 1, 1, 2},                 // side
    {true, 10.0f, -999.999f, 999.999f},
    {true, 0.0f, -999.999f, 999.999f},
    {true, 0.0f, -999.999f, 999.999f},
    {true, 10.0f, -9999.999f, 9999.999f},
    {true, 50.0f, -9999.999f, 9999.999f},
};

void set_default(i32 w)
{
    if (RULES[w].real)
        zqas(w, RULES[w].value);
    else
        alteration_defaults[w] = static_cast<i32>(RULES[w].value);
}

bool acceptable(i32 w, i32 word)
{
    if (RULES[w].real) {
        const f32 v = wrd2r(word);
        return std::isfinite(v) && v >= RULES[w].low && v <= RULES[w].high;
    }
    return static_cast<f32>(word) >= RULES[w].low && static_cast<f32>(word) <= RULES[w].high;
}
}  // namespace

void zqa1_defaults()
{
    for (i32 w = 0; w < ZQA1_N; ++w) set_default(w);
}

void zqa1_read()
{
    i32 words[ZQA1_N + 1] = {};
    i32 count = ZQA1_N + 1, st = 0;
    // Keyed records go through the host's one pair of record calls
    // (mdgetn, mdputn), each record read and written whole.
    mdgetn("ZQA1", words, count, st);
    if (st == -1) return;  // no record yet: the words stay
    // A record of another size was not written by this command as it is
    // (or is damaged), and a word out of its row's range would reach the
    // menu and the workers as an option with no meaning (an action 7 runs
    // no branch, a NaN offset builds no polygon): such words take their
    // defaults, so that a bad record costs its own choices and nothing more.
    const bool whole = st == 0 && count == ZQA1_N;
    for (i32 w = 0; w < ZQA1_N; ++w) {
        if (whole && acceptable(w, words[w]))
            alteration_defaults[w] = words[w];
        else
            set_default(w);
    }
    // The surface offset goes no deeper than the current tool's corner, as
    // its menu row allows: a deeper one kept from a tool with a larger
    // corner would lay the tool into the surfaces it is projected onto.
    f32 corner = 0.0f;
    GTCRNR(PRM9[PRM9_TOOL], corner);
    if (zqar(ZQA_SRFOFF) < -std::fmax(corner, 0.0f)) set_default(ZQA_SRFOFF);
}

void zqa1_write()
{
    i32 st = 0;
    mdputn("ZQA1", RK_WORDS, ZQA1_N, alteration_defaults, st);
}

f32 alt_clearance() { return ZBASE + ALTPDF.clear; }
f32 alt_zplane() { return ZBASE + zqar(ZQA_ZPLANE); }

void trim_arrays_close()
{
    for (i32& h : trim_state.arrays) {
        if (h < 0) continue;
        i32 st = 0;
        MM_CLOSE(h, st);
        h = -1;
    }
    trim_state.npoints = 0;
}

void trim_polygon_release()
{
    trim_state.polygon.clear();
    trim_state.npoly = 0;
    trim_state.length = 0.0;
    trim_state.inplane = 0;
}

void trim_state_reset()
{
    trim_arrays_close();
    trim_state = TrimState{};
}
