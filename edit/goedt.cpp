#include "edit/goedt.h"

#include <cstring>
#include <initializer_list>

#include "blocks/copy.h"
#include "blocks/format.h"
#include "blocks/listacc.h"
#include "blocks/movement.h"
#include "blocks/navig.h"
#include "blocks/tech.h"
#include "core/codedio.h"
#include "core/host.h"
#include "core/records.h"
#include "edit/blktext.h"
#include "edit/delete.h"
#include "edit/framehk.h"
#include "edit/prmedt.h"
#include "edit/prmflg.h"
#include "edit/stepping.h"

namespace {

constexpr i32 SLOT_INSERT = 5, SLOT_SEEK = 9, SLOT_STATE = 12;
// Technology blocks the insertion wrote (removed again when no GO motion
// follows them).
i32 state_blocks = 0;
// Insertion flags and values: restate parameter 1, or 53 and 52.
constexpr i32 FLAG_P1 = 0, FLAG_P5352 = 1;

void fail(const char* text) { errout(text, 0, static_cast<i32>(std::strlen(text))); }

// The GO options of the machining type; false for a type without GO motions.
bool go_options(const i32 kind, i32& mode, i32* flags, i32* values, i32* tool, i32* display)
{
    const i32 feed_code = eqval(wrd2r(DSM4[DSM4_FEED]), -1.0f) != 0 ? 4 : 1;
    auto offer = [&](std::initializer_list<i32> items) {
        for (i32 k : items) tool[k - 1] = 1;
    };
    if (mach_mill(kind)) {
        mode = kind <= MACH_MILLPOS ? 1 : 2;
        flags[FLAG_P1] = 1;
        display[0] = 1;
        offer({4, 5, 6, 8, 9});
        values[0] = feed_code;
    } else if (mach_punch(kind)) {
        mode = 3;
        flags[FLAG_P5352] = 1;
        offer({1, 8});
        values[0] = machine_table(20) == 2 ? 16 : 17;
        values[1] = machine_table(19) == 2 ? 13 : 14;
    } else if (kind == MACH_LATHE) {
        mode = 4;
        flags[FLAG_P1] = 1;
        offer({4, 5, 6, 8, 9});
        values[0] = feed_code;
    } else if (mach_wire_edit(kind)) {
        mode = 5;
    } else {
        return false;
    }
    return true;
}

// The re-entry block picked on the current list: its number, the found
// block when the pick is left; false after a wrong pick (asked again).
bool pick_reentry(const i32& found, i32& reentry)
{
    i32 st = -3;
    while (st == -3) {
        prmptc("PICK RE-ENTRY BLOCK");
        enatpo();
        setatn(0);
        pick(st);
        setatn(1);
    }
    if (st < 0) {
        reentry = found;
        return true;
    }
    i32 id = 0, picked[2] = {0, -1}, n = 0, level = 0;
    slpopb(id);
    if (id != 0) ncd_get_picked(id, picked, 2, n);
    gtlstn(1, level);
    if (n <= 1 || picked[0] != level) {
        userrc("PLEASE INDICATE ON ONE OF THE PROCEDURE BLOCKS", 0);
        return false;
    }
    reentry = picked[1];
    return true;
}

// Back to the insertion point with a straight move, the next block marked.
void return_to_insertion(const f32* point, const f32* direction, i32* key, i32& type, i32& status)
{
    f32 p[3], d[3];
    i32 number = 0, st = 0;
    PRVPNT(1, p, d, number, st);
    if (st >= 0) ncd_set_block_position(number, 1, st);
    if (st >= 0) MOVLIN(1, point, direction, st);
    if (st < 0) {
        fail("EDTGOF, ERRORS IN LIST");
        status = -3;
        return;
    }
    ncd_connect_toolpath();
    MRKSTP(1, key, type, st);
    status = st < 0 ? -3 : 0;
}

}  // namespace

