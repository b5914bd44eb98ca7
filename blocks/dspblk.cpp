#include "blocks/dspblk.h"

#include <cstring>

#include "blocks/format.h"
#include "blocks/readers.h"
#include "core/host.h"
#include "core/records.h"

std::vector<ShownBlock> DSPLOG;
i32 DSPPAU = 0;

void DSPBLK(const i32& mode, const i32& source, i32& type, i32& hit, i32& status)
{
    (void)source;
    hit = 0;
    status = -1;
    type = -1;
    i32 code = 0;
    lacces(0, code);
    if (code <= 0) return;
    i32 size = 0, cls = 0, st = 0;
    TPBLKH(AM_LIST, size, type, cls, st);
    if (st < 0) return;
    if (type == 2 || type == 22 || type == 222) {
        i32 records = 0, number = 0;
        f32 point[3], vector[3];
        RDBT2(AM_LIST, type, size, records, number, point, vector, st);
        if (st < 0) return;
        std::memcpy(DSP8 + DSP8_POS, point, sizeof point);
        const f32 z[3] = {0, 0, 1};
        std::memcpy(DSP8 + DSP8_AXIS, type == 22 ? vector : z, sizeof z);
    }
    i32 again = 0;
    lacces(0, again);
    DSPLOG.push_back(ShownBlock{mode > 10 ? mode - 10 : mode, type, code});
    if (DSPPAU != 0) {
        hit = 1;
        DSPPAU = 0;
    }
    status = 0;
}

void DSPINI(const i32& mode) { (void)mode; }

void DSPPRC(const i32& source, const i32& mode, const i32& index, i32& status)
{
    (void)source;
    (void)mode;
    (void)index;
    status = 0;
}

void TOLMOV(const i32& figure, const f32* point, const f32* axis, const i32& mode)
{
    (void)figure;
    (void)point;
    (void)axis;
    (void)mode;
}

void MUTOOL(const i32& mode) { (void)mode; }
void MUALL(const i32& mode) { (void)mode; }
