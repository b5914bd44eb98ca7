// Reading a procedure block back into the module's words, and the
// per-procedure texts.
#include <cstring>
#include <vector>

#include "blocks/dspblk.h"
#include "blocks/format.h"
#include "blocks/geoslot.h"
#include "blocks/listacc.h"
#include "blocks/modal.h"
#include "blocks/procblk.h"
#include "blocks/tech.h"
#include "core/codedio.h"
#include "core/host.h"
#include "core/records.h"

namespace {
constexpr i32 MAX_ITEM = 1 << 16;  // the longest item passed over

// The text, the file's name and the closing line are handed to the host as
// three texts of one user message, as the procedure's own template reader
// does, so the module says this failure alike wherever it is met.
void template_failure(const char* who)
{
    char name[81] = {0};
    template_get_name(name, 80);
    user5c("CANNOT READ FROM FILE", name, "|READING TERMINATED", "", "");
    eroutc(who, 0);
}

// The table handed to the host's transformation (cltrin) with the value of
// code 45 is the block display's procedure visibility table (DSPVTB: a
// row's entry 1 when the procedure is shown), the one the display of a
// procedure's sub-procedures reads. It is chosen because it is the only
// table of the block display that the module keeps: the NC table is the
// host's own (the module only sets its id and has it read), and the list
// transformation is fetched from the host, not a table of ours. The value
// of code 45 is itself the procedure's entry of the procedure tables (the
// word the block stores from "EDA2" word 5), so value and table come from
// the same rows. Before the tables are handed down the host gets a table of
// the same rows all 0 (none shown), never a null pointer.
const i32 NO_ROWS[DSP_ROWS + 1] = {};

// Reads the global group from `medium`; `given` is the medium the caller
// named, by which the value of code 45 is kept or turned off.
void read_global_group(const i32& medium, const i32 given, i32& count, i32& status)
{
    status = 0;
    if (medium == MED_ENTITY) {
        tpget(medium, 1, DT_INT, &count, status);
    } else if (medium != MED_TPLREAD) {
        PLFIND(GR_TOP, GR_GLOBAL, status);
        if (status == 0) tpget(medium, 1, DT_INT, &count, status);
    }
    if (status < 0) return;
    i32 code31 = 1;
    CLTVAL = -1;
    CLT46 = 1;
    bool had107 = false;
    i32 done = 0;
    std::vector<i32> scratch;
    while (done < count) {
        i32 head[3] = {0, 0, 0};
        for (int k = 0; k < 3 && status >= 0; ++k) tpget(medium, 1, DT_INT, &head[k], status);
        i32 code = head[0], n = head[1] - 1;
        // A count that is negative or beyond any item is a damaged block:
        // reading or skipping by it would run past the group. So are the
        // items below whose size differs from the words they are read into.
        if (status >= 0 && (n < 0 || n > MAX_ITEM)) {
            erou1c("rmchtb, BAD ITEM COUNT, CODE = ", code);
            status = -1;
            return;
        }
        bool expr = code == 49 || code == 50;
        bool single = code == 31 || code == 45 || code == 46 || code == 48 || code == 107 || code == 116 ||
                      code == 117 || code == 129;
        // Tool paths older than version 830 keep a plain real where newer
        // ones keep a 24-word expression item; the read turns it into one.
        const bool plain = expr && n == 1 && medium != MED_TPLREAD && tp_vnum_get() < 830;
        if (status >= 0 && ((expr && n != 24 && !plain) || (single && n != 1))) {
            erou2c("rmchtb, ITEM LONGER THAN ITS AREA, CODE AND COUNT = ", code, n);
            status = -1;
            return;
        }
        i32 v = 0;
        if (status >= 0) {
            if (expr) {
                tpget(medium, n, DT_EXPR, HEI8 + (code == 49 ? 24 : 48), status);
            } else if (single) {
                tpget(medium, 1, DT_INT, &v, status);
            } else {
                scratch.assign(static_cast<size_t>(n) + 24, 0);
                tpget(medium, n, head[2], scratch.data(), status);
            }
        }
        if (status < 0) {
            // The end of a template file ends the walk as its last segment
            // would: what was read is completed below.
            if (medium == MED_TPLREAD && status == -2) {
                status = 0;
                break;
            }
            if (medium == MED_TPLREAD) template_failure("rmchtb, ERRORS IN TEMPLATE LIST");
            return;
        }
        switch (code) {
        case 31: code31 = v; break;
        case 45: CLTVAL = v; break;
        case 46: CLT46 = v; break;
        case 48: HEI8[HEI8_ABSOLUTE] = v == 1 ? 1 : 0; break;
        case 107: BLKDSW = v, had107 = true; break;
        case 116: CLP1[CLP1_COLOUR] = v, DSP8[DSP8_COLOUR] = v; break;
        case 117: CLP1[CLP1_PEN] = v, DSP8[DSP8_PEN] = v; break;
        // Kept as stored: the link moves act on the value 2 (the tool axis
        // turned vertical at the clearance plane), which a logical would
        // make 1, dropping those moves after the block is read back.
        case 129: HEI8[HEI8_AXIS] = v; break;
        default: break;
        }
        done += n + 3;
    }
    if (!had107) BLKDSW = 0;
    if (given != 1 && given != 4 && given != 6 && given != MED_TPLREAD && CLT46 == 2) CLTVAL = -1;
    cltrin(CLTVAL, DSPVTB ? DSPVTB : NO_ROWS);
    status = code31 == 2 ? 1 : code31 == 3 ? 2 : 0;
}
}  // namespace

