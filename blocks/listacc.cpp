#include "blocks/listacc.h"

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "blocks/format.h"
#include "blocks/readers.h"
#include "blocks/writers.h"
#include "core/codedio.h"
#include "core/host.h"
#include "core/records.h"

i32 TPJUMP(const i32& n, i32& status)
{
    status = 0;
    i32 pos = 0;
    lgtpos(pos);
    // "No position" is read as a negative host position: no tool path is
    // open, so there is no list to move in. Position 0 is not taken for it:
    // it is the place before the first element, a real position of an open
    // list from which a move forward reaches the first block (NXTPOI from
    // before the first block relies on it); a list without blocks stays at
    // 0 and answers -1 below.
    if (pos < 0) {
        status = -1;
        return pos;
    }
    i32 mode = n > 0 ? 1 : -1;
    i32 steps = n > 0 ? n : -n;
    bool failed = false;
    for (i32 k = 0; k < steps; ++k) {
        i32 answer = 0;
        lacces(mode, answer);
        failed = answer < -1;
        if (answer < 0) break;
    }
    i32 now = 0;
    lgtpos(now);
    // Only "no such element" (-1) is an end of the list. A failed access
    // (-2) is a list in error: answered as a cursor without a position, so
    // that a walk stops on it as on an error, and does not take the blocks
    // after it for the end of the list and give itself out as complete.
    if (failed) {
        status = -1;
        return now;
    }
    // A jump of 0 asks where the cursor is: it reaches no end of the list,
    // so it is not answered -2 although the position stays.
    // A jump that did not move met an end of the list, whichever element it
    // stands on: a walk back that is already on the first element is told
    // it can go no further (-2), not that it has just come to the first (1),
    // so it stops instead of reading that element once more.
    if (now == 0)
        status = -1;
    else if (n != 0 && now == pos)
        status = -2;
    else if (now == 1 || now < 0)
        status = 1;  // at the first element, or at no position (the list's start)
    return now;
}

void JMPEND(i32& status)
{
    i32 answer = 0;
    lacces(3, answer);
    if (answer == -2) {
        eroutc("JMPEND,LIST ERRORS", 0);
        status = -2;
        return;
    }
    status = 0;
}

void TPTOP(const i32& slot, i32& status)
{
    lclos();
    ltop();
    i32 answer = 0;
    lmark(2, slot, answer);
    // The host answers 1 for a position given back and below 1 for a
    // failure; the answer is turned into the module's status (0 or -1)
    // rather than handed on, because a status of 1 is read by the callers
    // as an answer of its own (first position, not found), not as success.
    status = answer < 1 ? -1 : 0;
}

void FNDTYP(const i32& type, i32& status)
{
    while (true) {
        i32 size = 0, t = -1, cls = 0;
        TPBLKH(AM_APPEND, size, t, cls, status);
        // A block of a type the class table does not know is reported by
        // the header read and passed over like any block of another type;
        // any other failure of the read ends the search.
        if (status < 0 && cls != BC_ILLEGAL) return;
        if (status >= 0 && t == type) {
            status = 0;
            return;
        }
        TPJUMP(1, status);
        if (status < 0) return;
    }
}

void TPDELB(const i32& count, i32& status)
{
    i32 st = 0;
    ldelet(count, st);
    status = st == -1 || st == -2 ? -1 : 0;
}

void OPNSBL(i32& status)
{
    i32 level = 0;
    gtlstn(1, level);
    i32 count = 1, blocks = 0;
    TPGETN(AM_LIST, GR_GLOBAL, 20, count, DT_INT, &blocks, status);
    if (status != 0) {
        if (status > 0) status = -1;
        return;
    }
    i32 number = 0;
    count = 1;
    TPGETN(AM_LIST, GR_LEAD, 33, count, DT_INT, &number, status);
    if (status < 0) return;
    // The block counters and numbers are kept per level in a table of fixed
    // size: a level outside it would be written past the table.
    if (level < 1 || level >= BLSK_N - 1) {
        erou1c("OPNSBL, LIST LEVEL OUT OF RANGE ", level);
        status = -1;
        return;
    }
    gsblkn(2, level + 1, blocks);
    blsk_note(level, number);
    lsubop(status);
}

