#include "edit/msgblk.h"

#include <cstring>
#include <string>

#include "blocks/format.h"
#include "blocks/listacc.h"
#include "blocks/readers.h"
#include "blocks/writers.h"
#include "core/host.h"
#include "core/listname.h"
#include "core/records.h"

MsgPlaceFn MSGPLC = nullptr;

namespace {

constexpr i32 TEXT_BLOCK = 4;
constexpr i32 ROW_WIDTH = 11;
constexpr char INSERT_ROWS[] = "MESSAGE    SEQ. CODE  NO SEQ.CODEUSER DEF.  ";
constexpr char EDIT_ROWS[] = "GET NEXT   GET PREV   DELETE     REPLACE    MESSAGE    SEQ. CODE  NO SEQ.CODEUSER DEF.  ";
enum EditRow { GET_NEXT = 1, GET_PREV, DELETE, REPLACE, FIRST_KIND };

// Type of the block under the cursor: 0 and above the type, -1 none or a
// list failure (the word position is after the type word).
i32 current_type()
{
    i32 size = 0, type = -1, cls = 0, st = 0;
    TPBLKH(AM_APPEND, size, type, cls, st);
    return st < 0 ? -1 : type;
}

void list_error(const char* text) { errout(text, 0, static_cast<i32>(std::strlen(text))); }

// One message block shown on the dialog row: its number, its kind label
// and as much of its text (after the marker) as the width leaves.
void show_message(const i32& row, const i32& width, const i32 number, const char* text, const i32 length)
{
    i32 kind = 0;
    char marker = text[0], label[4], prompt[18], menu[19];
    MSGENT(kind, marker, label, prompt, menu);
    const i32 digits = number <= 9 ? 1 : number <= 99 ? 2 : number <= 999 ? 3 : 4;
    i32 shown = length - 1;
    if (shown > width - digits - 5) shown = width - digits - 5;
    if (shown < 0) shown = 0;
    std::string line = std::to_string(number) + " " + std::string(label, 4) + std::string(text + 1, shown);
    dsptx7(row, 1, line.c_str(), static_cast<i32>(line.size()));
}

}  // namespace

i32 msg_width()
{
    const i32 columns = maxcol();
    return columns - 1 > 84 ? 84 - 1 : columns;
}

void MSGTOP(i32& status)
{
    status = 0;
    i32 answer = 0;
    lmark(1, 1, answer);
    if (answer < 1) return;  // nothing under the cursor: nothing follows to skip
    while (true) {
        i32 jst = 0;
        TPJUMP(1, jst);
        if (jst == -1) {
            status = -1;
            return;
        }
        if (jst == -2 || current_type() != TEXT_BLOCK) break;
        lmark(1, 1, answer);
    }
    TPTOP(1, status);
}

void CNTMSG(i32& count, i32& status)
{
    count = 0;
    status = 0;
    i32 pos = 0, answer = 0;
    lgtpos(pos);
    if (pos < 1) {
        // Before the first block: the count starts from it.
        lacces(1, answer);
        if (answer < 0) return;  // an empty list, or none open, holds no message
    }
    lmark(1, 1, answer);
    if (answer < 1) {
        // The place to return to cannot be kept: a list failure, not a list
        // without messages.
        status = -1;
        return;
    }
    while (true) {
        const i32 type = current_type();
        if (type < 0) {
            status = -1;
            break;
        }
        if (type == TEXT_BLOCK) ++count;
        i32 jst = 0;
        TPJUMP(1, jst);
        if (jst == -1) status = -1;
        if (jst < 0) break;
    }
    i32 back = 0;
    TPTOP(1, back);
    if (back < 0) status = -1;
}

void MSGSTP(const i32& direction, const i32& row, const i32& width, i32& current, i32& status)
{
    status = 0;
    dlgclr();
    const i32 dir = direction > 0 ? 1 : -1;
    bool step = current != 0;
    current = 0;
    if (!step) {
        // Before the first block (its first block was deleted moving
        // forward): nothing lies before it, and forward the first block is
        // the next one.
        i32 pos = 0;
        lgtpos(pos);
        if (pos == 0) {
            if (dir < 0) {
                const char* end = "FIRST MESSAGE EXCEEDED";
                dsptx7(row, 1, end, static_cast<i32>(std::strlen(end)));
                return;
            }
            step = true;
        }
    }
    while (true) {
        if (step) {
            i32 jst = 0;
            TPJUMP(dir, jst);
            if (jst == -1) {
                status = -1;
                return;
            }
            if (jst == -2) {
                const char* end = dir > 0 ? "LAST MESSAGE EXCEEDED" : "FIRST MESSAGE EXCEEDED";
                dsptx7(row, 1, end, static_cast<i32>(std::strlen(end)));
                return;
            }
        }
        step = true;
        const i32 type = current_type();
        if (type < 0) {
            status = -1;
            return;
        }
        if (type != TEXT_BLOCK) continue;
        i32 number = 0, length = 0;
        char text[81] = {0};
        RDBT4(AM_LIST, 0, number, length, text, status);
        if (status < 0 || length < 2 || length > 80) {
            status = -1;
            return;
        }
        show_message(row, width, number, text, length);
        current = number;
        return;
    }
}

