#include "blocks/copy.h"

#include <vector>

#include "blocks/format.h"
#include "core/codedio.h"
#include "core/host.h"

void CPYBLK(const i32& source, const i32& target, i32& type, i32& size, i32& status)
{
    status = 0;
    if (source == AM_NONE) return;
    if (source != AM_ENTITY || (target != AM_LIST && target != AM_APPEND)) {
        erou2c("CPYBLK, COPY NOT AVAILABLE FROM AND TO ", source, target);
        status = -1;
        return;
    }
    i32 cls = 0;
    TPBLKH(source, size, type, cls, status);
    if (status < 0) return;
    if (type == 0 || type == 12 || type > 227 || size < 2 || size > 1 << 20) {
        erou1c("DSPBLK - UNEXPECTED BLOCK TYPE ", type);
        status = -1;
        return;
    }
    std::vector<i32> w(static_cast<size_t>(size) - 1);
    tpget(source, size - 1, DT_INT, w.data(), status);
    if (status < 0) return;
    if (target == AM_APPEND) {
        // Strings number every point; other blocks their first word.
        bool string = type == 7 || type == 27 || type == 227;
        size_t step = type == 7 ? 4 : 7;
        for (size_t k = 0; k < w.size(); k += string ? step : w.size()) NXTBLN(w[k]);
    }
    BLKOPN(target, type, size, status);
    if (status >= 0) TPPUT(target, size - 1, DT_INT, w.data(), status);
    BLKCLS(target);
}