void CLSSBL(i32& status)
{
    lsubcl(status);
    if (status < 0) return;
    i32 level = 0;
    gtlstn(1, level);
    i32 blocks = 0;
    gsblkn(1, level + 1, blocks);
    change_values(AM_LIST, GR_GLOBAL, 20, DT_INT, 1, &blocks, status);
}

void TPNEWL(i32& list, i32& status)
{
    newls1(2, status);
    if (status < 0) return;
    gtlstn(1, list);
    i32 zero = 0;
    gsblkn(2, list, zero);
}

// The new level is kept in the module's level table alone: the host makes a
// list level current only by descending into a block's sub-list, and the
// level opened here (for a procedure read from an entity) has none; the
// display of its blocks reads the level from the table.
void TPDNLV(const i32& value)
{
    i32 level = 0;
    gtlstn(1, level);
    if (level < 1 || level >= BLSK_N - 1) return;
    i32 zero = 0;
    gsblkn(2, level + 1, zero);
    blsk_note(level, value);
    blsk_note(level + 1, 0);
}

namespace {
bool nested(i32 group) { return group == 23 || group == 24 || group == 25 || group == 27 || group == 28; }

// The search of a code in the block at the cursor. With `fresh` the block is
// accessed again and its three leading words skipped; `budget` counts words
// when given, else segments. Answers 0 found (the word position just after
// the code word), 1 not found, -1 a list failure. `pos` follows the word
// position; `glen` receives the position of the group's length word.
i32 seek(bool fresh, i32 group, i32 code, i32* budget, i32& pos, i32& glen)
{
    i32 st = 0;
    glen = -1;
    if (fresh) {
        i32 answer = 0;
        lacces(0, answer);
        if (answer < 0) return -1;
        TPSKIP(AM_APPEND, 3, DT_INT, st);
        if (st < 0) return st == -2 ? 1 : -1;
        pos = 3;
    }
    bool over = false;
    auto cost = [&](i32 n) {
        if (!budget) return true;
        *budget -= n;
        over = *budget < 0;
        return !over;
    };
    auto word = [&](i32& w) {
        if (!cost(1)) return false;
        tpget(AM_APPEND, 1, DT_INT, &w, st);
        if (st < 0) return false;
        ++pos;
        return true;
    };
    auto skip = [&](i32 n) {
        if (n < 0) {
            st = -1;
            return false;
        }
        if (!cost(n)) return false;
        TPSKIP(AM_APPEND, n, DT_INT, st);
        if (st < 0) return false;
        pos += n;
        return true;
    };
    auto miss = [&]() { return over || st == -2 ? 1 : -1; };
    i32 limit = INT_MAX;
    if (nested(group)) {
        for (i32 segs = 0;; ++segs) {
            if (segs >= 1000) return 1;
            i32 c = 0, b = 0;
            if (!word(c) || !word(b)) return miss();
            if (c == group) {
                glen = pos - 1;
                limit = b;
                break;
            }
            if (!skip(b)) return miss();
        }
    }
    // Inside a nested group the search ends at the group's end (a mend: read
    // on, it would answer a code of the same number in a following group).
    i32 used = 0;
    for (i32 segs = 0; used < limit; ++segs) {
        if (segs >= 10000) return 1;
        i32 c = 0, b = 0;
        if (!word(c)) return miss();
        if (c == code) return 0;
        if (!word(b) || !skip(b)) return miss();
        used += 2 + b;
    }
    return 1;
}
}  // namespace

void PLFIND(const i32& group, const i32& code, i32& status)
{
    i32 pos = 0, glen = 0;
    status = seek(true, group, code, nullptr, pos, glen);
    // Only a code that is not there is reported here; a failed list read
    // (-1) is left to the caller's list error, not said as "not found".
    if (status <= 0) return;
    erou1c("PLFIND, INFINITE LOOP, GROUP = ", group);
    erou1c("CODE = ", code);
    status = -1;
}

