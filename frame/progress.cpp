// Least form of the progress display: the counters, the titles and the
// stage steps of the surface approximation, painted into the status window.
#include "frame/progress.h"

#include <cstdio>
#include <cstring>

#include "frame/host.h"
#include "frame/intctl.h"

PrgState PRGSTA = {{0}, 0, {0}, 0, {0}, 0, 0, 0, -1};

namespace {
void put(char* field, i32& len, const char* text)
{
    std::snprintf(field, 41, "%s", text);
    len = static_cast<i32>(std::strlen(field));
}

// mode 0 reset, 1 all fields, 2 label and value, 3 value, 4 title
void paint(i32 mode)
{
    if (mode == 0) {
        bmshow(1, 1, 1, "", 0, 40);
        return;
    }
    if (mode == 1 || mode == 4) bmshow(1, 1, 1, PRGSTA.title, 0, 40);
    if (mode == 1 || mode == 2) bmshow(1, 1, 2, PRGSTA.label, 0, 40);
    if (mode != 4) bmshow(1, 1, 3, PRGSTA.value, 0, 40);
}

void title_of(i32 kind)
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
    put(PRGSTA.title, PRGSTA.ltitle, t);
}
}  // namespace

void PRGINI()
{
    PRGSTA.total = PRGSTA.done = 0;
    PRGSTA.last = -1;
    put(PRGSTA.label, PRGSTA.llabel, "");
    put(PRGSTA.value, PRGSTA.lvalue, "");
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
    title_of(kind);
    paint(4);
}

void PRGEND()
{
    paint(0);
    put(PRGSTA.title, PRGSTA.ltitle, "");
    put(PRGSTA.label, PRGSTA.llabel, "");
    put(PRGSTA.value, PRGSTA.lvalue, "");
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
    CHKINT();
    title_of(kind);
    char t[41];
    i32 mode;
    if (PRGSTA.last < 1) {
        if (stage == 1) {
            modinz();
            std::snprintf(t, sizeof t, "%d STAGE. PATCHES=", stage);
            mode = 1;
        } else {
            std::snprintf(t, sizeof t, "%d STAGE. PATCHES=%d DONE=", stage, PRGSTA.total);
            mode = 2;
        }
        put(PRGSTA.label, PRGSTA.llabel, t);
    } else {
        mode = 3;
    }
    std::snprintf(t, sizeof t, "%d", shown);
    put(PRGSTA.value, PRGSTA.lvalue, t);
    PRGSTA.last = shown;
    paint(mode);
}
