// Take-over of a stored procedure as the current commands, as the procedure
// list and the criteria list of a whole tool path do before the procedure
// type's module runs on it.
#include "frame/prctake.h"

#include <cstring>
#include <vector>

#include "blocks/listacc.h"
#include "blocks/tech.h"
#include "core/codedio.h"
#include "core/host.h"
#include "core/records.h"
#include "edit/proctab.h"
#include "frame/bookkeep.h"
#include "frame/cmpblk.h"
#include "frame/machtype.h"
#include "frame/prcrows.h"
#include "frame/prmmnu.h"

namespace {
i32 UPDSAV = 1;  // the record set is saved by updtcm

// The procedure-type code of a stored procedure entity; 0 when it cannot be
// read.
i32 stored_code(i32 proc)
{
    i32 nwords = 0, ngeom = 0, st = 0;
    get_proc_info(proc, nwords, ngeom, st);
    if (st < 0) return 0;
    std::vector<i32> words(static_cast<size_t>(nwords) + 1), geoms(static_cast<size_t>(ngeom) + 1);
    i32 id = proc, number = 0, code = 0;
    dbd_proc(1, id, number, code, words.data(), nwords, geoms.data(), ngeom, st);
    return st < 0 ? 0 : code;
}

// The 20-character comment of a stored procedure entity (item 29 of its
// procedure group); left empty when the entity has none.
void stored_comment(i32 proc, char* comment)
{
    i32 words[GS_PARAM_MAX], st = 0;
    std::memset(words, 0, sizeof words);
    gs_param(3, proc, 9, 4, 29, words, st);
    if (st != 0) return;
    std::memcpy(comment, words, 20);
}
}  // namespace

void UPDFLG(const i32& value) { UPDSAV = value; }

