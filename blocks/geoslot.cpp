#include "blocks/geoslot.h"

#include <cstring>

#include "core/entity.h"
#include "blocks/copy.h"
#include "blocks/format.h"
#include "blocks/listacc.h"
#include "core/codedio.h"
#include "core/host.h"

i32 PRCFLG[6];
i32 GSLOTS[2 * NSLOTS];

i32 slot_of(i32 kind)
{
    if (kind >= 10001 && kind <= 10011) return kind - 10001;
    if (kind == 10013) return 11;
    return -1;
}

void set_geom_slot(i32 mode, i32 kind, i32 id, i32* table)
{
    i32 s = slot_of(kind);
    if (s < 0) return;
    if (mode == 1) {
        table[2 * s + 1] = id;
    } else if (mode == 2) {
        table[2 * s] = 0;
    } else if (mode == 3) {
        table[2 * s] = 0;
        table[2 * s + 1] = id;
    }
}

void get_geom_slot(i32 kind, const i32* table, i32& id, i32& flag)
{
    i32 s = slot_of(kind);
    if (s < 0) return;
    flag = table[2 * s];
    id = table[2 * s + 1];
}

void init_geom_slots(i32* table)
{
    for (i32 s = 0; s < NSLOTS; ++s) {
        table[2 * s] = 0;
        table[2 * s + 1] = -1;
    }
}

void reset_geom_slots(i32& status)
{
    for (i32 f = 2; f < 6; ++f) PRCFLG[f] = 1;
    for (i32 s = 0; s < NSLOTS; ++s) {
        GSLOTS[2 * s] = 1;
        GSLOTS[2 * s + 1] = -1;
    }
    status = 0;
}

void mark_geom_version()
{
    PRCFLG[2] = PRCFLG[3] = PRCFLG[4] = 1;
    for (i32 s = 0; s < NSLOTS; ++s)
        if (GSLOTS[2 * s + 1] > 0) GSLOTS[2 * s] = 1;
}

void mark_local_geom(i32 kind)
{
    if (kind == 10003 || kind == 10005 || kind == 10006 || kind == 10010) PRCFLG[4] = 1;
}

void update_geom_slot(i32 kind, i32 newid, i32 oldid, i32 words, i32& status)
{
    mark_local_geom(kind);
    update_geom_length(newid, words, status);
    if (oldid < 1) {
        set_geom_slot(1, kind, newid, GSLOTS);
        return;
    }
    i32 copy = -1;
    get_set_idtmp(1, oldid, copy);
    get_set_idtmp(2, copy > 0 ? copy : oldid, newid);
}

void find_geom_buf(const i32* table, i32& count, i32* ids, i32& status)
{
    status = 0;
    count = 0;
    for (i32 s = 0; s < NSLOTS; ++s) {
        i32 id = table[2 * s + 1];
        if (id <= 0) continue;
        i32 copy = -1;
        get_set_idtmp(1, id, copy);
        if (copy <= 0) {
            ids[count++] = id;
            continue;
        }
        i32 second = -1;
        get_set_idtmp(1, copy, second);
        i32 cur = second > 0 ? second : copy;
        i32 kind = 0;
        get_geom_type(cur, kind, status);
        if (status < 0) {
            eroutc("find_geom_buf, ERRORS IN LIST", 0);
            status = -1;
            return;
        }
        if (kind != 10012) ids[count++] = cur;
    }
}

void create_geom_ent(i32 kind, const char* name, i32& newid, i32& slotid, i32& status)
{
    newid = slotid = -1;
    i32 flag = 0;
    get_geom_slot(kind, GSLOTS, slotid, flag);
    estore(EC_NC, ET_GEOM, newid, status);
    if (status < 0) {
        erou1c("create_geom_ent, PROBLEMS IN CREATING ENTITY", status);
        newid = -1;
        return;
    }
    i32 r1 = 0, r2 = 0, r3 = 0, p = 0, s = 0;
    prgrel(r1, r2, r3);
    prgpsn(p);
    prgsrn(s);
    i32 head[6];
    head[0] = -1;
    std::memcpy(head + 1, name, 8);
    head[3] = (((r1 * 10 + r2) * 10 + r3) * 100 + p) * 100 + s;
    head[4] = kind;
    head[5] = 0;
    eputn(6, head);
}