i32 LGLKEY(const i32& number, i32& status)
{
    status = 0;
    i32 answer = 0;
    lmark(1, SLOT_SEEK, answer);
    if (answer < 1) {
        fail("LGLKEY,ERRORS IN LIST");
        status = -3;
        return 0;
    }
    i32 found = 0;
    while (true) {
        i32 size = 0, type = 0, cls = 0, here = 0, st = 0;
        TPBLKH(AM_LIST, size, type, cls, st);
        if (st >= 0) tpget(AM_LIST, 1, DT_INT, &here, st);
        lclos();
        if (st < 0) {
            fail("LGLKEY,ERRORS IN LIST");
            status = -3;
            break;
        }
        if (here == number) {
            found = 1;
            break;
        }
        i32 jst = 0;
        TPJUMP(1, jst);
        if (jst < 0) break;
    }
    i32 st = 0;
    TPTOP(SLOT_SEEK, st);
    if (st < 0 && status == 0) {
        fail("LGLKEY,ERRORS IN LIST");
        status = -3;
    }
    return status < 0 ? 0 : found;
}

void EDTGOI(const i32* flags, const i32* values, f32* point, f32* direction, i32& number, i32& layer,
            i32& status)
{
    status = 0;
    i32 answer = 0, st = 0;
    lmark(1, SLOT_INSERT, answer);
    if (answer >= 1) PRVPNT(1, point, direction, number, st);
    if (answer < 1 || st < 0) {
        fail("EDTGOI, ERRORS IN LIST");
        status = -1;
        return;
    }
    // The GO motions start at the previous point.
    const f32 up[3] = {0, 0, 1};
    for (i32 k = 0; k < 3; ++k) {
        LSP2[LSP2_POS + k] = r2wrd(point[k]);
        LSP2[LSP2_AXIS + k] = r2wrd(direction[k]);
        LSP2[LSP2_NORMAL + k] = r2wrd(up[k]);
    }
    LSP2[LSP2_SET9] = LSP2[LSP2_SET10] = 1;
    LSP2[LSP2_MOVED] = 0;
    std::memcpy(MOVST.point, point, 3 * sizeof(f32));
    std::memcpy(MOVST.axis, direction, 3 * sizeof(f32));
    std::memcpy(MOVST.normal, up, sizeof up);
    MOVST.closed = 0;
    MOVST.restart = 1;
    // A failure of the layer check or of the state reads below fails the
    // insertion too (status -1), and nothing is written at the insertion
    // point.
    bool failed = false;
    layer = CHKLYR(st);
    failed = failed || st < 0;
    SAVSTA(0, 2, st);
    const bool saved = st >= 0;
    failed = failed || st < 0;
    MDLPRM(st);
    failed = failed || st < 0;
    i32 dst = 0;
    ncd_set_block_position(number, 1, dst);
    PRMFLG(1, st);
    failed = failed || st < 0;
    if (!failed) {
        if (flags[FLAG_P1] != 0) STPV01(values[0]);
        if (flags[FLAG_P5352] != 0) {
            STPV53(values[0]);
            STPV52(values[1]);
        }
        PRMSTS(st);
        failed = st < 0;
    }
    i32 wst = 0;
    if (!failed) state_blocks = write_state_counted(SLOT_STATE, wst);
    if (failed) status = -1;
    // On every road the list goes back to the insertion point and the
    // display position is registered again.
    TPTOP(SLOT_INSERT, st);
    if (st < 0 || wst < 0) {
        fail("EDTGOI, ERRORS IN LIST");
        status = -1;
    }
    i32 dst2 = 0;
    ncd_set_block_position(number, 1, dst2);
    if (dst < 0 || dst2 < 0) {
        fail("EDTOGI, ERRORS IN THE DISPLAY FILE");
        status = -1;
    }
    // A failed insertion puts back the machine state it saved: the modal
    // copy taken above would otherwise stay as the procedure's machine
    // values for the edits after it.
    if (status < 0 && saved) SAVSTA(0, 1, st);
}

