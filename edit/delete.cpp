#include "edit/delete.h"

#include <cstring>

#include "blocks/dspblk.h"
#include "blocks/format.h"
#include "blocks/listacc.h"
#include "blocks/listdsp.h"
#include "blocks/movement.h"
#include "blocks/navig.h"
#include "blocks/tech.h"
#include "core/codedio.h"
#include "core/host.h"
#include "core/records.h"
#include "edit/alter/search.h"
#include "edit/gapcon.h"
#include "edit/loops.h"
#include "edit/prmflg.h"
#include "edit/stepping.h"

namespace {
// List marks: the editor's position, the range's first and last block, the
// position left by the removal.
constexpr i32 SLOT_EDITOR = 7, SLOT_FIRST = 5, SLOT_LAST = 6, SLOT_GAP = 2;

f32 zshift() { return wrd2r(NPT1[NPT1_ORIGIN + 2]); }

void copy_key(i32* to, const i32* from) { std::memcpy(to, from, KEY_N * sizeof(i32)); }

// Remembers the editor's list position; a refusal says so under the
// command's name with status -3.
bool remember_editor(const char* message, i32& status)
{
    i32 answer = 0;
    lmark(1, SLOT_EDITOR, answer);
    if (answer >= 1) return true;
    eroutc(message, 0);
    status = -3;
    return false;
}

// The connect option: 1 DIRECTLY, 2 THROUGH CLEAR, 3 DELETE LOOP; the
// clearance height and Z-up of THROUGH CLEAR. Answers the reply: 1 go on,
// 0 or -2 declined, -1 the second confirm (declined, status kept).
i32 ask(const i32& reconnect, i32& option, f32& clear, f32& zup)
{
    const i32 kind = NPT1[NPT1_MACHINE];
    i32 reply = -3;
    while (reply == -3) {
        if (reconnect == 1 && kind >= 22 && kind <= 26) {
            prmptc("SEL. CONNECT OPTION");
            i32 choice = 1;
            menuc("DIRECTLY@THROUGH CLEAR@DELETE LOOP", choice);
            if (choice == -3) continue;
            if (choice < 0) return -2;
            option = choice < 1 || choice > 3 ? 1 : choice;
            if (option != 2) return 1;
            // The dialog's rows are built afresh each time it is asked for
            // (the question may come round again), so the host's menu state
            // is reset before them each time.
            modinz();
            modrc("CLEAR", clear, -9999.0f, 9999.0f);
            modrc("Z-UP", zup, 0.0f, 9999.0f);
            // The dialog goes through the host's menu continuation and
            // modify call, as the module's other value dialogs do: 0 goes
            // on, -3 asks again, any other answer is a cancel.
            prcont();
            i32 action = 0;
            modif1(action);
            reply = action == 0 ? 1 : action == -3 ? -3 : -2;
        } else {
            irepyc("OK TO DELETE ?", reply);
            option = reconnect != 0 ? 2 : 1;
        }
    }
    return reply;
}

// Whether a motion block follows the cursor; the cursor ends where it was.
// False on a list failure. The walk goes by plain jumps and comes back by
// as many: a list mark the host refused would answer "nothing follows" and
// leave the gap open, and a mark not found again would leave the cursor on
// a block after the range, which the removal would then delete.
bool motion_follows(bool& follows)
{
    follows = false;
    i32 steps = 0, st = 0;
    while (true) {
        TPJUMP(1, st);
        if (st == -2) break;
        if (st < 0) return false;
        ++steps;
        i32 size = 0, type = 0, cls = 0;
        TPBLKH(AM_LIST, size, type, cls, st);
        lclos();
        if (st < 0) return false;
        if (cls == BC_MOVE) {
            follows = true;
            break;
        }
    }
    st = 0;
    if (steps > 0) TPJUMP(-steps, st);
    return st >= 0;
}

// The first tool point after the range's last block (the cursor's), when a
// motion follows. False on a list failure, and when the read did not leave
// the cursor on that block: deleting the block then under it would delete
// one the user kept.
bool point_after(bool& follows, f32* after, f32* adir)
{
    i32 here = 0, back = 0;
    lgtpos(here);
    if (!motion_follows(follows)) return false;
    lgtpos(back);
    if (back != here) return false;
    if (!follows) return true;
    i32 n = -1, st = 0;
    NXTPOI(0, after, adir, n, st);
    lgtpos(back);
    return st >= 0 && n != -1 && back == here;
}

// Removes the motion blocks of the range (from its first block on) with
// their display blocks; point after: the first tool point after the range,
// when a motion follows it. Status -3 on a list failure.
void remove_range(const i32* end, bool& follows, f32* after, f32* adir, i32& changed, i32& status)
{
    follows = false;
    i32 shown[KEY_N];
    TPTOP(SLOT_FIRST, status);
    if (status < 0) return;
    i32 answer = 0;
    lacces(0, answer);
    while (status >= 0) {
        i32 size = 0, type = 0, cls = 0, number = 0;
        TPBLKH(AM_LIST, size, type, cls, status);
        if (status >= 0) tpget(AM_LIST, 1, DT_INT, &number, status);
        lclos();
        if (status < 0) break;
        // The range's ends are whole blocks: the range search breaks a
        // string that holds either end into lines.
        const bool at_end = number == end[2];
        if (cls == BC_MOVE) {
            // Each motion's drawing is taken off with the motion, by that
            // motion's own key while it is at hand: the drawings are kept
            // block by block, one key each.
            blkkey(shown, number);
            changed = 1;
            if (at_end && !point_after(follows, after, adir)) break;
            ncd_delete_blocks(0, shown);
            TPDELB(1, status);
            if (status < 0) break;
        }
        if (at_end) return;
        TPJUMP(1, status);
    }
    status = -3;
}

// Closes the gap from the previous motion (none when the range began at
// the first motion) to the point after the range (none when nothing
// follows) by the connect option.
void reconnect_gap(i32 option, bool before, const f32* prev, const f32* pdir, bool follows, const f32* after,
                   const f32* adir, f32 clear, f32 zup, i32& type, i32& status)
{
    type = 22;
    f32 feed = 0.0f;
    // A failed state search or machine-state write of the link still lets
    // the link be written (the gap is never left open), but the deletion
    // answers a list error: the feeds around the gap may not be the ones
    // the path ran at.
    bool failed = false;
    if (option == 2) {
        // The state before the gap is restored for the feed alone: it is the
        // one value the link takes from it (written back after the link).
        // The range's non-motion blocks stay in the list, so spindle,
        // coolant, tool and the other parameters in force after the gap are
        // not changed by the deletion, and a search for them would only
        // redisplay values the link does not use.
        const i32 code = 1;
        i32 st = 0;
        PRVMCH(2, 1, &code, st);
        failed = st < 0;
        // The feed in force at the gap (the modal one just restored, searched
        // back from after the range's kept blocks), not the machine feed: it
        // is written back after the link, so the moves kept after the gap run
        // at the feed they had. DELETE TO END restores
        // it too, or the value written back would be none at all.
        feed = wrd2r(DSM4[DSM4_FEED]);
        PRMFLG(0, st);
        failed = failed || st < 0;
        // The last-written values are brought in step with the machine
        // values before the link (the feed by code 1), so that the link's
        // machine state writes what changes, the rapid feed, and not
        // spindle, coolant, tool or coordinate system blocks compared with
        // values left from some earlier writing.
        STPV01(1);
        PRMSTS(st);
        failed = failed || st < 0;
        STPV01(4);
        for (int k = 0; k < 3; ++k) {
            DSP8[DSP8_POS + k] = r2wrd(prev[k]);
            DSP8[DSP8_AXIS + k] = r2wrd(pdir[k]);
        }
        const f32 p2[3] = {follows ? after[0] : prev[0], follows ? after[1] : prev[1], follows ? after[2] : prev[2]};
        // With no motion on either side there is no point to rise from or go
        // down to: no link; the machine state below is still written.
        if (before || follows) GAPCON(clear, zup, prev[0], prev[1], prev[2], p2[0], p2[1], p2[2]);
        ncd_connect_toolpath();
    } else if (follows && before) {
        // The joining line needs a motion on both sides: with one side
        // missing there is no point to go from or to, and nothing is written.
        MOVLIN(2, after, adir, status);
        if (status < 0) return;
    }
    // The technology state at the new position. Its search walks back and
    // comes back by a list mark; when it fails the cursor may stand anywhere
    // before the gap, so it is brought back to the end of the link, where
    // the feed after the link goes, and the deletion reports the failure.
    // A failure here (or of the link's display below) ends the deletion
    // with -3 before the step to the next motion: that step would walk from
    // a cursor the failed search or display may have left anywhere.
    i32 answer = 0, st = 0;
    lmark(1, SLOT_GAP, answer);
    UPDBOT(st);
    if (st < 0) {
        status = -3;
        if (answer < 1) return;
        TPTOP(SLOT_GAP, st);
        if (st < 0) return;
    }
    if (option == 1) {
        if (follows && before) {
            i32 flag = 0;
            DISPLB(1, flag, st);
            if (st == -1) status = -3;
        }
        ncd_connect_toolpath();
    } else {
        PRM9[PRM9_FEED] = r2wrd(feed);
        TECHST.requested[1] = 1;
        PTAMCH(st);
        if (st < 0 || failed) status = -3;
    }
}

// The number of the last tool point of the last motion, on which JUMP END
// left the cursor. A string of lines at the end stays whole there and
// answers its first point's number; ending the range on that number, the
// range search would break the string and stop on its first line, and the
// string's other points would stay in the list behind the link. The range
// ends on the string's last point instead. -1 (nothing to delete) when the
// block under the cursor cannot be read or is not that motion.
i32 last_point(i32 number, i32 type)
{
    if (number == -1 || !bt_string(type)) return number;
    i32 size = 0, read = 0, cls = 0, first = -1, st = 0;
    TPBLKH(AM_LIST, size, read, cls, st);
    if (st >= 0) tpget(AM_LIST, 1, DT_INT, &first, st);
    lclos();
    if (st < 0 || first != number || read != type) return -1;
    return number + (size - 1) / bt_point_words(type) - 1;
}
}  // namespace