void copy_geom_assoc(const i32& mode, i32& status)
{
    status = 0;
    if (mode != 1) return;
    for (i32 s = 0; s < NSLOTS; ++s) {
        i32 id = GSLOTS[2 * s + 1];
        if (id <= 0 || GSLOTS[2 * s] == 0) continue;
        i32 first = -1, second = -1;
        get_set_idtmp(1, id, first);
        if (first > 0) get_set_idtmp(1, first, second);
        if (second > 0) {
            get_set_idtmp(2, id, second);
            // The deleted copy's own link is cleared too, so that no id is
            // left naming an entity that no longer exists.
            i32 none = -1, st = 0;
            get_set_idtmp(2, first, none);
            asdeta(first);
            edelet(first, st);
        }
        GSLOTS[2 * s] = 0;
    }
}

void geom_slots_io(const i32& mode, i32* table, i32* flags)
{
    if (mode == 1) {
        std::memcpy(table, GSLOTS, sizeof GSLOTS);
        std::memcpy(flags, PRCFLG, sizeof PRCFLG);
    } else if (mode == 2) {
        std::memcpy(GSLOTS, table, sizeof GSLOTS);
        std::memcpy(PRCFLG, flags, sizeof PRCFLG);
    }
}

void open_sub_list(const i32& mode, const i32& id, i32& status)
{
    if (id <= 0) return;
    i32 cls = 0, type = 0, len = 0;
    eopen(id, cls, type, len, status);
    if (status < 0) {
        eroutc("open_sub_list, PROBLEMS IN OPENNING ENTITY", 0);
        return;
    }
    if (cls != EC_NC || type != ET_MOVES) {
        erou1c("open_sub_list, NOT A MOVMNT ENTITY. id = ", id);
        status = -1;
        eclose();  // opened above: not left open for whatever is read next
        return;
    }
    eskipn(3);
    if (mode == 1) {
        set_open_proc(id);
        return;
    }
    i32 count = 0;
    tpget(AM_ENTITY, 1, DT_INT, &count, status);
    i32 list = 0;
    bool opened = false;
    if (status >= 0) {
        TPNEWL(list, status);
        opened = status >= 0;
    }
    if (status >= 0) lclrnw(status);
    if (status >= 0) eskipn(1);
    for (i32 k = 0; k < count && status >= 0; ++k) {
        i32 t = 0, size = 0;
        CPYBLK(AM_ENTITY, AM_APPEND, t, size, status);
    }
    eclose();
    if (opened) {
        i32 st = 0;
        CLSSBL(st);
        if (status >= 0) status = st;
    }
}

void OPNMVL(const i32& mode, i32& status)
{
    i32 f6 = 0, f1 = 0, count = 1;
    TPGETN(AM_LIST, GR_FLAGS, 82, count, DT_INT, &f6, status);
    count = 1;
    if (status >= 0) TPGETN(AM_LIST, GR_FLAGS, 51, count, DT_INT, &f1, status);
    if (status < 0) return;
    bool was_set = f6 != 0;
    if (f6 == 0 && f1 > 0) {
        i32 movement = -1;
        get_set_movmnt_id(1, f1, movement);
        open_sub_list(mode, movement, status);
        if (mode == 1) {
            status = is_open_proc() != 0 ? 1 : 0;
            return;
        }
        // A movement entity that cannot be opened leaves flag 6 and the
        // sub-list alone: setting the flag would send the next reader to a
        // sub-list that never received the procedure's moves.
        if (status < 0) return;
        const i32 one = 1;
        TPCHNN(AM_LIST, GR_FLAGS, 82, DT_INT, &one, status);
        if (status < 0) return;
    }
    if (mode == 2 || (mode == 1 && was_set)) {
        OPNSBL(status);
        if (status >= 0) status = 2;
    }
}
