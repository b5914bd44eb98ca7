// The cutter location's part of the triangle model's set-up and release,
// handed down to the model (surfaces/trimodel.h) when the module is loaded.
#include "cutter/loccom.h"
#include "cutter/under.h"
#include "surfaces/trimodel.h"

namespace {
// The gathering's lists are marked closed and the string switch cleared.
void lists_closed()
{
    ELMLST[0] = ELMIDX[0] = ELMCPY[0] = -1;
    ELMLST[1] = ELMIDX[1] = ELMCPY[1] = 0;
    ELMCAP = 0;
    NETFLG(0);
}

// Strings of a mode-3 approximation keep its longest side.
void segment_mode(i32 amode, f32 side)
{
    LOCCST = amode;
    LOCSLM = amode == 3 ? side : 0.0f;
}

[[maybe_unused]] const bool HANDED_DOWN = (TRMPOS = TrmPos{ELMREL, lists_closed, segment_mode, STPFLG}, true);
}  // namespace