void EDTGOF(const f32* point, const f32* direction, const i32& number, i32* key, i32& type, i32& deleted,
            i32& status)
{
    status = 0;
    while (true) {
        i32 reentry = -1;
        if (!pick_reentry(number, reentry)) continue;
        if (reentry != number) {
            i32 st = 0;
            const i32 after = LGLKEY(reentry, st);
            if (st < 0) {
                fail("EDTGFN, ERRORS IN LIST");
                status = -3;
                return;
            }
            if (after == 0) {
                userrc("THE CONNECTION POINT SHOULD BE|      AFTER THE INSERTED MOVMENTS", 0);
                continue;
            }
            // The motions from the one after the GO motions up to the
            // re-entry block go, and the gap is closed.
            // The result key starts as the editor's own: the deletion hands
            // one back only where it steps the tool on, and on every other
            // road the editor keeps its key, whose block (the insertion
            // point, before the GO motions) the deletion does not touch.
            i32 start[KEY_N] = {}, end[KEY_N] = {}, result[KEY_N] = {}, request = 0;
            std::memcpy(result, key, KEY_N * sizeof(i32));
            MRKSTP(1, start, type, st);
            // A failed step gives no start key: a deletion from it would
            // start from whatever the key held, so the command ends here.
            if (st < 0) {
                fail("EDTGOF, ERRORS IN LIST");
                status = -3;
                return;
            }
            blkkey(end, reentry);
            DLTBLK(1, 1, result, type, start, end, deleted, request, st);
            // Any failure of the deletion (a range not found included) is the
            // command's list error; -1 stays a wrong machining type's answer.
            if (st < 0 && st != -2) {
                status = -3;
                return;
            }
            if (st != -2) {
                // The deletion's result key, handed back in the caller's
                // display record, so that the editor goes on from a block
                // the deletion left in the list.
                std::memcpy(key, result, KEY_N * sizeof(i32));
                status = st;  // 0, or 17 from a range at the first motion
                return;
            }
        }
        return_to_insertion(point, direction, key, type, status);
        return;
    }
}

void EDTGO(i32* key, i32& type, i32& inserted, i32& changed, i32& status)
{
    status = 0;
    inserted = changed = 0;
    i32 tool[30] = {}, display[20] = {}, options[11] = {}, flags[2] = {}, values[2] = {}, mode = 0;
    options[3 - 1] = display[4 - 1] = tool[11 - 1] = 1;
    f32 point[3] = {0, 0, 0}, direction[3] = {0, 0, 1};
    i32 found = -1, layer = 0, deleted = 0, st = 0, went = 0;
    if (!go_options(NPT1[NPT1_MACHINE], mode, flags, values, tool, display)) {
        errout("WRONG TYPE OF MACHINING TYPE", 0, 28);
        status = -1;
    }
    if (status == 0) EDTGOI(flags, values, point, direction, found, layer, st);
    // A failed insertion is the command's list error (-3); -1 stays the
    // answer of a machining type without GO motions.
    if (st < 0) status = -3;
    // From here the insertion has saved the machine state: it is put back
    // on every road out below.
    const bool saved = status == 0 && st >= 0;
    if (saved) {
        i32 gst = 0;
        if (FRMHKS.go_menu) FRMHKS.go_menu(mode, tool, display, options, inserted, gst);
        if (gst != 0) {
            fail("EDTGO, ERRORS IN LIST");
            status = -3;
        }
    }
    i32 current = -2;
    if (status == 0 && st >= 0) {
        modinz();
        if (key[2] != -1) ncd_set_blocks_attention(-1, key, key, 0);
        // The editor's current block number is read as the list level's
        // block counter (CURBLK), the number the blocks written at the
        // insertion point go on from.
        CURBLK(current);
        went = inserted;
        if (current == found) inserted = 0;
        // Without GO motions the technology blocks of the insertion go again:
        // the list stays as it was. GO motions that need no re-entry keep
        // the state blocks written before them.
        if (went == 0) {
            i32 rst = 0;
            remove_written(SLOT_STATE, state_blocks, rst);
            // A removal the list refuses leaves the insertion's technology
            // blocks in the path: a list error, and the path has changed.
            if (rst < 0) {
                fail("EDTGO, ERRORS IN LIST");
                status = -3;
                changed = 1;
            }
        }
        if (inserted != 0) {
            EDTGOF(point, direction, found, key, type, deleted, st);
            if (st < 0) status = st;
        }
    }
    // Also after a failing GO menu or re-entry: the GO menu's and the
    // insertion's values must not stay as the procedure's machine values.
    if (saved) {
        i32 rst = 0;
        SAVSTA(0, 1, rst);
    }
    ncd_connect_toolpath();
    if (inserted != 0 && (layer != 0 || deleted != 0)) changed = 1;
    // GO motions at the insertion point that needed no re-entry changed the
    // path; when the GO menu inserted nothing the list was put back as it
    // was, and the caller is not told of a change.
    if (inserted == 0 && current == found && went != 0) inserted = changed = 1;
}
