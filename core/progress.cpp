#include "core/progress.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "core/host.h"
#include "core/intchk.h"
#include "core/names.h"
#include "core/params.h"

PrgState PRGSTA = {{0}, 0, {0}, 0, {0}, 0, 0, 0, -1};

void STWPNT(const i32& mode, const char* t1, const char* t2, const char* t3, const i32& l1, const i32& l2,
            const i32& l3)
{
    if (mode == 0) {
        modinz();
        return;
    }
    if (mode < 1 || mode > 4) return;
    i32 c1 = col1st();
    i32 c2 = c1 + l1;
    i32 c3 = c2 + l2;
    win_start_paint_on_main_wnd();
    auto text = [](const char* t, i32 len, i32 col) {
        // The fields are 40 characters long: a longer length is cut to the
        // field rather than read past it.
        char buf[41];
        i32 n = len < 40 ? len : 40;
        std::memcpy(buf, t, static_cast<size_t>(n));
        buf[n] = '\0';
        dntxtc(buf, col);
    };
    switch (mode) {
    case 1:
        dblnk(c1, 1000);
        if (l1 >= 1) {
            text(t1, l1, c1);
            if (l2 > 0) {
                text(t2, l2, c2);
                if (l3 > 0) text(t3, l3, c3);
            }
        }
        break;
    case 2:
        dblnk(c2, 1000);
        if (l2 > 0) {
            text(t2, l2, c2);
            if (l3 > 0) text(t3, l3, c3);
        }
        break;
    case 3:
        dblnk(c3, 1000);
        if (l3 > 0) text(t3, l3, c3);
        break;
    case 4:
        dblnk(c1, 1000);
        if (l1 >= 1) text(t1, l1, c1);
        break;
    }
    win_end_paint_on_main_wnd();
}

namespace {
void paint(i32 mode) { STWPNT(mode, PRGSTA.title, PRGSTA.label, PRGSTA.value, PRGSTA.ltitle, PRGSTA.llabel, PRGSTA.lvalue); }

void empty_texts()
{
    PRGSTA.title[0] = PRGSTA.label[0] = PRGSTA.value[0] = '\0';
    PRGSTA.ltitle = PRGSTA.llabel = PRGSTA.lvalue = 0;
}

// Sets a text field through the host's text builder, at most 40 characters.
void set_text(char* field, i32& len, const char* text)
{
    mktxtc(text, field, 40, len);
}

void set_number(char* field, i32& len, i32 value, const char* format)
{
    mktx1c("", value, format, field, 40, len);
}

void set_title(i32 kind)
{
    const char* t;
    switch (kind) {
    case 2: t = "C O M P U T I N G"; break;
    case 3: t = "P O C K E T I N G"; break;
    case 4: t = "P R O J E C T I N G"; break;
    case 5: t = "E X E C U T I N G"; break;
    case 6: t = "APPROXIMATING SURF."; break;
    case 7: t = "R E A D I N G"; break;
    case 8: t = "PREPARING SECTION"; break;
    case 9: t = "PLEASE WAIT      "; break;
    default: t = "M A C H I N I N G"; break;
    }
    char padded[21];
    fixtxt(padded, 20, t);
    padded[20] = '\0';
    set_text(PRGSTA.title, PRGSTA.ltitle, padded);
}

// The keyboard poll of a repaint: the space key opens the execution menu.
bool poll_pause()
{
    i32 hit = 0;
    SPCHIT(hit);
    return hit != 0;
}
}  // namespace

void PRGINI()
{
    PRGSTA.total = PRGSTA.done = 0;
    PRGSTA.last = -1;
    PRGSTA.label[0] = PRGSTA.value[0] = '\0';
    PRGSTA.llabel = PRGSTA.lvalue = 0;
    paint(4);
}

void PRGCNT(const i32& op, const i32& n)
{
    switch (op) {
    case 1: PRGSTA.total = n; break;
    case 2: PRGSTA.done = n; break;
    case 3: ++PRGSTA.total; break;
    case 4: ++PRGSTA.done; break;
    default: break;
    }
}

void PRGSHW(const i32& kind)
{
    set_title(kind);
    paint(4);
}

void PRGCLR()
{
    empty_texts();
    paint(4);
}

void PRGRST() { empty_texts(); }