void PLFND2(const i32& group, const i32& code, i32& status)
{
    i32 pos = 0, glen = 0;
    status = seek(true, group, code, nullptr, pos, glen);
}

void PLFNDH(const i32& group, const i32& code, i32& position, i32& status)
{
    i32 pos = 0, glen = 0;
    status = seek(true, group, code, nullptr, pos, glen);
    if (status == 0) position = pos - 1;
    if (status <= 0) return;  // as PLFIND: a failed read is no "not found"
    eroutc("PLFNDG, REQUESTED CODE WAS NOT FOUND", 0);
    status = -1;
}

void PLFNDG(const i32& mode, i32& budget, const i32& group, const i32& code, i32& status)
{
    i32 pos = 0, glen = 0;
    status = seek(false, group, code, &budget, pos, glen);
    if (status <= 0) return;  // as PLFIND: a failed read is no "not found"
    eroutc("PLFNDG, REQUESTED CODE WAS NOT FOUND", 0);
    status = -1;
}

namespace {
// Group 32: the block number (code 33) or the word after it (code 34). The
// word position is left on the word.
i32 lead_word(i32 code, i32& status)
{
    i32 size = 0, type = 0, cls = 0;
    TPBLKH(AM_LIST, size, type, cls, status);
    if (status < 0) return -1;
    // The three routines share this text, the reader's name in it.
    if (code != 33 && code != 34) {
        eroutc("TPGETN, ERROR IN CODE", 0);
        status = -1;
        return -1;
    }
    if (code == 34) TPSKIP(AM_LIST, 1, DT_INT, status);
    if (status < 0) return -1;
    status = 0;
    return 0;
}

// Common part of TPGETN and TPGETC; `quiet` answers 1 for a missing code.
void getn(bool quiet, const i32& mode, const i32& group, const i32& code, i32& count, const i32& itype,
          void* value, i32& status)
{
    const char* who = quiet ? "TPGETC" : "TPGETN";
    status = 0;
    // The count handed in is the room of the caller's area: an item holding
    // more words is refused rather than read past that area.
    i32 capacity = count;
    if (mode == AM_ENTITY) {
        std::string m = std::string(who) + ", WHERE=1 IS NOT PERMITTED";
        eroutc(m.c_str(), 0);
        status = -1;
        return;
    }
    if (code == 29 || code == 30) {
        eroutc(quiet ? "TPGETC,TEXT AND TABLE NAME ARE NOT VALID INPUT" : "TPGETN, TEXT AN TABLE NAME ARE NOT VALID INPUT",
               0);
        status = -1;
        return;
    }
    if (group == GR_LEAD) {
        if (lead_word(code, status) < 0) return;
        if (capacity < 1) {
            std::string m = std::string(who) + ", ITEM LONGER THAN ITS AREA, CODE = ";
            erou1c(m.c_str(), code);
            status = -1;
            return;
        }
        count = 1;
        tpget(AM_LIST, 1, DT_INT, value, status);
        if (status > 0) status = 0;
        return;
    }
    if (quiet) {
        PLFND2(group, code, status);
        if (status != 0) return;
    } else {
        PLFIND(group, code, status);
        if (status < 0) return;
    }
    i32 head[2] = {0, 0};
    tpget(AM_LIST, 2, DT_INT, head, status);
    if (status < 0) return;
    i32 n = head[0] - 1;
    if (n < 0 || n > capacity) {
        std::string m = std::string(who) + ", ITEM LONGER THAN ITS AREA, CODE = ";
        erou2c(m.c_str(), code, n);
        status = -1;
        return;
    }
    count = n;
    tpget(AM_LIST, n, itype, value, status);
    if (status > 0) status = 0;
}
}  // namespace

void TPGETN(const i32& mode, const i32& group, const i32& code, i32& count, const i32& itype, void* value,
            i32& status)
{
    getn(false, mode, group, code, count, itype, value, status);
}

