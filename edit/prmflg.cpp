#include "edit/prmflg.h"

#include <vector>

#include "blocks/tech.h"
#include "core/records.h"

void PRMFL0(i32& status)
{
    for (i32 p = 1; p <= NTPAR; ++p) {
        TECHST.status[p] = 0;
        TECHST.lastcode[p] = 0;
        TECHST.requested[p] = 0;
        TECHST.wflag[p] = 1;
    }
    status = 0;
}

namespace {
struct Restated {
    i32 param, requested;
    bool written;  // takes the write flag of the call
};

void restate(const Restated* rows, i32 n, i32 w)
{
    for (i32 k = 0; k < n; ++k) {
        const Restated& r = rows[k];
        TECHST.status[r.param] = 2;
        TECHST.requested[r.param] = r.requested;
        if (r.written) TECHST.wflag[r.param] = w;
    }
}
}  // namespace

void PRMFLG(const i32& flag, i32& status)
{
    PRMFL0(status);
    const i32 w = flag != 0 ? 2 : 1;
    const i32 kind = NPT1[NPT1_MACHINE];
    if (mach_mill(kind) || kind == MACH_LATHE) {
        // The milling kinds: the feed from the machine values (requested 1).
        const Restated rows[] = {{1, 1, true}, {2, 5, true}, {3, 6, true}, {10, 7, true}, {55, 21, true}, {100, 12, true}};
        restate(rows, 6, w);
    } else if (mach_wire_edit(kind)) {
        std::vector<Restated> rows;
        for (i32 p = 11; p <= 16; ++p) rows.push_back({p, 0, p == 15});
        for (i32 p = 20; p <= 40; ++p) rows.push_back({p, 0, false});
        rows.push_back({55, 0, true});
        rows.push_back({100, 0, true});
        restate(rows.data(), static_cast<i32>(rows.size()), w);
    } else {
        const Restated rows[] = {{51, 0, false}, {52, 14, true}, {53, 16, true}, {54, 0, false}, {55, 21, true}, {100, 12, true}};
        restate(rows, 6, w);
    }
    status = 0;
}
