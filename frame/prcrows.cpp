// The rows of the procedure list and what a pick in it or in the graphics
// names.
#include "frame/prcrows.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "blocks/procblk.h"
#include "core/host.h"
#include "core/listname.h"
#include "core/names.h"
#include "edit/proctab.h"

namespace {
constexpr i32 ATTENTION = 50;  // the attention code of a highlighted procedure
// Rows past the count hold no procedure of this tool path (nothing, or a
// procedure of one listed before): such a row gets the column's empty form.
bool in_table(i32 k) { return k >= 1 && k <= PRCTAB.count && k <= PRT_MAX; }
}  // namespace

// The procedure lists' status column from the procedure tables. It goes by
// the name its callers here know (the take-over, the list rows): PRCCOL is
// the name of the tool path listing's column, a different one built from the
// printer's procedure entries (edit/report/prproc.cpp), and one name cannot
// stand for both.
void PRCCLW(const i32& k, char* column)
{
    std::memcpy(column, "-----              ", 19);
    if (!in_table(k)) return;
    const ProcTables& t = PRCTAB;
    if (t.state[k] == 4 || t.state2[k] == 2) column[0] = 's';
    if (t.state[k] == 2) column[0] = 'S';
    if (t.state[k] == 3) column[0] = 'I';
    if (t.gflag[k] != 0) column[1] = 'G';
    if (t.mflag[k] != 0) column[2] = 'M';
    if (t.blank[k] == 2) column[3] = 'B';
    if (t.blank[k] == 3) column[3] = 'b';
    if (t.optim[k] > 0) column[4] = 'O';
    if (t.optim[k] == 3) column[4] = 'r';
    if (t.optim[k] == 4) column[4] = 'R';
    if (t.ntrans[k] > 0) {
        if (t.trhide[k] == 0) std::memcpy(column + 5, "(    )", 6);
        char name[4];
        PRCTRF(1, k, name);
        std::memcpy(column + 6, name, 4);
    }
    if (t.type[k] > 0) {
        char name[9] = {0}, packed[40] = {0};
        PRCNAM(t.type[k], name);
        i32 n = 0;
        mktxtc(name, packed, 35, n);
        std::string s(packed, strnlen(packed, sizeof packed));
        s.resize(8, ' ');
        std::memcpy(column + 11, s.data(), 8);
    }
}

void PCKPGT(const i32& row, const i32& per, const i32& first, const i32& top, i32& index, i32& block)
{
    index = -1;
    block = -1;
    if (row == 0) {
        i32 id = 0, key[2] = {0, 0}, n = 0;
        slpopb(id);
        if (id > 0) ncd_get_picked(id, key, 2, n);
        if (n < 1) {
            eroutc("PCKPGT, ILLEGAL KEY BLOCK", 0);
            return;
        }
        for (i32 k = 1; k <= PRCTAB.count && k <= PRT_MAX; ++k)
            if (PRCTAB.number[k] == key[0]) {
                index = k;
                if (n > 1) block = key[1];
                return;
            }
        return;
    }
    // Fewer than one row per entry cannot be divided by: the row then names
    // no procedure, and the index stays -1 as for a row above the first.
    if (per < 1) return;
    const i32 k = (row - top) / per + first;
    if (k < 1) return;
    index = k > PRCTAB.count ? PRCTAB.count + 1 : k;
}

void PRCATT(const i32& mode, const i32& index, const i32& window, const i32& count)
{
    (void)mode;
    (void)window;
    if (index < 0 || index > PRCTAB.count || index > PRT_MAX || PRCTAB.blank[index] == 2) return;
    ncd_set_range_blocks_attention(PRCTAB.number[index], count > 0 ? count : 0, ATTENTION);
}

// The host's menu rows here take one text each, with no cell types to set:
// the four cells of a procedure's row are joined by " | " into that text, and
// a row past the count is a single blank cell. The colour cell is the host's
// own (modclr) after the row's text.
void MLTTLS(const i32& first, const i32& last, i32* ids, const i32& colour)
{
    static const char* const COLOUR_CELL = "        @ @ @ @ @ @ @ @ @ @ @ @ @ @ ";
    for (i32 k = first; k <= last; ++k) {
        const i32 slot = k - first;
        if (!in_table(k)) {
            // Blank cells that can still be chosen (the place after the last).
            ids[slot] = k > PRT_MAX ? 0 : k;
            modm(" ");
            continue;
        }
        const ProcTables& t = PRCTAB;
        ids[slot] = k;
        char col[20] = {0};
        PRCCLW(k, col);
        char c1[64];
        std::snprintf(c1, sizeof c1, "%s%c%d", std::string(col, 19).c_str(), t.mark[k] == 2 ? '*' : '=', t.number[k]);
        std::string c2;
        if (t.tool[k] >= 1) {
            c2 = "-- TOOL";
            if (t.cflag[k] != 0) c2[0] = 'C';
            if ((t.state[k] == 2 || t.state[k] == 4) && t.uflag[k] != 0) c2[1] = 'U';
            c2 += " = ";
            c2 += t.ntools[k] >= 2 ? std::string("MULTI TOOLS") : std::string(t.toolname[k], strnlen(t.toolname[k], 20));
            if (c2.size() > 35) c2.resize(35);
        }
        std::string c3(t.comment[k], strnlen(t.comment[k], 20));
        char ucs[7] = {0};
        if (ISDYNM(t.type[k]) == 0) PRCUCS(1, k, ucs);
        std::string row = std::string(c1) + " | " + c2 + " | " + c3 + " | " + std::string(ucs, strnlen(ucs, 6));
        trfoff();
        modm(row.c_str());
        trfon();
        if (colour != 0) {
            // The host answers the colour of the procedure it has current:
            // the one coloured list is that of the procedure being edited.
            i32 c = 0, pen = 0, a = 0, b = 0;
            gs_proc_color_pen(1, c, pen, a, b);
            modclr(COLOUR_CELL, c);
        }
    }
}