void TPGETC(const i32& mode, const i32& group, const i32& code, i32& count, const i32& itype, void* value,
            i32& status)
{
    getn(true, mode, group, code, count, itype, value, status);
}

void TPCHNG(const i32& count, const void* value, i32& status)
{
    lchang(count, value, status);
    if (status < 0) {
        eroutc("TPCHNG, ERRORS IN LIST", 0);
        status = -1;
    }
}

namespace {
// TPCHNN with the caller's count of values; -1 when the caller gives none.
void change(const i32& mode, const i32& group, const i32& code, const void* value, i32 capacity, i32& status)
{
    status = 0;
    // The change shares the reader's refusal text.
    if (mode == AM_ENTITY) {
        eroutc("TPGETN, WHERE=1 IS NOT PERMITTED", 0);
        status = -1;
        return;
    }
    if (code == 29 || code == 30) {
        eroutc("TPCHNN, TEXTS ARE INVALID INPUT", 0);
        status = -1;
        return;
    }
    if (group == GR_LEAD) {
        if (lead_word(code, status) < 0) return;
        TPCHNG(1, value, status);
        return;
    }
    PLFIND(group, code, status);
    if (status < 0) return;
    i32 head[2] = {0, 0};
    tpget(AM_LIST, 2, DT_INT, head, status);
    if (status < 0) return;
    i32 n = head[0] - 1;
    if (n < 0) {
        erou1c("TPCHNN, BAD ITEM COUNT, CODE = ", code);
        status = -1;
        return;
    }
    if (capacity >= 0 && n > capacity) {
        erou2c("TPCHNN, ITEM LONGER THAN ITS AREA, CODE = ", code, n);
        status = -1;
        return;
    }
    TPCHNG(n, value, status);
}
}  // namespace

void TPCHNN(const i32& mode, const i32& group, const i32& code, const i32& itype, const void* value, i32& status)
{
    (void)itype;
    change(mode, group, code, value, -1, status);
}

void change_values(const i32& mode, const i32& group, const i32& code, const i32& itype, const i32& count,
                   const void* value, i32& status)
{
    (void)itype;
    change(mode, group, code, value, count < 0 ? 0 : count, status);
}


void TPINSC(const i32& group, const i32& anchor, const i32& code, const i32& itype, const i32& count,
            const void* values, i32& status)
{
    i32 pos = 0, glen = 0;
    if (count < 0) {
        status = -1;
        return;
    }
    status = seek(true, group, anchor, nullptr, pos, glen);
    if (status != 0) {
        eroutc("PLFNDG, REQUESTED CODE WAS NOT FOUND", 0);
        status = -1;
        return;
    }
    i32 at = pos - 1;
    i32 answer = 0;
    lacces(0, answer);
    i32 st = 0;
    if (answer < 0) st = -1;
    if (st >= 0) lskip(st, at);
    if (st >= 0) lgap(count + 3, st);
    std::vector<i32> seg(static_cast<size_t>(count) + 3);
    seg[0] = code;
    seg[1] = count + 1;
    seg[2] = itype;
    if (count > 0) std::memcpy(seg.data() + 3, values, static_cast<size_t>(count) * 4);
    if (st >= 0) TPCHNG(count + 3, seg.data(), st);
    // The group that holds the anchor grows by the new segment: its length
    // word counts its segments, and readers walking the group by it would
    // otherwise stop short of the segment inserted or misread what follows.
    if (st >= 0 && glen >= 0) {
        i32 len = 0;
        lacces(0, answer);
        lskip(st, glen);
        if (st >= 0) tpget(AM_LIST, 1, DT_INT, &len, st);
        if (st >= 0) lskip(st, -1);
        len += count + 3;
        if (st >= 0) TPCHNG(1, &len, st);
    }
    status = st < 0 ? -1 : 0;
}

