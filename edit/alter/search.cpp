#include "edit/alter/search.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "blocks/dipblk.h"
#include "blocks/dspblk.h"
#include "blocks/format.h"
#include "blocks/listacc.h"
#include "blocks/modal.h"
#include "blocks/movement.h"
#include "blocks/navig.h"
#include "blocks/readers.h"
#include "core/codedio.h"
#include "core/host.h"
#include "core/records.h"
#include "edit/stepping.h"

namespace {
constexpr i32 RESTATE[7] = {1, 2, 3, 5, 100, 10, 55};

// The position of the code among the re-state words of the backward walk.
i32 restate_word(i32 code)
{
    static const i32 order[7] = {1, 2, 3, 5, 10, 55, 100};
    for (i32 k = 0; k < 7; ++k)
        if (order[k] == code) return k;
    return -1;
}
}  // namespace

void PRVMCH(const i32& display_mode, const i32& count, const i32* codes, i32& status)
{
    status = 0;
    bool marked = false;
    // A list error also ends with the cursor back where the call started,
    // as every other way out does (a failed display too): the callers go on
    // from their own position, and a cursor left wherever the search
    // stopped would have them read or write at another block. Without the
    // mark there is nowhere to return to.
    auto fail = [&]() {
        eroutc("PRVMCH, ERRORS IN LIST", 0);
        status = -1;
        i32 st = 0;
        if (marked) TPTOP(1, st);
    };
    i32 answer = 0;
    lmark(1, 1, answer);
    if (answer < 1) return fail();
    marked = true;
    const i32 n = std::clamp(count, 0, 100);
    std::vector<i32> found(static_cast<size_t>(n), 0);
    i32 nfound = 0;
    // Codes the backward step did not pass need no search: the state shown
    // is still theirs. The state word tested is the machine kind of the
    // header record the block display keeps ("NPT1"): 22 to 26 are the
    // milling machines, and the seven codes are the ones the stepping
    // re-states for a milling machine in this order, the only list the
    // positions can stand for.
    const i32 kind = NPT1[NPT1_MACHINE];
    if (MOVSTA.direction == 2 && mach_mill(kind)) {
        for (i32 k = 0; k < n && k < 7; ++k) {
            if (codes[k] != RESTATE[k]) continue;
            const i32 w = restate_word(codes[k]);
            if (w >= 0 && MOVRST[w] == 1) {
                found[static_cast<size_t>(k)] = 1;
                ++nfound;
            }
        }
    }
    // After a jump to a block, forward or back, the search is not cut short
    // at the technology block right before the motion jumped to: that block
    // may set another parameter (a spindle speed), and stopping there would
    // leave the feed and the other codes shown as they were where the jump
    // started. It runs back to the blocks that set each code, so the state
    // shown is the one in force here.
    while (nfound < n) {
        i32 size = 0, type = 0, cls = 0;
        TPBLKH(AM_LIST, size, type, cls, status);
        if (status < 0) return fail();
        if (cls == BC_TECH) {
            i32 number = 0, code = 0, vkind = 0, iv = 0;
            f32 rv = 0;
            RDBT1(AM_LIST, number, code, vkind, iv, rv, status);
            lclos();
            if (status < 0) return fail();
            for (i32 k = 0; k < n; ++k) {
                if (found[static_cast<size_t>(k)] || codes[k] != code) continue;
                i32 dst = 0;
                DIPBT1(3, display_mode, number, code, iv, rv, 0, 0, dst);
                if (dst < 0) {
                    i32 st = 0;
                    TPTOP(1, st);
                    status = dst;
                    return;
                }
                found[static_cast<size_t>(k)] = 1;
                ++nfound;
                break;
            }
            if (nfound >= n) break;
        }
        lclos();
        i32 jst = 0;
        TPJUMP(-1, jst);
        if (jst == -1) return fail();
        if (jst == -2) {
            for (i32 k = 0; k < n; ++k)
                if (codes[k] == 5 && !found[static_cast<size_t>(k)] && TLER[TLER_MODE] < TLER_HIDE) MUTOOL(2);
            break;
        }
    }
    TPTOP(1, status);
    if (status < 0) {
        marked = false;  // the return itself failed: not tried again
        return fail();
    }
    status = 0;
}

void FNDRNG(const i32& start_slot, const i32& end_slot, i32* pick_a, i32* pick_b, const i32& break_strings,
            i32& in_marker, i32& prev_block, f32* prev_point, f32* prev_dir, i32& status)
{
    in_marker = 0;
    bool started = false, inside = false;
    auto fail = [&]() {
        eroutc("FNDRNG, ERRORS IN LIST", 0);
        status = -3;
    };
    i32 answer = 0;
    lacces(2, answer);
    if (answer < 0) return fail();
    while (true) {
        i32 size = 0, type = 0, cls = 0, number = 0;
        TPBLKH(AM_LIST, size, type, cls, status);
        if (status < 0) return fail();
        tpget(AM_LIST, 1, DT_INT, &number, status);
        if (status < 0) return fail();
        lclos();
        if (type == BT_MARKER) {
            i32 bn = 0, kind = 0, iv = 0;
            f32 rv = 0;
            TPBLKH(AM_LIST, size, type, cls, status);
            RDBHED(AM_LIST, bn, kind, rv, iv, status);
            lclos();
            if (status < 0) return;
            if (kind == 3) inside = true;
            if (kind == 4) inside = false;
        }
        if (cls == BC_MOVE && bt_string(type)) {
            const i32 m = (size - 1) / bt_point_words(type);
            const bool holds = m >= 1 && ((pick_a[2] >= number && pick_a[2] <= number + m - 1) ||
                                          (pick_b[2] >= number && pick_b[2] <= number + m - 1));
            // A string with no points is left as it is: the break would
            // leave it unchanged and the same block would be met again.
            if (m >= 1 && (holds || (started && break_strings != 0))) {
                BRKSTR(1, status);
                if (status < 0) return;
                continue;
            }
        }
        if (!started && (number == pick_a[2] || number == pick_b[2])) {
            started = true;
            // Picks on one block are not exchanged: both name the same block.
            if (number == pick_b[2] && number != pick_a[2]) {
                i32 t[11];
                std::memcpy(t, pick_a, sizeof t);
                std::memcpy(pick_a, pick_b, sizeof t);
                std::memcpy(pick_b, t, sizeof t);
            }
            lmark(1, start_slot, answer);
            if (answer < 1) return fail();
            if (inside) in_marker = 1;
            i32 pst = 0;
            PRVPNT(0, prev_point, prev_dir, prev_block, pst);
            if (pst < 0) {
                status = pst;
                return;
            }
            // Answer 1: no motion lies before the range (the search stood on
            // the range's own first motion, whose number it answers), and
            // the writers' last point stands in for the point before it.
            if (pst == 1) {
                std::memcpy(prev_point, MOVST.point, 3 * sizeof(f32));
                std::memcpy(prev_dir, MOVST.axis, 3 * sizeof(f32));
                prev_block = -1;
            }
        }
        if (started) {
            lmark(1, end_slot, answer);
            if (answer < 1) return fail();
            if (inside) in_marker = 1;
            if (number == pick_b[2]) {
                status = 0;
                return;
            }
        }
        i32 jst = 0;
        TPJUMP(1, jst);
        if (jst < 0) {
            eroutc("FNDRNG, THE INDICATED REGION WAS NOT FOUND WITHIN THE CURRENT PROCEDURE", 0);
            status = -2;
            return;
        }
    }
}
