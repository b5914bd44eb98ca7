#include "blocks/format.h"

#include "core/codedio.h"
#include "core/host.h"

void NXTBLN(i32& number)
{
    i32 list = 0;
    gtlstn(1, list);
    i32 value = 0;
    gsblkn(1, list, value);
    i32 next = value + 1;
    gsblkn(2, list, next);
    number = value;
}

void LSTBLN(i32& number)
{
    i32 list = 0;
    gtlstn(1, list);
    i32 value = 0;
    gsblkn(1, list, value);
    number = value - 1;
}

i32 blknum(const i32& mode, const i32& number)
{
    if (mode != AM_APPEND) return number;
    i32 n = 0;
    NXTBLN(n);
    return n;
}

void TPCREL(i32& status)
{
    status = 0;
    i32 answer = 0;
    lacces(1, answer);
    if (answer == -2) {
        status = -1;
        return;
    }
    // At the end (-1) the new element goes after the cursor; otherwise the
    // cursor moved onto the next element and the new one goes before it.
    i32 where = answer == -1 ? 0 : -1;
    lcreat(where, status);
    if (status < 0) status = -1;
}

void BLKOPN(const i32& mode, const i32& type, const i32& size, i32& status)
{
    status = 0;
    if (mode == AM_LIST || mode == AM_APPEND) {
        TPCREL(status);
        if (status >= 0) TPPUT(mode, 1, DT_INT, &type, status);
    } else if (mode == AM_NONE) {
        status = -1;  // mode 7 takes no block: its words would land in the list
    } else {
        // Every other mode as the entity: the size word, then the type word,
        // written to that mode's medium.
        TPPUT(mode, 1, DT_INT, &size, status);
        if (status >= 0 && type != BT_HEADER && type != BT_PROC) TPPUT(mode, 1, DT_INT, &type, status);
    }
    if (status < 0) {
        eroutc("BLKOPN - ERROR IN OPENNING BLOCK", 0);
        status = -1;
    }
}

void BLKCLS(const i32& mode)
{
    if (mode == AM_LIST || mode == AM_APPEND) lclos();
}

void PLSUPR(const i32& type, i32& cls)
{
    switch (type) {
    case BT_HEADER: case BT_RAXES: case BT_TRANSFORM: cls = BC_FRAME; break;
    case BT_TECH: cls = BC_TECH; break;
    case BT_LINE: case BT_LINE5: case BT_LINEN:
    case BT_ARC: case BT_ARC5: case BT_ARCN:
    case BT_NURBS: case BT_NURBS5: case BT_NURBSN:
    case BT_STRING: case BT_STRING5: case BT_STRINGN:
    case BT_OBSOLETE: case BT_ROTATION: case BT_LDRILL: case BT_THREAD: case BT_GROOVE: case BT_DRILLPT:
        cls = BC_MOVE;
        break;
    case BT_MARKER: cls = BC_MARKER; break;
    case BT_TEXT: cls = BC_TEXT; break;
    case BT_HOME: cls = BC_HOME; break;
    case BT_CYCLE: case BT_SETTING: case BT_DELZ: case BT_RETMODE: case BT_CYCLEOFF: case BT_DEPTH:
        cls = BC_CYCLE;
        break;
    case BT_PROC: cls = BC_PROC; break;
    default:
        erou1c("PLSUPR - ILLEGAL BLOCK TYPE", type);
        cls = BC_ILLEGAL;
    }
}

void TPBLKH(const i32& mode, i32& size, i32& type, i32& cls, i32& status)
{
    status = 0;
    if (mode == AM_NONE) return;
    BlockModeOff keep;
    // Mode 5 reads the entity stream too: it names an entity read under
    // conversion, and as a medium of its own it would be the parameter
    // lines, where no block stands.
    if (mode == AM_ENTITY || mode == AM_ENTCNV) {
        tpget(AM_ENTITY, 1, DT_INT, &size, status);
        if (status >= 0) tpget(AM_ENTITY, 1, DT_INT, &type, status);
        if (status < 0) return;
    } else {
        i32 answer = 0;
        lacces(1, answer);
        if (answer == -2) {
            status = -1;
            return;
        }
        i32 again = 0;
        lacces(answer == -1 ? 3 : -1, again);
        if (again < 0) {
            status = -1;
            return;
        }
        lleng(size);
        // An element without words has no type word to read: it is no block.
        if (size < 1) {
            status = -1;
            return;
        }
        tpget(AM_LIST, 1, DT_INT, &type, status);
        if (status < 0) return;
    }
    status = 0;
    if (size == 1) {
        cls = BC_MARKER;
        return;
    }
    PLSUPR(type, cls);
    if (cls == BC_ILLEGAL) status = -1;
}

void TPBLKS(const i32& mode, i32& size, i32& status)
{
    status = 0;
    if (mode == AM_NONE) return;
    tpget(AM_ENTITY, 1, DT_INT, &size, status);
    if (status > 0) status = 0;
}