void DLTBLK(const i32& reconnect, const i32& keep, i32* result, i32& type, i32* start, i32* end, i32& changed,
            i32& request, i32& status)
{
    changed = request = status = 0;
    f32 clear = wrd2r(HEI8[HEI8_CLEARANCE]) - zshift(), zup = 1.0f;
    modinz();
    bool atstart = false;
    auto finish = [&]() {
        if (changed == 0) request = 0;
        if (status >= 0 && atstart) status = 17;
    };
    i32 inmarker = 0, prevblock = -1;
    f32 prev[3], pdir[3];
    FNDRNG(SLOT_FIRST, SLOT_LAST, start, end, 0, inmarker, prevblock, prev, pdir, status);
    // A range not found (or a list failure on the way) ends with the final
    // steps alone, without the step to the next motion that follows a
    // deletion: nothing was removed or asked, and stepping on would move the
    // tool from a block the search could not place.
    if (status < 0) return finish();
    ncd_set_block_or_proc_attn(start, 0);
    ncd_set_block_or_proc_attn(end, 0);
    i32 option = 1;
    const i32 reply = ask(reconnect, option, clear, zup);
    if (reply == 1 && option == 3) {
        EDTLOP(start, end, type, changed, request, status);
        return;
    }
    // Declined: back to the range's later end for DELETE (reconnect 1,
    // keep 0), the block the tool stood on when the range was marked
    // forward and the delete-start block when it was marked backward;
    // otherwise back to the range's first block. With keep 0 the tool then
    // goes one motion on. So a declined DELETE leaves the tool one motion
    // after the range's later end, by this road's own rule, not one motion
    // after the start block: the tool goes on from where the user marked.
    if (reply != 1) {
        const bool atend = reconnect == 1 && keep == 0;
        ncd_set_block_or_proc_attn(atend ? end : start, 1);
        i32 st = 0;
        TPTOP(atend ? SLOT_LAST : SLOT_FIRST, st);
        if (!atend) copy_key(end, start);
        copy_key(result, atend ? end : start);
        if (reply == 0 || reply == -2) status = -2;
        if (keep == 0) MRKSTP(1, result, type, st);
        return finish();
    }
    clear += zshift();
    bool follows = false;
    f32 after[3] = {0, 0, 0}, adir[3] = {0, 0, 1};
    remove_range(end, follows, after, adir, changed, status);
    if (status < 0) {
        eroutc("DLTBLK, ERRORS IN LIST", 0);
        return finish();
    }
    // No walk back to the motion before the gap: its point and axis came
    // with the range search, and the cursor stays where the deletions left
    // it, after the range's non-motion blocks, which stay in the list. The
    // join is written after them, so a feed or other setting made inside
    // the range still stands for the moves after the gap, as it did, and
    // the state searched back from here is the one those moves ran at.
    i32 answer = 0;
    lmark(1, SLOT_GAP, answer);
    const bool before = prevblock != -1;
    if (!before) {
        atstart = true;
    } else {
        std::memcpy(MOVST.point, prev, sizeof prev);
        std::memcpy(MOVST.axis, pdir, sizeof pdir);
        MOVST.normal[0] = MOVST.normal[1] = 0.0f;
        MOVST.normal[2] = 1.0f;
        MOVST.newproc = 1;
        MOVST.closed = 0;
        // The first-move flag: a move was written, the one before the gap, so
        // a join that would go nowhere from its end is not written. The
        // next string point also opens a new string block: no string before
        // the gap is carried on across it.
        LSP2[LSP2_MOVED] = 1;
        MOVST.restart = 1;
    }
    // The display goes on from the motion before the gap (position -1
    // without reconnection, 1 with it), or from the top of the list when
    // there is none: the list's own key, 0 as for the other positions on the
    // list, and position -1 whether or not the gap is reconnected. It is set
    // before the state search of the link, which the reconnection keeps
    // beside the link it serves: that search reads the list and shows on the
    // status line, neither of which the display position touches.
    i32 st = 0;
    ncd_set_block_position(before ? prevblock : 0, before && reconnect != 0 ? 1 : -1, st);
    if (before) {
        ncd_set_attrs_as_curr_block();
    } else if (st < 0) {
        eroutc("DLTBLK, ERRORS IN THE DISPLAY FILE", 0);
        status = -3;
        return finish();
    }
    if (reconnect == 0) {
        ncd_connect_toolpath();
    } else {
        reconnect_gap(option, before, prev, pdir, follows, after, adir, clear, zup, type, status);
        if (status < 0) return finish();
    }
    // A list failure of the step to the next motion is the deletion's: the
    // tool is not where the editor would go on from.
    if (keep == 0) {
        MRKSTP(1, result, type, st);
        if (st < 0) status = st;
    }
    if (status > 0) status = 0;
    finish();
}

