#include "edit/alter/divide.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "blocks/format.h"
#include "blocks/listacc.h"
#include "blocks/readers.h"
#include "core/host.h"
#include "core/hosttab.h"
#include "core/codedio.h"
#include "core/prcwrd.h"
#include "core/records.h"
#include "edit/blktext.h"
#include "edit/manedt.h"
#include "edit/proctab.h"

ToolFactor DIVTFT[DIVISION_MAX];
char DIVLBL[DIVISION_MAX][21];

namespace {

constexpr i32 SLOT_SPLIT = 9;
constexpr i32 TECH = 1, PROC_BLOCK = 12, TOOL_CHANGE = 100;
// The machining-parameter block's words of the division (from 0): the mode
// word, the two percentages of mode 4, and the per-tool table of mode 5.
constexpr i32 CMP_MODE = 3, CMP_FIRST = 4, CMP_SECOND = 5, CMP_TOOLS = 58, CMP_FIRSTS = 69, CMP_SECONDS = 79;
// Technology of the procedure divided: its tool, parameter 1 and parameter 6.
struct SourceTechnology {
    i32 tool = -1;
    f32 feed = 0;
    i32 p6 = 0;
    bool has_feed = false, has_p6 = false;  // read: a value that is not is not scaled either
};
SourceTechnology SRCTEC;

// Back from a procedure's sub-list to the main list, the sub-list's block
// count written into its procedure block.
void close_sub()
{
    i32 level = 0, st = 0;
    gtlstn(1, level);
    if (level > 1) CLSSBL(st);
}

// The cursor on the procedure block of the given number (from 1) on the
// main list. False when there is none.
bool at_procedure(const i32 procedure)
{
    close_sub();
    ltop();
    i32 answer = 0, seen = 0;
    lacces(2, answer);
    while (answer >= 0) {
        i32 size = 0, type = 0, cls = 0, st = 0;
        TPBLKH(AM_LIST, size, type, cls, st);
        lclos();
        if (st < 0) return false;
        if (type == PROC_BLOCK && ++seen == procedure) return true;
        lacces(1, answer);
    }
    return false;
}

// The header of the block under the cursor and, for a technology block,
// its parameter code and integer value (the tool of a tool change).
bool read_block(i32& type, i32& cls, i32& code, i32& value)
{
    i32 size = 0, st = 0;
    code = value = 0;
    TPBLKH(AM_LIST, size, type, cls, st);
    if (st >= 0 && type == TECH) {
        i32 number = 0, kind = 0;
        f32 real = 0;
        RDBT1(AM_LIST, number, code, kind, value, real, st);
    }
    lclos();
    return st >= 0;
}

// Opens the procedure's sub-list with the cursor on its second tool change.
bool at_split(const i32 procedure, i32& found, i32& tool)
{
    found = 0;
    if (!at_procedure(procedure)) return false;
    i32 st = 0;
    OPNSBL(st);
    if (st < 0) return false;
    i32 answer = 0, changes = 0;
    lacces(1, answer);
    while (answer >= 0) {
        i32 type = 0, cls = 0, code = 0, value = 0;
        if (!read_block(type, cls, code, value)) return false;
        if (type == TECH && code == TOOL_CHANGE && ++changes == 2) {
            found = 1;
            tool = value;
            lmark(1, SLOT_SPLIT, answer);
            return answer >= 1;
        }
        lacces(1, answer);
    }
    return true;
}

// The id of the procedure at a position (from 1) of the current tool path:
// the tool associations and the display know a procedure by its id, which
// is not its position once procedures were copied or moved. The tables are
// read again, as every copy shifts the procedures after it.
i32 proc_id(const i32 procedure)
{
    i32 st = 0;
    PRCTBF(st);
    return st >= 0 && procedure >= 1 && procedure <= PRCTAB.count ? PRCTAB.number[procedure] : procedure;
}

// In the procedure: every block after the split block, then the split block.
bool cut_after_split(const i32 procedure)
{
    const i32 id = proc_id(procedure);
    i32 found = 0, tool = 0;
    if (!at_split(procedure, found, tool) || found == 0) return false;
    i32 answer = 0;
    while (true) {
        lacces(1, answer);
        if (answer < 0) break;
        i32 type = 0, cls = 0, code = 0, value = 0;
        if (!read_block(type, cls, code, value)) return false;
        if (type == TECH && code == TOOL_CHANGE) asdetl(-1, id, 1, value);
        i32 st = 0;
        TPDELB(1, st);  // the cursor lands on the block before
        if (st < 0) return false;
    }
    i32 st = 0;
    TPTOP(SLOT_SPLIT, st);
    if (st >= 0) TPDELB(1, st);
    close_sub();
    return st >= 0;
}

// In the copy: the motions and the feed, spindle and tool settings before
// its split block; messages, markers and other settings stay.
bool cut_before_split(const i32 procedure)
{
    const i32 id = proc_id(procedure);
    i32 found = 0, tool = 0;
    if (!at_split(procedure, found, tool) || found == 0) return false;
    i32 answer = 0;
    while (true) {
        lacces(-1, answer);
        if (answer < 0) break;
        i32 type = 0, cls = 0, code = 0, value = 0;
        if (!read_block(type, cls, code, value)) return false;
        const bool setting = type == TECH && (code == 1 || code == 2 || code == TOOL_CHANGE);
        if (type == TECH && code == TOOL_CHANGE) asdetl(-1, id, 1, value);
        if (cls == BC_MOVE || setting) {
            i32 st = 0;
            TPDELB(-1, st);  // the cursor lands on the block after
            if (st < 0) return false;
        }
    }
    close_sub();
    return true;
}

// A group-24 integer of the procedure block under the cursor; missing: dflt.
i32 global_int(const i32 code, const i32 dflt)
{
    i32 n = 1, value = dflt, st = 0;
    TPGETC(AM_LIST, GR_GLOBAL, code, n, DT_INT, &value, st);
    lclos();
    return st == 0 ? value : dflt;
}

// The sub-procedure count of the procedure block under the cursor, from its
// flags: a procedure whose blocks are not in its own sub-list (flag 6, item
// 82, is 0) but in a movement entity (flag 1, item 51, above 0) has that
// entity as its one sub-procedure; any other has none. The count is read
// from the block because the procedure tables of the open tool path are
// built from its blocks and keep no such column.
i32 subprocedures()
{
    i32 in_sublist = 1, movement = 0, n = 1, st = 0;
    TPGETC(AM_LIST, GR_FLAGS, 82, n, DT_INT, &in_sublist, st);
    lclos();
    if (st != 0) return 0;
    n = 1;
    TPGETC(AM_LIST, GR_FLAGS, 51, n, DT_INT, &movement, st);
    lclos();
    return st == 0 && in_sublist == 0 && movement > 0 ? 1 : 0;
}

// Whether procedure row k (of the current tool path) is numbered with key.
bool qualifies(const i32 k, const i32 key)
{
    if (PRCTAB.state[k] == 2 || PRCTAB.gflag[k] != 0 || PRCTAB.type[k] == 53) return false;
    if (!at_procedure(k)) return false;
    if (subprocedures() >= 1) return false;
    return global_int(40, 0) < 4 && global_int(120, -1) == key;
}

// The rest of the numbering rule for a procedure stored in another tool
// path: not suspended (its state, item 81, is not 2), not of procedure type
// 53, and, by row `row` of that tool path's tables as update_tp_flags loaded
// them, without a "G" flag and without sub-procedures. A row the host does
// not answer counts as neither: the flags come only from those tables.
bool stored_qualifies(const i32 id, const i32 row)
{
    i32 gflag = 0, subprocs = 0, s = 0;
    get_tp_proc_flags(row, gflag, subprocs, s);
    if (s == 0 && (gflag != 0 || subprocs >= 1)) return false;
    i32 state = 0;
    gs_param(3, id, 9, 4, 81, &state, s);
    if (s == 0 && state == 2) return false;
    i32 nwords = 0, ngeom = 0;
    get_proc_info(id, nwords, ngeom, s);
    if (s < 0) return true;
    std::vector<i32> words(static_cast<size_t>(nwords) + 1), geoms(static_cast<size_t>(ngeom) + 1);
    i32 proc = id, number = 0, type = 0;
    dbd_proc(1, proc, number, type, words.data(), nwords, geoms.data(), ngeom, s);
    return s < 0 || type != 53;
}

// The procedures of the part's other tool paths after the current one.
void renumber_other_toolpaths(const i32 key, i32& counter)
{
    for (i32 index = CLP1[0] + 1;; ++index) {
        update_tp_flags(2, index);
        // The ids are fetched into an array as large as the tool path needs:
        // a full array is fetched again twice as large, so that no procedure
        // beyond the first 200 is left out of the numbering.
        std::vector<i32> ids(PRT_MAX);
        i32 count = 0, st = 0;
        while (true) {
            get_tp_proc_ids(index, ids.data(), static_cast<i32>(ids.size()), count, st);
            if (st < 0 || count < static_cast<i32>(ids.size())) break;
            ids.resize(2 * ids.size());
        }
        if (st < 0) break;
        for (i32 k = 0; k < count; ++k) {
            const i32 id = ids[static_cast<size_t>(k)];
            i32 code40 = 0, code120 = -1, s = 0;
            gs_param(3, id, 9, 4, 40, &code40, s);
            if (s != 0) code40 = 0;
            gs_param(3, id, 9, 4, 120, &code120, s);
            if (s != 0) code120 = -1;
            if (code40 >= 4 || code120 != key || !stored_qualifies(id, k + 1)) continue;
            i32 next = counter + 1;
            gs_param(2, ids[static_cast<size_t>(k)], 9, 4, 121, &next, s);
            if (s == 0) counter = next;
        }
    }
    update_tp_flags(3, -1);
}

}  // namespace