void rmchtb(const i32& medium, i32& count, i32& status) { read_global_group(medium, medium, count, status); }

void RDSBLH(const i32& medium, i32& count, i32& status)
{
    status = 0;
    i32 head[3] = {1, 0, 0};
    if (medium == MED_ENTITY) {
        tpget(medium, 3, DT_INT, head, status);
        // Any other code is not the sub-list item the entity must hold here.
        // The failure is reported here: the procedure reader and the block
        // display that call it hand the status on without a message.
        if (status >= 0 && head[0] != 1) {
            erou1c("RDSBLH, WRONG ITEM CODE ", head[0]);
            status = -1;
        }
    } else {
        PLFIND(GR_TOP, 1, status);
        if (status >= 0) tpget(medium, 2, DT_INT, head + 1, status);
    }
    count = head[1] - 1;
    // A count out of range would skip past the block.
    if (status >= 0 && (count < 0 || count > MAX_ITEM)) {
        erou1c("RDSBLH, BAD ITEM COUNT ", count);
        status = -1;
    }
    if (status >= 0) TPSKIP(medium, count, DT_INT, status);
    if (status > 0) status = 0;
}

// Each group is found by its code within the block (PLFIND bounds the search
// by the block itself), so the caller's remaining word count is not needed
// to bound it and is left as given.
void RDBT12(const i32& medium, i32& remaining, i32& number, i32& status)
{
    status = 0;
    i32 m = medium;
    bool registered = m > 7;
    if (registered) m -= 7;
    // The converting reads (4 from the list, 6 from an entity) read as 2 and
    // 1, but the global group is told the medium as given: those reads keep
    // the value of code 45 whatever code 46 holds, which a lowered medium
    // would lose for the block display.
    const i32 given = m;
    if (m == 4) m = 2;
    if (m == 6) m = 1;
    if (m == AM_NONE) return;
    if (m == MED_ENTITY) TPSKIP(m, 3, DT_INT, status);
    i32 code = 0;
    if (status >= 0) tpget(m, 1, DT_INT, &number, status);
    if (status >= 0) tpget(m, 1, DT_INT, &code, status);
    if (status < 0) return;
    if (registered) mrm_proc(code, number);
    i32 count = 0, answer = 0;
    if (m != MED_ENTITY) {
        read_global_group(m, given, count, status);
        if (status < 0) return;
        answer = status;
        PLFIND(GR_TOP, GR_FLAGS, status);
        if (status >= 0)
            get_flags(PRCFLG[1], PRCFLG[0], PRCFLG[2], PRCFLG[3], PRCFLG[4], PRCFLG[5], GSLOTS, count, status);
        if (status >= 0) RMCHTB(m, count, status);
        if (status >= 0) RDSBLH(m, count, status);
    } else {
        read_global_group(m, given, count, status);
        if (status < 0) return;
        answer = status;
        i32 words[3] = {0, 0, 0};
        tpget(m, 3, DT_INT, words, status);
        i32 mchprm = words[0], n = words[2];
        if (status >= 0 && (n < 0 || n > MAX_ITEM)) {
            erou1c("RDBT12, BAD WORD COUNT ", n);
            status = -1;
        }
        if (status >= 0) TPSKIP(m, n, DT_INT, status);
        if (status >= 0) RDSBLH(m, count, status);
        i32 last = 0;
        if (status >= 0) tpget(m, 1, DT_INT, &last, status);
        if (status < 0) return;
        if (is_open_proc() != 0) {
            eclose();
            reset_open_proc();
        }
        get_mchprm(mchprm, count, status);
    }
    if (status >= 0) status = answer;
}

namespace {
// Texts by procedure slot 1 to 201 (slot 201 is the listings' scratch slot).
constexpr i32 TEXT_SLOTS = 201;
char TEXT1[TEXT_SLOTS][20], TEXT2[TEXT_SLOTS][20], TRNAME[TEXT_SLOTS][4];

// A procedure number outside the table stores nothing and gets blanks: the
// caller's text is filled all the same, never left as it was.
void text_io(char (*table)[20], const i32& mode, const i32& proc, char* text)
{
    if (proc < 1 || proc > TEXT_SLOTS) {
        if (mode == 1) std::memset(text, ' ', 20);
        return;
    }
    if (mode == 1) {
        for (int k = 0; k < 20; ++k) text[k] = table[proc - 1][k] == '\0' ? ' ' : table[proc - 1][k];
    } else
        fixtxt(table[proc - 1], 20, text);
}
}  // namespace

i32 PRCUID[200];

void PRCTX1(const i32& mode, const i32& proc, char* text) { text_io(TEXT1, mode, proc, text); }
void PRCTX2(const i32& mode, const i32& proc, char* text) { text_io(TEXT2, mode, proc, text); }

void PRCTRF(const i32& mode, const i32& proc, char* text)
{
    if (proc < 1 || proc > TEXT_SLOTS) {
        if (mode == 1) std::memset(text, ' ', 4);
        return;
    }
    if (mode == 1) {
        for (int k = 0; k < 4; ++k) text[k] = TRNAME[proc - 1][k] == '\0' ? ' ' : TRNAME[proc - 1][k];
    } else
        fixtxt(TRNAME[proc - 1], 4, text);
}

void PRCUCS(const i32& mode, const i32& proc, char* name)
{
    if (mode != 1) return;
    // A number outside the table has no coordinate system either.
    i32 id = proc >= 1 && proc <= 200 ? PRCUID[proc - 1] : 0;
    i32 st = -1;
    if (id >= 1) gtenam(id, name, 6, st);
    if (st < 0) std::memcpy(name, "NO_UCS", 6);
}
