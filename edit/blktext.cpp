#include "edit/blktext.h"

#include <vector>

#include "blocks/format.h"
#include "blocks/listacc.h"
#include "blocks/modal.h"
#include "blocks/readers.h"
#include "core/codedio.h"
#include "core/host.h"
#include "core/records.h"
#include "edit/stepping.h"

namespace {
constexpr i32 SLOT_LAYER = 9;
}

i32 CHKLYR(i32& status)
{
    status = 0;
    i32 answer = 0;
    lmark(1, SLOT_LAYER, answer);
    auto fail = [&]() {
        eroutc("CHKLYR,ERRORS IN LIST", 0);
        status = -3;
        return 0;
    };
    if (answer < 1) return fail();
    // Once the search has stepped back, every way out goes back to the
    // block it started from: the callers write at that place whatever the
    // answer, so a failed read must not leave them some blocks before it.
    // A marker that cannot be read answers 0 without a message.
    auto back = [&](bool failed) {
        i32 tst = 0;
        TPTOP(SLOT_LAYER, tst);
        return failed || tst < 0 ? fail() : 0;
    };
    i32 size = 0, type = 0, cls = 0, st = 0;
    TPBLKH(AM_LIST, size, type, cls, st);
    if (st < 0) return back(true);
    i32 inside = 0;
    while (true) {
        if (type == BT_MARKER) {
            i32 number = 0, kind = 0, iv = 0;
            f32 rv = 0;
            RDBHED(AM_LIST, number, kind, rv, iv, st);
            lclos();
            if (st < 0) return back(false);
            if (kind == 3 || kind == 4) {
                inside = kind == 3 ? 1 : 0;
                break;
            }
        } else {
            lclos();
        }
        i32 jst = 0;
        TPJUMP(-1, jst);
        if (jst < 0) break;
        TPBLKH(AM_LIST, size, type, cls, st);
        if (st < 0) return back(true);
    }
    TPTOP(SLOT_LAYER, st);
    if (st < 0) return fail();
    return inside;
}

void MSGMRK(i32* key, i32& status)
{
    TLER[TLER_MODE] = TLER_SHOW;
    i32 answer = 0;
    lacces(0, answer);
    if (answer < 0) {
        status = answer;
        return;
    }
    i32 size = 0, type = 0, cls = 0;
    TPBLKH(AM_LIST, size, type, cls, status);
    if (status < 0) return;
    if (cls == BC_MOVE) {
        tpget(AM_LIST, 1, DT_INT, &key[2], status);
        lclos();
        if (status < 0) return;
        ncd_set_blocks_attention(-1, key, key, 1);
        status = 0;
        return;
    }
    lclos();
    // The block after the message is marked: forward to the next motion.
    // (Direction 2 would step back, to the motion before the message.)
    MRKSTP(1, key, type, status);
    if (status > 0) status = 0;
}

void CHTEXT(const i32& access, const i32& group, const i32& code, const char* text, i32& status, const i32& length)
{
    status = -1;
    if (access == AM_ENTITY) {
        eroutc("CHTEXT, WHERE=1 IS NOT PERMITTED", 0);
        return;
    }
    if (group != GR_GLOBAL || (code != 29 && code != 30)) {
        eroutc("CHTEXT, INCORRECT CODES", 0);
        return;
    }
    i32 st = 0;
    PLFIND(group, code, st);
    if (st < 0) return;
    i32 head[2] = {0, 0};
    tpget(AM_LIST, 1, DT_INT, &head[0], st);
    if (st >= 0) tpget(AM_LIST, 1, DT_INT, &head[1], st);
    if (st < 0) {
        lclos();
        return;
    }
    const i32 n = head[0] - 1;
    // An item of no words takes no text: nothing to replace.
    if (n == 0) {
        lclos();
        status = 0;
        return;
    }
    // An item claiming more words than its code holds is not rewritten: the
    // words after it belong to other items.
    if (n < 0 || n > (code == 29 ? 5 : 3)) {
        lclos();
        eroutc("CHTEXT, TEXT ITEM LONGER THAN ITS CODE ALLOWS", 0);
        return;
    }
    std::vector<char> padded(static_cast<size_t>(4 * n), ' ');
    for (i32 c = 0; c < length && c < 4 * n && text[c] != '\0'; ++c) padded[static_cast<size_t>(c)] = text[c];
    i32 words[5] = {0};
    movt2i(padded.data(), 4 * n, words);
    TPCHNG(n, words, st);
    lclos();
    status = st < 0 ? -1 : 0;
}
