#include "edit/alter/motion.h"

#include <cstring>

#include "blocks/format.h"
#include "blocks/listacc.h"
#include "blocks/movement.h"
#include "blocks/navig.h"
#include "blocks/readers.h"
#include "core/codedio.h"
#include "core/host.h"
#include "tools/toolcache.h"

f32 EDTFED = -1.0f;

void next_motion(const i32& n, i32& number, i32& type, f32* point, f32* normal, i32& status)
{
    status = 0;
    while (true) {
        i32 size = 0, cls = 0;
        TPBLKH(AM_LIST, size, type, cls, status);
        if (status < 0) return;
        if (cls == BC_MOVE && type != BT_OBSOLETE && type != BT_ROTATION && type != BT_LDRILL && type != BT_THREAD &&
            type != BT_GROOVE && type != BT_DRILLPT) {
            f32 vec[3] = {0, 0, 1};
            if (bt_line(type) || bt_string(type)) {
                i32 records = 0;
                RDBT2(AM_LIST, type, size, records, number, point, vec, status);
            } else if (bt_arc(type)) {
                i32 plane = 0;
                f32 angle = 0, step = 0, centre[2];
                RDBT3(AM_LIST, type, number, plane, angle, step, centre, point, vec, status);
            } else {
                f32 dir[3];
                WENDPT(AM_LIST, type, size, point, dir, number, status);
                vec[0] = vec[1] = 0;
                vec[2] = 1;
            }
            if (status < 0) return;
            std::memcpy(normal, vec, sizeof vec);
            lclos();  // back to the start of the block
            status = 0;
            return;
        }
        tpget(AM_LIST, 1, DT_INT, &number, status);
        if (status < 0) return;
        if (type == 1) {
            i32 code = 0, kind = 0, iv = 0;
            f32 rv = 0;
            i32 skip = -1;
            TPSKIP(AM_LIST, skip, DT_INT, status);
            if (status < 0) return;
            RDBT1(AM_LIST, number, code, kind, iv, rv, status);
            if (status < 0) return;
            if (code == 1) EDTFED = rv;
            if (code == 100) {
                i32 st = 0;
                SGTOOL(3, iv, st);
            }
        }
        lclos();
        if (n > 0) {
            TPJUMP(1, status);
            // The end of the list: no motion, answered -1 as the block
            // header reader answers a read past the list's end. The readers
            // here take every negative status as "no motion"; one answer for
            // the end whichever call meets it keeps them from telling apart
            // what the list layer cannot.
            if (status == -2) status = -1;
            if (status < 0) return;
        } else {
            i32 answer = 0;
            lacces(-1, answer);
            if (answer < 0) {
                status = answer == -2 ? -2 : -1;
                return;
            }
        }
    }
}

i32 cur_block_no()
{
    i32 number = -1;
    CURBLK(number);
    return number;
}

void* resize_array(const i32& added, const i32& handle, i32& status)
{
    void* base = nullptr;
    MM_RESIZE_ARRAY(handle, added, base, status);
    if (status < 0) {
        eroutc("resize_array(trimtp), DYNAMIC MEMORY PROBLEM, CHECK DISK SPACE", 0);
        return nullptr;
    }
    mmcptr(handle, base);
    return base;
}
