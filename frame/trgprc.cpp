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
constexpr i32 R_LIST = 1;     // "SELECT FROM LIST", the one row of the pick mode
constexpr i32 R_CONTINUE = 2, R_CANCEL = 3, R_PGUP = 5, R_PGDN = 6;

// The tool path's 8-character name from the part's tool path table; the
// open tool path's entry is its header, which NPT1 holds.
std::string tool_path_name(i32 number)
{
    char name[8];
    if (number == CLP1[CLP1_NUMBER]) {
        std::memcpy(name, NPT1, 8);
        for (char& c : name)
            if (c == '\0') c = ' ';
    } else {
        i32 st = 0;
        get_tp_name(number, name, st);
    }
    return std::string(name, 8);
}

// Takes the highlight off a procedure's blocks (attention 0), as PRCATT
// puts it on: not for a blanked procedure nor for the place after the last.
void unhighlight(i32 index)
{
    if (index < 1 || index > PRCTAB.count || index > PRT_MAX || PRCTAB.blank[index] == 2) return;
    ncd_set_range_blocks_attention(PRCTAB.number[index], 0, 0);
}
}  // namespace

void TRGPRC(i32& chosen, const i32& tp, i32& status)
{
    status = 0;
    // The procedure count is that of the procedure tables loaded, the current
    // tool path's unless the caller loaded another's.
    const i32 count = std::min(PRCTAB.count, PRT_MAX);
    if (count < 1) {
        chosen = 1;
        return;
    }
    bool list = tp >= 1;
    const i32 entries = count + 1;
    const bool paging = entries > PAGE;
    // Only the chosen index is kept: the list rows show the procedure tables'
    // own marks (MLTTLS takes no mark table), so a table of this call's marks
    // would have no reader.
    chosen = -1;
    i32 first = 1;
    const std::string header = "TP=" + tool_path_name(tp >= 1 ? tp : CLP1[CLP1_NUMBER]);
    i32 shown = -1;     // menu lines of the list last shown
    bool full = true;   // the menu area is cleared fully before the next list
    // A choice withdrawn loses its highlight with it: the graphics show no
    // target that no longer stands.
    auto unmark = [&] {
        unhighlight(chosen);
        chosen = -1;
    };
    auto leave = [&](i32 st) {
        status = st;
        MNUCLR();
        statbl();
    };
    while (true) {
        statbl();
        if (!list) {
            // A fresh menu for the offer: the interaction is started anew,
            // the area itself is left as the list or the caller drew it.
            modinz();
            prmptc("TARGET:PICK PROC.");
            modm("SELECT FROM LIST");
        } else {
            const i32 last = std::min(first + PAGE - 1, entries);
            const i32 lines = FIXED + last - first + 1;
            gsclr(full || lines != shown ? MNULYW.clear_area : MNULYW.clear_change);
            shown = lines;
            full = false;
            i32 st = 0;
            MNUIN3("TARGET", st);
            // The menu cannot be shown: no target is chosen, as after a cancel.
            if (st < 0) return leave(-1);
            prmptc("TARGET:SELECT PROC.");
            if (paging) usmsgc(first == 1 ? "MORE STR" : last == entries ? "MORE END" : "MORE    ");
            // Each row is shown in the colour the host gives its kind (the
            // header a text row, the choices option rows, the gaps blank
            // rows): no row of this menu has a colour of its own, so none is
            // set here.
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
        }
        // A pick in the graphics (0) or a row of the menu shown, with the
        // host's pick attention off while the user picks.
        i32 reply = 0;
        setatn(0);
        pick(reply);
        setatn(1);
        // Row 2 is CONTINUE only once a procedure is chosen; before that it
        // is the blank placeholder, and a pick on it, should the host let
        // one through, changes nothing.
        if (reply == -1 || (list && reply == R_CONTINUE && chosen >= 0)) return leave(0);
        if (reply == -2 || (list && reply == R_CANCEL)) {
            unmark();
            return leave(-1);
        }
        if (list && paging && (reply == -3 || reply == R_PGDN)) {
            if (first + 10 <= entries) first += 10;
        } else if (list && paging && reply == R_PGUP) {
            first = std::max(1, first - 20);
        } else if (!list && reply == R_LIST) {
            list = true;
        } else if (reply == 0 || (list && reply > FIXED)) {
            unmark();
            i32 index = -1, block = -1;
            PCKPGT(reply, 1, first, FIXED + 1, index, block);
            if (index >= 0) {
                PRCATT(1, index, 0, 0);
                chosen = index;
            } else {
                full = true;
            }
        }
    }
}