void EDTDLT(i32* start, i32* key, i32& type, i32& changed, i32& request, i32& status)
{
    changed = request = status = 0;
    if (start[2] == -1 || key[2] == -1 || start[2] == key[2]) return;
    if (!remember_editor("EDTDLT, ERRORS IN LIST", status)) return;
    i32 result[KEY_N];
    copy_key(result, start);
    DLTBLK(1, 0, result, type, start, key, changed, request, status);
    if (status == -2) {
        i32 st = 0;
        TPTOP(SLOT_EDITOR, st);
        if (st < 0) {
            eroutc("EDTDLT, ERRORS IN LIST", 0);
            status = -3;
        }
    } else {
        copy_key(key, result);
    }
}

void EDTTRM(i32* key, i32& type, i32& changed, i32& request, i32& status)
{
    changed = request = 0;
    if (key[2] == -1) return;
    if (!remember_editor("EDTTRM, ERRORS IN LIST", status)) return;
    i32 start[KEY_N], end[KEY_N];
    copy_key(start, key);
    copy_key(end, key);
    i32 number = -1, st = 0;
    JPENDP(number, type, st);
    // A failed search for the list's end (told by the search) deletes
    // nothing: the range's end is not known.
    if (st < 0) {
        TPTOP(SLOT_EDITOR, st);
        status = -3;
        return;
    }
    end[2] = last_point(number, type);
    TPTOP(SLOT_EDITOR, st);
    if (end[2] != -1 && number != key[2]) {
        DLTBLK(2, 0, key, type, start, end, changed, request, status);
        if (status != -1 && status != -2) return;
    }
    // Nothing deleted: the tool is marked and shown again on its block, by a
    // JUMP BLOCK to that block whatever the options stand at. Run with the
    // direction word taking the jump option's value, JUMP START and JUMP
    // END would step COUNT motions forward or backward, a LAYER STEP would
    // move by layers and JUMP LAYER/Z would jump to the layer at Z 0.0 (no
    // Z is given), none of which declining asks for.
    const i32 direction = MOVSTA.direction, jump = MOVSTA.jump;
    MOVSTA.direction = 3;
    MOVSTA.jump = 4;
    // The search for the end of the list loaded the state of its last
    // motion, and a JUMP BLOCK to the block the tool is on restores nothing:
    // the feed and the other parameters shown, and the ones MACH.PARAMS would
    // start from, would be the last motion's. The state in force at the
    // tool's block is restored first (the list stands on that block here),
    // with the direction not backward, so that every code is searched for.
    if (key[2] != -1) {
        UPDBOT(st);
        if (st < 0) status = -3;
    }
    STEPTL(key[2], -1, 1, key, type, -1.0f, 0.0f, st);
    MOVSTA.direction = direction;
    MOVSTA.jump = jump;
}

