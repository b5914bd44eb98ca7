// The target procedure of an insertion: picked in the graphics, or chosen
// from the list of the tool path's procedures, twenty lines a page.
#include "frame/trgprc.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "core/host.h"
#include "core/names.h"
#include "core/records.h"
#include "edit/proctab.h"
#include "frame/prcrows.h"

namespace {
constexpr i32 PAGE = 20;      // lines a page shows
constexpr i32 FIXED = 6;      // rows above the procedure lines
constexpr i32 R_CONTINUE = 2, R_CANCEL = 3, R_PGUP = 5, R_PGDN = 6;
}  // namespace

void TRGPRC(i32& chosen, const i32& tp, i32& status)
{
    status = 0;
    const i32 count = std::min(PRCTAB.count, PRT_MAX);
    if (count < 1) {
        chosen = 1;
        return;
    }
    bool list = tp >= 1;
    const i32 entries = count + 1;
    const bool paging = entries > PAGE;
    chosen = -1;
    i32 first = 1;
    // The tool path's name: the current one's from its header record.
    const std::string header = "TP=" + std::string(reinterpret_cast<const char*>(NPT1), 8);
    auto unmark = [&] { chosen = -1; };
    auto leave = [&](i32 st) {
        status = st;
        MNUCLR();
        statbl();
    };
    while (true) {
        statbl();
        i32 reply = 0;
        if (!list) {
            MNUCLR();
            prmptc("TARGET:PICK PROC.");
            modm("SELECT FROM LIST");
            // A pick in the graphics, the offered row (the end reply), or a way out.
            i32 st = 0;
            pick(st);
            reply = st == 0 ? FIXED + 1 : st == -3 ? 1 : st;
        } else {
            const i32 last = std::min(first + PAGE - 1, entries);
            MNUCLR();
            i32 st = 0;
            MNUIN3("TARGET", st);
            if (st < 0) return leave(-1);
            prmptc("TARGET:SELECT PROC.");
            if (paging) usmsgc(first == 1 ? "MORE STR" : last == entries ? "MORE END" : "MORE    ");
            modmtx(header.c_str());
            if (chosen >= 0) modm("CONTINUE");
            else moduc2();
            modm("CANCEL");
            moduc2();
            if (paging) {
                modm("Pg Up");
                modm("Pg Dn");
            } else {
                moduc2();
                moduc2();
            }
            i32 ids[PAGE];
            MLTTLS(first, last, ids, 0);
            modrpl(reply);
        }
        if (reply == -1 || (list && reply == R_CONTINUE)) return leave(0);
        if (reply == -2 || (list && reply == R_CANCEL)) {
            unmark();
            return leave(-1);
        }
        if (list && paging && (reply == -3 || reply == R_PGDN)) {
            if (first + 10 <= entries) first += 10;
        } else if (list && paging && reply == R_PGUP) {
            first = std::max(1, first - 20);
        } else if (!list && reply == 1) {
            list = true;
        } else if (reply > FIXED) {
            unmark();
            i32 index = -1, block = -1;
            PCKPGT(list ? reply : 0, 1, first, FIXED + 1, index, block);
            if (index >= 0) {
                PRCATT(1, index, 0, 0);
                chosen = index;
            }
        }
    }
}
