#include "blocks/marker.h"

#include "blocks/movement.h"
#include "core/host.h"

MarkerStack MRKSTK = {-1, -1, 0};

const char* const MRKMSG =
    "WARNING: MISSING MARKER - MAY CAUSE POST PROCESSING PROBLEMS. CHECK TOOLPATH VALIDITY - AND IF  SUCCESSFULL - "
    "DISREGARD THE MESSAGE";

void tp_mrkr_init()
{
    // An array left open by a procedure that did not finish is released.
    if (MRKSTK.capacity > 0) {
        i32 status = 0;
        MM_CLOSE(MRKSTK.handle, status);
    }
    MRKSTK.capacity = 0;
    MRKSTK.top = -1;
}

void tp_mrkr_push(const i32& kind, const i32& code)
{
    MarkerStack& s = MRKSTK;
    if (s.capacity == s.top + 1) {
        void* base = nullptr;
        i32 status = 0;
        if (s.capacity == 0)
            MM_OPEN_ARRAY(8, 100, s.handle, base, status);
        else
            MM_RESIZE_ARRAY(s.handle, 100, base, status);
        if (status < 0) {
            eroutc("tp_mrkr_push,DYNAMIC MEMORY PROBLEM, CHECK DISK SPACE", 0);
            return;
        }
        s.capacity += 100;
    }
    void* base = nullptr;
    mmcptr(s.handle, base);
    i32* e = static_cast<i32*>(base);
    ++s.top;
    e[2 * s.top] = kind;
    e[2 * s.top + 1] = code;
}

void tp_mrkr_pop(i32& kind, i32& code)
{
    MarkerStack& s = MRKSTK;
    if (s.top < 0) {
        kind = code = -1;
        return;
    }
    void* base = nullptr;
    mmcptr(s.handle, base);
    const i32* e = static_cast<const i32*>(base);
    kind = e[2 * s.top];
    code = e[2 * s.top + 1];
    --s.top;
}

void tp_mrkr_fin(const i32& quiet)
{
    MarkerStack& s = MRKSTK;
    if (s.top >= 0 && quiet == 0) usmsgc(MRKMSG);
    if (s.capacity > 0) {
        i32 status = 0;
        MM_CLOSE(s.handle, status);
        // An array the host no longer holds is forgotten all the same: its
        // number may name another array by the next finish.
        if (status < 0) eroutc("tp_mrkr_fin,DYNAMIC MEMORY PROBLEM, CHECK DISK SPACE", 0);
    }
    s.handle = -1;
    s.capacity = 0;
    s.top = -1;
}

// Used only after a run that failed or was stopped, whose passes written so
// far are kept: their sections would otherwise stay open for the
// post-processor, which needs every start marker paired. After a run that
// ends normally nothing is repaired; the finish check only warns.
void tp_mrkr_close(i32& status)
{
    status = 0;
    MarkerStack& s = MRKSTK;
    while (s.top >= 0) {
        void* base = nullptr;
        mmcptr(s.handle, base);
        const i32* e = static_cast<const i32*>(base);
        const i32 kind = e[2 * s.top], code = e[2 * s.top + 1];
        // an end marker without its start stays for the finish check's warning
        if (kind != 1 || code <= 0) return;
        const i32 end = 2, mkind = 2 * code;
        PUTMRK(end, code, mkind, 0.0f, 0, status);
        if (status < 0) return;
    }
}