i32 MNDSAV[6] = {0, 0, 0, 0, 0, 0};
bool MNDKPT = false;

void mnedup(i32& open, const i32& changed, const i32& code22, const i32& redraw, i32& status)
{
    status = 0;
    auto fail = [&]() {
        eroutc("[mnedup, ]ERRORS IN UPDATE AFTER MANUAL EDIT", 0);
        status = -1;
    };
    // The procedure block's items (codes 21, 22 and the positions) are
    // brought up to date only when the editor's sub-list was open: the
    // procedure block is then the one the edits were made under.
    if (open != 0) {
        CLSSBL(status);
        if (status < 0) return fail();
        open = 0;
        if (changed != 0) {
            // One word from one int: an item stored longer is refused by
            // the change rather than filled from past the value.
            const i32 two = 2;
            change_values(AM_LIST, GR_GLOBAL, 21, DT_INT, 1, &two, status);
            if (status < 0) return fail();
            if (MNDKPT) std::memcpy(DSP8 + DSP8_POS, MNDSAV, sizeof MNDSAV);
            f32 first[3], fdir[3], last[3], ldir[3];
            i32 none = 1;
            FSTLST(first, fdir, last, ldir, none, status);
            if (status < 0) return fail();
            if (none == 0) {
                // The first position and direction go to codes 5 and 27, the
                // last to 6 and 28, as the header update after execution
                // stores them and as the procedure's positions are read back
                // (codes 5 and 27 its start, 6 and 28 its end). Stored the
                // other way round, the procedure after an edited one would
                // take the edited one's first position for where it ended.
                // Three words each: a stored segment longer than that is
                // refused rather than filled from past the three values.
                const f32* values[4] = {first, fdir, last, ldir};
                const i32 codes[4] = {5, 27, 6, 28};
                for (i32 k = 0; k < 4 && status >= 0; ++k)
                    change_values(AM_LIST, GR_GLOBAL, codes[k], DT_REAL, 3, values[k], status);
                if (status < 0) return fail();
            }
        }
        if (code22 != 0) {
            const i32 two = 2;
            change_values(AM_LIST, GR_GLOBAL, 22, DT_INT, 1, &two, status);
            if (status < 0) return fail();
        }
    }
    DSM4[DSM4_P5] = 0;
    MUTOOL(2);
    status = 0;
    if (redraw != 0) updtwa(1);
}