void reset_tool_factors()
{
    for (ToolFactor& f : DIVTFT) f = ToolFactor{-1, 100, 100};
}

i32 store_tool_factors(const i32& tool, const i32& index)
{
    if (index < 0 || index >= DIVISION_MAX) return -1;
    const i32 mode = CMPBLK[CMP_MODE];
    if (mode == 4) {
        // The percentages are truncated toward zero; one that is not a
        // number or that no integer holds is no percentage, and the tool
        // is taken as not found rather than scaled by an undefined value.
        const f32 first = wrd2r(CMPBLK[CMP_FIRST]), second = wrd2r(CMPBLK[CMP_SECOND]);
        auto whole = [](f32 v) { return std::isfinite(v) && v > -2147483648.0f && v < 2147483648.0f; };
        if (!whole(first) || !whole(second)) return -1;
        DIVTFT[index] = ToolFactor{tool, static_cast<i32>(first), static_cast<i32>(second)};
        return 0;
    }
    if (mode != 5) return -1;
    for (i32 j = 0; j < DIVISION_MAX; ++j)
        if (CMPBLK[CMP_TOOLS + j] == tool) {
            DIVTFT[index] = ToolFactor{tool, CMPBLK[CMP_FIRSTS + j], CMPBLK[CMP_SECONDS + j]};
            return j;
        }
    return -1;
}