void MSGNEW(const i32& kind, const i32& row, const i32& width, const i32& replace, i32& status)
{
    status = 0;
    char field[81];
    std::memset(field, ' ', 80);
    field[80] = '\0';
    dlgclr();
    i32 k = kind;
    char marker = ' ', label[5] = {0}, prompt[18], menu[19];
    MSGENT(k, marker, label, prompt, menu);
    prmptc(label);
    dsptx7(row, 1, label, 4);
    i32 read = 0, st = 0;
    i32 room = width - 4;
    if (room > 78) room = 78;
    rtextr(row, 4, room, field + 1, read, st);
    if (st != 0 || read < 1) {
        status = -2;
        dlgclr();
        return;
    }
    field[0] = marker;
    const i32 length = read + 1;
    if (replace <= 0) {
        PUTBT4(AM_APPEND, TEXT_BLOCK, length, field, 0, st);
        if (st < 0) status = -3;
        dlgclr();
        return;
    }
    // Replacement: the new block goes after the old one under the old
    // number, then the old one is deleted and the list stands on the new,
    // whichever way the dialog last stepped: a deletion that left the list
    // before the old block would have the next step show the new block
    // again instead of the message after it.
    i32 answer = 0;
    lmark(1, 1, answer);
    if (answer >= 1) PUTBT4(AM_LIST, TEXT_BLOCK, length, field, replace, st);
    if (answer < 1 || st < 0) {
        status = -3;
        dlgclr();
        return;
    }
    lmark(2, 1, answer);
    TPDELB(-1, st);  // stands on the element after the deleted one: the new block
    if (answer < 1 || st < 0) status = -3;
    lmark(1, 1, answer);
    dlgclr();
}

void INSMSG(const i32& pick, i32& inserted, i32& status)
{
    inserted = 0;
    status = 0;
    i32 st = 0;
    MSGTOP(st);
    const i32 width = msg_width();
    const bool choose = pick != 0 && MSGPLC != nullptr;
    bool only_place = false;  // the place came without a question: one round
    while (true) {
        if (choose) {
            MSGPLC(st);
            if (st == -3) {
                status = -3;
                return;
            }
            if (st < 0) return;
            only_place = st == 1;
        }
        dmnini(INSERT_ROWS, 4, ROW_WIDTH);
        while (true) {
            i32 choice = 0;
            dmnsel("SEL. INSERT OPTION", choice);
            if (choice < 1 || choice > 4) break;
            dmnmrk(choice, 1);
            MSGNEW(choice, MSG_ROW, width, 0, st);
            dmnmrk(choice, 0);
            if (st == -3) {
                // The block could not be written: a list failure, said as
                // such, so that the caller's status is not the only trace.
                list_error("INSMSG, ERRORS IN LIST");
                dmncls();
                status = -3;
                return;
            }
            if (st == 0) {
                inserted = 1;
                dsptx7(MSG_ROW, 1, "(ENTERED)", 9);
            }
        }
        dmncls();
        if (!choose || only_place) return;
    }
}