void GTTEXT(const i32& mode, const i32& proc, const i32& group, const i32& code, const i32& buflen, i32& length,
            char* text, i32& status, i32& textlen)
{
    status = 0;
    if (group != GR_GLOBAL || (code != 29 && code != 30)) {
        eroutc("GTTEXT, ERROR IN GROUPC OR IN CODE", 0);
        status = -1;
        return;
    }
    std::memset(text, ' ', static_cast<size_t>(buflen));
    i32 n = code == 29 ? 20 : 12;
    if (mode == AM_ENTITY) {
        char t[21] = {0};
        gtprtx(proc, code, t, status);
        if (status < 0) return;
        length = n < buflen ? n : buflen;
        std::memcpy(text, t, static_cast<size_t>(length));
        textlen = length;
        return;
    }
    PLFIND(group, code, status);
    if (status < 0) return;
    i32 head[2] = {0, 0};
    tpget(AM_LIST, 2, DT_INT, head, status);
    if (status < 0) return;
    i32 words = head[0] - 1;
    // A text longer than the caller's buffer would be copied past it.
    if (words < 0 || 4 * words > buflen) {
        erou1c("GTTEXT, TEXT LONGER THAN ITS AREA, CODE = ", code);
        status = -1;
        return;
    }
    std::vector<i32> w(static_cast<size_t>(words) + 1);
    tpget(AM_LIST, words, DT_INT, w.data(), status);
    if (status < 0) return;
    std::memcpy(text, w.data(), static_cast<size_t>(4 * words));
    status = 0;
    length = 4 * words;
    textlen = length;
}

void GTTXTC(const i32& mode, const i32& proc, const i32& group, const i32& code, char* text, i32& status)
{
    char buf[20];
    i32 length = 0, textlen = 0;
    GTTEXT(mode, proc, group, code, 20, length, buf, status, textlen);
    std::memset(text, 0, 13);
    if (status < 0) return;
    for (int k = 0; k < 12 && k < length && buf[k] != '\0'; ++k) text[k] = buf[k];
}

void BRKSTR(const i32& mode, i32& status)
{
    status = 0;
    i32 answer = 0;
    auto mark = [&](i32 op, i32 slot) {
        lmark(op, slot, answer);
        if (answer < 1) {
            eroutc("BRKSTR, CANNOT SET A MARKER", 0);
            status = -1;
            return false;
        }
        return true;
    };
    auto list_failed = [&]() {
        if (status >= 0) return false;
        eroutc("BRKSTR, ERRORS IN LIST", 0);
        return true;
    };
    if (!mark(1, 1)) return;
    i32 size = 0, type = 0, cls = 0;
    TPBLKH(AM_LIST, size, type, cls, status);
    if (list_failed()) return;
    if (!bt_string(type)) {
        eroutc("BRKSTR,THE CURRENT BLOCK IS NOT A STRING", 0);
        status = -1;
        return;
    }
    i32 rec = bt_point_words(type);
    i32 line = type == BT_STRING ? BT_LINE : type == BT_STRING5 ? BT_LINE5 : BT_LINEN;
    i32 m = (size - 1) / rec;
    if (m < 1) return;
    PTBT99(AM_APPEND, 19, 0.0f, 0, 0, status);
    if (list_failed() || !mark(1, 2)) return;
    for (i32 i = 0; i < m; ++i) {
        if (!mark(2, 1)) return;
        TPBLKH(AM_LIST, size, type, cls, status);
        if (status >= 0) TPSKIP(AM_LIST, rec * i, DT_INT, status);
        i32 number = 0, records = 0;
        f32 p[3], v[3];
        if (status >= 0) RDBT2(AM_LIST, type, size, records, number, p, v, status);
        if (list_failed() || !mark(2, 2)) return;
        PTBT2(AM_LIST, line, p, v, number, status);
        if (list_failed()) return;
        if ((mode == 1 && i == 0) || mode != 1) {
            if (!mark(1, 3)) return;
        }
        if (!mark(1, 2)) return;
    }
    PTBT99(AM_APPEND, 20, 0.0f, 0, 0, status);
    if (list_failed() || !mark(2, 1)) return;
    TPDELB(1, status);
    if (list_failed()) return;
    mark(2, 3);
}