void read_proc_technology(const i32& procedure, i32& status)
{
    SRCTEC = SourceTechnology{};
    status = 0;
    if (!at_procedure(procedure)) {
        status = -1;
        return;
    }
    i32 n = 1;
    TPGETN(AM_LIST, GR_MACHINE, 10, n, DT_INT, &SRCTEC.tool, status);
    if (status < 0) {
        lclos();
        return;
    }
    // Only a failed tool read skips the others: parameter 6 is read even
    // when parameter 1 is missing, and the first failure is answered.
    i32 st1 = 0, st6 = 0;
    n = 1;
    TPGETN(AM_LIST, GR_MACHINE, 1, n, DT_REAL, &SRCTEC.feed, st1);
    n = 1;
    TPGETN(AM_LIST, GR_MACHINE, 6, n, DT_INT, &SRCTEC.p6, st6);
    lclos();
    SRCTEC.has_feed = st1 >= 0;
    SRCTEC.has_p6 = st6 >= 0;
    status = st1 < 0 ? st1 : st6;
}

void find_tool_split(const i32& procedure, i32& found, i32& tool, i32& status)
{
    status = at_split(procedure, found, tool) ? 0 : -1;
    close_sub();
}

void COPY_CURRENT_PROC(const i32& procedure, i32& status)
{
    status = -1;
    if (!at_procedure(procedure)) return;
    copy_current_proc(status);
    if (status < 0) {
        msg_mdlt(310, 20, "COPY_CURRENT_PROC");
        status = -1;
    }
}