void updtcm(const i32& list, const i32& proc, const i32& index, const i32& medium, const i32& held,
            const i32& flag12, const i32& flag11, i32& status)
{
    status = 0;
    const bool in_list = medium == 2 || medium == 3;
    // The procedure tables are the current tool path's, filled up to their
    // count. Only a procedure of the list has a row there: a stored procedure
    // entity's position belongs to another tool path, and its row would lend
    // it another procedure's comment, number, states and status column. It
    // takes what its own entity holds and the reset state otherwise.
    const bool row = in_list && index >= 1 && index <= PRCTAB.count && index <= PRT_MAX;
    f32 point[3] = {0, 0, 0}, axis[3] = {0, 0, 1};
    if (in_list) {
        CURCOM(1, 1, 0, 1, 1, 1, status);
        if (status < 0) return;
        f32 npoint[3], naxis[3];
        i32 attop = 0, atend = 0;
        GETPOS(point, axis, attop, npoint, naxis, atend, status);
        if (status < 0) return;
        std::memcpy(DSP8, point, sizeof point);
        std::memcpy(DSP8 + 3, axis, sizeof axis);
        std::memcpy(DSP8 + 6, axis, sizeof axis);
    }
    const i32 code = row ? PRCTAB.type[index] : in_list ? 0 : stored_code(proc);
    if (held == 0 && code != 52 && code != 53) {
        TMINST(PRM9[PRM9_TOOL], point, axis, status);
        if (status < 0) return;
    }
    // The comment name and the 12-character text of item 30.
    char comment[21], text[13];
    std::memset(comment, 0, sizeof comment);
    if (row) std::memcpy(comment, PRCTAB.comment[index], 20);
    if (!in_list) stored_comment(proc, comment);
    GSTXT1(2, comment);
    // The take-over stops at the first read or store that fails, with its
    // status: the records must not be left half of this procedure's.
    auto failed = [&](i32 st) {
        if (st >= 0) return false;
        status = st;
        return true;
    };
    i32 st = 0;
    GTTXTC(in_list ? MED_LIST : MED_ENTITY, proc, GR_GLOBAL, 30, text, st);
    if (failed(st)) return;
    GSTXT2(2, text);
    PUTTXT(st);
    if (failed(st)) return;
    i32 v35 = 0;
    if (in_list) {
        i32 sonh[9] = {0}, count = 9;
        TPGETN(MED_LIST, GR_TOP, 1, count, DT_INT, sonh, st);
        if (failed(st)) return;
        WRREC("SONH", 3, sonh, 9, st);
        if (failed(st)) return;
        count = 1;
        TPGETN(MED_LIST, GR_GLOBAL, 35, count, DT_INT, &v35, st);
    } else {
        i32 values[GS_PARAM_MAX];
        gs_param(3, proc, 0, 4, 35, values, st);
        if (st == 0) v35 = values[0];
    }
    if (failed(st)) return;
    // The machine-system frame of the common arguments follows the view they
    // name (rows of the view transposed); view 0 names none.
    if (NPT1[NPT1_VIEW] > 0) {
        f32 view[9], frame[9];
        trget(NPT1[NPT1_VIEW], view);
        m3tpos(view, frame);
        for (i32 k = 0; k < 9; ++k) NPT1[NPT1_FRAME + k] = r2wrd(frame[k]);
    }
    if (UPDSAV != 0) {
        PUTRECS(st);
        if (st < 0) {
            eroutc("updtcm, ERRORS IN MDPUT", 0);
            status = st;
            return;
        }
    }
    // The status fields that show machine values take the table just read.
    if (held == 0) MUMCHT(0);
    // The procedure's number: from the tables; for a procedure outside them
    // from its block in the list; in the entity medium the host knows it
    // by its entity id alone.
    i32 number = proc;
    if (row) {
        number = PRCTAB.number[index];
    } else if (in_list) {
        i32 count = 1;
        TPGETN(MED_LIST, GR_LEAD, 33, count, DT_INT, &number, st);
        if (failed(st)) return;
    }
    EDA2[EDA2_OPENED] = 1;
    EDA2[EDA2_PROC] = number;
    EDA2[EDA2_LIST] = list;
    EDA2[EDA2_MOVED] = v35 == 1 ? 1 : 0;
    EDA2[EDA2_HELD] = held;
    if (row) {
        EDA2[EDA2_TABLE] = PRCTAB.table[index];
        EDA2[EDA2_SUSPST] = PRCTAB.state[index] == 2 || PRCTAB.state[index] == 4 ? 1 : 0;
        EDA2[EDA2_MANUAL] = PRCTAB.manual[index];
        EDA2[EDA2_OLDVER] = PRCTAB.oldver[index];
        EDA2[EDA2_INTR] = PRCTAB.state[index] == 3 ? 1 : 0;
        // Blanked: a blank state other than 1 (shown), that is 2 or 3.
        EDA2[EDA2_BLANK] = PRCTAB.blank[index] == 2 || PRCTAB.blank[index] == 3 ? 1 : 0;
    } else {
        // A procedure outside the tables (a stored entity among them) has no
        // state there: its words take the reset values, so that a procedure
        // taken over before it does not lend it its suspended, interrupted or
        // blanked state.
        EDA2[EDA2_TABLE] = -1;
        for (i32 k = EDA2_SUSPST; k <= EDA2_BLANK; ++k) EDA2[k] = 0;
    }
    EDA2[EDA2_NOQUEST] = flag11;
    EDA2[EDA2_SUSP] = flag12;
    for (i32 k = 14; k <= 18; ++k) EDA2[k] = 0;
    // A refused store of "EDA2" ends the take-over like any failed store: the
    // record set saved above holds the "EDA2" of the procedure taken over
    // before, and answering success would let the procedure run as if taken
    // from that one.
    WRREC("EDA2", 3, EDA2, EDA2_N, st);
    if (failed(st)) return;
    // The procedure menus' status text is the procedure's list column; a
    // procedure without a row shows the column's empty form.
    PRCCLW(row ? index : 0, PRCSTT);
    PRCSTT[19] = '\0';
    if (held == 0) {
        // The machining parameters are a read of the block like the others:
        // one that fails ends the take-over with its status, so that a
        // machining-parameter block half read is not answered as taken over.
        CMPGTP(st);
        if (failed(st)) return;
    }
    // The whole take-over done: status 0, whatever an earlier step answered
    // on its way.
    status = 0;
}
