#include "cutter/under.h"

#include <initializer_list>

#include "frame/host.h"

i32 ELMLST[2] = {-1, 0};
i32 ELMIDX[2] = {-1, 0};
i32 ELMCPY[2] = {-1, 0};
i32 ELMCAP = 0;
i32 ELMNCL = 0;
i32 ELMCLS[QT_NODES * QC_ROW];

void ELMREL(i32& status)
{
    status = 0;
    for (i32* h : {ELMLST, ELMIDX, ELMCPY}) {
        if (h[0] == -1) continue;
        i32 st = 0;
        MM_CLOSE(h[0], st);
        if (st != 0) {
            eroutc("FRETRI,Close dynamic memory error", 0);
            status = st;
        }
        h[0] = -1;
        h[1] = 0;
    }
    ELMCAP = 0;
    ELMNCL = 0;
}

const i32* elmtrg(const i32* entry)
{
    if (entry[ELM_NODE] >= 0) {
        const i32* b = qtnbas(entry[ELM_NODE]);
        return b ? b + static_cast<size_t>(entry[ELM_INDEX]) * TRG_WORDS : nullptr;
    }
    void* b = nullptr;
    mmcptr(ELMCPY[0], b);
    return b ? static_cast<const i32*>(b) + static_cast<size_t>(entry[ELM_INDEX]) * TRG_WORDS : nullptr;
}