void split_proc_at_tool(const i32& procedure, i32& status)
{
    status = 0;
    if (!cut_after_split(procedure) || !cut_before_split(procedure + 1)) status = -1;
}

void make_division_labels(const i32& n, const i32& p0)
{
    std::memset(DIVLBL, 0, sizeof DIVLBL);
    i32 st = 0;
    PRCTBF(st);
    const i32 total = n + 1;
    for (i32 j = 1; j <= total && j <= DIVISION_MAX; ++j) {
        const i32 row = p0 + j - 1;
        std::string name = row >= 1 && row <= PRCTAB.count ? std::string(PRCTAB.comment[row]) : std::string();
        std::string label = std::to_string(j) + " of " + std::to_string(total) + " " + name;
        label.resize(20, ' ');
        std::memcpy(DIVLBL[j - 1], label.data(), 20);
    }
}

void set_division_technology(const i32& p, const i32& i, i32& status)
{
    status = 0;
    const i32 id = proc_id(p);
    if (!at_procedure(p) || i < 0 || i >= DIVISION_MAX) {
        status = -1;
        return;
    }
    if (i > 0) {
        const ToolFactor& f = DIVTFT[i - 1];
        const f32 feed = static_cast<f32>(f.first) * SRCTEC.feed * 0.01f;
        // The product of the percentage and parameter 6 is taken in 64 bits:
        // in 32 it overflows for large values and gives a wrong parameter.
        // A result that no 32-bit parameter holds is refused, not cut.
        const f64 scaled = static_cast<f64>(static_cast<std::int64_t>(f.second) * SRCTEC.p6) * 0.01;
        if (SRCTEC.has_p6 && (scaled >= 2147483648.0 || scaled <= -2147483649.0)) {
            erou1c("set_division_technology, PARAMETER 6 OUT OF RANGE. TOOL = ", f.tool);
            lclos();
            status = -1;
            return;
        }
        const i32 p6 = SRCTEC.has_p6 ? static_cast<i32>(scaled) : 0;
        const i32 one = 1;
        i32 unset[DIVISION_MAX], full[DIVISION_MAX];
        for (i32 k = 0; k < DIVISION_MAX; ++k) unset[k] = -1, full[k] = 100;
        // Each value is written with the count of its area: an item stored
        // longer than that is refused rather than filled from past the area.
        // A source value that could not be read is not scaled: the copy
        // keeps its own rather than a 0.
        if (SRCTEC.has_feed) change_values(AM_LIST, GR_MACHINE, 1, DT_REAL, 1, &feed, status);
        if (status >= 0) change_values(AM_LIST, GR_MACHINE, 10, DT_INT, 1, &f.tool, status);
        if (status >= 0 && SRCTEC.has_p6) change_values(AM_LIST, GR_MACHINE, 6, DT_INT, 1, &p6, status);
        if (status >= 0) change_values(AM_LIST, GR_GLOBAL, 126, DT_INT, 1, &one, status);
        if (status >= 0) change_values(AM_LIST, GR_GLOBAL, 125, DT_INT, DIVISION_MAX, unset, status);
        if (status >= 0) change_values(AM_LIST, GR_GLOBAL, 127, DT_INT, DIVISION_MAX, full, status);
        if (status >= 0) change_values(AM_LIST, GR_GLOBAL, 128, DT_INT, DIVISION_MAX, full, status);
    }
    const i32 two = 2;
    if (status >= 0) change_values(AM_LIST, GR_GLOBAL, 21, DT_INT, 1, &two, status);
    if (status >= 0) CHTEXT(AM_LIST, GR_GLOBAL, 29, DIVLBL[i], status, 20);
    lclos();
    if (status >= 0 && EDTHKS.display) {
        i32 st = 0;
        EDTHKS.display(1000 + id, st);
    }
}

