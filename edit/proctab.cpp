#include "edit/proctab.h"

#include <cstring>

#include "blocks/dspblk.h"
#include "blocks/format.h"
#include "blocks/geoslot.h"
#include "blocks/listacc.h"
#include "blocks/procblk.h"
#include "core/codedio.h"
#include "core/host.h"

ProcTables PRCTAB = {};

namespace {
// The block display's visibility table: a row's blank state, 1 shown; 0 for
// a row the tables do not hold.
i32 visibility(i32 row) { return row >= 1 && row <= PRCTAB.count && row <= PRT_MAX ? PRCTAB.blank[row] : 0; }

static_assert(PRT_MAX == DSP_ROWS, "the block display reads as many rows as the tables hold");
[[maybe_unused]] const bool HANDED_DOWN = (DSPVIS = visibility, DSPVTB = PRCTAB.blank, true);

// The "G" flag of the procedure block at the cursor: one of its geometry
// slots holds an entity whose geometry changed since the block was stored
// (the slot's flag 1). Read into a copy, so the current procedure's own
// flags and slots stay as they are; a block without a readable flag group
// has no flag.
bool geometry_changed()
{
    i32 f[6] = {0, 0, 0, 0, 0, 0}, slots[2 * NSLOTS], count = 0, st = 0;
    init_geom_slots(slots);
    PLFIND(GR_TOP, GR_FLAGS, st);
    if (st >= 0) get_flags(f[1], f[0], f[2], f[3], f[4], f[5], slots, count, st);
    if (st < 0) return false;
    for (i32 s = 0; s < NSLOTS; ++s)
        if (slots[2 * s] == 1 && slots[2 * s + 1] > 0) return true;
    return false;
}
}  // namespace

void PRCTBF(i32& status)
{
    std::memset(&PRCTAB, 0, sizeof PRCTAB);
    status = 0;
    i32 answer = 0;
    lmark(1, 8, answer);
    if (answer < 1) {
        status = -1;
        return;
    }
    ltop();
    lacces(2, answer);
    bool full = false;
    while (answer >= 0 && status >= 0) {
        i32 size = 0, type = 0, cls = 0;
        TPBLKH(AM_LIST, size, type, cls, status);
        if (status < 0) break;
        if (type == BT_PROC) {
            if (PRCTAB.count >= PRT_MAX) {
                full = true;
            } else {
                const i32 k = ++PRCTAB.count;
                i32 n = 1, st = 0;
                TPGETN(AM_LIST, GR_LEAD, 34, n, DT_INT, &PRCTAB.type[k], st);
                TPGETN(AM_LIST, GR_LEAD, 33, n, DT_INT, &PRCTAB.number[k], st);
                i32 word = 0;
                TPGETC(AM_LIST, GR_GLOBAL, 81, n, DT_INT, &word, st);
                PRCTAB.state[k] = st == 0 ? word : 0;
                word = 0;
                TPGETC(AM_LIST, GR_GLOBAL, 21, n, DT_INT, &word, st);
                PRCTAB.manual[k] = st == 0 && word == 2 ? 1 : 0;
                PRCTAB.blank[k] = 1;
                PRCTAB.gflag[k] = geometry_changed() ? 1 : 0;
                char text[21] = {0};
                i32 length = 0, textlen = 0;
                GTTEXT(AM_LIST, 0, GR_GLOBAL, 29, 20, length, text, st, textlen);
                if (st >= 0)
                    for (i32 c = 0; c < 20 && c < length && text[c] != '\0'; ++c) PRCTAB.comment[k][c] = text[c];
            }
        }
        lclos();
        lacces(1, answer);
    }
    if (full) eroutc("PRCTBF, MORE THAN 200 PROCEDURES", 0);
    if (status < 0) {
        PRCTAB.count = 0;
        eroutc("PRCTBF, ERRORS IN LIST", 0);
    }
    i32 st = 0;
    TPTOP(8, st);
    if (st < 0) status = -1;
}

i32 proc_row(const i32& procedure)
{
    for (i32 k = 1; k <= PRCTAB.count && k <= PRT_MAX; ++k)
        if (PRCTAB.number[k] == procedure) return k;
    return -1;
}

bool proc_marked(const i32& procedure)
{
    const i32 row = proc_row(procedure);
    if (row < 1) return false;
    return PRCTAB.manual[row] != 0 || PRCTAB.state[row] == 4 || PRCTAB.state2[row] == 2;
}
