#include "blocks/endpt.h"

#include "blocks/format.h"
#include "blocks/listacc.h"
#include "blocks/readers.h"
#include "core/host.h"

void ENDPT(f32* point, f32* dir, i32& number, i32& status)
{
    while (true) {
        i32 size = 0, type = 0, cls = 0;
        TPBLKH(AM_LIST, size, type, cls, status);
        if (status < 0) {
            eroutc("ENDPT,ERRORS IN LIST", 0);
            status = -1;
            return;
        }
        if (cls == BC_MOVE) {
            if (type == 2 || type == 22 || type == 222 || type == 7 || type == 27 || type == 227) {
                // One record per read; the last record is the end.
                i32 records = 1;
                for (i32 k = 0; k < records && status >= 0; ++k)
                    RDBT2(AM_LIST, type, size, records, number, point, dir, status);
            } else if (type == 3 || type == 23 || type == 223) {
                i32 plane = 0;
                f32 angle = 0, step = 0, centre[3];
                RDBT3(AM_LIST, type, number, plane, angle, step, centre, point, dir, status);
            }
            if (status < 0) {
                eroutc("ENDPT,ERRORS IN LIST", 0);
                status = -1;
            }
            return;
        }
        i32 jst = 0;
        TPJUMP(1, jst);
        if (jst == -2 || jst == -1) {
            eroutc("ENDPNT, A MOVEMENT BLOCK WAS NOT FOUND", 0);
            status = -2;
            return;
        }
    }
}