namespace {

// The state of the editing dialog.
struct MsgEdit {
    i32 width = 0;
    i32 count = 0;
    i32 shown = 0;      // block number of the message shown, 0 none
    i32 last = 1;       // the last direction stepped
    i32 exceeded = 0;   // the direction whose end was reached, 0 none
    i32 after = 0;      // after a deletion: the direction that steps first
    bool replace = false;
};

// GET NEXT / GET PREV; false after a list failure.
bool step(MsgEdit& e, const i32 dir)
{
    if (e.exceeded == dir) return true;
    i32 current = e.shown != 0 || e.after == dir ? 1 : 0;
    i32 st = 0;
    MSGSTP(dir, MSG_ROW, e.width, current, st);
    if (st < 0) return false;
    e.shown = current;
    e.last = dir;
    e.after = 0;
    e.exceeded = current == 0 ? dir : 0;
    return true;
}

// DELETE of the message shown: 1 messages remain, 0 none is left (said), -1
// the block could not be deleted (a list failure, not the end of the
// messages: the count stays).
i32 remove(MsgEdit& e)
{
    i32 st = 0, before = 0, now = 0;
    lgtpos(before);
    TPDELB(e.last > 0 ? 1 : -1, st);
    if (st < 0) return -1;
    dlgclr();
    e.after = e.last;
    // A backward deletion stands on the block that followed the deleted one;
    // when the deleted one was the list's last, nothing followed and the list
    // stands on the block before it instead, as after a forward deletion.
    // The next step is then taken as after a forward deletion: otherwise GET
    // NEXT would show the block behind as the next message, and GET PREV
    // would pass over it.
    lgtpos(now);
    if (e.last < 0 && now < before) e.after = 1;
    e.shown = 0;
    e.exceeded = 0;
    if (--e.count > 0) return 1;
    userrc("NO MORE MESSAGES OR CODES FOUND", 0);
    return 0;
}

// A replacement of the kind's row; -1 after a list failure.
i32 replace(MsgEdit& e, const i32 row)
{
    dmnmrk(row, 1);
    prmptc("AT BOTTOM ROW");
    i32 st = 0;
    MSGNEW(row - FIRST_KIND + 1, MSG_ROW, e.width, e.shown, st);
    dmnmrk(row, 0);
    // An entry that brought no text (MSGNEW's -2: empty or escaped, the one
    // answer of its own kind it gives besides success and failure) keeps
    // replace mode and the message shown; no block was written.
    if (st == -2) return 0;
    if (st < 0) return -1;
    e.replace = false;
    dmnmrk(REPLACE, 0);
    // The next message in the last direction is shown. When none follows
    // (the replaced one was the last that way) the dialog says so and stays
    // open, as GET NEXT and GET PREV do: the list is sound, so this is not
    // reported as a list error; only a failed step is.
    return step(e, e.last) ? 0 : -1;
}

}  // namespace

void EDTMSG(i32& status)
{
    status = 0;
    MsgEdit e;
    i32 st = 0;
    CNTMSG(e.count, st);
    if (st < 0) {
        list_error("EDTMSG, ERRORS IN LIST");
        status = -1;
        return;
    }
    if (e.count < 1) {
        userrc("NO MESSAGES FOUND", 0);
        return;
    }
    e.width = msg_width();
    dmnini(EDIT_ROWS, 8, ROW_WIDTH);
    while (true) {
        i32 choice = 0;
        // The input line is not cleared by a call of its own before "SEL.
        // EDIT OPTION": this host offers no call for it (core/host.h has
        // none for the dynamic-menu window), and its dmnsel reads every
        // choice afresh, so no text typed for an earlier question stands there.
        dmnsel(e.replace ? "SEL. REPLACE OPTION" : "SEL. EDIT OPTION", choice);
        if (choice < 1) break;
        if (e.replace && choice < REPLACE) {
            e.replace = false;
            dmnmrk(REPLACE, 0);
        }
        bool ok = true;
        if (choice == GET_NEXT || choice == GET_PREV) {
            ok = step(e, choice == GET_NEXT ? 1 : -1);
        } else if (choice == DELETE && e.shown != 0) {
            const i32 left = remove(e);
            if (left == 0) break;
            ok = left > 0;
        } else if (choice == REPLACE && e.shown != 0) {
            e.replace = !e.replace;
            dmnmrk(REPLACE, e.replace ? 1 : 0);
        } else if (choice >= FIRST_KIND && e.replace && e.shown != 0) {
            ok = replace(e, choice) == 0;
        }
        if (!ok) {
            list_error("EDTMSG, ERRORS IN LIST");
            status = -1;
            break;
        }
    }
    dmncls();
}

void EDA2BL(i32& flag, i32& second)
{
    i32 st = 0;
    RDREC("EDA2", EDA2, EDA2_N, st);
    if (flag != 0 && EDA2[EDA2_OPENED] != 0 && EDA2[EDA2_BLANK] == 0) {
        const i32 key[2] = {1, EDA2[EDA2_PROC]};
        ncd_set_block_or_proc_blank(key, key, 1);
        EDA2[EDA2_BLANK] = 1;
        WRREC("EDA2", RK_TEXT, EDA2, EDA2_N, st);
    }
    flag = 0;
    second = 0;
}