void PRGEND()
{
    paint(0);
    empty_texts();
}

void PRGRDW() { paint(1); }

void PRGPCT(const i32& kind)
{
    if (MACTYP == MACTYP_KEYPOLL) {
        CHKINT();
        return;
    }
    if (poll_pause()) {
        i32 none = 1, st = 0;
        MRKPOS(2, none, st);
        if (st < 0) return;
        INTMNU(none == 0 ? 1 : 2);
    }
    if (PRGSTA.total <= 0) return;
    if (PRGSTA.last < 0) PRGSTA.last = 0;
    set_title(kind);
    // done x 100 is formed in 64 bits: counts of triangles or points pass
    // 21,474,836, where the 32-bit product would overflow and the display
    // would show a wrong (negative, so never painted) percentage.
    const std::int64_t pct =
        PRGSTA.done == PRGSTA.total ? 100 : (static_cast<std::int64_t>(PRGSTA.done) * 100) / PRGSTA.total / 5 * 5;
    const i32 p = static_cast<i32>(std::min<std::int64_t>(pct, INT32_MAX));
    if (p <= PRGSTA.last) return;
    i32 mode = 3;
    if (PRGSTA.last < 1) {
        set_text(PRGSTA.label, PRGSTA.llabel, "PERCENT DONE=");
        mode = 2;
    }
    set_number(PRGSTA.value, PRGSTA.lvalue, p, "I");
    PRGSTA.last = p;
    paint(mode);
}

void PRGSTG(const i32& kind, const i32& stage)
{
    if (PRGSTA.total <= 0) return;
    i32 shown;
    if (stage == 1) {
        shown = PRGSTA.total;
        if (shown % 10 != 0) return;
    } else {
        shown = PRGSTA.done;
        if (shown % 10 != 0 && shown < PRGSTA.total) return;
    }
    if (poll_pause()) INTMNU(2);
    set_title(kind);
    i32 mode = 3;
    if (PRGSTA.last < 1) {
        // The label's pieces are joined with one blank between the stage
        // number and "STAGE. PATCHES=", and the total and "DONE=" follow
        // with a blank between them: the numbers themselves carry no blank
        // in the host's formats, so the pieces stay readable.
        char stg[16];
        i32 ls = 0;
        mktx1c("", stage, "S", stg, 16, ls);
        char text[41];
        if (stage == 1) {
            modinz();
            std::snprintf(text, sizeof text, "%.*s STAGE. PATCHES=", static_cast<int>(ls), stg);
            set_text(PRGSTA.label, PRGSTA.llabel, text);
            mode = 1;
        } else {
            char tot[16];
            i32 lt = 0;
            mktx1c("", PRGSTA.total, "I", tot, 16, lt);
            std::snprintf(text, sizeof text, "%.*s STAGE. PATCHES=%.*s DONE=", static_cast<int>(ls), stg,
                          static_cast<int>(lt), tot);
            set_text(PRGSTA.label, PRGSTA.llabel, text);
            mode = 2;
        }
    }
    set_number(PRGSTA.value, PRGSTA.lvalue, shown, "I");
    PRGSTA.last = shown;
    paint(mode);
}

void PRGTXT(const i32& mode, const char* text, const i32& value)
{
    i32 len = static_cast<i32>(strnlen(text, 40));
    PRGSTA.ltitle = len;
    set_text(PRGSTA.label, PRGSTA.llabel, " ");
    set_number(PRGSTA.value, PRGSTA.lvalue, value, "I");
    if (mode == 0) {
        set_text(PRGSTA.title, PRGSTA.ltitle, text);
        paint(1);
    } else if (mode == 1) {
        paint(3);
    } else if (mode == 2) {
        set_text(PRGSTA.title, PRGSTA.ltitle, text);
        paint(0);
    }
}

void PRGLOP(const i32& mode, const i32& count, const i32& value)
{
    char text[41];
    if (mode == 0 || mode == 1) {
        std::snprintf(text, sizeof text, "TOTAL NUMBER OF LOOPS %d. DONE:", count);
        PRGTXT(mode, text, value);
    } else if (mode == 2) {
        PRGTXT(2, "E X E C U T I N G   ", value);
    } else if (mode == 3 || mode == 4) {
        PRGTXT(mode - 3, "NUMBER OF OFFSETS DONE:", value);
    }
}
