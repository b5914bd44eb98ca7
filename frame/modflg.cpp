#include "frame/modflg.h"

#include "frame/host.h"

std::vector<ShownBlock> DSPLOG;
i32 DSPPAU = 0;

void DISPLB(const i32& mode, i32& flag, i32& status)
{
    status = 0;
    if (mode < 0 || mode > 3) {
        erou1c("DISPLB, INVALID MODE TYPE. MODE = ", mode);
        status = -1;
        return;
    }
    // Until the block display exists the hook records what would be shown.
    ShownBlock b{mode, -1, 0};
    i32 answer = 0;
    lacces(0, answer);
    if (answer > 0) {
        b.code = answer;
        i32 st = 0;
        i32 type = -1;
        lgetd(st, 1, &type);
        if (st == 1) b.type = type;
        lacces(0, answer);
    }
    DSPLOG.push_back(b);
    if (DSPPAU != 0) {
        flag = 1;
        DSPPAU = 0;
    }
}

void HFLGET(i32& state) { state = 1; }
