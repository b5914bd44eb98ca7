#include "frame/least.h"

#include "core/host.h"
#include "core/records.h"
#include "tools/toolcache.h"

i32 CHGUCS = 0;
i32 PRMWRN = 0;

namespace {
// Change detection state.
struct ChangeState {
    i32 rebuild, second;
    i32 id;
    f32 value;
};
ChangeState CHG = {1, 1, -1, -1.0f};

// Tool values kept around an execution.
f32 SAVDIA = 0, SAVCUT = 0, SAVCRN = 0;
bool saved = false;

bool milling_tool()
{
    i32 ty = 0;
    if (CURTOL > 0) eattc(CURTOL, 1, "TY", ty);
    return ty == 2;
}
}  // namespace

void CHGRST() { CHG = {1, 1, -1, -1.0f}; }

void GSCARG(const i32& a, const i32& b)
{
    (void)a;
    (void)b;
    gs_common_arguments(1, NPT1, DSP8, HEI8, PRM9);
    gs_common_arguments(2, NPT1, DSP8, HEI8, PRM9);
}

void TOLSAV()
{
    if (!milling_tool()) return;
    GTDIAM(CURTOL, SAVDIA);
    GTCUTL(CURTOL, SAVCUT);
    GTCRNR(CURTOL, SAVCRN);
    saved = true;
}

void TOLRST()
{
    if (!milling_tool() || !saved) return;
    STDIAM(SAVDIA);
    STCUTL(SAVCUT);
    STCRNR(SAVCRN);
}

void SELTOL(const i32& keep, const i32& id, i32& status)
{
    (void)keep;
    SGTOOL(3, id, status);
    if (status != 0) {
        status = -1;
        return;
    }
    i32 type = -1;
    GTTTYP(id, type);
    status = type < 0 ? -1 : 0;
}

i32 PCKFLG = 0;
void INSMSG(const i32& pick, i32& done)
{
    (void)pick;
    done = 0;
}
