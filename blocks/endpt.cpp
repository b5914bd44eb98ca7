#include "blocks/endpt.h"

#include "blocks/format.h"
#include "blocks/listacc.h"
#include "blocks/navig.h"
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
        if (gives_position(type, cls)) {
            WENDPT(AM_LIST, type, size, point, dir, number, status);
            if (status < 0) {
                eroutc("ENDPT,ERRORS IN LIST", 0);
                status = -1;
            }
            return;
        }
        i32 jst = 0;
        TPJUMP(1, jst);
        if (jst == -2) {
            eroutc("ENDPNT, A MOVEMENT BLOCK WAS NOT FOUND", 0);
            status = -2;
            return;
        }
        if (jst == -1) {
            eroutc("ENDPT,ERRORS IN LIST", 0);
            status = -1;
            return;
        }
    }
}