void renumber_proc_sequence(const i32& p0)
{
    if (!at_procedure(p0)) return;
    const i32 key = global_int(120, -1);
    // A procedure without a key is numbered with no other: the -1 that a
    // missing key reads as would match every procedure that has none.
    if (key == -1) return;
    i32 counter = global_int(121, 0);
    i32 st = 0;
    PRCTBF(st);
    for (i32 k = p0 + 1; k <= PRCTAB.count; ++k) {
        if (!qualifies(k, key)) continue;
        const i32 next = counter + 1;
        change_values(AM_LIST, GR_GLOBAL, 121, DT_INT, 1, &next, st);
        lclos();
        if (st >= 0) counter = next;
    }
    renumber_other_toolpaths(key, counter);
}

void divide_by_tool(const i32& procedure, i32& status)
{
    const i32 p0 = procedure;
    i32 p = p0, k = 0, st = 0, read = 0;
    reset_tool_factors();
    read_proc_technology(p0, read);
    // Each pass splits off the procedure's first tool; the tables take ten
    // procedures, so the tenth keeps whatever tool changes remain.
    while (k < DIVISION_MAX - 1) {
        i32 found = 0, tool = 0;
        find_tool_split(p, found, tool, st);
        if (st < 0) {
            status = -1;
            break;
        }
        if (found == 0) {
            if (k == 0) {
                msg_mdls(317, 33);
                return;
            }
            break;
        }
        split_by_tool_get_set(2, 1);
        // A tool the table does not hold ends the division, but the step
        // after the loop still runs for the divisions made before: each copy
        // already stands in the tool path with p0's tool, technology and
        // label and without the running number of its place, so returning
        // here would leave procedures that machine with the wrong tool and
        // cannot be told apart. The status still reports the failure.
        if (store_tool_factors(tool, k) < 0) {
            msg_mdls(317, 34);
            status = -1;
            break;
        }
        // Without a copy nothing is split: the following procedure stays whole.
        COPY_CURRENT_PROC(p, st);
        if (st < 0) {
            status = -1;
            break;
        }
        ++k;
        split_proc_at_tool(p, st);
        if (st < 0) {
            status = -1;
            break;
        }
        ++p;
        status = 1;
    }
    if (k == 0) return;
    make_division_labels(k, p0);
    // The copies are in the tool path already: a procedure whose values
    // cannot be written keeps its own, the others are still written and the
    // numbering still runs, and status -1 tells that the division is not
    // complete. Stopping at the first refusal would leave the later copies
    // unlabelled and unnumbered as well.
    for (i32 i = 0; i <= k; ++i) {
        set_division_technology(p0 + i, i, st);
        if (st < 0) status = -1;
    }
    renumber_proc_sequence(p0);
    if (at_procedure(p0)) OPNSBL(st);
    // A source technology value that could not be read is passed on.
    if (read < 0) status = read;
    else if (status >= 0) status = 1;
}
